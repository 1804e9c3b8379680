// The Preview window on a main window with scripted seams: its pixels against
// the look, its following of the controls, the check's list and the keyboard.
#include "forms/main/main_window.h"
#include "forms/preview/bar_view.h"
#include "forms/preview/preview_window.h"
#include "forms/settings_source.h"
#include "prefs/preferences.h"
#include "test_files.h"
#include "test_platform.h"

#include "ui_main_window.h"
#include "ui_preview_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

using namespace brivane;
using namespace brivane::test;

namespace {

struct PreviewFixture {
    TestPlatform platform;
    PreferencesStore store;
    Preferences preferences{store};
    Tmain_window window{platform.platform, preferences};
    Tpreview_window preview{window.settingsSource(), &window, preferences};
    QTemporaryDir folder;

    PreviewFixture() {
        window.WorkingDirectory = folder.path() + u'/';
        window.setPreviewWindow(&preview);
        preview.resize(700, 600);
        preview.show();
        // The focus mark stays out of the pixels unless a test asks for it.
        preview.controls()->check_list->setFocus();
    }
    Ui::Tmain_window* ui() const { return window.controls(); }
    BarView* bar() const { return preview.bar(); }
    QImage shot() const {
        return bar()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    QPoint centreOf(int k) const {
        const BarLook& look = bar()->look();
        return QPoint(int(look.buttonLeft(k - 1)) + look.buttonWidth / 2,
                      int(look.buttonTop(k - 1)) + look.buttonHeight / 2);
    }
    void move(QPoint at) {
        QMouseEvent event(QEvent::MouseMove, at, bar()->viewport()->mapToGlobal(at), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar()->viewport(), &event);
    }
};

QRgb rgbOf(LookColour c) {
    return qRgb(c.red, c.green, c.blue);
}

// Compares every pixel of the buttons in `shot` with the look, leaving out the
// places of each button's image and text (`down`: buttons drawn down).
QString differenceFromLook(const QImage& shot, const BarView* bar, QList<int> down = {}) {
    const BarLook& look = bar->look();
    for (int k = 1; k <= look.buttonCount; ++k) {
        const int left = int(look.buttonLeft(k - 1));
        const int top = int(look.buttonTop(k - 1));
        if (left + look.buttonWidth > shot.width() || top + look.buttonHeight > shot.height())
            break;
        const bool isDown = down.contains(k);
        const QPoint shift = isDown ? BarLook::downShift() : QPoint();
        const ContentPlacement content = bar->placementOf(k);
        for (int y = 0; y < look.buttonHeight; ++y)
            for (int x = 0; x < look.buttonWidth; ++x) {
                const QPoint p(x, y);
                if (content.text.translated(shift).contains(p) ||
                    content.image.translated(shift).contains(p))
                    continue;
                const QRgb got = shot.pixel(left + x, top + y) & 0xFFFFFF;
                const QRgb want = rgbOf(look.pixel(x, y, isDown)) & 0xFFFFFF;
                if (got != want)
                    return QStringLiteral("button %1 pixel (%2, %3): %4 instead of %5")
                        .arg(k)
                        .arg(x)
                        .arg(y)
                        .arg(got, 6, 16)
                        .arg(want, 6, 16);
            }
    }
    return QString();
}

// The bounding box of the pixels of exactly `colour` inside `area`.
QRect inkOf(const QImage& shot, const QRect& area, LookColour colour) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((shot.pixel(x, y) & 0xFFFFFF) == (rgbOf(colour) & 0xFFFFFF))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

private slots:
    void pixelsMatchTheLook_data();
    void pixelsMatchTheLook();
    void settingsFromAFile();
    void downStatePerMotionStyle();
    void textAndImagePlaces_data();
    void textAndImagePlaces();
    void largeImageReadApartAndAgainWhenChanged();
    void followsEveryKindOfControl();
    void numberFieldWithoutNumberKeepsTheBar();
    void checkListForTheStartUpBar();
    void keyboardAndFocusMark();
    void zoomKeepsPixelsSquare();
    void menuAndStoredPlace();
    void standsOnASourceAlone();
};

void PreviewTest::pixelsMatchTheLook_data() {
    QTest::addColumn<QStringList>("numbers"); // width, height, buttons, border, degree
    QTest::addColumn<bool>("vertical");
    QTest::newRow("start-up") << QStringList{"100", "26", "4", "3", "20"} << true;
    QTest::newRow("border 0") << QStringList{"80", "20", "3", "0", "20"} << true;
    QTest::newRow("border 1 degree 0") << QStringList{"80", "20", "3", "1", "0"} << false;
    QTest::newRow("border 1 degree 255") << QStringList{"80", "20", "3", "1", "255"} << true;
    QTest::newRow("many rings, caps") << QStringList{"90", "41", "3", "12", "60"} << false;
    QTest::newRow("rings fill the button") << QStringList{"9", "7", "5", "30", "9"} << true;
}

void PreviewTest::pixelsMatchTheLook() {
    QFETCH(QStringList, numbers);
    QFETCH(bool, vertical);
    PreviewFixture f;
    QLineEdit* fields[] = {f.ui()->width, f.ui()->height, f.ui()->buttons, f.ui()->border,
                           f.ui()->degree};
    for (int i = 0; i < 5; ++i)
        fields[i]->setText(numbers[i]);
    (vertical ? f.ui()->vert_check_box : f.ui()->Horz_check_box)->setChecked(true);
    const BarLook& look = f.bar()->look();
    QCOMPARE(look.buttonWidth, numbers[0].toInt());
    QCOMPARE(look.buttonCount, numbers[2].toInt());
    QCOMPARE(look.vertical, vertical);
    const QString difference = differenceFromLook(f.shot(), f.bar());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // Outside the bar: the background, not a button colour.
    const QImage shot = f.shot();
    QCOMPARE(shot.pixel(int(look.barWidth()) + 2, 2) & 0xFFFFFF,
             f.bar()->palette().color(QPalette::Dark).rgb() & 0xFFFFFF);
    // Showing the bar derived nothing in the main window's own settings.
    QVERIFY(f.window.settings.buttonColour.hex.isEmpty());
    QVERIFY(f.window.settings.DirectionCode.isEmpty());
    QVERIFY(f.window.settings.AppletHeight.isEmpty());
    QVERIFY(f.platform.dialogs.shown().isEmpty());
}

void PreviewTest::settingsFromAFile() {
    PreviewFixture f;
    const QString file = f.folder.filePath(QStringLiteral("bar.txt"));
    // Horizontal, 3 rings of 25, green face, bold Helvetica 14, labels on 2 of 3 buttons.
    writeFile(file, crlfLines({"Brivane File",
                               "120",
                               "30",
                               "3",
                               "65280",
                               "1",
                               "3",
                               "25",
                               "0",
                               "2",
                               "1",
                               "0",
                               "255",
                               "1",
                               "6",
                               "1",
                               "opened",
                               "Home",
                               "index.html",
                               "",
                               "",
                               "",
                               "news.html",
                               "",
                               "",
                               "Contact",
                               "mail.html",
                               "",
                               ""}));
    f.platform.dialogs.answerOpenFile(file);
    f.ui()->Open1->trigger();
    const BarLook& look = f.bar()->look();
    QVERIFY(!look.vertical);
    QCOMPARE(look.barWidth(), 360);
    QCOMPARE(look.face, (LookColour{0, 255, 0}));
    QCOMPARE(look.align, ContentAlign::Left);
    QVERIFY(look.font.bold);
    QCOMPARE(look.font.family, QStringLiteral("Liberation Sans"));
    const QImage shot = f.shot();
    const QString difference = differenceFromLook(shot, f.bar());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The labels of buttons 1 and 3, drawn in black on the left of their room.
    for (int k : {1, 3}) {
        const QRect text = f.bar()->placementOf(k).text.translated(int(look.buttonLeft(k - 1)), 0);
        QVERIFY(!text.isEmpty());
        const QRect ink = inkOf(shot, text.adjusted(-2, -2, 2, 2), look.fontColour);
        QVERIFY2(!ink.isEmpty() && text.contains(ink), qPrintable(QString::number(k)));
        QVERIFY(ink.left() - text.left() <= 2);
    }
    QVERIFY(f.bar()->placementOf(2).text.isEmpty());
    f.platform.dialogs.verifyAllUsed();
}

void PreviewTest::downStatePerMotionStyle() {
    PreviewFixture f;
    f.ui()->button_label->setText(QStringLiteral("One"));
    // Style 0: hovering alone leaves the button up, pressing puts it down.
    f.move(f.centreOf(2));
    QVERIFY(!f.bar()->isDown(2));
    QVERIFY2(differenceFromLook(f.shot(), f.bar()).isEmpty(), "hovered, style 0");
    QTest::mousePress(f.bar()->viewport(), Qt::LeftButton, {}, f.centreOf(2));
    QVERIFY(f.bar()->isDown(2));
    QString difference = differenceFromLook(f.shot(), f.bar(), {2});
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The click selects the button in the editor instead of following a link.
    QTest::mouseRelease(f.bar()->viewport(), Qt::LeftButton, {}, f.centreOf(2));
    QVERIFY(!f.bar()->isDown(2));
    QCOMPARE(f.window.CurrentButton, 2);
    QCOMPARE(f.ui()->Label14->text(), QStringLiteral("2"));
    QCOMPARE(f.ui()->button_label->text(), QString());
    // Resting on it shows where it leads instead.
    f.ui()->link_box->setText(QStringLiteral("news.html"));
    QHelpEvent tip(QEvent::ToolTip, f.centreOf(2), f.bar()->viewport()->mapToGlobal(f.centreOf(2)));
    QApplication::sendEvent(f.bar()->viewport(), &tip);
    QCOMPARE(QToolTip::text(), QStringLiteral("Button 2\nLink: news.html\nTarget frame: (none)"));

    // Style 1: the button under the pointer is down; the text moves and turns red.
    f.ui()->style1->setChecked(true);
    f.move(f.centreOf(1));
    QVERIFY(f.bar()->isDown(1));
    const QImage shot = f.shot();
    difference = differenceFromLook(shot, f.bar(), {1});
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    const QRect text = f.bar()->placementOf(1).text;
    const QRect red = inkOf(shot, text.adjusted(-2, -2, 3, 3), f.bar()->look().clickColour);
    QVERIFY(!red.isEmpty());
    QVERIFY(text.translated(1, 1).contains(red));
    QVERIFY(inkOf(shot, text.adjusted(-2, -2, 3, 3), f.bar()->look().fontColour).isEmpty());
    f.move(QPoint(400, 300)); // off the bar
    QVERIFY(!f.bar()->isDown(1));
    QVERIFY(f.platform.dialogs.shown().isEmpty());
}

void PreviewTest::textAndImagePlaces_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("image");
    QTest::addColumn<bool>("label");
    for (int position : {0, 1, 2})
        for (const auto& [image, label] : {std::pair{true, true}, {true, false}, {false, true}})
            QTest::addRow("position %d%s%s", position, image ? " image" : "", label ? " label" : "")
                << position << image << label;
}

void PreviewTest::textAndImagePlaces() {
    QFETCH(int, position);
    QFETCH(bool, image);
    QFETCH(bool, label);
    PreviewFixture f;
    QImage picture(10, 6, QImage::Format_RGB32);
    picture.fill(QColor(0, 255, 0));
    QVERIFY(picture.save(f.folder.filePath(QStringLiteral("pic.png"))));
    f.ui()->width->setText(QStringLiteral("160"));
    f.ui()->height->setText(QStringLiteral("40"));
    f.ui()->font_box->setCurrentIndex(1);
    f.ui()->font_size->setCurrentIndex(7); // 24 px
    (position == 0   ? f.ui()->center
     : position == 1 ? f.ui()->left
                     : f.ui()->right)
        ->setChecked(true);
    if (image)
        f.ui()->image_box->setText(QStringLiteral("pic.png"));
    if (label)
        f.ui()->button_label->setText(QStringLiteral("Home"));
    f.shot(); // the paint asks for the picture, which is read meanwhile
    QTRY_VERIFY(!f.bar()->loadingImages());

    const BarLook& look = f.bar()->look();
    const ContentPlacement placed = f.bar()->placementOf(1);
    QCOMPARE(placed.image.isEmpty(), !image);
    QCOMPARE(placed.text.isEmpty(), !label);
    const QImage shot = f.shot();
    const QString difference = differenceFromLook(shot, f.bar());
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    const QRect face = look.faceRect();
    if (image) {
        QCOMPARE(placed.image.size(), QSize(10, 6));
        QCOMPARE(inkOf(shot, face, LookColour{0, 255, 0}), placed.image);
    }
    if (label) {
        const QRect ink = inkOf(shot, face, look.fontColour);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(placed.text.contains(ink), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                           .arg(ink.x())
                                                           .arg(ink.y())
                                                           .arg(ink.width())
                                                           .arg(ink.height())));
        // The glyphs fill their box but for the side bearings.
        QVERIFY(ink.left() - placed.text.left() <= 3);
        QVERIFY(placed.text.right() - ink.right() <= 3);
    }
    // The block's place on the face follows the position code.
    const QRect block = placed.image | placed.text;
    const QRect room = look.contentRoom();
    if (position == 1)
        QCOMPARE(block.left(), room.left());
    else if (position == 2)
        QCOMPARE(block.right(), room.right());
    else
        QVERIFY(qAbs((block.left() - room.left()) - (room.right() - block.right())) <= 1);
}

// A picture far larger than its button: the placeholder first while it is read
// away from the window, then exactly the part of it that falls on the face,
// held without the rest; a changed file is read again.
void PreviewTest::largeImageReadApartAndAgainWhenChanged() {
    PreviewFixture f;
    QImage big(1200, 900, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            big.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 40 + (y / 256) * 8));
    const QString path = f.folder.filePath(QStringLiteral("big.png"));
    QVERIFY(big.save(path));
    f.ui()->width->setText(QStringLiteral("90"));
    f.ui()->height->setText(QStringLiteral("30"));
    f.ui()->left->setChecked(true);
    f.ui()->image_box->setText(QStringLiteral("big.png"));
    f.shot();
    QVERIFY(f.bar()->loadingImages());
    QCOMPARE(f.bar()->placementOf(1).image.size(),
             QSize(kImagePlaceholderSize, kImagePlaceholderSize));

    QTRY_VERIFY(!f.bar()->loadingImages());
    const ContentPlacement placed = f.bar()->placementOf(1);
    QCOMPARE(placed.image.size(), big.size());
    const QImage shot = f.shot();
    const QRect face = f.bar()->look().faceRect();
    const QRect shown = face.intersected(placed.image);
    QVERIFY(shown.width() > 60 && shown.height() == face.height());
    for (int y = shown.top(); y <= shown.bottom(); ++y)
        for (int x = shown.left(); x <= shown.right(); ++x)
            QCOMPARE(shot.pixel(x, y), big.pixel(QPoint(x, y) - placed.image.topLeft()));
    // Only the face's part (and the pixel the down state adds) is held.
    QVERIFY(f.bar()->imageLoader().bytesHeld() <= (face.width() + 1) * (face.height() + 1) * 4);

    QImage other(40, 20, QImage::Format_RGB32);
    other.fill(QColor(0, 0, 255));
    QVERIFY(QFile::remove(path));
    QVERIFY(other.save(path));
    // Any change of the settings looks again, even one that moves nothing.
    f.ui()->link_box->setText(QStringLiteral("index.html"));
    f.shot();
    QTRY_VERIFY(!f.bar()->loadingImages());
    QCOMPARE(f.bar()->placementOf(1).image.size(), other.size());
    QCOMPARE(f.shot().pixel(f.bar()->placementOf(1).image.center()), qRgb(0, 0, 255));
}

void PreviewTest::followsEveryKindOfControl() {
    PreviewFixture f;
    QImage before = f.shot();
    auto changed = [&](const char* what) {
        const QImage after = f.shot();
        QVERIFY2(after != before, what);
        before = after;
    };
    f.ui()->border->setText(QStringLiteral("6"));
    changed("number field");
    // The bar is derived on a copy: the main window's record stays as it was.
    QCOMPARE(f.window.settings.border, QStringLiteral("3"));
    QVERIFY(f.window.settings.AppletHeight.isEmpty());
    f.ui()->Horz_check_box->setChecked(true);
    changed("option button");
    f.ui()->button_label->setText(QStringLiteral("Label"));
    changed("per-button text");
    f.ui()->font_size->setCurrentIndex(6);
    changed("list");
    f.platform.dialogs.answerColor(QColor(200, 200, 0));
    f.ui()->SpeedButton1->click();
    changed("colour");
    QCOMPARE(f.bar()->look().face, (LookColour{200, 200, 0}));
    // Texts of buttons that no box shows come back with Reset All.
    f.platform.dialogs.answerYesNo(true);
    f.ui()->SpeedButton2->click();
    QVERIFY(f.bar()->placementOf(1).text.isEmpty());
    changed("reset all");

    // Nothing written, no message box: only the two dialogs asked for.
    QVERIFY(QDir(f.folder.path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(f.platform.dialogs.shown().size(), 2);
    QVERIFY(f.platform.dialogs.messages().isEmpty());
    QVERIFY(f.platform.dialogs.errors().isEmpty());
    f.platform.dialogs.verifyAllUsed();
}

void PreviewTest::numberFieldWithoutNumberKeepsTheBar() {
    PreviewFixture f;
    QVERIFY(f.preview.message().isEmpty());
    QVERIFY(!f.preview.controls()->message_label->isVisible());
    const QImage good = f.shot();
    f.ui()->height->setText(QString());
    QCOMPARE(f.preview.message(), QStringLiteral("Button Height: '' is not a number"));
    QVERIFY(f.preview.controls()->message_label->isVisible());
    QCOMPARE(f.shot(), good);
    // Blanks pass the number check as unfinished typing; the first bad field is named.
    f.ui()->f_offset->setText(QStringLiteral("  "));
    QCOMPARE(f.preview.message(), QStringLiteral("Button Height: '' is not a number"));
    f.ui()->height->setText(QStringLiteral("30"));
    QCOMPARE(f.preview.message(), QStringLiteral("Spacing: '  ' is not a number"));
    QCOMPARE(f.shot(), good);
    f.ui()->f_offset->setText(QStringLiteral("4"));
    QVERIFY(f.preview.message().isEmpty());
    QVERIFY(!f.preview.controls()->message_label->isVisible());
    QCOMPARE(f.bar()->look().barHeight(), 120);
    QVERIFY(f.platform.dialogs.shown().isEmpty());
}

// The start-up bar: four buttons without label, image or link. That is all that
// is true of it: white on 0000A0 reads well, and with no label the red click
// colour (3.4 : 1) is never seen.
void PreviewTest::checkListForTheStartUpBar() {
    PreviewFixture f;
    QStringList expected;
    for (int k = 1; k <= 4; ++k)
        expected << QStringLiteral("Button %1 has neither a label nor an image.").arg(k)
                 << QStringLiteral("Button %1 has no link.").arg(k);
    QStringList shown;
    auto readList = [&] {
        f.preview.findings();
        shown.clear();
        for (int row = 0; row < f.preview.controls()->check_list->count(); ++row)
            shown << f.preview.controls()->check_list->item(row)->text();
    };
    readList();
    QCOMPARE(shown, expected);
    QCOMPARE(f.preview.controls()->check_label->text(), QStringLiteral("Check: 8 findings"));

    // A label on button 1 brings its click colour into view.
    f.ui()->button_label->setText(QStringLiteral("Home"));
    readList();
    QCOMPARE(shown.first(), QStringLiteral("Button 1: the label's contrast on the face while "
                                           "pressed (click colour) is 3.4 : 1, below 4.5 : 1."));
    QCOMPARE(shown.size(), 8);

    // Clicking a finding moves the editor to its button.
    QListWidget* list = f.preview.controls()->check_list;
    const int row = int(shown.indexOf(QStringLiteral("Button 3 has no link.")));
    const QRect item = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QCOMPARE(f.window.CurrentButton, 3);
    QCOMPARE(f.bar()->focusedButton(), 3);

    // The largest bar: every finding is kept, the list shows the first thousand.
    f.ui()->buttons->setText(QStringLiteral("32767"));
    QCOMPARE(f.preview.findings().size(), size_t(2 * 32767));
    QCOMPARE(list->count(), Tpreview_window::kShownFindings);
    QCOMPARE(f.preview.controls()->check_label->text(),
             QStringLiteral("Check: 65534 findings, the first 1000 shown"));
    QVERIFY(f.platform.dialogs.shown().isEmpty());
}

void PreviewTest::keyboardAndFocusMark() {
    PreviewFixture f;
    f.ui()->buttons->setText(QStringLiteral("3"));
    f.window.SelectButton(2);
    f.ui()->button_label->setText(QStringLiteral("News"));
    f.window.SelectButton(1);
    const QImage unfocused = f.shot();
    QVERIFY(differenceFromLook(unfocused, f.bar()).isEmpty());

    f.preview.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.preview));
    f.bar()->setFocus();
    QVERIFY(f.bar()->hasFocus());
    // The mark is drawn on the focused button only while the bar has the focus.
    QVERIFY(!differenceFromLook(f.shot(), f.bar()).isEmpty());
    QCOMPARE(f.bar()->accessibleName(), QStringLiteral("Button 1"));
    QTest::keyClick(f.bar(), Qt::Key_Right);
    QCOMPARE(f.bar()->focusedButton(), 2);
    QCOMPARE(f.bar()->accessibleName(), QStringLiteral("News"));
    QTest::keyClick(f.bar(), Qt::Key_Down);
    QTest::keyClick(f.bar(), Qt::Key_Down); // stays on the last
    QCOMPARE(f.bar()->focusedButton(), 3);
    QTest::keyClick(f.bar(), Qt::Key_Up);
    QCOMPARE(f.bar()->focusedButton(), 2);
    QCOMPARE(f.window.CurrentButton, 1); // moving the focus selects nothing
    QTest::keyPress(f.bar(), Qt::Key_Space);
    QVERIFY(f.bar()->isDown(2));
    QCOMPARE(f.window.CurrentButton, 2);
    QCOMPARE(f.ui()->button_label->text(), QStringLiteral("News"));
    QTest::keyRelease(f.bar(), Qt::Key_Space);
    QVERIFY(!f.bar()->isDown(2));

    f.preview.controls()->check_list->setFocus();
    QCOMPARE(f.shot(), unfocused);
}

void PreviewTest::zoomKeepsPixelsSquare() {
    PreviewFixture f;
    f.ui()->border->setText(QStringLiteral("5"));
    f.bar()->setZoom(3);
    const BarLook& look = f.bar()->look();
    QImage shot = f.shot();
    for (int y = 0; y < look.buttonHeight; ++y)
        for (int x = 0; x < look.buttonWidth; ++x)
            for (const QPoint d : {QPoint(0, 0), QPoint(2, 0), QPoint(0, 2), QPoint(2, 2)})
                QCOMPARE(shot.pixel(3 * x + d.x(), 3 * y + d.y()) & 0xFFFFFF,
                         rgbOf(look.pixel(x, y, false)) & 0xFFFFFF);
    // Ctrl + wheel: one whole step per notch, within 1 to 8.
    const QPoint at(10, 10);
    QWheelEvent notch(at, f.bar()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.bar()->viewport(), &notch);
    QCOMPARE(f.bar()->zoom(), 4);
    f.bar()->setZoom(20);
    QCOMPARE(f.bar()->zoom(), BarView::kMaxZoom);
    f.bar()->setZoom(0);
    QCOMPARE(f.bar()->zoom(), 1);
    QCOMPARE(f.shot().pixel(0, 0) & 0xFFFFFF, rgbOf(look.pixel(0, 0, false)) & 0xFFFFFF);
}

void PreviewTest::menuAndStoredPlace() {
    PreviewFixture f;
    f.preferences.LoadPreferences();
    f.preview.hide();
    auto* preview1 = f.window.findChild<QAction*>(QStringLiteral("Preview1"));
    QVERIFY(preview1);
    QCOMPARE(preview1->text(), QStringLiteral("&Preview"));
    QCOMPARE(preview1->shortcut(), QKeySequence(Qt::Key_F5));
    auto* view1 = f.window.findChild<QMenu*>(QStringLiteral("View1"));
    QCOMPARE(view1->title(), QStringLiteral("&View"));
    // The first showing puts it beside the main window, where the screen has room.
    f.window.move(0, 0);
    f.preview.resize(150, 120);
    preview1->trigger();
    QVERIFY(f.preview.isVisible());
    QCOMPARE(f.preview.frameGeometry().topLeft(),
             QPoint(f.window.frameGeometry().right() + 1 + 8, f.window.frameGeometry().top()));

    // Closing hides the window and keeps its place and size for the next run.
    f.preview.move(40, 50);
    f.preview.resize(520, 380);
    QVERIFY(f.preview.close());
    QVERIFY(!f.preview.isVisible());
    const QString stored = QStringLiteral("%1,%2,520,380").arg(f.preview.x()).arg(f.preview.y());
    QCOMPARE(f.preferences.LoadPreviewGeometry(), stored);
    Tpreview_window next(f.window.settingsSource(), &f.window, f.preferences);
    QCOMPARE(next.size(), QSize(520, 380));
    QCOMPARE(next.pos(), f.preview.pos());
    QVERIFY(f.platform.dialogs.shown().isEmpty());
}

namespace {

// Settings held by the test itself, in place of the main window.
class FakeSource : public SettingsSource {
public:
    AppletSettings settings;
    std::vector<FieldNotANumber> faults;
    QList<int> selected;

    AppletSettings snapshot() const override {
        AppletSettings copy = settings;
        DeriveAppletValues(copy);
        return copy;
    }
    std::vector<FieldNotANumber> fieldsNotNumbers() const override { return faults; }
    const ButtonTable& buttonTable() const override { return settings.table; }
    QString workingDirectory() const override { return QDir::tempPath() + u'/'; }
    void selectButton(int k) override { selected << k; }
};

} // namespace

// No main window at all: the Preview draws what its source gives, follows its
// one signal, names its first bad field and hands clicks back to it.
void PreviewTest::standsOnASourceAlone() {
    PreferencesStore store;
    Preferences preferences{store};
    FakeSource source;
    source.settings.buttons = QStringLiteral("2");
    source.settings.table.setEntry(ButtonField::Label, 2, QStringLiteral("Two"));
    Tpreview_window preview{source, nullptr, preferences};
    preview.resize(400, 300);
    preview.showPreview();
    QCOMPARE(preview.bar()->look().buttonCount, 2);
    QCOMPARE(preview.bar()->buttonName(2), QStringLiteral("Two"));

    source.settings.buttons = QStringLiteral("3");
    QCOMPARE(preview.bar()->look().buttonCount, 2); // nothing said yet
    emit source.changed();
    QCOMPARE(preview.bar()->look().buttonCount, 3);

    source.faults = {{QStringLiteral("Width"), QStringLiteral("x")},
                     {QStringLiteral("Height"), QString()}};
    emit source.changed();
    QCOMPARE(preview.message(), QStringLiteral("Width: 'x' is not a number"));
    QCOMPARE(preview.bar()->look().buttonCount, 3);

    const BarLook& look = preview.bar()->look();
    const QPoint second(int(look.buttonLeft(1)) + 2, int(look.buttonTop(1)) + 2);
    QTest::mouseClick(preview.bar()->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QCOMPARE(source.selected, QList<int>{2});
}

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"

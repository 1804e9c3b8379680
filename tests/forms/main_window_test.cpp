// The main window's layout, start state, caption of the page file and up-downs.
#include "app/startup.h"
#include "forms/main/up_down.h"
#include "forms/tip/tip_window.h"
#include "main_window_fixture.h"
#include "model/applet_settings.h"

#include <QAccessible>
#include <QDir>
#include <QFocusEvent>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace brivane;
using namespace brivane::test;

namespace {

template <typename T = QWidget> T* child(QWidget* root, const char* name) {
    return root->findChild<T*>(QString::fromLatin1(name));
}

QString visibleText(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return group->title();
    return {};
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowFixture> f;

private slots:
    void initTestCase() { applyApplicationFont(); }
    void init() { f = std::make_unique<MainWindowFixture>(); }
    void cleanup() {
        f->dialogs().verifyAllUsed();
        f.reset();
    }

    void startState() {
        auto* ui = f->ui();
        QCOMPARE(ui->PageControl1->currentWidget(), ui->TabSheet1);
        QCOMPARE(ui->font_size->currentText(), QStringLiteral("14"));
        QCOMPARE(ui->font_box->currentText(), QStringLiteral("TimesRoman"));
        QCOMPARE(ui->align->currentText(), QStringLiteral("Center"));
        for (QLineEdit* box : {ui->link_box, ui->frame_box, ui->button_label, ui->image_box})
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        for (ButtonField field :
             {ButtonField::Link, ButtonField::Frame, ButtonField::Label, ButtonField::Image})
            QVERIFY(f->entry(field, 1).isEmpty());
        QCOMPARE(ui->Label14->text(), QStringLiteral("1"));
        QCOMPARE(f->window.CurrentButton, 1);
        QCOMPARE(f->window.MainWindowActivated, false);
        QCOMPARE(f->preferences.BrowserSetting, QStringLiteral("default"));
        QCOMPARE(f->window.WorkingDirectory, QDir::currentPath() + "/");
        QCOMPARE(ui->Label18->text(), QStringLiteral("\"untitled.html\""));
        const QList<QPair<QLineEdit*, QString>> numbers = {{ui->width, "100"}, {ui->height, "26"},
                                                           {ui->border, "3"},  {ui->degree, "20"},
                                                           {ui->buttons, "4"}, {ui->f_offset, "4"}};
        for (const auto& [edit, text] : numbers)
            QCOMPARE(edit->text(), text);
        QCOMPARE(ui->title->text(), QStringLiteral("untitled"));
        QVERIFY(ui->style0->isChecked() && ui->vert_check_box->isChecked());
        QVERIFY(ui->plain->isChecked() && ui->center->isChecked());
        // The HTML box: one empty line, read-only, no wrapping, both scroll bars.
        QCOMPARE(ui->html_box->toPlainText(), QString());
        QCOMPARE(ui->html_box->blockCount(), 1);
        QVERIFY(ui->html_box->isReadOnly());
        QCOMPARE(ui->html_box->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(ui->html_box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(ui->html_box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(f->window.Timer1.interval(), 1500);
        QVERIFY(!f->window.Timer1.isActive());
        QVERIFY(f->dialogs().shown().isEmpty());
        // The lists are those the page and the settings file use.
        auto items = [](QComboBox* box) {
            QStringList list;
            for (int i = 0; i < box->count(); ++i)
                list << box->itemText(i);
            return list;
        };
        QCOMPARE(items(ui->align), alignItems());
        QCOMPARE(items(ui->font_box), fontItems());
        QCOMPARE(items(ui->font_size), fontSizeItems());
        QCOMPARE(ui->align->maxVisibleItems(), 3);
        QCOMPARE(ui->font_size->maxVisibleItems(), 8);
    }

    void workingDirectoryEndsInOneSeparator() {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        f->window.FormCreate();
        QCOMPARE(f->window.WorkingDirectory, QDir::currentPath() + "/");
        // The root already ends in a separator and gets no second one.
        QVERIFY(QDir::setCurrent(QStringLiteral("/")));
        f->window.FormCreate();
        QCOMPARE(f->window.WorkingDirectory, QStringLiteral("/"));
        QDir::setCurrent(before);
        // A long path is taken whole.
        QString deep = dir.path();
        for (int i = 0; i < 30; ++i)
            deep += QStringLiteral("/a-rather-long-folder-name");
        QVERIFY(QDir().mkpath(deep));
        QVERIFY(QDir::setCurrent(deep));
        f->window.FormCreate();
        QDir::setCurrent(before);
        QCOMPARE(f->window.WorkingDirectory, QDir(deep).canonicalPath() + "/");
        QVERIFY(f->window.WorkingDirectory.size() > 260);
    }

    void titleCaption() {
        auto* ui = f->ui();
        ui->title->clear();
        QCOMPARE(ui->Label18->text(), QStringLiteral("\".html\""));
        QTest::keyClicks(ui->title, QStringLiteral("abc"));
        QCOMPARE(ui->Label18->text(), QStringLiteral("\"abc.html\""));
    }

    void enteringABoxRunsItsEnterHandler() {
        // Fresh preferences: every tip is still due, so an entry shows its tip.
        Ttip_window tip;
        f->window.setCompanionWindows(nullptr, &tip, nullptr);
        QCOMPARE(f->preferences.TipFlags[0], QStringLiteral("false"));

        // Coming back to the window from elsewhere is no entry.
        QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(f->ui()->link_box, &back);
        QCOMPARE(f->preferences.TipFlags[0], QStringLiteral("false"));

        const QList<QPair<QLineEdit*, int>> boxes = {
            {f->ui()->link_box, 0}, {f->ui()->frame_box, 1}, {f->ui()->image_box, 2}};
        for (const auto& [box, index] : boxes) {
            QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(box, &in);
            QVERIFY2(f->preferences.TipFlags[index] == QLatin1String("true"),
                     qPrintable(box->objectName()));
        }
        // The label box has no tip of its own.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(f->ui()->button_label, &in);
        QCOMPARE(f->preferences.TipFlags[3], QStringLiteral("false"));
        f->window.setCompanionWindows(nullptr, nullptr, nullptr);
    }

    void derivationSeesTheControls() {
        auto* ui = f->ui();
        f->window.deriveAppletValues();
        const AppletSettings& s = f->window.settings;
        QCOMPARE(s.buttonColour.hex, QStringLiteral("0000A0"));
        QCOMPARE(s.fontColour.hex, QStringLiteral("FFFFFF"));
        QCOMPARE(s.clickColour.hex, QStringLiteral("FF0000"));
        QCOMPARE(s.StyleCode + s.DirectionCode + s.FontStyleCode + s.PositionCode,
                 QStringLiteral("0000"));
        QCOMPARE(s.AppletWidth, QStringLiteral("100"));
        QCOMPARE(s.AppletHeight, QStringLiteral("104"));

        ui->Horz_check_box->setChecked(true);
        ui->style1->setChecked(true);
        ui->italic->setChecked(true);
        ui->left->setChecked(true);
        ui->font_size->setCurrentIndex(5);
        ui->align->setCurrentIndex(1);
        ui->title->setText(QStringLiteral("bar"));
        f->window.deriveAppletValues();
        QCOMPARE(s.StyleCode + s.DirectionCode + s.FontStyleCode + s.PositionCode,
                 QStringLiteral("1121"));
        QCOMPARE(s.AppletWidth, QStringLiteral("400"));
        QCOMPARE(s.AppletHeight, QStringLiteral("26"));
        QCOMPARE(s.fontSize, QStringLiteral("20"));
        QCOMPARE(s.fontSizeIndex, 5);
        QCOMPARE(s.align, QStringLiteral("Left "));
        QCOMPARE(s.title, QStringLiteral("bar"));
    }

    void activationSetsTheFlag() {
        f->window.show();
        f->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f->window));
        QVERIFY(f->window.MainWindowActivated);
    }

    void geometry() {
        QWidget* w = &f->window;
        QVERIFY(w->minimumSize() == w->maximumSize());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(f->window.centralWidget()->size(), QSize(609, 296));
        QCOMPARE(w->windowTitle(), QStringLiteral("Brivane"));
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!w->windowIcon().isNull());

        struct Place {
            const char* name;
            QRect rect; // width or height 0: not fixed (autosized label)
            const char* parent;
        };
        const QList<Place> places = {
            {"PageControl1", {8, 8, 473, 281}, "centralwidget"},
            {"GroupBox1", {8, 8, 185, 73}, "TabSheet1"},
            {"Label1", {16, 20, 0, 0}, "GroupBox1"},
            {"width", {104, 16, 57, 21}, "GroupBox1"},
            {"UpDown1", {161, 16, 0, 21}, "GroupBox1"},
            {"Label2", {16, 44, 0, 0}, "GroupBox1"},
            {"height", {104, 40, 57, 21}, "GroupBox1"},
            {"UpDown2", {161, 40, 0, 21}, "GroupBox1"},
            {"GroupBox3", {8, 88, 449, 153}, "TabSheet1"},
            {"Label17", {16, 28, 0, 0}, "GroupBox3"},
            {"border", {120, 25, 57, 21}, "GroupBox3"},
            {"UpDown6", {177, 25, 0, 21}, "GroupBox3"},
            {"Label5", {16, 52, 0, 0}, "GroupBox3"},
            {"degree", {120, 48, 57, 21}, "GroupBox3"},
            {"UpDown5", {177, 48, 0, 21}, "GroupBox3"},
            {"Label26", {8, 76, 193, 0}, "GroupBox3"},
            {"style0", {16, 96, 153, 17}, "GroupBox3"},
            {"style1", {16, 120, 185, 17}, "GroupBox3"},
            {"Spacing", {216, 20, 89, 0}, "GroupBox3"},
            {"f_offset", {228, 40, 57, 21}, "GroupBox3"},
            {"UpDown3", {285, 40, 0, 21}, "GroupBox3"},
            {"Bevel2", {216, 84, 89, 0}, "GroupBox3"},
            {"SpeedButton1", {216, 104, 89, 25}, "GroupBox3"},
            {"Label3", {320, 20, 121, 0}, "GroupBox3"},
            {"buttons", {348, 40, 57, 21}, "GroupBox3"},
            {"UpDown4", {405, 40, 0, 21}, "GroupBox3"},
            {"Label15", {320, 76, 121, 0}, "GroupBox3"},
            {"Panel1", {320, 96, 121, 49}, "GroupBox3"},
            {"vert_check_box", {24, 0, 85, 17}, "Panel1"},
            {"Horz_check_box", {24, 24, 73, 17}, "Panel1"},
            {"GroupBox4", {200, 8, 257, 73}, "TabSheet1"},
            {"Label16", {16, 20, 0, 0}, "GroupBox4"},
            {"title", {96, 16, 145, 21}, "GroupBox4"},
            {"Label6", {16, 44, 0, 0}, "GroupBox4"},
            {"align", {136, 40, 73, 22}, "GroupBox4"},
            {"GroupBox5", {8, 8, 201, 233}, "TabSheet2"},
            {"Label4", {16, 20, 0, 0}, "GroupBox5"},
            {"font_box", {88, 17, 89, 22}, "GroupBox5"},
            {"Label11", {16, 44, 0, 0}, "GroupBox5"},
            {"font_size", {88, 41, 89, 22}, "GroupBox5"},
            {"plain", {16, 76, 57, 17}, "GroupBox5"},
            {"bold", {78, 76, 49, 17}, "GroupBox5"},
            {"italic", {136, 76, 57, 17}, "GroupBox5"},
            {"SpeedButton5", {40, 112, 121, 25}, "GroupBox5"},
            {"SpeedButton6", {40, 144, 121, 25}, "GroupBox5"},
            {"Label28", {8, 180, 185, 0}, "GroupBox5"},
            {"Panel2", {8, 198, 185, 20}, "GroupBox5"},
            {"left", {16, 4, 49, 17}, "Panel2"},
            {"center", {70, 4, 0, 17}, "Panel2"},
            {"right", {128, 4, 49, 17}, "Panel2"},
            {"GroupBox8", {216, 8, 241, 233}, "TabSheet2"},
            {"Label13", {32, 20, 0, 0}, "GroupBox8"},
            {"Label14", {200, 20, 0, 0}, "GroupBox8"},
            {"SpeedButton7", {48, 40, 73, 33}, "GroupBox8"},
            {"SpeedButton8", {128, 40, 73, 33}, "GroupBox8"},
            {"Label8", {16, 92, 0, 0}, "GroupBox8"},
            {"link_box", {96, 88, 129, 21}, "GroupBox8"},
            {"Label10", {16, 124, 0, 0}, "GroupBox8"},
            {"frame_box", {96, 120, 129, 21}, "GroupBox8"},
            {"Bevel1", {16, 152, 209, 0}, "GroupBox8"},
            {"Label12", {16, 172, 0, 0}, "GroupBox8"},
            {"button_label", {96, 168, 129, 21}, "GroupBox8"},
            {"Label7", {16, 204, 0, 0}, "GroupBox8"},
            {"image_box", {96, 200, 89, 21}, "GroupBox8"},
            {"SpeedButton11", {192, 198, 31, 25}, "GroupBox8"},
            {"html_box", {8, 8, 305, 233}, "TabSheet3"},
            {"Label9", {328, 9, 129, 0}, "TabSheet3"},
            {"Label20", {328, 24, 129, 0}, "TabSheet3"},
            {"Label21", {328, 40, 129, 0}, "TabSheet3"},
            {"Label18", {328, 56, 129, 0}, "TabSheet3"},
            {"Label22", {328, 72, 129, 0}, "TabSheet3"},
            {"Label23", {328, 88, 129, 0}, "TabSheet3"},
            {"Bevel4", {328, 112, 129, 0}, "TabSheet3"},
            {"Label19", {328, 121, 129, 0}, "TabSheet3"},
            {"Label24", {328, 137, 129, 0}, "TabSheet3"},
            {"Label27", {328, 153, 129, 0}, "TabSheet3"},
            {"Label25", {321, 169, 145, 0}, "TabSheet3"},
            {"SpeedButton9", {344, 188, 97, 25}, "TabSheet3"},
            {"SpeedButton10", {344, 218, 97, 25}, "TabSheet3"},
            {"PageControl2", {492, 26, 109, 263}, "centralwidget"},
            {"GroupBox6", {501, 32, 91, 249}, "centralwidget"},
            {"SpeedButton4", {8, 16, 73, 41}, "GroupBox6"},
            {"SpeedButton3", {8, 64, 73, 41}, "GroupBox6"},
            {"SpeedButton2", {8, 200, 73, 41}, "GroupBox6"},
            {"Bevel3", {0, 0, 609, 0}, "centralwidget"},
        };
        for (const Place& p : places) {
            QWidget* c = child(w, p.name);
            QVERIFY2(c, p.name);
            QVERIFY2(c->parentWidget() && c->parentWidget()->objectName() == p.parent, p.name);
            const QRect g = c->geometry();
            const QByteArray what = QByteArray(p.name) + " at " + QByteArray::number(g.x()) + "," +
                                    QByteArray::number(g.y()) + " " +
                                    QByteArray::number(g.width()) + "x" +
                                    QByteArray::number(g.height());
            QVERIFY2(g.topLeft() == p.rect.topLeft(), what);
            QVERIFY2(p.rect.width() == 0 || g.width() == p.rect.width(), what);
            QVERIFY2(p.rect.height() == 0 || g.height() == p.rect.height(), what);
            // Nothing on the window runs past its parent's right edge.
            QVERIFY2(g.right() <= c->parentWidget()->rect().right(), what);
        }
        // Every label's text fits within its width: nothing reads cut off.
        for (QLabel* label : w->findChildren<QLabel*>()) {
            if (label->objectName().startsWith(QLatin1String("Label")) ||
                label->objectName() == QLatin1String("Spacing")) {
                const int needed = label->fontMetrics().horizontalAdvance(label->text());
                QVERIFY2(needed <= label->width(), qPrintable(label->objectName()));
            }
        }

        // The hidden swatches never show, below the client area.
        const QList<QPair<const char*, QColor>> swatches = {
            {"Color_Panel", QColor(0, 0, 160)},
            {"font_color_panel", QColor(255, 255, 255)},
            {"click_color_box", QColor(255, 0, 0)}};
        for (const auto& [name, colour] : swatches) {
            auto* swatch = child<QFrame>(w, name);
            QVERIFY2(swatch, name);
            QVERIFY(!swatch->isVisible());
            QCOMPARE(swatch->size(), QSize(17, 17));
            QCOMPARE(swatch->y(), 296);
            QCOMPARE(swatch->palette().color(QPalette::Window), colour);
        }
        QCOMPARE(f->ui()->PageControl2->count(), 0);
        QCOMPARE(f->ui()->GroupBox6->title(), QString());
    }

    void captionsAndHints() {
        QWidget* w = &f->window;
        const QList<QPair<const char*, QString>> captions = {
            {"GroupBox1", "Applet Size"},
            {"GroupBox3", "Button"},
            {"GroupBox4", "HTML Page"},
            {"GroupBox5", "Font "},
            {"GroupBox8", "Button Links and Labels"},
            {"Label1", "Button Width"},
            {"Label2", "Button Height"},
            {"Label17", "Border Thickness"},
            {"Label5", "Border Color Change"},
            {"Label26", "Button Motion Style"},
            {"style0", "Button Down When Clicked"},
            {"style1", "Button Down When Mouse Moves"},
            {"Spacing", "Spacing"},
            {"SpeedButton1", "&Color"},
            {"Label3", "Number of Buttons"},
            {"Label15", "Button Alignment"},
            {"vert_check_box", "Vertical"},
            {"Horz_check_box", "Horizontal"},
            {"Label16", "Page Title"},
            {"Label6", "Align Applet"},
            {"Label4", "Font "},
            {"Label11", "Font Size"},
            {"plain", "Plain"},
            {"bold", "Bold"},
            {"italic", "Italic"},
            {"SpeedButton5", "Font Co&lor"},
            {"SpeedButton6", "Font Clic&k Color"},
            {"Label28", "Align Text and Images"},
            {"left", "Left"},
            {"center", "Center"},
            {"right", "Right"},
            {"Label13", "Set the Label and Link for button"},
            {"SpeedButton7", "Last"},
            {"SpeedButton8", "Next"},
            {"Label8", "Button Link"},
            {"Label10", "Target Frame"},
            {"Label12", "Button Label"},
            {"Label7", "Button Image"},
            {"SpeedButton11", ""},
            {"Label9", "Copy the following HTML "},
            {"Label20", "code and paste it on your "},
            {"Label21", "page or use the file titled "},
            {"Label22", "in the directroy containing"},
            {"Label23", "the Brivane."},
            {"Label19", "You will also need the file"},
            {"Label24", "\"button.class\" and all "},
            {"Label27", "images to be in the same"},
            {"Label25", "directory as the HTML file."},
            {"SpeedButton9", "Cop&y HTML"},
            {"SpeedButton10", "S&ave HTML"},
            {"SpeedButton4", "&Make HTML"},
            {"SpeedButton3", "&Test Applet"},
            {"SpeedButton2", "Re&set All"}};
        for (const auto& [name, text] : captions) {
            QWidget* c = child(w, name);
            QVERIFY2(c, name);
            QVERIFY2(visibleText(c) == text, name);
        }
        const QStringList tabs = {"General", "Text", "HTML"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(f->ui()->PageControl1->tabText(i), tabs[i]);

        const QList<QPair<const char*, QString>> hints = {
            {"border", "Thickness of the button border in pixels"},
            {"degree", "How fast the border's color changes- keep this number between 0 and 30."},
            {"style0", "This makes the button go down only when it is clicked."},
            {"style1", "This makes the button go down when the mouse moves over it, but will "
                       "not link to a site unless it is clicked."},
            {"f_offset", "This is the number of pixels between the border and any text or "
                         "images on the button"},
            {"buttons", "Total number of buttons for the applet"},
            {"vert_check_box", "This will stack all of the buttons vertically."},
            {"Horz_check_box", "This will align the buttons horizontally."},
            {"title", "Title of the HTML page created"},
            {"link_box", "Where you want to link to when this button is clicked"},
            {"frame_box", "Target frame for this button"},
            {"button_label", "Text displayed in the button"},
            {"image_box", "Path to the image used for this button"}};
        for (const auto& [name, hint] : hints)
            QVERIFY2(child(w, name)->toolTip() == hint, name);

        // Flat picture buttons: no focus, a picture, and the Alt key of their caption.
        for (QToolButton* b : w->findChildren<QToolButton*>()) {
            if (!b->objectName().startsWith(QLatin1String("SpeedButton")))
                continue;
            QVERIFY2(b->autoRaise(), qPrintable(b->objectName()));
            QCOMPARE(b->focusPolicy(), Qt::NoFocus);
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
            const int amp = b->text().indexOf(u'&');
            if (amp >= 0)
                QCOMPARE(b->shortcut(), QKeySequence(QStringLiteral("Alt+") + b->text()[amp + 1]));
        }
        QCOMPARE(f->ui()->SpeedButton4->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(f->ui()->SpeedButton11->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(f->ui()->SpeedButton8->layoutDirection(), Qt::RightToLeft);
        QCOMPARE(f->ui()->SpeedButton7->layoutDirection(), Qt::LeftToRight);
    }

    void screenReaderNames() {
        const QList<QPair<QWidget*, QString>> named = {{f->ui()->width, "Button Width"},
                                                       {f->ui()->height, "Button Height"},
                                                       {f->ui()->border, "Border Thickness"},
                                                       {f->ui()->degree, "Border Color Change"},
                                                       {f->ui()->f_offset, "Spacing"},
                                                       {f->ui()->buttons, "Number of Buttons"},
                                                       {f->ui()->title, "Page Title"},
                                                       {f->ui()->align, "Align Applet"},
                                                       {f->ui()->font_box, "Font"},
                                                       {f->ui()->font_size, "Font Size"},
                                                       {f->ui()->link_box, "Button Link"},
                                                       {f->ui()->frame_box, "Target Frame"},
                                                       {f->ui()->button_label, "Button Label"},
                                                       {f->ui()->image_box, "Button Image"}};
        for (const auto& [widget, name] : named) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(a);
            // A drop-down list's name is its current item on Linux; the label
            // reaches the reader through the buddy relation and the accessible name.
            if (qobject_cast<QComboBox*>(widget))
                QCOMPARE(widget->accessibleName(), name);
            else
                QCOMPARE(a->text(QAccessible::Name), name);
            // The label beside it is its buddy too.
            bool hasBuddy = false;
            for (QLabel* label : f->window.findChildren<QLabel*>())
                hasBuddy = hasBuddy || label->buddy() == widget;
            QVERIFY2(hasBuddy, qPrintable(name));
        }
    }

    void tabOrder() {
        auto* ui = f->ui();
        const QList<QWidget*> order = {
            ui->width,     ui->height,       ui->border,    ui->degree,         ui->style0,
            ui->style1,    ui->f_offset,     ui->buttons,   ui->Horz_check_box, ui->vert_check_box,
            ui->align,     ui->title,        ui->plain,     ui->bold,           ui->italic,
            ui->font_size, ui->right,        ui->center,    ui->left,           ui->font_box,
            ui->link_box,  ui->button_label, ui->image_box, ui->frame_box};
        for (int i = 0; i + 1 < order.size(); ++i) {
            // Skip widgets without focus between two of the list (e.g. the flat buttons).
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus || next->isHidden())
                next = next->nextInFocusChain();
            QVERIFY2(next == order[i + 1],
                     qPrintable(order[i]->objectName() + " -> " + next->objectName()));
        }
    }

    // Each option group keeps exactly one choice, whatever is clicked, and the
    // codes the page and the settings file get follow the choice.
    void optionGroupsKeepOneChoice() {
        auto* ui = f->ui();
        f->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->window));
        struct Option {
            QRadioButton* button;
            const char* code;
        };
        const QList<QList<Option>> groups = {
            {{ui->style0, "0"}, {ui->style1, "1"}},
            {{ui->vert_check_box, "0"}, {ui->Horz_check_box, "1"}},
            {{ui->plain, "0"}, {ui->bold, "1"}, {ui->italic, "2"}},
            {{ui->left, "1"}, {ui->center, "0"}, {ui->right, "2"}}};
        QList<QRadioButton*> chosen = {ui->style0, ui->vert_check_box, ui->plain, ui->center};
        QStringList codes = {"0", "0", "0", "0"};
        for (int g = 0; g < groups.size(); ++g) {
            for (const Option& option : groups[g]) {
                ui->PageControl1->setCurrentWidget(g < 2 ? ui->TabSheet1 : ui->TabSheet2);
                // The second click lands on the button that is already chosen.
                for (int click = 0; click < 2; ++click) {
                    QTest::mouseClick(option.button, Qt::LeftButton);
                    chosen[g] = option.button;
                    codes[g] = QString::fromLatin1(option.code);
                    for (int h = 0; h < groups.size(); ++h)
                        for (const Option& other : groups[h])
                            QVERIFY2(other.button->isChecked() == (other.button == chosen[h]),
                                     qPrintable(option.button->objectName() + " clicked, " +
                                                other.button->objectName()));
                    f->window.deriveAppletValues();
                    const AppletSettings& s = f->window.settings;
                    QCOMPARE(QStringList(
                                 {s.StyleCode, s.DirectionCode, s.FontStyleCode, s.PositionCode}),
                             codes);
                }
            }
        }
    }

    // Tab reaches every option group at its chosen button, also after mouse
    // choices in the other groups of the same box.
    void tabReachesEveryGroup() {
        auto* ui = f->ui();
        f->window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f->window));
        auto tabFrom = [&](QWidget* first, int presses) {
            first->setFocus(Qt::OtherFocusReason);
            QStringList reached{QApplication::focusWidget()->objectName()};
            for (int i = 0; i < presses; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                reached << QApplication::focusWidget()->objectName();
            }
            return reached;
        };

        // Round the first page from a mouse choice in "Button", then after a
        // choice that a settings file makes in "Button Alignment".
        QTest::mouseClick(ui->style1, Qt::LeftButton);
        QCOMPARE(tabFrom(ui->style1, 10),
                 QStringList({"style1", "f_offset", "buttons", "vert_check_box", "align", "title",
                              "qt_tabwidget_tabbar", "width", "height", "border", "degree"}));
        ui->Horz_check_box->setChecked(true);
        QCOMPARE(tabFrom(ui->buttons, 2), QStringList({"buttons", "Horz_check_box", "align"}));
        // Within a group the arrow keys choose.
        ui->Horz_check_box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(ui->Horz_check_box, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), ui->vert_check_box);
        QVERIFY(ui->vert_check_box->isChecked() && !ui->Horz_check_box->isChecked());

        ui->PageControl1->setCurrentWidget(ui->TabSheet2);
        QTest::mouseClick(ui->bold, Qt::LeftButton);
        QCOMPARE(tabFrom(ui->bold, 9),
                 QStringList({"bold", "font_size", "center", "font_box", "link_box", "button_label",
                              "image_box", "frame_box", "qt_tabwidget_tabbar", "bold"}));
    }

    void menus() {
        auto* ui = f->ui();
        auto texts = [](QMenu* menu) {
            QStringList list;
            for (QAction* a : menu->actions())
                list << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return list;
        };
        QCOMPARE(ui->File1->title(), QStringLiteral("&File"));
        QCOMPARE(texts(ui->File1),
                 QStringList({"&Open...", "&Import Applet Page...", "Open &Recent", "&Save",
                              "Save &As...", "-", "E&xit"}));
        QCOMPARE(ui->Options1->title(), QStringLiteral("&Options"));
        // Page Format, Page Language and Page Folder, added in code beside the
        // layout's Browser item.
        QCOMPARE(texts(ui->Options1),
                 QStringList({"&Browser", "Page Format", "Page Language...", "Page Fol&der..."}));
        QCOMPARE(ui->help_meue->title(), QStringLiteral("&Help"));
        QCOMPARE(texts(ui->help_meue),
                 QStringList({"&Help", "&Troubleshooting", "-", "&Orlinde", "-", "&About"}));
        QCOMPARE(texts(ui->Orlinde1), QStringList({"&Web Site", "&Download Site"}));
        QStringList bar;
        for (QAction* a : f->window.menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, QStringList({"&File", "&Options", "&View", "&Help"}));
    }

    void upDownSteps() {
        auto* ui = f->ui();
        UpDown* upDown = ui->UpDown1;
        QCOMPARE(upDown->buddy(), ui->width);
        QCOMPARE(upDown->minimum(), 1);
        QCOMPARE(upDown->maximum(), 32767);
        QCOMPARE(upDown->position(), 100);
        upDown->stepBy(1);
        QCOMPARE(ui->width->text(), QStringLiteral("101"));
        upDown->stepBy(-1);
        upDown->stepBy(-1);
        QCOMPARE(ui->width->text(), QStringLiteral("99"));

        // The ends stop the step; no wrap-around.
        ui->width->setText(QStringLiteral("32767"));
        upDown->stepBy(1);
        QCOMPARE(ui->width->text(), QStringLiteral("32767"));
        ui->width->setText(QStringLiteral("1"));
        upDown->stepBy(-1);
        QCOMPARE(ui->width->text(), QStringLiteral("1"));

        // border takes a typed 0 but the arrows stop at 1.
        ui->border->setText(QStringLiteral("0"));
        ui->UpDown6->stepBy(-1);
        QCOMPARE(ui->border->text(), QStringLiteral("1"));
        ui->UpDown6->stepBy(-1);
        QCOMPARE(ui->border->text(), QStringLiteral("1"));

        // A number as typed is stepped and written back as plain digits.
        ui->width->setText(QStringLiteral("+5"));
        upDown->stepBy(1);
        QCOMPARE(ui->width->text(), QStringLiteral("6"));
        // Text that is not a number steps from the last position written.
        ui->width->setText(QString());
        upDown->stepBy(1);
        QCOMPARE(ui->width->text(), QStringLiteral("7"));

        // The Up and Down keys in the edit step as well; a real arrow click too.
        QTest::keyClick(ui->width, Qt::Key_Up);
        QCOMPARE(ui->width->text(), QStringLiteral("8"));
        QTest::keyClick(ui->width, Qt::Key_Down);
        QCOMPARE(ui->width->text(), QStringLiteral("7"));
        auto arrows = upDown->findChildren<QToolButton*>();
        QCOMPARE(arrows.size(), 2);
        f->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f->window));
        for (QToolButton* arrow : arrows)
            if (arrow->arrowType() == Qt::UpArrow)
                QTest::mouseClick(arrow, Qt::LeftButton);
        QCOMPARE(ui->width->text(), QStringLiteral("8"));
        QCOMPARE(upDown->focusPolicy(), Qt::NoFocus);
        QVERIFY(f->dialogs().shown().isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

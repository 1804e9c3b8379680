#include "model/bar_check.h"
#include "model/bar_look.h"
#include "model/errors.h"

#include <QtTest>

using namespace brivane;

namespace {

// Settings as the window would hand them over, derived.
AppletSettings derived(void (*change)(AppletSettings&) = nullptr) {
    AppletSettings s;
    if (change)
        change(s);
    DeriveAppletValues(s);
    return s;
}

LookColour rgb(int r, int g, int b) {
    return {r, g, b};
}

} // namespace

class BarLookTest : public QObject {
    Q_OBJECT

private slots:
    void startUpLook();
    void ringsStepFromTheOutsideAndCap();
    void cornersGoToTheTopAndLeftSides();
    void ringsNeverOverrunTheFace();
    void downStateSwapsTheSides();
    void bothDirections();
    void placementPerPositionCode_data();
    void placementPerPositionCode();
    void fontsAndStyles();
    void contrastAgainstPublishedPairs();
    void imageSources();
    void numbersThatAreNoNumbers();
};

void BarLookTest::startUpLook() {
    const BarLook look = lookOf(derived());
    QCOMPARE(look.buttonCount, 4);
    QVERIFY(look.vertical);
    QCOMPARE(look.barWidth(), 100);
    QCOMPARE(look.barHeight(), 104);
    QCOMPARE(look.rings, 3);
    QCOMPARE(look.face, rgb(0, 0, 0xA0));
    QCOMPARE(look.fontColour, rgb(255, 255, 255));
    QCOMPARE(look.clickColour, rgb(255, 0, 0));
    QCOMPARE(look.faceRect(), QRect(3, 3, 94, 20));
    QCOMPARE(look.contentRoom(), QRect(7, 3, 86, 20));
    QCOMPARE(look.align, ContentAlign::Centre);
    QVERIFY(!look.downOnHover);
    // Before any derivation the swatches' values give the colours.
    AppletSettings raw;
    raw.DirectionCode = QStringLiteral("0");
    QCOMPARE(lookOf(raw).face, rgb(0, 0, 0xA0));
}

// Ring k changes the face by degree x (border - k + 1): the outer rings most.
void BarLookTest::ringsStepFromTheOutsideAndCap() {
    BarLook look = lookOf(
        derived([](AppletSettings& s) { s.buttonColour = AppletColour::fromRgb(100, 150, 200); }));
    QCOMPARE(look.ring(1, false).topLeft, rgb(160, 210, 255)); // 200 + 60 capped
    QCOMPARE(look.ring(1, false).bottomRight, rgb(40, 90, 140));
    QCOMPARE(look.ring(2, false).topLeft, rgb(140, 190, 240));
    QCOMPARE(look.ring(3, false).topLeft, rgb(120, 170, 220));
    QCOMPARE(look.ring(3, false).bottomRight, rgb(80, 130, 180));

    // Degree 0: a flat border in the face colour.
    look.degree = 0;
    QCOMPARE(look.ring(1, false).topLeft, look.face);
    QCOMPARE(look.ring(1, true).bottomRight, look.face);

    // A large degree reaches 255 and 0 and stays there.
    look.degree = 255;
    QCOMPARE(look.ring(3, false).topLeft, rgb(255, 255, 255));
    QCOMPARE(look.ring(3, false).bottomRight, rgb(0, 0, 0));
    const BarLook typed = lookOf(derived([](AppletSettings& s) {
        s.degree = QStringLiteral("999");
        s.border = QStringLiteral("0");
    }));
    QCOMPARE(typed.degree, 255);
    QCOMPARE(typed.rings, 0);
    QCOMPARE(typed.pixel(0, 0, false), typed.face);
}

void BarLookTest::cornersGoToTheTopAndLeftSides() {
    BarLook look = lookOf(derived());
    const int w = look.buttonWidth;
    const int h = look.buttonHeight;
    const RingColours outer = look.ring(1, false);
    const RingColours second = look.ring(2, false);
    QCOMPARE(look.pixel(0, 0, false), outer.topLeft);
    QCOMPARE(look.pixel(w - 1, 0, false), outer.topLeft); // top-right: the top row wins
    QCOMPARE(look.pixel(0, h - 1, false), outer.topLeft); // bottom-left: the left column wins
    QCOMPARE(look.pixel(w - 1, h - 1, false), outer.bottomRight);
    QCOMPARE(look.pixel(w - 1, 1, false), outer.bottomRight);
    QCOMPARE(look.pixel(1, h - 1, false), outer.bottomRight);
    QCOMPARE(look.pixel(w - 2, 1, false), second.topLeft);
    QCOMPARE(look.pixel(1, h - 2, false), second.topLeft);
    QCOMPARE(look.pixel(w - 2, h - 2, false), second.bottomRight);
    QCOMPARE(look.pixel(3, 3, false), look.face);
}

void BarLookTest::ringsNeverOverrunTheFace() {
    const BarLook look = lookOf(derived([](AppletSettings& s) {
        s.border = QStringLiteral("50");
        s.width = QStringLiteral("7");
        s.height = QStringLiteral("9");
    }));
    QCOMPARE(look.border, 50);
    QCOMPARE(look.rings, 4);
    QCOMPARE(look.faceRect().width(), 0);
    // The middle column of an odd width is its innermost ring's left column.
    QCOMPARE(look.pixel(3, 4, false), look.ring(4, false).topLeft);
    // The colours still count from the border param, not from the rings drawn.
    QCOMPARE(look.ring(1, false).topLeft, rgb(std::min(255, 50 * 20), std::min(255, 50 * 20), 255));
}

void BarLookTest::downStateSwapsTheSides() {
    const BarLook look = lookOf(derived());
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(look.ring(k, true).topLeft, look.ring(k, false).bottomRight);
        QCOMPARE(look.ring(k, true).bottomRight, look.ring(k, false).topLeft);
    }
    QCOMPARE(look.pixel(0, 0, true), look.ring(1, false).bottomRight);
    QCOMPARE(look.pixel(99, 0, true), look.ring(1, true).topLeft);
    QCOMPARE(BarLook::downShift(), QPoint(1, 1));
    const BarLook hover = lookOf(derived([](AppletSettings& s) { s.style0 = false; }));
    QVERIFY(hover.downOnHover);
}

void BarLookTest::bothDirections() {
    BarLook column = lookOf(derived());
    QCOMPARE(column.buttonTop(2), 52);
    QCOMPARE(column.buttonLeft(2), 0);
    int first = 0;
    int last = 0;
    column.buttonsIn(0, 30, 100, 30, first, last);
    QCOMPARE(first, 1);
    QCOMPARE(last, 2);
    column.buttonsIn(100, 0, 10, 10, first, last); // right of the bar
    QVERIFY(last < first);

    const BarLook row = lookOf(derived([](AppletSettings& s) { s.vertical = false; }));
    QVERIFY(!row.vertical);
    QCOMPARE(row.barWidth(), 400);
    QCOMPARE(row.barHeight(), 26);
    QCOMPARE(row.buttonLeft(3), 300);
    row.buttonsIn(250, 0, 100, 26, first, last);
    QCOMPARE(first, 2);
    QCOMPARE(last, 3);

    // The largest bar's size does not fit an int.
    const BarLook huge = lookOf(derived([](AppletSettings& s) {
        s.buttons = QStringLiteral("32767");
        s.height = QStringLiteral("32767");
    }));
    QCOMPARE(huge.barHeight(), qint64(32767) * 32767);
    huge.buttonsIn(0, huge.barHeight() - 1, 10, 10, first, last);
    QCOMPARE(first, 32766);
    QCOMPARE(last, 32766);
}

void BarLookTest::placementPerPositionCode_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("text");
    QTest::addColumn<QRect>("imageAt");
    QTest::addColumn<QRect>("textAt");
    // Room: x 7..92 (86 wide), face y 3..22 (20 high); f_offset 4.
    const QSize img(16, 16);
    const QSize txt(30, 16);
    QTest::newRow("centre both") << 0 << img << txt << QRect(25, 5, 16, 16) << QRect(45, 5, 30, 16);
    QTest::newRow("left both") << 1 << img << txt << QRect(7, 5, 16, 16) << QRect(27, 5, 30, 16);
    QTest::newRow("right both") << 2 << img << txt << QRect(43, 5, 16, 16) << QRect(63, 5, 30, 16);
    QTest::newRow("centre text") << 0 << QSize() << txt << QRect() << QRect(35, 5, 30, 16);
    QTest::newRow("left text") << 1 << QSize() << txt << QRect() << QRect(7, 5, 30, 16);
    QTest::newRow("right text") << 2 << QSize() << txt << QRect() << QRect(63, 5, 30, 16);
    QTest::newRow("centre image") << 0 << img << QSize() << QRect(42, 5, 16, 16) << QRect();
    QTest::newRow("left image") << 1 << img << QSize() << QRect(7, 5, 16, 16) << QRect();
    QTest::newRow("right image") << 2 << img << QSize() << QRect(77, 5, 16, 16) << QRect();
    QTest::newRow("neither") << 0 << QSize() << QSize() << QRect() << QRect();
    // Taller than the face: centred all the same, reaching out on both sides.
    QTest::newRow("tall text") << 1 << QSize() << QSize(10, 25) << QRect() << QRect(7, 0, 10, 25);
    // Wider than the room: centred, overflowing both sides alike.
    QTest::newRow("wide text") << 0 << QSize() << QSize(100, 16) << QRect() << QRect(0, 5, 100, 16);
}

void BarLookTest::placementPerPositionCode() {
    QFETCH(int, position);
    QFETCH(QSize, image);
    QFETCH(QSize, text);
    AppletSettings s;
    s.center = position == 0;
    s.left = position == 1;
    s.right = position == 2;
    DeriveAppletValues(s);
    const ContentPlacement placement = lookOf(s).place(image, text);
    QTEST(placement.image, "imageAt");
    QTEST(placement.text, "textAt");
}

void BarLookTest::fontsAndStyles() {
    const BarLook serif = lookOf(derived());
    QCOMPARE(serif.font.family, QStringLiteral("Liberation Serif"));
    QCOMPARE(serif.font.genericFamily, QStringLiteral("serif"));
    QCOMPARE(serif.font.pixelSize, 14);
    QVERIFY(!serif.font.bold && !serif.font.italic);
    const BarLook sans = lookOf(derived([](AppletSettings& s) {
        s.font = QStringLiteral("Helvetica");
        s.fontSize = QStringLiteral("24");
        s.plain = false;
        s.bold = true;
    }));
    QCOMPARE(sans.font.kind, FontKind::SansSerif);
    QCOMPARE(sans.font.family, QStringLiteral("Liberation Sans"));
    QCOMPARE(sans.font.pixelSize, 24);
    QVERIFY(sans.font.bold && !sans.font.italic);
    const BarLook mono = lookOf(derived([](AppletSettings& s) {
        s.font = QStringLiteral("Courier");
        s.plain = false;
        s.italic = true;
    }));
    QCOMPARE(mono.font.genericFamily, QStringLiteral("monospace"));
    QVERIFY(mono.font.italic && !mono.font.bold);
}

void BarLookTest::contrastAgainstPublishedPairs() {
    const LookColour black = rgb(0, 0, 0);
    const LookColour white = rgb(255, 255, 255);
    QCOMPARE(ratioText(contrastRatio(black, white)), QStringLiteral("21.0"));
    QCOMPARE(ratioText(contrastRatio(white, white)), QStringLiteral("1.0"));
    // The smallest grey that passes on white, and the one just darker than the
    // largest that does not.
    QCOMPARE(ratioText(contrastRatio(white, rgb(0x76, 0x76, 0x76))), QStringLiteral("4.5"));
    QVERIFY(contrastRatio(white, rgb(0x76, 0x76, 0x76)) >= 4.5);
    QVERIFY(contrastRatio(white, rgb(0x77, 0x77, 0x77)) < 4.5);
    QCOMPARE(ratioText(contrastRatio(white, rgb(0x77, 0x77, 0x77))), QStringLiteral("4.4"));
    // Published: #0000FF on white 8.59, #FF0000 on white 3.99, #767676 on black 4.62.
    QCOMPARE(ratioText(contrastRatio(rgb(0, 0, 255), white)), QStringLiteral("8.5"));
    QCOMPARE(ratioText(contrastRatio(rgb(255, 0, 0), white)), QStringLiteral("3.9"));
    QCOMPARE(ratioText(contrastRatio(rgb(0x76, 0x76, 0x76), black)), QStringLiteral("4.6"));
    // Rounded down, never up.
    QCOMPARE(ratioText(4.46), QStringLiteral("4.4"));
    QCOMPARE(ratioText(2.99), QStringLiteral("2.9"));
    QCOMPARE(contrastRatio(black, white), contrastRatio(white, black));
    QCOMPARE(white.css(), QStringLiteral("#FFFFFF"));
}

void BarLookTest::imageSources() {
    const QString dir = QStringLiteral("/work/bar/");
    QCOMPARE(imageSourceOf(QString(), dir).kind, ImageSource::None);
    QCOMPARE(imageSourceOf(QStringLiteral("http://x.org/a.gif"), dir).kind, ImageSource::Web);
    const ImageSource bare = imageSourceOf(QStringLiteral("pics/a.gif"), dir);
    QCOMPARE(bare.kind, ImageSource::Local);
    QCOMPARE(bare.path, QStringLiteral("/work/bar/pics/a.gif"));
    QCOMPARE(imageSourceOf(QStringLiteral("/tmp/a.gif"), dir).path, QStringLiteral("/tmp/a.gif"));
}

void BarLookTest::numbersThatAreNoNumbers() {
    AppletSettings s = derived();
    s.border = QString();
    QVERIFY_THROWS_EXCEPTION(ConversionError, lookOf(s));
    s = derived();
    s.fontSize = QString(); // no size selected: the list's start-up size
    QCOMPARE(lookOf(s).font.pixelSize, 14);
}

QTEST_GUILESS_MAIN(BarLookTest)
#include "bar_look_test.moc"

// The web page in real browsers: Chromium and Firefox ESR render it headless at
// device scale factor 1, and every pixel of the bar and the page around it must
// be what the look says. The text is the one thing browsers draw their own way:
// its inked box must lie within 2 px of the one Qt draws where the look places
// it (what the Preview shows). tidy checks the markup.
#include "browsers.h"
#include "model/bar_look.h"
#include "model/web_page.h"
#include "test_files.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace brivane;
using namespace brivane::test;

namespace {

// The body's default margin, where the bar starts.
constexpr int kMargin = 8;
// Room around the bar in the viewport, even so that centring leaves no half pixel.
constexpr int kRoom = 24;
// How far a browser's text may stand from Qt's.
constexpr int kTextTolerance = 2;

struct BarCase {
    QString name;
    std::function<void(AppletSettings&)> set;
    int down = -1;        // the button shown down, -1: none
    bool firefox = false; // compared in Firefox ESR too
};

void labels(AppletSettings& s, const QStringList& texts) {
    for (int k = 1; k <= texts.size(); ++k)
        s.table.setEntry(ButtonField::Label, k, texts[k - 1]);
}

void numbered(AppletSettings& s, int n, const QString& pattern) {
    for (int k = 1; k <= n; ++k)
        s.table.setEntry(ButtonField::Label, k, pattern.arg(k));
}

void position(AppletSettings& s, int code) {
    s.left = code == 1;
    s.center = code == 0;
    s.right = code == 2;
}

// Twelve bars: 1, 4 and 40 buttons, both directions, 0 to 6 rings, degree 0 to
// 255, light and dark faces, each position code, images alone and beside text.
QList<BarCase> barCases() {
    return {
        {"start-up, pressed",
         [](AppletSettings& s) {
             labels(s, {"Home", "News", "Links", "Mail"});
         },
         1, true},
        {"one in a row, no border, light, left, image and label",
         [](AppletSettings& s) {
             s.buttons = "1";
             s.vertical = false;
             s.border = "0";
             s.degree = "0";
             s.buttonColour = AppletColour::fromRgb(240, 240, 240);
             s.fontColour = AppletColour::fromRgb(32, 32, 32);
             position(s, 1);
             s.align = "Left ";
             s.table.setEntry(ButtonField::Image, 1, "square.png");
             labels(s, {"Go"});
         },
         -1, true},
        {"forty in a column, one ring, degree 255",
         [](AppletSettings& s) {
             s.buttons = "40";
             s.width = "80";
             s.height = "20";
             s.border = "1";
             s.degree = "255";
             s.buttonColour = AppletColour::fromRgb(128, 128, 128);
             s.fontColour = AppletColour::fromRgb(255, 255, 0);
             numbered(s, 40, "Item %1");
         }},
        {"four in a row, six capped rings, right, images",
         [](AppletSettings& s) {
             s.vertical = false;
             s.width = "90";
             s.height = "40";
             s.border = "6";
             s.degree = "255";
             position(s, 2);
             s.align = "Right";
             s.table.setEntry(ButtonField::Image, 1, "odd.png");
             s.table.setEntry(ButtonField::Image, 3, "square.png");
             labels(s, {"", "Right", "", "Four"});
         },
         -1, true},
        {"white face, bold sans",
         [](AppletSettings& s) {
             s.width = "120";
             s.height = "30";
             s.border = "6";
             s.buttonColour = AppletColour::fromRgb(255, 255, 255);
             s.fontColour = AppletColour::fromRgb(0, 0, 0);
             s.font = "Helvetica";
             s.fontSize = "18";
             s.plain = false;
             s.bold = true;
             labels(s, {"Bold", "Sans", "White", "Face"});
         }},
        {"forty in a row, italic",
         [](AppletSettings& s) {
             s.buttons = "40";
             s.vertical = false;
             s.width = "30";
             s.height = "24";
             s.border = "1";
             s.font = "Helvetica";
             s.fontSize = "12";
             s.plain = false;
             s.italic = true;
             numbered(s, 40, "%1");
         }},
        {"dark courier, right, degree 0",
         [](AppletSettings& s) {
             s.degree = "0";
             s.buttonColour = AppletColour::fromRgb(16, 16, 16);
             s.fontColour = AppletColour::fromRgb(224, 224, 224);
             s.font = "Courier";
             s.fontSize = "18";
             position(s, 2);
             labels(s, {"Mono", "Dark", "x", "Right"});
         }},
        {"tiny buttons whose rings meet",
         [](AppletSettings& s) {
             s.width = "7";
             s.height = "9";
             s.border = "6";
             s.degree = "40";
             s.buttonColour = AppletColour::fromRgb(96, 96, 192);
         }},
        {"odd image centred on odd room",
         [](AppletSettings& s) {
             s.border = "2";
             s.degree = "30";
             for (int k = 1; k <= 4; ++k)
                 s.table.setEntry(ButtonField::Image, k, "odd.png");
         }},
        {"long label clipped by the face, left",
         [](AppletSettings& s) {
             s.buttons = "1";
             s.width = "60";
             position(s, 1);
             labels(s, {"A long label that overflows"});
         }},
        {"hovered, style 1",
         [](AppletSettings& s) {
             s.vertical = false;
             s.style0 = false;
             s.buttonColour = AppletColour::fromRgb(0, 96, 0);
             s.clickColour = AppletColour::fromRgb(255, 255, 0);
             // The image shows the content's move by its exact pixels.
             s.table.setEntry(ButtonField::Image, 3, "odd.png");
             labels(s, {"One", "Two", "", "Four"});
         },
         2},
        {"wide offset, left, image and label",
         [](AppletSettings& s) {
             s.fOffset = "12";
             s.width = "140";
             s.height = "34";
             position(s, 1);
             for (int k = 1; k <= 4; ++k)
                 s.table.setEntry(ButtonField::Image, k, k % 2 ? "square.png" : "odd.png");
             labels(s, {"Square", "Odd", "", "Last"});
         }},
    };
}

// A text the reference drew: the zone a browser's text may ink (the look's text
// box and Qt's ink, widened by the tolerance, within the face) and Qt's ink.
struct TextCheck {
    int button;
    QRect zone;
    QRect qtInk;
};

struct Reference {
    QImage withoutText; // bar, images and page: what every pixel outside the zones must be
    QList<TextCheck> texts;
};

QRect inkBox(const QImage& drawn, const QImage& plain, const QRect& zone) {
    QRect box;
    for (int y = zone.top(); y <= zone.bottom(); ++y)
        for (int x = zone.left(); x <= zone.right(); ++x)
            if (drawn.pixel(x, y) != plain.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

QPoint barOrigin(const AppletSettings& s, const BarLook& look, int viewportWidth) {
    const QString align = s.align.trimmed();
    if (align == "Left")
        return {kMargin, kMargin};
    if (align == "Right")
        return {int(viewportWidth - kMargin - look.barWidth()), kMargin};
    return {int(kMargin + (viewportWidth - 2 * kMargin - look.barWidth()) / 2), kMargin};
}

QFont qtFont(const LookFont& f) {
    QFont font(f.family);
    font.setPixelSize(f.pixelSize);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    return font;
}

// The bar as the look gives it, drawn the way the Preview draws it.
Reference reference(const AppletSettings& s, const BarLook& look, const QString& folder,
                    QSize viewport, int down) {
    Reference ref;
    QImage image(viewport, QImage::Format_RGB32);
    image.fill(Qt::black);
    const QPoint origin = barOrigin(s, look, viewport.width());
    for (int i = 0; i < look.buttonCount; ++i) {
        const QPoint corner = origin + QPoint(int(look.buttonLeft(i)), int(look.buttonTop(i)));
        for (int y = 0; y < look.buttonHeight; ++y)
            for (int x = 0; x < look.buttonWidth; ++x) {
                const LookColour c = look.pixel(x, y, i == down);
                image.setPixel(corner + QPoint(x, y), qRgb(c.red, c.green, c.blue));
            }
    }
    QImage withText = image;
    QPainter plain(&image);
    QPainter texts(&withText);
    const QFont font = qtFont(look.font);
    const QFontMetrics metrics(font);
    texts.setFont(font);
    for (int i = 0; i < look.buttonCount; ++i) {
        const QPoint corner = origin + QPoint(int(look.buttonLeft(i)), int(look.buttonTop(i)));
        const QRect face = look.faceRect().translated(corner);
        const QString label = s.table.entry(ButtonField::Label, i + 1);
        const QString imageEntry = s.table.entry(ButtonField::Image, i + 1);
        const QImage picture = imageEntry.isEmpty() ? QImage() : QImage(folder + imageEntry);
        const QSize textSize =
            label.isEmpty() ? QSize() : QSize(metrics.horizontalAdvance(label), metrics.height());
        ContentPlacement placed = look.place(picture.size(), textSize);
        const QPoint shift = corner + (i == down ? BarLook::downShift() : QPoint());
        for (QPainter* p : {&plain, &texts}) {
            p->setClipRect(face);
            if (!picture.isNull())
                p->drawImage(placed.image.translated(shift).topLeft(), picture);
        }
        if (label.isEmpty())
            continue;
        const LookColour c = i == down ? look.clickColour : look.fontColour;
        texts.setPen(QColor(c.red, c.green, c.blue));
        const QRect box = placed.text.translated(shift);
        texts.drawText(box.topLeft() + QPoint(0, metrics.ascent()), label);
        ref.texts.append({i, box, QRect()});
    }
    plain.end();
    texts.end();
    for (TextCheck& t : ref.texts) {
        const QPoint corner =
            origin + QPoint(int(look.buttonLeft(t.button)), int(look.buttonTop(t.button)));
        const QRect face = look.faceRect().translated(corner);
        t.qtInk = inkBox(withText, image, face);
        const int m = kTextTolerance;
        t.zone = (t.zone | t.qtInk).adjusted(-m, -m, m, m) & face;
    }
    ref.withoutText = image;
    return ref;
}

QString colourText(QRgb c) {
    return QColor(c).name();
}

// Every pixel outside the text zones as the reference has it; each text inked
// within the tolerance of Qt's. With BRIVANE_BROWSER_SHOTS naming a folder, the
// screenshots are kept there to be looked at.
void compare(const QImage& shot, const Reference& ref, const QString& what) {
    const QString keep = qEnvironmentVariable("BRIVANE_BROWSER_SHOTS");
    if (!keep.isEmpty()) {
        QString name = what;
        static const QRegularExpression notAlphanumeric(QStringLiteral("[^A-Za-z0-9]+"));
        name.replace(notAlphanumeric, QStringLiteral("-"));
        shot.save(keep + '/' + name + ".png");
        ref.withoutText.save(keep + '/' + name + "-look.png");
    }
    QVERIFY2(shot.size() == ref.withoutText.size(),
             qPrintable(what + ": screenshot size " + QString::number(shot.width()) + "x" +
                        QString::number(shot.height())));
    QImage zones(shot.size(), QImage::Format_Mono);
    zones.fill(0);
    for (const TextCheck& t : ref.texts)
        for (int y = t.zone.top(); y <= t.zone.bottom(); ++y)
            for (int x = t.zone.left(); x <= t.zone.right(); ++x)
                zones.setPixel(x, y, 1);
    int wrong = 0;
    QString first;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            if (zones.pixelIndex(x, y))
                continue;
            const QRgb want = ref.withoutText.pixel(x, y);
            const QRgb got = shot.pixel(x, y);
            if (want != got && wrong++ == 0)
                first = QStringLiteral("(%1,%2) is %3, the look says %4")
                            .arg(x)
                            .arg(y)
                            .arg(colourText(got), colourText(want));
        }
    QVERIFY2(wrong == 0,
             qPrintable(what + ": " + QString::number(wrong) + " pixels differ, first " + first));
    for (const TextCheck& t : ref.texts) {
        const QRect ink = inkBox(shot, ref.withoutText, t.zone);
        const QRect& qt = t.qtInk;
        const auto near = [](int a, int b) { return std::abs(a - b) <= kTextTolerance; };
        const bool close = !ink.isEmpty() && !qt.isEmpty() && near(ink.left(), qt.left()) &&
                           near(ink.top(), qt.top()) && near(ink.right(), qt.right()) &&
                           near(ink.bottom(), qt.bottom());
        // The name stays out of the substitution: a % in it would take a number's place.
        QVERIFY2(close, qPrintable(what + QStringLiteral(": button %1's text inks %2,%3 %4x%5, Qt "
                                                         "inks %6,%7 %8x%9")
                                              .arg(t.button + 1)
                                              .arg(ink.x())
                                              .arg(ink.y())
                                              .arg(ink.width())
                                              .arg(ink.height())
                                              .arg(qt.x())
                                              .arg(qt.y())
                                              .arg(qt.width())
                                              .arg(qt.height())));
    }
}

void writeImages(const QString& folder) {
    QImage square(20, 12, QImage::Format_RGB32);
    square.fill(QColor(255, 204, 0));
    QPainter(&square).fillRect(0, 0, 10, 6, QColor(0, 170, 0));
    QImage odd(15, 9, QImage::Format_RGB32);
    odd.fill(QColor(200, 40, 40));
    QPainter(&odd).fillRect(1, 1, 13, 7, QColor(250, 250, 250));
    QVERIFY(square.save(folder + "square.png"));
    QVERIFY(odd.save(folder + "odd.png"));
}

// One bar's page in a folder of its own, with the images beside it.
struct PreparedCase {
    AppletSettings settings;
    BarLook look;
    QString page;
    QSize viewport;
};

PreparedCase prepare(const BarCase& c, const QString& folder, int index) {
    PreparedCase p;
    c.set(p.settings);
    DeriveAppletValues(p.settings);
    p.look = lookOf(p.settings);
    p.page = folder + QStringLiteral("bar%1.html").arg(index);
    writeFile(p.page, BuildWebPage(p.settings, "en", QString()).bytes);
    p.viewport = QSize(int(p.look.barWidth()) + 2 * kMargin + kRoom,
                       int(p.look.barHeight()) + 2 * kMargin + kRoom);
    return p;
}

} // namespace

class WebPageBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void chromiumShowsTheLook();
    void firefoxShowsTheLook();
    void tidyFindsNothingToReport();

private:
    QTemporaryDir dir_;
    QString folder_;
};

void WebPageBrowserTest::initTestCase() {
    QVERIFY(dir_.isValid());
    folder_ = dir_.path() + '/';
    writeImages(folder_);
}

void WebPageBrowserTest::chromiumShowsTheLook() {
    if (ChromiumSession::program().isEmpty())
        QSKIP("Chromium is not installed (Debian package chromium)");
    ChromiumSession chromium;
    QVERIFY2(chromium.start(), qPrintable(chromium.error()));
    const QList<BarCase> cases = barCases();
    for (int i = 0; i < cases.size(); ++i) {
        const BarCase& c = cases[i];
        const PreparedCase p = prepare(c, folder_, i);
        QVERIFY2(chromium.load(p.page, p.viewport.width(), p.viewport.height()),
                 qPrintable(chromium.error()));
        compare(chromium.screenshot(), reference(p.settings, p.look, folder_, p.viewport, -1),
                "Chromium, " + c.name);
        if (QTest::currentTestFailed() || c.down < 0)
            continue;
        // The pointer over the button's middle: hovering is enough for style 1,
        // style 0 needs the button held down.
        const QPoint origin = barOrigin(p.settings, p.look, p.viewport.width());
        const QPoint middle =
            origin + QPoint(int(p.look.buttonLeft(c.down)) + p.look.buttonWidth / 2,
                            int(p.look.buttonTop(c.down)) + p.look.buttonHeight / 2);
        if (p.look.downOnHover)
            chromium.moveMouse(middle.x(), middle.y());
        else
            chromium.pressMouse(middle.x(), middle.y());
        QVERIFY2(chromium.error().isEmpty(), qPrintable(chromium.error()));
        compare(chromium.screenshot(), reference(p.settings, p.look, folder_, p.viewport, c.down),
                "Chromium, " + c.name + ", button down");
        if (QTest::currentTestFailed())
            return;
        // Let go away from the bar: no click, nothing followed.
        chromium.releaseMouse(p.viewport.width() - 1, p.viewport.height() - 1);
    }
}

void WebPageBrowserTest::firefoxShowsTheLook() {
    if (firefoxProgram().isEmpty())
        QSKIP("Firefox ESR is not installed (Debian package firefox-esr)");
    const QList<BarCase> cases = barCases();
    for (int i = 0; i < cases.size(); ++i) {
        if (!cases[i].firefox)
            continue;
        const PreparedCase p = prepare(cases[i], folder_, i);
        QString error;
        const QImage shot =
            firefoxScreenshot(p.page, p.viewport.width(), p.viewport.height(), error);
        QVERIFY2(!shot.isNull(), qPrintable(error));
        compare(shot, reference(p.settings, p.look, folder_, p.viewport, -1),
                "Firefox, " + cases[i].name);
        if (QTest::currentTestFailed())
            return;
    }
}

// The page with every kind of text that needs escaping, and the bar as it stands
// in place of an applet inside a paragraph of someone's own page.
void WebPageBrowserTest::tidyFindsNothingToReport() {
    if (tidyProgram().isEmpty())
        QSKIP("tidy is not installed (Debian package tidy)");
    AppletSettings s;
    s.title = "Tom & Jerry's <b>\"best\"</b> </style> café ☕";
    s.table.setEntry(ButtonField::Label, 1, "</style><script>alert(1)</script>");
    s.table.setEntry(ButtonField::Link, 1, "a b/é.html?x=1&y=\"2\"<3>");
    s.table.setEntry(ButtonField::Frame, 1, "_blank");
    s.table.setEntry(ButtonField::Image, 1, "bild ü.png");
    s.table.setEntry(ButtonField::Label, 2, "Grüße & <Küsse> \"quoted\" 𝄞");
    s.table.setEntry(ButtonField::Frame, 2, "main \"frame\"");
    s.table.setEntry(ButtonField::Image, 3, "only-image.gif");
    DeriveAppletValues(s);
    const QString page = folder_ + "tidy page.html";
    writeFile(page, BuildWebPage(s, "en", QString()).bytes);
    QString report;
    QCOMPARE(runTidy(page, report), 0);
    QCOMPARE(report, QString());

    WebBarOptions inParagraph;
    inParagraph.phrasing = true;
    inParagraph.className = "bar-2";
    const WebBar bar = BuildWebBar(s, inParagraph);
    const QString hosted = folder_ + "hosted.html";
    writeFile(hosted, "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>Host</title>\r\n" + bar.style +
                          "</head>\r\n<body>\r\n<p style=\"text-align:right\">\r\n" + bar.markup +
                          "</p>\r\n</body>\r\n</html>\r\n");
    QCOMPARE(runTidy(hosted, report), 0);
    QCOMPARE(report, QString());
}

QTEST_MAIN(WebPageBrowserTest)
#include "web_page_browser_test.moc"

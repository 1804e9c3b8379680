// The web bar judged by checkers this project did not write, on realistic bars:
// axe-core in Chromium (WCAG 2.0 to 2.2 A and AA, and best practice), the Nu
// Html Checker, no sideways scrolling at 320 CSS px, a border on every link in
// forced colours, a focus mark that shows on Tab, and the current page marked.
// Each part skips, naming what is missing, where its program is not installed.
#include "browsers.h"
#include "model/bar_check.h"
#include "model/bar_look.h"
#include "model/page_conversion.h"
#include "model/web_page.h"
#include "test_files.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace brivane;
using namespace brivane::test;

namespace {

// A page with a bar, as Make HTML or brivane-convert writes it.
struct RefereePage {
    QString name;
    QString path;
    QStringList currentLinks; // the links marked as the current page, in order
    QSet<QString> allowed;    // axe rules the page may break, and why not
};

struct BarCase {
    QString name;
    std::function<void(AppletSettings&)> set;
};

void buttons(AppletSettings& s, const QStringList& labels, const QStringList& links) {
    s.buttons = QString::number(labels.size());
    for (int k = 1; k <= labels.size(); ++k) {
        s.table.setEntry(ButtonField::Label, k, labels[k - 1]);
        s.table.setEntry(ButtonField::Link, k, links.value(k - 1));
    }
}

// What the check tells the user about their own settings is theirs to mend:
// axe may find the same.
QSet<QString> allowedBySettings(const AppletSettings& s) {
    QSet<QString> allowed;
    BarMeasures measures;
    measures.labelWidth = [](const QString&) { return 0; };
    measures.localImageSize = [](const QString&) { return std::optional<QSize>(); };
    for (const BarFinding& f : checkBar(lookOf(s), s.table, QString(), measures)) {
        if (f.kind == BarFinding::LowContrast || f.kind == BarFinding::LowClickContrast)
            allowed << QStringLiteral("color-contrast");
        if (f.kind == BarFinding::SmallTarget)
            allowed << QStringLiteral("target-size");
    }
    return allowed;
}

const QStringList kSix{"Home", "News", "Fixtures", "Results", "Training", "Contact"};
const QStringList kTen{"Home",  "About", "Menu",    "Wines", "Events",
                       "Rooms", "Shop",  "Gallery", "Press", "Contact"};

QStringList pages(const QStringList& labels) {
    QStringList links;
    for (const QString& label : labels)
        links << label.toLower() + ".html";
    return links;
}

// Bars a site would publish; the first button of each names its own page.
QList<BarCase> barCases() {
    return {
        {"row of six",
         [](AppletSettings& s) {
             s.title = "Riverside Rowing Club";
             s.vertical = false;
             s.width = "110";
             s.height = "30";
             s.clickColour = AppletColour::fromRgb(255, 255, 0);
             buttons(s, kSix, pages(kSix));
         }},
        {"row of ten",
         [](AppletSettings& s) {
             s.title = "Hotel Bellevue";
             s.vertical = false;
             s.border = "2";
             s.buttonColour = AppletColour::fromRgb(0, 64, 0);
             s.clickColour = AppletColour::fromRgb(255, 255, 128);
             s.font = "Helvetica";
             s.fontSize = "14";
             buttons(s, kTen, pages(kTen));
         }},
        {"column with a frame target",
         [](AppletSettings& s) {
             s.title = "Handbook";
             // Wider than a phone: narrowed to it.
             s.width = "400";
             s.buttonColour = AppletColour::fromRgb(224, 224, 224);
             s.fontColour = AppletColour::fromRgb(0, 0, 0);
             s.clickColour = AppletColour::fromRgb(0, 0, 128);
             buttons(s, {"Contents", "Install", "Use", "Questions", "Index"},
                     {"./home.html#top", "install.html", "use.html", "faq.html", "idx.html"});
             for (int k = 1; k <= 5; ++k)
                 s.table.setEntry(ButtonField::Frame, k, "main");
         }},
        {"tiny buttons",
         [](AppletSettings& s) {
             s.title = "Pages";
             s.vertical = false;
             s.width = "20";
             s.height = "18";
             s.border = "1";
             s.fOffset = "0";
             s.fontSize = "10";
             s.clickColour = AppletColour::fromRgb(255, 255, 0);
             buttons(s, {"1", "2", "3", "4", "5", "6"},
                     {"home.html", "2.html", "3.html", "4.html", "5.html", "6.html"});
         }},
        {"texts to escape",
         [](AppletSettings& s) {
             s.title = "Tom & Jerry's \"best\" <caf\u00E9>";
             s.vertical = false;
             s.width = "120";
             s.clickColour = AppletColour::fromRgb(255, 255, 0);
             buttons(
                 s, {"Fish & Chips", "<New>", "\"Quoted\"", "Caf\u00E9 \u2615", "Gr\u00FC\u00DFe"},
                 {"home.html?lang=en&x=1", "new page.html", "q.html", "caf\u00E9.html", "g.html"});
             s.table.setEntry(ButtonField::Frame, 4, "_blank");
         }},
    };
}

// Someone's own page with the applet in a paragraph of its header, as the
// converter finds it; its own <html>, <main> and heading stay.
const QByteArray kHostPage =
    "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<title>Accueil</title>\n</head>\n<body>\n<header>\n<p>"
    "<applet code=\"button.class\" width=\"360\" height=\"30\">"
    "<param name=\"buttons\" value=\"3\"><param name=\"direction\" value=\"1\">"
    "<param name=\"f_color2\" value=\"FFFF00\">"
    "<param name=\"label 0\" value=\"Accueil\"><param name=\"link 0\" value=\"accueil.html\">"
    "<param name=\"label 1\" value=\"Carte\"><param name=\"link 1\" value=\"carte.html\">"
    "<param name=\"label 2\" value=\"Contact\"><param name=\"link 2\" value=\"contact.html\">"
    "</applet></p>\n</header>\n<main>\n<h1>Accueil</h1>\n<p>Bienvenue.</p>\n</main>\n"
    "</body>\n</html>\n";

const QStringList kAxeTags{"wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa", "best-practice"};

QString violationsText(const QJsonArray& violations) {
    QStringList lines;
    for (const QJsonValue& v : violations) {
        const QJsonObject o = v.toObject();
        lines << o.value("id").toString() + " (" + o.value("help").toString() + ") at " +
                     QString::fromUtf8(QJsonDocument(o.value("targets").toArray())
                                           .toJson(QJsonDocument::Compact));
    }
    return lines.join("; ");
}

} // namespace

class WebBarRefereesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void chromiumAndAxe();
    void nuHtmlCheckerFindsNothing();

private:
    QTemporaryDir dir_;
    QList<RefereePage> pages_;
};

void WebBarRefereesTest::initTestCase() {
    QVERIFY(dir_.isValid());
    const QString folder = dir_.path() + '/';
    const QList<BarCase> cases = barCases();
    for (int i = 0; i < cases.size(); ++i) {
        AppletSettings s;
        cases[i].set(s);
        DeriveAppletValues(s);
        // Each page is written where its first button's link leads.
        const QString path = folder + QStringLiteral("page%1/home.html").arg(i);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        writeFile(path, BuildWebPage(s, "en-GB", path).bytes);
        QSet<QString> allowed = allowedBySettings(s);
        // The page Make HTML writes holds the bar alone.
        allowed << "landmark-one-main"
                << "page-has-heading-one";
        pages_.append({cases[i].name, path, {s.table.entry(ButtonField::Link, 1)}, allowed});
    }
    const QString host = folder + "site/accueil.html";
    QVERIFY(QDir().mkpath(folder + "site"));
    const ConvertedPage converted = convertAppletPage(kHostPage, host);
    const QString converted_path = folder + "site/" + webPageFileName("accueil.html");
    writeFile(converted_path, converted.bytes);
    QVERIFY(converted.bytes.startsWith("<!DOCTYPE html>\n<html lang=\"fr\">\n"));
    pages_.append({"converted page", converted_path, {"accueil.html"}, {}});
}

void WebBarRefereesTest::chromiumAndAxe() {
    if (ChromiumSession::program().isEmpty())
        QSKIP("Chromium is not installed (Debian package chromium)");
    if (axeScript().isEmpty())
        QSKIP("axe-core is not installed: run `npm ci --ignore-scripts` in tests/browser "
              "(Debian packages nodejs npm)");
    QFile axeFile(axeScript());
    QVERIFY(axeFile.open(QIODevice::ReadOnly));
    const QString axe = QString::fromUtf8(axeFile.readAll());
    ChromiumSession chromium;
    QVERIFY2(chromium.start(), qPrintable(chromium.error()));
    const auto check = [&](bool ok) { QVERIFY2(ok, qPrintable(chromium.error())); };

    for (const RefereePage& page : pages_) {
        const QString what = page.name + ": ";
        // A desktop window: axe, the current page, the focus mark.
        check(chromium.load(page.path, 1280, 400));
        chromium.evaluate(axe);
        const QJsonValue result = chromium.evaluate(
            "axe.run(document, {runOnly: {type: 'tag', values: " +
            QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(kAxeTags)).toJson()) +
            "}}).then(r => r.violations.map(v => ({id: v.id, help: v.help, "
            "targets: v.nodes.map(n => n.target.join(' '))})))");
        check(result.isArray());
        QJsonArray violations;
        for (const QJsonValue& v : result.toArray())
            if (!page.allowed.contains(v.toObject().value("id").toString()))
                violations.append(v);
        QVERIFY2(violations.isEmpty(), qPrintable(what + violationsText(violations)));

        const QJsonValue current =
            chromium.evaluate("[...document.querySelectorAll('a[aria-current=\"page\"]')]"
                              ".map(a => a.getAttribute('href'))");
        QStringList currentLinks;
        for (const QJsonValue& v : current.toArray())
            currentLinks << v.toString();
        QCOMPARE(currentLinks, page.currentLinks);

        const QImage before = chromium.screenshot();
        check(chromium.pressTab());
        const QJsonValue focused = chromium.evaluate(
            "(() => { const a = document.activeElement, r = a.getBoundingClientRect();"
            " return a.tagName === 'A' ? [r.left, r.top, r.width, r.height] : null; })()");
        QVERIFY2(focused.isArray(), qPrintable(what + "Tab reached no link"));
        const QJsonArray box = focused.toArray();
        const QRect rect(box[0].toInt(), box[1].toInt(), box[2].toInt(), box[3].toInt());
        const QImage after = chromium.screenshot();
        int changed = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                changed += before.pixel(x, y) != after.pixel(x, y);
        QVERIFY2(changed > 0, qPrintable(what + "the focus mark changed no pixel"));

        // A phone held upright at its narrowest: nothing to scroll sideways to.
        check(chromium.load(page.path, 320, 640));
        const QJsonValue reflow = chromium.evaluate(
            "[document.scrollingElement.scrollWidth, innerWidth, Math.max(...[...document."
            "querySelectorAll('a')].map(a => a.getBoundingClientRect().right))]");
        const QJsonArray widths = reflow.toArray();
        QVERIFY2(
            widths.size() == 3 && widths[0].toDouble() <= 320 &&
                widths[2].toDouble() <= widths[1].toDouble(),
            qPrintable(what + "at 320 px: " +
                       QString::fromUtf8(QJsonDocument(widths).toJson(QJsonDocument::Compact))));

        // A high contrast theme: every link keeps a visible edge.
        check(chromium.emulateForcedColors(true));
        check(chromium.load(page.path, 1280, 400));
        const QJsonValue edges = chromium.evaluate(
            "[matchMedia('(forced-colors: active)').matches, ...[...document.querySelectorAll("
            "'a')].map(a => { const s = getComputedStyle(a); return ['Top', 'Right', 'Bottom', "
            "'Left'].every(side => parseFloat(s['border' + side + 'Width']) >= 1 && "
            "s['border' + side + 'Style'] !== 'none' && s['border' + side + 'Color'] !== "
            "s.backgroundColor); })]");
        check(chromium.emulateForcedColors(false));
        const QJsonArray edgeList = edges.toArray();
        QVERIFY2(edgeList.size() > 1 && edgeList[0].toBool(),
                 qPrintable(what + "forced colours are not in effect"));
        for (int i = 1; i < edgeList.size(); ++i)
            QVERIFY2(
                edgeList[i].toBool(),
                qPrintable(what + QStringLiteral("link %1 has no edge in forced colours").arg(i)));
    }
}

void WebBarRefereesTest::nuHtmlCheckerFindsNothing() {
    if (javaProgram().isEmpty())
        QSKIP("Java is not installed (Debian package default-jre-headless)");
    if (nuCheckerJar().isEmpty())
        QSKIP("the Nu Html Checker is not installed: run `npm ci --ignore-scripts` in "
              "tests/browser (Debian packages nodejs npm)");
    QStringList paths;
    for (const RefereePage& page : pages_)
        paths << page.path;
    QString report;
    const int status = runNuChecker(paths, report);
    QVERIFY2(status == 0 && report.trimmed().isEmpty(), qPrintable(report));
}

QTEST_MAIN(WebBarRefereesTest)
#include "web_bar_referees_test.moc"

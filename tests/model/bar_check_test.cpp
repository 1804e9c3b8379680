#include "model/bar_check.h"

#include <QtTest>

using namespace brivane;

namespace {

constexpr int kLetter = 7; // every character measures 7 px in these tests

struct Bar {
    AppletSettings settings;
    QStringList readableImages; // paths that read as 20 x 20 images

    Bar() { settings.buttons = QStringLiteral("1"); }
    void button(int k, const QString& label, const QString& image, const QString& link) {
        settings.table.setEntry(ButtonField::Label, k, label);
        settings.table.setEntry(ButtonField::Image, k, image);
        settings.table.setEntry(ButtonField::Link, k, link);
    }
    std::vector<BarFinding> check() {
        DeriveAppletValues(settings);
        BarMeasures measures;
        measures.labelWidth = [](const QString& label) { return int(label.size()) * kLetter; };
        measures.localImageSize = [this](const QString& path) -> std::optional<QSize> {
            if (readableImages.contains(path))
                return QSize(20, 20);
            return std::nullopt;
        };
        return checkBar(lookOf(settings), settings.table, QStringLiteral("/bar/"), measures);
    }
};

QList<BarFinding::Kind> kinds(const std::vector<BarFinding>& findings) {
    QList<BarFinding::Kind> list;
    for (const BarFinding& f : findings)
        list << f.kind;
    return list;
}

} // namespace

class BarCheckTest : public QObject {
    Q_OBJECT

private slots:
    void contrastOfBothStates();
    void largeTextNeedsLess();
    void buttonsWithoutWhatTheyNeed();
    void unreadableImage();
    void labelCutOff();
    void scriptLinks();
    void smallTargets();
    void aSoundBarHasNoFindings();
};

// The start-up colours: white on 0000A0 (13.9 : 1) passes, red on it does not.
void BarCheckTest::contrastOfBothStates() {
    Bar bar;
    bar.button(1, QStringLiteral("Home"), QString(), QStringLiteral("index.html"));
    std::vector<BarFinding> findings = bar.check();
    QCOMPARE(kinds(findings), QList<BarFinding::Kind>{BarFinding::LowClickContrast});
    QCOMPARE(findings[0].button, 1);
    QCOMPARE(findings[0].text,
             QStringLiteral("Button 1: the label's contrast on the face while pressed (click "
                            "colour) is 3.4 : 1, below 4.5 : 1."));

    // White on #777777 is 4.48 : 1, shown rounded down.
    bar.settings.buttonColour = AppletColour::fromRgb(0x77, 0x77, 0x77);
    bar.settings.clickColour = AppletColour::fromRgb(0, 0, 0);
    findings = bar.check();
    QCOMPARE(kinds(findings), QList<BarFinding::Kind>{BarFinding::LowContrast});
    QCOMPARE(findings[0].text, QStringLiteral("Button 1: the label's contrast on the face (font "
                                              "colour) is 4.4 : 1, below 4.5 : 1."));
    // One step lighter text on #767676 passes.
    bar.settings.buttonColour = AppletColour::fromRgb(0x76, 0x76, 0x76);
    QVERIFY(bar.check().empty());
    // Without a label there is no text to read.
    bar.settings.buttonColour = AppletColour::fromRgb(0x77, 0x77, 0x77);
    bar.readableImages << QStringLiteral("/bar/a.gif");
    bar.button(1, QString(), QStringLiteral("a.gif"), QStringLiteral("index.html"));
    QCOMPARE(kinds(bar.check()), QList<BarFinding::Kind>{BarFinding::ImageWithoutLabel});
}

void BarCheckTest::largeTextNeedsLess() {
    LookFont font;
    font.pixelSize = 23;
    QCOMPARE(requiredContrast(font), 4.5);
    font.pixelSize = 24;
    QCOMPARE(requiredContrast(font), 3.0);
    font.pixelSize = 18;
    font.bold = true;
    QCOMPARE(requiredContrast(font), 4.5);
    font.pixelSize = 19;
    QCOMPARE(requiredContrast(font), 3.0);

    // Red on white is 3.99 : 1: too little at 14 px, enough at 24 px.
    Bar bar;
    bar.settings.buttonColour = AppletColour::fromRgb(255, 255, 255);
    bar.settings.fontColour = AppletColour::fromRgb(255, 0, 0);
    bar.settings.clickColour = AppletColour::fromRgb(0, 0, 0);
    bar.button(1, QStringLiteral("Go"), QString(), QStringLiteral("go.html"));
    const std::vector<BarFinding> small = bar.check();
    QCOMPARE(kinds(small), QList<BarFinding::Kind>{BarFinding::LowContrast});
    QVERIFY(small[0].text.contains(QStringLiteral("3.9 : 1, below 4.5 : 1")));
    bar.settings.fontSize = QStringLiteral("24");
    QVERIFY(bar.check().empty());
}

void BarCheckTest::buttonsWithoutWhatTheyNeed() {
    Bar bar;
    bar.settings.buttons = QStringLiteral("4");
    bar.settings.clickColour = AppletColour::fromRgb(255, 255, 0);
    bar.readableImages << QStringLiteral("/bar/logo.gif");
    bar.button(1, QString(), QString(), QStringLiteral("a.html"));
    bar.button(2, QString(), QStringLiteral("logo.gif"), QStringLiteral("b.html"));
    bar.button(3, QStringLiteral("Blank"), QString(), QStringLiteral("   "));
    bar.button(4, QStringLiteral("Fine"), QString(), QStringLiteral("d.html"));
    const std::vector<BarFinding> findings = bar.check();
    QCOMPARE(findings.size(), size_t(3));
    QCOMPARE(findings[0].button, 1);
    QCOMPARE(findings[0].text, QStringLiteral("Button 1 has neither a label nor an image."));
    QCOMPARE(findings[1].button, 2);
    QCOMPARE(findings[1].text, QStringLiteral("Button 2 has an image but no label: a screen "
                                              "reader has nothing to say for it."));
    QCOMPARE(findings[2].button, 3);
    QCOMPARE(findings[2].text, QStringLiteral("Button 3 has no link."));
}

void BarCheckTest::unreadableImage() {
    Bar bar;
    bar.settings.buttons = QStringLiteral("3");
    bar.settings.clickColour = AppletColour::fromRgb(255, 255, 0);
    bar.button(1, QStringLiteral("A"), QStringLiteral("missing.gif"), QStringLiteral("a.html"));
    // A web address is not fetched and not reported.
    bar.button(2, QStringLiteral("B"), QStringLiteral("http://x.org/b.gif"), QStringLiteral("b"));
    bar.button(3, QStringLiteral("C"), QStringLiteral("/elsewhere/c.gif"), QStringLiteral("c"));
    const std::vector<BarFinding> findings = bar.check();
    QCOMPARE(kinds(findings),
             QList<BarFinding::Kind>({BarFinding::UnreadableImage, BarFinding::UnreadableImage}));
    QCOMPARE(findings[0].text,
             QStringLiteral("Button 1: the image \"missing.gif\" cannot be read."));
    QCOMPARE(findings[1].button, 3);
}

// Start-up: the room is 100 - 2 x 3 rings - 2 x 4 = 86 px.
void BarCheckTest::labelCutOff() {
    Bar bar;
    bar.settings.buttons = QStringLiteral("3");
    bar.settings.clickColour = AppletColour::fromRgb(255, 255, 0);
    bar.readableImages << QStringLiteral("/bar/i.gif");
    bar.button(1, QString(12, u'x'), QString(), QStringLiteral("a")); // 84 px: fits
    bar.button(2, QString(13, u'x'), QString(), QStringLiteral("b")); // 91 px: cut off
    // 20 px image and 4 px gap leave 62 px: 63 px is cut off.
    bar.button(3, QString(9, u'x'), QStringLiteral("i.gif"), QStringLiteral("c"));
    std::vector<BarFinding> findings = bar.check();
    QCOMPARE(kinds(findings),
             QList<BarFinding::Kind>({BarFinding::LabelCutOff, BarFinding::LabelCutOff}));
    QCOMPARE(findings[0].text, QStringLiteral("Button 2: the label is 91 px wide but has room "
                                              "for 86 px: it will be cut off."));
    QCOMPARE(findings[1].text, QStringLiteral("Button 3: the label is 63 px wide but has room "
                                              "for 62 px: it will be cut off."));
    bar.settings.table.setEntry(ButtonField::Label, 3, QString(8, u'x'));           // 56 px
    bar.settings.table.setEntry(ButtonField::Image, 3, QStringLiteral("gone.gif")); // 16 px frame
    bar.settings.table.setEntry(ButtonField::Label, 2, QString());
    findings = bar.check();
    // The placeholder (16 px) and its gap leave 66 px: 56 px fits.
    QCOMPARE(kinds(findings),
             QList<BarFinding::Kind>({BarFinding::Empty, BarFinding::UnreadableImage}));
}

void BarCheckTest::scriptLinks() {
    QVERIFY(isScriptLink(QStringLiteral("javascript:alert(1)")));
    QVERIFY(isScriptLink(QStringLiteral("  JavaScript:void(0)")));
    QVERIFY(!isScriptLink(QStringLiteral("java script:x")));
    QVERIFY(!isScriptLink(QStringLiteral("page.html#javascript:")));
    Bar bar;
    bar.settings.clickColour = AppletColour::fromRgb(255, 255, 0);
    bar.button(1, QStringLiteral("Run"), QString(), QStringLiteral(" JAVASCRIPT:go()"));
    const std::vector<BarFinding> findings = bar.check();
    QCOMPARE(kinds(findings), QList<BarFinding::Kind>{BarFinding::ScriptLink});
    QCOMPARE(findings[0].text, QStringLiteral("Button 1: the link starts with \"javascript:\", "
                                              "so clicking it runs code."));
}

// Buttons under 24 x 24 px are hard to hit: every one is named, last among its
// findings; 24 px each way is enough.
void BarCheckTest::smallTargets() {
    Bar bar;
    bar.settings.buttons = QStringLiteral("3");
    bar.settings.width = QStringLiteral("20");
    bar.settings.height = QStringLiteral("18");
    bar.settings.fOffset = QStringLiteral("0"); // room for a 7 px label
    bar.settings.clickColour = AppletColour::fromRgb(255, 255, 0);
    bar.button(1, QStringLiteral("a"), QString(), QStringLiteral("a.html"));
    bar.button(2, QStringLiteral("b"), QString(), QStringLiteral("javascript:b()"));
    bar.button(3, QStringLiteral("c"), QString(), QStringLiteral("c.html"));
    std::vector<BarFinding> findings = bar.check();
    QCOMPARE(kinds(findings),
             QList<BarFinding::Kind>({BarFinding::SmallTarget, BarFinding::ScriptLink,
                                      BarFinding::SmallTarget, BarFinding::SmallTarget}));
    QCOMPARE(findings[3].button, 3);
    QCOMPARE(findings[3].text,
             QStringLiteral("Button 3 is 20 \u00D7 18 px: smaller than 24 \u00D7 24 "
                            "px, hard to hit on a touch screen."));
    bar.settings.width = QStringLiteral("240");
    QCOMPARE(bar.check().size(), size_t(4)); // 18 px high is still too low
    bar.settings.height = QStringLiteral("24");
    bar.settings.width = QStringLiteral("24");
    QCOMPARE(kinds(bar.check()), QList<BarFinding::Kind>{BarFinding::ScriptLink});
}

void BarCheckTest::aSoundBarHasNoFindings() {
    Bar bar;
    bar.settings.buttons = QStringLiteral("2");
    bar.settings.clickColour = AppletColour::fromRgb(255, 255, 0);
    bar.button(1, QStringLiteral("Home"), QString(), QStringLiteral("index.html"));
    bar.button(2, QStringLiteral("News"), QString(), QStringLiteral("news.html"));
    // Entries beyond the button count are not looked at.
    bar.button(3, QString(), QString(), QString());
    QVERIFY(bar.check().empty());
}

QTEST_GUILESS_MAIN(BarCheckTest)
#include "bar_check_test.moc"

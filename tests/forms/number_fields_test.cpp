// The number fields are checked on every change, typed or set by the program.
#include "forms/main/up_down.h"
#include "main_window_fixture.h"

#include <QTest>

#include <memory>

using namespace brivane;
using namespace brivane::test;

namespace {
// Notes what a field holds at the moment each plain message is shown.
class FieldWatchingDialogs : public ScriptedDialogs {
public:
    QLineEdit* field = nullptr;
    QStringList textsWhileShown;
    void showMessage(QWidget* parent, const QString& text) override {
        textsWhileShown << field->text();
        ScriptedDialogs::showMessage(parent, text);
    }
};
} // namespace

class NumberFieldsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowFixture> f;

    struct Field {
        const char* name;
        QLineEdit* edit;
        int minimum;
        int maximum;
    };
    QList<Field> fields() const {
        auto* ui = f->ui();
        return {{"width", ui->width, 1, 32767},     {"height", ui->height, 1, 32767},
                {"border", ui->border, 0, 32767},   {"degree", ui->degree, 0, 255},
                {"buttons", ui->buttons, 1, 32767}, {"f_offset", ui->f_offset, 0, 32767}};
    }

private slots:
    void init() { f = std::make_unique<MainWindowFixture>(); }
    void cleanup() {
        f->dialogs().verifyAllUsed();
        f.reset();
    }

    void typingDigitByDigit() {
        QLineEdit* width = f->ui()->width;
        width->clear();
        QTest::keyClicks(width, QStringLiteral("100"));
        QCOMPARE(width->text(), QStringLiteral("100"));
        QVERIFY(f->dialogs().shown().isEmpty());

        // A first digit 0 is judged at once and corrected with one message.
        width->clear();
        f->dialogs().expectMessage();
        QTest::keyClick(width, Qt::Key_0);
        QCOMPARE(f->dialogs().messages(), QStringList{rangeMessage(1, 32767)});
        QCOMPARE(width->text(), QStringLiteral("1"));
        // Typing on after the correction carries on from the bound.
        QTest::keyClicks(width, QStringLiteral("5"));
        QCOMPARE(width->text(), QStringLiteral("15"));
        QCOMPARE(f->dialogs().shown().size(), 1);
    }

    void emptyAndBlanks() {
        for (const Field& field : fields()) {
            const bool isButtons = field.edit == f->ui()->buttons;
            for (int blanks = 0; blanks <= 5; ++blanks) {
                const QString text(blanks, u' ');
                // An empty or blank count cannot be read by the editor's adjustment.
                if (isButtons)
                    f->dialogs().expectError();
                field.edit->setText(text);
                QCOMPARE(field.edit->text(), text);
                field.edit->setText(QStringLiteral("7"));
            }
            QVERIFY2(f->dialogs().messages().isEmpty(), field.name);
            f->dialogs().clearShown();

            // Six blanks are no longer left alone.
            f->dialogs().expectMessage();
            field.edit->setText(QString(6, u' '));
            QCOMPARE(f->dialogs().messages(),
                     QStringList{rangeMessage(field.minimum, field.maximum)});
            QCOMPARE(field.edit->text(), QString::number(field.minimum));
            QVERIFY(f->dialogs().errors().isEmpty());
            f->dialogs().clearShown();
        }
    }

    void blankButtonsErrorText() {
        f->dialogs().expectError();
        f->ui()->buttons->setText(QStringLiteral("   "));
        QCOMPARE(f->dialogs().errors(), QStringList{"'   ' is not a valid integer value."});
    }

    void rangesAndConversions() {
        auto* ui = f->ui();
        struct Case {
            QLineEdit* edit;
            QString typed;
            QString message; // empty: none
            QString after;
        };
        const QList<Case> cases = {
            {ui->degree, "$FF", {}, "$FF"},
            {ui->degree, "$100", rangeMessage(0, 255), "255"},
            {ui->degree, "300", rangeMessage(0, 255), "255"},
            {ui->degree, "$ff", {}, "$ff"},
            {ui->width, "99999999999", rangeMessage(1, 32767), "1"},
            {ui->width, "-5", rangeMessage(1, 32767), "1"},
            {ui->width, "+5", {}, "+5"},
            {ui->width, " 100", {}, " 100"},
            {ui->width, "0", rangeMessage(1, 32767), "1"},
            {ui->height, "12ab", rangeMessage(1, 32767), "1"},
            {ui->height, "12 ", rangeMessage(1, 32767), "1"},
            {ui->height, "1.5", rangeMessage(1, 32767), "1"},
            {ui->height, "1,000", rangeMessage(1, 32767), "1"},
            {ui->height, "0", rangeMessage(1, 32767), "1"},
            {ui->border, "-3", rangeMessage(0, 32767), "0"},
            {ui->border, "0", {}, "0"},
            {ui->f_offset, "0", {}, "0"},
            {ui->f_offset, "32768", rangeMessage(0, 32767), "32767"},
            {ui->buttons, "40000", rangeMessage(1, 32767), "32767"},
            {ui->buttons, "0", rangeMessage(1, 32767), "1"},
            {ui->buttons, "x", rangeMessage(1, 32767), "1"},
        };
        for (const Case& c : cases) {
            f->dialogs().clearShown();
            if (!c.message.isEmpty())
                f->dialogs().expectMessage();
            c.edit->setText(c.typed);
            const QByteArray what = (c.edit->objectName() + " <- " + c.typed).toUtf8();
            // One message at most: putting in the bound is checked again, silently.
            QVERIFY2(f->dialogs().shown().size() == (c.message.isEmpty() ? 0 : 1), what);
            if (!c.message.isEmpty())
                QCOMPARE(f->dialogs().messages().value(0), c.message);
            QVERIFY2(c.edit->text() == c.after, what);
            f->dialogs().verifyAllUsed();
        }
    }

    void replacedOnlyAfterTheBoxCloses() {
        // Each message is shown while the field still holds the bad text: the
        // bound goes in only after the user has closed the box.
        TestPlatform tp;
        FieldWatchingDialogs dialogs;
        Platform platform{dialogs, tp.shell, tp.fileCopier, tp.helpViewer};
        PreferencesStore store;
        Preferences preferences{store};
        Tmain_window window{platform, preferences};
        dialogs.field = window.controls()->degree;
        for (const char* bad : {"256", "-1", "x"}) {
            dialogs.expectMessage();
            dialogs.field->setText(QString::fromLatin1(bad));
        }
        QCOMPARE(dialogs.textsWhileShown, QStringList({"256", "-1", "x"}));
        QCOMPARE(dialogs.field->text(), QStringLiteral("0"));
        dialogs.verifyAllUsed();
    }

    void upDownPastTheCheckBound() {
        QLineEdit* degree = f->ui()->degree;
        degree->setText(QStringLiteral("255"));
        f->dialogs().expectMessage();
        f->ui()->UpDown5->stepBy(1);
        QCOMPARE(f->dialogs().messages(), QStringList{rangeMessage(0, 255)});
        QCOMPARE(degree->text(), QStringLiteral("255"));
    }

    void sameTextRunsNoCheck() {
        // An empty count fails the adjustment; setting it empty again runs nothing.
        f->dialogs().expectError();
        f->ui()->buttons->setText(QString());
        f->ui()->buttons->setText(QString());
        QCOMPARE(f->dialogs().errors().size(), 1);
    }

    void emptyButtonsFailsEachLaterRead() {
        auto* ui = f->ui();
        ui->SpeedButton8->click(); // editor on button 2
        QCOMPARE(ui->Label14->text(), QStringLiteral("2"));
        const QString error = QStringLiteral("'' is not a valid integer value.");

        f->dialogs().expectError();
        ui->buttons->clear();
        QCOMPARE(f->dialogs().errors(), QStringList{error});

        f->dialogs().expectError();
        ui->SpeedButton7->click();
        f->dialogs().expectError();
        ui->SpeedButton8->click();
        f->dialogs().expectError();
        ui->f_offset->setText(QStringLiteral("5"));
        QCOMPARE(f->dialogs().errors(), QStringList({error, error, error, error}));
        QVERIFY(f->dialogs().messages().isEmpty());
        QCOMPARE(ui->f_offset->text(), QStringLiteral("5"));
        QCOMPARE(f->window.CurrentButton, 2);
        QCOMPARE(ui->Label14->text(), QStringLiteral("2"));
    }

    void failingNestedHandlerLetsTheSetterGoOn() {
        auto* ui = f->ui();
        f->dialogs().expectError();
        ui->buttons->clear();
        f->dialogs().clearShown();

        // A command that sets f_offset (whose handler fails) and then the title.
        f->dialogs().expectError();
        bool reachedTheEnd = false;
        runGuarded([&] {
            ui->f_offset->setText(QStringLiteral("6"));
            ui->title->setText(QStringLiteral("after"));
            reachedTheEnd = true;
        });
        QVERIFY(reachedTheEnd);
        QCOMPARE(f->dialogs().errors().size(), 1);
        QCOMPARE(ui->Label18->text(), QStringLiteral("\"after.html\""));
    }
};

QTEST_MAIN(NumberFieldsTest)
#include "number_fields_test.moc"

// The per-button editor: every change stored at once, Last/Next, the editor
// following a lower button count, and the image browse.
#include "main_window_fixture.h"
#include "platform/desktop_shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace brivane;
using namespace brivane::test;

namespace {

struct Texts {
    QString link, frame, label, image;
    bool operator==(const Texts& o) const {
        return link == o.link && frame == o.frame && label == o.label && image == o.image;
    }
};

Texts boxes(Ui::Tmain_window* ui) {
    return {ui->link_box->text(), ui->frame_box->text(), ui->button_label->text(),
            ui->image_box->text()};
}

Texts texts(int k) {
    const QString n = QString::number(k);
    return {"link" + n, "frame" + n, "label" + n, "image" + n};
}

} // namespace

class ButtonEditorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowFixture> f;

    void type(const Texts& t) {
        auto* ui = f->ui();
        ui->link_box->setText(t.link);
        ui->frame_box->setText(t.frame);
        ui->button_label->setText(t.label);
        ui->image_box->setText(t.image);
    }
    Texts stored(int k) const {
        return {f->entry(ButtonField::Link, k), f->entry(ButtonField::Frame, k),
                f->entry(ButtonField::Label, k), f->entry(ButtonField::Image, k)};
    }
    // Fills buttons 1..4 through the editor and returns to button 1.
    void fillFour() {
        for (int k = 1; k <= 4; ++k) {
            type(texts(k));
            f->ui()->SpeedButton8->click();
        }
        for (int k = 0; k < 3; ++k)
            f->ui()->SpeedButton7->click();
        QCOMPARE(f->window.CurrentButton, 1);
    }

private slots:
    void init() { f = std::make_unique<MainWindowFixture>(); }
    void cleanup() {
        f->dialogs().verifyAllUsed();
        f.reset();
    }

    void typingStoresEveryIntermediateText() {
        QList<QString> seen;
        // The box's own handler has run before any later listener sees the change.
        connect(f->ui()->link_box, &QLineEdit::textChanged, this,
                [&] { seen << f->entry(ButtonField::Link, 1); });
        QTest::keyClicks(f->ui()->link_box, QStringLiteral("a b"));
        QCOMPARE(seen, QList<QString>({"a", "a ", "a b"}));
        QCOMPARE(f->entry(ButtonField::Link, 1), QStringLiteral("a b"));
        QTest::keyClick(f->ui()->link_box, Qt::Key_Backspace);
        QCOMPARE(f->entry(ButtonField::Link, 1), QStringLiteral("a "));
        // Each box goes into its own table.
        f->ui()->frame_box->setText(QStringLiteral("top"));
        f->ui()->button_label->setText(QStringLiteral("Home"));
        f->ui()->image_box->setText(QStringLiteral("home.gif"));
        QVERIFY((stored(1) == Texts{"a ", "top", "Home", "home.gif"}));
        QVERIFY((stored(2) == Texts{}));
    }

    void lastAndNextStayWithinTheCount() {
        auto* ui = f->ui();
        fillFour();
        ui->SpeedButton7->click(); // Last on button 1
        QCOMPARE(f->window.CurrentButton, 1);
        QVERIFY(boxes(ui) == texts(1));
        for (int k = 2; k <= 4; ++k) {
            ui->SpeedButton8->click();
            QCOMPARE(f->window.CurrentButton, k);
            QCOMPARE(ui->Label14->text(), QString::number(k));
            QVERIFY(boxes(ui) == texts(k));
        }
        ui->SpeedButton8->click(); // Next on the last button
        QCOMPARE(f->window.CurrentButton, 4);
        QCOMPARE(ui->Label14->text(), QStringLiteral("4"));
        // Stepping wrote nothing new into the tables.
        for (int k = 1; k <= 4; ++k)
            QVERIFY(stored(k) == texts(k));
        QVERIFY(stored(5) == Texts{});
    }

    void countDropMovesTheEditorAndKeepsEntries() {
        auto* ui = f->ui();
        fillFour();
        for (int k = 0; k < 3; ++k)
            ui->SpeedButton8->click();
        QCOMPARE(f->window.CurrentButton, 4);

        ui->buttons->setText(QStringLiteral("2"));
        QCOMPARE(f->window.CurrentButton, 2);
        QCOMPARE(ui->Label14->text(), QStringLiteral("2"));
        QVERIFY(boxes(ui) == texts(2));
        QVERIFY(stored(3) == texts(3));
        QVERIFY(stored(4) == texts(4));

        ui->buttons->setText(QStringLiteral("4"));
        QCOMPARE(f->window.CurrentButton, 2);
        ui->SpeedButton8->click();
        ui->SpeedButton8->click();
        QCOMPARE(ui->Label14->text(), QStringLiteral("4"));
        QVERIFY(boxes(ui) == texts(4));

        // A change of f_offset also runs the adjustment, which finds nothing to do.
        ui->f_offset->setText(QStringLiteral("6"));
        QCOMPARE(f->window.CurrentButton, 4);
        QVERIFY(f->dialogs().shown().isEmpty());
    }

    void smallerDropLeavesTheEditorAlone() {
        auto* ui = f->ui();
        fillFour();
        ui->SpeedButton8->click();
        ui->buttons->setText(QStringLiteral("3"));
        QCOMPARE(f->window.CurrentButton, 2);
        QVERIFY(boxes(ui) == texts(2));
    }

    void zeroButtonsCorrectsOnceAndMovesToOne() {
        auto* ui = f->ui();
        fillFour();
        ui->SpeedButton8->click();
        ui->SpeedButton8->click();
        QCOMPARE(f->window.CurrentButton, 3);
        f->dialogs().expectMessage();
        ui->buttons->setText(QStringLiteral("0"));
        QCOMPARE(f->dialogs().shown().size(), 1);
        QCOMPARE(f->dialogs().messages().value(0), rangeMessage(1, 32767));
        QCOMPARE(ui->buttons->text(), QStringLiteral("1"));
        QCOMPARE(f->window.CurrentButton, 1);
        QCOMPARE(ui->Label14->text(), QStringLiteral("1"));
        QVERIFY(boxes(ui) == texts(1));
        QVERIFY(stored(3) == texts(3));
    }

    void imageBrowseCopiesAndTakesTheBareName() {
        auto* ui = f->ui();
        const QString startDirectory = f->window.WorkingDirectory;
        f->window.WorkingDirectory = QStringLiteral("/work/dir/");
        // A Linux file name may hold ':' and '\': only '/' separates folders.
        const QString chosen = QStringLiteral("/pictures/a:b\\c.gif");
        f->dialogs().answerOpenFile(chosen);
        ui->SpeedButton11->click();

        const auto& shown = f->dialogs().shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].options.filter,
                 QStringLiteral("JPG (*.jpg);;Gif (*.gif);;All Files (*)"));
        QCOMPARE(shown[0].options.initialPath, startDirectory);
        QVERIFY(!shown[0].options.mustExist);
        const auto& copies = f->platform.fileCopier.copies;
        QCOMPARE(copies.size(), 1);
        QCOMPARE(copies[0].source, chosen);
        QCOMPARE(copies[0].target, QStringLiteral("/work/dir/a:b\\c.gif"));
        QCOMPARE(ui->image_box->text(), QStringLiteral("a:b\\c.gif"));
        QCOMPARE(f->entry(ButtonField::Image, 1), QStringLiteral("a:b\\c.gif"));

        // A failed copy is silent and the box still gets the name.
        f->platform.fileCopier.result = false;
        f->dialogs().answerOpenFile(QStringLiteral("/elsewhere/other.jpg"));
        ui->SpeedButton11->click();
        QCOMPARE(ui->image_box->text(), QStringLiteral("other.jpg"));
        QCOMPARE(f->dialogs().shown().size(), 2);
        QCOMPARE(f->dialogs().shown()[1].options.initialPath, chosen);

        // Cancel changes nothing; the next browse still opens at the last picture.
        f->dialogs().answerOpenFile(std::nullopt);
        ui->SpeedButton11->click();
        QCOMPARE(copies.size(), 2);
        QCOMPARE(ui->image_box->text(), QStringLiteral("other.jpg"));
        f->dialogs().answerOpenFile(std::nullopt);
        ui->SpeedButton11->click();
        QCOMPARE(f->dialogs().shown().last().options.initialPath,
                 QStringLiteral("/elsewhere/other.jpg"));
    }

    void imageBrowseWithTheRealCopier() {
        QTemporaryDir source, work;
        QVERIFY(source.isValid() && work.isValid());
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write(source.filePath("new.gif"), "GIF-new");
        write(source.filePath("old.gif"), "GIF-other");
        write(work.filePath("old.gif"), "GIF-kept");

        NoOverwriteFileCopier copier;
        Platform platform{f->platform.dialogs, f->platform.shell, copier, f->platform.helpViewer};
        PreferencesStore store;
        Preferences preferences(store);
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        Tmain_window window(platform, preferences);
        QDir::setCurrent(before);
        QCOMPARE(window.WorkingDirectory, QDir(work.path()).canonicalPath() + "/");

        f->dialogs().answerOpenFile(source.filePath("new.gif"));
        window.SpeedButton11Click();
        f->dialogs().answerOpenFile(source.filePath("old.gif"));
        window.SpeedButton11Click();
        QFile copied(work.filePath("new.gif"));
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), QByteArray("GIF-new"));
        QFile kept(work.filePath("old.gif"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("GIF-kept"));
        QCOMPARE(window.controls()->image_box->text(), QStringLiteral("old.gif"));
        QVERIFY(f->dialogs().errors().isEmpty());
    }
};

QTEST_MAIN(ButtonEditorTest)
#include "button_editor_test.moc"

// The real dialogs, answered the way a user would, by a timer that finds the
// open modal dialog.
#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace brivane;

namespace {

// Runs `answer` on the modal dialog as soon as one is open.
void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

QStringList buttonTexts(QMessageBox* box) {
    QStringList texts;
    for (QAbstractButton* b : box->buttons())
        texts << b->text();
    texts.sort();
    return texts;
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void plainMessage() {
        QtDialogs dialogs;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QStringList buttons;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = buttonTexts(box);
            QTest::keyClick(box, Qt::Key_Return);
        });
        dialogs.showMessage(nullptr,
                            QStringLiteral("You must enter a numeric value between 0 and 255"));
        QCOMPARE(title, QStringLiteral("Brivane"));
        QCOMPARE(text, QStringLiteral("You must enter a numeric value between 0 and 255"));
        QCOMPARE(icon, QMessageBox::NoIcon);
        QCOMPARE(buttons, QStringList{"OK"});
    }

    void errorBox() {
        QtDialogs dialogs;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttonCount = 0;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttonCount = int(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.showError(nullptr, QStringLiteral("<b>File not found</b>"));
        QCOMPARE(title, QStringLiteral("Brivane"));
        QCOMPARE(text, QStringLiteral("<b>File not found</b>"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttonCount, 1);
    }

    void yesNo() {
        QtDialogs dialogs;
        QStringList buttons;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            buttons = buttonTexts(box);
            title = box->windowTitle();
            icon = box->icon();
            QTest::keyClick(box, Qt::Key_Return); // Enter answers Yes
        });
        QVERIFY(dialogs.askYesNo(nullptr, QStringLiteral("Reset"), QStringLiteral("Sure?")));
        QCOMPARE(buttons, QStringList({"&No", "&Yes"}));
        QCOMPARE(title, QStringLiteral("Reset"));
        QCOMPARE(icon, QMessageBox::Information);

        whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }); // Escape: No
        QVERIFY(!dialogs.askYesNo(nullptr, QStringLiteral("Reset"), QStringLiteral("Sure?")));
    }

    void fileDialogs() {
        QTemporaryDir dir;
        QFile existing(dir.filePath("settings.txt"));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        QtDialogs dialogs;

        FileDialogOptions open;
        open.filter = QStringLiteral("Text Files (*.txt)");
        open.defaultSuffix = QStringLiteral("txt");
        open.initialPath = dir.path();
        open.mustExist = true;
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        QString directory;
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            mode = dialog->fileMode();
            // The desktop's own dialog where it has one; offscreen has none.
            QVERIFY(!dialog->testOption(QFileDialog::DontUseNativeDialog));
            directory = dialog->directory().absolutePath();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("settings.txt"));
            static_cast<QDialog*>(dialog)->accept();
        });
        QCOMPARE(dialogs.openFile(nullptr, open), std::optional<QString>(existing.fileName()));
        QCOMPARE(filters, QStringList{"Text Files (*.txt)"});
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(directory, QDir(dir.path()).absolutePath());

        whenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QCOMPARE(dialogs.openFile(nullptr, open), std::nullopt);

        FileDialogOptions save;
        save.filter = QStringLiteral("HTML File (*.html);;Text File (*.txt)");
        save.defaultSuffix = QStringLiteral("html");
        save.initialPath = dir.filePath("page.html");
        save.confirmOverwrite = true;
        QString suffix, selected;
        bool confirms = false;
        QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            suffix = dialog->defaultSuffix();
            confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            accept = dialog->acceptMode();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            selected = name->text();
            name->setText(QStringLiteral("copy")); // typed without the suffix
            static_cast<QDialog*>(dialog)->accept();
        });
        const std::optional<QString> saved = dialogs.saveFile(nullptr, save);
        QCOMPARE(saved.value_or(QStringLiteral("(cancelled)")), dir.filePath("copy.html"));
        QCOMPARE(suffix, QStringLiteral("html"));
        QVERIFY(confirms);
        QCOMPARE(accept, QFileDialog::AcceptSave);
        QCOMPARE(selected, QStringLiteral("page.html"));
    }

    void oneColourDialogForTheRun() {
        QColorDialog::setCustomColor(0, QColor(1, 2, 3)); // left over from before
        QtDialogs dialogs;
        QCOMPARE(QColorDialog::customColor(0), QColor(Qt::white));

        QColor opened;
        QColorDialog* first = nullptr;
        whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QColorDialog*>(w);
            QVERIFY(dialog);
            first = dialog;
            opened = dialog->currentColor();
            QVERIFY(dialog->testOption(QColorDialog::DontUseNativeDialog));
            dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
            dialog->accept();
        });
        QCOMPARE(dialogs.pickColor(nullptr, QColor(0, 0, 160)),
                 std::optional<QColor>(QColor(0x12, 0x34, 0x56)));
        QCOMPARE(opened, QColor(0, 0, 160));

        QColorDialog* second = nullptr;
        whenModal([&](QWidget* w) {
            second = qobject_cast<QColorDialog*>(w);
            QVERIFY(second);
            second->reject();
        });
        QCOMPARE(dialogs.pickColor(nullptr, QColor(255, 0, 0)), std::nullopt);
        QCOMPARE(second, first);
        QCOMPARE(dialogs.colorDialog(), first);
    }
};

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_test.moc"

// Times the main window's Make HTML end to end (derivation, page file, HTML tab
// filled and painted) and Open of a settings file, each beside the plainest
// write of the same number of bytes. Runs offscreen unless a platform is set.
#include "forms/main/main_window.h"
#include "model/settings_file.h"
#include "model/text_file.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

using namespace brivane;

namespace {

// Answers the one dialog the measured commands show: the open dialog.
class BenchDialogs : public Dialogs {
public:
    QString openPath;
    void showMessage(QWidget*, const QString& text) override { fail(text); }
    void showError(QWidget*, const QString& text) override { fail(text); }
    bool askYesNo(QWidget*, const QString&, const QString& text) override {
        fail(text);
        return false;
    }
    std::optional<QString> openFile(QWidget*, const FileDialogOptions&) override {
        return openPath;
    }
    std::optional<QString> saveFile(QWidget*, const FileDialogOptions&) override {
        fail(QStringLiteral("save dialog"));
        return std::nullopt;
    }
    std::optional<QColor> pickColor(QWidget*, const QColor&) override { return std::nullopt; }

private:
    static void fail(const QString& text) {
        std::fprintf(stderr, "unexpected dialog: %s\n", qPrintable(text));
        std::exit(1);
    }
};

class NoShell : public Shell {
public:
    void execute(const ShellRequest&) override {}
};
class NoCopier : public FileCopier {
public:
    bool copyFile(const QString&, const QString&) override { return false; }
};
class NoHelp : public HelpViewer {
public:
    void showHelp(const QString&, int) override {}
};

double bestOf(int repetitions, const std::function<void()>& run) {
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

double bareWrite(const QString& path, qsizetype size, int repetitions) {
    const QByteArray bytes(size, 'x');
    const QByteArray name = QFile::encodeName(path);
    return bestOf(repetitions, [&] { bench::bareWrite(name, bytes); });
}

void row(const char* what, double ms, double bare, qsizetype bytes) {
    std::printf("  %-34s %9.3f ms   bare fwrite %8.3f ms   (%lld bytes)\n", what, ms, bare,
                static_cast<long long>(bytes));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // Keep the preferences store out of the machine's real one.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::SystemScope, dir.filePath(QStringLiteral("system")));
        QSettings::setPath(format, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
    }
    QDir::setCurrent(dir.path());

    BenchDialogs dialogs;
    NoShell shell;
    NoCopier copier;
    NoHelp help;
    Platform platform{dialogs, shell, copier, help};
    PreferencesStore store;
    Preferences preferences(store);
    Tmain_window window(platform, preferences);
    Ui::Tmain_window* ui = window.controls();
    window.show();
    ui->PageControl1->setCurrentIndex(2); // the HTML tab, so filling it is seen
    QApplication::processEvents();

    const QString barePath = dir.filePath(QStringLiteral("bare.bin"));
    std::printf("Folder: %s\n", qPrintable(dir.path()));
    for (int n : {4, 100, kMaxButtons}) {
        const int repetitions = n > 1000 ? 5 : 50;
        ui->buttons->setText(QString::number(n));
        bench::fillButtons(window.settings.table, n);

        // Make HTML as the user sees it: the handler, then the repaint it causes.
        const double make = bestOf(repetitions, [&] {
            window.SpeedButton4Click();
            QApplication::processEvents();
        });
        const qsizetype pageSize =
            QFile(window.WorkingDirectory + QStringLiteral("untitled.html")).size();
        const int lines = ui->html_box->document()->blockCount() - 1;
        const double barePage = bareWrite(barePath, pageSize, repetitions);

        // Of that, filling the tab alone.
        const QString tabText = ui->html_box->toPlainText();
        const double fill = bestOf(repetitions, [&] {
            ui->html_box->setPlainText(tabText);
            QApplication::processEvents();
        });

        // Scrolling the full tab to its end and back.
        QScrollBar* bar = ui->html_box->verticalScrollBar();
        const double scroll = bestOf(repetitions, [&] {
            bar->setValue(bar->maximum());
            QApplication::processEvents();
            bar->setValue(0);
            QApplication::processEvents();
        });

        // Open of a settings file holding the same buttons.
        window.captureControls();
        DeriveAppletValues(window.settings);
        const QString settingsPath = dir.filePath(QStringLiteral("settings.txt"));
        writeFileAtomically(settingsPath, settingsFileBytes(window.settings));
        const qsizetype settingsSize = QFile(settingsPath).size();
        dialogs.openPath = settingsPath;
        // Spoil the window's copy, so the check below proves the file was read.
        window.settings.table.setEntry(ButtonField::Frame, n, QStringLiteral("spoilt"));
        const double open = bestOf(repetitions, [&] {
            window.ReadSettingsFile();
            QApplication::processEvents();
        });
        if (window.settings.table.entry(ButtonField::Frame, n) != QStringLiteral("main") ||
            ui->buttons->text() != QString::number(n)) {
            std::fprintf(stderr, "settings read back wrongly\n");
            return 1;
        }
        const double bareSettings = bareWrite(barePath, settingsSize, repetitions);

        std::printf("N = %d (best of %d; the tab holds %d lines)\n", n, repetitions, lines);
        row("Make HTML, tab filled and painted", make, barePage, pageSize);
        row("  of which the tab alone", fill, barePage, pageSize);
        row("tab scrolled to the end and back", scroll, barePage, pageSize);
        row("Open of a settings file", open, bareSettings, settingsSize);
    }
    std::printf("Targets: Make HTML at N = %d under 1000 ms; at N <= 100 under 16 ms.\n",
                kMaxButtons);
    return 0;
}

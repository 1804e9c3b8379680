// Times the main window's Make HTML as the user meets it: from the click to the
// page written and the window answering again, with the "HTML" tab hidden and
// shown, beside a bare write of the page's bytes; how long the window is busy at
// a stretch while the tab fills; and Open of a settings file. Runs offscreen
// unless a platform is set, and writes only into its own temporary folder.
//   brivane_bench_window [--quick | --n N]
//   /usr/bin/time -v brivane_bench_window --memory none|hidden|shown
//   /usr/bin/time -v brivane_bench_window --long-line digits|zeros|title|sparse|none
// The third form opens one settings file with one huge line (20 MB of digits as
// the width, 20 MB of zeros and a digit as the width, a 20 MB title, or a 250 MB
// file of the header and a hole) and prints the time until the window answers
// again and what it showed; "none" only sets up, for the memory baseline.
// The second form makes one page at N = 32767 with 200-character labels (tab not
// shown, or shown and filled; "none" only sets up) and prints the page's size, so
// the peak memory of Make HTML is the difference of two runs' maximum resident sets.
#include "forms/main/main_window.h"
#include "model/atomic_file_writer.h"
#include "model/settings_file.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include "bench_platform.h"
#include "bench_support.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>

using namespace brivane;
using brivane::bench::Best;

namespace {

// Runs the event loop until the window has handled everything the last command
// left behind up to a 0 ms timer started now (the tab's first slice comes first).
void answerAgain() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Window {
    bench::BenchPlatform seams;
    bench::BenchDialogs& dialogs = seams.dialogs;
    PreferencesStore store;
    Preferences preferences{store};
    Tmain_window window{seams.platform, preferences};
    Ui::Tmain_window* ui = window.controls();

    void setBar(int n, int labelLength = 0) {
        ui->buttons->setText(QString::number(n));
        bench::fillButtons(window.settings.table, n, labelLength);
    }
    void showTab(bool shown) {
        ui->PageControl1->setCurrentWidget(shown ? ui->TabSheet3 : ui->TabSheet1);
        answerAgain();
    }
    // The box holds all `lines` lines, and nothing is left to take apart.
    bool settled(int lines) const {
        return ui->html_box->blockCount() == lines + 1 &&
               window.findChildren<QTextDocument*>().size() == 1;
    }
    // Runs the event loop until the tab has filled and the old box is taken apart,
    // ticking a 0 ms timer. The longest gap between two ticks is the longest the
    // window did not answer; on a busy machine that includes time the thread was
    // not running at all, so the thread's own processor time across the same gap
    // is kept as well: the longest it was busy at a stretch.
    struct Fill {
        double total = 0;
        double longestGap = 0;
        double longestBusy = 0;
    };
    Fill fillTab(int lines) {
        Fill fill;
        QElapsedTimer clock, tick;
        clock.start();
        tick.start();
        double busyFrom = threadMilliseconds();
        QEventLoop loop;
        QTimer ticker;
        ticker.setInterval(0);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double busyTo = threadMilliseconds();
            fill.longestGap = std::max(fill.longestGap, bench::milliseconds(tick));
            fill.longestBusy = std::max(fill.longestBusy, busyTo - busyFrom);
            tick.restart();
            busyFrom = busyTo;
            if (settled(lines))
                loop.quit();
        });
        ticker.start();
        loop.exec();
        fill.total = bench::milliseconds(clock);
        return fill;
    }
    static double threadMilliseconds() {
        timespec now;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
    }
    qsizetype pageSize() const {
        return QFile(window.WorkingDirectory + QStringLiteral("untitled.html")).size();
    }
};

void row(const char* what, double ms, double bare, qsizetype bytes) {
    bench::printRatio(what, 40, ms, bare, bytes);
}

double bareWrite(const QString& path, qsizetype size) {
    const QByteArray bytes(size, 'x');
    const QByteArray name = QFile::encodeName(path);
    bench::settleDisk();
    return bench::milliseconds([&] { bench::bareWrite(name, bytes); });
}

int memoryRun(Window& w, const char* mode) {
    w.setBar(kMaxButtons, 200);
    const bool shown = std::strcmp(mode, "shown") == 0;
    w.showTab(shown);
    if (std::strcmp(mode, "none") != 0) {
        w.ui->SpeedButton4->click();
        if (shown)
            w.fillTab(2 + 13 + 4 * kMaxButtons + 2);
        answerAgain();
    }
    std::printf("memory run \"%s\": page %lld bytes\n", mode, static_cast<long long>(w.pageSize()));
    return 0;
}

int longLineRun(Window& w, const QTemporaryDir& dir, const char* kind) {
    const QString path = dir.filePath(QStringLiteral("long.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray rest = "\r\n26\r\n1\r\n0\r\n0\r\n3\r\n20\r\n0\r\n2\r\n0\r\n"
                                "16777215\r\n255\r\n0\r\n4\r\n0\r\n";
        const qsizetype mb = 1 << 20;
        file.write("Brivane File\r\n");
        if (std::strcmp(kind, "digits") == 0)
            file.write(QByteArray(20 * mb, '9') + rest + "title\r\n");
        else if (std::strcmp(kind, "zeros") == 0)
            file.write(QByteArray(20 * mb, '0') + "7" + rest + "title\r\n");
        else if (std::strcmp(kind, "title") == 0)
            file.write("100" + rest + QByteArray(20 * mb, 't') + "\r\n");
        else if (std::strcmp(kind, "sparse") == 0)
            file.resize(250 * mb);
    }
    const qint64 size = QFile(path).size();
    if (std::strcmp(kind, "none") == 0) {
        std::printf("long line \"none\": window set up\n");
        return 0;
    }
    w.dialogs.openPath = path;
    w.dialogs.countShown = true;
    // Through the menu command, so that a failure is shown as the user sees it.
    const double ms = bench::milliseconds([&] {
        w.ui->Open1->trigger();
        answerAgain();
    });
    std::printf("long line \"%s\": file %lld bytes, Open answered after %.1f ms, showing %s\n",
                kind, static_cast<long long>(size), ms,
                qPrintable(w.dialogs.shown.join(QStringLiteral(" / "))));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // Whatever Qt itself keeps (runtime files, caches, settings) goes there too.
    const QByteArray home = QFile::encodeName(dir.path());
    for (const char* variable :
         {"HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        qputenv(variable, home);
    QApplication app(argc, argv);

    bench::keepPreferencesIn(dir);

    Window w;
    w.window.show();
    answerAgain();
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--memory") == 0)
            return memoryRun(w, argv[i + 1]);
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--long-line") == 0)
            return longLineRun(w, dir, argv[i + 1]);

    // Each bare write replaces a file of its own size, as the measured writes do:
    // truncating a larger file costs more.
    const QString barePage = dir.filePath(QStringLiteral("bare_page.bin"));
    const QString bareSettings = dir.filePath(QStringLiteral("bare_settings.bin"));
    std::printf("Folder: %s\n", qPrintable(dir.path()));
    std::printf("Each time is the best of several runs; \"bare\" is one fwrite of the page's "
                "bytes to the same folder.\n");
    for (int n : bench::buttonCounts(argc, argv)) {
        const int repetitions = n > 1000 ? 5 : 30;
        const int lines = 2 + 13 + 4 * n + 2;
        w.setBar(n);

        // Make HTML with the tab hidden: the page only.
        w.showTab(false);
        Best hidden, shown, bare, longestGap, longestBusy, fillTime;
        for (int i = 0; i < repetitions; ++i) {
            bench::settleDisk();
            hidden.add(bench::milliseconds([&] {
                w.ui->SpeedButton4->click();
                answerAgain();
            }));
        }
        const qsizetype pageSize = w.pageSize();
        // Make HTML with the tab shown and full from the run before: the page, the
        // box emptied and its first slice.
        w.showTab(true);
        for (int i = 0; i < repetitions; ++i) {
            w.fillTab(lines);
            bench::settleDisk();
            shown.add(bench::milliseconds([&] {
                w.ui->SpeedButton4->click();
                answerAgain();
            }));
            // The rest of the fill, and the old box's document taken apart.
            const Window::Fill fill = w.fillTab(lines);
            longestGap.add(fill.longestGap);
            longestBusy.add(fill.longestBusy);
            fillTime.add(fill.total);
        }
        for (int i = 0; i < repetitions; ++i)
            bare.add(bareWrite(barePage, pageSize));

        // Scrolling the full tab to its end and back.
        QScrollBar* bar = w.ui->html_box->verticalScrollBar();
        Best scroll;
        for (int i = 0; i < repetitions; ++i)
            scroll.add(bench::milliseconds([&] {
                bar->setValue(bar->maximum());
                QApplication::processEvents();
                bar->setValue(0);
                QApplication::processEvents();
            }));

        // Open of a settings file holding the same buttons.
        w.window.captureControls();
        DeriveAppletValues(w.window.settings);
        const QString settingsPath = dir.filePath(QStringLiteral("settings.txt"));
        writeFileAtomically(settingsPath, settingsFileBytes(w.window.settings));
        const qsizetype settingsSize = QFile(settingsPath).size();
        w.dialogs.openPath = settingsPath;
        // Spoil the window's copy, so the check below proves the file was read.
        w.window.settings.table.setEntry(ButtonField::Frame, n, QStringLiteral("spoilt"));
        Best open, bareSettingsWrite;
        for (int i = 0; i < repetitions; ++i) {
            open.add(bench::milliseconds([&] {
                w.window.ReadSettingsFile();
                QApplication::processEvents();
            }));
            bareSettingsWrite.add(bareWrite(bareSettings, settingsSize));
        }
        if (w.window.settings.table.entry(ButtonField::Frame, n) != QStringLiteral("main") ||
            w.ui->buttons->text() != QString::number(n)) {
            std::fprintf(stderr, "settings read back wrongly\n");
            return 1;
        }

        std::printf("N = %d (best of %d; the tab holds %d lines)\n", n, repetitions, lines);
        row("Make HTML, tab hidden", hidden.ms, bare.ms, pageSize);
        row("Make HTML, tab shown (until answering)", shown.ms, bare.ms, pageSize);
        std::printf("  %-40s %9.3f ms   longest gap between 0 ms ticks %.3f ms, of which "
                    "busy %.3f ms\n",
                    "tab filled after Make HTML", fillTime.ms, longestGap.ms, longestBusy.ms);
        row("tab scrolled to the end and back", scroll.ms, bare.ms, pageSize);
        row("Open of a settings file", open.ms, bareSettingsWrite.ms, settingsSize);
    }
    std::printf("Targets at N = %d: Make HTML within 10x the bare fwrite; the longest busy "
                "stretch while the tab fills under 16 ms.\n",
                kMaxButtons);
    return 0;
}

// Times the Preview window following a settings change: the bar read from the
// controls, its look derived and the view repainted, at N = 4, 100 and 32767;
// then the check over all N buttons, which follows once per burst of changes.
// Runs offscreen unless a platform is set.
#include "forms/main/main_window.h"
#include "forms/preview/bar_view.h"
#include "forms/preview/preview_window.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include "bench_platform.h"
#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace brivane;

namespace {

struct Times {
    double best = 0;
    double median = 0;
    double worst = 0;
};

Times timesOf(int repetitions, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2], ms.back()};
}

void row(const char* what, const Times& t) {
    std::printf("  %-40s best %8.3f ms   median %8.3f ms   worst %8.3f ms\n", what, t.best,
                t.median, t.worst);
}

// The process's resident memory in KiB (Linux), 0 where unknown.
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    bench::keepPreferencesIn(dir);

    bench::BenchPlatform seams;
    PreferencesStore store;
    Preferences preferences(store);
    Tmain_window window(seams.platform, preferences);
    Tpreview_window preview(window.settingsSource(), &window, preferences);
    Ui::Tmain_window* ui = window.controls();
    window.show();
    preview.resize(800, 600);
    preview.show();
    QApplication::processEvents();
    BarView* bar = preview.bar();

    std::printf("Preview of %d x %d px, bar view %d x %d px\n", preview.width(), preview.height(),
                bar->viewport()->width(), bar->viewport()->height());
    for (int n : {4, 100, kMaxButtons}) {
        const int repetitions = 40;
        ui->buttons->setText(QString::number(n));
        bench::fillButtons(window.settings.table, n);
        QApplication::processEvents();

        // One change first, so fonts and caches are warm as in use.
        ui->border->setText(QStringLiteral("5"));
        bar->viewport()->repaint();
        preview.findings();

        // A number typed: the bar follows and is painted before the next frame.
        int border = 3;
        const Times change = timesOf(repetitions, [&] {
            border = border == 3 ? 4 : 3;
            ui->border->setText(QString::number(border));
            bar->viewport()->repaint();
        });
        // A colour chosen (the swatch repainted), drawn the same way.
        int shade = 0;
        const Times colour = timesOf(repetitions, [&] {
            shade = (shade + 40) % 200;
            window.settings.buttonColour = AppletColour::fromRgb(0, 0, 55 + shade);
            window.updateSwatches();
            bar->viewport()->repaint();
        });
        // The view scrolled to the bar's far end and back.
        const Times scroll = timesOf(repetitions, [&] {
            bar->setFocusedButton(n);
            bar->viewport()->repaint();
            bar->setFocusedButton(1);
            bar->viewport()->repaint();
        });
        // The check of all N buttons, run once after a change.
        const Times check = timesOf(n > 1000 ? 5 : repetitions, [&] {
            border = border == 3 ? 4 : 3;
            ui->border->setText(QString::number(border));
            preview.findings();
        });
        if (bar->look().buttonCount != n || preview.findings().empty()) {
            std::fprintf(stderr, "the preview does not show the bar\n");
            return 1;
        }
        std::printf("N = %d (%d repetitions; %zu findings; resident %ld KiB)\n", n, repetitions,
                    preview.findings().size(), residentKiB());
        row("number typed, bar derived and repainted", change);
        row("colour chosen, bar repainted", colour);
        row("scrolled to the last button and back", scroll);
        row("check of all buttons (after a change)", check);
    }
    std::printf("Target: a settings change redrawn within 16 ms at N = %d.\n", kMaxButtons);
    return 0;
}

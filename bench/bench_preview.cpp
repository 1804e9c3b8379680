// Times the Preview window following a settings change: the bar read from the
// controls, its look derived and the view repainted, at N = 4, 100 and 32767;
// then the check over all N buttons, which follows once per burst of changes.
// Then twelve buttons whose pictures are small files of 5600 x 5600 pixels:
// the longest time the window did not answer while they were read, and the
// peak memory (--large-images: that part alone). Runs offscreen unless a
// platform is set.
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
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

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

// A line of the process's status (Linux) in KiB, 0 where unknown.
long statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').first().toLong();
    return 0;
}

long residentKiB() {
    return statusKiB("VmRSS");
}

// Starts the peak resident memory (VmHWM) afresh from what is resident now.
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Twelve buttons, each with its own picture file: a PNG of 5600 x 5600 pixels
// that is mostly one colour, so the file is small and the pixels are many.
int largeImages(Tmain_window& window, Tpreview_window& preview, const QTemporaryDir& dir) {
    constexpr int kButtons = 12;
    constexpr int kSide = 5600;
    qint64 fileBytes = 0;
    {
        QImage picture(kSide, kSide, QImage::Format_RGB32);
        picture.fill(QColor(250, 250, 240));
        QPainter painter(&picture);
        painter.setPen(QPen(QColor(30, 60, 150), 9));
        for (int i = 0; i < 12; ++i)
            painter.drawEllipse(QPoint(kSide / 2, kSide / 2), 220 * i + 10, 160 * i + 10);
        painter.end();
        const QString first = dir.filePath(QStringLiteral("large1.png"));
        if (!picture.save(first))
            return 1;
        fileBytes = QFileInfo(first).size();
        for (int k = 2; k <= kButtons; ++k)
            QFile::copy(first, dir.filePath(QStringLiteral("large%1.png").arg(k)));
    }
    // Set up while the Preview is hidden (it reads nothing then); showing it
    // brings the pictures in.
    preview.hide();
    Ui::Tmain_window* ui = window.controls();
    window.WorkingDirectory = dir.path() + u'/';
    ui->buttons->setText(QString::number(kButtons));
    for (int k = 1; k <= kButtons; ++k) {
        window.settings.table.setEntry(ButtonField::Label, k, QStringLiteral("Button %1").arg(k));
        window.settings.table.setEntry(ButtonField::Image, k, QStringLiteral("large%1.png").arg(k));
    }
    BarView* bar = preview.bar();
    auto allDrawn = [&] {
        for (int k = 1; k <= kButtons; ++k)
            if (bar->placementOf(k).image.size() != QSize(kSide, kSide))
                return false;
        return true;
    };

    QApplication::processEvents();
    resetPeakMemory();
    const long before = residentKiB();
    // A 10 ms timer: the longest gap between its ticks is the longest time the
    // window did not answer.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    // First with nothing to do: how late the timer comes on this machine anyway.
    clock.start();
    ticker.start();
    while (clock.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 idleGap = longestGap;
    longestGap = 0;
    clock.restart();
    lastTick = 0;
    preview.show();
    bool drawn = false;
    while (!drawn && clock.elapsed() < 300000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        drawn = allDrawn();
    }
    bar->viewport()->repaint();
    const qint64 lastGap = clock.nsecsElapsed() - lastTick;
    longestGap = std::max(longestGap, lastGap);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    ticker.stop();
    if (!drawn) {
        std::fprintf(stderr, "the pictures were not drawn within 300 s\n");
        return 1;
    }
    std::printf("%d pictures of %d x %d px, PNG files of %lld bytes each\n", kButtons, kSide, kSide,
                static_cast<long long>(fileBytes));
    std::printf("  all drawn after %.1f s; longest time without answer %.1f ms "
                "(idle beforehand: %.1f ms)\n",
                seconds, double(longestGap) / 1e6, double(idleGap) / 1e6);
    const long peak = statusKiB("VmHWM");
    // The reading thread gives its buffer back a little after the last reading.
    const qint64 drawnAt = clock.elapsed();
    while (clock.elapsed() < drawnAt + 3000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("  resident before %ld KiB, peak %ld KiB, 3 s after %ld KiB\n", before, peak,
                residentKiB());
    std::printf("Target: the window answers within 100 ms throughout.\n");
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

    if (app.arguments().contains(QStringLiteral("--large-images")))
        return largeImages(window, preview, dir);

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
    return largeImages(window, preview, dir);
}

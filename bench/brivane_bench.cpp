// Times the page generator and the settings file against the plainest possible
// write of the same number of bytes into the same folder, in the same run.
// Everything is written into a temporary folder of its own, removed at the end.
//   brivane_bench [--quick | --n N]
#include "model/file_io.h"
#include "model/page_generator.h"
#include "model/settings_file.h"

#include "bench_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <utility>

using namespace brivane;
using brivane::bench::Best;

namespace {

// Showing the lines is the window's cost, measured by the window's benchmark.
using bench::DiscardingTab;
using bench::milliseconds;
using bench::settledWrite;

void row(const char* what, double ms, double bare, qsizetype bytes) {
    bench::printRatio(what, 28, ms, bare, bytes);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString folder = dir.path() + QLatin1Char('/');
    // Each bare write replaces a file of its own size, as the measured writes do:
    // truncating a larger file costs more.
    const QByteArray barePage = QFile::encodeName(folder + QStringLiteral("bare_page.bin"));
    const QByteArray bareSettings = QFile::encodeName(folder + QStringLiteral("bare_settings.bin"));
    const QString settingsPath = folder + QStringLiteral("settings.txt");

    std::printf("Folder: %s\n", qPrintable(dir.path()));
    std::printf("Each time is the best of several runs; \"bare\" is one fwrite of as many bytes "
                "to the same folder; every write starts after a sync.\n");
    // The largest bar once more with labels of 200 characters, the longest page.
    QList<std::pair<int, int>> runs;
    for (int n : bench::buttonCounts(argc, argv))
        runs.append({n, 0});
    if (runs.last().first == kMaxButtons)
        runs.append({kMaxButtons, 200});
    for (const auto& [n, labelLength] : runs) {
        const int repetitions = n > 1000 ? 25 : 200;
        AppletSettings settings;
        settings.buttons = QString::number(n);
        bench::fillButtons(settings.table, n, labelLength);
        DiscardingTab tab;

        DeriveAppletValues(settings);
        const QByteArray pageBytes = BuildAppletPage(settings).bytes;
        const QByteArray settingsBytes = settingsFileBytes(settings);
        AppletSettings loaded;
        RecordSettingsTarget target(loaded);

        // The measurements take turns within each repetition, so a busy moment of
        // the machine hurts them alike.
        Best build, generateAndWrite, barePageWrite, settingsWrite, settingsRead, bareSettingsWrite;
        for (int i = 0; i < repetitions; ++i) {
            build.add(milliseconds([&] { BuildAppletPage(settings); }));
            generateAndWrite.add(settledWrite([&] { GenerateAppletPage(settings, folder, tab); }));
            barePageWrite.add(settledWrite([&] { bench::bareWrite(barePage, pageBytes); }));
            settingsWrite.add(settledWrite([&] { WriteSettingsFile(settings, settingsPath); }));
            settingsRead.add(milliseconds([&] {
                SettingsLineReader reader(readWholeFile(settingsPath));
                if (loadSettings(reader, target) != LoadResult::Loaded)
                    std::exit(1);
            }));
            bareSettingsWrite.add(
                settledWrite([&] { bench::bareWrite(bareSettings, settingsBytes); }));
        }
        if (loaded.table.entry(ButtonField::Frame, n) != QStringLiteral("main") ||
            readWholeFile(folder + QStringLiteral("untitled.html")) != pageBytes) {
            std::fprintf(stderr, "the files did not come out as built\n");
            return 1;
        }

        std::printf("N = %d%s (best of %d)\n", n, labelLength ? ", 200-character labels" : "",
                    repetitions);
        row("page built in memory", build.ms, barePageWrite.ms, pageBytes.size());
        row("page generation + write", generateAndWrite.ms, barePageWrite.ms, pageBytes.size());
        row("settings write", settingsWrite.ms, bareSettingsWrite.ms, settingsBytes.size());
        row("settings read", settingsRead.ms, bareSettingsWrite.ms, settingsBytes.size());
    }
    std::printf("Targets at N = %d: page generation + write and settings read each within 3x "
                "of the bare fwrite.\n",
                kMaxButtons);
    return 0;
}

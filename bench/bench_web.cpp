// Times the web page (generation alone, and generation + write as Make HTML does
// it) beside the applet page and beside the plainest write of the same number of
// bytes into the same folder, in the same run; and both pages beside the floor of
// a safe replace (write to a temporary file, rename over an existing file of the
// same size), that floor with the replaced file freed off the clock as Brivane's
// writer frees it, and QSaveFile. --quick: small bars only.
#include "model/file_io.h"
#include "model/page_generator.h"
#include "model/web_page.h"

#include "bench_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

using namespace brivane;

namespace {

using bench::Best;
using bench::DiscardingTab;
using bench::milliseconds;

const QString kLanguage = QStringLiteral("en");
using bench::settledWrite;

void row(const char* what, double ms, double bare, qsizetype bytes) {
    bench::printRatio(what, 30, ms, bare, bytes);
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // Each page, and each bare write, replaces a file of its own size in a folder
    // of its own, and starts from a settled disk, as brivane_bench measures.
    const QString folder = dir.path() + QLatin1Char('/');
    const QString webFolder = folder + QStringLiteral("web/");
    const QString appletFolder = folder + QStringLiteral("applet/");
    if (!QDir(folder).mkdir(QStringLiteral("web")) ||
        !QDir(folder).mkdir(QStringLiteral("applet"))) {
        std::fprintf(stderr, "no folders for the pages\n");
        return 1;
    }
    const QByteArray bareWebName = QFile::encodeName(folder + QStringLiteral("bare_web.bin"));
    const QByteArray bareAppletName = QFile::encodeName(folder + QStringLiteral("bare_applet.bin"));
    const QString renamedWeb = folder + QStringLiteral("renamed_web.html");
    const QString renamedApplet = folder + QStringLiteral("renamed_applet.html");
    const QString savedWeb = folder + QStringLiteral("saved_web.html");
    const QString savedApplet = folder + QStringLiteral("saved_applet.html");
    std::printf("Folder: %s\n", qPrintable(dir.path()));
    std::printf("Each time is the best of several runs; \"bare\" is one fwrite of as many bytes "
                "to the same folder.\n");
    const std::vector<int> sizes =
        quick ? std::vector<int>{4, 40} : std::vector<int>{4, 300, kMaxButtons};
    for (int n : sizes) {
        const int repetitions = n > 1000 ? 25 : 200;
        AppletSettings settings;
        settings.buttons = QString::number(n);
        bench::fillButtons(settings.table, n);
        DeriveAppletValues(settings);
        DiscardingTab tab;
        const QString webPage = webFolder + QStringLiteral("untitled.html");
        const QByteArray webBytes = BuildWebPage(settings, kLanguage, webPage).bytes;
        const QByteArray appletBytes = BuildAppletPage(settings).bytes;

        Best build, web, bareWeb, applet, bareApplet;
        Best renameWeb, renameApplet, saveWeb, saveApplet, heldWeb, heldApplet;
        // The floor with the replaced file freed after the clock has stopped.
        const auto holdingReplaced = [](const QString& name, const QByteArray& bytes) {
            int replaced = -1;
            const double ms = settledWrite([&] {
                replaced = bench::writeAndRenameHoldingReplaced(QFile::encodeName(name), bytes);
            });
            ::close(replaced);
            return ms;
        };
        for (int i = 0; i < repetitions; ++i) {
            renameWeb.add(settledWrite(
                [&] { bench::writeAndRename(QFile::encodeName(renamedWeb), webBytes); }));
            renameApplet.add(settledWrite(
                [&] { bench::writeAndRename(QFile::encodeName(renamedApplet), appletBytes); }));
            heldWeb.add(holdingReplaced(renamedWeb, webBytes));
            heldApplet.add(holdingReplaced(renamedApplet, appletBytes));
            saveWeb.add(settledWrite([&] { bench::saveFileWrite(savedWeb, webBytes); }));
            saveApplet.add(settledWrite([&] { bench::saveFileWrite(savedApplet, appletBytes); }));
            build.add(milliseconds([&] { BuildWebPage(settings, kLanguage, webPage); }));
            web.add(settledWrite([&] { GenerateWebPage(settings, webFolder, kLanguage, tab); }));
            bareWeb.add(settledWrite([&] { bench::bareWrite(bareWebName, webBytes); }));
            applet.add(settledWrite([&] { GenerateAppletPage(settings, appletFolder, tab); }));
            bareApplet.add(settledWrite([&] { bench::bareWrite(bareAppletName, appletBytes); }));
        }
        if (readWholeFile(webPage) != webBytes) {
            std::fprintf(stderr, "the web page did not come out as built\n");
            return 1;
        }

        std::printf("N = %d (best of %d)\n", n, repetitions);
        row("web page generation", build.ms, bareWeb.ms, webBytes.size());
        row("web page generation + write", web.ms, bareWeb.ms, webBytes.size());
        row("web page write + rename", renameWeb.ms, bareWeb.ms, webBytes.size());
        row("  replaced file freed later", heldWeb.ms, bareWeb.ms, webBytes.size());
        row("web page QSaveFile", saveWeb.ms, bareWeb.ms, webBytes.size());
        row("applet page generation + write", applet.ms, bareApplet.ms, appletBytes.size());
        row("applet page write + rename", renameApplet.ms, bareApplet.ms, appletBytes.size());
        row("  replaced file freed later", heldApplet.ms, bareApplet.ms, appletBytes.size());
        row("applet page QSaveFile", saveApplet.ms, bareApplet.ms, appletBytes.size());
        std::printf("  generation + write against write + rename: web %.2fx, applet %.2fx\n",
                    web.ms / renameWeb.ms, applet.ms / renameApplet.ms);
        std::printf("  the same against the floor that frees the replaced file later: web %.2fx, "
                    "applet %.2fx\n",
                    web.ms / heldWeb.ms, applet.ms / heldApplet.ms);
    }
    std::printf("Target at N = %d: generation + write within 1.5x of write + rename, for the web "
                "page and the applet page.\n",
                kMaxButtons);
    return 0;
}

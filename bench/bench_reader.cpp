// Times the page reader (File > Import Applet Page, brivane-convert): the largest
// page Brivane writes (32,766 buttons with 200-character labels) read and applied,
// target under 50 ms; and hostile pages of 1, 2 and 4 MB, whose times must grow
// in proportion to their size (each doubling about 2x). --quick: 2,000 buttons
// and hostile pages of 256 KB to 1 MB.
#include "model/applet_import.h"
#include "model/page_generator.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

using namespace brivane;

namespace {

double bestMs(const std::function<void()>& run, int times) {
    double best = 1e18;
    for (int i = 0; i < times; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

QByteArray repeated(const QByteArray& piece, qsizetype size) {
    return piece.repeated(size / piece.size());
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int buttons = quick ? 2000 : kMaxButtons - 1;
    const int firstShift = quick ? 18 : 20;
    AppletSettings settings;
    settings.buttons = QString::number(buttons);
    for (int k = 1; k <= buttons; ++k) {
        settings.table.setEntry(ButtonField::Label, k, QString(200, QChar(u'a' + k % 26)));
        settings.table.setEntry(ButtonField::Link, k, QStringLiteral("page%1.html").arg(k));
    }
    DeriveAppletValues(settings);
    const QByteArray largest = BuildAppletPage(settings).bytes;
    const double largestMs = bestMs(
        [&] {
            AppletSettings into;
            RecordImportTarget target(into);
            applyImportedApplet(readAppletPage(largest), target);
        },
        10); // the first few runs find the heap still growing, at a page fault per 4 KB
    std::printf("page of %d buttons with 200-character labels (%.1f MB): read and applied in "
                "%.1f ms, best of 10 (target for the largest, 32,766 buttons: under 50 ms)\n",
                buttons, largest.size() / 1e6, largestMs);

    const QByteArray bar = "<applet code=button.class>";
    const struct {
        const char* name;
        std::function<QByteArray(qsizetype)> make;
    } hostile[] = {
        {"applet tags", [&](qsizetype n) { return repeated(bar, n); }},
        {"unclosed comments", [&](qsizetype n) { return repeated("<!--", n) + bar; }},
        {"comments holding applets",
         [&](qsizetype n) { return repeated("<!--<applet code=button.class x -->", n); }},
        {"escaped scripts", [&](qsizetype n) { return repeated("<script><!--<script>-", n); }},
        {"nested svg",
         [&](qsizetype n) { return "<svg>" + repeated("<g>", n) + repeated("</x>", n); }},
        {"nested tables",
         [&](qsizetype n) {
             return repeated("<table><tr><td><div>", n) + bar + repeated("</p>", n);
         }},
        {"params with references",
         [&](qsizetype n) {
             return bar + repeated("<param name=a value='&hearts&notin;&#x41;'>", n);
         }},
        {"open blocks",
         [&](qsizetype n) { return repeated("<div><p>", n) + repeated("</center>", n) + bar; }},
    };
    std::printf("hostile pages: %d KB, %d KB, %d KB (best of 3)\n", 1 << (firstShift - 10),
                2 << (firstShift - 10), 4 << (firstShift - 10));
    for (const auto& page : hostile) {
        double ms[3];
        for (int i = 0; i < 3; ++i) {
            const QByteArray bytes = page.make(qsizetype(1) << (firstShift + i));
            ms[i] = bestMs([&] { readAppletPage(bytes); }, 3);
        }
        std::printf("  %-26s %8.1f %8.1f %8.1f ms  (x%.1f, x%.1f)\n", page.name, ms[0], ms[1],
                    ms[2], ms[1] / std::max(ms[0], 0.01), ms[2] / std::max(ms[1], 0.01));
    }
    return 0;
}

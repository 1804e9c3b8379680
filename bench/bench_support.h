#pragma once

// What the benchmark programs share: the reference they measure against, the
// buttons they measure with and their command line.
#include "model/applet_settings.h"
#include "model/page_generator.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <unistd.h>

namespace brivane::bench {

// The reference: one fopen, one fwrite, one fclose of the same number of bytes.
inline void bareWrite(const QByteArray& name, const QByteArray& bytes) {
    FILE* file = std::fopen(name.constData(), "wb");
    if (!file ||
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) != size_t(bytes.size())) {
        std::perror("bare write");
        std::exit(1);
    }
    std::fclose(file);
}

// The floor of a safe replace: the same bytes written to a temporary file that
// is then renamed over `name` (an existing file of the same size, in the runs).
inline void writeAndRename(const QByteArray& name, const QByteArray& bytes) {
    const QByteArray temporary = name + ".new";
    bareWrite(temporary, bytes);
    if (std::rename(temporary.constData(), name.constData()) != 0) {
        std::perror("rename");
        std::exit(1);
    }
}

// The same floor with the replaced file freed off the clock, as Brivane's writer
// frees it: held open over the rename; the caller closes what this returns
// after the clock has stopped.
inline int writeAndRenameHoldingReplaced(const QByteArray& name, const QByteArray& bytes) {
    const int replaced = ::open(name.constData(), O_PATH | O_CLOEXEC);
    writeAndRename(name, bytes);
    return replaced;
}

// The well-kept library's way of the same: QSaveFile (which also syncs).
inline void saveFileWrite(const QString& name, const QByteArray& bytes) {
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "QSaveFile failed\n");
        std::exit(1);
    }
}

// Every timed write starts from a settled disk, as a click meets it: otherwise it
// waits for the write before it to go out (a rename or a truncation over a file
// still being written back blocks), whichever program wrote it, and a comparison
// with the bare write measures the disk rather than the program.
inline void settleDisk() {
    ::sync();
}

// Buttons 1..n with a label, link, image and frame each, as a real bar would have.
// labelLength > 0 pads each label to that many characters.
inline void fillButtons(ButtonTable& table, int n, int labelLength = 0) {
    for (int k = 1; k <= n; ++k) {
        QString label = QStringLiteral("Button %1").arg(k);
        if (labelLength > 0)
            label = label.leftJustified(labelLength, u'.', true);
        table.setEntry(ButtonField::Label, k, label);
        table.setEntry(ButtonField::Link, k, QStringLiteral("page_%1.html").arg(k));
        table.setEntry(ButtonField::Image, k, QStringLiteral("button_%1.gif").arg(k));
        table.setEntry(ButtonField::Frame, k, QStringLiteral("main"));
    }
}

inline double milliseconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

inline double milliseconds(const std::function<void()>& run) {
    QElapsedTimer timer;
    timer.start();
    run();
    return milliseconds(timer);
}

// A timed write from a settled disk (see settleDisk).
inline double settledWrite(const std::function<void()>& run) {
    settleDisk();
    return milliseconds(run);
}

// A tab that keeps nothing: the benchmarks time the page, not a display of it.
class DiscardingTab : public HtmlTab {
public:
    void clear() override {}
    void setLines(const AppletPage&) override {}
};

// One measured line: its time beside the bare write's, and their ratio; `width`
// is the column the program's longest label needs.
inline void printRatio(const char* what, int width, double ms, double bare, qsizetype bytes) {
    std::printf("  %-*s %9.3f ms   bare fwrite %9.3f ms   ratio %6.2f   (%lld bytes)\n", width,
                what, ms, bare, ms / bare, static_cast<long long>(bytes));
}

// The best of several samples: the least disturbed one.
struct Best {
    double ms = std::numeric_limits<double>::max();
    void add(double sample) { ms = std::min(ms, sample); }
};

// The button counts to run: all three, or with --quick only the two small ones
// (what CI runs, in seconds); --n N runs N alone (for a profiler).
inline QList<int> buttonCounts(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            return {4, 100};
        if (std::strcmp(argv[i], "--n") == 0 && i + 1 < argc)
            return {std::clamp(std::atoi(argv[i + 1]), 1, kMaxButtons)};
    }
    return {4, 100, kMaxButtons};
}

} // namespace brivane::bench

// Times brivane-convert's whole run over many typical pages: 1000 pages of about
// 20 KB, each with a bar of up to 20 buttons amid the page's own text, converted
// into a folder of their own. The target is under 2 seconds. Then a whole site:
// the same 1000 pages in folders, with 2000 other files of 10 KB, converted and
// copied into a new folder, under 3 seconds; and the converter's peak memory on
// that site beside its peak on the site's largest page alone, which it must not
// exceed by more than a little (pages are never all held at once).
// --quick: 50 pages and 100 other files.
#include "bench_support.h"
#include "convert/convert_command.h"
#include "model/applet_settings.h"
#include "model/page_generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace brivane;

namespace {

constexpr qsizetype kPageSize = 20 * 1024;

// A page as a site of old would hold one: text, then the bar Brivane wrote, then
// more text, about 20 KB in all.
QByteArray typicalPage(int index) {
    AppletSettings settings;
    const int buttons = 1 + index % 20;
    settings.buttons = QString::number(buttons);
    for (int k = 1; k <= buttons; ++k) {
        settings.table.setEntry(ButtonField::Label, k, QStringLiteral("Section %1").arg(k));
        settings.table.setEntry(ButtonField::Link, k, QStringLiteral("page%1.html").arg(k));
        settings.table.setEntry(ButtonField::Image, k, QStringLiteral("b%1.gif").arg(k));
    }
    DeriveAppletValues(settings);
    const QByteArray bar = BuildAppletPage(settings).appletLines().toByteArray();
    QByteArray text;
    while (text.size() < (kPageSize - bar.size()) / 2)
        text += "<p>Some of the page's own words, as any page has them.</p>\r\n";
    return "<html><head><title>Page</title></head><body>\r\n" + text + bar + text +
           "</body></html>\r\n";
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The real program on the arguments, in a process of its own: its peak resident
// memory in KB (-1: it could not be run).
long peakMemoryKb(const QStringList& arguments) {
    QList<QByteArray> bytes{QByteArrayLiteral(BRIVANE_CONVERT)};
    for (const QString& argument : arguments)
        bytes << QFile::encodeName(argument);
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status))
        return -1;
    return usage.ru_maxrss;
}

// A site: the pages in ten folders two deep, the other files of 10 KB beside
// them. Gives the path of its largest page.
QString makeSite(const QString& root, int pages, int others, qint64& bytes) {
    QString largest;
    qsizetype largestSize = 0;
    QByteArray other(10 * 1024, 'x');
    for (int i = 0; i < pages + others; ++i) {
        const QString folder = root + QStringLiteral("/part%1/sub%2").arg(i % 10).arg(i % 3);
        if (!QDir().mkpath(folder))
            return QString();
        const bool page = i < pages;
        const QByteArray content = page ? typicalPage(i) : other;
        other[i % other.size()] = char('a' + i % 26); // files of their own
        const QString path =
            folder + (page ? QStringLiteral("/page%1.html") : QStringLiteral("/file%1.gif")).arg(i);
        if (!writeFile(path, content))
            return QString();
        bytes += content.size();
        if (page && content.size() > largestSize) {
            largest = path;
            largestSize = content.size();
        }
    }
    return largest;
}

double cpuSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The reference for a site: each file read and written anew with fopen and
// fwrite into the same tree, nothing checked, nothing kept.
void bareCopy(const QString& site, const QString& copy) {
    QDirIterator it(site, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = copy + u'/' + QDir(site).relativeFilePath(path);
        QDir().mkpath(QFileInfo(target).path());
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            std::exit(1);
        bench::bareWrite(QFile::encodeName(target), file.readAll());
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int pages = quick ? 50 : 1000;

    QTemporaryDir dir;
    if (!dir.isValid() || !QDir(dir.path()).mkdir(QStringLiteral("out")))
        return 1;
    QStringList arguments{QStringLiteral("brivane-convert"), QStringLiteral("--output-dir"),
                          dir.filePath(QStringLiteral("out"))};
    qint64 bytes = 0;
    for (int i = 0; i < pages; ++i) {
        const QString path = dir.filePath(QStringLiteral("page%1.html").arg(i));
        QFile file(path);
        const QByteArray page = typicalPage(i);
        if (!file.open(QIODevice::WriteOnly) || file.write(page) != page.size())
            return 1;
        bytes += page.size();
        arguments << path;
    }

    std::FILE* sink = std::fopen("/dev/null", "w");
    QElapsedTimer timer;
    timer.start();
    const int status = runConvertCommand(arguments, sink, stderr);
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::fclose(sink);
    std::printf("brivane-convert: %d pages (%.1f MB) in %.3f s (target for 1000: under 2 s), "
                "status %d\n",
                pages, bytes / 1e6, seconds, status);
    if (status != 0)
        return status;

    const int others = quick ? 100 : 2000;
    const QString site = dir.filePath(QStringLiteral("site"));
    qint64 siteBytes = 0;
    const QString largest = makeSite(site, pages, others, siteBytes);
    if (largest.isEmpty())
        return 1;
    const QString copy = dir.filePath(QStringLiteral("copy"));
    const QStringList siteArguments{QStringLiteral("brivane-convert"),
                                    QStringLiteral("--output-dir"), copy, site};
    sink = std::fopen("/dev/null", "w");
    bench::settleDisk();
    const double cpuBefore = cpuSeconds();
    timer.restart();
    const int siteStatus = runConvertCommand(siteArguments, sink, stderr);
    const double siteSeconds = timer.nsecsElapsed() / 1e9;
    const double siteCpu = cpuSeconds() - cpuBefore;
    std::fclose(sink);
    bench::settleDisk();
    const double bareSeconds =
        bench::milliseconds([&] { bareCopy(site, dir.filePath(QStringLiteral("bare"))); }) / 1e3;
    std::printf("brivane-convert on a site: %d pages and %d other files (%.1f MB) in %.3f s, "
                "%.3f s of processor time (target for 1000 and 2000: under 3 s), status %d; "
                "the bare copy of the same files: %.3f s\n",
                pages, others, siteBytes / 1e6, siteSeconds, siteCpu, siteStatus, bareSeconds);

    const long siteKb =
        peakMemoryKb({QStringLiteral("--output-dir"), dir.filePath(QStringLiteral("copy2")), site});
    const long pageKb = peakMemoryKb(
        {QStringLiteral("--output-dir"), dir.filePath(QStringLiteral("one")), largest});
    std::printf("brivane-convert peak memory: %ld KB on the site, %ld KB on its largest page "
                "alone (%.1f MB of pages in all)\n",
                siteKb, pageKb, siteBytes / 1e6);
    return siteStatus;
}

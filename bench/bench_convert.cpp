// Times brivane-convert's whole run over many typical pages: 1000 pages of about
// 20 KB, each with a bar of up to 20 buttons amid the page's own text, converted
// into a folder of their own. The target is under 2 seconds. --quick: 50 pages.
#include "convert/convert_command.h"
#include "model/applet_settings.h"
#include "model/page_generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

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
    return status;
}

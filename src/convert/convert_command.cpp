#include "convert/convert_command.h"

#include "model/errors.h"
#include "model/page_conversion.h"
#include "model/text_file.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace brivane {

namespace {

constexpr int kProgressAbove = 20;

const char kUsage[] =
    "Usage: brivane-convert [--output-dir DIR] PAGE...\n"
    "Writes a web page (HTML and CSS, no applet) for each PAGE that holds a button bar\n"
    "applet, as NAME.web.html beside the page or in DIR. An existing file is never\n"
    "replaced. Everything outside the applet block stays as it was.\n"
    "\n"
    "  --output-dir DIR  write the web pages into DIR\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 when every page was converted, 1 when some page was not, 2 for a\n"
    "wrong call.\n";

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// Converts one page; returns the line that reports it.
QString convertOne(const QString& page, const QString& outputDir, bool& converted) {
    converted = false;
    const QFileInfo info(page);
    const QString name = webPageFileName(info.fileName());
    const QString target =
        (outputDir.isEmpty() ? info.path() : outputDir) + QLatin1Char('/') + name;
    const QString shownTarget = outputDir.isEmpty() ? name : target;
    try {
        const QByteArray bytes = readWholeFile(page);
        const ConvertedPage result = convertAppletPage(bytes, page);
        writeNewFileAtomically(target, result.bytes);
        converted = true;
        QString line = QStringLiteral("converted %1 -> %2 (%3 button%4)")
                           .arg(page, shownTarget)
                           .arg(result.buttons)
                           .arg(result.buttons == 1 ? QString() : QStringLiteral("s"));
        // Params the page lacks take the start-up values, as an import leaves them;
        // only values that were there and could not be used are worth a word.
        QStringList unused;
        for (const ImportProblem& problem : result.problems) {
            if (problem.kind != ImportProblem::Kind::Missing)
                unused << problem.text;
        }
        if (!unused.isEmpty())
            line +=
                QStringLiteral("; not used: ") + shownProblems(unused).join(QStringLiteral("; "));
        return line;
    } catch (const IoError& e) {
        if (e.code() == EEXIST)
            return QStringLiteral("failed %1: %2 exists already, not replaced")
                .arg(page, shownTarget);
        return QStringLiteral("failed %1: %2").arg(page, e.message());
    } catch (const Error& e) {
        return QStringLiteral("failed %1: %2").arg(page, e.message());
    } catch (const std::bad_alloc&) {
        return QStringLiteral("failed %1: out of memory").arg(page);
    }
}

} // namespace

int runConvertCommand(const QStringList& arguments, std::FILE* out, std::FILE* err) {
    QStringList pages;
    QString outputDir;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnd || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            pages << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            print(out, QString::fromLatin1(kUsage));
            return kConvertAllDone;
        } else if (argument == QLatin1String("--version")) {
            print(out, QStringLiteral("brivane-convert %1\n").arg(QStringLiteral(BRIVANE_VERSION)));
            return kConvertAllDone;
        } else if (argument == QLatin1String("--output-dir") && i + 1 < arguments.size()) {
            outputDir = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--output-dir="))) {
            outputDir = argument.mid(int(sizeof("--output-dir=") - 1));
        } else {
            print(err, QStringLiteral("brivane-convert: unknown option %1\n").arg(argument));
            print(err, QString::fromLatin1(kUsage));
            return kConvertUsage;
        }
    }
    if (pages.isEmpty()) {
        print(err, QStringLiteral("brivane-convert: no page given\n"));
        print(err, QString::fromLatin1(kUsage));
        return kConvertUsage;
    }
    if (!outputDir.isEmpty() && !QFileInfo(outputDir).isDir()) {
        print(err, QStringLiteral("brivane-convert: %1 is not a folder\n").arg(outputDir));
        return kConvertUsage;
    }

    const bool showProgress = pages.size() > kProgressAbove && ::isatty(fileno(err));
    int done = 0;
    int failed = 0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        bool converted = false;
        const QString line = convertOne(pages.at(i), outputDir, converted);
        // The count stands on the terminal's last line: cleared before each page's
        // line (both streams may share the terminal), written anew after it.
        if (showProgress)
            print(err, QStringLiteral("\r\x1b[K"));
        print(out, line + u'\n');
        std::fflush(out);
        ++(converted ? done : failed);
        if (showProgress) {
            print(err, QStringLiteral("%1/%2 pages").arg(i + 1).arg(pages.size()));
            std::fflush(err);
        }
    }
    if (showProgress)
        print(err, QStringLiteral("\r\x1b[K"));
    print(out, QStringLiteral("%1 converted, %2 failed\n").arg(done).arg(failed));
    std::fflush(out);
    return failed == 0 ? kConvertAllDone : kConvertSomeFailed;
}

} // namespace brivane

#include "convert/convert_command.h"

#include "convert/site_files.h"
#include "model/atomic_file_writer.h"
#include "model/errors.h"
#include "model/file_io.h"
#include "model/file_names.h"
#include "model/page_conversion.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace brivane {

namespace {

constexpr int kProgressAbove = 20;
// The running count is drawn at most this often (ten times a second): a
// terminal that is redrawn for every one of thousands of files slows the run.
constexpr qint64 kProgressIntervalMs = 100;

const char kUsage[] =
    "Usage: brivane-convert [--output-dir NEW] PATH...\n"
    "Writes a web page (HTML and CSS, no applet) for each page that holds a button\n"
    "bar applet, as NAME.web.html beside the page or in NEW. A PATH that is a folder\n"
    "is a whole site: it is copied into NEW with the same folders and names, each\n"
    "page with a bar converted, every other file copied as it is. An existing file\n"
    "is never replaced. Everything outside the applet block stays as it was.\n"
    "\n"
    "  --output-dir NEW  write into the folder NEW (made when missing)\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 when every file was done, 1 when some file was not, 2 for a\n"
    "wrong call.\n";

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

QString shown(const QString& path) {
    return printableFileName(path);
}

QString shown(const QByteArray& path) {
    return printableFileName(fileNameFromBytes(path));
}

// The line of a converted page, with the values of the applet that could not be
// used as they were.
QString convertedLine(const QString& page, const QString& target, const ConvertedPage& result) {
    QString line = QStringLiteral("converted %1 -> %2 (%3 button%4)")
                       .arg(shown(page), shown(target), QString::number(result.buttons),
                            result.buttons == 1 ? QString() : QStringLiteral("s"));
    // Params the page lacks take the start-up values, as an import leaves them;
    // only values that were there and could not be used are worth a word.
    QStringList unused;
    for (const ImportProblem& problem : result.problems) {
        if (problem.kind != ImportProblem::Kind::Missing)
            unused << problem.text;
    }
    if (!unused.isEmpty())
        line += QStringLiteral("; not used: ") + shownProblems(unused).join(QStringLiteral("; "));
    return line;
}

QString failedLine(const QString& source, const QString& target, const Error& error) {
    const auto* io = dynamic_cast<const IoError*>(&error);
    if (io && io->code() == EEXIST)
        return QStringLiteral("failed %1: %2 exists already, not replaced")
            .arg(shown(source), shown(target));
    return QStringLiteral("failed %1: %2").arg(shown(source), error.message());
}

QString outOfMemoryLine(const QString& source) {
    return QStringLiteral("failed %1: out of memory").arg(shown(source));
}

// Converts one page given on its own; returns the line that reports it.
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
        return convertedLine(page, shownTarget, result);
    } catch (const Error& e) {
        return failedLine(page, shownTarget, e);
    } catch (const std::bad_alloc&) {
        return outOfMemoryLine(page);
    }
}

// The running count on standard error, for long runs on a terminal. It stands
// on the terminal's last line: cleared before a report line (both streams may
// share the terminal) and drawn anew at most every kProgressIntervalMs.
class Progress {
public:
    Progress(std::FILE* err, bool shown, qsizetype total, const char* what)
        : err_(err), enabled_(shown), total_(total), what_(QString::fromLatin1(what)) {
        clock_.start();
    }
    // A report line on `out`, the count cleared off the terminal first.
    void report(std::FILE* out, const QString& line) {
        beforeLine();
        print(out, line + u'\n');
        std::fflush(out);
    }
    void done(qsizetype count) {
        if (!enabled_ || (lastDraw_ >= 0 && clock_.elapsed() - lastDraw_ < kProgressIntervalMs))
            return;
        lastDraw_ = clock_.elapsed();
        beforeLine();
        print(
            err_,
            QStringLiteral("%1/%2 %3").arg(QString::number(count), QString::number(total_), what_));
        std::fflush(err_);
        drawn_ = true;
    }

private:
    void beforeLine() {
        if (drawn_) {
            print(err_, QStringLiteral("\r\x1b[K"));
            drawn_ = false;
        }
    }

    std::FILE* err_;
    bool enabled_;
    qsizetype total_;
    QString what_;
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1;
    bool drawn_ = false;
};

bool isTerminal(std::FILE* stream) {
    return ::isatty(fileno(stream));
}

int convertPages(const QStringList& pages, const QString& outputDir, std::FILE* out,
                 std::FILE* err) {
    Progress progress(err, pages.size() > kProgressAbove && isTerminal(err), pages.size(), "pages");
    int done = 0;
    int failed = 0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        bool converted = false;
        const QString line = convertOne(pages.at(i), outputDir, converted);
        progress.report(out, line);
        ++(converted ? done : failed);
        progress.done(i + 1);
    }
    progress.report(out, QStringLiteral("%1 converted, %2 failed")
                             .arg(QString::number(done), QString::number(failed)));
    return failed == 0 ? kConvertAllDone : kConvertSomeFailed;
}

// A whole site: each PATH's folder mirrored under NEW, with pages converted.
class SiteRun {
public:
    SiteRun(const QByteArray& outputDir, std::FILE* out) : outputDir_(outputDir), out_(out) {}

    // What a PATH holds, with where each entry goes: a folder's contents into NEW
    // itself, a file given on its own into NEW by its name.
    void add(const QByteArray& path, bool folder) {
        if (folder) {
            for (SiteEntry& entry : walkSite(path))
                entries_.push_back(std::move(entry));
            return;
        }
        struct stat st;
        SiteEntry entry;
        entry.source = path;
        entry.relative = path.mid(path.lastIndexOf('/') + 1);
        if (::stat(path.constData(), &st) == 0)
            entry.modified = st.st_mtim;
        entries_.push_back(entry);
    }

    int run(std::FILE* err) {
        qsizetype files = 0;
        qsizetype pages = 0;
        for (const SiteEntry& entry : entries_) {
            if (entry.kind == SiteEntry::Kind::File) {
                ++files;
                pages += isPageName(entry.relative) ? 1 : 0;
            }
        }
        Progress progress(err, pages > kProgressAbove && isTerminal(err), files, "files");
        qsizetype count = 0;
        for (const SiteEntry& entry : entries_) {
            const QString line = handle(entry);
            if (!line.isEmpty())
                progress.report(out_, line);
            if (entry.kind == SiteEntry::Kind::File)
                progress.done(++count);
        }
        progress.report(out_, QStringLiteral("%1 converted, %2 failed, %3 copied")
                                  .arg(QString::number(converted_), QString::number(failed_),
                                       QString::number(copied_)));
        return failed_ == 0 ? kConvertAllDone : kConvertSomeFailed;
    }

private:
    QByteArray targetOf(const SiteEntry& entry) const {
        return entry.relative.isEmpty() ? outputDir_ : outputDir_ + '/' + entry.relative;
    }

    // The line that reports the entry (none for a copy or a folder made).
    QString handle(const SiteEntry& entry) {
        const QString source = fileNameFromBytes(entry.source);
        const QString target = fileNameFromBytes(targetOf(entry));
        try {
            if (entry.error != 0)
                throw IoError(entry.error, ioMessage(entry.error, source, true));
            for (const QByteArray& folder : failedFolders_) {
                if (entry.relative.startsWith(folder + '/'))
                    throw Error(QStringLiteral("its folder %1 could not be made")
                                    .arg(shown(outputDir_ + '/' + folder)));
            }
            switch (entry.kind) {
            case SiteEntry::Kind::Folder:
                makeFolder(targetOf(entry));
                return QString();
            case SiteEntry::Kind::Unreadable:
                return QString(); // the error above
            case SiteEntry::Kind::File:
                break;
            }
            if (!isPageName(entry.relative)) {
                copyToNewFile(source, target, entry.modified);
                ++copied_;
                return QString();
            }
            const QByteArray bytes = readWholeFile(source);
            try {
                const ConvertedPage result = convertAppletPage(bytes, source);
                writeNewFileAtomically(target, result.bytes);
                ++converted_;
                return convertedLine(source, target, result);
            } catch (const NoAppletError&) {
                writeNewCopy(target, bytes, entry.modified);
                ++copied_;
                return QString();
            }
        } catch (const Error& e) {
            return fail(entry, failedLine(source, target, e));
        } catch (const std::bad_alloc&) {
            return fail(entry, outOfMemoryLine(source));
        }
    }

    QString fail(const SiteEntry& entry, const QString& line) {
        ++failed_;
        if (entry.kind != SiteEntry::Kind::File)
            failedFolders_.push_back(entry.relative);
        return line;
    }

    QByteArray outputDir_;
    std::FILE* out_;
    std::vector<SiteEntry> entries_;
    std::vector<QByteArray> failedFolders_;
    int converted_ = 0;
    int failed_ = 0;
    int copied_ = 0;
};

bool isFolderPath(const QString& path) {
    struct stat st;
    return ::stat(fileNameBytes(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

int usageError(std::FILE* err, const QString& message) {
    print(err, QStringLiteral("brivane-convert: ") + message + u'\n');
    return kConvertUsage;
}

} // namespace

int runConvertCommand(const QStringList& arguments, std::FILE* out, std::FILE* err) {
    QStringList paths;
    QString outputDir;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnd || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            paths << argument;
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
            print(err, QStringLiteral("brivane-convert: unknown option %1\n").arg(shown(argument)));
            print(err, QString::fromLatin1(kUsage));
            return kConvertUsage;
        }
    }
    if (paths.isEmpty()) {
        print(err, QStringLiteral("brivane-convert: no page given\n"));
        print(err, QString::fromLatin1(kUsage));
        return kConvertUsage;
    }

    QList<bool> folders;
    bool site = false;
    for (const QString& path : paths) {
        folders << isFolderPath(path);
        site = site || folders.last();
    }
    if (site && outputDir.isEmpty()) {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (folders.at(i))
                return usageError(err, QStringLiteral("%1 is a folder: a whole site is converted "
                                                      "into a folder of its own, given with "
                                                      "--output-dir NEW")
                                           .arg(shown(paths.at(i))));
        }
    }
    if (outputDir.isEmpty())
        return convertPages(paths, outputDir, out, err);

    const QByteArray outputBytes = fileNameBytes(outputDir);
    // Writing the site into itself would walk into what it writes.
    const QByteArray plannedOutput = plannedRealPath(outputBytes);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (!folders.at(i))
            continue;
        const QByteArray folder = plannedRealPath(fileNameBytes(paths.at(i)));
        if (plannedOutput == folder || folder == "/" || plannedOutput.startsWith(folder + '/'))
            return usageError(err, QStringLiteral("the output folder %1 lies inside %2: choose "
                                                  "one outside the site")
                                       .arg(shown(outputDir), shown(paths.at(i))));
    }
    struct stat st;
    if (::stat(outputBytes.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
        return usageError(err, QStringLiteral("%1 is not a folder").arg(shown(outputDir)));
    try {
        makeFolders(outputBytes);
    } catch (const Error& e) {
        return usageError(err, QStringLiteral("cannot make the output folder %1: %2")
                                   .arg(shown(outputDir), e.message()));
    }
    if (!site)
        return convertPages(paths, outputDir, out, err);

    SiteRun run(outputBytes, out);
    for (qsizetype i = 0; i < paths.size(); ++i)
        run.add(fileNameBytes(paths.at(i)), folders.at(i));
    return run.run(err);
}

} // namespace brivane

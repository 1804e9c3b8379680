#include "platform/desktop_shell.h"

#include "model/errors.h"
#include "model/file_io.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace brivane {

namespace {
// Schemes that name an address rather than a file on this machine.
bool hasAddressScheme(const QString& file) {
    static const char* const schemes[] = {"http:", "https:", "mailto:", "ftp:", "file:"};
    for (const char* scheme : schemes)
        if (file.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}
} // namespace

QUrl DesktopShell::documentUrl(const QString& file) {
    if (hasAddressScheme(file))
        return QUrl(file, QUrl::TolerantMode);
    return QUrl::fromLocalFile(file);
}

void DesktopShell::execute(const ShellRequest& request) {
    if (request.verb == QLatin1String("open")) {
        QDesktopServices::openUrl(documentUrl(request.file));
        return;
    }
    QStringList arguments;
    if (!request.parameter.isEmpty())
        arguments << request.parameter;
    QProcess::startDetached(request.file, arguments);
}

bool NoOverwriteFileCopier::copyFile(const QString& source, const QString& target) {
    // The same checks as every other file the program touches: no path the file
    // system cannot take, and a source that is a regular file, opened without
    // waiting (a pipe chosen as the picture would otherwise hold the window).
    if (!isStorablePath(source) || !isStorablePath(target))
        return false;
    std::optional<InputFile> in;
    try {
        in.emplace(source);
    } catch (const IoError&) {
        return false;
    }

    const QByteArray targetName = QFile::encodeName(target);
    // O_EXCL makes "create only if absent" one step: no window in which another
    // file could appear and be replaced.
    const int fd = ::open(targetName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;

    bool ok = true;
    char buffer[64 * 1024];
    try {
        for (;;) {
            const qsizetype got = in->read(buffer, sizeof buffer);
            if (got == 0)
                break;
            const char* p = buffer;
            qsizetype left = got;
            while (ok && left > 0) {
                const ssize_t put = ::write(fd, p, size_t(left));
                if (put < 0 && errno == EINTR)
                    continue;
                ok = put > 0;
                if (ok) {
                    p += put;
                    left -= put;
                }
            }
            if (!ok)
                break;
        }
    } catch (const IoError&) {
        ok = false;
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        ::unlink(targetName.constData()); // ours: it was created exclusively above
    return ok;
}

} // namespace brivane

#pragma once

#include "platform/shell.h"

#include <QString>
#include <QUrl>

namespace brivane {

// The desktop's side of shell requests. Verb "open": the document or address
// goes to the desktop's URL handler (local paths as files, web and mail
// addresses as they are). No verb: the program is started directly, detached,
// with the parameter as its one argument, so a path with blanks arrives whole
// and nothing passes through a command shell. Nothing is reported either way.
class DesktopShell : public Shell {
public:
    void execute(const ShellRequest& request) override;

    // How a document or address of an "open" request becomes a URL.
    static QUrl documentUrl(const QString& file);
};

// Copies a file, refusing to replace one that exists. The target is created
// exclusively, so a file that appears meanwhile is never overwritten, and a
// copy that fails half-way leaves no partial target behind. Only a regular file
// is copied (a pipe or a device is refused at once, never waited on), and a
// path holding NUL is refused before anything is touched.
class NoOverwriteFileCopier : public FileCopier {
public:
    bool copyFile(const QString& source, const QString& target) override;
};

} // namespace brivane

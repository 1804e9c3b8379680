#pragma once

#include <QString>

namespace brivane {

// A request to the desktop shell: open a document or address (verb "open"), or
// run a program (no verb) with one parameter. Results are never looked at.
struct ShellRequest {
    QString verb;      // "open" or empty
    QString file;      // document, address or program
    QString parameter; // empty for none; passed to a program as one argument

    friend bool operator==(const ShellRequest& a, const ShellRequest& b) {
        return a.verb == b.verb && a.file == b.file && a.parameter == b.parameter;
    }
};

class Shell {
public:
    virtual ~Shell() = default;
    virtual void execute(const ShellRequest& request) = 0;
};

// Copies a file, failing (quietly) when the target exists; the result is the
// caller's to ignore.
class FileCopier {
public:
    virtual ~FileCopier() = default;
    virtual bool copyFile(const QString& source, const QString& target) = 0;
};

// Shows a topic of a help file, by context number.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void showHelp(const QString& helpFile, int context) = 0;
};

} // namespace brivane

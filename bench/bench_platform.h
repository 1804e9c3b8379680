#pragma once

// What the benchmarks of the windows share: seams that answer nothing (a dialog
// the measured steps do not expect ends the run) and a preferences store kept
// in the benchmark's own folder.
#include "platform/platform.h"

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace brivane::bench {

// Answers the one dialog a benchmark may show, the open dialog, with openPath.
// Messages and errors end the run, unless shown ones are to be counted.
class BenchDialogs : public Dialogs {
public:
    std::optional<QString> openPath;
    bool countShown = false;
    QStringList shown;
    void showMessage(QWidget*, const QString& text) override { count(text); }
    void showError(QWidget*, const QString& text) override { count(text); }
    bool askYesNo(QWidget*, const QString&, const QString& text) override {
        fail(text);
        return false;
    }
    std::optional<QString> openFile(QWidget*, const FileDialogOptions&) override {
        return openPath;
    }
    std::optional<QString> saveFile(QWidget*, const FileDialogOptions&) override {
        fail(QStringLiteral("save dialog"));
        return std::nullopt;
    }
    std::optional<QColor> pickColor(QWidget*, const QColor&) override { return std::nullopt; }
    std::optional<QString> askText(QWidget*, const QString&, const QString& label,
                                   const QString&) override {
        fail(label);
        return std::nullopt;
    }

private:
    void count(const QString& text) {
        if (!countShown)
            fail(text);
        shown.append(text);
    }
    static void fail(const QString& text) {
        std::fprintf(stderr, "unexpected dialog: %s\n", qPrintable(text));
        std::exit(1);
    }
};

class NoShell : public Shell {
public:
    void execute(const ShellRequest&) override {}
};
class NoCopier : public FileCopier {
public:
    bool copyFile(const QString&, const QString&) override { return false; }
};
class NoHelp : public HelpViewer {
public:
    void showHelp(const QString&, int) override {}
};

struct BenchPlatform {
    BenchDialogs dialogs;
    NoShell shell;
    NoCopier copier;
    NoHelp help;
    Platform platform{dialogs, shell, copier, help};
};

// The preferences store and the working folder in `dir`, away from the machine's.
inline void keepPreferencesIn(const QTemporaryDir& dir) {
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::SystemScope, dir.filePath(QStringLiteral("system")));
        QSettings::setPath(format, QSettings::UserScope, dir.filePath(QStringLiteral("user")));
    }
    QDir::setCurrent(dir.path());
}

} // namespace brivane::bench

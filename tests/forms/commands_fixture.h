// A main window on the scripted platform, started in a fresh temporary working
// directory, for the tests of the window's commands.
#pragma once

#include "forms/main/main_window.h"
#include "prefs/preferences.h"
#include "test_files.h"
#include "test_platform.h"
#include "ui_main_window.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace brivane::test {

struct CommandsFixture {
    QTemporaryDir dir;
    TestPlatform platform;
    PreferencesStore store;
    Preferences preferences{store};
    std::unique_ptr<Tmain_window> window;

    CommandsFixture() {
        QDir::setCurrent(dir.path());
        window = std::make_unique<Tmain_window>(platform.platform, preferences);
    }
    ~CommandsFixture() {
        window.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    Ui::Tmain_window* ui() const { return window->controls(); }
    Tmain_window& w() const { return *window; }
    QString path(const QString& name) const { return dir.filePath(name); }
    // The page file as WorkingDirectory + title + ".html" names it.
    QString pagePath(const QString& title = QStringLiteral("untitled")) const {
        return window->WorkingDirectory + title + QStringLiteral(".html");
    }
};

} // namespace brivane::test

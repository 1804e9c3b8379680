#pragma once

#include "forms/main/main_window.h"
#include "prefs/preferences.h"
#include "test_platform.h"
#include "ui_main_window.h"

namespace brivane::test {

// A main window on scripted seams, created as the program creates it.
struct MainWindowFixture {
    TestPlatform platform;
    PreferencesStore store;
    Preferences preferences{store};
    Tmain_window window{platform.platform, preferences};

    Ui::Tmain_window* ui() const { return window.controls(); }
    ScriptedDialogs& dialogs() { return platform.dialogs; }
    const QString& entry(ButtonField field, int k) const {
        return window.settings.table.entry(field, k);
    }
};

inline QString rangeMessage(int minimum, int maximum) {
    return QStringLiteral("You must enter a numeric value between %1 and %2")
        .arg(minimum)
        .arg(maximum);
}

} // namespace brivane::test

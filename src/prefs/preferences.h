#pragma once

#include <QString>

#include <QList>

#include <array>
#include <memory>

class QSettings;

namespace brivane {

// The per-machine key-value store, reduced to the five operations the program
// needs. It lives in Qt's system-scope settings ("Orlinde"/"Brivane"); where an
// ordinary user can neither open nor create that, the same store is kept in the
// user's own settings scope instead. No operation keeps it open for the next.
class PreferencesStore {
public:
    // The key path named in the messages.
    static const QString kKeyPath; // "\SOFTWARE\Orlinde\Brivane"

    PreferencesStore();
    ~PreferencesStore();

    // True when the store exists and can be both read and written.
    bool openExistingKey();
    // Creates the store and its folders; an existing one counts as success.
    // Throws "Failed to create key \SOFTWARE\Orlinde\Brivane".
    void createKey();
    // Missing or empty: "". Throws "Invalid data type for '<name>'" or
    // "Failed to get data for '<name>'".
    QString readString(const QString& name);
    // Throws "Failed to set data for '<name>'", also when no key is open.
    void writeString(const QString& name, const QString& text);
    void closeKey();

private:
    std::unique_ptr<QSettings> open_;
};

// The two values of the stored page format.
inline const QString kAppletPageFormat = QStringLiteral("applet");
inline const QString kWebPageFormat = QStringLiteral("web");

// The language the desktop runs in as a BCP 47 tag ("de-CH"), the web page's
// language until one is chosen: "en" where the desktop names none (C, POSIX).
QString systemPageLanguage();

// An entry of File > Open Recent: a settings file opened or saved, or a page
// imported.
struct RecentFile {
    QString path;
    bool page = false;
    bool operator==(const RecentFile& other) const {
        return path == other.path && page == other.page;
    }
};

// The preferences as the program holds them during a run.
class Preferences {
public:
    explicit Preferences(PreferencesStore& store) : store_(store) {}

    // "default" or the full path of a browser program.
    QString BrowserSetting = QStringLiteral("default");
    // Entries 1..5 at [0..4]: "false" until the tip was shown; empty until read.
    std::array<QString, 5> TipFlags;
    // The page Make HTML writes: "applet" or "web". Read after the tips; a
    // store without the value, or with any other text, means "applet".
    QString PageFormat = kAppletPageFormat;
    // The web page's language, a BCP 47 tag, kept as "language". Read after the
    // format; a store without the value, or with text that is no tag, leaves
    // the desktop's language.
    QString PageLanguage = systemPageLanguage();

    // The folder Make HTML, Test Applet and the image copies use, chosen with
    // Options > Page Folder... and kept as "folder"; "" until one was chosen,
    // meaning the folder the program was started from.
    QString PageFolder;
    // File > Open Recent, most recent first, kept as "recent".
    QList<RecentFile> RecentFiles;
    static constexpr int kMaxRecentFiles = 8;

    void LoadPreferences();
    void SaveBrowserPreference();
    // Writes PageFormat as "format", only into a store that exists.
    void SavePageFormatPreference();
    // Writes PageLanguage as "language", only into a store that exists.
    void SavePageLanguagePreference();
    void MarkTipShown(const QString& valueName);
    void SavePageFolderPreference();
    // Puts `file` first in RecentFiles (once, at most eight kept) and stores the list.
    void AddRecentFile(const RecentFile& file);
    // Stores RecentFiles as it is.
    void SaveRecentFiles();

    // The Preview window's place and size, "left,top,width,height", kept as the
    // value "previewGeometry". Reading gives "" when the store or the value is
    // missing; writing, like the other writes, never creates the store.
    QString LoadPreviewGeometry();
    void SavePreviewGeometry(const QString& geometry);

private:
    PreferencesStore& store_;
};

} // namespace brivane

#include "prefs/preferences.h"

#include "model/errors.h"
#include "model/file_io.h"
#include "model/web_page.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMetaType>
#include <QSettings>
#include <QVariant>

namespace brivane {

const QString PreferencesStore::kKeyPath = QStringLiteral("\\SOFTWARE\\Orlinde\\Brivane");

namespace {

const QString kOrganisation = QStringLiteral("Orlinde");
const QString kApplication = QStringLiteral("Brivane");

// The machine-wide store is tried first; the user's own copy stands in for it
// where an ordinary user may neither use nor create the machine-wide one.
constexpr QSettings::Scope kScopes[] = {QSettings::SystemScope, QSettings::UserScope};

// The file that holds a scope's store, named by Qt's own rule (the scope's
// folder, QSettings::setPath included). A QSettings made for a scope reads every
// file of that scope at once, the organisation-wide ones too, before anything
// could look at them, and a pipe among them would block start-up. So the name
// is taken from a QSettings for an organisation inside the store file's own
// name: below a file nothing can be opened, so nothing is read.
QString storeFileFor(QSettings::Scope scope) {
    const QString store = kOrganisation + QLatin1Char('/') + kApplication + QStringLiteral(".conf");
    const QSettings probe(QSettings::NativeFormat, scope, store + QStringLiteral("/-"),
                          kApplication);
    // The probe's file is "<folder>/Orlinde/Brivane.conf/-/Brivane.conf".
    QString file = probe.fileName();
    file.chop(QStringLiteral("/-/").size() + kApplication.size() + QStringLiteral(".conf").size());
    return file;
}

// The store in that one file, with none of the fall-backs that a scope's
// QSettings would merge in (the organisation-wide file, the system file behind
// the user file), which would make one store show values written to another.
std::unique_ptr<QSettings> settingsFor(const QString& file) {
    return std::make_unique<QSettings>(file, QSettings::NativeFormat);
}

// A store can be used when its file is there, is a regular file of a sane size
// and may be both read and written. This is looked at before QSettings opens
// the file: it would wait on a pipe and read a device without end.
bool usable(const QString& file) {
    const QFileInfo info(file);
    return info.exists() && info.isFile() && info.size() <= kMaxWholeFileSize &&
           info.isReadable() && info.isWritable();
}

// Creates the store's folders and an empty store file, keeping one that exists.
bool create(const QString& file) {
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    if (!QFileInfo::exists(file)) {
        QFile f(file);
        // Append never truncates what another copy of the program may have
        // written in the meantime.
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        f.close();
    }
    return usable(file);
}

// The recent files as one stored text: a line per file, "settings:" or "page:"
// and the path. Lines of any other kind are passed over.
const QString kSettingsMark = QStringLiteral("settings:");
const QString kPageMark = QStringLiteral("page:");

QString recentText(const QList<RecentFile>& files) {
    QStringList lines;
    for (const RecentFile& file : files)
        lines << (file.page ? kPageMark : kSettingsMark) + file.path;
    return lines.join(u'\n');
}

QList<RecentFile> recentFiles(const QString& text) {
    QList<RecentFile> files;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        if (files.size() == Preferences::kMaxRecentFiles)
            break;
        if (line.startsWith(kSettingsMark) && line.size() > kSettingsMark.size())
            files.append({line.mid(kSettingsMark.size()), false});
        else if (line.startsWith(kPageMark) && line.size() > kPageMark.size())
            files.append({line.mid(kPageMark.size()), true});
    }
    return files;
}

QString quoted(const QString& name) {
    return QLatin1Char('\'') + name + QLatin1Char('\'');
}

// Ends the use of the store when an operation ends, also by a failure.
class KeyCloser {
public:
    explicit KeyCloser(PreferencesStore& store) : store_(store) {}
    ~KeyCloser() { store_.closeKey(); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

private:
    PreferencesStore& store_;
};

} // namespace

PreferencesStore::PreferencesStore() = default;
PreferencesStore::~PreferencesStore() = default;

bool PreferencesStore::openExistingKey() {
    closeKey();
    for (const QSettings::Scope scope : kScopes) {
        const QString file = storeFileFor(scope);
        if (!usable(file))
            continue;
        auto settings = settingsFor(file);
        if (!settings->isWritable())
            continue;
        open_ = std::move(settings);
        return true;
    }
    return false;
}

void PreferencesStore::createKey() {
    for (const QSettings::Scope scope : kScopes)
        if (create(storeFileFor(scope)))
            return;
    throw Error(QStringLiteral("Failed to create key ") + kKeyPath);
}

QString PreferencesStore::readString(const QString& name) {
    // A store that could not be read or parsed has no data to give.
    if (!open_ || open_->status() != QSettings::NoError)
        throw Error(QStringLiteral("Failed to get data for ") + quoted(name));
    const QVariant value = open_->value(name);
    if (!value.isValid())
        return QString();
    // The settings format gives plain text as a string; anything it reads as
    // another kind (a list for "a, b", an @-typed value) is not a string value.
    if (value.metaType().id() != QMetaType::QString)
        throw Error(QStringLiteral("Invalid data type for ") + quoted(name));
    QString text = value.toString();
    // Stored text ends at its first zero character.
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

void PreferencesStore::writeString(const QString& name, const QString& text) {
    const QString failure = QStringLiteral("Failed to set data for ") + quoted(name);
    if (!open_ || !open_->isWritable())
        throw Error(failure);
    const QVariant before = open_->value(name);
    open_->setValue(name, text);
    open_->sync();
    if (open_->status() != QSettings::NoError) {
        // Qt keeps an unwritten change pending for the file and would write it
        // with the next value that does get through; a value reported as not
        // stored must not turn up in the store later.
        if (before.isValid())
            open_->setValue(name, before);
        else
            open_->remove(name);
        throw Error(failure);
    }
}

void PreferencesStore::closeKey() {
    open_.reset();
}

QString systemPageLanguage() {
    const QLocale system = QLocale::system();
    const QString tag = system.bcp47Name();
    if (system.language() == QLocale::C || !isLanguageTag(tag))
        return QStringLiteral("en");
    return tag;
}

void Preferences::LoadPreferences() {
    KeyCloser closer(store_);
    if (store_.openExistingKey()) {
        // Each value replaces the one in memory only once it has been read, so a
        // failed read leaves it and the ones after it as they were.
        BrowserSetting = store_.readString(QStringLiteral("browser"));
        for (int i = 0; i < 5; ++i)
            TipFlags[i] = store_.readString(QStringLiteral("tip%1").arg(i + 1));
        const QString format = store_.readString(QStringLiteral("format"));
        PageFormat = format == kWebPageFormat ? kWebPageFormat : kAppletPageFormat;
        const QString language = store_.readString(QStringLiteral("language"));
        if (isLanguageTag(language))
            PageLanguage = language;
        PageFolder = store_.readString(QStringLiteral("folder"));
        RecentFiles = recentFiles(store_.readString(QStringLiteral("recent")));
        return;
    }
    store_.createKey();
    // Not tested: if it did not open, the first write reports it.
    store_.openExistingKey();
    store_.writeString(QStringLiteral("browser"), QStringLiteral("default"));
    for (int i = 0; i < 5; ++i)
        store_.writeString(QStringLiteral("tip%1").arg(i + 1), QStringLiteral("false"));
    TipFlags.fill(QStringLiteral("false"));
}

void Preferences::SaveBrowserPreference() {
    KeyCloser closer(store_);
    // Never created here: a store that has gone stays gone until the next start.
    if (store_.openExistingKey())
        store_.writeString(QStringLiteral("browser"), BrowserSetting);
}

void Preferences::SavePageFormatPreference() {
    KeyCloser closer(store_);
    if (store_.openExistingKey())
        store_.writeString(QStringLiteral("format"), PageFormat);
}

void Preferences::SavePageLanguagePreference() {
    KeyCloser closer(store_);
    if (store_.openExistingKey())
        store_.writeString(QStringLiteral("language"), PageLanguage);
}

void Preferences::MarkTipShown(const QString& valueName) {
    KeyCloser closer(store_);
    if (store_.openExistingKey())
        store_.writeString(valueName, QStringLiteral("true"));
}

void Preferences::SavePageFolderPreference() {
    KeyCloser closer(store_);
    if (store_.openExistingKey())
        store_.writeString(QStringLiteral("folder"), PageFolder);
}

void Preferences::AddRecentFile(const RecentFile& file) {
    // A path with a line break could not be told apart from two entries.
    if (file.path.isEmpty() || file.path.contains(u'\n'))
        return;
    RecentFiles.removeAll(file);
    RecentFiles.prepend(file);
    while (RecentFiles.size() > kMaxRecentFiles)
        RecentFiles.removeLast();
    SaveRecentFiles();
}

void Preferences::SaveRecentFiles() {
    KeyCloser closer(store_);
    if (store_.openExistingKey())
        store_.writeString(QStringLiteral("recent"), recentText(RecentFiles));
}

QString Preferences::LoadPreviewGeometry() {
    KeyCloser closer(store_);
    if (!store_.openExistingKey())
        return QString();
    return store_.readString(QStringLiteral("previewGeometry"));
}

void Preferences::SavePreviewGeometry(const QString& geometry) {
    KeyCloser closer(store_);
    if (store_.openExistingKey())
        store_.writeString(QStringLiteral("previewGeometry"), geometry);
}

} // namespace brivane

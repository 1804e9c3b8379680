#include "prefs/preferences.h"

#include "bounded_child.h"
#include "file_size_limit.h"
#include "model/errors.h"
#include "test_platform.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <optional>
#include <sys/stat.h>

using brivane::Error;
using brivane::Preferences;
using brivane::PreferencesStore;
using brivane::test::FileSizeLimit;
using brivane::test::TestPlatform;

namespace {

QString storeFile(const QString& scopeFolder) {
    return scopeFolder + QStringLiteral("/Orlinde/Brivane.conf");
}

void writeStore(const QString& scopeFolder, const QByteArray& content) {
    QVERIFY(QDir().mkpath(scopeFolder + QStringLiteral("/Orlinde")));
    QFile f(storeFile(scopeFolder));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), qint64(content.size()));
}

// What a store file holds, read apart from the program's own store.
std::optional<QVariant> storedValue(const QString& scopeFolder, const QString& name) {
    QSettings file(storeFile(scopeFolder), QSettings::IniFormat);
    if (!file.contains(name))
        return std::nullopt;
    return file.value(name);
}

// A regular file where a scope's folder should be: nothing can be created below it.
void blockFolder(const QString& folder) {
    QFile f(folder);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a folder");
}

QString failureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const Error& e) {
        return e.message();
    }
    return QString();
}

const QStringList kNames = {"browser", "tip1", "tip2", "tip3", "tip4", "tip5"};

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunCreatesTheSixDefaults();
    void laterRunsReadWhatWasStored();
    void missingValuesReadEmptyAndAreNotRepaired();
    void wrongTypeStopsTheReadsAfterIt();
    void saveBrowserPreferenceWritesOnlyTheBrowser();
    void writesFindNoStoreAndCreateNone();
    void systemStoreThatCannotBeCreatedFallsBackToTheUserStore();
    void systemStoreIsPreferredWhenBothExist();
    void neitherStoreCanBeCreated();
    void operationsWithoutAnOpenKeyFail();
    void failedWrites();
    void pipesAreNeitherWaitedOnNorUsed();
    void previewGeometryBesideTheOtherValues();
};

void PreferencesTest::firstRunCreatesTheSixDefaults() {
    TestPlatform tp;
    PreferencesStore store;
    Preferences prefs(store);
    QVERIFY(prefs.TipFlags[0].isEmpty());
    prefs.LoadPreferences();

    QCOMPARE(prefs.BrowserSetting, QStringLiteral("default"));
    for (const QString& flag : prefs.TipFlags)
        QCOMPARE(flag, QStringLiteral("false"));

    const QString system = tp.systemPreferencesFolder();
    QVERIFY(QFileInfo::exists(storeFile(system)));
    QCOMPARE(storedValue(system, "browser")->toString(), QStringLiteral("default"));
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(storedValue(system, QStringLiteral("tip%1").arg(i))->toString(),
                 QStringLiteral("false"));
    // The machine-wide store was usable, so no private copy was made.
    QVERIFY(!QFileInfo::exists(storeFile(tp.userPreferencesFolder())));

    // An empty store created by an earlier run counts as existing: it is read, not
    // filled with defaults again.
    writeStore(system, "");
    Preferences again(store);
    again.LoadPreferences();
    QCOMPARE(again.BrowserSetting, QString());
    QCOMPARE(again.TipFlags[0], QString());
    QVERIFY(!storedValue(system, "browser"));
}

void PreferencesTest::laterRunsReadWhatWasStored() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    writeStore(system, "[General]\nbrowser=/opt/web browser/bin/browse\ntip1=true\ntip2=false\n"
                       "tip3=False\ntip4=\ntip5=true\n");
    PreferencesStore store;
    Preferences prefs(store);
    prefs.LoadPreferences();
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("/opt/web browser/bin/browse"));
    QCOMPARE(prefs.TipFlags[0], QStringLiteral("true"));
    QCOMPARE(prefs.TipFlags[1], QStringLiteral("false"));
    QCOMPARE(prefs.TipFlags[2], QStringLiteral("False")); // kept exactly, not folded
    QCOMPARE(prefs.TipFlags[3], QString());
    QCOMPARE(prefs.TipFlags[4], QStringLiteral("true"));

    // "Default" is a program's name as far as the store is concerned.
    writeStore(system, "[General]\nbrowser=Default\n");
    Preferences other(store);
    other.LoadPreferences();
    QCOMPARE(other.BrowserSetting, QStringLiteral("Default"));

    // A path the program stored itself comes back unchanged, even with the
    // characters the settings format treats specially.
    const QString awkward = QStringLiteral("/opt/a, b/@browser \"x\";y=z");
    other.BrowserSetting = awkward;
    other.SaveBrowserPreference();
    Preferences third(store);
    third.LoadPreferences();
    QCOMPARE(third.BrowserSetting, awkward);

    // Stored text ends at its first zero character.
    writeStore(system, "[General]\nbrowser=abc\\0def\n");
    Preferences fourth(store);
    fourth.LoadPreferences();
    QCOMPARE(fourth.BrowserSetting, QStringLiteral("abc"));
}

void PreferencesTest::missingValuesReadEmptyAndAreNotRepaired() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    const QByteArray content = "[General]\nbrowser=default\n";
    writeStore(system, content);
    PreferencesStore store;
    Preferences prefs(store);
    prefs.LoadPreferences();
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("default"));
    for (const QString& flag : prefs.TipFlags)
        QCOMPARE(flag, QString());
    QFile f(storeFile(system));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);

    // A missing "browser" gives the empty text, which replaces "default".
    writeStore(system, "[General]\ntip1=false\n");
    Preferences noBrowser(store);
    noBrowser.LoadPreferences();
    QCOMPARE(noBrowser.BrowserSetting, QString());
    QCOMPARE(noBrowser.TipFlags[0], QStringLiteral("false"));
}

void PreferencesTest::wrongTypeStopsTheReadsAfterIt() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    // The settings format reads an unquoted "a, b" as a list, not as text.
    writeStore(system, "[General]\nbrowser=/usr/bin/browse\ntip1=false\ntip2=a, b\ntip3=false\n"
                       "tip4=false\ntip5=false\n");
    PreferencesStore store;
    Preferences prefs(store);
    QCOMPARE(failureOf([&] { prefs.LoadPreferences(); }),
             QStringLiteral("Invalid data type for 'tip2'"));
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("/usr/bin/browse"));
    QCOMPARE(prefs.TipFlags[0], QStringLiteral("false"));
    for (int i = 1; i < 5; ++i)
        QCOMPARE(prefs.TipFlags[i], QString());
    // The failure closed the key: a write now finds none open.
    QCOMPARE(failureOf([&] { store.writeString("browser", "x"); }),
             QStringLiteral("Failed to set data for 'browser'"));

    // A wrong "browser" leaves "default" and every flag as they were.
    writeStore(system, "[General]\nbrowser=@Rect(1 2 3 4)\ntip1=false\n");
    Preferences rect(store);
    QCOMPARE(failureOf([&] { rect.LoadPreferences(); }),
             QStringLiteral("Invalid data type for 'browser'"));
    QCOMPARE(rect.BrowserSetting, QStringLiteral("default"));
    QCOMPARE(rect.TipFlags[0], QString());
}

void PreferencesTest::saveBrowserPreferenceWritesOnlyTheBrowser() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    PreferencesStore store;
    Preferences prefs(store);
    prefs.LoadPreferences();
    QVERIFY(failureOf([&] { prefs.MarkTipShown("tip3"); }).isEmpty());
    prefs.BrowserSetting = QStringLiteral("/usr/bin/browse");
    prefs.SaveBrowserPreference();

    QCOMPARE(storedValue(system, "browser")->toString(), QStringLiteral("/usr/bin/browse"));
    QCOMPARE(storedValue(system, "tip3")->toString(), QStringLiteral("true"));
    for (const QString name : {"tip1", "tip2", "tip4", "tip5"})
        QCOMPARE(storedValue(system, name)->toString(), QStringLiteral("false"));

    // The write went through to the file, not just into a cache another run
    // would not see.
    QFile f(storeFile(system));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    QVERIFY2(content.contains("browser=/usr/bin/browse"), content.constData());
    QVERIFY2(content.contains("tip3=true"), content.constData());
}

void PreferencesTest::writesFindNoStoreAndCreateNone() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    PreferencesStore store;
    Preferences prefs(store);
    prefs.LoadPreferences();
    QVERIFY(QFile::remove(storeFile(system)));

    prefs.TipFlags[0] = QStringLiteral("true");
    QCOMPARE(failureOf([&] { prefs.MarkTipShown("tip1"); }), QString());
    prefs.BrowserSetting = QStringLiteral("/usr/bin/browse");
    QCOMPARE(failureOf([&] { prefs.SaveBrowserPreference(); }), QString());

    QVERIFY(!QFileInfo::exists(storeFile(system)));
    QVERIFY(!QFileInfo::exists(storeFile(tp.userPreferencesFolder())));
    // The run goes on with what it holds in memory.
    QCOMPARE(prefs.TipFlags[0], QStringLiteral("true"));
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("/usr/bin/browse"));
}

void PreferencesTest::systemStoreThatCannotBeCreatedFallsBackToTheUserStore() {
    TestPlatform tp;
    blockFolder(tp.systemPreferencesFolder());
    const QString user = tp.userPreferencesFolder();
    PreferencesStore store;
    Preferences prefs(store);
    QCOMPARE(failureOf([&] { prefs.LoadPreferences(); }), QString());
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("default"));
    QCOMPARE(prefs.TipFlags[4], QStringLiteral("false"));
    for (const QString& name : kNames)
        QVERIFY2(storedValue(user, name).has_value(), qPrintable(name));

    // Later operations and later runs use the private copy.
    prefs.MarkTipShown("tip2");
    prefs.BrowserSetting = QStringLiteral("/usr/bin/browse");
    prefs.SaveBrowserPreference();
    Preferences later(store);
    later.LoadPreferences();
    QCOMPARE(later.BrowserSetting, QStringLiteral("/usr/bin/browse"));
    QCOMPARE(later.TipFlags[1], QStringLiteral("true"));
    QCOMPARE(later.TipFlags[0], QStringLiteral("false"));
}

void PreferencesTest::systemStoreIsPreferredWhenBothExist() {
    TestPlatform tp;
    writeStore(tp.systemPreferencesFolder(), "[General]\nbrowser=machine\n");
    writeStore(tp.userPreferencesFolder(), "[General]\nbrowser=user\ntip1=false\n");
    PreferencesStore store;
    Preferences prefs(store);
    prefs.LoadPreferences();
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("machine"));
    // Nothing from the user's copy shows through the machine-wide store.
    QCOMPARE(prefs.TipFlags[0], QString());
}

void PreferencesTest::neitherStoreCanBeCreated() {
    TestPlatform tp;
    blockFolder(tp.systemPreferencesFolder());
    blockFolder(tp.userPreferencesFolder());
    PreferencesStore store;
    Preferences prefs(store);
    QCOMPARE(failureOf([&] { prefs.LoadPreferences(); }),
             QStringLiteral("Failed to create key \\SOFTWARE\\Orlinde\\Brivane"));
    QCOMPARE(prefs.BrowserSetting, QStringLiteral("default"));
    for (const QString& flag : prefs.TipFlags)
        QCOMPARE(flag, QString());
    // Writes later in the run find no store and stay quiet.
    QCOMPARE(failureOf([&] { prefs.MarkTipShown("tip1"); }), QString());
    QCOMPARE(failureOf([&] { prefs.SaveBrowserPreference(); }), QString());
}

void PreferencesTest::operationsWithoutAnOpenKeyFail() {
    TestPlatform tp;
    PreferencesStore store;
    QVERIFY(!store.openExistingKey());
    QCOMPARE(failureOf([&] { store.readString("tip4"); }),
             QStringLiteral("Failed to get data for 'tip4'"));
    QCOMPARE(failureOf([&] { store.writeString("tip4", "true"); }),
             QStringLiteral("Failed to set data for 'tip4'"));
    store.createKey();
    QVERIFY(store.openExistingKey());
    QCOMPARE(store.readString("tip4"), QString());
    store.writeString("tip4", "true");
    QCOMPARE(store.readString("tip4"), QStringLiteral("true"));
    store.closeKey();
    QCOMPARE(failureOf([&] { store.readString("tip4"); }),
             QStringLiteral("Failed to get data for 'tip4'"));
}

void PreferencesTest::failedWrites() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    PreferencesStore store;
    {
        // The store is created, but the first default cannot be written: the
        // flags stay empty, so no tip shows in this run.
        FileSizeLimit limit(8);
        QVERIFY(limit.active());
        Preferences first(store);
        QCOMPARE(failureOf([&] { first.LoadPreferences(); }),
                 QStringLiteral("Failed to set data for 'browser'"));
        QCOMPARE(first.BrowserSetting, QStringLiteral("default"));
        QCOMPARE(first.TipFlags[0], QString());
    }
    QVERIFY(QFileInfo::exists(storeFile(system)));
    QVERIFY(QFile::remove(storeFile(system)));

    Preferences prefs(store);
    prefs.LoadPreferences();
    {
        FileSizeLimit limit(8);
        prefs.BrowserSetting = QStringLiteral("/usr/bin/browse");
        QCOMPARE(failureOf([&] { prefs.SaveBrowserPreference(); }),
                 QStringLiteral("Failed to set data for 'browser'"));
        QCOMPARE(failureOf([&] { prefs.MarkTipShown("tip2"); }),
                 QStringLiteral("Failed to set data for 'tip2'"));
    }
    // The failed writes left the store as it was, and closed it.
    QCOMPARE(storedValue(system, "browser")->toString(), QStringLiteral("default"));
    QCOMPARE(storedValue(system, "tip2")->toString(), QStringLiteral("false"));
    QCOMPARE(failureOf([&] { store.writeString("tip2", "x"); }),
             QStringLiteral("Failed to set data for 'tip2'"));

    // A later write that gets through stores only its own value.
    prefs.MarkTipShown("tip5");
    QCOMPARE(storedValue(system, "tip5")->toString(), QStringLiteral("true"));
    QCOMPARE(storedValue(system, "browser")->toString(), QStringLiteral("default"));
    QCOMPARE(storedValue(system, "tip2")->toString(), QStringLiteral("false"));
    QFile f(storeFile(system));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    QVERIFY2(!content.contains("/usr/bin/browse"), content.constData());
}

void PreferencesTest::pipesAreNeitherWaitedOnNorUsed() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    const QString user = tp.userPreferencesFolder();
    QVERIFY(QDir().mkpath(system + QStringLiteral("/Orlinde")));
    QVERIFY(QDir().mkpath(user));
    // A pipe at the machine-wide store, and one where Qt looks for settings of
    // the whole organisation.
    const QString pipes[] = {storeFile(system), user + QStringLiteral("/Orlinde.conf")};
    for (const QString& pipe : pipes)
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    // Start-up in a child that its alarm ends, should it wait on a pipe.
    const QByteArray loaded = brivane::test::runInChild([] {
        PreferencesStore store;
        Preferences prefs(store);
        prefs.LoadPreferences();
        QStringList values{prefs.BrowserSetting};
        for (const QString& flag : prefs.TipFlags)
            values << flag;
        return values.join(QLatin1Char(' ')).toUtf8();
    });
    QCOMPARE(loaded, QByteArray("default false false false false false"));
    // The user's own store stood in, and the pipes are left as they were.
    QCOMPARE(storedValue(user, "browser")->toString(), QStringLiteral("default"));
    struct stat st;
    for (const QString& pipe : pipes)
        QVERIFY(::stat(QFile::encodeName(pipe).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
}

// The Preview window's place: read and written like the browser value, never
// creating the store, and with the same failures.
void PreferencesTest::previewGeometryBesideTheOtherValues() {
    TestPlatform tp;
    const QString system = tp.systemPreferencesFolder();
    PreferencesStore store;
    Preferences prefs(store);
    QCOMPARE(prefs.LoadPreviewGeometry(), QString());
    prefs.SavePreviewGeometry(QStringLiteral("1,2,300,200"));
    QVERIFY(!QFileInfo::exists(storeFile(system)));

    prefs.LoadPreferences();
    QCOMPARE(prefs.LoadPreviewGeometry(), QString());
    prefs.SavePreviewGeometry(QStringLiteral("1,2,300,200"));
    QCOMPARE(storedValue(system, "previewGeometry")->toString(), QStringLiteral("1,2,300,200"));
    QCOMPARE(prefs.LoadPreviewGeometry(), QStringLiteral("1,2,300,200"));
    QCOMPARE(storedValue(system, "browser")->toString(), QStringLiteral("default"));

    writeStore(system, "[General]\nbrowser=default\npreviewGeometry=1, 2\n");
    QCOMPARE(failureOf([&] { prefs.LoadPreviewGeometry(); }),
             QStringLiteral("Invalid data type for 'previewGeometry'"));
}

QTEST_GUILESS_MAIN(PreferencesTest)
#include "preferences_test.moc"

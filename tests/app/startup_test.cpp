// Start-up, shutdown and the one way failures reach the user.
#include "app/startup.h"
#include "bounded_child.h"
#include "forms/about/about_window.h"
#include "forms/browser/browser_window.h"
#include "forms/main/main_window.h"
#include "forms/tip/tip_window.h"
#include "model/atomic_file_writer.h"
#include "platform/failure_boundary.h"
#include "platform/program_names.h"
#include "prefs/preferences.h"
#include "test_platform.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>
#include <sys/resource.h>

using namespace brivane;
using namespace brivane::test;

namespace {

// An object whose event handling fails, as a handler without its own boundary would.
class Throwing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw IoError(32, QStringLiteral("I/O error 32"));
        return QObject::event(e);
    }
};

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void fullStopRule() {
        const QList<QPair<QString, QString>> cases = {
            {"'' is not a valid integer value", "'' is not a valid integer value."},
            {"I/O error 32", "I/O error 32."},
            {"Failed to create key \\SOFTWARE\\Orlinde\\Brivane",
             "Failed to create key \\SOFTWARE\\Orlinde\\Brivane."},
            {"Invalid data type for 'tip1'", "Invalid data type for 'tip1'"},
            {"ends in a bracket)", "ends in a bracket)"},
            {"File not found.", "File not found."},
            {"ends in a blank ", "ends in a blank "},
            {"ends in a dash -", "ends in a dash -"},
            {"ends in a slash /", "ends in a slash /."},
            {"", ""}};
        for (const auto& [message, shown] : cases)
            QCOMPARE(ErrorReporter::withFullStop(message), shown);
    }

    void reporterShowsTheErrorBox() {
        TestPlatform platform;
        platform.dialogs.expectError();
        reportFailure(QStringLiteral("I/O error 32"));
        QCOMPARE(platform.dialogs.errors(), QStringList{"I/O error 32."});
        platform.dialogs.verifyAllUsed();
    }

    void eachBoundaryEndsOnlyItsHandler() {
        TestPlatform platform;
        QStringList steps;
        platform.dialogs.expectError();
        platform.dialogs.expectError();
        platform.dialogs.expectError();
        runGuarded([&] {
            steps << "outer start";
            runGuarded([&] {
                throw ConversionError(QString());
                steps << "never";
            });
            steps << "after nested Error";
            runGuarded([] { throw std::runtime_error("Disk trouble"); });
            runGuarded([] { throw 42; });
            steps << "outer end";
        });
        QCOMPARE(steps, QStringList({"outer start", "after nested Error", "outer end"}));
        QCOMPARE(platform.dialogs.errors(), QStringList({"'' is not a valid integer value.",
                                                         "Disk trouble.", "Unknown failure."}));
        platform.dialogs.verifyAllUsed();
    }

    void applicationCatchesWhatEscapes() {
        TestPlatform platform;
        Throwing object;
        platform.dialogs.expectError();
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&object, &event);
        QCOMPARE(platform.dialogs.errors(), QStringList{"I/O error 32."});
        platform.dialogs.verifyAllUsed();
    }

    void namesAndFont() {
        QCOMPARE(applicationTitle(), QStringLiteral("Brivane"));
        QCOMPARE(helpFileName(), QStringLiteral("Help.hlp"));
        applyApplicationFont();
        const QFont font = QApplication::font();
        QCOMPARE(font.pointSize(), 8);
        if (QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
            QCOMPARE(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
    }

    void writePastTheFileSizeLimitFailsAndTheProgramGoesOn() {
        // This process runs as the program does (main() made a BrivaneApplication).
        // A child takes a small limit, with the signal left as the program set it.
        QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("untitled.html"));
        const QByteArray shown = runInChild([&] {
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 4096;
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return QByteArray("<no limit>");
            try {
                writeFileAtomically(page, QByteArray(100000, 'p'));
            } catch (const IoError& e) {
                return ErrorReporter::withFullStop(e.message()).toUtf8();
            }
            return QByteArray("<written>");
        });
        QCOMPARE(shown, QByteArray("I/O error 27."));
    }

    void failingCreationStepIsReportedAndTheWindowStillWorks() {
        TestPlatform platform;
        // A store that cannot be created: its folders would lie below a plain file.
        QTemporaryDir dir;
        QFile blocker(dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        isolatePreferences(blocker.fileName() + "/below");
        PreferencesStore store;
        Preferences preferences(store);

        platform.dialogs.expectError();
        std::unique_ptr<ProgramWindows> windows =
            createProgramWindows(platform.platform, preferences);
        QCOMPARE(platform.dialogs.errors(),
                 QStringList{"Failed to create key \\SOFTWARE\\Orlinde\\Brivane."});
        // Everything before the failing step was done; the windows were all made.
        QVERIFY(windows->about && windows->tip && windows->browser);
        QCOMPARE(windows->main->WorkingDirectory, QDir::currentPath() + "/");
        QCOMPARE(preferences.BrowserSetting, QStringLiteral("default"));

        showMainWindow(*windows->main);
        QVERIFY(QTest::qWaitForWindowExposed(windows->main.get()));
        auto* title = windows->main->findChild<QLineEdit*>(QStringLiteral("title"));
        auto* caption = windows->main->findChild<QLabel*>(QStringLiteral("Label18"));
        QVERIFY(title && caption);
        title->setText(QStringLiteral("works"));
        QCOMPARE(caption->text(), QStringLiteral("\"works.html\""));
        platform.dialogs.verifyAllUsed();
    }

    // The installed program is started from a terminal without a session, and
    // from the application menu with a file.
    void commandLineAnswersWithoutADisplay() {
        const QString program = QCoreApplication::applicationDirPath() + "/brivane";
        QVERIFY2(QFileInfo::exists(program), qPrintable(program));
        QTemporaryDir config;
        const auto run = [&](const QStringList& arguments, bool withPlatform = false) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                environment.remove(name);
            // A run that did start must not touch the machine's store.
            environment.insert("XDG_CONFIG_DIRS", config.path());
            environment.insert("XDG_CONFIG_HOME", config.path());
            if (withPlatform)
                environment.insert("QT_QPA_PLATFORM", "offscreen");
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(program, arguments);
            if (!process.waitForFinished(20000))
                process.kill();
            return std::tuple(process.exitCode(), process.readAllStandardOutput(),
                              process.readAllStandardError());
        };
        auto [status, out, err] = run({});
        QCOMPARE(status, 1);
        QCOMPARE(out, QByteArray());
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.startsWith("brivane: needs a graphical session") &&
                     err.contains("QT_QPA_PLATFORM=offscreen"),
                 err.constData());

        std::tie(status, out, err) = run({"--help"});
        QCOMPARE(status, 0);
        QVERIFY2(out.startsWith("Usage: brivane [FILE]\n"), out.constData());
        QCOMPARE(err, QByteArray());
        std::tie(status, out, err) = run({"-style", "Fusion", "--version"});
        QCOMPARE(std::tuple(status, out, err),
                 std::tuple(0, QByteArray("brivane 1.3\n"), QByteArray()));

        // With a session, a wrong call ends before any window.
        std::tie(status, out, err) = run({"--bogus"}, true);
        QCOMPARE(status, 2);
        QVERIFY2(err.contains("brivane: unknown option --bogus\nUsage:"), err.constData());
        std::tie(status, out, err) = run({"-platform", "offscreen", "one.txt", "two.txt"});
        QCOMPARE(status, 2);
        QVERIFY2(err.contains("brivane: one FILE at most, not 2\n"), err.constData());
    }

    void fileArgumentOpensAsOpenDoes() {
        TestPlatform platform;
        PreferencesStore store;
        Preferences preferences(store);
        std::unique_ptr<ProgramWindows> windows =
            createProgramWindows(platform.platform, preferences);
        Tmain_window& window = *windows->main;
        auto* title = window.findChild<QLineEdit*>(QStringLiteral("title"));
        QTemporaryDir dir;
        const QString file = dir.filePath("bar.txt");
        title->setText("from the file");
        platform.dialogs.answerSaveFile(file);
        window.SaveAs1Click();
        title->setText("changed");
        platform.dialogs.clearShown();

        showMainWindow(window);
        openStartFile(window, file);
        QCOMPARE(title->text(), QStringLiteral("from the file"));
        QCOMPARE(window.openBoxPath, file);
        openStartFile(window, QString());
        QVERIFY(platform.dialogs.shown().isEmpty());

        // The same messages as Open: a file that is not there, one of another kind.
        platform.dialogs.expectError();
        openStartFile(window, dir.filePath("gone.txt"));
        QCOMPARE(platform.dialogs.errors(), QStringList{"File not found."});
        QFile other(dir.filePath("other.txt"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("not ours\r\n") > 0);
        other.close();
        platform.dialogs.expectMessage();
        openStartFile(window, other.fileName());
        QCOMPARE(platform.dialogs.messages(), QStringList{"Not a Brivane File"});
        QCOMPARE(title->text(), QStringLiteral("from the file"));
        platform.dialogs.verifyAllUsed();
    }

    void startUpAndShutdown() {
        TestPlatform platform;
        PreferencesStore store;
        Preferences preferences(store);
        std::unique_ptr<ProgramWindows> windows =
            createProgramWindows(platform.platform, preferences);
        QVERIFY(windows->main && windows->about && windows->tip && windows->browser);
        // Created hidden; creation ran the main window's own start step.
        for (QWidget* w :
             std::initializer_list<QWidget*>{windows->main.get(), windows->about.get(),
                                             windows->tip.get(), windows->browser.get()})
            QVERIFY2(!w->isVisible(), w->metaObject()->className());
        QCOMPARE(preferences.BrowserSetting, QStringLiteral("default"));
        QVERIFY(!windows->main->WorkingDirectory.isEmpty());

        showMainWindow(*windows->main);
        QVERIFY(QTest::qWaitForWindowExposed(windows->main.get()));
        QVERIFY(!windows->about->isVisible());
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        const QPoint centre = windows->main->geometry().center();
        QVERIFY2(qAbs(centre.x() - screenCentre.x()) <= 2 &&
                     qAbs(centre.y() - screenCentre.y()) <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));

        // Closing the main window ends the loop with status 0, though the About
        // window is still open, and asks nothing.
        QTimer::singleShot(0, this, [&] {
            windows->about->show();
            windows->main->close();
        });
        QTimer::singleShot(10000, this, [] { QCoreApplication::exit(99); });
        const int status = QCoreApplication::exec();
        QCOMPARE(status, 0);
        QVERIFY(platform.dialogs.shown().isEmpty());
        windows.reset();
        platform.dialogs.verifyAllUsed();
    }
};

int main(int argc, char** argv) {
    BrivaneApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_test.moc"

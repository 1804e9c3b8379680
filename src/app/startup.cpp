#include "app/startup.h"

#include "app/command_line.h"

#include "forms/about/about_window.h"
#include "forms/browser/browser_window.h"
#include "forms/main/main_window.h"
#include "forms/preview/preview_window.h"
#include "forms/program_resources.h"
#include "forms/tip/tip_window.h"
#include "forms/window_placement.h"
#include "model/file_names.h"
#include "platform/desktop_shell.h"
#include "platform/failure_boundary.h"
#include "platform/help_window.h"
#include "platform/program_names.h"
#include "platform/qt_dialogs.h"
#include "prefs/preferences.h"

#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <csignal>

namespace brivane {

namespace {

// Ends the event loop once the main window has really closed (a close that a
// handler refused leaves it visible), whatever other windows are still open.
class QuitWhenClosed : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            QPointer<QWidget> window = qobject_cast<QWidget*>(watched);
            QTimer::singleShot(0, this, [window] {
                if (!window || !window->isVisible())
                    QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void applyApplicationFont() {
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("Liberation Sans"))) {
        font = QFont(QStringLiteral("Liberation Sans"));
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(8);
    QApplication::setFont(font);
}

BrivaneApplication::BrivaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // A write past the file size limit (ulimit -f) raises SIGXFSZ, which would end
    // the program and lose the unsaved settings. Ignored, the write fails with
    // EFBIG instead, reported as "I/O error 27", and the program goes on.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool BrivaneApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    runGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

ProgramWindows::ProgramWindows() = default;

// The secondary windows go first: the main window still points at them.
ProgramWindows::~ProgramWindows() {
    if (main) {
        main->setCompanionWindows(nullptr, nullptr, nullptr);
        main->setPreviewWindow(nullptr);
    }
    preview.reset();
    browser.reset();
    tip.reset();
    about.reset();
    main.reset();
}

std::unique_ptr<ProgramWindows> createProgramWindows(Platform& platform, Preferences& preferences) {
    auto windows = std::make_unique<ProgramWindows>();
    windows->main = std::make_unique<Tmain_window>(platform, preferences);
    windows->about = std::make_unique<TAboutWindow>(platform);
    windows->tip = std::make_unique<Ttip_window>();
    windows->browser = std::make_unique<Tbrowser_window>(platform, preferences);
    // Only the main window's closing ends the program.
    windows->about->setAttribute(Qt::WA_QuitOnClose, false);
    windows->tip->setAttribute(Qt::WA_QuitOnClose, false);
    windows->browser->setAttribute(Qt::WA_QuitOnClose, false);
    windows->main->setCompanionWindows(windows->about.get(), windows->tip.get(),
                                       windows->browser.get());
    windows->preview = std::make_unique<Tpreview_window>(windows->main->settingsSource(),
                                                         windows->main.get(), preferences);
    windows->preview->setAttribute(Qt::WA_QuitOnClose, false);
    windows->main->setPreviewWindow(windows->preview.get());
    return windows;
}

void showMainWindow(Tmain_window& window) {
    window.installEventFilter(new QuitWhenClosed(&window));
    window.ensurePolished();
    // Before the window is mapped its frame is unknown: this centres the client
    // area, and the window manager adds its frame around it.
    centreOnScreen(&window);
    window.show();
}

void openStartFile(Tmain_window& window, const QString& file) {
    if (!file.isEmpty())
        runGuarded([&] { window.openSettingsFile(file); });
}

namespace {

// The arguments as the file names they may be: a name that is not UTF-8 must
// still reach its file, which the locale's decoding does not promise.
QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fileNameFromBytes(argv[i]);
    return arguments;
}

} // namespace

int runBrivane(int argc, char** argv) {
    QStringList arguments = argumentsOf(argc, argv);
    const auto environment = [](const char* name) { return qgetenv(name); };
    switch (answerEarly(arguments, environment, stdout, stderr)) {
    case EarlyAnswer::None:
        break;
    case EarlyAnswer::Help:
    case EarlyAnswer::Version:
        return 0;
    case EarlyAnswer::NoDisplay:
        return 1;
    }

    BrivaneApplication app(argc, argv);
    // The toolkit has taken its own options out of argv; the rest are ours.
    arguments = argumentsOf(argc, argv);
    QString startFile;
    if (!startFileFrom(arguments, startFile, stderr))
        return kWrongCall;
    QCoreApplication::setApplicationName(applicationTitle());
    // The classic style draws group titles on the frame line and keeps the
    // drop-down arrows narrow, as the fixed layouts were drawn for.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(classic);
    applyApplicationFont();
    QApplication::setWindowIcon(programIcon());

    // Failures from here on reach the user in the error box.
    QtDialogs dialogs;
    ErrorReporter reporter(dialogs);
    installErrorReporter(&reporter);

    DesktopShell shell;
    NoOverwriteFileCopier fileCopier;
    HelpWindow helpWindow;
    helpWindow.setAttribute(Qt::WA_QuitOnClose, false);
    Platform platform{dialogs, shell, fileCopier, helpWindow};

    PreferencesStore store;
    Preferences preferences(store);

    std::unique_ptr<ProgramWindows> windows = createProgramWindows(platform, preferences);
    showMainWindow(*windows->main);
    openStartFile(*windows->main, startFile);
    app.exec();

    // Nothing is saved on the way out.
    windows.reset();
    installErrorReporter(nullptr);
    return 0;
}

} // namespace brivane

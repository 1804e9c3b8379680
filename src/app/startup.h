#pragma once

#include <QApplication>
#include <QString>

#include <memory>

namespace brivane {

struct Platform;
class Preferences;
class Tmain_window;
class TAboutWindow;
class Ttip_window;
class Tbrowser_window;
class Tpreview_window;

// One font for every window: "Liberation Sans" 8 pt, metrically the same as the
// sans-serif the fixed layouts were drawn for; else the system's sans-serif.
void applyApplicationFont();

// The application object. Every handler is its own failure boundary already;
// notify() is the last net for anything that still escapes one, so that no
// exception ever crosses the event loop. It also makes a write past the file
// size limit fail with an error instead of ending the program.
class BrivaneApplication : public QApplication {
public:
    BrivaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The five windows, created once in this order and kept until the end.
struct ProgramWindows {
    ProgramWindows();
    ~ProgramWindows();
    std::unique_ptr<Tmain_window> main;
    std::unique_ptr<TAboutWindow> about;
    std::unique_ptr<Ttip_window> tip;
    std::unique_ptr<Tbrowser_window> browser;
    std::unique_ptr<Tpreview_window> preview;
};

// Creates the main window (its creation step runs inside, and a failure there
// is reported without stopping the start-up), then the About, tip, browser and
// Preview windows, all hidden, and hands them to the main window.
std::unique_ptr<ProgramWindows> createProgramWindows(Platform& platform, Preferences& preferences);

// Shows the main window in the middle of the screen. Closing it ends the event
// loop, even while secondary windows are open.
void showMainWindow(Tmain_window& window);

// Opens `file` from the command line as File > Open opens a chosen file, its
// failures reported in the error box; an empty name opens nothing.
void openStartFile(Tmain_window& window, const QString& file);

// The whole program: start-up, event loop, shutdown. Returns the exit status:
// 0, or for an early answer on the terminal 0 (--help, --version), 1 (no
// graphical session) or 2 (a wrong call).
int runBrivane(int argc, char** argv);

} // namespace brivane

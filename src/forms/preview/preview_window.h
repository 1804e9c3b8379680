#pragma once

#include "model/applet_settings.h"
#include "model/bar_check.h"
#include "model/bar_look.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

namespace Ui {
class Tpreview_window;
}

namespace brivane {

class BarView;
class Preferences;
class SettingsSource;

// The Preview window: the bar drawn from the settings as the main window's
// controls show them now (read through a SettingsSource), and below it the
// check's findings. It follows every change the source signals, writes no file and shows no message
// box: a number field that holds no number leaves the last good bar in place and is named in one
// line. Created once; closing only hides it. Its place and size are kept in the preferences store.
class Tpreview_window : public QWidget {
    Q_OBJECT

public:
    // The check's list shows at most this many findings, and says so.
    static constexpr int kShownFindings = 1000;

    // `beside`: the window it first opens beside (the one the settings are edited in).
    Tpreview_window(SettingsSource& source, QWidget* beside, Preferences& preferences,
                    QWidget* parent = nullptr);
    ~Tpreview_window() override;

    Ui::Tpreview_window* controls() const { return ui.get(); }
    BarView* bar() const;

    // View > Preview: shows the window (placing it as stored the first time).
    void showPreview();
    // Draws the bar from the settings now (while shown) and schedules the check.
    void refresh();
    // The check's findings for the bar shown; runs a check still pending first.
    const std::vector<BarFinding>& findings();
    // The line naming a number field that holds no number, empty when all do.
    QString message() const;

    // The check checks this many buttons per pass of the event loop, so a long
    // bar never holds up typing.
    static constexpr int kCheckStep = 1024;
    // The check's measuring for a look: labels and images as the bar draws them.
    static BarMeasures measuresFor(const BarLook& look);

protected:
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void startCheck();
    bool checkStep(); // true once the check is complete
    void showFindings();
    void check_listClick(int row);
    void restoreGeometry();
    void storeGeometry();

    std::unique_ptr<Ui::Tpreview_window> ui;
    SettingsSource& source_;
    QWidget* beside_;
    Preferences& preferences_;
    bool placed_ = false;
    bool checkPending_ = false;
    QTimer checkTimer_; // runs the check once after a burst of changes, in steps
    BarLook checkedLook_;
    int checkNext_ = 1; // the next button to check
    std::vector<BarFinding> checking_;
    std::vector<BarFinding> findings_;
};

} // namespace brivane

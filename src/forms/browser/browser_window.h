#pragma once

#include "platform/platform.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class Tbrowser_window;
}

namespace brivane {

class Preferences;

// The browser settings window: the default handler for pages, or a browser
// program the user picks. It changes BrowserSetting at once, so a Test Applet
// in the meantime already uses the new choice; Ok stores it, Cancel puts back
// what the window found when it was shown, and closing it does neither.
class Tbrowser_window : public QDialog {
    Q_OBJECT

public:
    Tbrowser_window(Platform& platform, Preferences& preferences, QWidget* parent = nullptr);
    ~Tbrowser_window() override;

    Ui::Tbrowser_window* controls() const { return ui.get(); }

    // BrowserSetting as it was when the window was last shown.
    QString SavedBrowserSetting;

    void FormShow();
    void SpeedButton1Click(); // Browse
    void default_checkClick();
    void Ok_buttonClick();
    void cancel_buttonClick();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    std::unique_ptr<Ui::Tbrowser_window> ui;
    Platform& platform_;
    Preferences& preferences_;
    bool placed_ = false;
};

} // namespace brivane

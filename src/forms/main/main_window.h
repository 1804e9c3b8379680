#pragma once

#include "model/applet_settings.h"
#include "platform/platform.h"

#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QMenu;
class QMimeData;

namespace Ui {
class Tmain_window;
}

namespace brivane {

class HtmlTab;
class Preferences;
class SettingsTarget;
class TAboutWindow;
class Ttip_window;
class Tbrowser_window;
class HtmlBox;
class Tpreview_window;
struct RecentFile;
class SettingsSource;
struct SettingsLineDef;
struct FieldNotANumber;

// The main window: the tabbed working surface. Most applet settings live in its
// controls (ui->width, ui->title, ...); the rest live in `settings` beside them.
// Handlers are named after their control and event; each one runs inside its own
// failure boundary (connectGuarded), so tests may also call them directly.
class Tmain_window : public QMainWindow {
    Q_OBJECT

public:
    Tmain_window(Platform& platform, Preferences& preferences, QWidget* parent = nullptr);
    ~Tmain_window() override;

    // The secondary windows, created after this one at start-up.
    void setCompanionWindows(TAboutWindow* about, Ttip_window* tip, Tbrowser_window* browser);

    // The Preview window, created after the others; View > Preview shows it.
    void setPreviewWindow(Tpreview_window* preview) { preview_ = preview; }

    // What the other windows may read of the settings, and its one signal.
    SettingsSource& settingsSource() const { return *settingsSource_; }

    Ui::Tmain_window* controls() const { return ui.get(); }

    // --- module-level values -------------------------------------------------
    AppletSettings settings;  // colour forms, option codes, applet size, ButtonTable
    int CurrentButton = 1;    // the button shown in the per-button editor
    QString WorkingDirectory; // current directory at start-up, ending in "/"
    QString SettingsFileName; // where Save writes; empty: ask
    bool MainWindowActivated = false;
    QTimer Timer1; // the one-shot delay of Test Applet
    // Where each file dialog opens: the path it returned last, and until it has
    // returned one, WorkingDirectory.
    QString saveBoxPath;   // save_box
    QString openBoxPath;   // open_box
    QString saveBox2Path;  // save_box2
    QString openImagePath; // the image browse

    // --- creation and activation ---------------------------------------------
    void FormCreate();
    void FormActivate();
    void titleChange();

    // --- number fields -------------------------------------------------------
    // The bounds of each number field (width, height, buttons, border, degree,
    // f_offset); nothing for any other control.
    std::optional<NumberRange> numberRangeOf(const QLineEdit* field) const;
    void CheckNumberField(QLineEdit* field);
    // A text for a number field that the field would refuse: its message and its
    // bound put in, without the text passing through the field; false, and nothing
    // done, for a text the field takes.
    bool refuseNumberText(QLineEdit* field, QByteArrayView text);
    void widthChange();
    void heightChange();
    void borderChange();
    void degreeChange();
    void buttonsChange(QLineEdit* source); // serves buttons and f_offset

    // --- per-button editor ---------------------------------------------------
    void link_boxChange();
    void frame_boxChange();
    void button_labelChange();
    void image_boxChange();
    void ShowButtonEntry();
    void StepCurrentButton(qint8 step);
    void adjustCurrentButtonToCount(); // the count-drop adjustment
    void SpeedButton7Click();          // Last
    void SpeedButton8Click();          // Next
    void SpeedButton11Click();         // image browse and copy

    // --- colours -------------------------------------------------------------
    void SpeedButton1Click(); // &Color
    void SpeedButton5Click(); // Font Co&lor
    void SpeedButton6Click(); // Font Clic&k Color

    // --- commands ------------------------------------------------------------
    void SpeedButton4Click();  // Make HTML
    void SpeedButton9Click();  // Copy HTML
    void SpeedButton10Click(); // Save HTML
    void SpeedButton2Click();  // Reset All
    void Exit1Click();
    void Help1Click();
    void Troubleshooting1Click();

    // --- settings file -------------------------------------------------------
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void ReadSettingsFile();
    // What Open does with the path its dialog returned: the same checks and
    // messages for a file named on the command line, in Open Recent or dropped.
    void openSettingsFile(const QString& path);
    void WriteSettingsFile();
    // Applies a settings file's lines to the controls, each with its change handling.
    std::unique_ptr<SettingsTarget> settingsTarget();

    // --- import of an applet page --------------------------------------------
    QAction* Import1 = nullptr; // File > Import Applet Page..., after Open...
    QString importBoxPath;      // the path its dialog returned last
    void Import1Click();

    // --- test launch ---------------------------------------------------------
    void SpeedButton3Click(); // Test Applet
    void Timer1Timer();

    // --- tips, browser window, about and web links -----------------------------
    void ShowTip(int n);
    void link_boxEnter();
    void frame_boxEnter();
    void image_boxEnter();
    void Browser1Click();
    void Homepage1Click();
    void Downloads1Click();
    void About2Click();

    // --- page format (Options > Page Format) -----------------------------------
    QAction* AppletPage1 = nullptr; // "Applet Page"
    QAction* WebPage1 = nullptr;    // "Web Page (HTML and CSS)"
    void AppletPage1Click();
    void WebPage1Click();
    bool webPageFormat() const;
    // The page Make HTML, Save HTML and Test Applet write, in the chosen format.
    void generatePage(HtmlTab& tab);
    // The image browse dialog's filter for the chosen format.
    QString imageBrowseFilter() const;

    // --- page language (Options > Page Language...) ------------------------------
    QAction* PageLanguage1 = nullptr; // "Page Language..."
    void PageLanguage1Click();

    // --- preview -------------------------------------------------------------
    void Preview1Click();
    // Moves the per-button editor to button k, as Last and Next would; a k
    // outside 1..buttons, or a count that is no number, changes nothing.
    void SelectButton(int k);

    // --- desktop: shortcuts, Open Recent, drops, page folder ------------------
    QMenu* OpenRecent1 = nullptr;    // File > Open Recent, after Import Applet Page...
    QAction* ClearRecent1 = nullptr; // its last item, "Clear Menu"
    QAction* PageFolder1 = nullptr;  // Options > Page Folder...
    QString StartDirectory;          // the folder the program was started from, ending in "/"
    // What Import does with the path its dialog returned.
    void importAppletPage(const QString& path);
    // Rebuilds File > Open Recent from the list, a file that is gone disabled.
    void updateRecentMenu();
    void openRecentFile(const RecentFile& file);
    void ClearRecent1Click();
    void PageFolder1Click();
    // WorkingDirectory from the chosen page folder, or the start folder.
    void applyPageFolder();
    // What a drop of `data` would do: a settings file opens, a page imports;
    // anything else is refused.
    enum class DropKind { None, SettingsFile, Page };
    static DropKind dropKindOf(const QMimeData* data, QString* path = nullptr);

    // Copies the controls' current texts and selections into `settings`, so a
    // command sees what the controls show at the moment it runs.
    void captureControls();
    // The same into another record, leaving `settings` as it is.
    void captureControlsInto(AppletSettings& into) const;
    // The controls that show a setting: the field of a text, the list of a
    // selection, and the option button of choice `choice` of a settings line.
    QLineEdit* editOf(QString AppletSettings::*field) const;
    QComboBox* listOf(int AppletSettings::*index) const;
    QRadioButton* optionOf(const SettingsLineDef& line, int choice) const;
    // The number fields whose text is no number, with their captions, in the
    // order the window shows them.
    std::vector<FieldNotANumber> fieldsNotNumbers() const;
    // captureControls() and the derivation step.
    void deriveAppletValues();
    // The colour forms into the hidden swatch panels.
    void updateSwatches();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // Each group of handlers connects its own controls.
    void wireNumberFields();
    void wireButtonEditor();
    void wireColours();
    void wireCommands();
    void wireSettingsFile();
    void wireImport();
    void wireLaunch();
    void wireTipsAndLinks();
    void wirePageFormat();
    void wirePageLanguage();
    void wirePreview();
    void wireDesktop();
    void rememberRecent(const QString& path, bool page);
    // Handles a drag of files wherever it is over the window; false for other drags.
    bool handleFileDrag(QEvent* e);
    bool pageFolderTipShown_ = false;

    std::unique_ptr<Ui::Tmain_window> ui;
    Platform& platform_;
    Preferences& preferences_;
    TAboutWindow* about_ = nullptr;
    Ttip_window* tip_ = nullptr;
    Tbrowser_window* browser_ = nullptr;
    HtmlBox* htmlBox_ = nullptr; // the "HTML" tab's box and the page it shows (a child)
    Tpreview_window* preview_ = nullptr;
    std::unique_ptr<SettingsSource> settingsSource_;
};

} // namespace brivane

#include "forms/main/main_window.h"

#include "forms/main/up_down.h"
#include "forms/program_resources.h"
#include "forms/settings_source.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include <QButtonGroup>
#include <QDir>
#include <QEvent>
#include <QFocusEvent>
#include <QIcon>
#include <QMenuBar>
#include <QStyle>

namespace brivane {

namespace {

QIcon standardIcon(const QWidget* widget, QStyle::StandardPixmap which) {
    return widget->style()->standardIcon(which, nullptr, widget);
}

// Tab stops at an option group's chosen button only, as it does on every
// desktop; the arrow keys move between the group's buttons.
void keepTabStopOnChoice(QButtonGroup* group) {
    for (QAbstractButton* button : group->buttons()) {
        const Qt::FocusPolicy policy = button->focusPolicy();
        button->setFocusPolicy(button->isChecked() ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                                   : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}

} // namespace

Tmain_window::Tmain_window(Platform& platform, Preferences& preferences, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::Tmain_window>()), platform_(platform),
      preferences_(preferences) {
    initProgramResources();
    ui->setupUi(this);

    setWindowTitle(QStringLiteral("Brivane"));
    setWindowIcon(programIcon());
    // A fixed single border with a system menu and a minimise box, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The client area below the menu bar is 609 x 296 and never changes.
    setFixedSize(609, 296 + menuBar()->sizeHint().height());

    // The flat buttons' pictures.
    ui->SpeedButton1->setIcon(QIcon(QStringLiteral(":/icons/color.png")));
    ui->SpeedButton5->setIcon(QIcon(QStringLiteral(":/icons/font_color.png")));
    ui->SpeedButton6->setIcon(QIcon(QStringLiteral(":/icons/font_click_color.png")));
    ui->SpeedButton7->setIcon(standardIcon(this, QStyle::SP_ArrowLeft));
    ui->SpeedButton8->setIcon(standardIcon(this, QStyle::SP_ArrowRight));
    ui->SpeedButton11->setIcon(standardIcon(this, QStyle::SP_DirOpenIcon));
    ui->SpeedButton9->setIcon(QIcon(QStringLiteral(":/icons/copy_html.png")));
    ui->SpeedButton10->setIcon(standardIcon(this, QStyle::SP_DialogSaveButton));
    ui->SpeedButton4->setIcon(QIcon(QStringLiteral(":/icons/make_html.png")));
    ui->SpeedButton3->setIcon(QIcon(QStringLiteral(":/icons/test_applet.png")));
    ui->SpeedButton2->setIcon(standardIcon(this, QStyle::SP_BrowserReload));
    for (QToolButton* big : {ui->SpeedButton4, ui->SpeedButton3, ui->SpeedButton2})
        big->setIconSize(QSize(20, 20));

    // Each up-down steps the edit it sits beside, starting from the layout's value.
    const std::pair<UpDown*, QLineEdit*> upDowns[] = {
        {ui->UpDown1, ui->width},  {ui->UpDown2, ui->height},   {ui->UpDown6, ui->border},
        {ui->UpDown5, ui->degree}, {ui->UpDown3, ui->f_offset}, {ui->UpDown4, ui->buttons}};
    for (const auto& [upDown, edit] : upDowns) {
        upDown->setRange(1, 32767);
        upDown->setBuddy(edit);
    }

    // The HTML box starts with one empty line and takes no Enter key (read-only).
    ui->html_box->setPlainText(QString());

    // A coarse timer may fire up to 5 % early; the delay is meant to be 1500 ms.
    Timer1.setTimerType(Qt::PreciseTimer);
    Timer1.setInterval(1500);
    Timer1.setSingleShot(true);

    // Entering a per-button box can show a quick tip.
    for (QLineEdit* box : {ui->link_box, ui->frame_box, ui->image_box})
        box->installEventFilter(this);

    wireNumberFields();
    wireButtonEditor();
    wireColours();
    wireCommands();
    wireSettingsFile();
    wireImport();
    wireLaunch();
    wireTipsAndLinks();
    wirePageFormat();
    wirePageLanguage();
    wirePreview();
    wireDesktop();

    connectGuarded(ui->title, &QLineEdit::textChanged, this, [this] { titleChange(); });

    // A choice made by a click, a key or a settings file moves its group's stop.
    for (QButtonGroup* group :
         {ui->motion_style_group, ui->direction_group, ui->font_style_group, ui->position_group}) {
        keepTabStopOnChoice(group);
        connectGuarded(group, &QButtonGroup::buttonToggled, this,
                       [group] { keepTabStopOnChoice(group); });
    }

    // A failure while creating is reported, and the window is still completed.
    runGuarded([this] { FormCreate(); });
    // The store has been read: show the format it holds, use the folder and
    // list the files it keeps.
    (webPageFormat() ? WebPage1 : AppletPage1)->setChecked(true);
    applyPageFolder();
    updateRecentMenu();
}

Tmain_window::~Tmain_window() = default;

void Tmain_window::setCompanionWindows(TAboutWindow* about, Ttip_window* tip,
                                       Tbrowser_window* browser) {
    about_ = about;
    tip_ = tip;
    browser_ = browser;
}

void Tmain_window::FormCreate() {
    MainWindowActivated = false;

    ui->font_size->setCurrentIndex(2);
    ui->font_box->setCurrentIndex(0);
    ui->align->setCurrentIndex(0);

    CurrentButton = 1;

    preferences_.BrowserSetting = QStringLiteral("default");

    // Each box's change handler stores the emptied text into entry 1.
    ui->link_box->setText(QString());
    ui->button_label->setText(QString());
    ui->image_box->setText(QString());
    ui->frame_box->setText(QString());

    // Pages and copied images go into the folder the program was started from.
    QString directory = QDir::toNativeSeparators(QDir::currentPath());
    if (!directory.endsWith(QDir::separator()))
        directory += QDir::separator();
    WorkingDirectory = StartDirectory = directory;
    // A file dialog that has not been used yet opens there too, not wherever
    // the toolkit's dialog was last.
    saveBoxPath = openBoxPath = saveBox2Path = openImagePath = importBoxPath = WorkingDirectory;

    preferences_.LoadPreferences();
}

void Tmain_window::FormActivate() {
    MainWindowActivated = true;
}

void Tmain_window::titleChange() {
    ui->Label18->setText(u'"' + ui->title->text() + QStringLiteral(".html\""));
}

void Tmain_window::captureControls() {
    captureControlsInto(settings);
}

void Tmain_window::deriveAppletValues() {
    captureControls();
    DeriveAppletValues(settings);
}

bool Tmain_window::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        runGuarded([this] { FormActivate(); });
    return QMainWindow::event(e);
}

bool Tmain_window::eventFilter(QObject* watched, QEvent* e) {
    if (handleFileDrag(e))
        return true;
    if (e->type() == QEvent::FocusIn) {
        // Entering a box means moving into it within this window; coming back
        // from another window or a popup menu is no new entry.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == ui->link_box)
                runGuarded([this] { link_boxEnter(); });
            else if (watched == ui->frame_box)
                runGuarded([this] { frame_boxEnter(); });
            else if (watched == ui->image_box)
                runGuarded([this] { image_boxEnter(); });
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

} // namespace brivane

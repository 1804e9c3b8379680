// Quick tips, the browser window, the About window and the maker's web links.
#include "forms/main/main_window.h"

#include "forms/about/about_window.h"
#include "forms/browser/browser_window.h"
#include "forms/tip/tip_window.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"

#include "ui_main_window.h"

namespace brivane {

namespace {

// The six lines of each tip, top to bottom; "" is an empty line. The texts are
// kept exactly as users have always seen them.
const Ttip_window::Lines kTips[5] = {
    {QString(), QString(), QStringLiteral("In this box you put the internet address of the"),
     QStringLiteral("link for this button."), QString(), QString()},
    {QString(), QStringLiteral("In this box you can enter the target frame for"),
     QStringLiteral("the button link."), QString(),
     QStringLiteral("If you do not want to use this feature leave it blank."), QString()},
    {QStringLiteral("In this box you can enter the path to an image"),
     QStringLiteral("for this button."),
     QStringLiteral("Java only works with images which are on the same"),
     QStringLiteral("server as the applet (or on your hard drive)"),
     QStringLiteral("I recommend allways putting the images in the "),
     QStringLiteral("same directory as the html file with the applet.")},
    {QStringLiteral("The border color change box specifies the"),
     QStringLiteral("rate the button border gets lighter or darker."),
     QStringLiteral("Lower numbers make the border color change"),
     QStringLiteral("at a slower rate."),
     QStringLiteral("The top and left sides of the button get lighter"),
     QStringLiteral("and the bottom and right sides get darker.")},
    {QString(), QStringLiteral("The spacing box specifies the distace in pixels between"),
     QStringLiteral("the edge of the button, the image (if an image"),
     QStringLiteral("is used) and the text on the button."), QString(), QString()},
};

// Shows a secondary window without blocking, or brings it to the front.
void bringToFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void Tmain_window::wireTipsAndLinks() {
    connectGuarded(ui->Browser1, &QAction::triggered, this, [this] { Browser1Click(); });
    connectGuarded(ui->Homepage1, &QAction::triggered, this, [this] { Homepage1Click(); });
    connectGuarded(ui->Downloads1, &QAction::triggered, this, [this] { Downloads1Click(); });
    connectGuarded(ui->About2, &QAction::triggered, this, [this] { About2Click(); });
}

void Tmain_window::ShowTip(int n) {
    if (n < 1 || n > 5)
        return;
    QString& flag = preferences_.TipFlags[std::size_t(n - 1)];
    // Only a flag of exactly "false" means not shown yet; an empty or damaged
    // one keeps the tip away for good.
    if (flag != QLatin1String("false"))
        return;
    // The number-field tips wait until the user has the window; start-up's own
    // changes of those fields show nothing.
    if ((n == 4 || n == 5) && !MainWindowActivated)
        return;
    // A tip that cannot be shown is not recorded as shown.
    if (!tip_)
        return;
    tip_->setLines(kTips[n - 1]);
    flag = QStringLiteral("true");
    const QString valueName = QStringLiteral("tip%1").arg(n);
    if (n == 3) {
        tip_->showTip();
        preferences_.MarkTipShown(valueName);
    } else {
        preferences_.MarkTipShown(valueName);
        tip_->showTip();
    }
}

void Tmain_window::link_boxEnter() {
    ShowTip(1);
}

void Tmain_window::frame_boxEnter() {
    ShowTip(2);
}

void Tmain_window::image_boxEnter() {
    ShowTip(3);
}

void Tmain_window::Browser1Click() {
    if (browser_)
        bringToFront(browser_);
}

void Tmain_window::Homepage1Click() {
    openAddress(platform_, weblinks::kHomePage);
}

void Tmain_window::Downloads1Click() {
    openAddress(platform_, weblinks::kDownloadPage);
}

void Tmain_window::About2Click() {
    if (about_)
        bringToFront(about_);
}

} // namespace brivane

// Test Applet: write the page as Make HTML does, then open it a moment later.
#include "forms/main/main_window.h"

#include "model/page_generator.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace brivane {

void Tmain_window::wireLaunch() {
    connectGuarded(ui->SpeedButton3, &QAbstractButton::clicked, this,
                   [this] { SpeedButton3Click(); });
    connectGuarded(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void Tmain_window::SpeedButton3Click() {
    SpeedButton4Click();
    // start() would restart a running delay; a second press must change nothing.
    if (!Timer1.isActive())
        Timer1.start();
}

// Opens the page under the title as it is now, which may differ from the one
// the page was written under. What the shell makes of it is not looked at.
void Tmain_window::Timer1Timer() {
    Timer1.stop();
    const QString pagePath = appletPagePath(WorkingDirectory, ui->title->text());
    const QString& browser = preferences_.BrowserSetting;
    if (browser == QLatin1String("default"))
        platform_.shell.execute({QStringLiteral("open"), pagePath, QString()});
    else
        platform_.shell.execute({QString(), browser, pagePath});
}

} // namespace brivane

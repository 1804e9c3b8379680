// Options > Page Format: the applet page of old, or the same bar as a web page
// of plain HTML and CSS that today's browsers show. The choice is kept in the
// preferences store; with "Applet Page" every command works exactly as before.
#include "forms/main/main_window.h"

#include "model/page_generator.h"
#include "model/web_page.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace brivane {

void Tmain_window::wirePageFormat() {
    QMenu* menu = ui->Options1->addMenu(QStringLiteral("Page Format"));
    menu->setObjectName(QStringLiteral("PageFormat1"));
    auto* group = new QActionGroup(menu);
    AppletPage1 = group->addAction(QStringLiteral("Applet Page"));
    WebPage1 = group->addAction(QStringLiteral("Web Page (HTML and CSS)"));
    AppletPage1->setObjectName(QStringLiteral("AppletPage1"));
    WebPage1->setObjectName(QStringLiteral("WebPage1"));
    for (QAction* item : {AppletPage1, WebPage1}) {
        item->setCheckable(true);
        menu->addAction(item);
    }
    AppletPage1->setChecked(true);
    connectGuarded(AppletPage1, &QAction::triggered, this, [this] { AppletPage1Click(); });
    connectGuarded(WebPage1, &QAction::triggered, this, [this] { WebPage1Click(); });
}

// The choice holds for this run even when the store cannot keep it.
void Tmain_window::AppletPage1Click() {
    preferences_.PageFormat = kAppletPageFormat;
    preferences_.SavePageFormatPreference();
}

void Tmain_window::WebPage1Click() {
    preferences_.PageFormat = kWebPageFormat;
    preferences_.SavePageFormatPreference();
}

bool Tmain_window::webPageFormat() const {
    return preferences_.PageFormat == kWebPageFormat;
}

void Tmain_window::generatePage(HtmlTab& tab) {
    if (webPageFormat())
        GenerateWebPage(settings, WorkingDirectory, preferences_.PageLanguage, tab);
    else
        GenerateAppletPage(settings, WorkingDirectory, tab);
}

// A web page shows any image a browser does, so those come first there.
QString Tmain_window::imageBrowseFilter() const {
    const QString applet = QStringLiteral("JPG (*.jpg);;Gif (*.gif);;All Files (*)");
    if (!webPageFormat())
        return applet;
    return QStringLiteral("Images (*.png *.jpg *.jpeg *.gif *.svg *.webp);;") + applet;
}

} // namespace brivane

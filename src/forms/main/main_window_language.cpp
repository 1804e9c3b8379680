// Options > Page Language...: the language a web page declares in its <html>
// element, so screen readers speak it with the right voice and browsers offer
// the right translation and hyphenation. Kept in the preferences store; it
// changes nothing in the applet page.
#include "forms/main/main_window.h"

#include "model/web_page.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include <QAction>
#include <QMenu>

namespace brivane {

void Tmain_window::wirePageLanguage() {
    PageLanguage1 = ui->Options1->addAction(QStringLiteral("Page Language..."));
    PageLanguage1->setObjectName(QStringLiteral("PageLanguage1"));
    PageLanguage1->setStatusTip(QStringLiteral("The language the web page declares"));
    connectGuarded(PageLanguage1, &QAction::triggered, this, [this] { PageLanguage1Click(); });
}

// A text that is no tag is answered with a message and changes nothing; the
// choice holds for this run even when the store cannot keep it.
void Tmain_window::PageLanguage1Click() {
    const std::optional<QString> typed = platform_.dialogs.askText(
        this, QStringLiteral("Page Language"),
        QStringLiteral("The language of the web page, as a language tag (en, de-CH, "
                       "zh-Hant-TW):"),
        preferences_.PageLanguage);
    if (!typed)
        return;
    const QString tag = typed->trimmed();
    if (!isLanguageTag(tag)) {
        platform_.dialogs.showMessage(
            this,
            QStringLiteral("'%1' is not a language tag such as en, de-CH or zh-Hant-TW.").arg(tag));
        return;
    }
    preferences_.PageLanguage = tag;
    preferences_.SavePageLanguagePreference();
}

} // namespace brivane

#include "model/page_conversion.h"

#include "model/applet_import.h"
#include "model/applet_settings.h"
#include "model/bar_look.h"
#include "model/errors.h"
#include "model/web_page.h"

#include <QFileInfo>

namespace brivane {

namespace {

// UTF-8 markup to ASCII: every character beyond ASCII becomes a numeric character
// reference. The bar's markup holds such characters only in element text and
// attribute values (addresses are percent-encoded already, the style is ASCII),
// where a reference means the same character.
QByteArray asciiMarkup(const QByteArray& utf8) {
    QByteArray out;
    out.reserve(utf8.size());
    qsizetype i = 0;
    const qsizetype size = utf8.size();
    while (i < size) {
        const unsigned char c = static_cast<unsigned char>(utf8.at(i));
        if (c < 0x80) {
            out.append(char(c));
            ++i;
            continue;
        }
        qsizetype run = i;
        while (run < size && static_cast<unsigned char>(utf8.at(run)) >= 0x80)
            ++run;
        const QString text = QString::fromUtf8(utf8.constData() + i, run - i);
        for (const char32_t codePoint : text.toUcs4())
            out.append("&#x").append(QByteArray::number(uint(codePoint), 16).toUpper()).append(';');
        i = run;
    }
    return out;
}

QString hiddenAppletReason(const QString& where) {
    return QStringLiteral("its button bar applet lies %1, where a browser does not show it as "
                          "part of the page")
        .arg(where);
}

} // namespace

ConvertedPage convertAppletPage(QByteArrayView page, const QString& pagePath) {
    const ImportedApplet applet = readAppletPage(page);
    if (applet.utf16)
        throw Error(QStringLiteral("the page is in UTF-16, which is not converted (save it as "
                                   "UTF-8 first)"));
    if (!applet.found && !applet.hiddenApplet.isEmpty())
        throw Error(hiddenAppletReason(applet.hiddenApplet));
    if (!applet.found)
        throw NoAppletError(QStringLiteral("no button bar applet found"));
    if (!applet.closed)
        throw Error(QStringLiteral("its button bar applet is never closed (no </applet>)"));
    // The settings are read as a browser without script reads the page; the bar
    // goes where a browser that runs script sees the applet too, or nowhere.
    const ImportedApplet withScript = readAppletPage(page, PageScripting::On);
    if (!withScript.found || withScript.blockBegin != applet.blockBegin ||
        withScript.blockEnd != applet.blockEnd)
        throw Error(withScript.hiddenApplet.isEmpty()
                        ? QStringLiteral("its button bar applet is not the same where a browser "
                                         "runs script (see its <noscript>)")
                        : hiddenAppletReason(withScript.hiddenApplet));

    AppletSettings settings;
    RecordImportTarget target(settings);
    ConvertedPage converted;
    converted.problems = applyImportedApplet(applet, target);
    DeriveAppletValues(settings);

    WebBarOptions options;
    options.phrasing = true;
    options.currentPage = pagePath;
    const WebBar bar = BuildWebBar(settings, options);
    converted.buttons = lookOf(settings).buttonCount;

    const QByteArray style = asciiMarkup(bar.style);
    const QByteArray markup = asciiMarkup(bar.markup);
    QByteArray& out = converted.bytes;
    out.reserve(page.size() + style.size() + markup.size());
    if (applet.headEnd >= 0 && applet.headEnd <= applet.blockBegin) {
        out.append(page.first(applet.headEnd));
        out.append(style);
        out.append(page.sliced(applet.headEnd, applet.blockBegin - applet.headEnd));
    } else {
        out.append(page.first(applet.blockBegin));
        out.append(style);
    }
    out.append(markup);
    out.append(page.sliced(applet.blockEnd));
    return converted;
}

QString webPageFileName(const QString& pageFileName) {
    const QString suffix = QFileInfo(pageFileName).suffix();
    QString base = pageFileName;
    if (!suffix.isEmpty() && pageFileName.size() > suffix.size() + 1)
        base.chop(suffix.size() + 1);
    return base + QStringLiteral(".web.html");
}

} // namespace brivane

#include "platform/help_window.h"

#include "platform/window_beside.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace brivane {

HelpWindow::HelpWindow(QWidget* parent)
    : HelpWindow(defaultSearchFolders(QCoreApplication::applicationDirPath()), parent) {}

HelpWindow::HelpWindow(const QStringList& searchFolders, QWidget* parent)
    : QWidget(parent, Qt::Window), folders_(searchFolders) {
    setWindowTitle(tr("Brivane Help"));
    resize(560, 480);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    // Running text in the desktop's normal size, with room around it.
    browser_->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    browser_->document()->setDocumentMargin(12);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
}

QStringList HelpWindow::defaultSearchFolders(const QString& applicationDir) {
    return {QDir::cleanPath(applicationDir),
            QDir::cleanPath(applicationDir + QStringLiteral("/../share/brivane"))};
}

QString HelpWindow::topicAnchor(int context) {
    return QStringLiteral("context-%1").arg(context);
}

// The help is asked for from the main window's menu, so the active window is
// the one to keep in view: the help goes beside it where the screen has room,
// else centred over it. Later showings keep the place the user gave it.
void HelpWindow::placeBesideAskingWindow() {
    placeBeside(this, QApplication::activeWindow());
}

void HelpWindow::present() {
    if (!placed_ && !isVisible()) {
        placeBesideAskingWindow();
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::showNotice(const QString& title, const QString& html) {
    browser_->clear();
    browser_->setHtml(html);
    setWindowTitle(title);
    present();
}

void HelpWindow::showHelp(const QString& helpFile, int context) {
    shownFile_.clear();
    QString found;
    for (const QString& folder : folders_) {
        const QString candidate = QDir(folder).filePath(helpFile);
        if (QFileInfo(candidate).isFile()) {
            found = candidate;
            break;
        }
    }

    if (found.isEmpty()) {
        QString where;
        for (const QString& folder : folders_)
            where +=
                QStringLiteral("<li>%1</li>").arg(QDir::toNativeSeparators(folder).toHtmlEscaped());
        showNotice(tr("Brivane Help"),
                   tr("<h3>Help is not available</h3>"
                      "<p>The help file \"%1\" could not be found. It was looked for in:</p>"
                      "<ul>%2</ul>"
                      "<p>Reinstalling the program puts it back.</p>")
                       .arg(helpFile.toHtmlEscaped(), where));
        return;
    }

    QFile file(found);
    if (!file.open(QIODevice::ReadOnly)) {
        showNotice(tr("Brivane Help"),
                   tr("<h3>Help is not available</h3><p>The help file \"%1\" could not be read: "
                      "%2</p>")
                       .arg(QDir::toNativeSeparators(found).toHtmlEscaped(),
                            file.errorString().toHtmlEscaped()));
        return;
    }
    const QString html = QString::fromUtf8(file.readAll());
    const QString anchor = topicAnchor(context);
    if (!html.contains(QStringLiteral("name=\"%1\"").arg(anchor)) &&
        !html.contains(QStringLiteral("id=\"%1\"").arg(anchor))) {
        showNotice(tr("Brivane Help"), tr("<h3>Help topic not found</h3>"
                                          "<p>The help file \"%1\" has no topic number %2.</p>")
                                           .arg(QDir::toNativeSeparators(found).toHtmlEscaped(),
                                                QString::number(context)));
        return;
    }

    shownFile_ = found;
    // Links and pictures in the help file are relative to its own folder.
    browser_->document()->setBaseUrl(QUrl::fromLocalFile(found));
    browser_->setHtml(html);
    setWindowTitle(browser_->documentTitle().isEmpty() ? tr("Brivane Help")
                                                       : browser_->documentTitle());
    browser_->scrollToAnchor(anchor);
    present();
    // A window shown for the first time gets its final size only now: scroll
    // to the topic once more when it has it.
    QTimer::singleShot(0, browser_,
                       [browser = browser_, anchor] { browser->scrollToAnchor(anchor); });
}

} // namespace brivane

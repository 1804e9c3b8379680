#pragma once

#include "platform/shell.h"

#include <QStringList>
#include <QWidget>

class QTextBrowser;

namespace brivane {

// The program's own help viewer: a small window that shows the help file at a
// topic, by context number. The help file is an HTML document whose topics are
// marked with anchors named "context-<number>". It is looked for beside the
// program and, for an installed program, in ../share/brivane. When the file or
// the topic is missing, the window itself says so; nothing else is disturbed.
// It reads in the desktop's own font, not the small one of the fixed layouts,
// and first opens beside the window that asked for help.
class HelpWindow : public QWidget, public HelpViewer {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // For tests: look only in these folders.
    HelpWindow(const QStringList& searchFolders, QWidget* parent = nullptr);

    void showHelp(const QString& helpFile, int context) override;

    // The folders searched, in order.
    const QStringList& searchFolders() const { return folders_; }
    // The help file found by the last request; empty when it was missing.
    const QString& shownFile() const { return shownFile_; }
    // The anchor name of a topic.
    static QString topicAnchor(int context);

    QTextBrowser* browser() const { return browser_; }

    // The default search folders for a program in `applicationDir`.
    static QStringList defaultSearchFolders(const QString& applicationDir);

private:
    void showNotice(const QString& title, const QString& html);
    // Shows the window, placing it the first time.
    void present();
    void placeBesideAskingWindow();

    QStringList folders_;
    QString shownFile_;
    QTextBrowser* browser_ = nullptr;
    bool placed_ = false;
};

} // namespace brivane

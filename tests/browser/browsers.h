// Real browsers for the web page tests: a headless Chromium driven through its
// DevTools protocol (so hover and press go through the page's own :hover and
// :active rules), a headless Firefox ESR screenshot, and tidy.
#pragma once

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace brivane::test {

// Chromium at device scale factor 1, talking the DevTools protocol over the
// pipe it reads on descriptor 3 and writes on 4 (messages end in a zero byte).
class ChromiumSession {
public:
    // Empty when Chromium is not installed.
    static QString program();

    ChromiumSession();
    ~ChromiumSession();
    ChromiumSession(const ChromiumSession&) = delete;
    ChromiumSession& operator=(const ChromiumSession&) = delete;

    // Starts the browser and opens one tab; false with error() set on failure.
    bool start();
    QString error() const { return error_; }

    // Shows the page in a viewport of width x height, fonts loaded, the pointer
    // moved away to (width - 1, height - 1).
    bool load(const QString& path, int width, int height);
    bool moveMouse(int x, int y);
    bool pressMouse(int x, int y);
    bool releaseMouse(int x, int y);
    QImage screenshot();
    // Runs a script in the page, waiting for a promise it gives; its value, as
    // JSON can carry it.
    QJsonValue evaluate(const QString& expression);
    // Shows the page as a high contrast theme would (forced colours) or not;
    // takes effect from the next load.
    bool emulateForcedColors(bool active);
    // One press of the Tab key.
    bool pressTab();

private:
    // Sends a command (to the tab unless `browser`) and waits for its answer.
    QJsonObject call(const QString& method, const QJsonObject& params = {}, bool browser = false);
    QJsonObject waitForEvent(const QString& method);
    bool readMessage(QJsonObject& message);

    QProcess process_;
    QTemporaryDir profile_;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    QByteArray pending_;
    QList<QJsonObject> events_; // events that arrived while waiting for an answer
    QString sessionId_;
    QString error_;
    int nextId_ = 1;
};

// Firefox ESR's own headless screenshot of a page; a null image and `error`
// set when it fails. Empty program() when Firefox ESR is not installed.
QString firefoxProgram();
QImage firefoxScreenshot(const QString& path, int width, int height, QString& error);

// The Nu Html Checker's jar and axe-core's script, installed by `npm ci` in
// tests/browser; empty when they are not there. Java runs the jar.
QString nuCheckerJar();
QString axeScript();
QString javaProgram();
// Runs the Nu Html Checker on the files: its exit code and what it reported,
// one message a line (errors and warnings alike).
int runNuChecker(const QStringList& paths, QString& report);

// Runs `tidy -e -q` on a file: its exit code and what it reported.
QString tidyProgram();
int runTidy(const QString& path, QString& report);

} // namespace brivane::test

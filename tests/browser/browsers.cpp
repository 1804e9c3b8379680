#include "browsers.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace brivane::test {

namespace {

// No answer within this time means the browser is stuck.
constexpr int kAnswerTimeoutMs = 60000;

const QStringList kChromiumFlags = {"--headless",
                                    "--no-sandbox",
                                    "--disable-gpu",
                                    "--disable-quic",
                                    "--no-first-run",
                                    "--disable-background-networking",
                                    "--disable-sync",
                                    "--disable-component-update",
                                    "--force-device-scale-factor=1",
                                    "--hide-scrollbars",
                                    "--remote-debugging-pipe"};

} // namespace

QString ChromiumSession::program() {
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

ChromiumSession::ChromiumSession() = default;

ChromiumSession::~ChromiumSession() {
    // Asked to close, the browser ends its helpers and lets go of the profile.
    if (toBrowser_ >= 0 && error_.isEmpty() && process_.state() == QProcess::Running) {
        call(QStringLiteral("Browser.close"), {}, true);
        process_.waitForFinished(10000);
    }
    if (toBrowser_ >= 0)
        ::close(toBrowser_);
    if (fromBrowser_ >= 0)
        ::close(fromBrowser_);
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

bool ChromiumSession::start() {
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) {
        error_ = QStringLiteral("no pipe");
        return false;
    }
    const int childReads = toChild[0];
    const int childWrites = fromChild[1];
    // In the child: the protocol's descriptors 3 and 4, kept across exec. Moved
    // out of the way first, so neither overwrites the other.
    process_.setChildProcessModifier([childReads, childWrites] {
        const int in = ::fcntl(childReads, F_DUPFD, 10);
        const int out = ::fcntl(childWrites, F_DUPFD, 10);
        ::dup2(in, 3);
        ::dup2(out, 4);
        ::fcntl(3, F_SETFD, 0);
        ::fcntl(4, F_SETFD, 0);
    });
    process_.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process_.setStandardErrorFile(QProcess::nullDevice());
    QStringList arguments = kChromiumFlags;
    arguments << QStringLiteral("--user-data-dir=") + profile_.path()
              << QStringLiteral("about:blank");
    process_.start(program(), arguments);
    const bool started = process_.waitForStarted(30000);
    ::close(childReads);
    ::close(childWrites);
    toBrowser_ = toChild[1];
    fromBrowser_ = fromChild[0];
    if (!started) {
        error_ = QStringLiteral("chromium did not start: ") + process_.errorString();
        return false;
    }
    const QJsonObject target =
        call(QStringLiteral("Target.createTarget"), {{"url", "about:blank"}}, true);
    if (!error_.isEmpty())
        return false;
    const QJsonObject attached =
        call(QStringLiteral("Target.attachToTarget"),
             {{"targetId", target.value("targetId")}, {"flatten", true}}, true);
    sessionId_ = attached.value("sessionId").toString();
    call(QStringLiteral("Page.enable"));
    return error_.isEmpty();
}

bool ChromiumSession::load(const QString& path, int width, int height) {
    call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
    call(QStringLiteral("Page.navigate"),
         {{"url", QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)}});
    waitForEvent(QStringLiteral("Page.loadEventFired"));
    call(QStringLiteral("Runtime.evaluate"),
         {{"expression", "document.fonts.ready.then(() => true)"}, {"awaitPromise", true}});
    return moveMouse(width - 1, height - 1);
}

bool ChromiumSession::moveMouse(int x, int y) {
    call(QStringLiteral("Input.dispatchMouseEvent"), {{"type", "mouseMoved"}, {"x", x}, {"y", y}});
    return error_.isEmpty();
}

bool ChromiumSession::pressMouse(int x, int y) {
    moveMouse(x, y);
    call(QStringLiteral("Input.dispatchMouseEvent"),
         {{"type", "mousePressed"}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}});
    return error_.isEmpty();
}

bool ChromiumSession::releaseMouse(int x, int y) {
    moveMouse(x, y);
    call(QStringLiteral("Input.dispatchMouseEvent"),
         {{"type", "mouseReleased"}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}});
    return error_.isEmpty();
}

QImage ChromiumSession::screenshot() {
    const QJsonObject shot = call(QStringLiteral("Page.captureScreenshot"), {{"format", "png"}});
    const QByteArray png = QByteArray::fromBase64(shot.value("data").toString().toLatin1());
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
}

QJsonValue ChromiumSession::evaluate(const QString& expression) {
    const QJsonObject result =
        call(QStringLiteral("Runtime.evaluate"),
             {{"expression", expression}, {"awaitPromise", true}, {"returnByValue", true}});
    if (result.contains("exceptionDetails")) {
        error_ =
            QStringLiteral("the script failed: ") +
            QString::fromUtf8(QJsonDocument(result.value("exceptionDetails").toObject()).toJson());
        return {};
    }
    return result.value("result").toObject().value("value");
}

bool ChromiumSession::emulateForcedColors(bool active) {
    call(QStringLiteral("Emulation.setEmulatedMedia"),
         {{"features", QJsonArray{QJsonObject{{"name", "forced-colors"},
                                              {"value", active ? "active" : "none"}}}}});
    return error_.isEmpty();
}

bool ChromiumSession::pressTab() {
    for (const char* type : {"keyDown", "keyUp"})
        call(QStringLiteral("Input.dispatchKeyEvent"), {{"type", type},
                                                        {"key", "Tab"},
                                                        {"code", "Tab"},
                                                        {"windowsVirtualKeyCode", 9},
                                                        {"nativeVirtualKeyCode", 9}});
    return error_.isEmpty();
}

QJsonObject ChromiumSession::call(const QString& method, const QJsonObject& params, bool browser) {
    if (!error_.isEmpty())
        return {};
    const int id = nextId_++;
    QJsonObject message{{"id", id}, {"method", method}, {"params", params}};
    if (!browser)
        message.insert("sessionId", sessionId_);
    const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0';
    if (::write(toBrowser_, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
        error_ = method + QStringLiteral(": the browser took no command");
        return {};
    }
    QJsonObject answer;
    while (readMessage(answer)) {
        if (answer.value("id").toInt() != id) {
            // An event that came first (a fast page's load) is kept for waitForEvent.
            if (answer.contains("method"))
                events_.append(answer);
            continue;
        }
        if (answer.contains("error")) {
            error_ = method + QStringLiteral(": ") +
                     QString::fromUtf8(QJsonDocument(answer.value("error").toObject()).toJson());
            return {};
        }
        return answer.value("result").toObject();
    }
    error_ = method + QStringLiteral(": no answer");
    return {};
}

QJsonObject ChromiumSession::waitForEvent(const QString& method) {
    while (!events_.isEmpty()) {
        const QJsonObject event = events_.takeFirst();
        if (event.value("method").toString() == method)
            return event;
    }
    QJsonObject message;
    while (error_.isEmpty() && readMessage(message))
        if (message.value("method").toString() == method)
            return message;
    if (error_.isEmpty())
        error_ = method + QStringLiteral(": never came");
    return {};
}

bool ChromiumSession::readMessage(QJsonObject& message) {
    qsizetype end = pending_.indexOf('\0');
    while (end < 0) {
        pollfd wait{fromBrowser_, POLLIN, 0};
        if (::poll(&wait, 1, kAnswerTimeoutMs) <= 0)
            return false;
        char buffer[65536];
        const ssize_t got = ::read(fromBrowser_, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        pending_.append(buffer, got);
        end = pending_.indexOf('\0');
    }
    message = QJsonDocument::fromJson(pending_.left(end)).object();
    pending_.remove(0, end + 1);
    return true;
}

QString firefoxProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("firefox-esr"));
}

QImage firefoxScreenshot(const QString& path, int width, int height, QString& error) {
    QTemporaryDir profile;
    const QString shot = profile.filePath(QStringLiteral("shot.png"));
    QProcess firefox;
    firefox.setProcessChannelMode(QProcess::MergedChannels);
    firefox.start(firefoxProgram(),
                  {"--headless", "--no-remote", "--profile", profile.path(), "--screenshot", shot,
                   "--window-size", QStringLiteral("%1,%2").arg(width).arg(height),
                   QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)});
    if (!firefox.waitForFinished(120000)) {
        firefox.kill();
        firefox.waitForFinished();
        error = QStringLiteral("firefox-esr did not finish");
        return {};
    }
    QImage image(shot);
    if (image.isNull())
        error = QStringLiteral("firefox-esr wrote no screenshot: ") +
                QString::fromLocal8Bit(firefox.readAll());
    return image.convertToFormat(QImage::Format_RGB32);
}

QString nuCheckerJar() {
    const QString jar =
        QStringLiteral(BRIVANE_BROWSER_CHECKS "/node_modules/vnu-jar/build/dist/vnu.jar");
    return QFile::exists(jar) ? jar : QString();
}

QString axeScript() {
    const QString script =
        QStringLiteral(BRIVANE_BROWSER_CHECKS "/node_modules/axe-core/axe.min.js");
    return QFile::exists(script) ? script : QString();
}

QString javaProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("java"));
}

int runNuChecker(const QStringList& paths, QString& report) {
    QProcess checker;
    checker.setProcessChannelMode(QProcess::MergedChannels);
    // The CSS too; warnings count as much as errors.
    checker.start(javaProgram(),
                  QStringList{"-jar", nuCheckerJar(), "--also-check-css", "--format", "gnu"} +
                      paths);
    if (!checker.waitForFinished(300000)) {
        checker.kill();
        checker.waitForFinished();
        report = QStringLiteral("the Nu Html Checker did not finish");
        return -1;
    }
    report = QString::fromUtf8(checker.readAll());
    return checker.exitStatus() == QProcess::NormalExit ? checker.exitCode() : -1;
}

QString tidyProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("tidy"));
}

int runTidy(const QString& path, QString& report) {
    QProcess tidy;
    tidy.setProcessChannelMode(QProcess::MergedChannels);
    tidy.start(tidyProgram(), {"-e", "-q", path});
    tidy.waitForFinished(60000);
    report = QString::fromLocal8Bit(tidy.readAll());
    return tidy.exitStatus() == QProcess::NormalExit ? tidy.exitCode() : -1;
}

} // namespace brivane::test

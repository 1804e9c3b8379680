#include "test_platform.h"

#include <QSettings>
#include <QTest>

namespace brivane::test {

namespace {
const char* kindName(ScriptedDialogs::Kind kind) {
    switch (kind) {
    case ScriptedDialogs::Kind::Message:
        return "plain message";
    case ScriptedDialogs::Kind::Error:
        return "error box";
    case ScriptedDialogs::Kind::YesNo:
        return "yes/no question";
    case ScriptedDialogs::Kind::OpenFile:
        return "open dialog";
    case ScriptedDialogs::Kind::SaveFile:
        return "save dialog";
    case ScriptedDialogs::Kind::Color:
        return "colour dialog";
    case ScriptedDialogs::Kind::Text:
        return "text question";
    }
    return "dialog";
}
} // namespace

QStringList ScriptedDialogs::messages() const {
    QStringList texts;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Message)
            texts << s.text;
    return texts;
}

QStringList ScriptedDialogs::errors() const {
    QStringList texts;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Error)
            texts << s.text;
    return texts;
}

void ScriptedDialogs::verifyAllUsed() {
    if (queue_.empty())
        return;
    const QByteArray what = QByteArray("answer left unused: ") + kindName(queue_.front().kind);
    queue_.clear();
    QTest::qFail(what.constData(), __FILE__, __LINE__);
}

ScriptedDialogs::Answer ScriptedDialogs::take(Kind kind) {
    if (queue_.empty() || queue_.front().kind != kind) {
        QByteArray what = QByteArray("unexpected ") + kindName(kind);
        if (!shown_.isEmpty())
            what += ": " + shown_.back().text.toUtf8();
        if (!queue_.empty())
            what += QByteArray(" (next queued: ") + kindName(queue_.front().kind) + ")";
        QTest::qFail(what.constData(), __FILE__, __LINE__);
        return Answer{kind, false, {}, {}};
    }
    Answer answer = queue_.front();
    queue_.pop_front();
    return answer;
}

void ScriptedDialogs::showMessage(QWidget*, const QString& text) {
    shown_.append({Kind::Message, text, {}, {}, {}, {}});
    take(Kind::Message);
}

void ScriptedDialogs::showError(QWidget*, const QString& text) {
    shown_.append({Kind::Error, text, {}, {}, {}, {}});
    take(Kind::Error);
}

bool ScriptedDialogs::askYesNo(QWidget*, const QString& caption, const QString& text) {
    shown_.append({Kind::YesNo, text, caption, {}, {}, {}});
    return take(Kind::YesNo).yes;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const FileDialogOptions& options) {
    shown_.append({Kind::OpenFile, {}, {}, options, {}, {}});
    const Answer answer = take(Kind::OpenFile);
    return answer.yes ? std::optional<QString>(answer.path) : std::nullopt;
}

std::optional<QString> ScriptedDialogs::saveFile(QWidget*, const FileDialogOptions& options) {
    shown_.append({Kind::SaveFile, {}, {}, options, {}, {}});
    const Answer answer = take(Kind::SaveFile);
    return answer.yes ? std::optional<QString>(answer.path) : std::nullopt;
}

std::optional<QColor> ScriptedDialogs::pickColor(QWidget*, const QColor& initial) {
    shown_.append({Kind::Color, {}, {}, {}, initial, {}});
    const Answer answer = take(Kind::Color);
    return answer.yes ? std::optional<QColor>(answer.colour) : std::nullopt;
}

std::optional<QString> ScriptedDialogs::askText(QWidget*, const QString& caption,
                                                const QString& label, const QString& initial) {
    shown_.append({Kind::Text, label, caption, {}, {}, initial});
    const Answer answer = take(Kind::Text);
    return answer.yes ? std::optional<QString>(answer.path) : std::nullopt;
}

void isolatePreferences(const QString& root) {
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::SystemScope, root + QStringLiteral("/system"));
        QSettings::setPath(format, QSettings::UserScope, root + QStringLiteral("/user"));
    }
}

TestPlatform::TestPlatform() {
    isolatePreferences(preferencesRoot_.path());
    installErrorReporter(&reporter_);
}

TestPlatform::~TestPlatform() {
    installErrorReporter(nullptr);
}

QString TestPlatform::systemPreferencesFolder() const {
    return preferencesRoot_.path() + QStringLiteral("/system");
}

QString TestPlatform::userPreferencesFolder() const {
    return preferencesRoot_.path() + QStringLiteral("/user");
}

} // namespace brivane::test

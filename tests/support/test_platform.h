#pragma once

#include "platform/failure_boundary.h"
#include "platform/platform.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <optional>

namespace brivane::test {

// Answers the program's dialogs from a queue the test fills beforehand. A dialog
// that nobody queued, or of another kind than the next queued answer, fails the
// running test; answers left unused fail it at verifyAllUsed().
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Error, YesNo, OpenFile, SaveFile, Color, Text };

    struct Shown {
        Kind kind;
        QString text;              // message text, or question text
        QString caption;           // for the question
        FileDialogOptions options; // for file dialogs
        QColor initial;            // for the colour dialog
        QString initialText;       // for the text question (its label is `text`)
    };

    void expectMessage() { queue_.push_back({Kind::Message, true, {}, {}}); }
    void expectError() { queue_.push_back({Kind::Error, true, {}, {}}); }
    void answerYesNo(bool yes) { queue_.push_back({Kind::YesNo, yes, {}, {}}); }
    // std::nullopt answers Cancel.
    void answerOpenFile(const std::optional<QString>& path) {
        queue_.push_back({Kind::OpenFile, path.has_value(), path.value_or(QString()), {}});
    }
    void answerSaveFile(const std::optional<QString>& path) {
        queue_.push_back({Kind::SaveFile, path.has_value(), path.value_or(QString()), {}});
    }
    void answerColor(const std::optional<QColor>& colour) {
        queue_.push_back({Kind::Color, colour.has_value(), {}, colour.value_or(QColor())});
    }

    // std::nullopt answers Cancel.
    void answerText(const std::optional<QString>& text) {
        queue_.push_back({Kind::Text, text.has_value(), text.value_or(QString()), {}});
    }

    // Every dialog shown so far, in order.
    const QList<Shown>& shown() const { return shown_; }
    QStringList messages() const; // texts of the plain messages shown
    QStringList errors() const;   // texts of the error boxes shown
    void clearShown() { shown_.clear(); }
    int unusedAnswers() const { return int(queue_.size()); }
    // Fails the running test if answers are left; call it from cleanup().
    void verifyAllUsed();

    void showMessage(QWidget* parent, const QString& text) override;
    void showError(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QColor> pickColor(QWidget* parent, const QColor& initial) override;
    std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& label,
                                   const QString& initial) override;

private:
    struct Answer {
        Kind kind;
        bool yes = false; // Yes, or a file or colour chosen (not cancelled)
        QString path;     // or the text typed
        QColor colour;
    };
    // Takes the next answer, failing the test if it is missing or of another kind
    // (then the answer is a cancel).
    Answer take(Kind kind);

    std::deque<Answer> queue_;
    QList<Shown> shown_;
};

class RecordingShell : public Shell {
public:
    void execute(const ShellRequest& request) override { requests.append(request); }
    QList<ShellRequest> requests;
};

// Records copy requests and answers them with `result` without touching files.
class RecordingFileCopier : public FileCopier {
public:
    struct Copy {
        QString source, target;
    };
    bool copyFile(const QString& source, const QString& target) override {
        copies.append({source, target});
        return result;
    }
    QList<Copy> copies;
    bool result = true;
};

class RecordingHelpViewer : public HelpViewer {
public:
    struct Request {
        QString file;
        int context;
    };
    void showHelp(const QString& helpFile, int context) override {
        requests.append({helpFile, context});
    }
    QList<Request> requests;
};

// The scripted platform with an error reporter installed for its lifetime, and
// the preferences store pointed at a private temporary folder, so no test
// touches the machine's or the user's real preferences.
class TestPlatform {
public:
    TestPlatform();
    ~TestPlatform();
    TestPlatform(const TestPlatform&) = delete;
    TestPlatform& operator=(const TestPlatform&) = delete;

    ScriptedDialogs dialogs;
    RecordingShell shell;
    RecordingFileCopier fileCopier;
    RecordingHelpViewer helpViewer;
    Platform platform{dialogs, shell, fileCopier, helpViewer};

    // Where the system-scope and user-scope preferences live for this test.
    QString systemPreferencesFolder() const;
    QString userPreferencesFolder() const;

private:
    QTemporaryDir preferencesRoot_;
    ErrorReporter reporter_{dialogs};
};

// Points the preferences store's system and user scopes below `root`.
void isolatePreferences(const QString& root);

} // namespace brivane::test

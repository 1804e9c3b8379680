#pragma once

#include <QString>

#include <exception>

namespace brivane {

// Every failure that reaches the user is one of these: an exception that carries
// the exact message text the error box shows (before its full stop is added).
class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// "'%s' is not a valid integer value". The number check is the one place that
// catches a failure itself, and it catches only this kind.
class ConversionError : public Error {
public:
    explicit ConversionError(const QString& text);
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};

// A failed file operation, with the message for its cause ("File not found",
// "Invalid filename", "File access denied", "Too many open files", "I/O error %d").
class IoError : public Error {
public:
    // code: the platform's error number (errno) that the message was made from.
    IoError(int code, QString message);
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace brivane

#pragma once

#include "model/errors.h"

#include <QObject>
#include <QString>

#include <exception>
#include <new>
#include <utility>

namespace brivane {

class Dialogs;

// Shows a failure in the error box, the one way failures reach the user.
class ErrorReporter {
public:
    explicit ErrorReporter(Dialogs& dialogs) : dialogs_(dialogs) {}
    void report(const QString& message);

    // A message whose last character has a code above '.' (46) gets a full stop.
    static QString withFullStop(const QString& message);

private:
    Dialogs& dialogs_;
};

// The reporter the failure boundaries use; the program and each GUI test install one.
void installErrorReporter(ErrorReporter* reporter);
// Reports through the installed reporter (or stderr when none is installed).
void reportFailure(const QString& message) noexcept;

// Runs one handler as its own failure boundary: an exception ends that handler
// only, is reported, and the caller goes on.
template <typename F> void runGuarded(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
    } catch (const Error& e) {
        reportFailure(e.message());
    } catch (const std::bad_alloc&) {
        reportFailure(QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        reportFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        reportFailure(QStringLiteral("Unknown failure"));
    }
}

// Connects a signal to a handler that runs inside its own failure boundary. The
// handler takes no arguments: handlers read the control's current state, since
// a nested change may have made the signal's argument stale.
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, const QObject* context,
                                       Handler handler) {
    return QObject::connect(sender, signal, context,
                            [handler = std::move(handler)]() mutable { runGuarded(handler); });
}

} // namespace brivane

#include "platform/failure_boundary.h"

#include "platform/dialogs.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

namespace brivane {

namespace {
ErrorReporter* g_reporter = nullptr;
} // namespace

QString ErrorReporter::withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void ErrorReporter::report(const QString& message) {
    // A drag in progress would keep the mouse away from the error box.
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    dialogs_.showError(QApplication::activeWindow(), withFullStop(message));
}

void installErrorReporter(ErrorReporter* reporter) {
    g_reporter = reporter;
}

void reportFailure(const QString& message) noexcept {
    try {
        if (g_reporter) {
            g_reporter->report(message);
            return;
        }
    } catch (...) {
        // The error box itself failed: fall back to stderr rather than lose it.
    }
    std::fprintf(stderr, "Brivane: %s\n", message.toLocal8Bit().constData());
}

} // namespace brivane

#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace brivane {

// What the arguments ask for before any window exists: --help and --version
// answer on the terminal, and without a graphical session the program says so
// instead of letting the toolkit abort. Nothing here needs a display.
enum class EarlyAnswer {
    None,      // go on and start the program
    Help,      // the usage text was printed; exit 0
    Version,   // the version was printed; exit 0
    NoDisplay, // the one line about the missing session was printed; exit 1
};

// `arguments` as main() got them, the program's name first; `environment`
// reads a variable (qgetenv in the program). A platform chosen on the command
// line (-platform) or by QT_QPA_PLATFORM counts as a session, so headless runs
// (QT_QPA_PLATFORM=offscreen) go on.
EarlyAnswer answerEarly(const QStringList& arguments, QByteArray (*environment)(const char*),
                        std::FILE* out, std::FILE* err);

// The arguments the toolkit left over once it had taken its own: at most one
// settings file to open at the start. Returns false after printing the problem
// and the usage text to `err` (exit status 2).
bool startFileFrom(const QStringList& arguments, QString& file, std::FILE* err);

inline constexpr int kWrongCall = 2;

} // namespace brivane

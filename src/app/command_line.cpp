#include "app/command_line.h"

namespace brivane {

namespace {

const char kUsage[] =
    "Usage: brivane [FILE]\n"
    "Sets up a button-bar applet on one window and writes the page that shows it.\n"
    "FILE, a settings file, is opened at the start as File > Open opens it.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "The toolkit's own options (-platform NAME, -style NAME, ...) are taken as well.\n"
    "Without a graphical session, QT_QPA_PLATFORM=offscreen runs it (and its tests)\n"
    "headless.\n";

const char kNoDisplay[] =
    "brivane: needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
    "to run it or its tests headless, set QT_QPA_PLATFORM=offscreen\n";

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool isPlatformOption(const QString& argument) {
    return argument == QLatin1String("-platform") || argument == QLatin1String("--platform") ||
           argument.startsWith(QLatin1String("-platform=")) ||
           argument.startsWith(QLatin1String("--platform="));
}

} // namespace

EarlyAnswer answerEarly(const QStringList& arguments, QByteArray (*environment)(const char*),
                        std::FILE* out, std::FILE* err) {
    bool platformChosen = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            print(out, QString::fromLatin1(kUsage));
            return EarlyAnswer::Help;
        }
        if (argument == QLatin1String("--version")) {
            print(out, QStringLiteral("brivane %1\n").arg(QStringLiteral(BRIVANE_VERSION)));
            return EarlyAnswer::Version;
        }
        platformChosen = platformChosen || isPlatformOption(argument);
    }
    if (!platformChosen && environment("DISPLAY").isEmpty() &&
        environment("WAYLAND_DISPLAY").isEmpty() && environment("QT_QPA_PLATFORM").isEmpty()) {
        print(err, QString::fromLatin1(kNoDisplay));
        return EarlyAnswer::NoDisplay;
    }
    return EarlyAnswer::None;
}

bool startFileFrom(const QStringList& arguments, QString& file, std::FILE* err) {
    QStringList files;
    bool optionsEnd = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnd || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            files << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnd = true;
        } else {
            print(err, QStringLiteral("brivane: unknown option %1\n").arg(argument));
            print(err, QString::fromLatin1(kUsage));
            return false;
        }
    }
    if (files.size() > 1) {
        print(err, QStringLiteral("brivane: one FILE at most, not %1\n").arg(files.size()));
        print(err, QString::fromLatin1(kUsage));
        return false;
    }
    file = files.value(0);
    return true;
}

} // namespace brivane

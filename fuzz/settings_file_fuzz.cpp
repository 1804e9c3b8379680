// Feeds the settings-file reader any bytes. Besides the sanitizers' checks it holds
// the reader to its promises: the lines run out, hold no carriage return and give
// UTF-8 text back unchanged; and a file that loads and is saved again reads back
// as the same file.
#include "model/applet_settings.h"
#include "model/errors.h"
#include "model/settings_file.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

using namespace brivane;

namespace {

void checkLines(const QByteArray& bytes) {
    SettingsLineReader reader(bytes);
    QStringList lines;
    // Every call but the last takes at least the carriage return ending its line.
    for (qsizetype calls = 0; !reader.atEnd(); ++calls) {
        lines.append(reader.nextLine());
        if (calls > bytes.size() || lines.back().contains(u'\r'))
            std::abort();
    }
    if (!reader.nextLine().isEmpty())
        std::abort(); // past the end come empty lines

    // UTF-8 text (every file written here) comes back character for character,
    // byte order marks included: the lines, each ended by CR (LF), are the text up
    // to byte 26.
    const qsizetype ctrlZ = bytes.indexOf('\x1A');
    const QByteArray text = ctrlZ < 0 ? bytes : bytes.left(ctrlZ);
    if (!QByteArrayView(text).isValidUtf8())
        return;
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString expected = decoder(text);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    QString joined = lines.join(u'\r');
    if (expected.endsWith(u'\r'))
        joined += u'\r';
    if (joined != expected)
        std::abort(); // the reader lost, added or changed a character
}

// Loads the bytes into settings reset to their defaults; true if they load and
// derive, so that Save would write them.
bool load(const QByteArray& bytes, AppletSettings& settings) {
    // Copying over the same settings each time reuses their tables' memory: a
    // fresh AppletSettings per input spends most of the run faulting in pages.
    static const AppletSettings defaults;
    settings = defaults;
    RecordSettingsTarget target(settings);
    SettingsLineReader reader(bytes);
    try {
        if (loadSettings(reader, target) != LoadResult::Loaded)
            return false;
        DeriveAppletValues(settings);
    } catch (const ConversionError&) {
        return false; // a number line that is not a number: refused, as it should be
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkLines(bytes);

    static AppletSettings first;
    if (!load(bytes, first))
        return 0;
    const QByteArray saved = settingsFileBytes(first);
    static AppletSettings again;
    if (!load(saved, again) || settingsFileBytes(again) != saved)
        std::abort(); // saved settings that do not read back as they were
    return 0;
}

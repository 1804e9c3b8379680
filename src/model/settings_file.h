#pragma once

#include "model/applet_settings.h"
#include "model/settings_lines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>

namespace brivane {

// The order of a button's four lines.
extern const std::array<ButtonField, 4> kSettingsButtonFields;

// The file's bytes: 17 + 4N lines, CR LF each, UTF-8. Needs derived values.
QByteArray settingsFileBytes(const AppletSettings& settings);

// Derive, then write the file atomically. Throws ConversionError or IoError.
void WriteSettingsFile(AppletSettings& settings, const QString& path);

// How the bytes of a text file become characters. The whole text decides: files
// made by older tools are Windows-1252, and such text is almost never valid UTF-8
// by accident, so valid UTF-8 is read as UTF-8 and anything else as Windows-1252.
// A UTF-8 byte order mark stays a character (U+FEFF) of what is decoded.
class TextDecoder {
public:
    explicit TextDecoder(QByteArrayView bytes);
    QString decode(const char* data, qsizetype size) const;

private:
    bool ascii_ = true; // all bytes below 128: the fastest decoding serves
    bool utf8_ = true;  // else Windows-1252
};

// Whether every byte is below 128 (a page or file of megabytes in a fraction of
// a millisecond).
bool isAscii(QByteArrayView bytes);

// The character Windows-1252 gives a byte. The five bytes it leaves undefined
// give the control characters of the same number, so nothing is lost.
char16_t windows1252Char(unsigned char byte);

// Gives a settings file's lines: only CR ends a line and an LF right behind it is
// skipped; a lone LF belongs to the line; byte 26 ends the text; past the end come
// empty lines. Text that is not valid UTF-8 is read as Windows-1252. A UTF-8 byte
// order mark stays a character of its line, so a file that starts with one fails
// the header check (files written here never carry one).
class SettingsLineReader {
public:
    explicit SettingsLineReader(const QByteArray& bytes);
    QString nextLine() { return decode(nextUndecodedLine()); }
    // The next line's bytes, valid while the reader lives, and their text.
    QByteArrayView nextUndecodedLine();
    QString decode(QByteArrayView line) const;
    bool atEnd() const;

private:
    QByteArray bytes_; // up to the first byte 26
    TextDecoder decoder_;
    qsizetype pos_ = 0;
};

// What a load applies its lines to. The window applies each line to its controls
// at once, with their change handling; the record target applies them to a plain
// AppletSettings.
class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;
    virtual void applyLine(SettingsLine line, const QString& text) = 0;
    // Called for lines 2 to 17 before their text is decoded: a target may deal
    // with a line from its bytes alone (a number line that can never be a number)
    // and return true, and the line is not decoded. A line of megabytes then costs
    // one look at its first bytes.
    virtual bool applyUndecodedLine(SettingsLine line, QByteArrayView bytes) {
        Q_UNUSED(line);
        Q_UNUSED(bytes);
        return false;
    }
    // The text `buttons` holds now, after line 4 was applied and checked.
    virtual QString buttonsText() const = 0;
    virtual void setButtonEntry(ButtonField field, int k, const QString& text) = 0;
    // The load hands each per-button line over with this; a target that can take
    // the text over (and save a copy per line, 131 thousand for the largest bar)
    // overrides it.
    virtual void takeButtonEntry(ButtonField field, int k, QString&& text) {
        setButtonEntry(field, k, text);
    }
};

enum class LoadResult { Loaded, NotABrivaneFile };

// Reads the header and, if it matches exactly, applies lines 2 to 17 and the
// per-button block for the button count the target holds afterwards. A
// conversion failure ends the load where it stands.
LoadResult loadSettings(SettingsLineReader& reader, SettingsTarget& target);

// Applies lines to a record, as the window applies them to its controls
// (without the window's number checks).
class RecordSettingsTarget : public SettingsTarget {
public:
    explicit RecordSettingsTarget(AppletSettings& settings) : settings_(settings) {}
    void applyLine(SettingsLine line, const QString& text) override;
    QString buttonsText() const override;
    void setButtonEntry(ButtonField field, int k, const QString& text) override;
    void takeButtonEntry(ButtonField field, int k, QString&& text) override;

private:
    AppletSettings& settings_;
};

} // namespace brivane

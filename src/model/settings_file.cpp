#include "model/settings_file.h"

#include "model/atomic_file_writer.h"
#include "model/errors.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <utility>

namespace brivane {

const std::array<ButtonField, 4> kSettingsButtonFields = {ButtonField::Label, ButtonField::Link,
                                                          ButtonField::Image, ButtonField::Frame};

namespace {

// The per-button block covers buttons 1..N, never more than the table holds (the
// window keeps N within 1..32767 anyway).
int buttonBlockSize(const QString& buttonsText) {
    return std::clamp<qint32>(StrToInt(buttonsText), 0, kMaxButtons);
}

// Windows-1252 for bytes 0x80 to 0x9F; the five bytes it leaves undefined map to the
// control characters of the same number, so nothing is lost. Bytes from 0xA0 on
// are the Latin-1 characters of the same number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QByteArray upToCtrlZ(const QByteArray& bytes) {
    const qsizetype ctrlZ = bytes.indexOf('\x1A');
    return ctrlZ >= 0 ? bytes.left(ctrlZ) : bytes;
}

} // namespace

QByteArray settingsFileBytes(const AppletSettings& s) {
    const int n = buttonBlockSize(s.buttons);
    qsizetype size = 256 + s.title.size();
    for (ButtonField field : kSettingsButtonFields)
        for (int k = 1; k <= n; ++k)
            size += s.table.entry(field, k).size() + 2;

    QString text;
    text.reserve(size);
    for (const SettingsLineDef& def : kSettingsLines) {
        text += settingsLineText(s, def.line);
        text += QLatin1String("\r\n");
    }
    for (int k = 1; k <= n; ++k) {
        for (ButtonField field : kSettingsButtonFields) {
            text += s.table.entry(field, k);
            text += QLatin1String("\r\n");
        }
    }
    return text.toUtf8();
}

void WriteSettingsFile(AppletSettings& settings, const QString& path) {
    // The derivation converts width, height and buttons before the file is touched,
    // so a bad number leaves an existing file as it was.
    DeriveAppletValues(settings);
    writeFileAtomically(path, settingsFileBytes(settings));
}

char16_t windows1252Char(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : char16_t(byte);
}

// Or-ing whole words keeps the loop branch-free and needs no vectorising compiler.
bool isAscii(QByteArrayView bytes) {
    const char* p = bytes.constData();
    qsizetype size = bytes.size();
    quint64 bits = 0;
    for (; size >= 8; p += 8, size -= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        bits |= word;
    }
    for (; size > 0; ++p, --size)
        bits |= static_cast<unsigned char>(*p);
    return (bits & 0x8080808080808080ULL) == 0;
}

TextDecoder::TextDecoder(QByteArrayView bytes) {
    ascii_ = isAscii(bytes);
    utf8_ = ascii_ || bytes.isValidUtf8();
}

QString TextDecoder::decode(const char* data, qsizetype size) const {
    if (size == 0)
        return QString();
    if (ascii_)
        return QString::fromLatin1(data, size);
    if (!utf8_) {
        QString text(size, Qt::Uninitialized);
        QChar* out = text.data();
        for (qsizetype i = 0; i < size; ++i)
            out[i] = QChar(windows1252Char(static_cast<unsigned char>(data[i])));
        return text;
    }
    // QString::fromUtf8 drops a byte order mark at the start of what it decodes; here
    // every mark is a character like any other, so the leading ones are taken over
    // before the rest is decoded.
    qsizetype marks = 0;
    while (size - 3 * marks >= 3 && std::memcmp(data + 3 * marks, "\xEF\xBB\xBF", 3) == 0)
        ++marks;
    if (marks == 0)
        return QString::fromUtf8(data, size);
    return QString(marks, QChar(0xFEFF)) + QString::fromUtf8(data + 3 * marks, size - 3 * marks);
}

// Byte 26 ends the text just as the end of the file does. The whole text decides
// the character set. A UTF-8 byte order mark is not skipped: it stays part of
// line 1, so the header check refuses the file (files written here never carry one).
SettingsLineReader::SettingsLineReader(const QByteArray& bytes)
    : bytes_(upToCtrlZ(bytes)), decoder_(bytes_) {}

QByteArrayView SettingsLineReader::nextUndecodedLine() {
    const qsizetype size = bytes_.size();
    if (pos_ >= size)
        return QByteArrayView();
    const char* const data = bytes_.constData();
    // Only a carriage return ends a line; a line feed alone is part of it.
    const void* found = std::memchr(data + pos_, '\r', size_t(size - pos_));
    const qsizetype end = found ? static_cast<const char*>(found) - data : size;
    const qsizetype start = pos_;
    pos_ = end;
    if (pos_ < size) {
        ++pos_; // the carriage return
        if (pos_ < size && data[pos_] == '\n')
            ++pos_;
    }
    return QByteArrayView(data + start, end - start);
}

QString SettingsLineReader::decode(QByteArrayView line) const {
    return decoder_.decode(line.data(), line.size());
}

bool SettingsLineReader::atEnd() const {
    return pos_ >= bytes_.size();
}

LoadResult loadSettings(SettingsLineReader& reader, SettingsTarget& target) {
    if (reader.nextLine() != kSettingsFileHeader)
        return LoadResult::NotABrivaneFile;
    // Lines 2 to 17, each applied at once, in file order.
    for (const SettingsLineDef& def : kSettingsLines) {
        if (def.kind == LineKind::Header)
            continue;
        const QByteArrayView bytes = reader.nextUndecodedLine();
        if (!target.applyUndecodedLine(def.line, bytes))
            target.applyLine(def.line, reader.decode(bytes));
    }
    // The count is what `buttons` holds now, after line 4 went through its checks.
    const int n = buttonBlockSize(target.buttonsText());
    for (int k = 1; k <= n; ++k) {
        for (ButtonField field : kSettingsButtonFields)
            target.takeButtonEntry(field, k, reader.nextLine());
    }
    return LoadResult::Loaded;
}

void RecordSettingsTarget::applyLine(SettingsLine line, const QString& text) {
    applySettingsLine(settings_, line, text);
}

void RecordSettingsTarget::takeButtonEntry(ButtonField field, int k, QString&& text) {
    settings_.table.setEntry(field, k, std::move(text));
}

QString RecordSettingsTarget::buttonsText() const {
    return settings_.buttons;
}

void RecordSettingsTarget::setButtonEntry(ButtonField field, int k, const QString& text) {
    settings_.table.setEntry(field, k, text);
}

} // namespace brivane

#include "model/file_names.h"

namespace brivane {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

bool isKeptByte(char16_t c) {
    return c >= kKeptByteBase + 0x80 && c <= kKeptByteBase + 0xFF;
}

// The length of the valid UTF-8 sequence at data[i] (0: none starts there), with
// its code point. Overlong forms, surrogates and values past U+10FFFF are not valid.
int utf8Sequence(const unsigned char* data, qsizetype size, qsizetype i, char32_t& codePoint) {
    const unsigned char lead = data[i];
    int length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (size - i < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = data[i + k];
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString fileNameFromBytes(QByteArrayView bytes) {
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString name;
    name.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        if (data[i] < 0x80) {
            name.append(QChar(data[i++]));
            continue;
        }
        char32_t codePoint = 0;
        const int length = utf8Sequence(data, size, i, codePoint);
        if (length == 0) {
            name.append(QChar(char16_t(kKeptByteBase + data[i++])));
            continue;
        }
        name.append(QString::fromUcs4(&codePoint, 1));
        i += length;
    }
    return name;
}

QByteArray fileNameBytes(QStringView name) {
    bool kept = false;
    for (const QChar c : name)
        kept = kept || isKeptByte(c.unicode());
    if (!kept)
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        // A kept byte stands alone; after a high surrogate it is half of a pair.
        if (!isKeptByte(c) || (i > 0 && name[i - 1].isHighSurrogate()))
            continue;
        bytes.append(name.sliced(from, i - from).toUtf8());
        bytes.append(char(c - kKeptByteBase));
        from = i + 1;
    }
    bytes.append(name.sliced(from).toUtf8());
    return bytes;
}

QString printableFileName(QStringView name) {
    QString shown;
    shown.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool pair =
            QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        if (pair) {
            shown.append(name.sliced(i, 2));
            ++i;
        } else if (isKeptByte(c)) {
            shown.append(
                QStringLiteral("\\x%1").arg(uint(c - kKeptByteBase), 2, 16, QLatin1Char('0')));
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            shown.append(QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0')));
        } else if (c == 0x2028 || c == 0x2029 || QChar::isSurrogate(c)) {
            shown.append(QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0')));
        } else {
            shown.append(QChar(c));
        }
    }
    return shown;
}

} // namespace brivane

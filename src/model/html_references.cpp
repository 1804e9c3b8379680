#include "model/html_references.h"

#include "model/settings_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace brivane {

namespace {

const NamedReference* findReference(std::string_view name) {
    const NamedReference* const end = kNamedReferences + kNamedReferenceCount;
    const NamedReference* found = std::lower_bound(
        kNamedReferences, end, name, [](const NamedReference& entry, std::string_view key) {
            return std::string_view(entry.name) < key;
        });
    return found != end && std::string_view(found->name) == name ? found : nullptr;
}

bool isAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Appends a character as one or two UTF-16 units (no string made on the way:
// a page may hold a great many references).
void appendChar(QString& out, char32_t code) {
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

void appendCodePoint(QString& out, char32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    else if (code >= 0x80 && code <= 0x9F)
        code = windows1252Char(static_cast<unsigned char>(code)); // as the old pages meant it
    appendChar(out, code);
}

void appendReference(QString& out, const NamedReference& reference) {
    appendChar(out, reference.first);
    if (reference.second)
        appendChar(out, reference.second);
}

} // namespace

QString resolveCharacterReferences(QString&& text, bool inAttribute) {
    const char16_t* const in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    if (std::none_of(in, in + size, [](char16_t c) { return c == u'&' || c == u'\r' || c == 0; }))
        return std::move(text);

    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i];
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < size && in[i + 1] == u'\n')
                ++i;
            continue;
        }
        if (c == 0) {
            out += QChar(0xFFFD);
            continue;
        }
        if (c != u'&') {
            out += QChar(c);
            continue;
        }
        qsizetype j = i + 1;
        if (j < size && in[j] == u'#') {
            qsizetype k = j + 1;
            int base = 10;
            if (k < size && (in[k] == u'x' || in[k] == u'X')) {
                base = 16;
                ++k;
            }
            const qsizetype digits = k;
            char32_t code = 0;
            for (int digit; k < size && (digit = digitValue(in[k], base)) >= 0; ++k)
                code = std::min<char32_t>(code * char32_t(base) + char32_t(digit), 0x110000);
            if (k == digits) {
                out += u'&'; // no digits: no reference
                continue;
            }
            if (k < size && in[k] == u';')
                ++k;
            appendCodePoint(out, code);
            i = k - 1;
            continue;
        }
        // A name: the letters and digits after '&' (one more than the longest).
        constexpr qsizetype kLongest = 31;
        qsizetype k = j;
        while (k < size && k - j <= kLongest && isAsciiAlnum(in[k]))
            ++k;
        char name[kLongest + 2];
        const qsizetype length = k - j;
        for (qsizetype n = 0; n < length; ++n)
            name[n] = char(in[j + n]);
        if (length <= kLongest && k < size && in[k] == u';') {
            if (const NamedReference* found =
                    findReference(std::string_view(name, size_t(length)))) {
                appendReference(out, *found);
                i = k;
                continue;
            }
        }
        // Without ';' only the old names count, the longest first; in an attribute
        // not before a letter, digit or '=' (which makes "?a=1&copy=2" a plain text).
        bool done = false;
        for (qsizetype n = std::min(length, kLongest); n >= 2 && !done; --n) {
            const NamedReference* found = findReference(std::string_view(name, size_t(n)));
            if (!found || !found->legacy)
                continue;
            const char16_t next = j + n < size ? in[j + n] : u'\0';
            if (inAttribute && (isAsciiAlnum(next) || next == u'='))
                break;
            appendReference(out, *found);
            i = j + n - 1;
            done = true;
        }
        if (!done)
            out += u'&';
    }
    return out;
}

int digitValue(char16_t c, int base) {
    int value = 99;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + 10;
    return value < base ? value : -1;
}

QString decodeCharacterReferences(QStringView text, bool inAttribute) {
    return resolveCharacterReferences(text.toString(), inAttribute);
}

} // namespace brivane

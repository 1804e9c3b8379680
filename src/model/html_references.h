#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>

namespace brivane {

// A named character reference of HTML: its name without '&' and ';', the one or
// two characters it stands for (second 0: one), and whether browsers also take
// it without the closing ';' (the old names).
struct NamedReference {
    const char* name;
    char32_t first;
    char32_t second;
    bool legacy;
};

// Every named reference browsers know, sorted by name (generated table).
extern const NamedReference kNamedReferences[];
extern const std::size_t kNamedReferenceCount;
extern const std::size_t kLongestReferenceName;

// Resolves the character references in text as a browser does, in an attribute
// value (inAttribute) or in the text of an element: every named one, with the
// old names also without ';' (in a value not before a letter, digit or '=',
// which keeps "?a=1&copy=2" as typed), decimal and hexadecimal ones. A carriage
// return, alone or before a line feed, becomes a line feed and NUL becomes
// U+FFFD, as the browser's input stream has them.
QString decodeCharacterReferences(QStringView text, bool inAttribute);
// The same, giving text back uncopied when it holds nothing to resolve.
QString resolveCharacterReferences(QString&& text, bool inAttribute);

// The value of c as a digit in base 10 or 16; -1: not one.
int digitValue(char16_t c, int base);

} // namespace brivane

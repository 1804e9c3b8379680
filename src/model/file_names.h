#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace brivane {

// File names as the system keeps them: bytes, which are UTF-8 on today's systems
// but may be anything on old sites (a Latin-1 "é" is the lone byte 0xE9). Such
// a name must still reach the very file it named, so the conversion to text is
// lossless: valid UTF-8 reads as its characters, and every byte that is not part
// of valid UTF-8 is kept as the lone surrogate U+DC00 + byte (U+DC80..U+DCFF),
// which no valid UTF-8 can produce. fileNameBytes() gives the same bytes back.
QString fileNameFromBytes(QByteArrayView bytes);
QByteArray fileNameBytes(QStringView name);

// The name as one line of text for a report: control characters (line breaks
// among them) and the kept bytes become \xHH (\uHHHH beyond Latin-1), so a name
// can neither break a report line nor send codes to a terminal.
QString printableFileName(QStringView name);

} // namespace brivane

#pragma once
// The encodings a text file written on the office's machines comes in, and
// how to tell them apart: a byte-order mark says it outright; without one,
// bytes that are valid UTF-8 are UTF-8 (what today's editors write), and
// anything else is the older machines' Windows-1250.

#include <QByteArray>
#include <QString>

namespace app {

enum class TextEncoding {
    Utf8,          // no byte-order mark
    Utf8WithMark,
    Utf16LEWithMark,
    Utf16BEWithMark,
    Windows1250,   // no mark and not valid UTF-8
};

TextEncoding textEncodingOf(const QByteArray &bytes);

// The bytes read in `encoding`; a byte-order mark is dropped.
QString decodeText(const QByteArray &bytes, TextEncoding encoding);

// The bytes read in the encoding they show (`textEncodingOf`).
QString decodeText(const QByteArray &bytes);

// The text written in `encoding`, with its byte-order mark where it has one.
// Windows-1250 writes a substitute for a character it lacks.
QByteArray encodeText(const QString &text, TextEncoding encoding);

} // namespace app

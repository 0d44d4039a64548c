#include "textencoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace app {

namespace {

const char *const kWindows1250 = "windows-1250";

QStringDecoder decoderFor(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LEWithMark:
        return QStringDecoder(QStringConverter::Utf16LE);
    case TextEncoding::Utf16BEWithMark:
        return QStringDecoder(QStringConverter::Utf16BE);
    case TextEncoding::Windows1250:
        return QStringDecoder(kWindows1250);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithMark:
        break;
    }
    return QStringDecoder(QStringConverter::Utf8);
}

// The encoder writes the mark itself where the encoding has one.
QStringEncoder encoderFor(TextEncoding encoding)
{
    const auto withMark = QStringConverter::Flag::WriteBom;
    switch (encoding) {
    case TextEncoding::Utf8WithMark:
        return QStringEncoder(QStringConverter::Utf8, withMark);
    case TextEncoding::Utf16LEWithMark:
        return QStringEncoder(QStringConverter::Utf16LE, withMark);
    case TextEncoding::Utf16BEWithMark:
        return QStringEncoder(QStringConverter::Utf16BE, withMark);
    case TextEncoding::Windows1250:
        return QStringEncoder(kWindows1250);
    case TextEncoding::Utf8:
        break;
    }
    return QStringEncoder(QStringConverter::Utf8);
}

} // namespace

TextEncoding textEncodingOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8WithMark;
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LEWithMark;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BEWithMark;
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString decoded = utf8.decode(bytes);  // the decoder works only when its result is taken
    return utf8.hasError() ? TextEncoding::Windows1250 : TextEncoding::Utf8;
}

// The decoders drop the mark.
QString decodeText(const QByteArray &bytes, TextEncoding encoding) { return decoderFor(encoding).decode(bytes); }

QString decodeText(const QByteArray &bytes) { return decodeText(bytes, textEncodingOf(bytes)); }

QByteArray encodeText(const QString &text, TextEncoding encoding) { return encoderFor(encoding).encode(text); }

} // namespace app

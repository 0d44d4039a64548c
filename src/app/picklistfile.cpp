#include "picklistfile.h"

#include "formatting.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace app {

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");
const QByteArray kUtf16LEMark("\xFF\xFE");
const QByteArray kUtf16BEMark("\xFE\xFF");
const char *const kWindows1250 = "windows-1250";

ListFileEncoding encodingOf(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Mark))
        return ListFileEncoding::Utf8WithMark;
    if (bytes.startsWith(kUtf16LEMark))
        return ListFileEncoding::Utf16LEWithMark;
    if (bytes.startsWith(kUtf16BEMark))
        return ListFileEncoding::Utf16BEWithMark;
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString decoded = utf8.decode(bytes);  // the decoder works only when its result is taken
    return utf8.hasError() ? ListFileEncoding::Windows1250 : ListFileEncoding::Utf8;
}

QStringDecoder decoderFor(ListFileEncoding encoding)
{
    switch (encoding) {
    case ListFileEncoding::Utf16LEWithMark:
        return QStringDecoder(QStringConverter::Utf16LE);
    case ListFileEncoding::Utf16BEWithMark:
        return QStringDecoder(QStringConverter::Utf16BE);
    case ListFileEncoding::Windows1250:
        return QStringDecoder(kWindows1250);
    case ListFileEncoding::Utf8:
    case ListFileEncoding::Utf8WithMark:
        break;
    }
    return QStringDecoder(QStringConverter::Utf8);
}

// The encoder writes the mark itself where the encoding has one.
QStringEncoder encoderFor(ListFileEncoding encoding)
{
    const auto withMark = QStringConverter::Flag::WriteBom;
    switch (encoding) {
    case ListFileEncoding::Utf8WithMark:
        return QStringEncoder(QStringConverter::Utf8, withMark);
    case ListFileEncoding::Utf16LEWithMark:
        return QStringEncoder(QStringConverter::Utf16LE, withMark);
    case ListFileEncoding::Utf16BEWithMark:
        return QStringEncoder(QStringConverter::Utf16BE, withMark);
    case ListFileEncoding::Windows1250:
        return QStringEncoder(kWindows1250);
    case ListFileEncoding::Utf8:
        break;
    }
    return QStringEncoder(QStringConverter::Utf8);
}

// The code page has no error for a character it lacks, only a substitute:
// what does not read back the same was not held.
bool windows1250Holds(const QString &text)
{
    QStringEncoder encoder(kWindows1250);
    QStringDecoder decoder(kWindows1250);
    return decoder.decode(encoder.encode(text)) == text;
}

QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    // The line end after the last line, or an empty file.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

} // namespace

bool PickListFile::read(QStringList &lines, QString &reason)
{
    lines.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        m_unreadable = true;
        reason = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    m_encoding = encodingOf(bytes);
    // The decoders drop the mark.
    lines = splitLines(decoderFor(m_encoding).decode(bytes));
    return true;
}

bool PickListFile::write(const QStringList &lines, QString &reason)
{
    if (m_unreadable) {
        reason = QStringLiteral("Pliku nie udało się wczytać, więc nie zostanie zastąpiony.");
        return false;
    }
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1String("\r\n");
    ListFileEncoding encoding = m_encoding;
    if (encoding == ListFileEncoding::Windows1250 && !windows1250Holds(text))
        encoding = ListFileEncoding::Utf8WithMark;

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    const QByteArray bytes = encoderFor(encoding).encode(text);
    // A full disk shows first as a short write; the next write tells why.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0) {
            reason = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += count;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return false;
    }
    m_encoding = encoding;
    return true;
}

QString valueOfLine(const QString &line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    return colon < 0 ? line : line.left(colon);
}

int nextSearchedLine(const QStringList &lines, int selected, const QString &phrase)
{
    const int last = int(lines.size()) - 1;
    if (last < 0)
        return -1;
    const QString wanted = polishUpper(phrase);
    const auto matches = [&](int row) { return !wanted.isEmpty() && polishUpper(lines.at(row)).contains(wanted); };
    int row = selected == last ? 0 : selected;
    while (row < last) {
        ++row;
        if (matches(row))
            break;
    }
    return row;
}

} // namespace app

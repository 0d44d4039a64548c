#include "picklistfile.h"

#include "formatting.h"

#include <QFile>
#include <QSaveFile>

namespace app {

namespace {

// The code page has no error for a character it lacks, only a substitute:
// what does not read back the same was not held.
bool windows1250Holds(const QString &text)
{
    return decodeText(encodeText(text, TextEncoding::Windows1250), TextEncoding::Windows1250) == text;
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
    m_encoding = textEncodingOf(bytes);
    lines = splitLines(decodeText(bytes, m_encoding));
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
    TextEncoding encoding = m_encoding;
    if (encoding == TextEncoding::Windows1250 && !windows1250Holds(text))
        encoding = TextEncoding::Utf8WithMark;

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    const QByteArray bytes = encodeText(text, encoding);
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

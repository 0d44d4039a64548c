#include "rprtf_codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace rtfreport {

namespace {

// What the platform's converter writes for every UTF-16 unit outside the
// surrogates, read from it once: a field's text is then converted by table
// look-up. The converter writes one byte, or nothing for a character that is
// ignorable by default (a joiner, a variation selector).
class AnsiTable {
public:
    static constexpr qint16 Nothing = -1;

    AnsiTable()
    {
        m_bytes.fill('?');
        for (char16_t u = 0; u < 128; ++u)
            m_bytes[u] = qint16(u);
        // Every other unit followed by a NUL, which nothing else maps to, so
        // that the bytes tell which character wrote nothing.
        QString all;
        all.reserve(2 * 0x10000);
        for (char32_t u = 128; u < 0x10000; ++u)
            if (!QChar::isSurrogate(u))
                all.append(QChar(char16_t(u))).append(QChar(u'\0'));
        QStringEncoder encoder("windows-1250", QStringConverter::Flag::Default);
        const QByteArray bytes = encoder.encode(all);
        qsizetype at = 0;
        for (qsizetype i = 0; i < all.size(); i += 2) {
            const char16_t u = all.at(i).unicode();
            if (at < bytes.size() && bytes.at(at) == '\0') {
                m_bytes[u] = Nothing;
                ++at;
            } else if (at + 1 < bytes.size() && bytes.at(at + 1) == '\0') {
                // The converter marks what it cannot map with the substitute
                // character; the platform's conversion writes "?" there.
                m_bytes[u] = bytes.at(at) == '\x1a' ? '?' : quint8(bytes.at(at));
                at += 2;
            } else {
                return;  // not a single-byte code page: the rest stays "?"
            }
        }
    }

    qint16 Byte(char16_t u) const { return m_bytes[u]; }

private:
    std::array<qint16, 0x10000> m_bytes;
};

const AnsiTable &Table()
{
    static const AnsiTable table;
    return table;
}

} // namespace

void AppendAnsiCodePage(QStringView text, std::string &out)
{
    const AnsiTable &table = Table();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out += '?';  // one character beyond the code page
            ++i;
        } else if (const qint16 byte = table.Byte(ch.unicode()); byte != AnsiTable::Nothing) {
            out += char(byte);
        }
    }
}

QByteArray ToAnsiCodePage(const QString &text)
{
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    AppendAnsiCodePage(text, bytes);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

char ToAnsiByte(QChar ch)
{
    const qint16 byte = Table().Byte(ch.unicode());
    return byte == AnsiTable::Nothing ? '?' : char(byte);
}

QChar FromAnsiByte(char byte)
{
    if (quint8(byte) < 128)
        return QChar(quint8(byte));
    static const QString table = [] {
        QByteArray all;
        for (int b = 128; b < 256; ++b)
            all += char(b);
        QStringDecoder decoder("windows-1250");
        QString text = decoder.decode(all);
        return text.size() == 128 ? text : QString(128, QChar::ReplacementCharacter);
    }();
    return table.at(quint8(byte) - 128);
}

} // namespace rtfreport

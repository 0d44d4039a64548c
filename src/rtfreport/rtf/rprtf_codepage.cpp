#include "rprtf_codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>
#include <atomic>

namespace rtfreport {

namespace {

// What the platform's converter writes for a UTF-16 unit: one byte, or
// nothing for a character that is ignorable by default (a joiner, a
// variation selector). A unit is asked of the converter when first met and
// then kept: a document meets a few dozen of the 65 536 units, and asking
// for all of them costs more than a small printout.
class AnsiTable {
public:
    static constexpr qint16 Nothing = -1;

    AnsiTable()
    {
        for (auto &byte : m_bytes)
            byte.store(Unknown, std::memory_order_relaxed);
    }

    qint16 Byte(char16_t u) const
    {
        if (u < 128)
            return qint16(u);
        // Two threads meeting a unit at once both write what the converter says.
        qint16 byte = m_bytes[u].load(std::memory_order_relaxed);
        if (byte == Unknown) {
            byte = Convert(u);
            m_bytes[u].store(byte, std::memory_order_relaxed);
        }
        return byte;
    }

private:
    static constexpr qint16 Unknown = -2;

    static qint16 Convert(char16_t u)
    {
        if (QChar::isSurrogate(u))
            return '?';
        QStringEncoder encoder("windows-1250", QStringConverter::Flag::Default);
        const QByteArray bytes = encoder.encode(QStringView(&u, 1));
        if (bytes.isEmpty())
            return Nothing;
        if (bytes.size() != 1)
            return '?';  // not a single-byte code page
        // The converter marks what it cannot map with the substitute
        // character; the platform's conversion writes "?" there.
        return bytes.at(0) == '\x1a' ? qint16('?') : qint16(quint8(bytes.at(0)));
    }

    mutable std::array<std::atomic<qint16>, 0x10000> m_bytes;
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

int AnsiCodePageByte(char16_t unit)
{
    return Table().Byte(unit);
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

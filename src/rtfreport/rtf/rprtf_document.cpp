#include "rprtf_document.h"

#include <QBuffer>

#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rperrors.h"
#include "rprtf_codepage.h"
#include "rprtf_controlwords.h"
#include "rprtf_templatescanner.h"
#include "rprtfstream.h"

namespace rtfreport {
namespace {

constexpr char End = TRpTemplateScanner::EndOfTemplate;

void PassOver(TRpTemplateScanner &scanner, int count)
{
    for (int i = 0; i < count; ++i)
        scanner.ReadChar();
}

// Reads characters into `text` until the brace that closes `depth` open
// groups (included). Escaped characters are taken with their backslash and
// never counted. False when the template ends first.
bool ReadThroughClosingBrace(TRpTemplateScanner &scanner, int depth, QByteArray &text)
{
    while (depth > 0) {
        const char c = scanner.ReadChar();
        if (c == End)
            return false;
        text += c;
        if (c == '\\') {
            const char escaped = scanner.ReadChar();
            if (escaped == End)
                return false;
            text += escaped;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            --depth;
        }
    }
    return true;
}

// Collects the sub-groups of a header group up to its closing brace; text
// between them is passed over.
void ReadSubGroups(TRpTemplateScanner &scanner, QByteArrayList &groups, const QString &failure)
{
    for (;;) {
        const char c = scanner.ReadChar();
        if (c == End)
            throw EBadRtfFormat(failure);
        if (c == '}')
            return;
        if (c == '\\' && scanner.ReadChar() == End)
            throw EBadRtfFormat(failure);
        if (c != '{')
            continue;
        QByteArray group = "{";
        if (!ReadThroughClosingBrace(scanner, 1, group))
            throw EBadRtfFormat(failure);
        groups.append(group);
    }
}

// The number after `word` in `text` (0 when none), as a colour component.
quint8 ColorComponent(const QByteArray &text, const char *word)
{
    const qsizetype at = text.indexOf(word);
    if (at < 0)
        return 0;
    qsizetype end = at + qstrlen(word);
    const qsizetype start = end;
    while (end < text.size() && IsAsciiDigit(text[end]))
        ++end;
    return quint8(text.mid(start, end - start).toULongLong() % 256);
}

QByteArray Wrapped(const QByteArrayList &entries)
{
    QByteArray text;
    for (const QByteArray &entry : entries)
        text += "{" + entry + "}";
    return text;
}

// A table text read from the template, which ends with its closing brace,
// with the entries added by inserted RTF put in before that brace.
QByteArray WithAddedEntries(const QByteArray &table, const QByteArrayList &added)
{
    return added.isEmpty() ? table : table.chopped(1) + Wrapped(added) + "}";
}

} // namespace

int TRpColorStringList::UseColor(const QByteArray &color)
{
    for (int i = 0; i < size(); ++i)
        if (at(i).compare(color, Qt::CaseInsensitive) == 0)
            return i;
    if (isEmpty())
        append(";");
    append(color);
    return int(size()) - 1;
}

void TRpRtfDocument::ResetTables()
{
    m_rtfFont.clear();
    m_rtfColor.clear();
    m_rtfStyle.clear();
    m_rtfDocInfo.clear();
    m_rtfListTable.Clear();
    m_docColorTable.clear();
    m_isFontTable = m_isColorTable = m_isStyle = m_isDocInfo = false;
    m_isListTable = m_isListOverrideTable = false;
    m_inTable = false;
}

// ---- inserting RTF ------------------------------------------------------

void TRpRtfDocument::InsertRtfText(const QString &rtf, bool keepLastPar)
{
    QByteArray bytes = ToAnsiCodePage(rtf);
    QBuffer source(&bytes);
    source.open(QIODevice::ReadOnly);
    InsertRtfStream(&source, keepLastPar);
}

void TRpRtfDocument::InsertRtfStream(QIODevice *source, bool keepLastPar)
{
    if (!m_output)
        throw EIOError(QStringLiteral("No output to insert RTF into"));
    source->seek(0);
    TRpStream stream(this, source);
    stream.SetOutStream(m_output);
    stream.FontTable().AddFromList(m_rtfFont);
    for (const QByteArray &color : std::as_const(m_rtfColor))
        stream.ColorTable().Add(color);
    for (const QByteArray &style : std::as_const(m_rtfStyle))
        stream.StyleTable().Add(style);

    stream.Process();

    m_rtfFont.clear();
    for (int i = 0; i < stream.FontTable().Count(); ++i)
        m_rtfFont.append(stream.FontTable().GetString(i));
    m_rtfColor.clear();
    for (int i = 0; i < stream.ColorTable().Count(); ++i)
        m_rtfColor.append(stream.ColorTable().GetString(i));
    m_rtfStyle.clear();
    for (int i = 0; i < stream.StyleTable().Count(); ++i)
        m_rtfStyle.append(stream.StyleTable().GetString(i));

    if (!keepLastPar && stream.LastParPosition() >= 0) {
        // Carriage returns are ignored by RTF readers: the paragraph mark goes,
        // the body keeps its length.
        const qint64 end = m_output->pos();
        m_output->seek(stream.LastParPosition());
        Write(QByteArray(4 + stream.LastParDelimiter().size(), '\r'));
        m_output->seek(end);
    }
}

// ---- template readers ---------------------------------------------------

void TRpRtfDocument::LoadFontTable(TRpTemplateScanner &scanner)
{
    const QString failure = QStringLiteral("Can't read font table from input file");
    PassOver(scanner, 8);
    ReadSubGroups(scanner, m_rtfFont, failure);
    if (!UnicodeByDefault) {
        for (QByteArray &font : m_rtfFont) {
            const qsizetype at = font.indexOf("fcharset");
            if (at < 0)
                continue;
            const qsizetype start = at + 8;
            qsizetype end = start;
            while (end < font.size() && IsAsciiDigit(font[end]))
                ++end;
            if (end == start)
                throw EBadRtfFormat(failure);
            font = font.left(start) + QByteArray::number(Charset) + font.mid(end);
        }
    }
    m_isFontTable = true;
}

void TRpRtfDocument::LoadColorTable(TRpTemplateScanner &scanner)
{
    PassOver(scanner, 9);
    QByteArray colors;
    if (!ReadThroughClosingBrace(scanner, 1, colors))
        throw EBadRtfFormat(QStringLiteral("Can't read color table from input file"));
    colors.chop(1);
    // Entry by entry, so that a colour index in the body keeps naming the
    // colour it named in the template, also after an entry without components.
    qsizetype pieceStart = 0;
    for (qsizetype end = colors.indexOf(';'); end >= 0; end = colors.indexOf(';', pieceStart)) {
        const QByteArray piece = colors.mid(pieceStart, end - pieceStart + 1);
        pieceStart = end + 1;
        if (!piece.contains("\\red") && !piece.contains("\\green") && !piece.contains("\\blue")) {
            m_rtfColor.append(piece);
            continue;
        }
        TRpColor color;
        color.r = ColorComponent(piece, "\\red");
        color.g = ColorComponent(piece, "\\green");
        color.b = ColorComponent(piece, "\\blue");
        m_docColorTable.append(color);
        m_rtfColor.append("\\red" + QByteArray::number(color.r) + "\\green" + QByteArray::number(color.g)
                         + "\\blue" + QByteArray::number(color.b) + ";");
    }
    m_isColorTable = true;
}

void TRpRtfDocument::LoadStyleSheet(TRpTemplateScanner &scanner)
{
    PassOver(scanner, 11);
    ReadSubGroups(scanner, m_rtfStyle, QStringLiteral("Can't read style sheet from input file"));
    m_isStyle = true;
}

void TRpRtfDocument::LoadDocInfo(TRpTemplateScanner &scanner)
{
    PassOver(scanner, 5);
    ReadSubGroups(scanner, m_rtfDocInfo, QStringLiteral("Can't read document info from input file"));
    m_isDocInfo = true;
}

void TRpRtfDocument::ProcessListTable(TRpTemplateScanner &scanner)
{
    TRpRTFListTable &table = m_rtfListTable;
    PassOver(scanner, 12);
    if (scanner.LookAhead(15).toLower() == "{\\*\\listpicture") {
        // Looking ahead passes over line feeds and tabs, reading does not.
        char opener = scanner.ReadChar();
        while (opener == '\n' || opener == '\t')
            opener = scanner.ReadChar();
        table.m_listPicture = QByteArray(1, opener);
        if (!ReadThroughClosingBrace(scanner, 1, table.m_listPicture))
            throw EBadRtfFormat(QStringLiteral("Can't read list table (listpicture) from input file"));
        // Every picture of the group is counted, so that pictures added by
        // inserted RTF are numbered after all of them.
        table.m_pictList += CollectListPictures(SplitRtfTokens(table.m_listPicture));
    }
    if (!ReadThroughClosingBrace(scanner, 1, table.m_listString))
        throw EBadRtfFormat(QStringLiteral("Can't read list table (\\list) from input file"));
    for (const TRpListText &list : CollectLists(SplitRtfTokens(table.m_listString.chopped(1))))
        table.AddListString(false, list.text, list.compare, list.listID, list.templateID);
    m_isListTable = true;
}

void TRpRtfDocument::ProcessListOverrideTable(TRpTemplateScanner &scanner)
{
    TRpRTFListTable &table = m_rtfListTable;
    PassOver(scanner, 20);
    if (!ReadThroughClosingBrace(scanner, 1, table.m_listOverrideString))
        throw EBadRtfFormat(
            QStringLiteral("Can't read list override table (\\listoverride) from input file"));
    const QByteArrayList tokens = SplitRtfTokens(table.m_listOverrideString.chopped(1));
    for (const TRpListText &override_ : CollectListOverrides(tokens))
        table.AddListOverrideString(false, override_.text, override_.compare, override_.lsID,
                                    override_.listID);
    m_isListOverrideTable = true;
}

// ---- table writers ------------------------------------------------------

void TRpRtfDocument::Write(const QByteArray &bytes)
{
    if (!m_output)
        throw EIOError(QStringLiteral("No output to write the RTF header tables to"));
    if (m_output->write(bytes) != bytes.size())
        throw EIOError(QStringLiteral("Can't write report results: ") + m_output->errorString());
}

void TRpRtfDocument::OutFontTable() { Write("{\\fonttbl" + m_rtfFont.join() + "}"); }

void TRpRtfDocument::OutColorTable() { Write("{\\colortbl" + m_rtfColor.join() + "}"); }

void TRpRtfDocument::OutStyleSheet() { Write("{\\stylesheet" + m_rtfStyle.join() + "}"); }

void TRpRtfDocument::OutListTable()
{
    const TRpRTFListTable &table = m_rtfListTable;
    if (!m_isListTable && table.m_listNew.Count() == 0)
        return;
    QByteArray text = "{\\*\\listtable";
    if (!table.m_listPicture.isEmpty())
        text += WithAddedEntries(table.m_listPicture, table.m_pictListNew);
    else if (!table.m_pictListNew.isEmpty())
        text += "{\\*\\listpicture" + Wrapped(table.m_pictListNew) + "}";
    if (m_isListTable)
        text += WithAddedEntries(table.m_listString, table.m_listNew.Strings);
    else
        text += Wrapped(table.m_listNew.Strings) + "}";
    Write(text);
}

void TRpRtfDocument::OutListOverrideTable()
{
    const TRpRTFListTable &table = m_rtfListTable;
    if (!m_isListOverrideTable && table.m_listOverrideNew.Count() == 0)
        return;
    QByteArray text = "{\\*\\listoverridetable";
    if (m_isListOverrideTable)
        text += WithAddedEntries(table.m_listOverrideString, table.m_listOverrideNew.Strings);
    else
        text += Wrapped(table.m_listOverrideNew.Strings) + "}";
    Write(text);
}

// ---- plain text ---------------------------------------------------------

static bool IsPlainRtfCharacter(char16_t u)
{
    return u >= 32 && u <= 126 && u != '\\' && u != '{' && u != '}';
}

// Copies the plain characters at the start of eight units as bytes and
// says how many there were. Eight bytes are stored whatever the count.
static int CopyPlainOfEight(const char16_t *from, char *to)
{
#if defined(__SSE2__)
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    // Signed: units from 0x8000 up are below 32 here, and so not plain.
    const __m128i printable = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_set1_epi16(31)),
                                            _mm_cmplt_epi16(units, _mm_set1_epi16(127)));
    const __m128i escaped = _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('\\')),
                                         _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('{')),
                                                      _mm_cmpeq_epi16(units, _mm_set1_epi16('}'))));
    const unsigned plain = unsigned(_mm_movemask_epi8(_mm_andnot_si128(escaped, printable)));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(to), _mm_packus_epi16(units, units));
    return plain == 0xFFFF ? 8 : std::countr_one(plain) / 2;
#else
    int count = 0;
    while (count < 8 && IsPlainRtfCharacter(from[count])) {
        to[count] = char(from[count]);
        ++count;
    }
    return count;
#endif
}

void TRpRtfDocument::AppendRtfText(QStringView text, std::string &out) const
{
    const size_t start = out.size();
    bool unicodeWritten = false;
    // Bytes gather in a buffer on the stack and go to out in pieces: a
    // string that grows byte by byte checks its room on every byte.
    char buffer[512];
    constexpr size_t Room = sizeof(buffer) - 32;  // eight plain bytes and the longest escape fit
    size_t used = 0;
    const auto put = [&](std::string_view bytes) {
        std::memcpy(buffer + used, bytes.data(), bytes.size());
        used += bytes.size();
    };
    const char16_t *units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (used > Room) {
            out.append(buffer, used);
            used = 0;
        }
        if (i + 8 <= text.size()) {
            const int plain = CopyPlainOfEight(units + i, buffer + used);
            used += size_t(plain);
            i += plain;
            if (plain == 8) {
                --i;
                continue;
            }
        }
        const char16_t unit = units[i];
        if (IsPlainRtfCharacter(unit)) {
            buffer[used++] = char(unit);
            continue;
        }
        switch (unit) {
        case 9: put("\\tab "); break;
        case 11: put("\\line "); break;
        case 12: put("\\page "); break;
        case 13: put("\\par "); break;
        case '\\': put("\\\\"); break;
        case '{': put("\\{"); break;
        case '}': put("\\}"); break;
        default:
            if (unit <= 127) {
                buffer[used++] = char(unit);
            } else if (!UnicodeByDefault) {
                // A surrogate pair is one character the code page lacks.
                if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                    buffer[used++] = '?';
                    ++i;
                } else if (const int byte = AnsiCodePageByte(unit); byte >= 0) {
                    buffer[used++] = char(byte);
                }
            } else {
                static const char hex[] = "0123456789ABCDEF";
                const quint8 ansiByte = quint8(ToAnsiByte(QChar(unit)));
                put("\\u");
                used = size_t(std::to_chars(buffer + used, buffer + sizeof(buffer), int(unit)).ptr - buffer);
                put(" \\'");
                buffer[used++] = hex[ansiByte >> 4];
                buffer[used++] = hex[ansiByte & 15];
                unicodeWritten = true;
            }
        }
    }
    out.append(buffer, used);
    if (unicodeWritten) {
        out.insert(start, "{\\uc1 ");
        out += '}';
    }
}

QByteArray TRpRtfDocument::txt2rtf(const QString &text) const
{
    std::string rtf;
    rtf.reserve(size_t(text.size()) + 16);
    AppendRtfText(text, rtf);
    return QByteArray(rtf.data(), qsizetype(rtf.size()));
}

} // namespace rtfreport

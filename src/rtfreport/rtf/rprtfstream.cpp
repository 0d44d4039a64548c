#include "rprtfstream.h"

#include <bit>
#include <charconv>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <QBuffer>

#include "rprtf_document.h"

namespace rtfreport {
namespace {

constexpr qint64 ReadChunk = 500;
constexpr qint64 CopyChunk = 1000;
constexpr qint64 UnclosedScanLimit = 16;
constexpr qint64 OutputBlock = 64 * 1024; // as large as the sink's: it takes such blocks without copying

bool IsTokenStart(char c) { return c == '{' || c == '}' || c == '\\' || c == '\0'; }

bool IsControlSymbol(char c)
{
    // A backslash before a line break is a paragraph mark in RTF: copying it
    // keeps it one, where ending the stream there would lose the rest of the text.
    return c == '-' || c == '\\' || c == '_' || c == '{' || c == '}' || c == '~' || c == '\r'
        || c == '\n';
}

std::string_view Text(const QByteArray &bytes) { return {bytes.constData(), size_t(bytes.size())}; }

// Copies `size` bytes. Most writes are a token of a few bytes, for which a
// call of memcpy costs more than the copy: up to 16 bytes are moved as two
// overlapping pieces of 8, 4, 2 or 1 bytes.
Q_ALWAYS_INLINE void CopyBytes(char *to, const char *from, size_t size)
{
    const auto twoPieces = [&]<size_t Piece>() {
        char head[Piece], tail[Piece];
        std::memcpy(head, from, Piece);
        std::memcpy(tail, from + size - Piece, Piece);
        std::memcpy(to, head, Piece);
        std::memcpy(to + size - Piece, tail, Piece);
    };
    if (size >= 8 && size <= 16)
        twoPieces.operator()<8>();
    else if (size >= 4 && size < 8)
        twoPieces.operator()<4>();
    else if (size >= 2 && size < 4)
        twoPieces.operator()<2>();
    else if (size == 1)
        *to = *from;
    else if (size > 16)
        std::memcpy(to, from, size);
}

// Where the parts of a control word end, as offsets from its backslash. Small
// enough to be returned in registers: the next token's place waits for it.
struct TRpWordEnds {
    int letters = 0;    // the word's letters
    int number = 0;     // its number, "-" included
    bool blank = false; // a blank delimiter follows
};

// Reads a control word byte by byte, no further than `available` bytes, and
// puts its letters in lower case into `lower`, with zeros after them up to
// the sixteenth byte at least.
TRpWordEnds ScanControlWord(const char *bytes, qint64 available, char *lower)
{
    int end = 1; // no further than TokenWindow
    while (end < available && IsAsciiLetter(bytes[end]))
        *lower++ = char(bytes[end++] | 0x20); // letters only: ASCII lower case
    std::memset(lower, 0, 16);
    TRpWordEnds ends;
    ends.letters = end;
    if (end < available && bytes[end] == '-')
        ++end;
    while (end < available && IsAsciiDigit(bytes[end]))
        ++end;
    ends.number = end;
    ends.blank = end < available && bytes[end] == ' ';
    return ends;
}

#ifdef __SSE2__
// The same over the 16 bytes after the backslash at once, when the word, its
// number and what follows them lie within those bytes (false otherwise; the
// caller checks that the 16 bytes are there). Words and numbers are of every
// length: loops over single bytes end in a mispredicted branch twice a word,
// which costs more than the rest of the token. Bytes above 0x7f compare as
// negative and are neither letters nor digits. The letters are stored with
// zeros up to the 16th byte, and the word's key is taken from the same register.
Q_ALWAYS_INLINE bool ScanControlWord16(const char *bytes, TRpWordEnds &ends, char *lower, TRpWordKey &key)
{
    const auto mask = [](__m128i matches) { return unsigned(_mm_movemask_epi8(matches)); };
    const auto inRange = [](__m128i v, char low, char high) {
        return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(low - 1))),
                             _mm_cmplt_epi8(v, _mm_set1_epi8(char(high + 1))));
    };
    // 16 bytes of ones, then 16 of zeros: from the (16 - n)th on, a mask of
    // the first n bytes.
    alignas(32) static constexpr char FirstBytes[32] = {-1, -1, -1, -1, -1, -1, -1, -1,
                                                        -1, -1, -1, -1, -1, -1, -1, -1};
    const char *word = bytes + 1;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(word));
    const __m128i folded = _mm_or_si128(v, _mm_set1_epi8(0x20)); // upper-case letters to lower
    const unsigned letters = mask(inRange(folded, 'a', 'z'));
    const unsigned digits = mask(inRange(v, '0', '9'));
    // The sign and the blank are read from masks too: loading their bytes
    // would wait for the word's length, which the next token waits for.
    const unsigned minus = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('-')));
    const unsigned blanks = mask(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')));
    // Where the word ends is what the next token waits for. Nearly always it
    // is the first byte that is no letter, digit or "-", which takes two steps
    // to find; the word's parts, counted one after the other, only confirm it.
    const int end = std::countr_one(letters | digits | minus);
    const int letterCount = std::countr_one(letters);
    const int numberStart = letterCount + int((minus >> letterCount) & 1); // bit 16 is zero
    const int numberEnd = numberStart + std::countr_one(digits >> numberStart);
    if (end >= 16 || numberEnd != end)
        return false; // the delimiter lies beyond these bytes, or text follows the number
    const __m128i inWord = _mm_loadu_si128(reinterpret_cast<const __m128i *>(FirstBytes + 16 - letterCount));
    const __m128i word16 = _mm_and_si128(folded, inWord);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lower), word16);
    // The key from the register, without waiting for the store.
    key.head = std::uint64_t(_mm_cvtsi128_si64(word16));
    key.tail = std::uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(word16, word16)));
    key.length = std::size_t(letterCount);
    ends.letters = 1 + letterCount;
    ends.number = 1 + end;
    ends.blank = (blanks >> end) & 1;
    return true;
}
#endif

// A control word's number; false for none, a lone "-" or one out of range.
template <typename Number>
bool ParseNumber(std::string_view text, Number &number)
{
    const char *end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, number);
    return !text.empty() && error == std::errc() && last == end;
}

// The sub-groups of a group held in memory, text between them left out.
QByteArrayList SubGroups(const QByteArray &group)
{
    QByteArrayList groups;
    qsizetype i = 1;
    while (i < group.size() - 1) {
        if (group[i] == '\\') {
            i += 2;
        } else if (group[i] == '{') {
            const qint64 end = FindGroupEnd(group, i);
            if (end < 0)
                break;
            groups.append(group.mid(i, end - i));
            i = end;
        } else {
            ++i;
        }
    }
    return groups;
}

bool IsListKind(TRpKwKind kind)
{
    return kind == TRpKwKind::ListTable || kind == TRpKwKind::ListOverrideTable;
}

// A control word's delimiter outlives the read window: it is none or a blank.
constexpr std::string_view Blank = " ";

} // namespace

TRpStream::TRpStream(TRpRtfDocument *owner, QIODevice *source)
    : m_owner(owner), m_stream(source), m_size(m_stream.Size())
{
    if (owner)
        m_styleTable.SetStyleMode(owner->m_rtfStyleMode);
}

TRpStream::~TRpStream() = default;

// ---- tokens -------------------------------------------------------------

// Small, so that it is inlined where tokens are read; PeekSource does the rest.
Q_ALWAYS_INLINE const char *TRpStream::Peek(qint64 wanted, qint64 &available)
{
    const qint64 pos = m_stream.Pos();
    const qint64 offset = pos - m_windowPos;
    const qint64 reachable = qMin(wanted, m_stream.Size() - pos);
    if (m_window && offset >= 0 && offset + reachable <= m_windowSize) {
        available = qMax<qint64>(0, reachable);
        return m_window + offset;
    }
    return PeekSource(wanted, available);
}

const char *TRpStream::PeekSource(qint64 wanted, qint64 &available)
{
    FlushCopy(); // its bytes are in the window about to go
    const qint64 pos = m_stream.Pos();
    m_stream.Peek(wanted, available); // moves the source's window here if it must
    m_window = m_stream.PeekWindow(m_windowSize);
    m_windowPos = pos;
    available = qMin(available, m_windowSize);
    return m_window;
}

const char *TRpStream::Window(qint64 &available)
{
    const char *bytes = Peek(1, available);
    if (available > 0)
        available = m_windowSize - (m_stream.Pos() - m_windowPos);
    return bytes;
}

void TRpStream::ForgetWindow()
{
    FlushCopy();
    m_window = nullptr;
    m_lastRead = {};
    m_lastKey = {};
    m_lastParam = {};
}

TRPkwType TRpStream::ReadToken()
{
    qint64 available = 0;
    const char *bytes = Peek(TokenWindow, available);
    return ReadToken(bytes, available);
}

TRPkwType TRpStream::ReadToken(const char *bytes, qint64 available)
{
    // Cleared one by one: a chained assignment would read back each view just
    // stored, which stalls the processor on every token.
    m_lastKey = {};
    m_lastParam = {};
    m_lastDelimiter = {};
    m_lastReadStart = m_stream.Pos();
    if (available == 0) {
        m_lastRead = {};
        return kwNone;
    }
    TRPkwType kind = kwChar;
    qint64 length = 1;
    switch (bytes[0]) {
    case '\0':
        kind = kwNone;
        length = 0;
        break;
    case '{':
        kind = kwOpen;
        break;
    case '}':
        kind = kwClose;
        break;
    case '\\':
        if (available < 2) {
            kind = kwNone;
        } else if (IsAsciiLetter(bytes[1])) {
            ReadControlWordToken(bytes, available); // the key is made again when needed
            return kwKeyWord;
        } else if (bytes[1] == '*') {
            kind = kwKeyDest;
            length = 2;
        } else if (IsControlSymbol(bytes[1])) {
            kind = kwKeyChar;
            length = 2;
        } else if (bytes[1] == '\'') {
            kind = available >= 4 ? kwHexChar : kwNone;
            length = qMin<qint64>(4, available);
        } else {
            kind = kwNone;
            length = 2;
        }
        break;
    default:
        break;
    }
    m_lastRead = std::string_view(bytes, size_t(length));
    m_stream.Advance(length);
    return kind;
}

// Small, so that it is inlined in the loop, where most tokens are control words.
Q_ALWAYS_INLINE TRpWordKey TRpStream::ReadControlWordToken(const char *bytes, qint64 available)
{
    m_lastReadStart = m_stream.Pos();
    const TRpWordKey key = ReadControlWord(bytes, available);
    m_stream.Advance(qint64(m_lastRead.size()));
    return key;
}

Q_ALWAYS_INLINE TRpWordKey TRpStream::ReadControlWord(const char *bytes, qint64 available)
{
    TRpWordEnds ends;
    TRpWordKey key;
#ifdef __SSE2__
    if (!(available >= 17 && ScanControlWord16(bytes, ends, m_lowerCaseWord, key)))
#endif
    {
        ends = ScanControlWord(bytes, available, m_lowerCaseWord);
        key = MakeZeroPaddedWordKey({m_lowerCaseWord, size_t(ends.letters - 1)});
    }
    m_lastRead = std::string_view(bytes, size_t(ends.number + (ends.blank ? 1 : 0)));
    m_lastKey = m_lastRead.substr(0, size_t(ends.letters));
    m_lastParam = std::string_view(bytes + ends.letters, size_t(ends.number - ends.letters));
    m_lastDelimiter = ends.blank ? Blank : std::string_view();
    return key;
}

bool TRpStream::ProcessToStringList(QByteArrayList *list)
{
    if (!list)
        return false;
    while (ReadToken() != kwNone)
        if (m_lastRead != "\r" && m_lastRead != "\n")
            list->append(Bytes(m_lastRead));
    return true;
}

QByteArrayList SplitRtfTokens(const QByteArray &rtf)
{
    QByteArray bytes = rtf;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TRpStream stream(nullptr, &buffer);
    QByteArrayList tokens;
    stream.ProcessToStringList(&tokens);
    return tokens;
}

// ---- writing ------------------------------------------------------------

void TRpStream::FlushBlock()
{
    m_out->Write(m_block.get(), m_blockUsed);
    m_blockUsed = 0;
}

// Small, so that it is inlined where bytes are written; PutLarge does the rest.
Q_ALWAYS_INLINE void TRpStream::Put(const char *data, qint64 size)
{
    if (size > OutputBlock - m_blockUsed) {
        PutLarge(data, size);
        return;
    }
    if (size > 0)
        CopyBytes(m_block.get() + m_blockUsed, data, size_t(size));
    m_blockUsed += size;
}

// Fills the block to the brim before handing it on: the sink takes a full
// block without copying it, where a shorter one is copied into its own.
void TRpStream::PutLarge(const char *data, qint64 size)
{
    const qint64 room = OutputBlock - m_blockUsed;
    std::memcpy(m_block.get() + m_blockUsed, data, size_t(room));
    m_blockUsed = OutputBlock;
    FlushBlock();
    data += room;
    size -= room;
    if (size >= OutputBlock)
        m_out->Write(data, size);
    else
        Put(data, size);
}

void TRpStream::FlushCopy()
{
    if (m_copySize > 0) {
        Put(m_copyFrom, m_copySize);
        m_copySize = 0;
    }
}

// Joins the bytes to the copy pending when they follow it in the input: a
// run of tokens written as they stand becomes one write.
Q_ALWAYS_INLINE void TRpStream::Copy(const char *data, qint64 size)
{
    if (m_copySize > 0 && data == m_copyFrom + m_copySize) {
        m_copySize += size;
        return;
    }
    StartCopy(data, size);
}

void TRpStream::StartCopy(const char *data, qint64 size)
{
    WritePreWrite();
    m_copyFrom = data;
    m_copySize = size;
}

void TRpStream::WritePreWrite()
{
    FlushCopy();
    if (!m_preWrite.empty()) {
        Put(m_preWrite.data(), qint64(m_preWrite.size()));
        m_preWrite.clear();
    }
}

void TRpStream::Write(const char *data, qint64 size)
{
    WritePreWrite();
    Put(data, size);
}

void TRpStream::Write(std::initializer_list<std::string_view> pieces)
{
    WritePreWrite();
    for (std::string_view piece : pieces)
        Put(piece.data(), qint64(piece.size()));
}

Q_ALWAYS_INLINE void TRpStream::WriteLastRead() { Copy(m_lastRead.data(), qint64(m_lastRead.size())); }

void TRpStream::WritePlainRun()
{
    qint64 available = 0;
    const char *bytes = Window(available);
    qint64 length = 0;
    while (length < available && !IsTokenStart(bytes[length]))
        ++length;
    Copy(bytes, length);
    m_stream.Advance(length);
}

// ---- Process ------------------------------------------------------------

bool TRpStream::Process()
{
    if (!m_outStream || !m_owner)
        return false;
    m_out = std::make_unique<TRpByteSink>(m_outStream);
    m_block.reset(new char[OutputBlock]); // not cleared: a report may insert thousands of short texts
    m_blockUsed = 0;
    for (;;) {
        // Runs of plain text are copied as they stand, as byte tokens would be.
        qint64 available = 0;
        const char *next = Peek(TokenWindow, available);
        if (available > 0 && !IsTokenStart(*next)) {
            WritePlainRun();
            continue;
        }
        if (available >= 2 && next[0] == '\\' && IsAsciiLetter(next[1])) {
            ProcessControlWord(ReadControlWordToken(next, available));
            continue;
        }
        const TRPkwType token = ReadToken(next, available);
        if (token == kwNone)
            break;
        switch (token) {
        case kwOpen:
            m_positionStack.push_back(m_lastReadStart);
            WritePreWrite();
            m_preWrite = '{';
            break;
        case kwClose:
            // A brace that closes no group of this text would close one of
            // the document's: it is left out.
            if (m_positionStack.empty())
                break;
            m_positionStack.pop_back();
            WriteLastRead();
            break;
        case kwKeyDest:
            m_preWrite += "\\*";
            break;
        case kwKeyWord: // words are read above; this is ReadToken's own reading of one
            ProcessControlWord(MakeZeroPaddedWordKey({m_lowerCaseWord, m_lastKey.size() - 1}));
            break;
        default:
            WriteLastRead();
            break;
        }
    }
    CloseOpenGroups();
    FlushCopy();
    FlushBlock();
    m_out->Flush();
    m_out.reset();
    m_block.reset();
    return true;
}

// Closes the groups the text opened and left open, so that the document
// stays balanced; a "{" still held back was never written and needs none.
void TRpStream::CloseOpenGroups()
{
    if (m_preWrite.starts_with('{'))
        m_positionStack.pop_back();
    m_preWrite.clear();
    Write(std::string(m_positionStack.size(), '}').c_str(), qint64(m_positionStack.size()));
    m_positionStack.clear();
}

Q_ALWAYS_INLINE void TRpStream::ProcessControlWord(const TRpWordKey &key)
{
    const std::string_view word(m_lowerCaseWord, m_lastKey.size() - 1); // without the backslash
    const TRpWordUse use = LookupControlWordUse(key, word);
    const TRpKwKind kind = use.kind;
    switch (kind) {
    case TRpKwKind::Dropped:
        DropWord();
        break;
    case TRpKwKind::Copied:
        WriteLastRead();
        break;
    case TRpKwKind::Renumbered:
        WriteRenumberedWord(use.renumbering, word);
        break;
    case TRpKwKind::ParOrBin:
        if (word == "par")
            WritePar();
        else
            SkipBinaryData();
        break;
    case TRpKwKind::DefaultFont:
        m_defFont = Bytes(m_lastParam);
        break;
    case TRpKwKind::TableWord:
        if (m_owner->m_inTable)
            DropWord();
        else
            WriteLastRead();
        break;
    case TRpKwKind::SkipGroup:
    case TRpKwKind::CopyGroup:
    case TRpKwKind::MergeTable:
    case TRpKwKind::ListTable:
    case TRpKwKind::ListOverrideTable:
        if (!ConsumeGroup(kind, word))
            DropWord();
        break;
    }
}

Q_ALWAYS_INLINE void TRpStream::DropWord()
{
    if (m_lastDelimiter == Blank)
        Write("\r", 1);
}

void TRpStream::WritePar()
{
    WritePreWrite();
    m_lastParPosition = m_out->Pos() + m_blockUsed;
    // Shared copies of two constants: a paragraph mark allocates nothing.
    static const QByteArray blank(Blank.data(), qsizetype(Blank.size()));
    static const QByteArray none;
    m_lastParDelimiter = m_lastDelimiter.empty() ? none : blank;
    Write({"\\par", m_lastDelimiter});
}

// Raw binary data cannot be read as tokens: its bytes are passed over, and
// the word goes with them.
void TRpStream::SkipBinaryData()
{
    qint64 count = 0;
    if (ParseNumber(m_lastParam, count) && count > 0)
        m_stream.Skip(count);
}

void TRpStream::WriteRenumbered(std::string_view word, const TRPReplTable &map)
{
    qint32 number = 0;
    if (!ParseNumber(m_lastParam, number)) {
        WriteLastRead(); // nothing to renumber: the word stays as it stands
        return;
    }
    char digits[16];
    const auto converted = std::to_chars(digits, digits + sizeof digits, map.GetRepl(number));
    Write({"\\", word, std::string_view(digits, size_t(converted.ptr - digits)), m_lastDelimiter});
}

void TRpStream::WriteRenumberedWord(TRpRenumbering how, std::string_view word)
{
    const bool inTable = m_owner->m_inTable;
    const bool lists = m_owner->ProcessLists;
    const std::string_view delimiter = m_lastDelimiter;
    using enum TRpRenumbering;
    switch (how) {
    case Font:
        WriteRenumbered(word, m_fontTable);
        break;
    case CellColor:
        if (inTable)
            DropWord();
        else
            WriteRenumbered(word, m_colorTable);
        break;
    case Color:
        WriteRenumbered(word, m_colorTable);
        break;
    case Style:
        WriteRenumbered(word, m_styleTable);
        break;
    case Plain:
        // Without a merged font table there is no default font to name.
        if (m_newDefFont.isEmpty())
            Write({"\\plain", delimiter});
        else
            Write({"\\plain\\f", Text(m_newDefFont), delimiter});
        break;
    case Row:
        Write({inTable ? "\\line" : "\\row", delimiter});
        break;
    case Pard:
        Write({inTable ? "\\pard\\intbl" : "\\pard", delimiter});
        break;
    case ListText: // list words mean nothing without the list tables
        if (lists)
            WriteLastRead();
        else
            DropWord();
        break;
    case Ls:
        if (lists)
            WriteRenumbered(word, m_lsIDRepl);
        else
            DropWord();
        break;
    case Ilvl:
        if (lists)
            Write({"\\ilvl", m_lastParam, delimiter});
        else
            DropWord();
        break;
    case None: // not a renumbered word: it stays as it stands
        WriteLastRead();
        break;
    }
}

// ---- groups -------------------------------------------------------------

bool TRpStream::ReadGroup(qint64 start, QByteArray &group)
{
    m_stream.Seek(start);
    const qint64 end = FindGroupEnd(m_stream, ReadChunk);
    if (end < 0)
        return false;
    group = m_stream.ReadBytes(end - start);
    return true;
}

bool TRpStream::CopyGroup(qint64 start, qint64 copyFrom)
{
    m_stream.Seek(start);
    const qint64 end = FindGroupEnd(m_stream, CopyChunk);
    if (end < 0)
        return false;
    m_stream.Seek(copyFrom);
    while (m_stream.Pos() < end) {
        qint64 available = 0;
        const char *chunk = m_stream.Peek(end - m_stream.Pos(), available);
        if (available == 0)
            break; // the device gave less than it held a moment ago
        Put(chunk, available);
        m_stream.Skip(available);
    }
    return true;
}

void TRpStream::SkipGroup(qint64 start)
{
    m_stream.Seek(start);
    const qint64 end = FindGroupEnd(m_stream, CopyChunk);
    m_stream.Seek(end < 0 ? m_size : end); // an unclosed group runs to the end of the input
}

bool TRpStream::ConsumeGroup(TRpKwKind kind, std::string_view word)
{
    if (m_positionStack.empty())
        return false;
    // A group that does not close before the end of the input is left to the
    // token loop: reading goes on after this word as ordinary tokens, so the
    // stream cannot loop. A group enclosing one known to be unclosed cannot
    // close either and is not counted again; and once failed counts have
    // read the input many times over, no more are tried, so that nested
    // unclosed groups cost linear time.
    const qint64 start = m_positionStack.back();
    if (start <= m_unclosedGroupStart || m_unclosedScanBytes > UnclosedScanLimit * m_size)
        return false;
    ForgetWindow(); // the group operations read the source on their own
    const qint64 afterWord = m_stream.Pos();
    // When part of the group has been written already, its "{" is out: copy
    // from this word on, or close the group after consuming it, so that the
    // output stays balanced and nothing is written twice.
    const bool openerWritten = !m_preWrite.starts_with('{');
    bool consumed = true;
    QByteArray group;
    if (kind == TRpKwKind::CopyGroup)
        consumed = CopyGroup(start, openerWritten ? m_lastReadStart : start);
    else if (kind == TRpKwKind::SkipGroup || (IsListKind(kind) && !m_owner->ProcessLists))
        SkipGroup(start);
    else if ((consumed = ReadGroup(start, group)))
        MergeGroup(word, group);
    if (!consumed) {
        m_unclosedGroupStart = start;
        m_unclosedScanBytes += m_size - start;
        m_stream.Seek(afterWord);
        return false;
    }
    m_positionStack.pop_back();
    m_preWrite.clear();
    if (openerWritten && kind != TRpKwKind::CopyGroup)
        Write("}", 1);
    return true;
}

void TRpStream::MergeGroup(std::string_view word, const QByteArray &group)
{
    if (word == "fonttbl")
        ReadFontTable(group);
    else if (word == "colortbl")
        ReadColorTable(group);
    else if (word == "stylesheet")
        ReadStyleSheet(group);
    else if (word == "listtable")
        ReadListTable(group);
    else if (word == "listoverridetable")
        ReadListOverrideTable(group);
}

// ---- merging header tables ----------------------------------------------

void TRpStream::ReadFontTable(const QByteArray &group)
{
    if (group.size() <= 16)
        return;
    for (const QByteArray &font : SubGroups(group))
        m_fontTable.AddNew(font);
    // Without "\deff" the inserted document's default font is its font 0.
    qint32 defaultFont = 0;
    if (!ParseNumber(Text(m_defFont), defaultFont))
        defaultFont = 0;
    m_newDefFont = QByteArray::number(m_fontTable.GetRepl(defaultFont));
}

void TRpStream::ReadColorTable(const QByteArray &group)
{
    if (group.size() <= 11)
        return;
    const QByteArray colors = group.mid(10); // after "{\colortbl"
    qint32 index = 0;
    qsizetype pieceStart = 0;
    for (qsizetype end = colors.indexOf(';'); end >= 0; end = colors.indexOf(';', pieceStart)) {
        m_colorTable.AddNew(index++, colors.mid(pieceStart, end - pieceStart + 1));
        pieceStart = end + 1;
    }
}

void TRpStream::ReadStyleSheet(const QByteArray &group)
{
    if (group.size() <= 17)
        return;
    for (const QByteArray &style : SubGroups(group))
        m_styleTable.AddNew(style);
    m_styleTable.CorrectNewStyles();
}

void TRpStream::ReadListTable(const QByteArray &group)
{
    if (group.size() <= 12)
        return;
    const QByteArrayList tokens = SplitRtfTokens(group);
    if (group.toLower().contains("\\listpicture")) {
        const QByteArrayList pictures = CollectListPictures(tokens);
        for (int number = 0; number < pictures.size(); ++number)
            m_pictListRepl.AddRepl(number, m_owner->m_rtfListTable.PictureIndex(pictures[number]));
    }
    const auto rewrite = [this](const QByteArray &token) { return RenumberListToken(token); };
    for (const TRpListText &list : CollectLists(tokens, rewrite))
        ProcessListStringToMainDoc(list.text, list.templateID, list.compare, list.listID);
}

QByteArray TRpStream::RenumberListToken(const QByteArray &token) const
{
    struct Rule {
        const char *word;
        const TRPReplTable &map;
    };
    const Rule rules[] = {
        {"\\levelpicture", m_pictListRepl}, {"\\f", m_fontTable},      {"\\pnf", m_fontTable},
        {"\\cb", m_colorTable},             {"\\cf", m_colorTable},    {"\\brdrcf", m_colorTable},
        {"\\cbpat", m_colorTable},          {"\\cfpat", m_colorTable}, {"\\chcbpat", m_colorTable},
        {"\\chcfpat", m_colorTable},        {"\\pncf", m_colorTable},  {"\\ulc", m_colorTable},
    };
    for (const Rule &rule : rules) {
        const QByteArray word(rule.word);
        if (!IsControlWordToken(token, word))
            continue;
        qint32 number = 0;
        if (!ParseNumber(Text(token.mid(word.size()).trimmed()), number))
            return token;
        // The blank delimiter stays: a digit after the word would otherwise join its number.
        return word + QByteArray::number(rule.map.GetRepl(number)) + (token.endsWith(' ') ? " " : "");
    }
    return token;
}

void TRpStream::ProcessListStringToMainDoc(QByteArray text, const QByteArray &templateID,
                                           const QByteArray &strForCompare,
                                           const QByteArray &listID)
{
    TRpRTFListTable &table = m_owner->m_rtfListTable;
    const qint32 insertedID = TextToInt32(listID);
    if (!m_owner->UniqueLists) {
        if (const TRpRTFListObject *same = table.FindList(strForCompare)) {
            if (!m_listIDRepl.HasRepl(insertedID))
                m_listIDRepl.AddRepl(insertedID, TextToInt32(same->ListID));
            return;
        }
    }
    const qint32 insertedTemplateID = TextToInt32(templateID);
    const qint32 newID = table.ExistsListID(insertedID) ? table.GetNewListID() : insertedID;
    const qint32 newTemplateID = table.ExistsListTemplateID(insertedTemplateID)
        ? table.GetNewListTemplateID()
        : insertedTemplateID;
    if (!m_listIDRepl.HasRepl(insertedID))
        m_listIDRepl.AddRepl(insertedID, newID);
    text = ReplaceParam(text, "\\listid", newID);
    text = ReplaceParam(text, "\\listtemplateid", newTemplateID);
    table.AddListString(true, text, strForCompare, QByteArray::number(newID),
                        QByteArray::number(newTemplateID));
}

void TRpStream::ReadListOverrideTable(const QByteArray &group)
{
    if (group.size() <= 20)
        return;
    for (const TRpListText &override_ : CollectListOverrides(SplitRtfTokens(group)))
        ProcessListOvrStringToMainDoc(override_.text, override_.listID, override_.compare,
                                      override_.lsID);
}

void TRpStream::ProcessListOvrStringToMainDoc(QByteArray text, const QByteArray &listID,
                                              const QByteArray &strForCompare,
                                              const QByteArray &lsID)
{
    TRpRTFListTable &table = m_owner->m_rtfListTable;
    const qint32 newListID = m_listIDRepl.GetRepl(TextToInt32(listID));
    const qint32 insertedLs = TextToInt32(lsID);
    if (const TRpRTFListOverrideObject *same = table.FindListOverride(strForCompare, newListID)) {
        m_lsIDRepl.AddRepl(insertedLs, TextToInt32(same->LsID));
        return;
    }
    const qint32 newLs = table.GetNewLsID();
    text = ReplaceParam(text, "\\listid", newListID);
    text = ReplaceParam(text, "\\ls", newLs);
    table.AddListOverrideString(true, text, strForCompare, QByteArray::number(newLs),
                                QByteArray::number(newListID));
    m_lsIDRepl.AddRepl(insertedLs, newLs);
}

} // namespace rtfreport

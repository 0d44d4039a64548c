#pragma once
// TRpStream: the RTF token stream that copies an inserted RTF document into
// the body being written.
//
// Use for one insertion (TRpRtfDocument::InsertRtfStream does all of this):
//   TRpStream stream(&document, &input);          // reads from input's position
//   stream.SetOutStream(&body);
//   stream.FontTable().AddFromList(...); ...      // the document's tables
//   stream.Process();                             // copies, renumbers, merges
//   ... read FontTable()/ColorTable()/StyleTable() back, LastParPosition() ...
//
// Process drops document-level control words, copies or skips destination
// groups, keeps the text's braces balanced (a surplus "}" is left out, an
// unclosed group closed at the end), renumbers every font, colour, style, list and list override
// reference, and merges the inserted font table, colour table and style sheet
// into the three tables and its list tables into the owner's list table.
// The input must be a random-access device.

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QByteArrayList>
#include <QIODevice>

#include "rpheadertables.h"
#include "rprtf_controlwords.h"
#include "rprtf_io.h"

namespace rtfreport {

class TRpRtfDocument;

enum TRPkwType {
    kwNone = 0,    // end of the stream
    kwOpen = 1,    // "{"
    kwClose = 2,   // "}"
    kwKeyDest = 3, // "\*"
    kwKeyWord = 4, // a control word
    kwKeyChar = 5, // a control symbol
    kwHexChar = 6, // "\'" and two characters
    kwChar = 7,    // any other byte
};

class TRpStream {
public:
    // `owner` supplies the options, m_inTable, RTFStyleMode and the list table;
    // it may be null for a stream only split into tokens. Neither the owner
    // nor the source is owned.
    TRpStream(TRpRtfDocument *owner, QIODevice *source);
    ~TRpStream();
    TRpStream(const TRpStream &) = delete;
    TRpStream &operator=(const TRpStream &) = delete;

    void SetOutStream(QIODevice *out) { m_outStream = out; }

    // Copies the whole input to the output; false (and nothing written) when
    // there is no output or no owner.
    bool Process();
    // Appends every token as read, one entry each, lone line breaks left out.
    bool ProcessToStringList(QByteArrayList *list);

    // Reads the next token; m_lastRead and friends describe it until the next
    // read from the source.
    TRPkwType ReadToken();
    QByteArray LastRead() const { return Bytes(m_lastRead); }
    QByteArray LastKey() const { return Bytes(m_lastKey); }
    QByteArray LastParam() const { return Bytes(m_lastParam); }
    QByteArray LastDelimiter() const { return Bytes(m_lastDelimiter); }

    TRPFontStrings &FontTable() { return m_fontTable; }
    TRPColorStrings &ColorTable() { return m_colorTable; }
    TRPStyleStrings &StyleTable() { return m_styleTable; }

    // Output position of the last "\par" written (-1: none) and its delimiter.
    qint64 LastParPosition() const { return m_lastParPosition; }
    const QByteArray &LastParDelimiter() const { return m_lastParDelimiter; }

private:
    static constexpr qint64 TokenWindow = 100; // the longest token read
    static QByteArray Bytes(std::string_view text) { return QByteArray(text.data(), qsizetype(text.size())); }
    // Up to `wanted` bytes from the current position, fewer only at the end,
    // as m_stream.Peek gives them; Window gives all the read window holds.
    const char *Peek(qint64 wanted, qint64 &available);
    const char *PeekSource(qint64 wanted, qint64 &available);
    const char *Window(qint64 &available);
    // The token at `bytes`, `available` bytes as Peek(TokenWindow) gave them.
    TRPkwType ReadToken(const char *bytes, qint64 available);
    // Read the control word at `bytes` and give its key (MakeZeroPaddedWordKey).
    TRpWordKey ReadControlWordToken(const char *bytes, qint64 available);
    TRpWordKey ReadControlWord(const char *bytes, qint64 available);
    // Writes the "{" and "\*" held back until the group's first word is known.
    void WritePreWrite();
    // Every byte of the output goes through Put, which gathers it for m_out.
    void Put(const char *data, qint64 size);
    // Writes bytes of the read window as they stand, joined with the bytes
    // before them when they follow those in the input.
    void Copy(const char *data, qint64 size);
    void StartCopy(const char *data, qint64 size);
    void FlushCopy();
    void PutLarge(const char *data, qint64 size);
    void FlushBlock();
    void Write(const char *data, qint64 size);
    void Write(std::initializer_list<std::string_view> pieces);
    void WritePlainRun();
    void ProcessControlWord(const TRpWordKey &key);
    void WriteLastRead();
    void WriteRenumberedWord(TRpRenumbering how, std::string_view word);
    void WriteRenumbered(std::string_view word, const TRPReplTable &map);
    void DropWord();
    void WritePar();
    void SkipBinaryData();
    void CloseOpenGroups();

    // Group operations, each starting at the "{" at `start`.
    bool ReadGroup(qint64 start, QByteArray &group);
    bool CopyGroup(qint64 start, qint64 copyFrom);
    void SkipGroup(qint64 start);
    // Consumes the group this control word belongs to by `kind`; false when it
    // cannot (no open group, or a group that never closes).
    bool ConsumeGroup(TRpKwKind kind, std::string_view word);
    void ForgetWindow();
    void MergeGroup(std::string_view word, const QByteArray &group);

    void ReadFontTable(const QByteArray &group);
    void ReadColorTable(const QByteArray &group);
    void ReadStyleSheet(const QByteArray &group);
    void ReadListTable(const QByteArray &group);
    void ReadListOverrideTable(const QByteArray &group);
    QByteArray RenumberListToken(const QByteArray &token) const;
    void ProcessListStringToMainDoc(QByteArray text, const QByteArray &templateID,
                                    const QByteArray &strForCompare, const QByteArray &listID);
    void ProcessListOvrStringToMainDoc(QByteArray text, const QByteArray &listID,
                                       const QByteArray &strForCompare, const QByteArray &lsID);

    TRpRtfDocument *m_owner;
    TRpByteSource m_stream;
    QIODevice *m_outStream = nullptr;
    std::unique_ptr<TRpByteSink> m_out;
    qint64 m_size;
    // The output not yet handed to m_out: most writes are a few bytes, and a
    // call into the sink for each would cost more than copying them.
    std::unique_ptr<char[]> m_block;
    qint64 m_blockUsed = 0;
    // Bytes of the read window written as they stand, still to be put: they
    // come before anything else written and before the window moves.
    const char *m_copyFrom = nullptr;
    qint64 m_copySize = 0;
    // The source's read window as last peeked: m_windowSize bytes of the input
    // from m_windowPos on. Tokens are read from it in place, and the source is
    // asked again only near its end. Anything else that reads the source may
    // move its window: ForgetWindow() before it.
    const char *m_window = nullptr;
    qint64 m_windowPos = 0;
    qint64 m_windowSize = 0;

    std::string m_preWrite; // a few bytes: kept without allocating
    // The last token, in the read window. The key and number are views into
    // it; the delimiter is "" or " ", which outlives the window.
    std::string_view m_lastRead;
    std::string_view m_lastKey;
    std::string_view m_lastParam;
    std::string_view m_lastDelimiter;
    // The last control word's letters in lower case, then zeros up to the
    // sixteenth byte at least, so that its key is read without a loop.
    char m_lowerCaseWord[TokenWindow + 16];
    qint64 m_lastReadStart = 0; // input position of m_lastRead
    qint64 m_lastParPosition = -1;
    QByteArray m_lastParDelimiter;
    std::vector<qint64> m_positionStack;
    // Input position of the "{" of the last group found unclosed; -1: none.
    qint64 m_unclosedGroupStart = -1;
    qint64 m_unclosedScanBytes = 0; // read by brace counts that found no end

    QByteArray m_defFont;
    QByteArray m_newDefFont;
    TRPFontStrings m_fontTable;
    TRPColorStrings m_colorTable;
    TRPStyleStrings m_styleTable{m_fontTable, m_colorTable}; // declared after the maps it reads
    TRPReplTable m_pictListRepl;
    TRPReplTable m_listIDRepl;
    TRPReplTable m_lsIDRepl;
};

// Splits RTF bytes into tokens as ProcessToStringList does.
QByteArrayList SplitRtfTokens(const QByteArray &rtf);

} // namespace rtfreport

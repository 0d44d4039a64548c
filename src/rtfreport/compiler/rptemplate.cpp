// The compile pass: walking the template, reading fields between backslash
// delimiters, splitting and classifying their text, and writing the command
// stream.

#include "rptemplatecompiler.h"

#include "rpbasereport.h"

#include "rpconst.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpformat.h"
#include "rprtf_codepage.h"
#include "rprtf_controlwords.h"
#include "rprtf_io.h"
#include "rptemplate.h"

#include <QScopeGuard>

namespace rtfreport {

namespace {

constexpr int MaxFieldLength = 10000;

bool IsHexDigit(char c)
{
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether a byte of a field body can begin a quotation mark, an escape,
// a delimiter or a group; any other byte is text, in a quotation or not.
bool MayBeginMark(char c)
{
    switch (quint8(c)) {
    case '\\': case '{': case '"': case '\'': case '`': case '~':
    case 147: case 148: case 171: case 187:
        return true;
    default:
        return false;
    }
}

QString FromAnsi(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes)
        text += FromAnsiByte(b);
    return text;
}

bool GoesToCommandText(QChar ch)
{
    const int u = ch.unicode();
    return (u >= 32 && u <= 91) || u == 93 || (u >= 95 && u <= 122) || u == 124 || (u >= 126 && u <= 729);
}

// The command-stream kind of a variable, literal or data-field token.
int KindOfToken(int tokenKind)
{
    switch (tokenKind) {
    case tkIdentifier: return cmVariable;
    case tkNumber: return cmNumber;
    case tkString: return cmString;
    case tkBoolean: return cmBoolean;
    case tkDate: return cmDate;
    case tkDataFieldDot: return cmDataFieldDot;
    case tkDataFieldColon: return cmDataFieldColon;
    default: return cmCopyText;
    }
}

// Operators whose value follows from their operands alone: over literals
// alone they give the same value every time a run evaluates them.
bool IsPureOperator(int id)
{
    switch (id) {
    case fnSysEq: case fnSysNotEq: case fnSysLt: case fnSysGt: case fnSysLtEq: case fnSysGtEq:
    case fnSysAnd: case fnSysOr: case fnSysNot: case fnSysUMinus: case fnSysUPlus: case fnSysMult:
    case fnSysDiv: case fnSysPercent: case fnSysAdd: case fnSysSub: case fnBrackets: case fnIf: case fnWhile:
    case fnElsIf:
        return true;
    default:
        return false;
    }
}

} // namespace

bool TRpTemplateBuffer::PrefixAt(int pnt, const char *word) const
{
    // The words are ASCII: only ASCII letters can match them without case.
    for (int i = 0; word[i]; ++i) {
        const char c = At(pnt + i);
        if ((c >= 'A' && c <= 'Z' ? char(c | 0x20) : c) != word[i])
            return false;
    }
    return true;
}

bool TRpTemplateBuffer::WordAt(int pnt, const char *word) const
{
    return PrefixAt(pnt, word) && !IsAsciiLetter(At(pnt + int(qstrlen(word))));
}

// --- ReadNextField ---------------------------------------------------------------

int TRpTemplateCompiler::BoundaryWordLength(int pnt) const
{
    if (m_template.WordAt(pnt, "\\par"))
        return 4;
    for (const char *word : LineEndWords)
        if (m_template.WordAt(pnt, word))
            return int(qstrlen(word));
    return 0;
}

bool TRpTemplateCompiler::SkippedGroupAt(int pnt) const
{
    // pnt stands just after the "{"; every word begins with a backslash.
    if (m_template.At(pnt) != '\\')
        return false;
    for (const char *word : SkippedGroupWords) {
        if (m_report.Options().testFlag(eoProcessFormFields) && qstrcmp(word, "\\field") == 0)
            continue;
        if (m_template.WordAt(pnt, word))
            return true;
    }
    return false;
}

bool TRpTemplateCompiler::FieldDelimiterAt(int pnt, int *length) const
{
    if (m_template.At(pnt) != '\\')
        return false;
    const char next = m_template.At(pnt + 1);
    if (next == '\\' && m_template.At(pnt + 2) != '*') {
        *length = 2;
        return true;
    }
    if (next == '\'' && m_template.At(pnt + 2) == '5' && (m_template.At(pnt + 3) | 0x20) == 'c') {
        *length = 4;
        return true;
    }
    return false;
}

bool TRpTemplateCompiler::ReadHeaderGroup()
{
    struct HeaderGroup {
        const char *word;
        int kind;
        bool TRpRtfDocument::*met;
        void (TRpRtfDocument::*read)(TRpTemplateScanner &);
        bool listOnly;
    };
    static const HeaderGroup groups[] = {
        {"\\fonttbl", cmFontTable, &TRpRtfDocument::m_isFontTable, &TRpRtfDocument::LoadFontTable, false},
        {"\\colortbl", cmColorTable, &TRpRtfDocument::m_isColorTable, &TRpRtfDocument::LoadColorTable, false},
        {"\\stylesheet", cmStyleSheet, &TRpRtfDocument::m_isStyle, &TRpRtfDocument::LoadStyleSheet, false},
        {"\\info", cmDocInfo, &TRpRtfDocument::m_isDocInfo, &TRpRtfDocument::LoadDocInfo, false},
        {"\\*\\listtable", cmListTable, &TRpRtfDocument::m_isListTable, &TRpRtfDocument::ProcessListTable, true},
        {"\\*\\listoverridetable", cmListOverrideTable, &TRpRtfDocument::m_isListOverrideTable,
         &TRpRtfDocument::ProcessListOverrideTable, true},
    };
    if (m_template.At(m_template.position) != '\\')  // every word begins with a backslash
        return false;
    for (const HeaderGroup &group : groups) {
        if (m_document.*group.met || (group.listOnly && !m_report.Options().testFlag(eoProcessLists)))
            continue;
        if (!m_template.WordAt(m_template.position, group.word))
            continue;
        TRpBufferScanner scanner(m_template.bytes, m_template.position - 1);
        (m_document.*group.read)(scanner);
        m_template.position = int(scanner.Pos()) + 1;
        m_document.*group.met = true;
        m_commands->WriteMark(group.kind, m_template.position);
        return true;
    }
    return false;
}

// The control words that steer the compile pass: line boundaries, table
// marks and "\uc". True when the word was copied here (a table's end).
bool TRpTemplateCompiler::ReadControlWord(int p)
{
    TRpTemplateBuffer &t = m_template;
    if (BoundaryWordLength(p) > 0)
        m_lastBoundaryPnt = p;
    if (t.WordAt(p, "\\trowd")) {
        m_commands->WriteMark(cmTableStart, p);
        m_document.m_inTable = m_tableRowOpen = true;
    } else if (t.WordAt(p, "\\row")) {
        t.position = p + 4;
        m_commands->WriteCopyText(t.position);
        m_commands->WriteMark(cmTableEnd, t.position);
        m_document.m_inTable = m_tableRowOpen = false;
        return true;
    } else if (t.PrefixAt(p, "\\intbl")) {
        m_commands->WriteMark(cmTableStart, p);
        m_document.m_inTable = true;
    } else if (t.PrefixAt(p, "\\pard") && m_document.m_inTable && !m_tableRowOpen) {
        t.position = p + 5;
        m_commands->WriteCopyText(t.position);
        m_commands->WriteMark(cmTableEnd, t.position);
        m_document.m_inTable = false;
        return true;
    } else if (t.PrefixAt(p, "\\uc") && IsAsciiDigit(t.At(p + 3))) {
        int number = 0;
        for (int q = p + 3; IsAsciiDigit(t.At(q)); ++q)
            number = qMin(number * 10 + (t.At(q) - '0'), 1000);
        m_unicodeSkip.SetCount(number);
    }
    return false;
}

// Where a run of plain characters starting at pnt ends: at a backslash,
// a brace or the end of the template. The run is copied by one record.
int TRpTemplateCompiler::PlainRunEnd(int pnt) const
{
    const QByteArray &bytes = m_template.bytes;
    qsizetype i = pnt;  // the 0-based index of the character after pnt
    while (i < bytes.size() && bytes[i] != '\\' && bytes[i] != '{' && bytes[i] != '}')
        ++i;
    return int(i) + 1;
}

TRpReadField TRpTemplateCompiler::ReadNextField()
{
    TRpTemplateBuffer &t = m_template;
    while (!t.AtEnd()) {
        const int p = t.position;
        const char c = t.At(p);
        if (c == '\\') {
            int delimiter = 0;
            if (FieldDelimiterAt(p, &delimiter)) {
                m_previousKwdPnt = m_kwdPnt;
                m_kwdPnt = p;
                t.position = p + delimiter;
                return {true, ReadFieldBody()};
            }
            // Boundaries, table marks and "\uc" are control words: they begin with a letter.
            if (IsAsciiLetter(t.At(p + 1)) && ReadControlWord(p))
                continue;
            // A control symbol ("\{", "\}", "\'e6", ...) is copied as one unit,
            // so that an escaped brace is never taken for a group.
            const char next = t.At(p + 1);
            if (next == '\'' && IsHexDigit(t.At(p + 2)) && IsHexDigit(t.At(p + 3)))
                t.position = p + 4;
            else if (!IsAsciiLetter(next) && next != TRpTemplateScanner::EndOfTemplate)
                t.position = p + 2;
            else
                t.position = p + 1;
            m_commands->WriteCopyText(t.position);
            continue;
        }
        if (c == '{') {
            t.position = p + 1;
            if (ReadHeaderGroup())
                continue;
            if (SkippedGroupAt(t.position)) {
                const qint64 end = FindGroupEnd(t.bytes, p - 1);
                t.position = end < 0 ? t.Length() + 1 : int(end) + 1;
                m_commands->WriteMark(cmCopyGroup, t.position);
                continue;
            }
            m_unicodeSkip.Open();
        } else if (c == '}') {
            t.position = p + 1;
            m_unicodeSkip.Close();
        } else {
            t.position = PlainRunEnd(p);
        }
        m_commands->WriteCopyText(t.position);
    }
    return {};
}

// --- the field body --------------------------------------------------------------

int TRpTemplateCompiler::QuoteOpening(int pnt, int *length) const
{
    const TRpTemplateBuffer &t = m_template;
    const quint8 c = quint8(t.At(pnt));
    *length = 1;
    switch (c) {
    case 147: case 148: return 1;
    case 171: case 187: return 3;
    case '"': return 4;
    case '\'': return 5;
    case '`': return 6;
    case '~': return 7;
    default: break;
    }
    if (c != '\\')
        return 0;
    if (t.At(pnt + 1) == '\'' && IsHexDigit(t.At(pnt + 2)) && IsHexDigit(t.At(pnt + 3))) {
        *length = 4;
        if (HexEscapeIs(pnt, "93") || HexEscapeIs(pnt, "94"))
            return 1;
        if (HexEscapeIs(pnt, "ab") || HexEscapeIs(pnt, "bb"))
            return 3;
        return 0;
    }
    // The quotation words begin "\l" or "\r": a closing delimiter "\\" is none of them.
    if (const char first = char(t.At(pnt + 1) | 0x20); first != 'l' && first != 'r')
        return 0;
    static const struct { const char *word; int kind; } words[] = {
        {"\\lquote", 2}, {"\\rquote", 2}, {"\\ldblquote", 8}, {"\\rdblquote", 8}};
    for (const auto &w : words) {
        if (t.WordAt(pnt, w.word)) {
            *length = WordWithBlankLength(pnt, w.word);
            return w.kind;
        }
    }
    return 0;
}

bool TRpTemplateCompiler::HexEscapeIs(int pnt, const char *hex) const
{
    const TRpTemplateBuffer &t = m_template;
    return t.At(pnt) == '\\' && t.At(pnt + 1) == '\'' && (t.At(pnt + 2) | 0x20) == hex[0]
           && (t.At(pnt + 3) | 0x20) == hex[1];
}

// A quotation word's length with the one blank that may follow it.
int TRpTemplateCompiler::WordWithBlankLength(int pnt, const char *word) const
{
    const int size = int(qstrlen(word));
    return size + (m_template.At(pnt + size) == ' ' ? 1 : 0);
}

bool TRpTemplateCompiler::QuoteClosing(int pnt, int quote, int *length) const
{
    const quint8 c = quint8(m_template.At(pnt));
    const auto take = [&](int size) {
        *length = size;
        return true;
    };
    const auto word = [&](const char *w) { return m_template.WordAt(pnt, w) && take(WordWithBlankLength(pnt, w)); };
    switch (quote) {
    case 1:
    case 8:
        if (c == 148)
            return take(1);
        if (HexEscapeIs(pnt, "94"))
            return take(4);
        return word("\\rdblquote");
    case 2:
    case 5:
        if (c == '\'')
            return take(1);
        return word("\\rquote");
    case 3:
        if (c == 187)
            return take(1);
        return HexEscapeIs(pnt, "bb") && take(4);
    case 4: return c == '"' && take(1);
    case 6: return c == '`' && take(1);
    case 7: return c == '~' && take(1);
    default: return false;
    }
}

// One character (or escape, or quotation mark) of a field body at pnt,
// inside the quotation of that kind (0: none).
TRpTemplateCompiler::TRpBodyStep TRpTemplateCompiler::FieldBodyStep(int pnt, int quote) const
{
    const TRpTemplateBuffer &t = m_template;
    if (pnt > t.Length())
        return {TRpBodyStep::Failed};
    const char c = t.At(pnt);
    if (quint8(c) < 32 && c != '\n' && c != '\t')
        return {TRpBodyStep::Next, pnt + 1, quote};
    if (!MayBeginMark(c))
        return {TRpBodyStep::Next, pnt + 1, quote};
    int length = 0;
    const bool hexEscape = c == '\\' && t.At(pnt + 1) == '\'' && IsHexDigit(t.At(pnt + 2)) && IsHexDigit(t.At(pnt + 3));
    if (quote != 0) {
        // Inside a quotation an escaped backslash is text, and boundaries are not looked for.
        if (QuoteClosing(pnt, quote, &length))
            return {TRpBodyStep::Next, pnt + length, 0};
        if (c == '\\' && t.At(pnt + 1) == '\\')
            return {TRpBodyStep::Next, pnt + 2, quote};
        return {TRpBodyStep::Next, pnt + (hexEscape ? 4 : 1), quote};
    }
    if (const int kind = QuoteOpening(pnt, &length))
        return {TRpBodyStep::Next, pnt + length, kind};
    if (FieldDelimiterAt(pnt, &length))
        return {TRpBodyStep::Closed, pnt, length};
    if (hexEscape)
        return {TRpBodyStep::Next, pnt + 4, 0};
    if (c == '\\' && t.At(pnt + 1) == '~')
        return {TRpBodyStep::Next, pnt + 2, 0};
    if (c == '\\' && BoundaryWordLength(pnt) > 0)
        return {TRpBodyStep::Failed};
    if (c == '{' && SkippedGroupAt(pnt + 1))
        return {TRpBodyStep::Failed};
    return {TRpBodyStep::Next, pnt + 1, 0};
}

namespace {

constexpr int PlainBodySteps = 32;

} // namespace

// Where the body starting at pnt closes: the closing step within the field
// length limit, or Failed. Most bodies close within a few steps.
TRpTemplateCompiler::TRpBodyStep TRpTemplateCompiler::FieldBodyEnd(int pnt)
{
    // Inside the text a long body covered, the next ones are likely long too.
    if (pnt < m_bodyMemoReach)
        return LongFieldBodyEnd(pnt);
    TRpBodyStep step{TRpBodyStep::Next, pnt, 0};
    const char *bytes = m_template.bytes.constData();
    const int last = m_template.Length();
    for (int count = 1; count <= PlainBodySteps; ++count) {
        // Plain text is one step a byte, in a quotation or not.
        if (step.pnt <= last && !MayBeginMark(bytes[step.pnt - 1])) {
            ++step.pnt;
            continue;
        }
        step = FieldBodyStep(step.pnt, step.quote);
        if (step.kind != TRpBodyStep::Next)
            return step;
    }
    return LongFieldBodyEnd(pnt);
}

// A body that runs long: every field that starts inside it would read much
// of the same text again (up to MaxFieldLength steps each). What each
// (position, quotation) leads to is remembered: the closing step and how
// far it is, a failure, or the point reached after so many steps without
// either; so each is read once and the pass stays linear.
TRpTemplateCompiler::TRpBodyStep TRpTemplateCompiler::LongFieldBodyEnd(int pnt)
{
    // Reads start further on each time: what lies before cannot be met again.
    m_bodyMemo.DropBefore(pnt);
    auto &visited = m_bodyVisited;
    visited.clear();
    int taken = 0;
    int quote = 0;
    TRpBodyMemo outcome{TRpBodyStep::Next, 0, pnt, 0};
    while (taken < MaxFieldLength) {
        visited.push_back({pnt, quote, taken});
        if (const TRpBodyMemo *known = m_bodyMemo.Find(pnt, quote)) {
            outcome = *known;
            if (outcome.kind != TRpBodyStep::Next)
                break;
            taken += outcome.steps;  // a point reached without an end
            pnt = outcome.pnt;
            quote = outcome.quote;
            continue;
        }
        const TRpBodyStep step = FieldBodyStep(pnt, quote);
        ++taken;
        if (step.kind != TRpBodyStep::Next) {
            outcome = {step.kind, 1, step.pnt, step.quote};
            taken -= 1;
            break;
        }
        pnt = step.pnt;
        quote = step.quote;
    }
    m_bodyMemoReach = qMax(m_bodyMemoReach, pnt);
    // Every node met learns the outcome, as seen from itself.
    const int end = outcome.kind == TRpBodyStep::Next ? taken : taken + outcome.steps;
    for (const TRpBodyVisit &node : visited) {
        TRpBodyMemo &memo = m_bodyMemo[{node.pnt, node.quote}];
        memo = outcome;
        memo.steps = end - node.taken;
        if (outcome.kind == TRpBodyStep::Next) {
            memo.pnt = pnt;
            memo.quote = quote;
        }
    }
    if (outcome.kind == TRpBodyStep::Closed && end <= MaxFieldLength)
        return {TRpBodyStep::Closed, outcome.pnt, outcome.quote};
    return {TRpBodyStep::Failed};
}

// A field that does not close gives an empty body, and reading goes on
// just after its opening delimiter, which is copied as text.
QByteArray TRpTemplateCompiler::ReadFieldBody()
{
    TRpTemplateBuffer &t = m_template;
    const int bodyStart = t.position;
    const TRpBodyStep end = FieldBodyEnd(bodyStart);
    if (end.kind != TRpBodyStep::Closed)
        return QByteArray();
    // The body is the text up to the closing delimiter, control characters left out.
    QByteArray body = t.bytes.mid(bodyStart - 1, end.pnt - bodyStart);
    body.removeIf([](char c) { return quint8(c) < 32 && c != '\n' && c != '\t'; });
    t.position = end.pnt + end.quote;
    return body;
}

// --- SplitFieldText ----------------------------------------------------------------

void TRpUnicodeSkip::Close()
{
    if (!m_saved.empty()) {
        m_count = m_saved.back();
        m_saved.pop_back();
    } else if (m_belowDepth > 0) {
        m_count = (*m_below)[--m_belowDepth];
    }
}

void TRpUnicodeSkip::Reset()
{
    m_count = 1;
    m_saved.clear();
    m_below = nullptr;
    m_belowDepth = 0;
}

TRpUnicodeSkip TRpUnicodeSkip::Scratch() const
{
    TRpUnicodeSkip scratch;
    scratch.m_count = m_count;
    scratch.m_below = &m_saved;
    scratch.m_belowDepth = m_saved.size();
    return scratch;
}

TRpSplitText TRpTemplateCompiler::SplitFieldText(const QByteArray &raw)
{
    return SplitFieldText(raw, m_unicodeSkip);
}

TRpSplitText TRpTemplateCompiler::SplitFieldText(const QByteArray &raw, TRpUnicodeSkip &skip)
{
    TRpSplitText out;
    int fallbackToDrop = 0;
    const auto toCommand = [&](QChar ch) {
        if (fallbackToDrop > 0) {
            --fallbackToDrop;
            return;
        }
        out.command += ch;
    };
    const auto at = [&](qsizetype i) { return i < raw.size() ? raw[i] : '\0'; };
    qsizetype i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '\\') {
            const char next = at(i + 1);
            if (next == '\'' && IsHexDigit(at(i + 2)) && IsHexDigit(at(i + 3))) {
                const char byte = char(raw.mid(i + 2, 2).toInt(nullptr, 16));
                if (byte != 0)
                    toCommand(FromAnsiByte(byte));
                i += 4;
                continue;
            }
            if (next == 'u' && IsAsciiDigit(at(i + 2))) {
                qsizetype j = i + 2;
                int code = 0;
                while (IsAsciiDigit(at(j)))
                    code = qMin(code * 10 + (raw[j++] - '0'), 0xFFFF);
                toCommand(QChar(code));
                fallbackToDrop = skip.Count();
                out.usesUnicodeSkip = true;
                if (at(j) == ' ')
                    ++j;
                i = j;
                continue;
            }
            if (next == '\\' || next == '{' || next == '}') {
                toCommand(QChar::fromLatin1(next));
                i += 2;
                continue;
            }
            if (next == '~') {
                toCommand(u' ');
                i += 2;
                continue;
            }
            qsizetype j = i + 1;
            while (j < raw.size() && raw[j] != '\\' && raw[j] != ' ' && raw[j] != '{' && raw[j] != '}')
                ++j;
            const QByteArray name = raw.mid(i + 1, j - i - 1);
            if (at(j) == ' ')
                ++j;
            if (name == "lquote" || name == "rquote") {
                toCommand(u'\'');
            } else if (name == "ldblquote") {
                toCommand(QChar(0x201C));
            } else if (name == "rdblquote") {
                toCommand(QChar(0x201D));
            } else {
                out.codes += FromAnsi(raw.mid(i, j - i));
                if (name.startsWith("uc") && name.size() > 2) {
                    bool ok = false;
                    const int number = name.mid(2).toInt(&ok);
                    if (ok)
                        skip.SetCount(number);
                    out.usesUnicodeSkip = true;
                }
            }
            i = j;
            continue;
        }
        if (c == '{') {
            if (raw.mid(i + 1, 5) == "\\*\\pn" && (at(i + 6) == ' ' || IsAsciiLetter(at(i + 6)))) {
                const qint64 end = FindGroupEnd(raw, i);
                const qsizetype stop = end < 0 ? raw.size() : qsizetype(end);
                out.codes += FromAnsi(raw.mid(i, stop - i));
                i = stop;
                continue;
            }
            out.codes += u'{';
            skip.Open();
            out.usesUnicodeSkip = true;
            ++i;
            continue;
        }
        if (c == '}') {
            out.codes += u'}';
            skip.Close();
            out.usesUnicodeSkip = true;
            ++i;
            continue;
        }
        const QChar ch = FromAnsiByte(c);
        if (GoesToCommandText(ch))
            toCommand(ch);
        else
            out.codes += ch;
        ++i;
    }
    out.command = NormaliseCommandText(out.command);
    return out;
}

QString TRpTemplateCompiler::NormaliseCommandText(const QString &text)
{
    const QString trimmed = text.trimmed();
    QString result;
    result.reserve(trimmed.size());
    QChar closing;
    bool inBrackets = false;
    for (const QChar ch : trimmed) {
        if (!closing.isNull()) {
            result += ch;
            if (ch == closing)
                closing = QChar();
            continue;
        }
        switch (ch.unicode()) {
        case '"': case '\'': case '`': case '~': closing = ch; break;
        case 0xAB: case 0xBB: closing = QChar(0xBB); break;
        case 0x201C: case 0x201D: closing = QChar(0x201D); break;
        case '[': inBrackets = true; continue;
        case ']': inBrackets = false; continue;
        case ' ':
            if (!inBrackets)
                continue;
            break;
        default: break;
        }
        result += ch;
    }
    return result.trimmed();
}

// --- ClassifyCommand and compiling fields ---------------------------------------------

TRpTemplateCompiler::TRpCommandClass TRpTemplateCompiler::ClassifyCommand(const QString &commandText)
{
    const QString upper = commandText.toUpper();
    const auto callFrom = [&](const char *prefix, int minimumPosition) {
        return upper.startsWith(QLatin1String(prefix)) && upper.indexOf(u')') + 1 >= minimumPosition;
    };
    if (callFrom("SCAN(", 6))
        return ccScan;
    if (upper.startsWith(u"SCANENTRY"))
        return ccScanEntry;
    if (upper.startsWith(u"SCANFOOTER"))
        return ccScanFooter;
    if (upper.startsWith(u"ENDSCAN"))
        return ccEndScan;
    if (callFrom("IF(", 5))
        return ccIf;
    if (upper.startsWith(u"ENDIF"))
        return ccEndIf;
    if (upper.startsWith(u"ELSE"))
        return ccElse;
    if (callFrom("ELSIF(", 8))
        return ccElsIf;
    return ccField;
}

// Templates repeat their fields (a scan's columns, the same condition in
// many places): each distinct text is split and classified once a run.
// A split that reads or changes the "\uc" count in force is made anew
// each time, as it must change that count for the text after it.
TRpTemplateCompiler::TRpFieldText &TRpTemplateCompiler::FieldText(const QByteArray &rawText)
{
    if (const auto found = m_fieldTexts.find(rawText); found != m_fieldTexts.end())
        return *found;
    TRpFieldText text;
    text.split = SplitFieldText(rawText);
    text.kind = ClassifyCommand(text.split.command);
    if (text.kind != ccField)
        text.items = CommandItems(text.split.command);
    if (text.split.usesUnicodeSkip) {
        m_unsharedFieldText = std::move(text);
        return m_unsharedFieldText;
    }
    // A template of ever new fields keeps only the latest ones.
    if (m_fieldTexts.size() >= MaxFieldTexts)
        m_fieldTexts.clear();
    return *m_fieldTexts.insert(rawText, std::move(text));
}

TRpTemplateCompiler::TRpRecordMark TRpTemplateCompiler::MarkRecords() const
{
    return {m_commands->Count(), m_iifCounter};
}

TRpRecordRun TRpTemplateCompiler::RecordsSince(const TRpRecordMark &mark) const
{
    TRpRecordRun run;
    run.records = m_commands->RecordsFrom(mark.position);
    if (run.records.empty()) {
        // Plain text that went into the record before.
        TRpCommand copy;
        copy.kind = cmCopyText;
        run.records.push_back(copy);
    }
    run.iifBase = mark.iifCounter;
    run.iifCount = m_iifCounter - mark.iifCounter;
    return run;
}

// Writes what a text compiled to before, at the position reached now.
// False when the text has not been compiled yet.
bool TRpTemplateCompiler::WriteCompiledAgain(const std::optional<TRpRecordRun> &compiled, int block)
{
    if (!compiled)
        return false;
    m_commands->WriteRun(*compiled, m_template.position, block, m_iifCounter);
    m_iifCounter += compiled->iifCount;
    return true;
}

void TRpTemplateCompiler::CompileField(const QByteArray &rawText, TRpFieldText &text)
{
    const int commandPnt = m_kwdPnt;
    switch (text.kind) {
    case ccScan: CompileScan(text, commandPnt); return;
    case ccScanEntry: CompileScanEntry(text, commandPnt); return;
    case ccScanFooter: CompileScanFooter(text, commandPnt); return;
    case ccEndScan: CompileEndScan(text, commandPnt); return;
    case ccIf: CompileIf(text, commandPnt); return;
    case ccEndIf: CompileEndIf(text, commandPnt); return;
    case ccElse: CompileElse(text, commandPnt); return;
    case ccElsIf: CompileElsIf(text, commandPnt); return;
    case ccField: break;
    }
    // A field's records depend on its text alone, but for the block it is in.
    const int block = m_blocks->InnermostNumber();
    if (WriteCompiledAgain(text.compiled, block))
        return;
    const TRpRecordMark mark = MarkRecords();
    CompileSimpleField(text.split.command, text.split, rawText);
    text.compiled = RecordsSince(mark);
}

// The field record of a variable, literal or data-field token.
TRpRowContent TRpTemplateCompiler::OperandField(const QString &text, int *kind)
{
    const TRpToken token = ClassifyToken(text, m_report.Options().testFlag(eoDotAsColon));
    TRpRowContent field;
    *kind = KindOfToken(token.kind);
    field.Field = token.token;
    if (token.kind == tkString)
        field.Field = token.token.mid(1, token.token.size() - 2);
    if (token.kind == tkDataFieldDot || token.kind == tkDataFieldColon) {
        qsizetype separator = token.token.indexOf(u':');
        const qsizetype dot = token.token.indexOf(u'.');
        if (separator < 0 || (dot >= 0 && dot < separator))
            separator = dot;
        field.Dalias = token.token.left(separator).trimmed();
        if (field.Dalias.size() > 1)
            field.Dalias = field.Dalias.toUpper();
        field.Field = token.token.mid(separator + 1);
    }
    return field;
}

void TRpTemplateCompiler::CompileSimpleField(const QString &commandText, const TRpSplitText &split, const QByteArray &rawText)
{
    const int pnt = m_template.position;
    const bool dotAsColon = m_report.Options().testFlag(eoDotAsColon);
    const TRpParsedFormat parsed = ParseFormatFunction(commandText, m_report.FormatSettings(), m_commands->Strings(), m_report.UDFList());
    const QString text = parsed.expression.trimmed();
    const TRpToken token = ClassifyToken(text, dotAsColon);
    if (token.kind == tkNothing) {
        m_commands->WriteCopyText(pnt);
        return;
    }
    TRpRowContent field;
    if (token.kind != tkOperator && token.kind != tkFunctionCall && token.rest.trimmed().isEmpty()) {
        int kind = cmCopyText;
        field = OperandField(text, &kind);
        field.fmt = parsed.format;
        field.sout = split.codes;
        field.stestf = u"\\\\"_qs + FromAnsi(rawText) + u"\\\\"_qs;
        m_commands->WriteField(kind, pnt, field);
        return;
    }
    const TRpExpressionCall call = ExpressionCall(text, token.kind == tkFunctionCall && token.rest.trimmed().isEmpty());
    if (!call.id) {
        if (m_report.Options().testFlag(eoClearMissedFields))
            m_commands->WriteFormatting(pnt, split.codes);
        else
            m_commands->WriteCopyText(pnt);
        return;
    }
    field.fmt = parsed.format;
    field.sout = split.codes;
    field.stestf = u"\\\\"_qs + FromAnsi(rawText) + u"\\\\"_qs;
    field.Field = text;
    CompileCallExpression(*call.id, field, true, false, m_blocks->InnermostNumber(), [&] { CompileArguments(call); });
}

void TRpTemplateCompiler::CompileExpression(const QString &callText, const TRpRowContent &field, bool output, bool manage,
                               int block)
{
    const TRpFunctionCall call = ParsedCall(callText);
    if (!call.isCall)
        throw EIllegalFunctionUse(u"Function not found: "_qs + callText);
    TRpRowContent expression = field;
    if (expression.Field.isEmpty())
        expression.Field = callText;
    CompileCallExpression(call.id, expression, output, manage, block, [&] { CompileArguments(call); });
}

// The expression record of a call, its arguments' records and its end.
void TRpTemplateCompiler::CompileCallExpression(int id, const TRpRowContent &field, bool output, bool manage, int block,
                                                const std::function<void()> &compileArguments)
{
    const int pnt = m_template.position;
    TRpRowContent expression = field;
    expression.NField = id;
    expression.ftype = rcdata;
    expression.Defined = true;
    expression.DefinedType = 0;
    const int position = m_commands->WriteExpression(pnt, expression, output, manage, block);
    compileArguments();
    m_commands->WriteMark(cmExpressionEnd, pnt);
    bool constant = true;
    for (int at = position + 1; constant && at < m_commands->Count() - 1; ++at) {
        const TRpCommand &command = m_commands->At(at);
        switch (command.kind) {
        case cmNumber: case cmString: case cmBoolean: case cmDate: break;
        case cmOperation: constant = IsPureOperator(command.functionId); break;
        default: constant = false; break;
        }
    }
    m_commands->At(position).flag = constant ? 1 : 0;
}

TRpTemplateCompiler::TRpExpressionCall TRpTemplateCompiler::ExpressionCall(const QString &text, bool oneCall)
{
    TRpExpressionCall call;
    if (!oneCall) {
        call.infix = InfixCalls(text);
        if (call.infix->splitsBack) {
            call.id = InfixCallFunction(call.infix->call, m_report.UDFList());
            return call;
        }
    }
    call.parsed = ParsedCall(oneCall ? text : InfixCallText(call.infix->call));
    call.infix.reset();
    if (call.parsed.isCall)
        call.id = call.parsed.id;
    return call;
}

void TRpTemplateCompiler::CompileArguments(const TRpExpressionCall &call)
{
    if (call.infix)
        CompileInfixArguments(call.infix->call, *call.id);
    else
        CompileArguments(call.parsed);
}

// The records of a call around its arguments': each argument is compiled
// between BeginCall and EndCall, with AfterArgument after it. The callers
// loop themselves, so that a formula nested thousands deep costs one frame a
// level: its nesting is bounded only by the field's length.
TRpTemplateCompiler::TRpCallRecords TRpTemplateCompiler::BeginCall(int id)
{
    const bool iif = id == fnIif;
    return {m_template.position, iif, iif ? ++m_iifCounter : 0};
}

void TRpTemplateCompiler::AfterArgument(const TRpCallRecords &call, int argument)
{
    if (call.iif && argument < 3)
        m_commands->WriteOperation(call.pnt, iifAfterCondition - argument, 1, call.sequence);
}

void TRpTemplateCompiler::EndCall(const TRpCallRecords &call, int id, int count)
{
    m_commands->WriteOperation(call.pnt, id, count, call.sequence);
}

void TRpTemplateCompiler::CompileArguments(const TRpFunctionCall &call)
{
    const TRpCallRecords records = BeginCall(call.id);
    const int count = int(call.arguments.size());
    for (int i = 0; i < count; ++i) {
        CompileArgument(call.arguments.at(i).trimmed());
        AfterArgument(records, i);
    }
    EndCall(records, call.id, count);
}

// The arguments of an infix call, walked in the tree: reading them again
// from call text would split the text of every nested call at each level.
void TRpTemplateCompiler::CompileInfixArguments(const TRpInfixNode &call, int id)
{
    const TRpCallRecords records = BeginCall(id);
    const int count = int(call.arguments.size());
    for (int i = 0; i < count; ++i) {
        const TRpInfixNode &argument = call.arguments[std::size_t(i)];
        if (!argument.isCall) {
            CompileArgument(argument.text.trimmed());
        } else {
            const std::optional<int> nested = InfixCallFunction(argument, m_report.UDFList());
            if (!nested)
                throw EIllegalFunctionUse(u"Function not found: "_qs + InfixCallText(argument));
            CompileInfixArguments(argument, *nested);
        }
        AfterArgument(records, i);
    }
    EndCall(records, id, count);
}

void TRpTemplateCompiler::CompileArgument(const QString &argument)
{
    const int pnt = m_template.position;
    if (const int keyword = FormatKeywordOf(argument))
        throw EIllegalFunctionUse(u"Illegal function use: expression "_qs + argument + u" has format function "_qs
                                  + QLatin1String(RpFormatKeywords[keyword].keyword)
                                  + u", which is not allowed within another expression"_qs);
    const TRpToken token = ClassifyToken(argument, m_report.Options().testFlag(eoDotAsColon));
    if (token.kind == tkNothing)
        throw EIllegalFunctionUse(u"Cannot use "_qs + (argument.isEmpty() ? u"empty string"_qs : argument)
                                  + u" as argument for another expression"_qs);
    if (token.kind == tkOperator || token.kind == tkFunctionCall || !token.rest.trimmed().isEmpty()) {
        const TRpExpressionCall nested
            = ExpressionCall(argument, token.kind == tkFunctionCall && token.rest.trimmed().isEmpty());
        if (!nested.id)
            throw EIllegalFunctionUse(u"Function not found: "_qs + argument);
        CompileArguments(nested);
    } else {
        int kind = cmCopyText;
        TRpRowContent field = OperandField(argument, &kind);
        m_commands->WriteField(kind, pnt, field);
    }
}

// Templates repeat their expressions: each text is parsed once a run.
TRpFunctionCall TRpTemplateCompiler::ParsedCall(const QString &callText)
{
    auto found = m_parsedCalls.constFind(callText);
    if (found == m_parsedCalls.constEnd())
        found = m_parsedCalls.insert(callText, ParseFunctionCall(callText, m_report.UDFList()));
    return *found;
}

std::shared_ptr<const TRpInfix> TRpTemplateCompiler::InfixCalls(const QString &expressionText)
{
    auto found = m_infixCalls.constFind(expressionText);
    if (found == m_infixCalls.constEnd())
        found = m_infixCalls.insert(expressionText, std::make_shared<const TRpInfix>(
            ParseInfixCalls(expressionText, m_report.Options().testFlag(eoDotAsColon))));
    return *found;
}

// --- the pass -----------------------------------------------------------------------

TRpTemplateCompiler::TRpTemplateCompiler(TRpBaseReport &report, TRpRtfDocument &document, TRpAliasKnown aliasKnown)
    : m_report(report), m_document(document), m_aliasKnown(std::move(aliasKnown))
{
}

// A compiler reads one template: its caches belong to that template.
void TRpTemplateCompiler::Reset(const QByteArray &bytes)
{
    m_template.bytes = bytes;
    m_template.position = 1;
    m_failurePnt = 0;
    m_unicodeSkip.Reset();
}

void TRpTemplateCompiler::Fail(int pnt)
{
    if (m_failurePnt == 0)
        m_failurePnt = pnt;
}

std::shared_ptr<const TRpCompiledTemplate> TRpTemplateCompiler::Compile(const QByteArray &bytes,
                                                                         const TRpCompileSettings &settings)
{
    Reset(bytes);
    auto compiled = std::make_shared<TRpCompiledTemplate>();
    compiled->m_bytes = bytes;
    compiled->m_settings = settings;
    m_compiled = compiled;
    m_commands = &compiled->m_commands;
    m_blocks = &compiled->m_blocks;
    const auto done = qScopeGuard([this] {
        m_compiled.reset();
        m_commands = nullptr;
        m_blocks = nullptr;
    });
    CompilePass();
    if (const TRpBlock *open = m_blocks->Innermost()) {
        Fail(m_commands->At(open->cmPosition).pnt);
        if (open->IsScan())
            throw EIllegalScanUse(QStringLiteral("Nesting error - endscan expected, but end of document found"));
        throw EIllegalIFUse(QStringLiteral("Endif expected, but end of document found"));
    }
    compiled->m_header = m_document;
    compiled->m_header.SetOutput(nullptr);
    return compiled;
}

void TRpTemplateCompiler::CompilePass()
{
    m_commands->WriteMark(cmStart, 1);
    m_unicodeSkip.Reset();
    for (;;) {
        const TRpReadField read = ReadNextField();
        if (!read.found)
            break;
        if (read.rawText.isEmpty()) {
            m_commands->WriteCopyText(m_template.position);  // an empty or unclosed field stays as typed
            continue;
        }
        try {
            CompileField(read.rawText, FieldText(read.rawText));
        } catch (...) {
            Fail(m_kwdPnt + 1);
            throw;
        }
    }
    m_commands->WriteMark(cmEnd, m_template.Length() + 1);
}

} // namespace rtfreport

// The compile pass: walking the template, reading fields between backslash
// delimiters, splitting and classifying their text, and writing the command
// stream.

#include "rprtf.h"

#include "rpconst.h"
#include "rperrors.h"
#include "rpexpression.h"
#include "rpformat.h"
#include "rprtf_codepage.h"
#include "rprtf_controlwords.h"
#include "rprtf_io.h"
#include "rptemplate.h"

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

int TRpRTF::BoundaryWordLength(int pnt) const
{
    if (m_template.WordAt(pnt, "\\par"))
        return 4;
    for (const char *word : LineEndWords)
        if (m_template.WordAt(pnt, word))
            return int(qstrlen(word));
    return 0;
}

bool TRpRTF::SkippedGroupAt(int pnt) const
{
    // pnt stands just after the "{"; every word begins with a backslash.
    if (m_template.At(pnt) != '\\')
        return false;
    for (const char *word : SkippedGroupWords) {
        if (Options().testFlag(eoProcessFormFields) && qstrcmp(word, "\\field") == 0)
            continue;
        if (m_template.WordAt(pnt, word))
            return true;
    }
    return false;
}

bool TRpRTF::FieldDelimiterAt(int pnt, int *length) const
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

bool TRpRTF::ReadHeaderGroup()
{
    struct HeaderGroup {
        const char *word;
        int kind;
        bool TRpRtfDocument::*met;
        void (TRpRtfDocument::*read)(TRpTemplateScanner &);
        bool listOnly;
    };
    static const HeaderGroup groups[] = {
        {"\\fonttbl", cmFontTable, &TRpRtfDocument::FIsFontTable, &TRpRtfDocument::LoadFontTable, false},
        {"\\colortbl", cmColorTable, &TRpRtfDocument::FIsColorTable, &TRpRtfDocument::LoadColorTable, false},
        {"\\stylesheet", cmStyleSheet, &TRpRtfDocument::FIsStyle, &TRpRtfDocument::LoadStyleSheet, false},
        {"\\info", cmDocInfo, &TRpRtfDocument::FIsDocInfo, &TRpRtfDocument::LoadDocInfo, false},
        {"\\*\\listtable", cmListTable, &TRpRtfDocument::FIsListTable, &TRpRtfDocument::ProcessListTable, true},
        {"\\*\\listoverridetable", cmListOverrideTable, &TRpRtfDocument::FIsListOverrideTable,
         &TRpRtfDocument::ProcessListOverrideTable, true},
    };
    if (m_template.At(m_template.Fpnt) != '\\')  // every word begins with a backslash
        return false;
    for (const HeaderGroup &group : groups) {
        if (m_document.*group.met || (group.listOnly && !Options().testFlag(eoProcessLists)))
            continue;
        if (!m_template.WordAt(m_template.Fpnt, group.word))
            continue;
        TRpBufferScanner scanner(m_template.Bytes, m_template.Fpnt - 1);
        (m_document.*group.read)(scanner);
        m_template.Fpnt = int(scanner.Pos()) + 1;
        m_document.*group.met = true;
        FCm->WriteMark(group.kind, m_template.Fpnt);
        return true;
    }
    return false;
}

// The control words that steer the compile pass: line boundaries, table
// marks and "\uc". True when the word was copied here (a table's end).
bool TRpRTF::ReadControlWord(int p)
{
    TRpTemplateBuffer &t = m_template;
    if (BoundaryWordLength(p) > 0)
        m_compiler.lastBoundaryPnt = p;
    if (t.WordAt(p, "\\trowd")) {
        FCm->WriteMark(cmTableStart, p);
        m_document.FInTable = m_compiler.tableRowOpen = true;
    } else if (t.WordAt(p, "\\row")) {
        t.Fpnt = p + 4;
        FCm->WriteCopyText(t.Fpnt);
        FCm->WriteMark(cmTableEnd, t.Fpnt);
        m_document.FInTable = m_compiler.tableRowOpen = false;
        return true;
    } else if (t.PrefixAt(p, "\\intbl")) {
        FCm->WriteMark(cmTableStart, p);
        m_document.FInTable = true;
    } else if (t.PrefixAt(p, "\\pard") && m_document.FInTable && !m_compiler.tableRowOpen) {
        t.Fpnt = p + 5;
        FCm->WriteCopyText(t.Fpnt);
        FCm->WriteMark(cmTableEnd, t.Fpnt);
        m_document.FInTable = false;
        return true;
    } else if (t.PrefixAt(p, "\\uc") && IsAsciiDigit(t.At(p + 3))) {
        int number = 0;
        for (int q = p + 3; IsAsciiDigit(t.At(q)); ++q)
            number = qMin(number * 10 + (t.At(q) - '0'), 1000);
        m_compiler.unicodeSkip.SetCount(number);
    }
    return false;
}

// Where a run of plain characters starting at pnt ends: at a backslash,
// a brace or the end of the template. The run is copied by one record.
int TRpRTF::PlainRunEnd(int pnt) const
{
    const QByteArray &bytes = m_template.Bytes;
    qsizetype i = pnt;  // the 0-based index of the character after pnt
    while (i < bytes.size() && bytes[i] != '\\' && bytes[i] != '{' && bytes[i] != '}')
        ++i;
    return int(i) + 1;
}

TRpReadField TRpRTF::ReadNextField()
{
    TRpTemplateBuffer &t = m_template;
    while (!t.AtEnd()) {
        const int p = t.Fpnt;
        const char c = t.At(p);
        if (c == '\\') {
            int delimiter = 0;
            if (FieldDelimiterAt(p, &delimiter)) {
                m_compiler.previousKwdPnt = m_compiler.kwdPnt;
                m_compiler.kwdPnt = p;
                t.Fpnt = p + delimiter;
                return {true, ReadFieldBody()};
            }
            // Boundaries, table marks and "\uc" are control words: they begin with a letter.
            if (IsAsciiLetter(t.At(p + 1)) && ReadControlWord(p))
                continue;
            // A control symbol ("\{", "\}", "\'e6", ...) is copied as one unit,
            // so that an escaped brace is never taken for a group.
            const char next = t.At(p + 1);
            if (next == '\'' && IsHexDigit(t.At(p + 2)) && IsHexDigit(t.At(p + 3)))
                t.Fpnt = p + 4;
            else if (!IsAsciiLetter(next) && next != TRpTemplateScanner::EndOfTemplate)
                t.Fpnt = p + 2;
            else
                t.Fpnt = p + 1;
            FCm->WriteCopyText(t.Fpnt);
            continue;
        }
        if (c == '{') {
            t.Fpnt = p + 1;
            if (ReadHeaderGroup())
                continue;
            if (SkippedGroupAt(t.Fpnt)) {
                const qint64 end = FindGroupEnd(t.Bytes, p - 1);
                t.Fpnt = end < 0 ? t.Flent() + 1 : int(end) + 1;
                FCm->WriteMark(cmCopyGroup, t.Fpnt);
                continue;
            }
            m_compiler.unicodeSkip.Open();
        } else if (c == '}') {
            t.Fpnt = p + 1;
            m_compiler.unicodeSkip.Close();
        } else {
            t.Fpnt = PlainRunEnd(p);
        }
        FCm->WriteCopyText(t.Fpnt);
    }
    return {};
}

// --- the field body --------------------------------------------------------------

int TRpRTF::QuoteOpening(int pnt, int *length) const
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

bool TRpRTF::HexEscapeIs(int pnt, const char *hex) const
{
    const TRpTemplateBuffer &t = m_template;
    return t.At(pnt) == '\\' && t.At(pnt + 1) == '\'' && (t.At(pnt + 2) | 0x20) == hex[0]
           && (t.At(pnt + 3) | 0x20) == hex[1];
}

// A quotation word's length with the one blank that may follow it.
int TRpRTF::WordWithBlankLength(int pnt, const char *word) const
{
    const int size = int(qstrlen(word));
    return size + (m_template.At(pnt + size) == ' ' ? 1 : 0);
}

bool TRpRTF::QuoteClosing(int pnt, int quote, int *length) const
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
TRpRTF::TRpBodyStep TRpRTF::FieldBodyStep(int pnt, int quote) const
{
    const TRpTemplateBuffer &t = m_template;
    if (pnt > t.Flent())
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
TRpRTF::TRpBodyStep TRpRTF::FieldBodyEnd(int pnt)
{
    // Inside the text a long body covered, the next ones are likely long too.
    if (pnt < m_compiler.bodyMemoReach)
        return LongFieldBodyEnd(pnt);
    TRpBodyStep step{TRpBodyStep::Next, pnt, 0};
    const char *bytes = m_template.Bytes.constData();
    const int last = m_template.Flent();
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
TRpRTF::TRpBodyStep TRpRTF::LongFieldBodyEnd(int pnt)
{
    // Reads start further on each time: what lies before cannot be met again.
    m_compiler.bodyMemo.DropBefore(pnt);
    auto &visited = m_compiler.bodyVisited;
    visited.clear();
    int taken = 0;
    int quote = 0;
    TRpBodyMemo outcome{TRpBodyStep::Next, 0, pnt, 0};
    while (taken < MaxFieldLength) {
        visited.push_back({pnt, quote, taken});
        if (const TRpBodyMemo *known = m_compiler.bodyMemo.Find(pnt, quote)) {
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
    m_compiler.bodyMemoReach = qMax(m_compiler.bodyMemoReach, pnt);
    // Every node met learns the outcome, as seen from itself.
    const int end = outcome.kind == TRpBodyStep::Next ? taken : taken + outcome.steps;
    for (const TRpBodyVisit &node : visited) {
        TRpBodyMemo &memo = m_compiler.bodyMemo[{node.pnt, node.quote}];
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
QByteArray TRpRTF::ReadFieldBody()
{
    TRpTemplateBuffer &t = m_template;
    const int bodyStart = t.Fpnt;
    const TRpBodyStep end = FieldBodyEnd(bodyStart);
    if (end.kind != TRpBodyStep::Closed)
        return QByteArray();
    // The body is the text up to the closing delimiter, control characters left out.
    QByteArray body = t.Bytes.mid(bodyStart - 1, end.pnt - bodyStart);
    body.removeIf([](char c) { return quint8(c) < 32 && c != '\n' && c != '\t'; });
    t.Fpnt = end.pnt + end.quote;
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

TRpSplitText TRpRTF::SplitFieldText(const QByteArray &raw)
{
    return SplitFieldText(raw, m_compiler.unicodeSkip);
}

TRpSplitText TRpRTF::SplitFieldText(const QByteArray &raw, TRpUnicodeSkip &skip)
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

QString TRpRTF::NormaliseCommandText(const QString &text)
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

TRpRTF::TRpCommandClass TRpRTF::ClassifyCommand(const QString &commandText)
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
TRpRTF::TRpFieldText &TRpRTF::FieldText(const QByteArray &rawText)
{
    if (const auto found = m_compiler.fieldTexts.find(rawText); found != m_compiler.fieldTexts.end())
        return *found;
    TRpFieldText text;
    text.split = SplitFieldText(rawText);
    text.kind = ClassifyCommand(text.split.command);
    if (text.kind != ccField)
        text.items = CommandItems(text.split.command);
    if (text.split.usesUnicodeSkip) {
        m_compiler.unsharedFieldText = std::move(text);
        return m_compiler.unsharedFieldText;
    }
    // A template of ever new fields keeps only the latest ones.
    if (m_compiler.fieldTexts.size() >= MaxFieldTexts)
        m_compiler.fieldTexts.clear();
    return *m_compiler.fieldTexts.insert(rawText, std::move(text));
}

TRpRTF::TRpRecordMark TRpRTF::MarkRecords() const
{
    return {FCm->Count(), m_compiler.iifCounter};
}

TRpRecordRun TRpRTF::RecordsSince(const TRpRecordMark &mark) const
{
    TRpRecordRun run;
    run.records = FCm->RecordsFrom(mark.position);
    if (run.records.empty()) {
        // Plain text that went into the record before.
        TRpCommand copy;
        copy.kind = cmCopyText;
        run.records.push_back(copy);
    }
    run.iifBase = mark.iifCounter;
    run.iifCount = m_compiler.iifCounter - mark.iifCounter;
    return run;
}

// Writes what a text compiled to before, at the position reached now.
// False when the text has not been compiled yet.
bool TRpRTF::WriteCompiledAgain(const std::optional<TRpRecordRun> &compiled, int block)
{
    if (!compiled)
        return false;
    FCm->WriteRun(*compiled, m_template.Fpnt, block, m_compiler.iifCounter);
    m_compiler.iifCounter += compiled->iifCount;
    return true;
}

void TRpRTF::CompileField(const QByteArray &rawText, TRpFieldText &text)
{
    const int commandPnt = m_compiler.kwdPnt;
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
    const int block = FScs->InnermostScanNum();
    if (WriteCompiledAgain(text.compiled, block))
        return;
    const TRpRecordMark mark = MarkRecords();
    CompileSimpleField(text.split.command, text.split, rawText);
    text.compiled = RecordsSince(mark);
}

// The field record of a variable, literal or data-field token.
TRpRowContent TRpRTF::OperandField(const QString &text, int *kind)
{
    const TRpToken token = ClassifyToken(text, Options().testFlag(eoDotAsColon));
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

void TRpRTF::CompileSimpleField(const QString &commandText, const TRpSplitText &split, const QByteArray &rawText)
{
    const int pnt = m_template.Fpnt;
    const bool dotAsColon = Options().testFlag(eoDotAsColon);
    const TRpParsedFormat parsed = ParseFormatFunction(commandText, FormatSettings(), FCm->Strings(), UDFList());
    const QString text = parsed.expression.trimmed();
    const TRpToken token = ClassifyToken(text, dotAsColon);
    if (token.kind == tkNothing) {
        FCm->WriteCopyText(pnt);
        return;
    }
    TRpRowContent field;
    if (token.kind != tkOperator && token.kind != tkFunctionCall && token.rest.trimmed().isEmpty()) {
        int kind = cmCopyText;
        field = OperandField(text, &kind);
        field.fmt = parsed.format;
        field.sout = split.codes;
        field.stestf = u"\\\\"_qs + FromAnsi(rawText) + u"\\\\"_qs;
        FCm->WriteField(kind, pnt, field);
        return;
    }
    const QString callText = token.kind == tkFunctionCall && token.rest.trimmed().isEmpty()
                                 ? text
                                 : InfixAsCall(text);
    const TRpFunctionCall call = ParsedCall(callText);
    if (!call.isCall) {
        if (Options().testFlag(eoClearMissedFields))
            FCm->WriteFormatting(pnt, split.codes);
        else
            FCm->WriteCopyText(pnt);
        return;
    }
    field.fmt = parsed.format;
    field.sout = split.codes;
    field.stestf = u"\\\\"_qs + FromAnsi(rawText) + u"\\\\"_qs;
    field.Field = text;
    CompileExpression(callText, field, true, false, FScs->InnermostScanNum());
}

void TRpRTF::CompileExpression(const QString &callText, const TRpRowContent &field, bool output, bool manage,
                               int block)
{
    const int pnt = m_template.Fpnt;
    const TRpFunctionCall call = ParsedCall(callText);
    if (!call.isCall)
        throw EIllegalFunctionUse(u"Function not found: "_qs + callText);
    TRpRowContent expression = field;
    if (expression.Field.isEmpty())
        expression.Field = callText;
    expression.NField = call.id;
    expression.ftype = rcdata;
    expression.Defined = true;
    expression.DefinedType = 0;
    const int position = FCm->WriteExpression(pnt, expression, output, manage, block);
    CompileArguments(call);
    FCm->WriteMark(cmExpressionEnd, pnt);
    bool constant = true;
    for (int at = position + 1; constant && at < FCm->Count() - 1; ++at) {
        const TRpCommand &command = FCm->At(at);
        switch (command.kind) {
        case cmNumber: case cmString: case cmBoolean: case cmDate: break;
        case cmOperation: constant = IsPureOperator(command.functionId); break;
        default: constant = false; break;
        }
    }
    FCm->At(position).flag = constant ? 1 : 0;
}

void TRpRTF::CompileArguments(const TRpFunctionCall &call)
{
    const int pnt = m_template.Fpnt;
    const bool dotAsColon = Options().testFlag(eoDotAsColon);
    const bool iif = call.id == fnIif;
    const int sequence = iif ? ++m_compiler.iifCounter : 0;
    for (int i = 0; i < call.arguments.size(); ++i) {
        const QString argument = call.arguments.at(i).trimmed();
        if (const int keyword = FormatKeywordOf(argument))
            throw EIllegalFunctionUse(u"Illegal function use: expression "_qs + argument + u" has format function "_qs
                                      + QLatin1String(RpFormatKeywords[keyword].keyword)
                                      + u", which is not allowed within another expression"_qs);
        const TRpToken token = ClassifyToken(argument, dotAsColon);
        if (token.kind == tkNothing)
            throw EIllegalFunctionUse(u"Cannot use "_qs + (argument.isEmpty() ? u"empty string"_qs : argument)
                                      + u" as argument for another expression"_qs);
        if (token.kind == tkOperator || token.kind == tkFunctionCall || !token.rest.trimmed().isEmpty()) {
            const QString nested = token.kind == tkFunctionCall && token.rest.trimmed().isEmpty()
                                       ? argument
                                       : InfixAsCall(argument);
            const TRpFunctionCall nestedCall = ParsedCall(nested);
            if (!nestedCall.isCall)
                throw EIllegalFunctionUse(u"Function not found: "_qs + argument);
            CompileArguments(nestedCall);
        } else {
            int kind = cmCopyText;
            TRpRowContent field = OperandField(argument, &kind);
            FCm->WriteField(kind, pnt, field);
        }
        if (iif && i < 3)
            FCm->WriteOperation(pnt, iifAfterCondition - i, 1, sequence);
    }
    FCm->WriteOperation(pnt, call.id, int(call.arguments.size()), sequence);
}

// Templates repeat their expressions: each text is parsed once a run.
TRpFunctionCall TRpRTF::ParsedCall(const QString &callText)
{
    auto found = m_compiler.parsedCalls.constFind(callText);
    if (found == m_compiler.parsedCalls.constEnd())
        found = m_compiler.parsedCalls.insert(callText, ParseFunctionCall(callText, UDFList()));
    return *found;
}

QString TRpRTF::InfixAsCall(const QString &expressionText)
{
    auto found = m_compiler.infixCalls.constFind(expressionText);
    if (found == m_compiler.infixCalls.constEnd())
        found = m_compiler.infixCalls.insert(expressionText, ParseInfix(expressionText, Options().testFlag(eoDotAsColon)));
    return *found;
}

// --- the pass -----------------------------------------------------------------------

void TRpRTF::CompilePass()
{
    FCm->WriteMark(cmStart, 1);
    m_compiler.unicodeSkip.Reset();
    for (;;) {
        const TRpReadField read = ReadNextField();
        if (!read.found)
            break;
        if (read.rawText.isEmpty()) {
            FCm->WriteCopyText(m_template.Fpnt);  // an empty or unclosed field stays as typed
            continue;
        }
        try {
            CompileField(read.rawText, FieldText(read.rawText));
        } catch (...) {
            LocateFailure(m_compiler.kwdPnt + 1);
            throw;
        }
    }
    FCm->WriteMark(cmEnd, m_template.Flent() + 1);
}

} // namespace rtfreport

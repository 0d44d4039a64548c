// Where a failed run's field stands in the template. Worked out only when a
// run fails, by reading the template again up to the failure, so that the
// compile pass keeps no more than the position of its current field.

#include "rptemplatecompiler.h"

#include "rpbasereport.h"

#include "rprtf_codepage.h"

#include <QStringDecoder>

#include <vector>

namespace rtfreport {

namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHex(char c)
{
    return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// Groups a word processor does not show as text, by their first word.
bool IsHiddenDestination(const QByteArray &word)
{
    static const char *const words[] = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "listtable", "listoverridetable", "rsidtbl",
        "generator", "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "fldinst",
        "object", "objdata", "filetbl", "revtbl", "nonshppict", "shpinst", "pgdsctbl", "bkmkstart", "bkmkend"};
    for (const char *hidden : words)
        if (word == hidden)
            return true;
    return false;
}

// The character a control word stands for: blanks for the breaks; 0 for
// any other word.
char16_t SymbolOfWord(const QByteArray &word)
{
    static const struct {
        const char *word;
        char16_t symbol;
    } symbols[] = {
        {"par", u' '}, {"line", u' '}, {"tab", u' '}, {"cell", u' '}, {"row", u' '}, {"sect", u' '},
        {"page", u' '}, {"emspace", u' '}, {"enspace", u' '}, {"emdash", 0x2014}, {"endash", 0x2013},
        {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"bullet", 0x2022},
    };
    for (const auto &s : symbols)
        if (word == s.word)
            return s.symbol;
    return 0;
}

// The characters of the bytes 128..255 in a Windows code page; empty when
// the platform has no such code page.
QString CodePageTable(int codePage)
{
    QByteArray high;
    for (int b = 128; b < 256; ++b)
        high += char(b);
    QStringDecoder decoder(QByteArray("windows-" + QByteArray::number(codePage)).constData());
    if (!decoder.isValid())
        return {};
    const QString text = decoder.decode(high);
    return text.size() == 128 ? text : QString();
}

} // namespace

QString VisibleTextBefore(const QByteArray &bytes, qsizetype end, int limit)
{
    end = qBound<qsizetype>(0, end, bytes.size());
    const auto at = [&](qsizetype i) { return i < end ? bytes[i] : '\0'; };
    QString text;
    bool cut = false;
    std::vector<bool> hidden{false};  // for each open group
    std::vector<int> savedSkip;
    int unicodeSkip = 1;
    int fallbackToDrop = 0;
    bool groupStart = false;
    QString highTable;  // empty: the engine's code page
    const auto add = [&](QChar ch) {
        if (fallbackToDrop > 0) {
            --fallbackToDrop;
            return;
        }
        if (hidden.back())
            return;
        if (ch.isSpace()) {
            if (!text.isEmpty() && !text.endsWith(u' '))
                text += u' ';
        } else {
            text += ch;
        }
        // Only the end is wanted: a long document keeps a short tail.
        if (text.size() > 4 * limit + 64) {
            text.remove(0, text.size() - 2 * limit - 32);
            cut = true;
        }
    };
    const auto decode = [&](char byte) {
        return quint8(byte) >= 128 && !highTable.isEmpty() ? highTable.at(quint8(byte) - 128) : FromAnsiByte(byte);
    };
    qsizetype i = 0;
    while (i < end) {
        const char c = bytes[i];
        if (c == '{') {
            hidden.push_back(hidden.back());
            savedSkip.push_back(unicodeSkip);
            groupStart = true;
            fallbackToDrop = 0;
            ++i;
            continue;
        }
        if (c == '}') {
            if (hidden.size() > 1)
                hidden.pop_back();
            if (!savedSkip.empty()) {
                unicodeSkip = savedSkip.back();
                savedSkip.pop_back();
            }
            groupStart = false;
            fallbackToDrop = 0;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        const bool atGroupStart = groupStart;
        groupStart = false;
        if (c != '\\') {
            add(c == '\t' ? QChar(u' ') : decode(c));
            ++i;
            continue;
        }
        const char next = at(i + 1);
        if (next == '\'' && IsHex(at(i + 2)) && IsHex(at(i + 3))) {
            const char byte = char(bytes.mid(i + 2, 2).toInt(nullptr, 16));
            if (byte != '\\')  // "\'5c" delimits a field
                add(decode(byte));
            i += 4;
            continue;
        }
        if (!IsLetter(next)) {
            switch (next) {
            case '*': if (atGroupStart) hidden.back() = true; break;
            case '{': case '}': add(QChar(next)); break;
            case '~': add(u' '); break;
            case '_': add(u'-'); break;
            default: break;  // "\\" delimits a field; "\-" is an optional hyphen
            }
            i += 2;
            continue;
        }
        qsizetype j = i + 1;
        while (IsLetter(at(j)))
            ++j;
        const QByteArray word = bytes.mid(i + 1, j - i - 1);
        bool hasNumber = false;
        bool negative = at(j) == '-' && IsDigit(at(j + 1));
        if (negative)
            ++j;
        qint64 number = 0;
        while (IsDigit(at(j))) {
            number = qMin<qint64>(number * 10 + (bytes[j] - '0'), 1 << 20);
            hasNumber = true;
            ++j;
        }
        if (negative)
            number = -number;
        if (at(j) == ' ')
            ++j;
        i = j;
        if (atGroupStart && IsHiddenDestination(word)) {
            hidden.back() = true;
        } else if (word == "u" && hasNumber) {
            add(QChar(char16_t(number < 0 ? number + 65536 : number)));
            fallbackToDrop = unicodeSkip;
        } else if (word == "uc" && hasNumber) {
            unicodeSkip = int(qMax<qint64>(0, number));
        } else if (word == "bin" && hasNumber) {
            i += qMax<qint64>(0, number);
        } else if (word == "ansicpg" && hasNumber) {
            highTable = number == 1250 ? QString() : CodePageTable(int(number));
        } else if (const char16_t symbol = SymbolOfWord(word)) {
            add(QChar(symbol));
        }
    }
    text = text.trimmed();
    if (text.size() > limit) {
        text = text.right(limit);
        if (text.at(0).isLowSurrogate())
            text.remove(0, 1);
        cut = true;
    }
    return cut ? QChar(0x2026) + text : text;
}

QString TRpErrorPlace::Text() const
{
    return u"field "_qs + QString::number(ordinal) + u" \""_qs + fieldText + u"\" at byte "_qs
           + QString::number(byteOffset)
           + (textBefore.isEmpty() ? u", at the beginning of the document"_qs
                                   : u", after \""_qs + textBefore + u'"');
}

// Finds the field whose opening delimiter is the last one before pnt: the
// fields are read again as the compile pass reads them, into a command
// stream of no use after.
TRpErrorPlace TRpTemplateCompiler::PlaceOfField(const QByteArray &bytes, int pnt)
{
    Reset(bytes);
    TRpCommandStream stream;
    m_commands = &stream;
    TRpErrorPlace place;
    for (;;) {
        const TRpReadField read = ReadNextField();
        if (!read.found || m_kwdPnt >= pnt)
            break;
        if (read.rawText.isEmpty())
            continue;  // an empty or unclosed field is copied as typed
        ++place.ordinal;
        place.byteOffset = m_kwdPnt - 1;
        place.fieldText = u'\\' + SplitFieldText(read.rawText).command + u'\\';
    }
    m_commands = nullptr;
    if (place.IsKnown())
        place.textBefore = VisibleTextBefore(bytes, place.byteOffset, 30);
    return place;
}

} // namespace rtfreport

#include "messagetext.h"

#include "rprtfstream.h"
#include "textencoding.h"

#include <QBuffer>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

#include <optional>

namespace service {

namespace {

const char *const kSystemCodePage = "windows-1250";

// Groups nested deeper than this are skipped whole: real documents stay far
// below it, and the reader's memory stays bounded.
constexpr int kMaxGroupDepth = 512;

// Destinations whose content is not body text: tables, document data,
// pictures, objects, headers and footers, notes and the like.
const QSet<QByteArray> &skippedDestinations()
{
    static const QSet<QByteArray> words = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "objdata", "header", "headerl", "headerr",
        "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "themedata",
        "colorschememapping", "latentstyles", "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator",
        "xmlnstbl", "filetbl", "pn", "nonshppict", "shppict", "shp", "shpinst", "do", "xe", "tc", "txe", "template",
        "userprops", "docvar", "datastore", "mmathPr", "pgdsctbl", "atnid", "atnauthor", "result"};
    return words;
}

// Control words that stand for one character.
const QHash<QByteArray, QChar> &characterWords()
{
    static const QHash<QByteArray, QChar> words = {
        {"line", QChar::LineSeparator}, {"tab", QLatin1Char('\t')}, {"cell", QLatin1Char('\t')},
        {"nestcell", QLatin1Char('\t')}, {"emdash", QChar(0x2014)}, {"endash", QChar(0x2013)},
        {"bullet", QChar(0x2022)}, {"lquote", QChar(0x2018)}, {"rquote", QChar(0x2019)},
        {"ldblquote", QChar(0x201C)}, {"rdblquote", QChar(0x201D)}, {"emspace", QLatin1Char(' ')},
        {"enspace", QLatin1Char(' ')}, {"qmspace", QLatin1Char(' ')}};
    return words;
}

// Control words that end a paragraph.
bool endsParagraph(const QByteArray &word)
{
    return word == "par" || word == "sect" || word == "page" || word == "row";
}

// The words of a field instruction; quoted words keep their blanks.
struct FieldWord {
    QString text;
    bool quoted = false;
};

QList<FieldWord> fieldWords(const QString &instruction)
{
    QList<FieldWord> words;
    qsizetype i = 0;
    const qsizetype n = instruction.size();
    while (i < n) {
        if (instruction[i].isSpace()) {
            ++i;
            continue;
        }
        FieldWord word;
        if (instruction[i] == QLatin1Char('"')) {
            word.quoted = true;
            const qsizetype close = instruction.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            word.text = instruction.mid(i + 1, end - i - 1);
            i = end + 1;
        } else {
            const qsizetype start = i;
            while (i < n && !instruction[i].isSpace())
                ++i;
            word.text = instruction.mid(start, i - start);
        }
        words.append(word);
    }
    return words;
}

// The web address a HYPERLINK field leads to; empty for any other field,
// for a link within the document (\l) and for an address not on the web.
QString hyperlinkOf(const QString &instruction)
{
    const QList<FieldWord> words = fieldWords(instruction);
    if (words.isEmpty() || words.first().text.compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return {};
    for (qsizetype i = 1; i < words.size(); ++i) {
        const FieldWord &word = words[i];
        if (word.quoted || !word.text.startsWith(QLatin1Char('\\')))
            return webLink(word.text);
        const QString option = word.text.toLower();
        if (option == QLatin1String("\\l"))
            return {};
        if (option == QLatin1String("\\o") || option == QLatin1String("\\t"))
            ++i;  // its argument
    }
    return {};
}

bool isTextControl(QChar c) { return c.category() == QChar::Other_Control && c != QLatin1Char('\t'); }

void appendText(Paragraph &paragraph, const QString &text, const TextRun &look)
{
    if (text.isEmpty())
        return;
    if (!paragraph.runs.isEmpty() && paragraph.runs.last().sameLook(look)) {
        paragraph.runs.last().text += text;
        return;
    }
    TextRun run = look;
    run.text = text;
    paragraph.runs.append(run);
}

enum class Destination { Text, FieldInstruction, Skipped };

struct GroupState {
    bool bold = false;
    bool italic = false;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;  // \ucN: characters that follow \uN for readers without Unicode
    int field = -1;       // the field whose parts this group holds
    QString link;
};

class RtfReader {
public:
    explicit RtfReader(const QByteArray &rtf) : m_bytes(rtf)
    {
        // A zero byte ends the token stream; a blank in its place keeps the
        // count of bytes that \bin skips.
        m_bytes.replace('\0', ' ');
        m_buffer.setBuffer(&m_bytes);
        m_buffer.open(QIODevice::ReadOnly);
        m_stream.emplace(nullptr, &m_buffer);
    }

    MessageText read();

private:
    void token(rtfreport::TRPkwType kind);
    void openGroup();
    // False when the document's outermost group closed.
    bool closeGroup();
    void controlWord(const QByteArray &word, const QByteArray &parameter);
    void controlSymbol(char symbol);
    void textByte(char byte);
    void flushBytes();
    void addText(const QString &text);
    void newParagraph();
    void skipBinary(qint64 bytes);
    bool skipping() const { return m_overflow > 0 || m_state.destination == Destination::Skipped; }

    QByteArray m_bytes;
    QBuffer m_buffer;
    std::optional<rtfreport::TRpStream> m_stream;
    QList<GroupState> m_saved;
    GroupState m_state;
    int m_overflow = 0;          // groups opened beyond kMaxGroupDepth and not yet closed
    bool m_starred = false;      // "\*" came: an unknown destination is skipped
    int m_fallbackLeft = 0;      // characters after \uN still to drop
    QByteArray m_pendingBytes;   // 8-bit text not yet decoded
    QStringDecoder m_decoder{kSystemCodePage};
    QStringList m_fieldInstructions;
    MessageText m_text{Paragraph()};
};

MessageText RtfReader::read()
{
    using namespace rtfreport;
    for (;;) {
        const TRPkwType kind = m_stream->ReadToken();
        if (kind == kwNone && m_stream->LastRead().isEmpty())
            break;
        if (kind != kwChar && kind != kwHexChar)
            flushBytes();
        if (m_starred && kind != kwKeyDest) {
            m_starred = false;
            if (kind != kwKeyWord || m_stream->LastKey() != "\\fldinst")
                m_state.destination = Destination::Skipped;
        }
        if (kind == kwClose) {
            if (!closeGroup())
                break;
            continue;
        }
        token(kind);
    }
    flushBytes();
    if (m_text.size() > 1 && m_text.last().runs.isEmpty())
        m_text.removeLast();
    return m_text;
}

void RtfReader::token(rtfreport::TRPkwType kind)
{
    using namespace rtfreport;
    const QByteArray read = m_stream->LastRead();
    switch (kind) {
    case kwOpen:
        openGroup();
        break;
    case kwKeyDest:
        m_starred = true;
        break;
    case kwKeyWord:
        controlWord(m_stream->LastKey().mid(1), m_stream->LastParam());
        break;
    case kwKeyChar:
        controlSymbol(read.at(1));
        break;
    case kwHexChar: {
        bool ok = false;
        const int byte = read.mid(2, 2).toInt(&ok, 16);
        if (ok)
            textByte(char(byte));
        break;
    }
    case kwChar:
        if (read.at(0) != '\r' && read.at(0) != '\n')
            textByte(read.at(0));
        break;
    default:  // a backslash before a character RTF gives no meaning
        break;
    }
}

void RtfReader::openGroup()
{
    m_fallbackLeft = 0;
    if (m_overflow > 0 || m_saved.size() >= kMaxGroupDepth) {
        ++m_overflow;
        return;
    }
    m_saved.append(m_state);
}

bool RtfReader::closeGroup()
{
    m_fallbackLeft = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return true;
    }
    if (m_saved.isEmpty())
        return false;
    m_state = m_saved.takeLast();
    return !m_saved.isEmpty();
}

void RtfReader::controlWord(const QByteArray &word, const QByteArray &parameter)
{
    bool hasNumber = false;
    const int number = parameter.toInt(&hasNumber);
    if (word == "bin") {
        skipBinary(hasNumber ? number : 0);
        return;
    }
    if (skipping())
        return;
    if (word == "u" && hasNumber) {
        const QChar c(char16_t(number < 0 ? number + 0x10000 : number));
        addText(QString(c));
        m_fallbackLeft = m_state.unicodeSkip;
        return;
    }
    m_fallbackLeft = 0;
    if (skippedDestinations().contains(word)) {
        m_state.destination = Destination::Skipped;
    } else if (word == "field") {
        m_fieldInstructions.append(QString());
        m_state.field = int(m_fieldInstructions.size()) - 1;
    } else if (word == "fldinst") {
        m_state.destination = m_state.field < 0 ? Destination::Skipped : Destination::FieldInstruction;
    } else if (word == "fldrslt") {
        m_state.destination = Destination::Text;
        if (m_state.field >= 0)
            m_state.link = hyperlinkOf(m_fieldInstructions[m_state.field]);
    } else if (endsParagraph(word)) {
        newParagraph();
    } else if (const auto c = characterWords().constFind(word); c != characterWords().cend()) {
        addText(QString(*c));
    } else if (word == "b") {
        m_state.bold = !hasNumber || number != 0;
    } else if (word == "i") {
        m_state.italic = !hasNumber || number != 0;
    } else if (word == "plain") {
        m_state.bold = m_state.italic = false;
    } else if (word == "uc" && hasNumber) {
        m_state.unicodeSkip = qBound(0, number, 16);
    } else if (word == "ansicpg" && hasNumber) {
        QStringDecoder decoder(("windows-" + QByteArray::number(number)).constData());
        if (decoder.isValid())
            m_decoder = std::move(decoder);
    }
}

void RtfReader::controlSymbol(char symbol)
{
    m_fallbackLeft = 0;
    if (skipping())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        addText(QString(QLatin1Char(symbol)));
        break;
    case '~':
        addText(QString(QChar::Nbsp));
        break;
    case '_':
        addText(QString(QChar(0x2011)));
        break;
    case '\r':
    case '\n':
        newParagraph();
        break;
    default:  // "\-": an optional hyphen shows only where a line breaks
        break;
    }
}

void RtfReader::textByte(char byte)
{
    if (skipping())
        return;
    if (m_fallbackLeft > 0) {
        --m_fallbackLeft;
        return;
    }
    m_pendingBytes.append(byte);
}

void RtfReader::flushBytes()
{
    if (m_pendingBytes.isEmpty())
        return;
    QString text = m_decoder.decode(m_pendingBytes);
    m_pendingBytes.clear();
    text.removeIf(isTextControl);
    addText(text);
}

void RtfReader::addText(const QString &text)
{
    switch (m_state.destination) {
    case Destination::Text:
        appendText(m_text.last(), text, TextRun{{}, m_state.bold, m_state.italic, m_state.link});
        break;
    case Destination::FieldInstruction:
        m_fieldInstructions[m_state.field] += text;
        break;
    case Destination::Skipped:
        break;
    }
}

void RtfReader::newParagraph()
{
    if (!skipping() && m_state.destination == Destination::Text)
        m_text.append(Paragraph());
}

// Binary data follows "\binN": its bytes are not tokens.
void RtfReader::skipBinary(qint64 bytes)
{
    while (bytes > 0) {
        const rtfreport::TRPkwType kind = m_stream->ReadToken();
        const qint64 size = m_stream->LastRead().size();
        if (kind == rtfreport::kwNone && size == 0)
            return;
        bytes -= size;
    }
}

// Web addresses written out in the text.
const QRegularExpression &webAddressPattern()
{
    static const QRegularExpression pattern(QStringLiteral("https?://[^\\s<>\"{}|\\\\^`]+"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Splits the runs without a link where a web address stands in their text.
void linkWebAddresses(Paragraph &paragraph)
{
    QList<TextRun> runs;
    for (const TextRun &run : std::as_const(paragraph.runs)) {
        if (!run.link.isEmpty()) {
            runs.append(run);
            continue;
        }
        Paragraph split;
        qsizetype done = 0;
        for (const QRegularExpressionMatch &match : webAddressPattern().globalMatch(run.text)) {
            QString address = match.captured();
            while (!address.isEmpty() && QStringLiteral(".,;:!?)]'").contains(address.back()))
                address.chop(1);
            const QString link = webLink(address);
            if (link.isEmpty())
                continue;
            appendText(split, run.text.mid(done, match.capturedStart() - done), run);
            TextRun linked = run;
            linked.link = link;
            appendText(split, address, linked);
            done = match.capturedStart() + address.size();
        }
        appendText(split, run.text.mid(done), run);
        runs.append(split.runs);
    }
    paragraph.runs = runs;
}

} // namespace

QString Paragraph::text() const
{
    QString text;
    for (const TextRun &run : runs)
        text += run.text;
    return text;
}

QString webLink(const QString &address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return {};
    return url.toString(QUrl::FullyEncoded);
}

MessageText readRtfMessage(const QByteArray &rtf) { return RtfReader(rtf).read(); }

MessageText readPlainMessage(const QByteArray &bytes)
{
    QString text = app::decodeText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    MessageText message;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.removeIf(isTextControl);
        Paragraph paragraph;
        appendText(paragraph, line, TextRun());
        message.append(paragraph);
    }
    return message;
}

MessageText readMessage(const QByteArray &bytes)
{
    MessageText message = bytes.startsWith("{\\rtf") ? readRtfMessage(bytes) : readPlainMessage(bytes);
    for (Paragraph &paragraph : message)
        linkWebAddresses(paragraph);
    return message;
}

} // namespace service

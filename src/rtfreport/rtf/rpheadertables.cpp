#include "rpheadertables.h"

#include <algorithm>
#include <limits>

#include <QRandomGenerator>

#include "rperrors.h"
#include "rprtf_controlwords.h"

namespace rtfreport {
namespace {

// The digits starting at `from`, and where they end.
QByteArray DigitsAt(const QByteArray &text, qsizetype from, qsizetype &end)
{
    end = from;
    while (end < text.size() && IsAsciiDigit(text[end]))
        ++end;
    return text.mid(from, end - from);
}

bool StartsWithNoCase(const QByteArray &text, const QByteArray &prefix)
{
    return text.size() >= prefix.size()
        && qstrnicmp(text.constData(), prefix.constData(), prefix.size()) == 0;
}

// Replaces the number after every (or only the first) occurrence of `word`
// that is directly followed by a digit, through `map`.
QByteArray RenumberAfter(const QByteArray &text, const QByteArray &word, const TRPReplTable &map,
                         bool firstOnly)
{
    QByteArray result;
    qsizetype copied = 0;
    qsizetype at = text.indexOf(word);
    while (at >= 0) {
        const qsizetype digitsStart = at + word.size();
        if (digitsStart < text.size() && IsAsciiDigit(text[digitsStart])) {
            qsizetype digitsEnd = 0;
            const QByteArray digits = DigitsAt(text, digitsStart, digitsEnd);
            bool ok = false;
            const qint32 number = digits.toInt(&ok);
            result += text.mid(copied, digitsStart - copied);
            result += ok ? QByteArray::number(map.GetRepl(number)) : digits;
            copied = digitsEnd;
            if (firstOnly)
                break;
        }
        at = text.indexOf(word, at + word.size());
    }
    return result + text.mid(copied);
}

// The text with its first "\snext" and that word's digits removed.
QByteArray WithoutSnext(const QByteArray &text)
{
    const qsizetype at = text.indexOf("\\snext");
    if (at < 0)
        return text;
    qsizetype digitsEnd = 0;
    DigitsAt(text, at + 6, digitsEnd);
    return text.left(at) + text.mid(digitsEnd);
}

// A style entry with every character below 32 removed.
QByteArray PrepareStyleEntry(const QByteArray &entry)
{
    QByteArray prepared;
    prepared.reserve(entry.size());
    for (char c : entry)
        if (quint8(c) >= 32)
            prepared += c;
    return prepared;
}

bool IsValidStyleEntry(const QByteArray &entry)
{
    return entry.size() > 5 && entry.startsWith('{') && entry.endsWith(";}");
}

// Type, number and text of a prepared, valid style entry.
TRPStyleStr SplitStyleEntry(const QByteArray &entry)
{
    struct Prefix {
        const char *text;
        TRpStyleType type;
    };
    static const Prefix prefixes[] = {
        {"{\\s", TRpStyleType::Paragraph},    {"{\\*\\cs", TRpStyleType::Character},
        {"{\\*\\ds", TRpStyleType::Section},  {"{\\*\\ts", TRpStyleType::Table},
        {"{\\cs", TRpStyleType::Character},   {"{\\ds", TRpStyleType::Section},
        {"{\\ts", TRpStyleType::Table},
    };
    TRPStyleStr style;
    for (const Prefix &prefix : prefixes) {
        const qsizetype length = qstrlen(prefix.text);
        if (entry.startsWith(prefix.text) && length < entry.size() && IsAsciiDigit(entry[length])) {
            qsizetype digitsEnd = 0;
            style.n = quint16(DigitsAt(entry, length, digitsEnd).toULongLong());
            style.t = prefix.type;
            style.text = entry.mid(digitsEnd);
            return style;
        }
    }
    style.text = entry.mid(1); // no style word: paragraph style 0
    return style;
}

// The largest of the numbers, 0 when there are none.
qint32 LargestNumber(const QByteArrayList &texts)
{
    qint32 largest = 0;
    bool any = false;
    for (const QByteArray &text : texts) {
        const qint32 number = TextToInt32(text);
        largest = any ? qMax(largest, number) : number;
        any = true;
    }
    return largest;
}

// A random number from 0 to 2147483646 that `taken` does not report.
qint32 RandomFreeNumber(const std::function<bool(qint32)> &taken)
{
    qint32 candidate = 0;
    do
        candidate = qint32(QRandomGenerator::global()->bounded(std::numeric_limits<qint32>::max()));
    while (taken(candidate));
    return candidate;
}

// Maps an inserted entry's number to that of the equal entry or, when there
// is none, appends the entry under the next free number.
template <typename Entry>
void MapOrAppend(TRPReplTable &map, std::vector<Entry> &entries, int &highNumber, Entry inserted,
                 const Entry *equal)
{
    const quint16 insertedNumber = inserted.n;
    if (equal) {
        map.AddRepl(insertedNumber, equal->n);
        return;
    }
    inserted.n = quint16(++highNumber);
    entries.push_back(inserted);
    map.AddRepl(insertedNumber, inserted.n);
}

} // namespace

// ---- numbers ------------------------------------------------------------

qint32 TextToInt32(const QByteArray &text)
{
    bool ok = false;
    const qint32 number = text.trimmed().toInt(&ok);
    if (!ok)
        throw EBadRtfFormat(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(text)));
    return number;
}

QByteArray ReplaceParam(const QByteArray &text, const QByteArray &word, qint32 value)
{
    const QByteArray lowerText = text.toLower();
    const QByteArray lowerWord = word.toLower();
    auto isNumberChar = [](char c) { return IsAsciiDigit(c) || c == '+' || c == '-' || c == '.'; };
    for (qsizetype at = lowerText.indexOf(lowerWord); at >= 0;
         at = lowerText.indexOf(lowerWord, at + 1)) {
        qsizetype end = at + word.size();
        if (end >= text.size() || !isNumberChar(text[end]))
            continue;
        while (end < text.size() && isNumberChar(text[end]))
            ++end;
        return text.left(at + word.size()) + QByteArray::number(value) + text.mid(end);
    }
    return text;
}

bool IsControlWordToken(const QByteArray &token, const QByteArray &word)
{
    return StartsWithNoCase(token, word)
        && (token.size() == word.size() || !IsAsciiLetter(token[word.size()]));
}

// ---- TRPReplTable -------------------------------------------------------

void TRPReplTable::AddRepl(qint32 oldNumber, qint32 newNumber)
{
    m_repl.push_back({oldNumber, newNumber});
    m_replSorted = false;
}

const TRPReplCell *TRPReplTable::Find(qint32 oldNumber) const
{
    auto byOld = [](const TRPReplCell &a, const TRPReplCell &b) { return a.old < b.old; };
    if (!m_replSorted) {
        std::stable_sort(m_repl.begin(), m_repl.end(), byOld);
        m_replSorted = true;
    }
    auto found = std::lower_bound(m_repl.begin(), m_repl.end(), TRPReplCell{oldNumber, 0}, byOld);
    return found != m_repl.end() && found->old == oldNumber ? &*found : nullptr;
}

qint32 TRPReplTable::GetRepl(qint32 oldNumber) const
{
    const TRPReplCell *cell = Find(oldNumber);
    return cell ? cell->new_ : oldNumber;
}

bool TRPReplTable::HasRepl(qint32 oldNumber) const { return Find(oldNumber) != nullptr; }

// ---- fonts --------------------------------------------------------------

namespace {

bool SplitFontEntry(const QByteArray &font, TRPFontStr &split)
{
    if (font.size() <= 5 || !font.startsWith("{\\f") || !IsAsciiDigit(font[3]) || !font.endsWith('}'))
        return false;
    qsizetype digitsEnd = 0;
    split.n = quint16(DigitsAt(font, 3, digitsEnd).toULongLong());
    split.text = font.mid(digitsEnd);
    return true;
}

} // namespace

void TRPFontStrings::Add(const QByteArray &font)
{
    TRPFontStr split;
    if (!SplitFontEntry(font, split))
        return;
    m_highNumber = qMax<int>(m_highNumber, split.n);
    m_strings.push_back(split);
}

void TRPFontStrings::AddNew(const QByteArray &font)
{
    TRPFontStr split;
    if (!SplitFontEntry(font, split))
        return;
    auto equal = std::find_if(m_strings.begin(), m_strings.end(),
                              [&](const TRPFontStr &known) { return known.text == split.text; });
    MapOrAppend(*this, m_strings, m_highNumber, split, equal == m_strings.end() ? nullptr : &*equal);
}

void TRPFontStrings::AddFromList(const QByteArrayList &fonts)
{
    for (const QByteArray &font : fonts)
        Add(font);
}

QByteArray TRPFontStrings::GetString(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return "{\\f" + QByteArray::number(m_strings[index].n) + m_strings[index].text;
}

// ---- colours ------------------------------------------------------------

void TRPColorStrings::Add(const QByteArray &color)
{
    if (color.endsWith(';'))
        m_strings.append(color);
}

void TRPColorStrings::AddNew(qint32 oldIndex, const QByteArray &color)
{
    if (!color.endsWith(';'))
        return;
    qsizetype index = m_strings.indexOf(color);
    if (index < 0) {
        m_strings.append(color);
        index = m_strings.size() - 1;
    }
    AddRepl(oldIndex, qint32(index));
}

QByteArray TRPColorStrings::GetString(int index) const
{
    return index >= 0 && index < Count() ? m_strings[index] : QByteArray();
}

// ---- styles -------------------------------------------------------------

QByteArray TRPStyleStrings::GetStyleNamefromString(QByteArray &style, bool deleteNameFromStyle)
{
    if (style.size() <= 5 || !style.endsWith(";}"))
        return {};
    // The last control word: a backslash that is not the first character, is
    // not escaped and does not itself escape a backslash or start a hex character.
    qsizetype word = -1;
    for (qsizetype i = style.size() - 1; i > 0; --i) {
        if (style[i] != '\\' || style[i - 1] == '\\')
            continue;
        const char next = i + 1 < style.size() ? style[i + 1] : '\0';
        if (next == '\\' || next == '\'')
            continue;
        word = i;
        break;
    }
    if (word < 0)
        return {};
    const qsizetype blank = style.indexOf(' ', word);
    const qsizetype nameEnd = style.size() - 2;
    if (blank < 0 || blank >= nameEnd)
        return {};
    const QByteArray name = style.mid(blank + 1, nameEnd - blank - 1).trimmed();
    if (deleteNameFromStyle)
        style = style.left(blank + 1) + ";}";
    return name;
}

void TRPStyleStrings::Add(const QByteArray &style)
{
    const QByteArray prepared = PrepareStyleEntry(style);
    if (!IsValidStyleEntry(prepared))
        return;
    TRPStyleStr split = SplitStyleEntry(prepared);
    QByteArray text = split.text;
    split.stylename = GetStyleNamefromString(text, false);
    m_highNumber = qMax<int>(m_highNumber, split.n);
    m_strings.push_back(split);
}

const TRPStyleStr *TRPStyleStrings::FindByName(const QByteArray &name) const
{
    for (const TRPStyleStr &style : m_strings)
        if (style.stylename.trimmed() == name)
            return &style;
    return nullptr;
}

const TRPStyleStr *TRPStyleStrings::FindEqualStyle(const TRPStyleStr &style) const
{
    const bool hasNext = style.text.contains("\\snext");
    const QByteArray comparable = WithoutSnext(style.text);
    for (const TRPStyleStr &known : m_strings)
        if (known.text.contains("\\snext") == hasNext && WithoutSnext(known.text) == comparable)
            return &known;
    return nullptr;
}

void TRPStyleStrings::AddNew(const QByteArray &style)
{
    QByteArray prepared = PrepareStyleEntry(style);
    if (!IsValidStyleEntry(prepared))
        return;
    QByteArray name = GetStyleNamefromString(prepared, false);
    const TRPStyleStr *sameName = name.isEmpty() ? nullptr : FindByName(name);
    if (sameName && m_styleMode == 1) {
        const quint16 insertedNumber = SplitStyleEntry(prepared).n;
        if (insertedNumber != sameName->n)
            AddRepl(insertedNumber, sameName->n);
        return;
    }
    if (sameName) {
        GetStyleNamefromString(prepared, true);
        name.clear();
    }
    TRPStyleStr split = SplitStyleEntry(prepared);
    split.stylename = name;
    split.new_ = true;

    // Only a style that links to nothing but itself can be recognised by its text.
    const QByteArray &text = split.text;
    bool comparable = !text.contains("\\sbasedon") && !text.contains("\\slink");
    const qsizetype next = text.indexOf("\\snext");
    if (comparable && next >= 0) {
        qsizetype digitsEnd = 0;
        comparable = DigitsAt(text, next + 6, digitsEnd).toInt() == split.n;
    }
    MapOrAppend(*this, m_strings, m_highNumber, split, comparable ? FindEqualStyle(split) : nullptr);
}

void TRPStyleStrings::CorrectNewStyles()
{
    for (TRPStyleStr &style : m_strings) {
        if (!style.new_)
            continue;
        QByteArray text = RenumberAfter(style.text, "\\f", m_fontMap, false);
        text = RenumberAfter(text, "\\cf", m_colorMap, false);
        for (const char *link : {"\\snext", "\\sbasedon", "\\slink"})
            text = RenumberAfter(text, link, *this, true);
        style.text = text;
        style.new_ = false;
    }
}

QByteArray TRPStyleStrings::GetString(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    const TRPStyleStr &style = m_strings[index];
    static const char *const openers[] = {"{\\s", "{\\*\\cs", "{\\ds", "{\\*\\ts"};
    return openers[int(style.t) - 1] + QByteArray::number(style.n) + style.text;
}

// ---- list table ---------------------------------------------------------

void TRpRTFListTable::Clear()
{
    m_listPicture.clear();
    m_listString.clear();
    m_listOverrideString.clear();
    m_list.Clear();
    m_listNew.Clear();
    m_listOverride.Clear();
    m_listOverrideNew.Clear();
    m_pictList.clear();
    m_pictListNew.clear();
}

void TRpRTFListTable::AddListString(bool isNew, const QByteArray &text,
                                    const QByteArray &strForCompare, const QByteArray &listID,
                                    const QByteArray &listTemplateID)
{
    auto list = std::make_unique<TRpRTFListObject>();
    list->ListTemplateID = listTemplateID;
    list->ListID = listID;
    list->StrForCompare = strForCompare;
    (isNew ? m_listNew : m_list).Add(text, std::move(list));
}

void TRpRTFListTable::AddListOverrideString(bool isNew, const QByteArray &text,
                                            const QByteArray &strForCompare,
                                            const QByteArray &lsID, const QByteArray &listID)
{
    auto override_ = std::make_unique<TRpRTFListOverrideObject>();
    override_->ListID = listID;
    override_->LsID = lsID;
    override_->StrForCompare = strForCompare;
    (isNew ? m_listOverrideNew : m_listOverride).Add(text, std::move(override_));
}

namespace {

template <typename T, typename Field>
QByteArrayList FieldTexts(const TRpOwnedList<T> &first, const TRpOwnedList<T> &second, Field field)
{
    QByteArrayList texts;
    for (const auto *list : {&first, &second})
        for (const auto &object : list->Objects)
            texts.append((*object).*field);
    return texts;
}

} // namespace

bool TRpRTFListTable::ExistsListID(qint32 id) const
{
    for (const QByteArray &text : FieldTexts(m_list, m_listNew, &TRpRTFListObject::ListID))
        if (TextToInt32(text) == id)
            return true;
    return false;
}

bool TRpRTFListTable::ExistsListTemplateID(qint32 id) const
{
    for (const QByteArray &text : FieldTexts(m_list, m_listNew, &TRpRTFListObject::ListTemplateID))
        if (TextToInt32(text) == id)
            return true;
    return false;
}

qint32 TRpRTFListTable::GetNewListID() const
{
    qint32 largest = LargestNumber(FieldTexts(m_list, m_listNew, &TRpRTFListObject::ListID));
    if (largest >= -6 && largest <= -1)
        largest = 0;
    if (largest == std::numeric_limits<qint32>::max())
        return RandomFreeNumber([this](qint32 id) { return ExistsListID(id); });
    return largest + 1;
}

qint32 TRpRTFListTable::GetNewListTemplateID() const
{
    qint32 largest = LargestNumber(FieldTexts(m_list, m_listNew, &TRpRTFListObject::ListTemplateID));
    if (largest == -2)
        largest = 0;
    if (largest == std::numeric_limits<qint32>::max())
        return RandomFreeNumber([this](qint32 id) { return ExistsListTemplateID(id); });
    return largest + 1;
}

qint32 TRpRTFListTable::GetNewLsID() const
{
    const qint32 largest =
        LargestNumber(FieldTexts(m_listOverride, m_listOverrideNew, &TRpRTFListOverrideObject::LsID));
    // An override number is at most 2000 in practice; never wrap round to a negative one.
    return largest == std::numeric_limits<qint32>::max() ? largest : largest + 1;
}

const TRpRTFListObject *TRpRTFListTable::FindList(const QByteArray &strForCompare) const
{
    for (const auto *list : {&m_list, &m_listNew})
        for (const auto &object : list->Objects)
            if (object->StrForCompare == strForCompare)
                return object.get();
    return nullptr;
}

const TRpRTFListOverrideObject *TRpRTFListTable::FindListOverride(const QByteArray &strForCompare,
                                                                  qint32 listID) const
{
    for (const auto *list : {&m_listOverride, &m_listOverrideNew})
        for (const auto &object : list->Objects)
            if (object->StrForCompare == strForCompare && TextToInt32(object->ListID) == listID)
                return object.get();
    return nullptr;
}

int TRpRTFListTable::PictureIndex(const QByteArray &picture)
{
    auto indexOf = [&picture](const QByteArrayList &pictures) -> int {
        for (int i = 0; i < pictures.size(); ++i)
            if (pictures[i].compare(picture, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    if (const int index = indexOf(m_pictList); index >= 0)
        return index;
    int index = indexOf(m_pictListNew);
    if (index < 0) {
        m_pictListNew.append(picture);
        index = int(m_pictListNew.size()) - 1;
    }
    return int(m_pictList.size()) + index;
}

// ---- splitting list tables ----------------------------------------------

namespace {

// Walks tokens counting braces and hands every group that a token equal to
// `opener` starts to `collect`, as the tokens from the opener up to (without)
// the brace that closes the group. A new opener finishes an open group.
void ForEachGroupStartingWith(const QByteArrayList &tokens, const QByteArray &opener,
                              const std::function<void(const QByteArrayList &)> &collect)
{
    int depth = 0;
    int groupDepth = -1;
    QByteArrayList group;
    auto finish = [&] {
        if (groupDepth >= 0)
            collect(group);
        group.clear();
        groupDepth = -1;
    };
    for (const QByteArray &token : tokens) {
        if (token == "{") {
            ++depth;
        } else if (token == "}") {
            if (depth-- == groupDepth) {
                finish();
                continue;
            }
        } else if (token.compare(opener, Qt::CaseInsensitive) == 0) {
            finish();
            groupDepth = depth;
        }
        if (groupDepth >= 0)
            group.append(token);
    }
    finish();
}

struct TRpNumberedGroup {
    QByteArray text;
    QByteArray compare;
    QByteArray firstNumber;
    QByteArray secondNumber;
};

// The groups that `opener` starts, with the numbers of two control words
// taken out: the words stay in the text but not in the comparison text.
QList<TRpNumberedGroup> CollectNumberedGroups(
    const QByteArrayList &tokens, const QByteArray &opener, const QByteArray &firstWord,
    const QByteArray &secondWord, const std::function<QByteArray(const QByteArray &)> &rewrite)
{
    QList<TRpNumberedGroup> groups;
    ForEachGroupStartingWith(tokens, opener, [&](const QByteArrayList &groupTokens) {
        TRpNumberedGroup group;
        for (const QByteArray &token : groupTokens) {
            const bool isFirst = IsControlWordToken(token, firstWord);
            const bool isSecond = IsControlWordToken(token, secondWord);
            if (isFirst)
                group.firstNumber = token.mid(firstWord.size()).trimmed();
            if (isSecond)
                group.secondNumber = token.mid(secondWord.size()).trimmed();
            const QByteArray stored = rewrite ? rewrite(token) : token;
            group.text += stored;
            if (!isFirst && !isSecond)
                group.compare += stored;
        }
        groups.append(group);
    });
    return groups;
}

} // namespace

QList<TRpListText> CollectLists(const QByteArrayList &tokens,
                                const std::function<QByteArray(const QByteArray &)> &rewrite)
{
    QList<TRpListText> lists;
    for (const TRpNumberedGroup &group :
         CollectNumberedGroups(tokens, "\\list", "\\listtemplateid", "\\listid", rewrite)) {
        TRpListText list{group.text, group.compare, group.secondNumber, group.firstNumber, {}};
        lists.append(list);
    }
    return lists;
}

QList<TRpListText> CollectListOverrides(const QByteArrayList &tokens)
{
    QList<TRpListText> overrides;
    for (const TRpNumberedGroup &group :
         CollectNumberedGroups(tokens, "\\listoverride", "\\listid", "\\ls", {})) {
        TRpListText override_{group.text, group.compare, group.firstNumber, {}, group.secondNumber};
        overrides.append(override_);
    }
    return overrides;
}

QByteArrayList CollectListPictures(const QByteArrayList &tokens)
{
    QByteArrayList pictures;
    int depth = 0;
    int pictureDepth = -1;
    QByteArray picture;
    for (int i = 0; i < tokens.size(); ++i) {
        const QByteArray &token = tokens[i];
        if (token == "{")
            ++depth;
        if (token == "}" && depth-- == pictureDepth) {
            pictures.append(picture);
            pictureDepth = -1;
            continue;
        }
        if (pictureDepth < 0 && i >= 2 && tokens[i - 1] == "\\*" && tokens[i - 2] == "{"
            && token.trimmed().compare("\\shppict", Qt::CaseInsensitive) == 0) {
            pictureDepth = depth;
            picture = "\\*";
        }
        if (pictureDepth >= 0)
            picture += token;
    }
    return pictures;
}

} // namespace rtfreport

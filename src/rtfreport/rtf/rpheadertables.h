#pragma once
// The document's header tables and the renumbering behind merging inserted RTF
// into them.
//
// TRPReplTable maps numbers of the inserted document (font 0, colour 3, style
// 12, list 7, ...) to numbers of the document being written. The three string
// tables hold the document's fonts, colours and styles during one insertion:
// load them with Add (document entries, numbers kept), merge with AddNew
// (inserted entries: reused when equal, else appended under a new number, the
// pair recorded in the map), read them back with GetString.
//
// TRpRTFListTable holds the template's list and list override tables and what
// inserted RTF added to them; it lives for a whole run. The free functions at
// the end split list-table token lists into lists, overrides and pictures, for
// both the template reader and the merge of inserted RTF.
//
// All texts are RTF bytes.

#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

namespace rtfreport {

struct TRPReplCell {
    qint32 old = 0;
    qint32 new_ = 0; // "new" is a keyword
};

class TRPReplTable {
public:
    void AddRepl(qint32 oldNumber, qint32 newNumber);
    // The new number for `oldNumber`, or `oldNumber` itself when unmapped.
    // When one old number was mapped twice, the first pair wins.
    qint32 GetRepl(qint32 oldNumber) const;
    bool HasRepl(qint32 oldNumber) const;

private:
    const TRPReplCell *Find(qint32 oldNumber) const;

    // Sorted lazily, on the first look-up after pairs were added.
    mutable std::vector<TRPReplCell> m_repl;
    mutable bool m_replSorted = true;
};

struct TRPFontStr {
    quint16 n = 0;
    QByteArray text; // after the number, through the closing brace
};

class TRPFontStrings : public TRPReplTable {
public:
    // A font of the document: "{\f" + number + rest + "}". Invalid text is ignored.
    void Add(const QByteArray &font);
    // A font of inserted RTF: an equal font is reused, else it is appended
    // under HighNumber + 1; the inserted number is mapped either way.
    void AddNew(const QByteArray &font);
    void AddFromList(const QByteArrayList &fonts);
    QByteArray GetString(int index) const;
    int Count() const { return int(m_strings.size()); }
    int HighNumber() const { return m_highNumber; }

private:
    std::vector<TRPFontStr> m_strings;
    int m_highNumber = 0;
};

// Entries are colour texts ending in ";"; an entry's index is its colour number.
class TRPColorStrings : public TRPReplTable {
public:
    void Add(const QByteArray &color);
    void AddNew(qint32 oldIndex, const QByteArray &color);
    QByteArray GetString(int index) const;
    int Count() const { return int(m_strings.size()); }

private:
    QByteArrayList m_strings;
};

enum class TRpStyleType : quint8 { Paragraph = 1, Character = 2, Section = 3, Table = 4 };

struct TRPStyleStr {
    quint16 n = 0;
    TRpStyleType t = TRpStyleType::Paragraph;
    QByteArray text; // after the number, through ";}"
    QByteArray stylename;
    bool new_ = false; // added from inserted RTF and not yet corrected
};

class TRPStyleStrings : public TRPReplTable {
public:
    // The font and colour maps renumber references inside merged styles.
    TRPStyleStrings(const TRPReplTable &fontMap, const TRPReplTable &colorMap)
        : m_fontMap(fontMap), m_colorMap(colorMap) {}

    // Style merging mode: 1 maps an inserted style to a document style of the same name.
    void SetStyleMode(int mode) { m_styleMode = mode; }

    void Add(const QByteArray &style);
    void AddNew(const QByteArray &style);
    // Renumbers fonts, colours and style links inside the styles added since
    // the last call; call it once all inserted styles are in.
    void CorrectNewStyles();
    QByteArray GetString(int index) const;
    int Count() const { return int(m_strings.size()); }
    int HighNumber() const { return m_highNumber; }
    const TRPStyleStr &Item(int index) const { return m_strings[index]; }

    // The name at the end of a style entry ("heading 1" in
    // "{\s1\ql\snext0 heading 1;}"); with deleteNameFromStyle the name is also
    // cut from `style`, leaving "{\s1\ql\snext0 ;}".
    static QByteArray GetStyleNamefromString(QByteArray &style, bool deleteNameFromStyle);

private:
    const TRPStyleStr *FindByName(const QByteArray &name) const;
    const TRPStyleStr *FindEqualStyle(const TRPStyleStr &style) const;

    const TRPReplTable &m_fontMap;
    const TRPReplTable &m_colorMap;
    int m_styleMode = 1;
    std::vector<TRPStyleStr> m_strings;
    int m_highNumber = 0;
};

struct TRpColor {
    quint8 r = 0;
    quint8 g = 0;
    quint8 b = 0;
    quint32 color() const { return r + g * 256u + b * 65536u; }
    void setColor(quint32 value)
    {
        r = quint8(value);
        g = quint8(value >> 8);
        b = quint8(value >> 16);
    }
};

struct TRpRTFListObject {
    QByteArray ListTemplateID;
    QByteArray ListID;
    QByteArray StrForCompare;
};

struct TRpRTFListOverrideObject {
    QByteArray ListID;
    QByteArray LsID;
    QByteArray StrForCompare;
};

// A list of texts, each owning the object that describes it.
template <typename T>
struct TRpOwnedList {
    QByteArrayList Strings;
    std::vector<std::unique_ptr<T>> Objects;

    TRpOwnedList() = default;
    // A copy owns copies of the objects: each run starts from the template's lists.
    TRpOwnedList(const TRpOwnedList &other) : Strings(other.Strings)
    {
        Objects.reserve(other.Objects.size());
        for (const std::unique_ptr<T> &object : other.Objects)
            Objects.push_back(object ? std::make_unique<T>(*object) : nullptr);
    }
    TRpOwnedList &operator=(const TRpOwnedList &other)
    {
        if (this != &other)
            *this = TRpOwnedList(other);
        return *this;
    }
    TRpOwnedList(TRpOwnedList &&) = default;
    TRpOwnedList &operator=(TRpOwnedList &&) = default;

    int Count() const { return int(Strings.size()); }
    void Add(const QByteArray &text, std::unique_ptr<T> object)
    {
        Strings.append(text);
        Objects.push_back(std::move(object));
    }
    void Clear()
    {
        Strings.clear();
        Objects.clear();
    }
};

class TRpRTFListTable {
public:
    QByteArray m_listPicture;
    QByteArray m_listString;
    QByteArray m_listOverrideString;
    TRpOwnedList<TRpRTFListObject> m_list;
    TRpOwnedList<TRpRTFListObject> m_listNew;
    TRpOwnedList<TRpRTFListOverrideObject> m_listOverride;
    TRpOwnedList<TRpRTFListOverrideObject> m_listOverrideNew;
    QByteArrayList m_pictList;
    QByteArrayList m_pictListNew;

    void Clear();
    void AddListString(bool isNew, const QByteArray &text, const QByteArray &strForCompare,
                       const QByteArray &listID, const QByteArray &listTemplateID);
    void AddListOverrideString(bool isNew, const QByteArray &text, const QByteArray &strForCompare,
                               const QByteArray &lsID, const QByteArray &listID);
    bool ExistsListID(qint32 id) const;
    bool ExistsListTemplateID(qint32 id) const;
    qint32 GetNewListID() const;
    qint32 GetNewListTemplateID() const;
    qint32 GetNewLsID() const;

    // The first list of m_list, then of m_listNew, with this comparison text.
    const TRpRTFListObject *FindList(const QByteArray &strForCompare) const;
    const TRpRTFListOverrideObject *FindListOverride(const QByteArray &strForCompare,
                                                     qint32 listID) const;
    // The index of a list picture (m_pictList first, m_pictListNew counted after
    // it), appending it to m_pictListNew when it is new.
    int PictureIndex(const QByteArray &picture);
};

// Reads a number stored as text; text that is no 32-bit number raises
// EBadRtfFormat with the text in the message.
qint32 TextToInt32(const QByteArray &text);

// Replaces the number after the first `word` (letter case ignored) that is
// directly followed by a digit, "+", "-" or "." by `value`.
QByteArray ReplaceParam(const QByteArray &text, const QByteArray &word, qint32 value);

// True when `token` is `word` (letter case ignored) followed by anything but a letter.
bool IsControlWordToken(const QByteArray &token, const QByteArray &word);

// One list or override taken out of a list-table token list.
struct TRpListText {
    QByteArray text;    // the group without its outer braces, starting with "\list"
    QByteArray compare; // the text without its number tokens
    QByteArray listID;
    QByteArray templateID; // lists only
    QByteArray lsID;       // overrides only
};

// Collects the lists ("\list" groups) of a list table's tokens. `rewrite`, when
// given, may change each token before it is stored (renumbering).
QList<TRpListText> CollectLists(const QByteArrayList &tokens,
                                const std::function<QByteArray(const QByteArray &)> &rewrite = {});
// Collects the overrides ("\listoverride" groups) of an override table's tokens.
QList<TRpListText> CollectListOverrides(const QByteArrayList &tokens);
// Collects the shape pictures ("{\*\shppict ...}") of a list picture group's
// tokens, each as "\*\shppict..." without its outer braces.
QByteArrayList CollectListPictures(const QByteArrayList &tokens);

} // namespace rtfreport

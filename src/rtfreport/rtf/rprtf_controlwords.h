#pragma once
// The control words an inserted RTF document may carry, and what the token
// stream does with each of them.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace rtfreport {

// What happens to a control word when inserted RTF is copied into the body.
// The numbers are stable: they are the kinds the table is written in.
enum class TRpKwKind {
    Dropped = 0,            // left out; a blank delimiter leaves a carriage return
    Copied = 1,             // written as read
    Renumbered = 2,         // font, colour, style, list references and a few special words
    ParOrBin = 3,           // \par (remembered for blanking) and \bin
    DefaultFont = 4,        // \deff
    SkipGroup = 5,          // the whole group is left out
    CopyGroup = 6,          // the whole group is copied unchanged
    MergeTable = 7,         // \fonttbl, \colortbl, \stylesheet
    TableWord = 8,          // dropped inside a table cell, else copied
    ListTable = 9,          // \listtable
    ListOverrideTable = 10, // \listoverridetable
};

// How a word of kind Renumbered is written; None for the other kinds.
enum class TRpRenumbering : std::uint8_t {
    None, Font, Color, CellColor, Style, Plain, Row, Pard, ListText, Ls, Ilvl
};

// A control word's kind and, for a Renumbered word, its renumbering.
struct TRpWordUse {
    TRpKwKind kind;
    TRpRenumbering renumbering;
};

// The letters of a control word, and the digits of its number.
constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Orders words byte by byte, to check that tables are sorted.
constexpr bool WordLess(std::string_view a, std::string_view b)
{
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

// Tables of control words are arrays of rows with a `word`, sorted by it
// (which also shows each word is there once) and searched through a hash
// index (TRpWordIndex below).
template <typename Row, std::size_t N>
constexpr bool SortedByWord(const std::array<Row, N> &rows)
{
    return std::adjacent_find(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
               return !WordLess(a.word, b.word);
           }) == rows.end();
}

// A word packed for hashing and comparing without a loop over its letters:
// its length, its first eight bytes, and its bytes from the ninth to the
// sixteenth (zero-padded) or, for a longer word, its last eight. Two words of
// up to 16 bytes are equal when their keys are.
struct TRpWordKey {
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    std::size_t length = 0;
    constexpr bool operator==(const TRpWordKey &) const = default;
};

// `count` bytes of `word` from `from` on, the first in the lowest byte.
constexpr std::uint64_t PackBytes(std::string_view word, std::size_t from, std::size_t count)
{
    std::uint64_t packed = 0;
    if (count == 8 && !std::is_constant_evaluated()) {
        std::memcpy(&packed, word.data() + from, 8); // one load; the order is the machine's
        if constexpr (std::endian::native == std::endian::big)
            packed = __builtin_bswap64(packed);
        return packed;
    }
    for (std::size_t i = 0; i < count; ++i)
        packed |= std::uint64_t(static_cast<unsigned char>(word[from + i])) << (8 * i);
    return packed;
}

constexpr TRpWordKey MakeWordKey(std::string_view word)
{
    const std::size_t length = word.size();
    const std::uint64_t tail = length > 16 ? PackBytes(word, length - 8, 8)
        : length > 8                       ? PackBytes(word, 8, length - 8)
                                           : 0;
    return {PackBytes(word, 0, std::min<std::size_t>(length, 8)), tail, length};
}

// The same key for a word whose buffer holds zeros after the word up to the
// sixteenth byte at least: two loads, without a loop over its letters.
inline TRpWordKey MakeZeroPaddedWordKey(std::string_view word)
{
    const std::size_t length = word.size();
    const std::string_view padded(word.data(), std::max<std::size_t>(length, 16));
    const std::uint64_t tail = length > 16 ? PackBytes(word, length - 8, 8)
        : length > 8                       ? PackBytes(padded, 8, 8)
                                           : 0;
    return {PackBytes(padded, 0, 8), tail, length};
}

// A hash index over a table of words, built at compile time: a lookup costs a
// multiplication and nearly always one comparison of keys, where halving a
// sorted table of hundreds of words compares strings ten times. Open
// addressing with linear probing over 2^Bits slots, at most half of them full.
// Each word carries a small value, which a lookup returns without reading
// the table.
template <std::size_t Rows, unsigned Bits>
class TRpWordIndex {
public:
    // `value(row)` gives a row's value; words not in the table get `missing`.
    template <typename Row, typename ValueOf>
    constexpr TRpWordIndex(const std::array<Row, Rows> &rows, ValueOf value, std::uint32_t missing)
    {
        static_assert(2 * Rows <= Slots, "the index needs more slots");
        m_entries[0] = {TRpWordKey{0, 0, std::size_t(-1)}, missing};
        for (std::size_t row = 0; row < Rows; ++row) {
            m_words[row + 1] = rows[row].word;
            m_entries[row + 1] = {MakeWordKey(rows[row].word), value(rows[row])};
            std::size_t slot = Slot(m_entries[row + 1].key);
            while (m_slots[slot] != 0)
                slot = (slot + 1) % Slots;
            m_slots[slot] = std::uint16_t(row + 1);
        }
    }

    // The value of `word`, whose key is `key`; `missing` for a word not in the table.
    constexpr std::uint32_t Find(const TRpWordKey &key, std::string_view word) const
    {
        if (key.length > 16)
            return FindLong(key, word);
        for (std::size_t slot = Slot(key);; slot = (slot + 1) % Slots) {
            const std::size_t index = m_slots[slot];
            const TRpEntry &entry = m_entries[index];
            // Known and unknown words come mixed: one exit for both, taken at
            // the first slot nearly always, is a branch the processor predicts.
            if (int(entry.key == key) | int(index == 0))
                return entry.value;
        }
    }

private:
    struct TRpEntry {
        TRpWordKey key;
        std::uint32_t value = 0;
    };

    // Keys of longer words leave letters out: their text is compared too.
    constexpr std::uint32_t FindLong(const TRpWordKey &key, std::string_view word) const
    {
        for (std::size_t slot = Slot(key);; slot = (slot + 1) % Slots) {
            const std::size_t entry = m_slots[slot];
            if (entry == 0 || (m_entries[entry].key == key && m_words[entry] == word))
                return m_entries[entry].value;
        }
    }

    static constexpr std::size_t Slots = std::size_t(1) << Bits;
    static_assert(Rows < 0xffff, "rows are numbered in 16 bits");

    static constexpr std::size_t Slot(const TRpWordKey &key)
    {
        const std::uint64_t mixed = key.head ^ (key.tail * 0x9e3779b97f4a7c15u) ^ key.length;
        return std::size_t((mixed * 0xff51afd7ed558ccdu) >> (64 - Bits));
    }

    // Entries are rows + 1; 0 marks an empty slot, and its key, of a length
    // no word has, matches none.
    std::array<std::uint16_t, Slots> m_slots{};
    std::array<TRpEntry, Rows + 1> m_entries{};
    std::array<std::string_view, Rows + 1> m_words{};
};

// The index over the table of control words (rprtf_controlwords.cpp), here
// so that the token stream's loop looks a word up without a call. The count
// is the table's: the table checks it.
inline constexpr std::size_t ControlWordCount = 653;
extern const TRpWordIndex<ControlWordCount, 11> ControlWordIndex;

// Looks up a control word given in lower case and without its backslash
// ("par", "fonttbl"). Words the table does not know are Dropped.
TRpKwKind LookupControlWord(std::string_view word);
// The same with the word's key made already, and its renumbering with it:
// the index holds both, the kind in the low byte.
inline TRpWordUse LookupControlWordUse(const TRpWordKey &key, std::string_view word)
{
    const std::uint32_t value = ControlWordIndex.Find(key, word);
    return {TRpKwKind(value & 0xff), TRpRenumbering(value >> 8)};
}

} // namespace rtfreport

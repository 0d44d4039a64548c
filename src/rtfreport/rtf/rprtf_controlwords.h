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
// its length, its first eight bytes and its last eight (zero when it has no
// more than eight). Two words of up to 16 bytes are equal when their keys are.
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
    return {PackBytes(word, 0, std::min<std::size_t>(length, 8)),
            length > 8 ? PackBytes(word, length - 8, 8) : 0, length};
}

// The same key for a word whose buffer can be read for eight bytes and holds
// zeros after the word up to the eighth byte at least: two loads, without a
// loop over its letters.
inline TRpWordKey MakeZeroPaddedWordKey(std::string_view word)
{
    const std::size_t length = word.size();
    const std::uint64_t head = PackBytes({word.data(), length + 8}, 0, 8);
    return {head, length > 8 ? PackBytes(word, length - 8, 8) : 0, length};
}

// A hash index over a table of words, built at compile time: a lookup costs a
// multiplication and nearly always one comparison of keys, where halving a
// sorted table of hundreds of words compares strings ten times. Open
// addressing with linear probing over 2^Bits slots, at most half of them full.
template <std::size_t Rows, unsigned Bits>
class TRpWordIndex {
public:
    template <typename Row>
    constexpr explicit TRpWordIndex(const std::array<Row, Rows> &rows)
    {
        static_assert(2 * Rows <= Slots, "the index needs more slots");
        for (std::size_t row = 0; row < Rows; ++row) {
            m_words[row + 1] = rows[row].word;
            m_keys[row + 1] = MakeWordKey(rows[row].word);
            std::size_t slot = Slot(m_keys[row + 1]);
            while (m_slots[slot] != 0)
                slot = (slot + 1) % Slots;
            m_slots[slot] = std::uint16_t(row + 1);
        }
    }

    // The row of `word`, whose key is `key`; -1 for a word not in the table.
    constexpr int Find(const TRpWordKey &key, std::string_view word) const
    {
        if (key.length > 16)
            return FindLong(key, word);
        for (std::size_t slot = Slot(key);; slot = (slot + 1) % Slots) {
            const std::size_t entry = m_slots[slot];
            // Known and unknown words come mixed: one exit for both, taken at
            // the first slot nearly always, is a branch the processor predicts.
            if ((m_keys[entry] == key) | (entry == 0))
                return int(entry) - 1; // the empty entry is 0: -1
        }
    }

private:
    // Keys of longer words leave letters out: their text is compared too.
    constexpr int FindLong(const TRpWordKey &key, std::string_view word) const
    {
        for (std::size_t slot = Slot(key);; slot = (slot + 1) % Slots) {
            const std::size_t entry = m_slots[slot];
            if (entry == 0 || (m_keys[entry] == key && m_words[entry] == word))
                return int(entry) - 1;
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
    std::array<TRpWordKey, Rows + 1> m_keys{TRpWordKey{0, 0, std::size_t(-1)}};
    std::array<std::string_view, Rows + 1> m_words{};
};

// Looks up a control word given in lower case and without its backslash
// ("par", "fonttbl"). Words the table does not know are Dropped.
TRpKwKind LookupControlWord(std::string_view word);
// The same with the word's key made already.
TRpKwKind LookupControlWord(const TRpWordKey &key, std::string_view word);

} // namespace rtfreport

#pragma once
// The control words an inserted RTF document may carry, and what the token
// stream does with each of them.

#include <algorithm>
#include <array>
#include <string_view>

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

// Orders words byte by byte; inline, as words are short and looked up often.
constexpr bool WordLess(std::string_view a, std::string_view b)
{
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

// Tables of control words are arrays of rows with a `word`, sorted by it
// and searched by halving.
template <typename Row, std::size_t N>
constexpr bool SortedByWord(const std::array<Row, N> &rows)
{
    return std::adjacent_find(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
               return !WordLess(a.word, b.word);
           }) == rows.end();
}

template <typename Row, std::size_t N>
constexpr const Row *FindWord(const std::array<Row, N> &rows, std::string_view word)
{
    auto found = std::lower_bound(rows.begin(), rows.end(), word,
                                  [](const Row &row, std::string_view key) { return WordLess(row.word, key); });
    return found != rows.end() && found->word == word ? &*found : nullptr;
}

// Looks up a control word given in lower case and without its backslash
// ("par", "fonttbl"). Words the table does not know are Dropped.
TRpKwKind LookupControlWord(std::string_view word);

} // namespace rtfreport

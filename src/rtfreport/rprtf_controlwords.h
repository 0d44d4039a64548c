#pragma once
// The control words an inserted RTF document may carry, and what the token
// stream does with each of them.

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

// Looks up a control word given in lower case and without its backslash
// ("par", "fonttbl"). Words the table does not know are Dropped.
TRpKwKind LookupControlWord(std::string_view word);

} // namespace rtfreport

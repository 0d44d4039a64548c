#pragma once
// Note numbers: the display number built from a company's pattern, and the
// next number of a numbering period.

#include <QString>

namespace app {

// The pattern with its first "RRRR", "RR", "MM", "NNNN", "NNN" and "NN"
// replaced, in that order, by the year, the year's third and fourth digits,
// the two-digit month, and the number padded to 4, to 3 and unpadded.
QString FormatNoteNumber(const QString &pattern, int number, int day);

// The same with the current company's pattern.
QString FormatNoteNumber(int number, int day);

} // namespace app

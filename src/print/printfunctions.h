#pragma once
// The functions the program adds to the report engine for its printouts. The
// program and mirelo-rtf register the same ones, so that a template runs
// alike from both.
//
// SLOWNIE(amount): the amount in Polish words (amountwords.h), a text. The
// amount may be an amount field (currency or BCD, read exactly), any other
// number, or a text that reads as a number as the engine reads one (with the
// report's decimal separator, or ".", and thousands in groups: "1 234,56").
// A text that does not read fails as in the engine's own functions; a
// boolean, a date or a value without a type fails with "Operand of numeric
// type expected. Function "SLOWNIE"" or "Operand type unknown. Function
// "SLOWNIE""; a number beyond the amounts the database holds
// (922 337 203 685 477,5807 either way) with "Amount out of range. Function
// "SLOWNIE", ...".

#include "rpfunc.h"

namespace print {

// Adds the printout functions to `list`.
void registerPrintoutFunctions(rtfreport::TRpUDFList &list);

// One list holding just the printout functions, made on first use; any
// number of reports may reference it: report.SetUDFList(&printoutFunctions()).
rtfreport::TRpUDFList &printoutFunctions();

} // namespace print

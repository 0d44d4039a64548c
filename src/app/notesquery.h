#pragma once
// The text of the notes list query. The filter puts its conditions between
// the join condition (the end of the head) and the company condition; every
// value of a condition is a parameter, never part of the text.

#include "environment.h"

#include <QString>

namespace db {
class Statement;
}

namespace app {

// select list, "from NOTA,KONTRAHENT", "where" and the join condition, with " and" and a line break.
QString notesQueryHead();
// "nota.idfirma=:idfirma" and the order clause.
QString notesQueryTail();
// The list without a filter: head + tail.
QString unfilteredNotesQuery();

// The filter's conditions, in order, each ending with " and" and a line
// break: the counterparty (when one is chosen), both amount ranges, the
// dates ("nota.data>=" always stands in it) and the text fragment (when not
// blank).
QString notesFilterConditions(const FilterState &filter);
// The list narrowed by `filter`: head + conditions + tail.
QString filteredNotesQuery(const FilterState &filter);
// True when `listQueryText` carries the filter's conditions.
bool IsFilterActive(const QString &listQueryText);
// Sets the parameters the conditions of `filter` use: ":kontrahent",
// ":obciazylismyod" … ":datado", and ":tresc", the trimmed fragment, which
// the statement looks for anywhere in the text ("%" and "_" typed in it stay
// wildcards of LIKE).
void bindNotesFilter(db::Statement &statement, const FilterState &filter);

} // namespace app

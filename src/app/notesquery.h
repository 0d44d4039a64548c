#pragma once
// The text of the notes list query. The filter puts its conditions between
// the join condition (the end of the head) and the company condition.

#include <QString>

namespace app {

// select list, "from NOTA,KONTRAHENT", "where" and the join condition, with " and" and a line break.
QString notesQueryHead();
// "nota.idfirma=:idfirma" and the order clause.
QString notesQueryTail();
// The list without a filter: head + tail.
QString unfilteredNotesQuery();

} // namespace app

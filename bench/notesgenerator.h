#pragma once
// Fills a database with companies, counterparties and note positions for
// benchmarks and for trying the program out.

#include "database.h"

#include <QDate>

namespace bench {

struct GeneratedData {
    int company = 0;  // the company that holds the positions
};

// One company with `counterparties` counterparties and `positions` note
// positions spread over the last years, numbered yearly, several positions
// to a note; all in one transaction. Deterministic for a given size.
GeneratedData generateNotes(db::Connection &connection, int counterparties, int positions);

// Demo data for trying the program: three companies (one numbering monthly,
// two yearly), a few dozen counterparties, some inactive, and a few hundred
// positions over the last months before `today`, numbered as each company
// numbers. A demo company already in the database is left as it is; the
// result is how many companies were added.
int generateDemo(db::Connection &connection, const QDate &today);

} // namespace bench

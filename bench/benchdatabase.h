#pragma once
// The benchmarks' database: 100 000 positions of one company and 1 000
// counterparties, generated once into $MIRELO_BENCH_DIR (default
// <temp>/mirelo-bench) and reused by later runs.

#include "database.h"

namespace bench {

struct BenchDatabase {
    QString path;
    int company = 0;
    db::ConnectionParameters parameters() const;
};

const BenchDatabase &benchDatabase();

// Reads every column of every row of the notes list, as the list window
// does; returns the number of rows.
qint64 fetchNotesList(db::Transaction &transaction, db::Statement &list, int company);

} // namespace bench

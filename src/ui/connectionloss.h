#pragma once
// A database server that stopped, or a network that failed, while the
// program runs: the user is told in plain words and decides when to try
// again; the program then makes a new attachment.

#include "context.h"

namespace db { class DbError; }

namespace ui {

// Tells the user the connection is lost and, for as long as they ask,
// connects again. True once connected again; false when they gave up (the
// program then stays without a connection until the next failure asks).
bool offerReconnect(const Context &context, const db::DbError &error);

} // namespace ui

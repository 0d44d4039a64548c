#pragma once
// The database engine's folders, prepared and checked before the program's
// first database call: the engine reads its configuration and loads code
// from one of them, so a folder someone else could change stops the program.

#include "firebird.h"
#include "messages.h"

namespace app {

// True when the engine may be used; otherwise the user has been told why.
bool PrepareDatabaseEngine(const db::EngineFolders &folders, Messenger &messenger);

QString engineFolderMessage(const db::EngineFolderCheck &check);

} // namespace app

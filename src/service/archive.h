#pragma once
// "Archiwizacja" and "Dearchiwizacja": the whole database saved into an
// archive in the engine's backup format, and replaced by the content of
// one. Both run inside the command, with the engine's progress lines in the
// main window's log area.

#include "context.h"

#include <QDate>
#include <QString>

#include <functional>

class QPlainTextEdit;

namespace service {

// What the main window lends the two commands.
struct ArchiveWindow {
    // Memo1: shown over the list for the whole run, one line per progress line.
    QPlainTextEdit *log = nullptr;
    // The list read again from the database in place.
    std::function<void()> refreshList;
    // Before the connection closes: stop listening for events and end the
    // list's transaction.
    std::function<void()> releaseConnection;
    // After it opened again: listen again and read the list again.
    std::function<void()> resumeConnection;
};

inline const QString kArchiveFilter = QStringLiteral("Plik archiwum (*.gbk_mr)");

// "ArchiwumMirelo_" + the day as dd_MM_yyyy + ".gbk_mr".
QString defaultArchiveName(const QDate &day);

// Asks where to save, then archives the database there.
void ArchiveDatabase(const ui::Context &context, const ArchiveWindow &window);
// Asks whether to, and which archive, then puts its content in place of
// the database. The database in place is replaced only by a complete
// restore; whatever happens the window ends connected to the database that
// is in place.
void RestoreDatabase(const ui::Context &context, const ArchiveWindow &window);

} // namespace service

#pragma once
// Writing note positions (rows of NOTA): insert, update, delete, and the
// exchange of two positions' contents. Each change runs in the given
// transaction and is committed at once; a change the database refuses is
// rolled back and raises db::DbError with the database's message.

#include "database.h"

#include <QString>

namespace app {

// The values of one position as the note dialog exchanges them.
struct NotePosition {
    int numer = 0;
    qint64 obciazylismy = 0;  // ten-thousandths
    qint64 uznalismy = 0;
    int data = 0;  // day number
    int idKontrahent = 0;
    QString tresc;

    bool operator==(const NotePosition &) const = default;
};

// What an insert stored.
struct InsertedPosition {
    qint32 idNota = 0;
    int numer = 0;            // the number stored
    bool renumbered = false;  // the proposed number had been taken meanwhile
};

class NotePositions {
public:
    explicit NotePositions(db::Transaction &transaction);

    // Inserts a position of company `idFirma`. When `numberWasProposed`, the
    // number was proposed from the company's numbering: if another note of
    // the period (monthly or yearly, by `monthly`) has taken it meanwhile,
    // the position gets the next free number of its period instead. Two
    // writers of one company are serialised on the company's row, so they
    // can never both store one proposed number. A number given by hand is
    // stored as it is.
    InsertedPosition insert(int idFirma, const NotePosition &position, bool numberWasProposed, bool monthly);
    // False when the row is gone (another copy of the program deleted it).
    bool update(qint32 idNota, const NotePosition &position);
    bool remove(qint32 idNota);
    // Exchanges the contents of two rows as the database holds them now,
    // both or neither. False, and nothing changed, when either row is gone.
    bool exchange(qint32 first, qint32 second);

    // Rows changed by the committed changes so far: each posts one
    // "OdswiezNota" to every listener, this program's own included.
    qint64 committedRowChanges() const { return m_committedRowChanges; }

    db::Statement ibqNotaInsert;
    db::Statement ibqNotaUpdate;
    db::Statement ibqNotaDelete;

private:
    // Runs `change` in a fresh transaction and commits it; a change that
    // met a concurrent writer is tried again in a new snapshot.
    template <typename Change>
    auto committed(Change &&change);
    void bindUpdate(qint32 idNota, const NotePosition &position);
    // Runs an update or delete; the rows it changed.
    qint64 executeChange(db::Statement &statement);
    NotePosition readLocked(qint32 idNota, bool *found);

    db::Transaction &m_transaction;
    db::Statement m_lockCompany;
    db::Statement m_numberTaken;
    db::Statement m_maxNumber;
    db::Statement m_readPosition;
    qint64 m_committedRowChanges = 0;
    qint64 m_pendingRowChanges = 0;  // of the change in progress
};

} // namespace app

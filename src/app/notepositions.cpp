#include "notepositions.h"

#include "daynumber.h"
#include "dberror.h"

namespace app {

namespace {

// Attempts at a change that keeps meeting concurrent writers.
constexpr int kAttempts = 20;

void bindContent(db::Statement &statement, const NotePosition &position)
{
    statement.setInt(QStringLiteral("data"), position.data);
    statement.setInt(QStringLiteral("numer"), position.numer);
    statement.setInt(QStringLiteral("idkontrahent"), position.idKontrahent);
    statement.setAmount(QStringLiteral("obciazylismy"), position.obciazylismy);
    statement.setAmount(QStringLiteral("uznalismy"), position.uznalismy);
    statement.setText(QStringLiteral("tresc"), position.tresc.trimmed());
    statement.setInt(QStringLiteral("miesiac"), monthOfDay(position.data));
    statement.setInt(QStringLiteral("rok"), yearOfDay(position.data));
}

} // namespace

NotePositions::NotePositions(db::Transaction &transaction)
    : ibqNotaInsert(transaction,
                    QStringLiteral("INSERT INTO NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, "
                                   "TRESC, MIESIAC, ROK) values (:idfirma, :data, :numer, :idkontrahent, "
                                   ":obciazylismy, :uznalismy, :tresc, :miesiac, :rok) returning IDNOTA")),
      ibqNotaUpdate(transaction,
                    QStringLiteral("UPDATE NOTA set DATA=:data, NUMER=:numer, IDKONTRAHENT=:idkontrahent, "
                                   "OBCIAZYLISMY=:obciazylismy, UZNALISMY=:uznalismy, TRESC=:tresc, "
                                   "MIESIAC=:miesiac, ROK=:rok where IDNOTA=:idnota")),
      ibqNotaDelete(transaction, QStringLiteral("DELETE FROM NOTA WHERE IDNOTA=:ID")),
      m_transaction(transaction),
      m_lockCompany(transaction, QStringLiteral("select IDFIRMA from FIRMA where IDFIRMA=:idfirma with lock")),
      m_numberTaken(transaction, QStringLiteral("select first 1 IDNOTA from NOTA where IDFIRMA=:idfirma and "
                                                "NUMER=:numer and DATA>=:dataod and DATA<=:datado")),
      m_maxNumber(transaction, QStringLiteral("select MAX(NUMER) from NOTA where IDFIRMA=:idfirma and "
                                              "DATA>=:dataod and DATA<=:datado")),
      m_readPosition(transaction, QStringLiteral("select NUMER, DATA, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, TRESC "
                                                 "from NOTA where IDNOTA=:idnota with lock"))
{
}

template <typename Change>
auto NotePositions::committed(Change &&change)
{
    for (int attempt = 1;; ++attempt) {
        // A fresh snapshot sees what other writers committed up to now.
        m_transaction.commitIfActive();
        m_transaction.start();
        try {
            m_pendingRowChanges = 0;
            auto result = change();
            m_transaction.commit();
            m_committedRowChanges += m_pendingRowChanges;
            return result;
        } catch (const db::DbError &error) {
            try {
                if (m_transaction.isActive())
                    m_transaction.rollback();
            } catch (const db::DbError &) {
                // The connection is gone; the first error says more.
            }
            if (!error.isConcurrentUpdate() || attempt == kAttempts)
                throw;
        }
    }
}

InsertedPosition NotePositions::insert(int idFirma, const NotePosition &position, bool numberWasProposed,
                                       bool monthly)
{
    return committed([&] {
        InsertedPosition inserted;
        NotePosition stored = position;
        if (numberWasProposed) {
            // Held until the commit: the next writer of this company waits
            // here and then sees this position.
            m_lockCompany.setInt(QStringLiteral("idfirma"), idFirma);
            m_lockCompany.open();
            m_lockCompany.next();
            m_lockCompany.close();

            const int first = monthly ? firstDayOfMonth(position.data) : firstDayOfYear(position.data);
            const int last = monthly ? lastDayOfMonth(position.data) : lastDayOfYear(position.data);
            for (db::Statement *query : {&m_numberTaken, &m_maxNumber}) {
                query->setInt(QStringLiteral("idfirma"), idFirma);
                query->setInt(QStringLiteral("dataod"), first);
                query->setInt(QStringLiteral("datado"), last);
            }
            m_numberTaken.setInt(QStringLiteral("numer"), position.numer);
            m_numberTaken.open();
            const bool taken = m_numberTaken.next();
            m_numberTaken.close();
            if (taken) {
                m_maxNumber.open();
                stored.numer = (m_maxNumber.next() ? m_maxNumber.toInt(0) : 0) + 1;
                m_maxNumber.close();
                inserted.renumbered = true;
            }
        }
        ibqNotaInsert.setInt(QStringLiteral("idfirma"), idFirma);
        bindContent(ibqNotaInsert, stored);
        ibqNotaInsert.execute();
        m_pendingRowChanges += 1;
        inserted.idNota = ibqNotaInsert.toInt(QStringLiteral("IDNOTA"));
        inserted.numer = stored.numer;
        return inserted;
    });
}

qint64 NotePositions::executeChange(db::Statement &statement)
{
    statement.execute();
    const qint64 rows = qint64(statement.affectedRows());
    m_pendingRowChanges += rows;
    return rows;
}

void NotePositions::bindUpdate(qint32 idNota, const NotePosition &position)
{
    bindContent(ibqNotaUpdate, position);
    ibqNotaUpdate.setInt(QStringLiteral("idnota"), idNota);
}

bool NotePositions::update(qint32 idNota, const NotePosition &position)
{
    return committed([&] {
        bindUpdate(idNota, position);
        return executeChange(ibqNotaUpdate) > 0;
    });
}

bool NotePositions::remove(qint32 idNota)
{
    return committed([&] {
        ibqNotaDelete.setInt(QStringLiteral("ID"), idNota);
        return executeChange(ibqNotaDelete) > 0;
    });
}

NotePosition NotePositions::readLocked(qint32 idNota, bool *found)
{
    NotePosition position;
    m_readPosition.setInt(QStringLiteral("idnota"), idNota);
    m_readPosition.open();
    *found = m_readPosition.next();
    if (*found) {
        position.numer = m_readPosition.toInt(0);
        position.data = m_readPosition.toInt(1);
        position.idKontrahent = m_readPosition.toInt(2);
        position.obciazylismy = m_readPosition.toAmount(3);
        position.uznalismy = m_readPosition.toAmount(4);
        position.tresc = m_readPosition.toText(5);
    }
    m_readPosition.close();
    return position;
}

bool NotePositions::exchange(qint32 first, qint32 second)
{
    return committed([&] {
        // Locked in the order of their identifiers, so that two exchanges
        // over the same rows wait for each other instead of deadlocking.
        const qint32 low = std::min(first, second), high = std::max(first, second);
        bool lowFound = false, highFound = false;
        const NotePosition lowContent = readLocked(low, &lowFound);
        const NotePosition highContent = readLocked(high, &highFound);
        if (!lowFound || !highFound)
            return false;
        bindUpdate(low, highContent);
        executeChange(ibqNotaUpdate);
        bindUpdate(high, lowContent);
        executeChange(ibqNotaUpdate);
        return true;
    });
}

} // namespace app

#pragma once
// The data module: the program's one database connection, its default
// transaction, and the queries that read one company, one counterparty or
// the highest note number of a period. Each read runs in a fresh snapshot
// and commits after itself.

#include "database.h"
#include "environment.h"
#include "messages.h"

namespace app {

// When this user is not in the group `folder` belongs to (the package's
// data folder and the mirelo group), what the administrator does about it,
// to stand above the database's own message; else nothing.
QString groupHint(const QString &folder);

class TDataModule1 {
public:
    explicit TDataModule1(Environment &env);
    ~TDataModule1();

    // Connects to the environment's database and reads it once. On failure
    // tells the user why (Firebird's reason under the program's message) and
    // returns false: the process then ends.
    bool DataModuleCreate(Messenger &messenger);
    void DataModuleDestroy() noexcept;
    // After a lost connection: lets the dead attachment go and connects
    // again. Throws db::DbError when the database cannot be reached yet.
    void reconnect();

    // Loads the company into the current company details; a missing one
    // empties the texts and returns false.
    bool ReadCompany(int idFirma);
    // NAZWA1 + " " + NAZWA2; empty for a missing counterparty.
    QString CounterpartyName(int idKontrahent);
    // Name, street and town lines, and "NIP: " when there is one.
    QString CounterpartyAddress(int idKontrahent);

    // The highest NUMER of the company's positions dated in the month, or
    // the year, of `day`; 0 when there is none.
    int MaxNumberInMonth(int idFirma, int day);
    int MaxNumberInYear(int idFirma, int day);
    // The number proposed for a new note of the current company dated `day`.
    int NextNoteNumber(int day);

    db::Connection IBDatabase1;
    db::Transaction IBTransaction1{IBDatabase1};

private:
    void connect();
    // Opens `query` with `id` in a fresh snapshot; true when it found the row.
    bool locate(db::Statement &query, const QString &parameter, int id);
    int maxNumber(int idFirma, int firstDay, int lastDay);

    Environment &m_env;
    db::Statement ibqFirma{IBTransaction1, QStringLiteral("select * from FIRMA where IDFIRMA=:idfirma")};
    db::Statement ibqKontrahent{IBTransaction1,
                                QStringLiteral("select * from KONTRAHENT where IDKONTRAHENT=:idkontrahent")};
    db::Statement ibqNota{IBTransaction1, QStringLiteral("SELECT MAX (NUMER) FROM NOTA WHERE idfirma=:idfirma and "
                                                         "data>=:dataod and data<=:datado")};
};

// The program's password of the database administrator.
QString databasePassword();

} // namespace app

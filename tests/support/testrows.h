#pragma once
// Rows for tests: a company, a counterparty, a note position, with only
// what a test cares about given and the rest filled in.

#include "database.h"

#include <QDate>

namespace testsupport {

inline int insertCompany(db::Transaction &transaction, const QString &name,
                         const QString &pattern = QStringLiteral("NN"), const QString &monthly = QStringLiteral("N"))
{
    db::Statement insert(transaction, QStringLiteral(
        "insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, "
        "SYSTEMNUMERACJI, NRMIESIECZNA) values (:nazwa1, '', '', '', '', '', '', '', :wzor, :miesieczna) "
        "returning IDFIRMA"));
    insert.setText(QStringLiteral("nazwa1"), name);
    insert.setText(QStringLiteral("wzor"), pattern);
    insert.setText(QStringLiteral("miesieczna"), monthly);
    insert.execute();
    return insert.toInt(0);
}

inline int insertCounterparty(db::Transaction &transaction, int company, const QString &name)
{
    db::Statement insert(transaction, QStringLiteral(
        "insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, "
        "AKTYWNY) values (:idfirma, :nazwa1, '', '', '', '', '', '', '', 'Y') returning IDKONTRAHENT"));
    insert.setInt(QStringLiteral("idfirma"), company);
    insert.setText(QStringLiteral("nazwa1"), name);
    insert.execute();
    return insert.toInt(0);
}

struct NoteValues {
    int day = 0;  // day number
    int number = 1;
    qint64 debit = 0;  // ten-thousandths
    qint64 credit = 0;
    QString text = QStringLiteral("x");
};

// MIESIAC and ROK follow the day, as the program writes them.
inline int insertNote(db::Transaction &transaction, int company, int counterparty, const NoteValues &values)
{
    db::Statement insert(transaction, QStringLiteral(
        "INSERT INTO NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, TRESC, MIESIAC, ROK) "
        "values (:idfirma, :data, :numer, :idkontrahent, :obciazylismy, :uznalismy, :tresc, :miesiac, :rok) "
        "returning IDNOTA"));
    const QDate date = QDate(1899, 12, 30).addDays(values.day);
    insert.setInt(QStringLiteral("idfirma"), company);
    insert.setInt(QStringLiteral("data"), values.day);
    insert.setInt(QStringLiteral("numer"), values.number);
    insert.setInt(QStringLiteral("idkontrahent"), counterparty);
    insert.setAmount(QStringLiteral("obciazylismy"), values.debit);
    insert.setAmount(QStringLiteral("uznalismy"), values.credit);
    insert.setText(QStringLiteral("tresc"), values.text);
    insert.setInt(QStringLiteral("miesiac"), date.month());
    insert.setInt(QStringLiteral("rok"), date.year());
    insert.execute();
    return insert.toInt(0);
}

} // namespace testsupport

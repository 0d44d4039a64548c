#pragma once
// A connected fresh database with helpers to add rows.

#include "database.h"
#include "testdatabase.h"

#include <gtest/gtest.h>

class DbFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        connection.open(parameters());
        transaction.start();
    }

    db::ConnectionParameters parameters() const
    {
        return {database.path(), QStringLiteral("sysdba"), QStringLiteral("quorbelin")};
    }

    int addCompany(const QString &name)
    {
        db::Statement insert(transaction, QStringLiteral(
            "insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON) "
            "values (:nazwa1, '', '', '', '', '', '', '') returning IDFIRMA"));
        insert.setText(QStringLiteral("nazwa1"), name);
        insert.execute();
        return insert.toInt(0);
    }

    int addCounterparty(int company, const QString &name)
    {
        db::Statement insert(transaction, QStringLiteral(
            "insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, AKTYWNY) "
            "values (:idfirma, :nazwa1, '', '', '', '', '', '', '', 'Y') returning IDKONTRAHENT"));
        insert.setInt(QStringLiteral("idfirma"), company);
        insert.setText(QStringLiteral("nazwa1"), name);
        insert.execute();
        return insert.toInt(0);
    }

    int addNote(int company, int counterparty, int day, int number, qint64 debit = 0)
    {
        db::Statement insert(transaction, QStringLiteral(
            "insert into NOTA (IDFIRMA, DATA, NUMER, IDKONTRAHENT, OBCIAZYLISMY, UZNALISMY, TRESC) "
            "values (:idfirma, :data, :numer, :idkontrahent, :obciazylismy, 0, 'x') returning IDNOTA"));
        insert.setInt(QStringLiteral("idfirma"), company);
        insert.setInt(QStringLiteral("data"), day);
        insert.setInt(QStringLiteral("numer"), number);
        insert.setInt(QStringLiteral("idkontrahent"), counterparty);
        insert.setAmount(QStringLiteral("obciazylismy"), debit);
        insert.execute();
        return insert.toInt(0);
    }

    int count(const QString &table)
    {
        db::Statement select(transaction, QStringLiteral("select count(*) from ") + table);
        select.open();
        select.next();
        return select.toInt(0);
    }

    testsupport::TestDatabase database;
    db::Connection connection;
    db::Transaction transaction{connection};
};

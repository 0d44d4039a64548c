#pragma once
// A connected fresh database with helpers to add rows.

#include "database.h"
#include "testdatabase.h"
#include "testrows.h"

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
        return {database.path(), QStringLiteral("sysdba"), QStringLiteral("quorbelin"), {}};
    }

    int addCompany(const QString &name) { return testsupport::insertCompany(transaction, name); }

    int addCounterparty(int company, const QString &name)
    {
        return testsupport::insertCounterparty(transaction, company, name);
    }

    int addNote(int company, int counterparty, int day, int number, qint64 debit = 0)
    {
        return testsupport::insertNote(transaction, company, counterparty, {day, number, debit});
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

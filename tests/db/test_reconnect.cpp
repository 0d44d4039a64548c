// A connection closed and opened again (as a restore does to swap the
// database file) keeps the statements prepared on it usable.
#include "dbfixture.h"

using Reconnect = DbFixture;

TEST_F(Reconnect, StatementsPreparedBeforeServeAfter)
{
    const int company = addCompany(QStringLiteral("Przed"));
    db::Statement select(transaction, QStringLiteral("select NAZWA1 from FIRMA where IDFIRMA = :id"));
    select.setInt(QStringLiteral("id"), company);
    select.open();
    ASSERT_TRUE(select.next());
    transaction.commit();

    connection.close();
    connection.open(parameters());
    transaction.start();
    select.open();
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toText(0), QStringLiteral("Przed"));

    addCompany(QStringLiteral("Po"));
    db::Statement count(transaction, QStringLiteral("select count(*) from FIRMA"));
    count.open();
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.toInt(0), 2);
}

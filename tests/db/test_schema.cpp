// What the program requires of the database file.
#include "dbfixture.h"
#include "dberror.h"

using db::DbError;
using db::Statement;

using Schema = DbFixture;

TEST_F(Schema, AssignsIncreasingIdentifiersAndDefaultsUnwrittenColumns)
{
    const int company = addCompany(QStringLiteral("A"));
    const int counterparty = addCounterparty(company, QStringLiteral("K"));
    EXPECT_GT(company, 0);
    EXPECT_GT(counterparty, 0);
    int previous = 0;
    for (int i = 0; i < 5; ++i) {
        const int id = addNote(company, counterparty, 44562, 1);
        EXPECT_GT(id, previous);
        previous = id;
    }
    Statement select(transaction, QStringLiteral(
        "select f.INNE, k.INNE, n.ZALOKOWANY, n.STRONICOWANIE, n.LP from NOTA n, FIRMA f, KONTRAHENT k "
        "where n.IDFIRMA = f.IDFIRMA and k.IDKONTRAHENT = n.IDKONTRAHENT"));
    select.open();
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toText(0), QString());
    EXPECT_EQ(select.toText(1), QString());
}

TEST_F(Schema, SortsAndUppercasesPolishNames)
{
    const int company = addCompany(QStringLiteral("A"));
    for (const char *name : {"Żaba", "Zebra", "Łata", "Lato", "Ćma", "Cyna"})
        addCounterparty(company, QString::fromUtf8(name));
    Statement select(transaction, QStringLiteral("select NAZWA1, upper(NAZWA1) from KONTRAHENT order by NAZWA1"));
    select.open();
    QStringList names, upper;
    while (select.next()) {
        names << select.toText(0);
        upper << select.toText(1);
    }
    EXPECT_EQ(names, QStringList({"Cyna", "Ćma", "Lato", "Łata", "Zebra", "Żaba"}));
    EXPECT_EQ(upper.last(), QStringLiteral("ŻABA"));
}

TEST_F(Schema, RefusesDeletesThatWouldOrphanRowsAndKeepsTheData)
{
    const int withCounterparty = addCompany(QStringLiteral("A"));
    const int counterparty = addCounterparty(withCounterparty, QStringLiteral("K"));
    const int withNote = addCompany(QStringLiteral("B"));
    addNote(withNote, counterparty, 44562, 1);
    transaction.commit();

    struct Case {
        const char *sql;
        int id;
    };
    const Case refused[] = {
        {"DELETE FROM FIRMA WHERE IDFIRMA=:ID", withCounterparty},
        {"DELETE FROM FIRMA WHERE IDFIRMA=:ID", withNote},
        {"DELETE FROM KONTRAHENT WHERE IDKONTRAHENT=:ID", counterparty},
    };
    for (const Case &c : refused) {
        transaction.start();
        Statement remove(transaction, QString::fromUtf8(c.sql));
        remove.setInt(QStringLiteral("ID"), c.id);
        try {
            remove.execute();
            FAIL() << c.sql << " was not refused";
        } catch (const DbError &error) {
            EXPECT_TRUE(error.isForeignKeyViolation()) << error.what();
        }
        transaction.rollback();
    }
    transaction.start();
    EXPECT_EQ(count(QStringLiteral("FIRMA")), 2);
    EXPECT_EQ(count(QStringLiteral("KONTRAHENT")), 1);
    EXPECT_EQ(count(QStringLiteral("NOTA")), 1);

    // With its note gone the counterparty, and then its company, can go.
    Statement(transaction, QStringLiteral("delete from NOTA")).execute();
    Statement removeCounterparty(transaction, QStringLiteral("DELETE FROM KONTRAHENT WHERE IDKONTRAHENT=:ID"));
    removeCounterparty.setInt(QStringLiteral("ID"), counterparty);
    removeCounterparty.execute();
    Statement removeCompany(transaction, QStringLiteral("DELETE FROM FIRMA WHERE IDFIRMA=:ID"));
    removeCompany.setInt(QStringLiteral("ID"), withCounterparty);
    removeCompany.execute();
    transaction.commit();
}

TEST_F(Schema, TemplateIsOwnedBySysdbaWithUtf8)
{
    Statement select(transaction, QStringLiteral(
        "select trim(RDB$OWNER_NAME), trim(RDB$CHARACTER_SET_NAME) from RDB$RELATIONS, RDB$DATABASE "
        "where RDB$RELATION_NAME = 'NOTA'"));
    select.open();
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toText(0), QStringLiteral("SYSDBA"));
    EXPECT_EQ(select.toText(1), QStringLiteral("UTF8"));
}

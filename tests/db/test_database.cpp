// The database layer: named parameters, typed reads, transactions, errors.
#include "dbfixture.h"
#include "dberror.h"

using db::DbError;
using db::Statement;

TEST(NamedParameters, BecomePositionalOutsideQuotesAndComments)
{
    struct Case {
        QString sql;
        QByteArray positional;
        QStringList names;
    };
    const std::vector<Case> cases = {
        {"select * from NOTA where idfirma=:idfirma and data>=:dataod", "select * from NOTA where idfirma=? and data>=?",
         {"IDFIRMA", "DATAOD"}},
        {"DELETE FROM NOTA WHERE IDNOTA=:ID", "DELETE FROM NOTA WHERE IDNOTA=?", {"ID"}},
        {"select ':x', \"a:b\" from t where c=:c -- :d\n", "select ':x', \"a:b\" from t where c=? -- :d\n", {"C"}},
        {"select 'it''s :no' from t /* :no */ where a=:a or b=:a", "select 'it''s :no' from t /* :no */ where a=? or b=?",
         {"A", "A"}},
        {"select cast(x as time) from t where a = :1x", "select cast(x as time) from t where a = :1x", {}},
        {"select 'unterminated :x", "select 'unterminated :x", {}},
    };
    for (const Case &c : cases) {
        const db::PositionalSql result = db::toPositional(c.sql);
        EXPECT_EQ(result.sql, c.positional) << c.sql.toStdString();
        EXPECT_EQ(result.names, c.names) << c.sql.toStdString();
    }
}

TEST(TrimBlanks, RemovesControlCharactersAndSpacesOnly)
{
    EXPECT_EQ(db::trimBlanks(QStringLiteral("  Żółć \t\r\n")), QStringLiteral("Żółć"));
    // A no-break space is part of the text, not a blank.
    EXPECT_EQ(db::trimBlanks(QString(QChar(0xA0)) + "a "), QString(QChar(0xA0)) + "a");
    EXPECT_EQ(db::trimBlanks(QStringLiteral("   ")), QString());
}

using DatabaseLayer = DbFixture;

TEST_F(DatabaseLayer, ParametersAndColumnsRoundTripTheirTypes)
{
    const int company = addCompany(QStringLiteral("Zakład Łódź"));
    const int counterparty = addCounterparty(company, QStringLiteral("Ósemka"));
    addNote(company, counterparty, 44561, 7, 12345600);
    addNote(company, counterparty, 44561, 8, -5);  // -0.0005

    Statement select(transaction, QStringLiteral(
        "select n.numer, n.obciazylismy, n.tresc, n.zalokowany, n.lp, k.nazwa1, f.nazwa1 as firma "
        "from NOTA n join KONTRAHENT k on k.idkontrahent = n.idkontrahent join FIRMA f on f.idfirma = n.idfirma "
        "where n.idfirma = :idfirma and n.data = :data order by n.numer"));
    select.setInt(QStringLiteral(":idfirma"), company);
    select.setInt(QStringLiteral("DATA"), 44561);
    select.open();
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toInt("NUMER"), 7);
    EXPECT_EQ(select.toAmount("obciazylismy"), 12345600);
    EXPECT_EQ(select.toText("TRESC"), QStringLiteral("x"));
    EXPECT_TRUE(select.isNull("ZALOKOWANY"));
    EXPECT_EQ(select.toText("ZALOKOWANY"), QString());
    EXPECT_TRUE(select.isNull("LP"));
    EXPECT_EQ(select.toInt("LP"), 0);
    EXPECT_EQ(select.toText("NAZWA1"), QStringLiteral("Ósemka"));
    EXPECT_EQ(select.toText("firma"), QStringLiteral("Zakład Łódź"));
    ASSERT_TRUE(select.next());
    EXPECT_EQ(select.toAmount("OBCIAZYLISMY"), -5);
    EXPECT_FALSE(select.next());
    select.close();
}

TEST_F(DatabaseLayer, PreparedStatementRunsManyTimesWithNewValues)
{
    const int company = addCompany(QStringLiteral("A"));
    Statement insert(transaction, QStringLiteral(
        "insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON) "
        "values (:idfirma, :nazwa, :nazwa, '', '', '', '', '', '')"));
    for (int i = 0; i < 50; ++i) {
        insert.setInt(QStringLiteral("idfirma"), company);
        insert.setText(QStringLiteral("nazwa"), QString(i * 2, QChar(0x017C)));
        insert.execute();
    }
    Statement select(transaction, QStringLiteral("select max(char_length(trim(NAZWA2))) from KONTRAHENT"));
    select.open();
    select.next();
    EXPECT_EQ(select.toInt(0), 98);
}

TEST_F(DatabaseLayer, FirebirdMessagesReachTheCaller)
{
    Statement bad(transaction, QStringLiteral("select nothing from NOWHERE"));
    try {
        bad.open();
        FAIL() << "a bad statement ran";
    } catch (const DbError &error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("NOWHERE"))) << error.what();
    }
    Statement tooLong(transaction, QStringLiteral("update FIRMA set NIP = :nip"));
    tooLong.setText(QStringLiteral("nip"), QString(21, QLatin1Char('1')));
    EXPECT_THROW(tooLong.execute(), DbError);
    EXPECT_THROW(tooLong.setInt(QStringLiteral("missing"), 1), DbError);
}

TEST_F(DatabaseLayer, CommitClosesCursorsAndAnotherTransactionSeesTheData)
{
    const int company = addCompany(QStringLiteral("A"));
    Statement select(transaction, QStringLiteral("select IDFIRMA from FIRMA"));
    select.open();
    transaction.commit();
    EXPECT_FALSE(select.isOpen());
    EXPECT_FALSE(transaction.isActive());

    db::Transaction other(connection);
    other.startIfInactive();
    other.startIfInactive();
    Statement read(other, QStringLiteral("select IDFIRMA from FIRMA"));
    read.open();
    ASSERT_TRUE(read.next());
    EXPECT_EQ(read.toInt(0), company);
    other.rollback();
    EXPECT_THROW(other.commit(), DbError);
}

TEST(Connection, MissingDatabaseRaisesWithFirebirdsMessage)
{
    testsupport::TestDatabase database;  // configures the engine
    db::Connection connection;
    try {
        connection.open({database.folder() + QStringLiteral("/absent.fdb"), QStringLiteral("sysdba"),
                         QStringLiteral("quorbelin"), {}});
        FAIL() << "connected to a missing file";
    } catch (const DbError &error) {
        EXPECT_FALSE(error.message().isEmpty());
    }
    EXPECT_FALSE(connection.isOpen());
}

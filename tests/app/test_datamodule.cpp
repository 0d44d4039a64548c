// The data module: connection failure, companies and counterparties.
#include "datamodule.h"
#include "dbfixture.h"
#include "localusers.h"
#include "scriptedmessenger.h"

#include <QDir>
#include <QProcess>

using namespace app;

TEST(DataModule, FailedConnectionTellsTheUser)
{
    testsupport::TestDatabase database;
    Environment env;
    env.databaseFolder = database.folder() + "/nowhere";
    TDataModule1 module(env);
    testsupport::ScriptedMessenger messenger;
    EXPECT_FALSE(module.DataModuleCreate(messenger));
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_TRUE(messenger.shown[0].text.startsWith("Połączenie z bazą zakończone niepowodzeniem.\r\n\r\n"));
    EXPECT_TRUE(messenger.shown[0].text.contains("nowhere")) << messenger.shown[0].text.toStdString();
    EXPECT_EQ(messenger.shown[0].caption, " BŁĄD !");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Error);
}

// A user outside the group that may use the program's shared data folder
// (the package's mirelo group) learns that, and what the administrator
// does, above the database's own message.
TEST(DataModule, AUserOutsideTheDataFoldersGroupIsToldHowToJoinIt)
{
    testsupport::TestDatabase database;
    const QString folder = database.folder() + "/Dane";
    QDir().mkpath(folder);
    EXPECT_EQ(groupHint(folder), QString()) << "the user's own folder";
    const QString intruder = testsupport::secondLocalUser();
    if (intruder.isEmpty())
        return;  // only root can give the folder to a group the process is not in
    ASSERT_EQ(QProcess::execute("chown", {"nobody:" + intruder, folder}), 0);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                      | QFile::WriteGroup | QFile::ExeGroup);

    Environment env;
    env.databaseFolder = folder;
    TDataModule1 module(env);
    testsupport::ScriptedMessenger messenger;
    EXPECT_FALSE(module.DataModuleCreate(messenger));
    ASSERT_EQ(messenger.shown.size(), 1);
    const QString text = messenger.shown[0].text;
    EXPECT_TRUE(text.startsWith("Połączenie z bazą zakończone niepowodzeniem.\r\n\r\nUżytkownik root nie należy do "
                                "grupy mirelo-intruz, której członkowie mogą pracować w programie"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("adduser root mirelo-intruz\r\nPotem trzeba się wylogować i zalogować ponownie."));
    EXPECT_TRUE(text.contains("Komunikat bazy danych:\r\n") && text.contains("mr.fdb")) << text.toStdString();
}

class Queries : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        env.databaseFolder = database.folder();
        testsupport::ScriptedMessenger messenger;
        ASSERT_TRUE(module.DataModuleCreate(messenger));
    }
    int company(const QString &flag)
    {
        db::Statement insert(transaction, QStringLiteral(
            "insert into FIRMA (NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, TELEFON, "
            "SYSTEMNUMERACJI, NRMIESIECZNA) values ('  Firma ', 'Sp. z o.o.', 'Długa', '5', 'Łódź', '90-001', "
            "'123', '', 'NN/MM/RRRR', :flag) returning IDFIRMA"));
        if (flag.isNull())
            insert.setNull("flag");
        else
            insert.setText("flag", flag);
        insert.execute();
        return insert.toInt(0);
    }
    int counterparty(int owner, const QString &nip, const QString &country)
    {
        db::Statement insert(transaction, QStringLiteral(
            "insert into KONTRAHENT (IDFIRMA, NAZWA1, NAZWA2, ULICA, NUMERDOMU, MIEJSCOWOSC, KODPOCZTOWY, NIP, "
            "TELEFON, KRAJ, AKTYWNY) values (:idfirma, 'Jan', 'Kowalski', 'Polna', '3a', 'Kraków', '30-001', :nip, "
            "'', :kraj, 'Y') returning IDKONTRAHENT"));
        insert.setInt("idfirma", owner);
        insert.setText("nip", nip);
        insert.setText("kraj", country);
        insert.execute();
        return insert.toInt(0);
    }

    Environment env;
    TDataModule1 module{env};
};

TEST_F(Queries, ReadCompanyTrimsTextsAndReadsTheNumberingFlag)
{
    const struct {
        QString flag;
        bool monthly;
    } cases[] = {{"t", true}, {"Y", true}, {"N", false}, {" ", false}, {QString(), false}, {"x", false}};
    QList<int> ids;
    for (const auto &c : cases)
        ids << company(c.flag);
    transaction.commit();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        ASSERT_TRUE(module.ReadCompany(ids[i]));
        EXPECT_EQ(env.company.nrMiesieczna, cases[i].monthly) << cases[i].flag.toStdString();
    }
    EXPECT_EQ(env.company.nazwa1, "Firma");
    EXPECT_EQ(env.company.miejscowosc, "Łódź");
    EXPECT_EQ(env.company.systemNumeracji, "NN/MM/RRRR");
    EXPECT_FALSE(module.IBTransaction1.isActive());

    EXPECT_FALSE(module.ReadCompany(9999));
    EXPECT_EQ(env.company.nazwa1, "");
    EXPECT_EQ(env.company.systemNumeracji, "");
    EXPECT_EQ(env.company.nip, "");
}

TEST_F(Queries, CounterpartyNameAndAddress)
{
    const int owner = company("N");
    const int withNip = counterparty(owner, "PL 555", "Polska");
    const int withoutNip = counterparty(owner, "  ", "Polska");
    transaction.commit();

    EXPECT_EQ(module.CounterpartyName(withNip), "Jan Kowalski");
    EXPECT_EQ(module.CounterpartyName(0), "");
    EXPECT_EQ(module.CounterpartyAddress(withNip),
              "Jan Kowalski\r\nPolna 3a, 30-001 Kraków. Polska\r\nNIP: PL 555");
    EXPECT_EQ(module.CounterpartyAddress(withoutNip), "Jan Kowalski\r\nPolna 3a, 30-001 Kraków. Polska");
    EXPECT_EQ(module.CounterpartyAddress(0), "");
    EXPECT_FALSE(module.IBTransaction1.isActive());
}

TEST_F(Queries, EachReadSeesTheLatestCommit)
{
    const int owner = company("N");
    const int id = counterparty(owner, "", "");
    transaction.commit();
    EXPECT_EQ(module.CounterpartyName(id), "Jan Kowalski");
    transaction.start();
    db::Statement rename(transaction, "update KONTRAHENT set NAZWA2 = 'Nowak' where IDKONTRAHENT = :id");
    rename.setInt("id", id);
    rename.execute();
    transaction.commit();
    EXPECT_EQ(module.CounterpartyName(id), "Jan Nowak");
}

// The office's database server stopped and started again while the main
// window works on it: the user is told in Polish, the window connects again
// when asked, nothing committed is lost, and other copies' changes arrive
// again through the new attachment.
#include "application.h"
#include "datamodule.h"
#include "dberror.h"
#include "daynumber.h"
#include "formatting.h"
#include "localhttpserver.h"
#include "mainwindow.h"
#include "notesquery.h"
#include "recordingshell.h"
#include "scriptedprompts.h"
#include "testrows.h"
#include "testserver.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kLost = QStringLiteral("Utracono połączenie z bazą danych.");
const QString kStill = QStringLiteral("Nadal nie można połączyć się z bazą danych.");
const QString kRestored = QStringLiteral("Połączenie z bazą danych zostało przywrócone.");

class LostConnection : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::TestServer::installed())
            GTEST_SKIP() << "the Firebird server package is not installed";
        server = std::make_unique<testsupport::TestServer>();
        ASSERT_TRUE(server->isRunning()) << server->reason().toStdString();
        const QString path = server->newDatabase(QStringLiteral("mr.fdb"));
        env = app::Environment{};
        env.workingFolder = work.path();
        env.databaseFolder = server->remoteName(server->folder());
        ASSERT_EQ(env.databaseName(), server->remoteName(path));
        env.listQueryText = app::unfilteredNotesQuery();
        env.vendorUrl = vendorSite.url();
        app::formatSettings().decimalSeparator = QLatin1Char(',');
        ASSERT_TRUE(data.DataModuleCreate(prompts));

        other.open({env.databaseName(), QStringLiteral("sysdba"), server->password(), {}});
        db::Transaction setup(other);
        setup.start();
        company = testsupport::insertCompany(setup, QStringLiteral("Biuro"));
        counterparty = testsupport::insertCounterparty(setup, company, QStringLiteral("Alfa"));
        testsupport::insertNote(setup, company, counterparty, {day, 1, 1000000, 0, QStringLiteral("zapisana")});
        setup.commit();
        env.currentCompany = company;
        window = std::make_unique<notes::TfrmMain>(context);
        window->show();
        ASSERT_EQ(texts(), QStringList{"zapisana"});
        prompts.shown.clear();
    }

    void TearDown() override
    {
        window.reset();
        other.close();
    }

    QStringList texts() const
    {
        QStringList result;
        for (const notes::NoteRow &row : window->notesModel()->rows())
            result << row.tresc;
        return result;
    }

    app::NotePosition position(int number, const QString &text) const
    {
        app::NotePosition p;
        p.numer = number;
        p.obciazylismy = 5000000;
        p.data = day;
        p.idKontrahent = counterparty;
        p.tresc = text;
        return p;
    }

    // Another copy of the program commits a position; its event reaches the window.
    void anotherCopyAdds(const QString &text)
    {
        other.open({env.databaseName(), QStringLiteral("sysdba"), server->password(), {}});
        db::Transaction transaction(other);
        transaction.start();
        testsupport::insertNote(transaction, company, counterparty, {day, 9, 100, 0, text});
        transaction.commit();
    }

    QStringList messages() const
    {
        QStringList result;
        for (const auto &m : prompts.shown)
            result << m.text.section(QStringLiteral("\r\n"), 0, 0);
        return result;
    }

    const int day = app::dayNumber(QDate(2026, 12, 1));
    std::unique_ptr<testsupport::TestServer> server;
    testsupport::LocalHttpServer vendorSite;
    QTemporaryDir work;
    testsupport::ScriptedPrompts prompts;
    app::Environment &env = app::environment();
    app::TDataModule1 data{env};
    testsupport::RecordingShell shell;
    ui::Context context{env, data, prompts, shell};
    std::unique_ptr<notes::TfrmMain> window;
    db::Connection other;
    int company = 0, counterparty = 0;
};

} // namespace

TEST_F(LostConnection, ServerStoppedWhileSavingIsReportedAndTheWindowConnectsAgainWhenAsked)
{
    server->kill();
    // The first retry finds the server still stopped; before the second one
    // the administrator has started it again.
    prompts.answers = {app::MessageAnswer::Yes, app::MessageAnswer::Yes};
    prompts.messages.beforeAnswer = [this](const testsupport::ShownMessage &m) {
        if (m.text.startsWith(kStill)) {
            ASSERT_TRUE(server->startAgain()) << server->reason().toStdString();
        }
    };
    window->storeNewPosition(position(2, QStringLiteral("przerwana")), false);

    ASSERT_EQ(messages(), (QStringList{kLost, kStill, kRestored}));
    const testsupport::ShownMessage &lost = prompts.shown[0];
    EXPECT_EQ(lost.buttons, app::MessageButtons::YesNo);
    EXPECT_TRUE(lost.text.contains(QStringLiteral("To, co zapisano wcześniej, jest bezpieczne w bazie")));
    EXPECT_TRUE(lost.text.endsWith(QStringLiteral("Czy połączyć się ponownie ?")));
    EXPECT_TRUE(lost.text.contains(QStringLiteral("Przyczyna: "))) << lost.text.toStdString();
    // What was committed before the server stopped is there; the list reads
    // the new attachment.
    EXPECT_EQ(texts(), QStringList{"zapisana"});

    prompts.shown.clear();
    prompts.messages.beforeAnswer = nullptr;
    window->storeNewPosition(position(2, QStringLiteral("po powrocie")), false);
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.value(0).text.toStdString();
    EXPECT_EQ(texts(), (QStringList{"zapisana", "po powrocie"}));

    // Events are asked for on the new attachment.
    anotherCopyAdds(QStringLiteral("z innego stanowiska"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return texts().size() == 3; }, 5000)) << texts().join(", ").toStdString();
}

TEST_F(LostConnection, DecliningToConnectAsksOnceAndTheNextFailureAsksAgain)
{
    server->kill();
    prompts.answers = {app::MessageAnswer::No};
    const notes::NoteRow before = window->notesModel()->rows().front();
    EXPECT_FALSE(window->UpdatePosition(before.idNota, position(1, QStringLiteral("poprawiona"))));
    EXPECT_EQ(messages(), QStringList{kLost});

    ASSERT_TRUE(server->startAgain()) << server->reason().toStdString();
    prompts.shown.clear();
    prompts.answers = {app::MessageAnswer::Yes};
    EXPECT_TRUE(window->UpdatePosition(before.idNota, position(1, QStringLiteral("poprawiona"))) == false);
    EXPECT_EQ(messages(), (QStringList{kLost, kRestored}));
    // Connected again, the correction can be made.
    prompts.shown.clear();
    EXPECT_TRUE(window->UpdatePosition(before.idNota, position(1, QStringLiteral("poprawiona"))));
    EXPECT_EQ(texts(), QStringList{"poprawiona"});
}

// A window other than the main one (the company list, a printout) meets the
// lost connection and does not catch it: the main window offers to connect
// again and reads its list again.
TEST_F(LostConnection, AFailureNoWindowCaughtIsOfferedToTheMainWindow)
{
    server->kill();
    bool thrown = false;
    try {
        data.ReadCompany(company);
    } catch (const db::DbError &error) {
        thrown = true;
        ASSERT_TRUE(error.isConnectionLost()) << error.message().toStdString();
        ASSERT_TRUE(server->startAgain()) << server->reason().toStdString();
        anotherCopyAdds(QStringLiteral("w czasie przerwy"));
        prompts.answers = {app::MessageAnswer::Yes};
        ui::reportUncaught(error);
    }
    ASSERT_TRUE(thrown);
    EXPECT_EQ(messages(), (QStringList{kLost, kRestored}));
    EXPECT_TRUE(QTest::qWaitFor([this] { return texts().size() == 2; }, 5000)) << texts().join(", ").toStdString();
    EXPECT_TRUE(data.ReadCompany(company));

    // Anything else is shown with its own message.
    prompts.shown.clear();
    ui::reportUncaught(db::DbError(QStringLiteral("violation of FOREIGN KEY constraint"), 335544466));
    EXPECT_EQ(messages(), QStringList{"violation of FOREIGN KEY constraint"});
}

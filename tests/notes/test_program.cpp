// The whole run in this process: the first start installs the database from
// the template beside the program, shows the about window, opens the main
// window; closing it writes the settings. The next start deletes the template.
#include "localhttpserver.h"
#include "localusers.h"
#include "program.h"
#include "scriptedprompts.h"
#include "testdatabase.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include "aboutbox.h"
#include "database.h"
#include "mainwindow.h"

namespace {

// Closes the about window when it shows, then the main window once it is
// shown and `shown` is true (the closing question is answered by the
// scripted prompts).
void closeWindowsAsTheyShow(bool *sawAbout, bool *sawMain, const std::function<bool()> &shown)
{
    QTimer *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (auto *about = qobject_cast<service::TAboutBox *>(QApplication::activeModalWidget())) {
            *sawAbout = true;
            about->accept();
            return;
        }
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *main = qobject_cast<notes::TfrmMain *>(widget); main && main->isVisible() && shown()) {
                *sawMain = true;
                main->close();
                timer->deleteLater();
                return;
            }
        }
    });
    timer->start(10);
}

// A start in folders of its own under `root`: the template database beside
// the program in "program", the working folder "work".
app::StartupContext startIn(const QTemporaryDir &root, testsupport::ScriptedPrompts &prompts)
{
    const QString program = root.filePath("program");
    QDir().mkpath(program);
    EXPECT_TRUE(QFile::copy(testsupport::templateDatabase(), program + "/mr"));
    QFile::setPermissions(program + "/mr", QFile::ReadOwner | QFile::WriteOwner);
    app::StartupContext context;
    context.programFolder = program;
    context.firstArgument = root.filePath("work");
    context.homeFolder = root.path();
    context.commonDataFolder = root.filePath("none");
    context.userDataFolder = root.filePath("share");
    context.today = QDate(2022, 3, 15);
    context.version = {2022, 1, 1, 0};
    context.messenger = &prompts;
    // A build's folder: the user's own.
    context.userId = testsupport::ordinaryOwnerOf(program);
    return context;
}

// Config.ini in the working folder of `context` names `site` as the vendor's.
void useVendorSite(const app::StartupContext &context, const testsupport::LocalHttpServer &site)
{
    QDir().mkpath(context.firstArgument);
    testsupport::write(context.firstArgument + "/Config.ini",
                       "[Ustawienia]\nAdresDostawcy=" + site.url().toUtf8() + "\n");
}

} // namespace

TEST(Program, FirstStartInstallsTheDatabaseAndTheNextDeletesTheTemplate)
{
    testsupport::TestDatabase engine;  // configures the database engine
    testsupport::ScriptedPrompts prompts;
    QTemporaryDir root;
    const app::StartupContext context = startIn(root, prompts);
    const QString program = context.programFolder;
    const QString work = context.firstArgument;
    // The message feed at start asks a site on this machine, which has no messages.
    testsupport::LocalHttpServer vendorSite;
    useVendorSite(context, vendorSite);

    for (int start = 1; start <= 2; ++start) {
        bool sawAbout = false, sawMain = false;
        prompts.answers = {app::MessageAnswer::Yes};  // "Czy na pewno opuścić program ?"
        // The feed makes its folder once the index is in: the window closes after that.
        const QString feedFolder = work + "/komunikaty";
        QDir(feedFolder).removeRecursively();
        closeWindowsAsTheyShow(&sawAbout, &sawMain, [feedFolder] { return QDir(feedFolder).exists(); });
        EXPECT_EQ(notes::RunProgram(context), 0);
        EXPECT_TRUE(sawAbout);
        EXPECT_TRUE(sawMain);
        EXPECT_TRUE(QFile::exists(root.filePath("share/Vorlane/Mirelo/Dane/mr.fdb")));
        EXPECT_EQ(QFile::exists(program + "/mr"), start == 1);
    }
    QFile settings(work + "/Config.ini");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_TRUE(text.contains("IDFirma=0")) << text.constData();  // no company in a new database
    EXPECT_TRUE(text.contains("[frmMain.XDBGrid1]")) << text.constData();
    EXPECT_EQ(vendorSite.requests, QStringList(2, "/mirelomsg/nrkomunikatu.txt"));
}

TEST(Program, ADamagedDatabaseSaysWhyEndsWithAFailureAndKeepsTheTemplate)
{
    testsupport::TestDatabase engine;  // configures the database engine
    const struct {
        const char *name;
        std::function<void(const QString &database)> damage;
    } cases[] = {
        {"zero-length", [](const QString &database) { QFile(database).resize(0); }},
        {"truncated", [](const QString &database) { QFile(database).resize(QFileInfo(database).size() / 3); }},
        {"not a database", [](const QString &database) {
             QFile file(database);
             file.open(QIODevice::WriteOnly | QIODevice::Truncate);
             file.write(QByteArray(64 * 1024, 'x'));
         }},
    };
    for (const auto &c : cases) {
        testsupport::ScriptedPrompts prompts;
        QTemporaryDir root;
        const app::StartupContext context = startIn(root, prompts);
        const QString program = context.programFolder;
        const QString data = root.filePath("share/Vorlane/Mirelo/Dane");
        QDir().mkpath(data);
        ASSERT_TRUE(QFile::copy(testsupport::templateDatabase(), data + "/mr.fdb"));
        QFile::setPermissions(data + "/mr.fdb", QFile::ReadOwner | QFile::WriteOwner);
        c.damage(data + "/mr.fdb");
        // The about window goes; no main window may follow.
        bool sawMain = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&sawMain] {
            if (auto *about = qobject_cast<service::TAboutBox *>(QApplication::activeModalWidget()))
                about->accept();
            for (QWidget *widget : QApplication::topLevelWidgets())
                sawMain = sawMain || (qobject_cast<notes::TfrmMain *>(widget) && widget->isVisible());
        });
        timer.start(10);
        EXPECT_NE(notes::RunProgram(context), 0) << c.name;
        EXPECT_FALSE(sawMain) << c.name;
        ASSERT_EQ(prompts.shown.size(), 1) << c.name;
        const QString text = prompts.shown[0].text;
        EXPECT_TRUE(text.startsWith("Połączenie z bazą zakończone niepowodzeniem.\r\n\r\n")) << c.name;
        EXPECT_GT(text.size(), 50) << c.name << ": Firebird's reason missing: " << text.toStdString();
        EXPECT_TRUE(QFile::exists(program + "/mr")) << c.name << ": the way back was deleted";
        QApplication::processEvents();
    }
}

TEST(Program, ALogoutShutdownOrCtrlCClosesInOrder)
{
    testsupport::TestDatabase engine;  // configures the database engine
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        testsupport::ScriptedPrompts prompts;
        QTemporaryDir root;
        const app::StartupContext context = startIn(root, prompts);

        // The about window goes; once the main window shows, the signal comes.
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (auto *about = qobject_cast<service::TAboutBox *>(QApplication::activeModalWidget())) {
                about->accept();
                return;
            }
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (qobject_cast<notes::TfrmMain *>(widget) && widget->isVisible()) {
                    timer.stop();
                    ::kill(::getpid(), signal);
                }
        });
        timer.start(10);
        EXPECT_EQ(notes::RunProgram(context), 0) << signal;
        EXPECT_TRUE(prompts.shown.isEmpty()) << signal << ": asked before closing: " << (prompts.shown.isEmpty() ? "" : prompts.shown[0].text.toStdString());
        QFile settings(root.filePath("work/Config.ini"));
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << signal;
        EXPECT_TRUE(settings.readAll().contains("IDFirma=")) << signal;
        // The connection is gone: the database opens for exclusive use.
        db::Connection check;
        check.open({root.filePath("share/Vorlane/Mirelo/Dane/mr.fdb"), "sysdba", "quorbelin", {}});
        db::Transaction transaction(check);
        transaction.start();
        db::Statement others(transaction, "select count(*) from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> "
                                          "CURRENT_CONNECTION and MON$REMOTE_PROTOCOL is null and MON$SYSTEM_FLAG = 0");
        others.open();
        ASSERT_TRUE(others.next());
        EXPECT_EQ(others.toInt(0), 0) << signal << ": the program's connection is still open";
        others.close();
        transaction.commit();
        // Back to the default handling once the program has ended.
        struct sigaction now = {};
        ::sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
    }
}

// A signal while the feed waits for a site that holds its answer: the
// program ends in order at once, and the answer that comes afterwards
// finds nobody.
TEST(Program, ASignalWhileTheMessageFeedWaitsClosesInOrder)
{
    testsupport::TestDatabase engine;  // configures the database engine
    testsupport::ScriptedPrompts prompts;
    QTemporaryDir root;
    const app::StartupContext context = startIn(root, prompts);
    const QString work = context.firstArgument;
    testsupport::LocalHttpServer vendorSite;
    vendorSite.serve("/mirelomsg/nrkomunikatu.txt", testsupport::LocalHttpServer::Kind::Held,
                     "NumerKomunikatu=2099123120000101A\r\n");
    vendorSite.serve("/mirelomsg/2099123120000101A.txt", "Komunikat");
    useVendorSite(context, vendorSite);

    // The about window goes; once the main window shows and the index is
    // asked for, the signal comes.
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto *about = qobject_cast<service::TAboutBox *>(QApplication::activeModalWidget())) {
            about->accept();
            return;
        }
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (qobject_cast<notes::TfrmMain *>(widget) && widget->isVisible() && !vendorSite.requests.isEmpty()) {
                timer.stop();
                ::kill(::getpid(), SIGTERM);
            }
    });
    timer.start(10);
    EXPECT_EQ(notes::RunProgram(context), 0);
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_TRUE(testsupport::contents(work + "/Config.ini").contains("IDFirma="));

    vendorSite.releaseHeld();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vendorSite.openConnections() == 0; }));
    QApplication::processEvents();
    EXPECT_EQ(vendorSite.requests, QStringList{"/mirelomsg/nrkomunikatu.txt"});
    EXPECT_FALSE(QFile::exists(work + "/komunikaty/komunikat.txt"));
}

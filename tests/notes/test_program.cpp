// The whole run in this process: the first start installs the database from
// the template beside the program, shows the about window, opens the main
// window; closing it writes the settings. The next start deletes the template.
#include "localhttpserver.h"
#include "program.h"
#include "scriptedprompts.h"
#include "testdatabase.h"
#include "testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include "aboutbox.h"
#include "mainwindow.h"

namespace {

// Closes the about window when it shows, then the main window once its
// first showing is over, `shown` being true (the closing question is
// answered by the scripted prompts). The showing waits for the message feed
// in an event loop that serves this timer too: a window closed in the middle
// of it would close before the program's event loop runs.
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

} // namespace

TEST(Program, FirstStartInstallsTheDatabaseAndTheNextDeletesTheTemplate)
{
    testsupport::TestDatabase engine;  // configures the database engine
    testsupport::ScriptedPrompts prompts;
    QTemporaryDir root;
    const QString program = root.filePath("program");
    const QString work = root.filePath("work");
    QDir().mkpath(program);
    // The message feed at start asks a site on this machine, which has no messages.
    testsupport::LocalHttpServer vendorSite;
    QDir().mkpath(work);
    testsupport::write(work + "/Config.ini", "[Ustawienia]\nAdresDostawcy=" + vendorSite.url().toUtf8() + "\n");
    ASSERT_TRUE(QFile::copy(testsupport::templateDatabase(), program + "/mr"));
    QFile::setPermissions(program + "/mr", QFile::ReadOwner | QFile::WriteOwner);

    app::StartupContext context;
    context.programFolder = program;
    context.firstArgument = work;
    context.homeFolder = root.path();
    context.commonDataFolder = root.filePath("none");
    context.today = QDate(2022, 3, 15);
    context.version = {2022, 1, 1, 0};
    context.messenger = &prompts;

    for (int start = 1; start <= 2; ++start) {
        bool sawAbout = false, sawMain = false;
        prompts.answers = {app::MessageAnswer::Yes};  // "Czy na pewno opuścić program ?"
        // The feed makes its folder when its download is over.
        const QString feedFolder = work + "/komunikaty";
        QDir(feedFolder).removeRecursively();
        closeWindowsAsTheyShow(&sawAbout, &sawMain, [feedFolder] { return QDir(feedFolder).exists(); });
        EXPECT_EQ(notes::RunProgram(context), 0);
        EXPECT_TRUE(sawAbout);
        EXPECT_TRUE(sawMain);
        EXPECT_TRUE(QFile::exists(program + "/dane/mr.fdb"));
        EXPECT_EQ(QFile::exists(program + "/mr"), start == 1);
    }
    QFile settings(work + "/Config.ini");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray text = settings.readAll();
    EXPECT_TRUE(text.contains("IDFirma=0")) << text.constData();  // no company in a new database
    EXPECT_TRUE(text.contains("[frmMain.XDBGrid1]")) << text.constData();
    EXPECT_EQ(vendorSite.requests, QStringList(2, "/mirelomsg/nrkomunikatu.txt"));
}

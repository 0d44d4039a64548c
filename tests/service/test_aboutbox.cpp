// The about window: its version texts and its links, handed to the shell.
#include "aboutbox.h"
#include "recordingshell.h"
#include "scriptedprompts.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutBox, LinksGoToTheVendorsSiteThroughTheShell)
{
    app::Environment env;
    env.shortVersion = "ver.2022.01";
    env.release = "01";
    env.fullVersion = "2022.01.01";
    env.vendorUrl = "http://127.0.0.1:8765";
    testsupport::ScriptedPrompts prompts;
    testsupport::RecordingShell shell;
    service::TAboutBox about(env, prompts, shell);
    about.show();
    EXPECT_EQ(about.Version->text(), "ver.2022.01 rev.01");
    EXPECT_EQ(about.lblAdres->text(), "127.0.0.1:8765");

    QTest::mouseClick(about.lblAdres, Qt::LeftButton);
    about.btnKontakt->click();
    about.btnStronaProgramu->click();
    ASSERT_EQ(shell.requests.size(), 3);
    EXPECT_EQ(shell.requests[0].target, "http://127.0.0.1:8765");
    EXPECT_EQ(shell.requests[1].target, "http://127.0.0.1:8765/kontakt.htm");
    EXPECT_EQ(shell.requests[2].target, "http://127.0.0.1:8765/mirelo.htm");
    for (const auto &request : shell.requests) {
        EXPECT_EQ(request.verb, app::ShellVerb::Open);
        EXPECT_EQ(request.state, app::WindowState::Maximized);
    }

    QTest::mouseDClick(about.ProductName, Qt::LeftButton);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Wersja: 2022.01.01");
    EXPECT_EQ(prompts.shown[0].caption, " INFORMACJA");
}

// Without a browser the user reads the address to open by hand.
TEST(AboutBox, ALinkTheDesktopCannotOpenShowsTheAddress)
{
    app::Environment env;
    env.vendorUrl = "https://www.vorlane.example";
    testsupport::ScriptedPrompts prompts;
    testsupport::RecordingShell shell;
    shell.result = app::kShellNoProgram;
    service::TAboutBox about(env, prompts, shell);
    about.btnKontakt->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Nie udało się otworzyć strony https://www.vorlane.example/kontakt.htm:\r\n"
                                     "nie ma przeglądarki, która by ją otworzyła (xdg-open z pakietu xdg-utils).");
    EXPECT_EQ(prompts.shown[0].caption, " BŁĄD !");
}

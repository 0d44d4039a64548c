// The desktop's shell with its programs replaced by scripts on PATH that
// record the arguments they were started with.
#include "desktopshell.h"
#include "qtprinters.h"
#include "scriptedmessenger.h"
#include "testdatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using app::ShellVerb;
using app::WindowState;
using testsupport::waitFor;

namespace {

class DesktopShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPath = qgetenv("PATH");
        // Only the recording scripts can be found.
        qputenv("PATH", bin.path().toLocal8Bit());
        QDir(files.path()).mkpath(QStringLiteral("Wydruki"));
        QFile document(files.filePath(QStringLiteral("nota.rtf")));
        ASSERT_TRUE(document.open(QIODevice::WriteOnly));
        document.write("{\\rtf1 }");
    }
    void TearDown() override { qputenv("PATH", m_savedPath); }

    // A program that writes its arguments, one per line, to "<name>.args".
    void install(const QString &name)
    {
        const QString path = bin.filePath(name);
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\n' \"$@\" > \"$0.args.part\" && mv \"$0.args.part\" \"$0.args\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // The arguments `name` was started with; empty when it did not start.
    QStringList argumentsOf(const QString &name)
    {
        const QString path = bin.filePath(name + QStringLiteral(".args"));
        if (!waitFor([&] { return QFile::exists(path); }, 5000))
            return {};
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        lines.removeLast();
        return lines;
    }

    QString document() const { return files.filePath(QStringLiteral("nota.rtf")); }

    QTemporaryDir bin, files;
    service::DesktopShell shell;

private:
    QByteArray m_savedPath;
};

} // namespace

TEST_F(DesktopShellTest, OpensDocumentsFoldersAndWebAddressesWithXdgOpen)
{
    install(QStringLiteral("xdg-open"));
    const struct {
        QString target;
        ShellVerb verb;
        QString argument;
    } cases[] = {
        {document(), ShellVerb::Open, document()},
        // The printouts quote their path; the program gets the path alone.
        {QLatin1Char('"') + document() + QLatin1Char('"'), ShellVerb::Open, document()},
        {document(), ShellVerb::Default, document()},
        {files.filePath(QStringLiteral("Wydruki")), ShellVerb::Open, files.filePath(QStringLiteral("Wydruki"))},
        {QStringLiteral("https://www.vorlane.example/kontakt.htm"), ShellVerb::Open,
         QStringLiteral("https://www.vorlane.example/kontakt.htm")},
    };
    for (const auto &c : cases) {
        QFile::remove(bin.filePath(QStringLiteral("xdg-open.args")));
        EXPECT_GT(shell.request(c.target, c.verb, WindowState::Maximized), 32) << c.target.toStdString();
        EXPECT_EQ(argumentsOf(QStringLiteral("xdg-open")), QStringList{c.argument}) << c.target.toStdString();
    }
}

// The manual with no PDF viewer on the desktop: xdg-open would fail where no
// one sees it, so the request says there is no program for it.
TEST_F(DesktopShellTest, ADocumentTheDesktopHasNoProgramForIsNotHandedOn)
{
    install(QStringLiteral("xdg-open"));
    const QString manual = files.filePath(QStringLiteral("podrecznik.pdf"));
    QFile pdf(manual);
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.4\n");
    pdf.close();
    const auto answering = [&](const QByteArray &program) {
        QFile script(bin.filePath(QStringLiteral("xdg-mime")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n[ \"$1 $2 $3\" = 'query default application/pdf' ] && echo " + program + "\nexit 0\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };

    answering("''");
    EXPECT_EQ(shell.request(manual, ShellVerb::Open, WindowState::Maximized), app::kShellNoProgram);
    EXPECT_EQ(argumentsOf(QStringLiteral("xdg-open")), QStringList());

    answering("qpdfview.desktop");
    EXPECT_GT(shell.request(manual, ShellVerb::Open, WindowState::Maximized), 32);
    EXPECT_EQ(argumentsOf(QStringLiteral("xdg-open")), QStringList{manual});
}

TEST_F(DesktopShellTest, ARelativePathReachesTheProgramAsAnAbsolutePathNeverAsAnOption)
{
    install(QStringLiteral("xdg-open"));
    const QString saved = QDir::currentPath();
    QDir::setCurrent(files.path());
    QFile(document()).copy(files.filePath(QStringLiteral("-x.rtf")));
    const int result = shell.request(QStringLiteral("-x.rtf"), ShellVerb::Open, WindowState::Normal);
    QDir::setCurrent(saved);
    EXPECT_GT(result, 32);
    EXPECT_EQ(argumentsOf(QStringLiteral("xdg-open")), QStringList{files.filePath(QStringLiteral("-x.rtf"))});
}

TEST_F(DesktopShellTest, PrintsADocumentThroughLibreOfficeWithoutAWindow)
{
    install(QStringLiteral("soffice"));
    EXPECT_GT(shell.request(document(), ShellVerb::Print, WindowState::Maximized), 32);
    EXPECT_EQ(argumentsOf(QStringLiteral("soffice")),
              (QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("-p"),
                           document()}));
}

TEST_F(DesktopShellTest, FailuresAnswerThirtyTwoOrLessAndStartNothing)
{
    // Nothing installed yet: no program for any request.
    EXPECT_EQ(shell.request(document(), ShellVerb::Open, WindowState::Normal), app::kShellNoProgram);
    EXPECT_EQ(shell.request(document(), ShellVerb::Print, WindowState::Normal), app::kShellNoProgram);

    install(QStringLiteral("xdg-open"));
    install(QStringLiteral("soffice"));
    const struct {
        QString target;
        ShellVerb verb;
        int result;
    } cases[] = {
        {files.filePath(QStringLiteral("brak.pdf")), ShellVerb::Open, app::kShellFileNotFound},
        {files.filePath(QStringLiteral("brak.pdf")), ShellVerb::Print, app::kShellFileNotFound},
        {QString(), ShellVerb::Open, app::kShellFileNotFound},
        {QStringLiteral("\"\""), ShellVerb::Open, app::kShellFileNotFound},
        {files.filePath(QStringLiteral("Wydruki")), ShellVerb::Print, app::kShellNoProgram},
        {QStringLiteral("https://www.vorlane.example"), ShellVerb::Print, app::kShellNoProgram},
    };
    for (const auto &c : cases)
        EXPECT_EQ(shell.request(c.target, c.verb, WindowState::Normal), c.result) << c.target.toStdString();
    EXPECT_FALSE(QFile::exists(bin.filePath(QStringLiteral("xdg-open.args"))));
    EXPECT_FALSE(QFile::exists(bin.filePath(QStringLiteral("soffice.args"))));
}

// A machine set up without xdg-utils: the request fails, and the user reads
// what could not be opened and where it is.
TEST_F(DesktopShellTest, WithoutXdgOpenTheUserHearsWhatAndWhere)
{
    testsupport::ScriptedMessenger messenger;
    EXPECT_EQ(app::openOrTell(shell, messenger, document()), app::kShellNoProgram);
    ASSERT_EQ(messenger.shown.size(), 1);
    EXPECT_EQ(messenger.shown[0].text, "Nie udało się otworzyć pliku " + document()
                                           + ":\r\nnie ma programu, który by go otworzył (xdg-open z pakietu xdg-utils).");
    EXPECT_EQ(messenger.shown[0].caption, " BŁĄD !");

    install(QStringLiteral("xdg-open"));
    EXPECT_GT(app::openOrTell(shell, messenger, document()), 32);
    EXPECT_EQ(messenger.shown.size(), 1);
}

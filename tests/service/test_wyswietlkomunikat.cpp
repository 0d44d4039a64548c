// The message viewer and the feed's run at start against a site on this
// machine: what shows at which start, what the buttons keep or delete, and
// links that open only when clicked and only on the web.
#include "localhttpserver.h"
#include "recordingshell.h"
#include "scriptedprompts.h"
#include "testfiles.h"
#include "wyswietlkomunikat.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using service::TfrmWyswietlKomunikat;

namespace {

const QString kIndex = QStringLiteral("/mirelomsg/nrkomunikatu.txt");
const QString kMessage = QStringLiteral("/mirelomsg/2024123120240101A.txt");
const QByteArray kIndexLine = "NumerKomunikatu=2024123120240101A\r\n";

class MessageViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.workingFolder = work.path();
        env.vendorUrl = site.url();
        env.shortVersion = QStringLiteral("ver.2022.01");
    }

    // One start of the program as far as the feed goes, on 15 June 2024.
    // `handle` deals with the viewer when it shows (it is closed afterwards
    // if still open); true when it showed.
    bool start(const std::function<void(TfrmWyswietlKomunikat &)> &handle = {})
    {
        bool shown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *viewer = qobject_cast<TfrmWyswietlKomunikat *>(QApplication::activeModalWidget());
            if (!viewer)
                return;
            watch.stop();
            shown = true;
            if (handle)
                handle(*viewer);
            if (viewer->isVisible())
                viewer->reject();
        });
        watch.start(10);
        service::MessageFeedAtStart run(env, prompts, shell, QDate(2024, 6, 15), nullptr, service::FeedLimits{2000, 2000});
        bool done = false;
        QObject::connect(&run, &service::MessageFeedAtStart::done, [&] { done = true; });
        run.start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }));
        return shown;
    }

    // Shows `message` as the pending one in a viewer of its own.
    std::unique_ptr<TfrmWyswietlKomunikat> viewerOf(const QByteArray &message)
    {
        QDir().mkpath(service::messagesFolder(env));
        testsupport::write(service::pendingMessagePath(env), message);
        auto viewer = std::make_unique<TfrmWyswietlKomunikat>(env, prompts, shell);
        viewer->loadPendingMessage();
        viewer->show();
        return viewer;
    }

    // Clicks the middle of the first occurrence of `text` in the viewer.
    void clickOn(TfrmWyswietlKomunikat &viewer, const QString &text)
    {
        QTextDocument *document = viewer.reKomunikat->document();
        const QTextCursor found = document->find(text);
        ASSERT_FALSE(found.isNull()) << text.toStdString();
        QTextCursor middle(document);
        middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
        const QPoint point = viewer.reKomunikat->cursorRect(middle).center();
        QTest::mouseClick(viewer.reKomunikat->viewport(), Qt::LeftButton, {}, point);
    }

    bool pending() const { return QFile::exists(service::pendingMessagePath(env)); }

    QTemporaryDir work;
    testsupport::LocalHttpServer site;
    app::Environment env;
    testsupport::ScriptedPrompts prompts;
    testsupport::RecordingShell shell;
};

TEST_F(MessageViewer, ReadMessageIsNotShownAgainNorFetchedAgain)
{
    site.serve(kIndex, kIndexLine);
    site.serve(kMessage, "Nowa wersja programu.");
    QString caption, content;
    ASSERT_TRUE(start([&](TfrmWyswietlKomunikat &viewer) {
        caption = viewer.windowTitle();
        content = viewer.reKomunikat->toPlainText();
        prompts.answers = {app::MessageAnswer::No};
        viewer.bbtnPrzeczytane->click();
        EXPECT_FALSE(viewer.isVisible());
    }));
    EXPECT_EQ(caption, "Ważny komunikat dotyczący programu Mirelo   ****   Państwa zainstalowana wersja: ver.2022.01");
    EXPECT_EQ(content, "Nowa wersja programu.");
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "Czy na pewno trwale usunąć ten komunikat ?");
    EXPECT_EQ(prompts.shown[0].caption, " PYTANIE");
    EXPECT_EQ(prompts.shown[0].buttons, app::MessageButtons::YesNo);
    EXPECT_EQ(prompts.shown[0].defaultAnswer, app::MessageAnswer::No);
    EXPECT_TRUE(pending());  // "No" keeps it

    ASSERT_TRUE(start([&](TfrmWyswietlKomunikat &viewer) {
        prompts.answers = {app::MessageAnswer::Yes};
        viewer.bbtnPrzeczytane->click();
    }));
    EXPECT_FALSE(pending());
    EXPECT_TRUE(QFile::exists(service::messagePath(env, "2024123120240101A")));

    EXPECT_FALSE(start());
    EXPECT_EQ(site.requests, QStringList({kIndex, kMessage, kIndex, kIndex}));
}

TEST_F(MessageViewer, ClosedMessageShowsAgainAtTheNextStart)
{
    site.serve(kIndex, kIndexLine);
    site.serve(kMessage, "{\\rtf1 Komunikat}");
    const auto close = [](TfrmWyswietlKomunikat &viewer) {
        EXPECT_EQ(viewer.bbtnZamknij->text(), "Zamknij to okno");
        EXPECT_TRUE(viewer.bbtnZamknij->font().bold());
        EXPECT_EQ(viewer.bbtnPrzeczytane->text(), "Przeczytane - nie pokazuj więcej tego komunikatu");
        EXPECT_EQ(viewer.reKomunikat->toPlainText(), "Komunikat");
        viewer.bbtnZamknij->click();
        EXPECT_FALSE(viewer.isVisible());
    };
    EXPECT_TRUE(start(close));
    EXPECT_TRUE(start(close));
    EXPECT_TRUE(pending());
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(site.requests.count(kMessage), 1);
}

TEST_F(MessageViewer, MessageMarkedWithStarsNeverShows)
{
    site.serve(kIndex, kIndexLine);
    site.serve(kMessage, "***\r\nDla serwisu.");
    EXPECT_FALSE(start());
    EXPECT_FALSE(start());
    EXPECT_TRUE(QFile::exists(service::messagePath(env, "2024123120240101A")));
    EXPECT_EQ(site.requests.count(kMessage), 1);
}

// The site is silent: the start goes on within the limit, and a message
// still pending from before is shown.
TEST_F(MessageViewer, SilentSiteStillShowsThePendingMessage)
{
    site.serve(kIndex, testsupport::LocalHttpServer::Kind::Silent);
    QDir().mkpath(service::messagesFolder(env));
    testsupport::write(service::pendingMessagePath(env), "Wczesniejszy komunikat");
    QElapsedTimer clock;
    clock.start();
    QString content;
    EXPECT_TRUE(start([&](TfrmWyswietlKomunikat &viewer) { content = viewer.reKomunikat->toPlainText(); }));
    EXPECT_LT(clock.elapsed(), 10000);  // did not hang
    EXPECT_EQ(content, "Wczesniejszy komunikat");
    EXPECT_TRUE(prompts.shown.isEmpty());
}

// A command at work (an archive keeps the window painted between its
// steps, under the busy cursor) is not interrupted by the viewer: it shows
// once the work is done.
TEST_F(MessageViewer, WaitsWhileACommandIsAtWork)
{
    site.serve(kIndex, kIndexLine);
    site.serve(kMessage, "Komunikat");
    std::optional<ui::BusyCursor> work(std::in_place);
    bool shownAtWork = false, shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto *viewer = qobject_cast<TfrmWyswietlKomunikat *>(QApplication::activeModalWidget())) {
            shown = true;
            shownAtWork = work.has_value();
            viewer->reject();
        }
    });
    watch.start(10);
    service::MessageFeedAtStart run(env, prompts, shell, QDate(2024, 6, 15), nullptr, service::FeedLimits{2000, 2000});
    bool roundOver = false;
    QObject::connect(&run, &service::MessageFeedAtStart::roundOver, [&] { roundOver = true; });
    run.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return roundOver; }));
    QCoreApplication::processEvents();  // where the viewer would have come
    EXPECT_FALSE(shown);

    work.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown; }));
    EXPECT_FALSE(shownAtWork);
}

TEST_F(MessageViewer, FormattingAndLinksComeFromTheParagraphs)
{
    auto viewer = viewerOf("{\\rtf1 Zwykly {\\b gruby} {\\i pochyly}\\par "
                           "{\\field{\\*\\fldinst HYPERLINK \"http://127.0.0.1:9/nowosci\"}{\\fldrslt Nowosci}} "
                           "{\\field{\\*\\fldinst HYPERLINK \"file:///etc/passwd\"}{\\fldrslt Plik}} "
                           "{\\field{\\*\\fldinst HYPERLINK \"javascript:alert(1)\"}{\\fldrslt Skrypt}}}");
    QTextDocument *document = viewer->reKomunikat->document();
    EXPECT_EQ(document->toPlainText(), "Zwykly gruby pochyly\nNowosci Plik Skrypt");
    const auto formatOf = [&](const QString &text) {
        QTextCursor at = document->find(text);
        return at.charFormat();  // the format before the selection's end
    };
    EXPECT_EQ(formatOf("gruby").fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf("pochyly").fontItalic());
    EXPECT_FALSE(formatOf("Zwykly").fontItalic());
    EXPECT_EQ(formatOf("Nowosci").anchorHref(), "http://127.0.0.1:9/nowosci");
    EXPECT_TRUE(formatOf("Plik").anchorHref().isEmpty());

    clickOn(*viewer, "Zwykly");
    EXPECT_TRUE(shell.requests.isEmpty());  // plain text opens nothing
    for (const char *inert : {"Plik", "Skrypt"})
        clickOn(*viewer, inert);
    EXPECT_TRUE(shell.requests.isEmpty());
    clickOn(*viewer, "Nowosci");
    ASSERT_EQ(shell.requests.size(), 1);
    EXPECT_EQ(shell.requests[0].target, "http://127.0.0.1:9/nowosci");
    EXPECT_EQ(shell.requests[0].verb, app::ShellVerb::Open);
    EXPECT_EQ(shell.requests[0].state, app::WindowState::Maximized);
}

TEST_F(MessageViewer, ALinkTheDesktopCannotOpenShowsTheAddress)
{
    auto viewer = viewerOf("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"http://127.0.0.1:9/nowosci\"}{\\fldrslt Nowosci}}}");
    shell.result = app::kShellNoProgram;
    clickOn(*viewer, "Nowosci");
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Nie udało się otworzyć strony http://127.0.0.1:9/nowosci:\r\n"))
        << prompts.shown[0].text.toStdString();
}

// A message saved by today's editors, in UTF-8 without a mark, shows its
// Polish letters.
TEST_F(MessageViewer, PlainTextInUtf8ShowsItsLetters)
{
    auto viewer = viewerOf(QStringLiteral("Zażółć gęślą jaźń\r\nŻÓŁĆ").toUtf8());
    EXPECT_EQ(viewer->reKomunikat->toPlainText(), "Zażółć gęślą jaźń\nŻÓŁĆ");
}

// Nothing from the network reaches Qt's HTML or RTF importers: markup is
// text, and a hostile RTF leaves no picture, object or resource behind.
TEST_F(MessageViewer, UntrustedMarkupStaysText)
{
    auto plain = viewerOf("<img src=\"file:///etc/passwd\"><a href=\"file:///etc\">a</a>");
    EXPECT_EQ(plain->reKomunikat->toPlainText(), "<img src=\"file:///etc/passwd\"><a href=\"file:///etc\">a</a>");

    auto rtf = viewerOf("{\\rtf1 A{\\field{\\*\\fldinst INCLUDEPICTURE \"file:///etc/passwd\" \\\\d}{\\fldrslt obraz}}"
                        "{\\field{\\*\\fldinst INCLUDETEXT \"/etc/passwd\"}{\\fldrslt tekst}}"
                        "{\\object\\objemb{\\*\\objclass Package}{\\*\\objdata 0105}{\\result{\\pict 01}}}"
                        "{\\pict\\pngblip 89504e47}B}");
    QTextDocument *document = rtf->reKomunikat->document();
    EXPECT_EQ(document->toPlainText(), "AobraztekstB");
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            EXPECT_FALSE(fragment.fragment().charFormat().isImageFormat());
}

} // namespace

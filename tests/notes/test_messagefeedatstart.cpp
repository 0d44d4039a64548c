// The main window runs the vendor's message feed when it is first shown,
// after its list is open, without holding the user up: the window takes
// input while the site takes its time, the viewer follows the message once
// no dialog of the user is open, and a window closed during a download
// leaves nothing behind.
#include "notesfixture.h"
#include "wyswietlkomunikat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {

using Kind = testsupport::LocalHttpServer::Kind;
using service::TfrmWyswietlKomunikat;

const QString kIndex = QStringLiteral("/mirelomsg/nrkomunikatu.txt");

// Applies from yesterday to tomorrow, whatever the day the test runs.
QByteArray todaysIdentifier()
{
    const QDate today = QDate::currentDate();
    return today.addDays(1).toString("yyyyMMdd").toLatin1() + today.addDays(-1).toString("yyyyMMdd").toLatin1() + "A";
}

// Closes the viewer whenever it shows, noting what it showed over.
class ViewerWatch {
public:
    explicit ViewerWatch(std::function<void(TfrmWyswietlKomunikat &)> look = {}) : m_look(std::move(look))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *viewer = qobject_cast<TfrmWyswietlKomunikat *>(QApplication::activeModalWidget());
            if (!viewer)
                return;
            ++shown;
            content = viewer->reKomunikat->toPlainText();
            owner = viewer->parentWidget();
            if (m_look)
                m_look(*viewer);
            viewer->bbtnZamknij->click();
        });
        m_timer.start(10);
    }

    int shown = 0;
    QString content;
    QWidget *owner = nullptr;

private:
    std::function<void(TfrmWyswietlKomunikat &)> m_look;
    QTimer m_timer;
};

class FeedAtStart : public NotesFixture {
protected:
    // The index names today's message, which reads `message`.
    void serveTodaysMessage(Kind indexKind, const QByteArray &message = "Komunikat")
    {
        const QByteArray id = todaysIdentifier();
        vendorSite.serve(kIndex, indexKind, "NumerKomunikatu=" + id + "\r\n");
        vendorSite.serve("/mirelomsg/" + id + ".txt", message);
    }

    bool indexAskedFor()
    {
        return QTest::qWaitFor([this] { return vendorSite.requests.contains(kIndex); });
    }

    // A company with two positions, the list on the last one.
    void addTwoPositions()
    {
        const int company = addCompany("A");
        const int counterparty = addCounterparty(company, "K");
        addNote(company, counterparty, QDate::currentDate(), 1, 10000, 0);
        addNote(company, counterparty, QDate::currentDate(), 2, 20000, 0);
    }
};

TEST_F(FeedAtStart, ViewerShowsOverTheOpenListAtTheFirstShowingOnly)
{
    const int company = addCompany("A");
    addNote(company, addCounterparty(company, "K"), QDate::currentDate(), 1, 10000, 0);
    serveTodaysMessage(Kind::Whole);

    int rows = -1;
    ViewerWatch watch([&](TfrmWyswietlKomunikat &) { rows = window->notesModel()->rowCount(); });
    openWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.shown > 0; }));
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(watch.owner, window.get());

    window->hide();
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(vendorSite.requests.count(kIndex), 1);
}

TEST_F(FeedAtStart, SilentSiteHoldsTheStartNoLongerThanTheIndexLimit)
{
    addCompany("A");
    vendorSite.serve(kIndex, testsupport::LocalHttpServer::Kind::Silent);
    QElapsedTimer clock;
    clock.start();
    openWindow();
    ASSERT_TRUE(indexAskedFor());
    EXPECT_LT(clock.elapsed(), 9000);  // the index's limit is 5 s: did not hang
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(vendorSite.requests, QStringList{kIndex});
}

// The site holds its answer: the window is shown and takes keys meanwhile,
// and the viewer comes when the message does.
TEST_F(FeedAtStart, TheWindowTakesInputWhileTheSiteHoldsItsAnswer)
{
    addTwoPositions();
    serveTodaysMessage(Kind::Held, "Nowa wersja");
    ViewerWatch watch;
    openWindow();
    ASSERT_TRUE(indexAskedFor());

    ASSERT_EQ(window->XDBGrid1->currentRow(), 1);
    QTest::keyClick(window->XDBGrid1, Qt::Key_Up);
    EXPECT_EQ(window->XDBGrid1->currentRow(), 0);
    EXPECT_EQ(watch.shown, 0);

    // The feed still waits for the answer (it has not given up at its limit).
    ASSERT_TRUE(vendorSite.releaseHeld());
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.shown > 0; }));
    EXPECT_EQ(watch.content, "Nowa wersja");
    EXPECT_EQ(watch.owner, window.get());
    EXPECT_TRUE(prompts.shown.isEmpty());
}

// A message that comes while the user edits a position waits until the
// dialog is closed: it never comes up over the user's work.
TEST_F(FeedAtStart, TheViewerWaitsUntilTheUsersDialogIsClosed)
{
    addTwoPositions();
    serveTodaysMessage(Kind::Held);
    QPointer<QDialog> dialog;
    int viewersOverTheDialog = 0;
    ViewerWatch watch([&](TfrmWyswietlKomunikat &) { viewersOverTheDialog += dialog ? 1 : 0; });
    openWindow();
    auto *feed = window->findChild<service::MessageFeedAtStart *>();
    ASSERT_NE(feed, nullptr);
    bool roundOver = false;
    QObject::connect(feed, &service::MessageFeedAtStart::roundOver, [&] { roundOver = true; });
    ASSERT_TRUE(indexAskedFor());

    int turnsAfterTheRound = 0;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog && modal) {
            // The position dialog is open: now the message comes.
            dialog = modal;
            vendorSite.releaseHeld();
        } else if (dialog && modal == dialog && roundOver && ++turnsAfterTheRound > 5) {
            dialog->reject();
        }
    });
    user.start(10);
    window->actPopraw->trigger();  // back when the dialog is closed
    user.stop();

    EXPECT_TRUE(roundOver);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.shown > 0; }));
    EXPECT_EQ(viewersOverTheDialog, 0);
    EXPECT_EQ(watch.content, "Komunikat");
}

// The user closes the program while the index is on its way: the window
// goes at once, and the answer that comes afterwards finds nobody.
TEST_F(FeedAtStart, AWindowClosedDuringADownloadLeavesNothingBehind)
{
    addCompany("A");
    serveTodaysMessage(Kind::Held);
    ViewerWatch watch;
    openWindow();
    ASSERT_TRUE(indexAskedFor());
    prompts.answers = {app::MessageAnswer::Yes};  // "Czy na pewno opuścić program ?"
    EXPECT_TRUE(window->close());
    window.reset();

    vendorSite.releaseHeld();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vendorSite.openConnections() == 0; }));
    QApplication::processEvents();
    EXPECT_EQ(watch.shown, 0);
    EXPECT_EQ(vendorSite.requests, QStringList{kIndex});
    EXPECT_FALSE(QFile::exists(service::pendingMessagePath(env)));
}

} // namespace

// The main window runs the vendor's message feed when it is first shown,
// after its list is open; a site that never answers holds the start no
// longer than the index's time limit.
#include "notesfixture.h"
#include "wyswietlkomunikat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kIndex = QStringLiteral("/mirelomsg/nrkomunikatu.txt");

class FeedAtStart : public NotesFixture {};

TEST_F(FeedAtStart, ViewerShowsOverTheOpenListAtTheFirstShowingOnly)
{
    const int company = addCompany("A");
    addNote(company, addCounterparty(company, "K"), QDate::currentDate(), 1, 10000, 0);
    // Applies from yesterday to tomorrow, whatever the day the test runs.
    const QDate today = QDate::currentDate();
    const QByteArray id = today.addDays(1).toString("yyyyMMdd").toLatin1() + today.addDays(-1).toString("yyyyMMdd").toLatin1() + "A";
    vendorSite.serve(kIndex, "NumerKomunikatu=" + id + "\r\n");
    vendorSite.serve("/mirelomsg/" + id + ".txt", "Komunikat");

    int shown = 0, rows = -1;
    QWidget *owner = nullptr;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *viewer = qobject_cast<service::TfrmWyswietlKomunikat *>(QApplication::activeModalWidget());
        if (!viewer)
            return;
        ++shown;
        rows = window->notesModel()->rowCount();
        owner = viewer->parentWidget();
        viewer->bbtnZamknij->click();
    });
    watch.start(10);
    openWindow();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(owner, window.get());

    window->hide();
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(vendorSite.requests.count(kIndex), 1);
}

TEST_F(FeedAtStart, SilentSiteHoldsTheStartNoLongerThanTheIndexLimit)
{
    addCompany("A");
    vendorSite.serve(kIndex, testsupport::LocalHttpServer::Kind::Silent);
    QElapsedTimer clock;
    clock.start();
    openWindow();
    EXPECT_LT(clock.elapsed(), 9000);  // the index's limit is 5 s: did not hang
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(vendorSite.requests, QStringList{kIndex});
}

} // namespace

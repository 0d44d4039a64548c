// The message feed against a site on this machine: which index line applies,
// what is fetched and kept, identifiers that would leave "komunikaty", and
// downloads that fail, stall or never end.
#include "localhttpserver.h"
#include "localusers.h"
#include "messagefeed.h"
#include "qtprinters.h"
#include "testfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using service::DownloadResult;
using testsupport::LocalHttpServer;

namespace {

const QString kIndex = QStringLiteral("/mirelomsg/nrkomunikatu.txt");
const QDate kJune15 = QDate(2024, 6, 15);

// Downloads as the feed does and waits for the result.
DownloadResult download(const QUrl &url, const QString &target, int timeoutMs, qint64 maxBytes)
{
    service::DownloadFile download(url, target, timeoutMs, maxBytes);
    std::optional<DownloadResult> result;
    QObject::connect(&download, &service::DownloadFile::finished, [&](DownloadResult r) { result = r; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, timeoutMs + 5000));
    return result.value_or(DownloadResult::Failed);
}

QByteArray windows1250(const QString &text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.encode(text);
}

// ---- the index ----------------------------------------------------------

struct IndexCase {
    const char *name;
    QByteArray index;
    QDate today;
    QString expected;
};

void PrintTo(const IndexCase &c, std::ostream *out) { *out << c.name; }

class MessageIndex : public ::testing::TestWithParam<IndexCase> {};

TEST_P(MessageIndex, PicksTheLastLineThatAppliesToday)
{
    EXPECT_EQ(service::applicableMessage(GetParam().index, GetParam().today), GetParam().expected);
}

const QByteArray kOneLine = "NumerKomunikatu=2024123120240101A\r\n";
const QString kOneId = QStringLiteral("2024123120240101A");

INSTANTIATE_TEST_SUITE_P(
    Lines, MessageIndex,
    ::testing::Values(
        IndexCase{"WithinItsDays", kOneLine, kJune15, kOneId},
        IndexCase{"AfterItsLastDay", kOneLine, QDate(2025, 1, 1), {}},
        IndexCase{"OnItsFirstDay", kOneLine, QDate(2024, 1, 1), kOneId},
        IndexCase{"OnItsLastDay", kOneLine, QDate(2024, 12, 31), kOneId},
        IndexCase{"TheDayBefore", kOneLine, QDate(2023, 12, 31), {}},
        IndexCase{"LaterLineWins", kOneLine + "NumerKomunikatu=2024063020240601B\n", kJune15, "2024063020240601B"},
        IndexCase{"LaterLineOutOfDays", kOneLine + "NumerKomunikatu=2023063020230601B\n", kJune15, kOneId},
        IndexCase{"InvalidDatesSkipped",
                  kOneLine + "NumerKomunikatu=2024023020240101C\nNumerKomunikatu=2024133120240101D\n"
                             "NumerKomunikatu=2024x23120240101E\nNumerKomunikatu=20241231-0240101F\n",
                  kJune15, kOneId},
        IndexCase{"MarkerIsExact", "numerKomunikatu=2024123120240101A\nNumer Komunikatu=2024123120240101A\n", kJune15,
                  {}},
        IndexCase{"AnySeparator", "NumerKomunikatu:2024123120240101A\nNumerKomunikatu 2024123120240101B", kJune15,
                  "2024123120240101B"},
        IndexCase{"FifteenCharactersAreTooFew", "NumerKomunikatu=202412312024010   \n", kJune15, {}},
        IndexCase{"SixteenAreEnough", "NumerKomunikatu=2024123120240101\n", kJune15, "2024123120240101"},
        IndexCase{"BlanksKept", "NumerKomunikatu=2024123120240101 nowy \r\n", kJune15, "2024123120240101 nowy "},
        IndexCase{"CodePage", windows1250(QStringLiteral("NumerKomunikatu=2024123120240101Zażółć\r\n")), kJune15,
                  QStringLiteral("2024123120240101Zażółć")},
        IndexCase{"UnsafeIdentifiersSkipped",
                  kOneLine + "NumerKomunikatu=2024123120240101/../../Config\n"
                             "NumerKomunikatu=2024123120240101\\..\\x\nNumerKomunikatu=2024123120240101..\n"
                             "NumerKomunikatu=2024123120240101"
                      + QByteArray(85, 'a') + "\n",
                  kJune15, kOneId},
        IndexCase{"Empty", "", kJune15, {}}),
    [](const ::testing::TestParamInfo<IndexCase> &info) { return info.param.name; });

// ---- downloads ----------------------------------------------------------

class Download : public ::testing::Test {
protected:
    void SetUp() override { testsupport::write(target(), "earlier"); }

    QString target() const { return dir.filePath(QStringLiteral("plik.txt")); }
    QUrl url(const QString &path) const { return QUrl(server.url() + path); }
    // The folder holds the target and nothing else: no scratch file was left behind.
    void expectOnlyTheTarget() const
    {
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plik.txt"});
    }

    QTemporaryDir dir;
    LocalHttpServer server;
};

struct DownloadCase {
    const char *name;
    LocalHttpServer::Reply reply;
    DownloadResult expected;
};

void PrintTo(const DownloadCase &c, std::ostream *out) { *out << c.name; }

class DownloadOutcome : public Download, public ::testing::WithParamInterface<DownloadCase> {};

// Every failure leaves the target as it was; no way of answering holds the
// caller past the time limit.
TEST_P(DownloadOutcome, OnlyAWholeAnswerReplacesTheTarget)
{
    constexpr qint64 kLimit = 1 << 20;
    server.replies["/plik.txt"] = GetParam().reply;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(download(url("/plik.txt"), target(), 500, kLimit), GetParam().expected);
    EXPECT_LT(clock.elapsed(), 5000);  // did not hang
    EXPECT_EQ(testsupport::contents(target()),
              GetParam().expected == DownloadResult::Saved ? GetParam().reply.body : QByteArray("earlier"));
    expectOnlyTheTarget();
}

using Kind = LocalHttpServer::Kind;
INSTANTIATE_TEST_SUITE_P(
    Answers, DownloadOutcome,
    ::testing::Values(
        DownloadCase{"Whole", {"nowa treść"}, DownloadResult::Saved},
        DownloadCase{"EmptyBody", {""}, DownloadResult::Saved},
        DownloadCase{"ErrorStatus", {"strona błędu", 404}, DownloadResult::Failed},
        DownloadCase{"ServerError", {"strona błędu", 500}, DownloadResult::Failed},
        DownloadCase{"Silent", {{}, 200, Kind::Silent}, DownloadResult::TimedOut},
        DownloadCase{"DripForEver", {{}, 200, Kind::Drip}, DownloadResult::TimedOut},
        DownloadCase{"EndlessBody", {{}, 200, Kind::Endless}, DownloadResult::TooLarge},
        DownloadCase{"AnnouncedTooLarge", {QByteArray((1 << 20) + 1, 'x')}, DownloadResult::TooLarge},
        DownloadCase{"JustWithinTheLimit", {QByteArray(1 << 20, 'x')}, DownloadResult::Saved},
        DownloadCase{"CutShort", {"połowa", 200, Kind::CutShort}, DownloadResult::Failed}),
    [](const ::testing::TestParamInfo<DownloadCase> &info) { return info.param.name; });

TEST_F(Download, NoServerFailsAtOnce)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QUrl nobody(QStringLiteral("http://127.0.0.1:%1/plik.txt").arg(closed.serverPort()));
    closed.close();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(download(nobody, target(), 5000, 1 << 20), DownloadResult::Failed);
    EXPECT_LT(clock.elapsed(), 4000);  // a refused connection is not waited out
    EXPECT_EQ(testsupport::contents(target()), "earlier");
}

// Addresses that are not on the web, and the reserved names that never
// resolve, are not even looked up.
TEST_F(Download, AddressesNotTried)
{
    for (const QString &address :
         {QStringLiteral("https://www.vorlane.example/mirelomsg/nrkomunikatu.txt"),
          QStringLiteral("http://vorlane.invalid/x.txt"), QStringLiteral("file:///etc/passwd"),
          QStringLiteral("ftp://127.0.0.1/x.txt"), QStringLiteral("http:///x.txt")}) {
        EXPECT_EQ(download(QUrl(address), target(), 5000, 1 << 20), DownloadResult::NotTried)
            << address.toStdString();
    }
    EXPECT_EQ(testsupport::contents(target()), "earlier");
}

// ---- the feed's files -----------------------------------------------------

class Feed : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.workingFolder = work.path();
        env.vendorUrl = server.url();
    }

    QString file(const QString &name) const { return work.filePath(name); }
    // One start's round on `today`: the index, then the message it names.
    void round(const QDate &today)
    {
        service::MessageFeed feed(env, today, limits);
        QSignalSpy over(&feed, &service::MessageFeed::messageFetched);
        feed.start();
        ASSERT_TRUE(over.wait());
    }

    QString fetchIndex(const QDate &today)
    {
        service::MessageFeed feed(env, today, limits);
        QSignalSpy fetched(&feed, &service::MessageFeed::indexFetched);
        feed.FetchMessageIndex();
        EXPECT_TRUE(fetched.wait());
        return fetched.value(0).value(0).toString();
    }

    void fetchMessage(const QString &identifier)
    {
        service::MessageFeed feed(env, kJune15, limits);
        QSignalSpy fetched(&feed, &service::MessageFeed::messageFetched);
        feed.FetchMessage(identifier);
        EXPECT_TRUE(fetched.wait());
    }
    int requestsFor(const QString &path) const { return int(server.requests.count(path)); }

    QTemporaryDir work;
    LocalHttpServer server;
    app::Environment env;
    service::FeedLimits limits{500, 500};
};

TEST_F(Feed, MessageFetchedOnceAndMadePending)
{
    server.serve(kIndex, kOneLine);
    server.serve("/mirelomsg/2024123120240101A.txt", "{\\rtf1 Nowa wersja}");
    const QString id = fetchIndex(kJune15);
    EXPECT_EQ(id, kOneId);
    EXPECT_EQ(testsupport::contents(file("NrKomunikatu.txt")), kOneLine);
    fetchMessage(id);
    EXPECT_EQ(testsupport::contents(file("komunikaty/2024123120240101A.txt")), "{\\rtf1 Nowa wersja}");
    EXPECT_EQ(testsupport::contents(file("komunikaty/komunikat.txt")), "{\\rtf1 Nowa wersja}");

    QFile::remove(file("komunikaty/komunikat.txt"));
    fetchMessage(id);
    EXPECT_EQ(requestsFor("/mirelomsg/2024123120240101A.txt"), 1);
    EXPECT_FALSE(QFile::exists(file("komunikaty/komunikat.txt")));
}

TEST_F(Feed, MessageMarkedWithStarsIsKeptButNeverPending)
{
    server.serve("/mirelomsg/2024123120240101A.txt", "*** tylko dla serwisu\r\ntreść");
    QDir().mkpath(file("komunikaty"));
    testsupport::write(file("komunikaty/komunikat.txt"), "starszy");
    fetchMessage(kOneId);
    EXPECT_TRUE(QFile::exists(file("komunikaty/2024123120240101A.txt")));
    EXPECT_EQ(testsupport::contents(file("komunikaty/komunikat.txt")), "starszy");
}

// The site answers with an error page: the index kept from the last start is
// read again, and a message that did not come is tried again next time.
TEST_F(Feed, ErrorPagesAreNeverStored)
{
    testsupport::write(file("NrKomunikatu.txt"), kOneLine);
    EXPECT_EQ(fetchIndex(kJune15), kOneId);
    EXPECT_EQ(testsupport::contents(file("NrKomunikatu.txt")), kOneLine);

    fetchMessage(kOneId);
    EXPECT_FALSE(QFile::exists(file("komunikaty/2024123120240101A.txt")));
    EXPECT_FALSE(QFile::exists(file("komunikaty/komunikat.txt")));

    server.serve("/mirelomsg/2024123120240101A.txt", "Nowa wersja");
    fetchMessage(kOneId);
    EXPECT_EQ(testsupport::contents(file("komunikaty/komunikat.txt")), "Nowa wersja");
}

// A site that takes the connection and never answers costs the start the
// index's time limit and no more; nothing is shown or kept.
TEST_F(Feed, SilentSiteEndsWithinTheLimit)
{
    server.serve(kIndex, LocalHttpServer::Kind::Silent);
    QElapsedTimer clock;
    clock.start();
    const QString id = fetchIndex(kJune15);
    fetchMessage(id);
    EXPECT_LT(clock.elapsed(), 5000);  // did not hang
    EXPECT_TRUE(id.isEmpty());
    EXPECT_FALSE(QFile::exists(file("NrKomunikatu.txt")));
    EXPECT_EQ(QDir(file("komunikaty")).entryList(QDir::Files), QStringList());
}

// A message that does not come within its limits costs every start that
// tries it the wait (or the megabyte): it is tried again on the next day,
// not at every start of the same day. One that the site refuses at once is
// tried again at the next start (ErrorPagesAreNeverStored).
class FailedMessage : public Feed, public ::testing::WithParamInterface<LocalHttpServer::Kind> {};

TEST_P(FailedMessage, IsTriedAgainOnlyTheNextDay)
{
    const QString message = QStringLiteral("/mirelomsg/2024123120240101A.txt");
    server.serve(kIndex, kOneLine);
    server.serve(message, GetParam());
    round(kJune15);
    round(kJune15);
    EXPECT_EQ(requestsFor(message), 1);
    EXPECT_FALSE(QFile::exists(file("komunikaty/komunikat.txt")));

    server.serve(message, "Nowa wersja");
    round(kJune15.addDays(1));
    EXPECT_EQ(requestsFor(message), 2);
    EXPECT_EQ(testsupport::contents(file("komunikaty/komunikat.txt")), "Nowa wersja");
}

INSTANTIATE_TEST_SUITE_P(Answers, FailedMessage,
                         ::testing::Values(LocalHttpServer::Kind::Silent, LocalHttpServer::Kind::Endless),
                         [](const ::testing::TestParamInfo<LocalHttpServer::Kind> &info) {
                             return info.param == LocalHttpServer::Kind::Silent ? "TimedOut" : "TooLarge";
                         });

// Only the message that failed waits: another one named the same day is fetched.
TEST_F(Feed, AnotherMessageIsFetchedTheSameDay)
{
    server.serve(kIndex, kOneLine);
    server.serve("/mirelomsg/2024123120240101A.txt", LocalHttpServer::Kind::Silent);
    round(kJune15);
    server.serve(kIndex, kOneLine + "NumerKomunikatu=2024123120240101B\r\n");
    server.serve("/mirelomsg/2024123120240101B.txt", "Druga");
    round(kJune15);
    EXPECT_EQ(testsupport::contents(file("komunikaty/komunikat.txt")), "Druga");
}

// A working folder others may write to, with another user's links where
// the index, a message and the pending message go: what comes from the
// site lands in none of the files they lead to, nor makes one where a
// dangling link points.
TEST_F(Feed, LinksPlantedWhereTheFeedWritesAreNotWrittenThrough)
{
    QTemporaryDir home;
    const QString victim = home.filePath("ważne.txt");
    testsupport::write(victim, "cudza praca");
    testsupport::stickyFolder(work.path());
    testsupport::stickyFolder(file("komunikaty"));
    ASSERT_TRUE(testsupport::plantLink(victim, file("NrKomunikatu.txt")));
    ASSERT_TRUE(testsupport::plantLink(home.filePath("nowy.txt"), file("komunikaty/2024123120240101A.txt")));
    ASSERT_TRUE(testsupport::plantLink(victim, file("komunikaty/komunikat.txt")));
    server.serve(kIndex, kOneLine);
    server.serve("/mirelomsg/2024123120240101A.txt", "{\\rtf1 Nowa wersja}");

    round(kJune15);
    EXPECT_EQ(testsupport::contents(victim), "cudza praca");
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{"ważne.txt"});

    // The message itself, fetched where no link stands, is not copied
    // through the one at the pending message either.
    QFile::remove(file("komunikaty/2024123120240101A.txt"));
    fetchMessage(kOneId);
    EXPECT_EQ(testsupport::contents(file("komunikaty/2024123120240101A.txt")), "{\\rtf1 Nowa wersja}");
    EXPECT_EQ(testsupport::contents(victim), "cudza praca");
    EXPECT_TRUE(QFileInfo(file("komunikaty/komunikat.txt")).isSymLink());
}

// An identifier that could name a file outside "komunikaty" is neither
// fetched nor written, whoever passes it.
TEST_F(Feed, IdentifiersLeavingTheFolderAreRefused)
{
    server.serve(kIndex, kOneLine);
    const QStringList refused = {"../../Config",
                                 "2024123120240101/../../x",
                                 "..\\..\\x",
                                 "2024123120240101..",
                                 "/etc/passwd",
                                 QString::fromUtf8("2024123120240101\0x", 18),
                                 "2024123120240101\nx",
                                 QString(101, 'a')};
    for (const QString &id : refused) {
        server.serve("/mirelomsg/" + id + ".txt", "treść");
        fetchMessage(id);
    }
    EXPECT_TRUE(server.requests.isEmpty()) << server.requests.join(", ").toStdString();
    EXPECT_EQ(QDir(file("komunikaty")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"komunikaty"});

    // The longest identifier taken, with characters that mean something in an address.
    const QString longest = "2024123120240101 ?#%" + QString(80, 'b');
    server.serve("/mirelomsg/" + longest + ".txt", "treść");
    fetchMessage(longest);
    EXPECT_EQ(server.requests, QStringList{"/mirelomsg/2024123120240101%20%3F%23%25" + QString(80, 'b') + ".txt"});
    EXPECT_TRUE(QFile::exists(service::messagePath(env, longest)));
}

} // namespace

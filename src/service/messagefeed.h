#pragma once
// The vendor's message feed: at start the program fetches a small index from
// the vendor's site, picks the message that applies today, fetches it once
// into the "komunikaty" folder and, unless it is marked "***", makes it the
// pending message that the viewer shows at every start until it is read.
// No windows: QtCore and QtNetwork only.
//
// The downloads run on the event loop: nothing waits for them, so a site
// that takes its time never holds the user up.
//
// Everything from the network is untrusted: every download has a time and a
// size limit, lands in a scratch file that takes the target's place only
// when complete, and an identifier that could name a file outside
// "komunikaty" is never fetched.

#include "environment.h"

#include <QByteArray>
#include <QDate>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkReply;

namespace service {

struct FeedLimits {
    int indexTimeoutMs = 5000;     // the whole download of the index
    int messageTimeoutMs = 10000;  // the whole download of a message
    qint64 maxBytes = 1 << 20;     // the largest body taken
};

enum class DownloadResult {
    Saved,     // the target now holds the whole body of a "200 OK"
    NotTried,  // not an http(s) address, or a host that cannot exist
    Failed,    // no connection, an error status, a cut body, an unwritable target
    TimedOut,  // the time limit passed first
    TooLarge,  // the body is, or announced itself, larger than the limit
};

// One download of `url` into `target` within `timeoutMs` and `maxBytes`.
// `finished` comes once, always from the event loop; on anything but Saved
// the target stays as it was. Redirects are followed only within the same
// site. Hosts under the reserved ".example" and ".invalid" names are not
// looked up at all. Destroying the download abandons it.
class DownloadFile : public QObject {
    Q_OBJECT
public:
    DownloadFile(const QUrl &url, const QString &target, int timeoutMs, qint64 maxBytes, QObject *parent = nullptr);
    ~DownloadFile() override;

signals:
    void finished(service::DownloadResult result);

private:
    void start(const QUrl &url, int timeoutMs);
    void stop(DownloadResult why);
    void readBody();
    void replyFinished();
    // Hands `result` on from the event loop, once.
    void finish(DownloadResult result);

    const QString m_target;
    const qint64 m_maxBytes;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    std::optional<DownloadResult> m_stopped;  // why the download was cut off
};

// The local files of the feed, all under the working folder.
QString messageIndexPath(const app::Environment &env);    // NrKomunikatu.txt
QString messagesFolder(const app::Environment &env);      // komunikaty
QString messagePath(const app::Environment &env, const QString &identifier);
QString pendingMessagePath(const app::Environment &env);  // komunikaty/komunikat.txt
// The message that did not come within its limits, and on which day.
QString failedMessagePath(const app::Environment &env);   // komunikaty/nieudany.dat

// A file of the vendor's feed on its site ("/mirelomsg/" + name); characters
// that mean something in an address are escaped.
QUrl vendorFeedUrl(const app::Environment &env, const QString &fileName);

// False for an identifier that could lead out of "komunikaty": one holding
// "/", "\", "..", a control character, or longer than 100 characters.
bool isSafeMessageIdentifier(const QString &identifier);

// The identifier of the last line of `index` (Windows-1250 text) that
// applies on `today`, or empty: a line "NumerKomunikatu", any separator,
// then an entry whose first 8 characters are the last day (YYYYMMDD) and the
// next 8 the first day. Malformed lines and unsafe identifiers are skipped.
QString applicableMessage(const QByteArray &index, const QDate &today);

// True when the message's first line begins with "***": it is kept but never shown.
bool isHiddenMessage(const QByteArray &message);

// The feed's round at one start. Destroying the feed abandons a download
// still running.
class MessageFeed : public QObject {
    Q_OBJECT
public:
    MessageFeed(const app::Environment &env, const QDate &today, const FeedLimits &limits = {},
                QObject *parent = nullptr);

    // The whole round: `FetchMessageIndex`, then `FetchMessage` with its
    // result; `messageFetched` ends it.
    void start();

    // Downloads the index into NrKomunikatu.txt; `indexFetched` follows with
    // the identifier that applies today. A failed download reads the index
    // kept from before.
    void FetchMessageIndex();
    // Fetches the message `identifier` unless it was fetched before, or did
    // not come within its limits earlier today; makes it the pending message
    // unless it is hidden. `messageFetched` follows.
    void FetchMessage(const QString &identifier);

signals:
    void indexFetched(const QString &identifier);
    void messageFetched();

private:
    void messageDownloaded(const QString &identifier, DownloadResult result);
    // Runs `then` with the result; the download is a child until then.
    void download(const QUrl &url, const QString &target, int timeoutMs,
                  const std::function<void(DownloadResult)> &then);

    const app::Environment &m_env;
    const QDate m_today;
    const FeedLimits m_limits;
};

} // namespace service

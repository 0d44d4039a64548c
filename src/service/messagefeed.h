#pragma once
// The vendor's message feed: at start the program fetches a small index from
// the vendor's site, picks the message that applies today, fetches it once
// into the "komunikaty" folder and, unless it is marked "***", makes it the
// pending message that the viewer shows at every start until it is read.
// No windows: QtCore and QtNetwork only.
//
// Everything from the network is untrusted: every download has a time and a
// size limit, lands in a scratch file that takes the target's place only
// when complete, and an identifier that could name a file outside
// "komunikaty" is never fetched.

#include "environment.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QUrl>

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

// Fetches `url` into `target` within `timeoutMs` and `maxBytes`. Waits in a
// local event loop that takes no user input, so the caller's windows neither
// react nor freeze. On anything but Saved the target stays as it was.
// Redirects are followed only within the same site. Hosts under the reserved
// ".example" and ".invalid" names are not looked up at all.
DownloadResult DownloadFile(const QUrl &url, const QString &target, int timeoutMs, qint64 maxBytes);

// The local files of the feed, all under the working folder.
QString messageIndexPath(const app::Environment &env);    // NrKomunikatu.txt
QString messagesFolder(const app::Environment &env);      // komunikaty
QString messagePath(const app::Environment &env, const QString &identifier);
QString pendingMessagePath(const app::Environment &env);  // komunikaty/komunikat.txt

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

// Downloads the index into NrKomunikatu.txt and returns the identifier that
// applies on `today`. A failed download reads the index kept from before.
QString FetchMessageIndex(const app::Environment &env, const QDate &today, const FeedLimits &limits = {});

// Fetches the message `identifier` unless it was fetched before, and makes
// it the pending message unless it is hidden.
void FetchMessage(const app::Environment &env, const QString &identifier, const FeedLimits &limits = {});

} // namespace service

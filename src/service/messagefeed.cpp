#include "messagefeed.h"

#include "files.h"
#include "rpoutputfile.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

#include <optional>

namespace service {

namespace {

const QString kIndexMarker = QStringLiteral("NumerKomunikatu");
constexpr qsizetype kMaxIdentifierLength = 100;
constexpr qint64 kReadChunk = 64 * 1024;

// Names under these reserved domains never resolve: asking a name server
// would only cost the user a wait.
bool isUnresolvableHost(const QString &host)
{
    for (const QLatin1String domain : {QLatin1String("example"), QLatin1String("invalid")})
        if (host.compare(domain, Qt::CaseInsensitive) == 0
            || host.endsWith(QLatin1Char('.') + domain, Qt::CaseInsensitive))
            return true;
    return false;
}

bool isLoopbackHost(const QString &host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
}

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

bool writeWhole(const QString &target, const QByteArray &body)
{
    rtfreport::TRpOutputFile file(target);
    return file.Open() && file.Device().write(body) == body.size() && file.Commit();
}

// YYYYMMDD; an invalid date for anything else.
QDate dateOf(QStringView text)
{
    if (text.size() != 8)
        return {};
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    return QDate(text.first(4).toInt(), text.sliced(4, 2).toInt(), text.sliced(6, 2).toInt());
}

// The identifier a line of the index names when it applies on `today`.
QString entryFor(QStringView line, const QDate &today)
{
    if (line.size() <= kIndexMarker.size() || !line.startsWith(kIndexMarker))
        return {};
    const QStringView entry = line.sliced(kIndexMarker.size() + 1);
    if (entry.trimmed().size() <= 15)
        return {};
    const QDate last = dateOf(entry.first(8));
    const QDate first = dateOf(entry.sliced(8, 8));
    if (!last.isValid() || !first.isValid() || today < first || today > last)
        return {};
    return isSafeMessageIdentifier(entry.toString()) ? entry.toString() : QString();
}

QByteArray readAtMost(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(maxBytes) : QByteArray();
}

} // namespace

DownloadResult DownloadFile(const QUrl &url, const QString &target, int timeoutMs, qint64 maxBytes)
{
    if (!url.isValid() || !isWebScheme(url) || url.host().isEmpty() || isUnresolvableHost(url.host()))
        return DownloadResult::NotTried;

    QNetworkAccessManager manager;
    manager.setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
    // An office proxy is for the vendor's site; this machine itself is reached directly.
    if (isLoopbackHost(url.host()))
        manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(5);

    QNetworkReply *reply = manager.get(request);
    reply->setReadBufferSize(kReadChunk);
    QByteArray body;
    std::optional<DownloadResult> stopped;  // why the download was cut off
    const auto stop = [&](DownloadResult why) {
        stopped = why;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes)
            stop(DownloadResult::TooLarge);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        body += reply->read(maxBytes + 1 - body.size());
        if (body.size() > maxBytes)
            stop(DownloadResult::TooLarge);
    });
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] { stop(DownloadResult::TimedOut); });
    deadline.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();
    // The handlers above refer to this frame: nothing may call them later.
    QObject::disconnect(reply, nullptr, nullptr, nullptr);

    if (stopped)
        return *stopped;
    // The loop may also end because the program is quitting: only a
    // finished answer is whole.
    if (!reply->isFinished()) {
        reply->abort();
        return DownloadResult::Failed;
    }
    body += reply->read(maxBytes + 1 - body.size());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200)
        return DownloadResult::Failed;
    if (body.size() > maxBytes)
        return DownloadResult::TooLarge;
    return writeWhole(target, body) ? DownloadResult::Saved : DownloadResult::Failed;
}

QString messageIndexPath(const app::Environment &env)
{
    return env.workingFolder + QStringLiteral("/NrKomunikatu.txt");
}

QString messagesFolder(const app::Environment &env) { return env.workingFolder + QStringLiteral("/komunikaty"); }

QString messagePath(const app::Environment &env, const QString &identifier)
{
    return messagesFolder(env) + QLatin1Char('/') + identifier + QStringLiteral(".txt");
}

QString pendingMessagePath(const app::Environment &env) { return messagePath(env, QStringLiteral("komunikat")); }

QUrl vendorFeedUrl(const app::Environment &env, const QString &fileName)
{
    QUrl url(env.vendorUrl);
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/mirelomsg/") + fileName, QUrl::DecodedMode);
    return url;
}

bool isSafeMessageIdentifier(const QString &identifier)
{
    if (identifier.isEmpty() || identifier.size() > kMaxIdentifierLength || identifier.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : identifier)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString applicableMessage(const QByteArray &index, const QDate &today)
{
    QStringDecoder decoder("windows-1250");
    const QString text = decoder.decode(index);
    QString result;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (QString entry = entryFor(line, today); !entry.isEmpty())
            result = std::move(entry);
    }
    return result;
}

bool isHiddenMessage(const QByteArray &message) { return message.startsWith("***"); }

QString FetchMessageIndex(const app::Environment &env, const QDate &today, const FeedLimits &limits)
{
    const QString index = messageIndexPath(env);
    DownloadFile(vendorFeedUrl(env, QStringLiteral("nrkomunikatu.txt")), index, limits.indexTimeoutMs,
                 limits.maxBytes);
    return applicableMessage(readAtMost(index, limits.maxBytes), today);
}

void FetchMessage(const app::Environment &env, const QString &identifier, const FeedLimits &limits)
{
    QDir().mkpath(messagesFolder(env));
    if (!isSafeMessageIdentifier(identifier))
        return;
    const QString message = messagePath(env, identifier);
    // A message fetched once is never fetched again.
    if (QFileInfo::exists(message))
        return;
    DownloadFile(vendorFeedUrl(env, identifier + QStringLiteral(".txt")), message, limits.messageTimeoutMs,
                 limits.maxBytes);
    if (!QFileInfo::exists(message) || isHiddenMessage(readAtMost(message, 3)))
        return;
    app::CopyFileWaiting(message, pendingMessagePath(env));
}

} // namespace service

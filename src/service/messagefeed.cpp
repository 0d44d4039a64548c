#include "messagefeed.h"

#include "files.h"
#include "rpoutputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

#include <functional>

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

QString dayKey(const QDate &day) { return day.toString(QStringLiteral("yyyyMMdd")); }

QByteArray readAtMost(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(maxBytes) : QByteArray();
}

// The message that did not come within its limits on `day`, or empty. The
// file holds one line: the day as YYYYMMDD, a blank, the identifier.
QString failedMessageOn(const app::Environment &env, const QDate &day)
{
    const QString line = QString::fromUtf8(readAtMost(failedMessagePath(env), 1024)).section(QLatin1Char('\n'), 0, 0);
    const QString prefix = dayKey(day) + QLatin1Char(' ');
    return line.startsWith(prefix) ? line.mid(prefix.size()) : QString();
}

void rememberFailedMessage(const app::Environment &env, const QDate &day, const QString &identifier)
{
    writeWhole(failedMessagePath(env), (dayKey(day) + QLatin1Char(' ') + identifier + QLatin1Char('\n')).toUtf8());
}

} // namespace

DownloadFile::DownloadFile(const QUrl &url, const QString &target, int timeoutMs, qint64 maxBytes, QObject *parent)
    : QObject(parent), m_target(target), m_maxBytes(maxBytes)
{
    if (!url.isValid() || !isWebScheme(url) || url.host().isEmpty() || isUnresolvableHost(url.host()))
        finish(DownloadResult::NotTried);
    else
        start(url, timeoutMs);
}

DownloadFile::~DownloadFile()
{
    // Nothing of a reply still running may reach this object any more.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void DownloadFile::start(const QUrl &url, int timeoutMs)
{
    m_network.setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
    // An office proxy is for the vendor's site; this machine itself is reached directly.
    if (isLoopbackHost(url.host()))
        m_network.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(5);

    m_reply = m_network.get(request);
    m_reply->setReadBufferSize(kReadChunk);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > m_maxBytes)
            stop(DownloadResult::TooLarge);
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadFile::readBody);
    connect(m_reply, &QNetworkReply::finished, this, &DownloadFile::replyFinished);
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, [this] { stop(DownloadResult::TimedOut); });
    m_deadline.start(timeoutMs);
}

// The reply finishes at once, aborted, and says why through `m_stopped`.
void DownloadFile::stop(DownloadResult why)
{
    m_stopped = why;
    m_reply->abort();
}

void DownloadFile::readBody()
{
    m_body += m_reply->read(m_maxBytes + 1 - m_body.size());
    if (m_body.size() > m_maxBytes)
        stop(DownloadResult::TooLarge);
}

void DownloadFile::replyFinished()
{
    m_deadline.stop();
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    // Not deleted here: the reply is still emitting the signal that brought us here.
    reply->deleteLater();
    if (m_stopped) {
        finish(*m_stopped);
        return;
    }
    m_body += reply->read(m_maxBytes + 1 - m_body.size());
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200)
        finish(DownloadResult::Failed);
    else if (m_body.size() > m_maxBytes)
        finish(DownloadResult::TooLarge);
    else
        finish(writeWhole(m_target, m_body) ? DownloadResult::Saved : DownloadResult::Failed);
}

// Queued, so that whoever handles the result may delete this download.
void DownloadFile::finish(DownloadResult result)
{
    QMetaObject::invokeMethod(this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
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

// Not ".txt": no identifier can name it.
QString failedMessagePath(const app::Environment &env) { return messagesFolder(env) + QStringLiteral("/nieudany.dat"); }

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

MessageFeed::MessageFeed(const app::Environment &env, const QDate &today, const FeedLimits &limits, QObject *parent)
    : QObject(parent), m_env(env), m_today(today), m_limits(limits)
{
}

void MessageFeed::start()
{
    connect(this, &MessageFeed::indexFetched, this, &MessageFeed::FetchMessage, Qt::SingleShotConnection);
    FetchMessageIndex();
}

void MessageFeed::FetchMessageIndex()
{
    download(vendorFeedUrl(m_env, QStringLiteral("nrkomunikatu.txt")), messageIndexPath(m_env),
             m_limits.indexTimeoutMs, [this](DownloadResult) {
                 emit indexFetched(applicableMessage(readAtMost(messageIndexPath(m_env), m_limits.maxBytes), m_today));
             });
}

void MessageFeed::FetchMessage(const QString &identifier)
{
    QDir().mkpath(messagesFolder(m_env));
    // A message fetched once is never fetched again; one that did not come
    // within its limits would cost every start today the same wait.
    if (!isSafeMessageIdentifier(identifier) || QFileInfo::exists(messagePath(m_env, identifier))
        || failedMessageOn(m_env, m_today) == identifier) {
        QMetaObject::invokeMethod(this, &MessageFeed::messageFetched, Qt::QueuedConnection);
        return;
    }
    download(vendorFeedUrl(m_env, identifier + QStringLiteral(".txt")), messagePath(m_env, identifier),
             m_limits.messageTimeoutMs, [this, identifier](DownloadResult result) {
                 messageDownloaded(identifier, result);
             });
}

void MessageFeed::messageDownloaded(const QString &identifier, DownloadResult result)
{
    // A time-out would cost every start today its wait, and a message too
    // large stays too large; a refusal or an error page costs nothing to ask
    // again at the next start.
    if (result == DownloadResult::TimedOut || result == DownloadResult::TooLarge)
        rememberFailedMessage(m_env, m_today, identifier);
    const QString message = messagePath(m_env, identifier);
    if (QFileInfo::exists(message) && !isHiddenMessage(readAtMost(message, 3)))
        app::CopyFileWaiting(message, pendingMessagePath(m_env));
    emit messageFetched();
}

void MessageFeed::download(const QUrl &url, const QString &target, int timeoutMs,
                           const std::function<void(DownloadResult)> &then)
{
    auto *download = new DownloadFile(url, target, timeoutMs, m_limits.maxBytes, this);
    connect(download, &DownloadFile::finished, this, [download, then](DownloadResult result) {
        download->deleteLater();
        then(result);
    });
}

} // namespace service

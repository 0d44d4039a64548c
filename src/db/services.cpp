#include "services.h"

#include "dberror.h"
#include "firebird.h"
#include "status.h"

#include <firebird/Interface.h>

#include <array>
#include <optional>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace db {

namespace {

// The engine answers a larger buffer with "truncated" only.
constexpr unsigned kQueryBufferSize = 16 * 1024;
// Seconds a query waits for a line before it answers "nothing yet".
constexpr unsigned char kQueryTimeoutSeconds = 1;

// A parameter block made by `fill`, as bytes.
template <typename Fill>
QByteArray parameterBlock(unsigned kind, Fill &&fill)
{
    Status status;
    Firebird::IXpbBuilder *builder = util()->getXpbBuilder(&status, kind, nullptr, 0);
    status.check();
    fill(builder, &status);
    QByteArray block;
    if (!status.failed())
        block = QByteArray(reinterpret_cast<const char *>(builder->getBuffer(&status)),
                           static_cast<qsizetype>(builder->getBufferLength(&status)));
    builder->dispose();
    status.check();
    return block;
}

QByteArray utf8(const QString &text) { return text.toUtf8(); }

// The service manager of the engine that opens `databaseName`.
QString serviceManagerName(const QString &databaseName)
{
    return serverOf(databaseName) + QStringLiteral("service_mgr");
}

// What one answer to "the next line" held.
struct Answer {
    QList<QString> lines;
    bool more = false;  // the service has not finished
};

quint16 littleEndian16(const unsigned char *p) { return static_cast<quint16>(p[0] | (p[1] << 8)); }

Answer parseAnswer(const unsigned char *p, const unsigned char *end)
{
    Answer answer;
    while (p < end && *p != isc_info_end) {
        switch (*p++) {
        case isc_info_svc_line: {
            if (end - p < 2)
                return answer;
            const quint16 length = littleEndian16(p);
            p += 2;
            if (length > end - p)
                return answer;
            if (length > 0) {
                answer.lines.append(QString::fromUtf8(reinterpret_cast<const char *>(p), length));
                answer.more = true;
            }
            p += length;
            break;
        }
        case isc_info_svc_timeout:
        case isc_info_data_not_ready:
        case isc_info_truncated:
            answer.more = true;
            break;
        default:
            // Nothing else was asked for; what follows cannot be read.
            return answer;
        }
    }
    return answer;
}

// The embedded engine runs gbak in this process, and gbak asks the console
// for the next volume when an archive ends early (or cannot be written): it
// would wait for a terminal. With no console input it gives up at once.
class NoConsoleInput {
public:
    NoConsoleInput() : m_saved(::dup(STDIN_FILENO))
    {
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::close(null);
        }
    }
    ~NoConsoleInput()
    {
        if (m_saved >= 0) {
            ::dup2(m_saved, STDIN_FILENO);
            ::close(m_saved);
        }
        std::clearerr(stdin);
    }
    NoConsoleInput(const NoConsoleInput &) = delete;
    NoConsoleInput &operator=(const NoConsoleInput &) = delete;

private:
    int m_saved;
};

// The number a one-row query answers, read in a transaction of its own.
int readNumber(Connection &connection, const QString &sql)
{
    Transaction transaction(connection);
    transaction.start();
    Statement select(transaction, sql);
    select.open();
    const int value = select.next() ? select.toInt(0) : 0;
    select.close();
    transaction.commit();
    return value;
}

// The shutdown mode of a database: 0 when it is online.
int shutdownMode(const ConnectionParameters &parameters)
{
    Connection connection;
    connection.open(parameters);
    return readNumber(connection, QStringLiteral("select MON$SHUTDOWN_MODE from MON$DATABASE"));
}

} // namespace

ArchiveEndsEarly::ArchiveEndsEarly() : DbError(QStringLiteral("The archive ends before the restore was complete.")) {}

QString serverOf(const QString &databaseName)
{
    // A local path begins with "/"; a drive letter is no server either.
    if (databaseName.startsWith(QLatin1Char('/')))
        return {};
    const qsizetype colon = databaseName.indexOf(QLatin1Char(':'));
    if (colon <= 1)
        return {};
    return databaseName.left(colon + 1);
}

QString pathOf(const QString &databaseName) { return databaseName.mid(serverOf(databaseName).size()); }

ServiceManager::ServiceManager(const ConnectionParameters &parameters) : m_parameters(parameters)
{
    const QByteArray attach = parameterBlock(Firebird::IXpbBuilder::SPB_ATTACH, [&](auto *spb, auto *status) {
        spb->insertString(status, isc_spb_user_name, utf8(parameters.user).constData());
        spb->insertString(status, isc_spb_password, utf8(parameters.password).constData());
        spb->insertTag(status, isc_spb_utf8_filename);
    });
    Status status;
    m_service = provider()->attachServiceManager(&status, utf8(serviceManagerName(parameters.database)).constData(),
                                                 static_cast<unsigned>(attach.size()),
                                                 reinterpret_cast<const unsigned char *>(attach.constData()));
    if (!m_service)
        status.check();
}

ServiceManager::~ServiceManager()
{
    Status status;
    m_service->detach(&status);
    if (status.failed())
        m_service->release();
}

void ServiceManager::backup(const QString &backupFile, const ServiceProgress &progress)
{
    run(parameterBlock(Firebird::IXpbBuilder::SPB_START,
                       [&](auto *spb, auto *status) {
                           spb->insertTag(status, isc_action_svc_backup);
                           spb->insertString(status, isc_spb_dbname, utf8(pathOf(m_parameters.database)).constData());
                           spb->insertString(status, isc_spb_bkp_file, utf8(backupFile).constData());
                           spb->insertInt(status, isc_spb_options, isc_spb_bkp_ignore_limbo);
                           spb->insertTag(status, isc_spb_verbose);
                       }),
        progress);
}

void ServiceManager::restore(const QString &backupFile, const QString &database, const ServiceProgress &progress)
{
    run(parameterBlock(Firebird::IXpbBuilder::SPB_START,
                       [&](auto *spb, auto *status) {
                           spb->insertTag(status, isc_action_svc_restore);
                           spb->insertString(status, isc_spb_bkp_file, utf8(backupFile).constData());
                           spb->insertString(status, isc_spb_dbname, utf8(pathOf(database)).constData());
                           spb->insertInt(status, isc_spb_options, isc_spb_res_replace | isc_spb_res_use_all_space);
                           spb->insertTag(status, isc_spb_verbose);
                       }),
        progress);
    // gbak keeps the database it restores shut down until the last step: an
    // archive that ends early leaves it so, and the service reports no error.
    ConnectionParameters restored = m_parameters;
    restored.database = database;
    if (shutdownMode(restored) != 0)
        throw ArchiveEndsEarly();
}

void ServiceManager::run(const QByteArray &startBlock, const ServiceProgress &progress)
{
    std::optional<NoConsoleInput> noConsole;
    if (serverOf(m_parameters.database).isEmpty())
        noConsole.emplace();
    Status status;
    m_service->start(&status, static_cast<unsigned>(startBlock.size()),
                     reinterpret_cast<const unsigned char *>(startBlock.constData()));
    status.check();

    // One line an answer, or "nothing yet" after the timeout; the engine
    // reports a failed run as the error of a query.
    const std::array<unsigned char, 7> send{isc_info_svc_timeout, 4, 0, kQueryTimeoutSeconds, 0, 0, 0};
    const std::array<unsigned char, 1> receive{isc_info_svc_line};
    std::vector<unsigned char> buffer(kQueryBufferSize);
    for (;;) {
        m_service->query(&status, static_cast<unsigned>(send.size()), send.data(), static_cast<unsigned>(receive.size()),
                         receive.data(), static_cast<unsigned>(buffer.size()), buffer.data());
        status.check();
        const Answer answer = parseAnswer(buffer.data(), buffer.data() + buffer.size());
        for (const QString &line : answer.lines)
            if (progress.line)
                progress.line(line);
        if (!answer.more)
            break;
        if (answer.lines.isEmpty() && progress.waiting)
            progress.waiting();
    }
}

int otherAttachmentCount(Connection &connection)
{
    // The engine's own workers (garbage collector, cache writer) are system
    // attachments; each transaction sees a fresh monitoring snapshot.
    return readNumber(connection, QStringLiteral("select count(*) from MON$ATTACHMENTS "
                                                 "where MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
                                                 "and MON$SYSTEM_FLAG = 0"));
}

} // namespace db

#include "rpoutputfile.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace rtfreport {

namespace {

QString SystemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

// "<target>.<six letters or digits>": beside the target, so that the
// rename stays on one file system.
QByteArray ScratchName(const QByteArray &target)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = target + '.';
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return name;
}

} // namespace

TRpOutputFile::TRpOutputFile(QString target) : m_target(std::move(target)) {}

TRpOutputFile::~TRpOutputFile() { Discard(); }

bool TRpOutputFile::Fail(const QString &reason)
{
    m_error = reason;
    return false;
}

bool TRpOutputFile::Open()
{
    const QByteArray path = QFile::encodeName(m_target);
    struct stat existing {};
    if (::lstat(path.constData(), &existing) != 0) {
        if (errno != ENOENT)
            return Fail(SystemReason());
        return CreateScratch(path, -1);
    }
    if (S_ISLNK(existing.st_mode))
        return Fail(QStringLiteral("It is a symbolic link, and nothing is written through one."));
    if (!S_ISREG(existing.st_mode))
        return OpenDirectly(path);
    // As a file that is written in place would be.
    if (::access(path.constData(), W_OK) != 0)
        return Fail(QStringLiteral("The file is not writable: ") + SystemReason());
    return CreateScratch(path, int(existing.st_mode & 07777));
}

bool TRpOutputFile::OpenDirectly(const QByteArray &path)
{
    const int descriptor = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return Fail(SystemReason());
    if (!m_file.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return Fail(m_file.errorString());
    }
    return true;
}

// `permissions` are the old file's, which the new one keeps; -1 for a new
// file, which gets what the umask allows. Until they are set, the scratch
// file is the user's alone.
bool TRpOutputFile::CreateScratch(const QByteArray &path, int permissions)
{
    int descriptor = -1;
    for (int attempt = 0; descriptor < 0 && attempt < 100; ++attempt) {
        m_scratch = ScratchName(path);
        descriptor = ::open(m_scratch.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            permissions < 0 ? 0666 : 0600);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        const QString reason = SystemReason();
        m_scratch.clear();
        return Fail(reason);
    }
    const auto giveUp = [&](const QString &reason) {
        ::close(descriptor);
        Discard();
        return Fail(reason);
    };
    if (permissions >= 0 && ::fchmod(descriptor, mode_t(permissions)) != 0)
        return giveUp(SystemReason());
    if (!m_file.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return giveUp(m_file.errorString());
    return true;
}

bool TRpOutputFile::Commit()
{
    if (!m_file.isOpen())
        return Fail(QStringLiteral("The file is not open."));
    if (m_file.error() != QFileDevice::NoError || !m_file.flush()) {
        const QString reason = m_file.errorString();
        Discard();
        return Fail(reason);
    }
    if (m_scratch.isEmpty()) {
        m_file.close();
        return true;
    }
    if (::fsync(m_file.handle()) != 0) {
        const QString reason = SystemReason();
        Discard();
        return Fail(reason);
    }
    m_file.close();
    if (::rename(m_scratch.constData(), QFile::encodeName(m_target).constData()) != 0) {
        const QString reason = SystemReason();
        Discard();
        return Fail(reason);
    }
    m_scratch.clear();
    return true;
}

void TRpOutputFile::Discard()
{
    m_file.close();
    if (!m_scratch.isEmpty())
        ::unlink(m_scratch.constData());
    m_scratch.clear();
}

} // namespace rtfreport

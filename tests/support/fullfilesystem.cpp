#include "fullfilesystem.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace testsupport {

namespace {

const char kInChild[] = "MIRELO_TEST_OWN_MOUNT_NAMESPACE";
const QString kFiller = QStringLiteral(".filler");

QString currentTestName()
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return test ? QString::fromUtf8(test->test_suite_name()) + QLatin1Char('.') + QString::fromUtf8(test->name())
                : QString();
}

} // namespace

FullFileSystem::FullFileSystem(qint64 bytes)
{
    if (!m_dir.isValid()) {
        m_mountError = errno;
        return;
    }
    const QByteArray target = QFile::encodeName(m_dir.path());
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    if (::mount("tmpfs", target.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0)
        m_mounted = true;
    else
        m_mountError = errno;
}

FullFileSystem::~FullFileSystem()
{
    release();
    // Detached even while a file on it is still open: it goes with the last one.
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool FullFileSystem::ranInChild()
{
    if (m_mounted)
        return false;
    const QString reason = QString::fromLocal8Bit(std::strerror(m_mountError));
    if (qEnvironmentVariableIsSet(kInChild)) {
        ADD_FAILURE() << "cannot mount a tmpfs even in a mount namespace of its own: " << reason.toStdString();
        return true;
    }
    // Mounting refused here: the same test in a user and mount namespace
    // where this process is root.
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty()) {
        ADD_FAILURE() << "mounting a tmpfs was refused (" << reason.toStdString()
                      << ") and there is no unshare (util-linux) to try in a namespace of its own";
        return true;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kInChild), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(unshare, {QStringLiteral("--user"), QStringLiteral("--map-root-user"), QStringLiteral("--mount"),
                          QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=") + currentTestName()});
    const bool finished = child.waitForFinished(10 * 60 * 1000);
    const QByteArray output = child.readAll();
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        ADD_FAILURE() << "mounting a tmpfs was refused (" << reason.toStdString()
                      << "); the test in a namespace of its own failed:\n"
                      << output.toStdString();
    return true;
}

void FullFileSystem::fill(qint64 spare)
{
    // Never the disk the folder would be on without the mount.
    ASSERT_TRUE(m_mounted);
    const QByteArray name = QFile::encodeName(filePath(kFiller));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    static const QByteArray block(1 << 20, 'f');
    qint64 size = 0;
    for (const qint64 chunk : {1 << 20, 1 << 16, 4096, 512, 1}) {
        for (;;) {
            const ssize_t written = ::write(fd, block.constData(), size_t(chunk));
            if (written <= 0)
                break;
            size += written;
        }
    }
    const int lastError = errno;
    const int spareError = spare > 0 && ::ftruncate(fd, std::max<qint64>(0, size - spare)) != 0 ? errno : 0;
    ::close(fd);
    ASSERT_EQ(lastError, ENOSPC) << "the filler stopped for another reason: " << std::strerror(lastError);
    ASSERT_EQ(spareError, 0) << "the filler could not give back its spare bytes: " << std::strerror(spareError);
}

void FullFileSystem::release() { QFile::remove(filePath(kFiller)); }

qint64 FullFileSystem::freeBytes() const
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

} // namespace testsupport

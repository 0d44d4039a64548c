#include "testdatabase.h"

#include "firebird.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

namespace testsupport {

QString templateDatabase() { return QStringLiteral(MIRELO_TEMPLATE_DB); }

bool copyTemplateDatabase(const QString &path)
{
    return QFile::copy(templateDatabase(), path)
           && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
}

TestDatabase::TestDatabase()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    // One engine configuration per test process, removed when it ends;
    // processes the test starts inherit it through the environment.
    static QTemporaryDir engineFolder;
    static const bool configured = engineFolder.isValid() && db::configureFirebird(engineFolder.path());
    if (!configured)
        throw std::runtime_error("cannot configure the database engine");
    if (!copyTemplateDatabase(path()))
        throw std::runtime_error("cannot copy the template database");
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

} // namespace testsupport

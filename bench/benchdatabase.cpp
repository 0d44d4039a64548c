#include "benchdatabase.h"

#include "datamodule.h"
#include "firebird.h"
#include "notesgenerator.h"

#include <QDir>
#include <QFile>

namespace bench {

namespace {
const int kPositions = 100000;
const int kCounterparties = 1000;

db::ConnectionParameters parametersOf(const QString &path)
{
    return {path, QStringLiteral("sysdba"), app::databasePassword(), {}};
}
} // namespace

db::ConnectionParameters BenchDatabase::parameters() const { return parametersOf(path); }

const BenchDatabase &benchDatabase()
{
    static const BenchDatabase database = [] {
        const QByteArray dir = qgetenv("MIRELO_BENCH_DIR");
        const QString folder =
            dir.isEmpty() ? QDir::tempPath() + QStringLiteral("/mirelo-bench") : QString::fromLocal8Bit(dir);
        QDir().mkpath(folder);
        db::configureFirebird(folder + QStringLiteral("/firebird"));
        BenchDatabase result;
        result.path = folder + QStringLiteral("/notes%1.fdb").arg(kPositions);
        if (!QFile::exists(result.path)) {
            const QString scratch = result.path + QStringLiteral(".new");
            QFile::remove(scratch);
            QFile::copy(QStringLiteral(MIRELO_TEMPLATE_DB), scratch);
            QFile::setPermissions(scratch, QFile::ReadOwner | QFile::WriteOwner);
            db::Connection connection;
            connection.open(parametersOf(scratch));
            generateNotes(connection, kCounterparties, kPositions);
            connection.close();
            QFile::rename(scratch, result.path);
        }
        db::Connection connection;
        connection.open(result.parameters());
        db::Transaction transaction(connection);
        transaction.start();
        db::Statement first(transaction, QStringLiteral("select min(IDFIRMA) from FIRMA"));
        first.open();
        first.next();
        result.company = first.toInt(0);
        return result;
    }();
    return database;
}

qint64 fetchNotesList(db::Transaction &transaction, db::Statement &list, int company)
{
    transaction.startIfInactive();
    list.setInt(QStringLiteral("idfirma"), company);
    list.open();
    qint64 rows = 0;
    qint64 checksum = 0;
    while (list.next()) {
        checksum += list.toInt(0) + list.toInt(1) + list.toInt(2) + list.toInt(3) + list.toAmount(4)
                    + list.toAmount(5) + list.toText(6).size() + list.toInt(7) + list.toText(8).size()
                    + list.toInt(9) + list.toInt(10) + list.toInt(11) + list.toInt(12) + list.toText(13).size();
        ++rows;
    }
    list.close();
    transaction.commit();
    return checksum == -1 ? -1 : rows;
}

} // namespace bench

// Backup and restore through the embedded engine's service manager, the
// archives exchanged with gbak both ways, and the count of other
// attachments that archive and restore look at first.
#include "dberror.h"
#include "dbfixture.h"
#include "services.h"
#include "testfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace {

struct Collected {
    QStringList lines;
    db::ServiceProgress progress()
    {
        return {[this](const QString &line) { lines.append(line); }, {}};
    }
};

// The debits of the database's notes, in order: what a restore must bring back.
QList<qint64> debits(const db::ConnectionParameters &parameters)
{
    db::Connection connection;
    connection.open(parameters);
    db::Transaction transaction(connection);
    transaction.start();
    db::Statement select(transaction, QStringLiteral("select OBCIAZYLISMY from NOTA order by IDNOTA"));
    select.open();
    QList<qint64> values;
    while (select.next())
        values.append(select.toAmount(0));
    return values;
}

} // namespace

class Services : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        const int company = addCompany(QStringLiteral("Biuro Ćma"));
        const int counterparty = addCounterparty(company, QStringLiteral("Źródło sp. z o.o."));
        for (int i = 1; i <= 3; ++i)
            addNote(company, counterparty, 45000 + i, i, i * 10000);
        transaction.commit();
    }

    QString file(const QString &name) const { return database.folder() + QLatin1Char('/') + name; }

    db::ConnectionParameters at(const QString &path) const
    {
        db::ConnectionParameters p = parameters();
        p.database = path;
        return p;
    }

    void backup(const QString &target, Collected *collected = nullptr)
    {
        Collected ignored;
        db::ServiceManager(parameters()).backup(target, (collected ? *collected : ignored).progress());
    }

    void restore(const QString &source, const QString &target, Collected *collected = nullptr)
    {
        Collected ignored;
        db::ServiceManager(parameters()).restore(source, target, (collected ? *collected : ignored).progress());
    }

    const QList<qint64> archived{10000, 20000, 30000};
};

TEST_F(Services, BackupAndRestoreBringTheRowsBackLineByLine)
{
    Collected backupOutput, restoreOutput;
    backup(file(QStringLiteral("a.gbk_mr")), &backupOutput);
    restore(file(QStringLiteral("a.gbk_mr")), file(QStringLiteral("copy.fdb")), &restoreOutput);

    EXPECT_EQ(debits(at(file(QStringLiteral("copy.fdb")))), archived);
    for (const QStringList *lines : {&backupOutput.lines, &restoreOutput.lines}) {
        ASSERT_GT(lines->size(), 10) << "verbose output is one call per line";
        EXPECT_TRUE(lines->first().startsWith(QStringLiteral("gbak:")));
        for (const QString &line : *lines)
            EXPECT_FALSE(line.contains(QLatin1Char('\n'))) << line.toStdString();
    }
    EXPECT_TRUE(backupOutput.lines.join('\n').contains(QStringLiteral("NOTA")));
}

TEST_F(Services, RestoreReplacesAnOlderFileOfTheTargetName)
{
    backup(file(QStringLiteral("a.gbk_mr")));
    testsupport::write(file(QStringLiteral("old.fdb_")), "left over from an earlier run");
    restore(file(QStringLiteral("a.gbk_mr")), file(QStringLiteral("old.fdb_")));
    EXPECT_EQ(debits(at(file(QStringLiteral("old.fdb_")))), archived);
}

// Stands in for a terminal that never answers, for the life of the object.
class SilentConsole {
public:
    SilentConsole() : m_saved(::dup(STDIN_FILENO))
    {
        if (::pipe(m_pipe) == 0)
            ::dup2(m_pipe[0], STDIN_FILENO);
    }
    ~SilentConsole()
    {
        ::dup2(m_saved, STDIN_FILENO);
        ::close(m_saved);
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }

private:
    int m_saved;
    int m_pipe[2] = {-1, -1};
};

// Archives that cannot be restored fail, also one cut short (after which the
// engine's gbak would ask the console for the next volume) when the program
// was started from a terminal.
TEST_F(Services, UnusableArchivesFail)
{
    SilentConsole terminal;
    backup(file(QStringLiteral("good.gbk_mr")));
    const QByteArray good = testsupport::contents(file(QStringLiteral("good.gbk_mr")));
    ASSERT_GT(good.size(), 1000);
    testsupport::write(file(QStringLiteral("empty.gbk_mr")), {});
    testsupport::write(file(QStringLiteral("text.gbk_mr")), QByteArray(4000, 'x'));
    testsupport::write(file(QStringLiteral("cut.gbk_mr")), good.left(good.size() / 2));

    for (const char *name : {"missing.gbk_mr", "empty.gbk_mr", "text.gbk_mr", "cut.gbk_mr"}) {
        SCOPED_TRACE(name);
        try {
            restore(file(QString::fromLatin1(name)), file(QStringLiteral("target.fdb")));
            ADD_FAILURE() << "restored";
        } catch (const db::DbError &error) {
            EXPECT_FALSE(error.message().isEmpty());
        }
    }
}

// The layer names the kind, so that the program can tell the user in words
// of its own.
TEST_F(Services, AnArchiveCutShortIsReportedAsSuch)
{
    SilentConsole terminal;
    backup(file(QStringLiteral("good.gbk_mr")));
    const QByteArray good = testsupport::contents(file(QStringLiteral("good.gbk_mr")));
    testsupport::write(file(QStringLiteral("cut.gbk_mr")), good.left(good.size() * 3 / 4));
    EXPECT_THROW(restore(file(QStringLiteral("cut.gbk_mr")), file(QStringLiteral("target.fdb"))), db::ArchiveEndsEarly);
}

TEST_F(Services, BackupIntoAFolderThatIsNotThereFails)
{
    const QString target = file(QStringLiteral("no such folder/a.gbk_mr"));
    EXPECT_THROW(backup(target), db::DbError);
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(Services, AnUnreachableServerIsRefusedAtAttach)
{
    db::ConnectionParameters elsewhere = parameters();
    elsewhere.database = QStringLiteral("127.0.0.1/1:") + database.path();  // nothing listens on port 1
    EXPECT_THROW(db::ServiceManager{elsewhere}, db::DbError);
}

class WithGbak : public Services {
protected:
    void SetUp() override
    {
        gbak = QStandardPaths::findExecutable(QStringLiteral("gbak"));
        if (gbak.isEmpty())
            GTEST_SKIP() << "gbak (firebird3.0-utils) is not installed";
        Services::SetUp();
    }

    // Runs gbak embedded, sharing this process's engine configuration.
    void runGbak(const QStringList &arguments)
    {
        QProcess process;
        process.start(gbak, QStringList{QStringLiteral("-user"), QStringLiteral("sysdba")} + arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString()
                                         << process.readAllStandardOutput().toStdString();
    }

    QString gbak;
};

TEST_F(WithGbak, GbakRestoresWhatTheProgramWrites)
{
    backup(file(QStringLiteral("program.gbk_mr")));
    runGbak({QStringLiteral("-c"), file(QStringLiteral("program.gbk_mr")), file(QStringLiteral("by-gbak.fdb"))});
    EXPECT_EQ(debits(at(file(QStringLiteral("by-gbak.fdb")))), archived);
}

TEST_F(WithGbak, ProgramRestoresWhatGbakWrites)
{
    runGbak({QStringLiteral("-b"), database.path(), file(QStringLiteral("gbak.gbk_mr"))});
    restore(file(QStringLiteral("gbak.gbk_mr")), file(QStringLiteral("by-program.fdb")));
    EXPECT_EQ(debits(at(file(QStringLiteral("by-program.fdb")))), archived);
}

// Every attachment but this one counts: a second one in this process and
// another process's (the engine runs SuperClassic, so it sees them all).
TEST_F(Services, OtherAttachmentsAreCountedWhereverTheyAre)
{
    EXPECT_EQ(db::otherAttachmentCount(connection), 0);

    db::Connection second;
    second.open(parameters());
    EXPECT_EQ(db::otherAttachmentCount(connection), 1);
    EXPECT_EQ(db::otherAttachmentCount(second), 1);

    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
    if (!isql.isEmpty()) {
        QProcess other;
        other.start(isql, {QStringLiteral("-user"), QStringLiteral("sysdba"), QStringLiteral("-q"), database.path()});
        ASSERT_TRUE(other.waitForStarted());
        other.write("select 'attached' from rdb$database;\n");
        ASSERT_TRUE(testsupport::waitFor([&] {
            other.waitForReadyRead(50);
            return other.peek(4096).contains("attached");
        }));
        EXPECT_EQ(db::otherAttachmentCount(connection), 2);
        other.closeWriteChannel();
        other.waitForFinished();
    }
    second.close();
    EXPECT_EQ(db::otherAttachmentCount(connection), 0);
}

TEST(DatabaseNames, ServerAndPathParts)
{
    struct Case {
        const char *name, *server, *path;
    } cases[] = {
        {"/var/lib/mr.fdb", "", "/var/lib/mr.fdb"},
        {"/tmp/a:b/mr.fdb", "", "/tmp/a:b/mr.fdb"},
        {"localhost:/srv/mirelo/mr.fdb", "localhost:", "/srv/mirelo/mr.fdb"},
        {"localhost/3051:/srv/mr.fdb", "localhost/3051:", "/srv/mr.fdb"},
        {"C:\\Dane\\mr.fdb", "", "C:\\Dane\\mr.fdb"},
        {"mr.fdb", "", "mr.fdb"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(db::serverOf(QString::fromUtf8(c.name)), QString::fromUtf8(c.server));
        EXPECT_EQ(db::pathOf(QString::fromUtf8(c.name)), QString::fromUtf8(c.path));
    }
}

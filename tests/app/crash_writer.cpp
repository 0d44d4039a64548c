// crash_writer ini PATH | picklist PATH | notes DATABASE: writes for ever
// until it is killed. "ini" saves Config.ini with IDFirma 1 and 2 in turn,
// "picklist" saves a list of 200 lines "a…" or "b…" in turn, "notes" inserts
// ten positions a transaction and commits. It writes "ready" to standard
// output once it has begun.
#include "database.h"
#include "inifile.h"
#include "picklistfile.h"
#include "testrows.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 3)
        return 2;
    const QString target = QString::fromLocal8Bit(argv[2]);
    bool announced = false;
    const auto ready = [&announced] {
        if (!announced) {
            std::puts("ready");
            std::fflush(stdout);
            announced = true;
        }
    };
    if (std::strcmp(argv[1], "ini") == 0) {
        for (int round = 0;; ++round) {
            app::IniFile file(target);
            file.setValue(QStringLiteral("Ustawienia"), QStringLiteral("IDFirma"), QString::number(round % 2 + 1));
            file.save();
            ready();
        }
    }
    if (std::strcmp(argv[1], "picklist") == 0) {
        for (int round = 0;; ++round) {
            app::PickListFile file(target);
            QStringList lines;
            QString reason;
            file.read(lines, reason);
            lines = QStringList(200, QString(60, QLatin1Char(round % 2 ? 'b' : 'a')));
            file.write(lines, reason);
            ready();
        }
    }
    if (std::strcmp(argv[1], "notes") == 0) {
        db::Connection connection;
        connection.open({target, QStringLiteral("sysdba"), QStringLiteral("quorbelin"), {}});
        db::Transaction transaction(connection);
        for (;;) {
            transaction.start();
            for (int i = 0; i < 10; ++i) {
                testsupport::insertNote(transaction, 1, 1, {44562, i + 1, 100});
                ready();
            }
            transaction.commit();
        }
    }
    return 2;
}

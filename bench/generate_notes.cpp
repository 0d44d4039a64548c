// generate_notes DATABASE [POSITIONS [COUNTERPARTIES]]: fills DATABASE (a copy
// of the template database) with one company and its notes.
// generate_notes --demo DATABASE: a few companies, counterparties and notes to try the program with.
#include "database.h"
#include "datamodule.h"
#include "dberror.h"
#include "firebird.h"
#include "notesgenerator.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    const bool demo = argc > 1 && std::strcmp(argv[1], "--demo") == 0;
    if (demo) {
        ++argv;
        --argc;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate_notes [--demo] DATABASE [POSITIONS [COUNTERPARTIES]]\n");
        return 2;
    }
    const int positions = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int counterparties = argc > 3 ? std::atoi(argv[3]) : 1000;
    if (const db::EngineFolderCheck check = db::configureFirebird(db::defaultEngineFolders()); !check) {
        std::fprintf(stderr, "generate_notes: the database engine's folder %s cannot be used\n",
                     qPrintable(check.path));
        return 1;
    }
    try {
        db::Connection connection;
        connection.open({QString::fromLocal8Bit(argv[1]), QStringLiteral("sysdba"), app::databasePassword(), {}});
        if (demo) {
            if (bench::generateDemo(connection, QDate::currentDate()) == 0)
                std::printf("the demo data is already in %s\n", argv[1]);
            else
                std::printf("demo data written to %s\n", argv[1]);
            return 0;
        }
        QElapsedTimer timer;
        timer.start();
        const bench::GeneratedData data = bench::generateNotes(connection, counterparties, positions);
        std::printf("company %d: %d positions, %d counterparties in %.1f s\n", data.company, positions,
                    counterparties, timer.elapsed() / 1000.0);
    } catch (const db::DbError &error) {
        std::fprintf(stderr, "generate_notes: %s\n", error.what());
        return 1;
    }
    return 0;
}

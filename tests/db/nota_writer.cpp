// nota_writer DATABASE commit|rollback: inserts one NOTA row for the first
// company and counterparty of DATABASE, then commits or rolls back.
#include "database.h"
#include "dberror.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    try {
        db::Connection connection;
        connection.open({QString::fromLocal8Bit(argv[1]), QStringLiteral("sysdba"), QStringLiteral("quorbelin"), {}});
        db::Transaction transaction(connection);
        transaction.start();
        db::Statement insert(transaction,
                             QStringLiteral("insert into NOTA (IDFIRMA, IDKONTRAHENT, DATA, NUMER, OBCIAZYLISMY, UZNALISMY) "
                                            "select first 1 IDFIRMA, IDKONTRAHENT, 44562, 1, 0, 0 from KONTRAHENT"));
        insert.execute();
        if (std::strcmp(argv[2], "commit") == 0)
            transaction.commit();
        else
            transaction.rollback();
    } catch (const db::DbError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

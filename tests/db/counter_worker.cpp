// A second writer for the transaction tests: adds `count` numbered rows to the table Counter of
// the database, each number taken as the highest so far plus one inside one transaction, read
// under the lock a server takes for SQL Server's hints (the embedded file holds its write lock
// from the start of the transaction).
// The test sets the pace: before each transaction the worker waits at "turn", says "beginning" as
// it asks for the write lock, and once it has read its number waits at "read" before writing it.
#include "platform/db/connection.h"
#include "platform/error.h"
#include "support/serverdatabase.h"
#include "support/workerprotocol.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(
            stderr,
            "usage: db_counter_worker FILE|odbc:CONNECTION|postgresql:DATABASE COUNT WORKER\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    const QString worker = QString::fromLocal8Bit(argv[3]);
    try {
        auto connection = testsupport::openTarget(target, 30000);
        for (int i = 0; i < count; ++i) {
            if (!worker::waitAt("turn"))
                return 1;
            std::puts("beginning");
            std::fflush(stdout);
            db::Transaction transaction(*connection);
            db::Recordset rs = connection->OpenRecordset(QStringLiteral(
                "Select IsNull(Max(Number), 0) + 1 as Next From Counter WITH (UPDLOCK, HOLDLOCK)"));
            const int next = rs.Fields(QStringLiteral("Next")).toLong();
            if (!worker::waitAt("read"))
                return 1;
            connection->Execute(QStringLiteral("Insert Counter (Number, Worker) Values (%1, '%2')")
                                    .arg(next)
                                    .arg(worker));
            transaction.commit();
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

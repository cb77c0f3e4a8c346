// A second writer for the transaction tests: adds `count` numbered rows to the table Counter of
// the database, each number taken as the highest so far plus one inside one transaction, read
// under the lock a server takes for SQL Server's hints (the embedded file holds its write lock
// from the start of the transaction).
#include "platform/db/connection.h"
#include "platform/error.h"
#include "serverdatabase.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: db_counter_worker FILE|odbc:CONNECTION|postgresql:DATABASE COUNT WORKER\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    const QString worker = QString::fromLocal8Bit(argv[3]);
    try {
        auto connection = testsupport::openTarget(target, 30000);
        for (int i = 0; i < count; ++i) {
            db::Transaction transaction(*connection);
            db::Recordset rs = connection->OpenRecordset(
                QStringLiteral("Select IsNull(Max(Number), 0) + 1 as Next From Counter WITH (UPDLOCK, HOLDLOCK)"));
            const int next = rs.Fields(QStringLiteral("Next")).toLong();
            QThread::usleep(200); // widen the window between reading and writing the number
            connection->Execute(QStringLiteral("Insert Counter (Number, Worker) Values (%1, '%2')")
                                    .arg(next)
                                    .arg(worker));
            transaction.commit();
            QThread::usleep(500); // let the other writer in between
        }
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}

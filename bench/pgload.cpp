// Copies a generated hospital (an embedded database file made by bench_hospital) into a new
// PostgreSQL database, for running the benchmark on the server:
//
//   hospital_pgload FILE CONNINFO DATABASE [SQL FOLDER]
//
// CONNINFO is "host=... port=... user=... password=..." (as INVENTORY_TEST_POSTGRES gives it);
// DATABASE is dropped if it exists and made anew with the scripts of sql/postgresql/ (the schema,
// then the functions). Then every table's rows go over with COPY, streamed: rows are read from
// the file one at a time and sent in blocks, so memory stays flat whatever the size. The keys
// and indexes the schema made are taken off for the copy and built again after it, the identity
// column's sequence is moved past the copied lines, and ANALYZE gathers the planner's statistics.
// Each table is emptied and filled in one transaction with COPY FREEZE, so its pages are all
// visible at once and index-only scans need no VACUUM first.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#ifndef INVENTORY_SOURCE_DIR
#define INVENTORY_SOURCE_DIR "."
#endif

namespace {

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "hospital_pgload: %s\n", qPrintable(what));
    std::exit(1);
}

PGconn *connectTo(const QString &conninfo, const QString &database)
{
    const QByteArray info = (conninfo + QStringLiteral(" dbname=") + database).toUtf8();
    PGconn *connection = PQconnectdb(info.constData());
    if (PQstatus(connection) != CONNECTION_OK)
        fail(QStringLiteral("cannot connect to %1: %2")
                 .arg(database, QString::fromUtf8(PQerrorMessage(connection))));
    return connection;
}

// Runs native statements (one or many); the rows of the last, which must succeed.
PGresult *exec(PGconn *connection, const QString &sql)
{
    PGresult *result = PQexec(connection, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(QStringLiteral("%1\n  in: %2")
                 .arg(QString::fromUtf8(PQresultErrorMessage(result)), sql.left(300)));
    return result;
}

void run(PGconn *connection, const QString &sql)
{
    PQclear(exec(connection, sql));
}

// The rows of a query, as text.
QList<QStringList> rows(PGconn *connection, const QString &sql)
{
    PGresult *result = exec(connection, sql);
    QList<QStringList> out;
    for (int r = 0; r < PQntuples(result); ++r) {
        QStringList row;
        for (int c = 0; c < PQnfields(result); ++c)
            row << QString::fromUtf8(PQgetvalue(result, r, c));
        out << row;
    }
    PQclear(result);
    return out;
}

QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// Appends one value to a COPY line in the text format: backslash, tab, newline and carriage
// return escaped.
void appendCopyText(QByteArray &line, const unsigned char *text, int size)
{
    for (int i = 0; i < size; ++i) {
        const char c = char(text[i]);
        switch (c) {
        case '\\':
            line.append("\\\\", 2);
            break;
        case '\t':
            line.append("\\t", 2);
            break;
        case '\n':
            line.append("\\n", 2);
            break;
        case '\r':
            line.append("\\r", 2);
            break;
        default:
            line.append(c);
        }
    }
}

struct Copied
{
    qint64 rows = 0;
    double seconds = 0;
};

// Streams one table's rows from the file into the server's table of the same name, in the
// columns both have.
Copied copyTable(sqlite3 *file, PGconn *server, const QString &table)
{
    QElapsedTimer timer;
    timer.start();
    // The server's columns that take values (not the generated ones), in its order.
    const QList<QStringList> serverColumns =
        rows(server, QStringLiteral("SELECT column_name FROM information_schema.columns "
                                    "WHERE table_schema = 'public' AND table_name = lower('%1') "
                                    "AND is_generated = 'NEVER' ORDER BY ordinal_position")
                         .arg(table));
    QStringList fileColumns;
    {
        sqlite3_stmt *info = nullptr;
        const QByteArray sql = QStringLiteral("SELECT name FROM pragma_table_xinfo('%1') "
                                              "WHERE hidden = 0")
                                   .arg(table)
                                   .toUtf8();
        sqlite3_prepare_v2(file, sql.constData(), -1, &info, nullptr);
        while (sqlite3_step(info) == SQLITE_ROW)
            fileColumns << QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(info, 0)));
        sqlite3_finalize(info);
    }
    // Each column both have: its name in the file and on the server (which folds names to lower
    // case).
    QStringList selected;
    QStringList copiedColumns;
    for (const QStringList &column : serverColumns) {
        for (const QString &name : std::as_const(fileColumns)) {
            if (name.compare(column.front(), Qt::CaseInsensitive) == 0) {
                selected << quotedName(name);
                copiedColumns << quotedName(column.front());
                break;
            }
        }
    }
    for (const QString &name : std::as_const(fileColumns)) {
        bool found = false;
        for (const QStringList &column : serverColumns)
            found = found || name.compare(column.front(), Qt::CaseInsensitive) == 0;
        if (!found)
            std::printf("  %s.%s: no such column on the server, left out\n", qPrintable(table),
                        qPrintable(name));
    }

    sqlite3_stmt *read = nullptr;
    const QByteArray select =
        QStringLiteral("SELECT %1 FROM %2").arg(selected.join(QLatin1String(", ")), table).toUtf8();
    if (sqlite3_prepare_v2(file, select.constData(), -1, &read, nullptr) != SQLITE_OK)
        fail(QStringLiteral("cannot read %1: %2")
                 .arg(table, QString::fromUtf8(sqlite3_errmsg(file))));

    run(server, QStringLiteral("BEGIN"));
    run(server, QStringLiteral("TRUNCATE %1").arg(table));
    {
        const QByteArray copy = QStringLiteral("COPY %1 (%2) FROM STDIN WITH (FREEZE)")
                                    .arg(table, copiedColumns.join(QLatin1String(", ")))
                                    .toUtf8();
        PGresult *started = PQexec(server, copy.constData());
        if (PQresultStatus(started) != PGRES_COPY_IN)
            fail(QStringLiteral("%1\n  in: %2")
                     .arg(QString::fromUtf8(PQresultErrorMessage(started)),
                          QString::fromUtf8(copy)));
        PQclear(started);
    }
    QByteArray block;
    constexpr qsizetype BlockBytes = 1 << 20;
    block.reserve(BlockBytes + 4096);
    const auto flush = [&] {
        if (PQputCopyData(server, block.constData(), int(block.size())) != 1)
            fail(QStringLiteral("COPY into %1: %2")
                     .arg(table, QString::fromUtf8(PQerrorMessage(server))));
        block.clear();
    };
    Copied copied;
    const int count = int(selected.size());
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
        for (int c = 0; c < count; ++c) {
            if (c > 0)
                block.append('\t');
            if (sqlite3_column_type(read, c) == SQLITE_NULL) {
                block.append("\\N", 2);
            } else {
                const unsigned char *text = sqlite3_column_text(read, c);
                appendCopyText(block, text, sqlite3_column_bytes(read, c));
            }
        }
        block.append('\n');
        ++copied.rows;
        if (block.size() >= BlockBytes)
            flush();
    }
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("reading %1: %2").arg(table, QString::fromUtf8(sqlite3_errmsg(file))));
    sqlite3_finalize(read);
    if (!block.isEmpty())
        flush();
    if (PQputCopyEnd(server, nullptr) != 1)
        fail(QStringLiteral("COPY into %1: %2")
                 .arg(table, QString::fromUtf8(PQerrorMessage(server))));
    while (PGresult *result = PQgetResult(server)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            fail(QStringLiteral("COPY into %1: %2")
                     .arg(table, QString::fromUtf8(PQresultErrorMessage(result))));
        // The server's count of what it took, against what was read from the file.
        const qint64 taken = QByteArray(PQcmdTuples(result)).toLongLong();
        if (taken != copied.rows)
            fail(QStringLiteral("COPY into %1 took %2 rows of %3")
                     .arg(table)
                     .arg(taken)
                     .arg(copied.rows));
        PQclear(result);
    }
    run(server, QStringLiteral("COMMIT"));
    copied.seconds = double(timer.nsecsElapsed()) / 1e9;
    return copied;
}

QString readScript(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(path));
    return QString::fromUtf8(file.readAll());
}

long peakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: hospital_pgload FILE CONNINFO DATABASE [SQL FOLDER]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString conninfo = QString::fromLocal8Bit(argv[2]);
    const QString database = QString::fromLocal8Bit(argv[3]);
    const QDir scripts(argc > 4 ? QString::fromLocal8Bit(argv[4])
                                : QStringLiteral(INVENTORY_SOURCE_DIR "/sql/postgresql"));
    QElapsedTimer total;
    total.start();

    sqlite3 *file = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &file, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        fail(QStringLiteral("cannot open %1").arg(path));

    {
        PGconn *admin = connectTo(conninfo, QStringLiteral("postgres"));
        run(admin, QStringLiteral("SET client_min_messages = warning"));
        run(admin, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(quotedName(database)));
        run(admin, QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                       .arg(quotedName(database)));
        PQfinish(admin);
    }
    PGconn *server = connectTo(conninfo, database);
    run(server, QStringLiteral("SET client_min_messages = warning"));
    run(server, readScript(scripts.filePath(QStringLiteral("01_schema.sql"))));
    run(server, readScript(scripts.filePath(QStringLiteral("02_functions.sql"))));
    run(server, QStringLiteral("SET maintenance_work_mem = '256MB'"));
    // The copy fires no trigger: what the schema's triggers keep is made once, after it.
    run(server, QStringLiteral("SET session_replication_role = replica"));

    // The keys and indexes as the schema made them, taken off for the copy.
    const QList<QStringList> keys = rows(
        server, QStringLiteral("SELECT conrelid::regclass::text, conname, "
                               "pg_get_constraintdef(oid) FROM pg_constraint "
                               "WHERE contype = 'p' AND connamespace = 'public'::regnamespace"));
    const QList<QStringList> indexes = rows(
        server, QStringLiteral("SELECT indexrelid::regclass::text, pg_get_indexdef(indexrelid) "
                               "FROM pg_index I JOIN pg_class C ON C.oid = I.indrelid "
                               "WHERE C.relnamespace = 'public'::regnamespace "
                               "AND NOT EXISTS (SELECT 1 FROM pg_constraint K "
                               "WHERE K.conindid = I.indexrelid)"));
    for (const QStringList &index : indexes)
        run(server, QStringLiteral("DROP INDEX %1").arg(index.at(0)));
    for (const QStringList &key : keys)
        run(server, QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2")
                        .arg(key.at(0), quotedName(key.at(1))));

    std::printf("loading %s into %s\n", qPrintable(path), qPrintable(database));
    sqlite3_stmt *tables = nullptr;
    sqlite3_prepare_v2(file,
                       "SELECT name FROM sqlite_schema WHERE type = 'table' "
                       "AND name NOT LIKE 'sqlite%' ORDER BY name",
                       -1, &tables, nullptr);
    QStringList names;
    while (sqlite3_step(tables) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(tables, 0)));
    sqlite3_finalize(tables);
    for (const QString &table : std::as_const(names)) {
        if (rows(server, QStringLiteral("SELECT to_regclass('public.%1') IS NOT NULL").arg(table))
                .front()
                .front() != QLatin1String("t")) {
            std::printf("  %-24s not on the server, left out\n", qPrintable(table));
            continue;
        }
        const Copied copied = copyTable(file, server, table);
        std::printf("  %-24s %10lld rows %8.1f s\n", qPrintable(table), copied.rows,
                    copied.seconds);
        std::fflush(stdout);
    }
    sqlite3_close(file);

    QElapsedTimer step;
    step.start();
    if (rows(server, QStringLiteral("SELECT to_regclass('tbinvstockname') IS NOT NULL"))
            .front()
            .front() == QLatin1String("t")) {
        run(server,
            QStringLiteral(
                "INSERT INTO tbInvStockName (ItemID, LocationID, ItemStatus, ItemName, "
                "ItemDesc) SELECT I.ItemID, I.LocationID, I.ItemStatus, M.ItemName, "
                "M.ItemDesc FROM tbInvent I LEFT JOIN tbInvMaster M ON M.ItemID = I.ItemID"));
        std::printf("  tbInvStockName %.1f s\n", double(step.nsecsElapsed()) / 1e9);
        step.restart();
    }
    for (const QStringList &key : keys)
        run(server, QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3")
                        .arg(key.at(0), quotedName(key.at(1)), key.at(2)));
    for (const QStringList &index : indexes)
        run(server, index.at(1));
    std::printf("  keys and indexes %.1f s\n", double(step.nsecsElapsed()) / 1e9);
    // Identity columns continue after the highest copied value.
    const QList<QStringList> identities = rows(
        server, QStringLiteral("SELECT table_name, column_name FROM information_schema.columns "
                               "WHERE table_schema = 'public' AND is_identity = 'YES'"));
    for (const QStringList &identity : identities)
        run(server, QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                                   "coalesce((SELECT max(%2) FROM %1), 0) + 1, false)")
                        .arg(identity.at(0), identity.at(1)));
    step.restart();
    run(server, QStringLiteral("ANALYZE"));
    std::printf("  ANALYZE %.1f s\n", double(step.nsecsElapsed()) / 1e9);
    std::printf("loaded in %.1f s, peak memory %ld MB\n", double(total.nsecsElapsed()) / 1e9,
                peakMb());
    PQfinish(server);
    return 0;
}

#include "rawpostgres.h"

#include "platform/db/postgresnative.h"

#include <libpq-fe.h>

#include <cstdio>
#include <vector>

namespace rawpostgres {

namespace {

volatile std::size_t g_sink = 0; // keeps the reads from being optimised away

QByteArray conninfoFor(const QString &conninfo, const QString &database)
{
    QString text = conninfo;
    if (!database.isEmpty())
        text += QStringLiteral(" dbname=") + database;
    return text.toUtf8();
}

bool succeeded(PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

PGresult *send(PGconn *connection, const db::Statement &statement, const QString &prefix = {})
{
    const QByteArray sql = (prefix + db::postgres::numberedPlaceholders(statement.sql)).toUtf8();
    std::vector<QByteArray> texts;
    std::vector<const char *> values;
    texts.reserve(std::size_t(statement.params.size()));
    for (const QVariant &value : statement.params) {
        if (value.isNull()) {
            values.push_back(nullptr);
            continue;
        }
        texts.push_back(value.typeId() == QMetaType::Double
                            ? QByteArray::number(value.toDouble(), 'g', 17)
                            : value.toString().toUtf8());
        values.push_back(texts.back().constData());
    }
    return PQexecParams(connection, sql.constData(), int(values.size()), nullptr, values.data(),
                        nullptr, nullptr, 0);
}

} // namespace

PGconn *connect(const QString &conninfo, const QString &database)
{
    PGconn *connection = PQconnectdb(conninfoFor(conninfo, database).constData());
    if (PQstatus(connection) != CONNECTION_OK) {
        std::fprintf(stderr, "cannot connect to PostgreSQL: %s\n", PQerrorMessage(connection));
        PQfinish(connection);
        return nullptr;
    }
    exec(connection, "SET DateStyle = 'ISO, MDY'");
    // The program's sessions compile no statement to machine code; the floor they are measured
    // against does not either.
    exec(connection, "SET jit = off");
    return connection;
}

int run(PGconn *connection, const db::Statement &statement)
{
    for (const QString &lock : statement.lockFirst) {
        if (!exec(connection, lock.toUtf8().constData()))
            return -1;
    }
    PGresult *result = send(connection, statement);
    if (!succeeded(result)) {
        std::fprintf(stderr, "statement failed: %s  %s\n", PQresultErrorMessage(result),
                     qPrintable(statement.sql));
        PQclear(result);
        return -1;
    }
    const int rows = PQntuples(result);
    const int columns = PQnfields(result);
    std::size_t bytes = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            PQgetvalue(result, r, c);
            bytes += std::size_t(PQgetlength(result, r, c));
        }
    }
    PQclear(result);
    g_sink = g_sink + bytes;
    return rows;
}

bool exec(PGconn *connection, const char *sql)
{
    PGresult *result = PQexec(connection, sql);
    const bool ok = succeeded(result);
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", sql, PQresultErrorMessage(result));
    PQclear(result);
    return ok;
}

void printPlan(PGconn *connection, const db::Statement &statement)
{
    PGresult *result = send(connection, statement, QStringLiteral("EXPLAIN (ANALYZE, BUFFERS) "));
    if (!succeeded(result)) {
        std::fprintf(stderr, "EXPLAIN failed: %s\n", PQresultErrorMessage(result));
    } else {
        for (int r = 0; r < PQntuples(result); ++r)
            std::printf("    %s\n", PQgetvalue(result, r, 0));
    }
    PQclear(result);
}

} // namespace rawpostgres

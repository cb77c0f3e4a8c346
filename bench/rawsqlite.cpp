#include "rawsqlite.h"

#include <sqlite3.h>

#include <cstdio>

namespace rawsqlite {

namespace {

volatile std::size_t g_sink = 0; // keeps the reads from being optimised away

} // namespace

sqlite3_stmt *prepare(sqlite3 *handle, const db::Statement &statement)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = statement.sql.toUtf8();
    const int rc = sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n  %s\n", sqlite3_errmsg(handle), sql.constData());
        return nullptr;
    }
    for (int i = 0; i < statement.params.size(); ++i) {
        const QVariant &value = statement.params.at(i);
        if (value.isNull()) {
            sqlite3_bind_null(stmt, i + 1);
        } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(stmt, i + 1, value.toLongLong());
        } else if (value.typeId() == QMetaType::Double) {
            sqlite3_bind_double(stmt, i + 1, value.toDouble());
        } else {
            const QByteArray text = value.toString().toUtf8();
            sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
    }
    return stmt;
}

int run(sqlite3 *handle, const db::Statement &statement)
{
    sqlite3_stmt *stmt = prepare(handle, statement);
    if (!stmt)
        return -1;
    int rows = 0;
    const int columns = sqlite3_column_count(stmt);
    std::size_t bytes = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(stmt, c);
            bytes += std::size_t(sqlite3_column_bytes(stmt, c));
        }
        ++rows;
    }
    if (rc != SQLITE_DONE)
        std::fprintf(stderr, "step failed: %s\n", sqlite3_errmsg(handle));
    sqlite3_finalize(stmt);
    g_sink = g_sink + bytes;
    return rows;
}

void printPlan(sqlite3 *handle, const db::Statement &statement)
{
    db::Statement explain = statement;
    explain.sql = QStringLiteral("EXPLAIN QUERY PLAN ") + statement.sql;
    sqlite3_stmt *stmt = prepare(handle, explain);
    if (!stmt)
        return;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        std::printf("    %s\n", reinterpret_cast<const char *>(sqlite3_column_text(stmt, 3)));
    sqlite3_finalize(stmt);
}

} // namespace rawsqlite

#pragma once

#include <QString>

struct sqlite3;

namespace db {

// Registers GetDate() and PatIndex(pattern, text) on a native SQLite handle, so statements and the
// embedded procedures can call them as they would on SQL Server. Returns an error text, or "".
QString registerSqliteFunctions(sqlite3 *handle);

// The position (from 1) of the first match of a T-SQL LIKE pattern in text, 0 when none; case is
// ignored, as the server's default collation does.
int patIndex(const QString &pattern, const QString &text);

// The server's current date and time as the embedded database stores dates.
QString currentDateTimeText();

} // namespace db

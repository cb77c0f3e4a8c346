#pragma once

#include "platform/db/connection.h"

namespace db {

enum class Contents { SchemaOnly, DemoData };

// Creates a new embedded database file with the program's schema and, when asked, the demo
// hospital's data. The file must not exist yet; on failure nothing is left behind.
std::unique_ptr<Connection> createEmbeddedDatabase(const QString &path, Contents contents);

// Brings an SQLite database made by an earlier version of the program up to the current schema:
// adds what is missing, changes no stored value. Safe when several programs open the same file at
// once.
void upgradeSchema(Connection &connection);

// What a session does with the database it has just opened: an SQLite file, embedded or over
// ODBC, is brought up to date (upgradeSchema); one that cannot be changed (read-only, say) is
// still read as it is. A server's schema is its administrator's scripts': nothing is done there.
void bringUpToDate(Connection &connection);

// One of the scripts shipped inside the program (sql/sqlite/<name>).
QString embeddedScript(const QString &name);

} // namespace db

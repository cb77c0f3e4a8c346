#pragma once

#include "platform/db/connection.h"

namespace db {

enum class Contents { SchemaOnly, DemoData };

// Creates a new embedded database file with the program's schema and, when asked, the demo
// hospital's data. The file must not exist yet; on failure nothing is left behind.
std::unique_ptr<Connection> createEmbeddedDatabase(const QString &path, Contents contents);

// Brings an SQLite database made by an earlier version of the program up to the current schema:
// adds what is missing, changes no stored value. Run when a connection opens; safe when several
// programs open the same file at once.
void upgradeSchema(Connection &connection);

// One of the scripts shipped inside the program (sql/sqlite/<name>).
QString embeddedScript(const QString &name);

} // namespace db

#pragma once

#include "platform/db/connection.h"

namespace db {

enum class Contents { SchemaOnly, DemoData };

// Creates a new embedded database file with the program's schema and, when asked, the demo
// hospital's data. The file must not exist yet; on failure nothing is left behind.
std::unique_ptr<Connection> createEmbeddedDatabase(const QString &path, Contents contents);

// One of the scripts shipped inside the program (sql/sqlite/<name>).
QString embeddedScript(const QString &name);

} // namespace db

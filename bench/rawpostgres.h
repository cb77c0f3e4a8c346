#pragma once

#include "platform/db/dialect.h"

#include <QString>

typedef struct pg_conn PGconn;

// The baseline of the benchmarks on PostgreSQL: a translated statement sent straight through
// libpq, every cell read as text.
namespace rawpostgres {

// A connection for conninfo ("host=... port=... user=... password=...") to database; null (and a
// message on stderr) when it cannot be made. The session reads dates month first, as the
// program's does.
PGconn *connect(const QString &conninfo, const QString &database);

// Runs the statement's locks (lockFirst), then the statement with its values bound as text,
// reading every cell as text; the row count, -1 when it failed (the message on stderr).
int run(PGconn *connection, const db::Statement &statement);

// Runs a native statement without values; false (the message on stderr) when it failed.
bool exec(PGconn *connection, const char *sql);

// Runs the statement (a query: it is really run) and prints its plan with what each step took,
// as EXPLAIN (ANALYZE, BUFFERS) gives it, one indented line a step.
void printPlan(PGconn *connection, const db::Statement &statement);

} // namespace rawpostgres

#pragma once

#include "platform/db/dialect.h"

struct sqlite3;
struct sqlite3_stmt;

// The baseline of the benchmarks: a translated statement run straight through the sqlite3 C API.
namespace rawsqlite {

// The statement prepared on the raw handle with its values bound; null (and a message on stderr)
// when it does not prepare.
sqlite3_stmt *prepare(sqlite3 *handle, const db::Statement &statement);

// Runs the statement, reading every cell as text as the program's recordsets do; the row count,
// -1 when it did not prepare.
int run(sqlite3 *handle, const db::Statement &statement);

// Prints the statement's query plan, one indented line a step.
void printPlan(sqlite3 *handle, const db::Statement &statement);

} // namespace rawsqlite

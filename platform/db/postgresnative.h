#pragma once

// Statements on a PostgreSQL server through libpq itself, on the connection the Qt driver opened:
// one round trip per statement (the driver prepares, executes and deallocates a statement with
// values in three), and several statements in one message when the program says it needs only
// the last one's result.

#include "platform/db/recordset.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDeadlineTimer;

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace db::postgres {

// The statement's "?" placeholders numbered as the server wants them ($1, $2, ...); a "?" in a
// string, a quoted name or a comment is left alone.
QString numberedPlaceholders(const QString &sql);

// The statement with each "?" replaced by its value as a literal, escaped by libpq for this
// connection (PQescapeLiteral): what a statement sent in a batch of plain text carries. The
// literals have no type of their own, as a bound value has none, so the server reads them as it
// would have read the values.
QString withLiterals(PGconn *connection, const QString &sql, const QVariantList &params);

// A statement that inserts one row of values, as PostgreSQL gets it: its head, up to and with
// VALUES, and its row, the values in their parentheses. Consecutive inserts with the same head
// are one insert of several rows, which the server runs in about half the time.
struct InsertRow
{
    QStringView head;
    QStringView row;
};

// The insert's head and row; none for any other statement (a query, more rows or none, RETURNING,
// ON CONFLICT, a comment, a second statement) and for text whose quoting this reading does not
// follow (a backslash, a dollar sign).
std::optional<InsertRow> singleRowInsert(QStringView sql);

// A value as the text libpq sends for it (a null for a Null).
struct TextParams
{
    explicit TextParams(const QVariantList &params);
    std::vector<QByteArray> storage;
    std::vector<const char *> values;
};

// Column `column` of row `row` as the Qt driver reads it, by the column's type: bool; int2, int4
// as int; int8 as a 64-bit integer; float4, float8, numeric as double; date, time, timestamp
// (with or without zone); bytea as bytes; everything else as text. A Null is a null value of the
// column's type.
QVariant value(const PGresult *result, int row, int column);

// The columns of the results of a connection, the most recently used of them kept: a statement
// run again gives back the same names, whose columns (each name's lower case, the look-up by
// name) are then not made again.
class ResultColumns
{
public:
    std::shared_ptr<const Recordset::Columns> of(const PGresult *result,
                                                 const QHash<QString, QString> *spellings);

    static constexpr int Capacity = 32;

private:
    struct Kept
    {
        QByteArray names; // as the server gave them, each ended by a zero
        QHash<QString, QString> spellings;
        std::shared_ptr<const Recordset::Columns> columns;
        quint64 used = 0;
    };
    std::vector<Kept> m_kept;
    quint64 m_clock = 0;
};

// The whole result as a snapshot: the column names given back the statement's own spelling;
// columns: those kept for the connection, if any.
Recordset recordset(const PGresult *result, const QHash<QString, QString> *spellings,
                    ResultColumns *columns = nullptr);

// A result taken row by row as the server sends it (libpq's single-row mode): each row is made
// into values when it comes, while the server is still producing the rows after it.
class ResultRows
{
public:
    // A result of one row (or more) of the statement; kept until the next has been read. The
    // watcher, if any, is told each row once it is made.
    void add(PGresult *rows, const QHash<QString, QString> *spellings,
             ResultColumns *columns = nullptr, const RowWatcher *watcher = nullptr);
    // The rows so far as a recordset, given the result that ends them (no rows of its own, the
    // columns described); then empty again.
    Recordset finish(const PGresult *last, const QHash<QString, QString> *spellings,
                     ResultColumns *columns = nullptr);
    // The rows so far dropped (the statement failed after them).
    void clear();

private:
    struct FreeResult
    {
        void operator()(PGresult *result) const;
    };
    std::shared_ptr<const Recordset::Columns> m_columns;
    QVector<QVariant> m_cells;
    int m_rows = 0;
    std::unique_ptr<PGresult, FreeResult> m_above; // the last row read, for the one after it
    int m_aboveRow = 0;
};

// The server's message for a failed result (or the connection's, when there is no result), with
// the error's code in parentheses, secrets masked.
QString errorText(PGconn *connection, const PGresult *result);

// Waits, without blocking in libpq, until the connection's next result can be taken whole: what is
// still to be sent is flushed and what arrives is read, until then or the deadline. Between waits
// it calls pause, which says how long (ms) the next wait may last at most. The connection must be
// in non-blocking mode.
enum class Readiness { Ready, TimedOut, Broken };
Readiness awaitResult(PGconn *connection, const QDeadlineTimer &deadline,
                      const std::function<int()> &pause);

// Asks the server to cancel what the connection is running, from a thread of its own so that an
// unreachable server cannot hold the caller; the connection itself may be closed at once.
void cancelInBackground(PGconn *connection);

} // namespace db::postgres

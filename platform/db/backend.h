#pragma once

// What the connection asks of a database engine: the database layer's own, not for its callers.
// Connection (connection.cpp) keeps what is the same on every engine (logging, translation, the
// queue of statements inside a transaction, reads asked ahead, the transaction's state); a backend
// carries statements to its engine and back, one implementation per engine:
//
//   sqlitebackend.cpp    the embedded file, on its sqlite3 handle, with the statement cache
//   postgresbackend.cpp  a PostgreSQL server through libpq: several statements in one message,
//                        waits bounded and shown, the connection made again after a loss
//   odbcbackend.cpp      a server through ODBC (QtSql): SQL Server, and SQLite over its driver
//
// The traits of a backend decide how the connection groups the program's statements into
// messages; a test can stand in for an engine with a backend of its own that records them.

#include "platform/db/connection.h"
#include "platform/db/dialect.h"
#include "platform/db/recordset.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

#include <memory>

namespace db::backend {

// A statement on its way to the engine, in the engine's own language.
struct Outgoing
{
    QString written; // as the program wrote it (empty for the connection's own statements)
    QString sql;     // as the engine speaks it
    QVariantList params;
    QHash<QString, QString> spellings;
    bool wanted = false;   // its result is given back
    bool rowByRow = false; // its rows are taken as they come (Statement::rowByRow)
    // Told each row as it is taken in (RowWatch), where rows are taken as they come.
    std::shared_ptr<const RowWatcher> watcher = nullptr;

    const QString &named() const { return written.isEmpty() ? sql : written; }
};

// What an engine can take, which decides how the connection groups statements into messages.
struct Traits
{
    enum class Batches {
        No,                 // each statement is a message of its own
        WithoutBoundValues, // several in one message, but a statement with values goes alone
        Yes,                // several in one message, values and all
    };
    Batches batches = Batches::No;
    // Inside a transaction, the statements whose results nobody needs wait for the next message.
    bool queues = false;
    // Reads that belong together are asked in one message (Prefetch, ExecuteAll).
    bool readsAhead = false;
    // The statement that, first in a message outside a transaction, makes the message's reads
    // see one snapshot of the data; empty where there is none (Prefetch's stand-ins need it).
    QString oneSnapshot;
    // The statement that begins a transaction; empty when the driver begins and ends it
    // (beginTransaction(), commitTransaction(), rollbackTransaction()).
    QString begin;
    // The BEGIN goes with the transaction's first message, and a transaction that sent nothing
    // ends without a word to the engine.
    bool beginWithFirstMessage = false;
};

class Backend
{
public:
    virtual ~Backend() = default;

    virtual Traits traits() const = 0;
    virtual const Dialect &dialect() const = 0;
    // The dialect when it translates token by token (and so needs to know the text columns).
    virtual TranslatingDialect *translating() { return nullptr; }
    virtual QString dbmsName() const = 0;
    virtual QString databaseName() const = 0;
    virtual int timeoutSeconds() const { return DefaultTimeoutSeconds; }

    // The program's statement in the engine's language (an engine may keep translations).
    virtual Statement translate(const QString &tsql, const QVariantList &params)
    {
        return dialect().translate(tsql, params);
    }

    // Sends the statements as one message and gives back one result per wanted statement, in
    // order; recordsAffected: the last statement's count. inTransaction says whether the message
    // belongs to an open transaction, so that a lost connection can say what became of the work.
    // A failure throws DbError naming the statement; of kind TimedOut, ConnectionLost or
    // OutcomeUnknown when the transaction is gone with it.
    virtual QVector<Recordset> send(const QVector<Outgoing> &message, bool inTransaction,
                                    int *recordsAffected) = 0;

    // The driver's transaction, for an engine whose traits name no BEGIN statement.
    virtual void beginTransaction() {}
    virtual void commitTransaction() {}
    virtual void rollbackTransaction() {}

    // See Connection::abandonedWorkSettled.
    virtual bool abandonedWorkSettled() { return true; }
};

// Each engine's traits: the embedded file (and SQLite over ODBC), a PostgreSQL server, SQL Server.
Traits sqliteTraits();
Traits postgresTraits();
Traits sqlServerTraits();

// Each engine's backend, connected; a failure throws DbError with a message for the user.
std::unique_ptr<Backend> openSqliteFile(const QString &path, Connection::Create create,
                                        int busyTimeoutMs);
std::unique_ptr<Backend> openOdbc(const QString &connectionString, int timeoutSeconds);
std::unique_ptr<Backend> openPostgres(const PostgresLogon &logon);

// Runs one statement of the engine's own on the backend, outside any transaction's queue.
Recordset runOwn(Backend &backend, const QString &sql);

// Tells a translating dialect which columns hold text: from the rows of its textColumnsQuery(),
// or read from the database's catalog by the backend.
void takeTextColumns(TranslatingDialect &dialect, Recordset catalog);
void refreshTextColumns(Backend &backend);

// The WAL journal on an SQLite file, switched on by whoever finds it off.
void useWriteAheadLog(Backend &backend);

// Several statements as the text of one message: each separator starts on a line of its own, so
// that a trailing comment cannot swallow it.
QString joined(const QStringList &statements);

// Who is told about long waits for a server (Connection::setWaitObserver).
Connection::WaitObserver &waitObserver();

} // namespace db::backend

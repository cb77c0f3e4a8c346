#pragma once

#include "platform/db/recordset.h"

#include <QHash>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

namespace db {

class Dialect;
struct Statement;
namespace backend {
class Backend;
struct Outgoing;
} // namespace backend

// How long the program waits for a server, in seconds, unless the settings say otherwise.
inline constexpr int DefaultTimeoutSeconds = 30;

// A PostgreSQL server's logon (the password: never log it).
struct PostgresLogon
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password;
    // The longest wait for the server: to connect, and for the answer to each message.
    int timeoutSeconds = DefaultTimeoutSeconds;
};

// A wait for a server's answer that has lasted long enough to be shown: Started once it has lasted
// about 300 ms, Continuing about every 100 ms while it lasts, Ended when it is over (only after a
// Started).
struct WaitState
{
    enum class Phase { Started, Continuing, Ended };
    Phase phase = Phase::Started;
    int elapsedMs = 0;
    int timeoutSeconds = DefaultTimeoutSeconds; // the wait ends, at the latest, after this
};

// The one open database connection. The program speaks T-SQL to it; the dialect chosen by the
// server's DBMS name carries each statement over. Every failure is a DbError naming the cause.
//
// Text reaches every engine storable (platform/storabletext.h), the same on each: a statement's
// text and its bound text values that are not are made so before any engine sees them. An
// unpaired surrogate becomes U+FFFD and a byte-order mark (U+FEFF, U+FFFE) is removed, so that
// SQLite reads no other text than the program wrote; a NUL is removed, so that no engine ends a
// value at it (PostgreSQL would store only what comes before it) and no value is cut short
// silently. The window's fields already give only storable text; this is the net under the rest.
class Connection
{
public:
    enum class Create { No, IfMissing };

    // The embedded database file: WAL journal, a busy timeout, GetDate() and PatIndex().
    static std::unique_ptr<Connection> openSqlite(const QString &path, Create create = Create::No,
                                                  int busyTimeoutMs = 5000);
    // A server through ODBC, e.g. "DRIVER=FreeTDS;Server=host;Port=1433;Database=INVENTORY;
    // UID=user;PWD=secret;TDS_Version=7.4", or "DRIVER=SQLite3;Database=/path/file.db".
    // The login and the connection's requests time out after timeoutSeconds.
    static std::unique_ptr<Connection> openOdbc(const QString &connectionString,
                                                int timeoutSeconds = DefaultTimeoutSeconds);
    // A PostgreSQL server made with sql/postgresql/. When the connection is lost (the server
    // restarted, the network failed) the statement fails with a message that says so, and the
    // connection is made again for the next one. No wait for the server lasts longer than the
    // logon's timeout: a message not answered by then fails with DbError::Kind::TimedOut (or
    // OutcomeUnknown when it carried a commit), the connection is dropped and made again for the
    // next statement.
    static std::unique_ptr<Connection> openPostgres(const PostgresLogon &logon);
    // A connection over a backend of the database layer's own making (platform/db/backend.h):
    // another engine, or a test's stand-in that records what would be sent.
    static std::unique_ptr<Connection> over(std::unique_ptr<backend::Backend> engine);

    // Who is told about long waits for a server (a window shows them); one for the program, called
    // on the thread that waits. While it runs, the connection that waits refuses other statements.
    using WaitObserver = std::function<void(const WaitState &)>;
    static void setWaitObserver(WaitObserver observer);

    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs one statement; a query's rows come back as a snapshot, an action statement gives a
    // closed recordset and, when asked, the number of rows it touched.
    Recordset Execute(const QString &sql, int *recordsAffected = nullptr);
    // The same for a query, by the name the program's readers use.
    Recordset OpenRecordset(const QString &sql) { return Execute(sql); }

    // Statements of the program's own (not fixed texts): values bound to "?" placeholders.
    Recordset query(const QString &sql, const QVariantList &params);
    int execute(const QString &sql, const QVariantList &params);

    // A statement whose result the program does not need. On a server, inside a transaction, it
    // waits and goes with the next statement whose result is needed (or with the commit) in one
    // message; a failure is reported there, as a DbError naming this statement, and the whole
    // transaction rolls back. Elsewhere it runs at once.
    void Queue(const QString &sql);
    // A read made only for the locks its hints take (WITH (UPDLOCK, HOLDLOCK)), inside a
    // transaction: it goes as Queue() does where the hints take the locks (SQL Server); where
    // the engine takes them by statements of their own (PostgreSQL's LOCK TABLE), only those go;
    // where the transaction holds the database's write lock from its start (SQLite), nothing.
    void Lock(const QString &sql);
    // Reads that belong together, sent to a server in one message (with whatever is queued): one
    // recordset per statement, in order. The embedded engine runs them one after another.
    QVector<Recordset> ExecuteAll(const QStringList &statements);

    // One transaction at a time. On SQLite it starts with BEGIN IMMEDIATE, so the write lock is
    // held from the start and two writers queue instead of failing half-way. On PostgreSQL the
    // BEGIN goes out with the transaction's first statement, and a transaction that sent nothing
    // ends without a word to the server.
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const;
    // After a commit whose answer never came (DbError::Kind::OutcomeUnknown): true once the server
    // session that was sent it has ended, so that reading the data tells whether it was stored;
    // false while that session still lives (a stopped server). Always true on other engines.
    bool abandonedWorkSettled();

    // A script of native statements (schema, data), run as it is, without translation.
    void runScript(const QString &script);

    // The longest wait for the server, in seconds (PostgreSQL: also the session's statement and
    // lock timeouts, set again on every new session).
    int timeoutSeconds() const;

    const Dialect &dialect() const;
    QString dbmsName() const;
    QString databaseName() const; // the file of the embedded database, the logon's database else

private:
    friend class Prefetch;
    friend class RowWatch;
    struct Private;
    explicit Connection(std::unique_ptr<Private> d);
    void beginPrefetch(const QStringList &statements, const QStringList &standIns);
    void endPrefetch();
    void standInFor(qsizetype index, const QString &written);
    Recordset run(const QString &written, const Statement &statement, int *recordsAffected);
    // Everything waiting to be sent (the transaction's BEGIN first, when it has not gone yet),
    // taken, with statement's locks when a transaction is open and then statement itself.
    QVector<backend::Outgoing> withWaiting(const QString &written, const Statement &statement,
                                           bool wanted);
    // The statements to the engine, in as few messages as it takes; one result per wanted one.
    QVector<Recordset> transmit(const QVector<backend::Outgoing> &message, int *recordsAffected);
    Statement translated(const QString &sql, const QVariantList &params = {}) const;
    void refuseWhileWaiting(const QString &statement) const;
    void refreshTextColumns();

    std::unique_ptr<Private> d;
};

// The reads an action is about to make, asked of a server in one message before it makes them:
// while this lives, each is answered from what came back, once, when the program makes it as
// written here. The first statement that is not among them (another code read, a write) drops
// the rest, and it and whatever follows go to the server as usual; so does everything when the
// message fails. On the embedded engine, and inside a transaction, nothing is read ahead.
//
// A read that needs a value the others give (the item of a request's first line, read with the
// request) can go in the same message as a stand-in: written with that value taken by a query
// of its own, and asked in one snapshot with the others (only where the engine can give one).
// Once the program has the value, standsFor() names the statement it would write with it, and
// the stand-in's answer is that statement's; the caller vouches that the two read the same.
class Prefetch
{
public:
    Prefetch(Connection &connection, const QStringList &statements,
             const QStringList &standIns = {});
    ~Prefetch();
    void standsFor(qsizetype standIn, const QString &statement)
    {
        m_connection.standInFor(standIn, statement);
    }
    Prefetch(const Prefetch &) = delete;
    Prefetch &operator=(const Prefetch &) = delete;

private:
    Connection &m_connection;
};

// While this lives, the watcher is told each row of the statement's result (as written here), in
// order, as the engine takes it in, where an engine takes a result in row by row while the
// server still makes it (a server's procedure, and a statement watched so): what is made of the
// rows can then be made while the server sends the rest. Elsewhere it is told nothing: the result
// has every row, as always.
// The watcher runs while the connection waits: it must not throw, and must not use the
// connection.
class RowWatch
{
public:
    RowWatch(Connection &connection, const QString &statement, RowWatcher watcher);
    ~RowWatch();
    RowWatch(const RowWatch &) = delete;
    RowWatch &operator=(const RowWatch &) = delete;

private:
    Connection &m_connection;
    QString m_statement;
};

// Rolls the transaction back unless commit() was reached: a throw anywhere inside leaves the
// database as it was.
class Transaction
{
public:
    // JoinOpen joins a transaction the caller already has open (a data class's read-then-write
    // inside a larger save): this guard then neither commits nor rolls back, the caller's does.
    enum class Mode { Own, JoinOpen };
    explicit Transaction(Connection &connection, Mode mode = Mode::Own);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Connection &m_connection;
    bool m_owner = true;
    bool m_open = true;
};

} // namespace db

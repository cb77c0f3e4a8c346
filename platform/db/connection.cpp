#include "platform/db/connection.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/db/postgresnative.h"
#include "platform/db/procedures.h"
#include "platform/db/sqlitefunctions.h"
#include "platform/db/sqlitestatements.h"
#include "platform/db/sqllog.h"
#include "platform/db/tsqltokens.h"
#include "platform/storabletext.h"

#include <QAtomicInt>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>

#include <algorithm>
#include <utility>

#include <libpq-fe.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

namespace db {

namespace {

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("inventory-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (!error.driverText().isEmpty() && !text.contains(error.driverText()))
        text += QStringLiteral(" (") + error.driverText() + QLatin1Char(')');
    return withoutSecrets(text);
}

QString odbcDbmsName(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // The ODBC driver hands out its connection handle as SQLHANDLE, which is a void pointer.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
        return QString();
    SQLHANDLE hdbc = *static_cast<const SQLHANDLE *>(handle.data());
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof name, &length)))
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char *>(name), length);
}

sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

PGconn *postgresHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // libpq's PGconn is a typedef of struct pg_conn, and the driver hands it out by that name.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.data());
}

// Frees a libpq result however the scope is left.
struct ResultGuard
{
    PGresult *result;
    explicit ResultGuard(PGresult *r) : result(r) {}
    ~ResultGuard() { PQclear(result); }
    ResultGuard(const ResultGuard &) = delete;
    ResultGuard &operator=(const ResultGuard &) = delete;
};

// Connection options every PostgreSQL logon gets: a connect that no server answers ends after the
// bound, and a connection whose server vanished (a cable pulled, a host down) is noticed by TCP
// keepalives within about half a minute, even while nothing is being sent.
QString postgresConnectOptions(int timeoutSeconds)
{
    return QStringLiteral("connect_timeout=%1;application_name=inventory-request;keepalives=1;"
                          "keepalives_idle=10;keepalives_interval=5;keepalives_count=3")
        .arg(timeoutSeconds);
}

// The server gives up on a statement or a lock a little before the program stops waiting, so that
// it is usually the server that ends a long wait, with a clean error on a connection that stays.
int serverTimeoutMs(int timeoutSeconds)
{
    return std::max(timeoutSeconds * 1000 - 250, 250);
}

Connection::WaitObserver &waitObserver()
{
    static Connection::WaitObserver observer;
    return observer;
}

// One wait for a server, reported to the wait observer once it has lasted 300 ms, then every
// 100 ms, and when it ends.
class ObservedWait
{
public:
    explicit ObservedWait(int timeoutSeconds) : m_timeoutSeconds(timeoutSeconds)
    {
        m_clock.start();
    }
    ~ObservedWait()
    {
        if (m_reported)
            notify(WaitState::Phase::Ended);
    }
    ObservedWait(const ObservedWait &) = delete;
    ObservedWait &operator=(const ObservedWait &) = delete;

    // Tells the observer when it is due; how long (ms) until it is due next.
    int pause()
    {
        const qint64 elapsed = m_clock.elapsed();
        if (elapsed >= m_due) {
            notify(m_reported ? WaitState::Phase::Continuing : WaitState::Phase::Started);
            m_reported = true;
            m_due = m_clock.elapsed() + 100;
        }
        return int(std::max<qint64>(m_due - m_clock.elapsed(), 1));
    }

private:
    void notify(WaitState::Phase phase)
    {
        const Connection::WaitObserver &observer = waitObserver();
        if (!observer)
            return;
        try {
            observer(WaitState{phase, int(m_clock.elapsed()), m_timeoutSeconds});
        } catch (...) {
            // Showing a wait must never change its outcome.
        }
    }

    QElapsedTimer m_clock;
    qint64 m_due = 300;
    bool m_reported = false;
    int m_timeoutSeconds;
};

// One statement of a message of several: the separator starts on a line of its own, so a
// trailing comment cannot swallow it.
QString joined(const QStringList &statements)
{
    QStringList parts;
    for (QString statement : statements) {
        statement = statement.trimmed();
        while (statement.endsWith(QLatin1Char(';')))
            statement.chop(1);
        parts << statement;
    }
    return parts.join(QLatin1String("\n;\n"));
}

// The bound values with every text made storable (platform/storabletext.h); the list itself,
// shared, when all of them are already.
QVariantList storableValues(const QVariantList &params)
{
    QVariantList out;
    for (qsizetype i = 0; i < params.size(); ++i) {
        const QVariant &value = params.at(i);
        if (value.typeId() != QMetaType::QString)
            continue;
        const auto *text = static_cast<const QString *>(value.constData());
        if (isStorableText(*text))
            continue;
        if (out.isEmpty())
            out = params;
        out[i] = storableText(*text);
    }
    return out.isEmpty() ? params : out;
}

} // namespace

// A statement waiting to go to the server with the next one whose result is needed.
struct Connection::Pending
{
    QString written; // as the program wrote it (empty for the connection's own statements)
    QString sql;     // as the server speaks it
    QVariantList params;
    QHash<QString, QString> spellings;
    bool wanted = false; // its result is given back

    const QString &named() const { return written.isEmpty() ? sql : written; }
};

struct Connection::Private
{
    QString name;
    QSqlDatabase db;
    std::unique_ptr<Dialect> dialect;
    SqliteDialect *sqlite = nullptr;
    TranslatingDialect *translating = nullptr;
    bool postgres = false;
    bool sqlServer = false; // through ODBC
    QString dbmsName;
    QString databaseName;
    bool inTransaction = false;
    int timeoutSeconds = DefaultTimeoutSeconds;
    int abandonedBackend = 0; // the server session dropped while its commit was unanswered
    // A message is on its way to the server and its answer awaited (the wait observer runs then).
    bool waiting = false;
    // On a server, inside a transaction: the BEGIN not sent yet, and the statements whose results
    // nobody needs, in order; they go with the next statement sent.
    bool beginPending = false;
    QVector<Connection::Pending> queue;
    // Reads asked ahead (Prefetch), by their text as written, while a Prefetch lives.
    int prefetchDepth = 0;
    QHash<QString, Recordset> prefetched;
    // The embedded file's statements, run on its handle (the ODBC driver's SQLite keeps QtSql).
    std::unique_ptr<SqliteStatements> statements;

    ~Private()
    {
        statements.reset(); // every statement finalized before the handle closes
        if (db.isValid()) {
            if (db.isOpen() && sqlite) {
                // Keeps the planner's statistics fresh as the tables grow; harmless when not
                // needed.
                QSqlQuery optimize(db);
                optimize.exec(QStringLiteral("PRAGMA optimize"));
            }
            if (db.isOpen())
                db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
        }
    }
};

Connection::Connection(std::unique_ptr<Private> p) : d(std::move(p)) {}

Connection::~Connection() = default;

std::unique_ptr<Connection> Connection::openSqlite(const QString &path, Create create,
                                                   int busyTimeoutMs)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        if (create == Create::No)
            throw DbError(QStringLiteral("The database file %1 does not exist.").arg(path));
        if (!QDir().mkpath(info.absolutePath()))
            throw DbError(
                QStringLiteral("The folder %1 cannot be created.").arg(info.absolutePath()));
    } else if (!info.isFile() || !info.isReadable()) {
        throw DbError(QStringLiteral("The database file %1 cannot be read.").arg(path));
    }

    auto p = std::make_unique<Private>();
    p->name = nextConnectionName();
    p->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), p->name);
    p->db.setDatabaseName(path);
    p->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!p->db.open())
        throw DbError(QStringLiteral("The database file %1 cannot be opened: %2")
                          .arg(path, errorText(p->db.lastError())));
    const QString failed = registerSqliteFunctions(sqliteHandle(p->db));
    if (!failed.isEmpty())
        throw DbError(
            QStringLiteral("The database file %1 cannot be prepared: %2").arg(path, failed));
    p->dbmsName = QStringLiteral("SQLite");
    p->databaseName = info.absoluteFilePath();
    auto dialect = std::make_unique<SqliteDialect>(ProcedureCatalog::builtIn(), true);
    p->sqlite = dialect.get();
    p->translating = dialect.get();
    p->dialect = std::move(dialect);
    if (sqlite3 *handle = sqliteHandle(p->db))
        p->statements = std::make_unique<SqliteStatements>(handle, *p->sqlite);

    std::unique_ptr<Connection> connection(new Connection(std::move(p)));
    try {
        // The first read proves the file is a database and not locked beyond the timeout. The
        // switch to WAL needs the file to itself, so it is made only once, by whoever finds it off.
        connection->enableWal();
        connection->run(QString(), QStringLiteral("PRAGMA synchronous=NORMAL"), {}, nullptr);
        connection->refreshTextColumns();
        connection->upgradeIfWritable();
    } catch (const DbError &e) {
        throw DbError(
            QStringLiteral("The database file %1 cannot be used: %2").arg(path, e.description()));
    }
    return connection;
}

std::unique_ptr<Connection> Connection::openOdbc(const QString &connectionString,
                                                 int timeoutSeconds)
{
    auto p = std::make_unique<Private>();
    p->name = nextConnectionName();
    p->timeoutSeconds = std::max(timeoutSeconds, 1);
    p->db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), p->name);
    p->db.setDatabaseName(connectionString);
    // A wrong server or password is answered within the bound, never by a hang; so is a request
    // on a connection whose server stopped answering, as far as the driver honours it.
    p->db.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1")
            .arg(p->timeoutSeconds));
    if (!p->db.open())
        throw DbError(QStringLiteral("Cannot connect to the database server: ") +
                      errorText(p->db.lastError()));
    p->dbmsName = odbcDbmsName(p->db);
    static const QRegularExpression databaseKey(
        QStringLiteral("(?:^|;)\\s*Database\\s*=\\s*([^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    p->databaseName = databaseKey.match(connectionString).captured(1).trimmed();
    if (p->databaseName.startsWith(QLatin1Char('{')) && p->databaseName.endsWith(QLatin1Char('}')))
        p->databaseName = p->databaseName.mid(1, p->databaseName.size() - 2)
                              .replace(QLatin1String("}}"), QLatin1String("}"));

    if (p->dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)) {
        p->dialect = std::make_unique<SqlServerDialect>();
        p->sqlServer = true;
    } else if (p->dbmsName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)) {
        auto dialect = std::make_unique<SqliteDialect>(ProcedureCatalog::builtIn(), false);
        p->sqlite = dialect.get();
        p->translating = dialect.get();
        p->dialect = std::move(dialect);
    } else {
        throw DbError(QStringLiteral("The database server \"%1\" is not supported.")
                          .arg(p->dbmsName.isEmpty() ? QStringLiteral("unknown") : p->dbmsName));
    }

    std::unique_ptr<Connection> connection(new Connection(std::move(p)));
    if (!connection->d->translating) {
        // The program writes its dates month first ('12/08/2026 01:13:29 AM'): read them so
        // whatever the login's language would make of them.
        connection->run(QString(), QStringLiteral("SET DATEFORMAT mdy"), {}, nullptr);
        Recordset numbered = connection->run(
            QString(),
            QStringLiteral("SELECT COL_LENGTH('INVENTORY.dbo.tbInvWithdrawRequest', 'DocumentNo')"),
            {}, nullptr);
        if (!numbered.Eof() && numbered.Fields(0).IsNull())
            static_cast<SqlServerDialect &>(*connection->d->dialect).setHasNumberedColumn(false);
    }
    if (connection->d->sqlite) {
        connection->enableWal();
        connection->refreshTextColumns();
        connection->upgradeIfWritable();
    }
    return connection;
}

std::unique_ptr<Connection> Connection::openPostgres(const PostgresLogon &logon)
{
    auto p = std::make_unique<Private>();
    p->name = nextConnectionName();
    p->db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), p->name);
    p->db.setHostName(logon.host);
    p->db.setPort(logon.port);
    p->db.setDatabaseName(logon.database);
    p->db.setUserName(logon.user);
    p->db.setPassword(logon.password);
    p->timeoutSeconds = std::max(logon.timeoutSeconds, 1);
    p->db.setConnectOptions(postgresConnectOptions(p->timeoutSeconds));
    if (!p->db.open())
        throw DbError(QStringLiteral("Cannot connect to the database server: ") +
                      errorText(p->db.lastError()));
    p->postgres = true;
    p->dbmsName = QStringLiteral("PostgreSQL");
    p->databaseName = logon.database;
    auto dialect = std::make_unique<PostgresDialect>(ProcedureCatalog::builtIn());
    p->translating = dialect.get();
    p->dialect = std::move(dialect);

    std::unique_ptr<Connection> connection(new Connection(std::move(p)));
    connection->prepareServerSession();
    connection->refreshTextColumns();
    return connection;
}

void Connection::setWaitObserver(WaitObserver observer)
{
    waitObserver() = std::move(observer);
}

int Connection::timeoutSeconds() const
{
    return d->timeoutSeconds;
}

// What every new session on a PostgreSQL server starts with, in one message.
void Connection::prepareServerSession()
{
    const QString ms = QString::number(serverTimeoutMs(d->timeoutSeconds));
    QVector<Pending> settings{
        // A date written month first, as the program writes them, is read so.
        {QString(), QStringLiteral("SET DateStyle = 'ISO, MDY'"), {}, {}, false},
        // The program's literals are plain SQL strings: a backslash in one is a backslash.
        {QString(), QStringLiteral("SET standard_conforming_strings = on"), {}, {}, false},
        // No statement, and no wait for another session's lock, outlasts the program's patience.
        {QString(), QStringLiteral("SET statement_timeout = ") + ms, {}, {}, false},
        {QString(), QStringLiteral("SET lock_timeout = ") + ms, {}, {}, false},
    };
    sendPostgres(settings, nullptr);
    // libpq follows the setting as the server reports it; a server that keeps it off (an old one,
    // or a pooler that drops settings) would read a backslash in a value as an escape.
    PGconn *connection = postgresHandle(d->db);
    const char *conforming =
        connection ? PQparameterStatus(connection, "standard_conforming_strings") : nullptr;
    if (!conforming || qstrcmp(conforming, "on") != 0) {
        d->db.close();
        throw DbError(QStringLiteral("The database server does not take text as the program writes "
                                     "it (standard_conforming_strings cannot be turned on). Ask "
                                     "the database administrator."));
    }
}

void Connection::connectionLost(const QString &written, const QString &sql, const QString &message)
{
    const bool committing = sql.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0;
    const bool inTransaction = d->inTransaction;
    // What became of the work: a transaction's is rolled back, a read changed nothing, but a
    // change made on its own may have been made before the answer was lost.
    static const QRegularExpression read(QStringLiteral("^\\s*(select|with|show|explain)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    d->inTransaction = false;
    d->beginPending = false;
    d->queue.clear();
    d->db.close();
    QString text =
        QStringLiteral("The connection to the database server was lost (%1). ").arg(message);
    if (committing || (!inTransaction && !read.match(sql).hasMatch()))
        text += QStringLiteral("The last change may or may not have been saved: look it up "
                               "before you make it again.");
    else if (inTransaction)
        text += QStringLiteral("What was being done was not saved.");
    else
        text += QStringLiteral("Nothing was changed.");
    if (d->db.open()) {
        try {
            prepareServerSession();
            text += QStringLiteral(" The connection has been made again: please try once more.");
        } catch (const DbError &) {
            d->db.close();
        }
    }
    if (!d->db.isOpen())
        text += QStringLiteral(" The server cannot be reached now: try again in a moment, or "
                               "sign in again.");
    qCWarning(lcSql).noquote() << "failed:" << withoutSecrets(written.isEmpty() ? sql : written)
                               << "--" << text;
    throw DbError(text, written.isEmpty() ? sql : written,
                  committing ? DbError::Kind::OutcomeUnknown : DbError::Kind::ConnectionLost);
}

// While a message waits for its answer, the wait observer may run events; nothing they start may
// use the connection (its queue and transaction belong to the action that waits).
void Connection::refuseWhileWaiting(const QString &statement) const
{
    if (d->waiting)
        throw DbError(QStringLiteral("The connection is still waiting for the server's answer to "
                                     "the action before."),
                      statement);
}

// The deadline passed with no answer: the server is asked to stop, the connection is dropped (the
// transaction with it) and made again for the next statement.
void Connection::timedOut(const QString &statement, bool committing)
{
    // The session left behind may still hold a commit it was sent: it is kept in mind until it is
    // known to be gone (abandonedWorkSettled).
    if (PGconn *handle = postgresHandle(d->db); committing && handle)
        d->abandonedBackend = PQbackendPID(handle);
    postgres::cancelInBackground(postgresHandle(d->db));
    d->inTransaction = false;
    d->beginPending = false;
    d->queue.clear();
    d->prefetched.clear();
    d->db.close();
    const DbError error = DbError::timedOut(d->timeoutSeconds, committing, statement);
    qCWarning(lcSql).noquote() << "failed:" << error.statement() << "--" << error.description();
    throw error;
}

// The server ended a statement at its own timeout: the transaction it was in is rolled back now,
// so that the connection is ready for the next action.
void Connection::abandonTransaction()
{
    const bool wasOpen = d->inTransaction;
    d->inTransaction = false;
    d->beginPending = false;
    d->queue.clear();
    if (!wasOpen)
        return;
    try {
        sendPostgres({Pending{QString(), QStringLiteral("ROLLBACK"), {}, {}, false}}, nullptr);
    } catch (const DbError &) {
        d->db.close(); // made again for the next statement
    }
}

bool Connection::abandonedWorkSettled()
{
    if (d->abandonedBackend == 0)
        return true;
    // Ended by the server (a stopped session ends as soon as it runs again, before it reads
    // anything more), then looked for: once it is gone, what it did is all there is to read.
    const QString pid = QString::number(d->abandonedBackend);
    run(QString(),
        QStringLiteral("Select pg_terminate_backend(") + pid + QStringLiteral(") as ended"), {},
        nullptr);
    const Recordset left = run(
        QString(), QStringLiteral("Select Count(*) as n From pg_stat_activity Where pid = ") + pid,
        {}, nullptr);
    if (left.Fields(QStringLiteral("n")).toText().toInt() != 0)
        return false;
    d->abandonedBackend = 0;
    return true;
}

// A connection lost earlier and not made again yet is tried once more before each statement.
void Connection::reopenIfLost()
{
    if (!d->postgres || d->db.isOpen())
        return;
    if (!d->db.open())
        throw DbError(QStringLiteral("The database server cannot be reached: ") +
                          errorText(d->db.lastError()) +
                          QStringLiteral(". Try again in a moment, or sign in again."),
                      QString(), DbError::Kind::ConnectionLost);
    prepareServerSession();
}

const Dialect &Connection::dialect() const
{
    return *d->dialect;
}

QString Connection::dbmsName() const
{
    return d->dbmsName;
}

QString Connection::databaseName() const
{
    return d->databaseName;
}

bool Connection::batching() const
{
    return (d->postgres || d->sqlServer) && d->inTransaction;
}

void Connection::enqueue(const QString &written, const Statement &statement)
{
    append(d->queue, written, statement, false);
}

void Connection::append(QVector<Pending> &batch, const QString &written, const Statement &statement,
                        bool resultWanted)
{
    for (const QString &lock : statement.lockFirst)
        batch << Pending{written, lock, {}, {}, false};
    batch << Pending{written, statement.sql, statement.params, statement.spellings, resultWanted};
}

QVector<Connection::Pending> Connection::takeWaiting()
{
    QVector<Pending> batch;
    if (d->beginPending)
        batch << Pending{QString(), QStringLiteral("BEGIN"), {}, {}, false};
    batch += std::exchange(d->queue, {});
    d->beginPending = false;
    return batch;
}

Recordset Connection::run(const QString &written, const Statement &statement, int *recordsAffected)
{
    d->prefetched.clear(); // what was read ahead may be out of date after any other statement
    if (d->inTransaction) {
        for (const QString &lock : statement.lockFirst) {
            if (batching())
                d->queue << Pending{written, lock, {}, {}, false};
            else
                run(written, lock, {}, nullptr);
        }
    }
    return run(written, statement.sql, statement.params, recordsAffected, &statement.spellings);
}

Recordset Connection::runPostgres(const QString &written, const QString &sql,
                                  const QVariantList &params, int *recordsAffected,
                                  const QHash<QString, QString> *spellings)
{
    reopenIfLost();
    QVector<Pending> batch = takeWaiting();
    batch << Pending{written, sql, params, spellings ? *spellings : QHash<QString, QString>(),
                     true};
    return sendPostgres(batch, recordsAffected).constLast();
}

// The batch in one round trip: a single statement with its values bound (PQsendQueryParams),
// several as one message of plain statements, their values written in as literals by libpq. The
// server stops at the first failure; the transaction it was in can then only be rolled back.
// Nothing here blocks in libpq: the answer is awaited on the socket, up to the connection's bound.
QVector<Recordset> Connection::sendPostgres(const QVector<Pending> &batch, int *recordsAffected)
{
    PGconn *connection = postgresHandle(d->db);
    const bool committing = std::any_of(batch.begin(), batch.end(), [](const Pending &p) {
        return p.sql.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0;
    });
    // A failure the server reported: a statement or lock wait it ended at its own timeout left
    // nothing stored, and the transaction is rolled back at once.
    const auto fail = [&](const Pending &failed, const QString &message,
                          const QByteArray &code = QByteArray()) {
        if (!connection || PQstatus(connection) == CONNECTION_BAD)
            connectionLost(failed.written, committing ? QStringLiteral("COMMIT") : failed.sql,
                           message);
        qCWarning(lcSql).noquote()
            << "failed:" << withoutSecrets(failed.named()) << "--" << message;
        if (code == "57014" || code == "55P03") {
            abandonTransaction();
            throw DbError::timedOut(d->timeoutSeconds, false, failed.named());
        }
        throw DbError(message, failed.named());
    };
    if (!connection)
        fail(batch.first(), QStringLiteral("The connection to the database server is not open."));
    refuseWhileWaiting(batch.first().named());

    // While the answer is awaited the connection takes no other statement (the wait observer may
    // run events); libpq is in non-blocking mode.
    struct Waiting
    {
        Private &d;
        PGconn *connection;
        explicit Waiting(Private &p, PGconn *c) : d(p), connection(c)
        {
            d.waiting = true;
            PQsetnonblocking(connection, 1);
        }
        ~Waiting()
        {
            d.waiting = false;
            if (d.db.isOpen() && postgresHandle(d.db) == connection)
                PQsetnonblocking(connection, 0); // the Qt driver's own calls block
        }
    };

    // One result per statement, in order, up to the first failure, which ends the message. A
    // single statement's text may hold several: its last result is the one given back.
    QVector<Recordset> results;
    qsizetype index = 0;
    qsizetype failed = -1;
    QString message;
    QByteArray code;
    {
        const Waiting waiting(*d, connection);
        int sent;
        if (batch.size() == 1 && !batch.first().params.isEmpty()) {
            const Pending &only = batch.first();
            const postgres::TextParams values(only.params);
            sent = PQsendQueryParams(
                connection, postgres::numberedPlaceholders(only.sql).toUtf8().constData(),
                int(values.values.size()), nullptr, values.values.data(), nullptr, nullptr, 0);
        } else {
            QStringList texts;
            for (const Pending &p : batch)
                texts << (batch.size() == 1 ? p.sql
                                            : postgres::withLiterals(connection, p.sql, p.params));
            sent = PQsendQuery(connection, joined(texts).toUtf8().constData());
        }

        const QDeadlineTimer deadline(std::chrono::seconds(d->timeoutSeconds));
        ObservedWait observed(d->timeoutSeconds);
        const auto pause = [&observed] { return observed.pause(); };
        // The next result, once it has come whole; none after the last.
        const auto next = [&]() -> PGresult * {
            if (postgres::awaitResult(connection, deadline, pause) == postgres::Readiness::TimedOut)
                timedOut(batch.last().named(), committing);
            return PQgetResult(connection); // on a broken connection: its failure, then none
        };

        while (sent) {
            PGresult *result = next();
            if (!result)
                break;
            const ResultGuard guard(result);
            const ExecStatusType status = PQresultStatus(result);
            const qsizetype at = batch.size() == 1 ? 0 : index;
            if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
                if (failed < 0) {
                    failed = std::min(at, batch.size() - 1);
                    message = postgres::errorText(connection, result);
                    code = PQresultErrorField(result, PG_DIAG_SQLSTATE);
                }
            } else if (failed < 0 && at < batch.size()) {
                if (batch[at].wanted) {
                    Recordset rs = status == PGRES_TUPLES_OK
                                       ? postgres::recordset(result, &batch[at].spellings)
                                       : Recordset();
                    if (batch.size() == 1)
                        results = {std::move(rs)};
                    else
                        results << std::move(rs);
                }
                if (recordsAffected && at == batch.size() - 1)
                    *recordsAffected = atoi(PQcmdTuples(result));
            }
            ++index;
        }
    }
    if (failed < 0 && (index == 0 || (batch.size() > 1 && index < batch.size()))) {
        failed = std::min(index, batch.size() - 1);
        message = postgres::errorText(connection, nullptr);
    }
    if (failed >= 0)
        fail(batch[failed], message, code);
    if (batch.size() == 1 && results.isEmpty())
        results << Recordset();
    return results;
}

// The waiting statements and this one (when there is one) as one batch: SET XACT_ABORT ON makes
// an error end and roll back the transaction, and every result is read in turn, so an error in
// any statement is seen, with the statement it belongs to.
Recordset Connection::runSqlServerBatch(const QString &written, const QString &sql,
                                        int *recordsAffected)
{
    QVector<Pending> batch = std::exchange(d->queue, {});
    if (!sql.isEmpty())
        batch << Pending{written, sql, {}, {}, true};
    QStringList texts{QStringLiteral("SET XACT_ABORT ON")};
    for (const Pending &p : batch)
        texts << p.sql;
    QSqlQuery q(d->db);
    q.setForwardOnly(true);
    Recordset last;
    qsizetype index = 0;
    bool ok = q.exec(joined(texts));
    while (ok) {
        last = Recordset();
        if (q.isSelect()) {
            const QSqlRecord record = q.record();
            QStringList names;
            for (int i = 0; i < record.count(); ++i)
                names << record.fieldName(i);
            QVector<QVector<QVariant>> rows;
            while (q.next()) {
                QVector<QVariant> row;
                for (int i = 0; i < record.count(); ++i)
                    row << q.value(i);
                rows << std::move(row);
            }
            last = Recordset(std::move(names), std::move(rows));
        }
        if (recordsAffected)
            *recordsAffected = q.numRowsAffected();
        if (q.lastError().isValid() || !q.nextResult())
            break;
        ++index;
    }
    if (q.lastError().isValid()) {
        const Pending &failed = batch[std::min(index, batch.size() - 1)];
        const QString message = errorText(q.lastError());
        qCWarning(lcSql).noquote()
            << "failed:" << withoutSecrets(failed.named()) << "--" << message;
        throw DbError(message, failed.named());
    }
    return sql.isEmpty() ? Recordset() : last;
}

Recordset Connection::run(const QString &written, const QString &sql, const QVariantList &params,
                          int *recordsAffected, const QHash<QString, QString> *spellings)
{
    if (d->statements)
        return d->statements->run(written, sql, params, recordsAffected, spellings);
    if (d->postgres)
        return runPostgres(written, sql, params, recordsAffected, spellings);
    if (d->sqlServer && !d->queue.isEmpty()) {
        const bool bound =
            !params.isEmpty() || std::any_of(d->queue.begin(), d->queue.end(),
                                             [](const Pending &p) { return !p.params.isEmpty(); });
        if (!bound)
            return runSqlServerBatch(written, sql, recordsAffected);
        // Values to bind: the waiting statements go one by one first.
        for (const Pending &p : std::exchange(d->queue, {}))
            run(p.written, p.sql, p.params, nullptr);
        if (sql.isEmpty())
            return Recordset();
    }
    // The QtSql drivers (ODBC): PostgreSQL has returned above, so no connection here is made
    // again after a loss.
    QSqlQuery q(d->db);
    q.setForwardOnly(true);
    bool ok;
    if (params.isEmpty()) {
        ok = q.exec(sql);
    } else {
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant &v : params)
                q.addBindValue(v);
            ok = q.exec();
        }
    }
    if (!ok) {
        const QString message = errorText(q.lastError());
        qCWarning(lcSql).noquote()
            << "failed:" << withoutSecrets(written.isEmpty() ? sql : written) << "--" << message;
        throw DbError(message, written.isEmpty() ? sql : written);
    }
    if (recordsAffected)
        *recordsAffected = q.numRowsAffected();
    if (!q.isSelect())
        return Recordset();

    const QSqlRecord record = q.record();
    const int columns = record.count();
    QStringList names;
    names.reserve(columns);
    for (int i = 0; i < columns; ++i) {
        const QString name = record.fieldName(i);
        names << (spellings ? spellings->value(name, name) : name);
    }
    QVector<QVector<QVariant>> rows;
    while (q.next()) {
        QVector<QVariant> row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        rows << std::move(row);
    }
    if (q.lastError().isValid()) {
        const QString message = errorText(q.lastError());
        qCWarning(lcSql).noquote() << "failed:" << withoutSecrets(written) << "--" << message;
        throw DbError(message, written);
    }
    return Recordset(std::move(names), std::move(rows));
}

Statement Connection::translated(const QString &sql, const QVariantList &params) const
{
    try {
        return d->statements ? d->statements->translate(sql, params)
                             : d->dialect->translate(sql, params);
    } catch (const DbError &e) {
        qCWarning(lcSql).noquote() << "failed:" << withoutSecrets(sql) << "--" << e.description();
        throw;
    }
}

Recordset Connection::Execute(const QString &written, int *recordsAffected)
{
    const QString sql = storableText(written);
    refuseWhileWaiting(sql);
    qCDebug(lcSql).noquote() << withoutSecrets(sql);
    if (!d->prefetched.isEmpty()) {
        const auto ahead = d->prefetched.constFind(sql);
        if (ahead != d->prefetched.constEnd()) {
            Recordset rs = *ahead;
            d->prefetched.erase(ahead);
            if (recordsAffected)
                *recordsAffected = 0;
            return rs;
        }
        d->prefetched.clear();
    }
    return run(sql, translated(sql), recordsAffected);
}

void Connection::beginPrefetch(const QStringList &statements)
{
    ++d->prefetchDepth;
    if (!d->postgres || d->inTransaction || d->waiting)
        return;
    QStringList missing;
    for (const QString &written : statements) {
        const QString sql = storableText(written); // as Execute will look it up
        if (!d->prefetched.contains(sql) && !missing.contains(sql))
            missing << sql;
    }
    if (missing.isEmpty())
        return;
    try {
        QVector<Statement> statementsToSend;
        for (const QString &sql : missing)
            statementsToSend << d->dialect->translate(sql);
        reopenIfLost();
        QVector<Pending> batch;
        for (qsizetype i = 0; i < missing.size(); ++i)
            batch << Pending{missing[i], statementsToSend[i].sql, statementsToSend[i].params,
                             statementsToSend[i].spellings, true};
        const QVector<Recordset> results = sendPostgres(batch, nullptr);
        for (qsizetype i = 0; i < missing.size() && i < results.size(); ++i)
            d->prefetched.insert(missing[i], results[i]);
    } catch (const DbError &e) {
        d->prefetched.clear();
        // A server that does not answer is not asked again statement by statement.
        if (e.kind() == DbError::Kind::TimedOut) {
            --d->prefetchDepth;
            throw;
        }
        // Each statement runs again when the program makes it, and reports its own failure.
    }
}

void Connection::endPrefetch()
{
    if (--d->prefetchDepth == 0)
        d->prefetched.clear();
}

void Connection::Queue(const QString &written)
{
    const QString sql = storableText(written);
    refuseWhileWaiting(sql);
    qCDebug(lcSql).noquote() << withoutSecrets(sql);
    d->prefetched.clear();
    const Statement statement = translated(sql);
    if (batching())
        enqueue(sql, statement);
    else
        run(sql, statement, nullptr);
}

QVector<Recordset> Connection::ExecuteAll(const QStringList &written)
{
    QStringList statements = written;
    for (QString &sql : statements)
        sql = storableText(sql);
    refuseWhileWaiting(statements.value(0));
    QVector<Statement> translatedStatements;
    for (const QString &sql : statements) {
        qCDebug(lcSql).noquote() << withoutSecrets(sql);
        translatedStatements << translated(sql);
    }
    d->prefetched.clear();
    QVector<Recordset> results;
    if (!d->postgres) {
        for (qsizetype i = 0; i < statements.size(); ++i)
            results << run(statements[i], translatedStatements[i], nullptr);
        return results;
    }
    reopenIfLost();
    QVector<Pending> batch = takeWaiting();
    for (qsizetype i = 0; i < statements.size(); ++i) {
        Statement statement = translatedStatements[i];
        if (!d->inTransaction)
            statement.lockFirst.clear(); // a lock outlives only its transaction
        append(batch, statements[i], statement, true);
    }
    return sendPostgres(batch, nullptr);
}

Recordset Connection::query(const QString &written, const QVariantList &given)
{
    const QString sql = storableText(written);
    const QVariantList params = storableValues(given);
    refuseWhileWaiting(sql);
    qCDebug(lcSql).noquote() << withoutSecrets(sql) << "-- with" << params.size()
                             << "bound value(s)";
    const Statement statement = translated(sql, params);
    return run(sql, statement, nullptr);
}

int Connection::execute(const QString &written, const QVariantList &given)
{
    const QString sql = storableText(written);
    const QVariantList params = storableValues(given);
    refuseWhileWaiting(sql);
    qCDebug(lcSql).noquote() << withoutSecrets(sql) << "-- with" << params.size()
                             << "bound value(s)";
    const Statement statement = translated(sql, params);
    int affected = 0;
    run(sql, statement, &affected);
    return affected;
}

void Connection::BeginTrans()
{
    refuseWhileWaiting(QStringLiteral("BEGIN"));
    if (d->inTransaction)
        throw DbError(QStringLiteral("A transaction is already open on this connection."));
    qCDebug(lcSql) << "BEGIN TRANSACTION";
    d->prefetched.clear();
    if (d->sqlite) {
        run(QString(), QStringLiteral("BEGIN IMMEDIATE"), {}, nullptr);
    } else if (d->postgres) {
        d->beginPending = true; // sent with the first statement
    } else if (!d->db.transaction()) {
        throw DbError(QStringLiteral("Cannot begin a transaction: ") +
                      errorText(d->db.lastError()));
    }
    d->inTransaction = true;
}

void Connection::CommitTrans()
{
    refuseWhileWaiting(QStringLiteral("COMMIT"));
    if (!d->inTransaction)
        throw DbError(QStringLiteral("No transaction is open on this connection."));
    qCDebug(lcSql) << "COMMIT";
    if (d->postgres && d->beginPending && d->queue.isEmpty()) {
        d->beginPending = false; // nothing was sent: nothing to commit
    } else if (d->sqlite || d->postgres) {
        run(QString(), QStringLiteral("COMMIT"), {}, nullptr);
    } else {
        if (d->sqlServer && !d->queue.isEmpty())
            run(QString(), QString(), {}, nullptr); // the waiting statements, as one batch
        if (!d->db.commit())
            throw DbError(QStringLiteral("Cannot commit the transaction: ") +
                          errorText(d->db.lastError()));
    }
    d->inTransaction = false;
}

void Connection::RollbackTrans()
{
    refuseWhileWaiting(QStringLiteral("ROLLBACK"));
    if (!d->inTransaction)
        throw DbError(QStringLiteral("No transaction is open on this connection."));
    qCDebug(lcSql) << "ROLLBACK";
    d->inTransaction = false;
    d->queue.clear();
    if (d->postgres && d->beginPending) {
        d->beginPending = false; // nothing was sent: nothing to undo
    } else if (d->sqlite || d->postgres) {
        run(QString(), QStringLiteral("ROLLBACK"), {}, nullptr);
    } else if (!d->db.rollback()) {
        throw DbError(QStringLiteral("Cannot roll the transaction back: ") +
                      errorText(d->db.lastError()));
    }
}

bool Connection::InTransaction() const
{
    return d->inTransaction;
}

void Connection::runScript(const QString &script)
{
    refuseWhileWaiting(script);
    for (const QString &statement : splitStatements(script))
        run(QString(), storableText(statement), {}, nullptr);
    if (d->translating)
        refreshTextColumns();
}

void Connection::enableWal()
{
    Recordset mode = run(QString(), QStringLiteral("PRAGMA journal_mode"), {}, nullptr);
    if (!mode.Eof() &&
        mode.Fields(0).toText().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return;
    // Another program opening the same file may be making the switch right now: it does not wait
    // on the busy timeout, so wait here, a little at a time.
    for (int attempt = 0;; ++attempt) {
        try {
            run(QString(), QStringLiteral("PRAGMA journal_mode=WAL"), {}, nullptr);
            return;
        } catch (const DbError &e) {
            if (attempt >= 50 || !e.description().contains(QLatin1String("locked")))
                throw;
            QThread::msleep(100);
        }
    }
}

void Connection::upgradeIfWritable()
{
    try {
        upgradeSchema(*this);
    } catch (const DbError &e) {
        // A file that cannot be changed (read-only, say) is still read as it is.
        qCWarning(lcSql).noquote()
            << "the database could not be brought up to date:" << e.description();
    }
}

void Connection::refreshTextColumns()
{
    if (d->postgres) {
        // Text in every table of the schema that has a column of that name.
        Recordset rs = run(QString(),
                           QStringLiteral("SELECT lower(a.attname), bool_and(t.typcategory = 'S') "
                                          "FROM pg_attribute a "
                                          "JOIN pg_class c ON c.oid = a.attrelid "
                                          "JOIN pg_type t ON t.oid = a.atttypid "
                                          "WHERE c.relkind IN ('r', 'v', 'p') AND a.attnum > 0 "
                                          "AND NOT a.attisdropped "
                                          "AND c.relnamespace = current_schema()::regnamespace "
                                          "GROUP BY 1"),
                           {}, nullptr);
        QSet<QString> text;
        for (; !rs.Eof(); rs.MoveNext())
            if (rs.Fields(1).toBool())
                text.insert(rs.Fields(0).toText());
        d->translating->setTextColumns(text);
        return;
    }
    if (!d->sqlite)
        return;
    Recordset rs = run(QString(),
                       QStringLiteral("SELECT p.name, p.type FROM sqlite_master m "
                                      "JOIN pragma_table_info(m.name) p WHERE m.type = 'table'"),
                       {}, nullptr);
    QSet<QString> text;
    QSet<QString> other;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString column = rs.Fields(0).toText().toLower();
        const QString type = rs.Fields(1).IsNull() ? QString() : rs.Fields(1).toText().toUpper();
        const bool isText = type.contains(QLatin1String("CHAR")) ||
                            type.contains(QLatin1String("TEXT")) ||
                            type.contains(QLatin1String("CLOB"));
        (isText ? text : other).insert(column);
    }
    d->sqlite->setTextColumns(text - other);
}

Prefetch::Prefetch(Connection &connection, const QStringList &statements) : m_connection(connection)
{
    m_connection.beginPrefetch(statements);
}

Prefetch::~Prefetch()
{
    m_connection.endPrefetch();
}

Transaction::Transaction(Connection &connection, Mode mode) : m_connection(connection)
{
    if (mode == Mode::JoinOpen && m_connection.InTransaction()) {
        m_owner = false;
        m_open = false;
        return;
    }
    m_connection.BeginTrans();
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        m_connection.RollbackTrans();
    } catch (const DbError &) {
        // The transaction is gone with the failure that brought us here.
    }
}

void Transaction::commit()
{
    if (!m_owner)
        return;
    m_connection.CommitTrans();
    m_open = false;
}

} // namespace db

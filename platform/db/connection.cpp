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

#include <QAtomicInt>
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
#include <poll.h>
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
    int timeoutSeconds = 30; // a server's bound on every wait
    bool inTransaction = false;
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

std::unique_ptr<Connection> Connection::openOdbc(const QString &connectionString)
{
    auto p = std::make_unique<Private>();
    p->name = nextConnectionName();
    p->db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), p->name);
    p->db.setDatabaseName(connectionString);
    // A wrong server or password is answered within 10 s, never by a hang.
    p->db.setConnectOptions(
        QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10;SQL_ATTR_CONNECTION_TIMEOUT=10"));
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
    // Every wait is bounded: connecting, and (with keepalives and the TCP timeout) a server or a
    // network that goes silent.
    const int bound = logon.timeoutSeconds > 0 ? logon.timeoutSeconds : 30;
    p->timeoutSeconds = bound;
    p->db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;keepalives_interval=2;"
                       "keepalives_count=3;tcp_user_timeout=%3;application_name=inventory-request")
            .arg(bound)
            .arg(qMax(1, bound / 3))
            .arg(bound * 1000));
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

// What every new session on a PostgreSQL server starts with.
void Connection::prepareServerSession()
{
    // A date written month first, as the program writes them, is read so. Text literals are
    // standard whatever the server's default: a backslash is a backslash, never an escape. The
    // server ends a statement or a lock wait at the bound itself.
    PGconn *handle = postgresHandle(d->db);
    const QString settings =
        QStringLiteral("SET DateStyle = 'ISO, MDY'; SET standard_conforming_strings = on; "
                       "SET statement_timeout = %1; SET lock_timeout = %1")
            .arg(d->timeoutSeconds * 1000);
    qCDebug(lcSql).noquote() << settings;
    PGresult *result = handle ? PQexec(handle, settings.toUtf8().constData()) : nullptr;
    const ResultGuard guard(result);
    if (!result || PQresultStatus(result) != PGRES_COMMAND_OK)
        throw DbError(postgres::errorText(handle, result), settings);
    const char *standard = PQparameterStatus(handle, "standard_conforming_strings");
    if (!standard || qstrcmp(standard, "on") != 0)
        throw DbError(QStringLiteral("The database server does not keep text literals standard "
                                     "(standard_conforming_strings is off); nothing can be written "
                                     "safely."),
                      settings);
}

namespace {

Connection::WaitObserver &waitObserver()
{
    static Connection::WaitObserver observer;
    return observer;
}

} // namespace

void Connection::setWaitObserver(WaitObserver observer)
{
    waitObserver() = std::move(observer);
}

bool Connection::awaitAnswer()
{
    PGconn *connection = postgresHandle(d->db);
    QElapsedTimer clock;
    clock.start();
    // The server ends a statement or a lock wait at the bound itself and says so; the program
    // gives its answer a moment more before it takes the server for gone.
    const qint64 bound = qint64(d->timeoutSeconds) * 1000 + 3000;
    bool shown = false;
    const auto tell = [&](bool waiting) {
        if (const WaitObserver &observer = waitObserver())
            observer(ServerWait{waiting, int(clock.elapsed()), d->timeoutSeconds});
    };
    bool answered = true;
    while (PQisBusy(connection)) {
        const qint64 left = bound - clock.elapsed();
        if (left <= 0) {
            answered = false;
            break;
        }
        pollfd socket{PQsocket(connection), POLLIN, 0};
        if (socket.fd < 0)
            break; // PQgetResult says what went wrong
        const int ready = ::poll(&socket, 1, int(qMin<qint64>(left, 100)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && !PQconsumeInput(connection))
            break;
        if (clock.elapsed() >= 300) {
            shown = true;
            tell(true);
        }
    }
    if (shown)
        tell(false);
    return answered;
}

void Connection::timedOut(const QString &statement, bool committing)
{
    // The connection is given up; the server ends what it was doing at its own bound, and the
    // next statement connects again.
    d->inTransaction = false;
    d->beginPending = false;
    d->queue.clear();
    d->db.close();
    const QString text =
        committing
            ? QStringLiteral("The server did not confirm the save within %1 s; whether it "
                             "was stored is not known yet.")
                  .arg(d->timeoutSeconds)
            : QStringLiteral("The server did not answer within %1 s.").arg(d->timeoutSeconds);
    qCWarning(lcSql).noquote() << "failed:" << withoutSecrets(statement) << "--" << text;
    throw DbError(text, statement,
                  committing ? DbError::Kind::OutcomeUnknown : DbError::Kind::TimedOut);
}

void Connection::connectionLost(const QString &written, const QString &sql, const QString &message)
{
    const bool committing = sql.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0;
    d->inTransaction = false;
    d->beginPending = false;
    d->queue.clear();
    d->db.close();
    QString text =
        QStringLiteral("The connection to the database server was lost (%1). ").arg(message);
    text += committing ? QStringLiteral("The last change may or may not have been saved: look it "
                                        "up before you make it again.")
                       : QStringLiteral("What was being done was not saved.");
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
    throw DbError(text, written.isEmpty() ? sql : written);
}

// A connection lost earlier and not made again yet is tried once more before each statement.
void Connection::reopenIfLost()
{
    if (!d->postgres || d->db.isOpen())
        return;
    if (!d->db.open())
        throw DbError(QStringLiteral("The database server cannot be reached: ") +
                      errorText(d->db.lastError()) +
                      QStringLiteral(". Try again in a moment, or sign in again."));
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

// The batch in one round trip: a single statement with its values bound (PQexecParams), several
// as one message of plain statements, their values written in as literals by libpq. The server
// stops at the first failure; the transaction it was in can then only be rolled back.
QVector<Recordset> Connection::sendPostgres(const QVector<Pending> &batch, int *recordsAffected)
{
    PGconn *connection = postgresHandle(d->db);
    const bool committing = std::any_of(batch.begin(), batch.end(), [](const Pending &p) {
        return p.sql.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0;
    });
    QString state; // the server's SQLSTATE of the failure
    const auto fail = [&](const Pending &failed, const QString &message) {
        if (!connection || PQstatus(connection) == CONNECTION_BAD)
            connectionLost(failed.written, committing ? QStringLiteral("COMMIT") : failed.sql,
                           message);
        qCWarning(lcSql).noquote()
            << "failed:" << withoutSecrets(failed.named()) << "--" << message;
        // The server's own bound on a statement or a lock wait: said as the program's bound is.
        if (state == QLatin1String("57014") || state == QLatin1String("55P03"))
            throw DbError(
                QStringLiteral("The server did not answer within %1 s.").arg(d->timeoutSeconds),
                failed.named(), DbError::Kind::TimedOut);
        throw DbError(message, failed.named());
    };
    const auto stateOf = [](const PGresult *result) {
        const char *code = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        return code ? QString::fromLatin1(code) : QString();
    };
    if (!connection)
        fail(batch.first(), QStringLiteral("The connection to the database server is not open."));

    QVector<Recordset> results;
    if (batch.size() == 1) {
        const Pending &only = batch.first();
        int sent;
        if (only.params.isEmpty()) {
            sent = PQsendQuery(connection, only.sql.toUtf8().constData());
        } else {
            const postgres::TextParams values(only.params);
            sent = PQsendQueryParams(
                connection, postgres::numberedPlaceholders(only.sql).toUtf8().constData(),
                int(values.values.size()), nullptr, values.values.data(), nullptr, nullptr, 0);
        }
        if (!sent)
            fail(only, postgres::errorText(connection, nullptr));
        if (!awaitAnswer())
            timedOut(only.named(), committing);
        PGresult *result = PQgetResult(connection);
        while (PGresult *more = PQgetResult(connection))
            PQclear(more); // one statement, one result
        const ResultGuard guard(result);
        const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            state = stateOf(result);
            fail(only, postgres::errorText(connection, result));
        }
        if (recordsAffected)
            *recordsAffected = atoi(PQcmdTuples(result));
        results << (status == PGRES_TUPLES_OK ? postgres::recordset(result, &only.spellings)
                                              : Recordset());
        return results;
    }

    QStringList texts;
    for (const Pending &p : batch)
        texts << postgres::withLiterals(connection, p.sql, p.params);
    if (!PQsendQuery(connection, joined(texts).toUtf8().constData()))
        fail(batch.first(), postgres::errorText(connection, nullptr));
    if (!awaitAnswer())
        timedOut(batch.last().named(), committing);
    // One result per statement, in order, up to the first failure, which ends the message.
    qsizetype index = 0;
    qsizetype failed = -1;
    QString message;
    while (PGresult *result = PQgetResult(connection)) {
        const ResultGuard guard(result);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            if (failed < 0) {
                failed = std::min(index, batch.size() - 1);
                message = postgres::errorText(connection, result);
                state = stateOf(result);
            }
        } else if (failed < 0 && index < batch.size()) {
            if (batch[index].wanted)
                results << (status == PGRES_TUPLES_OK
                                ? postgres::recordset(result, &batch[index].spellings)
                                : Recordset());
            if (recordsAffected && index == batch.size() - 1)
                *recordsAffected = atoi(PQcmdTuples(result));
        }
        ++index;
    }
    if (failed < 0 && index < batch.size()) {
        failed = index;
        message = postgres::errorText(connection, nullptr);
    }
    if (failed >= 0)
        fail(batch[failed], message);
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
    reopenIfLost();
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
        if (d->postgres) {
            PGconn *handle = postgresHandle(d->db);
            if (!handle || PQstatus(handle) == CONNECTION_BAD)
                connectionLost(written, sql, message);
        }
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

Recordset Connection::Execute(const QString &sql, int *recordsAffected)
{
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
    if (!d->postgres || d->inTransaction)
        return;
    QStringList missing;
    for (const QString &sql : statements) {
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
    } catch (const DbError &) {
        // Each statement runs again when the program makes it, and reports its own failure.
        d->prefetched.clear();
    }
}

void Connection::endPrefetch()
{
    if (--d->prefetchDepth == 0)
        d->prefetched.clear();
}

void Connection::Queue(const QString &sql)
{
    qCDebug(lcSql).noquote() << withoutSecrets(sql);
    d->prefetched.clear();
    const Statement statement = translated(sql);
    if (batching())
        enqueue(sql, statement);
    else
        run(sql, statement, nullptr);
}

QVector<Recordset> Connection::ExecuteAll(const QStringList &statements)
{
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

Recordset Connection::query(const QString &sql, const QVariantList &params)
{
    qCDebug(lcSql).noquote() << withoutSecrets(sql) << "-- with" << params.size()
                             << "bound value(s)";
    const Statement statement =
        d->statements ? d->statements->translate(sql, params) : d->dialect->translate(sql, params);
    return run(sql, statement, nullptr);
}

int Connection::execute(const QString &sql, const QVariantList &params)
{
    qCDebug(lcSql).noquote() << withoutSecrets(sql) << "-- with" << params.size()
                             << "bound value(s)";
    const Statement statement =
        d->statements ? d->statements->translate(sql, params) : d->dialect->translate(sql, params);
    int affected = 0;
    run(sql, statement, &affected);
    return affected;
}

void Connection::BeginTrans()
{
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
    for (const QString &statement : splitStatements(script))
        run(QString(), statement, {}, nullptr);
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

Transaction::Transaction(Connection &connection) : m_connection(connection)
{
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
    m_connection.CommitTrans();
    m_open = false;
}

} // namespace db

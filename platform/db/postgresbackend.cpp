// A PostgreSQL server through libpq itself (postgresnative.h), on the connection QtSql's driver
// opened: a statement with values in one round trip, several statements in one message. No wait
// lasts longer than the logon's bound, and a long one is shown (the wait observer); a connection
// lost is made again for the next statement.

#include "platform/db/backend.h"
#include "platform/db/dberror.h"
#include "platform/db/postgresnative.h"
#include "platform/db/procedures.h"
#include "platform/db/qtsqlconnection.h"
#include "platform/db/sqllog.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlError>

#include <algorithm>
#include <optional>

#include <libpq-fe.h>

namespace db::backend {

namespace {

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

class PostgresBackend final : public Backend
{
public:
    explicit PostgresBackend(const PostgresLogon &logon)
        : m_dialect(ProcedureCatalog::builtIn()), m_driver(QStringLiteral("QPSQL")),
          m_timeoutSeconds(std::max(logon.timeoutSeconds, 1)), m_databaseName(logon.database)
    {
        QSqlDatabase &db = m_driver.db();
        db.setHostName(logon.host);
        db.setPort(logon.port);
        db.setDatabaseName(logon.database);
        db.setUserName(logon.user);
        db.setPassword(logon.password);
        db.setConnectOptions(postgresConnectOptions(m_timeoutSeconds));
        if (!db.open())
            throw DbError(QStringLiteral("Cannot connect to the database server: ") +
                          errorText(db.lastError()));
        prepareServerSession();
        refreshTextColumns(*this);
    }

    Traits traits() const override { return postgresTraits(); }

    const Dialect &dialect() const override { return m_dialect; }
    TranslatingDialect *translating() override { return &m_dialect; }
    QString dbmsName() const override { return QStringLiteral("PostgreSQL"); }
    QString databaseName() const override { return m_databaseName; }
    int timeoutSeconds() const override { return m_timeoutSeconds; }

    Statement translate(const QString &tsql, const QVariantList &params) override
    {
        return m_translations.translate(tsql, params);
    }

    QVector<Recordset> send(const QVector<Outgoing> &message, bool inTransaction,
                            int *recordsAffected) override
    {
        reopenIfLost();
        return sendMessage(message, inTransaction, recordsAffected);
    }

    bool abandonedWorkSettled() override
    {
        if (m_abandonedBackend == 0)
            return true;
        // Ended by the server (a stopped session ends as soon as it runs again, before it reads
        // anything more), then looked for: once it is gone, what it did is all there is to read.
        const QString pid = QString::number(m_abandonedBackend);
        runOwn(*this,
               QStringLiteral("Select pg_terminate_backend(") + pid + QStringLiteral(") as ended"));
        const Recordset left = runOwn(
            *this, QStringLiteral("Select Count(*) as n From pg_stat_activity Where pid = ") + pid);
        if (left.Fields(QStringLiteral("n")).toText().toInt() != 0)
            return false;
        m_abandonedBackend = 0;
        return true;
    }

private:
    PGconn *handle() const
    {
        // libpq's PGconn is a typedef of struct pg_conn, and the driver hands it out by that name.
        return static_cast<PGconn *>(m_driver.handle({"pg_conn*", "PGconn*"}));
    }

    // What every new session on the server starts with, in one message.
    void prepareServerSession()
    {
        const QString ms = QString::number(serverTimeoutMs(m_timeoutSeconds));
        const QVector<Outgoing> settings{
            // A date written month first, as the program writes them, is read so.
            {QString(), QStringLiteral("SET DateStyle = 'ISO, MDY'"), {}, {}, false},
            // The program's literals are plain SQL strings: a backslash in one is a backslash.
            {QString(), QStringLiteral("SET standard_conforming_strings = on"), {}, {}, false},
            // No statement, and no wait for another session's lock, outlasts the program's
            // patience.
            {QString(), QStringLiteral("SET statement_timeout = ") + ms, {}, {}, false},
            {QString(), QStringLiteral("SET lock_timeout = ") + ms, {}, {}, false},
            // The program's statements are short: compiling one to machine code (10 to 20 ms,
            // and more when the planner overestimates a join) costs more than it ever saves.
            {QString(), QStringLiteral("SET jit = off"), {}, {}, false},
            // Whether the database keeps its stock rows by name, with the view the product
            // search reads them through (a schema of this version).
            {QString(),
             QStringLiteral("SELECT to_regclass('vwinvstocksearch') IS NOT NULL"),
             {},
             {},
             true},
        };
        const QVector<Recordset> answers = sendMessage(settings, false, nullptr);
        m_dialect.setStockNamesKept(!answers.isEmpty() && !answers.constLast().Eof() &&
                                    answers.constLast().Fields(0).toBool());
        // libpq follows the setting as the server reports it; a server that keeps it off (an old
        // one, or a pooler that drops settings) would read a backslash in a value as an escape.
        PGconn *connection = handle();
        const char *conforming =
            connection ? PQparameterStatus(connection, "standard_conforming_strings") : nullptr;
        if (!conforming || qstrcmp(conforming, "on") != 0) {
            m_driver.db().close();
            throw DbError(
                QStringLiteral("The database server does not take text as the program writes it "
                               "(standard_conforming_strings cannot be turned on). Ask the "
                               "database administrator."));
        }
    }

    // A connection lost earlier and not made again yet is tried once more before each statement.
    void reopenIfLost()
    {
        QSqlDatabase &db = m_driver.db();
        if (db.isOpen())
            return;
        if (!db.open())
            throw DbError(QStringLiteral("The database server cannot be reached: ") +
                              errorText(db.lastError()) +
                              QStringLiteral(". Try again in a moment, or sign in again."),
                          QString(), DbError::Kind::ConnectionLost);
        prepareServerSession();
    }

    [[noreturn]] void connectionLost(const QString &written, const QString &sql,
                                     const QString &message, bool inTransaction)
    {
        const bool committing = sql.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0;
        // What became of the work: a transaction's is rolled back, a read changed nothing, but a
        // change made on its own may have been made before the answer was lost.
        static const QRegularExpression read(QStringLiteral("^\\s*(select|with|show|explain)\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
        QSqlDatabase &db = m_driver.db();
        db.close();
        QString text =
            QStringLiteral("The connection to the database server was lost (%1). ").arg(message);
        if (committing || (!inTransaction && !read.match(sql).hasMatch()))
            text += QStringLiteral("The last change may or may not have been saved: look it up "
                                   "before you make it again.");
        else if (inTransaction)
            text += QStringLiteral("What was being done was not saved.");
        else
            text += QStringLiteral("Nothing was changed.");
        if (db.open()) {
            try {
                prepareServerSession();
                text +=
                    QStringLiteral(" The connection has been made again: please try once more.");
            } catch (const DbError &) {
                db.close();
            }
        }
        if (!db.isOpen())
            text += QStringLiteral(" The server cannot be reached now: try again in a moment, or "
                                   "sign in again.");
        qCWarning(lcSql).noquote()
            << "failed:" << withoutSecrets(written.isEmpty() ? sql : written) << "--" << text;
        throw DbError(text, written.isEmpty() ? sql : written,
                      committing ? DbError::Kind::OutcomeUnknown : DbError::Kind::ConnectionLost);
    }

    // The deadline passed with no answer: the server is asked to stop, the connection is dropped
    // (the transaction with it) and made again for the next statement.
    [[noreturn]] void timedOut(const QString &statement, bool committing)
    {
        // The session left behind may still hold a commit it was sent: it is kept in mind until
        // it is known to be gone (abandonedWorkSettled).
        PGconn *connection = handle();
        if (committing && connection)
            m_abandonedBackend = PQbackendPID(connection);
        postgres::cancelInBackground(connection);
        m_driver.db().close();
        const DbError error = DbError::timedOut(m_timeoutSeconds, committing, statement);
        qCWarning(lcSql).noquote() << "failed:" << error.statement() << "--" << error.description();
        throw error;
    }

    // The server ended a statement at its own timeout: the transaction it was in is rolled back
    // now, so that the connection is ready for the next action.
    void abandonTransaction(bool inTransaction)
    {
        if (!inTransaction)
            return;
        try {
            sendMessage({Outgoing{QString(), QStringLiteral("ROLLBACK"), {}, {}, false}}, false,
                        nullptr);
        } catch (const DbError &) {
            m_driver.db().close(); // made again for the next statement
        }
    }

    // A statement of a message as sent: one of the batch's, several of its inserts joined into
    // one, or the savepoint around those (first and count: the joined inserts').
    struct Piece
    {
        enum class Kind { Statement, Joined, Savepoint };
        qsizetype first;
        qsizetype count;
        Kind kind;
    };
    static constexpr QLatin1String JoinSavepoint{"inventory_joined_rows"};

    // The texts of the batch's statements with each run of two or more inserts of one row into the
    // same columns joined into one insert, between a savepoint and its release; `pieces` says what
    // each text sent stands for (empty when nothing was joined). An insert whose result is wanted
    // is left alone, and so is the last statement when the caller counts the rows it affected.
    static QStringList joinedInserts(const QVector<Outgoing> &batch, const QStringList &texts,
                                     bool lastCounted, std::vector<Piece> &pieces)
    {
        const auto joinable = [&](qsizetype i) {
            const Outgoing &p = batch[i];
            return !p.wanted && !p.rowByRow && !p.watcher &&
                   !(lastCounted && i == batch.size() - 1);
        };
        QStringList out;
        pieces.clear();
        for (qsizetype i = 0; i < batch.size();) {
            const std::optional<postgres::InsertRow> first =
                joinable(i) ? postgres::singleRowInsert(texts[i]) : std::nullopt;
            qsizetype end = i + 1;
            QString rows;
            if (first) {
                rows = first->row.toString();
                for (; end < batch.size() && joinable(end); ++end) {
                    const std::optional<postgres::InsertRow> next =
                        postgres::singleRowInsert(texts[end]);
                    if (!next || next->head != first->head)
                        break;
                    rows += QLatin1String(",\n");
                    rows += next->row;
                }
            }
            if (end - i < 2) {
                out << texts[i];
                pieces.push_back({i, 1, Piece::Kind::Statement});
                ++i;
                continue;
            }
            out << QStringLiteral("SAVEPOINT ") + JoinSavepoint
                << first->head.toString() + QLatin1Char(' ') + rows
                << QStringLiteral("RELEASE SAVEPOINT ") + JoinSavepoint;
            pieces.push_back({i, end - i, Piece::Kind::Savepoint});
            pieces.push_back({i, end - i, Piece::Kind::Joined});
            pieces.push_back({i, end - i, Piece::Kind::Savepoint});
            i = end;
        }
        if (std::none_of(pieces.begin(), pieces.end(),
                         [](const Piece &p) { return p.kind == Piece::Kind::Joined; }))
            pieces.clear(); // nothing joined: the batch's own statements, one each
        return out;
    }

    // The message in one round trip: a single statement with its values bound
    // (PQsendQueryParams), several as one message of plain statements, their values written in
    // as literals by libpq. The server stops at the first failure; the transaction it was in can
    // then only be rolled back. Nothing here blocks in libpq: the answer is awaited on the
    // socket, up to the connection's bound.
    //
    // In a transaction, consecutive inserts of one row each into the same columns (a save's
    // lines) go as one insert of all their rows, between a savepoint and its release: the server
    // runs it in about half the time of the single inserts, with the same rows in the same
    // order. Should it fail, the server goes back to the savepoint and is sent the inserts one
    // by one, so that the failure names the line it is about, as before.
    QVector<Recordset> sendMessage(const QVector<Outgoing> &batch, bool inTransaction,
                                   int *recordsAffected, bool joinInserts = true)
    {
        PGconn *connection = handle();
        const bool committing = std::any_of(batch.begin(), batch.end(), [](const Outgoing &p) {
            return p.sql.compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0;
        });
        // A failure the server reported: a statement or lock wait it ended at its own timeout
        // left nothing stored, and the transaction is rolled back at once.
        const auto fail = [&](const Outgoing &failed, const QString &message,
                              const QByteArray &code = QByteArray()) {
            if (!connection || PQstatus(connection) == CONNECTION_BAD)
                connectionLost(failed.written, committing ? QStringLiteral("COMMIT") : failed.sql,
                               message, inTransaction);
            qCWarning(lcSql).noquote()
                << "failed:" << withoutSecrets(failed.named()) << "--" << message;
            if (code == "57014" || code == "55P03") {
                abandonTransaction(inTransaction);
                throw DbError::timedOut(m_timeoutSeconds, false, failed.named());
            }
            throw DbError(message, failed.named());
        };
        if (!connection)
            fail(batch.first(),
                 QStringLiteral("The connection to the database server is not open."));

        // libpq is in non-blocking mode while the answer is awaited; the Qt driver's own calls
        // block.
        struct NonBlocking
        {
            QtSqlConnection &driver;
            PGconn *connection;
            NonBlocking(QtSqlConnection &d, PGconn *c) : driver(d), connection(c)
            {
                PQsetnonblocking(connection, 1);
            }
            ~NonBlocking()
            {
                if (driver.db().isOpen() &&
                    driver.handle({"pg_conn*", "PGconn*"}) == static_cast<void *>(connection))
                    PQsetnonblocking(connection, 0);
            }
        };

        // One result per statement, in order, up to the first failure, which ends the message. A
        // single statement's text may hold several: its last result is the one given back.
        QVector<Recordset> results;
        // What each statement sent stands for; none where nothing was joined: the batch's own,
        // one each.
        std::vector<Piece> pieces;
        const auto pieceAt = [&](qsizetype index) {
            return index < qsizetype(pieces.size()) ? pieces[std::size_t(index)]
                                                    : Piece{index, 1, Piece::Kind::Statement};
        };
        const auto sentCount = [&] {
            return pieces.empty() ? batch.size() : qsizetype(pieces.size());
        };
        std::optional<Piece> failedJoin; // the joined inserts whose message failed
        qsizetype index = 0;
        qsizetype failed = -1;
        QString message;
        QByteArray code;
        {
            const NonBlocking nonBlocking(m_driver, connection);
            int sent;
            if (batch.size() == 1 && !batch.first().params.isEmpty()) {
                const Outgoing &only = batch.first();
                const postgres::TextParams values(only.params);
                sent = PQsendQueryParams(
                    connection, postgres::numberedPlaceholders(only.sql).toUtf8().constData(),
                    int(values.values.size()), nullptr, values.values.data(), nullptr, nullptr, 0);
            } else {
                QStringList texts;
                for (const Outgoing &p : batch)
                    texts << (batch.size() == 1
                                  ? p.sql
                                  : postgres::withLiterals(connection, p.sql, p.params));
                if (inTransaction && joinInserts && batch.size() > 1)
                    texts = joinedInserts(batch, texts, recordsAffected != nullptr, pieces);
                sent = PQsendQuery(connection, joined(texts).toUtf8().constData());
            }

            // Rows that leave the server as they are made are made into values as they come.
            if (sent && std::any_of(batch.begin(), batch.end(),
                                    [](const Outgoing &p) { return p.rowByRow; }))
                PQsetSingleRowMode(connection);
            postgres::ResultRows rows;

            const QDeadlineTimer deadline{std::chrono::seconds(m_timeoutSeconds)};
            ObservedWait observed(m_timeoutSeconds);
            const auto pause = [&observed] { return observed.pause(); };
            // The next result, once it has come whole; none after the last.
            const auto next = [&]() -> PGresult * {
                if (postgres::awaitResult(connection, deadline, pause) ==
                    postgres::Readiness::TimedOut)
                    timedOut(batch.last().named(), committing);
                return PQgetResult(connection); // on a broken connection: its failure, then none
            };

            while (sent) {
                PGresult *result = next();
                if (!result)
                    break;
                const Piece piece = pieceAt(batch.size() == 1 ? 0 : index);
                const qsizetype at = batch.size() == 1 ? 0 : piece.first;
                if (PQresultStatus(result) == PGRES_SINGLE_TUPLE) {
                    if (failed < 0 && at < batch.size() && batch[at].wanted)
                        rows.add(result, &batch[at].spellings, &m_columns, batch[at].watcher.get());
                    else
                        PQclear(result);
                    continue;
                }
                const ResultGuard guard(result);
                const ExecStatusType status = PQresultStatus(result);
                if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
                    rows.clear();
                    if (failed < 0) {
                        failed = std::min(at, batch.size() - 1);
                        message = postgres::errorText(connection, result);
                        code = PQresultErrorField(result, PG_DIAG_SQLSTATE);
                        if (piece.kind != Piece::Kind::Statement)
                            failedJoin = piece;
                    }
                } else if (failed < 0 && at < batch.size() &&
                           piece.kind == Piece::Kind::Statement) {
                    if (batch[at].wanted) {
                        Recordset rs = status == PGRES_TUPLES_OK
                                           ? rows.finish(result, &batch[at].spellings, &m_columns)
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
        if (failed < 0 && (index == 0 || (batch.size() > 1 && index < sentCount()))) {
            failed = std::min(pieceAt(index).first, batch.size() - 1);
            message = postgres::errorText(connection, nullptr);
        }
        if (failed >= 0 && failedJoin && code != "57014" && code != "55P03" &&
            PQstatus(connection) == CONNECTION_OK) {
            // The joined inserts again, one by one from their savepoint: the one the server
            // refuses is reported, with its own statement.
            QVector<Outgoing> again{
                Outgoing{QString(),
                         QStringLiteral("ROLLBACK TO SAVEPOINT ") + JoinSavepoint,
                         {},
                         {},
                         false}};
            again += batch.mid(failedJoin->first, failedJoin->count);
            sendMessage(again, inTransaction, nullptr, false);
            // Each went in alone: the failure was the joined insert's own; it is reported on its
            // first line.
        }
        if (failed >= 0)
            fail(batch[failed], message, code);
        if (batch.size() == 1 && results.isEmpty() && batch.first().wanted)
            results << Recordset();
        return results;
    }

    PostgresDialect m_dialect;
    PostgresTranslations m_translations{m_dialect};
    postgres::ResultColumns m_columns;
    QtSqlConnection m_driver;
    int m_timeoutSeconds;
    QString m_databaseName;
    int m_abandonedBackend = 0; // the server session dropped while its commit was unanswered
};

} // namespace

Traits postgresTraits()
{
    Traits traits;
    traits.batches = Traits::Batches::Yes;
    traits.queues = true;
    traits.readsAhead = true;
    // A message of several statements is one transaction on the server; this makes it one
    // snapshot too.
    traits.oneSnapshot =
        QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
    traits.begin = QStringLiteral("BEGIN");
    traits.beginWithFirstMessage = true;
    return traits;
}

std::unique_ptr<Backend> openPostgres(const PostgresLogon &logon)
{
    return std::make_unique<PostgresBackend>(logon);
}

} // namespace db::backend

#include "platform/db/connection.h"

#include "platform/db/backend.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqllog.h"
#include "platform/db/tsqltokens.h"
#include "platform/storabletext.h"

#include <algorithm>
#include <utility>

namespace db {

using backend::Outgoing;
using backend::Traits;

namespace {

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

bool boundValues(const QVector<Outgoing> &message)
{
    return std::any_of(message.begin(), message.end(),
                       [](const Outgoing &o) { return !o.params.isEmpty(); });
}

} // namespace

Connection::WaitObserver &backend::waitObserver()
{
    static Connection::WaitObserver observer;
    return observer;
}

struct Connection::Private
{
    std::unique_ptr<backend::Backend> engine;
    Traits traits;
    bool inTransaction = false;
    // A message is on its way to the engine and its answer awaited (the wait observer may run
    // events then).
    bool waiting = false;
    // Inside a transaction, on an engine that sends its BEGIN with the first message: not sent
    // yet. And the statements whose results nobody needs, in order; they go with the next
    // message.
    bool beginPending = false;
    QVector<Outgoing> queue;
    // Reads asked ahead (Prefetch), by their text as written, while a Prefetch lives; and the
    // answers of its stand-ins, in order, until they are named (Prefetch::standsFor).
    int prefetchDepth = 0;
    QHash<QString, Recordset> prefetched;
    QVector<Recordset> standIns;
    // Who is told the rows of a statement as they come, by its text as written (RowWatch).
    QHash<QString, std::shared_ptr<const RowWatcher>> rowWatchers;

    // A wanted statement's message entry, told to its watcher if it has one: a statement someone
    // watches is taken in row by row, where the engine can.
    Outgoing wanted(const QString &written, const Statement &statement) const
    {
        Outgoing entry{written, statement.sql,     statement.params, statement.spellings,
                       true,    statement.rowByRow};
        if (!rowWatchers.isEmpty())
            entry.watcher = rowWatchers.value(written);
        entry.rowByRow = entry.rowByRow || entry.watcher;
        return entry;
    }

    // What was read ahead may be out of date after any other statement.
    void forgetReadsAhead()
    {
        prefetched.clear();
        standIns.clear();
    }

    // The transaction is gone with a failure (the connection lost, a wait ended).
    void dropTransaction()
    {
        inTransaction = false;
        beginPending = false;
        queue.clear();
        forgetReadsAhead();
    }
};

Connection::Connection(std::unique_ptr<Private> p) : d(std::move(p)) {}

Connection::~Connection() = default;

std::unique_ptr<Connection> Connection::over(std::unique_ptr<backend::Backend> engine)
{
    auto p = std::make_unique<Private>();
    p->traits = engine->traits();
    p->engine = std::move(engine);
    return std::unique_ptr<Connection>(new Connection(std::move(p)));
}

std::unique_ptr<Connection> Connection::openSqlite(const QString &path, Create create,
                                                   int busyTimeoutMs)
{
    return over(backend::openSqliteFile(path, create, busyTimeoutMs));
}

std::unique_ptr<Connection> Connection::openOdbc(const QString &connectionString,
                                                 int timeoutSeconds)
{
    return over(backend::openOdbc(connectionString, timeoutSeconds));
}

std::unique_ptr<Connection> Connection::openPostgres(const PostgresLogon &logon)
{
    return over(backend::openPostgres(logon));
}

void Connection::setWaitObserver(WaitObserver observer)
{
    backend::waitObserver() = std::move(observer);
}

int Connection::timeoutSeconds() const
{
    return d->engine->timeoutSeconds();
}

const Dialect &Connection::dialect() const
{
    return d->engine->dialect();
}

QString Connection::dbmsName() const
{
    return d->engine->dbmsName();
}

QString Connection::databaseName() const
{
    return d->engine->databaseName();
}

bool Connection::abandonedWorkSettled()
{
    return d->engine->abandonedWorkSettled();
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

Statement Connection::translated(const QString &sql, const QVariantList &params) const
{
    try {
        return d->engine->translate(sql, params);
    } catch (const DbError &e) {
        qCWarning(lcSql).noquote() << "failed:" << withoutSecrets(sql) << "--" << e.description();
        throw;
    }
}

QVector<Outgoing> Connection::withWaiting(const QString &written, const Statement &statement,
                                          bool wanted)
{
    QVector<Outgoing> message;
    if (d->beginPending)
        message << Outgoing{QString(), d->traits.begin, {}, {}, false};
    d->beginPending = false;
    message += std::exchange(d->queue, {});
    if (d->inTransaction) {
        // A lock outlives only its transaction: outside one, the hint's locks are not taken.
        for (const QString &lock : statement.lockFirst)
            message << Outgoing{written, lock, {}, {}, false};
    }
    message << (wanted ? d->wanted(written, statement)
                       : Outgoing{written, statement.sql, statement.params, statement.spellings,
                                  false, statement.rowByRow});
    return message;
}

QVector<Recordset> Connection::transmit(const QVector<Outgoing> &message, int *recordsAffected)
{
    const bool alone =
        d->traits.batches == Traits::Batches::No ||
        (d->traits.batches == Traits::Batches::WithoutBoundValues && boundValues(message));
    if (message.size() > 1 && alone) {
        QVector<Recordset> results;
        for (const Outgoing &statement : message)
            results += transmit({statement}, recordsAffected);
        return results;
    }
    struct Waiting
    {
        bool &flag;
        explicit Waiting(bool &f) : flag(f) { flag = true; }
        ~Waiting() { flag = false; }
    };
    try {
        const Waiting waiting(d->waiting);
        return d->engine->send(message, d->inTransaction, recordsAffected);
    } catch (const DbError &e) {
        if (e.kind() != DbError::Kind::Failed)
            d->dropTransaction();
        throw;
    }
}

Recordset Connection::run(const QString &written, const Statement &statement, int *recordsAffected)
{
    d->forgetReadsAhead();
    return transmit(withWaiting(written, statement, true), recordsAffected).constLast();
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
        d->forgetReadsAhead();
    }
    return run(sql, translated(sql), recordsAffected);
}

void Connection::beginPrefetch(const QStringList &statements, const QStringList &standIns)
{
    ++d->prefetchDepth;
    if (!d->traits.readsAhead || d->inTransaction || d->waiting)
        return;
    QStringList missing;
    for (const QString &written : statements) {
        const QString sql = storableText(written); // as Execute will look it up
        if (!d->prefetched.contains(sql) && !missing.contains(sql))
            missing << sql;
    }
    // A stand-in's answer is only the answer to the statement it stands for when both read the
    // same data: they are asked only where the message's reads share one snapshot.
    const bool withStandIns = !standIns.isEmpty() && !d->traits.oneSnapshot.isEmpty();
    if (missing.isEmpty() && !withStandIns)
        return;
    try {
        QVector<Outgoing> message;
        if (withStandIns)
            message << Outgoing{QString(), d->traits.oneSnapshot, {}, {}, false};
        QStringList asked = missing;
        if (withStandIns) {
            for (const QString &written : standIns)
                asked << storableText(written);
        }
        for (const QString &sql : std::as_const(asked)) {
            const Statement statement = d->engine->translate(sql, {});
            message << d->wanted(sql, statement);
        }
        const QVector<Recordset> results = transmit(message, nullptr);
        for (qsizetype i = 0; i < missing.size() && i < results.size(); ++i)
            d->prefetched.insert(missing[i], results[i]);
        if (withStandIns && results.size() == asked.size())
            d->standIns = results.mid(missing.size());
    } catch (const DbError &e) {
        d->forgetReadsAhead();
        // A server that does not answer is not asked again statement by statement, and a
        // connection lost (and made again) is reported as the first read would have reported
        // it, not passed over by asking again.
        if (e.kind() != DbError::Kind::Failed) {
            --d->prefetchDepth;
            throw;
        }
        // Each statement runs again when the program makes it, and reports its own failure.
    }
}

void Connection::endPrefetch()
{
    if (--d->prefetchDepth == 0)
        d->forgetReadsAhead();
}

void Connection::standInFor(qsizetype index, const QString &written)
{
    if (index < 0 || index >= d->standIns.size())
        return;
    const QString sql = storableText(written);
    if (!d->prefetched.contains(sql))
        d->prefetched.insert(sql, d->standIns.at(index));
}

void Connection::Queue(const QString &written)
{
    const QString sql = storableText(written);
    refuseWhileWaiting(sql);
    qCDebug(lcSql).noquote() << withoutSecrets(sql);
    d->forgetReadsAhead();
    const Statement statement = translated(sql);
    if (!d->traits.queues || !d->inTransaction) {
        run(sql, statement, nullptr);
        return;
    }
    for (const QString &lock : statement.lockFirst)
        d->queue << Outgoing{sql, lock, {}, {}, false};
    d->queue << Outgoing{sql, statement.sql, statement.params, statement.spellings, false};
}

void Connection::Lock(const QString &written)
{
    if (!d->inTransaction) {
        Queue(written);
        return;
    }
    const QString sql = storableText(written);
    refuseWhileWaiting(sql);
    if (dialect().transactionsHoldTheWriteLock())
        return; // nothing is sent, so nothing is logged as sent
    const Statement statement = translated(sql);
    if (statement.lockFirst.isEmpty()) {
        Queue(sql); // the hints in the read take the locks
        return;
    }
    // The engine takes the locks by statements of their own: the read itself would only count
    // rows nobody asked for (a whole table's, 85 ms at 3 million lines).
    qCDebug(lcSql).noquote() << withoutSecrets(sql) << "-- its locks only";
    d->forgetReadsAhead();
    for (const QString &lock : statement.lockFirst) {
        const Outgoing outgoing{sql, lock, {}, {}, false};
        if (d->traits.queues)
            d->queue << outgoing;
        else
            transmit(withWaiting(sql, Statement{lock, {}, {}, {}}, false), nullptr);
    }
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
    d->forgetReadsAhead();
    QVector<Recordset> results;
    if (!d->traits.readsAhead) {
        for (qsizetype i = 0; i < statements.size(); ++i)
            results << run(statements[i], translatedStatements[i], nullptr);
        return results;
    }
    // What waits goes first, with the first statement.
    QVector<Outgoing> message;
    for (qsizetype i = 0; i < statements.size(); ++i)
        message += withWaiting(statements[i], translatedStatements[i], true);
    return transmit(message, nullptr);
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
    d->forgetReadsAhead();
    if (d->traits.begin.isEmpty())
        d->engine->beginTransaction();
    else if (d->traits.beginWithFirstMessage)
        d->beginPending = true;
    else
        transmit({Outgoing{QString(), d->traits.begin, {}, {}, false}}, nullptr);
    d->inTransaction = true;
}

void Connection::CommitTrans()
{
    refuseWhileWaiting(QStringLiteral("COMMIT"));
    if (!d->inTransaction)
        throw DbError(QStringLiteral("No transaction is open on this connection."));
    qCDebug(lcSql) << "COMMIT";
    if (d->traits.begin.isEmpty()) {
        if (!d->queue.isEmpty()) {
            // The waiting statements go first, as one message.
            transmit(std::exchange(d->queue, {}), nullptr);
        }
        d->engine->commitTransaction();
    } else if (d->beginPending && d->queue.isEmpty()) {
        d->beginPending = false; // nothing was sent: nothing to commit
    } else {
        transmit(withWaiting(QString(), Statement{QStringLiteral("COMMIT"), {}, {}, {}}, false),
                 nullptr);
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
    if (d->traits.begin.isEmpty()) {
        d->engine->rollbackTransaction();
    } else if (d->beginPending) {
        d->beginPending = false; // nothing was sent: nothing to undo
    } else {
        transmit({Outgoing{QString(), QStringLiteral("ROLLBACK"), {}, {}, false}}, nullptr);
    }
}

bool Connection::InTransaction() const
{
    return d->inTransaction;
}

void Connection::runScript(const QString &script)
{
    refuseWhileWaiting(script);
    d->forgetReadsAhead();
    for (const QString &statement : splitStatements(script))
        transmit(withWaiting(QString(), Statement{storableText(statement), {}, {}, {}}, false),
                 nullptr);
    refreshTextColumns();
}

void Connection::refreshTextColumns()
{
    TranslatingDialect *dialect = d->engine->translating();
    if (!dialect)
        return;
    const Statement catalog{dialect->textColumnsQuery(), {}, {}, {}};
    backend::takeTextColumns(*dialect,
                             transmit(withWaiting(QString(), catalog, true), nullptr).constLast());
}

RowWatch::RowWatch(Connection &connection, const QString &statement, RowWatcher watcher)
    : m_connection(connection), m_statement(storableText(statement))
{
    m_connection.d->rowWatchers.insert(m_statement,
                                       std::make_shared<const RowWatcher>(std::move(watcher)));
}

RowWatch::~RowWatch()
{
    m_connection.d->rowWatchers.remove(m_statement);
}

Prefetch::Prefetch(Connection &connection, const QStringList &statements,
                   const QStringList &standIns)
    : m_connection(connection)
{
    m_connection.beginPrefetch(statements, standIns);
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

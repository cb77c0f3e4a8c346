#include "support/recordingbackend.h"

#include "platform/db/dberror.h"
#include "platform/db/procedures.h"

namespace testsupport {

using db::backend::Outgoing;

std::unique_ptr<db::Connection> RecordingBackend::connection(Engine engine,
                                                             RecordingBackend **backend)
{
    auto recording = std::make_unique<RecordingBackend>(engine);
    *backend = recording.get();
    return db::Connection::over(std::move(recording));
}

RecordingBackend::RecordingBackend(Engine engine) : m_engine(engine)
{
    switch (engine) {
    case Engine::Sqlite:
        m_traits = db::backend::sqliteTraits();
        m_dialect = std::make_unique<db::SqliteDialect>(db::ProcedureCatalog::builtIn(), true);
        break;
    case Engine::PostgreSQL:
        m_traits = db::backend::postgresTraits();
        m_dialect = std::make_unique<db::PostgresDialect>(db::ProcedureCatalog::builtIn());
        break;
    case Engine::SqlServer:
        m_traits = db::backend::sqlServerTraits();
        m_dialect = std::make_unique<db::SqlServerDialect>();
        break;
    }
}

QString RecordingBackend::dbmsName() const
{
    switch (m_engine) {
    case Engine::Sqlite:
        return QStringLiteral("SQLite");
    case Engine::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case Engine::SqlServer:
        return QStringLiteral("Microsoft SQL Server");
    }
    return QString();
}

QVector<db::Recordset> RecordingBackend::send(const QVector<Outgoing> &message, bool,
                                              int *recordsAffected)
{
    if (onSend)
        onSend();
    if (failNext) {
        const db::DbError::Kind kind = *std::exchange(failNext, std::nullopt);
        throw db::DbError(QStringLiteral("the recorded engine failed"), message.last().named(),
                          kind);
    }
    QStringList texts;
    QVector<db::Recordset> results;
    for (const Outgoing &statement : message) {
        if (statement.written.isEmpty())
            texts << statement.sql;
        else if (statement.sql.startsWith(QLatin1String("LOCK TABLE")))
            texts << QStringLiteral("[lock] ") + statement.written;
        else
            texts << statement.written;
        if (statement.wanted)
            results << db::Recordset(QStringList{QStringLiteral("statement")},
                                     {{texts.constLast()}});
    }
    messages << texts;
    if (recordsAffected)
        *recordsAffected = 0;
    return results;
}

} // namespace testsupport

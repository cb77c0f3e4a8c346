// The embedded database file: statements run straight on its sqlite3 handle, each shape translated
// and each translation prepared once (sqlitestatements.h). The file is opened by QtSql's driver,
// which hands out the handle; GetDate() and PatIndex() are registered on it.

#include "platform/db/backend.h"
#include "platform/db/dberror.h"
#include "platform/db/procedures.h"
#include "platform/db/qtsqlconnection.h"
#include "platform/db/sqlitefunctions.h"
#include "platform/db/sqlitestatements.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace db::backend {

namespace {

class SqliteBackend final : public Backend
{
public:
    SqliteBackend(const QString &path, Connection::Create create, int busyTimeoutMs)
        : m_dialect(ProcedureCatalog::builtIn(), true), m_driver(QStringLiteral("QSQLITE"))
    {
        const QFileInfo info(path);
        if (!info.exists()) {
            if (create == Connection::Create::No)
                throw DbError(QStringLiteral("The database file %1 does not exist.").arg(path));
            if (!QDir().mkpath(info.absolutePath()))
                throw DbError(
                    QStringLiteral("The folder %1 cannot be created.").arg(info.absolutePath()));
        } else if (!info.isFile() || !info.isReadable()) {
            throw DbError(QStringLiteral("The database file %1 cannot be read.").arg(path));
        }
        QSqlDatabase &db = m_driver.db();
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        if (!db.open())
            throw DbError(QStringLiteral("The database file %1 cannot be opened: %2")
                              .arg(path, errorText(db.lastError())));
        auto *handle = static_cast<sqlite3 *>(m_driver.handle({"sqlite3*"}));
        const QString failed = registerSqliteFunctions(handle);
        if (!failed.isEmpty())
            throw DbError(
                QStringLiteral("The database file %1 cannot be prepared: %2").arg(path, failed));
        m_databaseName = info.absoluteFilePath();
        m_statements = std::make_unique<SqliteStatements>(handle, m_dialect);
        try {
            // The first read proves the file is a database and not locked beyond the timeout.
            useWriteAheadLog(*this);
            runOwn(*this, QStringLiteral("PRAGMA synchronous=NORMAL"));
            refreshTextColumns(*this);
        } catch (const DbError &e) {
            throw DbError(QStringLiteral("The database file %1 cannot be used: %2")
                              .arg(path, e.description()));
        }
    }

    ~SqliteBackend() override
    {
        m_statements.reset(); // every statement finalized before the handle closes
        if (m_driver.db().isOpen()) {
            // Keeps the planner's statistics fresh as the tables grow; harmless when not needed.
            QSqlQuery optimize(m_driver.db());
            optimize.exec(QStringLiteral("PRAGMA optimize"));
        }
    }

    Traits traits() const override { return sqliteTraits(); }

    const Dialect &dialect() const override { return m_dialect; }
    TranslatingDialect *translating() override { return &m_dialect; }
    QString dbmsName() const override { return QStringLiteral("SQLite"); }
    QString databaseName() const override { return m_databaseName; }

    Statement translate(const QString &tsql, const QVariantList &params) override
    {
        return m_statements->translate(tsql, params);
    }

    QVector<Recordset> send(const QVector<Outgoing> &message, bool, int *recordsAffected) override
    {
        QVector<Recordset> results;
        for (const Outgoing &statement : message) {
            Recordset rs = m_statements->run(statement.written, statement.sql, statement.params,
                                             recordsAffected, &statement.spellings);
            if (statement.wanted)
                results << std::move(rs);
        }
        return results;
    }

private:
    SqliteDialect m_dialect;
    QtSqlConnection m_driver;
    std::unique_ptr<SqliteStatements> m_statements;
    QString m_databaseName;
};

} // namespace

Traits sqliteTraits()
{
    Traits traits;
    // The write lock is held from the start, so two writers queue instead of failing half-way.
    traits.begin = QStringLiteral("BEGIN IMMEDIATE");
    return traits;
}

std::unique_ptr<Backend> openSqliteFile(const QString &path, Connection::Create create,
                                        int busyTimeoutMs)
{
    return std::make_unique<SqliteBackend>(path, create, busyTimeoutMs);
}

} // namespace db::backend

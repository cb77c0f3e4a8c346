// A server through ODBC, by QtSql's driver: SQL Server (FreeTDS), or an SQLite file over its own
// ODBC driver. SQL Server takes the waiting statements of a transaction and the next one as one
// batch; a statement with values to bind goes on its own.

#include "platform/db/backend.h"
#include "platform/db/dberror.h"
#include "platform/db/procedures.h"
#include "platform/db/qtsqlconnection.h"
#include "platform/db/sqllog.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

#include <sql.h>
#include <sqlext.h>

namespace db::backend {

namespace {

class OdbcBackend final : public Backend
{
public:
    OdbcBackend(const QString &connectionString, int timeoutSeconds)
        : m_driver(QStringLiteral("QODBC")), m_timeoutSeconds(std::max(timeoutSeconds, 1))
    {
        QSqlDatabase &db = m_driver.db();
        db.setDatabaseName(connectionString);
        // A wrong server or password is answered within the bound, never by a hang; so is a
        // request on a connection whose server stopped answering, as far as the driver honours
        // it.
        db.setConnectOptions(
            QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1")
                .arg(m_timeoutSeconds));
        if (!db.open())
            throw DbError(QStringLiteral("Cannot connect to the database server: ") +
                          errorText(db.lastError()));
        m_dbmsName = odbcDbmsName();
        static const QRegularExpression databaseKey(
            QStringLiteral("(?:^|;)\\s*Database\\s*=\\s*([^;]*)"),
            QRegularExpression::CaseInsensitiveOption);
        m_databaseName = databaseKey.match(connectionString).captured(1).trimmed();
        if (m_databaseName.startsWith(QLatin1Char('{')) &&
            m_databaseName.endsWith(QLatin1Char('}')))
            m_databaseName = m_databaseName.mid(1, m_databaseName.size() - 2)
                                 .replace(QLatin1String("}}"), QLatin1String("}"));

        if (m_dbmsName.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)) {
            auto dialect = std::make_unique<SqlServerDialect>();
            SqlServerDialect &sqlServer = *dialect;
            m_dialect = std::move(dialect);
            // The program writes its dates month first ('12/08/2026 01:13:29 AM'): read them so
            // whatever the login's language would make of them.
            runOwn(*this, QStringLiteral("SET DATEFORMAT mdy"));
            const Recordset numbered = runOwn(
                *this,
                QStringLiteral(
                    "SELECT COL_LENGTH('INVENTORY.dbo.tbInvWithdrawRequest', 'DocumentNo')"));
            if (!numbered.Eof() && numbered.Fields(0).IsNull())
                sqlServer.setHasNumberedColumn(false);
        } else if (m_dbmsName.contains(QLatin1String("SQLite"), Qt::CaseInsensitive)) {
            auto dialect = std::make_unique<SqliteDialect>(ProcedureCatalog::builtIn(), false);
            m_sqlite = dialect.get();
            m_dialect = std::move(dialect);
            useWriteAheadLog(*this);
            refreshTextColumns(*this);
        } else {
            throw DbError(QStringLiteral("The database server \"%1\" is not supported.")
                              .arg(m_dbmsName.isEmpty() ? QStringLiteral("unknown") : m_dbmsName));
        }
    }

    Traits traits() const override { return m_sqlite ? sqliteTraits() : sqlServerTraits(); }

    const Dialect &dialect() const override { return *m_dialect; }
    TranslatingDialect *translating() override { return m_sqlite; }
    QString dbmsName() const override { return m_dbmsName; }
    QString databaseName() const override { return m_databaseName; }
    int timeoutSeconds() const override { return m_timeoutSeconds; }

    QVector<Recordset> send(const QVector<Outgoing> &message, bool, int *recordsAffected) override
    {
        if (message.size() == 1) {
            Recordset rs = runOne(message.first(), recordsAffected);
            return message.first().wanted ? QVector<Recordset>{std::move(rs)}
                                          : QVector<Recordset>();
        }
        return runBatch(message, recordsAffected);
    }

    void beginTransaction() override
    {
        if (!m_driver.db().transaction())
            throw DbError(QStringLiteral("Cannot begin a transaction: ") +
                          errorText(m_driver.db().lastError()));
    }

    void commitTransaction() override
    {
        if (!m_driver.db().commit())
            throw DbError(QStringLiteral("Cannot commit the transaction: ") +
                          errorText(m_driver.db().lastError()));
    }

    void rollbackTransaction() override
    {
        if (!m_driver.db().rollback())
            throw DbError(QStringLiteral("Cannot roll the transaction back: ") +
                          errorText(m_driver.db().lastError()));
    }

private:
    QString odbcDbmsName()
    {
        // The ODBC driver hands out its connection handle as SQLHANDLE, which is a void pointer.
        SQLHANDLE hdbc = m_driver.handle({"SQLHANDLE", "void*"});
        if (!hdbc)
            return QString();
        SQLCHAR name[256] = {};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof name, &length)))
            return QString();
        return QString::fromUtf8(reinterpret_cast<const char *>(name), length);
    }

    [[noreturn]] static void fail(const Outgoing &statement, const QSqlError &error)
    {
        const QString message = errorText(error);
        qCWarning(lcSql).noquote()
            << "failed:" << withoutSecrets(statement.named()) << "--" << message;
        throw DbError(message, statement.named());
    }

    Recordset runOne(const Outgoing &statement, int *recordsAffected)
    {
        QSqlQuery q(m_driver.db());
        q.setForwardOnly(true);
        bool ok;
        if (statement.params.isEmpty()) {
            ok = q.exec(statement.sql);
        } else {
            ok = q.prepare(statement.sql);
            if (ok) {
                for (const QVariant &v : statement.params)
                    q.addBindValue(v);
                ok = q.exec();
            }
        }
        if (!ok)
            fail(statement, q.lastError());
        if (recordsAffected)
            *recordsAffected = q.numRowsAffected();
        if (!q.isSelect())
            return Recordset();
        Recordset rs = rowsOf(q, &statement.spellings);
        if (q.lastError().isValid())
            fail(statement, q.lastError());
        return rs;
    }

    // The statements as one batch: SET XACT_ABORT ON makes an error end and roll back the
    // transaction, and every result is read in turn, so an error in any statement is seen, with
    // the statement it belongs to. Only the last statement's result is ever wanted.
    QVector<Recordset> runBatch(const QVector<Outgoing> &message, int *recordsAffected)
    {
        QStringList texts{QStringLiteral("SET XACT_ABORT ON")};
        for (const Outgoing &statement : message)
            texts << statement.sql;
        QSqlQuery q(m_driver.db());
        q.setForwardOnly(true);
        Recordset last;
        qsizetype index = 0;
        bool ok = q.exec(joined(texts));
        while (ok) {
            last = q.isSelect() ? rowsOf(q, &message.constLast().spellings) : Recordset();
            if (recordsAffected)
                *recordsAffected = q.numRowsAffected();
            if (q.lastError().isValid() || !q.nextResult())
                break;
            ++index;
        }
        if (q.lastError().isValid())
            fail(message[std::min(index, message.size() - 1)], q.lastError());
        if (!message.constLast().wanted)
            return {};
        return {last};
    }

    QtSqlConnection m_driver;
    int m_timeoutSeconds;
    std::unique_ptr<Dialect> m_dialect;
    SqliteDialect *m_sqlite = nullptr;
    QString m_dbmsName;
    QString m_databaseName;
};

} // namespace

Traits sqlServerTraits()
{
    Traits traits;
    traits.batches = Traits::Batches::WithoutBoundValues;
    traits.queues = true;
    return traits; // the driver begins and ends transactions
}

std::unique_ptr<Backend> openOdbc(const QString &connectionString, int timeoutSeconds)
{
    return std::make_unique<OdbcBackend>(connectionString, timeoutSeconds);
}

} // namespace db::backend

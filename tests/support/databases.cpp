#include "support/databases.h"

#include "platform/db/dberror.h"
#include "platform/db/sqlquote.h"
#include "support/serverdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>

#include <algorithm>

#include <sqlite3.h>

namespace testsupport {

namespace {

Engine g_engine = Engine::Sqlite;

// The databases this program made on the test server, dropped when it ends.
QStringList &serverDatabases()
{
    static QStringList names;
    return names;
}

void dropServerDatabases()
{
    const auto logon = testServerLogon(QStringLiteral("postgres"));
    if (!logon || serverDatabases().isEmpty())
        return;
    try {
        auto server = db::Connection::openPostgres(*logon);
        for (const QString &name : serverDatabases())
            server->runScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    } catch (const db::DbError &e) {
        qWarning("The test databases could not be dropped: %s", qPrintable(e.description()));
    }
    serverDatabases().clear();
}

// Lines of a SQL Server script up to each "GO", one batch each.
QStringList batchesOf(const QString &script)
{
    QStringList batches;
    QString batch;
    for (const QString &line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0) {
            if (!batch.trimmed().isEmpty())
                batches << batch;
            batch.clear();
        } else {
            batch += line + QLatin1Char('\n');
        }
    }
    if (!batch.trimmed().isEmpty())
        batches << batch;
    return batches;
}

// SQL Server's statements name their databases (INVENTORY.., Password..), so a fixture cannot
// have a database of its own there: the two databases are dropped and made again with
// sql/mssql/ for each one.
std::unique_ptr<db::Connection> newSqlServerDatabase(db::Contents contents)
{
    const QString connectionString = testSqlServerString();
    if (connectionString.isEmpty())
        throw db::DbError(QStringLiteral("No SQL Server test server is configured."));
    QStringList scripts{QStringLiteral("01_create_databases.sql"), QStringLiteral("02_schema.sql")};
    if (contents == db::Contents::DemoData)
        scripts << QStringLiteral("03_demo_data.sql");
    scripts << QStringLiteral("04_procedures.sql");
    {
        auto server = db::Connection::openOdbc(connectionString);
        for (const char *name : {"INVENTORY", "Password"})
            server->runScript(QStringLiteral("IF DB_ID(N'%1') IS NOT NULL BEGIN ALTER DATABASE "
                                             "[%1] SET SINGLE_USER WITH ROLLBACK IMMEDIATE; DROP "
                                             "DATABASE [%1]; END")
                                  .arg(QLatin1String(name)));
        for (const QString &name : scripts) {
            QFile file(QStringLiteral(INVENTORY_SQL_DIR "/mssql/") + name);
            if (!file.open(QIODevice::ReadOnly))
                throw db::DbError(QStringLiteral("%1 cannot be read.").arg(file.fileName()));
            for (const QString &batch : batchesOf(QString::fromUtf8(file.readAll())))
                server->runScript(batch);
        }
    }
    return db::Connection::openOdbc(connectionString);
}

std::unique_ptr<db::Connection> newServerDatabase(db::Contents contents)
{
    const auto logon = testServerLogon(QStringLiteral("postgres"));
    if (!logon)
        throw db::DbError(QStringLiteral("No PostgreSQL test server is configured."));
    static int made = 0;
    const QString name =
        QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    {
        auto server = db::Connection::openPostgres(*logon);
        server->runScript(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2")
                              .arg(name, contents == db::Contents::DemoData
                                             ? QStringLiteral("inventory_demo")
                                             : QStringLiteral("inventory_schema")));
    }
    if (serverDatabases().isEmpty())
        qAddPostRoutine(dropServerDatabases);
    serverDatabases() << name;
    auto connection = testServerLogon(name);
    return db::Connection::openPostgres(*connection);
}

} // namespace

void addEngineRows()
{
    QTest::addColumn<Engine>("engine");
    for (const Engine engine :
         {Engine::Sqlite, Engine::SqliteOdbc, Engine::PostgreSQL, Engine::SqlServer}) {
        if (engine == Engine::SqliteOdbc && !hasSqliteOdbcDriver())
            continue;
        if (engine == Engine::SqlServer && testSqlServerString().isEmpty())
            continue;
        QTest::newRow(qPrintable(engineName(engine))) << engine;
    }
}

QString engineName(Engine engine)
{
    switch (engine) {
    case Engine::Sqlite:
        return QStringLiteral("sqlite");
    case Engine::SqliteOdbc:
        return QStringLiteral("sqlite-odbc");
    case Engine::PostgreSQL:
        return QStringLiteral("postgresql");
    case Engine::SqlServer:
        return QStringLiteral("sqlserver");
    }
    return QString();
}

bool hasSqliteOdbcDriver()
{
    static const bool present = [] {
        // unixODBC's list of drivers: the system's (or ODBCSYSINI's) and the user's own.
        const QString system = qEnvironmentVariableIsSet("ODBCSYSINI")
                                   ? qEnvironmentVariable("ODBCSYSINI")
                                   : QStringLiteral("/etc");
        for (const QString &path : {system + QStringLiteral("/odbcinst.ini"),
                                    QDir::homePath() + QStringLiteral("/.odbcinst.ini")}) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                for (const QByteArray &line : file.readAll().split('\n')) {
                    if (line.trimmed() == "[SQLite3]")
                        return true;
                }
            }
        }
        return false;
    }();
    return present;
}

Engine currentEngine()
{
    return g_engine;
}

bool useEngine(Engine engine, QString *why)
{
    g_engine = engine;
    QString missing;
    if (engine == Engine::PostgreSQL && !testServerLogon(QString()))
        missing = QStringLiteral("No PostgreSQL test server: INVENTORY_TEST_POSTGRES is not set "
                                 "(test.sh starts one and sets it).");
    else if (engine == Engine::SqliteOdbc && !hasSqliteOdbcDriver())
        missing = QStringLiteral("The SQLite ODBC driver (SQLite3) is not installed.");
    else if (engine == Engine::SqlServer && testSqlServerString().isEmpty())
        missing = QStringLiteral("No SQL Server: INVENTORY_TEST_SQLSERVER holds no connection "
                                 "string.");
    if (missing.isEmpty())
        return true;
    if (why)
        *why = missing;
    g_engine = Engine::Sqlite;
    return false;
}

bool onEmbeddedFile()
{
    return g_engine == Engine::Sqlite || g_engine == Engine::SqliteOdbc;
}

bool serverRequired()
{
    return qEnvironmentVariableIntValue("INVENTORY_TEST_REQUIRE_SERVER") == 1;
}

QString targetOf(const db::Connection &connection)
{
    if (connection.dbmsName() == QLatin1String("PostgreSQL"))
        return QStringLiteral("postgresql:") + connection.databaseName();
    if (g_engine == Engine::SqlServer)
        return QStringLiteral("odbc:") + testSqlServerString();
    // A worker waits as long for the file as the test programs' own workers do.
    if (g_engine == Engine::SqliteOdbc)
        return QStringLiteral("odbc:") + sqliteOdbcString(connection.databaseName(), 60000);
    return connection.databaseName();
}

std::unique_ptr<db::Connection> newDatabase(const QTemporaryDir &dir, db::Contents contents,
                                            const QString &fileName)
{
    switch (g_engine) {
    case Engine::PostgreSQL:
        return newServerDatabase(contents);
    case Engine::SqlServer:
        return newSqlServerDatabase(contents);
    case Engine::SqliteOdbc: {
        const QString path = dir.filePath(fileName);
        db::createEmbeddedDatabase(path, contents);
        return db::Connection::openOdbc(sqliteOdbcString(path));
    }
    case Engine::Sqlite:
        break;
    }
    return db::createEmbeddedDatabase(dir.filePath(fileName), contents);
}

std::unique_ptr<db::Connection> Databases::create(const QString &script)
{
    auto connection =
        newDatabase(m_dir, db::Contents::SchemaOnly, QStringLiteral("db%1.db").arg(++m_files));
    connection->runScript(script);
    return connection;
}

QString nowOr(const QString &column)
{
    if (g_engine == Engine::PostgreSQL)
        return QStringLiteral("Case When %1 Is Null Then '<null>' When abs(extract(epoch from %1 - "
                              "localtimestamp)) < 172 Then 'now' Else to_char(%1, "
                              "'YYYY-MM-DD HH24:MI:SS') End")
            .arg(column);
    if (g_engine == Engine::SqlServer)
        return QStringLiteral("Case When %1 Is Null Then '<null>' When abs(DateDiff(second, %1, "
                              "GetDate())) < 172 Then 'now' Else Convert(varchar(19), %1, 120) End")
            .arg(column);
    return QStringLiteral("Case When %1 Is Null Then '<null>' When abs(julianday(%1) - "
                          "julianday('now', 'localtime')) < 0.002 Then 'now' Else %1 End")
        .arg(column);
}

bool refuseInserts(db::Connection &connection, const QString &table, const QString &column,
                   const QString &value, const QString &why)
{
    if (currentEngine() == Engine::PostgreSQL) {
        connection.runScript(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT \"%4\" CHECK (%2 <> "
                                            "'%3') NOT VALID")
                                 .arg(table, column, value, why));
        return true;
    }
    sqlite3 *handle = nullptr;
    if (sqlite3_open(qPrintable(connection.databaseName()), &handle) != SQLITE_OK) {
        sqlite3_close(handle);
        return false;
    }
    const QString trigger = QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN NEW.%2 "
                                           "= '%3' BEGIN SELECT RAISE(ABORT, '%4'); END;")
                                .arg(table, column, value, why);
    const int rc = sqlite3_exec(handle, qPrintable(trigger), nullptr, nullptr, nullptr);
    sqlite3_close(handle);
    return rc == SQLITE_OK;
}

QStringList rows(db::Connection &connection, const QString &sql)
{
    QStringList out;
    db::Recordset rs = connection.OpenRecordset(sql);
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const db::Field f = rs.Fields(i);
            cells << (f.IsNull() ? QStringLiteral("<null>") : f.toText());
        }
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList byCode(QStringList rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const QString &a, const QString &b) {
        const QString codeA = a.section(QLatin1Char('|'), 0, 0);
        const QString codeB = b.section(QLatin1Char('|'), 0, 0);
        return codeA.size() != codeB.size() ? codeA.size() < codeB.size() : codeA < codeB;
    });
    return rows;
}

void prepareEnvironment()
{
    // The user's own folders are never touched: settings, the embedded database's default place
    // and the request journal live in a folder of this test process (its workers inherit it).
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    // Nor the desktop's keyring: every test sees the machine without one, as CI does.
    qputenv("INVENTORY_NO_KEYRING", "1");
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_SCALE_FACTOR", "1");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

} // namespace testsupport

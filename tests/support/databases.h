#pragma once

// What the database tests need and nothing more: they link the database layer only, and no
// widget. The engines a table of cases runs on, fresh databases on each, and reading rows back.

#include "platform/db/connection.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"

#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace testsupport {

// The engines the data tests run on, as Qt's own SQL tests do: the same tables of cases on each.
//   sqlite       the embedded file through QtSql's SQLite driver, always;
//   sqlite-odbc  the same file through the SQLite ODBC driver, when the machine has that driver;
//   postgresql   the test server test.sh starts (serverdatabase.h), always listed: by hand,
//                without a server, its rows skip and say why; under test.sh
//                (INVENTORY_TEST_REQUIRE_SERVER=1) they fail instead;
//   sqlserver    a SQL Server through ODBC, only when INVENTORY_TEST_SQLSERVER holds a connection
//                string to one (its fixtures are made with sql/mssql/).
enum class Engine { Sqlite, SqliteOdbc, PostgreSQL, SqlServer };

// For initTestCase_data(): the global column "engine" and one row per engine this machine has.
void addEngineRows();
// The row name of engine ("sqlite", "sqlite-odbc", "postgresql", "sqlserver").
QString engineName(Engine engine);
// The engine the fixtures of the running test are made on (SQLite unless useEngine() said).
Engine currentEngine();
// Makes the running test's fixtures on engine; false, with the reason, when it cannot run here.
bool useEngine(Engine engine, QString *why);
bool serverRequired();
// Whether the current engine is the embedded file, over either of its transports.
bool onEmbeddedFile();
// Whether the SQLite ODBC driver ("DRIVER=SQLite3") is installed.
bool hasSqliteOdbcDriver();

// A fresh database with the program's schema (and the demo data when asked), on the current
// engine: a file in dir for SQLite (opened through the ODBC driver on sqlite-odbc), a database of
// its own on the test server for PostgreSQL (dropped when the test program ends), the INVENTORY
// and Password databases made again for SQL Server.
std::unique_ptr<db::Connection> newDatabase(const QTemporaryDir &dir,
                                            db::Contents contents = db::Contents::SchemaOnly,
                                            const QString &fileName = QStringLiteral("test.db"));

// Fresh databases one after another, in a temporary folder of their own: each with the schema
// and a script run on it.
class Databases
{
public:
    std::unique_ptr<db::Connection> create(const QString &script);

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

// An expression for a query on the current engine: "now" when the date column holds the server's
// time of the statement (within three minutes), <null> when Null, else the date as text.
QString nowOr(const QString &column);

// Rows of a query as text, one "a|b|c" string per row, NULL shown as <null>.
QStringList rows(db::Connection &connection, const QString &sql);

// Makes every insert into the table whose column holds the value fail in the database itself,
// with a message holding why: a trigger on the embedded file, a check constraint named so on a
// server. False when it could not be made.
bool refuseInserts(db::Connection &connection, const QString &table, const QString &column,
                   const QString &value, const QString &why);

// Rows of rows() in the order of their first cell read as a code number: shorter codes first.
// For tables whose codes are text, sorted here because a server refuses to read a code such as
// "W1" as a number in an Order By.
QStringList byCode(QStringList rows);

// The AppError the call raised; none when it went through.
template <typename F> std::optional<AppError> raised(F &&f)
{
    try {
        f();
    } catch (const AppError &error) {
        return error;
    }
    return std::nullopt;
}

// What a worker process opens to reach the same database (serverdatabase.h: openTarget).
QString targetOf(const db::Connection &connection);

// What every test process starts with: the user's own folders, the desktop's keyring and the
// machine's locale are never what a test sees.
void prepareEnvironment();

} // namespace testsupport

Q_DECLARE_METATYPE(testsupport::Engine)

// In init() of a test with addEngineRows(): the fixtures on the row's engine, or the test skipped
// (failed under test.sh) when that engine's server is not there.
#define INVENTORY_USE_ENGINE_OF_ROW()                                                              \
    do {                                                                                           \
        QFETCH_GLOBAL(testsupport::Engine, engine);                                                \
        QString whyNot;                                                                            \
        if (!testsupport::useEngine(engine, &whyNot)) {                                            \
            if (testsupport::serverRequired())                                                     \
                QFAIL(qPrintable(whyNot));                                                         \
            QSKIP(qPrintable(whyNot));                                                             \
        }                                                                                          \
    } while (false)

// main() of a database test: no widgets, no window.
#define INVENTORY_DB_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        testsupport::prepareEnvironment();                                                         \
        QCoreApplication app(argc, argv);                                                          \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

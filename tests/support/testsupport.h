#pragma once

#include "platform/db/connection.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"
#include "startup/startup.h"
#include "support/messages.h"
#include "support/modal.h"
#include "support/sqllog.h"

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

class clsCurrentUser;
class frmMain;

class clsItemMaster;

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

// A staff row for a fixture script: the employee with first name "A", department "4", the
// rights to verify, and the password in its stored form.
QString staffRow(const QString &id, const QString &lastName, const QString &password);

// Rows of a query as text, one "a|b|c" string per row, NULL shown as <null>.
QStringList rows(db::Connection &connection, const QString &sql);

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

// Fails the test unless error is the program's raised error 9999 ("An unknown error has
// occurred!") from source.
void checkRaised(const std::optional<AppError> &error, const QString &source);

// Fails the test when a modal watch is still waiting or one of them failed.
void checkModalWatchesDone();

// Gives an item master the four linked records Update needs, by their codes.
void setLinkedRecords(clsItemMaster &item, const QString &supplierId, const QString &manufacturerId,
                      const QString &itemClassCode, qint16 unitOfMeasureCode);

// A signed-in session on a fresh database of its own, as start-up leaves it: the fixture script
// run, the employee signed in as the current user, DefaultLocationID "19" and InventoryTypeAccess
// "A". The session values (and any main window) are reset when it goes.
class Session
{
public:
    explicit Session(const QString &fixture, const QString &employee = QStringLiteral("E01"),
                     db::Contents contents = db::Contents::SchemaOnly);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    clsCurrentUser &user() { return *m_user; }
    db::Connection &connection();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<clsCurrentUser> m_user;
};

// The request window on the current session, shown and active (its load runs as at start-up, so
// set the session values it reads first). isActive() tells whether it could be activated.
std::unique_ptr<frmMain> openWindow();
bool isActive(const frmMain &window);
// The window's grid given these lines, each "code|quantity|unit cost|retail|ADS", then the empty
// new-line row.
void setGridLines(frmMain &window, const QStringList &lines);
// The listed request double-clicked, as the user opens it; a test failure when it is not listed
// or does not open.
void openListed(frmMain &window, const QString &number);
// The listed request highlighted, as a click on its row leaves it; a test failure when it is not
// listed.
void selectListed(frmMain &window, const QString &number);

// Closes a modal dialog nobody answers within 15 s, with a warning naming it, so a test that opens
// a dialog it did not expect fails instead of hanging.
void installModalWatchdog();

// The same fixed locale and screen resolution in every test: numbers and twips come out the same
// on every machine.
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

namespace testsupport {
// What a worker process opens to reach the same database (serverdatabase.h: openTarget).
QString targetOf(const db::Connection &connection);
} // namespace testsupport

#define INVENTORY_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        testsupport::prepareEnvironment();                                                         \
        QApplication app(argc, argv);                                                              \
        modInventory::installLookups();                                                            \
        testsupport::installModalWatchdog();                                                       \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#include "support/testsupport.h"

#include "app/modEncryption.h"
#include "platform/db/sqlquote.h"

#include "support/serverdatabase.h"

#include "app/modInventory.h"
#include "objects/clsItemClass.h"
#include "objects/clsItemMaster.h"
#include "objects/clsSupplier.h"
#include "objects/clsUnitOfMeasure.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "request/frmMain.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>

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

QString staffRow(const QString &id, const QString &lastName, const QString &password)
{
    return QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, Password, "
                          "DepartmentID, Right_Code1, Right_Code2) VALUES ('%1', '%2', 'A', %3, "
                          "'4', 'A', 'S');\n")
        .arg(id, lastName,
             db::quoted(modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey,
                                                   password)));
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

void checkRaised(const std::optional<AppError> &error, const QString &source)
{
    QVERIFY(error);
    QCOMPARE(error->number(), long(modInventory::vbObjectError + 9999));
    QCOMPARE(error->source(), source);
    QCOMPARE(error->description(), QStringLiteral("An unknown error has occurred!"));
}

void checkModalWatchesDone()
{
    QCOMPARE(ui::test::pendingModalWatches(), 0);
    QCOMPARE(ui::test::takeModalFailures(), QStringList());
}

Session::Session(const QString &fixture, const QString &employee, db::Contents contents)
{
    auto connection = newDatabase(m_dir, contents);
    if (!fixture.isEmpty())
        connection->runScript(fixture);
    m_user = std::make_unique<clsCurrentUser>();
    m_user->attach(std::move(connection), employee);
    modInventory::objCurrentUser = m_user.get();
    modInventory::DefaultLocationID = QStringLiteral("19");
    modInventory::InventoryTypeAccess = QStringLiteral("A");
}

Session::~Session()
{
    modInventory::ResetSession();
}

db::Connection &Session::connection()
{
    return *m_user->sqlconnection();
}

std::unique_ptr<frmMain> openWindow()
{
    auto window = std::make_unique<frmMain>();
    window->show();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("The request window did not become active.");
    return window;
}

bool isActive(const frmMain &window)
{
    return QApplication::activeWindow() == &window;
}

void setGridLines(frmMain &window, const QStringList &lines)
{
    ui::FlexGrid &grid = *window.grdDetails;
    grid.setRows(int(lines.size()) + 2);
    for (int r = 1; r < grid.Rows(); ++r) {
        const QStringList cells =
            r <= lines.size() ? lines.at(r - 1).split(QLatin1Char('|')) : QStringList(5);
        const int columns[] = {0, 2, 3, 5, 6};
        for (int c = 0; c < 7; ++c)
            grid.setTextMatrix(r, c, QString());
        for (int i = 0; i < 5; ++i)
            grid.setTextMatrix(r, columns[i], cells.value(i));
    }
}

void openListed(frmMain &window, const QString &number)
{
    ui::FlexGrid &list = *window.grdListing;
    for (int r = 1; r < list.Rows(); ++r) {
        if (list.TextMatrix(r, 0) == number) {
            list.setRow(r);
            emit list.DblClick();
            QCOMPARE(window.txtDocNum->text(), number);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("request %1 is not listed").arg(number)));
}

void selectListed(frmMain &window, const QString &number)
{
    ui::FlexGrid &list = *window.grdListing;
    for (int r = 1; r < list.Rows(); ++r) {
        if (list.TextMatrix(r, 0) == number) {
            list.setRow(r);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("request %1 is not listed").arg(number)));
}

void installModalWatchdog()
{
    auto *timer = new QTimer(qApp);
    auto *since = new QElapsedTimer;
    auto *watched = new QPointer<QWidget>;
    QObject::connect(timer, &QTimer::timeout, qApp, [since, watched] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != watched->data()) {
            *watched = modal;
            since->start();
            return;
        }
        if (modal && since->elapsed() > 15000) {
            qWarning("A %s was left open with nobody to answer it; closing it.",
                     modal->metaObject()->className());
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        }
    });
    timer->start(500);
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

void setLinkedRecords(clsItemMaster &item, const QString &supplierId, const QString &manufacturerId,
                      const QString &itemClassCode, qint16 unitOfMeasureCode)
{
    auto supplier = std::make_shared<clsSupplier>();
    supplier->setSupplierID(supplierId);
    item.setSupplier(supplier);
    auto manufacturer = std::make_shared<clsSupplier>();
    manufacturer->setSupplierID(manufacturerId);
    item.setManufacturer(manufacturer);
    auto itemClass = std::make_shared<clsItemClass>();
    itemClass->setCode(itemClassCode);
    item.setItemClass(itemClass);
    auto unit = std::make_shared<clsUnitOfMeasure>();
    unit->setCode(unitOfMeasureCode);
    item.setUnitOfMeasure(unit);
}

} // namespace testsupport

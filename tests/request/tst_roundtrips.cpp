// Round trips to a database server: the program talks to the test PostgreSQL server through a
// proxy that counts the client's turns, and each action is held to its number of turns whatever
// the size of the request (a save: the lock and its reads, then the writes with the commit; a
// listing, an opening, a search keystroke, an item's look-up: one). Values read and written
// through libpq directly are the ones the Qt driver reads and writes. No SQLite row: the embedded
// engine has no round trips.
#include "support/testsupport.h"

#include "support/serverdatabase.h"

#include "app/modEncryption.h"
#include "app/modInventory.h"
#include "dialogs/frmDeletePassword.h"
#include "dialogs/frmItemLookup.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "support/sqllog.h"
#include "support/tcpproxy.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>

#include <cmath>

using namespace modInventory;

namespace {

// E01 (signed in) belongs to CENTRAL SUPPLY (19) and WARD 3 (27); E02 authorises verifications
// with the password NURSE. Request 7 is pending with two lines; 50 is pending with 10,000.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, Packing, AverageCost,
                        UnitOfMeasureID, Barcode)
VALUES ('1001', 'GAUZE 4X4', 'STERILE', 12.5, 10, 11.25, 1, '4800001'),
       ('1002', 'SYRINGE 5CC', 'DISPOSABLE', 4, 100, 3.5, 1, NULL),
       ('1003', 'PARACETAMOL 500MG', 'TABLET', 0.5, 100, 0.45, 1, NULL);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock)
VALUES ('1001', '19', 40, 0, 0, 0), ('1002', '19', 100, 0, 0, 0), ('1003', '19', 500, 0, 0, 0),
       ('1001', '27', 1, 0, 0, 0), ('1002', '27', 1, 0, 0, 0), ('1003', '27', 1, 0, 0, 0);
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks) VALUES
    ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK'),
    ('7', '1002', 10, 3.5, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    SELECT '50', '100' || (1 + i % 3), i, 0.5, 'N', 0, '19', '27', '2026-11-03 09:00:00', 'E01',
           'YEAR END' FROM generate_series(1, 10000) AS i;
)";

QString fixture()
{
    const auto staff = [](const char *id, const char *last, const char *password) {
        return QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, "
                              "Password, DepartmentID, Right_Code1, Right_Code2) VALUES "
                              "('%1', '%2', 'A', %3, '4', 'A', 'S');\n")
            .arg(QLatin1String(id), QLatin1String(last),
                 db::quoted(modEncryption::EncryptText(
                     QStringLiteral("E"), modEncryption::PasswordKey, QLatin1String(password))));
    };
    return QString::fromLatin1(Fixture) + staff("E01", "REYES", "CLERK") +
           staff("E02", "SANTOS", "NURSE");
}

// n grid lines "code|quantity|unit cost|retail|ADS", the items taken in turn.
QStringList manyLines(int n, int refusedAt = -1)
{
    QStringList lines;
    for (int i = 1; i <= n; ++i) {
        const QString item = i == refusedAt
                                 ? QStringLiteral("1002")
                                 : (i % 2 ? QStringLiteral("1001") : QStringLiteral("1003"));
        lines << QStringLiteral("%1|%2|0.5|N|N").arg(item).arg(i);
    }
    return lines;
}

// The round trips of every transaction an action runs, from its BEGIN to the first statement after
// its end (or to the end of the action), read from the SQL log as the statements are logged.
class TransactionTrips
{
public:
    explicit TransactionTrips(const testsupport::TcpProxy &proxy) : m_proxy(proxy)
    {
        m_log.onStatement([this](const QString &statement) {
            m_marks << qMakePair(statement, m_proxy.roundTrips());
        });
    }

    QList<int> counts() const
    {
        QList<int> out;
        int begin = -1;
        bool ended = false;
        for (const auto &[statement, trips] : m_marks) {
            if (begin >= 0 && ended) {
                out << trips - begin;
                begin = -1;
            }
            if (statement == QLatin1String("BEGIN TRANSACTION")) {
                begin = trips;
                ended = false;
            } else if (statement == QLatin1String("COMMIT") ||
                       statement == QLatin1String("ROLLBACK")) {
                ended = true;
            }
        }
        if (begin >= 0)
            out << m_proxy.roundTrips() - begin;
        return out;
    }

    const testsupport::SqlLog &log() const { return m_log; }

private:
    const testsupport::TcpProxy &m_proxy;
    testsupport::SqlLog m_log;
    QList<QPair<QString, int>> m_marks;
};

// A value as the comparison shows it: its type, and its text (bytes in hex).
QString shown(const QVariant &v)
{
    QString text;
    if (v.isNull())
        text = QStringLiteral("<null>");
    else if (v.metaType().id() == QMetaType::QByteArray)
        text = QString::fromLatin1(v.toByteArray().toHex());
    else if (v.metaType().id() == QMetaType::Double && std::isnan(v.toDouble()))
        text = QStringLiteral("NaN");
    else
        text = v.toString();
    return QString::fromLatin1(v.metaType().name()) + QLatin1Char(' ') + text;
}

} // namespace

class TestRoundTrips : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<testsupport::TcpProxy> m_proxy;
    std::unique_ptr<db::Connection> m_direct; // the same database, not through the proxy
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;
    QString m_conninfoName;

    frmMain &w() { return *m_window; }
    db::Connection &proxied() { return *objCurrentUser->sqlconnection(); }
    QStringList rows(const QString &sql) { return testsupport::rows(*m_direct, sql); }

    template <typename F> int tripsOf(F &&action)
    {
        m_proxy->resetCount();
        action();
        return m_proxy->roundTrips();
    }

    // A session on a fresh server database, signed in through the proxy.
    void start()
    {
        m_session = std::make_unique<testsupport::Session>(fixture());
        const QString name = m_session->connection().databaseName();
        auto logon = testsupport::testServerLogon(name);
        QVERIFY(logon);
        m_direct = db::Connection::openPostgres(*logon);
        m_proxy = std::make_unique<testsupport::TcpProxy>(logon->host.toStdString(), logon->port);
        logon->host = QStringLiteral("127.0.0.1");
        logon->port = m_proxy->port();
        m_session->user().attach(db::Connection::openPostgres(*logon), QStringLiteral("E01"));
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        AllowWDZeroOnHand = false;
        CurDate = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59));
    }

    void openWindow()
    {
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    void newRequest(int lines)
    {
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
        w().txtTransDate->setDateTime(QDateTime(QDate(2026, 12, 8), QTime(1, 13, 29)));
        w().txtRemarks->setText(QStringLiteral("WARD STOCK"));
        setLines(manyLines(lines));
    }

    void setLines(const QStringList &lines) { testsupport::setGridLines(w(), lines); }

    // The listed request double-clicked, as the user opens it.
    void open(const QString &number) { testsupport::openListed(w(), number); }

    int storedLines(const QString &number)
    {
        return rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                   "DocumentNumber = ") +
                    db::quoted(number))
            .value(0)
            .toInt();
    }

    // The Qt driver on its own connection to the same database, as the program read before.
    QSqlDatabase driverDatabase()
    {
        auto logon = testsupport::testServerLogon(m_direct->databaseName());
        m_conninfoName = QStringLiteral("roundtrips-driver");
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_conninfoName);
        db.setHostName(logon->host);
        db.setPort(logon->port);
        db.setDatabaseName(logon->database);
        db.setUserName(logon->user);
        db.setPassword(logon->password);
        if (!db.open())
            qWarning("%s", qPrintable(db.lastError().text()));
        QSqlQuery(db).exec(QStringLiteral("SET DateStyle = 'ISO, MDY'"));
        return db;
    }

    QVariant driverValue(QSqlDatabase &db, const db::Statement &statement)
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(statement.sql))
            return QStringLiteral("prepare failed: ") + q.lastError().text();
        for (const QVariant &v : statement.params)
            q.addBindValue(v);
        if (!q.exec() || !q.next())
            return QStringLiteral("failed: ") + q.lastError().text();
        return q.value(0);
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!testsupport::useEngine(testsupport::Engine::PostgreSQL, &why)) {
            if (testsupport::serverRequired())
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
    }

    void init() { m_messages = std::make_unique<ui::ScopedRecordingResponder>(); }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_direct.reset();
        m_proxy.reset();
        m_messages.reset();
        frmItemLookup::unload();
        if (!m_conninfoName.isEmpty()) {
            QSqlDatabase::removeDatabase(m_conninfoName);
            m_conninfoName.clear();
        }
        testsupport::checkModalWatchesDone();
    }

    // Each value read alone, with a bound value, and in a message of several statements, against
    // the driver's reading of the same statement.
    void valuesReadAsTheDriverReadsThem_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QVariant>("bound");
        const QVariant none;
        QTest::newRow("bool true") << "CAST('t' AS boolean)" << none;
        QTest::newRow("bool false") << "CAST('f' AS boolean)" << none;
        QTest::newRow("int2") << "CAST(-12 AS smallint)" << none;
        QTest::newRow("int4") << "CAST(2147483647 AS integer)" << none;
        QTest::newRow("int8 positive") << "CAST(9007199254740993 AS bigint)" << none;
        QTest::newRow("int8 negative") << "CAST(-5 AS bigint)" << none;
        QTest::newRow("count") << "(Select Count(*) From tbInvLocation)" << none;
        QTest::newRow("oid") << "CAST(1259 AS oid)" << none;
        QTest::newRow("regproc") << "CAST('now' AS regproc)" << none;
        QTest::newRow("xid") << "CAST('7' AS xid)" << none;
        QTest::newRow("cid") << "CAST('7' AS cid)" << none;
        QTest::newRow("float4") << "CAST(1.25 AS real)" << none;
        QTest::newRow("float8") << "CAST(0.1 AS float8)" << none;
        QTest::newRow("numeric") << "CAST(12345.6789 AS numeric(19,4))" << none;
        QTest::newRow("numeric NaN") << "CAST('NaN' AS numeric)" << none;
        QTest::newRow("money column") << "(Select Sum(UnitCost) From tbInvWithdrawRequest)" << none;
        QTest::newRow("date") << "CAST('2026-12-08' AS date)" << none;
        QTest::newRow("time") << "CAST('13:14:15.5' AS time)" << none;
        QTest::newRow("timetz") << "CAST('13:14:15+02' AS timetz)" << none;
        QTest::newRow("timestamp") << "CAST('2026-12-08 01:13:29.123' AS timestamp(3))" << none;
        QTest::newRow("timestamptz") << "CAST('2026-12-08 01:13:29+05' AS timestamptz)" << none;
        QTest::newRow("text") << "CAST('Ñandú ''x'' \\ y' AS text)" << none;
        QTest::newRow("varchar column") << "(Select Min(Location) From tbInvLocation)" << none;
        QTest::newRow("bytea") << "CAST('\\x00ff10' AS bytea)" << none;
        QTest::newRow("null int") << "CAST(NULL AS integer)" << none;
        QTest::newRow("null text") << "CAST(NULL AS text)" << none;
        QTest::newRow("null timestamp") << "CAST(NULL AS timestamp)" << none;
        QTest::newRow("bound text")
            << "CAST(? AS text)" << QVariant(QStringLiteral("O'Brien \\ é"));
        QTest::newRow("bound int") << "CAST(? AS integer)" << QVariant(42);
        QTest::newRow("bound double") << "CAST(? AS float8)" << QVariant(0.1);
        QTest::newRow("bound bool") << "CAST(? AS boolean)" << QVariant(true);
        QTest::newRow("bound date") << "CAST(? AS date)" << QVariant(QDate(2026, 2, 28));
        QTest::newRow("bound bytes") << "CAST(? AS bytea)" << QVariant(QByteArray("\0\1'\\", 4));
        QTest::newRow("bound null") << "CAST(? AS integer)" << QVariant();
        QTest::newRow("question marks not bound")
            << "CAST(? AS text) /* ? */ || '?' -- ?\n || 'z'" << QVariant(QStringLiteral("a"));
    }

    void valuesReadAsTheDriverReadsThem()
    {
        QFETCH(QString, expression);
        QFETCH(QVariant, bound);
        start();
        const QString sql = QStringLiteral("Select ") + expression + QStringLiteral(" AS v");
        const QVariantList params =
            expression.contains(QLatin1Char('?')) ? QVariantList{bound} : QVariantList();
        QSqlDatabase driver = driverDatabase();
        QVERIFY(driver.isOpen());
        const QString expected =
            shown(driverValue(driver, m_direct->dialect().translate(sql, params)));

        // Alone: with the value bound, or as plain text.
        QCOMPARE(shown(m_direct->query(sql, params).Fields(0).Value()), expected);
        // In a message of several: after a queued statement, inside a transaction (a bound value
        // written in as a literal).
        m_direct->BeginTrans();
        m_direct->Queue(QStringLiteral("Update INVENTORY..tbInvLocation Set Location = Location"));
        QCOMPARE(shown(m_direct->query(sql, params).Fields(0).Value()), expected);
        if (params.isEmpty()) {
            const QVector<db::Recordset> both = m_direct->ExecuteAll({sql, sql});
            QCOMPARE(both.size(), 2);
            QCOMPARE(shown(both[1].Fields(0).Value()), expected);
        }
        m_direct->RollbackTrans();
    }

    // A value bound alone, or written into a batch as a literal, is stored as the driver stores it.
    void valuesStoredAsTheDriverStoresThem()
    {
        start();
        m_direct->runScript(QStringLiteral(
            "CREATE TABLE typed (k integer, s text, i integer, n numeric(19,4), f double "
            "precision, b boolean, d date, t timestamp(3), y bytea)"));
        const QVariantList values = {QStringLiteral("O'Brien \\ é -- ? /*"),
                                     42,
                                     12.5,
                                     0.1,
                                     true,
                                     QDate(2026, 12, 8),
                                     QDateTime(QDate(2026, 12, 8), QTime(1, 13, 29, 123)),
                                     QByteArray("\0\1'\\", 4)};
        const QString insert =
            QStringLiteral("Insert Into typed (k, s, i, n, f, b, d, t, y) Values (?, ?, ?, ?, ?, "
                           "?, ?, ?, ?)");
        const auto with = [&](int key) { return QVariantList{key} + values; };

        QSqlDatabase driver = driverDatabase();
        QVERIFY(driver.isOpen());
        QSqlQuery q(driver);
        QVERIFY(q.prepare(m_direct->dialect().translate(insert, with(1)).sql));
        for (const QVariant &v : with(1))
            q.addBindValue(v);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));

        m_direct->execute(insert, with(2)); // bound
        m_direct->BeginTrans();
        m_direct->Queue(QStringLiteral("Update INVENTORY..tbInvLocation Set Location = Location"));
        m_direct->execute(insert, with(3)); // written in as literals, after the queued statement
        m_direct->CommitTrans();

        const QStringList stored = rows(
            QStringLiteral("Select s, i, n, f, b, d, t, encode(y, 'hex') From typed Order By k"));
        QCOMPARE(stored.size(), 3);
        QCOMPARE(stored[1], stored[0]);
        QCOMPARE(stored[2], stored[0]);
    }

    // The limits per action, with 1,000-line saves and a 10,000-line request.
    void actionsTakeFewRoundTrips()
    {
        start();
        openWindow();

        // The listing, and opening the 10,000-line request from it: its lines and its first
        // line's item in the entry fields, in one message.
        QCOMPARE(tripsOf([&] { w().LoadListing(); }), 1);
        QCOMPARE(tripsOf([&] { open(QStringLiteral("50")); }), 1);
        QCOMPARE(w().grdDetails->Rows(), 10002);
        QCOMPARE(w().txtProdCode->text(), QStringLiteral("1002"));
        QCOMPARE(w().txtOnhand->text().toDouble(), 100.0);

        // A new request of 1,000 lines: the number check, the save, the listing.
        {
            newRequest(1000);
            TransactionTrips trips(*m_proxy);
            QCOMPARE(tripsOf([&] { w().cmdSave->click(); }), 4);
            QCOMPARE(trips.counts(), QList<int>{2});
            QVERIFY(m_messages->messages().isEmpty());
        }
        const QString number = w().grdListing->TextMatrix(w().grdListing->Rows() - 1, 0);
        QCOMPARE(storedLines(number), 1000);

        // Saved again after opening, and verified: the same two round trips each.
        open(number);
        {
            TransactionTrips trips(*m_proxy);
            w().cmdSave->click();
            QCOMPARE(trips.counts(), QList<int>{2});
        }
        QCOMPARE(storedLines(number), 1000);
        open(number);
        {
            auto watch = ui::test::whenModal([](QWidget *dialog) {
                auto *d = qobject_cast<frmDeletePassword *>(dialog);
                QVERIFY(d);
                QTest::keyClicks(d->txtUserID, QStringLiteral("E02"));
                QTest::keyClicks(d->txtPassword, QStringLiteral("NURSE"));
                d->cmdEnter->click();
            });
            TransactionTrips trips(*m_proxy);
            w().cmdVerify->click();
            QVERIFY(watch->acted);
            QCOMPARE(trips.counts(), QList<int>{2});
        }
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                     "DocumentNumber = ") +
                      db::quoted(number) + QStringLiteral(" And VerifiedBy = 'E02'")),
                 QStringList{QStringLiteral("1000")});

        // A one-line save takes as many as a 1,000-line one. (The list shows the verified
        // request now: back to the pending ones.)
        QVERIFY(w().chkverified->isChecked());
        w().chkverified->click();
        open(QStringLiteral("7"));
        {
            setLines(manyLines(1));
            TransactionTrips trips(*m_proxy);
            w().cmdSave->click();
            QCOMPARE(trips.counts(), QList<int>{2});
        }

        // Cancelling a request from the list.
        w().cmdList->click();
        w().optOptions[0]->setChecked(true);
        w().chkverified->setChecked(false);
        w().LoadListing();
        for (int r = 1; r < w().grdListing->Rows(); ++r) {
            if (w().grdListing->TextMatrix(r, 0) == QLatin1String("7"))
                w().grdListing->setRow(r);
        }
        {
            // "Are you sure?" answered Yes, the responder's first button.
            TransactionTrips trips(*m_proxy);
            w().cmdDeleteReq->click();
            QCOMPARE(trips.counts(), QList<int>{2});
        }
        QCOMPARE(rows(QStringLiteral("Select Distinct Status From tbInvWithdrawRequest Where "
                                     "DocumentNumber = '7'")),
                 QStringList{QStringLiteral("D")});
    }

    // A keystroke in the product search, and an item's code typed in the request window; the
    // same with the proxy holding every chunk back, as a network would (the order kept).
    void lookupsTakeOneRoundTrip_data()
    {
        QTest::addColumn<int>("delayUs");
        QTest::newRow("at once") << 0;
        QTest::newRow("delayed each way") << 300;
    }

    void lookupsTakeOneRoundTrip()
    {
        QFETCH(int, delayUs);
        start();
        m_proxy->setDelay(std::chrono::microseconds(delayUs));
        openWindow();
        newRequest(0);
        w().txtProdCode->setFocus();
        for (const QString &typed :
             {QStringLiteral("1001"), QStringLiteral("4800001"), QStringLiteral("1003")}) {
            w().txtProdCode->setText(typed);
            bool resolved = false;
            const int trips = tripsOf([&] { resolved = w().txtProdCode_Validate(); });
            QVERIFY(resolved);
            // A bar code is read first; the item it stands for then as a code of its own.
            QVERIFY2(trips == (typed == QLatin1String("4800001") ? 2 : 1),
                     qPrintable(QStringLiteral("%1: %2 round trips").arg(typed).arg(trips)));
            QCOMPARE(w().txtProdCode->text(),
                     typed == QLatin1String("4800001") ? QStringLiteral("1001") : typed);
        }

        frmItemLookup &lookup = frmItemLookup::instance();
        lookup.setLocationName(QStringLiteral("CENTRAL SUPPLY"));
        lookup.setLocationCode(QStringLiteral("19"));
        lookup.setRequestLocationCodes(QStringLiteral("19"), QStringLiteral("27"));
        lookup.show();
        QVERIFY(QTest::qWaitForWindowActive(&lookup));
        lookup.txtSearch->setFocus();
        for (const char key : {'p', 'a', 'r'})
            QCOMPARE(tripsOf([&] { QTest::keyClick(lookup.txtSearch, key); }), 1);
        QCOMPARE(lookup.grdLookup->TextMatrix(1, 0), QStringLiteral("1003"));
    }

    // A save refused by the server half-way through its lines leaves the stored request as it
    // was, and the failure names the line's statement.
    void batchFailingHalfWayChangesNothing()
    {
        start();
        m_direct->runScript(QStringLiteral("ALTER TABLE tbInvWithdrawRequest ADD CONSTRAINT "
                                           "\"item 1002 refused\" CHECK (ItemID <> '1002') NOT "
                                           "VALID"));
        openWindow();
        w().LoadListing();
        open(QStringLiteral("7"));
        setLines(manyLines(1000, 500));
        const QString all = QStringLiteral(
            "Select DocumentNumber, ItemID, Quantity, UnitCost, Remarks, Status "
            "From tbInvWithdrawRequest Where DocumentNumber <> '50' Order By LineID");
        const QStringList before = rows(all);

        TransactionTrips trips(*m_proxy);
        w().cmdSave->click();

        QCOMPARE(m_messages->count(), 1);
        QVERIFY2(m_messages->messages().first().text.contains(QLatin1String("item 1002 refused")),
                 qPrintable(m_messages->messages().first().text));
        QStringList failures;
        for (const QString &entry : trips.log().entries()) {
            if (entry.startsWith(QLatin1String("warning failed:")))
                failures << entry;
        }
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures[0].contains(QLatin1String("Values ('7','1002',500,")),
                 qPrintable(failures[0]));
        QCOMPARE(rows(all), before);
        QVERIFY(!proxied().InTransaction());
        QStringList edges;
        for (const QString &statement : trips.log().statements()) {
            if (statement == QLatin1String("BEGIN TRANSACTION") ||
                statement == QLatin1String("COMMIT") || statement == QLatin1String("ROLLBACK"))
                edges << statement;
        }
        QCOMPARE(edges, (QStringList{"BEGIN TRANSACTION", "COMMIT", "ROLLBACK"}));
    }

    // A transaction that sent nothing ends without a word; a queued statement's failure is
    // reported by the statement whose result was wanted, naming the queued one. The two inserts
    // go as one; when it fails they are sent again one by one, which names the one refused.
    void queuedStatementsWaitForTheNextNeededResult()
    {
        start();
        db::Connection &c = proxied();
        QCOMPARE(tripsOf([&] {
                     c.BeginTrans();
                     c.RollbackTrans();
                     c.BeginTrans();
                     c.CommitTrans();
                 }),
                 0);

        const QString bad =
            QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (5, 'B')");
        c.BeginTrans();
        const int queueing = tripsOf([&] {
            c.Queue(
                QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (5, 'A')"));
            c.Queue(bad);
        });
        QCOMPARE(queueing, 0);
        QString failed;
        const int reading = tripsOf([&] {
            try {
                c.Execute(QStringLiteral("Select Count(*) From INVENTORY..tbInvTerms"));
            } catch (const db::DbError &e) {
                failed = e.statement();
            }
        });
        QCOMPARE(reading, 2);
        QCOMPARE(failed, bad);
        c.RollbackTrans();
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvTerms")), QStringList{"0"});
    }

    // Two workstations through the proxy at once: each one's turns are counted.
    void proxyCountsEachConnectionsTurns()
    {
        start();
        auto logon = testsupport::testServerLogon(m_direct->databaseName());
        logon->host = QStringLiteral("127.0.0.1");
        logon->port = m_proxy->port();
        auto second = db::Connection::openPostgres(*logon);
        QCOMPARE(m_proxy->connections(), 2);
        const QString read = QStringLiteral("Select Count(*) From INVENTORY..tbInvLocation");
        QCOMPARE(tripsOf([&] {
                     proxied().Execute(read);
                     second->Execute(read);
                     proxied().Execute(read);
                 }),
                 3);
        // A transaction open on one while the other writes and reads.
        QCOMPARE(tripsOf([&] {
                     proxied().BeginTrans();
                     proxied().Queue(
                         QStringLiteral("Update INVENTORY..tbInvLocation Set Location = Location"));
                     second->Execute(read);
                     proxied().CommitTrans();
                 }),
                 2);
    }
};

INVENTORY_TEST_MAIN(TestRoundTrips)
#include "tst_roundtrips.moc"

// Saving a request: the Save button's refusals, numbering, the statements as written, replacing a
// stored request, verification through the authorization dialog, one transaction per save (a
// failure midway leaves the stored request as it was), and several workstations saving at once.
#include "support/testsupport.h"

#include "app/modEncryption.h"
#include "app/modInventory.h"
#include "dialogs/frmDeletePassword.h"
#include "dialogs/frmItemLookup.h"
#include "dialogs/frmKitEntry.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlitefunctions.h"
#include "platform/db/sqlquote.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "support/sqllog.h"
#include "support/workstation.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>

#include <sqlite3.h>

using namespace modInventory;

namespace {

// E01 (signed in) belongs to CENTRAL SUPPLY (19) and WARD 3 (27); E02 may authorise
// verifications with the password NURSE. Requests 7 and 12 are pending, 9 is pending and verified.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('28', 'WARD 4', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, Packing, AverageCost,
                        UnitOfMeasureID)
VALUES ('1001', 'GAUZE 4X4', 'STERILE', 12.5, 10, 11.25, 1),
       ('1002', 'SYRINGE 5CC', 'DISPOSABLE', 4, 100, 3.5, 1),
       ('1003', 'PARACETAMOL 500MG', 'TABLET', 0.5, 100, 0.45, 1);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock)
VALUES ('1001', '19', 40, 0, 0, 0), ('1002', '19', 100, 0, 0, 0), ('1003', '19', 500, 0, 0, 0),
       ('1001', '27', 1, 0, 0, 0), ('1002', '27', 1, 0, 0, 0), ('1003', '27', 1, 0, 0, 0);
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, VerifiedBy, VerifiedDate) VALUES
    ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL),
    ('7', '1002', 10, 3.5, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL),
    ('12', '1002', 1, 3.5, 'Y', 0, '19', '28', '2026-11-20 10:00:00', 'E01', 'ER', NULL, NULL),
    ('9', '1001', 1, 12.5, 'N', 0, '19', '27', '2026-11-05 08:00:00', 'E01', 'OLD', 'E02',
     '2026-11-05 09:00:00'),
    ('9', '1003', 20, 0.45, 'N', 0, '19', '27', '2026-11-05 08:00:00', 'E01', 'OLD', 'E02',
     '2026-11-05 09:00:00');
)";

// Requests raised by others and requests that are final: 21 by the ward nurse E02, 22 processed
// (and verified), 23 cancelled; and the kit 0010, whose code reads as a number when unquoted.
const char *OtherRequests = R"(
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, Status, VerifiedBy) VALUES
    ('21', '1001', 2, 12.5, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E02',
     'WARD STOCK REPLENISHMENT', NULL, NULL),
    ('21', '1002', 4, 3.5, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E02',
     'WARD STOCK REPLENISHMENT', NULL, NULL),
    ('22', '1001', 2, 12.5, 'N', 0, '19', '27', '2026-11-03 09:00:00', 'E01', 'ISSUED', 'P', 'E02'),
    ('23', '1001', 2, 12.5, 'N', 0, '19', '27', '2026-11-04 09:00:00', 'E01', 'WITHDRAWN', 'D',
     NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, Packing, AverageCost,
                         UnitOfMeasureID, KitID)
VALUES ('0010', 'DRESSING KIT', 'SMALL', 6, 1, 5, 1, 'K9');
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock, ItemStatus)
VALUES ('0010', '19', 5, 0, 0, 0, 0), ('0010', '27', 1, 0, 0, 0, 0);
INSERT INTO tbInvKit (KitID, ItemID, Quantity, RetailType, Active) VALUES ('K9', '1003', 2, 'N', 'A');
)";

QString fixture()
{
    return QString::fromLatin1(Fixture) + testsupport::staffRow("E01", "REYES", "CLERK") +
           testsupport::staffRow("E02", "SANTOS", "NURSE");
}

// A column that holds the server's time of the statement reads "now".
QString nowOr(const QString &column)
{
    return testsupport::nowOr(column);
}

QString allLines()
{
    return QStringLiteral("Select DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, "
                          "LocationID, TargetLocationID, TransDate, UserID, Remarks, Status, "
                          "VerifiedBy, VerifiedDate From tbInvWithdrawRequest Order By LineID");
}

// The statements of a capture that write the request, and the transaction's edges. (The version
// every save keeps, written before the commit, is tst_history's.)
QStringList writes(const testsupport::SqlLog &capture)
{
    QStringList out;
    for (const QString &s : capture.statements()) {
        if (!s.startsWith(QLatin1String("Select"), Qt::CaseInsensitive) &&
            !s.startsWith(QLatin1String("Inventory..sp_"), Qt::CaseInsensitive) &&
            !s.startsWith(QLatin1String("Insert INVENTORY..tbInvRequestHistory")))
            out << s;
    }
    return out;
}

QString insertOf(const QString &number, const QString &item, const QString &quantity,
                 const QString &cost, const QString &retail, const QString &ads,
                 const QString &date, const QString &remarks)
{
    return QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, "
                          "Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
                          "TransDate, UserID, Remarks) Values ('%1','%2',%3,%4,'%5', '%6', '19', "
                          "'27', '%7', 'E01', '%8')")
        .arg(number, item, quantity, cost, retail, ads, date, remarks);
}

// Every statement of the list that reads the requests, the stock or the item master costs the
// same number of SQLite steps before and after 20,000 unrelated rows are added to each of those
// tables (other items, held at the request's two locations; other request numbers): it goes through
// an index, so a hospital's years of data do not slow it down. Steps are counted, not timed.
void checkCostsDoNotGrowWithTheTables(const QStringList &written)
{
    static const QRegularExpression largeTable(
        QStringLiteral("tbInvWithdrawRequest|tbInvent\\b|tbInvMaster"),
        QRegularExpression::CaseInsensitiveOption);
    db::Connection &c = *modInventory::objCurrentUser->sqlconnection();
    QList<db::Statement> statements;
    QStringList texts;
    for (const QString &sql : written) {
        if (largeTable.match(sql).hasMatch() && !texts.contains(sql) &&
            !sql.startsWith(QLatin1String("Insert"), Qt::CaseInsensitive)) {
            statements << c.dialect().translate(sql, {});
            texts << sql;
        }
    }
    QVERIFY(!statements.isEmpty());

    sqlite3 *handle = nullptr;
    QCOMPARE(sqlite3_open(qPrintable(c.databaseName()), &handle), SQLITE_OK);
    const auto closeHandle = qScopeGuard([handle] { sqlite3_close(handle); });
    QVERIFY(db::registerSqliteFunctions(handle).isEmpty());
    // The steps one statement takes, rolled back so that every statement sees the same data.
    const auto steps = [handle](const db::Statement &statement) {
        sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *stmt = nullptr;
        const QByteArray sql = statement.sql.toUtf8();
        int count = -1;
        if (sqlite3_prepare_v2(handle, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
            for (int i = 0; i < statement.params.size(); ++i) {
                const QVariant &v = statement.params.at(i);
                if (v.isNull())
                    sqlite3_bind_null(stmt, i + 1);
                else
                    sqlite3_bind_text(stmt, i + 1, v.toString().toUtf8().constData(), -1,
                                      SQLITE_TRANSIENT);
            }
            while (sqlite3_step(stmt) == SQLITE_ROW) {
            }
            count = sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_VM_STEP, 0);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
        return count;
    };
    QList<int> before;
    for (const db::Statement &statement : std::as_const(statements))
        before << steps(statement);

    c.runScript(QStringLiteral(
        "CREATE TEMP TABLE n AS WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k "
        "WHERE i < 20000) SELECT i FROM k;"
        "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) "
        "SELECT 'Z' || i, 'ZINC BULK ' || i, '', 0 FROM n;"
        "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus) SELECT 'Z' || i, '19', 0 FROM n;"
        "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus) SELECT 'Z' || i, '27', 0 FROM n;"
        "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, LocationID, "
        "TargetLocationID, UserID, Status) "
        "SELECT CAST(100 + i / 10 AS TEXT), 'Z' || i, '88', '89', 'E09', 'P' FROM n;"
        "DROP TABLE n;"));

    for (qsizetype i = 0; i < statements.size(); ++i) {
        const int after = steps(statements.at(i));
        QVERIFY2(before.at(i) >= 0 && after >= 0, qPrintable(texts.at(i)));
        QVERIFY2(after - before.at(i) < 1000, qPrintable(QStringLiteral("%1 -> %2 steps: %3")
                                                             .arg(before.at(i))
                                                             .arg(after)
                                                             .arg(texts.at(i))));
    }
}

} // namespace

class TestSaving : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    frmMain &w() { return *m_window; }
    db::Connection &db() { return m_session->connection(); }
    QStringList rows(const QString &sql) { return testsupport::rows(db(), sql); }

    void start(bool autoNumber = false, const QString &extra = QString())
    {
        m_session = std::make_unique<testsupport::Session>(fixture() + extra);
        ClientName.clear();
        isAutoWithdrawRequestNumber = autoNumber;
        AllowWDZeroOnHand = false;
        CurDate = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 59));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    // New, from WARD 3 to CENTRAL SUPPLY, dated 12/08/2026 01:13:29 AM.
    void newRequest(const QString &typedNumber = QString())
    {
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("19"));
        if (!typedNumber.isNull())
            w().txtDocNum->setText(typedNumber);
        w().txtTransDate->setDateTime(QDateTime(QDate(2026, 12, 8), QTime(1, 13, 29)));
        w().txtRemarks->setText(QStringLiteral("WARD STOCK"));
    }

    void setLines(const QStringList &lines) { testsupport::setGridLines(w(), lines); }

    // The listed request double-clicked, as the user opens it.
    void open(const QString &number) { testsupport::openListed(w(), number); }

    QStringList listing(bool pending, bool verified)
    {
        w().optOptions[pending ? 0 : 1]->setChecked(true);
        w().chkverified->setChecked(verified);
        w().LoadListing();
        QStringList numbers;
        for (int r = 1; r < w().grdListing->Rows(); ++r)
            numbers << w().grdListing->TextMatrix(r, 0);
        return numbers;
    }

    QStringList stored(const QString &number)
    {
        return rows(QStringLiteral("Select ItemID, Quantity, UnitCost, ForRetail, isADS, "
                                   "TransDate, Remarks, Status, VerifiedBy, ") +
                    nowOr(QStringLiteral("VerifiedDate")) +
                    QStringLiteral(" From tbInvWithdrawRequest Where DocumentNumber = ") +
                    db::quoted(number) + QStringLiteral(" Order By LineID"));
    }

    // Answers the authorization dialog when it comes: E02 with the right password, or Escape.
    static std::shared_ptr<const ui::test::ModalWatch> authorise(bool confirm)
    {
        return ui::test::whenModal([confirm](QWidget *dialog) {
            auto *d = qobject_cast<frmDeletePassword *>(dialog);
            QVERIFY(d);
            if (!confirm) {
                QTest::keyClick(d->txtUserID, Qt::Key_Escape);
                return;
            }
            QTest::keyClicks(d->txtUserID, QStringLiteral("E02"));
            QTest::keyClicks(d->txtPassword, QStringLiteral("NURSE"));
            d->cmdEnter->click();
        });
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init()
    {
        INVENTORY_USE_ENGINE_OF_ROW();
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
    }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_messages.reset();
        frmDeletePassword::unload();
        testsupport::checkModalWatchesDone();
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("autoNumber");
        QTest::addColumn<QString>("department");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("critical");
        QTest::addColumn<QString>("focus");
        const QString noDepartment = QStringLiteral("Invalid target location...");
        const QString noNumber = QStringLiteral("Invalid document number...");
        const QString exists =
            QStringLiteral("Document Number already exists. Please assign a new number.");
        QTest::newRow("no department") << false << false << ""
                                       << "NEW" << noDepartment << false << "cboTargetLocation";
        QTest::newRow("department of blanks")
            << false << false << "   "
            << "NEW" << noDepartment << false << "cboTargetLocation";
        QTest::newRow("no number") << false << true << "WARD 3"
                                   << "  " << noNumber << false << "txtDocNum";
        QTest::newRow("typed number exists") << false << true << "WARD 3"
                                             << "7" << exists << true << "txtDocNum";
        QTest::newRow("typed number exists, blanks around")
            << false << true << "WARD 3"
            << " 12 " << exists << true << "txtDocNum";
        // A typed number is read as the number it is: "0007" is request 7.
        QTest::newRow("typed number exists, leading zeros")
            << false << true << "WARD 3"
            << "0007" << exists << true << "txtDocNum";
        const QString whole =
            QStringLiteral("The document number must be a whole number from 1 to 999999999.");
        QTest::newRow("typed number not a whole number") << false << true << "WARD 3"
                                                         << "12A" << whole << true << "txtDocNum";
        QTest::newRow("typed number zero") << false << true << "WARD 3"
                                           << "0" << whole << true << "txtDocNum";
        QTest::newRow("typed number of ten digits") << false << true << "WARD 3"
                                                    << "1000000000" << whole << true << "txtDocNum";
        QTest::newRow("typed number of eleven digits")
            << false << true << "WARD 3"
            << "99999999999" << whole << true << "txtDocNum";
        QTest::newRow("typed number negative") << false << true << "WARD 3"
                                               << "-5" << whole << true << "txtDocNum";
        // Verify/Save refuses the same, before any password is asked.
        QTest::newRow("Verify/Save, typed number exists") << true << true << "WARD 3"
                                                          << "7" << exists << true << "txtDocNum";
        QTest::newRow("Verify/Save, no number") << true << true << "WARD 3"
                                                << "" << noNumber << false << "txtDocNum";
        QTest::newRow("Verify/Save, no department")
            << true << false << ""
            << "NEW" << noDepartment << false << "cboTargetLocation";
    }

    void refusals()
    {
        QFETCH(bool, verify);
        QFETCH(bool, autoNumber);
        QFETCH(QString, department);
        QFETCH(QString, number);
        QFETCH(QString, message);
        QFETCH(bool, critical);
        QFETCH(QString, focus);
        start(autoNumber);
        newRequest(autoNumber ? number : QString());
        setLines({QStringLiteral("1001|5|12.5|Y|N")});
        w().cboTargetLocation->setEditText(department);
        const QStringList before = rows(allLines());

        (verify ? w().cmdVerify : w().cmdSave)->click();

        QCOMPARE(m_messages->count(), 1);
        const ui::Message refused = m_messages->messages().first();
        QCOMPARE(refused.text, message);
        QCOMPARE(refused.buttons, ui::Buttons::OK);
        QCOMPARE(refused.icon, critical ? ui::Icon::Critical : ui::Icon::None);
        QCOMPARE(refused.title, critical ? QStringLiteral("MESSAGE") : ui::ApplicationTitle);
        QVERIFY(w().findChild<QWidget *>(focus)->hasFocus());
        QCOMPARE(rows(allLines()), before);
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        // Shown whole; a request number as the program writes it.
        QCOMPARE(w().txtDocNum->text().trimmed(), message.contains(QLatin1String("already exists"))
                                                      ? QString::number(number.toInt())
                                                      : number.trimmed());
    }

    // The example of a saved line, statement for statement.
    void workedExample()
    {
        start(true);
        newRequest(QStringLiteral("1234"));
        setLines({QStringLiteral("A100|5|12.5000|Y|N")});
        {
            testsupport::SqlLog capture;
            w().cmdSave->click();
            QCOMPARE(capture.statements().first(),
                     QStringLiteral("Select DocumentNumber from "
                                    "Inventory..tbinvWithdrawRequest where "
                                    "DocumentNumber = '1234'"));
            QCOMPARE(writes(capture),
                     (QStringList{
                         // A new request's save deletes nothing: its number holds no lines.
                         QStringLiteral("BEGIN TRANSACTION"),
                         QStringLiteral(
                             "Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, "
                             "Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
                             "TransDate, UserID, Remarks) Values ('1234','A100',5,12.5000,'Y', "
                             "'0', '19', '27', '12/08/2026 01:13:29 AM', 'E01', 'WARD STOCK')"),
                         QStringLiteral("COMMIT")}));
        }
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(rows(QStringLiteral("Select DocumentNumber, ItemID, Quantity, UnitCost, "
                                     "ForRetail, isADS, LocationID, TargetLocationID, TransDate, "
                                     "UserID, Remarks, Status, VerifiedBy From "
                                     "tbInvWithdrawRequest Where DocumentNumber = '1234'")),
                 QStringList{QStringLiteral("1234|A100|5|12.5|Y|0|19|27|2026-12-08 01:13:29|E01|"
                                            "WARD STOCK|<null>|<null>")});
        // The list shows again, with the new request; the Details tab keeps it.
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QVERIFY(listing(true, false).contains(QStringLiteral("1234")));
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("1234"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("A100"));
    }

    void dateLiteral_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("literal");
        QTest::addColumn<QString>("stored");
        QTest::newRow("morning") << QTime(1, 13, 29) << "12/08/2026 01:13:29 AM"
                                 << "01:13:29";
        QTest::newRow("after midnight") << QTime(0, 5, 0) << "12/08/2026 12:05:00 AM"
                                        << "00:05:00";
        QTest::newRow("noon") << QTime(12, 30, 0) << "12/08/2026 12:30:00 PM"
                              << "12:30:00";
        QTest::newRow("evening") << QTime(23, 59, 59) << "12/08/2026 11:59:59 PM"
                                 << "23:59:59";
    }

    void dateLiteral()
    {
        QFETCH(QTime, time);
        QFETCH(QString, literal);
        QFETCH(QString, stored);
        start();
        newRequest();
        w().txtTransDate->setDateTime(QDateTime(QDate(2026, 12, 8), time));
        setLines({QStringLiteral("1001|1|12.5|Y|N")});
        testsupport::SqlLog capture;
        QVERIFY(w().SaveRequest());
        QCOMPARE(writes(capture).value(1),
                 insertOf(QStringLiteral("13"), QStringLiteral("1001"), QStringLiteral("1"),
                          QStringLiteral("12.5"), QStringLiteral("Y"), QStringLiteral("0"), literal,
                          QStringLiteral("WARD STOCK")));
        // Stored as sortable text: the afternoon after the morning, whatever the designator.
        QCOMPARE(rows(QStringLiteral("Select TransDate From tbInvWithdrawRequest Where "
                                     "DocumentNumber = '13'")),
                 QStringList{QStringLiteral("2026-12-08 ") + stored});
    }

    void newNumbering_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("number");
        QTest::newRow("after 7, 9 and 12") << ""
                                           << "13";
        QTest::newRow("first request") << "DELETE FROM tbInvWithdrawRequest;"
                                       << "1";
    }

    void newNumbering()
    {
        QFETCH(QString, extra);
        QFETCH(QString, number);
        start(false, extra);
        newRequest();
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
        setLines({QStringLiteral("1001|5|12.5|Y|N"), QStringLiteral("1003|10|0.45|N|Y")});
        w().cmdSave->click();
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(w().txtDocNum->text(), number);
        QCOMPARE(w().statusBar()->currentMessage(), QStringLiteral("Saved as request ") + number);
        QCOMPARE(w().grdListing->TextMatrix(w().grdListing->Row(), 0), number);
        QCOMPARE(rows(QStringLiteral("Select DocumentNumber, ItemID From tbInvWithdrawRequest "
                                     "Where Remarks = 'WARD STOCK' And TransDate > '2026-12-01'")),
                 (QStringList{number + QStringLiteral("|1001"), number + QStringLiteral("|1003")}));
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QVERIFY(listing(true, false).contains(number));
    }

    // At the end of the numbers: a new request never takes a number past the largest a request
    // may have, and never joins or replaces the lines of another request, whatever numbers
    // another program wrote.
    void numbersAtTheLimit_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("number");
        QTest::newRow("largest number taken")
            << "999999999"
            << "There is no request number left: request 999999999 has the largest number a "
               "request can have. Nothing was saved. Ask the database administrator."
            << "";
        QTest::newRow("ten digits written elsewhere") << "1000000000"
                                                      << ""
                                                      << "13";
        QTest::newRow("eleven digits written elsewhere") << "99999999999"
                                                         << ""
                                                         << "13";
    }

    void numbersAtTheLimit()
    {
        QFETCH(QString, stored);
        QFETCH(QString, message);
        QFETCH(QString, number);
        start(false, QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, "
                                    "Quantity, LocationID, TargetLocationID, UserID) VALUES ('") +
                         stored + QStringLiteral("', '1003', 9, '19', '8', 'E02');"));
        const QStringList before = rows(allLines());
        // Twice: the second save meets what the first left (with another item, so that it is
        // no duplicate of the first).
        for (int attempt = 0; attempt < 2; ++attempt) {
            newRequest();
            setLines({attempt == 0 ? QStringLiteral("1001|2|12.5|Y|N")
                                   : QStringLiteral("1002|2|3.5|N|N")});
            m_messages->clear();
            w().cmdSave->click();
            if (message.isEmpty()) {
                QVERIFY(m_messages->messages().isEmpty());
                QCOMPARE(w().txtDocNum->text(), QString::number(number.toInt() + attempt));
            } else {
                QCOMPARE(m_messages->texts(), QStringList{message});
                QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
            }
        }
        QCOMPARE(rows(QStringLiteral("Select ItemID, Quantity, UserID From tbInvWithdrawRequest "
                                     "Where DocumentNumber = '") +
                      stored + QStringLiteral("'")),
                 QStringList{QStringLiteral("1003|9|E02")});
        QCOMPARE(rows(allLines()).size(), before.size() + (message.isEmpty() ? 2 : 0));
    }

    // A number written by another program, longer than the numbers the window gives, is shown
    // whole and saved again under itself.
    void longStoredNumberIsKeptWhole()
    {
        start(false, QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, "
                                    "Quantity, UnitCost, LocationID, TargetLocationID, UserID) "
                                    "VALUES ('12345678901', '1003', 9, 0.45, '19', '27', "
                                    "'E02');"));
        open(QStringLiteral("12345678901"));
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("12345678901"));
        w().grdDetails->setTextMatrix(1, 2, QStringLiteral("4"));
        QVERIFY(w().SaveRequest());
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(rows(QStringLiteral("Select DocumentNumber, ItemID, Quantity From "
                                     "tbInvWithdrawRequest Where ItemID = '1003' And UserID = "
                                     "'E02' And Quantity = 4")),
                 QStringList{QStringLiteral("12345678901|1003|4")});
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                     "DocumentNumber Like '1234567890%'")),
                 QStringList{QStringLiteral("1")});
    }

    // A request the window cannot show exactly (written by another program) opens for reading
    // only, saying why; Save then changes nothing of it rather than cut it.
    void requestTheWindowCannotHold_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("why");
        QTest::newRow("more lines than the grid holds")
            << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32800) "
               "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
               "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Remarks) "
               "SELECT DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, "
               "TargetLocationID, TransDate, UserID, Remarks FROM tbInvWithdrawRequest, n WHERE "
               "DocumentNumber = '7' AND ItemID = '1001';"
            << "it has 32802 lines, and this window shows the first 32766";
        QTest::newRow("longer justification")
            << "UPDATE tbInvWithdrawRequest SET Remarks = '" + QString(600, QLatin1Char('J')) +
                   "' WHERE DocumentNumber = '7';"
            << "its justification has 600 characters, more than the 500 this window takes";
        QTest::newRow("earlier date")
            << "UPDATE tbInvWithdrawRequest SET TransDate = '1700-03-01 10:00:00' WHERE "
               "DocumentNumber = '7';"
            << "its date, 03/01/1700, is earlier than this window can take";
        QTest::newRow("quantity past the limit")
            << "UPDATE tbInvWithdrawRequest SET Quantity = 20000000 WHERE DocumentNumber = '7';"
            << "a line's quantity or unit cost is beyond what this window takes (at most "
               "9,999,999 units, at a unit cost from 0 to 9,999,999.9999)";
    }

    void requestTheWindowCannotHold()
    {
        QFETCH(QString, extra);
        QFETCH(QString, why);
        start(false, extra);
        const QString summary =
            QStringLiteral("Select Count(*), Sum(Quantity), Max(Remarks), Min(TransDate) From "
                           "tbInvWithdrawRequest Where DocumentNumber = '7'");
        const QStringList before = rows(summary);
        const QString message =
            QStringLiteral("Request 7 is shown for reading only: %1. Saving it here would change "
                           "what is stored, so it is not saved from this window.")
                .arg(why);
        open(QStringLiteral("7"));
        QCOMPARE(m_messages->texts(), QStringList{message});
        QVERIFY(w().lblFinal->isVisible());
        QCOMPARE(w().lblFinal->text(), QStringLiteral("Read only"));
        // Shown whole where the window can: the justification and the date as stored.
        QCOMPARE(w().txtRemarks->text(), rows(QStringLiteral("Select Remarks From "
                                                             "tbInvWithdrawRequest Where "
                                                             "DocumentNumber = '7'"))
                                             .first());
        if (why.contains(QLatin1String("date")))
            QCOMPARE(w().txtTransDate->date(), QDate(1700, 3, 1));

        m_messages->clear();
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(), QStringList{message});
        QCOMPARE(rows(summary), before);
        // The next request opened is the window's again.
        open(QStringLiteral("12"));
        QVERIFY(!w().lblFinal->isVisible());
        setLines({QStringLiteral("1001|2|12.5|Y|N")});
        QVERIFY(w().SaveRequest());
    }

    // Re-saving an opened request: its old lines go, the grid's lines with the current date and
    // justification are stored, and the verification is not carried over.
    void resaveReplacesLines()
    {
        start();
        w().chkverified->click();
        // Edit is not offered on the verified list: the program's own command opens it.
        w().grdListing->setRow(1);
        QCOMPARE(w().grdListing->TextMatrix(1, 0), QStringLiteral("9"));
        w().cmdEdit_Click();
        QCOMPARE(w().grdDetails->Rows(), 4);
        w().grdDetails->setTextMatrix(1, 2, QStringLiteral("3")); // 1001: 3 instead of 1
        w().grdDetails->setRow(2);
        w().cmdDelete_Click();                                       // 1003 removed
        w().grdDetails->setTextMatrix(2, 0, QStringLiteral("1002")); // a new line
        w().grdDetails->setTextMatrix(2, 2, QStringLiteral("4"));
        w().grdDetails->setTextMatrix(2, 3, QStringLiteral("3.5000"));
        w().grdDetails->setTextMatrix(2, 5, QStringLiteral("Y"));
        w().grdDetails->setTextMatrix(2, 6, QStringLiteral("Y"));
        w().txtTransDate->setDateTime(QDateTime(QDate(2026, 12, 1), QTime(14, 0, 0)));
        w().txtRemarks->setText(QStringLiteral("REVISED"));
        const QRegularExpression otherRequests(QStringLiteral("^(7|12)\\|"));
        const QStringList others = rows(allLines()).filter(otherRequests);

        w().cmdSave->click();

        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(
            stored(QStringLiteral("9")),
            (QStringList{
                QStringLiteral("1001|3|12.5|N|0|2026-12-01 14:00:00|REVISED|<null>|<null>|<null>"),
                QStringLiteral(
                    "1002|4|3.5|Y|1|2026-12-01 14:00:00|REVISED|<null>|<null>|<null>")}));
        QCOMPARE(rows(allLines()).filter(otherRequests), others);
        // Now pending and unverified: the list it now belongs to shows it, selected.
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QVERIFY(!w().chkverified->isChecked());
        QCOMPARE(w().grdListing->TextMatrix(w().grdListing->Row(), 0), QStringLiteral("9"));
        QCOMPARE(w().statusBar()->currentMessage(), QStringLiteral("Request 9 saved"));
        QVERIFY(!listing(true, true).contains(QStringLiteral("9")));
        QVERIFY(listing(true, false).contains(QStringLiteral("9")));
    }

    // The number is compared as the inserts write it, trimmed: on a database that does not ignore
    // trailing blanks the old lines would otherwise stay beside the new ones.
    void numberWithBlanksReplacesItsLines()
    {
        start();
        open(QStringLiteral("7"));
        w().txtDocNum->setText(QStringLiteral(" 7 "));
        setLines({QStringLiteral("1001|2|12.5|Y|N")});
        QVERIFY(w().SaveRequest());
        QCOMPARE(rows(QStringLiteral("Select DocumentNumber, ItemID, Quantity From "
                                     "tbInvWithdrawRequest Where Trim(DocumentNumber) = '7'")),
                 QStringList{QStringLiteral("7|1001|2")});
    }

    // Another workstation saves the typed number between the Save button's check and the save
    // itself: the save is refused under the write lock, and the other request keeps its lines.
    void typedNumberTakenMeanwhileIsRefused()
    {
        start(true);
        newRequest(QStringLiteral("77"));
        setLines({QStringLiteral("1001|2|12.5|Y|N")});
        db().Execute(QStringLiteral(
            "Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
            "LocationID, TargetLocationID, UserID) Values ('77', '1003', 9, '19', '8', 'E02')"));
        QVERIFY(!w().SaveRequest());
        QCOMPARE(m_messages->texts(),
                 QStringList{QStringLiteral(
                     "Document Number already exists. Please assign a new number.")});
        QCOMPARE(rows(QStringLiteral("Select ItemID, Quantity, UserID From tbInvWithdrawRequest "
                                     "Where DocumentNumber = '77'")),
                 QStringList{QStringLiteral("1003|9|E02")});
        QVERIFY(w().txtDocNum->hasFocus());
    }

    void emptySaveWritesNothing_data()
    {
        QTest::addColumn<QString>("number"); // "" for a new request
        QTest::newRow("stored request") << "7";
        QTest::newRow("new request") << "";
    }

    void emptySaveWritesNothing()
    {
        QFETCH(QString, number);
        start();
        if (number.isEmpty())
            newRequest();
        else
            open(number);
        setLines({QStringLiteral("  |5|12.5|Y|N")}); // a row whose code is blanks is no line
        testsupport::SqlLog capture;
        w().cmdSave->click();
        // Refused with a message: no number is taken and nothing stored is touched.
        QCOMPARE(writes(capture), QStringList());
        QCOMPARE(m_messages->messages().size(), 1);
        QVERIFY(m_messages->messages().first().text.startsWith(
            QLatin1String("There are no item lines to save.")));
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("MESSAGE"));
        QCOMPARE(w().txtDocNum->text(), number.isEmpty() ? QStringLiteral("NEW") : number);
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest")),
                 QStringList{QStringLiteral("5")});
    }

    void adsFlag()
    {
        start();
        newRequest();
        setLines({QStringLiteral("1001|1|1|Y|Y"), QStringLiteral("1002|1|1|Y| Y "),
                  QStringLiteral("1003|1|1|Y|N"), QStringLiteral("1001|1|1|Y|"),
                  QStringLiteral("1002|1|1|Y|y")});
        QVERIFY(w().SaveRequest());
        QCOMPARE(rows(QStringLiteral("Select isADS From tbInvWithdrawRequest Where DocumentNumber "
                                     "= '13' Order By LineID")),
                 (QStringList{"1", "1", "0", "0", "0"}));
    }

    void numberCells_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("cost");
        QTest::addColumn<QString>("written"); // the two values as the insert carries them
        QTest::addColumn<QString>("stored");  // or, when nothing is written, why not
        QTest::newRow("plain numbers as they are") << "5"
                                                   << "12.5000"
                                                   << "5,12.5000"
                                                   << "5|12.5";
        // Every engine stores four decimals: the save writes the value at that scale, so a cost
        // is the same on each and the same after reopening.
        QTest::newRow("cost of five decimals") << "2"
                                               << "1.23455"
                                               << "2,1.2346"
                                               << "2|1.2346";
        QTest::newRow("tiny cost") << "2"
                                   << "0.000000001"
                                   << "2,0"
                                   << "2|0";
        QTest::newRow("largest line") << "9999999"
                                      << "9999999.9999"
                                      << "9999999,9999999.9999"
                                      << "9999999|9999999.9999";
        QTest::newRow("negative cost")
            << "1"
            << "-0.5"
            << ""
            << "Line 2: the unit cost \"-0.5\" cannot be saved. The unit cost cannot be negative.";
        QTest::newRow("quantity past the limit")
            << "1E+308"
            << "1"
            << ""
            << "Line 2: the quantity \"1E+308\" cannot be saved. The quantity must be at most "
               "9,999,999.";
        QTest::newRow("cost past the limit")
            << "1"
            << "10000000"
            << ""
            << "Line 2: the unit cost \"10000000\" cannot be saved. The unit cost must be at most "
               "9,999,999.9999.";
        QTest::newRow("negative and whole") << "-2"
                                            << "0"
                                            << "-2,0"
                                            << "-2|0";
        QTest::newRow("grouping") << "1,234.50"
                                  << "1,000"
                                  << "1234.5,1000"
                                  << "1234.5|1000";
        QTest::newRow("blanks around") << " 3 "
                                       << "2."
                                       << "3,2"
                                       << "3|2";
        QTest::newRow("not a number")
            << "12); Drop Table tbInvMaster; --"
            << "1"
            << ""
            << "Line 2: the quantity \"12); Drop Table tbInvMaster; --\" is not a number.";
        QTest::newRow("empty") << ""
                               << "1"
                               << ""
                               << "Line 2: the quantity \"\" is not a number.";
    }

    void numberCells()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, cost);
        QFETCH(QString, written);
        QFETCH(QString, stored);
        start();
        newRequest();
        setLines(
            {QStringLiteral("1003|1|1|N|N"), QStringLiteral("1001|%1|%2|Y|N").arg(quantity, cost)});
        testsupport::SqlLog capture;
        const bool saved = w().SaveRequest();
        QCOMPARE(saved, !written.isEmpty());
        if (!saved) {
            // Refused before it reached the database; nothing of the request is stored.
            QCOMPARE(m_messages->texts(), QStringList{stored});
            QCOMPARE(writes(capture).last(), QStringLiteral("ROLLBACK"));
            QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                         "DocumentNumber = '13'")),
                     QStringList{QStringLiteral("0")});
            QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
            return;
        }
        QVERIFY2(writes(capture).value(2).contains(QStringLiteral("'1001',") + written +
                                                   QStringLiteral(",'Y'")),
                 qPrintable(writes(capture).value(2)));
        QCOMPARE(rows(QStringLiteral("Select Quantity, UnitCost From tbInvWithdrawRequest Where "
                                     "DocumentNumber = '13' And ItemID = '1001'")),
                 QStringList{stored});
    }

    // A failure in the middle of a save (here the database refuses the second line) leaves the
    // stored request exactly as it was, and the user sees why.
    void failedInsertChangesNothing_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("opened request") << "7";
        QTest::newRow("new request") << "NEW";
    }

    void failedInsertChangesNothing()
    {
        QFETCH(QString, number);
        start();
        QVERIFY(testsupport::refuseInserts(db(), QStringLiteral("tbInvWithdrawRequest"),
                                           QStringLiteral("ItemID"), QStringLiteral("1002"),
                                           QStringLiteral("item 1002 refused")));
        if (number == QLatin1String("NEW"))
            newRequest();
        else
            open(number);
        setLines({QStringLiteral("1001|9|12.5|Y|N"), QStringLiteral("1002|9|3.5|N|N"),
                  QStringLiteral("1003|9|0.45|N|N")});
        const QStringList before = rows(allLines());

        testsupport::SqlLog capture;
        w().cmdSave->click();

        QCOMPARE(m_messages->count(), 1);
        const ui::Message failure = m_messages->messages().first();
        QVERIFY2(failure.text.contains(QLatin1String("item 1002 refused")),
                 qPrintable(failure.text));
        QCOMPARE(failure.icon, ui::Icon::Critical); // an error carries the error icon
        QCOMPARE(failure.title, ui::ApplicationTitle);
        QCOMPARE(writes(capture).last(), QStringLiteral("ROLLBACK"));
        QVERIFY(!db().InTransaction());
        QCOMPARE(rows(allLines()), before);
        // The window stays as it was: the number is not taken.
        QCOMPARE(w().txtDocNum->text(), number);
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void numberingFailureWritesNothing()
    {
        start();
        newRequest();
        setLines({QStringLiteral("1001|9|12.5|Y|N")});
        db().Execute(QStringLiteral("Drop Table tbInvWithdrawRequest"));
        testsupport::SqlLog capture;
        QVERIFY(!w().SaveRequest());
        // Only the numbering's own report (on the server the locking read before it is the
        // statement that fails, reported as any failed save); no delete or insert went out.
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(m_messages->messages().first().title, testsupport::onEmbeddedFile()
                                                           ? QStringLiteral("Error Message")
                                                           : ui::ApplicationTitle);
        QCOMPARE(writes(capture),
                 (QStringList{QStringLiteral("BEGIN TRANSACTION"), QStringLiteral("ROLLBACK")}));
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
    }

    void verifyCancelledSavesNothing()
    {
        start();
        open(QStringLiteral("7"));
        setLines({QStringLiteral("1001|9|12.5|Y|N")});
        const QStringList before = rows(allLines());
        {
            testsupport::SqlLog capture;
            w().blnVerifyMode = true;
            const auto watch = authorise(false);
            QVERIFY(!w().SaveRequest());
            QVERIFY(watch->acted);
            QCOMPARE(capture.statements(), QStringList()); // not one statement
        }
        // Through the button: the Details tab stays as it was.
        const auto watch = authorise(false);
        w().cmdVerify->click();
        QVERIFY(watch->acted);
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(rows(allLines()), before);
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().grdDetails->TextMatrix(1, 2), QStringLiteral("9"));
    }

    void verifyConfirmedStampsEveryLine()
    {
        start();
        open(QStringLiteral("7"));
        testsupport::SqlLog capture;
        const auto watch = authorise(true);
        w().cmdVerify->click();
        QVERIFY(watch->acted);
        QVERIFY(m_messages->messages().isEmpty());
        const QStringList sent = writes(capture);
        QCOMPARE(sent.value(sent.size() - 2),
                 QStringLiteral("Update Inventory..tbInvWithdrawRequest set Verifiedby = 'E02', "
                                "verifiedDate = GetDate() where DocumentNumber = '7'"));
        QCOMPARE(sent.last(), QStringLiteral("COMMIT"));
        // The typed ID, not the signed-in user's, on every line; the server's time.
        QCOMPARE(rows(QStringLiteral("Select ItemID, VerifiedBy, ") + nowOr("VerifiedDate") +
                      QStringLiteral(" From tbInvWithdrawRequest Where DocumentNumber = '7' "
                                     "Order By LineID")),
                 (QStringList{"1001|E02|now", "1002|E02|now"}));
        // Said in the status line; the verified list shows the request, selected.
        QCOMPARE(w().statusBar()->currentMessage(), QStringLiteral("Request 7 verified by E02"));
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QVERIFY(w().chkverified->isChecked());
        QCOMPARE(w().grdListing->TextMatrix(w().grdListing->Row(), 0), QStringLiteral("7"));
        QVERIFY(!listing(true, false).contains(QStringLiteral("7")));
        QVERIFY(listing(true, true).contains(QStringLiteral("7")));
    }

    // The hidden Save/Verify button asks for the password, then saves plainly.
    void hiddenSaveVerify_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("authorised") << true;
        QTest::newRow("abandoned") << false;
    }

    void hiddenSaveVerify()
    {
        QFETCH(bool, confirm);
        start();
        QVERIFY(w().cmdVerified->isHidden());
        open(QStringLiteral("7"));
        w().txtRemarks->setText(QStringLiteral("CHANGED"));
        const auto watch = authorise(confirm);
        w().cmdVerified_Click();
        QVERIFY(watch->acted);
        QCOMPARE(rows(QStringLiteral("Select Distinct Remarks, VerifiedBy From "
                                     "tbInvWithdrawRequest Where DocumentNumber = '7'")),
                 QStringList{confirm ? QStringLiteral("CHANGED|<null>")
                                     : QStringLiteral("WARD STOCK|<null>")});
        QCOMPARE(w().SSTab1->currentIndex(), confirm ? 0 : 1);
        QVERIFY(!w().blnVerifyMode);
    }

    void verifySaved()
    {
        start();
        w().VerifySaved(QStringLiteral("12"), QStringLiteral("O'NEIL"));
        QCOMPARE(rows(QStringLiteral("Select VerifiedBy, ") + nowOr("VerifiedDate") +
                      QStringLiteral(" From tbInvWithdrawRequest Where DocumentNumber = '12'")),
                 QStringList{QStringLiteral("O'NEIL|now")});
        QVERIFY(m_messages->messages().isEmpty());

        db().Execute(QStringLiteral("Drop Table tbInvWithdrawRequest"));
        w().VerifySaved(QStringLiteral("12"), QStringLiteral("E02"));
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(m_messages->messages().first().icon, ui::Icon::Critical);
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("Error Message"));
    }

    // New, two lines typed in, Save, listed; Edit, Verify/Save, listed under Verified; Delete,
    // listed nowhere.
    void roundTrip()
    {
        start();
        testsupport::SqlLog capture;
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
        w().txtRemarks->setText(QStringLiteral("ROUND TRIP"));
        w().txtProdCode->setFocus();
        for (const auto &[code, quantity] : {std::pair{"1001", "5"}, std::pair{"1003", "20"}}) {
            QTest::keyClicks(w().txtProdCode, QLatin1String(code));
            QTest::keyClick(w().txtProdCode, Qt::Key_Return);
            QTest::keyClicks(w().txtWithdraw, QLatin1String(quantity));
            QTest::keyClick(w().txtWithdraw, Qt::Key_Return);
            QTest::keyClick(w().txtUnitCost, Qt::Key_Return);
            QTest::keyClick(w().cmdOK, Qt::Key_Return);
        }
        QCOMPARE(w().grdDetails->Rows(), 4);
        w().cmdSave->click();
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("13"));
        QCOMPARE(stored(QStringLiteral("13")),
                 (QStringList{QStringLiteral("1001|5|11.25|Y|0|2026-12-08 23:59:59|ROUND TRIP|"
                                             "<null>|<null>|<null>"),
                              QStringLiteral("1003|20|0.45|Y|0|2026-12-08 23:59:59|ROUND TRIP|"
                                             "<null>|<null>|<null>")}));
        QCOMPARE(listing(true, false), (QStringList{"7", "12", "13"}));

        open(QStringLiteral("13"));
        QCOMPARE(w().grdDetails->TextMatrix(2, 0), QStringLiteral("1003"));
        const auto watch = authorise(true);
        w().cmdVerify->click();
        QVERIFY(watch->acted);
        QCOMPARE(listing(true, false), (QStringList{"7", "12"}));
        QCOMPARE(listing(true, true), (QStringList{"9", "13"}));

        w().grdListing->setRow(2);
        m_messages->queueAnswer(ui::Answer::Yes);
        w().cmdDeleteReq->click();
        for (const bool pending : {true, false}) {
            for (const bool verified : {true, false})
                QVERIFY(!listing(pending, verified).contains(QStringLiteral("13")));
        }
        QCOMPARE(rows(QStringLiteral("Select Distinct Status, VerifiedBy From "
                                     "tbInvWithdrawRequest Where DocumentNumber = '13'")),
                 QStringList{QStringLiteral("D|E02")});
        QCOMPARE(m_messages->texts(),
                 QStringList{QStringLiteral("Are you sure you want to delete this record?\n\n"
                                            "Request 13 from WARD 3, requested by REYES, A, 2 "
                                            "lines.")});

        // The product search in both forms, by name and by code.
        frmItemLookup &lookup = frmItemLookup::instance();
        lookup.setRequestLocationCodes(w().cboLocation->Tag(), w().cboTargetLocation->Tag());
        for (const QString &locationCode : {QString(), QStringLiteral("19")}) {
            lookup.setLocationCode(locationCode);
            for (const QString &text : {QStringLiteral("PA"), QStringLiteral("1001")})
                lookup.SearchProducts(text);
        }
        frmItemLookup::unload();
        // The server's plans are checked in the connection tests and the benchmarks.
        if (testsupport::currentEngine() == testsupport::Engine::Sqlite)
            checkCostsDoNotGrowWithTheTables(capture.statements());
    }

    // Workstations saving "NEW" at the same moment, each a process of its own driving the request
    // window against one database file: every save gets a number of its own and keeps exactly its
    // own lines.
    // Opening, saving again or verifying a request keeps who requested it, its date and its
    // justification; only what the user changes, and the verification stamp, are new.
    void keepsWhatPeopleWrote_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QString>(
            "remarks");                      // typed over the loaded justification; null: untouched
        QTest::addColumn<QString>("stored"); // UserID|TransDate|Remarks|VerifiedBy of every line
        QTest::newRow("Save") << false << QString()
                              << "E02|2026-11-02 09:00:00|WARD STOCK REPLENISHMENT|<null>";
        QTest::newRow("Verify/Save")
            << true << QString() << "E02|2026-11-02 09:00:00|WARD STOCK REPLENISHMENT|E02";
        QTest::newRow("justification changed") << false << "FOR THE ICU"
                                               << "E02|2026-11-02 09:00:00|FOR THE ICU|<null>";
    }

    void keepsWhatPeopleWrote()
    {
        QFETCH(bool, verify);
        QFETCH(QString, remarks);
        QFETCH(QString, stored);
        start(false, QString::fromLatin1(OtherRequests));
        open(QStringLiteral("21"));
        QCOMPARE(w().txtRemarks->text(), QStringLiteral("WARD STOCK REPLENISHMENT"));
        QCOMPARE(w().txtTransDate->dateTime(), QDateTime(QDate(2026, 11, 2), QTime(9, 0)));
        if (!remarks.isNull())
            w().txtRemarks->setText(remarks);
        std::shared_ptr<const ui::test::ModalWatch> watch;
        if (verify)
            watch = authorise(true);
        (verify ? w().cmdVerify : w().cmdSave)->click();
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(rows(QStringLiteral("Select Distinct UserID, TransDate, Remarks, VerifiedBy From "
                                     "tbInvWithdrawRequest Where DocumentNumber = '21'")),
                 QStringList{stored});
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                     "DocumentNumber = '21'")),
                 QStringList{QStringLiteral("2")});
    }

    // A processed or cancelled request opens for reading: every command that would change it
    // says so and writes nothing.
    void finalRequestsAreReadOnly_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        const QString processed =
            QStringLiteral("This request has been processed and can no longer be changed.");
        const QString cancelled =
            QStringLiteral("This request has been cancelled and can no longer be changed.");
        for (const char *command : {"cmdSave", "cmdVerify", "cmdOK", "cmdAdd", "cmdDelete"}) {
            QTest::addRow("processed, %s", command) << "22" << command << processed;
            QTest::addRow("cancelled, %s", command) << "23" << command << cancelled;
        }
    }

    void finalRequestsAreReadOnly()
    {
        QFETCH(QString, number);
        QFETCH(QString, command);
        QFETCH(QString, message);
        start(false, QString::fromLatin1(OtherRequests));
        // Neither is in the pending list: opened as a double-click on its row would open it.
        w().grdListing->setTextMatrix(1, 0, number);
        w().grdListing->setRow(1);
        emit w().grdListing->DblClick();
        QCOMPARE(w().txtDocNum->text(), number);
        QVERIFY(!w().lblFinal->isHidden());
        QCOMPARE(w().lblFinal->text(), number == QLatin1String("22")
                                           ? QStringLiteral("Processed: read only")
                                           : QStringLiteral("Cancelled: read only"));
        const QStringList before = stored(number);
        m_messages->clear();
        testsupport::SqlLog capture;
        w().findChild<QPushButton *>(command)->click();
        QCOMPARE(m_messages->texts(), QStringList{message});
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("MESSAGE"));
        QCOMPARE(writes(capture), QStringList());
        QCOMPARE(stored(number), before);
        QCOMPARE(w().grdDetails->Rows(), 3);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1001"));
    }

    // Processed or cancelled at another workstation after it was opened here: the save's own
    // check under the lock refuses it.
    void finalMeanwhileIsRefused_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QString>("message");
        const QString processed =
            QStringLiteral("This request has been processed and can no longer be changed.");
        const QString cancelled =
            QStringLiteral("This request has been cancelled and can no longer be changed.");
        QTest::newRow("processed, Save") << "P" << false << processed;
        QTest::newRow("processed, Verify/Save") << "P" << true << processed;
        QTest::newRow("cancelled, Save") << "D" << false << cancelled;
    }

    void finalMeanwhileIsRefused()
    {
        QFETCH(QString, status);
        QFETCH(bool, verify);
        QFETCH(QString, message);
        start();
        open(QStringLiteral("7"));
        db().Execute(QStringLiteral("Update tbInvWithdrawRequest Set Status = '%1', ProcessBy = "
                                    "'E09' Where DocumentNumber = '7'")
                         .arg(status));
        const QStringList before = stored(QStringLiteral("7"));
        setLines({QStringLiteral("1003|9|0.45|N|N")});
        std::shared_ptr<const ui::test::ModalWatch> watch;
        if (verify)
            watch = authorise(true);
        (verify ? w().cmdVerify : w().cmdSave)->click();
        QCOMPARE(m_messages->texts(), QStringList{message});
        QCOMPARE(stored(QStringLiteral("7")), before);
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        // From now on the window knows: refused before any password is asked.
        m_messages->clear();
        w().cmdVerify->click();
        QCOMPARE(m_messages->texts(), QStringList{message});
    }

    // Delete cancels a pending request only: a processed one, or one processed or cancelled
    // since the list was shown, keeps its record.
    void cancellingFinalRequestsIsRefused_data()
    {
        QTest::addColumn<bool>("processedList"); // chosen in the "Processed" list
        QTest::addColumn<QString>("status");     // set behind the window's back; "" for none
        QTest::addColumn<QStringList>("messages");
        const QString processed =
            QStringLiteral("This request has been processed and cannot be cancelled.");
        QTest::newRow("from the Processed list") << true << "" << QStringList{processed};
        // Found before anything is asked.
        QTest::newRow("processed meanwhile") << false << "P" << QStringList{processed};
        QTest::newRow("cancelled meanwhile")
            << false << "D"
            << QStringList{QStringLiteral("This request has already been cancelled.")};
    }

    void cancellingFinalRequestsIsRefused()
    {
        QFETCH(bool, processedList);
        QFETCH(QString, status);
        QFETCH(QStringList, messages);
        start(false, QString::fromLatin1(OtherRequests));
        const QString number = processedList ? QStringLiteral("22") : QStringLiteral("7");
        QVERIFY(listing(!processedList, processedList).contains(number));
        for (int r = 1; r < w().grdListing->Rows(); ++r) {
            if (w().grdListing->TextMatrix(r, 0) == number)
                w().grdListing->setRow(r);
        }
        if (!status.isEmpty())
            db().Execute(QStringLiteral("Update tbInvWithdrawRequest Set Status = '%1', "
                                        "ProcessBy = 'E09' Where DocumentNumber = '%2'")
                             .arg(status, number));
        const QStringList before = rows(
            QStringLiteral("Select Status, ProcessBy, ProcessDate From tbInvWithdrawRequest Where "
                           "DocumentNumber = '%1'")
                .arg(number));
        m_messages->queueAnswer(ui::Answer::Yes);
        w().cmdDeleteReq->click();
        QCOMPARE(m_messages->texts(), messages);
        QCOMPARE(rows(QStringLiteral("Select Status, ProcessBy, ProcessDate From "
                                     "tbInvWithdrawRequest Where DocumentNumber = '%1'")
                          .arg(number)),
                 before);
    }

    // A kit's code goes to the kit procedures as quoted text: a server reads an unquoted 0010 as
    // the number 10.
    void kitCodesGoQuoted_data()
    {
        QTest::addColumn<bool>("allItems");
        QTest::addColumn<QString>("statement");
        QTest::newRow("all items") << true << "Inventory..sp_Inv_KitofItems '0010'";
        QTest::newRow("one member")
            << false << "Inventory..sp_Inv_KitofItems_PerItem '0010','1003'";
    }

    void kitCodesGoQuoted()
    {
        QFETCH(bool, allItems);
        QFETCH(QString, statement);
        start(false, QString::fromLatin1(OtherRequests));
        newRequest();
        m_messages->queueAnswer(ui::Answer::Yes); // add the kit's items
        const auto watch = ui::test::whenModal([allItems](QWidget *dialog) {
            auto *kit = qobject_cast<frmKitEntry *>(dialog);
            QVERIFY(kit);
            if (allItems) {
                kit->chkAddAllItems->click();
                kit->cmdClose->click();
            } else {
                kit->flexMSHDetails->setRow(1);
                kit->cmdSelect->click();
            }
        });
        testsupport::SqlLog capture;
        w().txtProdCode->setText(QStringLiteral("0010"));
        QVERIFY(w().txtProdCode_Validate());
        QVERIFY(watch->acted);
        QVERIFY2(capture.statements().contains(statement),
                 qPrintable(capture.statements().join(QLatin1Char('\n'))));
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1003"));
        frmKitEntry::unload();
    }

    void concurrentSaves()
    {
        QTemporaryDir dir;
        auto c =
            testsupport::newDatabase(dir, db::Contents::SchemaOnly, QStringLiteral("shared.db"));
        c->runScript(fixture());
        const QString target = testsupport::targetOf(*c);

        const int processes = 4;
        const int saves = 15;
        const int lines = 3;
        auto workers =
            testsupport::startWorkstations(QStringLiteral(SAVE_WORKER), processes, [&](int p) {
                return QStringList{target, QString::number(saves), QString::number(lines),
                                   QStringLiteral("W%1").arg(p)};
            });
        // Every workstation presses Save at the same moment, save after save.
        for (int s = 0; s < saves; ++s)
            QVERIFY2(testsupport::meet(workers, "ready"),
                     testsupport::errorsOf(workers).constData());
        QMap<QString, QString> reported; // number -> the justification its saver gave it
        int duplicates = 0;
        for (auto &worker : workers) {
            QVERIFY2(worker->finish(), worker->errors().constData());
            for (const QByteArray &line : worker->lines()) {
                const QStringList parts = QString::fromLocal8Bit(line).split(QLatin1Char(' '));
                if (parts.size() != 3)
                    continue;
                if (reported.contains(parts.at(1)))
                    ++duplicates;
                reported.insert(parts.at(1), parts.at(2));
            }
        }

        int lost = 0;
        int gained = 0;
        for (auto it = reported.cbegin(); it != reported.cend(); ++it) {
            const QStringList got = testsupport::rows(
                *c, QStringLiteral("Select ItemID, Quantity, Remarks From tbInvWithdrawRequest "
                                   "Where DocumentNumber = ") +
                        db::quoted(it.key()) + QStringLiteral(" Order By LineID"));
            QStringList expected;
            for (int r = 1; r <= lines; ++r)
                expected << QStringLiteral("%1|%2|%3").arg(1000 + r).arg(r).arg(it.value());
            for (const QString &line : expected)
                lost += got.contains(line) ? 0 : 1;
            for (const QString &line : got)
                gained += expected.contains(line) ? 0 : 1;
        }
        qInfo("%d processes x %d saves: %d numbers, %d duplicates, %d lines lost, %d gained",
              processes, saves, int(reported.size()), duplicates, lost, gained);
        QCOMPARE(duplicates, 0);
        QCOMPARE(int(reported.size()), processes * saves);
        QCOMPARE(lost, 0);
        QCOMPARE(gained, 0);
        // The numbers follow on from the highest stored one, none skipped; the fixture's
        // requests are as they were.
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Count(Distinct DocumentNumber), "
                                                      "Min(Cast(DocumentNumber As Int)), "
                                                      "Max(Cast(DocumentNumber As Int)), Count(*) "
                                                      "From tbInvWithdrawRequest Where Remarks "
                                                      "Like 'W_-%'")),
                 QStringList{QStringLiteral("%1|13|%2|%3")
                                 .arg(processes * saves)
                                 .arg(12 + processes * saves)
                                 .arg(processes * saves * lines)});
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Count(*) From tbInvWithdrawRequest "
                                                      "Where Remarks Not Like 'W_-%'")),
                 QStringList{QStringLiteral("5")});
    }
};

INVENTORY_TEST_MAIN(TestSaving)
#include "tst_saving.moc"

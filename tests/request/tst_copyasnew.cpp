// Copy as New: a stored request, chosen in the list or shown on the Details tab, started again as
// a new request with today's costs; the lines that cannot be requested any more named in one
// message; unsaved work asked about first; nothing stored until Save.
#include "support/testsupport.h"

#include "support/serverdatabase.h"
#include "support/tcpproxy.h"

#include "app/modInventory.h"
#include "objects/clsItem.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using namespace modInventory;

namespace {

// E01 works at CENTRAL SUPPLY (19) and WARD 3 (27). The costs stored with the requests are those
// of their day; the master's average cost is today's. At CENTRAL SUPPLY, 1003 is no longer
// stocked, 1004 is inactive there and 1005 inactive everywhere.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E01', 'REYES', 'ANA');
INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, Packing, AverageCost,
                         UnitOfMeasureID, ItemStatus)
VALUES ('1001', 'GAUZE 4X4', 'STERILE', 12.5, 10, 11.25, 1, 0),
       ('1002', 'SYRINGE 5CC', 'DISPOSABLE', 4, 100, 3.5, 1, 0),
       ('1003', 'PARACETAMOL 500MG', 'TABLET', 0.5, 100, 0.45, 1, 0),
       ('1004', 'MASK N95', 'ADULT', 30, 1, 28, 1, 0),
       ('1005', 'GLOVES', 'LATEX', 5, 1, 4.75, 1, 1);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock, ItemStatus)
VALUES ('1001', '19', 40, 5, 0, 0, 0), ('1002', '19', 100, 20, 1, 7, 0),
       ('1004', '19', 10, 0, 0, 0, 1), ('1005', '19', 10, 0, 0, 0, 0),
       ('1003', '27', 10, 0, 0, 0, 0);
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, Status, VerifiedBy) VALUES
    ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK', NULL, NULL),
    ('7', '1002', 10, 3, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK', NULL, NULL),
    ('7', '1003', 2, 0.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK', NULL, NULL),
    ('7', '1004', 1, 25, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK', NULL, NULL),
    ('7', '1005', 1, 4, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK', NULL, NULL),
    ('8', '1002', 1200, 3, 'Y', 1, '19', '27', '2026-11-04 10:00:00', 'E01', 'ER', NULL, NULL),
    ('10', '1001', 3, 10, 'N', 0, '19', '27', '2026-09-01 08:00:00', 'E01', '', 'P', 'E02');
)";

} // namespace

class TestCopyAsNew : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    frmMain &w() { return *m_window; }

    void start()
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        AllowWDZeroOnHand = false;
        CurDate = QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    // The grid's coded lines, "code|quantity|unit cost|total|retail|ADS".
    QStringList gridLines()
    {
        QStringList lines;
        for (const QStringList &cells : w().codedLines()) {
            QStringList shown = cells.mid(0, 7);
            shown.removeAt(1); // the name is checked where it matters
            lines << shown.join(QLatin1Char('|'));
        }
        return lines;
    }

    int storedRows()
    {
        return testsupport::rows(m_session->connection(),
                                 QStringLiteral("Select Count(*) From tbInvWithdrawRequest"))
            .value(0)
            .toInt();
    }

    // The request chosen as the case says: in one of the lists, or opened on the Details tab.
    void choose(const QString &from, const QString &number)
    {
        if (from == QLatin1String("processed list"))
            w().optOptions[1]->click();
        if (from == QLatin1String("details"))
            testsupport::openListed(w(), number);
        else
            testsupport::selectListed(w(), number);
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
        testsupport::checkModalWatchesDone();
    }

    void copies_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QStringList>("messages");
        // Today's cost (the master's average cost), the stored quantities and choices; the ADS
        // flag only where the item is still an ADS stock item there.
        QTest::newRow("from the list, lines left out and named")
            << "pending list"
            << "7" << QStringList{"1001|5|11.2500|56.2500|Y|N", "1002|10|3.5000|35.0000|N|Y"}
            << "91.2500"
            << QStringList{"3 lines of request 7 not copied:\n\n"
                           "1003 PARACETAMOL 500MG TABLET: no longer stocked at CENTRAL SUPPLY\n"
                           "1004 MASK N95 ADULT: inactive\n"
                           "1005 GLOVES LATEX: inactive"};
        QTest::newRow("from the Details tab, every line at today's cost")
            << "details"
            << "8" << QStringList{"1002|1200|3.5000|4,200.0000|Y|Y"} << "4,200.0000"
            << QStringList();
        QTest::newRow("a processed request, from its list")
            << "processed list"
            << "10" << QStringList{"1001|3|11.2500|33.7500|N|N"} << "33.7500" << QStringList();
    }

    void copies()
    {
        QFETCH(QString, from);
        QFETCH(QString, number);
        QFETCH(QStringList, lines);
        QFETCH(QString, total);
        QFETCH(QStringList, messages);
        start();
        choose(from, number);
        const int before = storedRows();
        m_messages->clear();

        w().cmdCopyNew->click();

        QCOMPARE(m_messages->texts(), messages);
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
        QVERIFY(w().txtDocNum->isReadOnly());
        QCOMPARE(w().txtRemarks->text(), QString());
        QVERIFY(qAbs(w().txtTransDate->dateTime().secsTo(CurDate)) < 120); // now, server time
        QCOMPARE(w().cboTargetLocation->currentText(), QStringLiteral("WARD 3"));
        QCOMPARE(w().cboTargetLocation->Tag(), QStringLiteral("27"));
        QCOMPARE(w().cboLocation->currentText(), QStringLiteral("CENTRAL SUPPLY"));
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("19"));
        QVERIFY(w().cboLocation->isEnabled()); // a new request: its locations may still change
        QCOMPARE(gridLines(), lines);
        QCOMPARE(w().grdDetails->Rows(), int(lines.size()) + 2); // and the empty row
        QCOMPARE(w().txtTotalCounter->text(), total);
        QVERIFY(w().hasUnsavedWork());
        QCOMPARE(storedRows(), before); // nothing stored until Save

        // Save stores it under the next number, as shown.
        m_messages->clear();
        w().cmdSave->click();
        QCOMPARE(storedRows(), before + int(lines.size()));
        QVERIFY(!w().hasUnsavedWork());
        const QString next = QStringLiteral("11");
        w().optOptions[0]->click();
        testsupport::openListed(w(), next);
        QCOMPARE(gridLines(), lines);
        QCOMPARE(w().txtRemarks->text(), QString());
    }

    // The copy reads the request once and the items in one run of reads that a server gets in
    // one message (nothing else sent between them).
    void readsTheItemsTogether()
    {
        start();
        testsupport::selectListed(w(), QStringLiteral("7"));
        QStringList reads;
        for (const char *code : {"1001", "1002", "1003", "1004", "1005"})
            reads << clsItem::loadReads(QLatin1String(code), QStringLiteral("19"));
        testsupport::SqlLog log;
        w().cmdCopyNew->click();
        const QStringList sent = log.statements();
        QCOMPARE(sent.filter(QStringLiteral("sp_Inv_LoadWithdrawalRequest")).size(), 1);
        qsizetype first = -1, last = -1;
        for (qsizetype i = 0; i < sent.size(); ++i) {
            if (reads.contains(sent.at(i))) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        QVERIFY(first >= 0);
        const QStringList run = sent.mid(first, last - first + 1);
        for (const QString &statement : run)
            QVERIFY2(reads.contains(statement), qPrintable(statement));
        QCOMPARE(QSet<QString>(run.begin(), run.end()).size(), run.size()); // each read once
    }

    // On a server, the copy's round trips do not grow with its lines: the items are read in one
    // message. Five lines (three left out) take as many as one.
    void roundTripsDoNotGrowWithTheLines()
    {
        if (testsupport::currentEngine() != testsupport::Engine::PostgreSQL)
            QSKIP("the embedded file has no round trips");
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        auto logon = testsupport::testServerLogon(m_session->connection().databaseName());
        QVERIFY(logon);
        testsupport::TcpProxy proxy(logon->host.toStdString(), logon->port);
        logon->host = QStringLiteral("127.0.0.1");
        logon->port = proxy.port();
        m_session->user().attach(db::Connection::openPostgres(*logon), QStringLiteral("E01"));
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        AllowWDZeroOnHand = false;
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));

        testsupport::selectListed(w(), QStringLiteral("7"));
        proxy.resetCount();
        w().cmdCopyNew->click();
        const int fiveLines = proxy.roundTrips();
        QCOMPARE(w().codedLines().size(), 2);

        w().cmdList->click();
        w().optOptions[1]->click();
        testsupport::selectListed(w(), QStringLiteral("10"));
        m_messages->queueAnswer(ui::Answer::Yes); // leave the first copy unsaved
        proxy.resetCount();
        w().cmdCopyNew->click();
        const int oneLine = proxy.roundTrips();
        QCOMPARE(w().codedLines().size(), 1);

        QCOMPARE(fiveLines, oneLine);
        QVERIFY2(oneLine <= 6, qPrintable(QString::number(oneLine)));
        m_window.reset(); // before the proxy goes
    }

    // Unsaved work on the Details tab is asked about first; No keeps it as it was.
    void unsavedWorkAsksFirst_data()
    {
        QTest::addColumn<ui::Answer>("answer");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("remarks");
        QTest::addColumn<bool>("unsaved");
        QTest::newRow("No keeps the work") << ui::Answer::No << "8"
                                           << "ER STAT" << true;
        QTest::newRow("Yes copies") << ui::Answer::Yes << "NEW"
                                    << "" << true;
    }

    void unsavedWorkAsksFirst()
    {
        QFETCH(ui::Answer, answer);
        QFETCH(QString, number);
        QFETCH(QString, remarks);
        QFETCH(bool, unsaved);
        start();
        testsupport::openListed(w(), QStringLiteral("8"));
        w().txtRemarks->setFocus();
        w().txtRemarks->end(false);
        QTest::keyClicks(w().txtRemarks, QStringLiteral(" stat"));
        w().txtProdCode->setFocus(); // leaving the field keeps the change
        QVERIFY(w().hasUnsavedWork());
        m_messages->clear();
        m_messages->queueAnswer(answer);

        w().cmdCopyNew->click();

        QCOMPARE(m_messages->texts(),
                 QStringList{"Request 8 on the Details tab (1 line) has not been saved.\n\n"
                             "Leave it without saving to copy request 8 as a new one?"});
        QCOMPARE(w().txtDocNum->text(), number);
        QCOMPARE(w().txtRemarks->text(), remarks);
        QCOMPARE(w().hasUnsavedWork(), unsaved);
        QCOMPARE(gridLines(),
                 QStringList{answer == ui::Answer::No ? "1002|1200|3.0000|3,600.0000|Y|Y"
                                                      : "1002|1200|3.5000|4,200.0000|Y|Y"});
    }

    // Nothing stored to copy: the user is told and the window is left as it was.
    void nothingToCopy_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("a new request on the Details tab")
            << "new"
            << "Only a saved request can be copied as a new one, and this one has not been "
               "saved. Choose a saved request in the list.";
        QTest::newRow("an empty list") << "empty list"
                                       << "Choose the request to copy in the list first.";
    }

    void nothingToCopy()
    {
        QFETCH(QString, shown);
        QFETCH(QString, message);
        start();
        if (shown == QLatin1String("new")) {
            w().cmdNew->click();
        } else {
            w().chkverified->click(); // no pending, verified request is stored
            QVERIFY(!w().grdListing->isEnabled());
        }
        const int tab = w().SSTab1->currentIndex();
        const QString number = w().txtDocNum->text();
        m_messages->clear();

        w().cmdCopyNew->click();

        QCOMPARE(m_messages->texts(), QStringList{message});
        QCOMPARE(w().SSTab1->currentIndex(), tab);
        QCOMPARE(w().txtDocNum->text(), number);
    }
};

INVENTORY_TEST_MAIN(TestCopyAsNew)
#include "tst_copyasnew.moc"

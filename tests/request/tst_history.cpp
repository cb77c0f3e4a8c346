// A request's versions and the warning before a duplicate: every save, verification and
// cancellation keeps a version in its own transaction (a failed one keeps none), the changes from
// one version to the next in words, the history window, and a new request like an open one saved
// only when the user says so, also when two workstations save such requests at the same moment.
#include "support/testsupport.h"

#include "app/duplicaterequests.h"
#include "app/modInventory.h"
#include "app/requesthistory.h"
#include "dialogs/frmDeletePassword.h"
#include "dialogs/frmRequestHistory.h"
#include "platform/db/sqlquote.h"
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
#include <QTabWidget>
#include <QTableWidget>

using namespace modInventory;

namespace {

// E01 (signed in) belongs to CENTRAL SUPPLY (19) and WARD 3 (27); E02 may authorise
// verifications with the password NURSE. Request 7 was saved before versions were kept.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('20', 'PHARMACY', NULL, 1, 0, 1, NULL);
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
    LocationID, TargetLocationID, TransDate, UserID, Remarks) VALUES
    ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK'),
    ('7', '1002', 10, 3.5, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
)";

QString fixture()
{
    return QString::fromLatin1(Fixture) + testsupport::staffRow("E01", "REYES", "CLERK") +
           testsupport::staffRow("E02", "SANTOS", "NURSE");
}

// Lines written "code|quantity|unit cost|retail|ADS".
QList<requesthistory::Line> linesOf(const QStringList &written)
{
    QList<requesthistory::Line> lines;
    for (const QString &line : written) {
        const QStringList c = line.split(QLatin1Char('|'));
        lines.append(requesthistory::Line{.code = c.value(0),
                                          .quantity = c.value(1),
                                          .unitCost = c.value(2),
                                          .retail = c.value(3),
                                          .ads = c.value(4) == QLatin1String("Y")});
    }
    return lines;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    frmMain &w() { return *m_window; }
    db::Connection &db() { return m_session->connection(); }
    QStringList rows(const QString &sql) { return testsupport::rows(db(), sql); }

    void start(const QString &extra = QString())
    {
        m_session = std::make_unique<testsupport::Session>(fixture() + extra);
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        AllowWDZeroOnHand = false;
        CurDate = QDateTime::currentDateTime();
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    // New, from WARD 3 to CENTRAL SUPPLY, dated now.
    void newRequest(const QString &remarks = QStringLiteral("WARD STOCK"))
    {
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("19"));
        w().txtTransDate->setDateTime(QDateTime::currentDateTime().addSecs(-60));
        w().txtRemarks->setText(remarks);
    }

    void setLines(const QStringList &lines) { testsupport::setGridLines(w(), lines); }

    QStringList versions(const QString &number)
    {
        return rows(QStringLiteral("Select Version, Action, EmployeeID, VerifiedBy, Remarks, ") +
                    testsupport::nowOr(QStringLiteral("ActionDate")) +
                    QStringLiteral(" From tbInvRequestHistory Where DocumentNumber = ") +
                    db::quoted(number) + QStringLiteral(" Order By Version"));
    }

    QStringList allRequestLines()
    {
        return rows(QStringLiteral("Select DocumentNumber, ItemID, Quantity, UnitCost, Remarks, "
                                   "Status, VerifiedBy From tbInvWithdrawRequest Order By LineID"));
    }

    static std::shared_ptr<const ui::test::ModalWatch> authorise()
    {
        return ui::test::whenModal([](QWidget *dialog) {
            auto *d = qobject_cast<frmDeletePassword *>(dialog);
            QVERIFY(d);
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

    // A request saved, changed and saved again, verified and cancelled: four versions, each
    // written inside the transaction of its action, with the header and the lines as stored.
    void everyActionKeepsAVersion()
    {
        start();
        newRequest(QStringLiteral("O'HARA WARD STOCK"));
        setLines({QStringLiteral("1001|5|12.5000|Y|N"), QStringLiteral("1002|10|3.5|N|Y"),
                  QStringLiteral("1003|2|0.45|N|N")});
        testsupport::SqlLog capture;
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(), QStringList());
        const QString number = w().txtDocNum->text();
        QCOMPARE(number, QStringLiteral("8"));
        // The version goes with the save's own statements, before its commit.
        QStringList statements = capture.statements();
        const auto historyInsert = [](const QString &s) {
            return s.startsWith(QLatin1String("Insert INVENTORY..tbInvRequestHistory"));
        };
        const qsizetype insertAt =
            std::find_if(statements.cbegin(), statements.cend(), historyInsert) -
            statements.cbegin();
        QVERIFY2(insertAt < statements.size(), qPrintable(statements.join(QLatin1Char('\n'))));
        QCOMPARE(statements.indexOf(QStringLiteral("COMMIT")), insertAt + 1);
        QVERIFY(statements.lastIndexOf(QStringLiteral("BEGIN TRANSACTION"), insertAt) >= 0);

        testsupport::openListed(w(), number);
        setLines({QStringLiteral("1001|9|12.5|Y|N"), QStringLiteral("1003|2|0.5|N|N")});
        w().cmdSave->click();
        testsupport::openListed(w(), number);
        auto watch = authorise();
        w().cmdVerify->click();
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->texts(), QStringList());
        // Cancelled from the list (the verified list shows it, selected); the question is answered
        // Yes.
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        testsupport::selectListed(w(), number);
        w().cmdDeleteReq->click();
        QCOMPARE(m_messages->count(), 1);

        QCOMPARE(versions(number),
                 (QStringList{QStringLiteral("1|saved|E01|<null>|O'HARA WARD STOCK|now"),
                              QStringLiteral("2|saved|E01|<null>|O'HARA WARD STOCK|now"),
                              QStringLiteral("3|verified|E01|E02|O'HARA WARD STOCK|now"),
                              QStringLiteral("4|cancelled|E01|E02|O'HARA WARD STOCK|now")}));
        const QList<requesthistory::Version> kept = requesthistory::read(db(), number);
        QCOMPARE(kept.size(), 4);
        QCOMPARE(kept.at(0).lines,
                 linesOf({QStringLiteral("1001|5|12.5|Y|N"), QStringLiteral("1002|10|3.5|N|Y"),
                          QStringLiteral("1003|2|0.45|N|N")}));
        const auto after =
            linesOf({QStringLiteral("1001|9|12.5|Y|N"), QStringLiteral("1003|2|0.5|N|N")});
        QCOMPARE(kept.at(1).lines, after);
        QCOMPARE(kept.at(2).lines, after);
        QCOMPARE(kept.at(3).lines, after); // as stored when it was cancelled
        for (const requesthistory::Version &v : kept) {
            QCOMPARE(v.target, QStringLiteral("27"));
            QCOMPARE(v.location, QStringLiteral("19"));
            QCOMPARE(v.requester, QStringLiteral("E01"));
            QCOMPARE(v.transDate.toString(Qt::ISODate),
                     w().txtTransDate->dateTime().toString(Qt::ISODate));
        }
        QCOMPARE(requesthistory::tableRows(kept).at(1).at(4),
                 QStringLiteral("Line removed: 1002, quantity 10 at 3.5\n1001: quantity 5 \u2192 "
                                "9\n1003: unit cost 0.45 \u2192 0.5"));
    }

    // A save, verification or cancellation that fails (the database refuses one of its writes,
    // the version's own included) leaves no version and the request as it was.
    void failedActionKeepsNoVersion_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("value");
        QTest::newRow("new request, line refused") << "new"
                                                   << "tbInvWithdrawRequest"
                                                   << "ItemID"
                                                   << "1002";
        QTest::newRow("opened request, line refused") << "save"
                                                      << "tbInvWithdrawRequest"
                                                      << "ItemID"
                                                      << "1002";
        QTest::newRow("verification, line refused") << "verify"
                                                    << "tbInvWithdrawRequest"
                                                    << "ItemID"
                                                    << "1002";
        QTest::newRow("new request, version refused") << "new"
                                                      << "tbInvRequestHistory"
                                                      << "Action"
                                                      << "saved";
        QTest::newRow("opened request, version refused") << "save"
                                                         << "tbInvRequestHistory"
                                                         << "Action"
                                                         << "saved";
        QTest::newRow("verification, version refused") << "verify"
                                                       << "tbInvRequestHistory"
                                                       << "Action"
                                                       << "verified";
        QTest::newRow("cancellation, version refused") << "cancel"
                                                       << "tbInvRequestHistory"
                                                       << "Action"
                                                       << "cancelled";
    }

    void failedActionKeepsNoVersion()
    {
        QFETCH(QString, action);
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(QString, value);
        start();
        QVERIFY(testsupport::refuseInserts(db(), table, column, value,
                                           value + QStringLiteral(" refused")));
        const QStringList before = allRequestLines();
        std::shared_ptr<const ui::test::ModalWatch> watch;
        if (action == QLatin1String("cancel")) {
            testsupport::selectListed(w(), QStringLiteral("7"));
            w().cmdDeleteReq->click(); // "Are you sure?" answered Yes
        } else {
            if (action == QLatin1String("new"))
                newRequest();
            else
                testsupport::openListed(w(), QStringLiteral("7"));
            setLines({QStringLiteral("1001|9|12.5|Y|N"), QStringLiteral("1002|9|3.5|N|N")});
            if (action == QLatin1String("verify")) {
                watch = authorise();
                w().cmdVerify->click();
                QVERIFY(watch->acted);
            } else {
                w().cmdSave->click();
            }
            QCOMPARE(w().txtDocNum->text(),
                     action == QLatin1String("new") ? QStringLiteral("NEW") : QStringLiteral("7"));
        }
        const QString said = m_messages->texts().join(QLatin1Char('\n'));
        QVERIFY2(said.contains(value + QStringLiteral(" refused")), qPrintable(said));
        QVERIFY(!db().InTransaction());
        QCOMPARE(allRequestLines(), before);
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvRequestHistory")),
                 QStringList{QStringLiteral("0")});
    }

    // What changed from one version to the next, in words.
    void changes_data()
    {
        QTest::addColumn<QStringList>("before"); // empty: no version before
        QTest::addColumn<QString>("beforeRemarks");
        QTest::addColumn<QString>("beforeVerifiedBy");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("afterRemarks");
        QTest::addColumn<QString>("afterVerifiedBy");
        QTest::addColumn<QStringList>("expected");
        const QStringList two{QStringLiteral("1001|5|12.5|Y|N"), QStringLiteral("1002|10|3.5|N|Y")};
        const QString s = requesthistory::Saved;
        QTest::newRow("first version")
            << QStringList() << ""
            << "" << s << two << "WARD STOCK"
            << "" << QStringList{"Saved with 2 lines", "Justification: \"WARD STOCK\""};
        QTest::newRow("quantity changed")
            << two << "W"
            << "" << s << QStringList{"1001|7|12.5|Y|N", "1002|10.0000|3.5|N|Y"} << "W"
            << "" << QStringList{"1001: quantity 5 \u2192 7"};
        QTest::newRow("line removed")
            << two << "W"
            << "" << s << QStringList{"1002|10|3.5|N|Y"} << "W"
            << "" << QStringList{"Line removed: 1001, quantity 5 at 12.5"};
        QTest::newRow("line added") << two << "W"
                                    << "" << s << (two + QStringList{"1003|2|0.45|N|N"}) << "W"
                                    << "" << QStringList{"Line added: 1003, quantity 2 at 0.45"};
        QTest::newRow("cost changed")
            << two << "W"
            << "" << s << QStringList{"1001|5|13|Y|N", "1002|10|3.5|N|Y"} << "W"
            << "" << QStringList{"1001: unit cost 12.5 \u2192 13"};
        QTest::newRow("flags changed")
            << two << "W"
            << "" << s << QStringList{"1001|5|12.5|N|Y", "1002|10|3.5|N|Y"} << "W"
            << "" << QStringList{"1001: for retail Y \u2192 N", "1001: from ADS stock N \u2192 Y"};
        QTest::newRow("justification changed")
            << two << "WARD STOCK"
            << "" << s << two << "URGENT"
            << "" << QStringList{"Justification: \"WARD STOCK\" \u2192 \"URGENT\""};
        QTest::newRow("verified") << two << "W"
                                  << "" << requesthistory::Verified << two << "W"
                                  << "E02" << QStringList{"Verified by E02"};
        QTest::newRow("cancelled") << two << "W"
                                   << "E02" << requesthistory::Cancelled << two << "W"
                                   << "E02" << QStringList{"Cancelled by E01"};
        QTest::newRow("verification cleared by a save")
            << two << "W"
            << "E02" << s << two << "W"
            << "" << QStringList{"Verification by E02 cleared by the save"};
        QTest::newRow("saved unchanged") << two << "W"
                                         << "" << s << two << "W"
                                         << "" << QStringList{"Saved again without changes"};
        QTest::newRow("an item twice, the second changed")
            << QStringList{"1001|5|12.5|Y|N", "1001|1|12.5|Y|N"} << "W"
            << "" << s << QStringList{"1001|5|12.5|Y|N", "1001|3|12.5|Y|N"} << "W"
            << "" << QStringList{"1001: quantity 1 \u2192 3"};
        QTest::newRow("a line replaced by another")
            << two << "W"
            << "" << s << QStringList{"1001|5|12.5|Y|N", "1003|10|3.5|N|Y"} << "W"
            << ""
            << QStringList{"Line removed: 1002, quantity 10 at 3.5",
                           "Line added: 1003, quantity 10 at 3.5"};
    }

    void changes()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, beforeRemarks);
        QFETCH(QString, beforeVerifiedBy);
        QFETCH(QString, action);
        QFETCH(QStringList, after);
        QFETCH(QString, afterRemarks);
        QFETCH(QString, afterVerifiedBy);
        QFETCH(QStringList, expected);
        const QDateTime date(QDate(2026, 12, 8), QTime(1, 13, 29));
        std::optional<requesthistory::Version> was;
        if (!before.isEmpty())
            was = requesthistory::Version{.number = QStringLiteral("13"),
                                          .version = 1,
                                          .action = requesthistory::Saved,
                                          .employee = QStringLiteral("E01"),
                                          .at = date,
                                          .location = QStringLiteral("19"),
                                          .target = QStringLiteral("27"),
                                          .transDate = date,
                                          .requester = QStringLiteral("E01"),
                                          .remarks = beforeRemarks,
                                          .verifiedBy = beforeVerifiedBy,
                                          .lines = linesOf(before)};
        const requesthistory::Version now{.number = QStringLiteral("13"),
                                          .version = 2,
                                          .action = action,
                                          .employee = QStringLiteral("E01"),
                                          .at = date,
                                          .location = QStringLiteral("19"),
                                          .target = QStringLiteral("27"),
                                          .transDate = date,
                                          .requester = QStringLiteral("E01"),
                                          .remarks = afterRemarks,
                                          .verifiedBy = afterVerifiedBy,
                                          .lines = linesOf(after)};
        QCOMPARE(requesthistory::changes(was, now), expected);
        // The lines survive their stored form, quote marks and all.
        QCOMPARE(requesthistory::linesFromJson(requesthistory::linesJson(now.lines)), now.lines);
    }

    // F7 opens the history of the listed request and of the request opened on the Details tab;
    // the list has the focus, Escape closes it. A request saved before versions were kept says so.
    void historyWindow()
    {
        start();
        testsupport::openListed(w(), QStringLiteral("7"));
        setLines({QStringLiteral("1001|6|12.5|Y|N")});
        w().cmdSave->click(); // its first version
        QCOMPARE(w().SSTab1->currentIndex(), 0);

        struct Seen
        {
            int rows = -1;
            QString title;
            bool listFocused = false;
            QStringList firstRow;
            QList<int> currentRows;
        };
        const auto readHistory = [](Seen &seen) {
            return ui::test::whenModal([&seen](QWidget *dialog) {
                auto *d = qobject_cast<frmRequestHistory *>(dialog);
                QVERIFY(d);
                seen.rows = int(d->rows().size());
                seen.title = d->lblTitle->text();
                seen.listFocused = d->focusWidget() == d->tblVersions;
                seen.firstRow = d->rows().value(0);
                // The arrows move from the latest version to the one before.
                seen.currentRows << d->tblVersions->currentRow();
                QTest::keyClick(d->tblVersions, Qt::Key_Up);
                seen.currentRows << d->tblVersions->currentRow();
                QTest::keyClick(d->focusWidget(), Qt::Key_Escape);
            });
        };
        // From the list: the selected request.
        testsupport::selectListed(w(), QStringLiteral("7"));
        Seen listed;
        auto watch = readHistory(listed);
        QTest::keyClick(w().grdListing, Qt::Key_F7);
        QTRY_VERIFY(watch->acted); // a button's key clicks it a moment later
        QCOMPARE(listed.rows, 1);
        QVERIFY(listed.listFocused);
        QCOMPARE(listed.title, QStringLiteral("Request 7: 1 version"));
        QCOMPARE(
            listed.firstRow.mid(0, 3),
            (QStringList{QStringLiteral("1"), QStringLiteral("Saved"), QStringLiteral("E01")}));
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        // From the Details tab: the request opened, after a second save.
        testsupport::openListed(w(), QStringLiteral("7"));
        setLines({QStringLiteral("1001|8|12.5|Y|N")});
        w().cmdSave->click();
        testsupport::openListed(w(), QStringLiteral("7"));
        Seen opened;
        watch = readHistory(opened);
        // (The offscreen platform does not give the window back its activation by itself.)
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        QTest::keyClick(w().txtProdCode, Qt::Key_F7);
        QTRY_VERIFY(watch->acted);
        QCOMPARE(opened.rows, 2);
        QCOMPARE(opened.currentRows, (QList<int>{1, 0}));

        // A request kept before versions were: said plainly, nothing to print.
        db().runScript(QStringLiteral(
            "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
            "LocationID, TargetLocationID, TransDate, UserID) VALUES ('30', '1001', 1, 1, '19', "
            "'27', '2026-11-03 09:00:00', 'E01')"));
        w().cmdList->click();
        w().LoadListing();
        testsupport::selectListed(w(), QStringLiteral("30"));
        Seen old;
        watch = readHistory(old);
        w().cmdHistory->click();
        QVERIFY(watch->acted);
        QCOMPARE(old.rows, 0);
        QVERIFY2(old.title.contains(QLatin1String("no versions kept")), qPrintable(old.title));
        QCOMPARE(m_messages->texts(), QStringList());

        // The printed history holds what the window shows.
        frmRequestHistory dialog(QStringLiteral("7"),
                                 requesthistory::read(db(), QStringLiteral("7")));
        QTextDocument document;
        dialog.fillDocument(document);
        QVERIFY2(document.toPlainText().contains(QStringLiteral("1001: quantity 6 \u2192 8")),
                 qPrintable(document.toPlainText()));
    }

    // On Save of a new request, the open requests of the last 7 days from the same department to
    // the same location that share an item are shown; Enter saves anyway, Escape goes back with
    // nothing saved and no number taken.
    void duplicateWarning_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("location");
        QTest::addColumn<int>("ageDays");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<bool>("saveAnyway");
        QTest::newRow("alike, Enter saves") << "27"
                                            << "19" << 2 << ""
                                            << "1002" << true << true;
        QTest::newRow("alike, Escape goes back") << "27"
                                                 << "19" << 2 << ""
                                                 << "1002" << true << false;
        QTest::newRow("verified alike") << "27"
                                        << "19" << 6 << ""
                                        << "1001" << true << true;
        QTest::newRow("other department") << "28"
                                          << "19" << 2 << ""
                                          << "1002" << false << true;
        QTest::newRow("other location") << "27"
                                        << "20" << 2 << ""
                                        << "1002" << false << true;
        QTest::newRow("older than 7 days") << "27"
                                           << "19" << 8 << ""
                                           << "1002" << false << true;
        QTest::newRow("cancelled") << "27"
                                   << "19" << 2 << "D"
                                   << "1002" << false << true;
        QTest::newRow("processed") << "27"
                                   << "19" << 2 << "P"
                                   << "1002" << false << true;
        QTest::newRow("no shared item") << "27"
                                        << "19" << 2 << ""
                                        << "1003" << false << true;
    }

    void duplicateWarning()
    {
        QFETCH(QString, target);
        QFETCH(QString, location);
        QFETCH(int, ageDays);
        QFETCH(QString, status);
        QFETCH(QString, item);
        QFETCH(bool, warned);
        QFETCH(bool, saveAnyway);
        const QDateTime dated = QDateTime::currentDateTime().addDays(-ageDays);
        start(QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
                             "UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, "
                             "UserID, Remarks, Status, VerifiedBy) VALUES "
                             "('40', '%1', 1, 1, 'N', 0, '%2', '%3', '%4', 'E02', 'EARLIER', %5, "
                             "%6), ('40', '1003', 1, 1, 'N', 0, '%2', '%3', '%4', 'E02', "
                             "'EARLIER', %5, %6);")
                  .arg(item, location, target,
                       dated.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                       status.isEmpty() ? QStringLiteral("NULL") : db::quoted(status),
                       QTest::currentDataTag() == QByteArray("verified alike")
                           ? QStringLiteral("'E02'")
                           : QStringLiteral("NULL")));
        const QStringList before = allRequestLines();
        newRequest();
        setLines({QStringLiteral("1001|5|12.5|Y|N"), QStringLiteral("1002|10|3.5|N|N")});
        m_messages->queueAnswer(saveAnyway ? ui::Answer::OK : ui::Answer::Cancel);
        w().cmdSave->click();

        if (!warned) {
            QCOMPARE(m_messages->texts(), QStringList());
            QCOMPARE(w().txtDocNum->text(), QStringLiteral("41"));
            return;
        }
        QCOMPARE(m_messages->count(), 1);
        const ui::Message message = m_messages->messages().first();
        QCOMPARE(message.buttons, ui::Buttons::OKCancel); // Enter: OK; Escape: Cancel
        QCOMPARE(message.icon, ui::Icon::Exclamation);
        QVERIFY2(
            message.text.contains(QStringLiteral("Request 40 of %1 by SANTOS, A: %2\n")
                                      .arg(dated.toString(QStringLiteral("MM/dd/yyyy")), item)),
            qPrintable(message.text));
        QVERIFY2(message.text.startsWith(QLatin1String("WARD 3 already has an open request to "
                                                       "CENTRAL SUPPLY")),
                 qPrintable(message.text));
        if (saveAnyway) {
            QCOMPARE(w().txtDocNum->text(), QStringLiteral("41"));
            QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                         "DocumentNumber = '41'")),
                     QStringList{QStringLiteral("2")});
            return;
        }
        // Back to the request as it was: unsaved, unnumbered, its lines on screen.
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().grdDetails->TextMatrix(2, 0), QStringLiteral("1002"));
        QCOMPARE(allRequestLines(), before);
        QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvRequestHistory")),
                 QStringList{QStringLiteral("0")});
        QVERIFY(QApplication::overrideCursor() == nullptr);
        // Saved anyway the next time: the number no save took.
        m_messages->clear();
        w().cmdSave->click();
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("41"));
    }

    // The look reads only the lines of the request's own items, however many it has: the codes
    // go in lists of a few hundred, and a quote mark in one stays a value.
    void duplicateLookOfManyItems()
    {
        const QString dated = QDateTime::currentDateTime().addDays(-1).toString(
            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        start(QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
                             "UnitCost, LocationID, TargetLocationID, TransDate, UserID) VALUES "
                             "('40', 'X1100', 1, 1, '19', '27', '%1', 'E02'), "
                             "('40', 'O''B', 1, 1, '19', '27', '%1', 'E02'), "
                             "('40', 'OTHER', 1, 1, '19', '27', '%1', 'E02');")
                  .arg(dated));
        QStringList items;
        for (int i = 0; i < 1200; ++i)
            items << QStringLiteral("X%1").arg(i);
        items << QStringLiteral("o'b");
        db::Recordset rs = db().OpenRecordset(duplicaterequests::statement(
            QStringLiteral("27"), QStringLiteral("19"),
            QDateTime::currentDateTime().addDays(-duplicaterequests::Days), false, items));
        QCOMPARE(rs.RecordCount(), 2);
        const QList<duplicaterequests::Request> found = duplicaterequests::sharing(rs, items);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().sharedItems,
                 (QStringList{QStringLiteral("X1100"), QStringLiteral("O'B")}));
        // No item: nothing to share.
        QCOMPARE(db().OpenRecordset(
                         duplicaterequests::statement(QStringLiteral("27"), QStringLiteral("19"),
                                                      QDateTime::currentDateTime(), false, {}))
                     .RecordCount(),
                 0);
    }

    // A request alike saved by another workstation after the first look (here while the
    // authorization dialog of a Verify/Save waits) is found under the save's lock: the save rolls
    // back and the question is asked again, naming it. Enter saves; Escape leaves nothing saved.
    void requestSavedMeanwhileIsShown_data()
    {
        QTest::addColumn<bool>("saveAnyway");
        QTest::newRow("Enter saves") << true;
        QTest::newRow("Escape goes back") << false;
    }

    void requestSavedMeanwhileIsShown()
    {
        QFETCH(bool, saveAnyway);
        start();
        newRequest();
        setLines({QStringLiteral("1001|5|12.5|Y|N")});
        const QString dated = QDateTime::currentDateTime().addSecs(-3600).toString(
            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        auto watch = ui::test::whenModal([&](QWidget *dialog) {
            auto *d = qobject_cast<frmDeletePassword *>(dialog);
            QVERIFY(d);
            // Saved and committed elsewhere meanwhile.
            db().runScript(QStringLiteral("INSERT INTO tbInvWithdrawRequest (DocumentNumber, "
                                          "ItemID, Quantity, UnitCost, ForRetail, isADS, "
                                          "LocationID, TargetLocationID, TransDate, UserID) "
                                          "VALUES ('50', '1001', 1, 1, 'N', 0, '19', '27', '%1', "
                                          "'E02')")
                               .arg(dated));
            QTest::keyClicks(d->txtUserID, QStringLiteral("E02"));
            QTest::keyClicks(d->txtPassword, QStringLiteral("NURSE"));
            d->cmdEnter->click();
        });
        m_messages->queueAnswer(saveAnyway ? ui::Answer::OK : ui::Answer::Cancel);
        w().cmdVerify->click();
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->count(), 1);
        const QString text = m_messages->texts().first();
        QVERIFY2(text.startsWith(QLatin1String("Another request like this one was saved "
                                               "meanwhile.")) &&
                     text.contains(QLatin1String("Request 50 of ")),
                 qPrintable(text));
        QVERIFY(!db().InTransaction());
        if (saveAnyway) {
            QCOMPARE(w().txtDocNum->text(), QStringLiteral("51"));
            QCOMPARE(versions(QStringLiteral("51")).size(), 1);
            QCOMPARE(rows(QStringLiteral("Select VerifiedBy From tbInvWithdrawRequest Where "
                                         "DocumentNumber = '51'")),
                     QStringList{QStringLiteral("E02")});
        } else {
            QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
            QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvWithdrawRequest Where "
                                         "DocumentNumber <> '7' And DocumentNumber <> '50'")),
                     QStringList{QStringLiteral("0")});
            QCOMPARE(rows(QStringLiteral("Select Count(*) From tbInvRequestHistory")),
                     QStringList{QStringLiteral("0")});
        }
    }

    // Two workstations saving requests alike at the same moment, save after save: every request
    // saved was warned of every one saved before it, whether the first look found it or the look
    // again under the save's lock did.
    void simultaneousSavesSeeEachOther()
    {
        QTemporaryDir dir;
        auto c =
            testsupport::newDatabase(dir, db::Contents::SchemaOnly, QStringLiteral("shared.db"));
        c->runScript(fixture());
        const QString target = testsupport::targetOf(*c);
        const int processes = 2;
        const int saves = 4;
        auto workers =
            testsupport::startWorkstations(QStringLiteral(SAVE_WORKER), processes, [&](int p) {
                return QStringList{target, QString::number(saves), QStringLiteral("2"),
                                   QStringLiteral("W%1").arg(p)};
            });
        for (int s = 0; s < saves; ++s)
            QVERIFY2(testsupport::meet(workers, "ready"),
                     testsupport::errorsOf(workers).constData());
        QMap<int, QSet<int>> shown; // a saved number -> the numbers its saver was shown
        int foundUnderLock = 0;
        for (auto &worker : workers) {
            QVERIFY2(worker->finish(), worker->errors().constData());
            QSet<int> warned;
            for (const QByteArray &line : worker->lines()) {
                const QStringList parts = QString::fromLocal8Bit(line).split(QLatin1Char(' '));
                if (parts.value(0).startsWith(QLatin1String("warned"))) {
                    if (parts.value(0) == QLatin1String("warned-again"))
                        ++foundUnderLock;
                    for (const QString &n : parts.value(1).split(QLatin1Char(',')))
                        warned.insert(n.toInt());
                } else if (parts.value(0) == QLatin1String("saved")) {
                    shown.insert(parts.value(1).toInt(), warned);
                    warned.clear();
                }
            }
        }
        qInfo("%d saves, %d of the warnings found under the save's lock", int(shown.size()),
              foundUnderLock);
        QCOMPARE(int(shown.size()), processes * saves);
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            QSet<int> earlier;
            for (auto other = shown.cbegin(); other != it; ++other)
                earlier.insert(other.key());
            QVERIFY2(it.value().contains(earlier),
                     qPrintable(QStringLiteral("request %1 was saved without being shown one "
                                               "saved before it")
                                    .arg(it.key())));
        }
        // Each kept its first version.
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Count(*), Max(Version) From "
                                                      "tbInvRequestHistory")),
                 QStringList{QStringLiteral("%1|1").arg(processes * saves)});
    }
};

INVENTORY_TEST_MAIN(TestHistory)
#include "tst_history.moc"

// The List tab: the four listings of the requests addressed to the user's locations, the filter
// controls and what they enable, loading a listed request back, and cancelling one.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/twips.h"
#include "request/frmMain.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <cmath>
#include <limits>

using namespace modInventory;

namespace {

// E01 belongs to CENTRAL SUPPLY (19) and WARD 3 (27); requests are listed by their supplying
// location. Request 20 goes to the PHARMACY, which is not E01's, so it is never listed.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('28', 'WARD 4', NULL, 0, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('30', 'PHARMACY', NULL, 0, 1, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E01', 'REYES', 'ANA');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E02', 'SANTOS', 'MARIA');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1001', 'GAUZE 4X4', 'STERILE');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1002', 'SYRINGE 5CC', 'DISPOSABLE');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, Status, VerifiedBy) VALUES
    ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL),
    ('7', '1002', 10, 3, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL),
    ('12', '1002', 2.5, 12.5, 'Y', 1, '19', '28', '2026-10-20 10:00:00', 'E02', 'ER', NULL, NULL),
    ('13', '1001', NULL, NULL, 'N', 0, '27', '19', '2026-11-03 08:00:00', 'E01', '', '', ''),
    ('9', '1001', 1, 12.5, 'N', 0, '19', '27', '2026-11-05 08:00:00', 'E01', '', NULL, 'E02'),
    ('10', '1001', 1, 12.5, 'N', 0, '19', '28', '2026-09-01 08:00:00', 'E02', '', 'P', 'E02'),
    ('11', '1001', 1, 12.5, 'N', 0, '19', '27', '2026-09-15 08:00:00', 'E01', '', 'P', NULL),
    ('15', '1001', 1, 12.5, 'N', 0, '19', '27', '2026-11-06 08:00:00', 'E01', '', 'D', NULL),
    ('16', '1001', 1, 12.5, 'N', 0, '19', '27', '2026-11-07 08:00:00', 'E01', '', 'D', 'E02'),
    ('20', '1001', 1, 12.5, 'N', 0, '30', '27', '2026-11-08 08:00:00', 'E01', '', NULL, NULL);
)";

const QString ListingHeader = QStringLiteral(
    "Doc #     |Request From                |To                           |Date             "
    "|Requested By");

} // namespace

class TestListing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    void start(const QString &employee = QStringLiteral("E01"), const QString &extra = QString())
    {
        m_session =
            std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture) + extra, employee);
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        CurDate = QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    frmMain &w() { return *m_window; }

    // The document numbers the listing shows, top to bottom.
    QStringList shown()
    {
        QStringList numbers;
        for (int r = 1; r < w().grdListing->Rows(); ++r)
            numbers << w().grdListing->TextMatrix(r, 0);
        return numbers;
    }

    // One of the four listings, the filter controls set directly.
    QStringList listing(bool pending, bool verified)
    {
        w().optOptions[pending ? 0 : 1]->setChecked(true);
        w().chkverified->setChecked(verified);
        w().LoadListing();
        return shown();
    }

    void selectListed(const QString &number) { testsupport::selectListed(w(), number); }

    // What enables with the filters: the grid, Edit and DETAILS.
    QString enabled()
    {
        return QStringLiteral("%1%2%3")
            .arg(w().grdListing->isEnabled() ? 'G' : '-')
            .arg(w().cmdEdit->isEnabled() ? 'E' : '-')
            .arg(w().cmdDetails->isEnabled() ? 'D' : '-');
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
    }

    // A request's version is the hash of each line's cells as their text, whatever way each text
    // is made: numbers and plain texts are written straight into the line, the others through
    // the general conversion. Each case is one column's values on successive lines.
    void versionOfEachCellsText_data()
    {
        QTest::addColumn<QVariantList>("values");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        QTest::newRow("whole doubles")
            << QVariantList{0.0, -0.0, 1.0, -7.0, 999999999999999.0, 1e15, 1e16, -1e15, 12.0};
        QTest::newRow("four decimals or fewer")
            << QVariantList{0.0001,         -0.0001,         12.5,   3.1416, -12.3456,
                            999999999.9999, 9999999999.9999, 0.0005, 10.1,   -9999999.9999};
        QTest::newRow("more decimals, exponents, no number")
            << QVariantList{0.1 + 0.2,         1e-5, 2.5e-9,   123456.78901, 1e300, -1e-300,
                            99999999999999.99, nan,  infinity, -infinity};
        QTest::newRow("whole numbers") << QVariantList{qlonglong(0), qlonglong(-1), qlonglong(42),
                                                       std::numeric_limits<qlonglong>::min(),
                                                       std::numeric_limits<qlonglong>::max()};
        QTest::newRow("texts") << QVariantList{QString(),
                                               QStringLiteral(""),
                                               QStringLiteral("1001"),
                                               QStringLiteral("1001"),
                                               QStringLiteral("ST. JOHN'S WORT \"4X4\""),
                                               QStringLiteral("CAF\u00c9 \u00d1"),
                                               QStringLiteral("CAF\u00c9 \u00d1"),
                                               QString(QChar(0xd800)),
                                               QStringLiteral("N")};
        QTest::newRow("kinds mixed, nulls between")
            << QVariantList{qlonglong(5),
                            5.0,
                            QStringLiteral("5"),
                            QVariant(),
                            QVariant(QMetaType::fromType<double>()),
                            true,
                            QDateTime(QDate(2026, 11, 2), QTime(9, 0)),
                            QDateTime(QDate(2026, 11, 2), QTime(9, 0)),
                            QDate(2026, 11, 2),
                            5.5};
        QVariantList many; // more than the lines hashed at a time
        for (int n = 0; n < 9000; ++n)
            many << (n % 3 == 0 ? QVariant(n / 10000.0) : QVariant(QString::number(n)));
        QTest::newRow("many lines") << many;
    }

    void versionOfEachCellsText()
    {
        QFETCH(QVariantList, values);
        QVector<QVector<QVariant>> rows;
        QByteArray expected;
        for (const QVariant &value : values) {
            rows.append({QStringLiteral("1001"), value, QStringLiteral("Y")});
            expected += "1001\x1f";
            expected += value.isNull() ? QByteArray("\\N") : db::Field::textOf(value).toUtf8();
            expected += "\x1fY\x1f\x1e";
        }
        // Description is no part of a version.
        db::Recordset rs({QStringLiteral("ItemID"), QStringLiteral("Quantity"),
                          QStringLiteral("Status"), QStringLiteral("Description")},
                         rows);
        int lines = 0;
        QCOMPARE(frmMain::requestVersion(rs, &lines),
                 QString::fromLatin1(
                     QCryptographicHash::hash(expected, QCryptographicHash::Sha1).toHex()));
        QCOMPARE(lines, values.size());
    }

    void fourListings_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<bool>("verified");
        QTest::addColumn<QStringList>("numbers");
        // In transaction-date order; a Status of '' and a VerifiedBy of '' count as empty.
        QTest::newRow("pending, not verified") << true << false << QStringList{"12", "7", "13"};
        QTest::newRow("pending, verified") << true << true << QStringList{"9"};
        QTest::newRow("processed, not verified") << false << false << QStringList{"11"};
        QTest::newRow("processed, verified") << false << true << QStringList{"10"};
    }

    void fourListings()
    {
        QFETCH(bool, pending);
        QFETCH(bool, verified);
        QFETCH(QStringList, numbers);
        start();
        QCOMPARE(listing(pending, verified), numbers);
        QVERIFY(w().grdListing->isEnabled());
        QCOMPARE(w().grdListing->Cols(), 5);
        QCOMPARE(w().grdListing->FormatString(), ListingHeader);
        const int widths[] = {1200, 2500, 2500, 2000, 2500};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(w().grdListing->columnWidth(c), ui::twipsToPixels(widths[c]));
        QVERIFY(m_messages->messages().isEmpty());
    }

    void listedRow()
    {
        start();
        QCOMPARE(shown(), (QStringList{"12", "7", "13"})); // the load shows pending, not verified
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << w().grdListing->TextMatrix(2, c);
        // Requested from WARD 3, to CENTRAL SUPPLY, saved by E01.
        // The date as month, day, year and time, short enough for its column (the year in two
        // digits where the font needs it); the stored value as the cell's tooltip.
        const QString date = cells.takeAt(3);
        QCOMPARE(cells.join(QLatin1Char('|')),
                 QStringLiteral("7|WARD 3|CENTRAL SUPPLY|REYES, ANA"));
        QVERIFY2(date == QLatin1String("11/02/2026 09:00 AM") ||
                     date == QLatin1String("11/02/26 09:00 AM") ||
                     date == QLatin1String("11/02/26 09:00"),
                 qPrintable(date));
        ui::FlexGrid &grid = *w().grdListing;
        const QRect cell = grid.visualRect(grid.model()->index(1, 3));
        QCOMPARE(grid.toolTipAt(cell.center()), QStringLiteral("2026-11-02 09:00:00"));
        QVERIFY(grid.fontMetrics().horizontalAdvance(date) < cell.width());
    }

    void noLocationsNoListing()
    {
        start(QStringLiteral("E02")); // E02 belongs to no location
        QVERIFY(!w().grdListing->isEnabled());
        QCOMPARE(shown().join(QString()), QString());
        QCOMPARE(w().grdListing->FormatString(), ListingHeader);
        QVERIFY(m_messages->messages().isEmpty());
    }

    // The filter controls through their clicks; the letters say which of the grid, Edit and
    // DETAILS are enabled.
    void filterRules()
    {
        start();
        QCOMPARE(enabled(), QStringLiteral("GED"));

        w().optOptions[1]->click(); // Processed: verified ones only, the box locked
        QVERIFY(w().chkverified->isChecked());
        QVERIFY(!w().chkverified->isEnabled());
        QCOMPARE(shown(), QStringList{"10"});
        QCOMPARE(enabled(), QStringLiteral("G--")); // browsed and printed from, not edited

        w().optOptions[0]->click(); // Pending: the box unticked and free again
        QVERIFY(!w().chkverified->isChecked());
        QVERIFY(w().chkverified->isEnabled());
        QCOMPARE(shown(), (QStringList{"12", "7", "13"}));
        QCOMPARE(enabled(), QStringLiteral("GED"));

        w().chkverified->click(); // the verified listing can be browsed, yet nothing opens one
        QCOMPARE(shown(), QStringList{"9"});
        QCOMPARE(enabled(), QStringLiteral("G--"));

        w().chkverified->click();
        QCOMPARE(shown(), (QStringList{"12", "7", "13"}));
        QCOMPARE(enabled(), QStringLiteral("GED"));
        QVERIFY(m_messages->messages().isEmpty());
    }

    void filterRulesOnEmptyListings()
    {
        // Nothing pending and unverified, nothing processed and verified.
        start(QStringLiteral("E01"),
              QStringLiteral("DELETE FROM tbInvWithdrawRequest WHERE DocumentNumber IN "
                             "('7', '12', '13', '10');"));
        QCOMPARE(enabled(), QStringLiteral("-ED"));
        w().chkverified->click();
        QCOMPARE(shown(), QStringList{"9"});
        QCOMPARE(enabled(), QStringLiteral("G--"));
        w().chkverified->click(); // unticking opens all three, the empty grid too
        QCOMPARE(enabled(), QStringLiteral("GED"));
        w().optOptions[1]->click();
        QCOMPARE(enabled(), QStringLiteral("---"));
        QCOMPARE(shown().join(QString()), QString());
    }

    void listingFailureIsShown()
    {
        start();
        m_session->connection().Execute(QStringLiteral("Drop Table tbInvWithdrawRequest"));
        w().LoadListing();
        QCOMPARE(m_messages->count(), 1);
        const ui::Message shownMessage = m_messages->messages().first();
        // The server's own words for the missing table.
        QVERIFY2(shownMessage.text.contains(QLatin1String("no such table")) ||
                     shownMessage.text.contains(QLatin1String("does not exist")),
                 qPrintable(shownMessage.text));
        QCOMPARE(shownMessage.title, ui::ApplicationTitle);
        QCOMPARE(shownMessage.icon, ui::Icon::Critical);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void loadRequest_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QStringList>("lines"); // the grid's rows after the header, "|"-joined
        QTest::addColumn<QString>("header");    // number, supplying tag and name, department's
        QTest::addColumn<QString>("dated");     // the date and justification shown, "|"-joined
        QTest::newRow("one line gives three rows")
            << "12" << QStringList{"1002|SYRINGE 5CC DISPOSABLE|2.5|12.5000|31.2500|Y|Y", "||||||"}
            << "12|19|CENTRAL SUPPLY|28|WARD 4"
            << "2026-10-20 10:00:00|ER";
        QTest::newRow("two lines")
            << "7"
            << QStringList{"1001|GAUZE 4X4 STERILE|5|12.5000|62.5000|Y|N",
                           "1002|SYRINGE 5CC DISPOSABLE|10|3.0000|30.0000|N|Y", "||||||"}
            << "7|19|CENTRAL SUPPLY|27|WARD 3"
            << "2026-11-02 09:00:00|WARD STOCK";
        QTest::newRow("null quantity and cost show 0")
            << "13" << QStringList{"1001|GAUZE 4X4 STERILE|0|0.0000|0.0000|N|N", "||||||"}
            << "13|27|WARD 3|19|CENTRAL SUPPLY"
            << "2026-11-03 08:00:00|";
        // The header controls keep what they showed; the grid is emptied to its two rows.
        QTest::newRow("no rows") << "99" << QStringList{"||||||"} << "KEPT|19|CENTRAL SUPPLY||"
                                 << "2026-01-02 03:04:05|TYPED BEFORE";
    }

    void loadRequest()
    {
        QFETCH(QString, number);
        QFETCH(QStringList, lines);
        QFETCH(QString, header);
        start();
        w().optOptions[0]->setChecked(true);
        QFETCH(QString, dated);
        w().txtDocNum->setText(QStringLiteral("KEPT"));
        w().txtRemarks->setText(QStringLiteral("TYPED BEFORE"));
        w().txtTransDate->setDateTime(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
        // Left over from a request shown before: an empty load must not keep it.
        w().grdDetails->setTextMatrix(1, 0, QStringLiteral("STALE"));
        w().grdListing->setTextMatrix(1, 0, number); // the listed row to load
        w().grdListing->setRow(1);
        w().LoadRequest(true);

        QStringList rows;
        for (int r = 1; r < w().grdDetails->Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < 7; ++c)
                cells << w().grdDetails->TextMatrix(r, c);
            rows << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(rows, lines);
        QCOMPARE(w().grdDetails->Cols(), 7);
        QCOMPARE(w().grdDetails->FormatString(),
                 QStringLiteral("Code |< Product Name & Description | Quantity | Unit Cost| Total "
                                "Cost| Retail?|"));
        QCOMPARE(w().grdDetails->ColWidth(6), 0);
        QCOMPARE(QStringList({w().txtDocNum->text(), w().cboLocation->Tag(),
                              w().cboLocation->currentText(), w().cboTargetLocation->Tag(),
                              w().cboTargetLocation->currentText()})
                     .join(QLatin1Char('|')),
                 header);
        // The stored date and justification come back with the lines.
        QCOMPARE(w().txtTransDate->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                     QLatin1Char('|') + w().txtRemarks->text(),
                 dated);
        QCOMPARE(w().txtLineCounter->text(),
                 QStringLiteral("%1/%2").arg(w().grdDetails->Row()).arg(lines.size()));
        QVERIFY(m_messages->messages().isEmpty());
    }

    void cancelRequest_data()
    {
        QTest::addColumn<ui::Answer>("answer");
        QTest::addColumn<QStringList>("stored");
        QTest::newRow("Yes marks every line")
            << ui::Answer::Yes << QStringList{"1001|D|E01|now", "1002|D|E01|now"};
        QTest::newRow("No changes nothing")
            << ui::Answer::No
            << QStringList{"1001|<null>|<null>|<null>", "1002|<null>|<null>|<null>"};
    }

    void cancelRequest()
    {
        QFETCH(ui::Answer, answer);
        QFETCH(QStringList, stored);
        start();
        selectListed(QStringLiteral("7"));
        m_messages->queueAnswer(answer);
        w().cmdDeleteReq->click();

        QCOMPARE(m_messages->count(), 1);
        const ui::Message asked = m_messages->messages().first();
        QCOMPARE(asked.text, QStringLiteral("Are you sure you want to delete this record?\n\n"
                                            "Request 7 from WARD 3, requested by REYES, ANA, 2 "
                                            "lines."));
        QCOMPARE(asked.buttons, ui::Buttons::YesNo);
        QCOMPARE(asked.icon, ui::Icon::Question);
        QCOMPARE(asked.title, QStringLiteral("Message"));

        // No row is removed; ProcessDate is the server's time of the cancellation.
        const QStringList rows = testsupport::rows(
            m_session->connection(),
            QStringLiteral("Select ItemID, Status, ProcessBy, ") +
                testsupport::nowOr(QStringLiteral("ProcessDate")) +
                QStringLiteral(" From tbInvWithdrawRequest Where DocumentNumber = '7' Order By "
                               "ItemID"));
        QCOMPARE(rows, stored);
        const bool cancelled = answer == ui::Answer::Yes;
        QCOMPARE(shown().contains(QStringLiteral("7")), !cancelled); // the listing was refreshed
        if (cancelled) {
            for (const bool pending : {true, false}) {
                for (const bool verified : {true, false})
                    QVERIFY(!listing(pending, verified).contains(QStringLiteral("7")));
            }
        }
    }
};

INVENTORY_TEST_MAIN(TestListing)
#include "tst_listing.moc"

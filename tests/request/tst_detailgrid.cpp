// The detail grid of the request window: storing, appending, replacing, scrolling, deleting, the
// grand total and the line counter.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace modInventory;

class TestDetailGrid : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    frmMain &w() { return *m_window; }

    // Types one line into the entry fields and stores it.
    void store(const QString &code, const QString &total, bool retail = true, bool ads = false)
    {
        w().cmdOK->setFocus(); // as a click on the line button would: the entry fields are left
        w().txtProdCode->setText(code);
        w().txtProdName->setText(code + QStringLiteral(" NAME"));
        w().txtWithdraw->setText(QStringLiteral("1"));
        w().txtUnitCost->setText(total);
        w().txtTotalCost->setText(total);
        w().optConsumed[retail ? 0 : 1]->setChecked(true);
        w().chkAdS->setChecked(ads);
        w().StoreLine();
    }

    QStringList column(int c)
    {
        QStringList cells;
        for (int r = 1; r < w().grdDetails->Rows(); ++r)
            cells << w().grdDetails->TextMatrix(r, c);
        return cells;
    }

private slots:
    void init()
    {
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        m_session = std::make_unique<testsupport::Session>(QStringLiteral(
            "INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);"
            "INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);"
            "INSERT INTO tbinvUserLocation VALUES ('E01', '27');"
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, UnitOfMeasureID) VALUES ('1001', "
            "'GAUZE', '4X4', 1);"
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, UnitOfMeasureID) VALUES ('1003', "
            "'TAPE', '1IN', 1);"
            "INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('1001', '19', 40);"
            "INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('1003', '19', 0);"
            "INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('1001', '27', 2);"
            "INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('1003', '27', 1);"));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
    }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_messages.reset();
    }

    void freshGrid()
    {
        w().ComputeGrandTotal();
        w().ShowLineCounter();
        QCOMPARE(w().txtLineCounter->text(), QStringLiteral("1/1"));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("0.0000"));
        QCOMPARE(w().grdDetails->TextMatrix(0, 1), QStringLiteral(" Product Name & Description "));
        QCOMPARE(w().grdDetails->TextMatrix(0, 5), QStringLiteral(" Retail?"));
    }

    void storeAppendsThenReplaces()
    {
        store(QStringLiteral("1001"), QStringLiteral("12.5000"), true, true);
        QCOMPARE(w().grdDetails->Rows(), 3);
        QCOMPARE(w().grdDetails->Row(), 2); // the new empty row is current
        QCOMPARE(w().txtProdCode->text(), QString());
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1001"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 5), QStringLiteral("Y"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 6), QStringLiteral("Y"));

        store(QStringLiteral("1002"), QStringLiteral("3.0000"), false);
        w().grdDetails->setRow(1);
        QCOMPARE(w().txtProdCode->text(), QStringLiteral("1001")); // the row shows in the fields
        QVERIFY(w().chkAdS->isChecked());
        w().cmdOK->setFocus();
        w().txtWithdraw->setText(QStringLiteral("4"));
        w().StoreLine();
        QCOMPARE(w().grdDetails->Rows(), 4);
        // Back to the empty row for the next line, the focus in Code where it shows.
        QCOMPARE(w().grdDetails->Row(), 3);
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        QCOMPARE(column(0), (QStringList{"1001", "1002", ""}));
        QCOMPARE(column(2), (QStringList{"4", "1", ""}));
        QCOMPARE(column(5), (QStringList{"Y", "N", ""}));

        w().ShowLineCounter();
        QCOMPARE(w().txtLineCounter->text(), QStringLiteral("3/3"));
    }

    void selectingARowShowsIt_data()
    {
        QTest::addColumn<bool>("retailEnabled");
        QTest::addColumn<QString>("retailCell");
        QTest::addColumn<bool>("yes");
        QTest::newRow("empty row, retail allowed") << true << "" << true;
        QTest::newRow("empty row, retail not allowed") << false << "" << false;
        QTest::newRow("consumption line") << true << "N" << false;
        QTest::newRow("kit line type") << true << "R" << true;
    }

    void selectingARowShowsIt()
    {
        QFETCH(bool, retailEnabled);
        QFETCH(QString, retailCell);
        QFETCH(bool, yes);
        store(QStringLiteral("1001"), QStringLiteral("1.0000"));
        w().grdDetails->setTextMatrix(1, 5, retailCell);
        w().optConsumed[0]->setEnabled(retailEnabled);
        w().grdDetails->setRow(1);
        QCOMPARE(w().optConsumed[0]->isChecked(), yes);
        QCOMPARE(w().optConsumed[1]->isChecked(), !yes);
    }

    void scrollsSevenRows()
    {
        // A grid that shows seven lines, as the window's layout does at its smallest.
        ui::FlexGrid &grid = *w().grdDetails;
        grid.setFixedHeight(grid.horizontalHeader()->height() + 7 * grid.rowHeight(0) +
                            2 * grid.frameWidth());
        QCoreApplication::processEvents();
        for (int i = 1; i <= 10; ++i) {
            store(QStringLiteral("C%1").arg(i), QStringLiteral("1.0000"));
            if (w().grdDetails->Row() > 7)
                QCOMPARE(w().grdDetails->TopRow(), w().grdDetails->Rows() - 7);
        }
        QCOMPARE(w().grdDetails->Rows(), 12);
        w().grdDetails->setRow(2);
        w().cmdAdd->click();
        QCOMPARE(w().grdDetails->Row(), 11);
        QCOMPARE(w().grdDetails->TopRow(), 5);
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
    }

    void deleting()
    {
        store(QStringLiteral("1001"), QStringLiteral("1,234.5000"));
        store(QStringLiteral("1002"), QStringLiteral("10.0000"));
        store(QStringLiteral("1003"), QStringLiteral("5.0000"));
        w().grdDetails->setRow(2);
        w().cmdDelete->click();
        QCOMPARE(column(0), (QStringList{"1001", "1003", ""}));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("1,239.5000"));
        QCOMPARE(w().txtLineCounter->text(), QStringLiteral("2/3"));

        // The empty last row stays.
        w().grdDetails->setRow(3);
        w().cmdDelete->click();
        QCOMPARE(w().grdDetails->Rows(), 4);

        // A full stop typed in the grid deletes; Enter takes the row into the fields.
        w().grdDetails->setFocus();
        w().grdDetails->setRow(1);
        QTest::keyClick(w().grdDetails, '.');
        QCOMPARE(column(0), (QStringList{"1003", ""}));
        w().grdDetails->setFocus();
        QTest::keyClick(w().grdDetails, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        QCOMPARE(w().txtProdCode->text(), QStringLiteral("1003"));
    }

    void grandTotal_data()
    {
        QTest::addColumn<QStringList>("totals");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouped") << QStringList{"1,234.5000", "10.0000"} << "1,244.5000";
        QTest::newRow("not numeric adds nothing") << QStringList{"abc", "", "2.5"} << "2.5000";
        QTest::newRow("rounded to four decimals per line")
            << QStringList{"0.00005", "0.00005"} << "0.0002";
        QTest::newRow("negative") << QStringList{"-3", "1"} << "-2.0000";
        QTest::newRow("large") << QStringList{"999,999,999.9999", "0.0001"} << "1,000,000,000.0000";
    }

    void grandTotal()
    {
        QFETCH(QStringList, totals);
        QFETCH(QString, expected);
        for (const QString &t : totals)
            store(QStringLiteral("X"), t);
        w().ComputeGrandTotal();
        QCOMPARE(w().txtTotalCounter->text(), expected);
    }

    void lineCounter()
    {
        for (int i = 0; i < 4; ++i)
            store(QStringLiteral("L%1").arg(i), QStringLiteral("1"));
        w().grdDetails->setRow(3);
        QCOMPARE(w().txtLineCounter->text(), QStringLiteral("3/5"));
    }

    void cannotGrowPastTheLargestRow()
    {
        w().grdDetails->setRows(frmMain::MaxGridRow + 1);
        w().grdDetails->setRow(frmMain::MaxGridRow);
        m_messages->clear();
        store(QStringLiteral("Z"), QStringLiteral("1"));
        QCOMPARE(w().grdDetails->Rows(), frmMain::MaxGridRow + 1);
        QCOMPARE(w().grdDetails->TextMatrix(frmMain::MaxGridRow, 0), QStringLiteral("Z"));
        QCOMPARE(m_messages->count(), 1);
        QVERIFY(m_messages->messages().first().text.contains(QLatin1String("32767")));
    }
};

INVENTORY_TEST_MAIN(TestDetailGrid)
#include "tst_detailgrid.moc"

// Line entry in the request window: resolving what the clerk types, the item's values, the
// quantity and cost checks, the line button's checks in order, and kits.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "dialogs/frmKitEntry.h"
#include "objects/clsItemClass.h"
#include "objects/clsItemMaster.h"
#include "objects/clsSupplier.h"
#include "objects/clsUnitOfMeasure.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "request/linevalues.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, BarCode, ListCost, Packing, AverageCost, UnitOfMeasureID, KitID)
VALUES ('1001', 'GAUZE 4X4 ', 'STERILE', '4800001', 12.5, 10, 11.25, 1, NULL),
       ('1002', 'PARACETAMOL 500MG', 'TABLET', NULL, 0.5, 100, 0.45, 1, NULL),
       ('1003', 'SYRINGE 5CC', 'DISPOSABLE', NULL, 4, 100, 3.5, 1, NULL),
       ('1004', 'PARACETAMOL 250MG', 'SYRUP', NULL, 30, 1, 28, 1, NULL),
       ('2001', 'IV START KIT', 'ADULT', NULL, 100, 1, 90, 1, 'K1');
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock)
VALUES ('1001', '19', 40, 5, 0, 0), ('1002', '19', 0, 0, 0, 0), ('1003', '19', 100, 20, 1, 7),
       ('1004', '19', 3, 0, 0, 0), ('2001', '19', 6, 0, 0, 0),
       ('1001', '27', 1, 0, 0, 0), ('1002', '27', 1, 0, 0, 0), ('1003', '27', 1, 0, 0, 0),
       ('1004', '27', 1, 0, 0, 0), ('2001', '27', 1, 0, 0, 0);
INSERT INTO tbInvKit (KitID, ItemID, Quantity, RetailType, Active)
VALUES ('K1', '1001', 2, 'Y', 'A'), ('K1', '1003', 1, 'N', 'A');
)";

} // namespace

class TestLineEntry : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    frmMain &w() { return *m_window; }

    // A new request from WARD 3 to CENTRAL SUPPLY, the focus in the product code.
    void start(const QString &client = QString(), bool allowZero = false)
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        ClientName = client;
        AllowWDZeroOnHand = allowZero;
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
        w().txtProdCode->setFocus();
        m_messages->clear();
    }

    bool resolve(const QString &typed)
    {
        w().txtProdCode->setText(typed);
        return w().txtProdCode_Validate();
    }

private slots:
    void init() { m_messages = std::make_unique<ui::ScopedRecordingResponder>(); }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_messages.reset();
        frmKitEntry::unload();
        testsupport::checkModalWatchesDone();
    }

    void resolution_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("item code") << "1001"
                                   << "1001"
                                   << "GAUZE 4X4 STERILE";
        QTest::newRow("bar code") << "4800001"
                                  << "1001"
                                  << "GAUZE 4X4 STERILE";
        QTest::newRow("code with blanks") << "  1003 "
                                          << "1003"
                                          << "SYRINGE 5CC DISPOSABLE";
        QTest::newRow("the one name that starts so") << "SYR"
                                                     << "1003"
                                                     << "SYRINGE 5CC DISPOSABLE";
    }

    void resolution()
    {
        QFETCH(QString, typed);
        QFETCH(QString, code);
        QFETCH(QString, name);
        start();
        QVERIFY(resolve(typed));
        QCOMPARE(w().txtProdCode->text(), code);
        QCOMPARE(w().txtProdName->text(), name);
        QCOMPARE(QApplication::focusWidget(), w().txtWithdraw);
        QVERIFY(!w().blnBrowseItem);
        QVERIFY(m_messages->messages().isEmpty());
    }

    void itemValues()
    {
        start(QStringLiteral("RQ"));
        QVERIFY(resolve(QStringLiteral("1001")));
        QCOMPARE(w().txtListCost->text(), QStringLiteral("12.5"));
        QCOMPARE(w().txtPacking->text(), QStringLiteral("10"));
        QCOMPARE(w().txtOnhand->text(), QStringLiteral("40"));
        QCOMPARE(w().txtAverageCost->text(), QStringLiteral("11.2500"));
        QCOMPARE(w().txtUOM->text(), QStringLiteral("BOX"));
        QCOMPARE(w().txtMin->text(), QStringLiteral("5"));
        QCOMPARE(w().txtMax->text(), QStringLiteral("5")); // the maximum is the minimum stock level
        QCOMPARE(w().txtUnitCost->text(), QStringLiteral("11.2500"));
        QVERIFY(w().chkAdS->isHidden());

        // An ADS item shows its ADS stock and ticks the box; a typed unit cost stays.
        w().txtUnitCost->setText(QStringLiteral("5"));
        QVERIFY(resolve(QStringLiteral("1003")));
        QVERIFY(!w().chkAdS->isHidden());
        QVERIFY(w().chkAdS->isChecked());
        QCOMPARE(w().lblADSStock->text(), QStringLiteral("7"));
        QCOMPARE(w().txtUnitCost->text(), QStringLiteral("5"));

        w().txtUnitCost->setText(QStringLiteral("0.00"));
        QVERIFY(resolve(QStringLiteral("1001")));
        QCOMPARE(w().txtUnitCost->text(), QStringLiteral("11.2500"));
        QVERIFY(w().chkAdS->isHidden());
        QVERIFY(w().chkAdS->isChecked()); // hidden, the box keeps its value
    }

    void searchClosedWithoutChoiceChangesNothing()
    {
        start();
        QVERIFY(resolve(QStringLiteral("1001")));
        auto watch = ui::test::whenModal([](QWidget *dialog) { ui::test::closeModal(dialog); });
        QVERIFY(resolve(QStringLiteral("PARA"))); // two products start so: the list is shown
        QVERIFY(watch->acted);
        QCOMPARE(w().txtProdCode->text(), QStringLiteral("PARA"));
        QVERIFY(!w().blnBrowseItem);
        QVERIFY(m_messages->messages().isEmpty()); // it ends silently
    }

    void emptyCodeAsksNothing()
    {
        start();
        w().txtProdName->setText(QStringLiteral("OLD"));
        QVERIFY(resolve(QStringLiteral("   ")));
        QCOMPARE(w().txtProdName->text(), QString());
        w().cmdCode->click(); // the product search button does nothing either
        QCOMPARE(ui::test::pendingModalWatches(), 0);
        QVERIFY(!w().blnBrowseItem);
        QVERIFY(m_messages->messages().isEmpty());
    }

    void zeroOnHand_data()
    {
        QTest::addColumn<bool>("allowZero");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("refused at zero")
            << true << "1002" << QStringList{"Zero Item Onhand", "Enter another item"};
        QTest::newRow("accepted when allowed") << false << "1002" << QStringList();
        QTest::newRow("no kit check when refusing zero") << true << "2001" << QStringList();
    }

    void zeroOnHand()
    {
        QFETCH(bool, allowZero);
        QFETCH(QString, code);
        QFETCH(QStringList, messages);
        start(QString(), allowZero);
        QVERIFY(resolve(code));
        QCOMPARE(m_messages->texts(), messages);
        if (!messages.isEmpty()) {
            QCOMPARE(m_messages->messages().at(0).title, QStringLiteral("HEY!"));
            QCOMPARE(m_messages->messages().at(0).icon, ui::Icon::Critical);
            QCOMPARE(m_messages->messages().at(1).title, QStringLiteral("OK"));
            QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        } else {
            QVERIFY(!w().txtProdName->text().trimmed().isEmpty());
        }
    }

    void quantityAndCost()
    {
        start();
        w().txtWithdraw->setText(QStringLiteral("2.6"));
        QVERIFY(w().txtWithdraw_Validate());
        QCOMPARE(w().txtWithdraw->text(), QStringLiteral("3"));
        w().txtWithdraw->setText(QStringLiteral(" "));
        QVERIFY(w().txtWithdraw_Validate());
        QCOMPARE(w().txtWithdraw->text(), QStringLiteral("0"));
        w().txtWithdraw->setText(QStringLiteral("ABC"));
        QVERIFY(!w().txtWithdraw_Validate());
        QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("Invalid entry...")});

        w().txtWithdraw->setText(QStringLiteral("4"));
        w().txtUnitCost->setText(QStringLiteral("1,234.5"));
        QVERIFY(w().txtUnitCost_Validate());
        QCOMPARE(w().txtTotalCost->text(), QStringLiteral("4,938.0000"));
    }

    // A cost is written from its ten-thousandths when it has no more decimals than that, and by
    // the general format otherwise: the two must never write a value differently.
    void moneyAsTheGeneralFormat_data()
    {
        QTest::addColumn<double>("value");
        for (const double value : {0.0,
                                   -0.0,
                                   0.0001,
                                   0.5,
                                   12.25,
                                   1234.5,
                                   -12.3456,
                                   999.9999,
                                   9999999.9999,
                                   123456789012.3456,
                                   0.00005,
                                   1.23456,
                                   -0.00004,
                                   1e15,
                                   2.5e-9,
                                   98765.43215,
                                   100.0,
                                   1000.0,
                                   -1000.0,
                                   999999.9999,
                                   1000000.0001,
                                   -1234567.8912,
                                   0.0009,
                                   9999999999.9999,
                                   -9999999999.9999,
                                   99999999999.9999})
            QTest::addRow("%.10g", value) << value;
    }
    void moneyAsTheGeneralFormat()
    {
        QFETCH(double, value);
        QCOMPARE(linevalues::money(value),
                 vb::formatNumber(value, QStringLiteral("###,###,##0.0000")));
    }

    // A request's total can pass what 64 bits hold: every digit is still written.
    void moneyPast64Bits()
    {
        const linevalues::Units units = linevalues::Units(1) << 70;
        QCOMPARE(linevalues::money(units), QStringLiteral("118,059,162,071,741,130.3424"));
        QCOMPARE(linevalues::money(-units), QStringLiteral("-118,059,162,071,741,130.3424"));
    }

    // Values past a hospital's line are refused with a message, never shown cut; a cost is kept
    // to the four decimals every engine stores, and the total follows what is shown.
    void quantityAndCostLimits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // empty when refused
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("total"); // for 4 units, or the quantity typed at 2.5
        const QString quantityLimit = QStringLiteral("The quantity must be at most 9,999,999.");
        const QString costLimit = QStringLiteral("The unit cost must be at most 9,999,999.9999.");
        QTest::newRow("quantity 1e308") << "quantity"
                                        << "1e308"
                                        << "" << quantityLimit << "";
        QTest::newRow("quantity one past") << "quantity"
                                           << "10000000"
                                           << "" << quantityLimit << "";
        QTest::newRow("largest quantity") << "quantity"
                                          << "9999999"
                                          << "9999999"
                                          << ""
                                          << "24,999,997.5000";
        QTest::newRow("negative cost") << "cost"
                                       << "-5"
                                       << ""
                                       << "The unit cost cannot be negative."
                                       << "";
        QTest::newRow("cost past the limit") << "cost"
                                             << "1e10"
                                             << "" << costLimit << "";
        QTest::newRow("cost of five decimals") << "cost"
                                               << "1.23456"
                                               << "1.2346"
                                               << ""
                                               << "4.9384";
        QTest::newRow("tiny cost") << "cost"
                                   << "0.000000001"
                                   << "0.00"
                                   << ""
                                   << "0.0000";
        QTest::newRow("largest cost") << "cost"
                                      << "9999999.9999"
                                      << "9,999,999.9999"
                                      << ""
                                      << "39,999,999.9996";
    }

    void quantityAndCostLimits()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(QString, total);
        start();
        w().txtWithdraw->setText(QStringLiteral("4"));
        w().txtUnitCost->setText(QStringLiteral("2.5"));
        const bool quantity = field == QLatin1String("quantity");
        QLineEdit *box = quantity ? w().txtWithdraw : w().txtUnitCost;
        box->setText(typed);
        const bool accepted = quantity ? w().txtWithdraw_Validate() : w().txtUnitCost_Validate();
        QCOMPARE(accepted, !shown.isEmpty());
        QCOMPARE(m_messages->texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (accepted) {
            QCOMPARE(box->text(), shown);
            QCOMPARE(w().txtTotalCost->text(), total);
        }
    }

    void updateChecks_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("cost");
        QTest::addColumn<QString>("onHand");
        QTest::addColumn<bool>("allowZero");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("focus");
        QTest::newRow("1 no code") << " "
                                   << "1"
                                   << "1"
                                   << "5" << false << "Invalid product code..."
                                   << "MESSAGE"
                                   << "txtProdCode";
        QTest::newRow("2 quantity not numeric") << "1001"
                                                << "X"
                                                << "X"
                                                << "5" << false << "Invalid quantity..."
                                                << "MESSAGE"
                                                << "txtWithdraw";
        QTest::newRow("3 no quantity") << "1001"
                                       << "0"
                                       << "X"
                                       << "5" << false << "Please enter a value for Quantity."
                                       << "MESSAGE"
                                       << "txtWithdraw";
        QTest::newRow("4 cost not numeric") << "1001"
                                            << "-2"
                                            << "X"
                                            << "5" << false << "Invalid unit cost..."
                                            << "MESSAGE"
                                            << "txtUnitCost";
        QTest::newRow("4 quantity past the limit")
            << "1001"
            << "1e308"
            << "1"
            << "5" << false << "The quantity must be at most 9,999,999."
            << "MESSAGE"
            << "txtWithdraw";
        QTest::newRow("4 cost past the limit")
            << "1001"
            << "2"
            << "10000000"
            << "5" << false << "The unit cost must be at most 9,999,999.9999."
            << "MESSAGE"
            << "txtUnitCost";
        QTest::newRow("4 negative cost") << "1001"
                                         << "-2"
                                         << "-1"
                                         << "5" << false << "Invalid unit cost..."
                                         << "MESSAGE"
                                         << "txtUnitCost";
        QTest::newRow("5 negative quantity")
            << "1001"
            << "-2"
            << "1"
            << "5" << false << "Quantity must not be lesser than zero."
            << "HEY!"
            << "txtWithdraw";
        QTest::newRow("6 nothing on hand") << "1001"
                                           << "2"
                                           << "1"
                                           << "0" << true << "Zero Item Onhand"
                                           << "HEY!"
                                           << "txtProdCode";
        QTest::newRow("stored") << "1001"
                                << "2"
                                << "1"
                                << "0" << false << ""
                                << ""
                                << "";
    }

    void updateChecks()
    {
        QFETCH(QString, code);
        QFETCH(QString, quantity);
        QFETCH(QString, cost);
        QFETCH(QString, onHand);
        QFETCH(bool, allowZero);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(QString, focus);
        start();
        AllowWDZeroOnHand = allowZero;
        if (!code.trimmed().isEmpty())
            QVERIFY(resolve(code));
        w().cmdOK->setFocus();
        w().txtProdCode->setText(code);
        w().txtWithdraw->setText(quantity);
        w().txtUnitCost->setText(cost);
        w().txtOnhand->setText(onHand);
        m_messages->clear();
        w().cmdOK_Click();
        QVERIFY(!w().txtTotalCounter->isHidden());
        if (message.isEmpty()) {
            QVERIFY(m_messages->messages().isEmpty());
            QCOMPARE(w().grdDetails->TextMatrix(1, 0), code);
            QCOMPARE(w().grdDetails->Rows(), 3);
            QVERIFY(!w().cmdOK->isEnabled());
            return;
        }
        QCOMPARE(m_messages->messages().first().text, message);
        QCOMPARE(m_messages->messages().first().title, title);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(w().grdDetails->Rows(), 2); // nothing stored
    }

    // Only a code resolved to an item at the location becomes a line; a code that did not
    // resolve never shows the values of the item shown before it.
    void unresolvedCodesNeverBecomeLines_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("allowZero");
        QTest::addColumn<bool>("searchShown"); // the product search opens and is closed unanswered
        QTest::addColumn<QString>("told");     // said at once, the code kept to be typed again
        // Nothing answers to the code: said at once, with no empty search window first.
        QTest::newRow("matches nothing")
            << "QZQZ9" << false << false << "No product QZQZ9 at CENTRAL SUPPLY for WARD 3";
        QTest::newRow("search closed without a choice") << "PARA" << false << true << "";
        QTest::newRow("refused for zero stock") << "1002" << true << false << "";
    }

    void unresolvedCodesNeverBecomeLines()
    {
        QFETCH(QString, typed);
        QFETCH(bool, allowZero);
        QFETCH(bool, searchShown);
        QFETCH(QString, told);
        start(QString(), allowZero);
        QVERIFY(resolve(QStringLiteral("1001"))); // an item shown before
        std::shared_ptr<const ui::test::ModalWatch> watch;
        if (searchShown)
            watch = ui::test::whenModal([](QWidget *dialog) { ui::test::closeModal(dialog); });
        m_messages->clear();
        QCOMPARE(resolve(typed), told.isEmpty());
        if (watch)
            QVERIFY(watch->acted);
        if (!told.isEmpty()) {
            QCOMPARE(m_messages->texts(), QStringList{told});
            QCOMPARE(w().txtProdCode->text(), typed);
            QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        }
        for (const QLineEdit *box :
             {w().txtProdName, w().txtListCost, w().txtOnhand, w().txtAverageCost, w().txtUOM})
            QCOMPARE(box->text(), QString());
        w().txtWithdraw->setText(QStringLiteral("2"));
        w().txtUnitCost->setText(QStringLiteral("1"));
        m_messages->clear();
        w().cmdOK_Click();
        QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("Invalid product code...")});
        QCOMPARE(w().grdDetails->Rows(), 2);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QString());
    }

    void overStockWarnsAndStores()
    {
        start(QStringLiteral("NORBEK"));
        QVERIFY(resolve(QStringLiteral("1004")));
        w().cmdOK->setFocus();
        w().txtWithdraw->setText(QStringLiteral("9"));
        w().txtUnitCost->setText(QStringLiteral("1"));
        w().txtOnhand->setText(QStringLiteral("3"));
        w().cmdOK_Click();
        QCOMPARE(m_messages->texts(),
                 QStringList{
                     QStringLiteral("The requested quantity is greater than the current stock")});
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1004"));
    }

    // A kit over a line already entered (5555, total 10): its items go after the line, replace
    // it, or nothing changes (Escape), as the user answers; the totals and counter follow.
    void kits_data()
    {
        QTest::addColumn<QString>("choice");   // all, member, none, refuse
        QTest::addColumn<ui::Answer>("lines"); // the answer on the lines already entered
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("counter");
        QTest::newRow("all items after the line")
            << "all" << ui::Answer::Yes << QStringList{"5555", "1001", "1003", ""} << "36.0000"
            << "2/4";
        QTest::newRow("all items in place of the line")
            << "all" << ui::Answer::No << QStringList{"1001", "1003", ""} << "26.0000"
            << "1/3";
        QTest::newRow("one member after the line")
            << "member" << ui::Answer::Yes << QStringList{"5555", "1003", ""} << "13.5000"
            << "2/3";
        QTest::newRow("taken back")
            << "all" << ui::Answer::Cancel << QStringList{"5555", ""} << "10.0000"
            << "2/2";
        QTest::newRow("closed without a choice")
            << "none" << ui::Answer::Yes << QStringList{"5555", ""} << "10.0000"
            << "2/2";
        QTest::newRow("kit not wanted")
            << "refuse" << ui::Answer::Yes << QStringList{"5555", ""} << "10.0000"
            << "2/2";
    }

    void kits()
    {
        QFETCH(QString, choice);
        QFETCH(ui::Answer, lines);
        QFETCH(QStringList, codes);
        QFETCH(QString, total);
        QFETCH(QString, counter);
        start();
        w().grdDetails->setTextMatrix(1, 0, QStringLiteral("5555"));
        w().grdDetails->setTextMatrix(1, 2, QStringLiteral("4"));
        w().grdDetails->setTextMatrix(1, 3, QStringLiteral("2.5"));
        w().grdDetails->setTextMatrix(1, 4, QStringLiteral("10.0000"));
        w().AddDetailRow();
        w().grdDetails->setRow(2);
        w().ComputeGrandTotal();
        m_messages->queueAnswer(choice == QLatin1String("refuse") ? ui::Answer::No
                                                                  : ui::Answer::Yes);
        m_messages->queueAnswer(lines);
        std::shared_ptr<const ui::test::ModalWatch> watch;
        if (choice != QLatin1String("refuse")) {
            watch = ui::test::whenModal([choice](QWidget *dialog) {
                auto *kit = static_cast<frmKitEntry *>(dialog);
                if (choice == QLatin1String("all")) {
                    kit->chkAddAllItems->click();
                    kit->cmdClose->click();
                } else if (choice == QLatin1String("member")) {
                    kit->flexMSHDetails->setRow(2);
                    kit->cmdSelect->click();
                } else {
                    kit->cmdClose->click();
                }
            });
        }
        QVERIFY(resolve(QStringLiteral("2001")));
        const QString question =
            QStringLiteral("Item is a Kit. Do you want to add items located in the Kit?");
        const bool expanded = choice == QLatin1String("all") || choice == QLatin1String("member");
        QCOMPARE(m_messages->texts().first(), question);
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("Message"));
        if (expanded) {
            // The lines already entered are never replaced unasked.
            QCOMPARE(m_messages->count(), 2);
            const ui::Message asked = m_messages->messages().at(1);
            QVERIFY2(asked.text.startsWith(QLatin1String("The request already has 1 line.")),
                     qPrintable(asked.text));
            QCOMPARE(asked.buttons, ui::Buttons::YesNoCancel);
        } else {
            QCOMPARE(m_messages->count(), 1);
        }
        if (watch)
            QVERIFY(watch->acted);
        QStringList grid;
        for (int r = 1; r < w().grdDetails->Rows(); ++r)
            grid << w().grdDetails->TextMatrix(r, 0);
        QCOMPARE(grid, codes);
        QCOMPARE(w().txtTotalCounter->text(), total);
        QCOMPARE(w().txtLineCounter->text(), counter);
        if (choice == QLatin1String("all") && lines != ui::Answer::Cancel) {
            const int first = lines == ui::Answer::Yes ? 2 : 1;
            QCOMPARE(w().grdDetails->Cols(), 8);
            QCOMPARE(w().grdDetails->Row(), first);
            QCOMPARE(w().grdDetails->TextMatrix(first, 2), QStringLiteral("2"));
            QCOMPARE(w().grdDetails->TextMatrix(first, 4), QStringLiteral("22.5000"));
            QCOMPARE(w().grdDetails->TextMatrix(first + 1, 5), QStringLiteral("N"));
            QCOMPARE(w().txtProdCode->text(), QStringLiteral("1001")); // its first item shown
            QVERIFY(w().hasUnsavedWork());
        }
        if (lines == ui::Answer::Cancel && expanded) {
            // Back to the code, nothing changed.
            QCOMPARE(w().txtProdCode->text(), QString());
            QVERIFY(!w().hasUnsavedWork());
        }
        if (choice == QLatin1String("refuse") || choice == QLatin1String("none")) {
            // The kit stays as one item, shown with its own values.
            QCOMPARE(w().txtProdCode->text(), QStringLiteral("2001"));
            QCOMPARE(w().txtProdName->text(), QStringLiteral("IV START KIT ADULT"));
        }
    }

    // After a kit the empty row follows its items: the next line is added after them and none of
    // them is written over.
    // A kit whose items would take the request past the lines it can hold adds nothing: never
    // a part of the kit.
    void kitPastTheLimitAddsNothing()
    {
        start();
        const int kept = frmMain::MaxGridRow - 2; // one line of room: the kit has two items
        w().grdDetails->setRows(kept + 2);
        {
            const ui::FlexGrid::Filling filling(*w().grdDetails);
            for (int r = 1; r <= kept; ++r) {
                w().grdDetails->setTextMatrix(r, 0, QStringLiteral("5555"));
                w().grdDetails->setTextMatrix(r, 2, QStringLiteral("1"));
                w().grdDetails->setTextMatrix(r, 3, QStringLiteral("2"));
            }
        }
        w().grdDetails->setRow(kept + 1);
        w().ComputeGrandTotal();
        m_messages->queueAnswer(ui::Answer::Yes); // the kit's items, please
        m_messages->queueAnswer(ui::Answer::Yes); // after the lines
        auto watch = ui::test::whenModal([](QWidget *dialog) {
            auto *kit = static_cast<frmKitEntry *>(dialog);
            kit->chkAddAllItems->click();
            kit->cmdClose->click();
        });
        resolve(QStringLiteral("2001"));
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->texts().last(),
                 QStringLiteral("This kit has 2 items; with the 32765 lines already entered the "
                                "request would pass the 32766 lines a request can hold. Nothing "
                                "was added."));
        QCOMPARE(w().grdDetails->Rows(), kept + 2);
        QCOMPARE(w().grdDetails->TextMatrix(kept, 0), QStringLiteral("5555"));
        QCOMPARE(w().grdDetails->TextMatrix(kept + 1, 0), QString());
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("65,530.0000"));
    }

    void lineAfterKitIsAdded()
    {
        start();
        m_messages->queueAnswer(ui::Answer::Yes);
        const auto watch = ui::test::whenModal([](QWidget *dialog) {
            auto *kit = static_cast<frmKitEntry *>(dialog);
            kit->chkAddAllItems->click();
            kit->cmdClose->click();
        });
        QVERIFY(resolve(QStringLiteral("2001")));
        QVERIFY(watch->acted);
        w().cmdAdd->click();
        QVERIFY(resolve(QStringLiteral("1004")));
        w().txtWithdraw->setText(QStringLiteral("1"));
        QVERIFY(w().txtWithdraw_Validate());
        w().cmdOK_Click();
        QStringList grid;
        for (int r = 1; r < w().grdDetails->Rows(); ++r)
            grid << w().grdDetails->TextMatrix(r, 0);
        QCOMPARE(grid, (QStringList{"1001", "1003", "1004", ""}));
    }

    void emptyRowShowsZeros()
    {
        start();
        QVERIFY(resolve(QStringLiteral("1003")));
        w().grdDetails->setRow(1); // the empty row: LoadDetailRow, then the item values
        w().LoadDetailRow();
        QCOMPARE(w().txtProdName->text(), QStringLiteral(" "));
        QCOMPARE(w().txtListCost->text(), QStringLiteral("0"));
        QCOMPARE(w().txtPacking->text(), QStringLiteral("0"));
        QCOMPARE(w().txtOnhand->text(), QStringLiteral("0"));
        QCOMPARE(w().txtAverageCost->text(), QStringLiteral("0.0000"));
        QCOMPARE(w().txtUOM->text(), QString());
        QVERIFY(w().chkAdS->isHidden());
    }

    void failureKeepsTheFocusSilently()
    {
        start();
        m_session->connection().Execute(QStringLiteral("Drop Table tbInvKit"));
        QVERIFY(!resolve(QStringLiteral("1001")));
        QVERIFY(m_messages->messages().isEmpty());
        QVERIFY(!w().blnBrowseItem);
        QCOMPARE(GetItemIDFromBarcode(QStringLiteral("O'BRIEN")), QStringLiteral("O'BRIEN"));
    }

    // An item made through the data layer, with its four links, is found by the window's search.
    void newItemFromTheDataLayer()
    {
        start();
        db::Connection &c = m_session->connection();
        c.runScript(QStringLiteral(
            "INSERT INTO tbInvSupplier (SupplierID, SupplierName, FreeGoods, isVAT) "
            "VALUES ('7', 'MEDISOURCE', 0, 1), ('8', 'O''NEILL PHARMA', 0, 0);"
            "INSERT INTO tbInvClassification VALUES ('B', 'MEDICAL SUPPLIES', NULL, 0);"));
        auto supplier = std::make_shared<clsSupplier>();
        supplier->setActiveConnection(&c);
        QVERIFY(supplier->LoadSupplier(QStringLiteral("7")));
        auto maker = std::make_shared<clsSupplier>();
        maker->setActiveConnection(&c);
        QVERIFY(maker->LoadSupplier(QStringLiteral("8")));
        auto itemClass = std::make_shared<clsItemClass>();
        itemClass->setActiveConnection(&c);
        QVERIFY(itemClass->LoadItemClass(QStringLiteral("B")));
        auto unit = std::make_shared<clsUnitOfMeasure>();
        unit->setActiveConnection(&c);
        QVERIFY(unit->LoadUOM(1));

        clsItemMaster item;
        item.setActiveConnection(&c);
        item.setItemName(QStringLiteral("ZINC OXIDE 20% OINTMENT"));
        item.setItemDesc(QStringLiteral("30G TUBE"));
        item.setAverageCost(42.5);
        item.setSupplier(supplier);
        item.setManufacturer(maker);
        item.setItemClass(itemClass);
        item.setUnitOfMeasure(unit);
        item.Update();
        QCOMPARE(item.ItemID(), QStringLiteral("2002")); // the largest code plus one
        c.runScript(QStringLiteral("INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES "
                                   "('2002', '19', 12), ('2002', '27', 0)"));

        QVERIFY(resolve(QStringLiteral("ZINC")));
        QCOMPARE(w().txtProdCode->text(), QStringLiteral("2002"));
        QCOMPARE(w().txtProdName->text(), QStringLiteral("ZINC OXIDE 20% OINTMENT 30G TUBE"));
        QCOMPARE(w().txtUOM->text(), QStringLiteral("BOX"));
        QCOMPARE(w().txtUnitCost->text(), QStringLiteral("42.5000"));
        QVERIFY(m_messages->messages().isEmpty());
    }

    void keyboardAlone()
    {
        start();
        QTest::keyClicks(w().txtProdCode, QStringLiteral("1001"));
        QTest::keyClick(w().txtProdCode, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().txtWithdraw);
        QTest::keyClicks(w().txtWithdraw, QStringLiteral("5"));
        QTest::keyClick(w().txtWithdraw, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().txtUnitCost);
        QTest::keyClick(w().txtUnitCost, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().cmdOK);
        QTest::keyClick(w().cmdOK, Qt::Key_Return);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1001"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 2), QStringLiteral("5"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 4), QStringLiteral("56.2500"));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("56.2500"));
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode); // ready for the next line
        QVERIFY(m_messages->messages().isEmpty());
    }
};

INVENTORY_TEST_MAIN(TestLineEntry)
#include "tst_lineentry.moc"

// The request window: load per client, rights, the commands and their prompts, the tab rule, the
// location checks, the keyboard rule and the document numbers.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', 'A', 1, 0, 1, 'S');
INSERT INTO tbInvLocation VALUES ('2', 'MAIN PHARMACY', NULL, 0, 1, 0, 'M');
INSERT INTO tbInvLocation VALUES ('3', 'BULK STORE', NULL, 1, 1, 0, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, '');
INSERT INTO tbInvLocation VALUES ('28', 'WARD 4', NULL, 0, 0, 1, '');
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbinvUserLocation VALUES ('E01', '28');
INSERT INTO tbinvUserLocation VALUES ('E01', '3');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, DepartmentID)
    VALUES ('E01', 'REYES', 'ANA', '27');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1001', 'GAUZE 4X4', 'STERILE');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1002', 'SYRINGE 5CC', 'DISPOSABLE');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('7', '1002', 10, 3, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('12', '1002', 1, 3, 'Y', 0, '19', '28', '2026-11-20 10:00:00', 'E01', 'ER');
)";

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    // Signs E01 in on a fresh fixture, with the session values start-up would set.
    void start(const QString &extra = QString(), const QString &client = QString(),
               bool autoNumber = false)
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture) + extra);
        ClientName = client;
        isAutoWithdrawRequestNumber = autoNumber;
        CurDate = QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    frmMain &w() { return *m_window; }
    QStringList texts() const { return m_messages->texts(); }

    // Moves the focus out of a field with Tab, as the user would, and lets queued focus changes
    // run.
    static void tabOut(QWidget *field)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

private slots:
    void init() { m_messages = std::make_unique<ui::ScopedRecordingResponder>(); }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_messages.reset();
    }

    void loadPerClient_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("printShort");
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("retail");
        QTest::addColumn<bool>("minMax");
        const QString general = QStringLiteral("CALVOX - Inventory Request");
        QTest::newRow("general") << "" << general << false << "&View"
                                 << "Yes" << false;
        QTest::newRow("KVB") << "KVB" << general << true << "&Print"
                             << "Retail" << false;
        QTest::newRow("kvb is not KVB") << "kvb" << general << false << "&View"
                                        << "Yes" << false;
        QTest::newRow("NORBEK") << "NORBEK"
                                << "Visual Calvox - Stock Request" << false << "&View"
                                << "Yes" << false;
        QTest::newRow("RQ") << "RQ" << general << false << "&View"
                            << "Yes" << true;
    }

    void loadPerClient()
    {
        QFETCH(QString, client);
        QFETCH(QString, caption);
        QFETCH(bool, printShort);
        QFETCH(QString, view);
        QFETCH(QString, retail);
        QFETCH(bool, minMax);
        start(QString(), client);
        QCOMPARE(w().windowTitle(), caption);
        QCOMPARE(w().chkPrint->isVisible(), printShort);
        QCOMPARE(w().cmdView->text(), view);
        QCOMPARE(w().optConsumed[0]->text().remove(QLatin1Char('&')), retail);
        QCOMPARE(w().lblForRetail->text(), client == QLatin1String("KVB")
                                               ? QStringLiteral("For")
                                               : QStringLiteral("For Retail?"));
        QCOMPARE(w().txtMin->isHidden() == false, minMax);

        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QCOMPARE(w().cboLocation->currentText(), QStringLiteral("CENTRAL SUPPLY"));
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("19"));
        QCOMPARE(w().cboTargetLocation->currentText(), QString());
        QCOMPARE(w().cboTargetLocation->count(), 4); // E01's own locations
        QVERIFY(!w().cboLocation->isEnabled());
        QVERIFY(!w().cboTargetLocation->isEnabled());
        QVERIFY(w().txtDocNum->isReadOnly());
        QCOMPARE(w().txtDocNum->maxLength(), 32767); // a stored number is never shown cut
        QCOMPARE(w().txtTransDate->dateTime(), CurDate);
        QCOMPARE(w().txtTransDate->maximumDateTime(), CurDate);
        QCOMPARE(w().grdListing->Rows(), 3); // the two pending, unverified requests
        QVERIFY(texts().isEmpty());
    }

    void rights_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("mayVerify");
        QTest::newRow("no row") << "" << true << false;
        QTest::newRow("denied") << "INSERT INTO tbInvUserSettings VALUES ('E01', 0)" << false
                                << false;
        QTest::newRow("allowed") << "INSERT INTO tbInvUserSettings VALUES ('E01', 1)" << true
                                 << true;
        QTest::newRow("another user's row")
            << "INSERT INTO tbInvUserSettings VALUES ('E02', 0)" << true << false;
    }

    void rights()
    {
        QFETCH(QString, settings);
        QFETCH(bool, visible);
        QFETCH(bool, mayVerify);
        start(settings);
        QCOMPARE(w().PubIsVerifyInventoryRequest, mayVerify);
        QCOMPARE(w().cmdVerify->isHidden() == false, visible);
    }

    void newRequest_data()
    {
        QTest::addColumn<bool>("autoNumber");
        QTest::newRow("numbered when saved") << false;
        QTest::newRow("typed number") << true;
    }

    void newRequest()
    {
        QFETCH(bool, autoNumber);
        start(QString(), QString(), autoNumber);
        testsupport::selectListed(w(), QStringLiteral("12")); // WARD 4's request selected
        w().cmdNew->click();
        QCoreApplication::processEvents();
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        // New starts from the clerk's own department, never the selected request's, open for
        // change.
        QCOMPARE(w().cboTargetLocation->currentText(), QStringLiteral("WARD 3"));
        QCOMPARE(w().cboTargetLocation->Tag(), QStringLiteral("27"));
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("19"));
        QVERIFY(w().cboLocation->isEnabled());
        QVERIFY(w().cboTargetLocation->isEnabled());
        QCOMPARE(w().grdDetails->Rows(), 2);
        QCOMPARE(w().grdDetails->Cols(), 8);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QString());
        QCOMPARE(w().grdDetails->ColWidth(6), 0);
        QCOMPARE(w().cmdOK->text(), QStringLiteral("Add &to List"));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("0.0000")); // not request 7's total
        QVERIFY(!w().txtTotalCounter->isHidden()); // shown for every request, a new one too
        QCOMPARE(w().txtDocNum->text(), autoNumber ? QString() : QStringLiteral("NEW"));
        QCOMPARE(w().txtDocNum->isReadOnly(), !autoNumber);
        QCOMPARE(QApplication::focusWidget(), autoNumber ? static_cast<QWidget *>(w().txtDocNum)
                                                         : static_cast<QWidget *>(w().txtProdCode));
        QVERIFY(w().optConsumed[0]->isChecked()); // a ward may take stock for retail
        QCOMPARE(w().txtTransDate->dateTime(), CurDate);
        QVERIFY(texts().isEmpty());
    }

    void tabRuleRunsEdit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("tab click") << "click";
        QTest::newRow("DETAILS") << "details";
        QTest::newRow("by code") << "code";
        QTest::newRow("list double-click") << "double-click";
    }

    void tabRuleRunsEdit()
    {
        QFETCH(QString, how);
        start();
        w().grdListing->setRow(2); // request 12
        if (how == QLatin1String("click"))
            w().SSTab1->setCurrentIndex(1);
        else if (how == QLatin1String("details"))
            w().cmdDetails->click();
        else if (how == QLatin1String("code"))
            w().cmdEdit->click();
        else
            emit w().grdListing->DblClick();
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("12"));
        QCOMPARE(w().cmdOK->text(), QStringLiteral("&Update"));
        QVERIFY(!w().cboLocation->isEnabled());
        QCOMPARE(w().cboTargetLocation->currentText(), QStringLiteral("WARD 4"));
        QCOMPARE(w().grdDetails->Rows(), 3);
        QCOMPARE(w().grdDetails->Cols(), 7);
        QCOMPARE(w().grdDetails->TextMatrix(1, 1), QStringLiteral("SYRINGE 5CC DISPOSABLE"));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("3.0000"));

        // Back to the list changes nothing; Cancel, then DETAILS, reloads the selected request.
        w().cmdList->click();
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("12"));
        w().grdListing->setRow(1);
        w().cmdDetails->click();
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("7"));
        QCOMPARE(w().grdDetails->Rows(), 4);
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("92.5000"));
    }

    void prompts_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("yes");
        QTest::newRow("cancel yes") << "cancel" << true;
        QTest::newRow("cancel no") << "cancel" << false;
        QTest::newRow("exit yes") << "exit" << true;
        QTest::newRow("exit no") << "exit" << false;
    }

    void prompts()
    {
        QFETCH(QString, command);
        QFETCH(bool, yes);
        start();
        w().cmdDetails->click();
        m_messages->queueAnswer(yes ? ui::Answer::Yes : ui::Answer::No);
        (command == QLatin1String("cancel") ? w().cmdCancel : w().cmdExit)->click();
        QCOMPARE(m_messages->count(), 1);
        const ui::Message m = m_messages->messages().first();
        QCOMPARE(m.buttons, ui::Buttons::YesNo);
        QCOMPARE(m.icon, ui::Icon::Question);
        if (command == QLatin1String("cancel")) {
            QCOMPARE(m.text, QStringLiteral("Do you want to leave without saving?"));
            QCOMPARE(m.title, QStringLiteral("Message"));
            QCOMPARE(w().SSTab1->currentIndex(), yes ? 0 : 1);
            QCOMPARE(w().txtDocNum->text(), QStringLiteral("7")); // nothing cleared
            if (!yes)
                QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        } else {
            QCOMPARE(m.text, QStringLiteral("Are you sure you want to exit without saving?"));
            QCOMPARE(m.title, ui::ApplicationTitle);
            QCOMPARE(w().isVisible(), !yes);
        }
    }

    void departmentCheck_data()
    {
        QTest::addColumn<QString>("department");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysInField");
        QTest::addColumn<bool>("retailAllowed");
        QTest::newRow("ward") << "WARD 4"
                              << "" << false << true;
        QTest::newRow("asks itself") << "CENTRAL SUPPLY"
                                     << "Invalid Target Location..." << true << true;
        QTest::newRow("unknown") << "NOWHERE"
                                 << "" << true << true;
        QTest::newRow("no retail") << "BULK STORE"
                                   << "" << false << false;
    }

    void departmentCheck()
    {
        QFETCH(QString, department);
        QFETCH(QString, message);
        QFETCH(bool, staysInField);
        QFETCH(bool, retailAllowed);
        start();
        w().cmdNew->click();
        m_messages->clear();
        w().cboTargetLocation->setEditText(department);
        tabOut(w().cboTargetLocation);
        QCOMPARE(texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty())
            QCOMPARE(m_messages->messages().first().icon, ui::Icon::Critical);
        QCOMPARE(QApplication::focusWidget() == w().cboTargetLocation, staysInField);
        if (!staysInField) {
            QCOMPARE(w().optConsumed[0]->isEnabled(), retailAllowed);
            QCOMPARE(w().optConsumed[0]->isChecked(), retailAllowed);
            QCOMPARE(w().optConsumed[1]->isChecked(), !retailAllowed);
        }
    }

    // Without a department of their own, a clerk's new request starts from the department they
    // chose last (none before the first), never from the selected request's.
    void newStartsFromTheLastDepartmentChosen()
    {
        start(QStringLiteral("UPDATE tbPasswordMain SET DepartmentID = NULL;"));
        testsupport::selectListed(w(), QStringLiteral("7"));
        w().cmdNew->click();
        QCoreApplication::processEvents();
        QCOMPARE(w().cboTargetLocation->currentText(), QString());
        QCOMPARE(QApplication::focusWidget(), w().cboTargetLocation);
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 4"));
        QVERIFY(w().cboTargetLocation_Validate());
        testsupport::setGridLines(w(), {QStringLiteral("1001|1|1|Y|N")});
        w().cmdSave->click(); // WARD 4's request, saved
        QVERIFY(texts().isEmpty());
        testsupport::selectListed(w(), QStringLiteral("7")); // WARD 3's
        w().cmdNew->click();
        QCoreApplication::processEvents();
        QCOMPARE(w().cboTargetLocation->currentText(), QStringLiteral("WARD 4"));
        QCOMPARE(w().cboTargetLocation->Tag(), QStringLiteral("28"));
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("19"));
    }

    void supplyingLocationCheck()
    {
        start();
        w().cmdNew->click();
        m_messages->clear();
        InventoryTypeAccess = QStringLiteral("M");
        w().cboLocation->setEditText(QStringLiteral("CENTRAL SUPPLY")); // type S: refused
        tabOut(w().cboLocation);
        QCOMPARE(texts(), QStringList{QStringLiteral("Unauthorized Access...")});
        QCOMPARE(w().cboLocation->Tag(), QString());
        QCOMPARE(QApplication::focusWidget(), w().cboLocation);

        m_messages->clear();
        w().cboLocation->setEditText(QStringLiteral("main pharmacy"));
        tabOut(w().cboLocation);
        QVERIFY(texts().isEmpty());
        QCOMPARE(w().cboLocation->Tag(), QStringLiteral("2"));
        QVERIFY(QApplication::focusWidget() != w().cboLocation);
    }

    void keyboardRule()
    {
        start();
        w().cmdNew->click();
        w().txtRemarks->setFocus();
        QTest::keyClicks(w().txtRemarks, QStringLiteral("ward's stock"));
        QCOMPARE(w().txtRemarks->text(), QStringLiteral("WARDS STOCK"));
        QTest::keyClick(w().txtRemarks, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode); // one control on, exactly
        QTest::keyClick(w().txtProdCode, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), w().txtWithdraw);
        QTest::keyClick(w().txtWithdraw, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().txtUnitCost);

        // In a combo as well.
        w().cboTargetLocation->setFocus();
        w().cboTargetLocation->setEditText(QString());
        QTest::keyClicks(w().cboTargetLocation, QStringLiteral("ward 3"));
        QCOMPARE(w().cboTargetLocation->currentText(), QStringLiteral("WARD 3"));
    }

    // A refused field never leaves the commands dead: after Cancel, Yes every command acts.
    void refusedFieldLeavesCommandsAlive_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("New") << "cmdNew";
        QTest::newRow("Edit") << "cmdEdit";
        QTest::newRow("DETAILS") << "cmdDetails";
        QTest::newRow("View") << "cmdView";
    }

    void refusedFieldLeavesCommandsAlive()
    {
        QFETCH(QString, command);
        start();
        w().cmdNew->click();
        w().txtWithdraw->setFocus();
        QTest::keyClicks(w().txtWithdraw, QStringLiteral("abc"));
        QTest::keyClick(w().txtWithdraw, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(texts(), QStringList{QStringLiteral("Invalid entry...")});
        QCOMPARE(QApplication::focusWidget(), w().txtWithdraw);

        m_messages->clear();
        m_messages->queueAnswer(ui::Answer::Yes);
        w().cmdCancel->click();
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        m_messages->clear();
        w().findChild<QPushButton *>(command)->click();
        QCoreApplication::processEvents();
        if (command == QLatin1String("cmdView")) {
            // The listed request 7 goes to printing: a viewer, or the printing's own word on its
            // template (the tests' folder has none).
            QWidget *viewer = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("frmReportViewer") && top->isVisible())
                    viewer = top;
            }
            QVERIFY2(
                viewer ||
                    texts().join(QLatin1Char('|')).contains(QLatin1String("DepartmentRequest.rpt")),
                qPrintable(texts().join(QLatin1Char('|'))));
            delete viewer;
            return;
        }
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().txtDocNum->text(),
                 command == QLatin1String("cmdNew") ? QStringLiteral("NEW") : QStringLiteral("7"));
        QCOMPARE(texts(), QStringList());
    }

    // A command that does not leave the request checks the refused field again: its message
    // once more, the focus back in it once, and the command held back.
    void refusedFieldIsCheckedAgain()
    {
        start();
        w().cmdNew->click();
        w().txtWithdraw->setFocus();
        QTest::keyClicks(w().txtWithdraw, QStringLiteral("abc"));
        tabOut(w().txtWithdraw);
        m_messages->clear();
        w().cmdSave->click();
        QCoreApplication::processEvents();
        QCOMPARE(texts(), QStringList{QStringLiteral("Invalid entry...")});
        QCOMPARE(QApplication::focusWidget(), w().txtWithdraw);
        QCOMPARE(w().SSTab1->currentIndex(), 1);

        // Put right, the same command goes ahead (and refuses the empty request, as it should).
        w().txtWithdraw->setText(QStringLiteral("2"));
        m_messages->clear();
        w().cmdSave->click();
        QCOMPARE(texts().size(), 1);
        QVERIFY(texts().first().startsWith(QLatin1String("There are no item lines to save.")));
    }

    // Two refused fields do not hand the focus to each other for ever.
    void twoRefusedFieldsDoNotTradeTheFocus()
    {
        start();
        w().cmdNew->click();
        w().txtWithdraw->setText(QStringLiteral("ABC"));
        w().txtUnitCost->setText(QStringLiteral("XYZ"));
        w().txtWithdraw->setFocus();
        QTest::keyClick(w().txtWithdraw, Qt::Key_Return); // on to the unit cost: refused
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(texts(), QStringList{QStringLiteral("Invalid entry...")});
        QCOMPARE(QApplication::focusWidget(), w().txtWithdraw);
    }

    // Alt with a letter presses the command that has it, and never types the letter.
    void altLettersTypeNothing()
    {
        start();
        w().cmdNew->click();
        w().txtRemarks->setFocus();
        QTest::keyClicks(w().txtRemarks, QStringLiteral("ward"));
        QTest::keyClick(w().txtRemarks, Qt::Key_Q, Qt::AltModifier); // no command answers to Q
        QCOMPARE(w().txtRemarks->text(), QStringLiteral("WARD"));
    }

    void documentNumbers_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("next");
        QTest::newRow("empty table") << "DELETE FROM tbInvWithdrawRequest"
                                     << "1";
        QTest::newRow("7 and 12 stored") << ""
                                         << "13";
        QTest::newRow("numeric, not text, order")
            << "INSERT INTO tbInvWithdrawRequest (DocumentNumber) VALUES ('9')"
            << "13";
    }

    void documentNumbers()
    {
        QFETCH(QString, extra);
        QFETCH(QString, next);
        start(extra);
        QCOMPARE(w().GetNewDocNumber(), next);
        QCOMPARE(w().Verify_DocumentNumber(QStringLiteral(" 12 ")), next != QLatin1String("1"));
        QVERIFY(!w().Verify_DocumentNumber(QStringLiteral("O'12")));
    }

    // Every command and field that has an Alt letter has its own among what is on screen, on
    // either tab and for every client; the filters, the department and the justification have
    // one.
    void altLettersAreUnique_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<int>("tab");
        for (const char *client : {"", "KVB"}) {
            QTest::addRow("%s list", *client ? client : "general") << client << 0;
            QTest::addRow("%s details", *client ? client : "general") << client << 1;
        }
    }

    void altLettersAreUnique()
    {
        QFETCH(QString, client);
        QFETCH(int, tab);
        start(QString(), client);
        if (tab == 1)
            w().cmdNew->click();
        QCoreApplication::processEvents();
        QHash<QString, QString> owners; // letter -> what answers to it
        QStringList clashes;
        const auto letterOf = [](const QString &text) {
            const QKeySequence key = QKeySequence::mnemonic(text);
            return key.isEmpty() ? QString() : key.toString();
        };
        const auto claim = [&](const QString &letter, const QString &owner) {
            if (letter.isEmpty())
                return;
            if (owners.contains(letter))
                clashes << letter + QStringLiteral(": ") + owners.value(letter) +
                               QStringLiteral(" and ") + owner;
            owners.insert(letter, owner);
        };
        for (QAbstractButton *b : w().findChildren<QAbstractButton *>()) {
            if (b->isVisible())
                claim(letterOf(b->text()), b->objectName());
        }
        for (QLabel *l : w().findChildren<QLabel *>()) {
            if (l->isVisible() && l->buddy())
                claim(letterOf(l->text()), l->buddy()->objectName());
        }
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1String("; "))));
        const QStringList needed =
            tab == 0
                ? QStringList{QStringLiteral("chkverified"), QStringLiteral("optOptions(1)"),
                              QStringLiteral("cboTargetLocation")}
                : QStringList{QStringLiteral("cboTargetLocation"), QStringLiteral("txtRemarks"),
                              QStringLiteral("cmdDelete"), QStringLiteral("cmdVerify")};
        for (const QString &name : needed)
            QVERIFY2(owners.values().contains(name), qPrintable(name));
    }

    // The list from the keyboard: Enter opens the listed request; an empty list says so, and Edit
    // then does nothing.
    void listFromTheKeyboard()
    {
        start();
        testsupport::selectListed(w(), QStringLiteral("12"));
        w().grdListing->setFocus();
        QTest::keyClick(w().grdListing, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("12"));

        w().cmdList->click();
        w().optOptions[1]->click(); // no processed request in the fixture
        QVERIFY(w().lblEmptyList->isVisible());
        QCOMPARE(w().lblEmptyList->text(), QStringLiteral("No processed requests."));
        m_messages->clear();
        w().cmdEdit->click();
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QVERIFY(texts().isEmpty());
        w().optOptions[0]->click();
        QVERIFY(!w().lblEmptyList->isVisible());
    }

    // In the lines grid Delete removes the current line as "." does, Ctrl+Z puts it back, and
    // the status line says how; a line corrected from the grid sends the focus back to Code on
    // the empty row.
    void linesFromTheKeyboard()
    {
        start(QStringLiteral("INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);"
                             "UPDATE tbInvMaster SET UnitOfMeasureID = 1;"
                             "INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('1001', "
                             "'19', 40), ('1002', '19', 100);"));
        testsupport::openListed(w(), QStringLiteral("7"));
        QCOMPARE(w().grdDetails->Rows(), 4);
        w().grdDetails->setRow(1);
        w().grdDetails->setFocus();
        QTest::keyClick(w().grdDetails, Qt::Key_Delete);
        QCOMPARE(w().grdDetails->Rows(), 3);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1002"));
        QCOMPARE(w().statusBar()->currentMessage(),
                 QStringLiteral("Line 1 (1001) removed. Ctrl+Z puts it back."));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("30.0000"));
        w().grdDetails->setFocus();
        QTest::keyClick(w().grdDetails, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w().grdDetails->Rows(), 4);
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1001"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 3), QStringLiteral("12.5000"));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("92.5000"));

        // Enter on a line brings it into the fields; the corrected line is stored, and the focus
        // is back in Code on the empty row.
        w().grdDetails->setRow(2);
        w().grdDetails->setFocus();
        QTest::keyClick(w().grdDetails, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        w().txtWithdraw->setText(QStringLiteral("4"));
        w().cmdOK_Click();
        QCOMPARE(texts(), QStringList());
        QCOMPARE(w().grdDetails->TextMatrix(2, 2), QStringLiteral("4"));
        QCOMPARE(w().grdDetails->Row(), w().grdDetails->Rows() - 1);
        QCOMPARE(QApplication::focusWidget(), w().txtProdCode);
        QCOMPARE(w().txtProdCode->text(), QString());
    }

    // The lines grid's numbers are never shown cut: the largest line a request may have opens
    // with its cost and total whole, money in one format.
    void numbersAreShownWhole()
    {
        start(QStringLiteral("UPDATE tbInvWithdrawRequest SET Quantity = 9999999, UnitCost = "
                             "9999999.9999 WHERE DocumentNumber = '12';"));
        testsupport::openListed(w(), QStringLiteral("12"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 3), QStringLiteral("9,999,999.9999"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 4), QStringLiteral("99,999,989,999,000.0001"));
        for (int c : {2, 3, 4}) {
            const QString text = w().grdDetails->TextMatrix(1, c);
            QVERIFY2(w().grdDetails->fontMetrics().horizontalAdvance(text) <
                         w().grdDetails->columnWidth(c),
                     qPrintable(text));
        }
    }

    // The window fits the screen it opens on: here the offscreen screen is smaller than the
    // window's own size, so it opens maximised, every part of it on the screen.
    void windowFitsTheScreen()
    {
        start();
        const QRect room = w().screen()->availableGeometry();
        QVERIFY2(room.contains(w().frameGeometry()) || w().isMaximized(),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                .arg(w().frameGeometry().width())
                                .arg(w().frameGeometry().height())
                                .arg(room.width())
                                .arg(room.height())));
        QVERIFY(w().width() <= room.width() && w().height() <= room.height());
    }

    void unexpectedErrorsAreShown()
    {
        start();
        objCurrentUser->sqlconnection()->Execute(QStringLiteral("Drop Table tbInvWithdrawRequest"));
        m_messages->clear();
        w().cmdEdit->click();
        QCOMPARE(m_messages->count(), 1);
        QVERIFY2(m_messages->messages().first().text.contains(QLatin1String("no such table")),
                 qPrintable(m_messages->messages().first().text));
        QVERIFY(w().isVisible());

        m_messages->clear();
        QCOMPARE(w().GetNewDocNumber(), QString());
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("Error Message"));
    }
};

INVENTORY_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

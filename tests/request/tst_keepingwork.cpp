// What the request window keeps of a clerk's work: Delete cancels only the request the user is
// looking at, closing the window asks about unsaved work, a second workstation's save, verification
// or cancellation is never overwritten unasked, a crash leaves the request in the journal, the
// verified lists can be browsed and printed from, and a new request is dated when it is started.
#include "support/testsupport.h"

#include "app/modEncryption.h"
#include "app/modInventory.h"
#include "app/modReports.h"
#include "dialogs/frmReportViewer.h"
#include "platform/db/sqlquote.h"
#include "platform/report/report.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "request/frmMain.h"
#include "support/serverdatabase.h"
#include "support/workstation.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <csignal>

using namespace modInventory;

namespace {

// E01 (signed in) belongs to CENTRAL SUPPLY (19) and WARD 3 (27). Requests 7 and 12 are pending;
// 9 and 14 are pending and verified.
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
    ('7', '1001', 5, 12.5, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E02', 'WARD STOCK',
     NULL, NULL),
    ('7', '1002', 10, 3.5, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E02', 'WARD STOCK',
     NULL, NULL),
    ('12', '1002', 1, 3.5, 'N', 0, '19', '28', '2026-11-20 10:00:00', 'E01', 'ER', NULL, NULL),
    ('9', '1001', 1, 12.5, 'N', 0, '19', '27', '2026-11-05 08:00:00', 'E01', 'OLD', 'E02',
     '2026-11-05 09:00:00'),
    ('14', '1003', 20, 0.45, 'N', 0, '19', '27', '2026-11-06 08:00:00', 'E01', 'OLDER', 'E02',
     '2026-11-06 09:00:00');
)";

QString fixture()
{
    return QString::fromLatin1(Fixture) + testsupport::staffRow("E01", "REYES", "CLERK") +
           testsupport::staffRow("E02", "SANTOS", "NURSE");
}

} // namespace

class TestKeepingWork : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;
    QTemporaryDir m_home; // the journal's folder: this test's own

    frmMain &w() { return *m_window; }
    db::Connection &db() { return m_session->connection(); }
    QStringList rows(const QString &sql) { return testsupport::rows(db(), sql); }
    QStringList stored(const QString &number)
    {
        return rows(QStringLiteral("Select ItemID, Quantity, Status, VerifiedBy From "
                                   "tbInvWithdrawRequest Where DocumentNumber = ") +
                    db::quoted(number) + QStringLiteral(" Order By LineID"));
    }

    void start()
    {
        m_session = std::make_unique<testsupport::Session>(fixture());
        openWindow();
    }

    void openWindow()
    {
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        AllowWDZeroOnHand = false;
        CurDate = QDateTime::currentDateTime();
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    void selectListed(const QString &number) { testsupport::selectListed(w(), number); }

    // A line typed as the clerk types it: code, quantity, the line button.
    void typeLine(const QString &code, const QString &quantity)
    {
        w().cmdAdd_Click();
        w().txtProdCode->setText(code);
        QVERIFY(w().txtProdCode_Validate());
        w().txtWithdraw->setText(quantity);
        QVERIFY(w().txtWithdraw_Validate());
        w().cmdOK_Click();
    }

    void newRequest()
    {
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
    }

    // Request 7 open with a line of 1003 added, on a connection that waits 2 s at most; `pid` is
    // that connection's server session.
    void openSevenOnShortBound(int *pid)
    {
        m_session = std::make_unique<testsupport::Session>(fixture());
        auto logon = testsupport::testServerLogon(db().databaseName());
        QVERIFY(logon);
        logon->timeoutSeconds = 2;
        m_session->user().attach(db::Connection::openPostgres(*logon), QStringLiteral("E01"));
        openWindow();
        testsupport::openListed(w(), QStringLiteral("7"));
        typeLine(QStringLiteral("1003"), QStringLiteral("4"));
        *pid = db().OpenRecordset(QStringLiteral("Select pg_backend_pid() as pid"))
                   .Fields(QStringLiteral("pid"))
                   .toText()
                   .toInt();
    }

    // Another workstation, a process of its own on the same database, does `action`.
    QByteArray otherWorkstation(const QStringList &arguments)
    {
        testsupport::Workstation other(QStringLiteral(KEEPING_WORKER),
                                       QStringList{testsupport::targetOf(db()), "E01"} + arguments);
        const bool done = other.finish();
        const QByteArray output = other.lines().join('\n');
        if (!done)
            qWarning("workstation: %s", other.errors().constData());
        return done ? output : QByteArray();
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toLocal8Bit());
    }

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

    // Delete cancels the request the user looks at: the highlighted row on the List tab, the
    // request shown on the Details tab (while the list still highlights another), and nothing
    // for a request never saved.
    void deleteActsOnTheRequestShown_data()
    {
        QTest::addColumn<QString>("shown");     // "" for the List tab, "NEW" for a new request
        QTest::addColumn<QString>("cancelled"); // the request cancelled; "" for none
        QTest::addColumn<QString>("asked");
        QTest::newRow("list: the highlighted row")
            << ""
            << "7"
            << "Are you sure you want to delete this record?\n\nRequest 7 from WARD 3, requested "
               "by SANTOS, A, 2 lines.";
        QTest::newRow("details: the request opened")
            << "12"
            << "12"
            << "Are you sure you want to delete this record?\n\nRequest 12 from WARD 4, requested "
               "by REYES, A, 1 line.";
        QTest::newRow("details: a new request")
            << "NEW"
            << ""
            << "This request has not been saved, so there is nothing to cancel. Use Cancel to "
               "leave it without saving.";
    }

    void deleteActsOnTheRequestShown()
    {
        QFETCH(QString, shown);
        QFETCH(QString, cancelled);
        QFETCH(QString, asked);
        start();
        if (shown == QLatin1String("NEW")) {
            selectListed(QStringLiteral("7"));
            newRequest();
            typeLine(QStringLiteral("1001"), QStringLiteral("2"));
        } else if (!shown.isEmpty()) {
            testsupport::openListed(w(), shown);
        }
        selectListed(QStringLiteral("7")); // the list highlights 7 whatever is shown
        const QStringList before7 = stored(QStringLiteral("7"));
        m_messages->queueAnswer(ui::Answer::Yes);
        w().cmdDeleteReq->click();

        QCOMPARE(m_messages->texts(), QStringList{asked});
        for (const QString &number : {QStringLiteral("7"), QStringLiteral("12")}) {
            const QStringList statuses =
                rows(QStringLiteral("Select Distinct Status From tbInvWithdrawRequest Where "
                                    "DocumentNumber = ") +
                     db::quoted(number));
            QCOMPARE(statuses, QStringList{number == cancelled ? "D" : "<null>"});
        }
        if (cancelled != QLatin1String("7"))
            QCOMPARE(stored(QStringLiteral("7")), before7);
        if (shown == QLatin1String("NEW")) // the new request is still there to be saved
            QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1001"));
    }

    // However the window is closed, unsaved work is asked about; nothing unsaved closes at once.
    void closingAsksAboutUnsavedWork_data()
    {
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<ui::Answer>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("nothing unsaved") << false << ui::Answer::No << true;
        QTest::newRow("unsaved, stays") << true << ui::Answer::No << false;
        QTest::newRow("unsaved, leaves") << true << ui::Answer::Yes << true;
    }

    void closingAsksAboutUnsavedWork()
    {
        QFETCH(bool, unsaved);
        QFETCH(ui::Answer, answer);
        QFETCH(bool, closed);
        start();
        newRequest();
        if (unsaved)
            typeLine(QStringLiteral("1001"), QStringLiteral("2"));
        QCOMPARE(w().hasUnsavedWork(), unsaved);
        m_messages->queueAnswer(answer);

        QCOMPARE(w().close(), closed);

        QCOMPARE(m_messages->texts(),
                 unsaved ? QStringList{"Are you sure you want to exit without saving?"}
                         : QStringList());
        QCOMPARE(w().isVisible(), !closed);
    }

    // Saved from the keyboard with the focus still in the justification typed: the save stores
    // it, and leaving the field afterwards is no unsaved change (nothing is asked on Edit).
    void fieldLeftAfterTheSaveIsNoChange()
    {
        start();
        newRequest();
        typeLine(QStringLiteral("1001"), QStringLiteral("2"));
        w().txtRemarks->setFocus();
        QTest::keyClicks(w().txtRemarks, QStringLiteral("WARD STOCK"));
        QVERIFY(w().txtRemarks->hasFocus());
        w().cmdSave->click(); // as Alt+S does: the focus stays where it was until the tab changes
        QCoreApplication::processEvents();
        QCOMPARE(w().SSTab1->currentIndex(), 0);
        QVERIFY(!w().txtRemarks->hasFocus());
        QVERIFY(!w().hasUnsavedWork());
        m_messages->clear();
        w().cmdEdit->click();
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(w().txtRemarks->text(), QStringLiteral("WARD STOCK"));
    }

    // Two workstations open request 7; the other one saves (or verifies) it first. This one's
    // save is refused, says what happened, keeps its lines on screen, and saves over the other
    // only when asked a second time; the stored rows say so at each step.
    void secondWorkstationIsNotOverwritten_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("change");
        QTest::newRow("saved meanwhile") << "addline"
                                         << "saved again at another workstation";
        QTest::newRow("verified meanwhile") << "verify"
                                            << "verified by E02 on ";
    }

    void secondWorkstationIsNotOverwritten()
    {
        QFETCH(QString, action);
        QFETCH(QString, change);
        start();
        testsupport::openListed(w(), QStringLiteral("7"));
        typeLine(QStringLiteral("1001"), QStringLiteral("1")); // this clerk's own line

        QVERIFY(!otherWorkstation({action, QStringLiteral("7")}).isEmpty());
        const QStringList theirs = stored(QStringLiteral("7"));
        QCOMPARE(theirs.size(), action == QLatin1String("addline") ? 3 : 2);

        m_messages->queueAnswer(ui::Answer::No); // keep my lines
        w().cmdSave->click();
        QCOMPARE(m_messages->count(), 1);
        const QString said = m_messages->texts().first();
        QVERIFY2(said.startsWith(QStringLiteral("Request 7 was ") + change), qPrintable(said));
        QVERIFY2(said.contains(QLatin1String("Nothing was saved; your lines are still on screen.")),
                 qPrintable(said));
        QCOMPARE(stored(QStringLiteral("7")), theirs);
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().grdDetails->TextMatrix(3, 0), QStringLiteral("1001"));
        QCOMPARE(w().grdDetails->TextMatrix(3, 2), QStringLiteral("1"));

        // Cancelling it now asks with the change named first.
        m_messages->clear();
        m_messages->queueAnswer(ui::Answer::No);
        w().cmdDeleteReq->click();
        QVERIFY2(m_messages->texts().value(0).startsWith(QStringLiteral("Request 7 was ") + change),
                 qPrintable(m_messages->texts().value(0)));
        QCOMPARE(stored(QStringLiteral("7")), theirs);

        // Saving over it is a second, explicit step.
        m_messages->clear();
        m_messages->queueAnswer(ui::Answer::No);
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(),
                 QStringList{"Request 7 was changed at another workstation since you opened it. "
                             "Save your version over it?"});
        QCOMPARE(stored(QStringLiteral("7")), theirs);
        m_messages->clear();
        m_messages->queueAnswer(ui::Answer::Yes);
        w().cmdSave->click();
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(
            stored(QStringLiteral("7")),
            (QStringList{"1001|5|<null>|<null>", "1002|10|<null>|<null>", "1001|1|<null>|<null>"}));
    }

    // After the refusal the clerk may reopen the request as the other workstation left it.
    void reopenAfterAChange()
    {
        start();
        testsupport::openListed(w(), QStringLiteral("7"));
        typeLine(QStringLiteral("1001"), QStringLiteral("1"));
        QVERIFY(!otherWorkstation({QStringLiteral("addline"), QStringLiteral("7")}).isEmpty());
        m_messages->queueAnswer(ui::Answer::Yes); // reopen
        w().cmdSave->click();
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("7"));
        QCOMPARE(w().grdDetails->TextMatrix(3, 0), QStringLiteral("1003"));
        QVERIFY(!w().hasUnsavedWork());
        // Now the save goes through: the stored request is the one shown.
        m_messages->clear();
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(stored(QStringLiteral("7")).size(), 3);
    }

    // A workstation that dies while a request is being typed: the next start for the same
    // employee and database offers it back, unsaved; a save stores it and clears the journal.
    void crashLeavesTheRequestInTheJournal_data()
    {
        QTest::addColumn<ui::Answer>("answer");
        QTest::newRow("brought back") << ui::Answer::Yes;
        QTest::newRow("discarded") << ui::Answer::No;
    }

    void crashLeavesTheRequestInTheJournal()
    {
        QFETCH(ui::Answer, answer);
        start();
        {
            testsupport::Workstation typing(
                QStringLiteral(KEEPING_WORKER),
                {testsupport::targetOf(db()), QStringLiteral("E01"), QStringLiteral("type")});
            QVERIFY2(typing.waitFor("typed"), typing.errors().constData());
            ::kill(typing.process().processId(), SIGKILL); // the power cut
            typing.process().waitForFinished();
        }
        m_window.reset();
        openWindow();
        m_messages->queueAnswer(answer);
        w().offerRecovery();

        QCOMPARE(m_messages->count(), 1);
        QVERIFY2(m_messages->texts().first().startsWith(
                     QLatin1String("An unsaved request with 2 lines from ")),
                 qPrintable(m_messages->texts().first()));
        if (answer == ui::Answer::No) {
            QCOMPARE(w().SSTab1->currentIndex(), 0);
            m_messages->clear();
            w().offerRecovery(); // discarded: not offered again
            QCOMPARE(m_messages->count(), 0);
            return;
        }
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QVERIFY(w().hasUnsavedWork());
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("NEW"));
        QCOMPARE(w().cboTargetLocation->Tag(), QStringLiteral("27"));
        QCOMPARE(w().txtRemarks->text(), QStringLiteral("TYPED BEFORE THE CRASH"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 0), QStringLiteral("1001"));
        QCOMPARE(w().grdDetails->TextMatrix(2, 0), QStringLiteral("1002"));
        QCOMPARE(w().txtTotalCounter->text(), QStringLiteral("66.0000"));

        m_messages->clear();
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(rows(QStringLiteral("Select ItemID, Quantity, Remarks From tbInvWithdrawRequest "
                                     "Where DocumentNumber = '15' Order By LineID")),
                 (QStringList{"1001|4|TYPED BEFORE THE CRASH", "1002|6|TYPED BEFORE THE CRASH"}));
        m_window.reset();
        openWindow();
        w().offerRecovery(); // saved: nothing left to offer
        QCOMPARE(m_messages->count(), 0);
    }

    // The verified lists are browsed: a row is chosen and View prints it; nothing opens it for
    // editing.
    void verifiedListIsBrowsed()
    {
        start();
        w().chkverified->click();
        QVERIFY(w().grdListing->isEnabled());
        QVERIFY(!w().cmdEdit->isEnabled());
        selectListed(QStringLiteral("14"));
        emit w().grdListing->DblClick();
        QCOMPARE(w().SSTab1->currentIndex(), 0);

        setReportFolder(
            QFileInfo(QFINDTESTDATA("../../reports/DepartmentRequest.rpt")).absolutePath());
        w().cmdView->click();
        setReportFolder(QString());
        QCOMPARE(m_messages->texts(), QStringList());
        frmReportViewer *viewer = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *v = qobject_cast<frmReportViewer *>(top))
                viewer = v;
        }
        QVERIFY(viewer);
        QCOMPARE(viewer->ReportSource()->ParameterFields().first().CurrentValue().toString(),
                 QStringLiteral("14"));
        delete viewer;
    }

    // A server that stops answering (its backend stopped, or a lock held by another session):
    // Save ends at the bound with a message that says nothing was saved, the lines stay on
    // screen, and the next Save, once the server answers, stores them.
    void frozenServerKeepsTheLines_data()
    {
        QTest::addColumn<bool>("stopped"); // the backend stopped; else a lock held
        QTest::newRow("backend stopped") << true;
        QTest::newRow("lock held") << false;
    }

    void frozenServerKeepsTheLines()
    {
        QFETCH(bool, stopped);
        if (testsupport::currentEngine() != testsupport::Engine::PostgreSQL)
            QSKIP("a server's waits");
        int pid = 0;
        openSevenOnShortBound(&pid);
        if (QTest::currentTestFailed())
            return;
        const QStringList before = stored(QStringLiteral("7"));

        auto other = testsupport::openTarget(testsupport::targetOf(db()));
        if (stopped) {
            QCOMPARE(::kill(pid, SIGSTOP), 0);
        } else {
            other->BeginTrans();
            other->runScript(
                QStringLiteral("LOCK TABLE tbInvWithdrawRequest IN ACCESS EXCLUSIVE MODE"));
        }
        w().cmdSave->click();
        if (stopped)
            ::kill(pid, SIGCONT);
        else
            other->RollbackTrans();

        QCOMPARE(m_messages->count(), 1);
        QVERIFY2(m_messages->texts().first().startsWith(
                     QLatin1String("The server did not answer within 2 s.")) &&
                     m_messages->texts().first().contains(QLatin1String("Nothing was saved")),
                 qPrintable(m_messages->texts().first()));
        QCOMPARE(w().SSTab1->currentIndex(), 1);
        QCOMPARE(w().grdDetails->TextMatrix(3, 0), QStringLiteral("1003"));
        QVERIFY(w().hasUnsavedWork());
        QCOMPARE(testsupport::rows(*other, QStringLiteral("Select Count(*) From "
                                                          "tbInvWithdrawRequest Where "
                                                          "DocumentNumber = '7'")),
                 QStringList{QString::number(before.size())});

        m_messages->clear();
        w().cmdSave->click(); // the server answers again: the connection is made anew
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(testsupport::rows(*other, QStringLiteral("Select ItemID From "
                                                          "tbInvWithdrawRequest Where "
                                                          "DocumentNumber = '7' Order By LineID")),
                 (QStringList{"1001", "1002", "1003"}));
    }

    // The server stops while the save's commit is on its way: the window says the outcome is not
    // known, does not guess while the server session that got the commit lives, and once it has
    // ended says which it was; the request is stored once, whole.
    void unconfirmedCommitIsSettled()
    {
        if (testsupport::currentEngine() != testsupport::Engine::PostgreSQL)
            QSKIP("a server's waits");
        int pid = 0;
        openSevenOnShortBound(&pid);
        if (QTest::currentTestFailed())
            return;
        auto other = testsupport::openTarget(testsupport::targetOf(db()));
        {
            testsupport::SqlLog log;
            log.onStatement([pid](const QString &sent) {
                if (sent == QLatin1String("COMMIT"))
                    ::kill(pid, SIGSTOP);
            });
            w().cmdSave->click();
        }
        QCOMPARE(m_messages->count(), 2);
        QVERIFY2(m_messages->texts().at(0).contains(QLatin1String("not known yet")),
                 qPrintable(m_messages->texts().at(0)));
        QVERIFY2(m_messages->texts().at(1).startsWith(
                     QLatin1String("Whether request 7 was saved is not known yet.")),
                 qPrintable(m_messages->texts().at(1)));
        QCOMPARE(w().SSTab1->currentIndex(), 1);

        ::kill(pid, SIGCONT); // the server runs again; the session that got the commit ends
        QTRY_COMPARE_WITH_TIMEOUT(
            testsupport::rows(*other, QStringLiteral("Select Count(*) From pg_stat_activity Where "
                                                     "pid = %1")
                                          .arg(pid)),
            QStringList{"0"}, 10000);
        m_messages->clear();
        w().cmdSave->click();
        QVERIFY2(m_messages->texts().value(0).startsWith(QLatin1String("The server has answered")),
                 qPrintable(m_messages->texts().join(QLatin1Char('|'))));
        QCOMPARE(testsupport::rows(*other, QStringLiteral("Select ItemID From "
                                                          "tbInvWithdrawRequest Where "
                                                          "DocumentNumber = '7' Order By LineID")),
                 (QStringList{"1001", "1002", "1003"}));
        QCOMPARE(w().SSTab1->currentIndex(), 0);
    }

    // A new request is dated when New is pressed, on the server's clock, and stored as shown.
    void newRequestIsDatedWhenStarted()
    {
        start();
        const QDateTime atStart = w().txtTransDate->dateTime();
        QTest::qWait(1100);
        newRequest();
        const QDateTime dated = w().txtTransDate->dateTime();
        QVERIFY2(dated > atStart, qPrintable(dated.toString(Qt::ISODate)));
        QVERIFY(dated <= w().txtTransDate->maximumDateTime());
        QCOMPARE(dated.time().msec(), 0);
        typeLine(QStringLiteral("1001"), QStringLiteral("2"));
        w().cmdSave->click();
        QCOMPARE(rows(QStringLiteral("Select Distinct TransDate From tbInvWithdrawRequest Where "
                                     "DocumentNumber = '15'")),
                 QStringList{dated.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))});
    }
};

INVENTORY_TEST_MAIN(TestKeepingWork)
#include "tst_keepingwork.moc"

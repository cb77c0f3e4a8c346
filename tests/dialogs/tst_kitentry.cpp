// The kit items dialog: the members it lists and what it hands back after each way of closing it.
#include "support/testsupport.h"

#include "gridfit.h"

#include "app/modInventory.h"
#include "dialogs/frmKitEntry.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"

#include <QCheckBox>
#include <QPushButton>

using namespace modInventory;

namespace {

// KIT1 has two active members and an inactive one; every member of KIT0 is inactive.
const char *Fixture = R"(
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, AverageCost, Packing, KitID) VALUES
    ('KIT1', 'FIRST AID KIT', 'STANDARD', 0,    1,  'K1'),
    ('KIT0', 'EMPTY KIT',     '',         0,    1,  'K0'),
    ('M1',   'BANDAGE',       '2 IN',     10,   12, NULL),
    ('M2',   'GAUZE',         '4X4',      2.5,  100, NULL),
    ('M3',   'TAPE',          '1 IN',     4,    1,  NULL);
INSERT INTO tbInvKit (KitID, ItemID, Quantity, RetailType, Active) VALUES
    ('K1', 'M1', 2, 'Y', 'A'),
    ('K1', 'M2', 5, 'N', 'A'),
    ('K1', 'M3', 1, 'N', 'I'),
    ('K0', 'M1', 1, 'N', 'I');
)";

QStringList memberCodes(const ui::FlexGrid &grid)
{
    QStringList codes;
    if (!grid.isEnabled())
        return codes;
    for (int r = 1; r < grid.Rows(); ++r)
        codes << grid.TextMatrix(r, 0);
    return codes;
}

} // namespace

class TestKitEntry : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    // Opens the shared dialog for a kit as line entry does and lets the action play the user.
    int useDialog(const QString &kit, const std::function<void(frmKitEntry &)> &action)
    {
        frmKitEntry &dlg = frmKitEntry::instance();
        dlg.setItemID(kit);
        const auto watch =
            ui::test::whenModal([&](QWidget *w) { action(*qobject_cast<frmKitEntry *>(w)); });
        const int result = dlg.exec();
        if (!watch->acted)
            qWarning("the kit dialog was not shown");
        return result;
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init()
    {
        INVENTORY_USE_ENGINE_OF_ROW();
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
    }

    void cleanup()
    {
        frmKitEntry::unload();
        testsupport::checkModalWatchesDone();
        m_messages.reset();
        m_session.reset();
    }

    void choices_data()
    {
        QTest::addColumn<int>("boxClicks");
        QTest::addColumn<QString>("how"); // "select", "double-click" or "close"
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("allItems");
        QTest::addColumn<QString>("itemId");

        const int accepted = QDialog::Accepted;
        const int rejected = QDialog::Rejected;
        QTest::newRow("a member, box untouched") << 0 << "select" << 2 << accepted << false << "M2";
        QTest::newRow("a member by double-click")
            << 0 << "double-click" << 1 << accepted << false << "M1";
        QTest::newRow("box ticked, then Close") << 1 << "close" << 1 << rejected << true << "KIT1";
        QTest::newRow("box ticked and unticked")
            << 2 << "close" << 1 << rejected << false << "KIT1";
        QTest::newRow("box ticked, then Select") << 1 << "select" << 1 << accepted << true << "M1";
        QTest::newRow("Close alone") << 0 << "close" << 2 << rejected << false << "KIT1";
    }

    void choices()
    {
        QFETCH(int, boxClicks);
        QFETCH(QString, how);
        QFETCH(int, row);
        QFETCH(int, result);
        QFETCH(bool, allItems);
        QFETCH(QString, itemId);

        QStringList listed;
        const int closed = useDialog(QStringLiteral("KIT1"), [&](frmKitEntry &dlg) {
            listed = memberCodes(*dlg.flexMSHDetails);
            for (int i = 0; i < boxClicks; ++i)
                dlg.chkAddAllItems->click();
            dlg.flexMSHDetails->setRow(row);
            if (how == QLatin1String("select")) {
                dlg.cmdSelect->click();
            } else if (how == QLatin1String("double-click")) {
                ui::FlexGrid *grid = dlg.flexMSHDetails;
                const QRect cell = grid->visualRect(grid->model()->index(row - 1, 0));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            } else {
                dlg.cmdClose->click();
            }
        });
        QCOMPARE(listed, (QStringList{"M1", "M2"}));
        QCOMPARE(closed, result);
        QCOMPARE(frmKitEntry::instance().AllItems(), allItems);
        QCOMPARE(frmKitEntry::instance().ItemID(), itemId);
        QCOMPARE(m_messages->count(), 0);
    }

    void membersShowTheProcedureRows()
    {
        frmKitEntry &dlg = frmKitEntry::instance();
        dlg.setItemID(QStringLiteral("KIT1"));
        dlg.Form_Load();
        const ui::FlexGrid &grid = *dlg.flexMSHDetails;
        QCOMPARE(grid.Rows(), 3);
        QCOMPARE(grid.Cols(), 7);
        QCOMPARE(grid.TextMatrix(1, 1), QStringLiteral("BANDAGE 2 IN"));
        QCOMPARE(grid.TextMatrix(2, 2), QStringLiteral("5"));
        QCOMPARE(grid.TextMatrix(1, 5), QStringLiteral("Y"));
        // Money as the request window shows it.
        QCOMPARE(grid.TextMatrix(2, 3), QStringLiteral("2.5000"));
        QCOMPARE(grid.TextMatrix(2, 6), QStringLiteral("12.5000"));
        QVERIFY(dlg.cmdSelect->isEnabled());
    }

    void everyOpeningStartsUnticked()
    {
        useDialog(QStringLiteral("KIT1"), [](frmKitEntry &dlg) {
            dlg.chkAddAllItems->click();
            dlg.cmdClose->click();
        });
        QVERIFY(frmKitEntry::instance().AllItems());

        bool tickedAtOpening = true;
        useDialog(QStringLiteral("KIT1"), [&](frmKitEntry &dlg) {
            tickedAtOpening = dlg.chkAddAllItems->isChecked();
            dlg.cmdClose->click();
        });
        QVERIFY(!tickedAtOpening);
        QVERIFY(!frmKitEntry::instance().AllItems());
    }

    void kitWithoutMembers_data()
    {
        QTest::addColumn<QString>("kit");

        QTest::newRow("only inactive members") << "KIT0";
        QTest::newRow("not a kit") << "M1";
        QTest::newRow("quote mark in the code") << "KIT1' OR ''='";
    }

    void kitWithoutMembers()
    {
        QFETCH(QString, kit);

        bool gridEnabled = true;
        bool selectEnabled = true;
        QString header;
        const int closed = useDialog(kit, [&](frmKitEntry &dlg) {
            gridEnabled = dlg.flexMSHDetails->isEnabled();
            selectEnabled = dlg.cmdSelect->isEnabled();
            header =
                dlg.flexMSHDetails->TextMatrix(0, 0) + "|" + dlg.flexMSHDetails->TextMatrix(0, 1);
            dlg.cmdSelect->click(); // disabled: nothing happens
            dlg.cmdClose->click();
        });
        QVERIFY(!gridEnabled);
        QVERIFY(!selectEnabled);
        QCOMPARE(header, QStringLiteral("Code |Product Name "));
        QCOMPARE(closed, int(QDialog::Rejected));
        QCOMPARE(frmKitEntry::instance().ItemID(), kit);
        QVERIFY(!frmKitEntry::instance().AllItems());
        QCOMPARE(m_messages->count(), 0);
    }

    // Every column is as wide as its texts: the line total of a costly member included.
    void columnsShowWholeTexts_data()
    {
        QTest::addColumn<QString>("kit");
        QTest::newRow("short texts") << "KIT1";
        QTest::newRow("long name, large line total") << "KIT2";
    }

    void columnsShowWholeTexts()
    {
        QFETCH(QString, kit);
        m_session->connection().runScript(QStringLiteral(
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, AverageCost, Packing, KitID) "
            "VALUES ('KIT2', 'THEATRE KIT', '', 0, 1, 'K2'), ('M9', 'CENTRAL VENOUS CATHETER "
            "TRIPLE LUMEN', '7FR 20CM WITH GUIDEWIRE AND DILATOR', 987654.3219, 1, NULL);\n"
            "INSERT INTO tbInvKit (KitID, ItemID, Quantity, RetailType, Active) VALUES "
            "('K2', 'M9', 12345, 'N', 'A'), ('K2', 'M1', 1, 'N', 'A');"));
        QStringList cut;
        int unused = -1;
        useDialog(kit, [&](frmKitEntry &dlg) {
            QVERIFY(dlg.flexMSHDetails->isEnabled());
            cut = gridfit::cutTexts(*dlg.flexMSHDetails);
            unused = gridfit::unusedWidth(*dlg.flexMSHDetails);
            dlg.cmdClose->click();
        });
        QCOMPARE(cut, QStringList());
        QCOMPARE(unused, 0);
    }

    void failingStatementIsReported()
    {
        m_session->connection().runScript(QStringLiteral("DROP TABLE tbInvKit;"));
        frmKitEntry &dlg = frmKitEntry::instance();
        dlg.setItemID(QStringLiteral("KIT1"));
        dlg.Form_Load();
        QCOMPARE(m_messages->count(), 1);
        QVERIFY2(m_messages->texts().first().contains(QLatin1String("tbInvKit")),
                 qPrintable(m_messages->texts().first()));
        QCOMPARE(m_messages->messages().first().icon, ui::Icon::Critical);
        QVERIFY(!dlg.flexMSHDetails->isEnabled());
        QVERIFY(!dlg.cmdSelect->isEnabled());
        QCOMPARE(dlg.flexMSHDetails->TextMatrix(1, 0), QString());
        QCOMPARE(dlg.ItemID(), QStringLiteral("KIT1"));
    }
};

INVENTORY_TEST_MAIN(TestKitEntry)
#include "tst_kitentry.moc"

// The request window's read-ahead of a product code's look-up: the statements it asks for in one
// message are the ones the look-up then sends, as written. A read-ahead answers its statements in
// any order but gives up at the first statement not among them, so what is sent first must be
// exactly that list; on the embedded engine nothing is read ahead, and the statements sent are
// compared all the same.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "dialogs/frmKitEntry.h"
#include "objects/clsItem.h"
#include "platform/ui/locationcombo.h"
#include "request/frmMain.h"

#include <QLineEdit>
#include <QPushButton>

using namespace modInventory;

namespace {

// A bar code (4800001 for 1001), and an item at each location.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, BarCode, ListCost, Packing, AverageCost,
                         UnitOfMeasureID, KitID)
VALUES ('1001', 'GAUZE 4X4', 'STERILE', '4800001', 12.5, 10, 11.25, 1, NULL),
       ('1003', 'SYRINGE 5CC', 'DISPOSABLE', NULL, 4, 100, 3.5, 1, NULL);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock)
VALUES ('1001', '19', 40, 5, 0, 0), ('1003', '19', 100, 20, 1, 7),
       ('1001', '27', 1, 0, 0, 0), ('1003', '27', 1, 0, 0, 0);
)";

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestReadAhead : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    // A new request from WARD 3 to CENTRAL SUPPLY, the focus in the product code.
    void start(const QString &client = QString(), bool allowZero = false)
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        ClientName = client;
        AllowWDZeroOnHand = allowZero;
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
        m_window->cmdNew->click();
        m_window->cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(m_window->cboTargetLocation_Validate());
        m_window->txtProdCode->setFocus();
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
        ClientName.clear();
        AllowWDZeroOnHand = false;
        frmKitEntry::unload();
        testsupport::checkModalWatchesDone();
    }

    void productCodeReads_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("allowZero");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code");
        QTest::newRow("item code, with its kit's read") << QString() << false << "1001"
                                                        << "1001";
        QTest::newRow("item code, no kit read where nothing on hand is allowed")
            << QString() << true << "1003"
            << "1003";
        QTest::newRow("item code at the requesting department") << "KVB" << false << "1003"
                                                                << "1003";
        QTest::newRow("bar code: the reads of the code it stands for")
            << QString() << false << "4800001"
            << "1001";
    }

    void productCodeReads()
    {
        QFETCH(QString, client);
        QFETCH(bool, allowZero);
        QFETCH(QString, typed);
        QFETCH(QString, code);
        start(client, allowZero);
        frmMain &w = *m_window;
        const QStringList reads = w.itemCodeReads(code);
        QVERIFY(!reads.isEmpty());
        const QStringList expected = QStringList{barcodeStatement(typed)} + reads;
        testsupport::SqlLog log;
        w.txtProdCode->setText(typed);
        QVERIFY(w.txtProdCode_Validate());
        QCOMPARE(w.txtProdCode->text(), code);
        QVERIFY(m_messages->messages().isEmpty());
        const QStringList sent = log.statements();
        QCOMPARE(sent.first(), barcodeStatement(typed));
        QCOMPARE(sorted(sent.mid(0, expected.size())), sorted(expected));
    }

    // Showing the item of a code (a line chosen in the grid) reads the item at the supplying
    // location and its master record.
    void itemInfoReads()
    {
        start();
        frmMain &w = *m_window;
        w.txtProdCode->setText(QStringLiteral("1003"));
        const QStringList expected =
            clsItem::loadReads(QStringLiteral("1003"), w.cboLocation->Tag());
        testsupport::SqlLog log;
        w.ShowItemInfo();
        QCOMPARE(w.txtProdName->text(), QStringLiteral("SYRINGE 5CC DISPOSABLE"));
        QCOMPARE(sorted(log.statements().mid(0, expected.size())), sorted(expected));
    }
};

INVENTORY_TEST_MAIN(TestReadAhead)
#include "tst_readahead.moc"

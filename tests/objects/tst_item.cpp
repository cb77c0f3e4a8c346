// The item at a location: loading over the session connection with its shortcuts and defaults,
// the failure that keeps what was read, the linked records and the product search.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "dialogs/frmItemLookup.h"
#include "objects/clsItem.h"
#include "objects/clsItemMaster.h"
#include "objects/clsLocation.h"
#include "platform/ui/msgbox.h"

#include <QLoggingCategory>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, 'S');
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbInvUnitOfMeasure VALUES (6, 'TAB', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ListCost, Packing, UnitOfMeasureID, AverageCost,
    IsSeniorDiscounted) VALUES ('1001', 'PARACETAMOL 500MG TAB', 1.25, 100, 6, 1.2, 1);
INSERT INTO tbInvMaster (ItemID, ItemName, ListCost, Packing, UnitOfMeasureID,
    IsSeniorDiscounted) VALUES ('1002', 'IBUPROFEN 200MG TAB', 2.5, 10, 7, 0);
INSERT INTO tbInvMaster (ItemID, ItemName, ListCost, Packing, UnitOfMeasureID,
    IsSeniorDiscounted) VALUES ('1003', 'GAUZE', 4, 1, 6, 0);
INSERT INTO tbInvMaster (ItemID, ItemName, ListCost, Packing, UnitOfMeasureID,
    IsSeniorDiscounted) VALUES ('O''X', 'QUOTED', 1, 1, 6, 0);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, OnOrder, MinStockLevel, Markup_In, Markup_Out,
    NetAmount, SellingPriceIn, SellingPriceOut, ItemStatus, AverageCost, AveConsumption,
    LastInventoryCount, ExpiryDate, NewGLCode, POMonthsToDeliver, MinimumOrAverage, StartDate,
    EndDate, Floor, Ceiling, IsFloor, IsCeiling, IsADSStock, ADSStock, LastDeliveryQty,
    LastDeliveryDate)
VALUES ('1001', '19', 150.5, 20, 40, 20, 30, 1.23456, 1.5, 1.75, 0, 1.2, 12.5,
    '2026-01-05 00:00:00', '2027-06-30 00:00:00', '5101', 2, 1, '01/01/2026', '12/31/2026',
    5, 500, 1, 0, 1, 30, 100, '2026-02-01 00:00:00');
-- Every column with a default is Null; no delivery yet.
INSERT INTO tbInvent (ItemID, LocationID, OnHand, OnOrder, MinStockLevel, Markup_In, Markup_Out,
    NetAmount, SellingPriceIn, SellingPriceOut, ItemStatus, AverageCost, AveConsumption,
    LastInventoryCount, ExpiryDate, NewGLCode, POMonthsToDeliver, MinimumOrAverage, StartDate,
    EndDate, Floor, Ceiling, IsFloor, IsCeiling, IsADSStock, ADSStock)
VALUES ('1002', '19', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
    NULL, NULL, NULL, 0, '', '', 0, 0, 0, 0, 0, 0);
-- No ADS flag: the copy stops after Ceiling.
INSERT INTO tbInvent (ItemID, LocationID, OnHand, Floor, Ceiling, IsADSStock, ADSStock)
VALUES ('1003', '19', 7, 9, 999, NULL, 77);
INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('1001', '27', 3);
INSERT INTO tbInvent (ItemID, LocationID, OnHand) VALUES ('O''X', '19', 1);
)";

QString dateText(const QDateTime &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

// The values a load fills, in one line.
QString loaded(const clsItem &item)
{
    return QStringList{item.ItemID(),
                       QString::number(item.MarkupIn()),
                       QString::number(item.MarkupOut()),
                       QString::number(item.NetAmount()),
                       QString::number(item.OnHand()),
                       QString::number(item.MaxStock()),
                       QString::number(item.OnOrder()),
                       QString::number(item.SellingPriceIn()),
                       QString::number(item.SellingPriceOut()),
                       QString::number(item.ItemStatus()),
                       QString::number(item.AverageCost()),
                       QString::number(item.MinimumStockLevel()),
                       QString::number(item.AveConsumption()),
                       dateText(item.LastInventoryCount()),
                       dateText(item.ExpiryDate()),
                       item.GLCode(),
                       QString::number(item.POMonthsToDeliver()),
                       QString::number(item.MinimumOrAverageConsumption()),
                       item.StartDate(),
                       item.EndDate(),
                       QString::number(item.ListCost()),
                       QString::number(item.UOM()),
                       item.UOMDescription(),
                       dateText(item.LastDeliveryDate()),
                       QString::number(item.LastDeliveryQty()),
                       QString::number(item.Packing()),
                       QString::number(item.IsFloor()),
                       QString::number(item.IsCeiling()),
                       QString::number(item.Floor()),
                       QString::number(item.Ceiling()),
                       QString::number(item.IsADSStock()),
                       QString::number(item.ADSStock())}
        .join(QLatin1Char('|'));
}

} // namespace

class TestItem : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    std::unique_ptr<clsItem> newItem()
    {
        auto item = std::make_unique<clsItem>();
        item->setActiveConnection(&m_session->connection());
        return item;
    }

private slots:
    void init()
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
    }

    void cleanup()
    {
        frmItemLookup::unload();
        testsupport::checkModalWatchesDone();
        m_messages.reset();
        m_session.reset();
    }

    void loadItem_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("itemId");
        QTest::addColumn<double>("onHand");
        QTest::addColumn<QString>("expiry");
        QTest::addColumn<QString>("keptMembers");

        const QString zero = QStringLiteral("1899-12-30");
        const QString kept1001 = QStringLiteral("500|TAB|5101|1");
        QTest::newRow("same code at another location reads nothing")
            << "1001"
            << "1001"
            << "27" << true << "1001" << 150.5 << "2027-06-30" << kept1001;
        QTest::newRow("empty code on a new object") << ""
                                                    << ""
                                                    << "19" << true << "" << 0.0 << zero << "0|||0";
        QTest::newRow("blanks reset a loaded item")
            << "1001"
            << "  "
            << "19" << true << "" << 0.0 << zero << kept1001;
        QTest::newRow("not held at the location") << "1001"
                                                  << "1002"
                                                  << "27" << false << "" << 0.0 << zero << kept1001;
        QTest::newRow("the card of the location asked for")
            << ""
            << "1001"
            << "27" << true << "1001" << 3.0 << zero << "0|TAB||0";
        QTest::newRow("quote mark in the code")
            << ""
            << "O'X"
            << "19" << true << "O'X" << 1.0 << zero << "0|TAB||0";
    }

    void loadItem()
    {
        QFETCH(QString, before);
        QFETCH(QString, code);
        QFETCH(QString, location);
        auto item = newItem();
        if (!before.isEmpty())
            QVERIFY(item->LoadItem(before, QStringLiteral("19")));

        QTEST(item->LoadItem(code, location), "result");
        QTEST(item->ItemID(), "itemId");
        QTEST(item->OnHand(), "onHand");
        QTEST(dateText(item->ExpiryDate()), "expiry");
        QTEST(QStringList({QString::number(item->Ceiling()), item->UOMDescription(), item->GLCode(),
                           QString::number(item->IsADSStock())})
                  .join(QLatin1Char('|')),
              "keptMembers");
        QCOMPARE(m_messages->count(), 0);
    }

    void loadedValues_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every column")
            << "1001"
            << "1001|20|30|1.2346|150.5|40|20|1.5|1.75|0|1.2|40|12.5|2026-01-05|2027-06-30|5101|"
               "2|1|01/01/2026|12/31/2026|1.25|6|TAB|2026-02-01|100|100|1|0|5|500|1|30";
        // Unknown unit of measure: its name is empty, not missing.
        QTest::newRow("Null columns take their defaults")
            << "1002"
            << "1002|0|0|0|0|0|0|0|0|0|0|0|0|1899-12-30|1899-12-30||0|0|||2.5|7||1899-12-30|0|10|"
               "0|0|0|0|0|0";
    }

    void loadedValues()
    {
        QFETCH(QString, code);
        auto item = newItem();
        QVERIFY(item->LoadItem(code, QStringLiteral("19")));
        QTEST(loaded(*item), "expected");
        // The procedure has no maximum of its own: both come from the minimum stock level.
        QCOMPARE(item->MaxStock(), item->MinimumStockLevel());
    }

    void loadReadsOverTheSessionConnection()
    {
        // The object's own connection reaches an empty database; the session's has the item.
        QTemporaryDir otherDir;
        auto other = testsupport::newDatabase(otherDir);
        clsItem item;
        item.setActiveConnection(other.get());
        QVERIFY(item.LoadItem(QStringLiteral("1001"), QStringLiteral("19")));
        QCOMPARE(item.OnHand(), 150.5);
        // The linked records read over the object's own connection.
        QCOMPARE(item.ItemMaster()->ItemName(), QString());
    }

    void nullADSFlagKeepsValuesUpToCeiling()
    {
        auto item = newItem();
        QVERIFY(item->LoadItem(QStringLiteral("1001"), QStringLiteral("19")));
        QCOMPARE(item->LoadItem(QStringLiteral("1003"), QStringLiteral("19")), false);

        QCOMPARE(m_messages->count(), 1);
        const ui::Message shown = m_messages->messages().first();
        QCOMPARE(shown.text, QStringLiteral("Invalid use of Null (field IsADSStock)"));
        QCOMPARE(shown.buttons, ui::Buttons::OK);
        QCOMPARE(shown.icon, ui::Icon::Critical);
        QCOMPARE(shown.title, QStringLiteral("Message"));
        // Read up to Ceiling: the new item; from the ADS flag on: the item before.
        QCOMPARE(item->ItemID(), QStringLiteral("1003"));
        QCOMPARE(item->OnHand(), 7.0);
        QCOMPARE(item->Floor(), 9.0);
        QCOMPARE(item->Ceiling(), 999.0);
        QCOMPARE(item->IsADSStock(), true);
        QCOMPARE(item->ADSStock(), 30.0);
    }

    void linkedRecordsLoadOnFirstRead()
    {
        auto item = newItem();
        QVERIFY(item->LoadItem(QStringLiteral("1001"), QStringLiteral("19")));
        const std::shared_ptr<clsItemMaster> master = item->ItemMaster();
        QCOMPARE(master->ItemName(), QStringLiteral("PARACETAMOL 500MG TAB"));
        QCOMPARE(master->Packing(), qint16(100));
        QCOMPARE(item->ItemMaster().get(), master.get());
        QCOMPARE(item->Location()->Description(), QStringLiteral("CENTRAL SUPPLY"));

        // Another item lets go of the records, and they are read again for it.
        QVERIFY(item->LoadItem(QStringLiteral("1002"), QStringLiteral("19")));
        QCOMPARE(item->ItemMaster()->ItemName(), QStringLiteral("IBUPROFEN 200MG TAB"));
        QCOMPARE(master->ItemID(), QStringLiteral("1001"));
    }

    void searchItem_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("dialogShown");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("itemId");
        QTest::newRow("single match loads without the dialog") << "1001" << false << true << "1001";
        // Nothing to choose from: the caller says so, with no empty dialog first.
        QTest::newRow("nothing matches, no dialog") << "ZZZ" << false << false << "";
    }

    void searchItem()
    {
        QFETCH(QString, text);
        QFETCH(bool, dialogShown);
        // The request window's two locations: supplying 19, requesting 27.
        frmItemLookup::instance().setRequestLocationCodes(QStringLiteral("19"),
                                                          QStringLiteral("27"));
        const ui::test::ModalsShown modals;

        auto item = newItem();
        QTEST(item->SearchItem(text, QStringLiteral("CENTRAL SUPPLY"), QStringLiteral("19")),
              "result");
        QCOMPARE(modals.classNames(),
                 dialogShown ? QStringList{QStringLiteral("frmItemLookup")} : QStringList());
        QTEST(item->ItemID(), "itemId");
        QCOMPARE(m_messages->count(), 0);
    }
};

INVENTORY_TEST_MAIN(TestItem)
#include "tst_item.moc"

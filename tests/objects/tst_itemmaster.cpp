// The item master record: loading with its shortcuts and Null defaults, the linked records, and
// the insert and update statements of Update with the forming of new codes.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "objects/clsGeneric.h"
#include "objects/clsItemClass.h"
#include "objects/clsItemMaster.h"
#include "objects/clsSupplier.h"
#include "objects/clsUnitOfMeasure.h"
#include "platform/error.h"
#include "platform/ui/msgbox.h"

#include <QLoggingCategory>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvSupplier (SupplierID, SupplierName, FreeGoods, isVAT)
    VALUES ('2', 'ACME PHARMA', 0, 1);
INSERT INTO tbInvSupplier (SupplierID, SupplierName, FreeGoods, isVAT)
    VALUES ('11', 'MAKER LABS', 0, 0);
INSERT INTO tbInvClassification (ItemClassificationID, ItemClassificationName)
    VALUES ('A', 'MEDICINES');
INSERT INTO tbInvUnitOfMeasure VALUES (6, 'TAB', NULL);
INSERT INTO tbforGeneric (GenericID, GenericName) VALUES ('G01', 'PARACETAMOL');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ManufacturerID, MarkupIn,
    MarkupOut, DownTime, ListCost, Freight, SalesTax, ItemStatus, Packing, VAT, BarCode,
    ItemClassificationID, ItemClass, UnitOfMeasureID, OralInject, AverageCost, GenericID,
    IsSeniorDiscounted, WithLotNumber, MedicareType, MedicareCategory, GLCode)
VALUES ('1001', 'PARACETAMOL 500MG TAB', 'BLISTER OF 10', '2', '11', 20, 30, 1.5, 1.25, 2.5,
    3.25, 1, 100, 12, '4800001', 'A', 'RX', 6, 'O', 1.20056, 'G01', 1, 1, 'Y', 'B', '5101');
-- Every column that may be Null is Null.
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ManufacturerID, MarkupIn,
    MarkupOut, DownTime, ListCost, Freight, SalesTax, ItemStatus, Packing, VAT, BarCode,
    ItemClassificationID, UnitOfMeasureID, OralInject, AverageCost, GenericID,
    IsSeniorDiscounted, WithLotNumber, MedicareType, MedicareCategory, GLCode)
VALUES ('1002', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
    NULL, NULL, NULL, NULL, NULL, NULL, 0, NULL, NULL, NULL, NULL);
-- The senior-discount flag has no default.
INSERT INTO tbInvMaster (ItemID, ItemName, OralInject, AverageCost, IsSeniorDiscounted,
    WithLotNumber, MedicareType)
VALUES ('1003', 'NO FLAG', 'I', 9.5, NULL, 0, 'Q');
)";

// The values a load fills, in one line.
QString loaded(const clsItemMaster &item)
{
    return QStringList{item.ItemID(),
                       item.ItemName(),
                       item.ItemDesc(),
                       QString::number(item.MarkupIn()),
                       QString::number(item.MarkupOut()),
                       QString::number(item.DownTime()),
                       QString::number(item.ListCost()),
                       QString::number(item.Freight()),
                       QString::number(item.SalesTax()),
                       QString::number(item.ItemStatus()),
                       QString::number(item.Packing()),
                       QString::number(item.VAT()),
                       item.BarCode(),
                       item.EndorseMedicine(),
                       QString::number(item.AverageCost()),
                       QString::number(item.SeniorCitizenDiscount()),
                       QString::number(item.WithLotNumber()),
                       item.MedicareType(),
                       item.MedicareCategory(),
                       item.GLCode()}
        .join(QLatin1Char('|'));
}

// The members a blank keeps, in one line.
QString kept(const clsItemMaster &item)
{
    return QStringList{item.MedicareType(), item.MedicareCategory(), item.GLCode(),
                       QString::number(item.WithLotNumber()),
                       QString::number(item.SeniorCitizenDiscount())}
        .join(QLatin1Char('|'));
}

} // namespace

class TestItemMaster : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    db::Connection *m_db = nullptr;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    std::unique_ptr<clsItemMaster> newItem()
    {
        auto item = std::make_unique<clsItemMaster>();
        item->setActiveConnection(m_db);
        return item;
    }

    // An item ready for Update: the four linked records set, the values of a known line.
    std::unique_ptr<clsItemMaster> itemToSave(const QString &code)
    {
        auto item = newItem();
        item->setItemID(code);
        testsupport::setLinkedRecords(*item, QStringLiteral(" 2 "), QStringLiteral("11 "),
                                      QStringLiteral("A"), 6);
        item->setItemName(QStringLiteral("ASPIRIN "));
        item->setItemDesc(QStringLiteral(" TAB"));
        item->setMarkupIn(20);
        item->setMarkupOut(30);
        item->setDownTime(1.5);
        item->setListCost(1.25);
        item->setItemStatus(1);
        item->setPacking(100);
        item->setAverageCost(3.5);
        item->setBarCode(QStringLiteral(" 480 "));
        item->setEndorseMedicine(QStringLiteral("O"));
        item->setSeniorCitizenDiscount(true);
        item->setWithLotNumber(false);
        item->setMedicareType(QStringLiteral("Z"));
        item->setMedicareCategory(QStringLiteral("B"));
        item->setGLCode(QStringLiteral("5101"));
        item->setItemClassTag(QStringLiteral("RX"));
        return item;
    }

    // Runs Update, which must fail; returns the error it raised.
    AppError failedUpdate(clsItemMaster &item)
    {
        try {
            item.Update();
        } catch (const AppError &error) {
            return error;
        }
        return AppError(0, QStringLiteral("no error"), QStringLiteral("Update went through"));
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init()
    {
        INVENTORY_USE_ENGINE_OF_ROW();
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        m_db = &m_session->connection();
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
    }

    void cleanup()
    {
        m_messages.reset();
        m_db = nullptr;
        m_session.reset();
    }

    void loadItem_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("itemName");
        QTest::addColumn<QString>("endorse");
        QTest::addColumn<int>("statements");
        QTest::addColumn<QString>("keptMembers");

        const QString item1001Kept = QStringLiteral("Y|B|5101|1|1");
        QTest::newRow("same code reads nothing") << "1001"
                                                 << "1001" << true << "PARACETAMOL 500MG TAB"
                                                 << "O" << 0 << item1001Kept;
        QTest::newRow("empty code on a new object") << ""
                                                    << "" << true << ""
                                                    << "X" << 0 << "|||0|0";
        QTest::newRow("blanks reset a loaded item") << "1001"
                                                    << "   " << true << ""
                                                    << "X" << 0 << item1001Kept;
        QTest::newRow("unknown code resets and fails") << "1001"
                                                       << "9999" << false << ""
                                                       << "X" << 1 << item1001Kept;
    }

    void loadItem()
    {
        QFETCH(QString, before);
        QFETCH(QString, code);
        QFETCH(bool, result);
        QFETCH(int, statements);
        auto item = newItem();
        if (!before.isEmpty())
            QVERIFY(item->LoadItem(before));

        // A load that reads would see the changed name.
        m_db->Execute(QStringLiteral("Update tbInvMaster Set ItemName = 'CHANGED'"));
        testsupport::SqlLog log;
        QCOMPARE(item->LoadItem(code), result);
        QCOMPARE(log.statements().size(), statements);
        QTEST(item->ItemName(), "itemName");
        QTEST(item->EndorseMedicine(), "endorse");
        QTEST(kept(*item), "keptMembers");
    }

    void loadedValues_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every column") << "1001"
                                      << "1001|PARACETAMOL 500MG TAB|BLISTER OF 10|20|30|1.5|1.25|"
                                         "2.5|3.25|1|100|12|4800001|O|1.2006|1|1|Y|B|5101";
        // A Null bar code reads as "0", Null OralInject as "X", the Medicare texts as N and A.
        QTest::newRow("Null columns take their defaults")
            << "1002"
            << "1002|||0|0|0|0|0|0|0|0|0|0|X|0|0|0|N|A|";
    }

    void loadedValues()
    {
        QFETCH(QString, code);
        auto item = newItem();
        QVERIFY(item->LoadItem(code));
        QTEST(loaded(*item), "expected");
    }

    void nullSeniorDiscountStopsTheLoad()
    {
        auto item = newItem();
        QVERIFY(item->LoadItem(QStringLiteral("1001")));
        try {
            item->LoadItem(QStringLiteral("1003"));
            QFAIL("a Null IsSeniorDiscounted must fail the load");
        } catch (const AppError &error) {
            QCOMPARE(error.number(), long(vbObjectError + 9999));
            QCOMPARE(error.source(), QStringLiteral("clsItemMaster:LoadItem Method"));
            QCOMPARE(error.description(), QStringLiteral("An unknown error has occurred!"));
        }
        // Copied before the flag: the new item's values; after it: the old item's.
        QCOMPARE(item->ItemID(), QStringLiteral("1003"));
        QCOMPARE(item->ItemName(), QStringLiteral("NO FLAG"));
        QCOMPARE(item->AverageCost(), 9.5);
        QCOMPARE(item->EndorseMedicine(), QStringLiteral("I"));
        QCOMPARE(kept(*item), QStringLiteral("Y|B|5101|1|1"));
    }

    void linkedRecordsLoadOnFirstRead()
    {
        auto item = newItem();
        QVERIFY(item->LoadItem(QStringLiteral("1001")));
        QCOMPARE(item->Supplier()->SupplierName(), QStringLiteral("ACME PHARMA"));
        QCOMPARE(item->Manufacturer()->SupplierName(), QStringLiteral("MAKER LABS"));
        QCOMPARE(item->ItemClass()->Description(), QStringLiteral("MEDICINES"));
        QCOMPARE(item->UnitOfMeasure()->Description(), QStringLiteral("TAB"));
        QCOMPARE(item->Generic()->GenericName(), QStringLiteral("PARACETAMOL"));
        QCOMPARE(item->Supplier().get(), item->Supplier().get());

        // A record that is set stays as given; the next item's load lets the keys decide again.
        auto other = std::make_shared<clsSupplier>();
        other->setSupplierName(QStringLiteral("GIVEN"));
        item->setSupplier(other);
        QCOMPARE(item->Supplier().get(), other.get());
        QVERIFY(item->LoadItem(QStringLiteral("1002")));
        QCOMPARE(item->Supplier()->SupplierName(), QString());
        QCOMPARE(item->UnitOfMeasure()->Code(), qint16(0));
    }

    void newCode_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty table") << QStringList() << "1";
        QTest::newRow("letter P dropped") << QStringList{"P0007", "12"} << "13";
        QTest::newRow("largest of four digits") << QStringList{"998", "P0999"} << "1000";
    }

    void newCode()
    {
        QFETCH(QStringList, codes);
        m_db->Execute(QStringLiteral("Delete From tbInvMaster"));
        for (const QString &code : codes)
            m_db->execute(QStringLiteral("Insert Into tbInvMaster (ItemID) Values (?)"), {code});

        auto item = itemToSave(QStringLiteral("NEW"));
        QVERIFY(item->Update());
        QTEST(item->ItemID(), "expected");
        QFETCH(QString, expected);
        QCOMPARE(testsupport::rows(*m_db, QStringLiteral("Select ItemName From tbInvMaster "
                                                         "Where ItemID = '") +
                                              expected + QStringLiteral("'")),
                 QStringList{QStringLiteral("ASPIRIN")});
        QCOMPARE(m_messages->count(), 0);
    }

    void newCodeRefused_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("next code has five digits") << QStringList{"12", "P9999"} << "4 characters";
        QTest::newRow("a code is not a number") << QStringList{"12", "A1"} << "not a number";
    }

    void newCodeRefused()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, reason);
        m_db->Execute(QStringLiteral("Delete From tbInvMaster"));
        for (const QString &code : codes)
            m_db->execute(QStringLiteral("Insert Into tbInvMaster (ItemID) Values (?)"), {code});

        auto item = itemToSave(QStringLiteral("NEW"));
        const AppError error = failedUpdate(*item);
        QCOMPARE(error.number(), long(vbObjectError + 9999));
        // A server refuses to read the code as a number itself; its own words are the reason.
        if (reason == QLatin1String("not a number")) {
            if (testsupport::currentEngine() == testsupport::Engine::PostgreSQL)
                reason = QStringLiteral("invalid input syntax for type integer");
            else if (testsupport::currentEngine() == testsupport::Engine::SqlServer)
                reason = QStringLiteral("Conversion failed");
        }
        QVERIFY2(error.source().startsWith(QStringLiteral("clsItemMaster:Update Method")) &&
                     error.source().contains(reason),
                 qPrintable(error.source()));
        QCOMPARE(m_messages->count(), 1);
        QVERIFY(m_messages->texts().first().contains(reason));
        QCOMPARE(item->ItemID(), QStringLiteral("NEW"));
        QCOMPARE(testsupport::rows(*m_db, QStringLiteral("Select ItemID From tbInvMaster "
                                                         "Order By ItemID")),
                 codes);
    }

    void insertStatement_data()
    {
        QTest::addColumn<bool>("withMedicare");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("storedMedicareType");
        const QString text = QStringLiteral(
            "Insert Into INVENTORY..tbInvMaster (ItemID,ItemName, ItemDesc, SupplierId, MarkupIn,  "
            "MarkupOut, DownTime, Listcost, ItemClassificationID, ItemStatus,  UnitOfMeasureID, "
            "Packing, BarCode, MedicareType,IncludeInStatement,OralInject, AverageCost, "
            "ManufacturerID, IsSeniorDiscounted, WithLOTNumber, MedicareCategory, GLCode ) "
            "Values ('1','ASPIRIN','TAB','2',20,30,1.50,1.2500,'A', 1,6,100,' 480 ','%1',1,'O',"
            "3.5000, '11',1,0,'B','5101')");
        QTest::newRow("with Medicare") << true << text.arg(QLatin1Char('Z')) << "Z";
        QTest::newRow("without Medicare") << false << text.arg(QLatin1Char('2')) << "2";
    }

    void insertStatement()
    {
        QFETCH(bool, withMedicare);
        m_db->Execute(QStringLiteral("Delete From tbInvMaster"));
        auto item = itemToSave(QString());
        item->setWithMedicare(withMedicare);
        testsupport::SqlLog log;
        QVERIFY(item->Update());
        QTEST(log.startingWith(QStringLiteral("Insert Into")), "expected");
        QFETCH(QString, storedMedicareType);
        QCOMPARE(testsupport::rows(*m_db, QStringLiteral("Select ItemID, MedicareType, "
                                                         "IncludeInStatement, ItemClass "
                                                         "From tbInvMaster")),
                 QStringList{QStringLiteral("1|%1|1|<null>").arg(storedMedicareType)});
    }

    void updateStatement_data()
    {
        QTest::addColumn<bool>("withMedicare");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("storedMedicareType");
        const QString head = QStringLiteral(
            "Update INVENTORY..tbInvMaster Set ItemName = 'ASPIRIN ', ItemDesc = ' TAB', "
            "SupplierId = ' 2 ', MarkupIn = 20, MarkupOut = 30, DownTime = 1.50, "
            "Listcost = 1.2500, ItemClassificationID = 'A', ItemStatus =  1, "
            "UnitOfMeasureID = 6, Packing = 100, AverageCost = 3.5000, BarCode = ' 480 ', "
            "OralInject = 'O',  ManufacturerID = '11' , IsSeniorDiscounted = 1, "
            "WithLOTNumber = 0");
        QTest::newRow("with Medicare")
            << true
            << head + QStringLiteral(", MedicareType = 'Z' , MedicareCategory = 'B' , "
                                     "GLCode = '5101', ItemClass = 'RX' Where ItemID = '1001'")
            << "Z";
        QTest::newRow("without Medicare leaves the type")
            << false
            << head + QStringLiteral(", MedicareCategory = 'B' , GLCode = '5101', "
                                     "ItemClass = 'RX'  Where ItemID = '1001'")
            << "Y";
    }

    void updateStatement()
    {
        QFETCH(bool, withMedicare);
        auto item = itemToSave(QStringLiteral("1001"));
        item->setWithMedicare(withMedicare);
        testsupport::SqlLog log;
        QVERIFY(item->Update());
        QTEST(log.startingWith(QStringLiteral("Update")), "expected");
        QVERIFY(log.startingWith(QStringLiteral("Insert")).isEmpty());
        QCOMPARE(item->ItemID(), QStringLiteral("1001"));
        QFETCH(QString, storedMedicareType);
        QCOMPARE(testsupport::rows(*m_db, QStringLiteral("Select ItemName, MedicareType, "
                                                         "ItemClass From tbInvMaster "
                                                         "Where ItemID = '1001'")),
                 QStringList{QStringLiteral("ASPIRIN |%1|RX").arg(storedMedicareType)});
    }

    void missingLinkedRecordWritesNothing_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("code");
        QTest::newRow("supplier, new item") << "supplier"
                                            << "";
        QTest::newRow("item class, new item") << "item class"
                                              << "";
        QTest::newRow("unit of measure, existing item") << "unit of measure"
                                                        << "1001";
        QTest::newRow("manufacturer, existing item") << "manufacturer"
                                                     << "1001";
    }

    void missingLinkedRecordWritesNothing()
    {
        QFETCH(QString, missing);
        QFETCH(QString, code);
        auto item = itemToSave(code);
        if (missing == QLatin1String("supplier"))
            item->setSupplier(nullptr);
        else if (missing == QLatin1String("item class"))
            item->setItemClass(nullptr);
        else if (missing == QLatin1String("unit of measure"))
            item->setUnitOfMeasure(nullptr);
        else
            item->setManufacturer(nullptr);
        const QString select = QStringLiteral("Select ItemID, ItemName From tbInvMaster "
                                              "Order By ItemID");
        const QStringList before = testsupport::rows(*m_db, select);

        const AppError error = failedUpdate(*item);
        const QString description =
            QStringLiteral("Object variable or With block variable not set");
        QCOMPARE(error.number(), long(vbObjectError + 9999));
        QCOMPARE(error.source(), QStringLiteral("clsItemMaster:Update Method") + description);
        QCOMPARE(error.description(), QStringLiteral("An unknown error has occurred!"));
        QCOMPARE(m_messages->count(), 1);
        const ui::Message shown = m_messages->messages().first();
        QCOMPARE(shown.text, description);
        QCOMPARE(shown.buttons, ui::Buttons::OK);
        QCOMPARE(shown.icon, ui::Icon::None);
        QCOMPARE(shown.title, ui::ApplicationTitle);
        QCOMPARE(testsupport::rows(*m_db, select), before);
        QCOMPARE(item->ItemID(), code);
    }

    void quoteMarksStoredAsTyped_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("insert") << "";
        QTest::newRow("update") << "1001";
    }

    void quoteMarksStoredAsTyped()
    {
        QFETCH(QString, code);
        auto item = itemToSave(code);
        item->setItemName(QStringLiteral("O'NEIL'S CREAM"));
        item->setItemDesc(QStringLiteral("5 O'CLOCK"));
        item->setBarCode(QStringLiteral("'"));
        item->setGLCode(QStringLiteral("x');--"));
        item->setItemClassTag(QStringLiteral("R'X"));
        QVERIFY(item->Update());
        const QString rowCode = code.isEmpty() ? QStringLiteral("1004") : code;
        QCOMPARE(item->ItemID(), rowCode);
        QCOMPARE(testsupport::rows(*m_db, QStringLiteral("Select ItemName, ItemDesc, BarCode, "
                                                         "GLCode From tbInvMaster Where "
                                                         "ItemID = '") +
                                              rowCode + QStringLiteral("'")),
                 QStringList{QStringLiteral("O'NEIL'S CREAM|5 O'CLOCK|'|x');--")});
        QCOMPARE(testsupport::rows(*m_db, QStringLiteral("Select Count(*) From tbInvMaster")),
                 QStringList{code.isEmpty() ? QStringLiteral("4") : QStringLiteral("3")});
    }

    void searchTakesTheSingleMatch()
    {
        auto item = newItem();
        // 1001 is inactive, so only 1002 is found.
        QVERIFY(item->SearchItem(QStringLiteral("1002")));
        QCOMPARE(PubLookupCode, QStringLiteral("1002"));
        QCOMPARE(item->ItemID(), QStringLiteral("1002"));
        QCOMPARE(item->MedicareType(), QStringLiteral("N"));
        QCOMPARE(m_messages->count(), 0);
    }
};

INVENTORY_TEST_MAIN(TestItemMaster)
#include "tst_itemmaster.moc"

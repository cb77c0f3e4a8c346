// Every statement the program sends, built exactly as the program concatenates it, run on a small
// database on every engine the machine has (testsupport.h): the embedded file over both of its
// transports (QtSql's SQLite driver, where GetDate() and PatIndex() are registered functions, and
// the SQLite ODBC driver, where the translator writes SQLite's own expressions instead), the
// PostgreSQL test server, and SQL Server when one is configured. Each row answers with the rows
// SQL Server would give.
#include "support/testsupport.h"

#include "dialogs/frmItemLookup.h"
#include "dialogs/frmLookup.h"
#include "objects/clsGeneric.h"
#include "objects/clsItemMaster.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"
#include "platform/db/tsqltokens.h"
#include "platform/ui/flexgrid.h"
#include "request/frmMain.h"

#include <QFileInfo>

using db::sqlText;

namespace {

// Locations: 7 dispensing only, 12 warehouse only, 19 both, 8 and 27 neither; 30 and 31 inactive
// ('I' and 'i'). Requests: pending and processed, verified and not, one cancelled, one at a
// location the user does not belong to. Item codes are numbers once the letter P is removed.
const char *const Fixture = R"(
INSERT INTO tbHospitalInfo (HospitalID, Company, Address, TelNum, ClientName, AllowWDZeroOnHand,
                            isAutoWithdrawRequestNumber)
    VALUES (1, 'ST. JUDE''S HOSPITAL', 'MAIN AVE', '555-0100', 'KVB', 0, NULL);
INSERT INTO tbInvUserSettings (UserID, isVerifyInventoryRequest) VALUES ('E01', 1), ('E02', 0);

INSERT INTO tbInvLocation (LocationID, Location, Status, isWarehouse, isDispensingArea, AllowOrder,
                           InventoryType) VALUES
    ('7',  'PHARMACY',       'A',  0, 1, 1, 'M'),
    ('8',  'O''BRIEN WARD',  '',   0, 0, 0, NULL),
    ('12', 'CENTRAL SUPPLY', NULL, 1, 0, 0, 'MS'),
    ('19', 'MAIN STORE',     'A',  1, 1, 1, ''),
    ('27', 'WARD 3',         NULL, 0, 0, 1, NULL),
    ('30', 'OLD WING',       'I',  0, 0, 1, NULL),
    ('31', 'ANNEX',          'i',  0, 0, 1, NULL);
INSERT INTO tbinvUserLocation (UserID, LocationID) VALUES
    ('E01', '8'), ('E01', '19'), ('E01', '27'), ('E01', '30'), ('E02', '19');

INSERT INTO tbInvUnitOfMeasure (UnitOfMeasureID, UnitOfMeasure, Status) VALUES
    (1, 'TABLET', 'A'), (2, 'BOX', NULL), (3, 'BOTTLE', 'I'), (10, 'CAPSULE', '');
INSERT INTO tbInvClassification (ItemClassificationID, ItemClassificationName, Status, IsFixedAsset)
    VALUES ('A', 'MEDICINES', 'A', 0), ('B', 'SUPPLIES', NULL, 0), ('C', 'EQUIPMENT', 'A', 1);
INSERT INTO tbInvTerms (TermsID, Terms, NoDays, Status) VALUES
    (1, 'COD', 0, 'A'), (2, '30 DAYS', 30, NULL), (4, 'CASH', 0, ''), (5, 'CHECK', 15, 'I');
INSERT INTO tbInvSupplier (SupplierID, SupplierName, Status, SupplierType, Address1, Address2,
                           Address3, TermsID, TelNum, FreeGoods, isVAT, ContactPerson) VALUES
    ('1',  'ACME PHARMA',  'A',  'V', '1 MAIN ST', 'CEBU CITY', '', 2, '555-0101', 0, 1, 'ANA'),
    ('2',  'ACME MEDICAL', NULL, 'M', NULL, NULL, NULL, NULL, NULL, 0, 0, NULL),
    ('3',  'ACME OLD',     'I',  'V', NULL, NULL, NULL, 1, NULL, 0, 0, NULL),
    ('10', 'BETA SUPPLY',  '',   'V', NULL, NULL, NULL, 4, NULL, 1, 0, NULL);

INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ManufacturerID, MarkupIn,
                         MarkupOut, DownTime, ListCost, Freight, SalesTax, ItemStatus, Packing,
                         VAT, BarCode, ItemClassificationID, ItemClass, UnitOfMeasureID,
                         OralInject, AverageCost, GenericID, IsSeniorDiscounted, WithLotNumber,
                         MedicareType, MedicareCategory, GLCode, IncludeInStatement, KitID) VALUES
    ('12', 'PARACETAMOL', '500MG TAB', '1', '2', 20, 30, 0, 1.25, 0, 0, 0, 100, 0,
     '4800016000012', 'A', NULL, 1, 'O', 1.1, 'G1', 1, 0, 'N', 'A', '5010', 1, NULL),
    ('9', 'PARACETAMOL', '250MG/5ML SYRUP', '1', NULL, 20, 30, 0, 45.5, 0, 0, 0, 1, 0,
     '4800016000099', 'A', NULL, 2, 'O', 40, NULL, 0, 0, NULL, NULL, NULL, 1, NULL),
    ('P0007', 'AMOXICILLIN', '500MG CAP', '2', NULL, 10, 20, 0, 3.5, 0, 0, NULL, 100, 0,
     NULL, NULL, NULL, 10, 'O', 3.25, 'G2', 0, 1, NULL, NULL, NULL, 1, NULL),
    ('P0003', 'PAPER CUP', '8OZ', '10', NULL, 0, 0, 0, 0.5, 0, 0, 1, 50, 0,
     NULL, 'B', NULL, 2, NULL, 0.5, NULL, 0, 0, NULL, NULL, NULL, 1, NULL),
    ('0011', 'PATIENT MONITOR', '5 CHANNEL', '10', NULL, 0, 0, 0, 90000, 0, 0, 0, 1, 0,
     NULL, 'C', NULL, 2, NULL, 85000, NULL, 0, 0, NULL, NULL, NULL, 1, NULL),
    ('P0010', 'MINOR SURGERY KIT', 'STERILE', '1', NULL, 0, 0, 0, 250, 0, 0, 0, 1, 0,
     NULL, 'B', NULL, 2, NULL, 230, NULL, 0, 0, NULL, NULL, NULL, 1, 'KT1');
INSERT INTO tbInvKit (KitID, ItemID, Quantity, RetailType, Active) VALUES
    ('KT1', '12', 2, 'Y', 'A'), ('KT1', 'P0007', 1, 'N', 'A'), ('KT1', '9', 3, 'Y', 'I');

INSERT INTO tbInvent (ItemID, LocationID, OnHand, OnOrder, MinStockLevel, Markup_In, Markup_Out,
                      NetAmount, SellingPriceIn, SellingPriceOut, ItemStatus, AverageCost,
                      AveConsumption, LastInventoryCount, ExpiryDate, NewGLCode,
                      POMonthsToDeliver, MinimumOrAverage, StartDate, EndDate, Floor, Ceiling,
                      IsFloor, IsCeiling, IsADSStock, ADSStock, LastDeliveryQty, LastDeliveryDate)
    VALUES ('12', '19', 500, 0, 50, 20, 30, 1.1, 1.32, 1.43, 0, 1.1, 12.5,
            '2026-01-31 00:00:00', '2027-06-30 00:00:00', '5010', 1, 0, '', '', 0, 0, 0, 0, 1, 40,
            200, '2026-02-15 00:00:00');
INSERT INTO tbInvent (ItemID, LocationID, OnHand, ItemStatus, Markup_In, Markup_Out) VALUES
    ('P0007', '19', 120, NULL, 15, 25), ('9', '19', 0, 1, 20, 30), ('P0010', '19', 5, 0, 0, 0),
    ('P0003', '19', 10, 0, 0, 0), ('0011', '19', 1, 0, 0, 0),
    ('12', '27', 20, 0, 20, 30), ('P0007', '27', 0, 0, 15, 25), ('9', '27', 6, 0, 20, 30),
    ('P0003', '27', 0, 0, 0, 0), ('0011', '27', 0, 0, 0, 0);

INSERT INTO tbforClassification (Node_Key, ClassificationName) VALUES
    ('12', 'ANALGESICS'), ('7', 'ANTIBIOTICS'), ('4', 'VITAMINS'), ('1', 'ANTACIDS');
INSERT INTO tbforGeneric (GenericID, GenericName, Node_Key) VALUES
    ('G1', 'PARACETAMOL', '12.3'), ('G2', 'AMOXICILLIN', '7'), ('G3', 'ASCORBIC ACID', '45'),
    ('G4', 'ZINC', '9');

INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, Password, DepartmentID, Right_Code1,
                            Right_Code2) VALUES
    ('E01', 'DELA CRUZ', 'JUAN', '5B 1C3A', '4', 'A', 'S'),
    ('E02', 'SANTOS', 'MARIA', '5B2F 4', '00', 'A', 'S'),
    ('E03', 'REYES', 'ANA', '5B 1C3A', '4', 'A', 'X'),
    ('E04', 'LIM', 'ROSA', '5B 1C3A', '7', 'A', 'S');

INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
                                  LocationID, TargetLocationID, TransDate, UserID, Remarks,
                                  Status, ProcessDate, ProcessBy, VerifiedBy, VerifiedDate) VALUES
    ('7', 'P0007', 10, 3.25, 'N', 0, '19', '27', '2026-03-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL, NULL, NULL, NULL),
    ('7', '12', 5, 1.1, 'Y', 1, '19', '27', '2026-03-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL, NULL, NULL, NULL),
    ('12', '9', 2, 40, 'Y', 0, '19', '8', '2025-12-30 14:00:00', 'E02', '',
     '', NULL, NULL, '', NULL),
    ('9', '12', 1, 1.1, 'N', 0, '27', '19', '2026-01-15 10:30:00', 'E02', '',
     NULL, NULL, NULL, 'E02', '2026-01-16 08:00:00'),
    ('10', '12', 3, 1.1, 'N', 0, '19', '27', '2026-02-01 11:00:00', 'E01', '',
     'P', '2026-02-02 09:00:00', 'E02', 'E02', '2026-02-01 12:00:00'),
    ('3', 'P0007', 4, 3.25, 'N', 0, '8', '27', '2026-02-10 08:00:00', 'E09', '',
     'P', '2026-02-11 09:00:00', 'E02', NULL, NULL),
    ('11', '12', 1, 1.1, 'N', 0, '19', '27', '2026-02-20 08:00:00', 'E01', '',
     'D', '2026-02-21 08:00:00', 'E01', NULL, NULL),
    ('5', '12', 1, 1.1, 'N', 0, '7', '27', '2026-02-05 08:00:00', 'E01', '',
     NULL, NULL, NULL, NULL, NULL);
)";

// An expected cell that stands for the server's current time: the actual cell must be a date and
// time within two minutes of the moment the row ran.
const QString Now = QStringLiteral("<now>");

const QString Employee = QStringLiteral("E01");

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

// The listing of the request window for one filter combination, as the window builds it.
QString listing(bool pending, bool verified, bool distinctFirst = false)
{
    return frmMain::listingStatement(Employee, !pending, verified, distinctFirst);
}

// The saving insert of one grid line as the window builds it (code, quantity, unit cost, retail
// and ADS cells), for the employee's request supplied by 19 to 27.
QString requestInsert(const QString &docNum, const QString &itemId, const QString &quantity,
                      const QString &unitCost, const QString &retail, const QString &ads,
                      const QDateTime &transDate, const QString &remarks)
{
    ui::FlexGrid grid;
    grid.setCols(7);
    grid.setTextMatrix(1, 0, itemId);
    grid.setTextMatrix(1, 2, quantity);
    grid.setTextMatrix(1, 3, unitCost);
    grid.setTextMatrix(1, 5, retail);
    grid.setTextMatrix(1, 6, ads);
    return frmMain::lineStatement(grid, 1,
                                  {docNum, transDate, q("19"), q("27"), Employee, remarks});
}

QDateTime at(const char *when)
{
    return QDateTime::fromString(q(when), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The product search as a keystroke in the dialog sends it: the item master form (no location)
// or the location form (supplying 19, requesting 27), with the numeric or the text condition.
QString productSearch(bool atLocation, const QString &text)
{
    frmItemLookup dialog;
    dialog.setLocationCode(atLocation ? q("19") : QString());
    dialog.setRequestLocationCodes(q("19"), q("27"));
    return dialog.searchStatement(text);
}

QString generic(const QString &code)
{
    return clsGeneric::loadStatement(code);
}

// PARACETAMOL (12) changed in every column the item master writes; withMedicare chooses the
// statement form.
std::unique_ptr<clsItemMaster> changedItem(bool withMedicare)
{
    auto item = std::make_unique<clsItemMaster>();
    item->setItemID(q("12"));
    item->setItemName(q("PARACETAMOL"));
    item->setItemDesc(q("500MG CAPLET"));
    testsupport::setLinkedRecords(*item, q("10"), q("10"), q("B"), 2);
    item->setMarkupIn(25);
    item->setMarkupOut(35);
    item->setDownTime(0.5);
    item->setListCost(1.5);
    item->setItemStatus(1);
    item->setPacking(50);
    item->setAverageCost(1.2);
    item->setBarCode(q("4800016000012"));
    item->setEndorseMedicine(q("I"));
    item->setSeniorCitizenDiscount(false);
    item->setWithLotNumber(true);
    item->setWithMedicare(withMedicare);
    item->setMedicareType(q("X"));
    item->setMedicareCategory(q("B"));
    item->setGLCode(q("5011"));
    item->setItemClassTag(q("O'TC"));
    return item;
}

// The item master's insert of a new item under 13, with a quote mark in its name, as the data
// class builds it.
QString newItemInsert()
{
    clsItemMaster item;
    item.setItemName(q("CHILDREN'S PARACETAMOL"));
    item.setItemDesc(q("120MG/5ML @60ML"));
    testsupport::setLinkedRecords(item, q("1"), q("2"), q("A"), 2);
    item.setMarkupIn(20);
    item.setMarkupOut(30);
    item.setListCost(52.75);
    item.setPacking(1);
    item.setBarCode(q("4800016000136"));
    item.setEndorseMedicine(q("O"));
    item.setAverageCost(48.5);
    item.setWithLotNumber(true);
    item.setMedicareCategory(q("A"));
    item.setGLCode(q("5012"));
    return item.insertStatement(q("13"));
}

// The item master's update, as the data class builds it.
QString itemMasterUpdate(bool withMedicare)
{
    return changedItem(withMedicare)->updateStatement();
}

const QString ItemMasterCheck =
    q("Select ItemName, ItemDesc, SupplierID, MarkupIn, MarkupOut, DownTime, ListCost, "
      "ItemClassificationID, ItemStatus, UnitOfMeasureID, Packing, AverageCost, BarCode, "
      "OralInject, ManufacturerID, IsSeniorDiscounted, WithLotNumber, MedicareType, "
      "MedicareCategory, GLCode, ItemClass From INVENTORY..tbInvMaster Where ItemID = '12'");

const QString RequestCheck =
    q("Select DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, "
      "TargetLocationID, TransDate, UserID, Remarks, Status, VerifiedBy "
      "From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '1234'");

void addRow(const char *name, const QString &tsql, const QString &check,
            const QStringList &expected, const QString &setup)
{
    QTest::newRow(name) << setup << tsql << check << expected;
}

// A query: its own rows are the result.
void query(const char *name, const QString &tsql, const QStringList &expected,
           const QString &setup = {})
{
    addRow(name, tsql, QString(), expected, setup);
}

// An action statement: the rows of the follow-up select are the result.
void action(const char *name, const QString &tsql, const QString &check,
            const QStringList &expected, const QString &setup = {})
{
    addRow(name, tsql, check, expected, setup);
}

// Cells that stand for "now" in the expectation and hold a current time are made to read <now>.
QStringList withNowMarked(const QStringList &actual, const QStringList &expected)
{
    QStringList out = actual;
    for (int r = 0; r < out.size() && r < expected.size(); ++r) {
        const QStringList want = expected.at(r).split(QLatin1Char('|'));
        QStringList cells = out.at(r).split(QLatin1Char('|'));
        for (int c = 0; c < cells.size() && c < want.size(); ++c) {
            if (want.at(c) != Now)
                continue;
            const QDateTime at =
                QDateTime::fromString(cells.at(c), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (at.isValid() && qAbs(at.secsTo(QDateTime::currentDateTime())) < 120)
                cells[c] = Now;
        }
        out[r] = cells.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace

class TestStatements : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    // The fixture database the plain queries of one engine share: they change nothing in it.
    std::shared_ptr<db::Connection> m_unchanged;
    testsupport::Engine m_unchangedEngine = testsupport::Engine::Sqlite;

    // A fresh fixture database on the row's engine (the fixture written natively).
    std::shared_ptr<db::Connection> open(const QString &setup)
    {
        const QString name = QStringLiteral("statements%1.db").arg(++m_files);
        std::shared_ptr<db::Connection> connection =
            testsupport::newDatabase(m_dir, db::Contents::SchemaOnly, name);
        connection->runScript(QString::fromUtf8(Fixture));
        if (!setup.isEmpty())
            connection->runScript(setup);
        return connection;
    }

    // The database for a query without a setup of its own, made once per engine: a database on
    // the server takes longer to make than the query takes to run.
    std::shared_ptr<db::Connection> openUnchanged()
    {
        if (!m_unchanged || m_unchangedEngine != testsupport::currentEngine()) {
            m_unchanged.reset();
            m_unchanged = open(QString());
            m_unchangedEngine = testsupport::currentEngine();
        }
        return m_unchanged;
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }
    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }
    void cleanupTestCase() { m_unchanged.reset(); }

    void statements_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QStringList>("expected");

        // --- start-up and session ---------------------------------------------------------
        query("hospital row with the server time",
              q("Select *, GetDate() as CurDate From Inventory..tbHospitalInfo"),
              {q("1|ST. JUDE'S HOSPITAL|MAIN AVE|555-0100|KVB|0|<null>|<now>")});
        query("user settings",
              q("Select * from Inventory..tbInvUserSettings Where UserID = '") + sqlText(Employee) +
                  q("'"),
              {q("E01|1")});

        // --- location lists and checks ----------------------------------------------------
        query("user locations procedure, quoted argument",
              q("INVENTORY..sp_Inv_UserLocation '") + sqlText(Employee) + q("'"),
              {q("MAIN STORE|19"), q("O'BRIEN WARD|8"), q("WARD 3|27")});
        query("locations not both warehouse and dispensing",
              q("Select Location, LocationID From INVENTORY..tbInvLocation Where ( isWarehouse = 0 "
                "or isDispensingArea = 0 ) AND ( Not Status = 'I' or Status is Null ) ORDER BY "
                "Location"),
              {q("CENTRAL SUPPLY|12"), q("O'BRIEN WARD|8"), q("PHARMACY|7"), q("WARD 3|27")});
        query(
            "locations not warehouse",
            q("Select Location, LocationID From INVENTORY..tbInvLocation Where isWarehouse = 0 AND "
              "( Not Status = 'I' or Status is Null ) ORDER BY Location"),
            {q("O'BRIEN WARD|8"), q("PHARMACY|7"), q("WARD 3|27")});
        query("locations not dispensing",
              q("Select Location, LocationID From INVENTORY..tbInvLocation "
                "Where isDispensingArea = 0 AND ( Not Status = 'I' or Status is Null ) "
                "ORDER BY Location"),
              {q("CENTRAL SUPPLY|12"), q("O'BRIEN WARD|8"), q("WARD 3|27")});
        query(
            "locations allowed to order",
            q("Select Location, LocationID From INVENTORY..tbInvLocation Where AllowOrder = 1 AND "
              "( Not Status = 'I' or Status is Null ) ORDER BY Location"),
            {q("MAIN STORE|19"), q("PHARMACY|7"), q("WARD 3|27")});
        query(
            "active locations, lower-case i is inactive too",
            q("Select Location, LocationID From INVENTORY..tbInvLocation Where Not Status = 'I' or "
              "Status is Null  ORDER BY Location"),
            {q("CENTRAL SUPPLY|12"), q("MAIN STORE|19"), q("O'BRIEN WARD|8"), q("PHARMACY|7"),
             q("WARD 3|27")});
        query("default location",
              q("Select Location From INVENTORY..tbInvLocation Where LocationID = '") +
                  sqlText(q("19")) + q("'"),
              {q("MAIN STORE")});
        query("location check, name with a quote mark",
              q("Select * From INVENTORY..tbInvLocation Where Location = '") +
                  sqlText(q("O'BRIEN WARD")) + q("'"),
              {q("8|O'BRIEN WARD||0|0|0|<null>")});
        query("location check compares without case",
              q("Select * From INVENTORY..tbInvLocation Where Location = '") +
                  sqlText(q("Central Supply")) + q("'"),
              {q("12|CENTRAL SUPPLY|<null>|1|0|0|MS")});

        // --- document numbers -------------------------------------------------------------
        const QString newDocNumber =
            q("Select (max(DocumentNo) + 1) as DocNum From INVENTORY..tbInvWithdrawRequest");
        query("new document number is numeric, over 9 and 12", newDocNumber, {q("13")});
        query("new document number of an empty table", newDocNumber, {q("<null>")},
              q("DELETE FROM tbInvWithdrawRequest"));
        query("document number exists, trimmed",
              q("Select DocumentNumber from Inventory..tbinvWithdrawRequest ") +
                  q("where DocumentNumber = '") + sqlText(q(" 7 ").trimmed()) + q("'"),
              {q("7"), q("7")});

        // --- line entry -------------------------------------------------------------------
        query("bar code lookup",
              q("Select ItemID from INVENTORY..tbInvMaster Where Barcode = '") +
                  sqlText(q("4800016000099")) + q("'"),
              {q("9")});
        query("kit check",
              q("Select B.ItemID as Code from Inventory..tbInvKit A ") +
                  q("Left Outer Join Inventory..tbInvMaster B On A.KitID = B.KitID ") +
                  q("Where not Active = 'I' and B.ItemID = '") + sqlText(q("P0010")) + q("'"),
              {q("P0010"), q("P0010")});
        query("kit items procedure, unquoted argument",
              q("Inventory..sp_Inv_KitofItems ") + q("P0010"),
              {q("12|PARACETAMOL 500MG TAB|2|1.1|100|Y|2.2"),
               q("P0007|AMOXICILLIN 500MG CAP|1|3.25|100|N|3.25")});
        query("kit items procedure of the kit dialog, quoted argument",
              q("Inventory..sp_Inv_KitofItems '") + sqlText(q("P0010")) + q("'"),
              {q("12|PARACETAMOL 500MG TAB|2|1.1|100|Y|2.2"),
               q("P0007|AMOXICILLIN 500MG CAP|1|3.25|100|N|3.25")});
        query("one kit item procedure, two unquoted arguments",
              q("Inventory..sp_Inv_KitofItems_PerItem ") + q("P0010") + q(",") + q("P0007"),
              {q("P0007|AMOXICILLIN 500MG CAP|1|3.25|100|N|3.25")});
        query("item at a location procedure, two quoted arguments",
              q("Inventory..sp_Inv_SearchItem_In_Invent '") + sqlText(q("12")) + q("','") +
                  sqlText(q("19")) + q("'"),
              {q("19|12|20|30|1.1|500|50|0|1.32|1.43|0|1.1|12.5|2026-01-31 00:00:00|"
                 "2027-06-30 00:00:00|5010|1|0|||1.25|1|TABLET|2026-02-15 00:00:00|200|100|"
                 "0|0|0|0|1|40")});
        query("item not held at the location",
              q("Inventory..sp_Inv_SearchItem_In_Invent '") + sqlText(q("P0010")) + q("','") +
                  sqlText(q("27")) + q("'"),
              {});

        // --- saving -----------------------------------------------------------------------
        action("delete the stored lines of a number",
               q("Delete INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '") +
                   sqlText(q("7")) + q("'"),
               q("Select (Select Count(*) From INVENTORY..tbInvWithdrawRequest Where "
                 "DocumentNumber = '7'), Count(*) From INVENTORY..tbInvWithdrawRequest"),
               {q("0|6")});
        action("insert of the worked example",
               requestInsert(q("1234"), q("A100"), q("5"), q("12.5000"), q("Y"), q("N"),
                             at("2026-12-08 01:13:29"), q("WARD STOCK")),
               RequestCheck,
               {q("1234|A100|5|12.5|Y|0|19|27|2026-12-08 01:13:29|E01|WARD STOCK|<null>|<null>")});
        action("insert in the afternoon, ADS line, quote mark in the justification",
               requestInsert(q(" 1234 "), q("12"), q("3"), q("1.1000"), q("N"), q(" Y "),
                             at("2027-01-02 12:05:00"), q("FOR DR. O'NEIL'S WARD")),
               RequestCheck,
               {q("1234|12|3|1.1|N|1|19|27|2027-01-02 12:05:00|E01|FOR DR. O'NEIL'S WARD|"
                  "<null>|<null>")});
        action("justification that looks like a date stays text",
               requestInsert(q("1234"), q("12"), q("1"), q("1.1000"), q("N"), q("N"),
                             at("2027-03-04 09:15:00"), q("12/08/2026")),
               RequestCheck,
               {q("1234|12|1|1.1|N|0|19|27|2027-03-04 09:15:00|E01|12/08/2026|<null>|<null>")});
        action("verification stamp of saving",
               q("Update Inventory..tbInvWithdrawRequest set Verifiedby = '") + sqlText(q("E02")) +
                   q("', verifiedDate = GetDate() where DocumentNumber = '") +
                   sqlText(q("7 ").trimmed()) + q("'"),
               q("Select ItemID, VerifiedBy, VerifiedDate From INVENTORY..tbInvWithdrawRequest "
                 "Where DocumentNumber = '7' Order By ItemID"),
               {q("12|E02|<now>"), q("P0007|E02|<now>")});

        // --- listing, loading, verification, cancellation ---------------------------------
        query("listing pending, not verified", listing(true, false),
              {q("12|O'BRIEN WARD|MAIN STORE|2025-12-30 14:00:00|SANTOS, MARIA"),
               q("7|WARD 3|MAIN STORE|2026-03-02 09:00:00|DELA CRUZ, JUAN")});
        query("listing pending, verified", listing(true, true),
              {q("9|MAIN STORE|WARD 3|2026-01-15 10:30:00|SANTOS, MARIA")});
        query("listing processed, not verified", listing(false, false),
              {q("3|WARD 3|O'BRIEN WARD|2026-02-10 08:00:00|<null>")});
        query("listing processed, verified", listing(false, true),
              {q("10|WARD 3|MAIN STORE|2026-02-01 11:00:00|DELA CRUZ, JUAN")});
        // The same lists made distinct from the lines first, as a server that joins before it
        // makes rows distinct is sent them.
        query("listing pending, not verified, distinct first", listing(true, false, true),
              {q("12|O'BRIEN WARD|MAIN STORE|2025-12-30 14:00:00|SANTOS, MARIA"),
               q("7|WARD 3|MAIN STORE|2026-03-02 09:00:00|DELA CRUZ, JUAN")});
        query("listing pending, verified, distinct first", listing(true, true, true),
              {q("9|MAIN STORE|WARD 3|2026-01-15 10:30:00|SANTOS, MARIA")});
        query("listing processed, not verified, distinct first", listing(false, false, true),
              {q("3|WARD 3|O'BRIEN WARD|2026-02-10 08:00:00|<null>")});
        query("listing processed, verified, distinct first", listing(false, true, true),
              {q("10|WARD 3|MAIN STORE|2026-02-01 11:00:00|DELA CRUZ, JUAN")});
        query("load a request procedure",
              q("Inventory..sp_Inv_LoadWithdrawalRequest '") + sqlText(q("7")) + q("'"),
              {q("19|MAIN STORE|27|WARD 3|7|P0007|AMOXICILLIN 500MG CAP|10|3.25|N|0|"
                 "2026-03-02 09:00:00|WARD STOCK|E01|<null>|<null>"),
               q("19|MAIN STORE|27|WARD 3|7|12|PARACETAMOL 500MG TAB|5|1.1|Y|1|"
                 "2026-03-02 09:00:00|WARD STOCK|E01|<null>|<null>")});
        query("load the NEW template", q("Inventory..sp_Inv_LoadWithdrawalRequest 'NEW'"), {});
        action(
            "cancellation",
            q("Update INVENTORY..tbInvWithDrawRequest set Status = 'D', ProcessDate = getdate(), "
              "ProcessBy = '") +
                sqlText(Employee) + q("'  where DocumentNumber = '") + sqlText(q("7")) + q("'"),
            q("Select ItemID, Status, ProcessDate, ProcessBy From "
              "INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '7' Order By ItemID"),
            {q("12|D|<now>|E01"), q("P0007|D|<now>|E01")});
        action("verification stamp of the window",
               q("Update INVENTORY..tbInvWithdrawRequest Set VerifiedBy = '") + sqlText(q("E02")) +
                   q("', VerifiedDate = getdate() Where DocumentNumber = '") + sqlText(q("12")) +
                   q("'"),
               q("Select VerifiedBy, VerifiedDate From INVENTORY..tbInvWithdrawRequest Where "
                 "DocumentNumber = '12'"),
               {q("E02|<now>")});

        // --- item master ------------------------------------------------------------------
        query("item master load",
              q("Select * From INVENTORY..tbInvMaster Where ItemID = '") + sqlText(q("12")) +
                  q("'"),
              {q("12|PARACETAMOL|500MG TAB|1|2|20|30|0|1.25|0|0|0|100|0|4800016000012|A|<null>|"
                 "1|O|1.1|G1|1|0|N|A|5010|1|<null>")});
        query("item master exists",
              q("Select ItemID From INVENTORY..tbInvMaster Where ItemID = '") +
                  sqlText(q("P0007")) + q("'"),
              {q("P0007")});
        query("item master new code, letters P removed, numeric maximum",
              q("Select Convert(VarChar(4),Max( Convert(Integer,Replace(itemid,'P','')) ) + 1)  as "
                "MaxCode From INVENTORY..tbInvMaster"),
              {q("13")});
        action("item master insert, quote mark in the name", newItemInsert(),
               q("Select ItemID, ItemName, ItemDesc, SupplierID, MarkupIn, MarkupOut, DownTime, "
                 "ListCost, ItemClassificationID, ItemStatus, UnitOfMeasureID, Packing, BarCode, "
                 "MedicareType, IncludeInStatement, OralInject, AverageCost, ManufacturerID, "
                 "IsSeniorDiscounted, WithLotNumber, MedicareCategory, GLCode From "
                 "INVENTORY..tbInvMaster Where ItemID = '13'"),
               {q("13|CHILDREN'S PARACETAMOL|120MG/5ML @60ML|1|20|30|0|52.75|A|0|2|1|"
                  "4800016000136|2|1|O|48.5|2|0|1|A|5012")});
        action("item master update with medicare", itemMasterUpdate(true), ItemMasterCheck,
               {q("PARACETAMOL|500MG CAPLET|10|25|35|0.5|1.5|B|1|2|50|1.2|4800016000012|I|10|0|1|"
                  "X|B|5011|O'TC")});
        action("item master update without medicare keeps the type", itemMasterUpdate(false),
               ItemMasterCheck,
               {q("PARACETAMOL|500MG CAPLET|10|25|35|0.5|1.5|B|1|2|50|1.2|4800016000012|I|10|0|1|"
                  "N|B|5011|O'TC")});

        // --- locations --------------------------------------------------------------------
        query("location load",
              q("Select * From INVENTORY..tbInvLocation Where LocationID = '") + sqlText(q("7")) +
                  q("'"),
              {q("7|PHARMACY|A|0|1|1|M")});
        query("location new code over 7 and 12",
              q("Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + 1 ) As "
                "NewLocationID From INVENTORY..tbInvLocation"),
              {q("13")}, q("DELETE FROM tbInvLocation WHERE LocationID NOT IN ('7', '12')"));
        action("location insert keeps the leading blank",
               q("Insert Into INVENTORY..tbInvLocation (LocationId, Location, Status, IsWareHouse, "
                 "isDispensingArea, AllowOrder ) ") +
                   q("Values ('") + sqlText(q("32")) + q("',' ") + sqlText(q("PHARMACY ANNEX")) +
                   q("','") + sqlText(q("A")) + q("',") + q(" 0") + q(",") + q(" 1") + q(",") +
                   q("1") + q(")"),
               q("Select LocationID, '[' + Location + ']', Status, isWarehouse, isDispensingArea, "
                 "AllowOrder From INVENTORY..tbInvLocation Where LocationID = '32'"),
               {q("32|[ PHARMACY ANNEX]|A|0|1|1")});
        action("location update, quote mark and accent in the name",
               q("Update INVENTORY..tbInvLocation Set Location = '") +
                   sqlText(q("STO. NIÑO O'NEIL WARD")) + q("', Status = '") + sqlText(q("I")) +
                   q("', isWarehouse = ") + q(" 0") + q(", isDispensingArea = ") + q(" 1") +
                   q(", AllowOrder = ") + q("0") + q(" Where LocationID = '") + sqlText(q("27")) +
                   q("'"),
               q("Select * From INVENTORY..tbInvLocation Where Location = '") +
                   sqlText(q("STO. NIÑO O'NEIL WARD")) + q("'"),
               {q("27|STO. NIÑO O'NEIL WARD|I|0|1|0|<null>")});

        // --- suppliers and terms ----------------------------------------------------------
        query("supplier load",
              q("Select * From INVENTORY..tbInvSupplier Where SupplierID = '") + sqlText(q("1")) +
                  q("'"),
              {q("1|ACME PHARMA|A|V|1 MAIN ST|CEBU CITY||2|555-0101|0|1|ANA")});
        query("supplier exists",
              q("Select SupplierID From INVENTORY..tbInvSupplier Where SupplierID = '") +
                  sqlText(q("10")) + q("'"),
              {q("10")});
        query("supplier new code, numeric maximum",
              q("Select Convert( VarChar(4),Max( Convert(Integer,SupplierID) ) + 1) As "
                "NewSupplierID From INVENTORY..tbInvSupplier "),
              {q("11")});
        action("supplier insert, name with the trailing blank",
               q("Insert Into INVENTORY..tbInvSupplier (SupplierID, SupplierName, Status, "
                 "SupplierType, Address1, Address2, Address3, TermsID, TelNum, FreeGoods, isVAT, "
                 "ContactPerson ) Values ('") +
                   sqlText(q("11")) + q("','") + sqlText(q("ACME")) + q(" ','") + sqlText(q("A")) +
                   q("','") + sqlText(q("V")) + q("','") + sqlText(q("UNIT 5; #2 -- REAR?")) +
                   q("','") + sqlText(q("")) + q("','") + sqlText(q("")) + q("',") + q(" 0") +
                   q(",'") + sqlText(q("555-0111")) + q("', ") + q("1") + q(",") + q("0") +
                   q(",'") + sqlText(q("JO D'ANGELO")) + q("' )"),
               q("Select SupplierID, '[' + SupplierName + ']', Status, Address1, TermsID, TelNum, "
                 "FreeGoods, isVAT, ContactPerson From INVENTORY..tbInvSupplier Where SupplierID = "
                 "'11'"),
               {q("11|[ACME ]|A|UNIT 5; #2 -- REAR?|0|555-0111|1|0|JO D'ANGELO")});
        action("supplier update, terms code 0 written as null",
               q("Update INVENTORY..tbInvSupplier Set SupplierName = '") + sqlText(q("ACME")) +
                   q("', Status = '") + sqlText(q("A")) + q("', SupplierType = '") +
                   sqlText(q("V")) + q("', Address1 = '") + sqlText(q("1 MAIN ST")) +
                   q("', Address2 = '") + sqlText(q("")) + q("', Address3 = '") + sqlText(q("")) +
                   q("', TermsID = ") + q("null") + q(", TelNum = '") + sqlText(q("555-0101")) +
                   q("', ") + q("FreeGoods = ") + q("1") + q(", isVAT = ") + q("1") +
                   q(", ContactPerson = '") + sqlText(q("ANA")) + q("' where SupplierID = '") +
                   sqlText(q("1")) + q("'"),
               q("Select '[' + SupplierName + ']', TermsID, FreeGoods, isVAT From "
                 "INVENTORY..tbInvSupplier Where SupplierID = '1'"),
               {q("[ACME]|<null>|1|1")});
        query("terms load by code or name",
              q("Select * From INVENTORY..tbInvTerms Where TermsID = ") + q(" 2") +
                  q(" or Terms = '") + sqlText(q("  ").trimmed()) + q("'"),
              {q("2|30 DAYS|30|<null>")});
        query("terms exists", q("Select * From INVENTORY..tbInvTerms Where TermsID = ") + q("4"),
              {q("4|CASH|0|")});
        query("terms new code",
              q("Select Max( TermsID ) + 1 As NewCode From INVENTORY..tbInvTerms"), {q("6")});
        action("terms insert",
               q("Insert Into INVENTORY..tbInvTerms ( TermsID, Terms, NoDays, Status ) Values (") +
                   q(" 6") + q(",'") + sqlText(q("90 DAYS")) + q("',") + q(" 90") + q(",'") +
                   sqlText(q("A")) + q("')"),
               q("Select * From INVENTORY..tbInvTerms Where TermsID = 6"), {q("6|90 DAYS|90|A")});
        action("terms update",
               q("Update INVENTORY..tbInvTerms Set Terms = '") + sqlText(q("45 DAYS")) +
                   q("', NoDays = ") + q("45") + q(", Status = '") + sqlText(q("")) +
                   q("' Where TermsID = ") + q("2"),
               q("Select * From INVENTORY..tbInvTerms Where TermsID = 2"), {q("2|45 DAYS|45|")});

        // --- units of measure and item classes --------------------------------------------
        query("unit of measure load",
              q("Select * From INVENTORY..tbInvUnitOfMeasure Where UnitOfMeasureID = ") + q("2"),
              {q("2|BOX|<null>")});
        query("unit of measure exists",
              q("Select UnitOfMeasureID From INVENTORY..tbInvUnitOfMeasure Where UnitOfMeasureID "
                "= ") +
                  q("10"),
              {q("10")});
        query("unit of measure new code",
              q("Select Max( UnitOfMeasureID ) + 1 As NewCode From INVENTORY..tbInvUnitOfMeasure "),
              {q("11")});
        action("unit of measure insert",
               q("Insert Into INVENTORY..tbInvUnitOfMeasure ( UnitOfMeasureID, UnitOfMeasure, "
                 "Status ) Values (") +
                   q(" 11") + q(" ,'") + sqlText(q("AMPULE")) + q("','") + sqlText(q("A")) +
                   q("')"),
               q("Select * From INVENTORY..tbInvUnitOfMeasure Where UnitOfMeasureID = 11"),
               {q("11|AMPULE|A")});
        action("unit of measure update",
               q("Update INVENTORY..tbInvUnitOfMeasure Set UnitOfMeasure = '") +
                   sqlText(q("BOX OF 100")) + q("', Status = '") + sqlText(q("A")) +
                   q("' Where UnitOfMeasureID = ") + q("2"),
               q("Select * From INVENTORY..tbInvUnitOfMeasure Where UnitOfMeasureID = 2"),
               {q("2|BOX OF 100|A")});
        query("item class load",
              q("Select * From INVENTORY..tbInvClassification Where ItemClassificationID = '") +
                  sqlText(q("B")) + q("'"),
              {q("B|SUPPLIES|<null>|0")});
        query(
            "item class highest code",
            q("Select Max( ItemClassificationID ) As MaxCode From INVENTORY..tbInvClassification "),
            {q("C")});
        action("item class insert",
               q("Insert Into INVENTORY..tbInvClassification (ItemClassificationID,"
                 "ItemClassificationName, Status ) ") +
                   q("Values ('") + sqlText(q("D")) + q("','") + sqlText(q("LINENS")) + q("','") +
                   sqlText(q("A")) + q("')"),
               q("Select ItemClassificationID, ItemClassificationName, Status From "
                 "INVENTORY..tbInvClassification Where ItemClassificationID = 'D'"),
               {q("D|LINENS|A")});
        action("item class update",
               q("Update INVENTORY..tbInvClassification Set ItemClassificationName = '") +
                   sqlText(q("MEDICAL SUPPLIES")) + q("', Status = '") + sqlText(q("I")) +
                   q("' Where ItemClassificationID = '") + sqlText(q("B")) + q("'"),
               q("Select ItemClassificationID, ItemClassificationName, Status From "
                 "INVENTORY..tbInvClassification Where ItemClassificationID = 'B'"),
               {q("B|MEDICAL SUPPLIES|I")});

        // --- generic names: the part of the node key before its first full stop -----------
        query("generic with node key 12.3 matches 12", generic(q("G1")),
              {q("G1|PARACETAMOL|ANALGESICS")});
        query("generic with node key 7 matches 7", generic(q("G2")),
              {q("G2|AMOXICILLIN|ANTIBIOTICS")});
        query("generic with node key 45 matches 4", generic(q("G3")),
              {q("G3|ASCORBIC ACID|VITAMINS")});
        query("generic without a classification", generic(q("G4")), {q("G4|ZINC|<null>")});

        // --- product search ---------------------------------------------------------------
        query("product search, item master, by name", productSearch(false, q("pa")),
              {q("9|PARACETAMOL|250MG/5ML SYRUP|ACME PHARMA|20|30|Active|1|45.5|MEDICINES"),
               q("12|PARACETAMOL|500MG TAB|ACME PHARMA|20|30|Active|100|1.25|MEDICINES")});
        query("product search, item master, by code", productSearch(false, q("12")),
              {q("12|PARACETAMOL|500MG TAB|ACME PHARMA|20|30|Active|100|1.25|MEDICINES")});
        query("product search, at the location, every name", productSearch(true, QString()),
              {q("P0007|AMOXICILLIN|500MG CAP|ACME MEDICAL|15|25|Active|100|3.5|<null>"),
               q("12|PARACETAMOL|500MG TAB|ACME PHARMA|20|30|Active|100|1.25|MEDICINES")});
        query("product search, at the location, by code", productSearch(true, q("12")),
              {q("12|PARACETAMOL|500MG TAB|ACME PHARMA|20|30|Active|100|1.25|MEDICINES")});
        query("product search, name with a quote mark finds nothing",
              productSearch(false, q("CHILDREN'S")), {});

        // --- code lookup ------------------------------------------------------------------
        const auto lookup = [](qint16 type, const char *text) {
            return frmLookup::searchStatement(type, q(text));
        };
        query("supplier lookup by code", lookup(frmLookup::Supplier, "1"), {q("ACME PHARMA|1")});
        query("supplier lookup by name", lookup(frmLookup::Supplier, "acme"),
              {q("ACME MEDICAL|2"), q("ACME PHARMA|1")});
        query("terms lookup by code", lookup(frmLookup::Terms, "2"), {q("30 DAYS|2")});
        query("terms lookup by name", lookup(frmLookup::Terms, "c"), {q("CASH|4"), q("COD|1")});
        query("unit of measure lookup by code", lookup(frmLookup::UnitOfMeasure, "10"),
              {q("CAPSULE|10")});
        query("unit of measure lookup by name", lookup(frmLookup::UnitOfMeasure, "b"),
              {q("BOX|2")});

        // --- verification authorisation ---------------------------------------------------
        const auto authorisation = [](const QString &id, const QString &password) {
            return q("Select EmployeeId, Password ") + q("from password..tbpasswordmain ") +
                   q("where departmentid in ('4','00') ") +
                   q("and Right_Code1 = 'A' and Right_Code2 = 'S' ") + q("and Employeeid = '") +
                   sqlText(id) + q("' and Password = '") + sqlText(password) + q("'");
        };
        query("authorised employee, password with a blank", authorisation(q("E01"), q("5B 1C3A")),
              {q("E01|5B 1C3A")});
        query("employee without the rights", authorisation(q("E03"), q("5B 1C3A")), {});
        query("typed ID with a quote mark stays a value",
              authorisation(q("E01' or '1'='1"), q("x' or '1'='1")), {});
    }

    // The texts of the statements no other test reads as sent, against their fixed wording:
    // the code lookup of each kind, by code and by name, and the generic name's load.
    void statementTexts_data()
    {
        QTest::addColumn<QString>("built");
        QTest::addColumn<QString>("expected");
        QTest::newRow("supplier lookup by code")
            << frmLookup::searchStatement(frmLookup::Supplier, q(" 1 "))
            << q("Select DISTINCT SupplierName as Supplier,SupplierID As Code From "
                 "INVENTORY..tbinvSupplier  Where SupplierID = '1' and  (not Status = 'I' or "
                 "Status is null) ORDER by SupplierName");
        QTest::newRow("supplier lookup by name with a quote mark")
            << frmLookup::searchStatement(frmLookup::Supplier, q("o'brien"))
            << q("Select DISTINCT SupplierName as Supplier,SupplierID As Code From "
                 "INVENTORY..tbinvSupplier  Where SupplierName Like 'O''BRIEN%' and  (not Status "
                 "= 'I' or Status is null) ORDER by SupplierName");
        QTest::newRow("terms lookup by code, written as its number")
            << frmLookup::searchStatement(frmLookup::Terms, q("02"))
            << q("Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From "
                 "INVENTORY..tbinvTerms  Where TermsID = 2 and  (not Status = 'I' or Status is "
                 "null) Order by Terms");
        QTest::newRow("terms lookup by name")
            << frmLookup::searchStatement(frmLookup::Terms, q("cash"))
            << q("Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From "
                 "INVENTORY..tbinvTerms  Where Terms Like 'CASH%' and  (not Status = 'I' or "
                 "Status is null) Order by Terms");
        QTest::newRow("unit of measure lookup by code")
            << frmLookup::searchStatement(frmLookup::UnitOfMeasure, q("10"))
            << q("Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code From "
                 "INVENTORY..tbinvUnitOfMeasure  Where UnitOfMeasureID = 10 and ( Not Status = "
                 "'I' or Status is Null ) Order by UnitOfMeasure");
        QTest::newRow("unit of measure lookup by name")
            << frmLookup::searchStatement(frmLookup::UnitOfMeasure, q("box"))
            << q("Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code From "
                 "INVENTORY..tbinvUnitOfMeasure  Where UnitOfMeasure Like 'BOX%' and ( Not "
                 "Status = 'I' or Status is Null ) Order by UnitOfMeasure");
        QTest::newRow("generic name load, code with a quote mark")
            << clsGeneric::loadStatement(q("G'1"))
            << q(" Select C.GenericID, C.GenericName, D.ClassificationName  From tbforGeneric C "
                 "Left Outer Join  tbforClassification D ON SubString(C.Node_Key,1,Case When "
                 "PatIndex('%.%',C.Node_Key) = 0 Then 1 Else PatIndex('%.%',C.Node_Key) -1 End ) "
                 "= D.Node_Key  Where C.GenericID = 'G''1'");
    }

    void statementTexts()
    {
        QFETCH(QString, built);
        QTEST(built, "expected");
    }

    void statements()
    {
        QFETCH(QString, setup);
        QFETCH(QString, tsql);
        QFETCH(QString, check);
        QFETCH(QStringList, expected);
        try {
            const auto connection =
                check.isEmpty() && setup.isEmpty() ? openUnchanged() : open(setup);
            QStringList actual;
            if (check.isEmpty()) {
                actual = testsupport::rows(*connection, tsql);
            } else {
                const db::Recordset rs = connection->Execute(tsql);
                QVERIFY(!rs.IsOpen());
                actual = testsupport::rows(*connection, check);
            }
            QCOMPARE(withNowMarked(actual, expected), expected);
        } catch (const db::DbError &e) {
            QFAIL(qPrintable(e.description()));
        }
    }

    // On the server, every statement of the table (its setup too) as the session translates it
    // with its shapes kept reads exactly as the dialect's translation of it as written.
    void translationsKept_data() { statements_data(); }

    void translationsKept()
    {
        if (testsupport::currentEngine() != testsupport::Engine::PostgreSQL)
            QSKIP("the server's translations");
        QFETCH(QString, setup);
        QFETCH(QString, tsql);
        QFETCH(QString, check);
        const auto *dialect =
            dynamic_cast<const db::PostgresDialect *>(&openUnchanged()->dialect());
        QVERIFY(dialect);
        QStringList statements = db::splitStatements(setup);
        statements << tsql << check;
        const auto described = [](auto &&translate) {
            try {
                const db::Statement s = translate();
                QStringList spellings;
                for (auto it = s.spellings.cbegin(); it != s.spellings.cend(); ++it)
                    spellings << it.key() + QLatin1Char('=') + it.value();
                spellings.sort();
                return QStringList{s.sql, QString::number(s.params.size())} + s.lockFirst +
                       spellings;
            } catch (const db::DbError &e) {
                return QStringList{QStringLiteral("refused: ") + e.description()};
            }
        };
        db::PostgresTranslations kept(*dialect);
        for (int pass = 0; pass < 2; ++pass) {
            for (const QString &sql : std::as_const(statements)) {
                if (sql.trimmed().isEmpty())
                    continue;
                QCOMPARE(described([&] { return kept.translate(sql); }),
                         described([&] { return dialect->translate(sql, {}); }));
            }
        }
    }
};

INVENTORY_TEST_MAIN(TestStatements)
#include "tst_statements.moc"

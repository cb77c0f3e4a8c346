#include "objects/clsItemMaster.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "objects/clsGeneric.h"
#include "objects/clsItemClass.h"
#include "objects/clsSupplier.h"
#include "objects/clsUnitOfMeasure.h"
#include "objects/datahelpers.h"
#include "objects/lookups.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/ui/msgbox.h"

using db::sqlText;
using objects::fixedPoint;
using objects::flag;
using objects::withDefault;

namespace {

// A flag column read leniently: only a value that reads as true counts.
bool isTrue(const db::Field &field)
{
    if (field.IsNull())
        return false;
    try {
        return field.toBool();
    } catch (const AppError &) {
        return false;
    }
}

} // namespace

clsItemMaster::clsItemMaster()
{
    Class_Initialize();
}

// The connection is only borrowed; the linked records go with their last owner.
clsItemMaster::~clsItemMaster() = default;

void clsItemMaster::Class_Initialize()
{
    // The linked objects, the connection and the members that survive a blank are left alone.
    m_itemID.clear();
    m_itemName.clear();
    m_itemDesc.clear();
    m_barCode.clear();
    m_supplierID.clear();
    m_itemClassificationID.clear();
    m_genericID.clear();
    m_manufacturerID.clear();
    m_endorseMedicine = QStringLiteral("X");
    m_downTime = 0;
    m_markupIn = 0;
    m_markupOut = 0;
    m_listCost = 0;
    m_freight = 0;
    m_salesTax = 0;
    m_itemStatus = 0;
    m_packing = 0;
    m_vat = 0;
    m_unitOfMeasureID = 0;
    m_averageCost = 0;
}

void clsItemMaster::ClearObjects()
{
    m_supplier.reset();
    m_itemClass.reset();
    m_unitOfMeasure.reset();
    m_generic.reset();
    m_manufacturer.reset();
}

void clsItemMaster::setAverageCost(double value)
{
    m_averageCost = fixedPoint(value);
}

void clsItemMaster::setListCost(double value)
{
    m_listCost = fixedPoint(value);
}

// --- linked records ------------------------------------------------------------------------------
// A record is kept only once its load went through, so a failed load is tried again on the next
// read instead of leaving a blank record in place.

std::shared_ptr<clsSupplier> clsItemMaster::Supplier()
{
    try {
        return objects::linkedRecord(m_supplier, m_connection, &clsSupplier::LoadSupplier,
                                     m_supplierID);
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsItemMaster:Supplier Property Get"));
    }
}

void clsItemMaster::setSupplier(std::shared_ptr<clsSupplier> supplier)
{
    m_supplier = std::move(supplier);
}

std::shared_ptr<clsSupplier> clsItemMaster::Manufacturer()
{
    return objects::linkedRecord(m_manufacturer, m_connection, &clsSupplier::LoadSupplier,
                                 m_manufacturerID);
}

void clsItemMaster::setManufacturer(std::shared_ptr<clsSupplier> manufacturer)
{
    m_manufacturer = std::move(manufacturer);
}

std::shared_ptr<clsItemClass> clsItemMaster::ItemClass()
{
    try {
        return objects::linkedRecord(m_itemClass, m_connection, &clsItemClass::LoadItemClass,
                                     m_itemClassificationID);
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsItemMaster:ItemClass Property Get"));
    }
}

void clsItemMaster::setItemClass(std::shared_ptr<clsItemClass> itemClass)
{
    m_itemClass = std::move(itemClass);
}

std::shared_ptr<clsUnitOfMeasure> clsItemMaster::UnitOfMeasure()
{
    return objects::linkedRecord(m_unitOfMeasure, m_connection, &clsUnitOfMeasure::LoadUOM,
                                 m_unitOfMeasureID);
}

void clsItemMaster::setUnitOfMeasure(std::shared_ptr<clsUnitOfMeasure> unitOfMeasure)
{
    m_unitOfMeasure = std::move(unitOfMeasure);
}

std::shared_ptr<clsGeneric> clsItemMaster::Generic()
{
    return objects::linkedRecord(m_generic, m_connection, &clsGeneric::LoadGeneric, m_genericID);
}

void clsItemMaster::setGeneric(std::shared_ptr<clsGeneric> generic)
{
    m_generic = std::move(generic);
}

// --- load ----------------------------------------------------------------------------------------

QString clsItemMaster::loadStatement(const QString &code)
{
    return QStringLiteral("Select * From INVENTORY..tbInvMaster Where ItemID = '") + sqlText(code) +
           QStringLiteral("'");
}

QString clsItemMaster::loadStatementOf(const QString &codeQuery)
{
    return QStringLiteral("Select * From INVENTORY..tbInvMaster Where ItemID = (") + codeQuery +
           QStringLiteral(")");
}

bool clsItemMaster::LoadItem(const QString &code)
{
    try {
        if (code == m_itemID)
            return true;
        ClearObjects();
        if (objects::trimBlanks(code).isEmpty()) {
            Class_Initialize();
            return true;
        }

        db::Connection &connection = objects::connectionOf(m_connection);
        const db::Recordset rs = connection.Execute(loadStatement(code));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }

        // In this order: a failure keeps what was copied before it.
        m_itemID = rs.Fields(QStringLiteral("ItemID")).toText();
        m_itemName = withDefault(rs.Fields(QStringLiteral("ItemName")), QString()).toText();
        m_itemDesc = withDefault(rs.Fields(QStringLiteral("ItemDesc")), QString()).toText();
        m_markupIn = withDefault(rs.Fields(QStringLiteral("MarkupIn")), 0).toInteger();
        m_markupOut = withDefault(rs.Fields(QStringLiteral("MarkupOut")), 0).toInteger();
        m_downTime = withDefault(rs.Fields(QStringLiteral("DownTime")), 0).toDouble();
        m_listCost = withDefault(rs.Fields(QStringLiteral("ListCost")), 0).toCurrency();
        m_freight = withDefault(rs.Fields(QStringLiteral("Freight")), 0).toDouble();
        m_salesTax = withDefault(rs.Fields(QStringLiteral("SalesTax")), 0).toDouble();
        m_itemStatus = withDefault(rs.Fields(QStringLiteral("ItemStatus")), 0).toInteger();
        m_packing = withDefault(rs.Fields(QStringLiteral("Packing")), 0).toInteger();
        m_vat = withDefault(rs.Fields(QStringLiteral("VAT")), 0).toInteger();
        m_barCode = withDefault(rs.Fields(QStringLiteral("BarCode")), 0).toText();
        m_supplierID = withDefault(rs.Fields(QStringLiteral("SupplierID")), QString()).toText();
        m_itemClassificationID =
            withDefault(rs.Fields(QStringLiteral("ItemClassificationID")), QString()).toText();
        m_unitOfMeasureID =
            withDefault(rs.Fields(QStringLiteral("UnitOfMeasureID")), 0).toInteger();
        m_endorseMedicine =
            withDefault(rs.Fields(QStringLiteral("OralInject")), QStringLiteral("X")).toText();
        m_averageCost = withDefault(rs.Fields(QStringLiteral("AverageCost")), 0).toCurrency();
        m_genericID = withDefault(rs.Fields(QStringLiteral("GenericID")), QString()).toText();
        m_manufacturerID =
            withDefault(rs.Fields(QStringLiteral("ManufacturerID")), QString()).toText();
        setSeniorCitizenDiscount(rs.Fields(QStringLiteral("IsSeniorDiscounted")).toBool());
        setWithLotNumber(isTrue(rs.Fields(QStringLiteral("WithLotNumber"))));
        setMedicareType(
            withDefault(rs.Fields(QStringLiteral("MedicareType")), QStringLiteral("N")).toText());
        setMedicareCategory(
            withDefault(rs.Fields(QStringLiteral("MedicareCategory")), QStringLiteral("A"))
                .toText());
        setGLCode(withDefault(rs.Fields(QStringLiteral("GLCode")), QString()).toText());
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsItemMaster:LoadItem Method"));
    }
}

// --- update --------------------------------------------------------------------------------------

void clsItemMaster::requireLinkedRecords() const
{
    if (!m_supplier)
        objects::objectNotSet(QStringLiteral("Supplier"));
    if (!m_itemClass)
        objects::objectNotSet(QStringLiteral("ItemClass"));
    if (!m_unitOfMeasure)
        objects::objectNotSet(QStringLiteral("UnitOfMeasure"));
    if (!m_manufacturer)
        objects::objectNotSet(QStringLiteral("Manufacturer"));
}

clsItemMaster::StatementValues clsItemMaster::statementValues() const
{
    requireLinkedRecords();
    StatementValues v;
    v.markupIn = vb::formatNumber(m_markupIn, QStringLiteral("#####0"));
    v.markupOut = vb::formatNumber(m_markupOut, QStringLiteral("#####0"));
    v.downTime = vb::formatNumber(m_downTime, QStringLiteral("##0.00"));
    v.listCost = vb::formatNumber(m_listCost, QStringLiteral("#######0.0000"));
    v.itemClass = sqlText(m_itemClass->Code());
    v.itemStatus = objects::signedNumber(m_itemStatus);
    v.unitOfMeasure = vb::formatNumber(m_unitOfMeasure->Code(), QStringLiteral("######0"));
    v.packing = vb::formatNumber(m_packing, QStringLiteral("#####0"));
    v.averageCost = vb::formatNumber(m_averageCost, QStringLiteral("#######0.0000"));
    v.manufacturer = sqlText(objects::trimBlanks(m_manufacturer->SupplierID()));
    return v;
}

QString clsItemMaster::insertStatement(const QString &newCode) const
{
    const StatementValues v = statementValues();
    const QString medicareType = m_withMedicare ? sqlText(m_medicareType) : QStringLiteral("2");
    return QStringLiteral("Insert Into INVENTORY..tbInvMaster ") +
           QStringLiteral("(ItemID,ItemName, ItemDesc, SupplierId, MarkupIn, ") +
           QStringLiteral(" MarkupOut, DownTime, Listcost, ItemClassificationID, ItemStatus, ") +
           QStringLiteral(" UnitOfMeasureID, Packing, BarCode, MedicareType,"
                          "IncludeInStatement,OralInject, AverageCost, ManufacturerID, "
                          "IsSeniorDiscounted, WithLOTNumber, MedicareCategory, GLCode ) ") +
           QStringLiteral("Values (") + QStringLiteral("'") +
           sqlText(objects::trimBlanks(newCode)) + QStringLiteral("','") +
           sqlText(objects::trimBlanks(m_itemName)) + QStringLiteral("','") +
           sqlText(objects::trimBlanks(m_itemDesc)) + QStringLiteral("','") +
           sqlText(objects::trimBlanks(m_supplier->SupplierID())) + QStringLiteral("',") +
           v.markupIn + QStringLiteral(",") + v.markupOut + QStringLiteral(",") + v.downTime +
           QStringLiteral(",") + v.listCost + QStringLiteral(",'") + v.itemClass +
           QStringLiteral("',") + v.itemStatus + QStringLiteral(",") + v.unitOfMeasure +
           QStringLiteral(",") + v.packing + QStringLiteral(",'") + sqlText(m_barCode) +
           QStringLiteral("','") + medicareType + QStringLiteral("',1,'") +
           sqlText(m_endorseMedicine) + QStringLiteral("',") + v.averageCost +
           QStringLiteral(", '") + v.manufacturer + QStringLiteral("',") +
           flag(m_seniorCitizenDiscount) + QStringLiteral(",") + flag(m_withLotNumber) +
           QStringLiteral(",'") + sqlText(m_medicareCategory) + QStringLiteral("','") +
           sqlText(m_glCode) + QStringLiteral("')");
}

QString clsItemMaster::updateStatement() const
{
    const StatementValues v = statementValues();
    QString sql = QStringLiteral("Update INVENTORY..tbInvMaster Set ItemName = '") +
                  sqlText(m_itemName) + QStringLiteral("', ItemDesc = '") + sqlText(m_itemDesc) +
                  QStringLiteral("', SupplierId = '") + sqlText(m_supplier->SupplierID()) +
                  QStringLiteral("', MarkupIn = ") + v.markupIn + QStringLiteral(", MarkupOut = ") +
                  v.markupOut + QStringLiteral(", DownTime = ") + v.downTime +
                  QStringLiteral(", Listcost = ") + v.listCost +
                  QStringLiteral(", ItemClassificationID = '") + v.itemClass +
                  QStringLiteral("', ItemStatus = ") + v.itemStatus +
                  QStringLiteral(", UnitOfMeasureID = ") + v.unitOfMeasure +
                  QStringLiteral(", Packing = ") + v.packing + QStringLiteral(", AverageCost = ") +
                  v.averageCost + QStringLiteral(", BarCode = '") + sqlText(m_barCode) +
                  QStringLiteral("', OralInject = '") + sqlText(m_endorseMedicine) +
                  QStringLiteral("', ") + QStringLiteral(" ManufacturerID = '") + v.manufacturer +
                  QStringLiteral("' ") + QStringLiteral(", IsSeniorDiscounted = ") +
                  flag(m_seniorCitizenDiscount) + QStringLiteral(", WithLOTNumber = ") +
                  flag(m_withLotNumber);
    if (m_withMedicare)
        sql +=
            QStringLiteral(", MedicareType = '") + sqlText(m_medicareType) + QStringLiteral("' ");
    sql += QStringLiteral(", MedicareCategory = '") + sqlText(m_medicareCategory) +
           QStringLiteral("' ") + QStringLiteral(", GLCode = '") + sqlText(m_glCode) +
           QStringLiteral("', ItemClass = '") + sqlText(m_itemClassTag);
    sql += m_withMedicare ? QStringLiteral("'") : QStringLiteral("' ");
    sql += QStringLiteral(" Where ItemID = '") + sqlText(objects::trimBlanks(m_itemID)) +
           QStringLiteral("'");
    return sql;
}

bool clsItemMaster::Update()
{
    try {
        // Checked before anything is read, so a missing record leaves the item as it was.
        requireLinkedRecords();

        db::Connection &connection = objects::connectionOf(m_connection);
        // The check, the new code and the insert in one transaction: two workstations saving a
        // new item at once cannot take the same code.
        // One transaction around the read-then-write, so two workstations cannot both take
        // the same new code; joined when the caller has one open.
        db::Transaction transaction(connection, db::Transaction::Mode::JoinOpen);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select ItemID From INVENTORY..tbInvMaster Where ItemID = '") +
            sqlText(m_itemID) + QStringLiteral("'"));

        if (rs.Eof()) {
            // Refused, before anything is written, when the codes do not give a number or the
            // next one no longer fits in four characters.
            const QString newCode = objects::nextNumericCode(
                connection,
                QStringLiteral("Select Convert(VarChar(4),Max( Convert(Integer,"
                               "Replace(itemid,'P','')) ) + 1)  as MaxCode "
                               "From INVENTORY..tbInvMaster"),
                QStringLiteral("MaxCode"),
                QStringLiteral("Select Replace(itemid,'P','') From INVENTORY..tbInvMaster"),
                QStringLiteral("item"));
            connection.Execute(insertStatement(newCode));
            transaction.commit();
            // The caller's code is replaced only once the row is there.
            m_itemID = newCode;
        } else {
            connection.Execute(updateStatement());
            transaction.commit();
        }
        return true;
    } catch (const std::exception &error) {
        const QString description = objects::describe(error);
        ui::MsgBox(description);
        modInventory::RaiseError(9999, QStringLiteral("clsItemMaster:Update Method") + description);
    }
}

// --- search --------------------------------------------------------------------------------------

bool clsItemMaster::SearchItem(const QString &text)
{
    lookups::chooseProduct(text, QString(), QString());
    if (modInventory::PubLookupCode.isEmpty())
        return false;
    return LoadItem(modInventory::PubLookupCode);
}

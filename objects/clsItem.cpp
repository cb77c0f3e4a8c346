#include "objects/clsItem.h"

#include "app/modInventory.h"
#include "objects/clsItemMaster.h"
#include "objects/clsLocation.h"
#include "objects/datahelpers.h"
#include "objects/lookups.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/ui/msgbox.h"

using db::sqlText;
using objects::fixedPoint;
using objects::withDefault;

namespace {

const QDateTime DateZero(QDate(1899, 12, 30), QTime(0, 0));

} // namespace

clsItem::clsItem()
{
    Class_Initialize();
}

// The connection is only borrowed; the linked records go with their last owner.
clsItem::~clsItem() = default;

void clsItem::Class_Initialize()
{
    // The members that survive a blank, the linked objects and the connection are left alone.
    m_locationCode.clear();
    m_itemID.clear();
    m_markupIn = 0;
    m_markupOut = 0;
    m_netAmount = 0;
    m_onHand = 0;
    m_onOrder = 0;
    m_sellingPriceIn = 0;
    m_sellingPriceOut = 0;
    m_itemStatus = 0;
    m_averageCost = 0;
    m_minimumStockLevel = 0;
    m_maxStock = 0;
    m_aveConsumption = 0;
    m_lastInventoryCount = DateZero;
    m_expiryDate = DateZero;
}

void clsItem::ClearObjects()
{
    m_itemMaster.reset();
    m_location.reset();
}

void clsItem::setAverageCost(double value)
{
    m_averageCost = fixedPoint(value);
}

void clsItem::setSellingPriceOut(double value)
{
    m_sellingPriceOut = fixedPoint(value);
}

void clsItem::setSellingPriceIn(double value)
{
    m_sellingPriceIn = fixedPoint(value);
}

void clsItem::setNetAmount(double value)
{
    m_netAmount = fixedPoint(value);
}

// --- linked records ------------------------------------------------------------------------------

std::shared_ptr<clsItemMaster> clsItem::ItemMaster()
{
    return objects::linkedRecord(m_itemMaster, m_connection, &clsItemMaster::LoadItem, m_itemID);
}

void clsItem::setItemMaster(std::shared_ptr<clsItemMaster> itemMaster)
{
    m_itemMaster = std::move(itemMaster);
}

std::shared_ptr<clsLocation> clsItem::Location()
{
    try {
        return objects::linkedRecord(m_location, m_connection, &clsLocation::LoadLocation,
                                     m_locationCode);
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsItem:Location Property Get"));
    }
}

void clsItem::setLocation(std::shared_ptr<clsLocation> location)
{
    m_location = std::move(location);
}

// --- load ----------------------------------------------------------------------------------------

QString clsItem::loadStatement(const QString &ItemID, const QString &LocationID)
{
    return QStringLiteral("Inventory..sp_Inv_SearchItem_In_Invent '") + sqlText(ItemID) +
           QStringLiteral("','") + sqlText(LocationID) + QStringLiteral("'");
}

QStringList clsItem::loadReads(const QString &ItemID, const QString &LocationID)
{
    return {loadStatement(ItemID, LocationID), clsItemMaster::loadStatement(ItemID)};
}

QStringList clsItem::loadReadsOf(const QString &itemQuery, const QString &locationQuery)
{
    return {QStringLiteral("Inventory..sp_Inv_SearchItem_In_Invent (") + itemQuery +
                QStringLiteral("), (") + locationQuery + QStringLiteral(")"),
            clsItemMaster::loadStatementOf(itemQuery)};
}

QStringList clsItem::searchReads(const QString &ItemCode, const QString &LocationID)
{
    return lookups::productSearchReads(ItemCode, LocationID) + loadReads(ItemCode, LocationID);
}

bool clsItem::LoadItem(const QString &ItemID, const QString &LocationID)
{
    try {
        if (ItemID == m_itemID)
            return true;
        ClearObjects();
        if (objects::trimBlanks(ItemID).isEmpty()) {
            Class_Initialize();
            return true;
        }

        db::Connection *session = objects::sessionConnection();
        db::Connection &connection = objects::connectionOf(session ? session : m_connection);
        const db::Recordset rs = connection.OpenRecordset(loadStatement(ItemID, LocationID));
        if (rs.RecordCount() == 0) {
            Class_Initialize();
            return false;
        }

        // In this order: a failure keeps what was copied before it.
        m_locationCode = withDefault(rs.Fields(QStringLiteral("LocationID")), QString()).toText();
        m_itemID = rs.Fields(QStringLiteral("ItemID")).toText();
        m_markupIn = withDefault(rs.Fields(QStringLiteral("Markup_In")), 0).toInteger();
        m_markupOut = withDefault(rs.Fields(QStringLiteral("Markup_Out")), 0).toInteger();
        m_netAmount = withDefault(rs.Fields(QStringLiteral("NetAmount")), 0).toCurrency();
        m_onHand = withDefault(rs.Fields(QStringLiteral("OnHand")), 0).toDouble();
        m_maxStock = withDefault(rs.Fields(QStringLiteral("MinStockLevel")), 0).toDouble();
        m_onOrder = withDefault(rs.Fields(QStringLiteral("OnOrder")), 0).toDouble();
        m_sellingPriceIn = withDefault(rs.Fields(QStringLiteral("SellingPriceIn")), 0).toCurrency();
        m_sellingPriceOut =
            withDefault(rs.Fields(QStringLiteral("SellingPriceOut")), 0).toCurrency();
        m_itemStatus = withDefault(rs.Fields(QStringLiteral("ItemStatus")), 0).toInteger();
        m_averageCost = withDefault(rs.Fields(QStringLiteral("AverageCost")), 0).toCurrency();
        m_minimumStockLevel = withDefault(rs.Fields(QStringLiteral("MinStockLevel")), 0).toDouble();
        m_aveConsumption = withDefault(rs.Fields(QStringLiteral("AveConsumption")), 0).toDouble();
        m_lastInventoryCount =
            withDefault(rs.Fields(QStringLiteral("LastInventoryCount")), 0).toDate();
        m_expiryDate = withDefault(rs.Fields(QStringLiteral("ExpiryDate")), 0).toDate();
        m_glCode = withDefault(rs.Fields(QStringLiteral("NewGLCode")), QString()).toText();
        m_poMonthsToDeliver =
            withDefault(rs.Fields(QStringLiteral("POMonthsToDeliver")), 0).toDouble();
        // No default from here on: a Null stops the copy.
        m_minimumOrAverageConsumption = rs.Fields(QStringLiteral("MinimumOrAverage")).toBool();
        m_startDate = rs.Fields(QStringLiteral("StartDate")).toText();
        m_endDate = rs.Fields(QStringLiteral("EndDate")).toText();
        m_listCost = rs.Fields(QStringLiteral("ListCost")).toDouble();
        m_uom = rs.Fields(QStringLiteral("UnitOfMeasureID")).toInteger();
        m_uomDescription = rs.Fields(QStringLiteral("UnitOfMeasure")).toText();
        m_lastDeliveryDate = rs.Fields(QStringLiteral("Last DDate")).toDate();
        m_lastDeliveryQty = rs.Fields(QStringLiteral("Last Qty")).toDouble();
        m_packing = rs.Fields(QStringLiteral("Packing")).toInteger();
        m_isFloor = rs.Fields(QStringLiteral("IsFloor")).toBool();
        m_isCeiling = rs.Fields(QStringLiteral("IsCeiling")).toBool();
        m_floor = rs.Fields(QStringLiteral("Floor")).toDouble();
        m_ceiling = rs.Fields(QStringLiteral("Ceiling")).toDouble();
        m_isADSStock = rs.Fields(QStringLiteral("IsADSStock")).toBool();
        m_adsStock = rs.Fields(QStringLiteral("ADSStock")).toDouble();
        return true;
    } catch (const std::exception &error) {
        ui::MsgBox(objects::describe(error), ui::Buttons::OK, ui::Icon::Critical,
                   QStringLiteral("Message"));
        return false;
    }
}

// --- search --------------------------------------------------------------------------------------

bool clsItem::SearchItem(const QString &lstrItemCode, const QString &lstrLocationName,
                         const QString &lstrLocationID)
{
    lookups::chooseProduct(lstrItemCode, lstrLocationName, lstrLocationID);
    if (modInventory::PubLookupCode.isEmpty())
        return false;
    return LoadItem(modInventory::PubLookupCode, lstrLocationID);
}

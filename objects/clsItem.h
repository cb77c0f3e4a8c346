#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

namespace db {
class Connection;
}

class clsItemMaster;
class clsLocation;

// One item as held at one inventory location: its stock card, prices and markups there, its last
// delivery, and links to its master record and its location. Read-only: the values come from the
// procedure Inventory..sp_Inv_SearchItem_In_Invent.
class clsItem
{
public:
    clsItem();
    ~clsItem();
    clsItem(const clsItem &) = delete;
    clsItem &operator=(const clsItem &) = delete;

    // The members down to GLCode and the four at the end (IsFloor to ADSStock) are not blanked by
    // a failed or blank load: they keep the previous item's values. The others are.
    double Floor() const { return m_floor; }
    void setFloor(double value) { m_floor = value; }
    double Ceiling() const { return m_ceiling; }
    void setCeiling(double value) { m_ceiling = value; }
    qint16 Packing() const { return m_packing; }
    void setPacking(qint16 value) { m_packing = value; }
    double LastDeliveryQty() const { return m_lastDeliveryQty; }
    void setLastDeliveryQty(double value) { m_lastDeliveryQty = value; }
    QDateTime LastDeliveryDate() const { return m_lastDeliveryDate; }
    void setLastDeliveryDate(const QDateTime &value) { m_lastDeliveryDate = value; }
    // The unit of measure's name.
    QString UOMDescription() const { return m_uomDescription; }
    void setUOMDescription(const QString &value) { m_uomDescription = value; }
    qint16 UOM() const { return m_uom; }
    void setUOM(qint16 value) { m_uom = value; }
    double ListCost() const { return m_listCost; }
    void setListCost(double value) { m_listCost = value; }
    QString EndDate() const { return m_endDate; }
    void setEndDate(const QString &value) { m_endDate = value; }
    QString StartDate() const { return m_startDate; }
    void setStartDate(const QString &value) { m_startDate = value; }
    bool MinimumOrAverageConsumption() const { return m_minimumOrAverageConsumption; }
    void setMinimumOrAverageConsumption(bool value) { m_minimumOrAverageConsumption = value; }
    double POMonthsToDeliver() const { return m_poMonthsToDeliver; }
    void setPOMonthsToDeliver(double value) { m_poMonthsToDeliver = value; }
    QString GLCode() const { return m_glCode; }
    void setGLCode(const QString &value) { m_glCode = value; }
    // Date zero (30 December 1899) when unknown.
    QDateTime ExpiryDate() const { return m_expiryDate; }
    void setExpiryDate(const QDateTime &value) { m_expiryDate = value; }
    QDateTime LastInventoryCount() const { return m_lastInventoryCount; }
    void setLastInventoryCount(const QDateTime &value) { m_lastInventoryCount = value; }
    double AveConsumption() const { return m_aveConsumption; }
    void setAveConsumption(double value) { m_aveConsumption = value; }

    // The item's master record: on first read created, given the connection and loaded by
    // ItemID. Setting it stores the object as given.
    std::shared_ptr<clsItemMaster> ItemMaster();
    void setItemMaster(std::shared_ptr<clsItemMaster> itemMaster);

    // Handed on to the linked records. LoadItem itself reads over the signed-in user's
    // connection, and over this one only when there is no such user.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    // Reads the item at the location. The code already loaded reads nothing (the location is not
    // compared); blanks blank the object (true); an item the location does not hold blanks it too
    // (false). A failure is shown in a message box and gives false, keeping what was read so far.
    bool LoadItem(const QString &ItemID, const QString &LocationID);
    // The statement LoadItem reads with.
    static QString loadStatement(const QString &ItemID, const QString &LocationID);
    // What showing a loaded item reads, to be read ahead: LoadItem's statement and its master
    // record's (ItemMaster()).
    static QStringList loadReads(const QString &ItemID, const QString &LocationID);
    // loadReads() for the code and location two queries of one value give ("Select Top 1 ItemID
    // From ..."), in the same order: the stand-ins read ahead before the code is known
    // (db::Prefetch).
    static QStringList loadReadsOf(const QString &itemQuery, const QString &locationQuery);
    // What SearchItem reads for a code its search finds at once, to be read ahead: the search's
    // statements, then loadReads().
    static QStringList searchReads(const QString &ItemCode, const QString &LocationID);

    double MinimumStockLevel() const { return m_minimumStockLevel; }
    void setMinimumStockLevel(double value) { m_minimumStockLevel = value; }
    // Fixed point, four decimals.
    double AverageCost() const { return m_averageCost; }
    void setAverageCost(double value);
    qint16 ItemStatus() const { return m_itemStatus; }
    void setItemStatus(qint16 value) { m_itemStatus = value; }
    double SellingPriceOut() const { return m_sellingPriceOut; }
    void setSellingPriceOut(double value);
    double SellingPriceIn() const { return m_sellingPriceIn; }
    void setSellingPriceIn(double value);
    double OnOrder() const { return m_onOrder; }
    void setOnOrder(double value) { m_onOrder = value; }
    // The current stock at the location.
    double OnHand() const { return m_onHand; }
    void setOnHand(double value) { m_onHand = value; }
    // Read from the minimum stock level column: the procedure gives no maximum of its own.
    double MaxStock() const { return m_maxStock; }
    void setMaxStock(double value) { m_maxStock = value; }
    double NetAmount() const { return m_netAmount; }
    void setNetAmount(double value);
    qint16 MarkupOut() const { return m_markupOut; }
    void setMarkupOut(qint16 value) { m_markupOut = value; }
    qint16 MarkupIn() const { return m_markupIn; }
    void setMarkupIn(qint16 value) { m_markupIn = value; }

    // The location: on first read created, given the connection and loaded by the location code
    // the last LoadItem read. Setting it stores the object as given.
    std::shared_ptr<clsLocation> Location();
    void setLocation(std::shared_ptr<clsLocation> location);

    QString ItemID() const { return m_itemID; }
    void setItemID(const QString &value) { m_itemID = value; }

    // Lets the user pick a product in the product search (none shown when the text finds exactly
    // one), then loads it at the location; false when nothing was chosen or the load failed.
    bool SearchItem(const QString &lstrItemCode, const QString &lstrLocationName,
                    const QString &lstrLocationID);

    bool IsFloor() const { return m_isFloor; }
    void setIsFloor(bool value) { m_isFloor = value; }
    bool IsCeiling() const { return m_isCeiling; }
    void setIsCeiling(bool value) { m_isCeiling = value; }
    bool IsADSStock() const { return m_isADSStock; }
    void setIsADSStock(bool value) { m_isADSStock = value; }
    double ADSStock() const { return m_adsStock; }
    void setADSStock(double value) { m_adsStock = value; }

private:
    void Class_Initialize();
    void ClearObjects();

    db::Connection *m_connection = nullptr;
    std::shared_ptr<clsItemMaster> m_itemMaster;
    std::shared_ptr<clsLocation> m_location;
    QString m_locationCode;

    double m_floor = 0;
    double m_ceiling = 0;
    qint16 m_packing = 0;
    double m_lastDeliveryQty = 0;
    QDateTime m_lastDeliveryDate{QDate(1899, 12, 30), QTime(0, 0)};
    QString m_uomDescription;
    qint16 m_uom = 0;
    double m_listCost = 0;
    QString m_endDate;
    QString m_startDate;
    bool m_minimumOrAverageConsumption = false;
    double m_poMonthsToDeliver = 0;
    QString m_glCode;
    QDateTime m_expiryDate;
    QDateTime m_lastInventoryCount;
    double m_aveConsumption = 0;
    double m_minimumStockLevel = 0;
    double m_averageCost = 0;
    qint16 m_itemStatus = 0;
    double m_sellingPriceOut = 0;
    double m_sellingPriceIn = 0;
    double m_onOrder = 0;
    double m_onHand = 0;
    double m_maxStock = 0;
    double m_netAmount = 0;
    qint16 m_markupOut = 0;
    qint16 m_markupIn = 0;
    QString m_itemID;
    bool m_isFloor = false;
    bool m_isCeiling = false;
    bool m_isADSStock = false;
    double m_adsStock = 0;
};

#pragma once

#include <QString>

#include <memory>

namespace db {
class Connection;
}

class clsGeneric;
class clsItemClass;
class clsSupplier;
class clsUnitOfMeasure;

// The item master record: a row of INVENTORY..tbInvMaster, keyed by the text ItemID, with its
// supplier, manufacturer, item class, unit of measure and generic name loaded on first use.
class clsItemMaster
{
public:
    clsItemMaster();
    ~clsItemMaster();
    clsItemMaster(const clsItemMaster &) = delete;
    clsItemMaster &operator=(const clsItemMaster &) = delete;

    // GLCode, ByProduct, WithMedicare, MedicareType, MedicareCategory, WithLotNumber,
    // SeniorCitizenDiscount and ItemClassTag keep their values when a load blanks the object.
    QString GLCode() const { return m_glCode; }
    void setGLCode(const QString &value) { m_glCode = value; }
    bool ByProduct() const { return m_byProduct; }
    void setByProduct(bool value) { m_byProduct = value; }
    // Whether Update writes MedicareType (otherwise '2' for a new row, unchanged for an old one).
    bool WithMedicare() const { return m_withMedicare; }
    void setWithMedicare(bool value) { m_withMedicare = value; }
    QString MedicareType() const { return m_medicareType; }
    void setMedicareType(const QString &value) { m_medicareType = value; }
    QString MedicareCategory() const { return m_medicareCategory; }
    void setMedicareCategory(const QString &value) { m_medicareCategory = value; }
    bool WithLotNumber() const { return m_withLotNumber; }
    void setWithLotNumber(bool value) { m_withLotNumber = value; }
    bool SeniorCitizenDiscount() const { return m_seniorCitizenDiscount; }
    void setSeniorCitizenDiscount(bool value) { m_seniorCitizenDiscount = value; }

    // The linked records: on first read created, given the connection and loaded by the key the
    // last LoadItem read. Setting one stores it as given and leaves the key alone.
    std::shared_ptr<clsSupplier> Manufacturer();
    void setManufacturer(std::shared_ptr<clsSupplier> manufacturer);
    std::shared_ptr<clsGeneric> Generic();
    void setGeneric(std::shared_ptr<clsGeneric> generic);

    // Fixed point, four decimals.
    double AverageCost() const { return m_averageCost; }
    void setAverageCost(double value);
    // OralInject: "X" for a new object and for a Null column.
    QString EndorseMedicine() const { return m_endorseMedicine; }
    void setEndorseMedicine(const QString &value) { m_endorseMedicine = value; }

    std::shared_ptr<clsUnitOfMeasure> UnitOfMeasure();
    void setUnitOfMeasure(std::shared_ptr<clsUnitOfMeasure> unitOfMeasure);

    // The session connection; kept, never opened or closed here, and handed to the linked records.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    // "0" when the column is Null.
    QString BarCode() const { return m_barCode; }
    void setBarCode(const QString &value) { m_barCode = value; }

    // Writes the item: a new row under the next free code when ItemID names no row (ItemID then
    // holds that code), otherwise an update of the row. Needs Supplier, ItemClass, UnitOfMeasure
    // and Manufacturer present (read once, or set). On failure shows the description and raises
    // the program's error; nothing is written. True once written.
    bool Update();
    // The statements Update sends: the insert of a new row under newCode, and the update of the
    // row of ItemID. Both need the four linked records present (AppError 91 otherwise).
    QString insertStatement(const QString &newCode) const;
    QString updateStatement() const;
    // Reads the row of the code. The code already loaded reads nothing; blanks blank the object
    // (true); an unknown code blanks it too (false).
    bool LoadItem(const QString &code);
    // The statement LoadItem reads with.
    static QString loadStatement(const QString &code);
    // The same for the code a query of one value gives.
    static QString loadStatementOf(const QString &codeQuery);

    qint16 VAT() const { return m_vat; }
    void setVAT(qint16 value) { m_vat = value; }
    qint16 Packing() const { return m_packing; }
    void setPacking(qint16 value) { m_packing = value; }
    // 1 marks an inactive item.
    qint16 ItemStatus() const { return m_itemStatus; }
    void setItemStatus(qint16 value) { m_itemStatus = value; }
    std::shared_ptr<clsItemClass> ItemClass();
    void setItemClass(std::shared_ptr<clsItemClass> itemClass);
    double SalesTax() const { return m_salesTax; }
    void setSalesTax(double value) { m_salesTax = value; }
    double Freight() const { return m_freight; }
    void setFreight(double value) { m_freight = value; }
    // Fixed point, four decimals.
    double ListCost() const { return m_listCost; }
    void setListCost(double value);
    double DownTime() const { return m_downTime; }
    void setDownTime(double value) { m_downTime = value; }
    qint16 MarkupOut() const { return m_markupOut; }
    void setMarkupOut(qint16 value) { m_markupOut = value; }
    qint16 MarkupIn() const { return m_markupIn; }
    void setMarkupIn(qint16 value) { m_markupIn = value; }
    std::shared_ptr<clsSupplier> Supplier();
    void setSupplier(std::shared_ptr<clsSupplier> supplier);
    QString ItemDesc() const { return m_itemDesc; }
    void setItemDesc(const QString &value) { m_itemDesc = value; }
    QString ItemName() const { return m_itemName; }
    void setItemName(const QString &value) { m_itemName = value; }
    QString ItemID() const { return m_itemID; }
    void setItemID(const QString &value) { m_itemID = value; }

    // Lets the user pick a product in the product search (none shown when the text finds exactly
    // one), then loads it; false when nothing was chosen or the load failed.
    bool SearchItem(const QString &text);

    // Written to the ItemClass column by Update; never read from the row.
    QString ItemClassTag() const { return m_itemClassTag; }
    void setItemClassTag(const QString &value) { m_itemClassTag = value; }

private:
    // Supplier, ItemClass, UnitOfMeasure and Manufacturer present, in this order, or AppError 91.
    void requireLinkedRecords() const;
    // The numbers and codes both statements write, as they stand in them.
    struct StatementValues
    {
        QString markupIn;
        QString markupOut;
        QString downTime;
        QString listCost;
        QString itemClass;
        QString itemStatus;
        QString unitOfMeasure;
        QString packing;
        QString averageCost;
        QString manufacturer;
    };
    StatementValues statementValues() const;

    void Class_Initialize();
    void ClearObjects();

    db::Connection *m_connection = nullptr;

    std::shared_ptr<clsSupplier> m_supplier;
    std::shared_ptr<clsSupplier> m_manufacturer;
    std::shared_ptr<clsItemClass> m_itemClass;
    std::shared_ptr<clsUnitOfMeasure> m_unitOfMeasure;
    std::shared_ptr<clsGeneric> m_generic;

    // The keys of the linked records, as the last LoadItem read them.
    QString m_supplierID;
    QString m_manufacturerID;
    QString m_itemClassificationID;
    qint16 m_unitOfMeasureID = 0;
    QString m_genericID;

    QString m_glCode;
    bool m_byProduct = false;
    bool m_withMedicare = false;
    QString m_medicareType;
    QString m_medicareCategory;
    bool m_withLotNumber = false;
    bool m_seniorCitizenDiscount = false;
    double m_averageCost = 0;
    QString m_endorseMedicine;
    QString m_barCode;
    qint16 m_vat = 0;
    qint16 m_packing = 0;
    qint16 m_itemStatus = 0;
    double m_salesTax = 0;
    double m_freight = 0;
    double m_listCost = 0;
    double m_downTime = 0;
    qint16 m_markupOut = 0;
    qint16 m_markupIn = 0;
    QString m_itemDesc;
    QString m_itemName;
    QString m_itemID;
    QString m_itemClassTag;
};

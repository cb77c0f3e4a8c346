#pragma once

#include <QDateTime>
#include <QString>

// A generic name with its ordering figures, held in memory only.
class GenericObject
{
public:
    bool GenericOrBrand() const { return m_genericOrBrand; }
    void setGenericOrBrand(bool value) { m_genericOrBrand = value; }
    double ListCost() const { return m_listCost; }
    void setListCost(double value) { m_listCost = value; }
    QString UOM_ID() const { return m_uomID; }
    void setUOM_ID(const QString &value) { m_uomID = value; }
    QString UOM() const { return m_uom; }
    void setUOM(const QString &value) { m_uom = value; }
    double ForOrderQuantity() const { return m_forOrderQuantity; }
    void setForOrderQuantity(double value) { m_forOrderQuantity = value; }
    double IT() const { return m_it; }
    void setIT(double value) { m_it = value; }
    double AMC() const { return m_amc; }
    void setAMC(double value) { m_amc = value; }
    double BOH() const { return m_boh; }
    void setBOH(double value) { m_boh = value; }
    qint16 LastDeliveryQuantity() const { return m_lastDeliveryQuantity; }
    void setLastDeliveryQuantity(qint16 value) { m_lastDeliveryQuantity = value; }
    QDateTime LastDeliveryDate() const { return m_lastDeliveryDate; }
    void setLastDeliveryDate(const QDateTime &value) { m_lastDeliveryDate = value; }
    QString GLCode() const { return m_glCode; }
    void setGLCode(const QString &value) { m_glCode = value; }
    QString GenericName() const { return m_genericName; }
    void setGenericName(const QString &value) { m_genericName = value; }
    double DT() const { return m_dt; }
    void setDT(double value) { m_dt = value; }
    double SSL() const { return m_ssl; }
    void setSSL(double value) { m_ssl = value; }

private:
    bool m_genericOrBrand = false;
    double m_listCost = 0;
    QString m_uomID;
    QString m_uom;
    double m_forOrderQuantity = 0;
    double m_it = 0;
    double m_amc = 0;
    double m_boh = 0;
    qint16 m_lastDeliveryQuantity = 0;
    QDateTime m_lastDeliveryDate;
    QString m_glCode;
    QString m_genericName;
    double m_dt = 0;
    double m_ssl = 0;
};

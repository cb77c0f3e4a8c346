#pragma once

#include "objects/clsTerms.h"

#include <QString>

#include <memory>

namespace db {
class Connection;
}

// One supplier or manufacturer: a row of INVENTORY..tbInvSupplier, keyed by the text SupplierID,
// with its payment terms loaded on first use.
class clsSupplier
{
public:
    clsSupplier();
    ~clsSupplier();
    clsSupplier(const clsSupplier &) = delete;
    clsSupplier &operator=(const clsSupplier &) = delete;

    // ContactPerson, VATSupplier, FreeGoods and Status survive a failed load.
    QString ContactPerson() const { return m_contactPerson; }
    void setContactPerson(const QString &value) { m_contactPerson = value; }
    bool VATSupplier() const { return m_vatSupplier; }
    void setVATSupplier(bool value) { m_vatSupplier = value; }
    bool FreeGoods() const { return m_freeGoods; }
    void setFreeGoods(bool value) { m_freeGoods = value; }
    QString TelNum() const { return m_telNum; }
    void setTelNum(const QString &value) { m_telNum = value; }

    // Lets the user pick a supplier in the code lookup dialog, then loads it.
    bool SearchSupplier(const QString &text);

    // The payment terms: on first read, loaded by the terms code of the last LoadSupplier.
    // Setting them leaves that code alone.
    std::shared_ptr<clsTerms> Terms();
    void setTerms(std::shared_ptr<clsTerms> terms) { m_terms = std::move(terms); }

    QString Status() const { return m_status; }
    void setStatus(const QString &value) { m_status = value; }

    // The session connection; kept, never opened or closed here.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    // Inserts the supplier under a new code when SupplierID names no row (SupplierID itself keeps
    // its value), otherwise updates the row. Needs Terms present (read once, or set).
    bool Update();
    // Reads the row of the code; blanks give an empty object, an unknown code false.
    bool LoadSupplier(const QString &code);

    QString Address3() const { return m_address3; }
    void setAddress3(const QString &value) { m_address3 = value; }
    QString Address2() const { return m_address2; }
    void setAddress2(const QString &value) { m_address2 = value; }
    QString Address1() const { return m_address1; }
    void setAddress1(const QString &value) { m_address1 = value; }
    QString SupplierType() const { return m_supplierType; }
    void setSupplierType(const QString &value) { m_supplierType = value; }
    QString SupplierName() const { return m_supplierName; }
    void setSupplierName(const QString &value) { m_supplierName = value; }
    QString SupplierID() const { return m_supplierID; }
    void setSupplierID(const QString &value) { m_supplierID = value; }

private:
    void Class_Initialize();

    db::Connection *m_connection = nullptr;
    std::shared_ptr<clsTerms> m_terms;
    qint16 m_termsID = 0;
    QString m_contactPerson;
    bool m_vatSupplier = false;
    bool m_freeGoods = false;
    QString m_telNum;
    QString m_status;
    QString m_address3;
    QString m_address2;
    QString m_address1;
    QString m_supplierType;
    QString m_supplierName;
    QString m_supplierID;
};

#include "objects/clsSupplier.h"

#include "app/modInventory.h"
#include "objects/datahelpers.h"
#include "objects/lookups.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"

using db::sqlText;
using objects::flag;

clsSupplier::clsSupplier()
{
    Class_Initialize();
}

clsSupplier::~clsSupplier() = default;

void clsSupplier::Class_Initialize()
{
    // Status, FreeGoods, VATSupplier, ContactPerson and the Terms object are left as they are.
    m_supplierID.clear();
    m_supplierName.clear();
    m_supplierType.clear();
    m_address1.clear();
    m_address2.clear();
    m_address3.clear();
    m_telNum.clear();
    m_termsID = 0;
}

std::shared_ptr<clsTerms> clsSupplier::Terms()
{
    // Kept only once read: terms that failed to read must not pass for "no terms" in an Update.
    return objects::linkedRecord(m_terms, m_connection, &clsTerms::LoadTerms, m_termsID, QString());
}

bool clsSupplier::LoadSupplier(const QString &code)
{
    try {
        if (code == m_supplierID)
            return true;
        m_terms.reset();
        if (objects::trimBlanks(code).isEmpty()) {
            Class_Initialize();
            return true;
        }
        db::Connection &connection = objects::connectionOf(m_connection);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select * From INVENTORY..tbInvSupplier Where SupplierID = '") +
            sqlText(code) + QStringLiteral("'"));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }
        // In this order: a failure keeps what was copied before it.
        m_supplierID = objects::textOr(rs.Fields(QStringLiteral("SupplierID")));
        m_supplierName = objects::textOr(rs.Fields(QStringLiteral("SupplierName")));
        m_status = objects::textOr(rs.Fields(QStringLiteral("Status")));
        m_supplierType = objects::textOr(rs.Fields(QStringLiteral("SupplierType")));
        m_address1 = objects::textOr(rs.Fields(QStringLiteral("Address1")));
        m_address2 = objects::textOr(rs.Fields(QStringLiteral("Address2")));
        m_address3 = objects::textOr(rs.Fields(QStringLiteral("Address3")));
        setFreeGoods(rs.Fields(QStringLiteral("FreeGoods")).toBool());
        const db::Field terms = rs.Fields(QStringLiteral("TermsID"));
        m_termsID = terms.IsNull() ? qint16(0) : terms.toInteger();
        setTelNum(objects::textOr(rs.Fields(QStringLiteral("TelNum"))));
        m_vatSupplier = rs.Fields(QStringLiteral("isVAT")).toBool();
        setContactPerson(objects::textOr(rs.Fields(QStringLiteral("ContactPerson"))));
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsSupplier:LoadSupplier Method"));
    }
}

bool clsSupplier::Update()
{
    try {
        if (!m_terms)
            objects::objectNotSet(QStringLiteral("Terms"));
        const qint16 termsCode = m_terms->Code();
        // No terms: Null on an update, but " 0" on an insert.
        const QString termsValue =
            termsCode == 0 ? QStringLiteral("null") : objects::signedNumber(termsCode);

        db::Connection &connection = objects::connectionOf(m_connection);
        // One transaction around the read-then-write, so two workstations cannot both take
        // the same new code; joined when the caller has one open.
        db::Transaction transaction(connection, db::Transaction::Mode::JoinOpen);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select SupplierID From INVENTORY..tbInvSupplier Where SupplierID = '") +
            sqlText(m_supplierID) + QStringLiteral("'"));
        if (rs.Eof()) {
            // The new code goes into the row only; SupplierID keeps what the caller set.
            const QString newCode = objects::nextNumericCode(
                connection,
                QStringLiteral("Select Convert( VarChar(4),Max( Convert(Integer,SupplierID) ) + 1) "
                               "As NewSupplierID From INVENTORY..tbInvSupplier "),
                QStringLiteral("NewSupplierID"),
                QStringLiteral("Select SupplierID From INVENTORY..tbInvSupplier"),
                QStringLiteral("supplier"));
            // The blank after the name is stored with it.
            connection.Execute(
                QStringLiteral("Insert Into INVENTORY..tbInvSupplier (SupplierID, SupplierName, "
                               "Status, SupplierType, Address1, Address2, Address3, TermsID, "
                               "TelNum, FreeGoods, isVAT, ContactPerson ) Values ('") +
                sqlText(newCode) + QStringLiteral("','") + sqlText(m_supplierName) +
                QStringLiteral(" ','") + sqlText(m_status) + QStringLiteral("','") +
                sqlText(m_supplierType) + QStringLiteral("','") + sqlText(m_address1) +
                QStringLiteral("','") + sqlText(m_address2) + QStringLiteral("','") +
                sqlText(m_address3) + QStringLiteral("',") + objects::signedNumber(termsCode) +
                QStringLiteral(",'") + sqlText(m_telNum) + QStringLiteral("', ") +
                flag(m_freeGoods) + QStringLiteral(",") + flag(m_vatSupplier) +
                QStringLiteral(",'") + sqlText(m_contactPerson) + QStringLiteral("' )"));
        } else {
            connection.Execute(
                QStringLiteral("Update INVENTORY..tbInvSupplier Set SupplierName = '") +
                sqlText(m_supplierName) + QStringLiteral("', Status = '") + sqlText(m_status) +
                QStringLiteral("', SupplierType = '") + sqlText(m_supplierType) +
                QStringLiteral("', Address1 = '") + sqlText(m_address1) +
                QStringLiteral("', Address2 = '") + sqlText(m_address2) +
                QStringLiteral("', Address3 = '") + sqlText(m_address3) +
                QStringLiteral("', TermsID = ") + termsValue + QStringLiteral(", TelNum = '") +
                sqlText(m_telNum) + QStringLiteral("', ") + QStringLiteral("FreeGoods = ") +
                flag(m_freeGoods) + QStringLiteral(", isVAT = ") + flag(m_vatSupplier) +
                QStringLiteral(", ContactPerson = '") + sqlText(m_contactPerson) +
                QStringLiteral("' where SupplierID = '") + sqlText(m_supplierID) +
                QStringLiteral("'"));
        }
        transaction.commit();
        return true;
    } catch (const std::exception &error) {
        modInventory::RaiseError(9999, QStringLiteral("clsSupplier:Update Method :") +
                                           objects::describe(error));
    }
}

bool clsSupplier::SearchSupplier(const QString &text)
{
    lookups::chooseCode(lookups::Supplier, text);
    if (modInventory::PubLookupCode.isEmpty())
        return false;
    return LoadSupplier(modInventory::PubLookupCode);
}

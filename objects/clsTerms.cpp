#include "objects/clsTerms.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "objects/datahelpers.h"
#include "objects/lookups.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"

using db::sqlText;

clsTerms::clsTerms()
{
    Class_Initialize();
}

clsTerms::~clsTerms() = default;

void clsTerms::Class_Initialize()
{
    m_description.clear();
    m_status.clear();
    m_numberOfDays = 0;
    m_code = 0;
}

bool clsTerms::LoadTerms(qint16 code, const QString &name)
{
    try {
        if (code == m_code)
            return true;
        if (code == 0) {
            Class_Initialize();
            return true;
        }
        db::Connection &connection = objects::connectionOf(m_connection);
        // The first row wins: a row named `name` can come before the row with the code.
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select * From INVENTORY..tbInvTerms Where TermsID = ") +
            objects::signedNumber(code) + QStringLiteral(" or Terms = '") +
            sqlText(objects::trimBlanks(name)) + QStringLiteral("'"));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }
        m_code = rs.Fields(QStringLiteral("TermsID")).toInteger();
        m_description = rs.Fields(QStringLiteral("Terms")).toText();
        const db::Field days = rs.Fields(QStringLiteral("Nodays"));
        m_numberOfDays = days.IsNull() ? qint16(0) : days.toInteger();
        m_status = objects::textOr(rs.Fields(QStringLiteral("Status")));
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsTerms:LoadTerms Method"));
    }
}

bool clsTerms::Update()
{
    try {
        db::Connection &connection = objects::connectionOf(m_connection);
        // One transaction around the read-then-write, so two workstations cannot both take
        // the same new code; joined when the caller has one open.
        db::Transaction transaction(connection, db::Transaction::Mode::JoinOpen);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select * From INVENTORY..tbInvTerms Where TermsID = ") +
            QString::number(m_code));
        if (rs.Eof()) {
            // The new code goes into the row only; Code keeps what the caller set.
            const qint16 newCode = objects::nextSmallCode(
                connection,
                QStringLiteral("Select Max( TermsID ) + 1 As NewCode From INVENTORY..tbInvTerms"),
                QStringLiteral("NewCode"));
            connection.Execute(
                QStringLiteral("Insert Into INVENTORY..tbInvTerms ( TermsID, Terms, NoDays, "
                               "Status ) Values (") +
                objects::signedNumber(newCode) + QStringLiteral(",'") + sqlText(m_description) +
                QStringLiteral("',") + objects::signedNumber(m_numberOfDays) +
                QStringLiteral(",'") + sqlText(m_status) + QStringLiteral("')"));
        } else {
            connection.Execute(QStringLiteral("Update INVENTORY..tbInvTerms Set Terms = '") +
                               sqlText(m_description) + QStringLiteral("', NoDays = ") +
                               QString::number(m_numberOfDays) + QStringLiteral(", Status = '") +
                               sqlText(m_status) + QStringLiteral("' Where TermsID = ") +
                               QString::number(m_code));
        }
        transaction.commit();
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsTerms:Update Method"));
    }
}

bool clsTerms::SearchTerms(const QString &text)
{
    lookups::chooseCode(lookups::Terms, text);
    if (modInventory::PubLookupCode.isEmpty())
        return false;
    return LoadTerms(vb::toInteger16(vb::leadingNumber(modInventory::PubLookupCode)), QString());
}

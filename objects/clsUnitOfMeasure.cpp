#include "objects/clsUnitOfMeasure.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "objects/datahelpers.h"
#include "objects/lookups.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"

using db::sqlText;

clsUnitOfMeasure::clsUnitOfMeasure()
{
    Class_Initialize();
}

clsUnitOfMeasure::~clsUnitOfMeasure() = default;

void clsUnitOfMeasure::Class_Initialize()
{
    m_code = 0;
    m_description.clear();
    m_status.clear();
}

bool clsUnitOfMeasure::LoadUOM(qint16 code)
{
    try {
        if (code == m_code)
            return true;
        if (code == 0) {
            Class_Initialize();
            return true;
        }
        db::Connection &connection = objects::connectionOf(m_connection);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select * From INVENTORY..tbInvUnitOfMeasure Where UnitOfMeasureID = ") +
            QString::number(code));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }
        m_code = rs.Fields(QStringLiteral("UnitOfMeasureID")).toInteger();
        m_description = objects::textOr(rs.Fields(QStringLiteral("UnitOfMeasure")));
        m_status = objects::textOr(rs.Fields(QStringLiteral("Status")));
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsUnitOfMeasure:LoadUOM Method"));
    }
}

bool clsUnitOfMeasure::Update()
{
    try {
        db::Connection &connection = objects::connectionOf(m_connection);
        // One transaction around the read-then-write, so two workstations cannot both take
        // the same new code; joined when the caller has one open.
        db::Transaction transaction(connection, db::Transaction::Mode::JoinOpen);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select UnitOfMeasureID From INVENTORY..tbInvUnitOfMeasure Where "
                           "UnitOfMeasureID = ") +
            QString::number(m_code));
        if (rs.Eof()) {
            // The new code goes into the row only; Code keeps what the caller set.
            const qint16 newCode = objects::nextSmallCode(
                connection,
                QStringLiteral("Select Max( UnitOfMeasureID ) + 1 As NewCode "
                               "From INVENTORY..tbInvUnitOfMeasure "),
                QStringLiteral("NewCode"));
            connection.Execute(QStringLiteral("Insert Into INVENTORY..tbInvUnitOfMeasure ( "
                                              "UnitOfMeasureID, UnitOfMeasure, Status ) Values (") +
                               objects::signedNumber(newCode) + QStringLiteral(" ,'") +
                               sqlText(m_description) + QStringLiteral("','") + sqlText(m_status) +
                               QStringLiteral("')"));
        } else {
            connection.Execute(
                QStringLiteral("Update INVENTORY..tbInvUnitOfMeasure Set UnitOfMeasure = '") +
                sqlText(m_description) + QStringLiteral("', Status = '") + sqlText(m_status) +
                QStringLiteral("' Where UnitOfMeasureID = ") + QString::number(m_code));
        }
        transaction.commit();
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsUnitOfMeasure:Update Method"));
    }
}

bool clsUnitOfMeasure::SearchUOM(const QString &text)
{
    lookups::chooseCode(lookups::UnitOfMeasure, text);
    if (modInventory::PubLookupCode.isEmpty())
        return false;
    return LoadUOM(vb::toInteger16(vb::leadingNumber(modInventory::PubLookupCode)));
}

#include "objects/clsLocation.h"

#include "app/modInventory.h"
#include "objects/datahelpers.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/ui/msgbox.h"

using db::sqlText;

clsLocation::clsLocation()
{
    Class_Initialize();
}

clsLocation::~clsLocation() = default;

void clsLocation::Class_Initialize()
{
    // AllowedForPO is left as it is.
    m_description.clear();
    m_code.clear();
    m_status = QStringLiteral("A");
    m_isWareHouse = 1;
    m_isDispensingArea = 1;
}

bool clsLocation::LoadLocation(const QString &code)
{
    try {
        db::Connection &connection = objects::connectionOf(m_connection);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select * From INVENTORY..tbInvLocation Where LocationID = '") +
            sqlText(code) + QStringLiteral("'"));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }
        m_code = objects::textOr(rs.Fields(QStringLiteral("LocationID")));
        m_description = objects::textOr(rs.Fields(QStringLiteral("Location")));
        m_status = objects::textOr(rs.Fields(QStringLiteral("Status")), QStringLiteral("A"));
        const db::Field wareHouse = rs.Fields(QStringLiteral("IsWareHouse"));
        m_isWareHouse = wareHouse.IsNull() ? qint16(1) : wareHouse.toInteger();
        const db::Field dispensing = rs.Fields(QStringLiteral("isDispensingArea"));
        m_isDispensingArea = dispensing.IsNull() ? qint16(1) : dispensing.toInteger();
        const db::Field allowOrder = rs.Fields(QStringLiteral("AllowOrder"));
        setAllowedForPO(!allowOrder.IsNull() && allowOrder.toBool());
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsLocation:LoadLocation Method"));
    }
}

bool clsLocation::Update()
{
    try {
        db::Connection &connection = objects::connectionOf(m_connection);
        // One transaction around the read-then-write, so two workstations cannot both take
        // the same new code; joined when the caller has one open.
        db::Transaction transaction(connection, db::Transaction::Mode::JoinOpen);
        const QString allowFlag = objects::flag(m_allowedForPO);
        const db::Recordset rs = connection.Execute(
            QStringLiteral("Select * From INVENTORY..tbInvLocation Where LocationID = '") +
            sqlText(m_code) + QStringLiteral("'"));
        if (rs.Eof()) {
            // The new code goes into the row only; Code keeps what the caller set.
            const QString newCode = objects::nextNumericCode(
                connection,
                QStringLiteral("Select Convert( VarChar(4),Max( Convert(Integer,LocationID ) ) + "
                               "1 ) As NewLocationID From INVENTORY..tbInvLocation"),
                QStringLiteral("NewLocationID"),
                QStringLiteral("Select LocationID From INVENTORY..tbInvLocation"),
                QStringLiteral("location"));
            connection.Execute(
                QStringLiteral("Insert Into INVENTORY..tbInvLocation (LocationId, Location, "
                               "Status, IsWareHouse, isDispensingArea, AllowOrder ) ") +
                QStringLiteral("Values ('") + sqlText(newCode) + QStringLiteral("',' ") +
                sqlText(m_description) + QStringLiteral("','") + sqlText(m_status) +
                QStringLiteral("',") + objects::signedNumber(m_isWareHouse) + QStringLiteral(",") +
                objects::signedNumber(m_isDispensingArea) + QStringLiteral(",") + allowFlag +
                QStringLiteral(")"));
        } else {
            connection.Execute(
                QStringLiteral("Update INVENTORY..tbInvLocation Set Location = '") +
                sqlText(m_description) + QStringLiteral("', Status = '") + sqlText(m_status) +
                QStringLiteral("', isWarehouse = ") + objects::signedNumber(m_isWareHouse) +
                QStringLiteral(", isDispensingArea = ") +
                objects::signedNumber(m_isDispensingArea) + QStringLiteral(", AllowOrder = ") +
                allowFlag + QStringLiteral(" Where LocationID = '") + sqlText(m_code) +
                QStringLiteral("'"));
        }
        transaction.commit();
        return true;
    } catch (const std::exception &error) {
        ui::MsgBox(objects::describe(error));
        modInventory::RaiseError(9999, QStringLiteral("clsLocation:Update Method"));
    }
}

#include "objects/clsItemClass.h"

#include "app/modInventory.h"
#include "objects/datahelpers.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"

using db::sqlText;

clsItemClass::clsItemClass()
{
    Class_Initialize();
}

clsItemClass::~clsItemClass() = default;

void clsItemClass::Class_Initialize()
{
    m_description.clear();
    m_code.clear();
    m_status.clear();
}

bool clsItemClass::LoadItemClass(const QString &code)
{
    try {
        if (code == m_code)
            return true;
        if (objects::trimBlanks(code).isEmpty()) {
            Class_Initialize();
            return true;
        }
        db::Connection &connection = objects::connectionOf(m_connection);
        const db::Recordset rs = connection.Execute(
            QStringLiteral(
                "Select * From INVENTORY..tbInvClassification Where ItemClassificationID = '") +
            sqlText(code) + QStringLiteral("'"));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }
        m_description = objects::textOr(rs.Fields(QStringLiteral("ItemClassificationName")));
        m_code = objects::textOr(rs.Fields(QStringLiteral("ItemClassificationID")));
        m_status = objects::textOr(rs.Fields(QStringLiteral("Status")), QStringLiteral("A"));
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsItemClass:LoadItemClass Method"));
    }
}

bool clsItemClass::Update()
{
    try {
        db::Connection &connection = objects::connectionOf(m_connection);
        // One transaction around the read-then-write, so two workstations cannot both take
        // the same new code; joined when the caller has one open.
        db::Transaction transaction(connection, db::Transaction::Mode::JoinOpen);
        const db::Recordset rs = connection.Execute(
            QStringLiteral(
                "Select * From INVENTORY..tbInvClassification Where ItemClassificationID = '") +
            sqlText(m_code) + QStringLiteral("'"));
        if (rs.Eof()) {
            if (objects::trimBlanks(m_code).isEmpty() || m_code == QLatin1String("New")) {
                // One letter: the one after the first letter of the largest code, "A" for none.
                const db::Recordset max = connection.Execute(
                    QStringLiteral("Select Max( ItemClassificationID ) As MaxCode From "
                                   "INVENTORY..tbInvClassification "));
                if (max.Eof() || max.Fields(QStringLiteral("MaxCode")).IsNull()) {
                    m_code = QStringLiteral("A");
                } else {
                    const QString maxCode = max.Fields(QStringLiteral("MaxCode")).toText();
                    if (maxCode.isEmpty())
                        throw AppError(5, QStringLiteral("Update"),
                                       QStringLiteral("Invalid procedure call or argument"));
                    m_code = QString(QChar(maxCode.at(0).unicode() + 1));
                }
            }
            connection.Execute(QStringLiteral("Insert Into INVENTORY..tbInvClassification "
                                              "(ItemClassificationID,ItemClassificationName, "
                                              "Status ) ") +
                               QStringLiteral("Values ('") + sqlText(m_code) +
                               QStringLiteral("','") + sqlText(m_description) +
                               QStringLiteral("','") + sqlText(m_status) + QStringLiteral("')"));
        } else {
            connection.Execute(
                QStringLiteral("Update INVENTORY..tbInvClassification Set ItemClassificationName "
                               "= '") +
                sqlText(m_description) + QStringLiteral("', Status = '") + sqlText(m_status) +
                QStringLiteral("' Where ItemClassificationID = '") + sqlText(m_code) +
                QStringLiteral("'"));
        }
        transaction.commit();
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsItemClass:Update Method"));
    }
}

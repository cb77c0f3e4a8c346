#include "objects/clsGeneric.h"

#include "app/modInventory.h"
#include "objects/datahelpers.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"

clsGeneric::clsGeneric()
{
    Class_Initialize();
}

clsGeneric::~clsGeneric() = default;

void clsGeneric::Class_Initialize()
{
    m_classification.clear();
    m_genericName.clear();
    m_genericID.clear();
}

QString clsGeneric::loadStatement(const QString &code)
{
    // A generic's classification is the one whose node key is the part of the generic's node key
    // before its first full stop (its first character when it has none).
    return QStringLiteral(" Select C.GenericID, C.GenericName, D.ClassificationName ") +
           QStringLiteral(" From tbforGeneric C Left Outer Join ") +
           QStringLiteral(" tbforClassification D ON SubString(C.Node_Key,1,Case When "
                          "PatIndex('%.%',C.Node_Key) = 0 Then 1 Else "
                          "PatIndex('%.%',C.Node_Key) -1 End ) = D.Node_Key ") +
           QStringLiteral(" Where C.GenericID = '") + db::sqlText(code) + QStringLiteral("'");
}

bool clsGeneric::LoadGeneric(const QString &code)
{
    try {
        db::Connection &connection = objects::connectionOf(m_connection);
        const db::Recordset rs = connection.Execute(loadStatement(code));
        if (rs.Eof()) {
            Class_Initialize();
            return false;
        }
        m_genericID = objects::textOr(rs.Fields(QStringLiteral("GenericID")));
        m_genericName = objects::textOr(rs.Fields(QStringLiteral("GenericName")));
        m_classification = objects::textOr(rs.Fields(QStringLiteral("ClassificationName")));
        return true;
    } catch (const std::exception &) {
        modInventory::RaiseError(9999, QStringLiteral("clsGeneric:LoadGeneric Method"));
    }
}

#include "app/modInventory.h"

#include "app/modReports.h"

#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

#include <QPointer>
#include <QWidget>

namespace modInventory {

clsCurrentUser *objCurrentUser = nullptr;
QString Company;
QDateTime CurDate;
QString ClientName;
bool AllowWDZeroOnHand = false;
bool isAutoWithdrawRequestNumber = false;
QString DefaultLocationID;
QString InventoryTypeAccess;
QString PubLookupCode;

namespace {

std::unique_ptr<clsCurrentUser> g_currentUser;
QPointer<QWidget> g_mainWindow;

} // namespace

db::Connection &signedInConnection(const QString &source)
{
    db::Connection *connection = objCurrentUser ? objCurrentUser->sqlconnection() : nullptr;
    if (!connection)
        throw AppError(91, source,
                       QStringLiteral("Object variable or With block variable not set"));
    return *connection;
}

void ResetSession()
{
    if (g_mainWindow)
        delete g_mainWindow.data();
    objCurrentUser = nullptr;
    g_currentUser.reset();
    Company.clear();
    CurDate = QDateTime();
    ClientName.clear();
    AllowWDZeroOnHand = false;
    isAutoWithdrawRequestNumber = false;
    DefaultLocationID.clear();
    InventoryTypeAccess.clear();
    PubLookupCode.clear();
    PubReport.reset();
}

void setCurrentUser(std::unique_ptr<clsCurrentUser> user)
{
    g_currentUser = std::move(user);
    objCurrentUser = g_currentUser.get();
}

QWidget *MainWindow()
{
    return g_mainWindow.data();
}

void registerMainWindow(QWidget *window)
{
    g_mainWindow = window;
}

void LoadHospitalInfo()
{
    db::Recordset rs = signedInConnection(QStringLiteral("modInventory"))
                           .OpenRecordset(QStringLiteral(
                               "Select *, GetDate() as CurDate From Inventory..tbHospitalInfo"));
    if (rs.Eof()) {
        ui::MsgBox(QStringLiteral("No Hospital information was found"), ui::Buttons::OK,
                   ui::Icon::Information, QStringLiteral("MESSAGE"));
        return;
    }
    Company = NullToDefault(rs.Fields(QStringLiteral("Company")), QString()).toString();
    CurDate = rs.Fields(QStringLiteral("CurDate")).toDate();
    // A Null client code or zero on-hand flag is taken as the general behaviour.
    ClientName = NullToDefault(rs.Fields(QStringLiteral("ClientName")), QString()).toString();
    const db::Field allowZero = rs.Fields(QStringLiteral("AllowWDZeroOnHand"));
    AllowWDZeroOnHand = !allowZero.IsNull() && allowZero.toBool();
    const db::Field autoNumber = rs.Fields(QStringLiteral("isAutoWithdrawRequestNumber"));
    isAutoWithdrawRequestNumber = !autoNumber.IsNull() && autoNumber.toBool();
}

void LoadLocation(ui::LocationCombo &cbo, bool blnNotDispensing, bool blnSelectDefault,
                  bool blnNotWarehouse, bool blnAllowOrder, bool blnUserLocations)
{
    cbo.setTag(QString());
    try {
        QString sql;
        if (blnUserLocations)
            sql = QStringLiteral("INVENTORY..sp_Inv_UserLocation '") +
                  db::sqlText(objCurrentUser->EmployeeCode()) + QStringLiteral("'");
        else if (blnNotWarehouse && blnNotDispensing)
            sql =
                QStringLiteral("Select Location, LocationID From INVENTORY..tbInvLocation Where "
                               "( isWarehouse = 0 or isDispensingArea = 0 ) AND ( Not Status = 'I' "
                               "or Status is Null ) ORDER BY Location");
        else if (blnNotWarehouse)
            sql = QStringLiteral(
                "Select Location, LocationID From INVENTORY..tbInvLocation Where "
                "isWarehouse = 0 AND ( Not Status = 'I' or Status is Null ) ORDER BY "
                "Location");
        else if (blnNotDispensing)
            sql = QStringLiteral(
                "Select Location, LocationID From INVENTORY..tbInvLocation Where "
                "isDispensingArea = 0 AND ( Not Status = 'I' or Status is Null ) ORDER "
                "BY Location");
        else if (blnAllowOrder)
            sql =
                QStringLiteral("Select Location, LocationID From INVENTORY..tbInvLocation Where "
                               "AllowOrder = 1 AND ( Not Status = 'I' or Status is Null ) ORDER BY "
                               "Location");
        else
            sql = QStringLiteral(
                "Select Location, LocationID From INVENTORY..tbInvLocation Where Not "
                "Status = 'I' or Status is Null  ORDER BY Location");

        db::Recordset rs = signedInConnection(QStringLiteral("modInventory")).OpenRecordset(sql);
        if (!rs.Eof())
            cbo.bind(rs, QStringLiteral("Location"));
        else
            cbo.unbind();

        if (blnSelectDefault) {
            db::Recordset def =
                signedInConnection(QStringLiteral("modInventory"))
                    .Execute(
                        QStringLiteral(
                            "Select Location From INVENTORY..tbInvLocation Where LocationID = '") +
                        db::sqlText(DefaultLocationID) + QStringLiteral("'"));
            if (!def.Eof()) {
                cbo.setEditText(
                    NullToDefault(def.Fields(QStringLiteral("Location")), QString()).toString());
                cbo.setTag(DefaultLocationID);
            }
        }
    } catch (const AppError &e) {
        cbo.setTag(QString());
        ui::MsgBox(QStringLiteral("Called from: Sub LoadLocation -") + e.description());
    }
}

bool CheckLocation(const QString &strName, QString &strLocationID, bool &blnRetailAllowed,
                   bool blnCheckAccess)
{
    try {
        db::Recordset rs =
            signedInConnection(QStringLiteral("modInventory"))
                .Execute(
                    QStringLiteral("Select * From INVENTORY..tbInvLocation Where Location = '") +
                    db::sqlText(strName) + QStringLiteral("'"));
        if (rs.Eof()) {
            strLocationID.clear();
            blnRetailAllowed = false;
            return false;
        }
        strLocationID =
            NullToDefault(rs.Fields(QStringLiteral("LocationID")), QString()).toString();
        const QString typeText =
            NullToDefault(rs.Fields(QStringLiteral("InventoryType")), QString()).toString();
        auto isZero = [](const db::Field &f) { return !f.IsNull() && f.toDouble() == 0; };
        blnRetailAllowed = isZero(rs.Fields(QStringLiteral("IsWareHouse"))) ||
                           isZero(rs.Fields(QStringLiteral("isDispensingArea")));
        if (!blnCheckAccess)
            return true;

        const QString access = InventoryTypeAccess;
        const bool granted =
            !access.isEmpty() && (typeText.isEmpty() || access == QLatin1String("A") ||
                                  typeText.contains(access, Qt::CaseSensitive));
        if (granted)
            return true;
        strLocationID.clear();
        ui::MsgBox(QStringLiteral("Unauthorized Access..."));
        return false;
    } catch (const AppError &e) {
        ui::MsgBox(e.description());
        return false;
    }
}

QString GetItemIDFromBarcode(const QString &code)
{
    if (code.isEmpty())
        return code;
    db::Recordset rs =
        signedInConnection(QStringLiteral("modInventory")).OpenRecordset(barcodeStatement(code));
    if (rs.Eof())
        return code;
    return NullToDefault(rs.Fields(QStringLiteral("ItemID")), QString()).toString();
}

QString barcodeStatement(const QString &code)
{
    return QStringLiteral("Select ItemID from INVENTORY..tbInvMaster Where Barcode = '") +
           db::sqlText(code) + QStringLiteral("'");
}

QVariant NullToDefault(const QVariant &value, const QVariant &defaultValue)
{
    return (!value.isValid() || value.isNull()) ? defaultValue : value;
}

QVariant NullToDefault(const db::Field &field, const QVariant &defaultValue)
{
    return field.IsNull() ? defaultValue : field.Value();
}

QString GetErrorText(qint32 number)
{
    // The program keeps no table of message texts: every number reads as unknown.
    Q_UNUSED(number);
    return QStringLiteral("An unknown error has occurred!");
}

void RaiseError(qint32 number, const QString &source)
{
    throw AppError(static_cast<qint32>(static_cast<quint32>(vbObjectError) + number), source,
                   GetErrorText(number));
}

} // namespace modInventory

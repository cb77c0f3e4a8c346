#pragma once

#include "platform/db/recordset.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <memory>

class QWidget;
class clsCurrentUser;
namespace db {
class Connection;
}
namespace ui {
class LocationCombo;
}

// The session values every window and data class reads, and the small services they share. The
// start-up (Main) sets them: startup/startup.h.
namespace modInventory {

// --- session values: set once at start-up, read-only afterwards ------------------------------

// The current-user component: sign-in, the one connection, the employee code.
extern clsCurrentUser *objCurrentUser;
// Makes the component the session's own: objCurrentUser until ResetSession.
void setCurrentUser(std::unique_ptr<clsCurrentUser> user);
// The signed-in user's connection, the one way every window, dialog and data class reaches it:
// error 91 ("Object variable or With block variable not set"), raised from source, when nobody
// is signed in.
db::Connection &signedInConnection(const QString &source);
extern QString Company;
// The server's date and time at start-up (invalid when the hospital row is missing).
extern QDateTime CurDate;
// A client code that switches small behaviours ("NORBEK", "KVB", "RQ"); compared exactly.
extern QString ClientName;
extern bool AllowWDZeroOnHand;
extern bool isAutoWithdrawRequestNumber;
extern QString DefaultLocationID;   // "19" once started
extern QString InventoryTypeAccess; // "A" once started

// The code a lookup dialog hands back to the data class that opened it.
extern QString PubLookupCode;

// The user-defined error base of the old automation errors.
constexpr qint32 vbObjectError = static_cast<qint32>(0x80040000u);

// --- start-up ----------------------------------------------------------------------------

// Reads the hospital row into the session values.
void LoadHospitalInfo();
// The request window, while it is open (it registers itself); the parent of the dialogs.
QWidget *MainWindow();
void registerMainWindow(QWidget *window);
// Back to the state before start-up (for tests, and the end of the program).
void ResetSession();

// --- module services -----------------------------------------------------------------------

// Fills a location combo; see the statement table in modInventory.cpp.
void LoadLocation(ui::LocationCombo &cbo, bool blnNotDispensing, bool blnSelectDefault,
                  bool blnNotWarehouse, bool blnAllowOrder, bool blnUserLocations);

// Looks a typed location name up; with blnCheckAccess, refuses a location whose inventory type
// the session may not reach ("Unauthorized Access...").
bool CheckLocation(const QString &strName, QString &strLocationID, bool &blnRetailAllowed,
                   bool blnCheckAccess);

// The item code of a bar code; any other text comes back unchanged.
QString GetItemIDFromBarcode(const QString &code);
// The statement GetItemIDFromBarcode reads the code with.
QString barcodeStatement(const QString &code);

QVariant NullToDefault(const QVariant &value, const QVariant &defaultValue);
QVariant NullToDefault(const db::Field &field, const QVariant &defaultValue);

// Raises the program's error: number vbObjectError + number, the given source, and the
// description GetErrorText gives.
[[noreturn]] void RaiseError(qint32 number, const QString &source);
QString GetErrorText(qint32 number);

} // namespace modInventory

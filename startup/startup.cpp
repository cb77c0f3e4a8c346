#include "startup/startup.h"

#include "app/modEncryption.h"
#include "app/modInventory.h"
#include "dialogs/frmItemLookup.h"
#include "dialogs/frmLookup.h"
#include "objects/lookups.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/serverwaitindicator.h"
#include "platform/ui/storableinput.h"
#include "request/frmMain.h"

#include <QTimer>

namespace modInventory {

void installLookups()
{
    // The product search, at the request locations of the request window when there is one.
    const auto productSearch = []() -> frmItemLookup & {
        frmItemLookup &search = frmItemLookup::instance();
        if (const auto *window = qobject_cast<const frmMain *>(MainWindow())) {
            search.setRequestLocationCodes(
                window->cboLocation ? window->cboLocation->Tag() : QString(),
                window->cboTargetLocation ? window->cboTargetLocation->Tag() : QString());
        }
        return search;
    };
    lookups::Choosers choosers;
    choosers.product = [productSearch](const QString &text, const QString &locationName,
                                       const QString &locationCode) {
        productSearch();
        frmItemLookup::choose(text, locationName, locationCode);
    };
    choosers.productReads = [productSearch](const QString &text, const QString &locationCode) {
        return QStringList{productSearch().chooseStatement(text, locationCode)};
    };
    choosers.code = [](lookups::CodeKind kind, const QString &text) {
        frmLookup::choose(kind, text);
    };
    lookups::install(std::move(choosers));
}

bool Main()
{
    installLookups();
    // A wait for the database server is shown on the window, and no input is taken meanwhile.
    ui::ServerWaitIndicator::install();
    // Every field takes only text the database stores as it is shown.
    ui::StorableInput::install();
    setCurrentUser(std::make_unique<clsCurrentUser>());
    // Enter moves the focus through the window's own key handling; no keystroke object is needed.
    objCurrentUser->setPasswordDeptCode(QStringLiteral("4"));
    objCurrentUser->setPasswordForm([](const QString &typed) {
        return modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey, typed);
    });
    objCurrentUser->ShowMain();
    if (!objCurrentUser->Connected())
        return false;

    try {
        LoadHospitalInfo();
    } catch (const AppError &e) {
        ui::MsgBox(QStringLiteral("The hospital information cannot be read: ") + e.description(),
                   ui::Buttons::OK, ui::Icon::Critical);
        return false;
    }
    DefaultLocationID = QStringLiteral("19");
    InventoryTypeAccess = QStringLiteral("A");

    auto *window = new frmMain; // registers itself as the main window
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    // A request a crash or a power cut left unsaved is offered back once the window is up.
    QTimer::singleShot(0, window, [window] { window->offerRecovery(); });
    return true;
}

} // namespace modInventory

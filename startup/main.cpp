#include "app/modInventory.h"
#include "startup/startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // No display name: the desktop would add it to every window title ("MESSAGE - Inventory
    // Request"); each window's title is its own.
    QApplication::setApplicationName(QStringLiteral("Inventory Request"));
    // Ties the windows to the installed menu entry (and its icon) on desktops that ask.
    QApplication::setDesktopFileName(QStringLiteral(INVENTORY_APP_ID));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/" INVENTORY_APP_ID "-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    if (!modInventory::Main())
        return 0;
    const int result = QApplication::exec();
    modInventory::ResetSession();
    return result;
}

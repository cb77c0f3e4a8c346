#include "app/modInventory.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // No display name: the desktop would add it to every window title ("MESSAGE - Inventory
    // Request"); each window's title is its own.
    QApplication::setApplicationName(QStringLiteral("Inventory Request"));
    if (!modInventory::Main())
        return 0;
    const int result = QApplication::exec();
    modInventory::ResetSession();
    return result;
}

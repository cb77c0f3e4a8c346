#include "app/modInventory.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Inventory Request"));
    QApplication::setApplicationDisplayName(QStringLiteral("Inventory Request"));
    if (!modInventory::Main())
        return 0;
    const int result = QApplication::exec();
    modInventory::ResetSession();
    return result;
}

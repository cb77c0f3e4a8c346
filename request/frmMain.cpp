#include "request/frmMain.h"

#include "app/modInventory.h"

#include <QLabel>

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("CALVOX - Inventory Request"));
    auto *placeholder = new QLabel(modInventory::Company, this);
    placeholder->setAlignment(Qt::AlignCenter);
    setCentralWidget(placeholder);
    resize(1033, 695); // 15495 x 10425 twips at 96 dpi
}

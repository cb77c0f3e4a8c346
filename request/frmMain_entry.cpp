// Line entry: the product code, quantity and unit cost of one line, and the item's values beside them.
#include "request/frmMain.h"

void frmMain::connectEntry()
{
}

bool frmMain::ownEnterRule(QWidget *target)
{
    Q_UNUSED(target);
    return false;
}

void frmMain::ShowItemInfo()
{
}

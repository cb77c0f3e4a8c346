// Printing a request through its report template.
#include "request/frmMain.h"

void frmMain::connectPrinting()
{
}

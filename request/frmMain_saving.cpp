// Saving a request, verifying it and cancelling it.
#include "request/frmMain.h"

void frmMain::connectSaving()
{
}

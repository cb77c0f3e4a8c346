// Printing a request through its report template.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "app/modReports.h"
#include "dialogs/frmReportViewer.h"
#include "platform/error.h"
#include "platform/report/reporterror.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/msgbox.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace modInventory;

void frmMain::connectPrinting()
{
    onClick(cmdView, &frmMain::cmdView_Click);
}

// Prints the request on the Details tab, or the listing's current request on the List tab, through
// the full template or, with "Print Short" ticked, the one-line-per-item pick sheet.
void frmMain::cmdView_Click()
{
    QString strDocNum;
    if (SSTab1->currentIndex() == 1)
        strDocNum = txtDocNum->text().trimmed();
    else if (grdListing->Rows() > 1 && grdListing->Row() >= 1)
        strDocNum = grdListing->TextMatrix(grdListing->Row(), 0).trimmed();
    if (strDocNum.isEmpty()) {
        ui::MsgBox(
            QStringLiteral("There is no request to print. Choose a request in the list first."),
            ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
        return;
    }

    try {
        ui::Hourglass hourglass;
        const QVariantList vntParameters = {strDocNum};
        const QString strReport = chkPrint->isChecked()
                                      ? QStringLiteral("DepartmentRequest_Short.rpt")
                                      : QStringLiteral("DepartmentRequest.rpt");
        LoadReport(QDir(ReportFolder()).filePath(strReport), vntParameters);
        ShowReport(false, QStringLiteral("Inventory Master File"));
    } catch (const report::ReportError &e) {
        // The pointer is back to normal here: the guard went with the try block.
        if (e.kind() == report::ReportError::Kind::NoRecords)
            ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Information,
                       QStringLiteral("MESSAGE"));
        else
            ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical,
                       QStringLiteral("Error Message"));
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical,
                   QStringLiteral("Error Message"));
    }
}

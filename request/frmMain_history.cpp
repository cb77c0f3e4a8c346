// A request's versions, one key away (F7) from the list and from the Details tab.
#include "request/frmMain.h"

#include "app/requesthistory.h"
#include "dialogs/frmRequestHistory.h"
#include "platform/error.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/msgbox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

void frmMain::connectHistory()
{
    onClick(cmdHistory, &frmMain::cmdHistory_Click);
}

void frmMain::cmdHistory_Click()
{
    QString number;
    if (SSTab1->currentIndex() == 0) {
        if (grdListing->isEnabled() && grdListing->Rows() > 1 && grdListing->Row() >= 1)
            number = grdListing->TextMatrix(grdListing->Row(), 0).trimmed();
        if (number.isEmpty()) {
            ui::MsgBox(QStringLiteral("There is no request to show the history of. Choose a "
                                      "request in the list first."),
                       ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
            return;
        }
    } else {
        if (isNewRequest() || txtDocNum->text().trimmed().isEmpty()) {
            ui::MsgBox(QStringLiteral("This request has not been saved yet, so it has no "
                                      "history."),
                       ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
            return;
        }
        number = txtDocNum->text().trimmed();
    }
    QList<requesthistory::Version> versions;
    try {
        ui::Hourglass hourglass;
        versions = requesthistory::read(connection(), number);
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical,
                   QStringLiteral("Error Message"));
        return;
    }
    frmRequestHistory dialog(number, versions, this);
    dialog.setExporter([this, &dialog, &versions, number](const QStringList &headers,
                                                          const QList<QStringList> &rows) {
        // As shown, but the version a number and its time a date, as a spreadsheet reads them.
        QList<QVariantList> values;
        for (qsizetype r = 0; r < rows.size(); ++r) {
            QVariantList cells;
            for (const QString &cell : rows.at(r))
                cells << cell;
            if (r < versions.size() && cells.size() > 3) {
                cells[0] = versions.at(r).version;
                cells[3] = versions.at(r).at;
            }
            values << cells;
        }
        exportTable(QStringLiteral("Request %1 history.csv").arg(fileNamePart(number)), headers,
                    values);
        dialog.activateWindow();
    });
    dialog.exec();
}

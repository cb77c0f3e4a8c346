// The list of requests, as filtered, or the lines of the request on the Details tab, written to a
// CSV file a spreadsheet opens: the headers as the grid shows them, numbers and dates as values.
#include "request/frmMain.h"

#include "platform/csvwriter.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/gridrows.h"
#include "platform/ui/msgbox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>

void frmMain::connectExporting()
{
    // Writing a file changes nothing on screen: a refused field does not hold it back.
    m_noValidation << cmdExport;
    onClick(cmdExport, &frmMain::cmdExport_Click);
    QWidget::setTabOrder(cmdCopyNew, cmdExport);
}

QString frmMain::exportFileName() const
{
    if (SSTab1->currentIndex() == 0)
        return QStringLiteral("Requests.csv");
    const QString number = txtDocNum->text().trimmed();
    if (!txtDocNum->isReadOnly() || number.isEmpty() || number == QLatin1String("NEW"))
        return QStringLiteral("Request.csv");
    return QStringLiteral("Request %1.csv").arg(fileNamePart(number));
}

QString frmMain::fileNamePart(const QString &number)
{
    // A number another program stored may hold what a file name cannot.
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    QString safe = number;
    safe.replace(unsafe, QStringLiteral("_"));
    return safe;
}

QString frmMain::chooseExportFile(const QString &proposed)
{
    QFileDialog dialog(this, QStringLiteral("Export to a spreadsheet"));
    dialog.setObjectName(QStringLiteral("dlgExport"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("CSV files (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // Where the last export went, else the user's documents (or home, when there is no such
    // folder), never the program's working folder.
    QString folder = m_exportFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    dialog.setDirectory(folder);
    dialog.selectFile(proposed);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    activateWindow(); // the keyboard comes back here when the dialog closes
    return chosen ? dialog.selectedFiles().constFirst() : QString();
}

QString frmMain::exportTable(const QString &proposed, const QStringList &headers,
                             const QList<QVariantList> &rows)
{
    const QString path = chooseExportFile(proposed);
    if (path.isEmpty())
        return QString();
    QString error;
    if (!csv::writeFile(path, headers, rows, &error)) {
        ui::MsgBox(QStringLiteral("The file %1 could not be written: %2\n\nNothing was exported.")
                       .arg(QDir::toNativeSeparators(path), error),
                   ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("Error Message"));
        return QString();
    }
    m_exportFolder = QFileInfo(path).absolutePath();
    return path;
}

void frmMain::cmdExport_Click()
{
    using ui::ColumnKind;
    const bool list = SSTab1->currentIndex() == 0;
    const ui::GridTable table =
        list ? ui::gridTable(*grdListing, {ColumnKind::Text, ColumnKind::Text, ColumnKind::Text,
                                           ColumnKind::DateTime, ColumnKind::Text})
             : ui::gridTable(*grdDetails, {ColumnKind::Text, ColumnKind::Text, ColumnKind::Number,
                                           ColumnKind::Number, ColumnKind::Number});
    if (table.rows.isEmpty() || (list && !grdListing->isEnabled())) {
        ui::MsgBox(list ? QStringLiteral("The list has no requests to export.")
                        : QStringLiteral("The request has no lines to export."),
                   ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
        return;
    }
    const QString path = exportTable(exportFileName(), table.headers, table.rows);
    if (path.isEmpty())
        return;
    const qsizetype rows = table.rows.size();
    statusBar()->showMessage(
        QStringLiteral("%1 exported to %2")
            .arg(list ? counted(rows, QStringLiteral("request"), QStringLiteral("requests"))
                      : counted(rows, QStringLiteral("line"), QStringLiteral("lines")),
                 QDir::toNativeSeparators(path)));
}

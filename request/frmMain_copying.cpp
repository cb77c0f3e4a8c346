// Copy as New: a stored request started again as a new one, for the same departments with the same
// lines and quantities. Each line's item is read again at the supplying location, as typing its
// code reads it, so the line's cost is today's; the lines whose item cannot be requested there any
// more are left out and named. Nothing is stored until Save.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "objects/clsItem.h"
#include "objects/clsItemMaster.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/named.h"
#include "request/linevalues.h"

#include <QDateTimeEdit>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace modInventory;

namespace {

// A stored line as Copy as New takes it: what the clerk chose, not what it cost then.
struct SourceLine
{
    QString code;
    QString name;
    double quantity = 0;
    bool retail = true;
    bool ads = false;
};

struct SourceRequest
{
    QString locationId, location; // the supplying location
    QString targetId, target;     // the requesting department
    QList<SourceLine> lines;
};

// An item read again at the supplying location: its name and today's cost, or why it cannot be
// requested there.
struct ItemToday
{
    QString code;
    QString name;
    double cost = 0;
    bool adsStock = false;
    QString leftOut; // empty when the item can be requested
};

QString textOf(const db::Field &field)
{
    return NullToDefault(field, QString()).toString();
}

// The stored request's lines and departments, in one read: the procedure that opens a request.
SourceRequest readRequest(const QString &number)
{
    SourceRequest request;
    db::Recordset rs = frmMain::connection().OpenRecordset(
        QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") + db::sqlText(number) +
        QStringLiteral("'"));
    if (rs.Eof())
        return request;
    request.locationId = textOf(rs.Fields(QStringLiteral("LocationID")));
    request.location = textOf(rs.Fields(QStringLiteral("Location")));
    request.targetId = textOf(rs.Fields(QStringLiteral("TargetLocationID")));
    request.target = textOf(rs.Fields(QStringLiteral("TLocation")));
    for (; !rs.Eof(); rs.MoveNext()) {
        SourceLine line;
        line.code = textOf(rs.Fields(QStringLiteral("ItemID"))).trimmed();
        line.name = textOf(rs.Fields(QStringLiteral("Description"))).trimmed();
        line.quantity = NullToDefault(rs.Fields(QStringLiteral("Quantity")), 0).toDouble();
        line.retail = textOf(rs.Fields(QStringLiteral("ForRetail"))) != QLatin1String("N");
        const db::Field ads = rs.Fields(QStringLiteral("isADS"));
        line.ads = !ads.IsNull() && ads.toBool();
        if (!line.code.isEmpty())
            request.lines << line;
    }
    return request;
}

// Each item read again at the location, as typing its code reads it (its stock card there and its
// master record); all of them asked of a server in one message.
QHash<QString, ItemToday> readItemsToday(const QStringList &codes, const QString &locationId,
                                         const QString &locationName)
{
    QStringList reads;
    for (const QString &code : codes)
        reads << clsItem::loadReads(code, locationId);
    const db::Prefetch ahead(frmMain::connection(), reads);
    QHash<QString, ItemToday> items;
    for (const QString &code : codes) {
        ItemToday today;
        clsItem item;
        item.setActiveConnection(objCurrentUser->sqlconnection());
        if (!item.LoadItem(code, locationId)) {
            today.code = code;
            today.leftOut = QStringLiteral("no longer stocked at %1").arg(locationName.trimmed());
            items.insert(code, today);
            continue;
        }
        const std::shared_ptr<clsItemMaster> master = item.ItemMaster();
        today.code = item.ItemID();
        today.name = master->ItemName().trimmed() + QLatin1Char(' ') + master->ItemDesc();
        today.cost = linevalues::toScale(master->AverageCost());
        today.adsStock = item.IsADSStock();
        // What the product search and the entry refuse, the copy leaves out.
        if (item.ItemStatus() != 0 || master->ItemStatus() != 0)
            today.leftOut = QStringLiteral("inactive");
        else if (AllowWDZeroOnHand && item.OnHand() <= 0)
            today.leftOut = QStringLiteral("none on hand at %1").arg(locationName.trimmed());
        else if (const QString problem = linevalues::costProblem(today.cost); !problem.isEmpty())
            today.leftOut = problem;
        items.insert(code, today);
    }
    return items;
}

} // namespace

void frmMain::addCopyAndExportButtons(QVBoxLayout *commands)
{
    cmdCopyNew = ui::named(new QPushButton(QStringLiteral("Copy as Ne&w")), "cmdCopyNew");
    cmdCopyNew->setToolTip(QStringLiteral("A new request with the lines of the request chosen in "
                                          "the list or shown, at today's cost (Alt+W)"));
    cmdExport = ui::named(new QPushButton(QStringLiteral("Export CSV (F8)")), "cmdExport");
    cmdExport->setShortcut(QKeySequence(Qt::Key_F8));
    cmdExport->setToolTip(QStringLiteral("The list, or the request's lines, to a file a "
                                         "spreadsheet opens (F8)"));
    for (QPushButton *b : {cmdCopyNew, cmdExport}) {
        b->setAutoDefault(false);
        b->setMinimumHeight(40);
        commands->addWidget(b);
    }
}

void frmMain::connectCopying()
{
    // Like New, it leaves the request shown: a refused field holds it back no more than New.
    m_noValidation << cmdCopyNew;
    onClick(cmdCopyNew, &frmMain::cmdCopyNew_Click);
    QWidget::setTabOrder(cmdView, cmdCopyNew);
}

QString frmMain::requestToCopy()
{
    const QString title = QStringLiteral("MESSAGE");
    if (SSTab1->currentIndex() == 0) {
        const QString listed = grdListing->isEnabled() && grdListing->Rows() > 1
                                   ? grdListing->TextMatrix(grdListing->Row(), 0).trimmed()
                                   : QString();
        if (listed.isEmpty())
            ui::MsgBox(QStringLiteral("Choose the request to copy in the list first."),
                       ui::Buttons::OK, ui::Icon::Information, title);
        return listed;
    }
    const QString shown = txtDocNum->text().trimmed();
    if (!txtDocNum->isReadOnly() || shown.isEmpty() || shown == QLatin1String("NEW")) {
        ui::MsgBox(QStringLiteral("Only a saved request can be copied as a new one, and this one "
                                  "has not been saved. Choose a saved request in the list."),
                   ui::Buttons::OK, ui::Icon::Information, title);
        return QString();
    }
    return shown;
}

void frmMain::cmdCopyNew_Click()
{
    const QString number = requestToCopy();
    if (number.isEmpty())
        return;
    SourceRequest source;
    {
        const ui::Hourglass hourglass;
        source = readRequest(number);
    }
    if (source.lines.isEmpty()) {
        ui::MsgBox(
            QStringLiteral("Request %1 has no lines stored: there is nothing to copy.").arg(number),
            ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
        return;
    }
    if (!confirmDiscard(QStringLiteral("copy request %1 as a new one").arg(number)))
        return;

    // A new request, as New starts one, from the copied request's departments.
    {
        const QScopedValueRollback<bool> editing(m_editing, true); // no Edit from the tab rule
        SSTab1->setCurrentIndex(1);
    }
    ClearAll();
    setOpenedVersion(QString());
    if (isAutoWithdrawRequestNumber) {
        txtDocNum->clear();
        txtDocNum->setReadOnly(false);
    } else {
        txtDocNum->setText(QStringLiteral("NEW"));
        txtDocNum->setReadOnly(true);
    }
    const QDateTime now = serverNow();
    txtTransDate->setMaximumDateTime(now);
    txtTransDate->setDateTime(now);
    cmdOK->setText(QStringLiteral("Add &to List"));
    cboLocation->setEditText(source.location);
    cboLocation->setTag(source.locationId);
    cboTargetLocation->setEditText(source.target);
    cboTargetLocation->setTag(QString());
    markSaved(); // nothing of the request shown before is kept

    // The supplying location is checked as choosing it checks it: without it no item is read.
    if (!cboLocation_Validate()) {
        ui::MsgBox(QStringLiteral("Request %1 was not copied: its supplying location, %2, cannot "
                                  "be requested from any more. Choose another one for the new "
                                  "request.")
                       .arg(number, source.location.trimmed()),
                   ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
        cboLocation->setFocus();
        return;
    }
    const bool departmentAccepted = cboTargetLocation_Validate();

    QStringList codes;
    for (const SourceLine &line : std::as_const(source.lines)) {
        if (!codes.contains(line.code))
            codes << line.code;
    }
    QHash<QString, ItemToday> today;
    {
        const ui::Hourglass hourglass;
        today = readItemsToday(codes, cboLocation->Tag(), cboLocation->currentText());
    }

    // The lines kept, as line entry stores them; the others named.
    QList<QStringList> kept;
    QStringList leftOut;
    const bool retailAllowed = optConsumed[0]->isEnabled();
    for (const SourceLine &line : std::as_const(source.lines)) {
        const ItemToday &item = today[line.code];
        QString why = item.leftOut;
        if (why.isEmpty() && !(line.quantity > 0))
            why = QStringLiteral("no quantity");
        if (why.isEmpty())
            why = linevalues::quantityProblem(line.quantity);
        if (why.isEmpty() && kept.size() >= MaxGridRow - 1)
            why = QStringLiteral("more lines than a request can hold");
        if (!why.isEmpty()) {
            const QString name = item.name.trimmed().isEmpty() ? line.name : item.name.trimmed();
            leftOut << QStringLiteral("%1 %2: %3").arg(line.code, name, why);
            continue;
        }
        const double quantity = linevalues::toScale(line.quantity);
        kept << QStringList{item.code,
                            item.name,
                            vb::plainNumber(quantity),
                            linevalues::money(item.cost),
                            linevalues::money(linevalues::lineTotalUnits(quantity, item.cost)),
                            line.retail && retailAllowed ? QStringLiteral("Y")
                                                         : QStringLiteral("N"),
                            line.ads && item.adsStock ? QStringLiteral("Y") : QStringLiteral("N")};
    }

    const int lines = int(kept.size());
    grdDetails->setRows(lines + 2);
    {
        const ui::FlexGrid::Filling filling(*grdDetails);
        for (int r = 1; r <= lines; ++r) {
            for (int c = 0; c < 7; ++c)
                grdDetails->setTextMatrix(r, c, kept.at(r - 1).at(c));
        }
        for (int c = 0; c < grdDetails->Cols(); ++c)
            grdDetails->setTextMatrix(lines + 1, c, QString());
    }
    fitNumberColumns(1);
    grdDetails->setRow(lines + 1); // the empty row: the next line the clerk adds
    LoadDetailRow();
    txtTotalCounter->setVisible(true);
    ComputeGrandTotal();
    ShowLineCounter();
    if (lines > 0)
        markUnsaved(); // kept in the journal like typed lines, and asked about before it goes

    if (isAutoWithdrawRequestNumber)
        txtDocNum->setFocus();
    else if (!departmentAccepted)
        cboTargetLocation->setFocus();
    else
        txtProdCode->setFocus();
    statusBar()->showMessage(
        QStringLiteral("Request %1 copied as a new request: %2 at today's cost. Save stores it.")
            .arg(number, counted(lines, QStringLiteral("line"), QStringLiteral("lines"))));

    if (!leftOut.isEmpty()) {
        // One message for all of them; a long list is cut, with how many more there are.
        constexpr qsizetype Shown = 20;
        QStringList named = leftOut.mid(0, Shown);
        if (leftOut.size() > Shown)
            named << QStringLiteral("... and %1 more").arg(leftOut.size() - Shown);
        ui::MsgBox(
            QStringLiteral("%1 of request %2 not copied:\n\n%3")
                .arg(counted(leftOut.size(), QStringLiteral("line"), QStringLiteral("lines")),
                     number, named.join(QLatin1Char('\n'))),
            ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
    }
}

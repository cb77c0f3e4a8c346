// Line entry: the product code (an item code, a bar code or the start of a name), the quantity, the
// unit cost and the line button, with the item's values at the location beside them.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "dialogs/frmItemLookup.h"
#include "dialogs/frmKitEntry.h"
#include "objects/clsItem.h"
#include "objects/clsItemMaster.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/linevalues.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

#include <optional>

using namespace modInventory;

namespace {

// The kit the item code stands for, when it is an active kit's code.
QString kitStatement(const QString &code)
{
    return QStringLiteral("Select B.ItemID as Code from Inventory..tbInvKit A ") +
           QStringLiteral("Left Outer Join Inventory..tbInvMaster B On A.KitID = B.KitID ") +
           QStringLiteral("Where not Active = 'I' and B.ItemID = '") + db::sqlText(code) +
           QStringLiteral("'");
}

} // namespace

void frmMain::connectEntry()
{
    addValidation(txtProdCode, [this] { return txtProdCode_Validate(); });
    addValidation(txtWithdraw, [this] { return txtWithdraw_Validate(); });
    addValidation(txtUnitCost, [this] { return txtUnitCost_Validate(); });
    connect(cmdCode, &QPushButton::clicked, this, [this] {
        guarded([this] {
            blnBrowseItem = true;
            txtProdCode_Validate();
        });
    });
    for (QLineEdit *box : {txtProdCode, txtWithdraw, txtUnitCost})
        connect(box, &QLineEdit::textChanged, cmdOK, [this] { cmdOK->setEnabled(true); });
    connect(optConsumed[0], &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            guarded([this] { LoadListing(); });
    });
    onClick(cmdOK, &frmMain::cmdOK_Click);
}

bool frmMain::ownEnterRule(QWidget *target)
{
    // The unit cost and the retail options go straight to the line button.
    if ((target == txtUnitCost && cmdOK->isEnabled()) || target == optConsumed[0] ||
        target == optConsumed[1]) {
        cmdOK->setFocus(Qt::TabFocusReason);
        return true;
    }
    return false;
}

ui::LocationCombo *frmMain::itemLocation() const
{
    // KVB shows the item at the requesting department, everyone else at the supplying location.
    return ClientName == QLatin1String("KVB") ? cboTargetLocation : cboLocation;
}

QStringList frmMain::itemCodeReads(const QString &code) const
{
    if (blnBrowseItem)
        return {};
    QStringList reads = clsItem::searchReads(code, itemLocation()->Tag());
    if (!AllowWDZeroOnHand)
        reads << kitStatement(code);
    return reads;
}

bool frmMain::txtProdCode_Validate()
{
    // The focus moves on from inside the check: that is no leaving of the field to check again.
    const QScopedValueRollback<bool> checking(m_validating, true);
    try {
        const QString typed = txtProdCode->text().trimmed();
        if (typed.isEmpty()) {
            txtProdName->clear();
            blnBrowseItem = false;
            return true;
        }
        // The reads of a typed item code are asked in one message with its bar code's; those of
        // the code a bar code stands for in a second. A name, or a browse, reads as it comes.
        const db::Prefetch ahead(connection(),
                                 QStringList{barcodeStatement(typed)} + itemCodeReads(typed));
        const QString code = GetItemIDFromBarcode(typed);
        std::optional<db::Prefetch> aheadOfBarcode;
        if (code != typed)
            aheadOfBarcode.emplace(connection(), itemCodeReads(code));
        txtProdCode->setText(code);

        ui::LocationCombo *location = itemLocation();
        clsItem item;
        item.setActiveConnection(objCurrentUser->sqlconnection());
        const QString search = blnBrowseItem ? QString() : txtProdCode->text();
        const bool found = item.SearchItem(search, location->currentText(), location->Tag());
        activateWindow(); // the keyboard comes back here when the search list closes
        blnBrowseItem = false;
        if (!found)
            return noItemChosen(typed, search);
        return takeItem(item, location);
    } catch (const AppError &) {
        // Whatever failed, the code stays to be corrected.
        blnBrowseItem = false;
        forgetUnresolvedCode();
        return false;
    }
}

bool frmMain::noItemChosen(const QString &typed, const QString &search)
{
    // A code no item answers to keeps no other item's values beside it. When nothing answers to
    // it at all, the clerk is told at once, with no empty search window first, and types the code
    // again.
    const bool nothing = frmItemLookup::lastChoiceFoundNothing() && !entryResolved();
    forgetUnresolvedCode();
    if (!nothing || search.isEmpty())
        return true;
    ui::MsgBox(QStringLiteral("No product %1 at %2 for %3")
                   .arg(typed, cboLocation->currentText().trimmed(),
                        cboTargetLocation->currentText().trimmed()),
               ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
    txtProdCode->setText(typed);
    txtProdCode->setFocus();
    txtProdCode->selectAll();
    return false;
}

bool frmMain::takeItem(clsItem &item, const ui::LocationCombo *location)
{
    txtProdCode->setText(item.ItemID());
    QString kitCode;
    if (AllowWDZeroOnHand) {
        if (item.OnHand() <= 0) {
            refuseZeroOnHand();
            return true;
        }
    } else {
        kitCode = kitCodeOf(txtProdCode->text());
    }
    if (kitCode == txtProdCode->text() && expandKit(kitCode))
        return true; // the kit's lines are in the grid, its first one in the entry fields
    // An ordinary item, or a kit taken as one item.
    showItem(item, true);
    markResolved(item.ItemID(), location);
    txtWithdraw->setFocus();
    return true;
}

void frmMain::refuseZeroOnHand()
{
    // Neither the code nor the values of the item shown before stay.
    clearItemFields(true);
    ui::MsgBox(QStringLiteral("Zero Item Onhand"), ui::Buttons::OK, ui::Icon::Critical,
               QStringLiteral("HEY!"));
    ui::MsgBox(QStringLiteral("Enter another item"), ui::Buttons::OK, ui::Icon::Information,
               QStringLiteral("OK"));
    txtProdCode->setFocus();
}

QString frmMain::kitCodeOf(const QString &code)
{
    db::Recordset rs = connection().OpenRecordset(kitStatement(code));
    if (rs.Eof())
        return QString();
    return NullToDefault(rs.Fields(QStringLiteral("Code")), QString()).toString();
}

void frmMain::showItem(clsItem &item, bool offerAverageCost)
{
    const std::shared_ptr<clsItemMaster> master = item.ItemMaster();
    txtProdName->setText(master->ItemName().trimmed() + QLatin1Char(' ') + master->ItemDesc());
    txtListCost->setText(vb::plainNumber(master->ListCost()));
    txtPacking->setText(QString::number(master->Packing()));
    txtOnhand->setText(vb::plainNumber(item.OnHand()));
    txtAverageCost->setText(linevalues::money(master->AverageCost()));
    txtUOM->setText(item.UOMDescription());
    txtMax->setText(vb::plainNumber(item.MaxStock()));
    txtMin->setText(vb::plainNumber(item.MinimumStockLevel()));
    if (offerAverageCost) {
        const QString cost = txtUnitCost->text().trimmed();
        if (cost.isEmpty() || cost == QLatin1String("0.00"))
            txtUnitCost->setText(linevalues::money(master->AverageCost()));
    }
    const bool ads = item.IsADSStock();
    chkAdS->setVisible(ads);
    lblADSStock->setVisible(ads);
    if (ads) {
        lblADSStock->setText(vb::plainNumber(item.ADSStock()));
        if (offerAverageCost)
            chkAdS->setChecked(true);
    }
}

void frmMain::markResolved(const QString &code, const ui::LocationCombo *at)
{
    m_resolvedItem = code;
    m_resolvedAt = at;
    m_resolvedTag = at->Tag();
    m_itemResolved = true;
}

bool frmMain::entryResolved() const
{
    return m_itemResolved && txtProdCode->text().trimmed() == m_resolvedItem.trimmed() &&
           m_resolvedAt->Tag() == m_resolvedTag;
}

void frmMain::clearItemFields(bool withCode)
{
    if (withCode)
        txtProdCode->clear();
    for (QLineEdit *box : {txtProdName, txtListCost, txtPacking, txtOnhand, txtAverageCost,
                           txtUnitCost, txtTotalCost, txtUOM})
        box->clear();
    txtMin->clear();
    txtMax->clear();
    chkAdS->setVisible(false);
    lblADSStock->setVisible(false);
    lblADSStock->clear();
    m_itemResolved = false;
}

void frmMain::forgetUnresolvedCode()
{
    if (!entryResolved())
        clearItemFields(false);
}

bool frmMain::expandKit(const QString &kitCode)
{
    if (ui::MsgBox(QStringLiteral("Item is a Kit. Do you want to add items located in the Kit?"),
                   ui::Buttons::YesNo, ui::Icon::Question,
                   QStringLiteral("Message")) != ui::Answer::Yes)
        return false;

    frmKitEntry &kit = frmKitEntry::instance();
    kit.setItemID(kitCode);
    kit.exec();
    activateWindow();
    const QString code = txtProdCode->text().trimmed();
    const QString sql = kit.AllItems()
                            ? QStringLiteral("Inventory..sp_Inv_KitofItems ") + db::quoted(code)
                            : QStringLiteral("Inventory..sp_Inv_KitofItems_PerItem ") +
                                  db::quoted(code) + QLatin1Char(',') + db::quoted(kit.ItemID());
    db::Recordset rs = connection().OpenRecordset(sql);
    if (rs.Eof())
        return false;

    // The lines already entered are kept unless the user chooses to replace them.
    QList<QStringList> kept = codedLines();
    if (!kept.isEmpty()) {
        const int items = rs.RecordCount();
        const QString text =
            QStringLiteral("The request already has %1. Add the kit's %2 after them?\n\n"
                           "Yes: add the kit's items after the lines.\n"
                           "No: replace the lines with the kit's items.\n"
                           "Cancel: change nothing.")
                .arg(counted(kept.size(), QStringLiteral("line"), QStringLiteral("lines")),
                     counted(items, QStringLiteral("item"), QStringLiteral("items")));
        switch (ui::MsgBox(text, ui::Buttons::YesNoCancel, ui::Icon::Question,
                           QStringLiteral("Message"))) {
        case ui::Answer::Yes:
            break;
        case ui::Answer::No:
            kept.clear();
            break;
        default:
            // Back to where the user was: the grid as it was, the code to be typed again.
            clearItemFields(true);
            txtProdCode->setFocus();
            return true;
        }
    }

    // The kit's lines follow the lines kept, then the empty row for the next line. A kit that
    // would take the request past the lines it can hold is not added at all: never a part of it.
    const int room = MaxGridRow - 1 - int(kept.size());
    const int lines = rs.RecordCount();
    if (lines > room) {
        ui::MsgBox(QStringLiteral("This kit has %1; with the %2 already entered the request would "
                                  "pass the %3 lines a request can hold. Nothing was added.")
                       .arg(counted(lines, QStringLiteral("item"), QStringLiteral("items")))
                       .arg(counted(kept.size(), QStringLiteral("line"), QStringLiteral("lines")))
                       .arg(MaxGridRow - 1),
                   ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
        clearItemFields(true);
        txtProdCode->setFocus();
        return true;
    }
    grdDetails->setCols(8);
    grdDetails->setRows(int(kept.size()) + lines + 2);
    {
        const ui::FlexGrid::Filling filling(*grdDetails);
        for (int row = 1; row <= kept.size(); ++row) {
            const QStringList &cells = kept.at(row - 1);
            for (int c = 0; c < 8; ++c)
                grdDetails->setTextMatrix(row, c, c < cells.size() ? cells.at(c) : QString());
        }
        const char *const columns[] = {"ItemID", "ItemName", "", "", "", "RetailType"};
        for (int row = int(kept.size()) + 1; row <= kept.size() + lines; ++row, rs.MoveNext()) {
            for (int c = 0; c < 8; ++c) {
                if (c < 6 && *columns[c]) {
                    const db::Field f = rs.Fields(QLatin1String(columns[c]));
                    grdDetails->setTextMatrix(row, c, f.IsNull() ? QString() : f.toText());
                } else {
                    grdDetails->setTextMatrix(row, c, QString());
                }
            }
            // The quantity and cost at the scale every engine stores, the total from them.
            const db::Field qty = rs.Fields(QStringLiteral("Qty"));
            const db::Field cost = rs.Fields(QStringLiteral("UnitCost"));
            const double q = qty.IsNull() ? 0.0 : linevalues::toScale(qty.toDouble());
            const double c = cost.IsNull() ? 0.0 : linevalues::toScale(cost.toDouble());
            grdDetails->setTextMatrix(row, 2, qty.IsNull() ? QString() : vb::plainNumber(q));
            grdDetails->setTextMatrix(row, 3, cost.IsNull() ? QString() : linevalues::money(c));
            grdDetails->setTextMatrix(row, 4, linevalues::money(linevalues::lineTotalUnits(q, c)));
        }
        for (int c = 0; c < 8; ++c)
            grdDetails->setTextMatrix(grdDetails->Rows() - 1, c, QString());
    }
    grdDetails->setRowCol(int(kept.size()) + 1, 1);
    fitNumberColumns(int(kept.size()) + 1);
    LoadDetailRow();
    txtTotalCounter->setVisible(true);
    ComputeGrandTotal();
    ShowLineCounter();
    markUnsaved();
    return true;
}

void frmMain::ShowItemInfo()
{
    ui::Hourglass hourglass;
    // The item at the location and its master record, asked in one message.
    const QString code = txtProdCode->text();
    const db::Prefetch ahead(connection(), code.trimmed().isEmpty()
                                               ? QStringList()
                                               : clsItem::loadReads(code, cboLocation->Tag()));
    clsItem item;
    item.setActiveConnection(objCurrentUser->sqlconnection());
    if (item.LoadItem(txtProdCode->text(), cboLocation->Tag())) {
        txtProdCode->setText(item.ItemID());
        showItem(item, false);
        markResolved(item.ItemID(), cboLocation);
        return;
    }
    for (QLineEdit *box : {txtProdCode, txtProdName, txtListCost, txtPacking, txtOnhand,
                           txtAverageCost, txtUnitCost, txtUOM})
        box->clear();
    m_itemResolved = false;
}

bool frmMain::txtWithdraw_Validate()
{
    if (txtWithdraw->text().trimmed().isEmpty())
        txtWithdraw->setText(QStringLiteral("0"));
    if (!vb::isNumeric(txtWithdraw->text())) {
        ui::MsgBox(QStringLiteral("Invalid entry..."));
        return false;
    }
    // Refused, not shown cut: the box would show 1E+308 as a number of 309 digits.
    const QString tooLarge = linevalues::quantityProblem(vb::numericValue(txtWithdraw->text()));
    if (!tooLarge.isEmpty()) {
        ui::MsgBox(tooLarge, ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
        return false;
    }
    txtWithdraw->setText(
        vb::formatNumber(vb::numericValue(txtWithdraw->text()), QStringLiteral("#########0")));
    ComputeTotalCost();
    return true;
}

bool frmMain::txtUnitCost_Validate()
{
    if (txtUnitCost->text().trimmed().isEmpty())
        txtUnitCost->setText(QStringLiteral("0.00"));
    if (!vb::isNumeric(txtUnitCost->text())) {
        ui::MsgBox(QStringLiteral("Invalid entry..."));
        return false;
    }
    const double typed = vb::numericValue(txtUnitCost->text());
    // A negative cost is refused, not made 0; a cost is kept to the four decimals every engine
    // stores, and shown so.
    const QString problem = linevalues::costProblem(typed);
    if (!problem.isEmpty()) {
        ui::MsgBox(problem, ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("MESSAGE"));
        return false;
    }
    const double cost = linevalues::toScale(typed);
    txtAverageCost->setText(linevalues::money(cost));
    if (!(cost > 0))
        txtUnitCost->setText(QStringLiteral("0.00"));
    else
        txtUnitCost->setText(linevalues::money(cost));
    ComputeTotalCost();
    return true;
}

void frmMain::ComputeTotalCost()
{
    auto value = [](const QLineEdit *box) {
        return vb::isNumeric(box->text()) ? vb::numericValue(box->text()) : 0.0;
    };
    txtTotalCost->setText(
        linevalues::money(linevalues::lineTotalUnits(value(txtWithdraw), value(txtUnitCost))));
}

void frmMain::cmdOK_Click()
{
    txtTotalCounter->setVisible(true);
    // Read only once the text is known to be a number: a value too large for a double is refused
    // below as no number, not thrown.
    const double quantity =
        vb::isNumeric(txtWithdraw->text()) ? vb::numericValue(txtWithdraw->text()) : 0.0;
    const double onHand = vb::leadingNumber(txtOnhand->text());
    auto refuse = [](const QString &text, const QString &title, QWidget *focus) {
        ui::MsgBox(text, ui::Buttons::OK, ui::Icon::Information, title);
        focus->setFocus();
    };
    const QString message = QStringLiteral("MESSAGE");
    if (refusedAsReadOnly())
        return;
    // Only a code resolved to an item at the location becomes a line.
    if (txtProdCode->text().trimmed().isEmpty() || !entryResolved())
        return refuse(QStringLiteral("Invalid product code..."), message, txtProdCode);
    if (!vb::isNumeric(txtWithdraw->text()))
        return refuse(QStringLiteral("Invalid quantity..."), message, txtWithdraw);
    if (const QString tooLarge = linevalues::quantityProblem(vb::numericValue(txtWithdraw->text()));
        !tooLarge.isEmpty())
        return refuse(tooLarge, message, txtWithdraw);
    if (quantity == 0)
        return refuse(QStringLiteral("Please enter a value for Quantity."), message, txtWithdraw);
    if (!vb::isNumeric(txtUnitCost->text()) || vb::leadingNumber(txtUnitCost->text()) < 0)
        return refuse(QStringLiteral("Invalid unit cost..."), message, txtUnitCost);
    if (const QString problem = linevalues::costProblem(vb::numericValue(txtUnitCost->text()));
        !problem.isEmpty())
        return refuse(problem, message, txtUnitCost);
    if (quantity < 0)
        return refuse(QStringLiteral("Quantity must not be lesser than zero."),
                      QStringLiteral("HEY!"), txtWithdraw);
    if (AllowWDZeroOnHand && onHand <= 0) {
        ui::MsgBox(QStringLiteral("Zero Item Onhand"), ui::Buttons::OK, ui::Icon::Critical,
                   QStringLiteral("HEY!"));
        return refuse(QStringLiteral("Enter another item"), QStringLiteral("OK"), txtProdCode);
    }
    if (ClientName == QLatin1String("NORBEK") && onHand < quantity) // a warning: the line is kept
        ui::MsgBox(QStringLiteral("The requested quantity is greater than the current stock"),
                   ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("HEY!"));

    // The line as every engine stores it: its cost to four decimals, its total from the two.
    txtUnitCost->setText(linevalues::money(vb::numericValue(txtUnitCost->text())));
    ComputeTotalCost();
    StoreLine();
    cmdOK->setEnabled(false);
    ComputeGrandTotal();
    ShowLineCounter();
}

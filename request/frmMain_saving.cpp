// Saving a request, verifying it and cancelling it.
//
// A save is one transaction: the new number, the delete of the stored lines, one insert per coded
// grid line and the verification stamp commit together or not at all. On the embedded database the
// transaction starts with the write lock (BEGIN IMMEDIATE), so two workstations saving "NEW" at
// the same moment queue and take different numbers.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "dialogs/frmDeletePassword.h"
#include "platform/db/connection.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include <optional>

using namespace modInventory;

namespace {

db::Connection &connection()
{
    return *objCurrentUser->sqlconnection();
}

// The transaction date as the statements write it: '12/08/2026 01:13:29 AM' (month/day/year, the
// 12-hour clock, the English designator), the form the server reads whatever the workstation's
// language.
QString dateLiteral(const QDateTime &when)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QLatin1Char('\'') + english.toString(when, QStringLiteral("MM/dd/yyyy hh:mm:ss AP")) +
           QLatin1Char('\'');
}

// A quantity or unit cost cell as it goes, unquoted, into the insert. Plain numbers ("5",
// "12.5000") go as they are; other numeric text ("1,234.50", "(12)") as its plain number, so a
// grouping comma cannot split the value in two; text that is no number is refused, never sent.
QString numberCell(const QString &cell, int row, const QString &what)
{
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (plain.match(cell).hasMatch())
        return cell;
    if (vb::isNumeric(cell))
        return vb::plainNumber(vb::numericValue(cell));
    throw AppError(
        13, QStringLiteral("frmMain:SaveRequest"),
        QStringLiteral("Line %1: the %2 \"%3\" is not a number.").arg(row).arg(what, cell));
}

// What every line of a request repeats, each value ready for its place between quotes (the date
// literal brings its own).
struct Header
{
    QString docNum;
    QString transDate;
    QString location;
    QString target;
    QString employee;
    QString remarks;
};

// The insert of grid row r.
QString lineInsert(const ui::FlexGrid &grid, int r, const Header &h)
{
    const QString ads =
        QLatin1String(grid.TextMatrix(r, 6).trimmed() == QLatin1String("Y") ? "1" : "0");
    return QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, "
                          "Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
                          "TransDate, UserID, Remarks) ") +
           QStringLiteral("Values ('") + h.docNum + QStringLiteral("','") +
           db::sqlText(grid.TextMatrix(r, 0)) + QStringLiteral("',") +
           numberCell(grid.TextMatrix(r, 2), r, QStringLiteral("quantity")) + QStringLiteral(",") +
           numberCell(grid.TextMatrix(r, 3), r, QStringLiteral("unit cost")) +
           QStringLiteral(",'") + db::sqlText(grid.TextMatrix(r, 5)) + QStringLiteral("', '") +
           ads + QStringLiteral("', '") + h.location + QStringLiteral("', '") + h.target +
           QStringLiteral("', ") + h.transDate + QStringLiteral(", '") + h.employee +
           QStringLiteral("', '") + h.remarks + QStringLiteral("')");
}

// The Save button's refusals, in order; true when one of them stopped the save.
bool headerRefused(frmMain &w)
{
    if (w.cboTargetLocation->currentText().trimmed().isEmpty()) {
        ui::MsgBox(QStringLiteral("Invalid target location..."));
        w.cboTargetLocation->setFocus();
        return true;
    }
    if (w.txtDocNum->text().trimmed().isEmpty()) {
        ui::MsgBox(QStringLiteral("Invalid document number..."));
        w.txtDocNum->setFocus();
        return true;
    }
    // Numbers are whole numbers: the next number is the largest one plus one.
    static const QRegularExpression whole(QStringLiteral("^\\d+$"));
    if (!w.txtDocNum->isReadOnly() && !whole.match(w.txtDocNum->text().trimmed()).hasMatch()) {
        ui::MsgBox(QStringLiteral("The document number must be a whole number."), ui::Buttons::OK,
                   ui::Icon::Critical, QStringLiteral("MESSAGE"));
        w.txtDocNum->setFocus();
        return true;
    }
    // The lookup runs in every case; only a number the user typed can be refused by it.
    const bool exists = w.Verify_DocumentNumber(w.txtDocNum->text());
    if (!w.txtDocNum->isReadOnly() && exists) {
        ui::MsgBox(QStringLiteral("Document Number already exists. Please assign a new number."),
                   ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("MESSAGE"));
        w.txtDocNum->setFocus();
        return true;
    }
    return false;
}

} // namespace

void frmMain::connectSaving()
{
    onClick(cmdSave, &frmMain::cmdSave_Click);
    onClick(cmdVerify, &frmMain::cmdVerify_Click);
    onClick(cmdVerified, &frmMain::cmdVerified_Click);
    onClick(cmdDeleteReq, &frmMain::cmdDeleteReq_Click);
}

void frmMain::cmdSave_Click()
{
    if (headerRefused(*this))
        return;
    blnVerifyMode = false;
    if (SaveRequest()) {
        LoadListing();
        SSTab1->setCurrentIndex(0);
    }
}

void frmMain::cmdVerify_Click()
{
    // The same refusals as Save: without them a typed number that already exists would have its
    // stored request replaced, and an empty number would be saved as one.
    if (headerRefused(*this))
        return;
    blnVerifyMode = true;
    if (SaveRequest()) {
        LoadListing();
        SSTab1->setCurrentIndex(0);
    }
}

void frmMain::cmdVerified_Click()
{
    frmDeletePassword &dialog = frmDeletePassword::instance();
    dialog.exec();
    if (dialog.OKCharge())
        cmdSave_Click();
}

bool frmMain::SaveRequest()
{
    QString verifiedBy;
    if (blnVerifyMode) {
        frmDeletePassword &dialog = frmDeletePassword::instance();
        dialog.exec();
        if (!dialog.OKCharge())
            return false;
        verifiedBy = dialog.VerifyID();
    }

    std::optional<QString> failure;
    bool numberingFailed = false;
    bool numberTaken = false;
    {
        ui::Hourglass hourglass;
        try {
            db::Connection &c = connection();
            db::Transaction transaction(c);

            // The number is taken inside the transaction, under the write lock; the window shows
            // it only once the request is stored under it.
            QString number = txtDocNum->text();
            if (number == QLatin1String("NEW")) {
                if (!c.dialect().isSqlite()) {
                    // A server holds the lock from the first read of the table to the commit.
                    c.Execute(QStringLiteral("Select Count(*) From "
                                             "INVENTORY..tbInvWithdrawRequest WITH (UPDLOCK, "
                                             "HOLDLOCK)"));
                }
                try {
                    number = nextDocumentNumber();
                } catch (const AppError &) {
                    numberingFailed = true; // shown as the numbering shows it, after the rollback
                    throw;
                }
            } else if (!txtDocNum->isReadOnly()) {
                // A number the user typed for a new request was free when Save checked it; another
                // workstation may have saved under it since. Checked again under the write lock,
                // so neither request replaces the other's lines.
                if (!c.dialect().isSqlite()) {
                    c.Execute(QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest "
                                             "WITH (UPDLOCK, HOLDLOCK) Where DocumentNumber = '") +
                              db::sqlText(number.trimmed()) + QStringLiteral("'"));
                }
                if (Verify_DocumentNumber(number)) {
                    numberTaken = true;
                    throw AppError(0, QStringLiteral("frmMain:SaveRequest"),
                                   QStringLiteral("Document Number already exists. Please assign "
                                                  "a new number."));
                }
            }
            const QString docNum = db::sqlText(number.trimmed());
            const Header header{docNum,
                                dateLiteral(txtTransDate->dateTime()),
                                db::sqlText(cboLocation->Tag()),
                                db::sqlText(cboTargetLocation->Tag()),
                                db::sqlText(objCurrentUser->EmployeeCode()),
                                db::sqlText(txtRemarks->text())};

            // The trimmed number, as the inserts use: the stored lines are the ones replaced.
            c.Execute(QStringLiteral("Delete INVENTORY..tbInvWithdrawRequest Where "
                                     "DocumentNumber = '") +
                      docNum + QStringLiteral("'"));
            for (int r = 1; r < grdDetails->Rows(); ++r) {
                if (!grdDetails->TextMatrix(r, 0).trimmed().isEmpty())
                    c.Execute(lineInsert(*grdDetails, r, header));
            }
            if (blnVerifyMode) {
                c.Execute(QStringLiteral("Update Inventory..tbInvWithdrawRequest set "
                                         "Verifiedby = '") +
                          db::sqlText(verifiedBy) +
                          QStringLiteral("', verifiedDate = GetDate() where DocumentNumber = '") +
                          docNum + QStringLiteral("'"));
            }
            transaction.commit();
            txtDocNum->setText(number);
        } catch (const AppError &e) {
            failure = e.description();
        }
    }
    // Shown once the transaction is rolled back: no lock is held while the message waits.
    if (failure) {
        if (numberingFailed) {
            showNumberingFailure(*failure);
        } else if (numberTaken) {
            ui::MsgBox(*failure, ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("MESSAGE"));
            txtDocNum->setFocus();
        } else {
            ui::MsgBox(*failure);
        }
        return false;
    }
    return true;
}

void frmMain::cmdDeleteReq_Click()
{
    if (ui::MsgBox(QStringLiteral("Are you sure you want to delete this record?"),
                   ui::Buttons::YesNo, ui::Icon::Question,
                   QStringLiteral("Message")) != ui::Answer::Yes)
        return;
    const QString number =
        grdListing->Row() >= 1 ? grdListing->TextMatrix(grdListing->Row(), 0) : QString();
    connection().Execute(
        QStringLiteral("Update INVENTORY..tbInvWithDrawRequest set Status = 'D', ProcessDate = "
                       "getdate(), ProcessBy = '") +
        db::sqlText(objCurrentUser->EmployeeCode()) +
        QStringLiteral("'  where DocumentNumber = '") + db::sqlText(number) + QStringLiteral("'"));
    LoadListing();
}

void frmMain::VerifySaved(const QString &strDocNum, const QString &strVerifiedByID)
{
    try {
        connection().Execute(
            QStringLiteral("Update INVENTORY..tbInvWithdrawRequest Set VerifiedBy = '") +
            db::sqlText(strVerifiedByID) +
            QStringLiteral("', VerifiedDate = getdate() Where DocumentNumber = '") +
            db::sqlText(strDocNum) + QStringLiteral("'"));
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical,
                   QStringLiteral("Error Message"));
    }
}

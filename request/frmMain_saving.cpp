// Saving a request, verifying it and cancelling it.
//
// A save is one transaction: the new number, the delete of the stored lines, one insert per coded
// grid line and the verification stamp commit together or not at all. On a server it is two round
// trips whatever the number of lines: the lock and the reads the save decides on, then the writes
// with the commit (Connection::Queue holds each write back until then). On the embedded database
// the transaction starts with the write lock (BEGIN IMMEDIATE), so two workstations saving "NEW" at
// the same moment queue and take different numbers.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "app/requesthistory.h"
#include "app/vbformat.h"
#include "dialogs/frmDeletePassword.h"
#include "platform/db/connection.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/linevalues.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>

#include <optional>

using namespace modInventory;

namespace {

// A quantity or unit cost cell as it goes, unquoted, into the insert. Plain numbers of at most
// four decimals ("5", "12.5000") go as they are; other numeric text ("1,234.50", "(12)", more
// decimals) as its plain number at the columns' scale, so a grouping comma cannot split the value
// in two and every engine stores the same value. Text that is no number, and a value past the
// line's limits, are refused, never sent.
QString numberCell(const QString &cell, int row, const QString &what)
{
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]{1,8}(\\.[0-9]{1,4})?$"));
    const auto refuse = [&](const QString &why) {
        return AppError(13, QStringLiteral("frmMain:SaveRequest"),
                        QStringLiteral("Line %1: the %2 \"%3\" %4").arg(row).arg(what, cell, why));
    };
    if (!vb::isNumeric(cell))
        throw refuse(QStringLiteral("is not a number."));
    const double value = vb::numericValue(cell);
    const QString problem = what == QLatin1String("quantity") ? linevalues::quantityProblem(value)
                                                              : linevalues::costProblem(value);
    if (!problem.isEmpty())
        throw refuse(QStringLiteral("cannot be saved. ") + problem);
    if (plain.match(cell).hasMatch())
        return cell;
    return vb::plainNumber(linevalues::toScale(value));
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
    // A typed number is a request number, written as the numbering counts it ("0010" is 10), so
    // a new request never takes a number another request has in another form, and the next
    // number always follows it.
    if (!w.txtDocNum->isReadOnly() && w.txtDocNum->text() != QLatin1String("NEW")) {
        const std::optional<qint64> number = frmMain::typedRequestNumber(w.txtDocNum->text());
        if (!number) {
            ui::MsgBox(QStringLiteral("The document number must be a whole number from 1 to %1.")
                           .arg(frmMain::MaxRequestNumber),
                       ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("MESSAGE"));
            w.txtDocNum->setFocus();
            return true;
        }
        w.txtDocNum->setText(QString::number(*number));
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

QString frmMain::lineStatement(const ui::FlexGrid &grid, int row, const LineHeader &header)
{
    const QString ads =
        QLatin1String(grid.TextMatrix(row, 6).trimmed() == QLatin1String("Y") ? "1" : "0");
    return QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, "
                          "Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, "
                          "TransDate, UserID, Remarks) ") +
           QStringLiteral("Values ('") + db::sqlText(header.docNum.trimmed()) +
           QStringLiteral("','") + db::sqlText(grid.TextMatrix(row, 0)) + QStringLiteral("',") +
           numberCell(grid.TextMatrix(row, 2), row, QStringLiteral("quantity")) +
           QStringLiteral(",") +
           numberCell(grid.TextMatrix(row, 3), row, QStringLiteral("unit cost")) +
           QStringLiteral(",'") + db::sqlText(grid.TextMatrix(row, 5)) + QStringLiteral("', '") +
           ads + QStringLiteral("', '") + db::sqlText(header.location) + QStringLiteral("', '") +
           db::sqlText(header.target) + QStringLiteral("', ") + db::dateLiteral(header.transDate) +
           QStringLiteral(", '") + db::sqlText(header.employee) + QStringLiteral("', '") +
           db::sqlText(header.remarks) + QStringLiteral("')");
}

void frmMain::connectSaving()
{
    onClick(cmdSave, &frmMain::cmdSave_Click);
    onClick(cmdVerify, &frmMain::cmdVerify_Click);
    onClick(cmdVerified, &frmMain::cmdVerified_Click);
    onClick(cmdDeleteReq, &frmMain::cmdDeleteReq_Click);
}

void frmMain::cmdSave_Click()
{
    std::optional<db::Prefetch> ahead;
    readAheadForSave(ahead);
    if (headerRefused(*this))
        return;
    blnVerifyMode = false;
    const bool isNew = !txtDocNum->isReadOnly() || txtDocNum->text() == QLatin1String("NEW");
    if (SaveRequest()) {
        const QString number = txtDocNum->text().trimmed();
        showSaved(number, isNew ? QStringLiteral("Saved as request %1").arg(number)
                                : QStringLiteral("Request %1 saved").arg(number));
    }
}

void frmMain::showSaved(const QString &number, const QString &said)
{
    // The list the request now belongs to, with the request selected; what was done in the
    // status line, with nothing to dismiss.
    const bool verified = blnVerifyMode;
    optOptions[0]->setChecked(true);
    chkverified->setEnabled(true);
    if (chkverified->isChecked() != verified) {
        chkverified->setChecked(verified);
        chkverified_Click();
    } else {
        LoadListing();
    }
    SSTab1->setCurrentIndex(0);
    for (int r = 1; r < grdListing->Rows(); ++r) {
        if (grdListing->TextMatrix(r, 0).trimmed() == number) {
            grdListing->setRow(r);
            break;
        }
    }
    statusBar()->showMessage(said);
}

void frmMain::cmdVerify_Click()
{
    // The same refusals as Save: without them a typed number that already exists would have its
    // stored request replaced, and an empty number would be saved as one.
    std::optional<db::Prefetch> ahead;
    readAheadForSave(ahead);
    if (headerRefused(*this))
        return;
    blnVerifyMode = true;
    if (SaveRequest()) {
        const QString number = txtDocNum->text().trimmed();
        showSaved(number,
                  QStringLiteral("Request %1 verified by %2").arg(number, m_lastVerifiedBy));
    }
}

void frmMain::cmdVerified_Click()
{
    frmDeletePassword &dialog = frmDeletePassword::instance();
    dialog.setRequest(txtDocNum->text().trimmed() == QLatin1String("NEW")
                          ? QString()
                          : txtDocNum->text().trimmed());
    dialog.exec();
    if (dialog.OKCharge())
        cmdSave_Click();
}

namespace {

// What a request's stored lines say of it, read under the save's lock: who requested it, whether
// it is processed ('P') or cancelled ('D'), and its version (empty when nothing is stored).
struct StoredRequest
{
    bool exists = false;
    QString requester;
    QString status;
    QString version;
    int lines = 0;
};

// On a server the lock is held from this read of the number's lines to the commit; the embedded
// file holds its write lock from the transaction's start. Nothing waits on its result: it goes
// with the read that follows.
void lockLines(db::Connection &c, const QString &docNum)
{
    c.Lock(QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest WITH "
                          "(UPDLOCK, HOLDLOCK) Where DocumentNumber = '") +
           docNum + QStringLiteral("'"));
}

// The header and lines as stored, as the history keeps them, from the first row of rs on.
requesthistory::Version snapshotOf(db::Recordset &rs, const QString &requester)
{
    requesthistory::Version snapshot;
    const auto text = [&rs](const char *field) {
        return rs.HasField(QLatin1String(field))
                   ? NullToDefault(rs.Fields(QLatin1String(field)), QString()).toString()
                   : QString();
    };
    snapshot.number = text("DocumentNumber").trimmed();
    snapshot.location = text("LocationID");
    snapshot.target = text("TargetLocationID");
    snapshot.requester = requester;
    snapshot.remarks = text("Remarks");
    snapshot.verifiedBy = text("VerifiedBy").trimmed();
    if (rs.HasField(QStringLiteral("TransDate")) &&
        !rs.Fields(QStringLiteral("TransDate")).IsNull())
        snapshot.transDate = rs.Fields(QStringLiteral("TransDate")).toDate();
    for (; !rs.Eof(); rs.MoveNext()) {
        const auto number = [&rs](const char *field) {
            const db::Field f = rs.Fields(QLatin1String(field));
            return f.IsNull() ? QStringLiteral("0") : vb::plainNumber(f.toDouble());
        };
        snapshot.lines.append(
            requesthistory::Line{.code = text("ItemID"),
                                 .quantity = number("Quantity"),
                                 .unitCost = number("UnitCost"),
                                 .retail = text("ForRetail"),
                                 .ads = !rs.Fields(QStringLiteral("isADS")).IsNull() &&
                                        rs.Fields(QStringLiteral("isADS")).toDouble() != 0});
    }
    return snapshot;
}

// The request read as opening it reads it, so its version compares with the one taken then.
// snapshot, when given, takes what the history keeps of it (only a cancellation needs it).
StoredRequest storedRequest(db::Connection &c, const QString &docNum,
                            requesthistory::Version *snapshot = nullptr)
{
    db::Recordset rs = c.OpenRecordset(QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
                                       docNum + QStringLiteral("'"));
    StoredRequest stored;
    if (rs.Eof())
        return stored;
    stored.exists = true;
    stored.requester = NullToDefault(rs.Fields(QStringLiteral("UserID")), QString()).toString();
    const bool hasStatus = rs.HasField(QStringLiteral("Status"));
    for (; hasStatus && !rs.Eof(); rs.MoveNext()) {
        const QString status = NullToDefault(rs.Fields(QStringLiteral("Status")), QString())
                                   .toString()
                                   .trimmed()
                                   .toUpper();
        if (status == QLatin1String("P") || status == QLatin1String("D")) {
            stored.status = status;
            break;
        }
    }
    rs.MoveFirst();
    stored.version = frmMain::requestVersion(rs, &stored.lines);
    if (snapshot) {
        rs.MoveFirst();
        *snapshot = snapshotOf(rs, stored.requester);
    }
    return stored;
}

QString finalMessage(const QString &status)
{
    return status == QLatin1String("P")
               ? QStringLiteral("This request has been processed and can no longer be changed.")
               : QStringLiteral("This request has been cancelled and can no longer be changed.");
}

} // namespace

bool frmMain::isFinalStatus(const QString &status)
{
    return status == QLatin1String("P") || status == QLatin1String("D");
}

void frmMain::setFinalStatus(const QString &status)
{
    m_finalStatus = status;
    lblFinal->setToolTip(QString());
    lblFinal->setText(status == QLatin1String("P")   ? QStringLiteral("Processed: read only")
                      : status == QLatin1String("D") ? QStringLiteral("Cancelled: read only")
                                                     : QString());
    lblFinal->setVisible(isFinalStatus(status));
}

bool frmMain::refusedAsFinal()
{
    if (!isFinalStatus(m_finalStatus))
        return false;
    ui::MsgBox(finalMessage(m_finalStatus), ui::Buttons::OK, ui::Icon::Information,
               QStringLiteral("MESSAGE"));
    return true;
}

bool frmMain::refusedAsEmpty()
{
    for (int r = 1; r < grdDetails->Rows(); ++r) {
        if (!grdDetails->TextMatrix(r, 0).trimmed().isEmpty())
            return false;
    }
    ui::MsgBox(QStringLiteral("There are no item lines to save. Add at least one item, or use "
                              "Delete in the list to cancel a saved request."),
               ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
    if (txtProdCode->isVisible())
        txtProdCode->setFocus();
    return true;
}

bool frmMain::SaveRequest()
{
    // The look for requests alike keeps one cut-off for the whole save.
    const auto forgetCutOff = qScopeGuard([this] { m_duplicatesSince = QDateTime(); });
    // Refused before anyone is asked for a password, and before a number is taken.
    if (refusedAsReadOnly() || refusedAsEmpty())
        return false;
    // A save the server never confirmed is settled first: saving "NEW" again could store the
    // request twice.
    if (m_unconfirmed) {
        switch (settleUnconfirmedSave()) {
        case Settled::Pending:
            return false;
        case Settled::Stored:
            return true;
        case Settled::NotStored:
            break;
        }
    }
    if (m_overwriteVersion &&
        ui::MsgBox(QStringLiteral("Request %1 was changed at another workstation since you "
                                  "opened it. Save your version over it?")
                       .arg(txtDocNum->text().trimmed()),
                   ui::Buttons::YesNo, ui::Icon::Exclamation,
                   QStringLiteral("Message")) != ui::Answer::Yes)
        return false;
    // A new request like an open one is saved only when the user says so; nothing is locked
    // while the question waits.
    if (isNewRequest() && !duplicatesAccepted())
        return false;
    QString verifiedBy;
    if (blnVerifyMode) {
        frmDeletePassword &dialog = frmDeletePassword::instance();
        dialog.setRequest(txtDocNum->text().trimmed() == QLatin1String("NEW")
                              ? QString()
                              : txtDocNum->text().trimmed());
        dialog.exec();
        if (!dialog.OKCharge())
            return false;
        verifiedBy = dialog.VerifyID();
        m_lastVerifiedBy = verifiedBy.trimmed();
    }

    std::optional<QString> failure;
    SaveRefusal refusal = SaveRefusal::None;
    const QString versionBefore = openedVersion();
    QString number;
    // Saved again when the user, told of a request like this one saved meanwhile, goes on.
    do {
        failure.reset();
        refusal = SaveRefusal::None;
        ui::Hourglass hourglass;
        try {
            txtDocNum->setText(writeRequest(verifiedBy, refusal, number));
        } catch (const db::DbError &e) {
            failure = e.description();
            if (e.kind() == db::DbError::Kind::OutcomeUnknown) {
                refusal = SaveRefusal::Unconfirmed;
            } else if (e.kind() == db::DbError::Kind::TimedOut) {
                failure = e.description() + QStringLiteral(" Nothing was saved; your lines are "
                                                           "still on screen.");
            }
        } catch (const AppError &e) {
            failure = e.description();
        }
    } while (refusal == SaveRefusal::Duplicates && duplicatesAcceptedAgain());
    // Shown once the transaction is rolled back: no lock is held while the message waits.
    if (!failure) {
        markSaved();
        m_lastDepartment = cboTargetLocation->currentText(); // where the next new one starts
        return true;
    }
    switch (refusal) {
    case SaveRefusal::Numbering:
        showNumberingFailure(*failure);
        break;
    case SaveRefusal::NumberTaken:
        ui::MsgBox(*failure, ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("MESSAGE"));
        txtDocNum->setFocus();
        break;
    case SaveRefusal::Final:
        ui::MsgBox(*failure, ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
        break;
    case SaveRefusal::Changed:
        offerReopen(*failure);
        break;
    case SaveRefusal::Unconfirmed:
        m_unconfirmed = UnconfirmedSave{number, versionBefore};
        ui::MsgBox(*failure + QStringLiteral(" The program checks as soon as the server answers "
                                             "again; your lines stay on screen."),
                   ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("Message"));
        return settleUnconfirmedSave() == Settled::Stored;
    case SaveRefusal::Duplicates: // the user went back to the request
        break;
    case SaveRefusal::None:
        ui::MsgBox(*failure, ui::Buttons::OK, ui::Icon::Critical);
        break;
    }
    return false;
}

void frmMain::offerReopen(const QString &why)
{
    const QString number = txtDocNum->text().trimmed();
    if (ui::MsgBox(why + QStringLiteral("\n\nReopen request %1 as it is stored now? Your changes "
                                        "on screen would be lost.\n\nNo keeps your lines on "
                                        "screen; Save then asks before saving them over the "
                                        "stored request.")
                             .arg(number),
                   ui::Buttons::YesNo, ui::Icon::Exclamation,
                   QStringLiteral("Message")) == ui::Answer::Yes) {
        loadStoredRequest(number);
        return;
    }
    txtProdCode->setFocus();
}

frmMain::Settled frmMain::settleUnconfirmedSave()
{
    const UnconfirmedSave pending = *m_unconfirmed;
    StoredRequest stored;
    try {
        ui::Hourglass hourglass;
        // The session that was sent the commit must be gone before the stored rows tell.
        if (!connection().abandonedWorkSettled())
            throw AppError(0, QStringLiteral("frmMain:SaveRequest"),
                           QStringLiteral("The server has not finished with it yet."));
        stored = storedRequest(connection(), db::sqlText(pending.number.trimmed()));
    } catch (const AppError &e) {
        ui::MsgBox(QStringLiteral("Whether request %1 was saved is not known yet. %2 Press Save "
                                  "again to ask once more; your lines stay on screen.")
                       .arg(pending.number.trimmed(), e.description()),
                   ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("Message"));
        return Settled::Pending;
    }
    m_unconfirmed.reset();
    if (stored.version != pending.versionBefore) {
        // The commit went through: the window shows the request under its number, stored.
        txtDocNum->setText(pending.number);
        txtDocNum->setReadOnly(true);
        setOpenedVersion(stored.version);
        markSaved();
        ui::MsgBox(QStringLiteral("The server has answered: request %1 was saved.")
                       .arg(pending.number.trimmed()),
                   ui::Buttons::OK, ui::Icon::Information, QStringLiteral("Message"));
        return Settled::Stored;
    }
    ui::MsgBox(QStringLiteral("The server has answered: the last save of request %1 did not go "
                              "through. Your lines are still on screen.")
                   .arg(pending.number.trimmed()),
               ui::Buttons::OK, ui::Icon::Information, QStringLiteral("Message"));
    return Settled::NotStored;
}

QString frmMain::writeRequest(const QString &verifiedBy, SaveRefusal &refusal, QString &number)
{
    db::Connection &c = connection();
    db::Transaction transaction(c);
    const QString source = QStringLiteral("frmMain:SaveRequest");

    // The number is taken inside the transaction, under the write lock; the window shows it only
    // once the request is stored under it.
    number = txtDocNum->text();
    StoredRequest stored;
    // The open requests like a new one, read again under the lock: one saved since the user was
    // asked is shown before this one is saved.
    db::Recordset duplicates;
    if (number == QLatin1String("NEW")) {
        // The lock is held from the first read of the table to the commit.
        c.Lock(QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest WITH "
                              "(UPDLOCK, HOLDLOCK)"));
        try {
            number = takeNewNumber(c, duplicatesStatement(true), &duplicates);
        } catch (const db::DbError &e) {
            // The locking read goes out with the numbering's: its failure is a failed save.
            if (e.statement() == nextNumberStatement() ||
                e.statement() == nextNumberLinesStatement())
                refusal = SaveRefusal::Numbering;
            throw;
        } catch (const AppError &) {
            refusal = SaveRefusal::Numbering;
            throw;
        }
        if (unseenDuplicates(duplicates, QString())) {
            refusal = SaveRefusal::Duplicates;
            throw AppError(0, source,
                           QStringLiteral("A request like this one was saved meanwhile."));
        }
    } else {
        const QString docNum = db::sqlText(number.trimmed());
        lockLines(c, docNum);
        stored = storedRequest(c, docNum);
        if (!txtDocNum->isReadOnly() && stored.exists) {
            // A number typed for a new request was free when Save checked it; another
            // workstation may have saved under it since. Neither request replaces the other's.
            refusal = SaveRefusal::NumberTaken;
            throw AppError(0, source,
                           QStringLiteral("Document Number already exists. Please assign a new "
                                          "number."));
        }
        if (isFinalStatus(stored.status)) {
            // Processed or cancelled since it was opened, perhaps at another workstation.
            setFinalStatus(stored.status);
            refusal = SaveRefusal::Final;
            throw AppError(0, source, finalMessage(stored.status));
        }
        // A stored request is saved over only as it was shown: a save, verification or
        // cancellation at another workstation since then is never overwritten unasked.
        const QString expected = m_overwriteVersion.value_or(openedVersion());
        if (txtDocNum->isReadOnly() && stored.version != expected) {
            refusal = SaveRefusal::Changed;
            const QString change = describeChange(docNum);
            m_overwriteVersion = stored.version;
            throw AppError(0, source,
                           QStringLiteral("Request %1 was %2 since you opened it. Nothing was "
                                          "saved; your lines are still on screen.")
                               .arg(number.trimmed(), change));
        }
        if (!txtDocNum->isReadOnly()) {
            duplicates = c.OpenRecordset(duplicatesStatement(true));
            if (unseenDuplicates(duplicates, number)) {
                refusal = SaveRefusal::Duplicates;
                throw AppError(0, source,
                               QStringLiteral("A request like this one was saved meanwhile."));
            }
        }
    }
    // A stored request keeps the employee who requested it; a new one is the signed-in user's.
    const QString requester = stored.exists && !stored.requester.trimmed().isEmpty()
                                  ? stored.requester
                                  : objCurrentUser->EmployeeCode();
    const QString docNum = db::sqlText(number.trimmed());
    const LineHeader header{.docNum = number,
                            .transDate = txtTransDate->dateTime(),
                            .location = cboLocation->Tag(),
                            .target = cboTargetLocation->Tag(),
                            .employee = requester,
                            .remarks = txtRemarks->text()};

    // The trimmed number, as the inserts use: the stored lines are the ones replaced. A new
    // request's number was checked above to hold none: its save deletes nothing.
    // The writes go out together with the commit.
    if (stored.exists)
        c.Queue(QStringLiteral("Delete INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '") +
                docNum + QStringLiteral("'"));
    for (int r = 1; r < grdDetails->Rows(); ++r) {
        if (!grdDetails->TextMatrix(r, 0).trimmed().isEmpty())
            c.Queue(lineStatement(*grdDetails, r, header));
    }
    if (blnVerifyMode) {
        c.Queue(QStringLiteral("Update Inventory..tbInvWithdrawRequest set Verifiedby = '") +
                db::sqlText(verifiedBy) +
                QStringLiteral("', verifiedDate = GetDate() where DocumentNumber = '") + docNum +
                QStringLiteral("'"));
    }
    // What the request became, kept as its next version with the same commit.
    requesthistory::Version version;
    version.number = number.trimmed();
    version.action = blnVerifyMode ? requesthistory::Verified : requesthistory::Saved;
    version.employee = objCurrentUser->EmployeeCode();
    version.location = header.location;
    version.target = header.target;
    version.transDate = header.transDate;
    version.requester = requester;
    version.remarks = header.remarks;
    version.verifiedBy = blnVerifyMode ? verifiedBy.trimmed() : QString();
    for (int r = 1; r < grdDetails->Rows(); ++r) {
        if (grdDetails->TextMatrix(r, 0).trimmed().isEmpty())
            continue;
        const auto stored = [&](int column, const QString &what) {
            return vb::plainNumber(
                vb::numericValue(numberCell(grdDetails->TextMatrix(r, column), r, what)));
        };
        version.lines.append(requesthistory::Line{
            .code = grdDetails->TextMatrix(r, 0),
            .quantity = stored(2, QStringLiteral("quantity")),
            .unitCost = stored(3, QStringLiteral("unit cost")),
            .retail = grdDetails->TextMatrix(r, 5),
            .ads = grdDetails->TextMatrix(r, 6).trimmed() == QLatin1String("Y")});
    }
    c.Queue(requesthistory::insertStatement(version));
    transaction.commit();
    return number;
}

namespace {

// A listed or shown request as the Delete question names it.
struct CancelTarget
{
    QString number;
    QString department; // the requesting department's name
};

} // namespace

void frmMain::cmdDeleteReq_Click()
{
    // Delete acts on the request the user is looking at: the highlighted row of the list, or the
    // request on the Details tab.
    CancelTarget target;
    const bool onList = SSTab1->currentIndex() == 0;
    if (onList) {
        if (grdListing->isEnabled() && grdListing->Rows() > 1 && grdListing->Row() >= 1) {
            target.number = grdListing->TextMatrix(grdListing->Row(), 0).trimmed();
            target.department = grdListing->TextMatrix(grdListing->Row(), 1).trimmed();
        }
        if (target.number.isEmpty()) {
            ui::MsgBox(QStringLiteral("There is no request to cancel. Choose a request in the "
                                      "list first."),
                       ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
            return;
        }
    } else {
        if (txtDocNum->text().trimmed() == QLatin1String("NEW") || !txtDocNum->isReadOnly() ||
            txtDocNum->text().trimmed().isEmpty()) {
            ui::MsgBox(QStringLiteral("This request has not been saved, so there is nothing to "
                                      "cancel. Use Cancel to leave it without saving."),
                       ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
            return;
        }
        if (refusedAsFinal())
            return;
        target.number = txtDocNum->text().trimmed();
        target.department = cboTargetLocation->currentText().trimmed();
    }
    // The "Processed" list holds processed requests only: refused before anything is asked.
    if (onList && optOptions[1]->isChecked()) {
        ui::MsgBox(QStringLiteral("This request has been processed and cannot be cancelled."),
                   ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
        return;
    }
    const QString docNum = db::sqlText(target.number);
    // What the question names, read as the request stands now; on the Details tab a change
    // since it was opened is said first.
    StoredRequest shown;
    {
        ui::Hourglass hourglass;
        shown = storedRequest(connection(), docNum);
    }
    if (!shown.exists) {
        ui::MsgBox(QStringLiteral("Request %1 is not stored, so there is nothing to cancel.")
                       .arg(target.number),
                   ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
        return;
    }
    // Processed or cancelled since the list or the request was shown: nothing to ask.
    if (shown.status == QLatin1String("P") || shown.status == QLatin1String("D")) {
        if (!onList)
            setFinalStatus(shown.status);
        ui::MsgBox(shown.status == QLatin1String("P")
                       ? QStringLiteral("This request has been processed and cannot be cancelled.")
                       : QStringLiteral("This request has already been cancelled."),
                   ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
        LoadListing();
        return;
    }
    QString changed;
    if (!onList && shown.version != openedVersion())
        changed = QStringLiteral("Request %1 was %2 since you opened it.\n\n")
                      .arg(target.number, describeChange(docNum));
    const QString requester = requesterName(shown.requester);
    if (ui::MsgBox(
            changed + QStringLiteral("Are you sure you want to delete this record?") +
                QStringLiteral("\n\nRequest %1 from %2, requested by %3, %4.")
                    .arg(target.number, target.department, requester,
                         counted(shown.lines, QStringLiteral("line"), QStringLiteral("lines"))),
            ui::Buttons::YesNo, ui::Icon::Question, QStringLiteral("Message")) != ui::Answer::Yes)
        return;
    std::optional<QString> refused;
    {
        ui::Hourglass hourglass;
        db::Connection &c = connection();
        db::Transaction transaction(c);
        lockLines(c, docNum);
        // Checked again under the lock: it may have been processed, cancelled or changed since
        // the question was asked.
        requesthistory::Version snapshot;
        const StoredRequest stored = storedRequest(c, docNum, &snapshot);
        if (stored.status == QLatin1String("P")) {
            refused = QStringLiteral("This request has been processed and cannot be cancelled.");
        } else if (stored.status == QLatin1String("D")) {
            refused = QStringLiteral("This request has already been cancelled.");
        } else if (stored.version != shown.version) {
            refused = QStringLiteral("Request %1 was %2 while you were asked. Nothing was "
                                     "cancelled; look at it again before cancelling it.")
                          .arg(target.number, describeChange(docNum));
        } else {
            c.Queue(QStringLiteral("Update INVENTORY..tbInvWithDrawRequest set Status = 'D', "
                                   "ProcessDate = getdate(), ProcessBy = '") +
                    db::sqlText(objCurrentUser->EmployeeCode()) +
                    QStringLiteral("'  where DocumentNumber = '") + docNum + QStringLiteral("'"));
            requesthistory::Version version = snapshot;
            version.number = target.number;
            version.action = requesthistory::Cancelled;
            version.employee = objCurrentUser->EmployeeCode();
            c.Queue(requesthistory::insertStatement(version));
            transaction.commit();
        }
    }
    if (refused)
        ui::MsgBox(*refused, ui::Buttons::OK, ui::Icon::Information, QStringLiteral("MESSAGE"));
    else if (!onList)
        setFinalStatus(QStringLiteral("D")); // the request shown is cancelled: read only now
    if (!onList && !refused)
        markSaved();
    LoadListing();
}

QString frmMain::requesterName(const QString &employee)
{
    const db::Recordset rs = connection().OpenRecordset(
        QStringLiteral("Select Top 1 LastName + ', ' + FirstName as Name From "
                       "Password..tbPasswordMain Where EmployeeID = '") +
        db::sqlText(employee) + QStringLiteral("'"));
    const QString name =
        rs.Eof() ? QString()
                 : NullToDefault(rs.Fields(QStringLiteral("Name")), QString()).toString();
    return name.trimmed().isEmpty() ? employee : name.trimmed();
}

QString frmMain::describeChange(const QString &docNum)
{
    db::Recordset rs = connection().OpenRecordset(
        QStringLiteral("Select Top 1 Status, ProcessBy, ProcessDate, VerifiedBy, VerifiedDate "
                       "From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '") +
        docNum + QStringLiteral("' Order By IsNull(Status,'') Desc"));
    if (rs.Eof())
        return QStringLiteral("removed at another workstation");
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    const auto text = [&](const char *field) {
        return NullToDefault(rs.Fields(QLatin1String(field)), QString()).toString().trimmed();
    };
    const auto when = [&](const char *field) {
        const db::Field f = rs.Fields(QLatin1String(field));
        return f.IsNull() ? QString()
                          : QStringLiteral(" on ") +
                                english.toString(f.toDate(), QStringLiteral("MM/dd/yyyy hh:mm AP"));
    };
    const QString status = text("Status").toUpper();
    if (status == QLatin1String("D"))
        return QStringLiteral("cancelled by %1%2").arg(text("ProcessBy"), when("ProcessDate"));
    if (status == QLatin1String("P"))
        return QStringLiteral("processed by %1%2").arg(text("ProcessBy"), when("ProcessDate"));
    if (!text("VerifiedBy").isEmpty())
        return QStringLiteral("verified by %1%2").arg(text("VerifiedBy"), when("VerifiedDate"));
    return QStringLiteral("saved again at another workstation");
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

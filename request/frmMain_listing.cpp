// The list of requests addressed to the user's locations, and loading one of them back.
#include "request/frmMain.h"

#include "request/linevalues.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "objects/clsItem.h"
#include "platform/db/connection.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVarLengthArray>

#include <cstring>

using namespace modInventory;

namespace {

QString textOf(const db::Field &field)
{
    return NullToDefault(field, QString()).toString();
}

// Each listed request's date as "11/19/2026 11:30 AM", or shorter where the column's width and
// the screen's font need it; the stored value, seconds and all, as the cell's tooltip.
void shortenListedDates(ui::FlexGrid &grid)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime widest(QDate(2028, 12, 28), QTime(12, 58));
    const int room =
        grid.columnWidth(3) -
        2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1);
    QString format;
    for (const char *candidate : {"MM/dd/yyyy hh:mm AP", "MM/dd/yy hh:mm AP", "MM/dd/yy HH:mm"}) {
        format = QLatin1String(candidate);
        if (grid.fontMetrics().horizontalAdvance(english.toString(widest, format)) <= room)
            break;
    }
    const ui::FlexGrid::Filling filling(grid);
    for (int r = 1; r < grid.Rows(); ++r) {
        const QString stored = grid.TextMatrix(r, 3);
        // Read and shown as the wall-clock time stored: as UTC, no time zone is looked up for
        // each of a long list's dates.
        if (stored.size() < 19 || stored.at(10) != QLatin1Char(' '))
            continue; // shown as it came
        const QDate day = QDate::fromString(stored.left(10), Qt::ISODate);
        const QTime time = QTime::fromString(stored.mid(11), Qt::ISODateWithMs);
        if (!day.isValid() || !time.isValid())
            continue;
        const QDateTime when(day, time, Qt::UTC);
        grid.setTextMatrix(r, 3, english.toString(when, format));
        grid.setCellToolTip(r, 3, stored);
    }
}

} // namespace

void frmMain::connectListing()
{
    // A double-click opens the request as Edit does, where Edit may (not on the verified lists).
    connect(grdListing, &ui::FlexGrid::DblClick, this, [this] {
        if (cmdEdit->isEnabled())
            guarded([this] { cmdEdit_Click(); });
    });
    for (int i = 0; i < 2; ++i)
        connect(optOptions[i], &QRadioButton::clicked, this,
                [this, i] { guarded([this, i] { optOptions_Click(i); }); });
    connect(chkverified, &QCheckBox::clicked, this,
            [this] { guarded([this] { chkverified_Click(); }); });
}

void frmMain::optOptions_Click(int index)
{
    // Processed requests are verified ones: the box follows the choice, as if clicked.
    const bool processed = index == 1;
    chkverified->setEnabled(!processed);
    if (chkverified->isChecked() != processed) {
        chkverified->setChecked(processed);
        chkverified_Click();
    }
    LoadListing();
}

void frmMain::chkverified_Click()
{
    LoadListing();
    // The verified lists are browsed and printed from; their requests are not edited here. The
    // grid stays enabled when it has rows, so View and Delete act on the row chosen.
    const bool verified = chkverified->isChecked();
    if (!verified)
        grdListing->setEnabled(true); // even when the listing is empty
    cmdEdit->setEnabled(!verified);
    cmdDetails->setEnabled(!verified);
}

QString frmMain::listingStatement(const QString &employee, bool processed, bool verified,
                                  bool distinctFirst)
{
    const QString status = !processed ? QStringLiteral(" isnull(A.Status,'') = '' ")
                                      : QStringLiteral(" A.Status = 'P' ");
    const QString verification = verified ? QStringLiteral(" and isnull(verifiedby,'')<> '' ")
                                          : QStringLiteral(" and isnull(verifiedby,'') = '' ");
    if (distinctFirst) {
        // Each request once from its lines (a request's lines share what is read of them), and
        // only then its locations and requester: the rows of the statement below, without
        // looking the requester up for every line. The outer distinct keeps two requests apart
        // only where the list shows them apart, as that statement does.
        return QStringLiteral("Select distinct A.DocumentNumber , B.Location , C.Location ,"
                              "A.TransDate , (Select Top 1 LastName + ', ' + FirstName From "
                              "Password..tbPasswordMain Where EmployeeID = A.UserID) "
                              "from (Select distinct A.DocumentNumber, A.TargetLocationID, "
                              "A.LocationID, A.TransDate, A.UserID "
                              "from INVENTORY..tbinvwithdrawrequest A "
                              "Inner Join INVENTORY..tbinvUserLocation D "
                              "On A.LocationID = D.LocationID Where D.UserID = '") +
               db::sqlText(employee) + QStringLiteral("' and ") + status + verification +
               QStringLiteral(") A Left Outer Join INVENTORY..tbinvlocation B "
                              "On A.TargetLocationID = B.LocationID "
                              "Left Outer Join INVENTORY..tbinvLocation C "
                              "On A.LocationId = C.LocationID Order By Transdate");
    }
    return QStringLiteral("Select distinct A.DocumentNumber , B.Location ,") +
           QStringLiteral(" C.Location ,A.TransDate ,") +
           QStringLiteral(
               " (Select Top 1 LastName + ', ' + FirstName From Password..tbPasswordMain "
               "Where EmployeeID = A.UserID) ") +
           QStringLiteral(" from INVENTORY..tbinvwithdrawrequest A ") +
           QStringLiteral(" Left Outer Join INVENTORY..tbinvlocation B") +
           QStringLiteral(" On A.TargetLocationID = B.LocationID") +
           QStringLiteral(" Left Outer Join INVENTORY..tbinvLocation C") +
           QStringLiteral(" On A.LocationId = C.LocationID") +
           QStringLiteral(" Left Outer Join INVENTORY..tbinvUserLocation D") +
           QStringLiteral(" On A.LocationID = D.LocationID") +
           QStringLiteral(" Where D.UserID = '") + db::sqlText(employee) +
           QStringLiteral("' and ") + status + verification + QStringLiteral("Order By Transdate");
}

void frmMain::LoadListing()
{
    ui::Hourglass hourglass;
    try {
        const QString sql =
            listingStatement(objCurrentUser->EmployeeCode(), !optOptions[0]->isChecked(),
                             chkverified->isChecked(), connection().dialect().distinctAfterJoins());
        // A refresh keeps the request the user had selected, wherever it now stands.
        const QString selected =
            grdListing->Rows() > 1 ? grdListing->TextMatrix(grdListing->Row(), 0) : QString();
        db::Recordset rs = connection().OpenRecordset(sql);
        grdListing->setEnabled(!rs.Eof());
        const bool verified = chkverified->isChecked();
        lblEmptyList->setText(
            !optOptions[0]->isChecked()
                ? QStringLiteral("No processed requests.")
                : (verified ? QStringLiteral("No verified requests waiting to be processed.")
                            : QStringLiteral("No pending requests.")));
        lblEmptyList->setVisible(rs.Eof());
        if (!rs.Eof()) {
            grdListing->setRecordset(rs);
            for (int row = 1; row < grdListing->Rows() && !selected.isEmpty(); ++row) {
                if (grdListing->TextMatrix(row, 0) == selected) {
                    grdListing->setRow(row);
                    break;
                }
            }
        } else {
            grdListing->unbind();
            grdListing->Clear();
        }
        grdListing->setFormatString(
            QStringLiteral("Doc #     |Request From                |To     "
                           "                      |Date             |Requested By"));
        if (grdListing->isEnabled()) {
            const int widths[] = {1200, 2500, 2500, 2000, 2500};
            for (int c = 0; c < 5; ++c)
                grdListing->setColWidth(c, widths[c]);
            shortenListedDates(*grdListing);
        }
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    }
}

void frmMain::loadHeader(const db::Recordset &rs)
{
    // Older servers' load procedures may not return these; the window then keeps what it showed.
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    if (rs.HasField(QStringLiteral("TransDate"))) {
        const db::Field date = rs.Fields(QStringLiteral("TransDate"));
        if (!date.IsNull()) {
            const QDateTime when = date.toDate();
            // A request saved after this window started is shown as dated, not clipped.
            if (when > txtTransDate->maximumDateTime())
                txtTransDate->setMaximumDateTime(when);
            // One dated before the earliest date the picker takes is shown as dated too, and
            // kept from a save that would write the earliest date in its place.
            if (when < txtTransDate->minimumDateTime()) {
                txtTransDate->setMinimumDateTime(when);
                cannotHoldExactly(QStringLiteral("its date, %1, is earlier than this window "
                                                 "can take")
                                      .arg(english.toString(when, QStringLiteral("MM/dd/yyyy"))));
            }
            txtTransDate->setDateTime(when);
        }
    }
    if (rs.HasField(QStringLiteral("Remarks"))) {
        const QString remarks = textOf(rs.Fields(QStringLiteral("Remarks")));
        // Shown whole, never cut to the box's length.
        if (remarks.size() > RemarksLength) {
            txtRemarks->setMaxLength(int(remarks.size()));
            cannotHoldExactly(QStringLiteral("its justification has %1 characters, more than the "
                                             "%2 this window takes")
                                  .arg(remarks.size())
                                  .arg(RemarksLength));
        }
        txtRemarks->setText(remarks);
    }
}

void frmMain::cannotHoldExactly(const QString &why)
{
    if (m_readOnlyReason.isEmpty())
        m_readOnlyReason = why;
    else
        m_readOnlyReason += QStringLiteral(", and ") + why;
}

void frmMain::clearReadOnlyReason()
{
    m_readOnlyReason.clear();
    txtRemarks->setMaxLength(RemarksLength);
    txtTransDate->clearMinimumDateTime();
}

bool frmMain::refusedAsReadOnly()
{
    if (refusedAsFinal())
        return true;
    if (m_readOnlyReason.isEmpty())
        return false;
    ui::MsgBox(readOnlyMessage(), ui::Buttons::OK, ui::Icon::Information,
               QStringLiteral("MESSAGE"));
    return true;
}

QString frmMain::readOnlyMessage() const
{
    return QStringLiteral("Request %1 is shown for reading only: %2. Saving it here would change "
                          "what is stored, so it is not saved from this window.")
        .arg(txtDocNum->text().trimmed(), m_readOnlyReason);
}

void frmMain::LoadRequest(bool blnFromList)
{
    if (!blnFromList)
        loadRequestFrom(QStringLiteral("NEW"));
    else
        loadRequestFrom(grdListing->Rows() > 1 ? grdListing->TextMatrix(grdListing->Row(), 0)
                                               : QString());
}

void frmMain::loadStoredRequest(const QString &number)
{
    loadRequestFrom(number);
    ComputeGrandTotal();
    txtDocNum->setReadOnly(true);
    cboTargetLocation->setEnabled(false);
    cboLocation->setEnabled(false);
    cmdOK->setText(QStringLiteral("&Update"));
    if (txtProdCode->isVisible())
        txtProdCode->setFocus();
}

void frmMain::loadRequestFrom(const QString &number)
{
    const QString sql = QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest '") +
                        db::sqlText(number) + QStringLiteral("'");
    // The request and the item of its first line, which the entry fields show, in one message
    // to a server: the item's reads stand in with the first line's code and location read by
    // queries of their own, and answer once the lines have given them.
    QStringList standIns;
    if (!number.trimmed().isEmpty() && number != QLatin1String("NEW")) {
        const QString firstLine =
            QStringLiteral("Select Top 1 %1 From INVENTORY..tbInvWithdrawRequest Where "
                           "DocumentNumber = '") +
            db::sqlText(number) + QStringLiteral("' Order By LineID");
        standIns = clsItem::loadReadsOf(firstLine.arg(QLatin1String("ItemID")),
                                        firstLine.arg(QLatin1String("LocationID")));
    }
    db::Prefetch ahead(connection(), {sql}, standIns);
    db::Recordset rs = connection().OpenRecordset(sql);
    clearReadOnlyReason();
    m_removedLine.reset();
    if (!rs.Eof()) {
        const QStringList firstItemReads =
            clsItem::loadReads(textOf(rs.Fields(QStringLiteral("ItemID"))),
                               textOf(rs.Fields(QStringLiteral("LocationID"))));
        for (qsizetype i = 0; i < firstItemReads.size(); ++i)
            ahead.standsFor(i, firstItemReads[i]);
        cboLocation->setTag(textOf(rs.Fields(QStringLiteral("LocationID"))));
        cboLocation->setEditText(textOf(rs.Fields(QStringLiteral("Location"))));
        cboTargetLocation->setTag(textOf(rs.Fields(QStringLiteral("TargetLocationID"))));
        cboTargetLocation->setEditText(textOf(rs.Fields(QStringLiteral("TLocation"))));
        txtDocNum->setText(textOf(rs.Fields(QStringLiteral("DocumentNumber"))));
        loadHeader(rs);

        const int lines = qMin(rs.RecordCount(), MaxGridRow - 1);
        if (lines < rs.RecordCount())
            cannotHoldExactly(QStringLiteral("it has %1 lines, and this window shows the first "
                                             "%2")
                                  .arg(rs.RecordCount())
                                  .arg(lines));
        bool outOfLimits = false;
        grdDetails->setRows(lines + 2);
        grdDetails->setCols(7);
        // A processed or cancelled request is shown for reading only; any of its lines says so.
        // Each column is looked up once, not at every line.
        const int status = rs.FieldIndex(QStringLiteral("Status"));
        const int code = rs.FieldIndex(QStringLiteral("ItemID"));
        const int description = rs.FieldIndex(QStringLiteral("Description"));
        const int quantityColumn = rs.FieldIndex(QStringLiteral("Quantity"));
        const int unitCostColumn = rs.FieldIndex(QStringLiteral("UnitCost"));
        const int retail = rs.FieldIndex(QStringLiteral("ForRetail"));
        const int adsColumn = rs.FieldIndex(QStringLiteral("isADS"));
        const auto field = [&rs](int column, const char *name) {
            return column >= 0 ? rs.Fields(column) : rs.Fields(QLatin1String(name));
        };
        QString final;
        const ui::FlexGrid::Filling filling(*grdDetails);
        for (int n = 1; n <= lines; ++n, rs.MoveNext()) {
            if (status >= 0 && final.isEmpty()) {
                const QString stored = textOf(rs.Fields(status)).trimmed().toUpper();
                if (isFinalStatus(stored))
                    final = stored;
            }
            const double quantity = NullToDefault(field(quantityColumn, "Quantity"), 0).toDouble();
            const double unitCost = NullToDefault(field(unitCostColumn, "UnitCost"), 0).toDouble();
            // Values another program wrote past the window's limits are shown, not saved again.
            if (!linevalues::quantityProblem(quantity).isEmpty() ||
                !linevalues::costProblem(unitCost).isEmpty())
                outOfLimits = true;
            const db::Field ads = field(adsColumn, "isADS");
            grdDetails->setTextMatrix(n, 0, textOf(field(code, "ItemID")));
            grdDetails->setTextMatrix(n, 1, textOf(field(description, "Description")));
            grdDetails->setTextMatrix(n, 2, vb::plainNumber(linevalues::toScale(quantity)));
            grdDetails->setTextMatrix(n, 3, linevalues::money(unitCost));
            grdDetails->setTextMatrix(
                n, 4, linevalues::money(linevalues::lineTotalUnits(quantity, unitCost)));
            grdDetails->setTextMatrix(n, 5, textOf(field(retail, "ForRetail")));
            grdDetails->setTextMatrix(
                n, 6, !ads.IsNull() && ads.toBool() ? QStringLiteral("Y") : QStringLiteral("N"));
        }
        for (int c = 0; c < 7; ++c)
            grdDetails->setTextMatrix(lines + 1, c, QString());
        if (outOfLimits)
            cannotHoldExactly(QStringLiteral("a line's quantity or unit cost is beyond what this "
                                             "window takes (at most 9,999,999 units, at a unit "
                                             "cost from 0 to 9,999,999.9999)"));
        setFinalStatus(final);
        rs.MoveFirst();
        m_openedVersion = requestVersion(rs);
        {
            // A request opens on its first line, shown once (the row's change is not heard).
            const QSignalBlocker quiet(grdDetails);
            grdDetails->setRow(1);
        }
        LoadDetailRow();
        if (!m_readOnlyReason.isEmpty() && !isFinalStatus(final)) {
            lblFinal->setText(QStringLiteral("Read only"));
            lblFinal->setToolTip(readOnlyMessage());
            lblFinal->setVisible(true);
            ui::MsgBox(readOnlyMessage(), ui::Buttons::OK, ui::Icon::Exclamation,
                       QStringLiteral("MESSAGE"));
        }
    } else {
        // Nothing stored under the number: the grid is emptied to its two rows.
        grdDetails->unbind();
        grdDetails->Clear();
        grdDetails->setCols(7);
        grdDetails->setRows(2);
        grdDetails->setRow(1);
        setFinalStatus(QString());
        m_openedVersion.clear();
    }
    // What is shown now is what is stored.
    markSaved();
    grdDetails->setFormatString(QStringLiteral(
        "Code |< Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?|"));
    const int widths[] = {800, 5000, 1000, 1000, 1000, 700, 0};
    for (int c = 0; c < 7; ++c)
        grdDetails->setColWidth(c, widths[c]);
    fitNumberColumns(1);
    ShowLineCounter();
}

QString frmMain::requestVersion(db::Recordset &rs, int *lines)
{
    // What the clerk's work rests on: every line's values and the request's header, status and
    // verification, in the stored order. The names of items and locations are left out: a
    // renamed item is no change of the request.
    static const char *const columns[] = {
        "ItemID",           "Quantity",  "UnitCost", "ForRetail", "isADS",  "LocationID",
        "TargetLocationID", "TransDate", "Remarks",  "UserID",    "Status", "VerifiedBy"};
    // Each column looked up once, not at every line.
    QVarLengthArray<int, std::size(columns)> present;
    for (const char *column : columns) {
        if (const int index = rs.FieldIndex(QLatin1String(column)); index >= 0)
            present << index;
    }
    // Values whose text is the same for certain: a text, a whole number, a double of the same
    // bits, or a date and time of the same kind.
    const auto sameText = [](const QVariant &a, const QVariant &b) {
        if (a.typeId() != b.typeId() || b.isNull())
            return false;
        if (a.typeId() == QMetaType::QString)
            return *static_cast<const QString *>(a.constData()) ==
                   *static_cast<const QString *>(b.constData());
        if (a.typeId() == QMetaType::LongLong)
            return *static_cast<const qlonglong *>(a.constData()) ==
                   *static_cast<const qlonglong *>(b.constData());
        if (a.typeId() == QMetaType::Double) // the same bits: not 0 for -0
            return std::memcmp(a.constData(), b.constData(), sizeof(double)) == 0;
        if (a.typeId() == QMetaType::QDateTime) {
            const QDateTime &x = *static_cast<const QDateTime *>(a.constData());
            const QDateTime &y = *static_cast<const QDateTime *>(b.constData());
            return x.timeSpec() == y.timeSpec() && x == y;
        }
        return false;
    };
    QCryptographicHash hash(QCryptographicHash::Sha1);
    // A line's header values are those of the line before: their text is made once.
    QVarLengthArray<QVariant, std::size(columns)> lastValue(present.size());
    QVarLengthArray<QByteArray, std::size(columns)> lastText(present.size());
    QByteArray line;
    int count = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++count) {
        line.clear();
        const int row = rs.AbsolutePosition();
        for (qsizetype i = 0; i < present.size(); ++i) {
            // The cell itself, as Fields() would give it and without a copy.
            const QVariant &value = rs.value(row, present[i]);
            if (!value.isValid() || value.isNull()) {
                line += QByteArrayView("\\N");
            } else {
                if (!sameText(value, lastValue[i])) {
                    lastValue[i] = value;
                    lastText[i] = db::Field::textOf(value).toUtf8();
                }
                line += lastText[i];
            }
            line += '\x1f';
        }
        line += '\x1e';
        hash.addData(line);
    }
    if (lines)
        *lines = count;
    return count == 0 ? QString() : QString::fromLatin1(hash.result().toHex());
}

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
#include <exception>
#include <vector>

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

// The grid's texts of an opened request's lines, made line by line from their cells: as a
// server's rows come (db::RowWatch), then from the whole result for the lines not made by then.
class LineTexts
{
public:
    // The columns the grid shows, in the order a missing one is reported.
    static constexpr const char *Shown[] = {"Quantity", "UnitCost",    "isADS",
                                            "ItemID",   "Description", "ForRetail"};

    explicit LineTexts(bool (*isFinal)(const QString &)) : m_isFinal(isFinal) {}

    // The result's columns by their names; false when one the grid shows is missing.
    bool findColumns(const db::Recordset::Columns &columns)
    {
        int *const found[] = {&m_quantity, &m_unitCost, &m_ads, &m_code, &m_description, &m_retail};
        for (std::size_t i = 0; i < std::size(Shown); ++i) {
            *found[i] = columns.indexOf(QLatin1String(Shown[i]));
            if (*found[i] < 0)
                return false;
        }
        m_status = columns.indexOf(QStringLiteral("Status"));
        m_adsName = columns.names().value(m_ads);
        return true;
    }

    // The next line's texts. A flag that is no flag throws, the line's texts up to it kept.
    void add(const QVariant *cells)
    {
        // A processed or cancelled request is shown for reading only; any of its lines says
        // so. A request's lines repeat its status: each different text is looked at once.
        if (m_status >= 0 && m_final.isEmpty()) {
            const QString raw = text(cells[m_status]);
            if (!m_statusSeen || raw != m_lastStatus) {
                m_statusSeen = true;
                m_lastStatus = raw;
                const QString stored = raw.trimmed().toUpper();
                if (m_isFinal(stored))
                    m_final = stored;
            }
        }
        const double quantity = number(cells[m_quantity]);
        const double unitCost = number(cells[m_unitCost]);
        // Values another program wrote past the window's limits are shown, not saved again.
        if (!linevalues::quantityProblem(quantity).isEmpty() ||
            !linevalues::costProblem(unitCost).isEmpty())
            m_outOfLimits = true;
        QVector<QString> &texts = m_texts.emplace_back(7);
        texts[0] = text(cells[m_code]);
        texts[1] = text(cells[m_description]);
        texts[2] = vb::plainNumber(linevalues::toScale(quantity));
        texts[3] = linevalues::money(unitCost);
        texts[4] = linevalues::money(linevalues::lineTotalUnits(quantity, unitCost));
        texts[5] = text(cells[m_retail]);
        try {
            texts[6] = isAds(cells[m_ads]) ? Yes : No;
        } catch (...) {
            texts.resize(6);
            throw;
        }
    }

    int count() const { return int(m_texts.size()); }
    std::vector<QVector<QString>> &texts() { return m_texts; }
    bool outOfLimits() const { return m_outOfLimits; }
    // The final status the lines say, or empty.
    const QString &finalStatus() const { return m_final; }

private:
    // The cells are read in place, each as its Field would give it.
    static QString text(const QVariant &value)
    {
        if (value.typeId() == QMetaType::QString)
            return *static_cast<const QString *>(value.constData());
        return value.isNull() ? QString() : value.toString(); // an invalid value too
    }
    static double number(const QVariant &value)
    {
        if (value.isNull())
            return 0.0;
        return value.typeId() == QMetaType::Double ? *static_cast<const double *>(value.constData())
                                                   : value.toDouble();
    }
    bool isAds(const QVariant &value) const
    {
        if (value.isNull())
            return false;
        if (value.typeId() == QMetaType::LongLong)
            return *static_cast<const qlonglong *>(value.constData()) != 0;
        return db::Field(m_adsName, value).toBool();
    }

    inline static const QString Yes = QStringLiteral("Y");
    inline static const QString No = QStringLiteral("N");

    bool (*m_isFinal)(const QString &);
    int m_quantity = -1, m_unitCost = -1, m_ads = -1, m_code = -1, m_description = -1,
        m_retail = -1, m_status = -1;
    QString m_adsName;
    std::vector<QVector<QString>> m_texts;
    bool m_outOfLimits = false;
    QString m_final;
    QString m_lastStatus;
    bool m_statusSeen = false;
};

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
    // The grid's texts of the lines are made as a server sends the rows, while it makes the rest.
    LineTexts made(&frmMain::isFinalStatus);
    std::exception_ptr failure;
    bool watching = true;
    const db::RowWatch watch(
        connection(), sql,
        [&](const db::Recordset::Columns &columns, int row, const QVariant *cells) noexcept {
            if (!watching)
                return;
            try {
                if (row == 0) {
                    // The lines of the request shown before are let go now, their version made
                    // first (it is still the window's should this open fail).
                    openedVersion();
                    watching = made.findColumns(columns);
                }
                if (!watching || row != made.count() || row >= MaxGridRow - 1) {
                    watching = false;
                    return;
                }
                made.add(cells);
            } catch (...) {
                failure = std::current_exception();
                watching = false;
            }
        });
    db::Prefetch ahead(connection(), {sql}, standIns);
    db::Recordset rs = connection().OpenRecordset(sql);
    clearReadOnlyReason();
    m_removedLine.reset();
    if (!rs.Eof()) {
        const QString location = textOf(rs.Fields(QStringLiteral("LocationID")));
        const QStringList firstItemReads =
            clsItem::loadReads(textOf(rs.Fields(QStringLiteral("ItemID"))), location);
        for (qsizetype i = 0; i < firstItemReads.size(); ++i)
            ahead.standsFor(i, firstItemReads[i]);
        cboLocation->setTag(location);
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
        grdDetails->setRows(lines + 2);
        grdDetails->setCols(7);
        // A column the result lacks fails at the first line, as reading it there would.
        if (lines > 0) {
            for (const char *name : LineTexts::Shown) {
                if (rs.FieldIndex(QLatin1String(name)) < 0)
                    rs.Fields(QLatin1String(name));
            }
        }
        // The lines not made as they came are made now.
        if (made.count() == 0 && !failure)
            made.findColumns(rs.columns());
        for (int n = made.count(); n < lines && !failure; ++n) {
            try {
                made.add(rs.rowValues(n));
            } catch (...) {
                failure = std::current_exception();
            }
        }
        {
            const ui::FlexGrid::Filling filling(*grdDetails);
            std::vector<QVector<QString>> &texts = made.texts();
            for (int n = 1; n <= lines && n <= int(texts.size()); ++n)
                grdDetails->setRowTexts(n, std::move(texts[std::size_t(n - 1)]));
        }
        if (failure) // a flag that is no flag: the lines are shown up to it
            std::rethrow_exception(failure);
        const bool outOfLimits = made.outOfLimits();
        const QString final = made.finalStatus();
        for (int c = 0; c < 7; ++c)
            grdDetails->setTextMatrix(lines + 1, c, QString());
        if (outOfLimits)
            cannotHoldExactly(QStringLiteral("a line's quantity or unit cost is beyond what this "
                                             "window takes (at most 9,999,999 units, at a unit "
                                             "cost from 0 to 9,999,999.9999)"));
        setFinalStatus(final);
        rs.MoveFirst();
        setOpenedLines(rs);
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
        setOpenedVersion(QString());
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

const QString &frmMain::openedVersion() const
{
    if (m_openedLines) {
        m_openedVersion = requestVersion(*m_openedLines);
        m_openedLines.reset();
    }
    return m_openedVersion;
}

void frmMain::setOpenedVersion(QString version)
{
    m_openedLines.reset();
    m_openedVersion = std::move(version);
}

void frmMain::setOpenedLines(const db::Recordset &lines)
{
    // A copy shares the rows read; its position is its own.
    m_openedLines = std::make_unique<db::Recordset>(lines);
    m_openedVersion.clear();
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
    // Values of one type whose text is the same for certain: a text, a whole number, a double
    // of the same bits, or a date and time of the same kind.
    const auto sameText = [](int type, const QVariant &a, const QVariant &b) {
        if (type == QMetaType::QString)
            return *static_cast<const QString *>(a.constData()) ==
                   *static_cast<const QString *>(b.constData());
        if (type == QMetaType::LongLong)
            return *static_cast<const qlonglong *>(a.constData()) ==
                   *static_cast<const qlonglong *>(b.constData());
        if (type == QMetaType::Double) // the same bits: not 0 for -0
            return std::memcmp(a.constData(), b.constData(), sizeof(double)) == 0;
        if (type == QMetaType::QDateTime) {
            const QDateTime &x = *static_cast<const QDateTime *>(a.constData());
            const QDateTime &y = *static_cast<const QDateTime *>(b.constData());
            return x.timeSpec() == y.timeSpec() && x == y;
        }
        return false;
    };
    // A whole number and a number of at most four decimals (every quantity and cost) are written
    // as textOf writes them, straight into the line: the same digits, without a text of their own.
    const auto appendDigits = [](std::string &out, quint64 magnitude) {
        char digits[20];
        char *p = std::end(digits);
        do {
            *--p = char('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude > 0);
        out.append(p, std::size_t(std::end(digits) - p));
    };
    const auto appendNumber = [&appendDigits](std::string &out, int type, const QVariant &value) {
        if (type == QMetaType::LongLong) {
            const qlonglong n = *static_cast<const qlonglong *>(value.constData());
            if (n < 0)
                out += '-';
            appendDigits(out, n < 0 ? 0 - quint64(n) : quint64(n));
            return true;
        }
        if (type != QMetaType::Double)
            return false;
        const double d = *static_cast<const double *>(value.constData());
        if (!std::isfinite(d))
            return false;
        if (d == std::trunc(d) && std::fabs(d) < 1e15) {
            const qint64 n = qint64(d); // -0 is 0
            if (n < 0)
                out += '-';
            appendDigits(out, quint64(n < 0 ? -n : n));
            return true;
        }
        // Up to 14 digits, four of them decimals: the 15 significant digits textOf writes are
        // these, with no exponent (the value is at least 0.0001 and below 10^10).
        const double scaled = std::round(d * 10000.0);
        if (!(std::fabs(scaled) < 1e14 && scaled / 10000.0 == d))
            return false;
        const quint64 units = quint64(std::fabs(scaled));
        if (scaled < 0)
            out += '-';
        appendDigits(out, units / 10000);
        out += '.';
        quint64 fraction = units % 10000; // not whole, so not zero
        int places = 4;
        for (; fraction % 10 == 0; fraction /= 10)
            --places;
        char decimals[4];
        for (int i = places - 1; i >= 0; --i, fraction /= 10)
            decimals[i] = char('0' + fraction % 10);
        out.append(decimals, std::size_t(places));
        return true;
    };
    // A text of plain ASCII characters is its own UTF-8, written without a copy in between.
    const auto setText = [](QByteArray &out, int type, const QVariant &value) {
        if (type == QMetaType::QString) {
            const QString &text = *static_cast<const QString *>(value.constData());
            const qsizetype size = text.size();
            const QChar *chars = text.constData();
            bool ascii = true;
            for (qsizetype i = 0; i < size && ascii; ++i)
                ascii = chars[i].unicode() < 0x80;
            if (ascii) {
                out.resize(size);
                char *bytes = out.data();
                for (qsizetype i = 0; i < size; ++i)
                    bytes[i] = char(chars[i].unicode());
                return;
            }
        }
        out = db::Field::textOf(value).toUtf8();
    };
    QCryptographicHash hash(QCryptographicHash::Sha1);
    // A line's header values are those of the line before: their text is made once.
    // The cells of the line before, in place: the recordset keeps them.
    QVarLengthArray<const QVariant *, std::size(columns)> lastValue(present.size(), nullptr);
    QVarLengthArray<int, std::size(columns)> lastType(present.size(), QMetaType::UnknownType);
    QVarLengthArray<QByteArray, std::size(columns)> lastText(present.size());
    // The lines are hashed some thousand at a time: the hash of their concatenation is that of
    // the lines one after the other.
    constexpr std::size_t Chunk = 64 * 1024;
    std::string text;
    text.reserve(Chunk + 4096);
    int count = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++count) {
        const QVariant *const cells = rs.rowValues(rs.AbsolutePosition());
        for (qsizetype i = 0; i < present.size(); ++i) {
            // The cell itself, as Fields() would give it and without a copy.
            const QVariant &value = cells[present[i]];
            if (value.isNull()) { // an invalid value too
                text.append("\\N\x1f", 3);
                continue;
            }
            const int type = value.typeId();
            if (!appendNumber(text, type, value)) {
                if (type != lastType[i] || !sameText(type, value, *lastValue[i])) {
                    lastValue[i] = &value;
                    lastType[i] = type;
                    setText(lastText[i], type, value);
                }
                text.append(lastText[i].constData(), std::size_t(lastText[i].size()));
            }
            text += '\x1f';
        }
        text += '\x1e';
        if (text.size() >= Chunk) {
            hash.addData(QByteArrayView(text.data(), qsizetype(text.size())));
            text.clear(); // the buffer is kept
        }
    }
    hash.addData(QByteArrayView(text.data(), qsizetype(text.size())));
    if (lines)
        *lines = count;
    return count == 0 ? QString() : QString::fromLatin1(hash.result().toHex());
}

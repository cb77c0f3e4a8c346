// The window's load and rights, the commands New, Edit, Cancel and Exit, the tab rule, the checks
// of the two locations and the document numbers.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTabWidget>

using namespace modInventory;

namespace {

} // namespace

void frmMain::Form_Load()
{
    LoadLocation(*cboLocation, true, true, true, false, false);
    LoadLocation(*cboTargetLocation, false, false, false, false, true);

    // The server's time of start-up; without a hospital row, the workstation's. The difference
    // between the two clocks is kept: a new request is dated on the server's clock when it is
    // started.
    const QDateTime here = QDateTime::currentDateTime();
    m_startDate = CurDate.isValid() ? CurDate : here;
    m_startDate.setTime(
        QTime(m_startDate.time().hour(), m_startDate.time().minute(), m_startDate.time().second()));
    m_serverOffsetMs = CurDate.isValid() ? here.msecsTo(CurDate) : 0;
    txtTransDate->setDateTime(m_startDate);
    txtTransDate->setMaximumDateTime(m_startDate); // a request cannot be dated in the future

    blnBrowseItem = false;
    // Where a new request starts: the supplying location chosen here, from the clerk's own
    // department.
    m_startSupply = {cboLocation->currentText(), cboLocation->Tag()};
    LoadListing();
    SSTab1->setCurrentIndex(0);
    cboTargetLocation->setEnabled(false);
    cboLocation->setEnabled(false);
    LoadRights();
    applyClientAdjustments();
}

void frmMain::applyClientAdjustments()
{
    if (ClientName == QLatin1String("KVB")) {
        chkPrint->setVisible(true);
        cmdView->setText(QStringLiteral("&Print"));
        lblForRetail->setText(QStringLiteral("For"));
        optConsumed[0]->setText(QStringLiteral("Retail"));
        optConsumed[1]->setText(QStringLiteral("Consumption"));
    } else if (ClientName == QLatin1String("NORBEK")) {
        setWindowTitle(QStringLiteral("Visual Calvox - Stock Request"));
    } else if (ClientName == QLatin1String("RQ")) {
        for (QLabel *l : {lblMin, lblMax, txtMin, txtMax})
            l->setVisible(true);
    }
}

void frmMain::LoadRights()
{
    db::Recordset rs = connection().OpenRecordset(
        QStringLiteral("Select * from Inventory..tbInvUserSettings Where UserID = '") +
        db::sqlText(objCurrentUser->EmployeeCode()) + QStringLiteral("'"));
    if (rs.Eof())
        return;
    const db::Field verify = rs.Fields(QStringLiteral("isVerifyInventoryRequest"));
    PubIsVerifyInventoryRequest = !verify.IsNull() && verify.toBool();
    cmdVerify->setVisible(PubIsVerifyInventoryRequest);
}

void frmMain::ClearAll()
{
    m_failedField = nullptr;
    setFinalStatus(QString()); // an empty request is no processed or cancelled one
    clearReadOnlyReason();
    m_removedLine.reset();
    for (QLineEdit *box : {txtProdCode, txtProdName, txtWithdraw, txtUnitCost, txtAverageCost,
                           txtTotalCost, txtPacking, txtOnhand, Text2, txtListCost})
        box->clear();
    clearItemFields(true); // nor the minimum, maximum or ADS stock of the item shown before
    txtTotalCounter->setText(QStringLiteral("0.0000")); // nor the total of the request before
    cboLocation->setEnabled(true);
    cboTargetLocation->setEnabled(true);
    txtRemarks->clear();
    txtUOM->clear();

    grdDetails->Clear();
    grdDetails->setRows(2);
    grdDetails->setFormatString(QStringLiteral("Code |< Product Name & Description | Quantity | "
                                               "Unit Cost| Total Cost| Retail?| Remarks|"));
    const int widths[] = {800, 5000, 1000, 1000, 1000, 700, 0};
    for (int c = 0; c < 7; ++c)
        grdDetails->setColWidth(c, widths[c]);
    ShowLineCounter(); // the counter follows the cleared grid, not the request shown before
}

QString frmMain::nextNumberStatement()
{
    // DocumentNo is the number cast to int, kept by the database with an index of its own, so
    // this is one index step however many requests there are.
    return QStringLiteral("Select (max(DocumentNo) + 1) as DocNum From "
                          "INVENTORY..tbInvWithdrawRequest");
}

QString frmMain::nextNumberLinesStatement()
{
    return QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest Where "
                          "DocumentNumber = (Select Cast(IsNull(max(DocumentNo), 0) + 1 As "
                          "varchar(10)) From INVENTORY..tbInvWithdrawRequest)");
}

std::optional<qint64> frmMain::typedRequestNumber(const QString &typed)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*[0-9]{1,18}\\s*$"));
    if (!whole.match(typed).hasMatch())
        return std::nullopt;
    const qint64 number = typed.trimmed().toLongLong();
    if (number < 1 || number > MaxRequestNumber)
        return std::nullopt;
    return number;
}

QString frmMain::takeNewNumber(db::Connection &c, const QString &alsoRead,
                               db::Recordset *alsoReadRows)
{
    const QString source = QStringLiteral("frmMain:SaveRequest");
    // Both asked in one message: the next number, and whether anything is stored under it (and
    // what the caller reads with them).
    QStringList reads{nextNumberStatement(), nextNumberLinesStatement()};
    if (!alsoRead.isEmpty())
        reads << alsoRead;
    QVector<db::Recordset> read = c.ExecuteAll(reads);
    if (!alsoRead.isEmpty() && alsoReadRows)
        *alsoReadRows = read[2];
    qint64 number = 1;
    if (!read[0].Eof() && !read[0].Fields(QStringLiteral("DocNum")).IsNull())
        number = read[0].Fields(QStringLiteral("DocNum")).toText().toLongLong();
    qint64 lines = read[1].Fields(0).toLong();
    // Lines under the next number were written in a form the numbering does not count (by
    // another program): the new request never joins them, nor replaces them.
    while (lines > 0 && number <= MaxRequestNumber) {
        ++number;
        lines = c.OpenRecordset(QStringLiteral("Select Count(*) From "
                                               "INVENTORY..tbInvWithdrawRequest Where "
                                               "DocumentNumber = '") +
                                QString::number(number) + QStringLiteral("'"))
                    .Fields(0)
                    .toLong();
    }
    if (number > MaxRequestNumber)
        throw AppError(0, source,
                       QStringLiteral("There is no request number left: request %1 has the "
                                      "largest number a request can have. Nothing was saved. "
                                      "Ask the database administrator.")
                           .arg(MaxRequestNumber));
    return QString::number(number);
}

QString frmMain::nextDocumentNumber()
{
    db::Recordset rs = connection().OpenRecordset(nextNumberStatement());
    if (rs.Eof())
        return QStringLiteral("1");
    const db::Field next = rs.Fields(QStringLiteral("DocNum"));
    if (next.IsNull())
        return QStringLiteral("1");
    return next.toText(); // plain digits
}

void frmMain::showNumberingFailure(const QString &description)
{
    ui::MsgBox(description, ui::Buttons::OK, ui::Icon::Critical, QStringLiteral("Error Message"));
}

QString frmMain::GetNewDocNumber()
{
    try {
        return nextDocumentNumber();
    } catch (const AppError &e) {
        showNumberingFailure(e.description());
        // No number: the caller writes nothing rather than guess one.
        return QString();
    }
}

QString frmMain::verifyNumberStatement(const QString &strDocNum)
{
    return QStringLiteral("Select DocumentNumber from Inventory..tbinvWithdrawRequest where "
                          "DocumentNumber = '") +
           db::sqlText(strDocNum.trimmed()) + QStringLiteral("'");
}

bool frmMain::Verify_DocumentNumber(const QString &strDocNum)
{
    db::Recordset rs = connection().OpenRecordset(verifyNumberStatement(strDocNum));
    return !rs.Eof();
}

QDateTime frmMain::serverNow() const
{
    QDateTime now = QDateTime::currentDateTime().addMSecs(m_serverOffsetMs);
    // To the second, as the picker shows it and the request stores it.
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return now;
}

void frmMain::cmdNew_Click()
{
    if (!confirmDiscard(QStringLiteral("start a new one")))
        return;
    LoadRequest(false);
    SSTab1->setCurrentIndex(1); // from the list, the tab rule runs Edit here
    ClearAll();
    if (isAutoWithdrawRequestNumber) {
        txtDocNum->clear();
        txtDocNum->setReadOnly(false);
        txtDocNum->setFocus();
    } else {
        txtDocNum->setText(QStringLiteral("NEW"));
        txtDocNum->setReadOnly(true);
        txtProdCode->setFocus();
    }
    // A new request is dated when it is started, on the server's clock.
    setOpenedVersion(QString());
    const QDateTime now = serverNow();
    txtTransDate->setMaximumDateTime(now);
    txtTransDate->setDateTime(now);
    cmdOK->setText(QStringLiteral("Add &to List"));
    startFromOwnDepartment();
}

QString frmMain::ownDepartment()
{
    // The clerk's own department (read once) when it is one of theirs; the one used last
    // otherwise.
    if (!m_ownDepartmentId) {
        const db::Recordset rs = connection().OpenRecordset(
            QStringLiteral("Select DepartmentID From Password..tbPasswordMain Where EmployeeID = "
                           "'") +
            db::sqlText(objCurrentUser->EmployeeCode()) + QStringLiteral("'"));
        m_ownDepartmentId =
            rs.Eof() ? QString()
                     : NullToDefault(rs.Fields(QStringLiteral("DepartmentID")), QString())
                           .toString()
                           .trimmed();
    }
    const db::Recordset &mine = cboTargetLocation->rows();
    const QString own = *m_ownDepartmentId;
    if (!own.isEmpty() && mine.IsOpen() && mine.HasField(QStringLiteral("LocationID"))) {
        for (db::Recordset rs = mine; !rs.Eof(); rs.MoveNext()) {
            if (rs.Fields(QStringLiteral("LocationID"))
                    .toText()
                    .trimmed()
                    .compare(own, Qt::CaseInsensitive) == 0)
                return rs.Fields(QStringLiteral("Location")).toText();
        }
    }
    return cboTargetLocation->count() == 1 ? cboTargetLocation->itemText(0) : m_lastDepartment;
}

void frmMain::startFromOwnDepartment()
{
    // Never from the department of the request shown before: a new request starts where the
    // clerk works, supplied from where the window started.
    cboLocation->setEditText(m_startSupply.first);
    cboLocation->setTag(m_startSupply.second);
    cboTargetLocation->setEditText(ownDepartment());
    cboTargetLocation->setTag(QString());
    if (cboTargetLocation->currentText().trimmed().isEmpty()) {
        cboTargetLocation->setFocus();
        return;
    }
    cboTargetLocation_Validate();
}

void frmMain::cmdEdit_Click()
{
    // Nothing chosen in the list: nothing to open.
    if (!grdListing->isEnabled() || grdListing->Rows() <= 1 ||
        grdListing->TextMatrix(grdListing->Row(), 0).trimmed().isEmpty())
        return;
    if (!confirmDiscard(QStringLiteral("open the request chosen in the list")))
        return;
    LoadRequest(true);
    ComputeGrandTotal();
    {
        // From the list the tab rule would run this once more: the request is read once.
        const QScopedValueRollback<bool> editing(m_editing, true);
        SSTab1->setCurrentIndex(1);
    }
    cboTargetLocation->setEnabled(false);
    cboLocation->setEnabled(false);
    txtDocNum->setReadOnly(true);
    txtProdCode->setFocus();
    cmdOK->setText(QStringLiteral("&Update"));
}

void frmMain::cmdCancel_Click()
{
    if (ui::MsgBox(QStringLiteral("Do you want to leave without saving?"), ui::Buttons::YesNo,
                   ui::Icon::Question, QStringLiteral("Message")) == ui::Answer::Yes) {
        markSaved(); // left on purpose: nothing to keep
        SSTab1->setCurrentIndex(0);
    } else
        txtProdCode->setFocus();
}

void frmMain::cmdExit_Click()
{
    if (ui::MsgBox(QStringLiteral("Are you sure you want to exit without saving?"),
                   ui::Buttons::YesNo, ui::Icon::Question) == ui::Answer::Yes) {
        m_exitConfirmed = true;
        markSaved();
        close();
    }
}

void frmMain::cmdList_Click()
{
    SSTab1->setCurrentIndex(0);
}

void frmMain::cmdDetails_Click()
{
    SSTab1->setCurrentIndex(1);
}

void frmMain::onTabChanged(int index)
{
    const int previous = m_currentTab;
    m_currentTab = index;
    m_failedField = nullptr; // moving between the tabs leaves a refused field behind
    if (previous == 0 && index == 1 && !m_editing)
        cmdEdit_Click();
}

bool frmMain::cboLocation_Validate()
{
    QString id;
    bool retail = false;
    const bool found = CheckLocation(cboLocation->currentText(), id, retail, true);
    cboLocation->setTag(id);
    return found;
}

bool frmMain::cboTargetLocation_Validate()
{
    QString id;
    if (!CheckLocation(cboTargetLocation->currentText(), id, blnTargetRetail, false))
        return false;
    cboTargetLocation->setTag(id);
    if (cboTargetLocation->Tag() == cboLocation->Tag()) {
        ui::MsgBox(QStringLiteral("Invalid Target Location..."), ui::Buttons::OK,
                   ui::Icon::Critical);
        return false;
    }
    if (blnTargetRetail) {
        optConsumed[0]->setEnabled(true);
        optConsumed[1]->setEnabled(true);
        optConsumed[0]->setChecked(true);
    } else {
        optConsumed[0]->setEnabled(false);
        optConsumed[1]->setEnabled(true);
        optConsumed[1]->setChecked(true);
    }
    return true;
}

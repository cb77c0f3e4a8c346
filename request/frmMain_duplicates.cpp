// The warning before a duplicate: a new request from a department to a supplying location that
// shares items with one of its open requests of the last days is saved only when the user says so.
//
// The question is asked before the save's transaction, so no lock is held while it waits. Under
// the save's lock the open requests are read again; one saved meanwhile (at another workstation)
// that the user was not shown rolls the save back and the question is asked again. Two
// workstations saving such requests at the same moment: the second always sees the first.
#include "request/frmMain.h"

#include "app/duplicaterequests.h"
#include "platform/db/connection.h"
#include "platform/error.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

#include <QLineEdit>

namespace {

QStringList numbersOf(const QList<duplicaterequests::Request> &found)
{
    QStringList numbers;
    for (const duplicaterequests::Request &r : found)
        numbers << r.number;
    return numbers;
}

} // namespace

namespace {

QStringList itemCodes(const ui::FlexGrid &grid)
{
    QStringList codes;
    for (int r = 1; r < grid.Rows(); ++r) {
        const QString code = grid.TextMatrix(r, 0).trimmed();
        if (!code.isEmpty())
            codes << code;
    }
    return codes;
}

} // namespace

bool frmMain::isNewRequest() const
{
    return !txtDocNum->isReadOnly() || txtDocNum->text() == QLatin1String("NEW");
}

QString frmMain::duplicatesStatement(bool underLock) const
{
    return duplicaterequests::statement(cboTargetLocation->Tag(), cboLocation->Tag(),
                                        m_duplicatesSince.isValid()
                                            ? m_duplicatesSince
                                            : serverNow().addDays(-duplicaterequests::Days),
                                        underLock, itemCodes(*grdDetails));
}

void frmMain::readAheadForSave(std::optional<db::Prefetch> &ahead)
{
    m_duplicatesSince = QDateTime();
    if (txtDocNum->text() != QLatin1String("NEW"))
        return;
    m_duplicatesSince = serverNow().addDays(-duplicaterequests::Days);
    ahead.emplace(connection(), QStringList{verifyNumberStatement(txtDocNum->text()),
                                            duplicatesStatement(false)});
}

bool frmMain::duplicatesAccepted()
{
    m_duplicatesShown.clear();
    QList<duplicaterequests::Request> found;
    try {
        ui::Hourglass hourglass;
        db::Recordset rs = connection().OpenRecordset(duplicatesStatement(false));
        const QString except =
            txtDocNum->text() == QLatin1String("NEW") ? QString() : txtDocNum->text();
        found = duplicaterequests::sharing(rs, itemCodes(*grdDetails), except);
    } catch (const AppError &) {
        // The check is read again under the save's lock, where a failure stops the save.
        return true;
    }
    if (found.isEmpty())
        return true;
    m_duplicatesShown = numbersOf(found);
    return ui::MsgBox(duplicaterequests::message(found, cboTargetLocation->currentText().trimmed(),
                                                 cboLocation->currentText().trimmed(), false),
                      ui::Buttons::OKCancel, ui::Icon::Exclamation,
                      QStringLiteral("Message")) == ui::Answer::OK;
}

bool frmMain::unseenDuplicates(db::Recordset &rows, const QString &except)
{
    m_duplicatesFound = duplicaterequests::sharing(rows, itemCodes(*grdDetails), except);
    for (const duplicaterequests::Request &r : std::as_const(m_duplicatesFound)) {
        if (!m_duplicatesShown.contains(r.number))
            return true;
    }
    return false;
}

bool frmMain::duplicatesAcceptedAgain()
{
    m_duplicatesShown = numbersOf(m_duplicatesFound);
    return ui::MsgBox(duplicaterequests::message(m_duplicatesFound,
                                                 cboTargetLocation->currentText().trimmed(),
                                                 cboLocation->currentText().trimmed(), true),
                      ui::Buttons::OKCancel, ui::Icon::Exclamation,
                      QStringLiteral("Message")) == ui::Answer::OK;
}

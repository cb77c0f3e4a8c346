// Keeping what the clerk wrote: what is unsaved, the questions before anything would throw it
// away (however the window is closed), and the workstation's journal that brings an unsaved
// request back after a crash or a power cut.
#include "request/frmMain.h"

#include "app/modInventory.h"
#include "app/requestjournal.h"
#include "platform/db/connection.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSessionManager>
#include <QTabWidget>

#include <utility>

using namespace modInventory;

void frmMain::connectKeeping()
{
    // The header's values, as the clerk changes them (the program's own filling is no change),
    // kept once a field is left, not at every keystroke: each write goes to the disk.
    const auto keepWhenEdited = [this](QLineEdit *box) {
        connect(box, &QLineEdit::editingFinished, this, [this, box] {
            if (box->isModified()) {
                box->setModified(false);
                markUnsaved();
            }
        });
    };
    keepWhenEdited(txtRemarks);
    keepWhenEdited(txtDocNum);
    connect(txtTransDate, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (txtTransDate->hasFocus())
            m_dateEdited = true;
    });
    connect(txtTransDate, &QDateTimeEdit::editingFinished, this, [this] {
        if (std::exchange(m_dateEdited, false))
            markUnsaved();
    });
    for (ui::LocationCombo *combo : {cboTargetLocation, cboLocation}) {
        connect(combo, &QComboBox::activated, this, [this] { markUnsaved(); });
        if (combo->lineEdit())
            keepWhenEdited(combo->lineEdit());
    }

    // The desktop session ending: unsaved work is asked about where the session lets us ask;
    // otherwise the journal keeps it for the next start.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!m_unsaved || m_exitConfirmed)
            return;
        if (!manager.allowsInteraction())
            return;
        const ui::Answer answer =
            ui::MsgBox(QStringLiteral("Are you sure you want to exit without saving?"),
                       ui::Buttons::YesNo, ui::Icon::Question);
        manager.release();
        if (answer == ui::Answer::Yes) {
            m_exitConfirmed = true;
            markSaved();
        } else {
            manager.cancel();
        }
    });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_exitConfirmed || !m_unsaved) {
        event->accept();
        return;
    }
    if (ui::MsgBox(QStringLiteral("Are you sure you want to exit without saving?"),
                   ui::Buttons::YesNo, ui::Icon::Question) != ui::Answer::Yes) {
        event->ignore();
        return;
    }
    m_exitConfirmed = true;
    markSaved();
    event->accept();
}

void frmMain::markUnsaved()
{
    if (m_restoring)
        return;
    m_unsaved = true;
    writeJournal();
}

void frmMain::markSaved()
{
    m_unsaved = false;
    m_overwriteVersion.reset();
    // What was typed is stored now: a field left after the save is no new change.
    for (QLineEdit *box :
         {txtRemarks, txtDocNum, cboTargetLocation->lineEdit(), cboLocation->lineEdit()}) {
        if (box)
            box->setModified(false);
    }
    m_dateEdited = false;
    clearJournal();
}

bool frmMain::confirmDiscard(const QString &what)
{
    if (!m_unsaved)
        return true;
    const qsizetype lines = codedLines().size();
    const QString number =
        txtDocNum->text().trimmed().isEmpty() ? QStringLiteral("NEW") : txtDocNum->text().trimmed();
    const QString text =
        QStringLiteral("Request %1 on the Details tab (%2) has not been saved.\n\nLeave it "
                       "without saving to %3?")
            .arg(number, counted(lines, QStringLiteral("line"), QStringLiteral("lines")), what);
    if (ui::MsgBox(text, ui::Buttons::YesNo, ui::Icon::Question, QStringLiteral("Message")) !=
        ui::Answer::Yes)
        return false;
    markSaved();
    return true;
}

QString frmMain::journalDatabase() const
{
    // The database as the workstation reaches it: the engine, the server named in the settings
    // (none for the embedded file) and the database or file.
    const db::Connection *c = objCurrentUser ? objCurrentUser->sqlconnection() : nullptr;
    if (!c)
        return QString();
    const SessionSettings &settings = objCurrentUser->settings();
    const bool embedded = settings.kind == SessionSettings::Kind::Embedded;
    return c->dbmsName() + QLatin1Char('|') +
           (embedded ? QString()
                     : settings.server + QLatin1Char(':') + QString::number(settings.port)) +
           QLatin1Char('|') + c->databaseName();
}

void frmMain::writeJournal()
{
    if (!objCurrentUser || !objCurrentUser->sqlconnection())
        return;
    RequestDraft draft;
    draft.number = txtDocNum->text();
    draft.numberTyped = !txtDocNum->isReadOnly();
    draft.stored = txtDocNum->isReadOnly() && txtDocNum->text().trimmed() != QLatin1String("NEW");
    draft.baseVersion = openedVersion();
    draft.transDate = txtTransDate->dateTime();
    draft.locationId = cboLocation->Tag();
    draft.locationName = cboLocation->currentText();
    draft.targetId = cboTargetLocation->Tag();
    draft.targetName = cboTargetLocation->currentText();
    draft.remarks = txtRemarks->text();
    draft.lines = codedLines();
    try {
        RequestJournal(objCurrentUser->EmployeeCode(), journalDatabase()).save(draft);
    } catch (const AppError &e) {
        // The request is still on screen; the clerk is told once that it is not being kept.
        if (!m_journalFailed)
            ui::MsgBox(QStringLiteral("The unsaved request cannot be kept on this workstation "
                                      "in case of a crash: %1")
                           .arg(e.description()),
                       ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("Message"));
        m_journalFailed = true;
    }
}

void frmMain::clearJournal()
{
    if (!objCurrentUser || !objCurrentUser->sqlconnection())
        return;
    RequestJournal(objCurrentUser->EmployeeCode(), journalDatabase()).clear();
}

void frmMain::offerRecovery()
{
    guarded([this] { restoreFromJournal(); });
}

void frmMain::restoreFromJournal()
{
    if (!objCurrentUser || !objCurrentUser->sqlconnection())
        return;
    RequestJournal journal(objCurrentUser->EmployeeCode(), journalDatabase());
    const std::optional<RequestDraft> draft = journal.load();
    if (!draft)
        return;
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime written = draft->savedAt.toLocalTime();
    const QString when = written.date() == QDate::currentDate()
                             ? english.toString(written, QStringLiteral("hh:mm AP"))
                             : english.toString(written, QStringLiteral("MM/dd/yyyy hh:mm AP"));
    const QString number =
        draft->stored ? QStringLiteral(" (request %1)").arg(draft->number) : QString();
    const qsizetype lines = draft->lines.size();
    const QString text =
        QStringLiteral("An unsaved request%1 with %2 from %3 was found on this workstation.\n\n"
                       "Bring it back?")
            .arg(number, counted(lines, QStringLiteral("line"), QStringLiteral("lines")), when);
    if (ui::MsgBox(text, ui::Buttons::YesNo, ui::Icon::Question, QStringLiteral("Message")) !=
        ui::Answer::Yes) {
        journal.clear();
        return;
    }

    // Shown as New or Edit leaves the Details tab, without reading anything back.
    const QScopedValueRollback<bool> restoring(m_restoring, true);
    {
        const QScopedValueRollback<bool> editing(m_editing, true);
        SSTab1->setCurrentIndex(1);
    }
    ClearAll();
    cboLocation->setEditText(draft->locationName);
    cboLocation->setTag(draft->locationId);
    cboTargetLocation->setEditText(draft->targetName);
    cboTargetLocation->setTag(draft->targetId);
    txtDocNum->setText(draft->number);
    txtDocNum->setReadOnly(!draft->numberTyped);
    if (draft->transDate > txtTransDate->maximumDateTime())
        txtTransDate->setMaximumDateTime(draft->transDate);
    txtTransDate->setDateTime(draft->transDate);
    txtRemarks->setText(draft->remarks);
    setOpenedVersion(draft->baseVersion);
    int columns = 7;
    for (const QStringList &cells : draft->lines)
        columns = qMax(columns, int(cells.size()));
    const int rows = qMin(int(draft->lines.size()), MaxGridRow - 1);
    grdDetails->setCols(columns);
    grdDetails->setRows(rows + 2);
    for (int r = 0; r < rows; ++r) {
        const QStringList &cells = draft->lines.at(r);
        for (int c = 0; c < cells.size(); ++c)
            grdDetails->setTextMatrix(r + 1, c, cells.at(c));
    }
    // A stored request keeps its locations, as Edit leaves them; a new one may still change them.
    cboLocation->setEnabled(!draft->stored);
    cboTargetLocation->setEnabled(!draft->stored);
    if (!draft->stored)
        cboTargetLocation_Validate();
    cmdOK->setText(draft->stored ? QStringLiteral("&Update") : QStringLiteral("Add &to List"));
    grdDetails->setRow(rows + 1);
    LoadDetailRow();
    ComputeGrandTotal();
    ShowLineCounter();
    txtTotalCounter->setVisible(true);
    m_unsaved = true; // still unsaved, and still kept
    txtProdCode->setFocus();
}

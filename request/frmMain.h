#pragma once

#include "app/duplicaterequests.h"

#include <QDateTime>
#include <QMainWindow>

#include <optional>
#include <utility>

#include <functional>
#include <memory>

class QCheckBox;
class QCloseEvent;
class QDateTimeEdit;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;
class clsItem;

namespace db {
class Connection;
class Prefetch;
class Recordset;
} // namespace db

namespace ui {
class FlexGrid;
class LocationCombo;
} // namespace ui

// The stock request window: one request at a time, the list of requests on its first tab.
//
// One class over several files, one concern each:
//   frmMain.cpp          building the window, the keyboard rule, field validation
//   frmMain_header.cpp   load, rights, New / Edit / Cancel / Exit, tabs, location checks, numbering
//   frmMain_grid.cpp     the detail grid, its rows and totals
//   frmMain_entry.cpp    line entry: product code, quantity, unit cost, the line button
//   frmMain_listing.cpp  the list of requests and loading one back
//   frmMain_saving.cpp   saving, verifying and cancelling requests
//   frmMain_printing.cpp printing a request
//   frmMain_history.cpp  a request's versions, one key away
//   frmMain_duplicates.cpp the warning before saving a request like an open one
//   frmMain_copying.cpp  Copy as New: a stored request started again as a new one
//   frmMain_exporting.cpp the list or the lines written to a file a spreadsheet opens
//
// The controls carry the names the rest of the program (and the tests) know them by; option and
// label arrays are named like "optConsumed(0)".
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // --- window state -------------------------------------------------------------------------
    bool PubIsVerifyInventoryRequest = false; // the signed-in user may verify requests
    bool blnTargetRetail = false;             // the requesting department may take stock for retail
    bool blnBrowseItem = false;               // the product search button started the validation
    bool blnVerifyMode = false;               // the save runs as a verification

    // The largest row index the grid routines handle.
    static constexpr int MaxGridRow = 32767;
    // Request numbers run from 1 to this, on every engine: what the numbering counts (9 digits).
    static constexpr qint64 MaxRequestNumber = 999999999;
    // The justification box's length (the column's).
    static constexpr int RemarksLength = 500;
    // A typed request number as the program writes it ("0010" is 10), or nothing when it is no
    // request number (not a whole number from 1 to MaxRequestNumber).
    static std::optional<qint64> typedRequestNumber(const QString &typed);

    // --- load, rights, commands, tabs, location checks, numbering (frmMain_header.cpp) --------
    void Form_Load();
    void LoadRights();
    void ClearAll();
    QString GetNewDocNumber();
    // The largest stored document number plus one (Null when none is stored).
    static QString nextNumberStatement();
    bool Verify_DocumentNumber(const QString &strDocNum);
    // The statement Verify_DocumentNumber reads.
    static QString verifyNumberStatement(const QString &strDocNum);
    void cmdNew_Click();
    // The signed-in connection, as every part of the window reaches it.
    static db::Connection &connection();
    // The department a new request is from, and the start of a new request from it.
    QString ownDepartment();
    void startFromOwnDepartment();
    void cmdEdit_Click();
    void cmdCancel_Click();
    void cmdExit_Click();
    void cmdList_Click();
    void cmdDetails_Click();
    // Validation handlers return false to cancel: the focus stays in the field.
    bool cboLocation_Validate();
    bool cboTargetLocation_Validate();

    // --- detail grid (frmMain_grid.cpp) ---------------------------------------------------------
    void LoadDetailRow();
    void ComputeGrandTotal();
    // Widens the number columns of the lines grid to the texts from the row on.
    void fitNumberColumns(int fromRow);
    void ShowLineCounter();
    // Writes the entry fields into the current row; appends the next empty row after the last.
    void StoreLine();
    // Puts back the line Delete or "." removed last (Ctrl+Z in the lines grid).
    void undoLineRemoval();
    // After a save or verification: the list it belongs to, the request selected, and what was
    // done in the status line.
    void showSaved(const QString &number, const QString &said);
    void cmdAdd_Click();
    void cmdDelete_Click();
    void grdDetails_DblClick();
    // Adds one row to the detail grid, unless it would pass MaxGridRow (the user is told).
    bool AddDetailRow();
    // The grid's lines that hold a code, each as its cells.
    QList<QStringList> codedLines() const;
    // "1 line", "3 lines": a count as the messages say it.
    static QString counted(qsizetype n, const QString &one, const QString &many);

    // --- line entry (frmMain_entry.cpp) ---------------------------------------------------------
    void ShowItemInfo();
    bool txtProdCode_Validate();
    // What looking up an item code reads ahead, in one message, beside its bar code's read: the
    // product search, the item at its location, its master record, the kit it may stand for.
    QStringList itemCodeReads(const QString &code) const;
    bool txtWithdraw_Validate();
    bool txtUnitCost_Validate();
    void ComputeTotalCost();
    void cmdOK_Click();

    // --- list of requests (frmMain_listing.cpp) -------------------------------------------------
    void LoadListing();
    // The list's statement for an employee: open or processed, unverified or verified requests.
    // distinctFirst: the requests are made distinct from their lines before the locations and
    // the requester's name are looked up (db::Dialect::distinctAfterJoins()); the same rows.
    static QString listingStatement(const QString &employee, bool processed, bool verified,
                                    bool distinctFirst = false);
    void LoadRequest(bool blnFromList);
    // Shows the stored request of that number on the Details tab, as Edit does.
    void loadStoredRequest(const QString &number);
    // Shows the request of that number ("NEW": none) from its first line.
    void loadRequestFrom(const QString &number);
    void optOptions_Click(int index);
    void chkverified_Click();

    // --- saving, verification, cancellation (frmMain_saving.cpp) -------------------------------
    void cmdSave_Click();
    bool SaveRequest();
    // What every line of a request repeats.
    struct LineHeader
    {
        QString docNum; // the number; blanks around it are left out
        QDateTime transDate;
        QString location; // the supplying location's code
        QString target;   // the requesting department's code
        QString employee; // the requester
        QString remarks;
    };
    // The insert of one coded row of the detail grid. A quantity or unit cost that is no number
    // throws AppError 13.
    static QString lineStatement(const ui::FlexGrid &grid, int row, const LineHeader &header);
    void cmdVerify_Click();
    void cmdVerified_Click();
    void cmdDeleteReq_Click();
    void VerifySaved(const QString &strDocNum, const QString &strVerifiedByID);

    // --- printing (frmMain_printing.cpp) --------------------------------------------------------
    void cmdView_Click();

    // --- history (frmMain_history.cpp) ---------------------------------------------------------
    // The versions of the listed request (List tab) or of the stored request shown (Details tab).
    void cmdHistory_Click();
    // --- Copy as New (frmMain_copying.cpp) -------------------------------------------------------
    // Starts a new request from the request chosen in the list or shown stored on the Details
    // tab: the same departments, lines and quantities, each line's item read again at the
    // supplying location (today's cost and stock); the lines that cannot be are named in one
    // message. Unsaved work is asked about first; nothing is saved until Save.
    void cmdCopyNew_Click();

    // --- export to a spreadsheet (frmMain_exporting.cpp) ----------------------------------------
    // Writes the list (on the List tab) or the request's lines (on the Details tab) to a CSV
    // file the user chooses.
    void cmdExport_Click();
    // The file name the export of the tab shown proposes: "Requests.csv", "Request 13.csv", or
    // "Request.csv" for a request not saved yet.
    QString exportFileName() const;

    // --- keeping what the clerk wrote (frmMain_keeping.cpp) --------------------------------------
    // True when the Details tab holds work that no save has stored: lines or header values the
    // clerk entered or changed since the request was started, opened or saved.
    bool hasUnsavedWork() const { return m_unsaved; }
    // What identifies a stored request's lines as they were read: any save, verification or
    // cancellation in between changes it. Empty when the request shown is not stored.
    const QString &openedVersion() const;
    // Offers the unsaved request a crash or a power cut left in the workstation's journal for this
    // employee and database; Yes shows it on the Details tab, unsaved, No discards it.
    void offerRecovery();
    // The fingerprint of a stored request's lines, from the load procedure's rows; `lines` is
    // their number.
    static QString requestVersion(db::Recordset &rs, int *lines = nullptr);

    // --- controls -------------------------------------------------------------------------------
    // header frame
    QGroupBox *vkFrame3 = nullptr;
    ui::LocationCombo *cboTargetLocation = nullptr; // requesting department, "Department From"
    ui::LocationCombo *cboLocation = nullptr;       // supplying location, "Request to Location"
    // command column
    QGroupBox *vkFrame1 = nullptr;
    QPushButton *cmdNew = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdDeleteReq = nullptr;
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdView = nullptr;
    QPushButton *cmdHistory = nullptr; // "History (F7)"
    QCheckBox *chkPrint = nullptr;
    QPushButton *cmdList = nullptr;
    QPushButton *cmdDetails = nullptr;
    QPushButton *cmdCopyNew = nullptr; // "Copy as New", Alt+W
    QPushButton *cmdExport = nullptr;  // the list or the lines to a CSV file, F8
    QTabWidget *SSTab1 = nullptr;
    // list tab
    QRadioButton *optOptions[2] = {};
    QCheckBox *chkverified = nullptr;
    ui::FlexGrid *grdListing = nullptr;
    // details tab: header
    QGroupBox *vkFrame4 = nullptr;
    QLineEdit *txtDocNum = nullptr;
    QDateTimeEdit *txtTransDate = nullptr;
    QLineEdit *txtRemarks = nullptr;
    QLabel *lblFinal = nullptr; // says when the request shown is processed or cancelled
    // details tab: line entry
    QGroupBox *fraItem = nullptr;
    QLineEdit *txtProdCode = nullptr;
    QPushButton *cmdCode = nullptr;
    QLineEdit *txtProdName = nullptr;
    QLabel *lblEmptyList = nullptr; // "No pending requests." when the list is empty
    QLineEdit *txtWithdraw = nullptr;
    QLineEdit *txtUnitCost = nullptr;
    QLineEdit *txtTotalCost = nullptr;
    QLabel *lblForRetail = nullptr; // "For Retail?", Label1(13)
    QRadioButton *optConsumed[2] = {};
    QCheckBox *chkAdS = nullptr;
    QLabel *lblADSStock = nullptr;
    QLabel *lblMin = nullptr;
    QLabel *txtMin = nullptr;
    QLabel *lblMax = nullptr;
    QLabel *txtMax = nullptr;
    QPushButton *cmdOK = nullptr;
    // details tab: the item's values at the location
    QGroupBox *fraStock = nullptr;
    QLineEdit *txtListCost = nullptr;
    QLineEdit *txtAverageCost = nullptr;
    QLineEdit *txtPacking = nullptr;
    QLineEdit *txtOnhand = nullptr;
    QLineEdit *txtUOM = nullptr;
    QLineEdit *Text2 = nullptr; // a spare box the clearing empties; never shown
    // details tab: lines and totals
    ui::FlexGrid *grdDetails = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdDelete = nullptr;
    QLineEdit *txtTotalCounter = nullptr;
    QLineEdit *txtLineCounter = nullptr;
    // details tab: button column
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdVerify = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdVerified = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // However the window is closed (its close button, Alt+F4, the desktop), unsaved work is not
    // thrown away without the Exit question.
    void closeEvent(QCloseEvent *event) override;

private:
    struct Validation
    {
        QWidget *field;
        std::function<bool()> check;
    };

    void buildWindow();
    QWidget *buildListTab();
    QWidget *buildDetailsTab();
    QGroupBox *buildRequestHeader();
    QGroupBox *buildLineEntry();
    void layOutLineEntry();
    QGroupBox *buildItemInformation();
    QVBoxLayout *buildRequestButtons();
    QHBoxLayout *buildLineTotals();
    void setTabOrder();
    void connectHandlers();
    void applyClientAdjustments();
    void connectGrid();
    void connectEntry();
    void connectListing();
    void connectSaving();
    void connectPrinting();
    void connectHistory();

    // --- the warning before a duplicate (frmMain_duplicates.cpp) --------------------------------
    // True when the request shown is saved as a new one (its number is "NEW" or typed).
    bool isNewRequest() const;
    // Before a new request's save, outside any transaction: the open requests like it are shown
    // (if any); true when the user goes on (Enter), false to go back (Escape).
    bool duplicatesAccepted();
    // The read of the open requests like the one shown; underLock inside the save's transaction.
    QString duplicatesStatement(bool underLock) const;
    // Inside the save's transaction: true when the rows of duplicatesStatement hold a request the
    // user was not shown; they are kept for the question asked after the rollback.
    bool unseenDuplicates(db::Recordset &rows, const QString &except);
    // Asks again after a save rolled back for a request saved meanwhile; true to save anyway.
    bool duplicatesAcceptedAgain();
    // Before Save or Verify/Save of a "NEW" request: its number check and its look for requests
    // alike are asked of a server in one message.
    void readAheadForSave(std::optional<db::Prefetch> &ahead);
    // Copy as New and Export, in the command column under View.
    void addCopyAndExportButtons(QVBoxLayout *commands);
    void connectCopying();
    void connectExporting();
    // The stored request Copy as New copies; empty, after telling the user, when there is none.
    QString requestToCopy();
    // The path the user chose for an export, proposing the name; empty when cancelled.
    QString chooseExportFile(const QString &proposed);
    // A request number as part of a file name: what no file name may hold becomes "_".
    static QString fileNamePart(const QString &number);
    // The table written to the file the user chooses (proposing the name), a failure told; the
    // path written, empty when cancelled or failed.
    QString exportTable(const QString &proposed, const QStringList &headers,
                        const QList<QVariantList> &rows);
    // The loaded request's date and justification, from the first of its lines.
    void loadHeader(const db::Recordset &rs);
    void showItem(clsItem &item, bool offerAverageCost);
    // The location the typed item is looked up and shown at.
    ui::LocationCombo *itemLocation() const;
    // txtProdCode_Validate when the search chose nothing for the typed text: its result.
    bool noItemChosen(const QString &typed, const QString &search);
    // txtProdCode_Validate with the item found: the kit it stands for expanded, or the item
    // shown and the focus on the quantity (or refused for nothing on hand, where that rule holds).
    bool takeItem(clsItem &item, const ui::LocationCombo *location);
    void refuseZeroOnHand();
    // The code of the active kit the item code stands for; "" when none.
    QString kitCodeOf(const QString &code);
    // The entry panel shows the item now resolved at a location: only such a code becomes a line.
    void markResolved(const QString &code, const ui::LocationCombo *at);
    bool entryResolved() const;
    // Empties every field that shows an item's values; the typed code stays unless asked.
    void clearItemFields(bool withCode);
    // A code that did not resolve: its fields are emptied unless they still show that very item.
    void forgetUnresolvedCode();
    QString nextDocumentNumber(); // GetNewDocNumber without its message: failures are thrown
    // The number a NEW request is saved under, taken inside the save's transaction: the next
    // number, checked to hold no lines, or the next free one after it. Failures are thrown.
    // `alsoRead`, when given, is read in the same message; its rows go to `alsoReadRows`.
    QString takeNewNumber(db::Connection &c, const QString &alsoRead = {},
                          db::Recordset *alsoReadRows = nullptr);
    // How many lines are stored under the number that comes after the largest one.
    static QString nextNumberLinesStatement();

    void showNumberingFailure(const QString &description);
    // Processed and cancelled requests are final: true (after telling the user) when the request
    // shown is one of them.
    bool refusedAsFinal();
    // "P" (processed) and "D" (cancelled): a request in either status is never changed again.
    static bool isFinalStatus(const QString &status);
    // Marks the request shown as processed ("P"), cancelled ("D") or open ("").
    void setFinalStatus(const QString &status);
    // A stored request the window cannot show exactly (more lines than the grid holds, a longer
    // justification, an earlier date, values past the limits) is shown for reading only: saving
    // it would cut what is stored. Why, added to the reasons found while it is loaded.
    void cannotHoldExactly(const QString &why);
    void clearReadOnlyReason();
    QString readOnlyMessage() const;
    // refusedAsFinal, and the same for a request shown for reading only: true after telling why.
    bool refusedAsReadOnly();
    // A request without any coded line is not saved: true (after telling the user) when so.
    bool refusedAsEmpty();
    // The save's writes, in one transaction; returns the number the request was stored under.
    enum class SaveRefusal {
        None,
        Numbering,
        NumberTaken,
        Final,
        Changed,
        Unconfirmed,
        Duplicates
    };
    QString writeRequest(const QString &verifiedBy, SaveRefusal &refusal, QString &number);
    // After a save refused because the stored request changed: reopen it, or keep the lines.
    void offerReopen(const QString &why);
    // Finds out whether the save whose commit was never confirmed got through (Pending when the
    // server still does not answer), and tells the user.
    enum class Settled { Pending, Stored, NotStored };
    Settled settleUnconfirmedSave();
    // An employee's name as the list shows it ("LAST, FIRST"), or the code when none is stored.
    QString requesterName(const QString &employee);
    // True when the kit's lines went into the grid (after the lines there, or in their place, as
    // the user chose); false when declined, taken back or the kit has none.
    bool expandKit(const QString &kitCode);

    // --- keeping what the clerk wrote (frmMain_keeping.cpp) --------------------------------------
    void connectKeeping();
    // The request on the Details tab was changed by the clerk: it is unsaved, and the journal
    // keeps it.
    void markUnsaved();
    // The request on the Details tab is now what is stored (or was discarded on purpose): nothing
    // to keep.
    void markSaved();
    // Asks before unsaved work is thrown away; true when it may go (or there is none).
    bool confirmDiscard(const QString &what);
    void writeJournal();
    void clearJournal();
    void restoreFromJournal();
    QString journalDatabase() const;
    // The moment now on the server's clock (the start-up's offset kept), to the second.
    QDateTime serverNow() const;
    // Who changed a stored request since it was shown, and when, as far as its rows say.
    QString describeChange(const QString &docNum);

    // Runs a handler; an error nobody expected is shown and the window stays usable.
    void guarded(const std::function<void()> &handler);
    // A button's handler; it does not run while a field's check refuses what the field holds.
    void onClick(QPushButton *button, void (frmMain::*handler)());
    // A field whose check runs when the focus leaves it for another field of the window.
    void addValidation(QWidget *field, std::function<bool()> check);
    // A command pressed while a field is refused: runs that field's check once more. True when it
    // now passes (or the field is out of sight); false after showing its message again.
    bool checkFailedFieldAgain();
    bool runValidation(const Validation &v);
    // Puts the focus back into a refused field once; other fields' checks do not run meanwhile.
    void refocus(QWidget *field);
    bool handleKeyPreview(QWidget *target, QKeyEvent *event);
    bool handleGridEvent(QEvent *event);
    bool ownEnterRule(QWidget *target); // line entry's fields with an Enter rule of their own
    void onTabChanged(int index);

    QList<Validation> m_validations;
    QList<QWidget *> m_noValidation;  // buttons that may be pressed whatever a field holds
    QWidget *m_failedField = nullptr; // the field whose check refused it last
    bool m_validating = false;
    bool m_refocusPending = false; // a refused field gets the focus back when this action ends
    // The item the entry panel shows, and where it was resolved.
    QString m_resolvedItem;
    const ui::LocationCombo *m_resolvedAt = nullptr;
    QString m_resolvedTag;
    bool m_itemResolved = false;
    // The line removed last, for Ctrl+Z: its row and cells.
    struct RemovedLine
    {
        int row = 0;
        QStringList cells;
    };
    std::optional<RemovedLine> m_removedLine;
    QString m_lastVerifiedBy; // who verified in the last Verify/Save
    // Why the request shown cannot be saved from the window; empty when it can.
    QString m_readOnlyReason;
    // Where a new request starts: the supplying location at start-up (name, code), and the
    // department the clerk chose last.
    std::pair<QString, QString> m_startSupply;
    QString m_lastDepartment;
    std::optional<QString> m_ownDepartmentId; // the clerk's department code, once read
    QString m_finalStatus;       // "P" or "D" when the request shown is processed or cancelled
    QDateTime m_startDate;       // the server's time of start-up
    qint64 m_serverOffsetMs = 0; // the server's clock minus the workstation's, at start-up
    bool m_unsaved = false;      // the Details tab holds work no save has stored
    bool m_exitConfirmed = false;
    bool m_restoring = false;     // the journal's request is being put back: no writes meanwhile
    bool m_journalFailed = false; // the clerk was told the journal cannot be written
    bool m_dateEdited = false;    // the clerk is changing the request's date
    // The stored request's version when it was shown. An opened request's is made from its
    // lines as read when it is first asked for (an edit, a save, a cancellation), not while the
    // clerk waits for the request to appear; a request only looked at never needs it.
    void setOpenedVersion(QString version);
    void setOpenedLines(const db::Recordset &lines);
    mutable QString m_openedVersion;
    mutable std::unique_ptr<db::Recordset> m_openedLines; // the version's lines, until it is made
    // The stored version the clerk was told of after a refused save, and may deliberately save
    // over.
    std::optional<QString> m_overwriteVersion;
    // A save whose commit the server never confirmed: the number it went under and the version
    // stored before it, checked once the server answers again.
    struct UnconfirmedSave
    {
        QString number;
        QString versionBefore;
    };
    std::optional<UnconfirmedSave> m_unconfirmed;
    // The requests like the new one the user was last asked about, and those found under the
    // save's lock.
    QStringList m_duplicatesShown;
    QList<duplicaterequests::Request> m_duplicatesFound;
    QDateTime m_duplicatesSince; // the look's cut-off, kept for one save
    bool m_keyPreview = true;    // off while the detail grid has the focus
    int m_currentTab = 0;
    bool m_editing = false; // cmdEdit_Click is switching to the Details tab itself
    QString m_exportFolder; // where the last export went: the next one is proposed there
};

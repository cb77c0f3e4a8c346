#include "request/frmMain.h"

#include "app/modInventory.h"
#include "platform/db/dberror.h"
#include "platform/error.h"
#include "platform/ui/accessiblenames.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/named.h"
#include "platform/ui/windowplacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

using ui::named;

QLabel *label(const QString &text, const char *name, QWidget *buddy = nullptr)
{
    auto *l = named(new QLabel(text), name);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QLineEdit *display(const char *name)
{
    // A box the program fills: read-only, skipped by Tab and Enter.
    auto *box = named(new QLineEdit, name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QPushButton *button(const QString &caption, const char *name)
{
    auto *b = named(new QPushButton(caption), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    modInventory::registerMainWindow(this);
    setWindowTitle(QStringLiteral("CALVOX - Inventory Request"));
    buildWindow();
    setTabOrder();
    connectHandlers();
    connectGrid();
    connectEntry();
    connectListing();
    connectSaving();
    connectPrinting();
    connectHistory();
    connectKeeping();
    connectCopying();
    connectExporting();
    qApp->installEventFilter(this);
    // The button the keyboard is on is always to be seen, whatever the style draws for focus.
    setStyleSheet(QStringLiteral("QPushButton:focus { border: 2px solid palette(highlight); "
                                 "border-radius: 3px; padding: 3px 8px; "
                                 "background: palette(button); }"));
    // What an action did, said without a message box to dismiss.
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    // 1240 x 780 where the screen has room, centred; maximised on a smaller screen (or a larger
    // scale), where the grids give up their rows first.
    ui::fitToScreen(this, QSize(1240, 780));
    guarded([this] { Form_Load(); });
}

db::Connection &frmMain::connection()
{
    return modInventory::signedInConnection(QStringLiteral("frmMain"));
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
    if (modInventory::MainWindow() == this)
        modInventory::registerMainWindow(nullptr);
}

// --- building the window ------------------------------------------------------------------------

void frmMain::buildWindow()
{
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);

    // The two locations of the request.
    vkFrame3 = named(new QGroupBox(QStringLiteral("Inventory Request")), "vkFrame3");
    cboTargetLocation = named(new ui::LocationCombo, "cboTargetLocation");
    cboLocation = named(new ui::LocationCombo, "cboLocation");
    cboTargetLocation->setMinimumWidth(330);
    cboLocation->setMinimumWidth(330);
    auto *locations = new QGridLayout(vkFrame3);
    locations->addWidget(label(QStringLiteral("Department &From"), "Label1(3)", cboTargetLocation),
                         0, 0);
    locations->addWidget(cboTargetLocation, 0, 1);
    locations->addWidget(label(QStringLiteral("(Department you're from)"), "Label2"), 0, 2);
    locations->addWidget(label(QStringLiteral("Re&quest to Location"), "Label1(6)", cboLocation), 1,
                         0);
    locations->addWidget(cboLocation, 1, 1);
    locations->addWidget(label(QStringLiteral("(Department you're requesting to)"), "Label3"), 1,
                         2);
    locations->setColumnStretch(3, 1);
    outer->addWidget(vkFrame3);

    auto *body = new QHBoxLayout;
    outer->addLayout(body, 1);

    // The command column.
    vkFrame1 = named(new QGroupBox, "vkFrame1");
    auto *commands = new QVBoxLayout(vkFrame1);
    cmdNew = button(QStringLiteral("&New"), "cmdNew");
    cmdEdit = button(QStringLiteral("&Edit"), "cmdEdit");
    cmdDeleteReq = button(QStringLiteral("&Delete"), "cmdDeleteReq");
    cmdExit = button(QStringLiteral("E&xit"), "cmdExit");
    cmdView = button(QStringLiteral("&View"), "cmdView");
    // The history of the listed or the opened request, by its function key.
    cmdHistory = button(QStringLiteral("History (F7)"), "cmdHistory");
    cmdHistory->setShortcut(QKeySequence(Qt::Key_F7));
    chkPrint = named(new QCheckBox(QStringLiteral("Print S&hort")), "chkPrint");
    chkPrint->setVisible(false);
    for (QWidget *w : {static_cast<QWidget *>(cmdNew), static_cast<QWidget *>(cmdEdit),
                       static_cast<QWidget *>(cmdDeleteReq), static_cast<QWidget *>(cmdExit),
                       static_cast<QWidget *>(cmdView), static_cast<QWidget *>(cmdHistory)}) {
        w->setMinimumHeight(40);
        commands->addWidget(w);
    }
    addCopyAndExportButtons(commands);
    commands->addWidget(chkPrint);
    commands->addStretch(1);
    vkFrame1->setFixedWidth(150);
    body->addWidget(vkFrame1);

    // LIST / DETAILS above the two tabs.
    auto *right = new QVBoxLayout;
    auto *switches = new QHBoxLayout;
    cmdList = button(QStringLiteral("LIST"), "cmdList");
    cmdDetails = button(QStringLiteral("DETAILS"), "cmdDetails");
    switches->addWidget(cmdList);
    switches->addWidget(cmdDetails);
    switches->addStretch(1);
    right->addLayout(switches);
    SSTab1 = named(new QTabWidget, "SSTab1");
    SSTab1->setAccessibleName(QStringLiteral("Requests and their details"));
    SSTab1->addTab(buildListTab(), QStringLiteral("List"));
    SSTab1->addTab(buildDetailsTab(), QStringLiteral("Details"));
    right->addWidget(SSTab1, 1);
    body->addLayout(right, 1);

    setCentralWidget(central);
    ui::nameFromLabels(central);
}

QWidget *frmMain::buildListTab()
{
    auto *tab = new QWidget;
    auto *layout = new QVBoxLayout(tab);
    auto *filters = new QHBoxLayout;
    optOptions[0] = named(new QRadioButton(QStringLiteral("Pending")), "optOptions(0)");
    optOptions[1] = named(new QRadioButton(QStringLiteral("Pr&ocessed")), "optOptions(1)");
    chkverified = named(new QCheckBox(QStringLiteral("Verif&ied")), "chkverified");
    optOptions[0]->setChecked(true);
    filters->addWidget(optOptions[0]);
    filters->addWidget(optOptions[1]);
    filters->addSpacing(24);
    filters->addWidget(chkverified);
    filters->addStretch(1);
    layout->addLayout(filters);
    grdListing = named(new ui::FlexGrid, "grdListing");
    grdListing->setAccessibleName(QStringLiteral("Requests"));
    layout->addWidget(grdListing, 1);
    // An empty list says so, under the filters.
    lblEmptyList = label(QString(), "lblEmptyList");
    lblEmptyList->setVisible(false);
    layout->insertWidget(1, lblEmptyList);
    return tab;
}

QWidget *frmMain::buildDetailsTab()
{
    auto *tab = new QWidget;
    auto *layout = new QGridLayout(tab);
    layout->addWidget(buildRequestHeader(), 0, 0, 1, 2);
    layout->addWidget(buildLineEntry(), 1, 0);
    layout->addWidget(buildItemInformation(), 1, 1);
    // The lines, their buttons and totals, and the request's own buttons.
    grdDetails = named(new ui::FlexGrid, "grdDetails");
    grdDetails->setAccessibleName(QStringLiteral("Request lines"));
    layout->addWidget(grdDetails, 2, 0);
    layout->addLayout(buildRequestButtons(), 2, 1);
    layout->addLayout(buildLineTotals(), 3, 0);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);
    return tab;
}

// The request's header: its number, date and justification.
QGroupBox *frmMain::buildRequestHeader()
{
    vkFrame4 = named(new QGroupBox(QStringLiteral("Details")), "vkFrame4");
    txtDocNum = named(new QLineEdit, "txtDocNum");
    // No length limit: a number stored by another program is shown whole, never cut; a typed one
    // is checked on Save.
    txtDocNum->setReadOnly(true);
    txtDocNum->setMaximumWidth(140);
    txtTransDate = named(new QDateTimeEdit, "txtTransDate");
    txtTransDate->setDisplayFormat(QStringLiteral("MM/dd/yyyy HH:mm:ss AP"));
    txtTransDate->setCalendarPopup(true);
    txtRemarks = named(new QLineEdit, "txtRemarks");
    txtRemarks->setMaxLength(RemarksLength);
    auto *header = new QGridLayout(vkFrame4);
    header->addWidget(label(QStringLiteral("Document No."), "Label1(5)", txtDocNum), 0, 0);
    header->addWidget(txtDocNum, 0, 1);
    header->addWidget(label(QStringLiteral("Transaction Date"), "Label1(4)", txtTransDate), 0, 2);
    header->addWidget(txtTransDate, 0, 3);
    // A processed or cancelled request says so beside its date.
    lblFinal = named(new QLabel, "lblFinal");
    lblFinal->setStyleSheet(QStringLiteral("QLabel { color: #b00020; font-weight: bold; }"));
    lblFinal->setVisible(false);
    header->addWidget(lblFinal, 0, 4, Qt::AlignRight);
    header->setColumnStretch(4, 1);
    header->addWidget(label(QStringLiteral("&Justification of Request:"), "Label1(2)", txtRemarks),
                      1, 0);
    header->addWidget(txtRemarks, 1, 1, 1, 4);
    return vkFrame4;
}

// One line at a time: the fields, then their places.
QGroupBox *frmMain::buildLineEntry()
{
    fraItem = named(new QGroupBox(QStringLiteral("Item Entry")), "fraItem");
    txtProdCode = named(new QLineEdit, "txtProdCode");
    txtProdCode->setMaxLength(50);
    cmdCode = button(QStringLiteral("..."), "cmdCode");
    cmdCode->setFixedWidth(32);
    cmdCode->setAccessibleName(QStringLiteral("Search products"));
    txtProdName = named(new QLineEdit, "txtProdName");
    txtWithdraw = named(new QLineEdit, "txtWithdraw");
    txtUnitCost = named(new QLineEdit, "txtUnitCost");
    txtTotalCost = named(new QLineEdit, "txtTotalCost");
    txtTotalCost->setReadOnly(true);
    // No length limit: a number is refused by its value, never cut to a length.
    for (QLineEdit *number : {txtWithdraw, txtUnitCost, txtTotalCost})
        number->setAlignment(Qt::AlignRight);
    lblForRetail = label(QStringLiteral("For Retail?"), "Label1(13)");
    optConsumed[0] = named(new QRadioButton(QStringLiteral("&Yes")), "optConsumed(0)");
    optConsumed[1] = named(new QRadioButton(QStringLiteral("N&o")), "optConsumed(1)");
    optConsumed[0]->setChecked(true);
    chkAdS = named(new QCheckBox(QStringLiteral("ADS Stoc&k")), "chkAdS");
    lblADSStock = label(QString(), "lblADSStock");
    chkAdS->setVisible(false);
    lblADSStock->setVisible(false);
    lblMin = label(QStringLiteral("Min Stock"), "lblMin");
    txtMin = label(QString(), "txtMin");
    lblMax = label(QStringLiteral("Max Stock"), "lblMax");
    txtMax = label(QString(), "txtMax");
    for (QLabel *l : {lblMin, txtMin, lblMax, txtMax})
        l->setVisible(false);
    cmdOK = button(QStringLiteral("&Update"), "cmdOK");
    cmdOK->setMinimumHeight(32);

    layOutLineEntry();
    return fraItem;
}

void frmMain::layOutLineEntry()
{
    auto *entry = new QGridLayout(fraItem);
    entry->addWidget(label(QStringLiteral("Code"), "lblCode", txtProdCode), 0, 0);
    auto *code = new QHBoxLayout;
    code->addWidget(txtProdCode);
    code->addWidget(cmdCode);
    entry->addLayout(code, 0, 1);
    entry->addWidget(label(QStringLiteral("Name/Desc"), "lblProdName", txtProdName), 0, 2);
    entry->addWidget(txtProdName, 0, 3, 1, 3);
    entry->addWidget(label(QStringLiteral("Quantity"), "lblWithdraw", txtWithdraw), 1, 0);
    entry->addWidget(txtWithdraw, 1, 1);
    entry->addWidget(label(QStringLiteral("Unit Cost"), "lblUnitCost", txtUnitCost), 1, 2);
    entry->addWidget(txtUnitCost, 1, 3);
    entry->addWidget(label(QStringLiteral("Total Cost"), "lblTotalCost", txtTotalCost), 1, 4);
    entry->addWidget(txtTotalCost, 1, 5);
    entry->addWidget(lblForRetail, 2, 0);
    // The two answers in a group named with their question, so a screen reader hears "Yes" and
    // "No" (or the captions a client's load gives them) as answers to it. The group draws nothing.
    auto *answers = new QGroupBox;
    answers->setFlat(true);
    answers->setStyleSheet(QStringLiteral("QGroupBox { border: none; margin: 0; padding: 0; }"));
    answers->setAccessibleName(QStringLiteral("For Retail?"));
    auto *retail = new QHBoxLayout(answers);
    retail->setContentsMargins(0, 0, 0, 0);
    retail->addWidget(optConsumed[0]);
    retail->addWidget(optConsumed[1]);
    retail->addStretch(1);
    entry->addWidget(answers, 2, 1);
    auto *ads = new QHBoxLayout;
    ads->addWidget(chkAdS);
    ads->addWidget(lblADSStock);
    ads->addStretch(1);
    entry->addLayout(ads, 2, 2, 1, 2);
    auto *minMax = new QHBoxLayout;
    minMax->addWidget(lblMin);
    minMax->addWidget(txtMin);
    minMax->addSpacing(12);
    minMax->addWidget(lblMax);
    minMax->addWidget(txtMax);
    minMax->addStretch(1);
    entry->addLayout(minMax, 3, 0, 1, 4);
    entry->addWidget(cmdOK, 2, 4, 2, 2);
    entry->setColumnStretch(3, 1);
}

// The item's values at the location.
QGroupBox *frmMain::buildItemInformation()
{
    fraStock = named(new QGroupBox(QStringLiteral("Item Information")), "fraStock");
    txtListCost = display("txtListCost");
    txtAverageCost = display("txtAverageCost");
    txtPacking = display("txtPacking");
    txtOnhand = display("txtOnhand");
    txtUOM = display("txtUOM");
    Text2 = display("Text2");
    Text2->setVisible(false);
    auto *stock = new QGridLayout(fraStock);
    stock->addWidget(label(QStringLiteral("Current Stock"), "lblOnhand", txtOnhand), 0, 0);
    stock->addWidget(txtOnhand, 0, 1);
    stock->addWidget(label(QStringLiteral("Unit of Measure"), "lblUOM", txtUOM), 1, 0);
    stock->addWidget(txtUOM, 1, 1);
    stock->addWidget(label(QStringLiteral("Average Cost"), "lblAverageCost", txtAverageCost), 2, 0);
    stock->addWidget(txtAverageCost, 2, 1);
    stock->addWidget(label(QStringLiteral("List Cost"), "lblListCost", txtListCost), 3, 0);
    stock->addWidget(txtListCost, 3, 1);
    stock->addWidget(label(QStringLiteral("Packing"), "lblPacking", txtPacking), 4, 0);
    stock->addWidget(txtPacking, 4, 1);
    for (QLineEdit *number : {txtOnhand, txtAverageCost, txtListCost, txtPacking})
        number->setAlignment(Qt::AlignRight);
    fraStock->setFixedWidth(260);
    return fraStock;
}

// The request's own buttons, in a column beside the lines.
QVBoxLayout *frmMain::buildRequestButtons()
{
    auto *buttons = new QVBoxLayout;
    cmdCancel = button(QStringLiteral("&Cancel"), "cmdCancel");
    cmdVerify = button(QStringLiteral("Ve&rify/Save"), "cmdVerify");
    cmdSave = button(QStringLiteral("&Save"), "cmdSave");
    cmdVerified = button(QStringLiteral("Save/Ver&ify"), "cmdVerified");
    cmdVerified->setVisible(false);
    for (QPushButton *b : {cmdSave, cmdVerify, cmdCancel, cmdVerified}) {
        b->setMinimumHeight(40);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    return buttons;
}

// The lines' buttons and totals, under the lines.
QHBoxLayout *frmMain::buildLineTotals()
{
    auto *totals = new QHBoxLayout;
    cmdAdd = button(QStringLiteral("&Add"), "cmdAdd");
    cmdDelete = button(QStringLiteral("De&lete"), "cmdDelete");
    cmdDelete->setAccessibleName(QStringLiteral("Delete line")); // beside the request's Delete
    txtLineCounter = display("txtLineCounter");
    txtLineCounter->setMaximumWidth(110);
    txtLineCounter->setAlignment(Qt::AlignCenter);
    txtTotalCounter = display("txtTotalCounter");
    txtTotalCounter->setMaximumWidth(170);
    txtTotalCounter->setAlignment(Qt::AlignRight);
    totals->addWidget(cmdAdd);
    totals->addWidget(cmdDelete);
    // How the lines grid is worked from the keyboard.
    auto *hint = label(QStringLiteral("Enter corrects a line; Delete or . removes it; Ctrl+Z puts "
                                      "it back"),
                       "lblLineKeys");
    hint->setWordWrap(true);
    totals->addWidget(hint, 1);
    totals->addWidget(label(QStringLiteral("Line"), "lblLine", txtLineCounter));
    totals->addWidget(txtLineCounter);
    totals->addSpacing(12);
    totals->addWidget(label(QStringLiteral("Grand Total"), "lblGrandTotal", txtTotalCounter));
    totals->addWidget(txtTotalCounter);
    return totals;
}

// The order a clerk fills a request in: the two locations, the header, then one line after another.
void frmMain::setTabOrder()
{
    const QList<QWidget *> order = {
        cboTargetLocation, cboLocation,   txtDocNum,      txtTransDate,   txtRemarks, txtProdCode,
        txtWithdraw,       txtUnitCost,   optConsumed[0], optConsumed[1], chkAdS,     cmdOK,
        grdDetails,        cmdAdd,        cmdDelete,      cmdSave,        cmdVerify,  cmdCancel,
        cmdCode,           txtProdName,   txtTotalCost,   cmdNew,         cmdEdit,    cmdDeleteReq,
        cmdView,           cmdHistory,    cmdExit,        chkPrint,       cmdList,    cmdDetails,
        optOptions[0],     optOptions[1], chkverified,    grdListing};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void frmMain::connectHandlers()
{
    // Leaving the request, starting another or moving between the tabs needs no field to be right
    // first: these commands go ahead and forget a refused field.
    m_noValidation = {cmdNew, cmdEdit, cmdCancel, cmdExit, cmdList, cmdDetails};
    onClick(cmdNew, &frmMain::cmdNew_Click);
    onClick(cmdEdit, &frmMain::cmdEdit_Click);
    onClick(cmdCancel, &frmMain::cmdCancel_Click);
    onClick(cmdExit, &frmMain::cmdExit_Click);
    onClick(cmdList, &frmMain::cmdList_Click);
    onClick(cmdDetails, &frmMain::cmdDetails_Click);
    connect(SSTab1, &QTabWidget::currentChanged, this,
            [this](int index) { guarded([&] { onTabChanged(index); }); });
    addValidation(cboLocation, [this] { return cboLocation_Validate(); });
    addValidation(cboTargetLocation, [this] { return cboTargetLocation_Validate(); });
}

void frmMain::onClick(QPushButton *button, void (frmMain::*handler)())
{
    connect(button, &QPushButton::clicked, this, [this, button, handler] {
        if (m_failedField) {
            if (m_noValidation.contains(button))
                m_failedField = nullptr;
            else if (!checkFailedFieldAgain())
                return;
        }
        guarded([this, handler] { (this->*handler)(); });
    });
}

// --- errors, validation and the keyboard rule ---------------------------------------------------

void frmMain::guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const db::DbError &e) {
        // A server that did not answer in time: nothing of the action was stored, and what the
        // window shows is kept for the next try.
        ui::MsgBox(e.kind() == db::DbError::Kind::TimedOut
                       ? e.description() + QStringLiteral(" Nothing was saved; what is on screen "
                                                          "is kept. Try again in a moment.")
                       : e.description(),
                   ui::Buttons::OK, ui::Icon::Critical);
    } catch (const AppError &e) {
        // The hourglass guards on the way out have restored the pointer already.
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    } catch (const std::exception &e) {
        ui::MsgBox(QString::fromLocal8Bit(e.what()), ui::Buttons::OK, ui::Icon::Critical);
    }
}

void frmMain::addValidation(QWidget *field, std::function<bool()> check)
{
    m_validations.append({field, std::move(check)});
}

// One filter on the application sees every event of the window's widgets before they do.
bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == grdDetails && handleGridEvent(event))
        return true;
    if (event->type() == QEvent::KeyPress) {
        auto *target = qobject_cast<QWidget *>(watched);
        if (target && target->window() == this && target == focusWidget() &&
            handleKeyPreview(target, static_cast<QKeyEvent *>(event)))
            return true;
    } else if (event->type() == QEvent::FocusIn && watched == txtTransDate) {
        // The latest date a request may have follows the clock: now, on the server's clock.
        const QDateTime now = serverNow();
        if (now > txtTransDate->maximumDateTime())
            txtTransDate->setMaximumDateTime(now);
    } else if (event->type() == QEvent::FocusIn &&
               (watched == txtDocNum || watched == txtProdCode || watched == txtWithdraw)) {
        // Entry fields select their whole text when the focus comes in.
        auto *box = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, box, &QLineEdit::selectAll);
    } else if (event->type() == QEvent::FocusOut && !m_validating) {
        // A field's check runs when the focus moves on to another field of this window; a
        // message box or a popup taking the focus is not leaving the field, nor is a field
        // going out of sight with its tab.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        for (const Validation &v : std::as_const(m_validations)) {
            if (v.field != watched || reason == Qt::PopupFocusReason ||
                reason == Qt::ActiveWindowFocusReason || !v.field->isVisible())
                continue;
            QWidget *next = focusWidget(); // where the focus is going, in this window
            if (next && (next == v.field || v.field->isAncestorOf(next) || next->window() != this ||
                         m_noValidation.contains(next)))
                continue;
            runValidation(v);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::runValidation(const Validation &v)
{
    m_validating = true;
    bool accepted = true;
    guarded([&] { accepted = v.check(); });
    m_validating = false;
    if (accepted) {
        if (m_failedField == v.field)
            m_failedField = nullptr;
    } else {
        m_failedField = v.field;
        refocus(v.field);
    }
    return accepted;
}

void frmMain::refocus(QWidget *field)
{
    if (m_refocusPending)
        return; // one move of the focus per action
    m_refocusPending = true;
    QTimer::singleShot(0, field, [this, field] {
        m_refocusPending = false;
        if (!field->isVisible())
            return;
        // The field the focus leaves is not checked on the way: two refused fields would
        // otherwise hand the focus back and forth for ever.
        m_validating = true;
        field->setFocus(Qt::OtherFocusReason);
        m_validating = false;
    });
}

bool frmMain::checkFailedFieldAgain()
{
    if (m_refocusPending)
        return false; // refused by this very action: its message has just been shown
    QWidget *field = m_failedField;
    if (!field->isVisible() || !field->isEnabled()) {
        m_failedField = nullptr; // a field out of sight holds nothing back
        return true;
    }
    for (const Validation &v : std::as_const(m_validations)) {
        if (v.field == field)
            return runValidation(v);
    }
    m_failedField = nullptr;
    return true;
}

bool frmMain::handleKeyPreview(QWidget *target, QKeyEvent *event)
{
    // Enter on a listed request opens it, as a double-click does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) &&
        (target == grdListing || grdListing->isAncestorOf(target))) {
        emit grdListing->DblClick();
        return true;
    }
    // The detail grid handles its own keys while it has the focus.
    if (!m_keyPreview || target == grdDetails || grdDetails->isAncestorOf(target))
        return false;
    if (event->modifiers() & Qt::AltModifier) {
        // Alt with a letter no command answers to is swallowed: it never types the letter.
        const QString text = event->text();
        return !text.isEmpty() && text.at(0).isPrint();
    }
    if (event->modifiers() & Qt::ControlModifier)
        return false;

    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (ownEnterRule(target))
            return true;
        if (auto *b = qobject_cast<QPushButton *>(target)) {
            b->click(); // Enter on a button presses it
            return true;
        }
        focusNextPrevChild(true);
        return true;
    }
    const QString text = event->text();
    if (text == QLatin1String("'"))
        return true; // no quote mark can be typed anywhere in the window
    const QString upper = text.toUpper();
    if (!text.isEmpty() && upper != text) {
        QKeyEvent capital(event->type(), event->key(), event->modifiers(), upper,
                          event->isAutoRepeat(), event->count());
        QCoreApplication::sendEvent(target, &capital);
        return true;
    }
    return false;
}

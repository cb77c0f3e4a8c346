#include "dialogs/frmLookup.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "dialogs/dialogsupport.h"
#include "objects/datahelpers.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windowplacement.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using db::sqlText;

namespace {

// The name comes first and takes the width the code leaves.
constexpr int NameColumn = 0;

dialogs::SharedDialog<frmLookup> g_shared;

} // namespace

frmLookup &frmLookup::instance()
{
    // No parent window.
    return g_shared.instance(nullptr);
}

void frmLookup::unload()
{
    g_shared.unload();
}

void frmLookup::choose(qint16 lookupType, const QString &text)
{
    frmLookup &dialog = instance();
    dialog.setSearchString(text);
    dialog.setLookupType(lookupType);
    dialogs::chooseCode(dialog);
}

frmLookup::frmLookup(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLookup"));
    setModal(true);

    auto *label = new QLabel(QStringLiteral("Search"), this);
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    label->setBuddy(txtSearch);
    cmdSearch = new QPushButton(QStringLiteral("Search"), this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));

    grdLookup = new ui::FlexGrid(this);
    grdLookup->setObjectName(QStringLiteral("grdLookup"));
    grdLookup->setAccessibleName(QStringLiteral("Search results"));
    grdLookup->setSelectionBehavior(QAbstractItemView::SelectRows);

    const QString captions[2] = {QStringLiteral("&Cancel"), QStringLiteral("&Select")};
    for (int i = 0; i < 2; ++i) {
        cmdOptions[i] = new QPushButton(captions[i], this);
        cmdOptions[i]->setObjectName(QStringLiteral("cmdOptions(%1)").arg(i));
        cmdOptions[i]->setAutoDefault(false);
        connect(cmdOptions[i], &QPushButton::clicked, this, [this, i] { cmdOptions_Click(i); });
    }
    cmdSearch->setAutoDefault(false);
    cmdSearch->setDefault(true);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(label);
    searchRow->addWidget(txtSearch, 1);
    searchRow->addWidget(cmdSearch);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(cmdOptions[1]);
    buttonRow->addWidget(cmdOptions[0]);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(grdLookup, 1);
    layout->addLayout(buttonRow);
    ui::fitToScreen(this, QSize(520, 360));

    connect(cmdSearch, &QPushButton::clicked, this, &frmLookup::cmdSearch_Click);
    connect(grdLookup, &ui::FlexGrid::DblClick, this, &frmLookup::grdLookup_DblClick);
    txtSearch->installEventFilter(this);
    grdLookup->installEventFilter(this);
}

frmLookup::~frmLookup() = default;

void frmLookup::Form_Load()
{
    blnExactMatch = false;
    modInventory::PubLookupCode.clear();
    switch (m_lookupType) {
    case Supplier:
        setWindowTitle(QStringLiteral("Supplier"));
        break;
    case Terms:
        setWindowTitle(QStringLiteral("Terms of Payment"));
        break;
    case UnitOfMeasure:
        setWindowTitle(QStringLiteral("Unit of Measure"));
        break;
    default:
        break;
    }
    txtSearch->setText(m_searchString);
    SearchLookup(m_searchString);
}

QString frmLookup::searchStatement(qint16 lookupType, const QString &search)
{
    const QString s = objects::trimBlanks(search).toUpper();
    const bool numeric = vb::isNumeric(s);
    // A numeric term or unit code stands in the statement unquoted: it is written as the number
    // it reads as, so nothing but a number can get there.
    const QString number = numeric ? vb::plainNumber(vb::numericValue(s)) : QString();
    switch (lookupType) {
    case Supplier:
        return QStringLiteral("Select DISTINCT SupplierName as Supplier,SupplierID As Code From "
                              "INVENTORY..tbinvSupplier ") +
               (numeric ? QStringLiteral(" Where SupplierID = '") + sqlText(s) + QStringLiteral("'")
                        : QStringLiteral(" Where SupplierName Like '") + sqlText(s) +
                              QStringLiteral("%'")) +
               QStringLiteral(" and  (not Status = 'I' or Status is null) ORDER by SupplierName");
    case Terms:
        return QStringLiteral("Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From "
                              "INVENTORY..tbinvTerms ") +
               (numeric
                    ? QStringLiteral(" Where TermsID = ") + number
                    : QStringLiteral(" Where Terms Like '") + sqlText(s) + QStringLiteral("%'")) +
               QStringLiteral(" and  (not Status = 'I' or Status is null) Order by Terms");
    case UnitOfMeasure:
        return QStringLiteral("Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code "
                              "From INVENTORY..tbinvUnitOfMeasure ") +
               (numeric ? QStringLiteral(" Where UnitOfMeasureID = ") + number
                        : QStringLiteral(" Where UnitOfMeasure Like '") + sqlText(s) +
                              QStringLiteral("%'")) +
               QStringLiteral(" and ( Not Status = 'I' or Status is Null ) Order by UnitOfMeasure");
    default:
        throw AppError(5, QStringLiteral("frmLookup"),
                       QStringLiteral("There is no lookup of type %1.").arg(lookupType));
    }
}

bool frmLookup::SearchLookup(const QString &text)
{
    m_result.Close();
    try {
        const QString sql = searchStatement(m_lookupType, text);
        m_result = objects::connectionOf(objects::sessionConnection()).OpenRecordset(sql);
    } catch (const std::exception &error) {
        // Nothing to choose from after a failed search.
        setChoosable(false);
        ui::MsgBox(objects::describe(error), ui::Buttons::OK, ui::Icon::Critical);
        return false;
    }

    const bool found = m_result.RecordCount() > 0;
    if (found) {
        if (m_result.RecordCount() == 1) {
            blnExactMatch = true;
            m_searchString = m_result.Fields(QStringLiteral("Code")).toText();
        }
    }
    setChoosable(found);
    grdLookup->setRecordset(m_result);
    dialogs::fitColumns(grdLookup, NameColumn);
    return found;
}

void frmLookup::setChoosable(bool choosable)
{
    grdLookup->setEnabled(choosable);
    cmdOptions[1]->setEnabled(choosable);
}

void frmLookup::cmdSearch_Click()
{
    if (SearchLookup(txtSearch->text()))
        grdLookup->setFocus();
    else
        txtSearch->setFocus();
}

void frmLookup::cmdOptions_Click(int index)
{
    if (index == 1) {
        QString code;
        for (int col = 0; col < grdLookup->Cols(); ++col) {
            if (grdLookup->TextMatrix(0, col).compare(QLatin1String("Code"), Qt::CaseInsensitive) ==
                0) {
                if (grdLookup->Row() >= 1)
                    code = grdLookup->TextMatrix(grdLookup->Row(), col);
                break;
            }
        }
        modInventory::PubLookupCode = code;
        accept();
    } else {
        reject();
    }
}

void frmLookup::grdLookup_DblClick()
{
    cmdOptions_Click(1);
}

bool frmLookup::grdLookup_KeyPress(int key, const QString &text)
{
    if (key == Qt::Key_Backspace) {
        const QString search = txtSearch->text();
        const qsizetype n = objects::trimBlanks(search).size();
        if (n > 0)
            txtSearch->setText(search.left(n - 1));
        return true;
    }
    const QString letter = text.toUpper();
    if (letter.size() == 1 && letter.at(0) >= QLatin1Char('A') &&
        letter.at(0) <= QLatin1Char('Z')) {
        txtSearch->setFocus();
        txtSearch->setText(letter);
        txtSearch->setCursorPosition(1);
        return true;
    }
    return false;
}

bool frmLookup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        // The default button follows the focus: Search for the text, Select for the grid.
        if (watched == txtSearch) {
            cmdOptions[1]->setDefault(false);
            cmdSearch->setDefault(true);
        } else if (watched == grdLookup) {
            cmdSearch->setDefault(false);
            cmdOptions[1]->setDefault(true);
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == grdLookup) {
            if (grdLookup_KeyPress(key->key(), key->text()))
                return true;
        } else if (watched == txtSearch) {
            const QString text = key->text();
            if (text.size() == 1 && text.at(0).isLower() &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                txtSearch->insert(text.toUpper());
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

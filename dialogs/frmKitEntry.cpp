#include "dialogs/frmKitEntry.h"

#include "app/vbformat.h"

#include "app/modInventory.h"
#include "dialogs/dialogsupport.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/twips.h"
#include "platform/ui/windowplacement.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

dialogs::SharedDialog<frmKitEntry> g_shared;

// The grid's column that takes the width the others leave.
constexpr int ProductNameColumn = 1;

const QString KitGridFormat =
    QStringLiteral("<Code |>Product Name |>Qty. |<UnitCost |<Packing |For Retail ");

// Suspends a widget's repainting for the life of the guard.
class PaintPause
{
public:
    explicit PaintPause(QWidget *widget) : m_widget(widget), m_was(widget->updatesEnabled())
    {
        m_widget->setUpdatesEnabled(false);
    }
    ~PaintPause() { m_widget->setUpdatesEnabled(m_was); }
    PaintPause(const PaintPause &) = delete;
    PaintPause &operator=(const PaintPause &) = delete;

private:
    QWidget *m_widget;
    bool m_was;
};

} // namespace

frmKitEntry::frmKitEntry(QWidget *parent) : QDialog(parent)
{
    buildWindow();
}

frmKitEntry::~frmKitEntry() = default;

frmKitEntry &frmKitEntry::instance()
{
    return g_shared.instance(modInventory::MainWindow());
}

void frmKitEntry::unload()
{
    g_shared.unload();
}

void frmKitEntry::buildWindow()
{
    setObjectName(QStringLiteral("frmKitEntry"));
    setWindowTitle(QStringLiteral("View Kit of Items"));

    vkFrame1 = new QGroupBox(QStringLiteral("View Kit of Items"), this);
    vkFrame1->setObjectName(QStringLiteral("vkFrame1"));

    flexMSHDetails = new ui::FlexGrid(vkFrame1);
    flexMSHDetails->setObjectName(QStringLiteral("flexMSHDetails"));
    flexMSHDetails->setAccessibleName(QStringLiteral("Kit items"));

    chkAddAllItems = new QCheckBox(QStringLiteral("Add All Items"), this);
    chkAddAllItems->setObjectName(QStringLiteral("chkAddAllItems"));

    cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton *button : {cmdSelect, cmdClose})
        button->setMinimumWidth(ui::twipsToPixels(1200));

    // The grid takes whatever room the dialog is given.
    auto *frameLayout = new QVBoxLayout(vkFrame1);
    frameLayout->addWidget(flexMSHDetails);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(chkAddAllItems);
    buttonRow->addStretch(1);
    buttonRow->addWidget(cmdSelect);
    buttonRow->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(vkFrame1, 1);
    layout->addLayout(buttonRow);
    ui::fitToScreen(this, QSize(ui::twipsToPixels(9480), ui::twipsToPixels(5100)));

    setTabOrder(flexMSHDetails, chkAddAllItems);
    setTabOrder(chkAddAllItems, cmdSelect);
    setTabOrder(cmdSelect, cmdClose);

    // Only the user's click changes AllItems; the load unticks the box without a click.
    connect(chkAddAllItems, &QCheckBox::clicked, this,
            [this] { m_allItems = chkAddAllItems->isChecked(); });
    connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(flexMSHDetails, &ui::FlexGrid::DblClick, this, [this] {
        if (cmdSelect->isEnabled())
            cmdSelect_Click();
    });
}

int frmKitEntry::exec()
{
    Form_Load();
    return QDialog::exec();
}

void frmKitEntry::Form_Load()
{
    // The box always opens unticked, so AllItems starts false as well: a kit expanded in full
    // last time must not make this one expand in full without the user asking.
    chkAddAllItems->setChecked(false);
    m_allItems = false;
    LoadKit(m_itemId);
}

void frmKitEntry::LoadKit(const QString &kitCode)
{
    PaintPause pause(flexMSHDetails);
    if (m_rsKit.IsOpen())
        m_rsKit.Close();

    bool hasMembers = false;
    try {
        m_rsKit = dialogs::sessionConnection(QStringLiteral("frmKitEntry"))
                      .OpenRecordset(QStringLiteral("Inventory..sp_Inv_KitofItems '") +
                                     db::sqlText(kitCode) + QStringLiteral("'"));
        FormatKitGrid();
        hasMembers = m_rsKit.RecordCount() >= 1;
        if (hasMembers) {
            flexMSHDetails->setRecordset(m_rsKit);
            // Money as the request window shows it: grouped, four decimals.
            {
                const ui::FlexGrid::Filling filling(*flexMSHDetails);
                for (int r = 1; r < flexMSHDetails->Rows(); ++r) {
                    for (int c : {3, 6}) {
                        const QString cell = flexMSHDetails->TextMatrix(r, c);
                        if (vb::isNumeric(cell))
                            flexMSHDetails->setTextMatrix(
                                r, c,
                                vb::formatNumber(vb::numericValue(cell),
                                                 QStringLiteral("###,###,##0.0000")));
                    }
                }
            }
            dialogs::fitColumns(flexMSHDetails, ProductNameColumn);
        }
    } catch (const AppError &e) {
        m_rsKit.Close();
        FormatKitGrid();
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    }
    flexMSHDetails->setEnabled(hasMembers);
    cmdSelect->setEnabled(hasMembers);
}

void frmKitEntry::FormatKitGrid()
{
    flexMSHDetails->unbind();
    flexMSHDetails->Clear();
    flexMSHDetails->setRows(2);
    flexMSHDetails->setCols(7);
    flexMSHDetails->setFixedRows(1);
    flexMSHDetails->setFormatString(KitGridFormat);

    dialogs::fitColumns(flexMSHDetails, ProductNameColumn);
}

void frmKitEntry::cmdSelect_Click()
{
    m_itemId = flexMSHDetails->TextMatrix(flexMSHDetails->Row(), 0);
    accept();
}

void frmKitEntry::cmdClose_Click()
{
    reject();
}

#include "dialogs/frmItemLookup.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "dialogs/dialogsupport.h"
#include "platform/db/connection.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/twips.h"
#include "platform/ui/windowplacement.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

dialogs::SharedDialog<frmItemLookup> g_shared;

// The result's column that takes the width the others leave.
constexpr int ProductNameColumn = 1;

} // namespace

frmItemLookup::frmItemLookup(QWidget *parent) : QDialog(parent)
{
    buildWindow();
}

frmItemLookup::~frmItemLookup() = default;

frmItemLookup &frmItemLookup::instance()
{
    return g_shared.instance(modInventory::MainWindow());
}

void frmItemLookup::unload()
{
    // The recordset goes with the dialog.
    g_shared.unload();
}

namespace {
bool g_lastFoundNothing = false;
} // namespace

bool frmItemLookup::foundNothing() const
{
    // A browse (no text) always shows the dialog: the user searches in it.
    return !blnExactMatch && m_searchFoundNothing && !SearchString().trimmed().isEmpty();
}

bool frmItemLookup::lastChoiceFoundNothing()
{
    return g_lastFoundNothing;
}

void frmItemLookup::choose(const QString &text, const QString &locationName,
                           const QString &locationCode)
{
    frmItemLookup &lookup = instance();
    lookup.setLocationName(locationName);
    lookup.setLocationCode(locationCode);
    lookup.setSearchString(text);
    g_lastFoundNothing = false; // a failure in the search found nothing to say
    g_lastFoundNothing = dialogs::chooseCode(lookup);
}

void frmItemLookup::buildWindow()
{
    setObjectName(QStringLiteral("frmItemLookup"));
    setWindowTitle(QStringLiteral("Product Search"));

    vkFrame1 = new QGroupBox(QStringLiteral("Product Search"), this);
    vkFrame1->setObjectName(QStringLiteral("vkFrame1"));

    auto *lblSearch = new QLabel(QStringLiteral("&Search"), vkFrame1);
    txtSearch = new QLineEdit(vkFrame1);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setMinimumWidth(ui::twipsToPixels(2400));
    lblSearch->setBuddy(txtSearch);

    cmdSearch = new QPushButton(vkFrame1);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    cmdSearch->setToolTip(QStringLiteral("Search"));
    // A picture alone says nothing to a screen reader; the captioned Search beside it is "Search".
    cmdSearch->setAccessibleName(QStringLiteral("Search products"));

    picSearch = new QPushButton(QStringLiteral("S&earch"), vkFrame1);
    picSearch->setObjectName(QStringLiteral("picSearch"));

    auto *lblLocation = new QLabel(QStringLiteral("&Location"), vkFrame1);
    txtLocation = new QLineEdit(vkFrame1);
    txtLocation->setObjectName(QStringLiteral("txtLocation"));
    txtLocation->setReadOnly(true);
    txtLocation->setMinimumWidth(ui::twipsToPixels(1800));
    lblLocation->setBuddy(txtLocation);

    grdLookup = new ui::FlexGrid(vkFrame1);
    grdLookup->setObjectName(QStringLiteral("grdLookup"));
    grdLookup->setAccessibleName(QStringLiteral("Products"));

    lblMore = new QLabel(this);
    lblMore->setObjectName(QStringLiteral("lblMore"));
    lblMore->setWordWrap(true);
    lblMore->hide();

    cmdOptions[1] = new QPushButton(QStringLiteral("&Select"), this);
    cmdOptions[1]->setObjectName(QStringLiteral("cmdOptions(1)"));
    cmdOptions[0] = new QPushButton(QStringLiteral("&Close"), this);
    cmdOptions[0]->setObjectName(QStringLiteral("cmdOptions(0)"));
    for (QPushButton *button : cmdOptions)
        button->setMinimumWidth(ui::twipsToPixels(1200));

    // The search box and the grid take the width the dialog is given; the grid its height.
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(lblSearch);
    searchRow->addWidget(txtSearch, 3);
    searchRow->addWidget(cmdSearch);
    searchRow->addWidget(picSearch);
    searchRow->addSpacing(ui::twipsToPixels(180));
    searchRow->addWidget(lblLocation);
    searchRow->addWidget(txtLocation, 2);
    auto *frameLayout = new QVBoxLayout(vkFrame1);
    frameLayout->addLayout(searchRow);
    frameLayout->addWidget(grdLookup, 1);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(lblMore, 1);
    buttonRow->addStretch(0); // keeps the buttons at the right while the note is hidden
    buttonRow->addWidget(cmdOptions[1]);
    buttonRow->addWidget(cmdOptions[0]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(vkFrame1, 1);
    layout->addLayout(buttonRow);
    ui::fitToScreen(this, QSize(ui::twipsToPixels(10560), ui::twipsToPixels(6780)));

    setTabOrder(txtSearch, cmdSearch);
    setTabOrder(cmdSearch, picSearch);
    setTabOrder(picSearch, grdLookup);
    setTabOrder(grdLookup, cmdOptions[1]);
    setTabOrder(cmdOptions[1], cmdOptions[0]);

    connect(txtSearch, &QLineEdit::textChanged, this, [this] { txtSearch_Change(); });
    connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
    connect(picSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
    connect(cmdOptions[0], &QPushButton::clicked, this, [this] { cmdOptions_Click(0); });
    connect(cmdOptions[1], &QPushButton::clicked, this, [this] { cmdOptions_Click(1); });
    connect(grdLookup, &ui::FlexGrid::DblClick, this, [this] {
        if (cmdOptions[1]->isEnabled())
            cmdOptions_Click(1);
    });

    txtSearch->installEventFilter(this);
    grdLookup->installEventFilter(this);
}

// --- load and search ----------------------------------------------------------------------------

void frmItemLookup::Form_Load()
{
    blnExactMatch = false;
    modInventory::PubLookupCode.clear();

    // The search runs once, for the caller's text: filling the box must not search on its own,
    // or a single match found there would turn the text into a code before the search below.
    const QString searchText = m_searchString;
    txtLocation->setText(m_locationName);
    m_loading = true;
    txtSearch->setText(searchText);
    m_loading = false;
    SearchProducts(searchText);
}

QString frmItemLookup::productSearchStatement(const QString &text, bool locationForm,
                                              const QString &supplyingCode,
                                              const QString &requestingCode, int maxRows,
                                              bool stockNamesKept)
{
    // The first rows in name order: the order follows the name index, so the server stops
    // reading once it has them.
    QString sql =
        maxRows > 0 ? QStringLiteral("Select Top %1 ").arg(maxRows) : QStringLiteral("Select ");
    if (!locationForm) {
        sql += QStringLiteral("A.ItemID as Code, A.ItemName As [Product Name], ") +
               QStringLiteral("A.ItemDesc As Description, B.SupplierName As Supplier, "
                              "A.MarkupIn As [In-Patient Markup], "
                              "A.MarkupOut As [Out-Patient Markup],") +
               QStringLiteral("Case when A.ItemStatus = 1 then 'Inactive' Else 'Active' End  "
                              "As Status, A.Packing, A.ListCost,  ") +
               QStringLiteral("C.ItemClassificationName ") +
               QStringLiteral("From INVENTORY..tbInvMaster A ") +
               QStringLiteral("Left Outer Join INVENTORY..tbInvSupplier B "
                              "ON A.SupplierID = B.SupplierID ") +
               QStringLiteral("Left Outer Join INVENTORY..tbInvClassification C "
                              "ON A.ItemClassificationID = C.ItemClassificationID ") +
               QStringLiteral(" Where ( A.ItemStatus = 0 or A.ItemStatus is Null ) "
                              "and IsNull(C.IsFixedAsset,0) <> 1 and ");
    } else if (stockNamesKept && !vb::isNumeric(text)) {
        // The department's stock rows in name order, from the typed start of the name, each with
        // its item and the store's stock row (the view joins them by their codes' plain-text
        // keys): the search stops once it has the rows it lists, however many names of the range
        // the department does not hold. The rows are those of the statement below, in its order
        // (the stock row's code orders equal names).
        sql += QStringLiteral("V.ItemID as Code, V.ProductName As [Product Name], ") +
               QStringLiteral("V.ProductDesc As Description, B.SupplierName As Supplier, "
                              "V.Markup_In As [In-Patient Markup], "
                              "V.Markup_Out As [Out-Patient Markup],") +
               QStringLiteral("Case when V.SupplyingStatus = 1 then 'Inactive' Else 'Active' end  "
                              "As Status, V.Packing, V.ListCost,  ") +
               QStringLiteral("C.ItemClassificationName ") +
               QStringLiteral("From INVENTORY..vwInvStockSearch V ") +
               QStringLiteral("Left Outer Join INVENTORY..tbInvSupplier B "
                              "ON V.SupplierID = B.SupplierID ") +
               QStringLiteral("Left Outer join INVENTORY..tbInvClassification C "
                              "ON V.ItemClassificationID = C.ItemClassificationID ") +
               QStringLiteral("Where V.LocationID = '") + db::sqlText(requestingCode) +
               QStringLiteral("' And V.SupplyingKey = Lower('") + db::sqlText(supplyingCode) +
               QStringLiteral("') And V.StockStatus = 0 ") +
               QStringLiteral("And ( V.SupplyingStatus = 0 or V.SupplyingStatus is Null ) "
                              "and ( V.ItemStatus = 0 or V.ItemStatus is Null ) "
                              "and IsNull(C.IsFixedAsset,0) <> 1 and ") +
               QStringLiteral(" V.ItemName Like '") + db::sqlText(text.trimmed().toUpper()) +
               QStringLiteral("%' Order by V.ItemName, V.ItemDesc, V.StockItemID");
        return sql;
    } else {
        sql += QStringLiteral("A.ItemID as Code, A.ItemName As [Product Name], ") +
               QStringLiteral("A.ItemDesc As Description, B.SupplierName As Supplier, "
                              "D.Markup_In As [In-Patient Markup], "
                              "D.Markup_Out As [Out-Patient Markup],") +
               QStringLiteral("Case when D.ItemStatus = 1 then 'Inactive' Else 'Active' end  "
                              "As Status, A.Packing, A.ListCost,  ") +
               QStringLiteral("C.ItemClassificationName ") +
               QStringLiteral("From INVENTORY..tbInvMaster A ") +
               // Joined on the stock rows' keys (one row per item and location): the names are
               // read in order and each is checked against the department's stock row first (the
               // rarer one), so the search stops once it has the rows it lists.
               QStringLiteral("Inner Join INVENTORY..tbInvent R ON R.ItemID = A.ItemID "
                              "And R.LocationID = '") +
               db::sqlText(requestingCode) + QStringLiteral("' And R.ItemStatus = 0 ") +
               QStringLiteral("Inner Join INVENTORY..tbInvent D ON D.ItemID = A.ItemID "
                              "And D.LocationID = '") +
               db::sqlText(supplyingCode) + QStringLiteral("' ") +
               QStringLiteral("Left Outer Join INVENTORY..tbInvSupplier B "
                              "ON A.SupplierID = B.SupplierID ") +
               QStringLiteral("Left Outer join INVENTORY..tbInvClassification C "
                              "ON A.ItemClassificationID = C.ItemClassificationID ") +
               QStringLiteral("Where ( D.ItemStatus = 0 or D.ItemStatus is Null ) "
                              "and ( A.ItemStatus = 0 or A.ItemStatus is Null ) "
                              "and IsNull(C.IsFixedAsset,0) <> 1 and ");
    }

    if (vb::isNumeric(text)) {
        sql += QStringLiteral(" A.ItemID = '") + db::sqlText(text.trimmed()) + QStringLiteral("' ");
    } else {
        sql += QStringLiteral(" A.ItemName Like '") + db::sqlText(text.trimmed().toUpper()) +
               QStringLiteral("%'");
    }
    sql += QStringLiteral(" Order by A.ItemName, A.ItemDesc");
    return sql;
}

QString frmItemLookup::searchStatement(const QString &text, int maxRows) const
{
    return searchStatementAt(text, m_locationCode, maxRows);
}

QString frmItemLookup::chooseStatement(const QString &text, const QString &locationCode) const
{
    return searchStatementAt(text, locationCode, KeystrokeRows); // Form_Load's search
}

QString frmItemLookup::searchStatementAt(const QString &text, const QString &locationCode,
                                         int maxRows) const
{
    // One row more than is listed tells whether there are more.
    const db::Connection *session =
        modInventory::objCurrentUser ? modInventory::objCurrentUser->sqlconnection() : nullptr;
    return productSearchStatement(text, !locationCode.trimmed().isEmpty(), m_supplyingCode,
                                  m_requestingCode, maxRows + 1,
                                  session && session->dialect().stockNamesKept());
}

bool frmItemLookup::SearchProducts(const QString &text, int maxRows)
{
    bool found = false;
    m_searchFoundNothing = false;
    lblMore->hide();
    try {
        const QString sql = searchStatement(text, maxRows);
        db::Connection &connection = dialogs::sessionConnection(QStringLiteral("frmItemLookup"));

        // Where a server sends the rows one by one, the list shown before is let go and the new
        // one's texts are made while it sends the rest; what is not made then is made after.
        db::Recordset shown = m_rsLookup;
        m_rsLookup.Close();
        grdLookup->unbind();
        QVector<QVector<QString>> texts;
        bool making = true;
        const db::RowWatch watch(
            connection, sql,
            [&](const db::Recordset::Columns &columns, int row, const QVariant *cells) noexcept {
                if (row == 0)
                    shown = db::Recordset();
                if (!making)
                    return;
                try {
                    making = row == texts.size();
                    if (making)
                        texts << ui::FlexGrid::cellTexts(cells, int(columns.names().size()));
                } catch (...) {
                    making = false;
                }
            });
        m_rsLookup = connection.OpenRecordset(sql);
        shown = db::Recordset();
        if (!making)
            texts.clear();

        if (m_rsLookup.Bof() && m_rsLookup.Eof()) {
            grdLookup->setEnabled(false);
            cmdOptions[1]->setEnabled(false);
            grdLookup->unbind();
            grdLookup->Clear();
            grdLookup->setRows(2);
            m_searchFoundNothing = true;
            return false;
        }

        if (m_rsLookup.RecordCount() == 1) {
            blnExactMatch = true;
            m_searchString = m_rsLookup.Fields(QStringLiteral("Code")).toText();
        }
        found = true;
        grdLookup->setEnabled(true);
        cmdOptions[1]->setEnabled(true);
        grdLookup->setRecordset(m_rsLookup, std::move(texts));
        if (m_rsLookup.RecordCount() > maxRows) {
            grdLookup->setRows(maxRows + 1); // the header and the listed rows
            lblMore->setText(
                maxRows < SearchRows
                    ? QStringLiteral("More products match than the first %L1 listed: type more "
                                     "of the name, or press Enter to list up to %L2.")
                          .arg(maxRows)
                          .arg(SearchRows)
                    : QStringLiteral("More products match than the first %L1 listed: type more "
                                     "of the name.")
                          .arg(maxRows));
            lblMore->show();
        }
        dialogs::fitColumns(grdLookup, ProductNameColumn);
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    } catch (const std::exception &e) {
        ui::MsgBox(QString::fromLocal8Bit(e.what()), ui::Buttons::OK, ui::Icon::Critical);
    }
    return found;
}

// --- events -------------------------------------------------------------------------------------

void frmItemLookup::txtSearch_Change()
{
    if (!m_loading)
        SearchProducts(txtSearch->text());
}

void frmItemLookup::cmdSearch_Click()
{
    if (SearchProducts(txtSearch->text(), SearchRows))
        grdLookup->setFocus();
    else
        txtSearch->setFocus();
}

void frmItemLookup::cmdOptions_Click(int index)
{
    if (index == 1) {
        modInventory::PubLookupCode = grdLookup->TextMatrix(grdLookup->Row(), 0);
        accept();
    } else {
        reject();
    }
}

bool frmItemLookup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSearch) {
        if (event->type() == QEvent::FocusIn)
            cmdSearch->setDefault(true);
        else if (event->type() == QEvent::KeyPress)
            return txtSearch_KeyPress(static_cast<QKeyEvent *>(event));
    } else if (watched == grdLookup) {
        if (event->type() == QEvent::FocusIn)
            cmdOptions[1]->setDefault(true);
        else if (event->type() == QEvent::KeyPress)
            return grdLookup_KeyDown(static_cast<QKeyEvent *>(event));
    }
    return QDialog::eventFilter(watched, event);
}

// Typed letters become capitals: the key goes on to the box with its text upper-cased.
bool frmItemLookup::txtSearch_KeyPress(QKeyEvent *event)
{
    const QString typed = event->text();
    const QString upper = typed.toUpper();
    if (typed.isEmpty() || upper == typed)
        return false;
    QKeyEvent capital(QEvent::KeyPress, event->key(), event->modifiers(), upper,
                      event->isAutoRepeat(), event->count());
    QCoreApplication::sendEvent(txtSearch, &capital);
    return true;
}

// Backspace shortens the search text; a letter starts a new search with that letter alone. Keys
// held with Ctrl, Alt or Meta are shortcuts and left to the grid and the dialog.
bool frmItemLookup::grdLookup_KeyDown(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace) {
        QString text = txtSearch->text().trimmed();
        if (!text.isEmpty()) {
            text.chop(1);
            txtSearch->setText(text); // searches; the focus stays on the grid
        }
        return true;
    }
    constexpr auto shortcutModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z &&
        !(event->modifiers() & shortcutModifiers)) {
        txtSearch->setFocus();
        txtSearch->setText(QString(QChar(event->key()))); // searches
        txtSearch->setCursorPosition(1);
        return true;
    }
    return false;
}

// What a screen reader meets in every window and dialog, walked through QAccessible as an assistive
// technology walks it: each control it can reach named for what it is, each grid named and its
// cells read with their column's header, nothing hidden in its way; and Tab leaving every grid.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "app/modReports.h"
#include "dialogs/frmDeletePassword.h"
#include "dialogs/frmItemLookup.h"
#include "dialogs/frmKitEntry.h"
#include "dialogs/frmLookup.h"
#include "dialogs/frmReportViewer.h"
#include "platform/session/databasedialog.h"
#include "platform/session/signindialog.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbHospitalInfo (HospitalID, Company, Address, TelNum)
    VALUES (1, 'KESTREL RIDGE GENERAL HOSPITAL', '1200 LARKSPUR AVENUE', '(555) 014-3300');
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', 'A', 1, 0, 1, 'S');
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, '');
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E01', 'REYES', 'ANA');
INSERT INTO tbInvSupplier (SupplierID, SupplierName, Status) VALUES ('S1', 'MEDLINE', 'A');
INSERT INTO tbInvSupplier (SupplierID, SupplierName, Status) VALUES ('S2', 'MEDSTAR', 'A');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, AverageCost, Packing, KitID) VALUES
    ('KIT1', 'FIRST AID KIT', 'STANDARD', 0, 1, 'K1'),
    ('1001', 'GAUZE 4X4', 'STERILE', 10, 12, NULL),
    ('1002', 'GAUZE ROLL', 'DISPOSABLE', 2.5, 100, NULL);
INSERT INTO tbInvKit (KitID, ItemID, Quantity, RetailType, Active) VALUES
    ('K1', '1001', 2, 'Y', 'A'),
    ('K1', '1002', 5, 'N', 'A');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('7', '1002', 1, 3, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
)";

// The interfaces under node that a screen reader can come to, node first, depth first: nothing
// under a hidden one (a closed combo box's list, the tab not shown).
void collect(QAccessibleInterface *node, QList<QAccessibleInterface *> &out)
{
    if (!node || !node->isValid() || out.size() > 5000)
        return;
    out << node;
    if (node->state().invisible)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        collect(node->child(i), out);
}

QString describe(QAccessibleInterface *node)
{
    const QObject *object = node->object();
    const QString id = object && !object->objectName().isEmpty()
                           ? object->objectName()
                           : (object ? QString::fromLatin1(object->metaObject()->className())
                                     : QStringLiteral("?"));
    return QStringLiteral("%1 [%2] \"%3\"")
        .arg(id, qAccessibleRoleString(node->role()), node->text(QAccessible::Name));
}

bool isCellRole(QAccessible::Role role)
{
    return role == QAccessible::Cell || role == QAccessible::ColumnHeader ||
           role == QAccessible::RowHeader || role == QAccessible::Row ||
           role == QAccessible::ListItem;
}

// A combo box Qt names by the text it shows, as Qt does on Linux, is still read with the label
// that it names as its label relation, and its edit field by that label's name.
bool labelled(QAccessibleInterface *node)
{
    if (node->role() != QAccessible::ComboBox)
        return false;
    const auto labels = node->relations(QAccessible::Label);
    for (const auto &label : labels) {
        if (!label.first->text(QAccessible::Name).trimmed().isEmpty())
            return true;
    }
    return false;
}

// A group with a name its answers are heard with ("For Retail?": Yes, No).
bool inNamedGroup(QAccessibleInterface *node)
{
    for (QAccessibleInterface *up = node->parent(); up; up = up->parent()) {
        if (up->role() == QAccessible::Grouping && !up->text(QAccessible::Name).trimmed().isEmpty())
            return true;
        if (up->role() == QAccessible::Window || up->role() == QAccessible::Dialog)
            return false;
    }
    return false;
}

// The cells of a grid read with their column's header as context; one fault per grid at most.
QString gridFault(QAccessibleInterface *grid)
{
    QAccessibleTableInterface *table = grid->tableInterface();
    auto *view = qobject_cast<QAbstractItemView *>(grid->object());
    if (!table || !view)
        return QString();
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            QAccessibleInterface *cell = table->cellAt(r, c);
            if (!cell)
                return QStringLiteral("%1: no cell at %2,%3").arg(describe(grid)).arg(r).arg(c);
            const QString header =
                view->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().trimmed();
            const QString context = cell->text(QAccessible::Description);
            if (context != header)
                return QStringLiteral("%1: the cell at %2,%3 (\"%4\") is described \"%5\", not by "
                                      "its column \"%6\"")
                    .arg(describe(grid))
                    .arg(r)
                    .arg(c)
                    .arg(cell->text(QAccessible::Name), context, header);
        }
    }
    return QString();
}

// What a screen reader user would find wrong with a window: one line per fault.
QStringList faults(QWidget *window)
{
    QList<QAccessibleInterface *> nodes;
    collect(QAccessible::queryAccessibleInterface(window), nodes);
    QStringList found;
    QHash<QPair<int, QString>, QStringList> byName; // (role, name) -> the controls so named
    for (QAccessibleInterface *node : std::as_const(nodes)) {
        const QAccessible::State state = node->state();
        auto *widget = qobject_cast<QWidget *>(node->object());
        if (widget && !widget->isVisible() && !state.invisible)
            found << describe(node) + QStringLiteral(": hidden, yet shown to the screen reader");
        if (state.invisible || !state.focusable || isCellRole(node->role()))
            continue;
        const QString name = node->text(QAccessible::Name).trimmed();
        const QString value = node->text(QAccessible::Value).trimmed();
        if (name.isEmpty() || name == QLatin1String("..."))
            found << describe(node) + QStringLiteral(": no name");
        else if (!value.isEmpty() && name == value && !node->tableInterface() && !labelled(node))
            found << describe(node) + QStringLiteral(": named by its value");
        else if ((name.compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0 ||
                  name.compare(QLatin1String("No"), Qt::CaseInsensitive) == 0) &&
                 !inNamedGroup(node))
            found << describe(node) + QStringLiteral(": an answer without its question");
        if (!name.isEmpty())
            byName[{int(node->role()), name}] << describe(node);
        if (node->tableInterface()) {
            const QString fault = gridFault(node);
            if (!fault.isEmpty())
                found << fault;
        }
    }
    for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
        if (it.value().size() > 1)
            found << it.value().join(QStringLiteral(" and ")) + QStringLiteral(": one name");
    }
    return found;
}

QWidget *topLevel(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits(className) && widget->isVisible())
            return widget;
    }
    return nullptr;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<QWidget> m_own; // a dialog the test made itself
    QString m_templates;

    frmMain &mainWindow()
    {
        if (!m_main) {
            Company = QStringLiteral("KESTREL RIDGE GENERAL HOSPITAL");
            CurDate = QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
            m_main = testsupport::openWindow();
        }
        return *m_main;
    }

    static QWidget *shown(QWidget *window)
    {
        window->show();
        QApplication::setActiveWindow(window);
        if (!QTest::qWaitForWindowActive(window))
            qWarning("%s did not become active", window->metaObject()->className());
        return window;
    }

    // Opens the window a row names, as the user comes to it.
    QWidget *open(const QString &which)
    {
        if (which == QLatin1String("request list"))
            return &mainWindow();
        if (which == QLatin1String("request details")) {
            testsupport::openListed(mainWindow(), QStringLiteral("7"));
            return &mainWindow();
        }
        if (which == QLatin1String("new request")) {
            mainWindow().cmdNew->click();
            return &mainWindow();
        }
        if (which == QLatin1String("report viewer")) {
            testsupport::selectListed(mainWindow(), QStringLiteral("7"));
            mainWindow().cmdView->click();
            return topLevel("frmReportViewer");
        }
        if (which == QLatin1String("kit")) {
            frmKitEntry &kit = frmKitEntry::instance();
            kit.setItemID(QStringLiteral("KIT1"));
            kit.Form_Load();
            return shown(&kit);
        }
        if (which == QLatin1String("product search")) {
            frmItemLookup &search = frmItemLookup::instance();
            search.setSearchString(QStringLiteral("GAUZE"));
            search.setLocationName(QStringLiteral("CENTRAL SUPPLY"));
            search.setLocationCode(QStringLiteral("19"));
            search.Form_Load();
            return shown(&search);
        }
        if (which == QLatin1String("supplier lookup")) {
            frmLookup &lookup = frmLookup::instance();
            lookup.setLookupType(frmLookup::Supplier);
            lookup.setSearchString(QStringLiteral("MED"));
            lookup.Form_Load();
            return shown(&lookup);
        }
        if (which == QLatin1String("delete password"))
            return shown(&frmDeletePassword::instance());
        if (which == QLatin1String("sign-in")) {
            m_own = std::make_unique<SignInDialog>(
                QStringLiteral("/tmp/inventory.db"), QStringLiteral("E01"),
                [](const QString &, const QString &) { return false; },
                [](QWidget *) { return std::optional<SignInDialog::Database>(); });
            return shown(m_own.get());
        }
        if (which.startsWith(QLatin1String("database, "))) {
            auto dialog =
                std::make_unique<DatabaseDialog>(SessionSettings(), [](const SessionSettings &) {
                    return std::optional<QString>();
                });
            dialog->cboKind->setCurrentIndex(which.section(QLatin1Char(' '), -1).toInt());
            m_own = std::move(dialog);
            return shown(m_own.get());
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        m_templates =
            QFileInfo(QFINDTESTDATA("../../reports/DepartmentRequest.rpt")).absolutePath();
        QVERIFY(!m_templates.isEmpty());
        QAccessible::setActive(true);
    }

    void init()
    {
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        setReportFolder(m_templates);
    }

    void cleanup()
    {
        m_own.reset();
        frmKitEntry::unload();
        frmItemLookup::unload();
        frmLookup::unload();
        frmDeletePassword::unload();
        m_main.reset(); // its report viewers go with it
        m_session.reset();
        m_messages.reset();
        setReportFolder(QString());
    }

    // Every control a screen reader can reach has a name of its own that says what it is.
    void everyControlNamed_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *window :
             {"request list", "request details", "new request", "report viewer", "kit",
              "product search", "supplier lookup", "delete password", "sign-in", "database, 0",
              "database, 1", "database, 2"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }

    void everyControlNamed()
    {
        QFETCH(QString, window);
        QWidget *shownWindow = open(window);
        QVERIFY(shownWindow);
        QCOMPARE(m_messages->texts(), QStringList());
        const QStringList found = faults(shownWindow);
        QVERIFY2(found.isEmpty(), qPrintable(QLatin1Char('\n') + found.join(QLatin1Char('\n'))));
    }

    // Tab and Shift+Tab leave a grid for the controls after and before it in the window's order;
    // the arrow keys move among its cells.
    void tabLeavesGrid_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("previous");
        QTest::newRow("kit items") << "kit"
                                   << "flexMSHDetails"
                                   << "chkAddAllItems"
                                   << "cmdClose";
        QTest::newRow("request lines") << "new request"
                                       << "grdDetails"
                                       << "cmdAdd"
                                       << "cmdOK";
        QTest::newRow("request list") << "request list"
                                      << "grdListing"
                                      << "qt_tabwidget_tabbar"
                                      << "chkverified";
        QTest::newRow("supplier lookup") << "supplier lookup"
                                         << "grdLookup"
                                         << "cmdOptions(0)"
                                         << "cmdSearch";
    }

    void tabLeavesGrid()
    {
        QFETCH(QString, window);
        QFETCH(QString, grid);
        QFETCH(QString, next);
        QFETCH(QString, previous);
        QWidget *shownWindow = open(window);
        QVERIFY(shownWindow);
        auto *view = shownWindow->findChild<ui::FlexGrid *>(grid);
        QVERIFY(view);
        view->setFocus(Qt::TabFocusReason);
        QVERIFY(view->hasFocus());
        const int col = view->Col();
        QTest::keyClick(view, Qt::Key_Right);
        QVERIFY(view->hasFocus());
        QVERIFY(view->Col() != col);

        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
        view->setFocus(Qt::TabFocusReason);
        QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), previous);
    }
};

INVENTORY_TEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

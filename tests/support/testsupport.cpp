#include "support/testsupport.h"

#include "app/modEncryption.h"
#include "platform/db/sqlquote.h"

#include "support/serverdatabase.h"

#include "app/modInventory.h"
#include "objects/clsItemClass.h"
#include "objects/clsItemMaster.h"
#include "objects/clsSupplier.h"
#include "objects/clsUnitOfMeasure.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "request/frmMain.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace testsupport {
QString staffRow(const QString &id, const QString &lastName, const QString &password)
{
    return QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, Password, "
                          "DepartmentID, Right_Code1, Right_Code2) VALUES ('%1', '%2', 'A', %3, "
                          "'4', 'A', 'S');\n")
        .arg(id, lastName,
             db::quoted(modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey,
                                                   password)));
}

void checkRaised(const std::optional<AppError> &error, const QString &source)
{
    QVERIFY(error);
    QCOMPARE(error->number(), long(modInventory::vbObjectError + 9999));
    QCOMPARE(error->source(), source);
    QCOMPARE(error->description(), QStringLiteral("An unknown error has occurred!"));
}

void checkModalWatchesDone()
{
    QCOMPARE(ui::test::pendingModalWatches(), 0);
    QCOMPARE(ui::test::takeModalFailures(), QStringList());
}

Session::Session(const QString &fixture, const QString &employee, db::Contents contents)
{
    auto connection = newDatabase(m_dir, contents);
    if (!fixture.isEmpty())
        connection->runScript(fixture);
    m_user = std::make_unique<clsCurrentUser>();
    m_user->attach(std::move(connection), employee);
    modInventory::objCurrentUser = m_user.get();
    modInventory::DefaultLocationID = QStringLiteral("19");
    modInventory::InventoryTypeAccess = QStringLiteral("A");
}

Session::~Session()
{
    modInventory::ResetSession();
}

db::Connection &Session::connection()
{
    return *m_user->sqlconnection();
}

std::unique_ptr<frmMain> openWindow()
{
    auto window = std::make_unique<frmMain>();
    window->show();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("The request window did not become active.");
    return window;
}

bool isActive(const frmMain &window)
{
    return QApplication::activeWindow() == &window;
}

void setGridLines(frmMain &window, const QStringList &lines)
{
    ui::FlexGrid &grid = *window.grdDetails;
    grid.setRows(int(lines.size()) + 2);
    for (int r = 1; r < grid.Rows(); ++r) {
        const QStringList cells =
            r <= lines.size() ? lines.at(r - 1).split(QLatin1Char('|')) : QStringList(5);
        const int columns[] = {0, 2, 3, 5, 6};
        for (int c = 0; c < 7; ++c)
            grid.setTextMatrix(r, c, QString());
        for (int i = 0; i < 5; ++i)
            grid.setTextMatrix(r, columns[i], cells.value(i));
    }
}

void openListed(frmMain &window, const QString &number)
{
    ui::FlexGrid &list = *window.grdListing;
    for (int r = 1; r < list.Rows(); ++r) {
        if (list.TextMatrix(r, 0) == number) {
            list.setRow(r);
            emit list.DblClick();
            QCOMPARE(window.txtDocNum->text(), number);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("request %1 is not listed").arg(number)));
}

void selectListed(frmMain &window, const QString &number)
{
    ui::FlexGrid &list = *window.grdListing;
    for (int r = 1; r < list.Rows(); ++r) {
        if (list.TextMatrix(r, 0) == number) {
            list.setRow(r);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("request %1 is not listed").arg(number)));
}

void installModalWatchdog()
{
    auto *timer = new QTimer(qApp);
    auto *since = new QElapsedTimer;
    auto *watched = new QPointer<QWidget>;
    QObject::connect(timer, &QTimer::timeout, qApp, [since, watched] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != watched->data()) {
            *watched = modal;
            since->start();
            return;
        }
        if (modal && since->elapsed() > 15000) {
            qWarning("A %s was left open with nobody to answer it; closing it.",
                     modal->metaObject()->className());
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
            else
                modal->close();
        }
    });
    timer->start(500);
}

void setLinkedRecords(clsItemMaster &item, const QString &supplierId, const QString &manufacturerId,
                      const QString &itemClassCode, qint16 unitOfMeasureCode)
{
    auto supplier = std::make_shared<clsSupplier>();
    supplier->setSupplierID(supplierId);
    item.setSupplier(supplier);
    auto manufacturer = std::make_shared<clsSupplier>();
    manufacturer->setSupplierID(manufacturerId);
    item.setManufacturer(manufacturer);
    auto itemClass = std::make_shared<clsItemClass>();
    itemClass->setCode(itemClassCode);
    item.setItemClass(itemClass);
    auto unit = std::make_shared<clsUnitOfMeasure>();
    unit->setCode(unitOfMeasureCode);
    item.setUnitOfMeasure(unit);
}

} // namespace testsupport

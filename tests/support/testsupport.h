#pragma once

#include "platform/db/connection.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"
#include "startup/startup.h"
#include "support/databases.h"
#include "support/messages.h"
#include "support/modal.h"
#include "support/sqllog.h"

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

class clsCurrentUser;
class frmMain;

class clsItemMaster;

namespace testsupport {

// A staff row for a fixture script: the employee with first name "A", department "4", the
// rights to verify, and the password in its stored form.
QString staffRow(const QString &id, const QString &lastName, const QString &password);

// Fails the test unless error is the program's raised error 9999 ("An unknown error has
// occurred!") from source.
void checkRaised(const std::optional<AppError> &error, const QString &source);

// Fails the test when a modal watch is still waiting or one of them failed.
void checkModalWatchesDone();

// Gives an item master the four linked records Update needs, by their codes.
void setLinkedRecords(clsItemMaster &item, const QString &supplierId, const QString &manufacturerId,
                      const QString &itemClassCode, qint16 unitOfMeasureCode);

// A signed-in session on a fresh database of its own, as start-up leaves it: the fixture script
// run, the employee signed in as the current user, DefaultLocationID "19" and InventoryTypeAccess
// "A". The session values (and any main window) are reset when it goes.
class Session
{
public:
    explicit Session(const QString &fixture, const QString &employee = QStringLiteral("E01"),
                     db::Contents contents = db::Contents::SchemaOnly);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    clsCurrentUser &user() { return *m_user; }
    db::Connection &connection();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<clsCurrentUser> m_user;
};

// The request window on the current session, shown and active (its load runs as at start-up, so
// set the session values it reads first). isActive() tells whether it could be activated.
std::unique_ptr<frmMain> openWindow();
bool isActive(const frmMain &window);
// The window's grid given these lines, each "code|quantity|unit cost|retail|ADS", then the empty
// new-line row.
void setGridLines(frmMain &window, const QStringList &lines);
// The listed request double-clicked, as the user opens it; a test failure when it is not listed
// or does not open.
void openListed(frmMain &window, const QString &number);
// The listed request highlighted, as a click on its row leaves it; a test failure when it is not
// listed.
void selectListed(frmMain &window, const QString &number);

// Closes a modal dialog nobody answers within 15 s, with a warning naming it, so a test that opens
// a dialog it did not expect fails instead of hanging.
void installModalWatchdog();

} // namespace testsupport

#define INVENTORY_TEST_MAIN(TestClass)                                                             \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        testsupport::prepareEnvironment();                                                         \
        QApplication app(argc, argv);                                                              \
        modInventory::installLookups();                                                            \
        testsupport::installModalWatchdog();                                                       \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

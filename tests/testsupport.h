#pragma once

#include "platform/db/connection.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"
#include "startup/startup.h"
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

// A fresh embedded database in dir with the program's schema (and the demo data when asked).
std::unique_ptr<db::Connection> newDatabase(const QTemporaryDir &dir,
                                            db::Contents contents = db::Contents::SchemaOnly,
                                            const QString &fileName = QStringLiteral("test.db"));

// Fresh databases one after another, in a temporary folder of their own: each with the schema
// and a script run on it.
class Databases
{
public:
    std::unique_ptr<db::Connection> create(const QString &script);

private:
    QTemporaryDir m_dir;
    int m_files = 0;
};

// Rows of a query as text, one "a|b|c" string per row, NULL shown as <null>.
QStringList rows(db::Connection &connection, const QString &sql);

// The AppError the call raised; none when it went through.
template <typename F>
std::optional<AppError> raised(F &&f)
{
    try {
        f();
    } catch (const AppError &error) {
        return error;
    }
    return std::nullopt;
}

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

// Closes a modal dialog nobody answers within 15 s, with a warning naming it, so a test that opens
// a dialog it did not expect fails instead of hanging.
void installModalWatchdog();

// The same fixed locale and screen resolution in every test: numbers and twips come out the same
// on every machine.
void prepareEnvironment();

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

// Failures of the embedded file itself and of the server's logon, which no transport row
// shares: a missing file, a file that is no database, a locked one, a refused logon.
#include "support/databases.h"

#include "support/serverdatabase.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/sqlquote.h"

#include <QFile>

using namespace db;

class TestConnectionFailures : public QObject
{
    Q_OBJECT

private slots:
    void missingFileIsNotCreated()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("absent.db"));
        try {
            Connection::openSqlite(path);
            QFAIL("a missing file was opened");
        } catch (const DbError &e) {
            QVERIFY2(e.description().contains(path), qPrintable(e.description()));
            QVERIFY(e.description().contains(QLatin1String("does not exist")));
        }
        QVERIFY(!QFile::exists(path));
    }

    void notADatabase()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("garbage.db"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        try {
            Connection::openSqlite(path);
            QFAIL("a garbage file was opened");
        } catch (const DbError &e) {
            QVERIFY2(e.description().contains(QLatin1String("not a database")),
                     qPrintable(e.description()));
        }
        QFile check(path);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray(4096, 'x')); // nothing written
    }

    void lockedDatabaseTimesOutClearly()
    {
        QTemporaryDir dir;
        testsupport::newDatabase(dir);
        auto holder = Connection::openSqlite(dir.filePath(QStringLiteral("test.db")));
        auto waiter = Connection::openSqlite(dir.filePath(QStringLiteral("test.db")),
                                             Connection::Create::No, 200);
        holder->BeginTrans();
        holder->Execute(
            QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (1, 'CASH')"));
        try {
            waiter->Execute(QStringLiteral(
                "Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (2, 'CREDIT')"));
            QFAIL("wrote past another writer's lock");
        } catch (const DbError &e) {
            QVERIFY2(e.description().contains(QLatin1String("locked")),
                     qPrintable(e.description()));
        }
        // Readers still see the last committed state while the writer works.
        QCOMPARE(testsupport::rows(*waiter,
                                   QStringLiteral("Select Count(*) From INVENTORY..tbInvTerms")),
                 QStringList{QStringLiteral("0")});
        holder->CommitTrans();
        QCOMPARE(
            testsupport::rows(*waiter, QStringLiteral("Select Terms From INVENTORY..tbInvTerms")),
            QStringList{QStringLiteral("CASH")});
    }

    void refusedServerLogonNamesNoPassword()
    {
        auto logon = testsupport::testServerLogon(QStringLiteral("postgres"));
        if (!logon)
            QSKIP("No PostgreSQL test server: INVENTORY_TEST_POSTGRES is not set.");
        logon->password = QStringLiteral("Wr0ng-%1").arg(logon->password);
        try {
            Connection::openPostgres(*logon);
            QFAIL("signed on with a wrong password");
        } catch (const DbError &e) {
            QVERIFY2(
                e.description().startsWith(QLatin1String("Cannot connect to the database server")),
                qPrintable(e.description()));
            QVERIFY(!e.description().contains(logon->password));
        }
    }

    void refusedLogonNamesNoPassword()
    {
        const QString secret = QStringLiteral("Sup3rSecret");
        try {
            Connection::openOdbc(
                QStringLiteral("DRIVER=FreeTDS;Server=127.0.0.1;Port=9;Database=INVENTORY;"
                               "UID=sa;PWD=%1;TDS_Version=7.4;LoginTimeout=5")
                    .arg(secret));
            QFAIL("connected to a server that is not there");
        } catch (const DbError &e) {
            QVERIFY2(
                e.description().startsWith(QLatin1String("Cannot connect to the database server")),
                qPrintable(e.description()));
            QVERIFY(!e.description().contains(secret));
        }
    }
};

INVENTORY_DB_TEST_MAIN(TestConnectionFailures)

#include "tst_connectionfailures.moc"

// Transactions: the guard rolls back on a throw, and writers on separate processes queue behind
// the lock (BEGIN IMMEDIATE on SQLite, the table lock a locking read takes on the server)
// instead of taking the same number. Every case on every engine.
#include "testsupport.h"

#include "platform/db/dberror.h"

#include <QProcess>

using namespace db;

class TestTransactions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }
    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }

    void guardRollsBackOnThrow()
    {
        QTemporaryDir dir;
        auto c = testsupport::newDatabase(dir);
        c->Execute(QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (1, 'CASH')"));
        try {
            Transaction t(*c);
            c->Execute(QStringLiteral("Delete INVENTORY..tbInvTerms Where TermsID = 1"));
            c->Execute(QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (2, '30 DAYS')"));
            c->Execute(QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Nothing) Values (3, 'x')"));
            t.commit();
            QFAIL("the failing insert ran");
        } catch (const DbError &) {
        }
        QVERIFY(!c->InTransaction());
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select TermsID, Terms From INVENTORY..tbInvTerms")),
                 QStringList{QStringLiteral("1|CASH")});

        {
            Transaction t(*c);
            c->Execute(QStringLiteral("Update INVENTORY..tbInvTerms Set Terms = 'COD' Where TermsID = 1"));
            t.commit();
        }
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Terms From INVENTORY..tbInvTerms")),
                 QStringList{QStringLiteral("COD")});
    }

    void oneTransactionAtATime()
    {
        QTemporaryDir dir;
        auto c = testsupport::newDatabase(dir);
        Transaction t(*c);
        QVERIFY_THROWS_EXCEPTION(DbError, c->BeginTrans());
        t.commit();
        QVERIFY_THROWS_EXCEPTION(DbError, c->CommitTrans());
        QVERIFY_THROWS_EXCEPTION(DbError, c->RollbackTrans());
    }

    void twoProcessesNeverTakeTheSameNumber_data()
    {
        QTest::addColumn<bool>("overOdbc");
        QTest::newRow("embedded") << false;
        QTest::newRow("odbc") << true;
    }

    void twoProcessesNeverTakeTheSameNumber()
    {
        QFETCH(bool, overOdbc);
        if (overOdbc && testsupport::currentEngine() != testsupport::Engine::Sqlite)
            QSKIP("ODBC is a transport of the embedded file");
        QTemporaryDir dir;
        auto c = testsupport::newDatabase(dir);
        c->runScript(QStringLiteral("CREATE TABLE Counter (Number INTEGER, Worker TEXT)"));
        const QString path = testsupport::targetOf(*c);
        const QString target =
            overOdbc ? QStringLiteral("odbc:DRIVER=SQLite3;Database=%1;Timeout=30000").arg(path) : path;

        const int perWorker = 300;
        QProcess first;
        QProcess second;
        first.start(QStringLiteral(COUNTER_WORKER), {target, QString::number(perWorker), QStringLiteral("A")});
        second.start(QStringLiteral(COUNTER_WORKER), {target, QString::number(perWorker), QStringLiteral("B")});
        QVERIFY(first.waitForFinished(120000));
        QVERIFY(second.waitForFinished(120000));
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
        QVERIFY2(second.exitCode() == 0, second.readAllStandardError().constData());

        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Count(*), Count(Distinct Number), Max(Number) "
                                                      "From Counter")),
                 QStringList{QStringLiteral("%1|%1|%1").arg(2 * perWorker)});
    }
};

INVENTORY_TEST_MAIN(TestTransactions)
#include "tst_transactions.moc"

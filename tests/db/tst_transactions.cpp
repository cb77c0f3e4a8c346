// Transactions: the guard rolls back on a throw, and writers on separate processes queue behind
// the lock (BEGIN IMMEDIATE on SQLite, the table lock a locking read takes on the server)
// instead of taking the same number. Every case on every engine.
#include "support/databases.h"

#include "platform/db/dberror.h"
#include "support/workstation.h"

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
        c->Execute(
            QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (1, 'CASH')"));
        try {
            Transaction t(*c);
            c->Execute(QStringLiteral("Delete INVENTORY..tbInvTerms Where TermsID = 1"));
            c->Execute(QStringLiteral(
                "Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (2, '30 DAYS')"));
            c->Execute(
                QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Nothing) Values (3, 'x')"));
            t.commit();
            QFAIL("the failing insert ran");
        } catch (const DbError &) {
        }
        QVERIFY(!c->InTransaction());
        QCOMPARE(testsupport::rows(
                     *c, QStringLiteral("Select TermsID, Terms From INVENTORY..tbInvTerms")),
                 QStringList{QStringLiteral("1|CASH")});

        {
            Transaction t(*c);
            c->Execute(
                QStringLiteral("Update INVENTORY..tbInvTerms Set Terms = 'COD' Where TermsID = 1"));
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

    // A guard that joins the caller's transaction neither commits nor rolls back: the caller's
    // outcome is the outcome of both; on its own it is an ordinary guard.
    void joinedGuardLeavesTheOutcomeToTheCaller()
    {
        QTemporaryDir dir;
        auto c = testsupport::newDatabase(dir);
        const auto insert = [&c](int id) {
            c->Execute(QStringLiteral("Insert INVENTORY..tbInvTerms (TermsID, Terms) Values (%1, "
                                      "'T')")
                           .arg(id));
        };
        const auto ids = [&c] {
            return testsupport::rows(
                *c, QStringLiteral("Select TermsID From INVENTORY..tbInvTerms Order By TermsID"));
        };
        {
            Transaction outer(*c);
            {
                Transaction joined(*c, Transaction::Mode::JoinOpen);
                insert(1);
                joined.commit(); // not the end of the caller's transaction
            }
            QVERIFY(c->InTransaction());
            {
                Transaction joined(*c, Transaction::Mode::JoinOpen);
                insert(2);
            } // left without commit: nothing rolled back yet
            QVERIFY(c->InTransaction());
        } // the caller rolls back: both go
        QCOMPARE(ids(), QStringList());
        {
            Transaction alone(*c, Transaction::Mode::JoinOpen);
            insert(3);
            alone.commit();
        }
        QVERIFY(!c->InTransaction());
        QCOMPARE(ids(), QStringList{QStringLiteral("3")});
    }

    void twoProcessesNeverTakeTheSameNumber()
    {
        QTemporaryDir dir;
        auto c = testsupport::newDatabase(dir);
        c->runScript(QStringLiteral("CREATE TABLE Counter (Number INTEGER, Worker TEXT)"));
        const QString target = testsupport::targetOf(*c);

        // The two take turns, each asking for the write lock while the other holds it with the
        // number read and not yet written: the asker must wait, then read the number written.
        const int perWorker = 100;
        testsupport::Workstation holder(QStringLiteral(COUNTER_WORKER),
                                        {target, QString::number(perWorker), QStringLiteral("A")});
        testsupport::Workstation asker(QStringLiteral(COUNTER_WORKER),
                                       {target, QString::number(perWorker), QStringLiteral("B")});
        QVERIFY(holder.waitFor("turn"));
        holder.go();
        QVERIFY2(holder.waitFor("read"), holder.errors().constData());
        auto *h = &holder;
        auto *a = &asker;
        for (int i = 1; i < 2 * perWorker; ++i) {
            QVERIFY2(a->waitFor("turn"), a->errors().constData());
            a->go();
            QVERIFY2(a->waitFor("beginning"), a->errors().constData());
            h->go(); // writes its number and commits
            QVERIFY2(a->waitFor("read"), a->errors().constData());
            std::swap(h, a);
        }
        h->go();
        QVERIFY2(holder.finish(), holder.errors().constData());
        QVERIFY2(asker.finish(), asker.errors().constData());

        QCOMPARE(testsupport::rows(
                     *c, QStringLiteral("Select Count(*), Count(Distinct Number), Max(Number) "
                                        "From Counter")),
                 QStringList{QStringLiteral("%1|%1|%1").arg(2 * perWorker)});
    }
};

INVENTORY_DB_TEST_MAIN(TestTransactions)
#include "tst_transactions.moc"

// How the connection groups the program's statements into messages on each engine: the queue
// inside a transaction, values that must go alone, the BEGIN sent with the first message, reads
// asked ahead, the lock-only read, and a transaction dropped with a lost connection. Pinned on a
// recording stand-in with each engine's own traits and dialect, SQL Server's included.

#include "platform/db/dberror.h"
#include "support/recordingbackend.h"

#include <QtTest>

using testsupport::RecordingBackend;
using Engine = RecordingBackend::Engine;

Q_DECLARE_METATYPE(RecordingBackend::Engine)

namespace {

const QString A = QStringLiteral(
    "Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID) Values ('1', 'A')");
const QString B = QStringLiteral(
    "Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID) Values ('1', 'B')");
const QString C = QStringLiteral("Delete From INVENTORY..tbInvWithdrawRequest Where ItemID = 'C'");
const QString S1 = QStringLiteral("Select ItemID From INVENTORY..tbInvMaster Where ItemID = '1'");
const QString S2 = QStringLiteral("Select ItemID From INVENTORY..tbInvMaster Where ItemID = '2'");
const QString S3 = QStringLiteral("Select ItemID From INVENTORY..tbInvMaster Where ItemID = '3'");
const QString Bound = QStringLiteral("Select ItemID From INVENTORY..tbInvMaster Where ItemID = ?");
const QString L =
    QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest WITH (UPDLOCK, HOLDLOCK)");

// The messages, each as its statements joined by " | ", with the statements named by letter.
QStringList named(const QVector<QStringList> &messages)
{
    const QList<QPair<QString, QString>> names{{A, "A"},   {B, "B"},   {C, "C"},         {S1, "S1"},
                                               {S2, "S2"}, {S3, "S3"}, {Bound, "Bound"}, {L, "L"}};
    QStringList out;
    for (QStringList message : messages) {
        for (QString &text : message)
            for (const auto &[statement, name] : names)
                text.replace(statement, name);
        out << message.join(QLatin1String(" | "));
    }
    return out;
}

} // namespace

class TestBackendRules : public QObject
{
    Q_OBJECT

    std::unique_ptr<db::Connection> m_connection;
    RecordingBackend *m_backend = nullptr;

    db::Connection &connect(Engine engine)
    {
        m_connection = RecordingBackend::connection(engine, &m_backend);
        return *m_connection;
    }

    void addRows(const QStringList &sqlite, const QStringList &postgresql,
                 const QStringList &sqlServer)
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("sqlite") << Engine::Sqlite << sqlite;
        QTest::newRow("postgresql") << Engine::PostgreSQL << postgresql;
        QTest::newRow("sqlserver") << Engine::SqlServer << sqlServer;
    }

private slots:
    // Writes whose results nobody needs wait for the next read, and go with it.
    void queuedWritesGoWithTheNextRead_data()
    {
        addRows({"BEGIN IMMEDIATE", "A", "B", "S1", "C", "COMMIT"},
                {"BEGIN | A | B | S1", "C | COMMIT"}, {"<begin>", "A | B | S1", "C", "<commit>"});
    }
    void queuedWritesGoWithTheNextRead()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        c.BeginTrans();
        c.Queue(A);
        c.Queue(B);
        QCOMPARE(c.Execute(S1).Fields(0).toText(), S1);
        c.Queue(C);
        c.CommitTrans();
        QCOMPARE(named(m_backend->messages), expected);
    }

    // Where a message of several cannot carry values, a statement with values goes alone.
    void boundValuesGoAloneWhereTheyMust_data()
    {
        addRows({"BEGIN IMMEDIATE", "A", "Bound", "COMMIT"}, {"BEGIN | A | Bound", "COMMIT"},
                {"<begin>", "A", "Bound", "<commit>"});
    }
    void boundValuesGoAloneWhereTheyMust()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        c.BeginTrans();
        c.Queue(A);
        c.query(Bound, {QStringLiteral("1")});
        c.CommitTrans();
        QCOMPARE(named(m_backend->messages), expected);
    }

    // A transaction that sent nothing, committed, and one rolled back with a write waiting.
    void emptyAndAbandonedTransactions_data()
    {
        addRows({"BEGIN IMMEDIATE", "COMMIT", "BEGIN IMMEDIATE", "A", "ROLLBACK"}, {},
                {"<begin>", "<commit>", "<begin>", "<rollback>"});
    }
    void emptyAndAbandonedTransactions()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        c.BeginTrans();
        c.CommitTrans();
        c.BeginTrans();
        c.Queue(A);
        c.RollbackTrans();
        QVERIFY(!c.InTransaction());
        QCOMPARE(named(m_backend->messages), expected);
    }

    // Reads asked ahead are answered from one message, each once, until another statement.
    void readsAskedAhead_data()
    {
        addRows({"S1", "S3", "S2"}, {"S1 | S2", "S3", "S2"}, {"S1", "S3", "S2"});
    }
    void readsAskedAhead()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        {
            const db::Prefetch ahead(c, {S1, S2});
            QCOMPARE(c.Execute(S1).Fields(0).toText(), S1);
            QCOMPARE(c.Execute(S3).Fields(0).toText(), S3);
            QCOMPARE(c.Execute(S2).Fields(0).toText(), S2); // dropped by S3: asked again
        }
        QCOMPARE(named(m_backend->messages), expected);
    }

    // A stand-in asked with the reads ahead answers the statement it is named for, once; another
    // statement in between drops it. Where reads are not asked ahead it is never sent.
    void standInsAnswerWhatTheyAreNamedFor_data()
    {
        const QString together =
            QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY | S1 | S2");
        addRows({"S1", "S3", "S3", "S1", "S3", "S3"}, {together, "S3", together, "S3", "S3"},
                {"S1", "S3", "S3", "S1", "S3", "S3"});
    }
    void standInsAnswerWhatTheyAreNamedFor()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        const bool readsAhead = engine == Engine::PostgreSQL;
        {
            db::Prefetch ahead(c, {S1}, {S2});
            QCOMPARE(c.Execute(S1).Fields(0).toText(), S1);
            ahead.standsFor(0, S3);
            QCOMPARE(c.Execute(S3).Fields(0).toText(), readsAhead ? S2 : S3);
            QCOMPARE(c.Execute(S3).Fields(0).toText(), S3);
        }
        {
            db::Prefetch ahead(c, {S1}, {S2});
            c.Execute(S1);
            c.Execute(S3);
            ahead.standsFor(0, S3);
            QCOMPARE(c.Execute(S3).Fields(0).toText(), S3);
        }
        QCOMPARE(named(m_backend->messages), expected);
    }

    // A connection lost under reads asked ahead is reported there, as the first of them would
    // have reported it; a statement the engine refused is left to be asked again and report
    // its own failure.
    void readsAheadReportALostConnection_data()
    {
        QTest::addColumn<db::DbError::Kind>("kind");
        QTest::addColumn<bool>("reported");
        QTest::newRow("lost") << db::DbError::Kind::ConnectionLost << true;
        QTest::newRow("timed out") << db::DbError::Kind::TimedOut << true;
        QTest::newRow("refused") << db::DbError::Kind::Failed << false;
    }
    void readsAheadReportALostConnection()
    {
        QFETCH(db::DbError::Kind, kind);
        QFETCH(bool, reported);
        db::Connection &c = connect(Engine::PostgreSQL);
        m_backend->failNext = kind;
        bool thrown = false;
        try {
            const db::Prefetch ahead(c, {S1, S2});
            QCOMPARE(c.Execute(S1).Fields(0).toText(), S1);
        } catch (const db::DbError &e) {
            thrown = true;
            QCOMPARE(e.kind(), kind);
        }
        QCOMPARE(thrown, reported);
    }

    // Reads that belong together, with what waits.
    void readsTogether_data()
    {
        addRows({"BEGIN IMMEDIATE", "A", "S1", "S2", "COMMIT"}, {"BEGIN | A | S1 | S2", "COMMIT"},
                {"<begin>", "A | S1", "S2", "<commit>"});
    }
    void readsTogether()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        c.BeginTrans();
        c.Queue(A);
        const QVector<db::Recordset> results = c.ExecuteAll({S1, S2});
        c.CommitTrans();
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].Fields(0).toText(), S1);
        QCOMPARE(results[1].Fields(0).toText(), S2);
        QCOMPARE(named(m_backend->messages), expected);
    }

    // A read made only for its locks: its locks alone where the engine takes them by statements
    // of their own, nothing where the transaction holds the write lock.
    void lockOnlyRead_data()
    {
        addRows({"BEGIN IMMEDIATE", "S1", "COMMIT"}, {"BEGIN | [lock] L | S1", "COMMIT"},
                {"<begin>", "L | S1", "<commit>"});
    }
    void lockOnlyRead()
    {
        QFETCH(Engine, engine);
        QFETCH(QStringList, expected);
        db::Connection &c = connect(engine);
        c.BeginTrans();
        c.Lock(L);
        c.Execute(S1);
        c.CommitTrans();
        QCOMPARE(named(m_backend->messages), expected);
    }

    // A connection lost (or a wait ended) takes the transaction and what waited with it; a
    // statement the engine refused leaves the transaction to its owner.
    void failureEndsTheTransaction_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<db::DbError::Kind>("kind");
        QTest::addColumn<bool>("stillOpen");
        QTest::addColumn<QString>("next");
        for (const auto &[name, engine] :
             {std::pair{"sqlite", Engine::Sqlite}, std::pair{"postgresql", Engine::PostgreSQL},
              std::pair{"sqlserver", Engine::SqlServer}}) {
            QTest::addRow("%s lost", name)
                << engine << db::DbError::Kind::ConnectionLost << false << "S2";
            QTest::addRow("%s timed out", name)
                << engine << db::DbError::Kind::TimedOut << false << "S2";
            QTest::addRow("%s refused", name)
                << engine << db::DbError::Kind::Failed << true << "S2";
        }
    }
    void failureEndsTheTransaction()
    {
        QFETCH(Engine, engine);
        QFETCH(db::DbError::Kind, kind);
        QFETCH(bool, stillOpen);
        QFETCH(QString, next);
        db::Connection &c = connect(engine);
        c.BeginTrans();
        c.Queue(A);
        m_backend->failNext = kind;
        try {
            c.Execute(S1);
            QFAIL("the failure was not passed on");
        } catch (const db::DbError &e) {
            QCOMPARE(e.kind(), kind);
        }
        QCOMPARE(c.InTransaction(), stillOpen);
        c.Execute(S2);
        QCOMPARE(named(m_backend->messages).constLast(), next);
    }

    // While a message waits for its answer, nothing else may use the connection.
    void nothingElseWhileWaiting()
    {
        db::Connection &c = connect(Engine::PostgreSQL);
        QString refused;
        m_backend->onSend = [&] {
            m_backend->onSend = nullptr;
            try {
                c.Execute(S2);
            } catch (const db::DbError &e) {
                refused = e.description();
            }
        };
        c.Execute(S1);
        QVERIFY2(refused.contains(QLatin1String("still waiting")), qPrintable(refused));
        QCOMPARE(named(m_backend->messages), QStringList{"S1"});
    }
};

QTEST_GUILESS_MAIN(TestBackendRules)
#include "tst_backendrules.moc"

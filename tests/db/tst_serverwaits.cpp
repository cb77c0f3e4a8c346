// A PostgreSQL server that stops answering (a lock held by another session, a backend stopped
// outright) never holds the program longer than its bound; what failed says so, and the connection
// works again afterwards. Also: the program's literals mean the same whatever the server's
// default for backslashes in strings, and rows taken as the server sends them are the whole
// result's.
#include "support/databases.h"

#include "support/serverdatabase.h"

#include "platform/db/backend.h"
#include "platform/db/dberror.h"
#include "platform/db/postgresnative.h"
#include "platform/db/sqlquote.h"

#include <QElapsedTimer>

#include <condition_variable>
#include <mutex>
#include <signal.h>
#include <thread>

using namespace db;

namespace {

constexpr int Bound = 2; // seconds
// What a wait may overrun its bound by on a busy machine (the scheduling of the test, not of the
// program).
constexpr int Slack = 6000; // ms: a loaded machine answers late, but not by minutes

const QString Count = QStringLiteral("Select Count(*) As N From INVENTORY..tbInvWithdrawRequest");

QString insertLine(const QString &document, const QString &remarks = QStringLiteral("X"))
{
    return QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, "
                          "Quantity, Remarks) Values ('%1', 'ITEM1', 1, '%2')")
        .arg(sqlText(document), sqlText(remarks));
}

int backendPid(Connection &connection)
{
    Recordset rs = connection.OpenRecordset(QStringLiteral("Select pg_backend_pid() As Pid"));
    return int(rs.Fields(0).toInteger());
}

int count(Connection &connection)
{
    Recordset rs = connection.OpenRecordset(Count);
    return int(rs.Fields(0).toInteger());
}

// A server process stopped (SIGSTOP) while this lives, and continued when it goes, or after a
// few seconds at the latest, so that a program that waits for ever fails the test instead of
// hanging it.
class StoppedBackend
{
public:
    explicit StoppedBackend(int pid) : m_pid(pid)
    {
        QVERIFY2(::kill(pid, SIGSTOP) == 0, "the server process cannot be stopped");
        m_watchdog = std::thread([this] {
            std::unique_lock lock(m_mutex);
            m_done.wait_for(lock, std::chrono::seconds(Bound + 6), [this] { return m_ended; });
            ::kill(m_pid, SIGCONT);
        });
    }
    ~StoppedBackend() { resume(); }
    StoppedBackend(const StoppedBackend &) = delete;
    StoppedBackend &operator=(const StoppedBackend &) = delete;

    void resume()
    {
        if (!m_watchdog.joinable())
            return;
        {
            std::lock_guard lock(m_mutex);
            m_ended = true;
        }
        m_done.notify_all();
        m_watchdog.join();
    }

private:
    int m_pid;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_ended = false;
    std::thread m_watchdog;
};

// The error the call raised, with the time it took.
template <typename F> std::optional<DbError> timed(F &&f, qint64 *elapsedMs)
{
    QElapsedTimer clock;
    clock.start();
    std::optional<DbError> error;
    try {
        f();
    } catch (const DbError &e) {
        error = e;
    }
    *elapsedMs = clock.elapsed();
    return error;
}

} // namespace

class TestServerWaits : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Connection> m_fixture; // another session on the test's database

    // A fresh database on the test server, and the program's connection to it with a short bound.
    std::unique_ptr<Connection> open(const QString &setup = QString())
    {
        m_fixture = testsupport::newDatabase(m_dir);
        if (!setup.isEmpty())
            m_fixture->runScript(setup.arg(m_fixture->databaseName()));
        auto logon = testsupport::testServerLogon(m_fixture->databaseName());
        logon->timeoutSeconds = Bound;
        return Connection::openPostgres(*logon);
    }

private slots:
    void init()
    {
        QString whyNot;
        if (!testsupport::useEngine(testsupport::Engine::PostgreSQL, &whyNot)) {
            if (testsupport::serverRequired())
                QFAIL(qPrintable(whyNot));
            QSKIP(qPrintable(whyNot));
        }
    }

    void cleanup()
    {
        Connection::setWaitObserver({});
        m_fixture.reset();
        testsupport::useEngine(testsupport::Engine::Sqlite, nullptr);
    }

    // Another session holds the table: the save gives up within the bound, stores nothing, and
    // the same connection goes on.
    void heldLockTimesOut()
    {
        auto c = open();
        QCOMPARE(c->timeoutSeconds(), Bound);
        m_fixture->BeginTrans();
        // Should the program wait regardless, the lock goes after a few seconds and the test fails
        // on what it finds rather than hanging.
        m_fixture->runScript(
            QStringLiteral("SET LOCAL idle_in_transaction_session_timeout = '%1s';\n"
                           "LOCK TABLE tbInvWithdrawRequest IN ACCESS EXCLUSIVE MODE")
                .arg(Bound + 4));
        qint64 elapsed = 0;
        const auto error = timed(
            [&] {
                Transaction transaction(*c);
                c->Execute(insertLine(QStringLiteral("1")));
                transaction.commit();
            },
            &elapsed);
        QVERIFY(error);
        QCOMPARE(error->kind(), DbError::Kind::TimedOut);
        QCOMPARE(error->timeoutSeconds(), Bound);
        QCOMPARE(error->description(),
                 QStringLiteral("The server did not answer within %1 s.").arg(Bound));
        QVERIFY2(elapsed < Bound * 1000 + Slack, qPrintable(QString::number(elapsed)));
        QVERIFY(!c->InTransaction());
        m_fixture->RollbackTrans();
        QCOMPARE(count(*c), 0);
        c->Execute(insertLine(QStringLiteral("2")));
        QCOMPARE(count(*c), 1);
    }

    // The server process answers nothing at all (not even its own statement timeout): the wait
    // ends at the bound, it is shown while it lasts, the connection refuses other statements
    // meanwhile, and the next statement works on a new session.
    void stoppedBackendTimesOut()
    {
        auto c = open();
        const int pid = backendPid(*c);
        QStringList phases;
        std::optional<DbError> reentered;
        Connection::setWaitObserver([&](const WaitState &state) {
            phases << QString::number(int(state.phase));
            QCOMPARE(state.timeoutSeconds, Bound);
            if (!reentered) {
                try {
                    c->Execute(Count);
                    reentered = DbError(QStringLiteral("a statement ran inside the wait"));
                } catch (const DbError &e) {
                    reentered = e;
                }
            }
        });
        count(*c);
        QVERIFY2(phases.isEmpty(), "a quick answer is not shown as a wait");

        qint64 elapsed = 0;
        std::optional<DbError> error;
        {
            StoppedBackend stopped(pid);
            error = timed([&] { count(*c); }, &elapsed);
        }
        QVERIFY(error);
        QCOMPARE(error->kind(), DbError::Kind::TimedOut);
        QVERIFY2(elapsed >= Bound * 1000 - 100 && elapsed < Bound * 1000 + Slack,
                 qPrintable(QString::number(elapsed)));
        QVERIFY(phases.size() >= 5);
        QCOMPARE(phases.first(), QString::number(int(WaitState::Phase::Started)));
        QCOMPARE(phases.last(), QString::number(int(WaitState::Phase::Ended)));
        QCOMPARE(phases.count(QString::number(int(WaitState::Phase::Started))), 1);
        QVERIFY(reentered);
        QVERIFY(reentered->description().contains(QLatin1String("still waiting")));

        Connection::setWaitObserver({});
        QCOMPARE(count(*c), 0);
        QVERIFY(backendPid(*c) != pid);
    }

    // A batch follows the same bound: queued writes going out with a read, and reads asked
    // together.
    void stoppedBackendEndsBatches()
    {
        auto c = open();
        const int pid = backendPid(*c);
        qint64 elapsed = 0;
        std::optional<DbError> error;
        {
            StoppedBackend stopped(pid);
            error = timed([&] { c->ExecuteAll({Count, Count}); }, &elapsed);
        }
        QVERIFY(error);
        QCOMPARE(error->kind(), DbError::Kind::TimedOut);
        QVERIFY2(elapsed < Bound * 1000 + Slack, qPrintable(QString::number(elapsed)));
        QCOMPARE(c->ExecuteAll({Count, Count}).size(), 2);
    }

    // The save's second message carries its writes and the COMMIT: when that goes unanswered,
    // nobody can say whether it was stored.
    void unansweredCommitIsOutcomeUnknown()
    {
        auto c = open();
        const int pid = backendPid(*c);
        qint64 elapsed = 0;
        std::optional<DbError> error;
        {
            Transaction transaction(*c);
            QCOMPARE(count(*c), 0); // the first round trip: BEGIN and the read
            StoppedBackend stopped(pid);
            error = timed(
                [&] {
                    c->Queue(insertLine(QStringLiteral("7")));
                    transaction.commit();
                },
                &elapsed);
            QVERIFY(!c->InTransaction());
        } // the guard's rollback neither hangs nor throws
        QVERIFY(error);
        QCOMPARE(error->kind(), DbError::Kind::OutcomeUnknown);
        QCOMPARE(error->description(),
                 QStringLiteral("The server did not confirm the save within %1 s; whether it "
                                "was stored is not known yet.")
                     .arg(Bound));
        QVERIFY2(elapsed < Bound * 1000 + Slack, qPrintable(QString::number(elapsed)));
        QVERIFY(count(*c) <= 1);
    }

    // A lost connection says what became of the work: a read changed nothing, a transaction's
    // work was not saved, a change made on its own may have been made.
    void lostConnectionSaysWhatBecameOfTheWork_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("said");
        QTest::newRow("read") << "read"
                              << "Nothing was changed.";
        QTest::newRow("change on its own")
            << "change"
            << "The last change may or may not have been saved: look it up before you make it "
               "again.";
        QTest::newRow("transaction") << "transaction"
                                     << "What was being done was not saved.";
    }

    void lostConnectionSaysWhatBecameOfTheWork()
    {
        QFETCH(QString, action);
        QFETCH(QString, said);
        auto c = open();
        c->Execute(insertLine(QStringLiteral("KEEP")));
        m_fixture->runScript(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backendPid(*c)));
        const auto lost = testsupport::raised([&] {
            if (action == QLatin1String("read")) {
                count(*c);
            } else if (action == QLatin1String("change")) {
                c->Execute(insertLine(QStringLiteral("NEW")));
            } else {
                Transaction transaction(*c);
                c->Queue(insertLine(QStringLiteral("NEW")));
                count(*c);
            }
        });
        QVERIFY(lost);
        QVERIFY2(lost->description().endsWith(said + QStringLiteral(" The connection has been "
                                                                    "made again: please try "
                                                                    "once more.")),
                 qPrintable(lost->description()));
    }

    // With backslashes read as escapes by the server's default, a value with backslashes and
    // quote marks is still stored exactly as typed and never changes the statement; also on the
    // session made again after the connection was lost.
    void literalsIgnoreBackslashDefault_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("hostile") << QStringLiteral("\\'); Delete From tbInvWithdrawRequest; --");
        QTest::newRow("path") << QStringLiteral("C:\\new\\table\\");
        QTest::newRow("doubled") << QStringLiteral("\\\\ it''s \\' \\");
    }

    void literalsIgnoreBackslashDefault()
    {
        QFETCH(QString, text);
        auto c = open(QStringLiteral("ALTER DATABASE %1 SET standard_conforming_strings = off"));
        c->Execute(insertLine(QStringLiteral("KEEP")));
        const QString read = QStringLiteral(
            "Select Remarks From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '%1'");
        for (const QString &document : {QStringLiteral("A"), QStringLiteral("B")}) {
            if (document == QLatin1String("B")) {
                // The server ends the session; the program makes a new one.
                m_fixture->runScript(
                    QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backendPid(*c)));
                const auto lost = testsupport::raised([&] { count(*c); });
                QVERIFY(lost);
            }
            c->Execute(insertLine(document, text));
            Recordset rs = c->OpenRecordset(read.arg(document));
            QVERIFY(!rs.Eof());
            QCOMPARE(rs.Fields(0).toText(), text);
            QCOMPARE(testsupport::rows(*c, read.arg(QStringLiteral("KEEP"))),
                     QStringList{QStringLiteral("X")});
        }
        QCOMPARE(count(*c), 3);
    }

    // Rows taken one by one as the server sends them make the recordset the whole result makes:
    // every value and its type, a value shared with the row above, a Null, no rows at all; and
    // in a message of several statements, each statement's own rows. A watcher is told each row
    // of its statement, in order, as the result will have it.
    void rowsTakenAsTheyComeAreTheWholeResult_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("request lines") << QStringLiteral(
            "SELECT g AS \"LineID\", 'WARD 5' AS \"Location\", "
            "CASE WHEN g % 3 = 0 THEN NULL ELSE 'ITEM' || (g / 2) END AS \"ItemID\", "
            "(g * 1.25)::numeric(18,4) AS \"UnitCost\", "
            "timestamp '2026-12-11 10:00' + (g / 1000) * interval '1 day' AS \"TransDate\", "
            "(g % 2)::smallint AS \"isADS\", g % 4 = 0 AS \"Flag\" "
            "FROM generate_series(1, 3000) g ORDER BY g");
        QTest::newRow("no rows") << QStringLiteral("SELECT 1 AS n WHERE false");
        QTest::newRow("one Null") << QStringLiteral("SELECT NULL::text AS t");
    }

    void rowsTakenAsTheyComeAreTheWholeResult()
    {
        QFETCH(QString, sql);
        open();
        const auto server =
            backend::openPostgres(*testsupport::testServerLogon(m_fixture->databaseName()));
        const QString other = QStringLiteral("SELECT 'other' AS o, 2 AS n");
        QList<QVariantList> told;
        const auto watcher = std::make_shared<const RowWatcher>(
            [&told](const Recordset::Columns &columns, int row, const QVariant *cells) {
                QCOMPARE(row, told.size());
                told << QVariantList(cells, cells + columns.names().size());
            });
        const auto read = [&](bool rowByRow) {
            backend::Outgoing first{QString(), sql, {}, {}, true, rowByRow, watcher};
            return server->send(
                {first, backend::Outgoing{QString(), other, {}, {}, true, rowByRow}}, false,
                nullptr);
        };
        const QVector<Recordset> whole = read(false);
        QVERIFY(told.isEmpty()); // a result taken whole is told to nobody
        const QVector<Recordset> asTheyCome = read(true);
        QCOMPARE(asTheyCome.size(), 2);
        QCOMPARE(told.size(), whole[0].RecordCount());
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(asTheyCome[i].FieldNames(), whole[i].FieldNames());
            QCOMPARE(asTheyCome[i].RecordCount(), whole[i].RecordCount());
            for (int r = 0; r < whole[i].RecordCount(); ++r) {
                for (int c = 0; c < whole[i].FieldCount(); ++c) {
                    const QVariant &got = asTheyCome[i].value(r, c);
                    const QVariant &expected = whole[i].value(r, c);
                    QCOMPARE(got.metaType(), expected.metaType());
                    QCOMPARE(got.isNull(), expected.isNull());
                    QCOMPARE(got, expected);
                    if (i == 0)
                        QCOMPARE(told[r][c], expected);
                }
            }
        }
        QCOMPARE(asTheyCome[1].Fields(0).toText(), QStringLiteral("other"));
    }

    // The connection tells a watch the rows of its statement as written, read ahead or not, and
    // nobody the rows of another.
    void rowWatchToldItsStatementsRows()
    {
        auto c = open();
        for (const char *remarks : {"first", "second", "third"})
            c->Execute(insertLine(QStringLiteral("W"), QLatin1String(remarks)));
        const QString opening = QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest 'W'");
        QStringList told;
        const RowWatch watch(
            *c, opening, [&told](const Recordset::Columns &columns, int, const QVariant *cells) {
                told << cells[columns.indexOf(QStringLiteral("Remarks"))].toString();
            });
        c->OpenRecordset(QStringLiteral("Inventory..sp_Inv_LoadWithdrawalRequest 'X'"));
        QCOMPARE(told, QStringList());
        c->OpenRecordset(opening);
        const QStringList lines{QStringLiteral("first"), QStringLiteral("second"),
                                QStringLiteral("third")};
        QCOMPARE(told, lines);
        told.clear();
        {
            const Prefetch ahead(*c, {opening});
            QCOMPARE(told, lines);
            QCOMPARE(c->OpenRecordset(opening).RecordCount(), 3);
        }
        QCOMPARE(told, lines);
    }

    // A statement that fails after some of its rows have come gives none of them back: the
    // failure is reported, and the next statement reads its own rows only.
    void failureAfterRowsTakenAsTheyCome()
    {
        open();
        const auto server =
            backend::openPostgres(*testsupport::testServerLogon(m_fixture->databaseName()));
        const auto send = [&](const QString &sql) {
            return server->send({backend::Outgoing{QString(), sql, {}, {}, true, true}}, false,
                                nullptr);
        };
        const auto failed = testsupport::raised([&] {
            send(QStringLiteral("SELECT 10 / (2500 - g) AS q FROM generate_series(1, 3000) g"));
        });
        QVERIFY(failed);
        QVERIFY2(failed->description().contains(QLatin1String("22012")),
                 qPrintable(failed->description()));
        const Recordset next = send(QStringLiteral("SELECT g FROM generate_series(1, 3) g"))[0];
        QCOMPARE(next.RecordCount(), 3);
        QCOMPARE(next.value(0, 0).toInt(), 1);
    }

    // Inserts of one row each, queued in a transaction, reach the server joined into one: what
    // is stored is what they store one by one, in their order, whatever their text holds. When
    // the table refuses one of them, the failure names that one and nothing is stored.
    void joinedInsertsStoreWhatSingleOnesWould_data()
    {
        QTest::addColumn<int>("refused"); // the insert the table refuses; -1: none
        QTest::newRow("all stored") << -1;
        QTest::newRow("the third refused") << 2;
        QTest::newRow("the last refused") << 5;
    }

    void joinedInsertsStoreWhatSingleOnesWould()
    {
        QFETCH(int, refused);
        auto c = open();
        if (refused >= 0)
            QVERIFY(testsupport::refuseInserts(*m_fixture, QStringLiteral("tbInvWithdrawRequest"),
                                               QStringLiteral("ItemID"), QStringLiteral("NO"),
                                               QStringLiteral("refused here")));
        const QStringList remarks{QStringLiteral("plain"),
                                  QStringLiteral("values (1, 2)"),
                                  QStringLiteral("it's; -- no comment"),
                                  QStringLiteral(")("),
                                  QString(),
                                  QStringLiteral("/* nor this */ \"VALUES\"")};
        QStringList inserts;
        QStringList stored;
        for (int i = 0; i < remarks.size(); ++i) {
            const QString item = i == refused ? QStringLiteral("NO") : QString::number(i);
            const QString quantity = QString::number(i % 2 ? -i - 0.25 : i);
            inserts << QStringLiteral("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, "
                                      "ItemID, Quantity, Remarks) Values ('J', '%1', %2, %3)")
                           .arg(item, quantity,
                                i == 4
                                    ? QStringLiteral("Null")
                                    : QLatin1Char('\'') + sqlText(remarks[i]) + QLatin1Char('\''));
            stored << item + QLatin1Char('|') + quantity + QLatin1Char('|') +
                          (i == 4 ? QStringLiteral("<null>") : remarks[i]);
        }
        c->BeginTrans();
        for (const QString &insert : std::as_const(inserts))
            c->Queue(insert);
        QString failed;
        try {
            c->Execute(QStringLiteral("Select Count(*) From INVENTORY..tbInvLocation"));
            c->CommitTrans();
        } catch (const DbError &e) {
            failed = e.statement();
            c->RollbackTrans();
        }
        QCOMPARE(failed, refused >= 0 ? inserts[refused] : QString());
        const QString lines = QStringLiteral(
            "Select ItemID, Quantity, Remarks From tbInvWithdrawRequest Order By LineID");
        QCOMPARE(testsupport::rows(*c, lines), refused >= 0 ? QStringList() : stored);
    }

    // What is joined: an insert of one row of values, its head the same as its neighbour's.
    void singleRowInsertsFound_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("head"); // empty: not an insert of one row
        QTest::addColumn<QString>("row");
        QTest::newRow("plain") << "Insert INTO T (a, b) Values (1, 'x')"
                               << "Insert INTO T (a, b) Values"
                               << "(1, 'x')";
        QTest::newRow("blanks and case") << "  insert into t values( 'a(b', f(2) )  "
                                         << "insert into t values"
                                         << "( 'a(b', f(2) )";
        QTest::newRow("quoted words") << "INSERT INTO \"values\" (\"x)\") VALUES ('values (')"
                                      << "INSERT INTO \"values\" (\"x)\") VALUES"
                                      << "('values (')";
        QTest::newRow("two rows") << "INSERT INTO t VALUES (1), (2)"
                                  << ""
                                  << "";
        QTest::newRow("returning") << "INSERT INTO t VALUES (1) RETURNING a"
                                   << ""
                                   << "";
        QTest::newRow("on conflict") << "INSERT INTO t VALUES (1) ON CONFLICT DO NOTHING"
                                     << ""
                                     << "";
        QTest::newRow("a query") << "INSERT INTO t SELECT * FROM (VALUES (1)) v"
                                 << ""
                                 << "";
        QTest::newRow("defaults") << "INSERT INTO t DEFAULT VALUES"
                                  << ""
                                  << "";
        QTest::newRow("two statements") << "INSERT INTO t VALUES (1); DELETE FROM t"
                                        << ""
                                        << "";
        QTest::newRow("a comment") << "INSERT INTO t VALUES (1) -- x"
                                   << ""
                                   << "";
        QTest::newRow("a backslash") << "INSERT INTO t VALUES (E'\\'')"
                                     << ""
                                     << "";
        QTest::newRow("dollar quotes") << "INSERT INTO t VALUES ($$a$$)"
                                       << ""
                                       << "";
        QTest::newRow("unclosed") << "INSERT INTO t VALUES ('a)"
                                  << ""
                                  << "";
        QTest::newRow("a name ending so") << "INSERT INTO myvalues (a) SELECT 1"
                                          << ""
                                          << "";
        QTest::newRow("an update") << "UPDATE t SET a = 1"
                                   << ""
                                   << "";
    }

    void singleRowInsertsFound()
    {
        QFETCH(QString, sql);
        QFETCH(QString, head);
        QFETCH(QString, row);
        const std::optional<postgres::InsertRow> found = postgres::singleRowInsert(sql);
        QCOMPARE(found.has_value(), !head.isEmpty());
        if (found) {
            QCOMPARE(found->head.toString(), head);
            QCOMPARE(found->row.toString(), row);
        }
    }
};

INVENTORY_DB_TEST_MAIN(TestServerWaits)
#include "tst_serverwaits.moc"

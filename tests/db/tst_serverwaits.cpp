// A server that stops answering never holds the program for ever: a held lock, a stopped backend
// and a stop while a commit's answer is awaited each end at the bound with what the user needs to
// hear, and the next statement works. Text literals stay standard whatever the server's default.
#include "testsupport.h"

#include "platform/db/dberror.h"
#include "platform/db/sqlquote.h"
#include "serverdatabase.h"

#include <QElapsedTimer>

#include <csignal>
#include <libpq-fe.h>

namespace {

constexpr int Bound = 2; // seconds

// A session of the test's own on the server, as another program would have.
class RawSession
{
public:
    explicit RawSession(const QString &database)
        : m_conn(PQconnectdb(qPrintable(qEnvironmentVariable("INVENTORY_TEST_POSTGRES") +
                                        QStringLiteral(" dbname=") + database)))
    {
    }
    ~RawSession() { PQfinish(m_conn); }
    bool ok() const { return PQstatus(m_conn) == CONNECTION_OK; }
    QString run(const QString &sql)
    {
        PGresult *r = PQexec(m_conn, sql.toUtf8().constData());
        QString out = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) > 0
                          ? QString::fromUtf8(PQgetvalue(r, 0, 0))
                          : QString::fromUtf8(PQresultErrorMessage(r));
        PQclear(r);
        return out;
    }

private:
    PGconn *m_conn;
};

} // namespace

class TestServerWaits : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<db::Connection> m_fixture; // the database, made as every test makes one
    std::unique_ptr<db::Connection> m_c;       // the program's connection, with a short bound

    int backend()
    {
        const db::Recordset rs =
            m_c->OpenRecordset(QStringLiteral("Select pg_backend_pid() as pid"));
        return rs.Fields(QStringLiteral("pid")).toText().toInt();
    }
    int stored()
    {
        return m_fixture
            ->OpenRecordset(QStringLiteral("Select Count(*) as n From "
                                           "INVENTORY..tbInvWithdrawRequest"))
            .Fields(QStringLiteral("n"))
            .toText()
            .toInt();
    }
    void queueSave()
    {
        m_c->Queue(QStringLiteral("Delete INVENTORY..tbInvWithdrawRequest Where DocumentNumber = "
                                  "'7'"));
        m_c->Queue(QStringLiteral(
            "Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
            "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Remarks) Values "
            "('7','1001',9,1,'N', '0', '19', '27', '12/10/2026 07:03:00 PM', 'E01', 'X')"));
    }
    // The failure the call ended with, and how long it took.
    template <typename F> std::optional<db::DbError> failure(F &&f, qint64 *ms)
    {
        QElapsedTimer clock;
        clock.start();
        std::optional<db::DbError> out;
        try {
            f();
        } catch (const db::DbError &e) {
            out = e;
        }
        *ms = clock.elapsed();
        return out;
    }

private slots:
    void init()
    {
        QString why;
        if (!testsupport::useEngine(testsupport::Engine::PostgreSQL, &why)) {
            if (testsupport::serverRequired())
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        m_fixture = testsupport::newDatabase(m_dir);
        m_fixture->runScript(QStringLiteral(
            "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
            "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Remarks) VALUES "
            "('7', '1001', 5, 12.5, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'W');"));
        auto logon = testsupport::testServerLogon(m_fixture->databaseName());
        QVERIFY(logon);
        logon->timeoutSeconds = Bound;
        m_c = db::Connection::openPostgres(*logon);
    }

    void cleanup()
    {
        m_c.reset();
        m_fixture.reset();
    }

    // Another session holds the table: the save ends at the bound, nothing is written, and the
    // next statement on the same connection works.
    void heldLock()
    {
        RawSession other(m_fixture->databaseName());
        QVERIFY(other.ok());
        other.run(QStringLiteral("BEGIN"));
        other.run(QStringLiteral("LOCK TABLE tbInvWithdrawRequest IN ACCESS EXCLUSIVE MODE"));
        qint64 ms = 0;
        const auto error = failure(
            [&] {
                db::Transaction t(*m_c);
                queueSave();
                t.commit();
            },
            &ms);
        QVERIFY(error);
        QCOMPARE(error->kind(), db::DbError::Kind::TimedOut);
        QCOMPARE(error->description(), QStringLiteral("The server did not answer within 2 s."));
        QVERIFY2(ms < (Bound + 5) * 1000, qPrintable(QString::number(ms)));
        QVERIFY(!m_c->InTransaction());
        other.run(QStringLiteral("ROLLBACK"));
        QCOMPARE(stored(), 1);
        QCOMPARE(backend() > 0, true); // the connection answers again
    }

    // The program's backend stops answering (stopped, as a frozen server is): a read ends at the
    // bound, and once it answers again the next statement connects anew and works.
    void stoppedBackend()
    {
        const int pid = backend();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        qint64 ms = 0;
        const auto error = failure(
            [&] {
                m_c->OpenRecordset(
                    QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest"));
            },
            &ms);
        ::kill(pid, SIGCONT);
        QVERIFY(error);
        QCOMPARE(error->kind(), db::DbError::Kind::TimedOut);
        QVERIFY2(ms < (Bound + 6) * 1000, qPrintable(QString::number(ms)));
        QVERIFY(backend() != pid);
    }

    // Stopped while the commit's answer is awaited: the outcome is said to be unknown.
    void stopDuringCommit()
    {
        const int pid = backend();
        qint64 ms = 0;
        const auto error = failure(
            [&] {
                db::Transaction t(*m_c);
                m_c->OpenRecordset(QStringLiteral("Select Count(*) From "
                                                  "INVENTORY..tbInvWithdrawRequest"));
                QCOMPARE(::kill(pid, SIGSTOP), 0);
                queueSave();
                t.commit();
            },
            &ms);
        ::kill(pid, SIGCONT);
        QVERIFY(error);
        QCOMPARE(error->kind(), db::DbError::Kind::OutcomeUnknown);
        QVERIFY(error->description().contains(QLatin1String("not known")));
        QVERIFY(!m_c->InTransaction());
        QVERIFY(backend() > 0);
    }

    // A server whose default reads backslashes as escapes: the program's session keeps literals
    // standard, so hostile text is stored as typed, before and after a reconnect.
    void literalsStayStandard()
    {
        RawSession admin(m_fixture->databaseName());
        QVERIFY(admin.ok());
        admin.run(QStringLiteral("ALTER DATABASE \"%1\" SET standard_conforming_strings = off")
                      .arg(m_fixture->databaseName()));
        auto logon = testsupport::testServerLogon(m_fixture->databaseName());
        logon->timeoutSeconds = Bound;
        m_c = db::Connection::openPostgres(*logon);
        const QStringList texts = {QStringLiteral("\\'); Delete From tbInvWithdrawRequest; --"),
                                   QStringLiteral("C:\\new\\table \\\\ end\\")};
        for (int round = 0; round < 2; ++round) {
            for (const QString &text : texts) {
                m_c->Execute(QStringLiteral("Update INVENTORY..tbInvWithdrawRequest Set Remarks = "
                                            "'") +
                             db::sqlText(text) + QStringLiteral("' Where DocumentNumber = '7'"));
                const db::Recordset rs = m_c->OpenRecordset(QStringLiteral(
                    "Select Remarks From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = "
                    "'7'"));
                QCOMPARE(rs.Fields(QStringLiteral("Remarks")).toText(), text);
                QCOMPARE(stored(), 1);
            }
            // The server ends the session; the next statement connects again.
            admin.run(QStringLiteral("Select pg_terminate_backend(%1)").arg(backend()));
            try {
                m_c->OpenRecordset(QStringLiteral("Select 1 as one"));
            } catch (const db::DbError &) {
            }
        }
    }
};

INVENTORY_TEST_MAIN(TestServerWaits)
#include "tst_serverwaits.moc"

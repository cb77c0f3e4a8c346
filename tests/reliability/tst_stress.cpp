// Workstations at work on one database at once (the embedded file, and the PostgreSQL server over
// TCP), a workstation killed in the middle of a save, and the server restarted under a signed-in
// workstation: the numbers stay unique, each request keeps exactly the lines its last save wrote,
// nobody is told the database is locked, and a save cut short leaves the request as it was before.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "support/serverdatabase.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/modEncryption.h"
#include "platform/db/sqlquote.h"
#include "support/messages.h"
#include "support/workstation.h"

#include <QRandomGenerator>

#include <map>

namespace {

// What a worker reported on standard error about the work: errors, messages shown, dialogs that
// went wrong (Qt's own notices left out).
QStringList reportedProblems(testsupport::Workstation &worker)
{
    QStringList out;
    for (const QByteArray &raw : worker.errors().split('\n')) {
        const QString line = QString::fromLocal8Bit(raw);
        if (line.startsWith(QLatin1String("error:")) ||
            line.startsWith(QLatin1String("message:")) || line.startsWith(QLatin1String("dialog:")))
            out << line;
    }
    return out;
}

// E01 (who runs the workers) belongs to CENTRAL SUPPLY (19) and WARD 3 (27) and may verify; E02
// authorises with the password NURSE. Items 1001.. are stocked at both locations.
QString fixture(int items)
{
    QString script = QStringLiteral(
        "INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);\n"
        "INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);\n"
        "INSERT INTO tbinvUserLocation VALUES ('E01', '19');\n"
        "INSERT INTO tbinvUserLocation VALUES ('E01', '27');\n"
        "INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);\n");
    for (int i = 1; i <= items; ++i) {
        script += QStringLiteral("INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, "
                                 "Packing, AverageCost, UnitOfMeasureID) VALUES ('%1', 'ITEM %1', "
                                 "'', 2, 1, 1.5, 1);\n")
                      .arg(1000 + i);
    }
    for (const char *id : {"E01", "E02"}) {
        script += QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, "
                                 "Password, DepartmentID, Right_Code1, Right_Code2) VALUES "
                                 "('%1', 'STAFF', 'A', %2, '4', 'A', 'S');\n")
                      .arg(QLatin1String(id), db::quoted(modEncryption::EncryptText(
                                                  QStringLiteral("E"), modEncryption::PasswordKey,
                                                  QStringLiteral("NURSE"))));
    }
    return script;
}

// What the workers said happened to one request.
struct Expected
{
    QString remarks;
    int lines = 0;
    int mark = 0;
    QString verifiedBy;
    bool cancelled = false;
    int saves = 0;
};

QStringList expectedLines(const Expected &e)
{
    QStringList out;
    for (int r = 1; r <= e.lines; ++r)
        out << QStringLiteral("%1|%2|%3").arg(1000 + r).arg(r + e.mark).arg(e.remarks);
    return out;
}

// Workstations running the worker in the given mode on one file.
testsupport::Workstations startWorkers(const QString &path, const char *mode, int processes,
                                       int count)
{
    return testsupport::startWorkstations(
        QStringLiteral(RELIABILITY_WORKER), processes, [&](int p) {
            return QStringList{path, QLatin1String(mode), QString::number(count),
                               QStringLiteral("W%1").arg(p)};
        });
}

} // namespace

class TestStress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }
    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }

    // Four workstations (eight on the server), each saving new requests, saving its own again with
    // other lines, verifying (through the password dialog, and directly) and cancelling, all at
    // once.
    void mixedWorkstations()
    {
        QTemporaryDir dir;
        auto c =
            testsupport::newDatabase(dir, db::Contents::SchemaOnly, QStringLiteral("shared.db"));
        c->runScript(fixture(4));
        const QString path = testsupport::targetOf(*c);

        const bool server = testsupport::currentEngine() == testsupport::Engine::PostgreSQL;
        const int processes = server ? 8 : 4;
        const int operations = 150;
        auto workers = startWorkers(path, "mix", processes, operations);
        // All begin together, and each has done its first operation before any goes on: their
        // work overlaps.
        QVERIFY2(testsupport::meet(workers, "ready"), testsupport::errorsOf(workers).constData());
        QVERIFY2(testsupport::meet(workers, "started"), testsupport::errorsOf(workers).constData());

        std::map<QString, Expected> requests;
        int duplicates = 0;
        int saves = 0;
        int verifications = 0;
        int cancellations = 0;
        QStringList problems;
        for (auto &worker : workers) {
            if (!worker->finish())
                problems << QStringLiteral("exit code %1").arg(worker->process().exitCode());
            problems << reportedProblems(*worker);
            QSet<QString> mine;
            for (const QByteArray &raw : worker->lines()) {
                const QStringList parts = QString::fromLocal8Bit(raw).split(QLatin1Char(' '));
                if (parts.first() == QLatin1String("saved") && parts.size() == 5) {
                    Expected &e = requests[parts.at(1)];
                    // A number first saved by two workstations is a duplicate.
                    if (e.saves > 0 && !mine.contains(parts.at(1)))
                        ++duplicates;
                    mine.insert(parts.at(1));
                    e.remarks = parts.at(2);
                    e.lines = parts.at(3).toInt();
                    e.mark = parts.at(4).toInt();
                    e.verifiedBy.clear();
                    ++e.saves;
                    ++saves;
                } else if (parts.first() == QLatin1String("verified") && parts.size() == 3) {
                    requests[parts.at(1)].verifiedBy = parts.at(2);
                    ++verifications;
                } else if (parts.first() == QLatin1String("cancelled") && parts.size() == 2) {
                    requests[parts.at(1)].cancelled = true;
                    ++cancellations;
                } else if (parts.first() == QLatin1String("missing")) {
                    problems << QString::fromLocal8Bit(raw);
                }
            }
        }

        int lost = 0;
        int gained = 0;
        int wrongState = 0;
        for (const auto &[number, e] : requests) {
            const QString where =
                QStringLiteral(" From tbInvWithdrawRequest Where DocumentNumber = ") +
                db::quoted(number);
            const QStringList got =
                testsupport::rows(*c, QStringLiteral("Select ItemID, Quantity, Remarks") + where +
                                          QStringLiteral(" Order By LineID"));
            const QStringList expected = expectedLines(e);
            for (const QString &line : expected)
                lost += got.contains(line) ? 0 : 1;
            for (const QString &line : got)
                gained += expected.contains(line) ? 0 : 1;
            const QStringList state = testsupport::rows(
                *c, QStringLiteral("Select Distinct IsNull(Status, ''), IsNull(VerifiedBy, '')") +
                        where);
            const QString want =
                QStringLiteral("%1|%2").arg(QLatin1String(e.cancelled ? "D" : ""), e.verifiedBy);
            if (state != QStringList{want}) {
                ++wrongState;
                qWarning("request %s: %s, expected %s", qPrintable(number),
                         qPrintable(state.join(QLatin1Char(','))), qPrintable(want));
            }
        }
        qInfo("%d processes x %d operations: %d requests, %d saves, %d verifications, "
              "%d cancellations; %d duplicates, %d lines lost, %d gained, %d in a wrong state",
              processes, operations, int(requests.size()), saves, verifications, cancellations,
              duplicates, lost, gained, wrongState);
        QCOMPARE(problems, QStringList());
        QCOMPARE(duplicates, 0);
        QCOMPARE(lost, 0);
        QCOMPARE(gained, 0);
        QCOMPARE(wrongState, 0);
        QVERIFY(cancellations > 0 && verifications > 0);
        // Every stored line belongs to a request a workstation reported; the numbers run on.
        QCOMPARE(testsupport::rows(*c, QStringLiteral("Select Count(Distinct DocumentNumber), "
                                                      "Min(Cast(DocumentNumber As Int)), "
                                                      "Max(Cast(DocumentNumber As Int)) From "
                                                      "tbInvWithdrawRequest")),
                 QStringList{QStringLiteral("%1|1|%1").arg(requests.size())});
    }

    // Three workstations type the same new numbers at the same moments: each number is saved by
    // exactly one of them, the others are told it exists, and its lines are its saver's alone.
    void typedNumbersRace()
    {
        QTemporaryDir dir;
        auto check =
            testsupport::newDatabase(dir, db::Contents::SchemaOnly, QStringLiteral("typed.db"));
        check->runScript(fixture(4));
        const QString path = testsupport::targetOf(*check);
        const int numbers = 25;
        auto workers = startWorkers(path, "typed", 3, numbers);
        for (int n = 0; n < numbers; ++n)
            QVERIFY2(testsupport::meet(workers, "ready"),
                     testsupport::errorsOf(workers).constData());
        std::map<QString, QStringList> savers;
        std::map<QString, Expected> expected;
        QStringList problems;
        for (auto &worker : workers) {
            if (!worker->finish())
                problems << QStringLiteral("exit code %1").arg(worker->process().exitCode());
            problems << reportedProblems(*worker);
            for (const QByteArray &raw : worker->lines()) {
                const QStringList parts = QString::fromLocal8Bit(raw).split(QLatin1Char(' '));
                if (parts.first() != QLatin1String("saved") || parts.size() != 5)
                    continue;
                savers[parts.at(1)] << parts.at(2);
                Expected &e = expected[parts.at(1)];
                e.remarks = parts.at(2);
                e.lines = parts.at(3).toInt();
                e.mark = parts.at(4).toInt();
            }
        }
        QCOMPARE(problems, QStringList());
        QCOMPARE(int(savers.size()), numbers);
        for (const auto &[number, who] : savers) {
            QVERIFY2(who.size() == 1, qPrintable(number + QLatin1String(": ") + who.join(' ')));
            QCOMPARE(testsupport::rows(*check,
                                       QStringLiteral("Select ItemID, Quantity, Remarks From "
                                                      "tbInvWithdrawRequest Where DocumentNumber "
                                                      "= '%1' Order By LineID")
                                           .arg(number)),
                     expectedLines(expected.at(number)));
        }
    }

    // A workstation saving a request of thousands of lines over and over, killed in the middle
    // of a save, several times, at points drawn from a fixed seed (at its first statement, among
    // its lines, at its commit; in the first save of a run or after some went through): the file
    // stays sound and the request is always one save's, whole.
    void killedMidSave()
    {
        QTemporaryDir dir;
        const int lines = 5000;
        const int fewestLines = lines - 3 * (lines / 10); // the shortest save's line count
        QString path;
        {
            auto made = testsupport::newDatabase(dir, db::Contents::SchemaOnly,
                                                 QStringLiteral("shared.db"));
            made->runScript(fixture(lines));
            path = testsupport::targetOf(*made);
        }

        const int rounds = 6;
        QRandomGenerator random(14);
        QString number = QStringLiteral("NEW");
        int next = 0;    // the k of the next save
        int stored = -1; // the k of the save stored, -1 before the first
        int completedSaves = 0;
        int cutShort = 0;     // rounds in which the save under way was rolled back
        int killedInSave = 0; // rounds killed between a save's start and its report
        for (int round = 0; round < rounds; ++round) {
            // The first, second or third save of the run; its first statement, one among its
            // lines, or its commit (0).
            const int save = 1 + round % 3;
            const int statement = round == 0            ? 1
                                  : round == rounds - 1 ? 0
                                                        : 2 + int(random.bounded(fewestLines));
            testsupport::Workstation worker(QStringLiteral(RELIABILITY_WORKER),
                                            {path, QStringLiteral("big"), QString::number(lines),
                                             number, QString::number(next),
                                             QStringLiteral("%1:%2").arg(save).arg(statement)});
            QVERIFY2(!worker.finish(), "the worker ended by itself before its kill point");
            QCOMPARE(worker.process().exitStatus(), QProcess::CrashExit);
            int reported = stored;
            bool inSave = false;
            for (const QByteArray &raw : worker.lines()) {
                const QStringList parts = QString::fromLocal8Bit(raw).split(QLatin1Char(' '));
                if (parts.first() == QLatin1String("saving"))
                    inSave = true;
                if (parts.size() == 3) {
                    inSave = false;
                    number = parts.at(1);
                    reported = parts.at(2).toInt();
                    ++completedSaves;
                }
            }
            QCOMPARE(reportedProblems(worker), QStringList());
            killedInSave += inSave ? 1 : 0;

            auto c = testsupport::openTarget(path);
            if (testsupport::currentEngine() == testsupport::Engine::Sqlite)
                QCOMPARE(testsupport::rows(*c, QStringLiteral("PRAGMA integrity_check")),
                         QStringList{QStringLiteral("ok")});
            // One save's justification per request, with that save's line count and values.
            const QStringList rows = testsupport::rows(
                *c, QStringLiteral("Select DocumentNumber, Count(*), Count(Distinct Remarks), "
                                   "Min(Remarks), Sum(Quantity - Cast(ItemID As Int) + 1000) "
                                   "From tbInvWithdrawRequest Group By DocumentNumber"));
            QCOMPARE(rows.size(), reported < 0 ? rows.size() : 1);
            QVERIFY(rows.size() <= 1);
            for (const QString &row : rows) {
                const QStringList f = row.split(QLatin1Char('|'));
                const int k = f.at(3).mid(1).toInt();
                const int count = lines - (k % 4) * (lines / 10);
                QCOMPARE(f.at(0), number);
                QCOMPARE(f.at(2), QStringLiteral("1"));
                QCOMPARE(f.at(1).toInt(), count);
                // Each line's quantity is its row plus the save's k.
                QCOMPARE(f.at(4).toLongLong(), qint64(count) * k);
                // The last save the worker finished, or the one it was in when killed, had it
                // committed without reporting back.
                QVERIFY2(k == reported || k == reported + 1,
                         qPrintable(
                             QStringLiteral("stored S%1, last reported S%2").arg(k).arg(reported)));
                cutShort += k == reported ? 1 : 0;
                stored = k;
            }
            if (rows.isEmpty())
                number = QStringLiteral("NEW");
            next = std::max(stored, reported) + 1;
        }
        qInfo("%d rounds killed (%d-line request), %d of them inside a save: %d saves completed "
              "between kills, %d rounds with the save under way rolled back",
              rounds, lines, killedInSave, completedSaves, cutShort);
        QCOMPARE(killedInSave, rounds);
        QVERIFY(completedSaves > 0);
    }

    // The server restarted while a workstation is signed in: its next action says the connection
    // was lost and saves nothing; done again, it works, and nothing is half-saved.
    void serverRestartedUnderASignedInWorkstation()
    {
        if (testsupport::currentEngine() != testsupport::Engine::PostgreSQL)
            QSKIP("a server's restart");
        const QString restart = qEnvironmentVariable("INVENTORY_TEST_POSTGRES_RESTART");
        if (restart.isEmpty()) {
            if (testsupport::serverRequired())
                QFAIL("INVENTORY_TEST_POSTGRES_RESTART names no restart command");
            QSKIP("INVENTORY_TEST_POSTGRES_RESTART names no restart command (test.sh sets it)");
        }
        testsupport::Session session(fixture(4));
        ui::ScopedRecordingResponder messages;
        auto window = testsupport::openWindow();
        frmMain &w = *window;
        // Two requests of different items: the second is no duplicate of the first.
        const auto fill = [&w](const QString &remarks, int firstItem) {
            w.cmdNew->click();
            w.cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
            w.cboTargetLocation_Validate();
            w.txtRemarks->setText(remarks);
            w.grdDetails->setRows(4);
            for (int r = 1; r <= 2; ++r) {
                w.grdDetails->setTextMatrix(r, 0, QString::number(firstItem + r - 1));
                w.grdDetails->setTextMatrix(r, 2, QString::number(r));
                w.grdDetails->setTextMatrix(r, 3, QStringLiteral("1.5000"));
                w.grdDetails->setTextMatrix(r, 5, QStringLiteral("N"));
                w.grdDetails->setTextMatrix(r, 6, QStringLiteral("N"));
            }
        };
        fill(QStringLiteral("BEFORE"), 1001);
        w.cmdSave->click();
        QCOMPARE(messages.texts(), QStringList());

        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), restart}), 0);

        // The first action after the restart (New) says what happened; done again, it works.
        w.cmdNew->click();
        QCOMPARE(messages.count(), 1);
        QVERIFY2(messages.texts().first().contains(
                     QLatin1String("connection to the database server was lost")),
                 qPrintable(messages.texts().first()));
        fill(QStringLiteral("AFTER"), 1003);
        w.cmdSave->click();
        QCOMPARE(messages.count(), 1);
        QCOMPARE(w.txtDocNum->text(), QStringLiteral("2"));
        QCOMPARE(testsupport::rows(session.connection(),
                                   QStringLiteral("Select DocumentNumber, Remarks, Count(*) From "
                                                  "tbInvWithdrawRequest Group By DocumentNumber, "
                                                  "Remarks Order By DocumentNumber")),
                 (QStringList{QStringLiteral("1|BEFORE|2"), QStringLiteral("2|AFTER|2")}));
    }
};

INVENTORY_TEST_MAIN(TestStress)
#include "tst_stress.moc"

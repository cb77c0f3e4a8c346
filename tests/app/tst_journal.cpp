// The workstation's journal of an unsaved request: what it keeps comes back exactly, one file per
// employee and database, owner-only from its creation, and a damaged file is no journal.
#include "support/testsupport.h"

#include "app/requestjournal.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

class TestJournal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    static RequestDraft draft(int lines)
    {
        RequestDraft d;
        d.number = QStringLiteral("NEW");
        d.numberTyped = false;
        d.stored = false;
        d.baseVersion = QStringLiteral("ab12");
        d.transDate = QDateTime(QDate(2026, 12, 10), QTime(19, 3, 7));
        d.locationId = QStringLiteral("19");
        d.locationName = QStringLiteral("CENTRAL SUPPLY");
        d.targetId = QStringLiteral("27");
        d.targetName = QStringLiteral("WARD 3");
        // Quotes, backslashes, a line break, a separator and text beyond Latin-1.
        d.remarks = QStringLiteral("O'NEIL \\ \"URGENT\"\nNEXT|LINE \u00d1 \u6f22 \U0001F489");
        for (int r = 0; r < lines; ++r)
            d.lines.append({QStringLiteral("%1").arg(1000 + r), QStringLiteral("ITEM %1").arg(r),
                            QStringLiteral("2"), QStringLiteral("12.5000"),
                            QStringLiteral("25.0000"), QStringLiteral("N"), QStringLiteral("Y")});
        return d;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toLocal8Bit());
    }

    void cleanup() { QDir(RequestJournal::folder()).removeRecursively(); }

    void roundTrip()
    {
        RequestJournal journal(QStringLiteral("E01"), QStringLiteral("QSQLITE||/srv/a.db"));
        QVERIFY(!journal.load());
        const RequestDraft written = draft(1000);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        journal.save(written);
        const std::optional<RequestDraft> read = journal.load();
        QVERIFY(read);
        QCOMPARE(read->number, written.number);
        QCOMPARE(read->baseVersion, written.baseVersion);
        QCOMPARE(read->transDate, written.transDate);
        QCOMPARE(read->targetId, written.targetId);
        QCOMPARE(read->targetName, written.targetName);
        QCOMPARE(read->remarks, written.remarks);
        QCOMPARE(read->lines, written.lines);
        QVERIFY(read->savedAt >= before);
        journal.clear();
        QVERIFY(!journal.load());
    }

    // Another employee, or the same one on another database, sees nothing of it.
    void onePerEmployeeAndDatabase()
    {
        RequestJournal(QStringLiteral("E01"), QStringLiteral("db one")).save(draft(2));
        QVERIFY(!RequestJournal(QStringLiteral("E02"), QStringLiteral("db one")).load());
        QVERIFY(!RequestJournal(QStringLiteral("E01"), QStringLiteral("db two")).load());
        QVERIFY(RequestJournal(QStringLiteral("E01"), QStringLiteral("db one")).load());
        // The file's name gives away neither.
        const QString name =
            QFileInfo(RequestJournal(QStringLiteral("E01"), QStringLiteral("db one")).path())
                .fileName();
        QVERIFY(!name.contains(QLatin1String("E01")) && !name.contains(QLatin1String("db")));
    }

    void damagedFileIsNoJournal_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << QByteArray("{\"version\":1,\"number\":\"NE");
        QTest::newRow("not JSON") << QByteArray("\x00\x01garbage", 9);
        QTest::newRow("another version") << QByteArray(
            "{\"version\":99,\"number\":\"NEW\",\"transDate\":\"2026-12-10T19:03:07\","
            "\"savedAt\":\"2026-12-10T19:03:07.000Z\"}");
        QTest::newRow("no dates") << QByteArray("{\"version\":1,\"number\":\"NEW\"}");
    }

    void damagedFileIsNoJournal()
    {
        QFETCH(QByteArray, content);
        RequestJournal journal(QStringLiteral("E01"), QStringLiteral("db"));
        journal.save(draft(1));
        QFile file(journal.path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        QVERIFY(!journal.load());
    }

    // Owner-only from its creation, whatever the umask; no temporary file is left behind.
    void ownerOnly()
    {
        const mode_t old = ::umask(0);
        RequestJournal journal(QStringLiteral("E01"), QStringLiteral("db"));
        journal.save(draft(3));
        journal.save(draft(4));
        ::umask(old);
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(journal.path()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        QCOMPARE(::stat(QFile::encodeName(RequestJournal::folder()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        QCOMPARE(QDir(RequestJournal::folder()).entryList(QDir::Files).size(), 1);
    }
};

INVENTORY_TEST_MAIN(TestJournal)
#include "tst_journal.moc"

// clsLocation: loading with its defaults and the member a failed load keeps, saving under a new
// numeric code, and the codes it refuses to form.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "objects/clsLocation.h"
#include "platform/error.h"
#include "platform/ui/msgbox.h"

using testsupport::checkRaised;
using testsupport::raised;

namespace {

const char *Locations = R"(
INSERT INTO tbInvLocation (LocationID, Location, Status, isWarehouse, isDispensingArea, AllowOrder)
VALUES ('7', 'PHARMACY', 'I', 0, 1, 1), ('12', 'CENTRAL SUPPLY', 'A', 1, 0, 0),
       ('8', NULL, NULL, NULL, NULL, NULL);
)";

// A flag that is not a number: only the embedded file's untyped columns can hold one.
const char *BadFlag = R"(
INSERT INTO tbInvLocation (LocationID, Location, Status, isWarehouse, isDispensingArea, AllowOrder)
VALUES ('9', 'BAD FLAG', 'A', 'X', 0, 0);
)";

QString locations()
{
    return QString::fromLatin1(Locations) +
           (testsupport::onEmbeddedFile() ? QString::fromLatin1(BadFlag) : QString());
}

QString state(const clsLocation &l)
{
    return QStringList{l.Code(),
                       l.Description(),
                       l.Status(),
                       QString::number(l.IsWareHouse()),
                       QString::number(l.isDispensingArea()),
                       l.AllowedForPO() ? QStringLiteral("po") : QStringLiteral("no po")}
        .join(QLatin1Char('|'));
}

// Every member away from its default, so a reset shows.
void fill(clsLocation &l)
{
    l.setCode(QStringLiteral("OLD"));
    l.setDescription(QStringLiteral("OLD NAME"));
    l.setStatus(QStringLiteral("I"));
    l.setIsWareHouse(0);
    l.setIsDispensingArea(0);
    l.setAllowedForPO(true);
}

const QString Stored = QStringLiteral(
    "Select LocationID, '[' + Location + ']', Status, isWarehouse, isDispensingArea, AllowOrder "
    "From INVENTORY..tbInvLocation");

QStringList stored(db::Connection &connection)
{
    return testsupport::byCode(testsupport::rows(connection, Stored));
}

} // namespace

class TestLocationClass : public QObject
{
    Q_OBJECT

private:
    testsupport::Databases m_databases;

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }
    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }

    void newObjectDefaults()
    {
        clsLocation l;
        QCOMPARE(state(l), QStringLiteral("||A|1|1|no po"));
    }

    void load_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("found") << "7" << true << "7|PHARMACY|I|0|1|po";
        QTest::newRow("Null columns take their defaults") << "8" << true << "8||A|1|1|no po";
        QTest::newRow("not found: blanked, AllowedForPO kept") << "99" << false << "||A|1|1|po";
        QTest::newRow("blank code is looked up like any other") << "" << false << "||A|1|1|po";
    }

    void load()
    {
        QFETCH(QString, code);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        auto c = m_databases.create(locations());
        clsLocation l;
        l.setActiveConnection(c.get());
        fill(l);
        QCOMPARE(l.LoadLocation(code), found);
        QCOMPARE(state(l), expected);
    }

    void loadFailures_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("expected");

        // The row is copied in order: code, name and status come before the flag that fails.
        QTest::newRow("flag that is not a number") << true << "9|BAD FLAG|A|0|0|po";
        QTest::newRow("no connection") << false << "OLD|OLD NAME|I|0|0|po";
    }

    void loadFailures()
    {
        QFETCH(bool, connected);
        QFETCH(QString, expected);
        if (connected && !testsupport::onEmbeddedFile())
            QSKIP("A typed column cannot hold a flag that is not a number.");
        auto c = m_databases.create(locations());
        clsLocation l;
        if (connected)
            l.setActiveConnection(c.get());
        fill(l);
        const auto error = raised([&] { l.LoadLocation(QStringLiteral("9")); });
        if (connected && testsupport::currentEngine() == testsupport::Engine::SqliteOdbc) {
            QEXPECT_FAIL("",
                         "Over the SQLite ODBC driver the flag 'X' loads as 1 instead of "
                         "failing the load",
                         Abort);
            QVERIFY(error);
        }
        checkRaised(error, QStringLiteral("clsLocation:LoadLocation Method"));
        QCOMPARE(state(l), expected);
    }

    void update_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("new in an empty table: code 1, name after a blank")
            << ""
            << "NEW"
            << "PHARMACY" << QStringList{"1|[ PHARMACY]|A|0|1|1"};
        QTest::newRow("new after 7 and 12: code 13")
            << "INSERT INTO tbInvLocation VALUES ('7', 'A', 'A', 1, 1, 0, NULL), "
               "('12', 'B', 'A', 1, 1, 0, NULL);"
            << ""
            << "WARD 5" << QStringList{"7|[A]|A|1|1|0", "12|[B]|A|1|1|0", "13|[ WARD 5]|A|0|1|1"};
        QTest::newRow("existing: name stored without the blank")
            << "INSERT INTO tbInvLocation VALUES ('7', ' PHARMACY', 'I', 1, 1, 0, 'M');"
            << "7"
            << "PHARMACY" << QStringList{"7|[PHARMACY]|A|0|1|1"};
        QTest::newRow("quote mark stored as typed")
            << ""
            << ""
            << "ST. JUDE'S WARD" << QStringList{"1|[ ST. JUDE'S WARD]|A|0|1|1"};
    }

    void update()
    {
        QFETCH(QString, script);
        QFETCH(QString, code);
        QFETCH(QString, description);
        QFETCH(QStringList, expected);
        auto c = m_databases.create(script);
        ui::ScopedRecordingResponder messages;
        clsLocation l;
        l.setActiveConnection(c.get());
        l.setCode(code);
        l.setDescription(description);
        l.setIsWareHouse(0);
        l.setAllowedForPO(true);
        QCOMPARE(l.Update(), true);
        QCOMPARE(stored(*c), expected);
        QCOMPARE(l.Code(), code);
        QCOMPARE(messages.count(), 0);
        QVERIFY(!c->InTransaction());
    }

    void refusedCodes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("message");

        QTest::newRow("next code would have five digits")
            << "INSERT INTO tbInvLocation VALUES ('9999', 'LAST', 'A', 1, 1, 0, NULL);"
            << "No new location code fits in 4 characters: the location codes have reached the "
               "largest one.";
        QTest::newRow("an existing code is not a number")
            << "INSERT INTO tbInvLocation VALUES ('7', 'A', 'A', 1, 1, 0, NULL), "
               "('W1', 'WARD ONE', 'A', 1, 1, 0, NULL);"
            << "The location code 'W1' is not a number, so no new location code can be formed.";
    }

    void refusedCodes()
    {
        QFETCH(QString, script);
        QFETCH(QString, message);
        auto c = m_databases.create(script);
        const QStringList before = stored(*c);
        ui::ScopedRecordingResponder messages;
        clsLocation l;
        l.setActiveConnection(c.get());
        l.setDescription(QStringLiteral("NEW WARD"));
        const auto error = raised([&] { l.Update(); });
        QVERIFY(error);
        QCOMPARE(error->number(), long(modInventory::vbObjectError + 9999));
        QCOMPARE(error->source(), QStringLiteral("clsLocation:Update Method"));
        // The user is told why first, in a box with the application title. A server refuses to
        // read the code as a number itself; its own words are the reason.
        if (testsupport::currentEngine() == testsupport::Engine::PostgreSQL &&
            message.contains(QLatin1String("is not a number")))
            message = QStringLiteral("ERROR:  invalid input syntax for type integer: \"W1\" "
                                     "(22P02)");
        QCOMPARE(messages.texts(), QStringList{message});
        QCOMPARE(messages.messages().first().title, ui::ApplicationTitle);
        QCOMPARE(stored(*c), before);
        QVERIFY(!c->InTransaction());
    }

    void updateJoinsTheCallersTransaction()
    {
        auto c = m_databases.create(QString());
        clsLocation l;
        l.setActiveConnection(c.get());
        l.setDescription(QStringLiteral("WARD"));
        c->BeginTrans();
        QCOMPARE(l.Update(), true);
        QVERIFY(c->InTransaction());
        c->RollbackTrans();
        QCOMPARE(stored(*c), QStringList());
    }
};

INVENTORY_TEST_MAIN(TestLocationClass)
#include "tst_locationclass.moc"

// clsUnitOfMeasure and clsItemClass: loading with their shortcuts and defaults, saving under a new
// number or letter.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "objects/clsItemClass.h"
#include "objects/clsUnitOfMeasure.h"
#include "platform/error.h"
#include "platform/ui/msgbox.h"

using testsupport::checkRaised;
using testsupport::raised;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvUnitOfMeasure (UnitOfMeasureID, UnitOfMeasure, Status) VALUES
    (1, 'TABLET', 'A'), (2, NULL, NULL);
INSERT INTO tbInvClassification (ItemClassificationID, ItemClassificationName, Status) VALUES
    ('A', 'MEDICINES', 'I'), ('B', NULL, NULL);
)";

QString state(const clsUnitOfMeasure &u)
{
    return QStringList{QString::number(u.Code()), u.Description(), u.Status()}.join(
        QLatin1Char('|'));
}

QString state(const clsItemClass &c)
{
    return QStringList{c.Code(), c.Description(), c.Status()}.join(QLatin1Char('|'));
}

const QString StoredUnits = QStringLiteral(
    "Select UnitOfMeasureID, UnitOfMeasure, Status From INVENTORY..tbInvUnitOfMeasure Order By "
    "UnitOfMeasureID");
const QString StoredClasses =
    QStringLiteral("Select ItemClassificationID, ItemClassificationName, Status From "
                   "INVENTORY..tbInvClassification Order By ItemClassificationID");

} // namespace

class TestUnitsClasses : public QObject
{
    Q_OBJECT

private:
    testsupport::Databases m_databases;

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }
    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }

    // --- clsUnitOfMeasure -------------------------------------------------------------------

    void loadUnit_data()
    {
        QTest::addColumn<qint16>("code");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("found") << qint16(1) << true << true << "1|TABLET|A";
        QTest::newRow("Null texts load as empty text") << qint16(2) << true << true << "2||";
        QTest::newRow("not found: reset") << qint16(99) << true << false << "0||";
        QTest::newRow("0: reset without reading") << qint16(0) << false << true << "0||";
        QTest::newRow("the code already held: nothing read")
            << qint16(7) << false << true << "7|OLD|I";
    }

    void loadUnit()
    {
        QFETCH(qint16, code);
        QFETCH(bool, reads);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsUnitOfMeasure u;
        u.setCode(7);
        u.setDescription(QStringLiteral("OLD"));
        u.setStatus(QStringLiteral("I"));
        // Reading nothing is shown by having nothing to read with.
        if (reads)
            u.setActiveConnection(c.get());
        QCOMPARE(u.LoadUOM(code), found);
        QCOMPARE(state(u), expected);
    }

    void unitFailures()
    {
        clsUnitOfMeasure u;
        checkRaised(raised([&] { u.LoadUOM(3); }),
                    QStringLiteral("clsUnitOfMeasure:LoadUOM Method"));
        checkRaised(raised([&] { u.Update(); }), QStringLiteral("clsUnitOfMeasure:Update Method"));

        // A next code past the 16-bit range.
        auto c = m_databases.create(
            QStringLiteral("INSERT INTO tbInvUnitOfMeasure VALUES (32767, 'LAST', 'A');"));
        u.setActiveConnection(c.get());
        checkRaised(raised([&] { u.Update(); }), QStringLiteral("clsUnitOfMeasure:Update Method"));
        QCOMPARE(testsupport::rows(*c, StoredUnits), QStringList{"32767|LAST|A"});
    }

    void updateUnit_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint16>("code");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("new in an empty table: code 1")
            << "" << qint16(5) << QStringList{"1|O'CLOCK PACK|A"};
        QTest::newRow("new after 7 and 12: code 13")
            << "INSERT INTO tbInvUnitOfMeasure VALUES (7, 'BOX', 'A'), (12, 'VIAL', NULL);"
            << qint16(0) << QStringList{"7|BOX|A", "12|VIAL|<null>", "13|O'CLOCK PACK|A"};
        QTest::newRow("existing") << "INSERT INTO tbInvUnitOfMeasure VALUES (7, 'BOX', 'I');"
                                  << qint16(7) << QStringList{"7|O'CLOCK PACK|A"};
    }

    void updateUnit()
    {
        QFETCH(QString, script);
        QFETCH(qint16, code);
        QFETCH(QStringList, expected);
        auto c = m_databases.create(script);
        ui::ScopedRecordingResponder messages;
        clsUnitOfMeasure u;
        u.setActiveConnection(c.get());
        u.setCode(code);
        u.setDescription(QStringLiteral("O'CLOCK PACK"));
        u.setStatus(QStringLiteral("A"));
        QCOMPARE(u.Update(), true);
        QCOMPARE(testsupport::rows(*c, StoredUnits), expected);
        QCOMPARE(u.Code(), code);
        QCOMPARE(messages.count(), 0);
    }

    // --- clsItemClass -----------------------------------------------------------------------

    void loadClass_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("found") << "A" << true << true << "A|MEDICINES|I";
        QTest::newRow("Null status loads as A") << "B" << true << true << "B||A";
        QTest::newRow("not found: reset") << "Q" << true << false << "||";
        QTest::newRow("blanks only: reset without reading") << "  " << false << true << "||";
        QTest::newRow("the code already held: nothing read") << "Z" << false << true << "Z|OLD|I";
    }

    void loadClass()
    {
        QFETCH(QString, code);
        QFETCH(bool, reads);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsItemClass ic;
        ic.setCode(QStringLiteral("Z"));
        ic.setDescription(QStringLiteral("OLD"));
        ic.setStatus(QStringLiteral("I"));
        if (reads)
            ic.setActiveConnection(c.get());
        QCOMPARE(ic.LoadItemClass(code), found);
        QCOMPARE(state(ic), expected);
    }

    void classFailures()
    {
        clsItemClass ic;
        checkRaised(raised([&] { ic.LoadItemClass(QStringLiteral("A")); }),
                    QStringLiteral("clsItemClass:LoadItemClass Method"));
        checkRaised(raised([&] { ic.Update(); }), QStringLiteral("clsItemClass:Update Method"));
    }

    void updateClass_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("newCode");
        QTest::addColumn<QStringList>("expected");

        const QString aToC = QStringLiteral(
            "INSERT INTO tbInvClassification (ItemClassificationID, ItemClassificationName, "
            "Status) VALUES ('A', 'X', 'A'), ('B', 'X', 'A'), ('C', 'X', 'A');");
        QTest::newRow("New after A to C: D")
            << aToC << "New"
            << "D" << QStringList{"A|X|A", "B|X|A", "C|X|A", "D|DRUGS & O'S|A"};
        QTest::newRow("empty after A to C: D")
            << aToC << ""
            << "D" << QStringList{"A|X|A", "B|X|A", "C|X|A", "D|DRUGS & O'S|A"};
        QTest::newRow("blanks in an empty table: A") << ""
                                                     << "  "
                                                     << "A" << QStringList{"A|DRUGS & O'S|A"};
        QTest::newRow("a code of the caller's own is kept")
            << aToC << "X"
            << "X" << QStringList{"A|X|A", "B|X|A", "C|X|A", "X|DRUGS & O'S|A"};
        QTest::newRow("only New as written forms a code")
            << ""
            << "NEW"
            << "NEW" << QStringList{"NEW|DRUGS & O'S|A"};
        QTest::newRow("after Z the next character")
            << "INSERT INTO tbInvClassification (ItemClassificationID) VALUES ('Z');"
            << "New"
            << "[" << QStringList{"[|DRUGS & O'S|A", "Z|<null>|<null>"};
        QTest::newRow("existing") << aToC << "B"
                                  << "B" << QStringList{"A|X|A", "B|DRUGS & O'S|A", "C|X|A"};
    }

    void updateClass()
    {
        QFETCH(QString, script);
        QFETCH(QString, code);
        QFETCH(QString, newCode);
        QFETCH(QStringList, expected);
        auto c = m_databases.create(script);
        ui::ScopedRecordingResponder messages;
        clsItemClass ic;
        ic.setActiveConnection(c.get());
        ic.setCode(code);
        ic.setDescription(QStringLiteral("DRUGS & O'S"));
        ic.setStatus(QStringLiteral("A"));
        QCOMPARE(ic.Update(), true);
        QCOMPARE(ic.Code(), newCode);
        QCOMPARE(testsupport::rows(*c, StoredClasses), expected);
        QCOMPARE(messages.count(), 0);
    }
};

INVENTORY_TEST_MAIN(TestUnitsClasses)
#include "tst_unitsclasses.moc"

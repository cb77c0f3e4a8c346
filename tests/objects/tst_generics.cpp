// clsGeneric's classification found through the node key, and colGeneric's keys, positions,
// errors and rounding.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "objects/clsGeneric.h"
#include "objects/colGeneric.h"
#include "platform/error.h"

using testsupport::raised;

namespace {

const char *Fixture = R"(
INSERT INTO tbforClassification (Node_Key, ClassificationName) VALUES
    ('12', 'ANALGESICS'), ('7', 'ANTIBIOTICS'), ('4', 'VITAMINS'), ('1', 'ANTACIDS');
INSERT INTO tbforGeneric (GenericID, GenericName, Node_Key) VALUES
    ('G1', 'PARACETAMOL', '12.3'), ('G2', 'AMOXICILLIN', '7'), ('G3', 'ASCORBIC ACID', '45'),
    ('G4', 'ZINC', '9'), ('G5', NULL, NULL), ('O''1', 'O''NEIL''S SALT', '1.2.5');
)";

QString state(const clsGeneric &g)
{
    return QStringList{g.GenericID(), g.GenericName(), g.Classification()}.join(QLatin1Char('|'));
}

std::shared_ptr<GenericObject> add(colGeneric &c, const QString &name, const QString &key = {},
                                   double lastDelivery = 0)
{
    return c.Add(name, QStringLiteral("5010"), QDateTime(QDate(2026, 2, 15), QTime(0, 0)),
                 lastDelivery, 1, 2, 3, 4, QStringLiteral("BOX"), QStringLiteral("2"), 5.5, true, 6,
                 7, key);
}

QStringList names(const colGeneric &c)
{
    QStringList out;
    for (const GenericObject &g : c)
        out << g.GenericName();
    return out;
}

} // namespace

class TestGenerics : public QObject
{
    Q_OBJECT

private:
    testsupport::Databases m_databases;

private slots:
    void load_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("node key 12.3: classification 12")
            << "G1" << true << "G1|PARACETAMOL|ANALGESICS";
        QTest::newRow("node key 7 without a full stop: 7")
            << "G2" << true << "G2|AMOXICILLIN|ANTIBIOTICS";
        QTest::newRow("node key 45 without a full stop: its first character, 4")
            << "G3" << true << "G3|ASCORBIC ACID|VITAMINS";
        QTest::newRow("no matching classification") << "G4" << true << "G4|ZINC|";
        QTest::newRow("Null name and node key") << "G5" << true << "G5||";
        QTest::newRow("quote mark in the code, first full stop counts")
            << "O'1" << true << "O'1|O'NEIL'S SALT|ANTACIDS";
        QTest::newRow("not found: texts empty") << "G9" << false << "||";
        QTest::newRow("blank code is looked up too") << "" << false << "||";
    }

    void load()
    {
        QFETCH(QString, code);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsGeneric g;
        g.setActiveConnection(c.get());
        QVERIFY(g.LoadGeneric(QStringLiteral("G2")));
        QCOMPARE(g.LoadGeneric(code), found);
        QCOMPARE(state(g), expected);
    }

    void loadWithoutConnectionRaises()
    {
        clsGeneric g;
        const auto error = raised([&] { g.LoadGeneric(QStringLiteral("G1")); });
        QVERIFY(error);
        QCOMPARE(error->number(), long(modInventory::vbObjectError + 9999));
        QCOMPARE(error->source(), QStringLiteral("clsGeneric:LoadGeneric Method"));
    }

    // --- colGeneric -------------------------------------------------------------------------

    void addSetsEveryProperty()
    {
        colGeneric c;
        const auto g = add(c, QStringLiteral("PARACETAMOL"), QStringLiteral("G1"), 12);
        QCOMPARE(c.Count(), 1);
        QCOMPARE(c.Item(1), g);
        QCOMPARE(g->GenericName(), QStringLiteral("PARACETAMOL"));
        QCOMPARE(g->GLCode(), QStringLiteral("5010"));
        QCOMPARE(g->LastDeliveryDate(), QDateTime(QDate(2026, 2, 15), QTime(0, 0)));
        QCOMPARE(g->LastDeliveryQuantity(), qint16(12));
        QCOMPARE(g->BOH(), 1.0);
        QCOMPARE(g->AMC(), 2.0);
        QCOMPARE(g->IT(), 3.0);
        QCOMPARE(g->ForOrderQuantity(), 4.0);
        QCOMPARE(g->UOM(), QStringLiteral("BOX"));
        QCOMPARE(g->UOM_ID(), QStringLiteral("2"));
        QCOMPARE(g->ListCost(), 5.5);
        QCOMPARE(g->GenericOrBrand(), true);
        QCOMPARE(g->DT(), 6.0);
        QCOMPARE(g->SSL(), 7.0);
    }

    void keysAndPositions()
    {
        colGeneric c;
        add(c, QStringLiteral("FIRST"));
        add(c, QStringLiteral("SECOND"), QStringLiteral("Amox"));
        add(c, QStringLiteral("THIRD"), QStringLiteral("zinc"));
        QCOMPARE(c.Count(), 3);
        QCOMPARE(c.Item(1)->GenericName(), QStringLiteral("FIRST"));
        QCOMPARE(c.Item(QStringLiteral("AMOX"))->GenericName(), QStringLiteral("SECOND"));
        QCOMPARE(c.Item(3), c.Item(QStringLiteral("Zinc")));
        QCOMPARE(names(c), (QStringList{"FIRST", "SECOND", "THIRD"}));

        c.Remove(QStringLiteral("amox"));
        QCOMPARE(names(c), (QStringList{"FIRST", "THIRD"}));
        c.Remove(1);
        QCOMPARE(names(c), QStringList{"THIRD"});
        QCOMPARE(c.Item(1)->GenericName(), QStringLiteral("THIRD"));
        // A removed key is free again.
        add(c, QStringLiteral("AGAIN"), QStringLiteral("AMOX"));
        QCOMPARE(c.Item(QStringLiteral("amox"))->GenericName(), QStringLiteral("AGAIN"));
    }

    void misuse_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<long>("number");

        QTest::newRow("duplicate key, other case") << 0 << 457L;
        QTest::newRow("item: missing key") << 1 << 5L;
        QTest::newRow("item: empty key") << 2 << 5L;
        QTest::newRow("item: position 0") << 3 << 9L;
        QTest::newRow("item: position past the end") << 4 << 9L;
        QTest::newRow("remove: missing key") << 5 << 5L;
        QTest::newRow("remove: position past the end") << 6 << 9L;
        QTest::newRow("last delivery past 16 bits") << 7 << 6L;
    }

    void misuse()
    {
        QFETCH(int, action);
        QFETCH(long, number);
        colGeneric c;
        add(c, QStringLiteral("FIRST"), QStringLiteral("G1"));
        add(c, QStringLiteral("SECOND"));
        const auto error = raised([&] {
            switch (action) {
            case 0:
                add(c, QStringLiteral("THIRD"), QStringLiteral("g1"));
                break;
            case 1:
                c.Item(QStringLiteral("G2"));
                break;
            case 2:
                c.Item(QString());
                break;
            case 3:
                c.Item(0);
                break;
            case 4:
                c.Item(3);
                break;
            case 5:
                c.Remove(QStringLiteral("G2"));
                break;
            case 6:
                c.Remove(3);
                break;
            case 7:
                add(c, QStringLiteral("THIRD"), QStringLiteral("G3"), 32767.5);
                break;
            }
        });
        QVERIFY(error);
        QCOMPARE(error->number(), number);
        QCOMPARE(names(c), (QStringList{"FIRST", "SECOND"}));
    }

    void lastDeliveryRoundsHalfToEven_data()
    {
        QTest::addColumn<double>("quantity");
        QTest::addColumn<qint16>("stored");

        QTest::newRow("2.5") << 2.5 << qint16(2);
        QTest::newRow("3.5") << 3.5 << qint16(4);
        QTest::newRow("2.6") << 2.6 << qint16(3);
        QTest::newRow("-2.5") << -2.5 << qint16(-2);
        QTest::newRow("32767.4") << 32767.4 << qint16(32767);
    }

    void lastDeliveryRoundsHalfToEven()
    {
        QFETCH(double, quantity);
        QFETCH(qint16, stored);
        colGeneric c;
        QCOMPARE(add(c, QStringLiteral("X"), QString(), quantity)->LastDeliveryQuantity(), stored);
    }
};

INVENTORY_TEST_MAIN(TestGenerics)
#include "tst_generics.moc"

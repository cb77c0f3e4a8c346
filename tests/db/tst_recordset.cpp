// The snapshot recordset and its fields: navigation, names, Null and the typed conversions.
#include "support/databases.h"

#include "platform/db/dberror.h"

using namespace db;

class TestRecordset : public QObject
{
    Q_OBJECT

private:
    static Recordset sample()
    {
        return Recordset(
            {QStringLiteral("ItemID"), QStringLiteral("OnHand"), QStringLiteral("itemid")},
            {{QStringLiteral("A100"), 5.5, QStringLiteral("second")},
             {QStringLiteral("A200"), QVariant(), QStringLiteral("x")}});
    }

private slots:
    void navigation()
    {
        Recordset empty({QStringLiteral("A")}, {});
        QVERIFY(empty.IsOpen());
        QVERIFY(empty.Eof());
        QVERIFY(empty.Bof());
        QCOMPARE(empty.RecordCount(), 0);
        QVERIFY_THROWS_EXCEPTION(DbError, empty.Fields(QStringLiteral("A")));

        Recordset rs = sample();
        QVERIFY(!rs.Eof());
        QVERIFY(!rs.Bof());
        QCOMPARE(rs.RecordCount(), 2);
        rs.MoveNext();
        QCOMPARE(rs.Fields(0).toText(), QStringLiteral("A200"));
        rs.MoveNext();
        QVERIFY(rs.Eof());
        QVERIFY_THROWS_EXCEPTION(DbError, rs.MoveNext());
        QVERIFY_THROWS_EXCEPTION(DbError, rs.Fields(0));
        rs.MoveFirst();
        rs.MovePrevious();
        QVERIFY(rs.Bof());
        rs.MoveLast();
        QCOMPARE(rs.Fields(QStringLiteral("ITEMID")).toText(), QStringLiteral("A200"));

        // A copy keeps its own position over the same rows.
        Recordset copy = rs;
        copy.MoveFirst();
        QCOMPARE(copy.Fields(0).toText(), QStringLiteral("A100"));
        QCOMPARE(rs.Fields(0).toText(), QStringLiteral("A200"));

        rs.Close();
        QVERIFY(!rs.IsOpen());
        QVERIFY(rs.Eof());
        QVERIFY_THROWS_EXCEPTION(DbError, rs.Fields(0));
        QCOMPARE(copy.RecordCount(), 2);
    }

    void namesIgnoreCaseAndFirstWins()
    {
        Recordset rs = sample();
        QCOMPARE(rs.Fields(QStringLiteral("itemID")).toText(), QStringLiteral("A100"));
        QCOMPARE(rs.Fields(QStringLiteral("onhand")).toDouble(), 5.5);
        QVERIFY(rs.HasField(QStringLiteral("ONHAND")));
        QVERIFY(!rs.HasField(QStringLiteral("Location")));
        try {
            rs.Fields(QStringLiteral("Location"));
            QFAIL("an unknown field was found");
        } catch (const DbError &e) {
            QVERIFY(e.description().contains(QLatin1String("Location")));
        }
    }

    void conversions_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("conversion");
        QTest::addColumn<QVariant>("expected"); // invalid: the conversion must fail

        QTest::newRow("null text") << QVariant() << "text" << QVariant();
        QTest::newRow("null double") << QVariant() << "double" << QVariant();
        QTest::newRow("null bool") << QVariant() << "bool" << QVariant();
        QTest::newRow("null date") << QVariant() << "date" << QVariant();
        QTest::newRow("typed null")
            << QVariant(QMetaType::fromType<QString>()) << "text" << QVariant();
        QTest::newRow("double text") << QVariant(12.5) << "text" << QVariant("12.5");
        QTest::newRow("whole double text") << QVariant(3.0) << "text" << QVariant("3");
        QTest::newRow("long long text") << QVariant(qint64(1234)) << "text" << QVariant("1234");
        QTest::newRow("numeric string") << QVariant(" 7.25 ") << "double" << QVariant(7.25);
        QTest::newRow("garbage double") << QVariant("abc") << "double" << QVariant();
        QTest::newRow("integer half even down") << QVariant(2.5) << "integer" << QVariant(2);
        QTest::newRow("integer half even up") << QVariant(3.5) << "integer" << QVariant(4);
        QTest::newRow("integer overflow") << QVariant(40000) << "integer" << QVariant();
        QTest::newRow("long") << QVariant("70000") << "long" << QVariant(70000);
        QTest::newRow("currency") << QVariant(1.23456) << "currency" << QVariant(1.2346);
        QTest::newRow("bool one") << QVariant(1) << "bool" << QVariant(true);
        QTest::newRow("bool zero text") << QVariant("0") << "bool" << QVariant(false);
        QTest::newRow("bool word") << QVariant("True") << "bool" << QVariant(true);
        QTest::newRow("bool garbage") << QVariant("Y") << "bool" << QVariant();
        QTest::newRow("iso date") << QVariant("2026-12-08 13:13:29") << "date"
                                  << QVariant(QDateTime(QDate(2026, 12, 8), QTime(13, 13, 29)));
        QTest::newRow("date only") << QVariant("2026-12-08") << "date"
                                   << QVariant(QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
        QTest::newRow("milliseconds")
            << QVariant(" 2026-12-08 13:13:29.250") << "date"
            << QVariant(QDateTime(QDate(2026, 12, 8), QTime(13, 13, 29, 250)));
        QTest::newRow("T before the time")
            << QVariant("2026-12-08T13:13:29") << "date"
            << QVariant(QDateTime(QDate(2026, 12, 8), QTime(13, 13, 29)));
        QTest::newRow("no seconds") << QVariant("2026-12-08 13:13") << "date"
                                    << QVariant(QDateTime(QDate(2026, 12, 8), QTime(13, 13)));
        QTest::newRow("month first") << QVariant("12/08/2026 01:13:29 PM") << "date"
                                     << QVariant(QDateTime(QDate(2026, 12, 8), QTime(13, 13, 29)));
        QTest::newRow("no such day") << QVariant("2026-02-30 10:00:00") << "date" << QVariant();
        QTest::newRow("no such minute") << QVariant("2026-12-08 13:61") << "date" << QVariant();
        QTest::newRow("date zero")
            << QVariant(0) << "date" << QVariant(QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
        QTest::newRow("not a date") << QVariant("soon") << "date" << QVariant();
    }

    void conversions()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, conversion);
        QFETCH(QVariant, expected);
        const Field f(QStringLiteral("F"), value);
        auto convert = [&]() -> QVariant {
            if (conversion == QLatin1String("text"))
                return f.toText();
            if (conversion == QLatin1String("double"))
                return f.toDouble();
            if (conversion == QLatin1String("currency"))
                return f.toCurrency();
            if (conversion == QLatin1String("integer"))
                return int(f.toInteger());
            if (conversion == QLatin1String("long"))
                return int(f.toLong());
            if (conversion == QLatin1String("bool"))
                return f.toBool();
            return f.toDate();
        };
        if (!expected.isValid()) {
            QVERIFY_THROWS_EXCEPTION(DbError, convert());
            if (value.isNull()) {
                QVERIFY(f.IsNull());
                try {
                    convert();
                } catch (const DbError &e) {
                    QVERIFY(e.description().startsWith(QLatin1String("Invalid use of Null")));
                }
            }
            return;
        }
        QCOMPARE(convert(), expected);
    }
};

INVENTORY_DB_TEST_MAIN(TestRecordset)
#include "tst_recordset.moc"

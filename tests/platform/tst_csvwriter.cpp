// The CSV writer: each kind of value as a field, the file's bytes, a file written whole or not at
// all, and what Python's csv module reads back from it.
#include "support/csvreadback.h"
#include "support/databases.h"

#include "platform/csvwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <limits>

class TestCsvWriter : public QObject
{
    Q_OBJECT

private slots:
    void fields_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("field");
        const auto decimal = [](const char *digits) {
            return QVariant::fromValue(csv::Decimal{QLatin1String(digits)});
        };
        QTest::newRow("plain text") << QVariant(QStringLiteral("GAUZE 4X4")) << "GAUZE 4X4";
        QTest::newRow("blanks kept") << QVariant(QStringLiteral(" A ")) << " A ";
        QTest::newRow("comma") << QVariant(QStringLiteral("WARD 3, EAST")) << "\"WARD 3, EAST\"";
        QTest::newRow("quotes doubled")
            << QVariant(QStringLiteral("MASK \"N95\"")) << "\"MASK \"\"N95\"\"\"";
        QTest::newRow("only a quote") << QVariant(QStringLiteral("\"")) << "\"\"\"\"";
        QTest::newRow("line feed") << QVariant(QStringLiteral("A\nB")) << "\"A\nB\"";
        QTest::newRow("carriage return") << QVariant(QStringLiteral("A\rB")) << "\"A\rB\"";
        QTest::newRow("CRLF") << QVariant(QStringLiteral("A\r\nB")) << "\"A\r\nB\"";
        QTest::newRow("non-ASCII as it is") << QVariant(QStringLiteral("NIÑO José")) << "NIÑO José";
        QTest::newRow("empty text") << QVariant(QString()) << "";
        QTest::newRow("null") << QVariant() << "";
        QTest::newRow("int") << QVariant(-42) << "-42";
        QTest::newRow("large integer")
            << QVariant(qint64(123456789012345678LL)) << "123456789012345678";
        QTest::newRow("unsigned") << QVariant(quint64(18446744073709551615ULL))
                                  << "18446744073709551615";
        QTest::newRow("double, no grouping") << QVariant(1234567.5) << "1234567.5";
        QTest::newRow("double, shortest") << QVariant(0.1) << "0.1";
        QTest::newRow("double, no exponent") << QVariant(1e20) << "100000000000000000000";
        QTest::newRow("double, small") << QVariant(0.00001) << "0.00001";
        QTest::newRow("double, whole") << QVariant(3.0) << "3";
        QTest::newRow("negative zero") << QVariant(-0.0) << "0";
        QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << "";
        QTest::newRow("infinity") << QVariant(std::numeric_limits<double>::infinity()) << "";
        QTest::newRow("float") << QVariant(2.5f) << "2.5";
        QTest::newRow("decimal, exact") << decimal("99999989999999.0001") << "99999989999999.0001";
        QTest::newRow("decimal, negative") << decimal("-3") << "-3";
        QTest::newRow("decimal that is no number, as text") << decimal("1,2") << "\"1,2\"";
        QTest::newRow("true") << QVariant(true) << "TRUE";
        QTest::newRow("false") << QVariant(false) << "FALSE";
        QTest::newRow("date") << QVariant(QDate(2026, 1, 5)) << "2026-01-05";
        QTest::newRow("date and time")
            << QVariant(QDateTime(QDate(2026, 11, 2), QTime(21, 5, 9, 500)))
            << "2026-11-02 21:05:09";
        QTest::newRow("time") << QVariant(QTime(7, 8, 9)) << "07:08:09";
        QTest::newRow("invalid date") << QVariant(QDate()) << "";
        QTest::newRow("invalid date and time") << QVariant(QDateTime()) << "";
    }

    void fields()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, field);
        QCOMPARE(csv::field(value), field);
    }

    void decimals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digits"); // "-" when no number
        QTest::newRow("grouped money") << "1,234,567.5000"
                                       << "1234567.5000";
        QTest::newRow("blanks") << " 12 "
                                << "12";
        QTest::newRow("negative") << "-0.5"
                                  << "-0.5";
        QTest::newRow("empty") << ""
                               << "-";
        QTest::newRow("letters") << "12A"
                                 << "-";
        QTest::newRow("two points") << "1.2.3"
                                    << "-";
        QTest::newRow("exponent") << "1E5"
                                  << "-";
        QTest::newRow("point alone") << "."
                                     << "-";
    }

    void decimals()
    {
        QFETCH(QString, text);
        QFETCH(QString, digits);
        const std::optional<csv::Decimal> read = csv::decimalFromText(text);
        QCOMPARE(read ? read->digits : QStringLiteral("-"), digits);
    }

    void documentBytes()
    {
        const QByteArray bytes = csv::document(
            {QStringLiteral("Code"), QStringLiteral("Name, Desc")},
            {{QStringLiteral("1001"), 2.5}, {QStringLiteral("1002"), QVariant()}, {}});
        QCOMPARE(bytes, QByteArray("\xEF\xBB\xBF"
                                   "Code,\"Name, Desc\"\r\n"
                                   "1001,2.5\r\n"
                                   "1002,\r\n"
                                   "\r\n"));
    }

    // What a spreadsheet's reader gets back: the same texts, numbers it reads as numbers and dates
    // it reads as dates.
    void readBackByPython()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Requests.csv"));
        const QStringList headers = {QStringLiteral("Name"), QStringLiteral("Qty \"units\""),
                                     QStringLiteral("Cost"), QStringLiteral("Date")};
        const QList<QVariantList> rows = {
            {QStringLiteral("MASK \"N95\", ADULT"), 1234567, 1234.5,
             QDateTime(QDate(2026, 11, 2), QTime(9, 0))},
            {QStringLiteral("LINE ONE\r\nLINE TWO\nTHREE"), -2,
             QVariant::fromValue(csv::Decimal{QStringLiteral("99999989999999.0001")}),
             QDate(2026, 1, 31)},
            {QStringLiteral("ÑANDÚ café ĳ 日本"), 0, 0.0001, QVariant()},
        };
        QString error;
        QVERIFY2(csv::writeFile(path, headers, rows, &error), qPrintable(error));

        const QList<QList<testsupport::CsvCell>> read = testsupport::readCsvWithPython(path);
        QCOMPARE(testsupport::cellTexts(read),
                 (QList<QStringList>{
                     {"Name", "Qty \"units\"", "Cost", "Date"},
                     {"MASK \"N95\", ADULT", "1234567", "1234.5", "2026-11-02 09:00:00"},
                     {"LINE ONE\r\nLINE TWO\nTHREE", "-2", "99999989999999.0001", "2026-01-31"},
                     {"ÑANDÚ café ĳ 日本", "0", "0.0001", ""}}));
        QStringList kinds;
        for (const QList<testsupport::CsvCell> &row : read.mid(1)) {
            QStringList cells;
            for (const testsupport::CsvCell &cell : row)
                cells << cell.kind;
            kinds << cells.join(QLatin1Char(' '));
        }
        QCOMPARE(kinds, (QStringList{"text number number date", "text number number date",
                                     "text number number text"}));
    }

    // A file that cannot be written is reported, and an existing file is not left half written.
    void writeFailures()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("kept.csv"));
        QString error;
        QVERIFY(csv::writeFile(existing, {QStringLiteral("A")}, {{1}}, &error));
        const QByteArray before = [&] {
            QFile f(existing);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        // Under a file, not a folder: no user's rights make that writable.
        const QString underFile = existing + QStringLiteral("/out.csv");
        error.clear();
        QVERIFY(!csv::writeFile(underFile, {QStringLiteral("A")}, {{2}}, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(underFile));

        // A folder in the file's place.
        error.clear();
        QVERIFY(!csv::writeFile(dir.path(), {QStringLiteral("A")}, {{2}}, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(dir.path()).isDir());

        QFile kept(existing);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), before);
        // Nothing but the file itself is left in the folder (no temporary copy).
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.csv"});
    }
};

INVENTORY_DB_TEST_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"

// The shared value helpers: digit patterns, the numeric test and its value, the leading-number
// reading, plain number text and the rounding integer conversions.
#include "support/testsupport.h"

#include "app/vbformat.h"
#include "platform/error.h"

#include <limits>

class TestVbFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatNumber_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        const QString grouped = QStringLiteral("###,###,##0.0000");
        const QString whole = QStringLiteral("#########0");
        const QString fixed = QStringLiteral("########0.0000");

        QTest::newRow("grouped thousands") << grouped << 1234.5 << "1,234.5000";
        QTest::newRow("grouped millions") << grouped << 1234567.891 << "1,234,567.8910";
        QTest::newRow("grouped below a thousand") << grouped << 999.99999 << "1,000.0000";
        QTest::newRow("grouped zero") << grouped << 0.0 << "0.0000";
        QTest::newRow("grouped fraction keeps leading zero") << grouped << 0.25 << "0.2500";
        QTest::newRow("grouped negative") << grouped << -1234.5 << "-1,234.5000";
        QTest::newRow("grouped 1e15") << grouped << 1e15 << "1,000,000,000,000,000.0000";
        QTest::newRow("grouped 1e20 no exponent")
            << grouped << 1e20 << "100,000,000,000,000,000,000.0000";
        QTest::newRow("comma anywhere groups")
            << QStringLiteral("#,#0") << 1234567.0 << "1,234,567";

        QTest::newRow("whole 2.5 away from zero") << whole << 2.5 << "3";
        QTest::newRow("whole -2.5 away from zero") << whole << -2.5 << "-3";
        QTest::newRow("whole 2.6") << whole << 2.6 << "3";
        QTest::newRow("whole 2.4999") << whole << 2.4999 << "2";
        QTest::newRow("whole no grouping") << whole << 1234567.0 << "1234567";
        QTest::newRow("whole -0.4 has no sign") << whole << -0.4 << "0";
        QTest::newRow("whole 1e20") << whole << 1e20 << "100000000000000000000";
        QTest::newRow("short whole pattern") << QStringLiteral("#####0") << 0.0 << "0";

        QTest::newRow("fixed half unit of last decimal") << fixed << 0.00005 << "0.0001";
        QTest::newRow("fixed negative half unit") << fixed << -0.00005 << "-0.0001";
        QTest::newRow("fixed tiny negative has no sign") << fixed << -0.00004 << "0.0000";
        QTest::newRow("fixed negative zero") << fixed << -0.0 << "0.0000";
        QTest::newRow("fixed carry into integer") << fixed << 9.99996 << "10.0000";
        QTest::newRow("fixed 1.005 style decimal half")
            << QStringLiteral("##0.00") << 1.005 << "1.01";
        // 3 * 1.00005 is 3.00014999... in binary; as the 15-digit decimal 3.00015 it rounds up.
        QTest::newRow("fixed product of decimals") << fixed << 3 * 1.00005 << "3.0002";
        QTest::newRow("fixed 0.1 + 0.2") << fixed << 0.1 + 0.2 << "0.3000";
        QTest::newRow("fixed far below last decimal") << fixed << 1e-300 << "0.0000";
        QTest::newRow("fixed 15 significant digits")
            << QStringLiteral("#######0.0000") << 123456789.123456789 << "123456789.1235";

        QTest::newRow("hash decimals only when needed") << QStringLiteral("0.0#") << 1.5 << "1.5";
        QTest::newRow("hash decimals used") << QStringLiteral("0.0#") << 1.256 << "1.26";
        QTest::newRow("hash integer empty for fraction") << QStringLiteral("#.00") << 0.5 << ".50";
        QTest::newRow("zeros pad the integer") << QStringLiteral("000") << 7.0 << "007";
    }

    void formatNumber()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(vb::formatNumber(value, pattern), expected);
    }

    void numericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");

        QTest::newRow("integer") << "12" << true << 12.0;
        QTest::newRow("surrounding blanks") << "  12.5 \t" << true << 12.5;
        QTest::newRow("grouped") << "1,234.5" << true << 1234.5;
        QTest::newRow("separators anywhere in integer part") << "1,2,3" << true << 123.0;
        QTest::newRow("leading sign") << "-3" << true << -3.0;
        QTest::newRow("plus sign") << "+3" << true << 3.0;
        QTest::newRow("trailing sign") << "3-" << true << -3.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "5." << true << 5.0;
        QTest::newRow("exponent") << "1E3" << true << 1000.0;
        QTest::newRow("negative exponent") << "2.5e-2" << true << 0.025;
        QTest::newRow("D exponent") << "1D3" << true << 1000.0;
        QTest::newRow("currency") << "$1,000" << true << 1000.0;
        QTest::newRow("currency after sign") << "-$5" << true << -5.0;
        QTest::newRow("parentheses negative") << "(12)" << true << -12.0;
        QTest::newRow("the quantity of a whole number") << "0" << true << 0.0;

        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks") << "   " << false << 0.0;
        QTest::newRow("point alone") << "." << false << 0.0;
        QTest::newRow("sign alone") << "-" << false << 0.0;
        QTest::newRow("trailing letter") << "1,2,3x" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("leading separator") << ",5" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("two signs") << "-3-" << false << 0.0;
        QTest::newRow("sign inside parentheses") << "(-12)" << false << 0.0;
        QTest::newRow("exponent without digits") << "1E" << false << 0.0;
        QTest::newRow("blank inside") << "1 2" << false << 0.0;
        QTest::newRow("too large for a double") << "1E400" << false << 0.0;
        QTest::newRow("too small for a double is zero") << "1E-400" << true << 0.0;
        QTest::newRow("too small, grouped and negative") << "(1,000.5e-999)" << true << 0.0;
        QTest::newRow("hexadecimal") << "&H10" << false << 0.0;
    }

    void numericText()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(vb::isNumeric(text), numeric);
        QCOMPARE(vb::numericValue(text), value);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");

        QTest::newRow("stops at a letter") << "12abc" << 12.0;
        QTest::newRow("stops at a comma") << "1,234" << 1.0;
        QTest::newRow("blanks and unit") << "  -3.5kg" << -3.5;
        QTest::newRow("blanks inside are skipped") << "1 2\t3" << 123.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("exponent") << "1e3x" << 1000.0;
        QTest::newRow("exponent without digits ignored") << "7E" << 7.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("grouped total cell") << "1,234.5000" << 1.0;
        QTest::newRow("hexadecimal is not read") << "&H10" << 0.0;
        QTest::newRow("too small for a double is zero") << "1e-400kg" << 0.0;
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(vb::leadingNumber(text), value);
    }

    void plainNumber_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("fraction") << 12.5 << "12.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("negative integer") << -3.0 << "-3";
        QTest::newRow("no grouping") << 1234567.0 << "1234567";
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3";
        QTest::newRow("below one") << 0.0005 << "0.0005";
        QTest::newRow("15 significant digits") << 2.0 / 3.0 << "0.666666666666667";
        QTest::newRow("largest 15-digit whole") << -999999999999999.0 << "-999999999999999";
        QTest::newRow("stored cost") << 300.824 << "300.824";
        QTest::newRow("four decimals, ten digits") << -1234567890.0001 << "-1234567890.0001";
        QTest::newRow("negative below one") << -0.5 << "-0.5";
        QTest::newRow("five decimals") << 0.00001 << "0.00001";
        QTest::newRow("1e15 without exponent") << 1e15 << "1000000000000000";
        QTest::newRow("16 digits rounded to 15") << 1234567890123456.0 << "1234567890123460";
        QTest::newRow("1e16 with exponent") << 1.5e16 << "1.5E+16";
        QTest::newRow("tiny with exponent") << 1e-20 << "1E-20";
    }

    void plainNumber()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(vb::plainNumber(value), expected);
    }

    void leadingNumberOverflow()
    {
        try {
            vb::leadingNumber(QStringLiteral("1e400"));
            QFAIL("no overflow");
        } catch (const AppError &e) {
            QCOMPARE(e.number(), 6L);
            QCOMPARE(e.description(), QStringLiteral("Overflow"));
        }
    }

    void integerConversions_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits16");
        QTest::addColumn<int>("expected16");
        QTest::addColumn<bool>("fits32");
        QTest::addColumn<qint32>("expected32");

        QTest::newRow("half to even down") << 2.5 << true << 2 << true << 2;
        QTest::newRow("half to even up") << 3.5 << true << 4 << true << 4;
        QTest::newRow("negative half") << -2.5 << true << -2 << true << -2;
        QTest::newRow("above half") << 2.51 << true << 3 << true << 3;
        QTest::newRow("16-bit top") << 32767.4 << true << 32767 << true << 32767;
        QTest::newRow("16-bit overflow") << 32767.5 << false << 0 << true << 32768;
        QTest::newRow("16-bit bottom half") << -32768.5 << true << -32768 << true << -32768;
        QTest::newRow("32-bit overflow") << 2147483647.5 << false << 0 << false << 0;
        QTest::newRow("not a number")
            << std::numeric_limits<double>::quiet_NaN() << false << 0 << false << 0;
    }

    void integerConversions()
    {
        QFETCH(double, value);
        QFETCH(bool, fits16);
        QFETCH(int, expected16);
        QFETCH(bool, fits32);
        QFETCH(qint32, expected32);

        if (fits16) {
            QCOMPARE(int(vb::toInteger16(value)), expected16);
        } else {
            QVERIFY_THROWS_EXCEPTION(AppError, vb::toInteger16(value));
        }
        if (fits32) {
            QCOMPARE(vb::toLong32(value), expected32);
        } else {
            try {
                vb::toLong32(value);
                QFAIL("no overflow");
            } catch (const AppError &e) {
                QCOMPARE(e.number(), 6L);
                QCOMPARE(e.description(), QStringLiteral("Overflow"));
            }
        }
    }
};

INVENTORY_TEST_MAIN(TestVbFormat)
#include "tst_vbformat.moc"

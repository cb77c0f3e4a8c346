// The password transform: its exact stored form, and the demo staff's passwords held in that form.
#include "support/testsupport.h"

#include "app/modEncryption.h"

using modEncryption::EncryptText;
using modEncryption::PasswordKey;

class TestEncryption : public QObject
{
    Q_OBJECT

private slots:
    void encryptText_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // Expected values worked out apart from this code (by hand for NURSE, by a separate
        // script for the rest).
        QTest::newRow("empty text") << "E"
                                    << ""
                                    << "5B";
        QTest::newRow("demo password") << "E"
                                       << "DEMO"
                                       << "5BC54ECB53";
        QTest::newRow("values below 16 are blank-padded") << "E"
                                                          << "NURSE"
                                                          << "5BF3 C E2937";
        QTest::newRow("lower case, digits, blank, symbols") << "E"
                                                            << "Pa$$w0rd 1"
                                                            << "5BF1166AC667C56998F965";
        QTest::newRow("14 characters reuse the key from its first letter")
            << "E"
            << "ABCDEFGHIJKLMN"
            << "5BC64CDF6CE87D958890948B98A9AD";
        QTest::newRow("15 characters with blanks past the key's end")
            << "E"
            << "NURSE-STATION-4"
            << "5BF3 C E293736D878F8 318283A3D34";
        QTest::newRow("latin-1 letter by its single-byte code") << "E"
                                                                << "CAFÉ"
                                                                << "5BC443D9EB";
        QTest::newRow("euro sign by its Windows-1252 code 0x80") << "E"
                                                                 << "€5"
                                                                 << "5B81F3";
        QTest::newRow("outside the code page counts as a question mark") << "E"
                                                                         << "Ж"
                                                                         << "5BC0";
        QTest::newRow("one character outside the basic plane counts once") << "E"
                                                                           << "\U0001F600"
                                                                           << "5BC0";
        QTest::newRow("other mode leaves the text alone") << "D"
                                                          << "NURSE"
                                                          << "NURSE";
        QTest::newRow("mode letter compared exactly") << "e"
                                                      << "DEMO"
                                                      << "DEMO";
    }

    void encryptText()
    {
        QFETCH(QString, mode);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(EncryptText(mode, PasswordKey, text), expected);
    }

    // Past the key's last letter the key starts again at its first: a 14-character text comes
    // out the same whether the key wraps or is one letter longer with its first letter appended.
    void keyWrapsToItsFirstLetter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("14 characters") << "ABCDEFGHIJKLMN";
        QTest::newRow("14 characters, blanks in the output") << "NURSE-STATION-";
    }

    void keyWrapsToItsFirstLetter()
    {
        QFETCH(QString, text);
        QCOMPARE(text.size(), PasswordKey.size() + 1);
        const QString longerKey = PasswordKey + PasswordKey.left(1);
        QCOMPARE(EncryptText("E", PasswordKey, text), EncryptText("E", longerKey, text));
        QCOMPARE_NE(EncryptText("E", PasswordKey, text),
                    EncryptText("E", PasswordKey + PasswordKey.mid(1, 1), text));
    }

    // The demo staff table holds the transform's output, so signing in with the documented
    // demo passwords works.
    void demoPasswordsAreStoredTransformed_data()
    {
        QTest::addColumn<QString>("employee");
        QTest::addColumn<QString>("password");
        QTest::newRow("authorised verifier") << "E01"
                                             << "DEMO";
        QTest::newRow("ward nurse, blanks in the stored form") << "E02"
                                                               << "NURSE";
        QTest::newRow("mixed case password") << "E09"
                                             << "Verify9";
    }

    void demoPasswordsAreStoredTransformed()
    {
        QFETCH(QString, employee);
        QFETCH(QString, password);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto connection = testsupport::newDatabase(dir, db::Contents::DemoData);
        db::Recordset rs = connection->query(
            QStringLiteral("SELECT Password FROM tbPasswordMain WHERE EmployeeID = ?"), {employee});
        QVERIFY(!rs.Eof());
        QCOMPARE(rs.Fields("Password").toText(), EncryptText("E", PasswordKey, password));
    }
};

INVENTORY_TEST_MAIN(TestEncryption)
#include "tst_encryption.moc"

// Secrets stay out of logs and error texts, and a server password may hold any character.
#include "testsupport.h"

#include "platform/db/dberror.h"
#include "platform/db/sqllog.h"
#include "platform/session/sessionsettings.h"

class TestSecrets : public QObject
{
    Q_OBJECT

private slots:
    void masked_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("stored password form")
            << "Select EmployeeId from password..tbpasswordmain where Employeeid = 'E02' and "
               "Password = '5BF3 C E2937'"
            << "Select EmployeeId from password..tbpasswordmain where Employeeid = 'E02' and "
               "Password = '****'";
        QTest::newRow("quote marks inside, more after") << "Where Password='A''B' And X = 1"
                                                        << "Where Password='****' And X = 1";
        QTest::newRow("connection string") << "DRIVER={FreeTDS};UID={app};PWD={s3;cr}}t};Port=1"
                                           << "DRIVER={FreeTDS};UID={app};PWD=****;Port=1";
        QTest::newRow("unbraced") << "Server=db;pwd=hunter2;TDS_Version=7.4"
                                  << "Server=db;pwd=****;TDS_Version=7.4";
        QTest::newRow("nothing secret") << "Select PasswordHint From T"
                                        << "Select PasswordHint From T";
    }

    void masked()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(db::withoutSecrets(text), shown);
        // A failure carries the statement and the message without them as well.
        const db::DbError error(text, text);
        QCOMPARE(error.statement(), shown);
        QCOMPARE(error.description(), shown);
    }

    // Every value of the server's connection string between braces: a ';' in a password stays in
    // the password instead of starting another option.
    void connectionStringValuesAreBraced()
    {
        SessionSettings settings;
        settings.kind = SessionSettings::Kind::SqlServer;
        settings.server = QStringLiteral("dbserver");
        settings.database = QStringLiteral("INVENTORY");
        settings.user = QStringLiteral("app");
        settings.password = QStringLiteral("a;b}c=d");
        const QString odbc = settings.odbcConnectionString();
        QVERIFY2(odbc.contains(QLatin1String(";PWD={a;b}}c=d};")), qPrintable(odbc));
        QVERIFY2(odbc.contains(QLatin1String("Server={dbserver};")), qPrintable(odbc));
        QVERIFY2(odbc.contains(QLatin1String("UID={app};")), qPrintable(odbc));
    }
};

INVENTORY_TEST_MAIN(TestSecrets)
#include "tst_secrets.moc"

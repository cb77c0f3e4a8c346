// Secrets stay out of logs and error texts, and a server password may hold any character.
#include "support/testsupport.h"

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
        QTest::newRow("bound value") << "Where Employeeid = ? and Password = ?"
                                     << "Where Employeeid = ? and Password = ****";
        // Each way a statement can compare or set a password.
        QTest::newRow("bracketed name") << "Where [Password] = 'hunter2' And X = 1"
                                        << "Where [Password] = '****' And X = 1";
        QTest::newRow("quoted name") << "Where \"password\"='hunter2'"
                                     << "Where \"password\"='****'";
        QTest::newRow("not equal") << "Where Password<>'hunter2' Or Password != 'swordfish'"
                                   << "Where Password<>'****' Or Password != '****'";
        QTest::newRow("in a list") << "Where Password IN ('hunter2', 'swordfish') And X = 'a'"
                                   << "Where Password IN ('****', '****') And X = 'a'";
        QTest::newRow("not like") << "Where Password Not Like 'hunt%'"
                                  << "Where Password Not Like '****'";
        QTest::newRow("name ending in Password") << "Update T Set NewPassword = 'hunter2', X = 'a'"
                                                 << "Update T Set NewPassword = '****', X = 'a'";
        QTest::newRow("table and column")
            << "Where tbPasswordMain.Password='hunter2' And tbPasswordMain.EmployeeID = 'E02'"
            << "Where tbPasswordMain.Password='****' And tbPasswordMain.EmployeeID = 'E02'";
        QTest::newRow("national literal") << "Set Password = N'hunter2' Where EmployeeID = 'E02'"
                                          << "Set Password = N'****' Where EmployeeID = 'E02'";
        QTest::newRow("unterminated") << "Where Password = 'hunter2 And X = 1"
                                      << "Where Password = '****'";
        QTest::newRow("literal first") << "Where 'hunter2' = Password"
                                       << "Where '****' = Password";
        QTest::newRow("inside a function") << "Where Password = Upper('hunter2') And X = 'a'"
                                           << "Where Password = ****";
        QTest::newRow("concatenated") << "Where NewPassword = 'hunt' + 'er2' And X = 'a'"
                                      << "Where NewPassword = '****' + '****' And X = 'a'";
        // Read with a connection string's escapes the literal never ends: all of it goes.
        QTest::newRow("backslash before the quote") << "Where Password = 'hunter\\' And X = 1"
                                                    << "Where Password = '****'";
        QTest::newRow("insert")
            << "Insert tbPasswordMain (EmployeeID, LastName, Password, DepartmentID) Values "
               "('E02', 'O''NEIL', 'hunter2', '4'), ('E03', 'X', 'swordfish', '4')"
            << "Insert tbPasswordMain (EmployeeID, LastName, Password, DepartmentID) Values "
               "('E02', 'O''NEIL', '****', '4'), ('E03', 'X', '****', '4')";
        QTest::newRow("insert into, bracketed")
            << "INSERT INTO password..tbPasswordMain ([Password], EmployeeID) VALUES "
               "(N'hunter2', 'E02')"
            << "INSERT INTO password..tbPasswordMain ([Password], EmployeeID) VALUES "
               "(N'****', 'E02')";
        // PostgreSQL's connection strings, and its words on a refused row.
        QTest::newRow("conninfo, quoted") << "host=db password='hunter 2' user=app"
                                          << "host=db password='****' user=app";
        QTest::newRow("conninfo, escaped quote") << "host=db password='hun\\'ter 2' user=app"
                                                 << "host=db password='****' user=app";
        QTest::newRow("conninfo, escape before the password")
            << "user='o\\'brien' password='hunter2'"
            << "user='o\\'brien' password='****'";
        QTest::newRow("conninfo, plain") << "host=db port=5432 password=hunter2"
                                         << "host=db port=5432 password=****";
        QTest::newRow("quoted connection string value") << "Server=db;PWD='hunter2';Port=1"
                                                        << "Server=db;PWD='****';Port=1";
        QTest::newRow("refused key")
            << "duplicate key value violates unique constraint\nDETAIL:  Key (employeeid, "
               "password)=(E02, hunter2) already exists."
            << "duplicate key value violates unique constraint\nDETAIL:  Key (employeeid, "
               "password)=(****) already exists.";
        QTest::newRow("refused key without a password")
            << "DETAIL:  Key (employeeid)=(E02) already exists."
            << "DETAIL:  Key (employeeid)=(E02) already exists.";
        QTest::newRow("refused row")
            << "null value in column \"departmentid\" of relation \"tbpasswordmain\"\nDETAIL:  "
               "Failing row contains (E02, X, Y, hunter2, null)."
            << "null value in column \"departmentid\" of relation \"tbpasswordmain\"\nDETAIL:  "
               "Failing row contains (****).";
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

// The T-SQL to SQLite translation, rewrite by rewrite, and the statements it refuses; what the
// PostgreSQL translation does differently; SQL Server's numbering on a table without DocumentNo.
#include "support/databases.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/procedures.h"

using namespace db;

class TestSqliteDialect : public QObject
{
    Q_OBJECT

private:
    SqliteDialect dialect(bool native = true) const
    {
        SqliteDialect d(ProcedureCatalog::builtIn(), native);
        d.setTextColumns(
            {QStringLiteral("lastname"), QStringLiteral("firstname"), QStringLiteral("itemname")});
        return d;
    }

private slots:
    void postgresRewrites_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QString>("postgres");
        QTest::addColumn<QString>("lockFirst");
        QTest::newRow("procedure, arguments bound")
            << "INVENTORY..sp_Inv_KitofItems_PerItem '0010', 0020"
            << "SELECT * FROM sp_Inv_KitofItems_PerItem(?, ?)"
            << "";
        QTest::newRow("procedure, an argument read by a query")
            << "INVENTORY..sp_Inv_KitofItems_PerItem (Select Top 1 ItemID From "
               "INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '7' Order By LineID), "
               "0020"
            << "SELECT * FROM sp_Inv_KitofItems_PerItem((Select ItemID From tbInvWithdrawRequest "
               "Where DocumentNumber = '7' Order By LineID LIMIT 1), ?)"
            << "";
        QTest::newRow("IsNull and brackets")
            << "Select IsNull(ItemName, '') As [Item Name] From INVENTORY..tbInvMaster"
            << "Select coalesce(ItemName, '') As \"Item Name\" From tbInvMaster"
            << "";
        QTest::newRow("Convert to datetime and bit")
            << "Select Convert(datetime, '12/08/2026'), Convert(bit, 1)"
            << "Select CAST('2026-12-08 00:00:00' AS timestamp(3)), CAST(1 AS smallint)"
            << "";
        QTest::newRow("name prefix bounded for the index")
            << "Select ItemID From INVENTORY..tbInvMaster A Where A.ItemName Like 'GAU%' Order by "
               "A.ItemName"
            << QStringLiteral(
                   "Select ItemID From tbInvMaster A Where CASE WHEN A.ItemName Like 'GAU%' "
                   "ESCAPE '' THEN true WHEN A.ItemName IS NOT NULL THEN false END AND "
                   "A.ItemName >= 'GAU' AND A.ItemName < 'GAU") +
                   QString::fromUcs4(U"\U0010FFFF", 1) + QStringLiteral("' Order by A.ItemName")
            << "";
        QTest::newRow("wildcard inside: no range")
            << "Select ItemID From tbInvMaster Where ItemName Like '%GAU%'"
            << "Select ItemID From tbInvMaster Where ItemName Like '%GAU%' ESCAPE ''"
            << "";
        QTest::newRow("lock hints become a table lock")
            << "Select Count(*) From INVENTORY..tbInvWithdrawRequest WITH (UPDLOCK, HOLDLOCK) "
               "Where DocumentNumber = '7'"
            << "Select Count(*) From tbInvWithdrawRequest  Where DocumentNumber = '7'"
            << "LOCK TABLE tbInvWithdrawRequest IN SHARE ROW EXCLUSIVE MODE";
    }

    void postgresRewrites()
    {
        QFETCH(QString, tsql);
        QFETCH(QString, postgres);
        QFETCH(QString, lockFirst);
        PostgresDialect d(ProcedureCatalog::builtIn());
        d.setTextColumns({QStringLiteral("itemname")});
        const Statement s = d.translate(tsql, {});
        QCOMPARE(s.sql, postgres);
        QCOMPARE(s.lockFirst.join(QLatin1Char(';')), lockFirst);
        if (tsql.contains(QLatin1String("PerItem")))
            QCOMPARE(s.params,
                     tsql.contains(QLatin1String("Select"))
                         ? (QVariantList{QStringLiteral("0020")})
                         : (QVariantList{QStringLiteral("0010"), QStringLiteral("0020")}));
    }

    void sqlServerNumbersWithoutTheNumberedColumn()
    {
        const QString numbering = QStringLiteral(
            "Select (max(DocumentNo) + 1) as DocNum From INVENTORY..tbInvWithdrawRequest");
        SqlServerDialect d;
        QCOMPARE(d.translate(numbering, {}).sql, numbering);
        d.setHasNumberedColumn(false);
        QCOMPARE(d.translate(numbering, {}).sql,
                 QStringLiteral("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From "
                                "INVENTORY..tbInvWithdrawRequest"));
        // The check that the next number holds no lines reads the same number.
        const QString linesUnderNext = QStringLiteral(
            "Select Count(*) From INVENTORY..tbInvWithdrawRequest Where DocumentNumber = (Select "
            "Cast(IsNull(max(DocumentNo), 0) + 1 As varchar(10)) From "
            "INVENTORY..tbInvWithdrawRequest)");
        QCOMPARE(d.translate(linesUnderNext, {}).sql,
                 QStringLiteral("Select Count(*) From INVENTORY..tbInvWithdrawRequest Where "
                                "DocumentNumber = (Select Cast(IsNull(max(Cast(DocumentNumber as "
                                "int)), 0) + 1 As varchar(10)) From "
                                "INVENTORY..tbInvWithdrawRequest)"));
    }

    void rewrites_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QString>("sqlite");
        QTest::newRow("database prefix") << "Select * From INVENTORY..tbInvLocation"
                                         << "Select * From tbInvLocation";
        QTest::newRow("owner prefix") << "Select * From Password.dbo.tbPasswordMain A"
                                      << "Select * From tbPasswordMain A";
        QTest::newRow("alias.column kept") << "Select A.ItemID From INVENTORY..tbInvMaster A"
                                           << "Select A.ItemID From tbInvMaster A";
        QTest::newRow("insert without into")
            << "Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber) Values ('1')"
            << "Insert INTO tbInvWithdrawRequest (DocumentNumber) Values ('1')";
        QTest::newRow("insert into kept")
            << "Insert Into INVENTORY..tbInvTerms ( TermsID ) Values ( 1)"
            << "Insert Into tbInvTerms ( TermsID ) Values ( 1)";
        QTest::newRow("delete without from")
            << "Delete INVENTORY..tbInvWithdrawRequest Where DocumentNumber = '7'"
            << "Delete FROM tbInvWithdrawRequest Where DocumentNumber = '7'";
        QTest::newRow("top in a subquery")
            << "Select (Select Top 1 LastName + ', ' + FirstName From Password..tbPasswordMain "
               "Where EmployeeID = A.UserID) From T A"
            << "Select (Select LastName || ', ' || FirstName From tbPasswordMain "
               "Where EmployeeID = A.UserID LIMIT 1) From T A";
        QTest::newRow("top distinct order by") << "Select distinct Top 5 A From T Order By A"
                                               << "Select distinct A From T Order By A LIMIT 5";
        QTest::newRow("top in parentheses") << "Select Top (2) A From T"
                                            << "Select A From T LIMIT 2";
        QTest::newRow("numeric plus kept")
            << "Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From "
               "INVENTORY..tbInvWithdrawRequest"
            << "Select (max(Cast(DocumentNumber as int)) + 1) as DocNum From tbInvWithdrawRequest";
        QTest::newRow("text column chain") << "Select ItemName + ItemDesc From T"
                                           << "Select ItemName || ItemDesc From T";
        QTest::newRow("isnull") << "Select isnull(A.Status,'') From T A"
                                << "Select ifnull(A.Status,'') From T A";
        QTest::newRow("convert nested")
            << "Select Convert(VarChar(4),Max( Convert(Integer,Replace(itemid,'P','')) ) + 1)  as "
               "MaxCode From T"
            << "Select CAST(Max( CAST(Replace(itemid,'P','') AS Integer) ) + 1 AS VarChar(4))  as "
               "MaxCode From T";
        QTest::newRow("substring and patindex")
            << "Select SubString(C.Node_Key,1,PatIndex('%.%',C.Node_Key) -1) From C"
            << "Select substr(C.Node_Key,1,PatIndex('%.%',C.Node_Key) -1) From C";
        QTest::newRow("getdate native") << "Update T set D = getdate()"
                                        << "Update T set D = GetDate()";
        QTest::newRow("us date literal") << "Insert T (D) Values ('12/08/2026 01:13:29 PM')"
                                         << "Insert INTO T (D) Values ('2026-12-08 13:13:29')";
        QTest::newRow("midnight literal") << "Select '01/02/2027 12:00:00 AM'"
                                          << "Select '2027-01-02 00:00:00'";
        QTest::newRow("not a date") << "Select '13/45/2026'"
                                    << "Select '13/45/2026'";
        QTest::newRow("shortest date, N prefix") << "Select N'1/2/2027 1:05 PM', '1/2/27'"
                                                 << "Select '2027-01-02 13:05:00', '1/2/27'";
        QTest::newRow("date-like text inserted into a text column")
            << "Insert T (ItemName, D) Values ('12/08/2026', '12/08/2026'), ('1/2/2027', NULL)"
            << "Insert INTO T (ItemName, D) Values ('12/08/2026', '2026-12-08 00:00:00'), "
               "('1/2/2027', NULL)";
        QTest::newRow("date-like text set or compared in a text column")
            << "Update T Set ItemName = '12/08/2026' Where A.LastName <> '1/2/2027' "
               "and '1/2/2027' = FirstName and D < '1/2/2027'"
            << "Update T Set ItemName = '12/08/2026' Where A.LastName <> '1/2/2027' "
               "and '1/2/2027' = FirstName and D < '2027-01-02 00:00:00'";
        QTest::newRow("quote doubled stays") << "Select * From T Where A = 'O''Brien'"
                                             << "Select * From T Where A = 'O''Brien'";
        QTest::newRow("unicode literal") << "Select N'abc'"
                                         << "Select 'abc'";
        QTest::newRow("lock hints dropped") << "Select Max(A) From T WITH (UPDLOCK, HOLDLOCK)"
                                            << "Select Max(A) From T";
        QTest::newRow("terminator") << "Select 1;"
                                    << "Select 1";
        QTest::newRow("bracketed names") << "Select A.ItemName As [Product Name] From T A"
                                         << "Select A.ItemName As [Product Name] From T A";
        QTest::newRow("comment parts two minus signs")
            << "Delete T Where A = 1 -/**/- 1 And B = 2"
            << "Delete FROM T Where A = 1 - - 1 And B = 2";
        const QString deepest =
            QString(200, QLatin1Char('(')) + '1' + QString(200, QLatin1Char(')'));
        QTest::newRow("nested as deep as allowed") << "Select " + deepest << "Select " + deepest;
        QTest::newRow("comment parts two words") << "Select/*x*/Distinct/**/Top 1 A/**/From T"
                                                 << "Select Distinct A From T LIMIT 1";
    }

    void rewrites()
    {
        QFETCH(QString, tsql);
        QFETCH(QString, sqlite);
        try {
            QCOMPARE(dialect().translate(tsql, {}).sql, sqlite);
        } catch (const DbError &e) {
            QFAIL(qPrintable(e.description()));
        }
    }

    void withoutNativeFunctions()
    {
        const SqliteDialect d = dialect(false);
        QCOMPARE(d.translate(QStringLiteral("Update T set D = GetDate()"), {}).sql,
                 QStringLiteral("Update T set D = datetime('now','localtime')"));
        QCOMPARE(d.translate(QStringLiteral("Select PatIndex('%.%',C.Node_Key) From C"), {}).sql,
                 QStringLiteral("Select instr(C.Node_Key, '.') From C"));
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 d.translate(QStringLiteral("Select PatIndex('a%',x)"), {}));
    }

    void procedureCalls_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::addColumn<QVariantList>("params");
        QTest::newRow("quoted") << "INVENTORY..sp_Inv_UserLocation 'E01'" << QVariantList{"E01"};
        QTest::newRow("exec") << "EXEC Inventory..sp_Inv_UserLocation 'O''Neil'"
                              << QVariantList{"O'Neil"};
        QTest::newRow("two quoted")
            << "Inventory..sp_Inv_SearchItem_In_Invent 'A100','19'" << QVariantList{"A100", "19"};
        QTest::newRow("unquoted") << "Inventory..sp_Inv_KitofItems_PerItem K001,A100"
                                  << QVariantList{"K001", "A100"};
        QTest::newRow("number") << "Inventory..sp_Inv_KitofItems 1234" << QVariantList{"1234"};
    }

    void procedureCalls()
    {
        QFETCH(QString, tsql);
        QFETCH(QVariantList, params);
        const Statement s = dialect().translate(tsql, {});
        QVERIFY(s.sql.startsWith(QLatin1String("SELECT")));
        QVERIFY(!s.sql.contains(QLatin1Char('@')));
        QCOMPARE(s.sql.count(QLatin1Char('?')), s.params.size());
        for (const QVariant &p : params)
            QVERIFY2(s.params.contains(p), qPrintable(p.toString()));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("tsql");
        QTest::newRow("two statements") << "Delete T Where A = '1'; Delete U";
        QTest::newRow("hidden second statement")
            << "Select * From T Where A = '' ; Drop Table T --'";
        QTest::newRow("unknown procedure") << "INVENTORY..sp_Nothing 'x'";
        QTest::newRow("wrong argument count") << "Inventory..sp_Inv_SearchItem_In_Invent 'A100'";
        QTest::newRow("query as an argument")
            << "Inventory..sp_Inv_SearchItem_In_Invent (Select Top 1 ItemID From T), 'A100'";
        QTest::newRow("variable") << "Select @@IDENTITY";
        QTest::newRow("declare") << "Declare @x int";
        QTest::newRow("temp table") << "Select * From #work";
        QTest::newRow("top percent") << "Select Top 10 Percent A From T";
        QTest::newRow("convert style") << "Select Convert(varchar(10), D, 101) From T";
        QTest::newRow("convert to date") << "Select Convert(datetime, '2026-01-01')";
        QTest::newRow("cast to date") << "Select Cast(D as datetime) From T";
        QTest::newRow("date type behind a comment") << "Select Convert(/**/datetime, D) From T";
        QTest::newRow("date type in brackets") << "Select Convert([datetime], D) From T";
        QTest::newRow("nested too deep")
            << "Select " + QString(201, QLatin1Char('(')) + '1' + QString(201, QLatin1Char(')'));
        QTest::newRow("nolock") << "Select * From T (NOLOCK)";
        QTest::newRow("unterminated string") << "Select * From T Where A = 'x";
        QTest::newRow("unbalanced") << "Select Max(A From T";
        QTest::newRow("set option") << "Set NoCount On";
        QTest::newRow("empty") << "  ";
    }

    void refusals()
    {
        QFETCH(QString, tsql);
        try {
            dialect().translate(tsql, {});
            QFAIL("the statement was translated");
        } catch (const DbError &e) {
            QCOMPARE(e.statement(), tsql);
            if (!tsql.trimmed().isEmpty())
                QVERIFY2(e.description().contains(tsql), qPrintable(e.description()));
        }
    }

    void sqlServerPassesThrough()
    {
        const QString tsql = QStringLiteral("Select Top 1 * From INVENTORY..tbInvMaster");
        QCOMPARE(SqlServerDialect().translate(tsql, {}).sql, tsql);
    }
};

INVENTORY_DB_TEST_MAIN(TestSqliteDialect)
#include "tst_sqlitedialect.moc"

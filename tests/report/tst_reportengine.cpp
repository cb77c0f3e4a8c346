// The report engine: reading templates, re-pointing tables, parameter rules, bound queries,
// value formats and page breaks.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "app/modReports.h"
#include "platform/report/report.h"
#include "platform/report/reporterror.h"
#include "platform/session/clsCurrentUser.h"

#include <QFile>
#include <QRegularExpression>

using namespace modInventory;
using report::ReportError;

namespace {

const char *Fixture = R"(
INSERT INTO tbHospitalInfo (HospitalID, Company, Address, TelNum)
    VALUES (1, 'X', '1 MAIN ST', '555');
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, 'S');
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, '');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E01', 'REYES', 'ANA');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1001', 'GAUZE 4X4', 'STERILE');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('A''1', '1001', 1, 2, 'N', 0, '19', '27', '2026-11-03 09:00:00', 'E01', 'QUOTED');
)";

// A small template; %1 is put in [Tables], %2 in [Parameters], %3 is the query, %4 more sections.
QString smallTemplate(const QString &tables, const QString &parameters, const QString &query,
                      const QString &more = QString())
{
    return QStringLiteral("[Report]\nFormat = 1\nNoRecords = Nothing for {?DocumentNumber}.\n"
                          "[Tables]\n%1\n[Parameters]\n{?DocumentNumber}\n%2\n[Query]\n%3\n%4\n")
        .arg(tables, parameters, query, more);
}

const QString RequestQuery =
    QStringLiteral("Select A.DocumentNumber, A.ItemID, M.ItemName From {Request} A\n"
                   " Left Outer Join {Item} M On M.ItemID = A.ItemID\n"
                   " Where A.DocumentNumber = {?DocumentNumber}");

const QString RequestTables = QStringLiteral("Request = INVENTORY.dbo.tbInvWithdrawRequest\n"
                                             "Item = INVENTORY..tbInvMaster\n"
                                             "Staff = Password.dbo.tbPasswordMain, keep database");

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<testsupport::Session> m_session;

    QString write(const QString &name, const QString &text)
    {
        const QString path = m_home.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(text.toUtf8());
        return path;
    }

    static QString sourceTemplate(const char *name)
    {
        return QFINDTESTDATA(QStringLiteral("../../reports/") + QLatin1String(name));
    }

    // The error an action throws, or an empty error text when it throws none.
    template <typename F> static QString failure(F action, ReportError::Kind *kind = nullptr)
    {
        try {
            action();
        } catch (const ReportError &e) {
            if (kind)
                *kind = e.kind();
            return e.description();
        }
        return QString();
    }

private slots:
    void initTestCase()
    {
        // The session's logon: a server named by the settings, its database not called INVENTORY.
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        QDir().mkpath(m_home.filePath(QStringLiteral("config/inventory-request")));
        write(QStringLiteral("config/inventory-request/session.ini"),
              QStringLiteral("[Database]\nKind=SqlServer\nServer=dbserver\nName=HOSPITAL2\n"
                             "Password=s3cret\n"));
    }

    void init()
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
        Company = QStringLiteral("ST. JUDE'S HOSPITAL");
    }

    void cleanup()
    {
        PubReport.reset();
        m_session.reset();
    }

    void malformedTemplates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString good = smallTemplate(RequestTables, QString(), RequestQuery);
        QTest::newRow("not a template") << "hello\n"
                                        << "line 1: text before the first section";
        QTest::newRow("empty file") << ""
                                    << "there is no [Report] section";
        QTest::newRow("no format") << "[Report]\nTitle = X\n[Query]\nSelect 1\n"
                                   << "does not say \"Format = 1\"";
        QTest::newRow("later format") << "[Report]\nFormat = 2\n"
                                      << "line 2: format 2 is not known";
        QTest::newRow("unknown section")
            << QString(good).replace("[Query]", "[Qeury]") << "there is no section [Qeury]";
        QTest::newRow("query names an undeclared table")
            << QString(good).replace("{Item}", "{Stock}")
            << "line 13: the table {Stock} is not in [Tables]";
        QTest::newRow("query names an undeclared parameter")
            << QString(good).replace("= {?DocumentNumber}", "= {?DocNo}")
            << "line 14: the parameter {?DocNo} is not in [Parameters]";
        QTest::newRow("no query") << smallTemplate(RequestTables, QString(), QString())
                                  << "there is no [Query]";
        QTest::newRow("unknown style") << smallTemplate(RequestTables, QString(), RequestQuery,
                                                        "[Page Header]\ntext huge center X")
                                       << "line 16: there is no style \"huge\"";
        QTest::newRow("cells do not match the columns")
            << smallTemplate(RequestTables, QString(), RequestQuery,
                             "[Page Header]\ncolumns 50 50\ncells a | b | c")
            << "line 17: 3 cells for 2 columns";
        QTest::newRow("placeholder never closed")
            << smallTemplate(RequestTables, QString(), RequestQuery,
                             "[Page Footer]\ntext normal left {#Page")
            << "line 16: a \"{\" is never closed";
        QTest::newRow("number format without decimals")
            << smallTemplate(RequestTables, QString(), RequestQuery,
                             "[Columns]\nItemID | Code | 10 | right | number two")
            << "\"number two\": a number format gives its decimals";
        QTest::newRow("column without a width")
            << smallTemplate(RequestTables, QString(), RequestQuery, "[Columns]\nItemID | Code")
            << "a column is \"field | heading | width";
        QTest::newRow("style size not a number")
            << smallTemplate(RequestTables, QString(), RequestQuery,
                             "[Styles]\nbig = DejaVu Sans, nan, bold")
            << "line 16: a style is \"family, size in points[, options]\", not \"DejaVu Sans, "
               "nan, bold\"";
        QTest::newRow("space not a number")
            << smallTemplate(RequestTables, QString(), RequestQuery, "[Page Header]\nspace nan")
            << "line 16: \"nan\" is not a number from 0 to 200";
        QTest::newRow("column width not a number")
            << smallTemplate(RequestTables, QString(), RequestQuery,
                             "[Columns]\nItemID | Code | -nan")
            << "-nan\" is not a number from 0.1 to 1000";
        QTest::newRow("table option unknown")
            << smallTemplate("Request = INVENTORY.dbo.tbInvWithdrawRequest, read only", QString(),
                             RequestQuery)
            << "\"read only\" is not a table option";
    }

    void malformedTemplates()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        const QString path = write(QStringLiteral("bad.rpt"), text);
        ReportError::Kind kind{};
        const QString error = failure([&] { report::Report::open(path); }, &kind);
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("bad.rpt")), qPrintable(error));
        QCOMPARE(kind, ReportError::Kind::Template);
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << "was not found";
        QTest::newRow("binary") << QByteArray("\xD0\xCF\x11\xE0\0\0\0\0", 8)
                                << "it is not a text file";
    }

    void unreadableFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = m_home.filePath(QStringLiteral("other.rpt"));
        QFile::remove(path);
        if (!bytes.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        const QString error = failure([&] { LoadReport(path, {QStringLiteral("7")}); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!PubReport);
    }

    void relocated_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("expected");
        QTest::newRow("owner kept") << "INVENTORY.dbo.tbInvMaster"
                                    << "HOSPITAL2"
                                    << "HOSPITAL2.dbo.tbInvMaster";
        QTest::newRow("no owner") << "INVENTORY..tbInvMaster"
                                  << "HOSPITAL2"
                                  << "HOSPITAL2..tbInvMaster";
        QTest::newRow("another owner") << "OLD.stock.tbInvent"
                                       << "HOSPITAL2"
                                       << "HOSPITAL2.stock.tbInvent";
        QTest::newRow("from the first dot") << "SRV.OLD.dbo.tbX"
                                            << "NEW"
                                            << "NEW.OLD.dbo.tbX";
        QTest::newRow("name with a blank") << "INVENTORY.dbo.tbX"
                                           << "HOSPITAL 2"
                                           << "[HOSPITAL 2].dbo.tbX";
        QTest::newRow("name with a bracket") << "INVENTORY..tbX"
                                             << "A]; DROP TABLE tbX --"
                                             << "[A]]; DROP TABLE tbX --]..tbX";
        QTest::newRow("no session database") << "INVENTORY.dbo.tbX"
                                             << ""
                                             << "INVENTORY.dbo.tbX";
    }

    void relocated()
    {
        QFETCH(QString, location);
        QFETCH(QString, database);
        QFETCH(QString, expected);
        QCOMPARE(report::relocated(location, database), expected);
    }

    void locationWithoutDatabase()
    {
        ReportError::Kind kind{};
        const QString path =
            write(QStringLiteral("nodot.rpt"),
                  smallTemplate("Request = tbInvWithdrawRequest\nItem = INVENTORY..tbInvMaster",
                                QString(), RequestQuery));
        const QString error = failure([&] { LoadReport(path, {QStringLiteral("7")}); }, &kind);
        QCOMPARE(kind, ReportError::Kind::Location);
        QVERIFY2(error.contains(QStringLiteral("\"tbInvWithdrawRequest\" names no database")),
                 qPrintable(error));
        QVERIFY(!PubReport);
    }

    // Company name, tables re-pointed to the session database with the session's logon, and the
    // query that then runs on the session connection.
    void loadReportPreparesTheSession()
    {
        const QString path = write(QStringLiteral("request.rpt"),
                                   smallTemplate(RequestTables, QString(), RequestQuery,
                                                 "[Page Header]\ntext normal left {@CompanyName}"));
        LoadReport(path, {QStringLiteral("7")});
        QVERIFY(PubReport);
        QCOMPARE(PubReport->textField(QStringLiteral("CompanyName")), Company);

        QStringList locations;
        for (const report::DatabaseTable &table : PubReport->Tables()) {
            locations << table.Location();
            QCOMPARE(table.logOnInfo().server, QStringLiteral("dbserver"));
            QCOMPARE(table.logOnInfo().database, QStringLiteral("HOSPITAL2"));
            QCOMPARE(table.logOnInfo().user, QStringLiteral("sa"));
            QCOMPARE(table.logOnInfo().password, QStringLiteral("s3cret"));
        }
        QCOMPARE(locations, (QStringList{QStringLiteral("HOSPITAL2.dbo.tbInvWithdrawRequest"),
                                         QStringLiteral("HOSPITAL2..tbInvMaster"),
                                         QStringLiteral("Password.dbo.tbPasswordMain")}));

        const report::BoundQuery bound = PubReport->boundQuery();
        QVERIFY(bound.sql.contains(QStringLiteral("From HOSPITAL2.dbo.tbInvWithdrawRequest A")));
        QVERIFY(bound.sql.endsWith(QStringLiteral("A.DocumentNumber = ?")));
        QCOMPARE(bound.values, QVariantList{QStringLiteral("7")});

        PubReport->run(m_session->connection());
        QCOMPARE(PubReport->recordCount(), 1);
        QCOMPARE(PubReport->document().pageLines(0).value(0), Company);
    }

    void parameterRules_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QStringList>("expected"); // "<none>": the field has no value
        QTest::newRow("no fields") << QStringList() << QVariantList{"7"} << QStringList();
        QTest::newRow("one each") << QStringList{"{?A}"} << QVariantList{"7"} << QStringList{"7"};
        QTest::newRow("more fields than values")
            << QStringList{"{?A}", "{?B}", "{?C}"} << QVariantList{"7"}
            << QStringList{"7", "<none>", "<none>"};
        QTest::newRow("more values than fields")
            << QStringList{"{?A}"} << QVariantList{"7", "8"} << QStringList{"7"};
        QTest::newRow("no values")
            << QStringList{"{?A}"} << QVariantList() << QStringList{"<none>"};
        QTest::newRow("supplier fields get a blank")
            << QStringList{"{?SupplierID}", "{?@SupplierCode}", "{?supplierid}", "{?@SupplierID}"}
            << QVariantList{"S1", "S2", "S3", "S4"} << QStringList{"S1 ", "S2 ", "S3", "S4"};
    }

    void parameterRules()
    {
        QFETCH(QStringList, fields);
        QFETCH(QVariantList, values);
        QFETCH(QStringList, expected);
        const QString path =
            write(QStringLiteral("params.rpt"),
                  QStringLiteral("[Report]\nFormat = 1\n[Parameters]\n%1\n[Query]\nSelect 1 As X\n")
                      .arg(fields.join(QLatin1Char('\n'))));
        LoadReport(path, values);
        QStringList got;
        for (const report::ParameterField &field : PubReport->ParameterFields())
            got << (field.HasCurrentValue() ? field.CurrentValue().toString()
                                            : QStringLiteral("<none>"));
        QCOMPARE(got, expected);
    }

    // A value is bound, never pasted into the statement: quote marks find the request they name and
    // cannot widen the search.
    void parameterIsBound_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("records");
        QTest::newRow("plain") << "7" << 1;
        QTest::newRow("quote mark in the number") << "A'1" << 1;
        QTest::newRow("attempt to widen") << "7' Or '1' = '1" << 0;
    }

    void parameterIsBound()
    {
        QFETCH(QString, number);
        QFETCH(int, records);
        LoadReport(write(QStringLiteral("bound.rpt"),
                         smallTemplate(RequestTables, QString(), RequestQuery)),
                   {number});
        QVERIFY(!PubReport->boundQuery().sql.contains(number));
        ReportError::Kind kind{};
        const QString error = failure([&] { PubReport->run(m_session->connection()); }, &kind);
        if (records == 0) {
            QCOMPARE(kind, ReportError::Kind::NoRecords);
            QCOMPARE(error, QStringLiteral("Nothing for ") + number + QLatin1Char('.'));
        } else {
            QCOMPARE(error, QString());
            QCOMPARE(PubReport->recordCount(), records);
        }
    }

    void queryFaults_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("more");
        QTest::addColumn<QString>("message");
        QTest::newRow("query fails")
            << QString(RequestQuery).replace("M.ItemName", "M.NoSuchColumn") << QString()
            << "cannot read its data";
        QTest::newRow("column not returned") << RequestQuery << "[Columns]\nItemCost | Cost | 10"
                                             << "shows columns its query does not return: ItemCost";
        QTest::newRow("parameter without value")
            << RequestQuery << QString() << "needs a value for its parameter {?DocumentNumber}";
    }

    void queryFaults()
    {
        QFETCH(QString, query);
        QFETCH(QString, more);
        QFETCH(QString, message);
        const QString path = write(QStringLiteral("fault.rpt"),
                                   smallTemplate(RequestTables, QString(), query, more));
        const QVariantList values =
            message.contains(QLatin1String("needs a value")) ? QVariantList() : QVariantList{"7"};
        LoadReport(path, values);
        const QString error = failure([&] { PubReport->run(m_session->connection()); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY(!PubReport->hasRun());
    }

    void formats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouped, two decimals")
            << "number 2" << QVariant(1234567.5) << "1,234,567.50";
        QTest::newRow("half away from zero") << "number 2" << QVariant(2.675) << "2.68";
        QTest::newRow("no negative zero") << "number 2" << QVariant(-0.001) << "0.00";
        QTest::newRow("negative") << "number 2" << QVariant(-1234.5) << "-1,234.50";
        QTest::newRow("up to four, whole") << "number 0-4" << QVariant(5.0) << "5";
        QTest::newRow("up to four, fraction") << "number 0-4" << QVariant(2.5) << "2.5";
        QTest::newRow("two to four") << "number 2-4" << QVariant(3.14159) << "3.1416";
        QTest::newRow("two to four, short") << "number 2-4" << QVariant(12.5) << "12.50";
        QTest::newRow("number as text") << "number 2" << QVariant("12.5") << "12.50";
        QTest::newRow("word under a number format") << "number 2" << QVariant("N/A") << "N/A";
        QTest::newRow("date from stored text")
            << "date MM/dd/yyyy hh:mm AP" << QVariant("2026-11-02 15:20:00")
            << "11/02/2026 03:20 PM";
        QTest::newRow("null") << "number 2" << QVariant() << "";
        QTest::newRow("plain") << "" << QVariant(12.5) << "12.5";
    }

    void formats()
    {
        QFETCH(QString, format);
        QFETCH(QVariant, value);
        QFETCH(QString, expected);
        report::ValueFormat parsed;
        QString error;
        QVERIFY2(report::ValueFormat::parse(format, parsed, error), qPrintable(error));
        QCOMPARE(parsed.apply(db::Field(QStringLiteral("X"), value)), expected);
    }

    // A long request: the page header and the column headings on every page, each line once and
    // in order, the total after the last line, the page numbers at the foot.
    void longRequestPages()
    {
        QString script;
        double total = 0;
        for (int i = 1; i <= 150; ++i) {
            script +=
                QStringLiteral(
                    "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
                    "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Remarks) "
                    "VALUES ('30', '1001', %1, 1.25, 'N', 1, '19', '27', '2026-11-05 10:00:00', "
                    "'E01', 'MONTHLY');\n")
                    .arg(i);
            total += i * 1.25;
        }
        m_session->connection().runScript(script);
        LoadReport(sourceTemplate("DepartmentRequest.rpt"), {QStringLiteral("30")});
        PubReport->run(m_session->connection());
        const int pages = PubReport->pageCount();
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));

        int expectedLine = 1;
        const QRegularExpression detail(
            QStringLiteral("^(\\d+) \\| 1001 \\| GAUZE 4X4 STERILE \\| (\\d+) \\|"));
        for (int p = 0; p < pages; ++p) {
            const QStringList lines = PubReport->document().pageLines(p);
            QCOMPARE(lines.value(0), Company);
            QCOMPARE(lines.value(1), QStringLiteral("1 MAIN ST   555"));
            QVERIFY(
                lines.contains(QStringLiteral("Request No. | 30 | Date | 11/05/2026 10:00 AM")));
            const int heading =
                int(lines.indexOf(QRegularExpression(QStringLiteral("No\\. \\| Code \\| .*"))));
            QVERIFY2(heading > 0, qPrintable(lines.join('\n')));
            for (const QString &line : lines) {
                const auto match = detail.match(line);
                if (!match.hasMatch())
                    continue;
                QCOMPARE(match.captured(1).toInt(), expectedLine);
                QCOMPARE(match.captured(2).toInt(), expectedLine);
                ++expectedLine;
            }
            const bool last = p == pages - 1;
            QCOMPARE(lines.filter(QStringLiteral("Grand Total")).size(), last ? 1 : 0);
            QVERIFY2(lines.last().endsWith(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages)),
                     qPrintable(lines.last()));
        }
        QCOMPARE(expectedLine, 151);
        const QStringList last = PubReport->document().pageLines(pages - 1);
        QVERIFY(last.contains(
            QStringLiteral("150 line(s) | Grand Total | ") +
            QLocale(QLocale::English, QLocale::UnitedStates).toString(total, 'f', 2)));
    }
};

INVENTORY_TEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"

// The PostgreSQL dialect's translations kept by shape, the literals written back in: every
// statement comes out exactly as the dialect translates it as written (text, bound values, locks
// taken first, spellings), or is refused alike, whether its shape was kept or not, after a change
// of the text columns, and with the number of kept shapes bounded.
#include "support/databases.h"

#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/db/procedures.h"
#include "platform/db/tsqltokens.h"

#include <QDir>
#include <QFile>

using namespace db;

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

// A translation as text that tells every difference apart: the value types included.
template <typename F> QStringList described(F &&translate)
{
    try {
        const Statement s = translate();
        QStringList out{s.sql};
        for (const QVariant &v : s.params)
            out << QStringLiteral("value %1:%2")
                       .arg(QString::fromLatin1(v.typeName()), v.toString());
        for (const QString &lock : s.lockFirst)
            out << QStringLiteral("lock first: ") + lock;
        if (s.rowByRow)
            out << QStringLiteral("rows taken as they come");
        QStringList spellings;
        for (auto it = s.spellings.cbegin(); it != s.spellings.cend(); ++it)
            spellings << QStringLiteral("spelling: %1 %2").arg(it.key(), it.value());
        spellings.sort();
        return out + spellings;
    } catch (const DbError &e) {
        return {QStringLiteral("refused: ") + e.description(), e.statement()};
    }
}

PostgresDialect dialectWithTextColumns()
{
    PostgresDialect dialect(ProcedureCatalog::builtIn());
    dialect.setTextColumns({q("itemid"), q("itemname"), q("itemdesc"), q("location"),
                            q("locationid"), q("remarks"), q("documentnumber"), q("userid"),
                            q("status")});
    return dialect;
}

// A statement and the values bound to its marks, one after another through the same cache.
using Sequence = QList<QPair<QString, QVariantList>>;

// Values for the marks of a statement of the corpus: a number, a text, a decimal in turn.
QVariantList valuesForMarks(const QString &sql)
{
    QVariantList values;
    Lexer lexer(sql);
    Lexeme lexeme;
    while (lexer.next(lexeme)) {
        if (lexeme.kind != Token::Punct || sql.at(lexeme.start) != u'?')
            continue;
        switch (values.size() % 3) {
        case 0:
            values << qlonglong(values.size() + 1);
            break;
        case 1:
            values << q("O'Brien");
            break;
        default:
            values << 1.5;
        }
    }
    return values;
}

} // namespace

class TestPostgresTranslations : public QObject
{
    Q_OBJECT

private slots:
    void sameAsTranslatedAsWritten_data()
    {
        QTest::addColumn<Sequence>("statements");
        const auto row = [](const char *name, const QStringList &texts,
                            const QVariantList &params = {}) {
            Sequence sequence;
            for (const QString &text : texts)
                sequence << qMakePair(text, params);
            QTest::newRow(name) << sequence;
        };
        row("quotes, the same shape twice",
            {q("Select ItemName From INVENTORY..tbInvMaster Where ItemID = 'O''Brien' And "
               "ItemStatus = 0"),
             q("Select ItemName From INVENTORY..tbInvMaster Where ItemID = 'O''Brien' And "
               "ItemStatus = 0"),
             q("Select ItemName From INVENTORY..tbInvMaster Where ItemID = '''' And "
               "ItemStatus = 1")});
        row("N strings",
            {q("Select A From T Where ItemName = N'caf\u00e9 ''x''' Or ItemDesc <> N''"),
             q("Select A From T Where ItemName = n'y' Or ItemDesc <> 'z'")});
        row("dates stay for the translator",
            {q("Update T Set D = '12/08/2026 01:13:29 PM' Where K = 3 And E > '1/2/2027'"),
             q("Update T Set D = '12/09/2026 11:00:00 AM' Where K = 4 And E > N'12/2/2027'"),
             q("Select DocumentNumber From tbInvWithdrawRequest Where TransDate >= '2026-03-02' "
               "And TransDate < '2026-03-03 00:00:00'")});
        row("decimals as written",
            {q("Select A From T Where UnitCost = 12.5000 And Quantity <> 3"),
             q("Select A From T Where UnitCost = 1.1 And Quantity <> 30"),
             q("Select A From T Where UnitCost = .5 And Quantity <> 10."),
             q("Select A From T Where UnitCost = 12.3456789012345678 And Quantity <> 1e3"),
             q("Select A From T Where UnitCost = 99999999999999999999 And Quantity <> 2.5E-2")});
        row("negative numbers", {q("Delete T Where A = -5 And B <> - 0.5 And C > -.5"),
                                 q("Delete T Where A = -6 And B <> -\n 1.5 And C > -0"),
                                 q("Delete T Where A = -/**/5 And B <> - /* x */ 0.5 And C > -.5"),
                                 q("Delete T Where A = 5-3 And B <> 1 -2")});
        row("comments and blanks around values",
            {q("Select A /* B = 'x' */ From T -- C = 'y'\nWhere C = 'z'/**/And D = /**/ 5"),
             q("  Select A From T Where B = 5  "), q("Select A From T Where B = 6;"),
             q("Select A From T Where B =\t'w'\n")});
        row("like patterns",
            {q("Select ItemName From tbInvMaster Where ItemName Like 'PA%' And ItemStatus = 0 "
               "Order By ItemName"),
             q("Select ItemName From tbInvMaster Where ItemName Like 'PAR%' And ItemStatus = 1 "
               "Order By ItemName"),
             q("Select A From T Where B Like 'x%' And C = 'y' And D Not Like N'%z'"),
             q("Select A From T Where ItemName Like 'O''B%' And ItemID = 'P0007'")});
        row("in lists", {q("Select A From T Where LocationID In ('19', '27') And Status = 'A'"),
                         q("Select A From T Where LocationID In ('8') And Status = 'I'")});
        row("top",
            {q("Select Top 5 ItemName From tbInvMaster Where ItemID = '12' Order By ItemName"),
             q("Select Top 6 ItemName From tbInvMaster Where ItemID = '13' Order By ItemName"),
             q("Select A From T Where B In (Select Top 1 C From U Where D = 2) And E = 'x'")});
        row("procedure calls",
            {q("Inventory..sp_Inv_UserLocation 'E01'"), q("Inventory..sp_Inv_UserLocation 'E02'"),
             q("Inventory..sp_Inv_UserLocation 'E01'"),
             q("EXEC Inventory..sp_Inv_KitofItems_PerItem 'K001', 12"),
             q("EXEC Inventory..sp_Inv_KitofItems_PerItem P0010,-12")});
        row("request lines differing only in their values",
            {q("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
               "UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, "
               "Remarks) Values ('0001234','P0007',5,12.5000,'Y', '0', '1', '5', '12/08/2026 "
               "01:13:29 PM', 'E01', 'WARD STOCK')"),
             q("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
               "UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, "
               "Remarks) Values ('0001234','12',-3,1.1,'N', '1', '1', '5', '12/08/2026 "
               "01:13:29 PM', 'E01', 'FOR O''BRIEN''S WARD')"),
             q("Insert INVENTORY..tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, "
               "UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, "
               "Remarks) Values ('0001235','9',100,0,'Y', '0', '1', '5', '12/09/2026 "
               "08:00:00 AM', 'E02', '')")});
        row("insert values that stay",
            {q("Insert T (A, B, C) Values ((1), 'a' + 'b', GetDate()), (2, Null, N'x')"),
             q("Insert T (A, B, C) Values ((2), 'c' + 'd', GetDate()), (3, Null, N'y')")});
        row("update with a lock hint and spellings",
            {q("Select OnHand From INVENTORY..tbInvent WITH (UPDLOCK, HOLDLOCK) Where ItemID = "
               "'12' And LocationID = '19'"),
             q("Select OnHand From INVENTORY..tbInvent WITH (UPDLOCK, HOLDLOCK) Where ItemID = "
               "'9' And LocationID = '1'"),
             q("Update tbInvMaster Set ItemName = 'PARA', ListCost = 1.5 Where ItemID = 'P0007'")});
        row("strings joined and conversions",
            {q("Select A From T Where ItemName = 'x' + ItemDesc And D = C + 'y' And E = 1 + 2 "
               "And F = 'z'"),
             q("Select A From T Where ItemName + ItemDesc = 'x' And IsNull(G, '') = 'w'"),
             q("Select A From T Where Convert(datetime, D) >= '12/01/2026' And E = 'x'"),
             q("Select A = 1, Case When B = 'x' Then 1 Else 2 End As C From T Where F = 'z'")});
        row("a question mark in a text", {q("Select A From T Where B = '?' And C = 'a?b'"),
                                          q("Select A From T Where B = 'x' And C = '?\?'")});
        row("refused alike",
            {q("Select A From T Where B = 'x"), q("Delete Top 5 From T Where A = 1"),
             q("Select Top 5 Percent A From T Where B = 1"),
             q("Declare @x int Select A From T Where B = 1")});
        Sequence bound;
        bound << qMakePair(q("Select A From T Where B = ? And C = 'x' And D = ? And E = -1"),
                           QVariantList{1, q("y")})
              << qMakePair(q("Select A From T Where B = ? And C = 'w' And D = ? And E = -2"),
                           QVariantList{2.5, QVariant(QMetaType::fromType<QString>())})
              << qMakePair(q("Insert T (A, B, C, D) Values (?, 'x', ?, 4)"),
                           QVariantList{q("a"), 2.5})
              << qMakePair(q("Select A From T Where B = ?"), QVariantList{qlonglong(7)})
              << qMakePair(q("Select A From T Where B = 'x'"), QVariantList{1})
              << qMakePair(q("Inventory..sp_Inv_UserLocation ?"), QVariantList{q("E01")});
        QTest::newRow("values bound by the program") << bound;

        // The seeds of the translator's and the shaping's fuzz targets.
        for (const char *target : {"shape", "translator"}) {
            const QDir dir(QStringLiteral(FUZZ_CORPUS_DIR "/") + QLatin1String(target));
            const QStringList files = dir.entryList({QStringLiteral("*.sql")}, QDir::Files);
            QVERIFY(!files.isEmpty());
            for (const QString &name : files) {
                QFile file(dir.filePath(name));
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QString sql = QString::fromUtf8(file.readAll());
                QTest::addRow("fuzz seed %s/%s", target, qPrintable(name)) << Sequence{
                    qMakePair(sql, valuesForMarks(sql)), qMakePair(sql, valuesForMarks(sql))};
            }
        }
    }

    void sameAsTranslatedAsWritten()
    {
        QFETCH(Sequence, statements);
        const PostgresDialect dialect = dialectWithTextColumns();
        PostgresTranslations kept(dialect);
        // Each statement twice: its shape new or already kept, then kept.
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto &[tsql, params] : statements)
                QCOMPARE(described([&] { return kept.translate(tsql, params); }),
                         described([&] { return dialect.translate(tsql, params); }));
        }
    }

    // A procedure's rows are taken as they come, a query's whole (kept or not: the table above).
    void proceduresTakenRowByRow()
    {
        const PostgresDialect dialect = dialectWithTextColumns();
        QVERIFY(dialect.translate(q("Inventory..sp_Inv_LoadWithdrawalRequest '7'"), {}).rowByRow);
        QVERIFY(!dialect.translate(q("Select ItemID From INVENTORY..tbInvMaster"), {}).rowByRow);
    }

    // What a translation reads of the session, the columns that hold text, changes it: the
    // kept shapes are not served after a change.
    void followsTheTextColumns()
    {
        PostgresDialect dialect(ProcedureCatalog::builtIn());
        PostgresTranslations kept(dialect);
        const QStringList statements = {
            q("Select A From tbInvMaster Where ItemName + ItemDesc = 'x'"),
            q("Select ItemName From tbInvMaster Where ItemName Like 'PA%' And ItemStatus = 0")};
        QHash<QString, Statement> before;
        for (const QString &tsql : statements)
            before.insert(tsql, kept.translate(tsql));
        dialect.setTextColumns({q("itemname"), q("itemdesc")});
        dialect.setStockNamesKept(true);
        for (const QString &tsql : statements) {
            const Statement now = kept.translate(tsql);
            QCOMPARE(now.sql, dialect.translate(tsql, {}).sql);
            QVERIFY2(now.sql != before.value(tsql).sql, qPrintable(now.sql));
        }
    }

    // Only so many shapes are kept; the latest of them still come out right.
    void bounded()
    {
        const PostgresDialect dialect = dialectWithTextColumns();
        PostgresTranslations kept(dialect);
        const int shapes = PostgresTranslations::Capacity + 20;
        for (int i = 0; i < shapes; ++i) {
            const QString tsql = QStringLiteral("Select A%1 From T Where B = %2").arg(i).arg(i);
            QCOMPARE(kept.translate(tsql).sql, dialect.translate(tsql, {}).sql);
        }
        QCOMPARE(kept.kept(), PostgresTranslations::Capacity);
        const QString last = QStringLiteral("Select A%1 From T Where B = 'again'").arg(shapes - 1);
        QCOMPARE(kept.translate(last).sql, dialect.translate(last, {}).sql);
    }
};

INVENTORY_DB_TEST_MAIN(TestPostgresTranslations)
#include "tst_postgrestranslations.moc"

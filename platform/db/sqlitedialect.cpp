// The T-SQL the program sends, carried over to SQLite token by token: the shared rewrites of
// tsqltranslator.h, and SQLite's own:
//
//   [EXEC] DB..sp_Name 'a', b, 3   -> the procedure's SELECT from the catalog, arguments bound
//   IsNull( / SubString(           -> ifnull( / substr(
//   GetDate(), PatIndex()          -> registered functions, or SQLite expressions over ODBC
//   WITH (UPDLOCK, HOLDLOCK)       -> dropped: BEGIN IMMEDIATE already holds the write lock
//
// Conversions to date types have no counterpart (dates are stored as text) and fail.

#include "platform/db/dialect.h"

#include "platform/db/sqlquote.h"
#include "platform/db/tsqltranslator.h"

#include <QRegularExpression>

namespace db {

Statement SqlServerDialect::translate(const QString &tsql, const QVariantList &params) const
{
    if (!m_hasNumberedColumn) {
        // The numbering's statements, on a table made before it had the numbered column.
        static const QString numbered = QStringLiteral(
            "select (max(documentno) + 1) as docnum from inventory..tbinvwithdrawrequest");
        static const QString linesUnderNext = QStringLiteral(
            "select count(*) from inventory..tbinvwithdrawrequest where documentnumber = (select "
            "cast(isnull(max(documentno), 0) + 1 as varchar(10)) from "
            "inventory..tbinvwithdrawrequest)");
        const QString lowered = tsql.simplified().toLower();
        if (lowered == numbered || lowered == linesUnderNext) {
            QString sql = tsql;
            sql.replace(QLatin1String("max(DocumentNo)"),
                        QLatin1String("max(Cast(DocumentNumber as int))"), Qt::CaseInsensitive);
            return {sql, params, {}, {}};
        }
    }
    return {tsql, params, {}, {}};
}

SqliteDialect::SqliteDialect(std::shared_ptr<const ProcedureCatalog> procedures,
                             bool nativeFunctions)
    : TranslatingDialect(std::move(procedures)), m_nativeFunctions(nativeFunctions)
{
}

namespace {

class SqliteTranslator final : public TsqlTranslator
{
public:
    SqliteTranslator(const QString &sql, const QSet<QString> &textColumns,
                     const ProcedureCatalog *procedures, bool nativeFunctions)
        : TsqlTranslator(sql, textColumns, procedures), m_nativeFunctions(nativeFunctions)
    {
    }

protected:
    QString engineName() const override { return QStringLiteral("SQLite"); }

    Statement procedureStatement(const ProcedureCatalog::Procedure &procedure,
                                 const QVariantList &arguments) const override
    {
        Statement out{procedure.sql, {}, {}, {}};
        for (int slot : procedure.parameterSlots)
            out.params << arguments.at(slot);
        return out;
    }

    QString columnType(const QString &type) const override
    {
        if (isDateType(type))
            fail(QStringLiteral("conversion to ") + type);
        return type.trimmed();
    }

    bool renderFunction(int word, int open, int close, const QVector<int> &commas,
                        QString &out) const override
    {
        const Token &t = token(word);
        if (t.isWord(QLatin1String("isnull"))) {
            out += QLatin1String("ifnull") + render(open, close + 1);
        } else if (t.isWord(QLatin1String("substring"))) {
            out += QLatin1String("substr") + render(open, close + 1);
        } else if (t.isWord(QLatin1String("getdate"))) {
            if (nextSig(open) != close)
                fail(QStringLiteral("GetDate takes no arguments"));
            out += m_nativeFunctions ? QStringLiteral("GetDate()")
                                     : QStringLiteral("datetime('now','localtime')");
        } else if (t.isWord(QLatin1String("patindex")) && !m_nativeFunctions) {
            // Over ODBC only the plain pattern '%text%' can be carried over.
            static const QRegularExpression simple(QStringLiteral("^%([^%_\\[\\]]+)%$"));
            const int p = nextSig(open);
            const auto m = (commas.size() == 1 && token(p).kind == Token::String &&
                            nextSig(p) == commas.first())
                               ? simple.match(token(p).stringValue())
                               : QRegularExpressionMatch();
            if (!m.hasMatch())
                fail(QStringLiteral("PatIndex pattern without the embedded functions"));
            out += QLatin1String("instr(") + render(commas.first() + 1, close).trimmed() +
                   QLatin1String(", ") + quoted(m.captured(1)) + QLatin1Char(')');
        } else {
            return false;
        }
        return true;
    }

private:
    bool m_nativeFunctions;
};

} // namespace

QString SqliteDialect::textColumnsQuery() const
{
    // A column's declared type holds text by SQLite's rule of type affinity.
    return QStringLiteral(
        "SELECT lower(p.name), min(upper(coalesce(p.type, '')) LIKE '%CHAR%' OR "
        "upper(coalesce(p.type, '')) LIKE '%TEXT%' OR upper(coalesce(p.type, '')) LIKE '%CLOB%') "
        "FROM sqlite_master m JOIN pragma_table_info(m.name) p WHERE m.type = 'table' "
        "GROUP BY 1");
}

Statement SqliteDialect::translate(const QString &tsql, const QVariantList &params) const
{
    SqliteTranslator translator(tsql, m_textColumns, m_procedures.get(), m_nativeFunctions);
    return translator.run(params);
}

} // namespace db

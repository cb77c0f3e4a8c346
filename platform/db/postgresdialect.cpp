// The T-SQL the program sends, carried over to PostgreSQL token by token: the shared rewrites of
// tsqltranslator.h, and PostgreSQL's own:
//
//   [EXEC] DB..sp_Name 'a', b      -> SELECT * FROM sp_Name(?, ?), the arguments bound (the
//                                     procedures are functions of the database)
//   IsNull( / Len(                 -> coalesce( / length(
//   GetDate(), PatIndex()          -> as written: functions of the database
//   [Name]                         -> "Name"
//   Convert(datetime, x)           -> CAST(x AS timestamp(3)) (and bit, tinyint, money likewise)
//   x LIKE 'pattern'               -> x LIKE 'pattern' ESCAPE '' (a backslash is no escape, as
//                                     on SQL Server); a pattern that only fixes the start,
//                                     'AB%', also bounds x to that range of the column's index
//                                     (the match then as a CASE, for the planner's estimate)
//   T WITH (UPDLOCK, HOLDLOCK)     -> LOCK TABLE T IN SHARE ROW EXCLUSIVE MODE first, when in a
//                                     transaction: writers of the table wait for its commit
//
// Unquoted names come back from PostgreSQL in lower case; the result's columns are given back the
// statement's own spelling of them.

#include "platform/db/dialect.h"

#include "platform/db/dberror.h"
#include "platform/db/sqlquote.h"
#include "platform/db/statementshape.h"
#include "platform/db/tsqltokens.h"
#include "platform/db/tsqltranslator.h"

#include <QRegularExpression>

namespace db {

PostgresDialect::PostgresDialect(std::shared_ptr<const ProcedureCatalog> procedures)
    : TranslatingDialect(std::move(procedures))
{
}

namespace {

// A prefix of the highest character: every text that starts with prefix sorts before it.
QString afterPrefix(const QString &prefix)
{
    return prefix + QString::fromUcs4(U"\U0010FFFF", 1);
}

class PostgresTranslator final : public TsqlTranslator
{
public:
    PostgresTranslator(const QString &sql, const QSet<QString> &textColumns,
                       const ProcedureCatalog *procedures)
        : TsqlTranslator(sql, textColumns, procedures)
    {
    }

protected:
    QString engineName() const override { return QStringLiteral("PostgreSQL"); }

    Statement procedureStatement(const ProcedureCatalog::Procedure &procedure,
                                 const QVariantList &arguments) const override
    {
        QStringList marks;
        QVariantList bound;
        for (const QVariant &argument : arguments) {
            if (argument.metaType() == QMetaType::fromType<QueryArgument>()) {
                marks << QLatin1Char('(') + argument.value<QueryArgument>().sql + QLatin1Char(')');
            } else {
                marks << QStringLiteral("?");
                bound << argument;
            }
        }
        // A procedure's rows are taken as they come: the request's lines, the largest result
        // there is, leave the server as they are made (02_functions.sql).
        return {QStringLiteral("SELECT * FROM %1(%2)")
                    .arg(procedure.name, marks.join(QLatin1String(", "))),
                bound,
                {},
                {},
                true};
    }

    Statement queryArgument(const QString &query) const override
    {
        return PostgresTranslator(query, textColumns(), procedures()).run({});
    }

    void lockHint(const QString &table) override
    {
        if (!m_lockedTables.contains(table, Qt::CaseInsensitive))
            m_lockedTables << table;
    }

    QString columnType(const QString &type) const override
    {
        QString t = type.trimmed();
        t.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        static const QRegularExpression word(QStringLiteral("^(\\w+)\\s*(\\(.*\\))?$"));
        const auto m = word.match(t);
        if (!m.hasMatch())
            fail(QStringLiteral("conversion to ") + type);
        const QString name = m.captured(1).toLower();
        const QString size = m.captured(2);
        if (name == QLatin1String("datetime") || name == QLatin1String("datetime2"))
            return QStringLiteral("timestamp(3)");
        if (name == QLatin1String("smalldatetime"))
            return QStringLiteral("timestamp(0)");
        if (name == QLatin1String("bit") || name == QLatin1String("tinyint"))
            return QStringLiteral("smallint");
        if (name == QLatin1String("money"))
            return QStringLiteral("numeric(19,4)");
        // A conversion to text never cuts: for a number too long for the length, T-SQL writes
        // "*" where PostgreSQL would keep the first characters (10000 as VarChar(4) would read
        // as code 1000). The program checks the length of what it reads. And it is text as the
        // schema's columns hold it, compared without regard to case as on SQL Server: compared
        // with a column, the column's index answers (as plain text the column was converted
        // and every row read: 165 ms for the next number's lines at 3 million lines).
        if (name == QLatin1String("varchar") || name == QLatin1String("nvarchar"))
            return QStringLiteral("citext");
        if (name == QLatin1String("nchar"))
            return name.mid(1) + size;
        if (name == QLatin1String("ntext"))
            return QStringLiteral("text");
        return t;
    }

    QString quotedName(const Token &t) const override
    {
        if (!t.text.startsWith(QLatin1Char('[')))
            return t.text;
        QString name = bareName(t);
        return QLatin1Char('"') + name.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
               QLatin1Char('"');
    }

    bool renderFunction(int word, int open, int close, const QVector<int> &,
                        QString &out) const override
    {
        const Token &t = token(word);
        if (t.isWord(QLatin1String("isnull")))
            out += QLatin1String("coalesce") + render(open, close + 1);
        else if (t.isWord(QLatin1String("len")))
            out += QLatin1String("length") + render(open, close + 1);
        else
            return false;
        return true;
    }

    int renderLike(int like, int to, QString &out) const override
    {
        const int pattern = nextSig(like);
        if (pattern >= to || token(pattern).kind != Token::String)
            return -1;
        const int after = nextSig(pattern);
        if (after < to && (punctAt(after, "+") || punctAt(after, "||") ||
                           token(after).isWord(QLatin1String("escape"))))
            return -1;
        const QString match = token(like).text + QLatin1Char(' ') + render(pattern, pattern + 1) +
                              QLatin1String(" ESCAPE ''");

        // 'AB%' on a column: the range too, which the column's index can serve.
        static const QRegularExpression prefixOnly(QStringLiteral("^([^%_\\[]+)%$"));
        const auto m = prefixOnly.match(token(pattern).stringValue());
        const int column = columnBefore(like);
        if (!m.hasMatch() || column < 0 || !isTextColumn(token(prevSig(like)))) {
            out += match;
            return pattern;
        }
        const int before = prevSig(column);
        static const char *const opening[] = {"where", "and", "or", "on", "when", "having"};
        bool standsAlone = punctAt(before, "(");
        for (const char *w : opening)
            standsAlone = standsAlone || (before >= 0 && token(before).isWord(QLatin1String(w)));
        const bool endsCondition = after >= to || punctAt(after, ")") ||
                                   token(after).isWord(QLatin1String("and")) ||
                                   token(after).isWord(QLatin1String("or")) ||
                                   token(after).isWord(QLatin1String("order")) ||
                                   token(after).isWord(QLatin1String("group")) ||
                                   token(after).isWord(QLatin1String("then"));
        // The column as already written out, to be taken back into the CASE below.
        const QString written = render(column, like);
        if (!standsAlone || !endsCondition || !out.endsWith(written)) {
            out += match;
            return pattern;
        }
        const QString name = text(column, like);
        // The planner would multiply the match's estimate by the range's as if they were
        // independent, though every match lies in the range: for 'PA%' it expected 82 of the
        // 17,610 names, and so read and sorted them all rather than walk the name index in order
        // and stop at the TOP. As a CASE the match is estimated at one half and the range decides
        // the estimate. The CASE gives what the match gives: true, false, or NULL for a NULL.
        out.chop(written.size());
        out += QLatin1String("CASE WHEN ") + written + match + QLatin1String(" THEN true WHEN ") +
               name + QLatin1String(" IS NOT NULL THEN false END");
        out += QLatin1String(" AND ") + name + QLatin1String(" >= ") + quoted(m.captured(1)) +
               QLatin1String(" AND ") + name + QLatin1String(" < ") +
               quoted(afterPrefix(m.captured(1)));
        return pattern;
    }

    void finish(Statement &statement) const override
    {
        for (const QString &table : m_lockedTables)
            statement.lockFirst
                << QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table);
        for (const Token &t : tokens()) {
            if (t.kind != Token::Word)
                continue;
            const QString lower = t.text.toLower();
            if (lower != t.text && !statement.spellings.contains(lower))
                statement.spellings.insert(lower, t.text);
        }
    }

private:
    // The first token of the (possibly alias-qualified) column name that ends just before i.
    int columnBefore(int i) const
    {
        int j = prevSig(i);
        if (j < 0 || !isName(token(j)))
            return -1;
        while (punctAt(j - 1, ".") && j - 2 >= 0 && isName(token(j - 2)))
            j -= 2;
        return j;
    }

    QStringList m_lockedTables;
};

} // namespace

QString PostgresDialect::textColumnsQuery() const
{
    // Text in every table of the schema that has a column of that name.
    return QStringLiteral("SELECT lower(a.attname), bool_and(t.typcategory = 'S') "
                          "FROM pg_attribute a "
                          "JOIN pg_class c ON c.oid = a.attrelid "
                          "JOIN pg_type t ON t.oid = a.atttypid "
                          "WHERE c.relkind IN ('r', 'v', 'p') AND a.attnum > 0 "
                          "AND NOT a.attisdropped "
                          "AND c.relnamespace = current_schema()::regnamespace "
                          "GROUP BY 1");
}

Statement PostgresDialect::translate(const QString &tsql, const QVariantList &params) const
{
    PostgresTranslator translator(tsql, m_textColumns, m_procedures.get());
    return translator.run(params);
}

namespace {

// Where the text has a "?" of its own (not in a string, a quoted name or a comment).
QList<qsizetype> marksIn(const QString &sql)
{
    QList<qsizetype> marks;
    Lexer lexer(sql);
    Lexeme lexeme;
    while (lexer.next(lexeme))
        if (lexeme.kind == Token::Punct && lexeme.size == 1 && sql.at(lexeme.start) == u'?')
            marks << lexeme.start;
    return marks;
}

// A lifted literal as the translator writes it: a string without its N, a number as written, a
// minus sign with what stands between it and its number. False for a comment there (the
// translator writes it as a blank or as nothing, by what surrounds it).
bool writtenLiteral(QStringView source, QStringView &out)
{
    if (source.front() == u'N' || source.front() == u'n') {
        out = source.mid(1);
        return true;
    }
    if (source.front() == u'-') {
        Lexer lexer(source);
        Lexeme lexeme;
        while (lexer.next(lexeme))
            if (lexeme.kind == Token::Comment)
                return false;
    }
    out = source;
    return true;
}

} // namespace

Statement PostgresTranslations::translate(const QString &tsql, const QVariantList &params)
{
    // A translation reads which columns hold text, and the session's schema may keep its stock
    // rows by name: a change of either makes every kept one stale.
    // The list is shared with the dialect's, so that the comparison is of the same data until
    // the dialect is given a new one.
    if (!(m_textColumns == m_dialect.textColumns()) ||
        m_stockNamesKept != m_dialect.stockNamesKept()) {
        m_kept.clear();
        m_stockNamesKept = m_dialect.stockNamesKept();
    }
    m_textColumns = m_dialect.textColumns();
    // Every decimal is lifted: its value is never bound, only its place in the text is used.
    static const RealOf anyDecimal = [](QStringView decimal) -> std::optional<double> {
        return decimal.toDouble();
    };
    const StatementShape shape = statementShape(tsql, params, anyDecimal);
    // A statement that is not scanned (a procedure call, a statement of another kind) is kept
    // only when the program binds no values to it, by its whole text.
    const QString &key = shape.text;
    if (!shape.scanned && !params.isEmpty())
        return m_dialect.translate(tsql, params);

    auto it = m_kept.find(key);
    if (it == m_kept.end()) {
        Kept made;
        made.scanned = shape.scanned;
        if (!shape.scanned) {
            made.statement = m_dialect.translate(tsql, params);
        } else {
            try {
                made.statement = m_dialect.translate(shape.text, shape.values);
            } catch (const DbError &) {
                if (!shape.lifted)
                    throw;
                // The statement as written, for the message to name it.
                return m_dialect.translate(tsql, params);
            }
            made.statement.params.clear();
            made.marks = marksIn(made.statement.sql);
            // Each value has its "?", in the order of the values (no rewrite moves a value past
            // another); anything else is translated as written every time.
            made.asWritten = made.marks.size() != shape.values.size();
        }
        if (m_kept.size() >= Capacity) {
            auto oldest = m_kept.begin();
            for (auto i = m_kept.begin(); i != m_kept.end(); ++i)
                if (i->used < oldest->used)
                    oldest = i;
            m_kept.erase(oldest);
        }
        it = m_kept.insert(key, std::move(made));
    }
    it->used = ++m_clock;
    const Kept &kept = *it;
    if (kept.scanned != shape.scanned || kept.asWritten ||
        kept.marks.size() != shape.sources.size())
        return m_dialect.translate(tsql, params); // a text scanned with other values
    if (!shape.scanned)
        return kept.statement;

    Statement out{QString(), params, kept.statement.lockFirst, kept.statement.spellings,
                  kept.statement.rowByRow};
    if (!shape.lifted) {
        out.sql = kept.statement.sql;
        return out;
    }
    const QString &translated = kept.statement.sql;
    out.sql.reserve(translated.size() + tsql.size() - shape.text.size() + shape.sources.size());
    qsizetype copied = 0;
    for (qsizetype i = 0; i < shape.sources.size(); ++i) {
        const StatementShape::Source &source = shape.sources.at(i);
        if (source.start < 0)
            continue; // the program's own "?"
        QStringView literal;
        if (!writtenLiteral(QStringView(tsql).mid(source.start, source.size), literal))
            return m_dialect.translate(tsql, params);
        const qsizetype mark = kept.marks.at(i);
        out.sql += QStringView(translated).mid(copied, mark - copied);
        out.sql += literal;
        copied = mark + 1;
    }
    out.sql += QStringView(translated).mid(copied);
    return out;
}

} // namespace db

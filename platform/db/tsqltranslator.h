#pragma once

#include "platform/db/dialect.h"
#include "platform/db/procedures.h"
#include "platform/db/tsqltokens.h"

#include <QPair>
#include <QSet>

namespace db {

// What a database other than SQL Server needs done to the program's T-SQL, token by token. The
// rewrites every such engine shares are made here, in named steps:
//
//   DB..table, DB.dbo.table        -> table (one database holds every database's tables)
//   [EXEC] DB..sp_Name 'a', b, 3   -> procedureStatement(): the engine's form of the call
//   WITH (UPDLOCK, HOLDLOCK)       -> dropped; lockHint() hears of the table it was on
//   Insert T (...)                 -> INSERT INTO T (...)
//   Delete T Where ...             -> DELETE FROM T Where ...
//   Select [Distinct] Top n ...    -> Select [Distinct] ... LIMIT n (at the end of its own scope)
//   a + 'text' + b                 -> a || 'text' || b (a chain with a string literal or text
//   column) Convert(type, x)               -> CAST(x AS type), the type as columnType() names it
//   '12/08/2026 01:13:29 AM'       -> '2026-12-08 01:13:29' (US date literals; a literal bound for
//                                     a text column stays as it was typed)
//
// and an engine's translator overrides what differs: function names, GetDate() and PatIndex(),
// quoted names, LIKE. What has no faithful counterpart fails with the statement in the message,
// never runs as something else: several statements at once, variables, temporary tables, TOP
// PERCENT, Convert with a style, unknown procedures.
class TsqlTranslator
{
public:
    TsqlTranslator(const QString &sql, const QSet<QString> &textColumns,
                   const ProcedureCatalog *procedures);
    virtual ~TsqlTranslator() = default;

    Statement run(const QVariantList &params);

protected:
    // --- what an engine decides ------------------------------------------------------------
    virtual QString engineName() const = 0;
    // The statement that runs a known procedure with the arguments as written in the call (an
    // argument written as a query of one value comes as a QueryArgument).
    virtual Statement procedureStatement(const ProcedureCatalog::Procedure &procedure,
                                         const QVariantList &arguments) const = 0;
    // A procedure's argument written as a query of one value, "(Select ...)", in the engine's
    // language; an engine that cannot take one in a call fails.
    virtual Statement queryArgument(const QString &query) const;
    // A lock hint was on this table (as the statement names it, prefix removed).
    virtual void lockHint(const QString &table) { Q_UNUSED(table); }
    // The function call whose name is at word, its parentheses at open and close, appended to
    // out; false leaves it to the shared rendering (name as written, arguments rendered).
    virtual bool renderFunction(int word, int open, int close, const QVector<int> &commas,
                                QString &out) const;
    // The engine's name for a SQL Server type in a Convert or Cast; fails when it has none.
    virtual QString columnType(const QString &type) const = 0;
    virtual QString quotedName(const Token &t) const { return t.text; }
    // The LIKE at like (its left operand already rendered into out); returns the last token
    // used, or -1 to render LIKE as written.
    virtual int renderLike(int like, int to, QString &out) const;
    virtual void finish(Statement &statement) const { Q_UNUSED(statement); }

    // --- for the engines ---------------------------------------------------------------------
    [[noreturn]] void fail(const QString &why) const;
    int size() const { return static_cast<int>(m_t.size()); }
    const Token &token(int i) const { return m_t[i]; }
    const QVector<Token> &tokens() const { return m_t; }
    int nextSig(int i) const;
    int prevSig(int i) const;
    bool punctAt(int i, const char *p) const;
    int matchingClose(int open) const { return pairOf(open); }
    int matchingOpen(int close) const { return pairOf(close); }
    QVector<int> argumentCommas(int open, int close) const;
    QString text(int from, int to) const;
    QString render(int from, int to) const;
    bool isTextColumn(const Token &t) const;
    const QSet<QString> &textColumns() const { return m_textColumns; }
    const ProcedureCatalog *procedures() const { return m_procedures; }

    const QString &m_sql;

private:
    // The steps of run(), in order.
    void collapseNames();
    void dropTerminator();
    void rejectUnsupported() const;
    bool procedureCall(Statement &out) const;
    void dropLockHints();
    void markConcatenation();
    void markTextLiterals();

    void pairParentheses() const;
    int pairOf(int parenthesis) const;
    void removeToken(int index);
    void removeRanges(const QVector<QPair<int, int>> &ranges);
    int operandStart(int plus) const;
    int operandEnd(int plus) const;
    bool isTextOperand(int from, int to) const;
    bool isComparison(int i) const;
    int columnAfter(int i) const;
    void markInsertValues(int insert);

    // The steps of render(): each renders the token at i (and what belongs to it) and returns
    // the last token it used.
    int renderInsertOrDelete(int i, int to, QString &out) const;
    int renderSelect(int i, int to, QString &out, QString &pendingLimit) const;
    int renderCall(int i, QString &out) const;

    const QSet<QString> &m_textColumns;
    const ProcedureCatalog *m_procedures;
    QVector<Token> m_t;
    mutable QVector<int> m_pair; // see pairParentheses()
    QSet<int> m_concat;
    QSet<int> m_textLiterals; // string literals bound for a text column: never rewritten
};

// A procedure's argument that is a query of one value, in the engine's language: the call reads
// the value where it runs ("sp_Name (Select Top 1 ItemID From ...), 'x'").
struct QueryArgument
{
    QString sql;
};

// Shared by the engines' translators.
bool isName(const Token &t);      // a word or a quoted name
QString bareName(const Token &t); // without its brackets or quotes
bool isDateType(const QString &type);
bool isTextType(const QString &type);

} // namespace db

Q_DECLARE_METATYPE(db::QueryArgument)

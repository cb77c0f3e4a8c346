#include "platform/db/tsqltranslator.h"

#include "platform/db/dberror.h"
#include "platform/db/sqlquote.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace db {

bool isName(const Token &t)
{
    return t.kind == Token::Word || t.kind == Token::QuotedName;
}

QString bareName(const Token &t)
{
    if (t.kind == Token::QuotedName)
        return t.text.mid(1, t.text.size() - 2);
    return t.text;
}

namespace {

bool isKeyword(const Token &t)
{
    static const QSet<QString> keywords = {
        QStringLiteral("select"), QStringLiteral("from"),   QStringLiteral("where"),
        QStringLiteral("and"),    QStringLiteral("or"),     QStringLiteral("not"),
        QStringLiteral("in"),     QStringLiteral("exists"), QStringLiteral("on"),
        QStringLiteral("join"),   QStringLiteral("when"),   QStringLiteral("then"),
        QStringLiteral("else"),   QStringLiteral("as"),     QStringLiteral("by"),
        QStringLiteral("values"), QStringLiteral("set"),    QStringLiteral("case"),
        QStringLiteral("end"),    QStringLiteral("like"),   QStringLiteral("is"),
        QStringLiteral("into"),   QStringLiteral("top"),    QStringLiteral("distinct"),
        QStringLiteral("union"),  QStringLiteral("all"),    QStringLiteral("having")};
    return t.kind == Token::Word && keywords.contains(t.text.toLower());
}

} // namespace

bool isDateType(const QString &type)
{
    QString upper = type.trimmed().toUpper();
    upper.remove(QLatin1Char('[')).remove(QLatin1Char('"')); // [datetime] is datetime too
    return upper.startsWith(QLatin1String("DATE")) || upper.startsWith(QLatin1String("TIME")) ||
           upper.startsWith(QLatin1String("SMALLDATETIME"));
}

bool isTextType(const QString &type)
{
    static const QRegularExpression textType(QStringLiteral("^\\s*N?(VAR)?CHAR\\b|^\\s*N?TEXT\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    return textType.match(type).hasMatch();
}

namespace {

// '12/08/2026 01:13:29 AM' -> '2026-12-08 01:13:29'; anything else unchanged.
QString isoDateLiteral(const Token &t)
{
    // Most literals are no date: "'1/" or "'12/" (after an N) is the least a date starts with.
    const QString &text = t.text;
    const qsizetype start =
        text.startsWith(QLatin1Char('N')) || text.startsWith(QLatin1Char('n')) ? 2 : 1;
    if (text.size() < start + 9 || !text.at(start).isDigit() ||
        (text.at(start + 1) != QLatin1Char('/') &&
         !(text.at(start + 1).isDigit() && text.at(start + 2) == QLatin1Char('/'))))
        return t.text;
    static const QRegularExpression usDate(
        QStringLiteral("^(\\d{1,2})/(\\d{1,2})/"
                       "(\\d{4})(?:\\s+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*([AaPp][Mm])?)?$"));
    const auto m = usDate.match(t.stringValue());
    if (!m.hasMatch())
        return t.text;
    const QDate date(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
    int hour = m.captured(4).toInt();
    const QString half = m.captured(7).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return t.text;
        hour = (hour % 12) + (half == QLatin1String("PM") ? 12 : 0);
    }
    const QTime time(hour, m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return t.text;
    return QLatin1Char('\'') + date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('\'');
}

} // namespace

TsqlTranslator::TsqlTranslator(const QString &sql, const QSet<QString> &textColumns,
                               const ProcedureCatalog *procedures)
    : m_sql(sql), m_textColumns(textColumns), m_procedures(procedures), m_t(tokenize(sql))
{
}

Statement TsqlTranslator::run(const QVariantList &params)
{
    collapseNames();
    dropTerminator();
    rejectUnsupported();
    Statement call;
    if (procedureCall(call)) {
        if (!params.isEmpty())
            fail(QStringLiteral("a procedure call takes no separate parameters"));
        finish(call);
        return call;
    }
    dropLockHints();
    markConcatenation();
    markTextLiterals();
    Statement statement{render(0, size()).trimmed(), params, {}, {}};
    finish(statement);
    return statement;
}

void TsqlTranslator::fail(const QString &why) const
{
    throw DbError(
        QStringLiteral("Cannot run this statement on %1 (%2): %3").arg(engineName(), why, m_sql),
        m_sql);
}

int TsqlTranslator::nextSig(int i) const
{
    for (++i; i < size(); ++i)
        if (m_t[i].significant())
            return i;
    return size();
}

int TsqlTranslator::prevSig(int i) const
{
    for (--i; i >= 0; --i)
        if (m_t[i].significant())
            return i;
    return -1;
}

bool TsqlTranslator::punctAt(int i, const char *p) const
{
    return i >= 0 && i < size() && m_t[i].isPunct(QLatin1String(p));
}

// The other parenthesis of each pair, -1 for a parenthesis without one, found in one pass so
// that deeply nested calls cost no more than flat ones. Rebuilt after tokens are removed.
void TsqlTranslator::pairParentheses() const
{
    m_pair.fill(-1, size());
    QVector<int> open;
    for (int i = 0; i < size(); ++i) {
        if (punctAt(i, "(")) {
            open.push_back(i);
        } else if (punctAt(i, ")") && !open.isEmpty()) {
            m_pair[i] = open.takeLast();
            m_pair[m_pair[i]] = i;
        }
    }
}

int TsqlTranslator::pairOf(int parenthesis) const
{
    if (m_pair.size() != size())
        pairParentheses();
    const int other = m_pair.at(parenthesis);
    if (other < 0)
        fail(QStringLiteral("unbalanced parentheses"));
    return other;
}

void TsqlTranslator::removeToken(int index)
{
    m_t.remove(index);
    m_pair.clear();
}

// Top-level commas strictly between an opening parenthesis and its close.
QVector<int> TsqlTranslator::argumentCommas(int open, int close) const
{
    QVector<int> commas;
    for (int i = open + 1; i < close; ++i) {
        if (punctAt(i, "("))
            i = matchingClose(i);
        else if (punctAt(i, ","))
            commas << i;
    }
    return commas;
}

// The tokens as written, a comment standing as one blank: it parts what is around it.
QString TsqlTranslator::text(int from, int to) const
{
    QString s;
    for (int i = from; i < to; ++i)
        s += m_t[i].kind == Token::Comment ? QStringLiteral(" ") : m_t[i].text;
    return s.trimmed();
}

// Keeps every token but the ranges [first, end) listed in order, in one pass.
void TsqlTranslator::removeRanges(const QVector<QPair<int, int>> &ranges)
{
    if (ranges.isEmpty())
        return;
    QVector<Token> kept;
    kept.reserve(size());
    int from = 0;
    for (const auto &[first, end] : ranges) {
        for (int i = from; i < first; ++i)
            kept.push_back(m_t[i]);
        from = end;
    }
    for (int i = from; i < size(); ++i)
        kept.push_back(m_t[i]);
    m_t = kept;
    m_pair.clear();
}

void TsqlTranslator::collapseNames()
{
    QVector<QPair<int, int>> prefixes;
    for (int i = 0; i < size(); ++i) {
        if (!isName(m_t[i]))
            continue;
        // DB..name (the name itself is not looked at again)
        if (i + 3 < size() && punctAt(i + 1, ".") && punctAt(i + 2, ".") && isName(m_t[i + 3])) {
            prefixes.append({i, i + 3});
            i += 3;
            continue;
        }
        // DB.dbo.name
        if (i + 4 < size() && punctAt(i + 1, ".") &&
            m_t[i + 2].is(Token::Word, QLatin1String("dbo")) && punctAt(i + 3, ".") &&
            isName(m_t[i + 4])) {
            prefixes.append({i, i + 4});
            i += 4;
        }
    }
    removeRanges(prefixes);
}

void TsqlTranslator::dropTerminator()
{
    int last = prevSig(size());
    while (last >= 0 && punctAt(last, ";")) {
        removeToken(last);
        last = prevSig(last);
    }
    for (const Token &t : m_t)
        if (t.isPunct(QLatin1String(";")))
            fail(QStringLiteral("several statements in one"));
    if (last < 0)
        fail(QStringLiteral("empty statement"));
}

// The rewrites of nested calls recurse once per level; the program nests a few levels, and
// the engines themselves refuse expressions nested much deeper than this.
constexpr int MaxNesting = 200;

void TsqlTranslator::rejectUnsupported() const
{
    static const QSet<QString> unsupported = {QStringLiteral("declare"),
                                              QStringLiteral("output"),
                                              QStringLiteral("apply"),
                                              QStringLiteral("merge"),
                                              QStringLiteral("pivot"),
                                              QStringLiteral("unpivot"),
                                              QStringLiteral("go"),
                                              QStringLiteral("nolock"),
                                              QStringLiteral("readpast"),
                                              QStringLiteral("percent"),
                                              QStringLiteral("ties"),
                                              QStringLiteral("raiserror"),
                                              QStringLiteral("identity_insert")};
    const int first = nextSig(-1);
    if (first < size() && m_t[first].isWord(QLatin1String("set")))
        fail(QStringLiteral("session settings"));
    int depth = 0;
    for (int i = 0; i < size(); ++i) {
        const Token &t = m_t[i];
        if (t.isPunct(QLatin1String("(")) && ++depth > MaxNesting)
            fail(QStringLiteral("parentheses nested more than %1 deep").arg(MaxNesting));
        if (t.isPunct(QLatin1String(")")) && depth > 0)
            --depth;
        if (t.kind != Token::Word)
            continue;
        if (t.text.startsWith(QLatin1Char('@')))
            fail(QStringLiteral("variable ") + t.text);
        if (t.text.startsWith(QLatin1Char('#')))
            fail(QStringLiteral("temporary table ") + t.text);
        if (unsupported.contains(t.text.toLower()))
            fail(QStringLiteral("unsupported keyword ") + t.text);
    }
}

// "[EXEC] sp_Name arg, arg" becomes the procedure's body with the arguments bound.
bool TsqlTranslator::procedureCall(Statement &out) const
{
    int i = nextSig(-1);
    if (i < size() &&
        (m_t[i].isWord(QLatin1String("exec")) || m_t[i].isWord(QLatin1String("execute"))))
        i = nextSig(i);
    if (i >= size() || !isName(m_t[i]))
        return false;
    const QString name = bareName(m_t[i]);
    const ProcedureCatalog::Procedure *proc = m_procedures ? m_procedures->find(name) : nullptr;
    if (!proc) {
        if (name.startsWith(QLatin1String("sp_"), Qt::CaseInsensitive))
            fail(QStringLiteral("unknown stored procedure ") + name);
        return false;
    }

    QVariantList args;
    QVector<int> argTokens;
    int j = nextSig(i);
    bool expectArgument = true;
    bool negative = false;
    for (; j < size(); j = nextSig(j)) {
        const Token &t = m_t[j];
        if (expectArgument && t.isPunct(QLatin1String("(")) && !negative) {
            const int close = matchingClose(j);
            const int first = nextSig(j);
            if (first >= close || !m_t[first].isWord(QLatin1String("select")))
                fail(QStringLiteral("unexpected argument ") + text(j, close + 1));
            const Statement query = queryArgument(text(j + 1, close));
            if (!query.params.isEmpty())
                fail(QStringLiteral("a query as a procedure's argument binds no values"));
            args << QVariant::fromValue(QueryArgument{query.sql});
            j = close;
            expectArgument = false;
            continue;
        }
        if (expectArgument && t.isPunct(QLatin1String("-")) && !negative) {
            negative = true;
            continue;
        }
        if (expectArgument) {
            if (t.kind == Token::String && !negative)
                args << t.stringValue();
            else if (t.kind == Token::Number)
                args << (negative ? QLatin1Char('-') + t.text : t.text);
            else if (t.isWord(QLatin1String("null")) && !negative)
                args << QVariant();
            else if (isName(t) && !negative)
                args << bareName(t); // an unquoted word is a text argument
            else
                fail(QStringLiteral("unexpected argument ") + t.text);
            negative = false;
            expectArgument = false;
        } else if (t.isPunct(QLatin1String(","))) {
            expectArgument = true;
        } else {
            fail(QStringLiteral("unexpected text after argument: ") + t.text);
        }
    }
    if (expectArgument && !args.isEmpty())
        fail(QStringLiteral("missing argument after a comma"));
    if (args.size() != proc->parameters.size())
        fail(QStringLiteral("procedure %1 takes %2 argument(s), %3 given")
                 .arg(proc->name)
                 .arg(proc->parameters.size())
                 .arg(args.size()));
    out = procedureStatement(*proc, args);
    return true;
}

Statement TsqlTranslator::queryArgument(const QString &query) const
{
    fail(QStringLiteral("a query as a procedure's argument (") + query + QStringLiteral(")"));
}

void TsqlTranslator::dropLockHints()
{
    static const QSet<QString> hints = {QStringLiteral("updlock"),     QStringLiteral("holdlock"),
                                        QStringLiteral("rowlock"),     QStringLiteral("tablockx"),
                                        QStringLiteral("tablock"),     QStringLiteral("xlock"),
                                        QStringLiteral("serializable")};
    QVector<QPair<int, int>> drops;
    for (int i = 0; i < size(); ++i) {
        if (!m_t[i].isWord(QLatin1String("with")))
            continue;
        const int open = nextSig(i);
        if (!punctAt(open, "("))
            continue;
        const int close = matchingClose(open);
        bool allHints = true;
        for (int k = open + 1; k < close; ++k) {
            if (!m_t[k].significant() || punctAt(k, ","))
                continue;
            if (m_t[k].kind != Token::Word || !hints.contains(m_t[k].text.toLower()))
                allHints = false;
        }
        if (allHints) {
            // FROM table [AS] [alias] WITH (...)
            int table = prevSig(i);
            const int before = prevSig(table);
            if (before >= 0 && token(before).isWord(QLatin1String("as")))
                table = prevSig(before);
            else if (before >= 0 && isName(token(before)) && !isKeyword(token(before)))
                table = before;
            if (table >= 0 && isName(token(table)))
                lockHint(bareName(token(table)));
            drops.append({i, close + 1});
            i = close;
        }
    }
    removeRanges(drops);
}

int TsqlTranslator::operandStart(int plus) const
{
    int j = prevSig(plus);
    if (j < 0)
        return -1;
    if (punctAt(j, ")")) {
        const int open = matchingOpen(j);
        const int before = prevSig(open);
        if (before >= 0 && m_t[before].kind == Token::Word && !isKeyword(m_t[before]))
            return before;
        return open;
    }
    while (isName(m_t[j]) && punctAt(j - 1, ".") && j - 2 >= 0 && isName(m_t[j - 2]))
        j -= 2;
    return j;
}

int TsqlTranslator::operandEnd(int plus) const
{
    int j = nextSig(plus);
    if (j >= size())
        return size() - 1;
    if (punctAt(j, "("))
        return matchingClose(j);
    if (m_t[j].kind == Token::Word && !isKeyword(m_t[j])) {
        const int after = nextSig(j);
        if (punctAt(after, "("))
            return matchingClose(after);
    }
    while (isName(m_t[j]) && punctAt(j + 1, ".") && j + 2 < size() && isName(m_t[j + 2]))
        j += 2;
    return j;
}

bool TsqlTranslator::isTextOperand(int from, int to) const // inclusive range of one operand
{
    if (from < 0 || from > to || to >= size())
        return false;
    const Token &first = m_t[from];
    if (from == to || nextSig(from) > to) {
        if (first.kind == Token::String)
            return true;
        if (isName(first))
            return m_textColumns.contains(bareName(first).toLower());
        return false;
    }
    // a dotted name: alias.column
    if (isName(m_t[to]) && punctAt(prevSig(to), ".") && !punctAt(nextSig(from), "("))
        return m_textColumns.contains(bareName(m_t[to]).toLower());
    if (first.kind == Token::Word) {
        const QString fn = first.text.toLower();
        static const QSet<QString> textFunctions = {
            QStringLiteral("upper"),    QStringLiteral("lower"),     QStringLiteral("ltrim"),
            QStringLiteral("rtrim"),    QStringLiteral("substring"), QStringLiteral("replace"),
            QStringLiteral("left"),     QStringLiteral("right"),     QStringLiteral("space"),
            QStringLiteral("replicate")};
        if (textFunctions.contains(fn))
            return true;
        const int open = nextSig(from);
        if (!punctAt(open, "("))
            return false;
        const int close = matchingClose(open);
        const QVector<int> commas = argumentCommas(open, close);
        if (fn == QLatin1String("convert") && !commas.isEmpty())
            return isTextType(text(open + 1, commas.first()));
        if (fn == QLatin1String("cast")) {
            for (int k = close - 1; k > open; --k)
                if (m_t[k].isWord(QLatin1String("as")))
                    return isTextType(text(k + 1, close));
        }
        if (fn == QLatin1String("isnull") || fn == QLatin1String("coalesce")) {
            int start = open + 1;
            QVector<int> bounds = commas;
            bounds << close;
            for (int end : bounds) {
                const int s = nextSig(start - 1);
                const int e = prevSig(end);
                if (isTextOperand(s, e))
                    return true;
                start = end + 1;
            }
        }
    }
    return false;
}

void TsqlTranslator::markConcatenation()
{
    QVector<int> pluses;
    for (int i = 0; i < size(); ++i)
        if (punctAt(i, "+"))
            pluses << i;
    if (pluses.isEmpty())
        return;
    // Group the pluses into chains: a + b + c shares the operand b between its two pluses.
    QVector<int> chain(pluses.size());
    for (int k = 0; k < pluses.size(); ++k) {
        chain[k] = k;
        if (k > 0 && nextSig(operandEnd(pluses[k - 1])) == pluses[k])
            chain[k] = chain[k - 1];
    }
    QSet<int> textChains;
    for (int k = 0; k < pluses.size(); ++k) {
        const int p = pluses[k];
        const int leftStart = operandStart(p);
        const int rightEnd = operandEnd(p);
        if (isTextOperand(leftStart, prevSig(p)) || isTextOperand(nextSig(p), rightEnd))
            textChains.insert(chain[k]);
    }
    for (int k = 0; k < pluses.size(); ++k)
        if (textChains.contains(chain[k]))
            m_concat.insert(pluses[k]);
}

bool TsqlTranslator::isTextColumn(const Token &t) const
{
    return isName(t) && m_textColumns.contains(bareName(t).toLower());
}

bool TsqlTranslator::isComparison(int i) const
{
    static const char *const operators[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
    if (i < 0 || i >= size())
        return false;
    for (const char *op : operators)
        if (punctAt(i, op))
            return true;
    return m_t[i].isWord(QLatin1String("like"));
}

// The column of a (possibly alias-qualified) name starting at i.
int TsqlTranslator::columnAfter(int i) const
{
    if (i >= size() || !isName(m_t[i]))
        return -1;
    while (punctAt(nextSig(i), ".") && nextSig(nextSig(i)) < size() &&
           isName(m_t[nextSig(nextSig(i))]))
        i = nextSig(nextSig(i));
    return punctAt(nextSig(i), "(") ? -1 : i; // a function call is no column
}

// A text value that happens to read like a date (a justification "12/08/2026") is data, not
// a date: it must reach a text column exactly as typed. Marks the literals that go into, or
// are compared with, a text column: the values of an insert by their column, and the
// operands of =, <>, <, >, LIKE and SET.
void TsqlTranslator::markTextLiterals()
{
    for (int i = 0; i < size(); ++i) {
        if (m_t[i].kind == Token::String) {
            const int before = prevSig(i);
            const int after = nextSig(i);
            const int left = isComparison(before) ? prevSig(before) : -1; // alias.Column
            const int right = isComparison(after) ? columnAfter(nextSig(after)) : -1;
            if ((left >= 0 && isTextColumn(m_t[left])) || (right >= 0 && isTextColumn(m_t[right])))
                m_textLiterals.insert(i);
        } else if (m_t[i].isWord(QLatin1String("insert"))) {
            markInsertValues(i);
        }
    }
}

void TsqlTranslator::markInsertValues(int insert)
{
    int table = nextSig(insert);
    if (table < size() && m_t[table].isWord(QLatin1String("into")))
        table = nextSig(table);
    if (table >= size() || !isName(m_t[table]))
        return;
    const int open = nextSig(table);
    if (!punctAt(open, "("))
        return;
    const int close = matchingClose(open);
    QVector<bool> textColumn;
    int start = open;
    QVector<int> bounds = argumentCommas(open, close);
    bounds << close;
    for (int end : bounds) {
        const int first = nextSig(start);
        textColumn << (first == prevSig(end) && isTextColumn(m_t[first]));
        start = end;
    }
    int values = nextSig(close);
    if (values >= size() || !m_t[values].isWord(QLatin1String("values")))
        return;
    // One or more rows: Values (...), (...)
    int row = nextSig(values);
    while (punctAt(row, "(")) {
        const int rowClose = matchingClose(row);
        QVector<int> ends = argumentCommas(row, rowClose);
        ends << rowClose;
        int from = row;
        for (int k = 0; k < ends.size() && k < textColumn.size(); ++k) {
            const int first = nextSig(from);
            if (textColumn.at(k) && first == prevSig(ends.at(k)) &&
                m_t[first].kind == Token::String)
                m_textLiterals.insert(first);
            from = ends.at(k);
        }
        const int comma = nextSig(rowClose);
        row = punctAt(comma, ",") ? nextSig(comma) : size();
    }
}

QString TsqlTranslator::render(int from, int to) const
{
    QString out;
    QVector<QString> pendingLimit; // one entry per open parenthesis, plus the outer scope
    pendingLimit.push_back(QString());
    for (int i = from; i < to; ++i) {
        const Token &t = m_t[i];
        switch (t.kind) {
        case Token::Comment:
            // Dropped, but it still parts the tokens around it: "a/**/b" is not "ab", and
            // "-/**/-" must not open a comment of its own.
            if (!out.isEmpty() && !out.back().isSpace() && i + 1 < to &&
                m_t[i + 1].kind != Token::Space)
                out += QLatin1Char(' ');
            break;
        case Token::Punct:
            if (t.text == QLatin1String("(")) {
                pendingLimit.push_back(QString());
            } else if (t.text == QLatin1String(")") && pendingLimit.size() > 1) {
                out += pendingLimit.takeLast();
            } else if (t.text == QLatin1String("+") && m_concat.contains(i)) {
                out += QLatin1String("||");
                break;
            }
            out += t.text;
            break;
        case Token::String: {
            const QString literal = m_textLiterals.contains(i) ? t.text : isoDateLiteral(t);
            out += literal.startsWith(QLatin1Char('\'')) ? literal : literal.mid(1); // N'..'
            break;
        }
        case Token::QuotedName:
            out += quotedName(t);
            break;
        case Token::Word:
            if (t.isWord(QLatin1String("insert")) || t.isWord(QLatin1String("delete")) ||
                t.isWord(QLatin1String("update"))) {
                i = renderInsertOrDelete(i, to, out);
            } else if (t.isWord(QLatin1String("select"))) {
                i = renderSelect(i, to, out, pendingLimit.last());
            } else if (t.isWord(QLatin1String("like"))) {
                const int last = renderLike(i, to, out);
                if (last < 0)
                    out += t.text;
                else
                    i = last;
            } else if (punctAt(nextSig(i), "(")) {
                i = renderCall(i, out);
            } else {
                out += t.text;
            }
            break;
        default:
            out += t.text;
        }
    }
    if (pendingLimit.size() != 1)
        fail(QStringLiteral("unbalanced parentheses"));
    out += pendingLimit.first();
    return out;
}

// Insert T -> INSERT INTO T, Delete T -> DELETE FROM T; DELETE TOP and UPDATE TOP have no
// counterpart.
int TsqlTranslator::renderInsertOrDelete(int i, int to, QString &out) const
{
    const Token &t = m_t[i];
    const int next = nextSig(i);
    if (t.isWord(QLatin1String("insert")) && next < to && m_t[next].kind == Token::Word &&
        !m_t[next].isWord(QLatin1String("into"))) {
        out += t.text + QLatin1String(" INTO");
        return i;
    }
    if (t.isWord(QLatin1String("delete")) && next < to && isName(m_t[next]) &&
        !m_t[next].isWord(QLatin1String("from"))) {
        if (m_t[next].isWord(QLatin1String("top")))
            fail(QStringLiteral("DELETE TOP"));
        out += t.text + QLatin1String(" FROM");
        return i;
    }
    if (t.isWord(QLatin1String("update")) && next < to && m_t[next].isWord(QLatin1String("top")))
        fail(QStringLiteral("UPDATE TOP"));
    out += t.text;
    return i;
}

// Select [Distinct|All] Top n: the number goes to the LIMIT at the end of the select's scope.
int TsqlTranslator::renderSelect(int i, int to, QString &out, QString &pendingLimit) const
{
    out += m_t[i].text;
    int k = nextSig(i);
    if (k < to &&
        (m_t[k].isWord(QLatin1String("distinct")) || m_t[k].isWord(QLatin1String("all")))) {
        out += text(i + 1, k + 1).prepend(QLatin1Char(' '));
        i = k;
        k = nextSig(k);
    }
    if (k < to && m_t[k].isWord(QLatin1String("top"))) {
        int n = nextSig(k);
        int last = n;
        if (punctAt(n, "(")) {
            last = matchingClose(n);
            n = nextSig(n);
        }
        if (n >= to || m_t[n].kind != Token::Number)
            fail(QStringLiteral("TOP needs a number"));
        if (pendingLimit.size())
            fail(QStringLiteral("two TOPs in one scope"));
        pendingLimit = QLatin1String(" LIMIT ") + m_t[n].text;
        i = last;
    }
    return i;
}

// A function call: the engine's own rendering first, then Convert and Cast as every engine
// writes them, else the name as written (the arguments follow as ordinary tokens).
int TsqlTranslator::renderCall(int i, QString &out) const
{
    const Token &t = m_t[i];
    const int open = nextSig(i);
    const int close = matchingClose(open);
    const QVector<int> commas = argumentCommas(open, close);
    if (renderFunction(i, open, close, commas, out))
        return close;
    if (t.isWord(QLatin1String("convert"))) {
        if (commas.size() != 1)
            fail(QStringLiteral("Convert with a style or without a type"));
        out += QLatin1String("CAST(") + render(commas.first() + 1, close).trimmed() +
               QLatin1String(" AS ") + columnType(text(open + 1, commas.first())) +
               QLatin1Char(')');
        return close;
    }
    if (t.isWord(QLatin1String("cast"))) {
        for (int k = close - 1; k > open; --k) {
            if (m_t[k].isWord(QLatin1String("as"))) {
                out += t.text + QLatin1Char('(') + render(open + 1, k + 1) + QLatin1Char(' ') +
                       columnType(text(k + 1, close)) + QLatin1Char(')');
                return close;
            }
        }
    }
    out += t.text;
    return i;
}

bool TsqlTranslator::renderFunction(int, int, int, const QVector<int> &, QString &) const
{
    return false;
}

int TsqlTranslator::renderLike(int, int, QString &) const
{
    return -1;
}

} // namespace db

#include "platform/db/statementshape.h"

#include "platform/db/tsqltokens.h"

#include <QVarLengthArray>

namespace db {

namespace {

// The significant tokens of a statement (no spaces, no comments); false where the lexer stops at
// an unterminated string, name or comment: such a statement is left to the translator, which says
// what is wrong with it.
using Lexemes = QVarLengthArray<Lexeme, 128>;

bool significantLexemes(const QString &sql, Lexemes &out)
{
    Lexer lexer(sql);
    Lexeme lexeme;
    while (lexer.next(lexeme))
        if (lexeme.kind != Token::Space && lexeme.kind != Token::Comment)
            out.append(lexeme);
    return !lexer.unterminated();
}

class Shaper
{
public:
    Shaper(const QString &sql, const Lexemes &lexemes, const RealOf &realOf)
        : m_sql(sql), m_lx(lexemes), m_realOf(realOf)
    {
    }

    int count() const { return static_cast<int>(m_lx.size()); }
    const Lexeme &at(int p) const { return m_lx[p]; }
    QStringView text(int p) const { return QStringView(m_sql).mid(at(p).start, at(p).size); }
    // The lengths are compared first: most tokens are no keyword, and a comparison without
    // regard to case costs far more.
    bool isWord(int p, QLatin1String word) const
    {
        return p >= 0 && p < count() && at(p).kind == Token::Word && at(p).size == word.size() &&
               text(p).compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isPunct(int p, QLatin1String punct) const
    {
        return p >= 0 && p < count() && at(p).kind == Token::Punct && at(p).size == punct.size() &&
               text(p) == punct;
    }

    template <std::size_t N> bool isAnyWord(int p, const QLatin1String (&words)[N]) const
    {
        if (p < 0 || p >= count() || at(p).kind != Token::Word)
            return false;
        for (const QLatin1String word : words)
            if (isWord(p, word))
                return true;
        return false;
    }

    // A plain value's operator: the comparisons (LIKE is not one here).
    bool isComparison(int p) const
    {
        static const QLatin1String operators[] = {
            QLatin1String("="), QLatin1String("<>"), QLatin1String("!="), QLatin1String("<"),
            QLatin1String(">"), QLatin1String("<="), QLatin1String(">=")};
        if (p < 0 || p >= count() || at(p).kind != Token::Punct)
            return false;
        for (const QLatin1String op : operators)
            if (isPunct(p, op))
                return true;
        return false;
    }

    // What may follow a plain value: the end, a closing parenthesis, a comma, a clause's keyword.
    bool endsValue(int p) const
    {
        static const QLatin1String keywords[] = {
            QLatin1String("and"),   QLatin1String("or"),    QLatin1String("then"),
            QLatin1String("else"),  QLatin1String("when"),  QLatin1String("end"),
            QLatin1String("order"), QLatin1String("group"), QLatin1String("having"),
            QLatin1String("union"), QLatin1String("from"),  QLatin1String("where")};
        return p >= count() || isPunct(p, QLatin1String(")")) || isPunct(p, QLatin1String(",")) ||
               isAnyWord(p, keywords);
    }

    // A word that ends a select list.
    bool isClauseAfterSelectList(int p) const
    {
        static const QLatin1String keywords[] = {
            QLatin1String("from"),   QLatin1String("where"),    QLatin1String("group"),
            QLatin1String("order"),  QLatin1String("having"),   QLatin1String("union"),
            QLatin1String("except"), QLatin1String("intersect")};
        return isAnyWord(p, keywords);
    }

    // The elements of an Insert's Values rows that are one literal each (a number may have its
    // minus sign): marked at their first token.
    void markInsertValues(QVarLengthArray<bool, 256> &slot) const
    {
        int depth = 0;
        int values = -1;
        for (int p = 1; p < count(); ++p) {
            if (isPunct(p, QLatin1String("(")))
                ++depth;
            else if (isPunct(p, QLatin1String(")")))
                --depth;
            else if (depth == 0 && isWord(p, QLatin1String("values")) &&
                     isPunct(p - 1, QLatin1String(")"))) {
                values = p;
                break;
            }
        }
        if (values < 0)
            return;
        int p = values + 1;
        while (isPunct(p, QLatin1String("("))) {
            int from = p + 1; // the first token of the element
            int nested = 0;
            int q = from;
            for (; q < count(); ++q) {
                if (isPunct(q, QLatin1String("("))) {
                    ++nested;
                } else if (isPunct(q, QLatin1String(")")) && nested > 0) {
                    --nested;
                } else if (nested == 0 &&
                           (isPunct(q, QLatin1String(",")) || isPunct(q, QLatin1String(")")))) {
                    const int size = q - from;
                    if (size == 1 || (size == 2 && isPunct(from, QLatin1String("-"))))
                        slot[from] = true;
                    if (isPunct(q, QLatin1String(")")))
                        break;
                    from = q + 1;
                }
            }
            if (q >= count())
                return;
            p = isPunct(q + 1, QLatin1String(",")) ? q + 2 : count();
        }
    }

    // The value of the literal at p (negated when asked); invalid when it is not lifted.
    QVariant literal(int p, bool negative) const
    {
        const QStringView t = text(p);
        if (at(p).kind == Token::String) {
            if (negative)
                return {};
            QStringView body = t;
            if (body.front() != QLatin1Char('\''))
                body = body.mid(1); // N'..'
            body = body.mid(1, body.size() - 2);
            // A text that may read as a date is rewritten by the translator, by its column.
            if (body.size() >= 2 && body[0].isDigit() &&
                (body[1] == QLatin1Char('/') ||
                 (body.size() >= 3 && body[1].isDigit() && body[2] == QLatin1Char('/'))))
                return {};
            QString value = body.toString();
            if (value.contains(QChar(0)))
                return {};
            value.replace(QLatin1String("''"), QLatin1String("'"));
            return value;
        }
        // A whole number as a 64-bit integer, a decimal of up to 15 digits as a double: the
        // values SQLite itself reads from those literals.
        int digits = 0;
        int dots = 0;
        int decimals = 0;
        qint64 significand = 0;
        for (const QChar c : t) {
            if (c == QLatin1Char('.')) {
                ++dots;
                continue;
            }
            ++digits;
            decimals += dots;
            if (digits <= 15)
                significand = significand * 10 + c.digitValue();
        }
        if (dots == 0) {
            bool ok = false;
            const qlonglong value = t.toLongLong(&ok);
            if (!ok)
                return {};
            return negative ? -value : value;
        }
        if (dots > 1 || digits == 0 || digits > 15)
            return {};
        bool ok = false;
        double value = t.toDouble(&ok);
        if (!ok)
            return {};
        // A decimal that a double holds exactly reads the same whichever way it is read; another
        // one is read by SQLite's own conversion, which may differ from the nearest double in
        // its last bit.
        qint64 power = 1;
        for (int k = 0; k < decimals; ++k)
            power *= 5;
        if (significand % power != 0) {
            if (!m_realOf)
                return {};
            const std::optional<double> read = m_realOf(t);
            if (!read)
                return {};
            value = *read;
        }
        return negative ? -value : value;
    }

private:
    const QString &m_sql;
    const Lexemes &m_lx;
    const RealOf &m_realOf;
};

} // namespace

StatementShape statementShape(const QString &tsql, const QVariantList &params, const RealOf &realOf)
{
    StatementShape shape{tsql, params, false, {}, false};
    Lexemes lexemes;
    if (!significantLexemes(tsql, lexemes))
        return shape;
    const Shaper s(tsql, lexemes, realOf);
    if (s.count() == 0 ||
        !(s.isWord(0, QLatin1String("select")) || s.isWord(0, QLatin1String("insert")) ||
          s.isWord(0, QLatin1String("update")) || s.isWord(0, QLatin1String("delete"))))
        return shape;
    int marks = 0;
    for (int p = 0; p < s.count(); ++p)
        marks += s.isPunct(p, QLatin1String("?")) ? 1 : 0;
    if (marks != params.size())
        return shape;
    QVarLengthArray<bool, 256> slot(s.count(), false);
    if (s.isWord(0, QLatin1String("insert")))
        s.markInsertValues(slot);

    QString text;
    QVariantList values;
    QList<StatementShape::Source> sources;
    sources.reserve(params.size());
    int copied = 0; // the text up to here is in text
    int param = 0;
    // Nothing in a select list is lifted, at any depth: a column without an alias is named by
    // its expression as written.
    struct Scope
    {
        bool inherited;
        bool selectList;
    };
    QVarLengthArray<Scope, 16> scopes;
    scopes.append({false, false});
    const auto inSelectList = [&] { return scopes.last().inherited || scopes.last().selectList; };
    for (int p = 0; p < s.count(); ++p) {
        if (s.isPunct(p, QLatin1String("?"))) {
            values << params.at(param++);
            sources.append(StatementShape::Source{});
            continue;
        }
        if (s.isPunct(p, QLatin1String("("))) {
            scopes.append({inSelectList(), false});
            continue;
        }
        if (s.isPunct(p, QLatin1String(")"))) {
            if (scopes.size() > 1)
                scopes.removeLast();
            continue;
        }
        if (s.at(p).kind == Token::Word) {
            if (s.isWord(p, QLatin1String("select")))
                scopes.last().selectList = true;
            else if (s.isClauseAfterSelectList(p))
                scopes.last().selectList = false;
            continue;
        }
        if (inSelectList())
            continue;
        const bool negative = s.isPunct(p, QLatin1String("-")) && p + 1 < s.count() &&
                              s.at(p + 1).kind == Token::Number;
        const int last = negative ? p + 1 : p;
        if (!negative && s.at(p).kind != Token::String && s.at(p).kind != Token::Number)
            continue;
        if (!slot[p] && !(s.isComparison(p - 1) && s.endsValue(last + 1)))
            continue;
        const QVariant value = s.literal(last, negative);
        if (!value.isValid())
            continue;
        if (text.isEmpty())
            text.reserve(tsql.size());
        text += QStringView(tsql).mid(copied, s.at(p).start - copied);
        text += QLatin1Char('?');
        copied = s.at(last).start + s.at(last).size;
        values << value;
        sources.append(StatementShape::Source{s.at(p).start, copied - s.at(p).start});
        p = last;
    }
    if (copied == 0) {
        shape.sources = std::move(sources);
        shape.scanned = true;
        return shape;
    }
    text += QStringView(tsql).mid(copied);
    return {text, values, true, std::move(sources), true};
}

} // namespace db

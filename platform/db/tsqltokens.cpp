#include "platform/db/tsqltokens.h"

#include "platform/db/dberror.h"

namespace db {

namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('#') || c == QLatin1Char('$');
}

} // namespace

QString Token::stringValue() const
{
    QString body = text;
    if (body.startsWith(QLatin1Char('N')) || body.startsWith(QLatin1Char('n')))
        body.remove(0, 1);
    body = body.mid(1, body.size() - 2);
    body.replace(QLatin1String("''"), QLatin1String("'"));
    return body;
}

bool Lexer::next(Lexeme &out)
{
    const int n = static_cast<int>(m_sql.size());
    const QChar *s = m_sql.data();
    int i = m_at;
    if (i >= n || m_unterminated)
        return false;
    const QChar c = s[i];
    const int start = i;
    Token::Kind kind;
    if (c.isSpace()) {
        while (i < n && s[i].isSpace())
            ++i;
        kind = Token::Space;
    } else if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
        while (i < n && s[i] != QLatin1Char('\n'))
            ++i;
        kind = Token::Comment;
    } else if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
        const int end = static_cast<int>(m_sql.indexOf(QLatin1String("*/"), i + 2));
        if (end < 0) {
            m_unterminated = "comment";
            return false;
        }
        i = end + 2;
        kind = Token::Comment;
    } else if (c == QLatin1Char('\'') || ((c == QLatin1Char('N') || c == QLatin1Char('n')) &&
                                          i + 1 < n && s[i + 1] == QLatin1Char('\''))) {
        i += (c == QLatin1Char('\'')) ? 1 : 2;
        for (;;) {
            if (i >= n) {
                m_unterminated = "string";
                return false;
            }
            if (s[i] == QLatin1Char('\'')) {
                if (i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            ++i;
        }
        kind = Token::String;
    } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
        const QChar close = (c == QLatin1Char('[')) ? QLatin1Char(']') : QLatin1Char('"');
        const int end = static_cast<int>(m_sql.indexOf(close, i + 1));
        if (end < 0) {
            m_unterminated = "name";
            return false;
        }
        i = end + 1;
        kind = Token::QuotedName;
    } else if (c.isDigit() ||
               (c == QLatin1Char('.') && i + 1 < n && s[i + 1].isDigit() && !m_afterWord)) {
        while (i < n && (s[i].isDigit() || s[i] == QLatin1Char('.')))
            ++i;
        kind = Token::Number;
    } else if (isWordStart(c)) {
        while (i < n && isWordChar(s[i]))
            ++i;
        kind = Token::Word;
    } else {
        static const char *const pairs[] = {"<=", ">=", "<>", "!=", "||", "!<", "!>"};
        i += 1;
        if (start + 1 < n) {
            const QStringView two(s + start, 2);
            for (const char *pair : pairs)
                if (two == QLatin1String(pair))
                    i = start + 2;
        }
        kind = Token::Punct;
    }
    m_at = i;
    m_afterWord = kind == Token::Word;
    out = {kind, start, i - start};
    return true;
}

QVector<Token> tokenize(const QString &sql)
{
    QVector<Token> tokens;
    Lexer lexer(sql);
    Lexeme lexeme;
    while (lexer.next(lexeme))
        tokens.push_back({lexeme.kind, sql.mid(lexeme.start, lexeme.size)});
    if (lexer.unterminated())
        throw DbError(QStringLiteral("Unterminated %1 in statement: ")
                              .arg(QLatin1String(lexer.unterminated())) +
                          sql,
                      sql);
    return tokens;
}

QStringList splitStatements(const QString &script)
{
    QStringList statements;
    QString current;
    for (const Token &t : tokenize(script)) {
        if (t.isPunct(QLatin1String(";"))) {
            if (!current.trimmed().isEmpty())
                statements << current.trimmed();
            current.clear();
        } else if (t.kind != Token::Comment) {
            current += t.text;
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

} // namespace db

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

QVector<Token> tokenize(const QString &sql)
{
    QVector<Token> tokens;
    const int n = static_cast<int>(sql.size());
    int i = 0;
    auto unterminated = [&](const char *what) {
        throw DbError(
            QStringLiteral("Unterminated %1 in statement: ").arg(QLatin1String(what)) + sql, sql);
    };
    while (i < n) {
        const QChar c = sql.at(i);
        const int start = i;
        if (c.isSpace()) {
            while (i < n && sql.at(i).isSpace())
                ++i;
            tokens.push_back({Token::Space, sql.mid(start, i - start)});
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
            tokens.push_back({Token::Comment, sql.mid(start, i - start)});
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const int end = static_cast<int>(sql.indexOf(QLatin1String("*/"), i + 2));
            if (end < 0)
                unterminated("comment");
            i = end + 2;
            tokens.push_back({Token::Comment, sql.mid(start, i - start)});
        } else if (c == QLatin1Char('\'') || ((c == QLatin1Char('N') || c == QLatin1Char('n')) &&
                                              i + 1 < n && sql.at(i + 1) == QLatin1Char('\''))) {
            i += (c == QLatin1Char('\'')) ? 1 : 2;
            for (;;) {
                if (i >= n)
                    unterminated("string");
                if (sql.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < n && sql.at(i + 1) == QLatin1Char('\'')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            tokens.push_back({Token::String, sql.mid(start, i - start)});
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = (c == QLatin1Char('[')) ? QLatin1Char(']') : QLatin1Char('"');
            const int end = static_cast<int>(sql.indexOf(close, i + 1));
            if (end < 0)
                unterminated("name");
            i = end + 1;
            tokens.push_back({Token::QuotedName, sql.mid(start, i - start)});
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql.at(i + 1).isDigit() &&
                                   (tokens.isEmpty() || tokens.last().kind != Token::Word))) {
            while (i < n && (sql.at(i).isDigit() || sql.at(i) == QLatin1Char('.')))
                ++i;
            tokens.push_back({Token::Number, sql.mid(start, i - start)});
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(sql.at(i)))
                ++i;
            tokens.push_back({Token::Word, sql.mid(start, i - start)});
        } else {
            static const char *const pairs[] = {"<=", ">=", "<>", "!=", "||", "!<", "!>"};
            QString p(c);
            if (i + 1 < n) {
                const QString two = sql.mid(i, 2);
                for (const char *pair : pairs)
                    if (two == QLatin1String(pair))
                        p = two;
            }
            i += static_cast<int>(p.size());
            tokens.push_back({Token::Punct, p});
        }
    }
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

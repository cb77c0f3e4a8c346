#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

namespace db {

// The lexical pieces of a T-SQL statement. Spaces and comments are kept, so a statement put back
// together from its tokens reads as it was written.
struct Token
{
    enum Kind { Space, Comment, Word, QuotedName, String, Number, Punct };
    Kind kind;
    QString text; // for String: the literal as written, quotes included

    bool is(Kind k, QLatin1String word) const
    {
        return kind == k && text.compare(word, Qt::CaseInsensitive) == 0;
    }
    bool isWord(QLatin1String word) const { return is(Word, word); }
    bool isPunct(QLatin1String p) const { return kind == Punct && text == p; }
    bool significant() const { return kind != Space && kind != Comment; }
    // The value of a String token: quotes removed, doubled quotes single, N prefix dropped.
    QString stringValue() const;
};

// A token by its place in the statement's text: its kind, where it starts and how long it is.
struct Lexeme
{
    Token::Kind kind;
    int start;
    int size;
};

// Reads a statement's tokens one at a time without copying any text. Every reader of T-SQL goes
// through it (tokenize(), the statement shaping), so none can read a token differently from
// another.
class Lexer
{
public:
    explicit Lexer(QStringView sql) : m_sql(sql) {}

    // The next token; false at the end of the text, and where the text stops inside a string, a
    // quoted name or a comment that is never closed (unterminated() then says which).
    bool next(Lexeme &out);
    // "string", "name" or "comment" when the text ended inside one; null otherwise.
    const char *unterminated() const { return m_unterminated; }

private:
    QStringView m_sql;
    int m_at = 0;
    bool m_afterWord = false; // ".5" right after a word is a member, not a number
    const char *m_unterminated = nullptr;
};

// Throws DbError naming the statement on an unterminated string, name or comment.
QVector<Token> tokenize(const QString &sql);

// Splits a script into statements at the semicolons outside strings and comments.
QStringList splitStatements(const QString &script);

} // namespace db

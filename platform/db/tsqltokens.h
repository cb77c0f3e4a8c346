#pragma once

#include <QString>
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

// Throws DbError naming the statement on an unterminated string, name or comment.
QVector<Token> tokenize(const QString &sql);

// Splits a script into statements at the semicolons outside strings and comments.
QStringList splitStatements(const QString &script);

} // namespace db

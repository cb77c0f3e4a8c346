#include "platform/db/sqllog.h"

#include <QRegularExpression>
#include <QVector>

#include <algorithm>

Q_LOGGING_CATEGORY(lcSql, "inventory.sql", QtInfoMsg)

namespace db {

namespace {

// A piece of the text as a statement or a connection string is read.
struct Piece
{
    enum Kind { Space, Literal, Name, Word, Punct } kind;
    qsizetype start;
    qsizetype end;
};

// Where a text literal starting at `from` (its quote mark) ends. In T-SQL a quote mark is doubled
// inside it; in a PostgreSQL connection string a backslash escapes the next character. An
// unterminated literal runs to the end.
qsizetype literalEnd(const QString &text, qsizetype from, bool backslashEscapes)
{
    const qsizetype n = text.size();
    qsizetype i = from + 1;
    while (i < n) {
        const QChar c = text.at(i);
        if (backslashEscapes && c == QLatin1Char('\\')) {
            i += 2;
        } else if (c == QLatin1Char('\'')) {
            if (i + 1 < n && text.at(i + 1) == QLatin1Char('\''))
                i += 2;
            else
                return i + 1;
        } else {
            ++i;
        }
    }
    return n;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') ||
           c == QLatin1Char('#') || c == QLatin1Char('$');
}

QVector<Piece> pieces(const QString &text, bool backslashEscapes)
{
    QVector<Piece> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        const qsizetype start = i;
        Piece::Kind kind;
        if (c.isSpace()) {
            while (i < n && text.at(i).isSpace())
                ++i;
            kind = Piece::Space;
        } else if (c == QLatin1Char('\'') || ((c == QLatin1Char('N') || c == QLatin1Char('n')) &&
                                              i + 1 < n && text.at(i + 1) == QLatin1Char('\'') &&
                                              (i == 0 || !isWordChar(text.at(i - 1))))) {
            i = literalEnd(text, c == QLatin1Char('\'') ? i : i + 1, backslashEscapes);
            kind = Piece::Literal;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            const qsizetype end = text.indexOf(close, i + 1);
            i = end < 0 ? n : end + 1;
            kind = Piece::Name;
        } else if (isWordChar(c)) {
            while (i < n && isWordChar(text.at(i)))
                ++i;
            kind = Piece::Word;
        } else {
            static const char *const pairs[] = {"<>", "!=", "<=", ">="};
            i += 1;
            for (const char *pair : pairs)
                if (QStringView(text).mid(start, 2) == QLatin1String(pair))
                    i = start + 2;
            kind = Piece::Punct;
        }
        out.append({kind, start, i});
    }
    return out;
}

// A name that holds a password: one that ends in "password" or "pwd" (NewPassword, [Password],
// "password", the column of tbPasswordMain.Password), never one that only starts so
// (PasswordHint).
bool isPasswordName(QStringView name)
{
    if (name.startsWith(QLatin1Char('[')) || name.startsWith(QLatin1Char('"'))) {
        name = name.mid(1);
        if (name.endsWith(QLatin1Char(']')) || name.endsWith(QLatin1Char('"')))
            name.chop(1);
    }
    return name.endsWith(QLatin1String("password"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String("pwd"), Qt::CaseInsensitive);
}

// Finds what is secret in one reading of the text: the ranges to mask, by character.
class SecretFinder
{
public:
    SecretFinder(const QString &text, bool backslashEscapes)
        : m_text(text), m_all(pieces(text, backslashEscapes))
    {
        for (qsizetype i = 0; i < m_all.size(); ++i)
            if (m_all[i].kind != Piece::Space)
                m_p.append(i);
        m_masked.resize(m_p.size());
    }

    // The literals (by their place among the pieces other than spaces) that hold a password.
    const QVector<bool> &find()
    {
        for (qsizetype p = 0; p < m_p.size(); ++p) {
            if (isPasswordAt(p)) {
                if (const qsizetype operand = afterComparison(p + 1); operand >= 0)
                    maskOperand(operand);
            } else if (kind(p) == Piece::Literal) {
                // The value written first: 'secret' = Password.
                if (const qsizetype name = afterComparison(p + 1); name >= 0 && isPasswordAt(name))
                    m_masked[p] = true;
            } else if (isWord(p, "insert")) {
                maskInsertValues(p + 1);
            }
        }
        return m_masked;
    }

    const Piece &at(qsizetype p) const { return m_all[m_p[p]]; }
    qsizetype count() const { return m_p.size(); }

private:
    Piece::Kind kind(qsizetype p) const { return at(p).kind; }
    QStringView text(qsizetype p) const
    {
        return QStringView(m_text).mid(at(p).start, at(p).end - at(p).start);
    }
    bool isWord(qsizetype p, const char *word) const
    {
        return p >= 0 && p < count() && kind(p) == Piece::Word &&
               text(p).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isPunct(qsizetype p, const char *punct) const
    {
        return p >= 0 && p < count() && kind(p) == Piece::Punct && text(p) == QLatin1String(punct);
    }
    bool isPasswordAt(qsizetype p) const
    {
        return p < count() && (kind(p) == Piece::Word || kind(p) == Piece::Name) &&
               isPasswordName(text(p));
    }

    // After a comparison (=, <>, !=, <, >, <=, >=, [NOT] LIKE, [NOT] IN) starting at p: where
    // its other side starts; -1 when there is none.
    qsizetype afterComparison(qsizetype p) const
    {
        static const char *const operators[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
        for (const char *op : operators)
            if (isPunct(p, op))
                return p + 1 < count() ? p + 1 : -1;
        if (isWord(p, "not"))
            ++p;
        if (isWord(p, "like") || isWord(p, "in"))
            return p + 1 < count() ? p + 1 : -1;
        return -1;
    }

    // Every literal of the value compared, up to where the value ends: a clause's word, a comma
    // or a closing parenthesis outside it, the statement's end. An IN list, a function's
    // arguments and a concatenation are all of it.
    void maskOperand(qsizetype p)
    {
        static const char *const ends[] = {"and",    "or",    "where",  "order",  "group",
                                           "having", "union", "then",   "when",   "else",
                                           "end",    "from",  "values", "select", "set"};
        int depth = 0;
        for (; p < count(); ++p) {
            if (kind(p) == Piece::Literal) {
                m_masked[p] = true;
            } else if (isPunct(p, "(")) {
                ++depth;
            } else if (isPunct(p, ")")) {
                if (depth-- == 0)
                    return;
            } else if (isPunct(p, ";") || (depth == 0 && isPunct(p, ","))) {
                return;
            } else if (depth == 0 && kind(p) == Piece::Word) {
                for (const char *word : ends)
                    if (isWord(p, word))
                        return;
            }
        }
    }

    // Insert [Into] T (A, Password, ...) Values (.., '..', ...)[, (...)]: the values of the
    // password's columns.
    void maskInsertValues(qsizetype p)
    {
        if (isWord(p, "into"))
            ++p;
        while (p < count() && !isPunct(p, "(")) {
            if (kind(p) != Piece::Word && kind(p) != Piece::Name && !isPunct(p, "."))
                return;
            ++p;
        }
        QVector<bool> secret{false};
        for (++p; p < count() && !isPunct(p, ")"); ++p) {
            if (isPunct(p, ","))
                secret.append(false);
            else if (isPasswordAt(p))
                secret.last() = true;
        }
        if (!secret.contains(true) || !isWord(++p, "values"))
            return;
        for (++p; isPunct(p, "("); p += isPunct(p + 1, ",") ? 2 : 1) {
            qsizetype column = 0;
            int depth = 0;
            for (++p; p < count(); ++p) {
                if (isPunct(p, "(")) {
                    ++depth;
                } else if (isPunct(p, ")")) {
                    if (depth-- == 0)
                        break;
                } else if (depth == 0 && isPunct(p, ",")) {
                    ++column;
                } else if (kind(p) == Piece::Literal && column < secret.size() &&
                           secret.at(column)) {
                    m_masked[p] = true;
                }
            }
        }
    }

    const QString &m_text;
    QVector<Piece> m_all;
    QVector<qsizetype> m_p;
    QVector<bool> m_masked;
};

// The text with every literal holding a password masked, as read with or without backslash
// escapes. A masked literal reaches as far as either reading of it does, so that no part of a
// value is left behind whichever way it was written.
QString withoutSecretLiterals(const QString &text, bool backslashEscapes)
{
    SecretFinder finder(text, backslashEscapes);
    const QVector<bool> &masked = finder.find();
    if (!masked.contains(true))
        return text;
    QString out;
    qsizetype copied = 0;
    for (qsizetype p = 0; p < finder.count(); ++p) {
        const Piece &piece = finder.at(p);
        if (!masked.at(p) || piece.start < copied)
            continue;
        out += QStringView(text).mid(copied, piece.start - copied);
        qsizetype quote = piece.start;
        if (text.at(quote) != QLatin1Char('\'')) {
            out += text.at(quote); // N'...'
            ++quote;
        }
        out += QLatin1String("'****'");
        copied =
            std::max({piece.end, literalEnd(text, quote, true), literalEnd(text, quote, false)});
    }
    out += QStringView(text).mid(copied);
    return out;
}

} // namespace

QString withoutSecrets(QString text)
{
    // Statements, read as T-SQL, then connection strings, read with backslash escapes.
    text = withoutSecretLiterals(text, false);
    text = withoutSecretLiterals(text, true);
    // A connection string's password: a braced value ("}}" inside it) or up to the next ';'.
    static const QRegularExpression option(
        QStringLiteral("(\\b(?:PWD|Password)\\s*=\\s*+)(?!N?')(?:\\{(?:[^}]|\\}\\})*\\}?|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(option, QStringLiteral("\\1****"));
    // The server's words on a row it refused: the key's values when a password is among its
    // columns, "Key (EmployeeID, Password)=(E02, ...)"; the whole row of a password table.
    static const QRegularExpression key(QStringLiteral("(\\bKey \\(([^)\\n]*)\\)=\\()[^\\n]*\\)"));
    for (qsizetype from = 0;;) {
        const QRegularExpressionMatch m = key.match(text, from);
        if (!m.hasMatch())
            break;
        bool secret = false;
        for (const QString &column : m.captured(2).split(QLatin1Char(',')))
            secret = secret || isPasswordName(column.trimmed());
        const QString shown = secret ? m.captured(1) + QStringLiteral("****)") : m.captured(0);
        text.replace(m.capturedStart(), m.capturedLength(), shown);
        from = m.capturedStart() + shown.size();
    }
    static const QRegularExpression row(QStringLiteral("(\\bFailing row contains \\()[^\\n]*\\)"));
    if (text.contains(QLatin1String("password"), Qt::CaseInsensitive))
        text.replace(row, QStringLiteral("\\1****)"));
    return text;
}

} // namespace db

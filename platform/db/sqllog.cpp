#include "platform/db/sqllog.h"

#include <QRegularExpression>

Q_LOGGING_CATEGORY(lcSql, "inventory.sql", QtInfoMsg)

namespace db {

QString withoutSecrets(QString text)
{
    // A password compared in a statement: the literal, quote marks doubled inside it.
    static const QRegularExpression literal(
        QStringLiteral("(\\bPassword\\s*=\\s*)N?'(?:[^']|'')*'?"),
        QRegularExpression::CaseInsensitiveOption);
    // A connection string's password: a braced value ("}}" inside it) or up to the next ';'.
    static const QRegularExpression option(
        QStringLiteral("(\\b(?:PWD|Password)\\s*=\\s*+)(?!N?')(?:\\{(?:[^}]|\\}\\})*\\}?|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    text.replace(literal, QStringLiteral("\\1'****'"));
    return text.replace(option, QStringLiteral("\\1****"));
}

} // namespace db

#include "objects/datahelpers.h"

#include "app/modInventory.h"
#include "app/vbformat.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"

#include <QRegularExpression>

#include <cmath>

namespace objects {

namespace {

constexpr long InvalidConnectionNumber = 3709;
constexpr long ObjectNotSetNumber = 91;
constexpr long TypeMismatchNumber = 13;
constexpr long OverflowNumber = 6;
constexpr int MaxCodeLength = 4;

// What the server's integer conversion accepts: blanks around an optional sign and digits, or
// blanks alone (read as 0).
bool readsAsInteger(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^ *([+-]?[0-9]+)? *$"));
    return number.match(text).hasMatch();
}

} // namespace

QString signedNumber(double value)
{
    const QString text = vb::plainNumber(value);
    return value < 0 ? text : QLatin1Char(' ') + text;
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

double fixedPoint(double value)
{
    return std::nearbyint(value * 10000.0) / 10000.0;
}

QString trimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

QString textOr(const db::Field &field, const QString &defaultValue)
{
    return field.IsNull() ? defaultValue : field.toText();
}

db::Field withDefault(const db::Field &field, const QVariant &defaultValue)
{
    return db::Field(field.Name(), modInventory::NullToDefault(field, defaultValue));
}

db::Connection &connectionOf(db::Connection *connection)
{
    if (!connection)
        throw AppError(InvalidConnectionNumber, QStringLiteral("ActiveConnection"),
                       QStringLiteral("No database connection has been given to this object."));
    return *connection;
}

db::Connection *sessionConnection()
{
    return modInventory::objCurrentUser ? modInventory::objCurrentUser->sqlconnection() : nullptr;
}

void objectNotSet(const QString &source)
{
    throw AppError(ObjectNotSetNumber, source,
                   QStringLiteral("Object variable or With block variable not set"));
}

QString describe(const std::exception &error)
{
    if (const auto *app = dynamic_cast<const AppError *>(&error))
        return app->description();
    return QString::fromLocal8Bit(error.what());
}

QString nextNumericCode(db::Connection &connection, const QString &newCodeSql,
                        const QString &column, const QString &codesSql, const QString &noun)
{
    const db::Recordset next = connection.Execute(newCodeSql);

    // A server refuses to read a code such as "A1" as a number; an engine that reads it as 0
    // would form a code that may already be taken. Either way no code is formed.
    db::Recordset codes = connection.Execute(codesSql);
    for (; !codes.Eof(); codes.MoveNext()) {
        const db::Field code = codes.Fields(0);
        if (!code.IsNull() && !readsAsInteger(code.toText()))
            throw AppError(TypeMismatchNumber, QStringLiteral("Update"),
                           QStringLiteral("The %1 code '%2' is not a number, so no new %1 code "
                                          "can be formed.")
                               .arg(noun, code.toText()));
    }

    if (next.Eof() || next.Fields(column).IsNull())
        return QStringLiteral("1");
    const QString code = next.Fields(column).toText();
    // A server writes "*" for a number too long for the four characters; others write it whole.
    if (code.size() > MaxCodeLength || code.trimmed().isEmpty() || !readsAsInteger(code))
        throw AppError(OverflowNumber, QStringLiteral("Update"),
                       QStringLiteral("No new %1 code fits in %2 characters: the %1 codes have "
                                      "reached the largest one.")
                           .arg(noun)
                           .arg(MaxCodeLength));
    return code;
}

qint16 nextSmallCode(db::Connection &connection, const QString &newCodeSql, const QString &column)
{
    const db::Recordset next = connection.Execute(newCodeSql);
    if (next.Eof() || next.Fields(column).IsNull())
        return 1;
    return next.Fields(column).toInteger();
}

} // namespace objects

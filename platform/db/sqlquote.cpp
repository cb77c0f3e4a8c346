#include "platform/db/sqlquote.h"

#include <QDateTime>
#include <QLocale>

namespace db {

QString sqlText(const QString &value)
{
    if (!value.contains(QLatin1Char('\'')))
        return value;
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return doubled;
}

QString quoted(const QString &value)
{
    return QLatin1Char('\'') + sqlText(value) + QLatin1Char('\'');
}

QString dateLiteral(const QDateTime &when)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QLatin1Char('\'') + english.toString(when, QStringLiteral("MM/dd/yyyy hh:mm:ss AP")) +
           QLatin1Char('\'');
}

} // namespace db

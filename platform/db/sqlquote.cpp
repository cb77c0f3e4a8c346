#include "platform/db/sqlquote.h"

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

} // namespace db

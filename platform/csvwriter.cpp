#include "platform/csvwriter.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTime>

#include <cmath>

namespace csv {

namespace {

bool isPlainDecimal(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    return plain.match(text).hasMatch();
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0"); // never "-0"
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString valueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.metaType() == QMetaType::fromType<Decimal>()) {
        const QString digits = value.value<Decimal>().digits;
        return digits; // quoted below if it is no number after all
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    }
    case QMetaType::QDateTime: {
        const QDateTime when = value.toDateTime();
        return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
    }
    case QMetaType::QTime: {
        const QTime time = value.toTime();
        return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString();
    }
    default:
        return value.toString();
    }
}

QString quotedIfNeeded(const QString &text)
{
    static const QRegularExpression special(QStringLiteral("[,\"\\r\\n]"));
    if (!text.contains(special))
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

void appendLine(QString &out, const QVariantList &values)
{
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += field(values.at(i));
    }
    out += QStringLiteral("\r\n");
}

} // namespace

std::optional<Decimal> decimalFromText(const QString &text)
{
    QString digits = text.trimmed();
    digits.remove(QLatin1Char(','));
    if (!isPlainDecimal(digits))
        return std::nullopt;
    return Decimal{digits};
}

QString field(const QVariant &value)
{
    return quotedIfNeeded(valueText(value));
}

QByteArray document(const QStringList &headers, const QList<QVariantList> &rows)
{
    QString text;
    QVariantList headerValues;
    for (const QString &header : headers)
        headerValues << header;
    appendLine(text, headerValues);
    for (const QVariantList &row : rows)
        appendLine(text, row);
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

bool writeFile(const QString &path, const QStringList &headers, const QList<QVariantList> &rows,
               QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = document(headers, rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace csv

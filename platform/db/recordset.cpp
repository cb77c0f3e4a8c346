#include "platform/db/recordset.h"

#include "platform/db/dberror.h"

#include <cmath>
#include <limits>
#include <optional>

namespace db {

namespace {

const QString InvalidNull = QStringLiteral("Invalid use of Null");
const QString TypeMismatch = QStringLiteral("Type mismatch");
const QString Overflow = QStringLiteral("Overflow");

QString numberText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

bool isNumericType(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool readDigits(QStringView text, int from, int count, int &value)
{
    value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

} // namespace

// The forms the engines store dates in (yyyy-MM-dd, with HH:mm, HH:mm:ss or HH:mm:ss with one to
// three decimals after a blank, or HH:mm:ss after a T), read without the general parser: a
// record of dates is read many times. Anything else is left to the parser.
std::optional<QDateTime> storedDateTime(QStringView text)
{
    const qsizetype n = text.size();
    if (n != 10 && n != 16 && n != 19 && (n < 21 || n > 23))
        return std::nullopt;
    int year, month, day, hour = 0, minute = 0, second = 0, ms = 0;
    if (!readDigits(text, 0, 4, year) || text.at(4) != u'-' || !readDigits(text, 5, 2, month) ||
        text.at(7) != u'-' || !readDigits(text, 8, 2, day))
        return std::nullopt;
    if (n > 10) {
        const QChar separator = text.at(10);
        if (!(separator == u' ' || (separator == u'T' && n == 19)) ||
            !readDigits(text, 11, 2, hour) || text.at(13) != u':' ||
            !readDigits(text, 14, 2, minute))
            return std::nullopt;
        if (n >= 19 && (text.at(16) != u':' || !readDigits(text, 17, 2, second)))
            return std::nullopt;
        if (n > 19) {
            // ".5" is half a second: the decimals are read as thousandths.
            if (text.at(19) != u'.' || !readDigits(text, 20, int(n) - 20, ms))
                return std::nullopt;
            for (qsizetype place = n - 20; place < 3; ++place)
                ms *= 10;
        }
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime dateTime(date, time);
    if (!dateTime.isValid() || dateTime.date() != date || dateTime.time() != time)
        return std::nullopt; // not a local time (a daylight-saving gap): the parser decides
    return dateTime;
}

Field::Field(QString name, QVariant value) : m_name(std::move(name)), m_value(std::move(value)) {}

bool Field::IsNull() const
{
    return !m_value.isValid() || m_value.isNull();
}

void Field::fail(const QString &what) const
{
    throw DbError(what + QStringLiteral(" (field ") + m_name + QLatin1Char(')'));
}

QString Field::toText() const
{
    if (IsNull())
        fail(InvalidNull);
    return textOf(m_value);
}

QString Field::textOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return *static_cast<const QString *>(value.constData());
    case QMetaType::LongLong:
        return QString::number(*static_cast<const qlonglong *>(value.constData()));
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default:
        return value.toString();
    }
}

double Field::toDouble() const
{
    if (IsNull())
        fail(InvalidNull);
    if (m_value.typeId() == QMetaType::Bool)
        return m_value.toBool() ? -1.0 : 0.0;
    bool ok = false;
    const double d =
        isNumericType(m_value) ? m_value.toDouble(&ok) : m_value.toString().trimmed().toDouble(&ok);
    if (!ok)
        fail(TypeMismatch);
    return d;
}

double Field::toCurrency() const
{
    return std::nearbyint(toDouble() * 10000.0) / 10000.0;
}

qint32 Field::toLong() const
{
    const double d = std::nearbyint(toDouble()); // default rounding mode: half to even
    if (d < std::numeric_limits<qint32>::min() || d > std::numeric_limits<qint32>::max())
        fail(Overflow);
    return static_cast<qint32>(d);
}

qint16 Field::toInteger() const
{
    const qint32 v = toLong();
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        fail(Overflow);
    return static_cast<qint16>(v);
}

bool Field::toBool() const
{
    if (IsNull())
        fail(InvalidNull);
    if (m_value.typeId() == QMetaType::Bool)
        return m_value.toBool();
    if (isNumericType(m_value))
        return m_value.toDouble() != 0.0;
    const QString text = m_value.toString().trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok)
        fail(TypeMismatch);
    return d != 0.0;
}

QDateTime Field::toDate() const
{
    if (IsNull())
        fail(InvalidNull);
    if (m_value.typeId() == QMetaType::QDateTime)
        return m_value.toDateTime();
    if (m_value.typeId() == QMetaType::QDate)
        return QDateTime(m_value.toDate(), QTime(0, 0));
    if (isNumericType(m_value)) {
        // A number is a day count from 30 December 1899, the fraction the time of day.
        const double days = m_value.toDouble();
        const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
        return zero.addMSecs(static_cast<qint64>(std::llround(days * 86400000.0)));
    }
    const QString text = m_value.toString().trimmed();
    if (const std::optional<QDateTime> stored = storedDateTime(text))
        return *stored;
    for (const char *format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss",
                               "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd",
                               "MM/dd/yyyy hh:mm:ss AP", "M/d/yyyy h:mm:ss AP", "MM/dd/yyyy"}) {
        const QDateTime parsed = QDateTime::fromString(text, QLatin1String(format));
        if (parsed.isValid())
            return parsed;
    }
    fail(TypeMismatch);
}

Recordset::Recordset() = default;

Recordset::Columns::Columns(QStringList names) : m_names(std::move(names))
{
    for (int i = 0; i < m_names.size(); ++i) {
        const QString &name = m_names.at(i);
        const QString key = name.toLower();
        // The first column of a name wins, however either is spelt.
        int first = i;
        if (const auto it = m_index.constFind(key); it != m_index.constEnd())
            first = it.value();
        else
            m_index.insert(key, i);
        if (!m_exact.contains(name))
            m_exact.insert(name, first);
    }
}

Recordset::Recordset(QStringList fieldNames, const QVector<QVector<QVariant>> &rows)
{
    auto columns = std::make_shared<const Columns>(std::move(fieldNames));
    const qsizetype width = columns->m_names.size();
    QVector<QVariant> cells;
    cells.reserve(width * rows.size());
    for (const QVector<QVariant> &row : rows)
        for (qsizetype c = 0; c < width; ++c)
            cells.append(row.value(c));
    *this = Recordset(std::move(columns), std::move(cells), static_cast<int>(rows.size()));
}

Recordset::Recordset(std::shared_ptr<const Columns> columns, QVector<QVariant> cells, int rows)
{
    auto data = std::make_shared<Data>();
    data->width = static_cast<int>(columns->m_names.size());
    data->columns = std::move(columns);
    data->cells = std::move(cells);
    data->rows = rows;
    m_data = std::move(data);
    m_position = 0;
}

const Recordset::Data &Recordset::data() const
{
    if (!m_data)
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed."));
    return *m_data;
}

void Recordset::Close()
{
    m_data.reset();
    m_position = 0;
}

int Recordset::RecordCount() const
{
    return m_data ? m_data->rows : 0;
}

bool Recordset::Eof() const
{
    return !m_data || m_position >= RecordCount();
}

bool Recordset::Bof() const
{
    return !m_data || m_position < 0 || RecordCount() == 0;
}

void Recordset::MoveFirst()
{
    data();
    m_position = 0;
}

void Recordset::MoveLast()
{
    m_position = qMax(0, data().rows - 1);
}

void Recordset::MoveNext()
{
    if (Eof())
        throw DbError(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    ++m_position;
}

void Recordset::MovePrevious()
{
    if (m_position < 0)
        throw DbError(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    --m_position;
}

void Recordset::Move(int row)
{
    m_position = qBound(-1, row, RecordCount());
}

int Recordset::FieldCount() const
{
    return m_data ? static_cast<int>(m_data->columns->m_names.size()) : 0;
}

QString Recordset::FieldName(int index) const
{
    return data().columns->m_names.value(index);
}

const QStringList &Recordset::FieldNames() const
{
    return data().columns->m_names;
}

const Recordset::Columns &Recordset::columns() const
{
    return *data().columns;
}

bool Recordset::HasField(const QString &name) const
{
    return m_data && m_data->columns->m_index.contains(name.toLower());
}

int Recordset::FieldIndex(const QString &name) const
{
    return m_data ? m_data->columns->indexOf(name) : -1;
}

int Recordset::Columns::indexOf(const QString &name) const
{
    // Readers mostly spell a name as the result does: found without a lower-case copy.
    const auto exact = m_exact.constFind(name);
    if (exact != m_exact.constEnd())
        return exact.value();
    const auto it = m_index.constFind(name.toLower());
    return it == m_index.constEnd() ? -1 : it.value();
}

int Recordset::columnOf(const QString &name) const
{
    data(); // a closed recordset says so
    const int index = FieldIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                     "requested name or ordinal: ") +
                      name);
    return index;
}

Field Recordset::Fields(const QString &name) const
{
    return Fields(columnOf(name));
}

Field Recordset::Fields(int index) const
{
    const Data &d = data();
    if (index < 0 || index >= d.columns->m_names.size())
        throw DbError(QStringLiteral("Item cannot be found in the collection corresponding to the "
                                     "requested name or ordinal: ") +
                      QString::number(index));
    if (Eof() || m_position < 0)
        throw DbError(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    return Field(d.columns->m_names.at(index), d.cells.at(m_position * d.width + index));
}

const QVariant &Recordset::value(int row, int column) const
{
    const Data &d = data();
    return d.cells.at(row * d.width + column);
}

const QVariant *Recordset::rowValues(int row) const
{
    const Data &d = data();
    Q_ASSERT(row >= 0 && row < d.rows);
    return d.cells.constData() + qsizetype(row) * d.width;
}

} // namespace db

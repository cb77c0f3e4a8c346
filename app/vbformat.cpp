#include "app/vbformat.h"

#include "platform/error.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vb {

namespace {

constexpr long OverflowNumber = 6;

[[noreturn]] void overflow(const QString &source)
{
    throw AppError(OverflowNumber, source, QStringLiteral("Overflow"));
}

// A finite value as at most 15 significant decimal digits: value = 0.digits * 10^pointPos, i.e.
// pointPos is the number of digits before the decimal point (zero or negative for values below 1).
// Trailing zeros are dropped; zero has no digits.
struct Decimal
{
    bool negative = false;
    QString digits;
    int pointPos = 0;
};

Decimal toDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    // "d.dddddddddddddde+XX": the C library rounds the binary value to 15 significant digits.
    const QString text = QString::number(std::fabs(value), 'e', 14);
    const int e = text.indexOf(QLatin1Char('e'));
    d.digits = text.left(e).remove(QLatin1Char('.'));
    d.pointPos = text.mid(e + 1).toInt() + 1;
    while (d.digits.endsWith(QLatin1Char('0')))
        d.digits.chop(1);
    if (d.digits.isEmpty()) {
        d.negative = false;
        d.pointPos = 0;
    }
    return d;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString groupThousands(const QString &digits)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits.at(i);
    }
    return out;
}

// The exponent part at text[pos]: "E" or "D", an optional sign, at least one digit. Returns the
// position after it and appends it (as "e...") to out; returns pos unchanged when there is none.
int readExponent(const QString &text, int pos, QString &out)
{
    if (pos >= text.size())
        return pos;
    const QChar marker = text.at(pos).toUpper();
    if (marker != QLatin1Char('E') && marker != QLatin1Char('D'))
        return pos;
    int p = pos + 1;
    QString exponent = QStringLiteral("e");
    if (p < text.size() && (text.at(p) == QLatin1Char('+') || text.at(p) == QLatin1Char('-')))
        exponent += text.at(p++);
    const int digitsStart = p;
    while (p < text.size() && isDigit(text.at(p)))
        exponent += text.at(p++);
    if (p == digitsStart)
        return pos;
    out += exponent;
    return p;
}

// The value of number text built here (sign, digits, one point, "e" exponent). QString::toDouble
// refuses a value outside the range of a double at either end: one too large is no number, one too
// small to tell from zero is zero.
bool readDouble(const QString &number, double *value)
{
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (ok && std::isfinite(v)) {
        *value = v;
        return true;
    }
    if (!ok && v == 0.0) {
        *value = 0.0;
        return true;
    }
    return false;
}

// The numeric test and its value in one pass; see isNumeric for the accepted forms.
bool parseNumeric(const QString &text, double *value)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    QString s = text.mid(begin, end - begin);

    const bool parenthesised =
        s.size() >= 2 && s.startsWith(QLatin1Char('(')) && s.endsWith(QLatin1Char(')'));
    if (parenthesised)
        s = s.mid(1, s.size() - 2);

    QChar sign;
    bool currency = false;
    int pos = 0;
    // A sign and a currency symbol, in either order, before or after the number (not both places).
    auto readAffixes = [&]() {
        for (int i = 0; i < 2 && pos < s.size(); ++i) {
            const QChar c = s.at(pos);
            if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && sign.isNull())
                sign = c;
            else if (c == QLatin1Char('$') && !currency)
                currency = true;
            else
                break;
            ++pos;
        }
    };
    readAffixes();

    QString number;
    bool anyDigit = false;
    if (pos < s.size() && isDigit(s.at(pos))) {
        while (pos < s.size() && (isDigit(s.at(pos)) || s.at(pos) == QLatin1Char(','))) {
            if (s.at(pos) != QLatin1Char(','))
                number += s.at(pos);
            ++pos;
        }
        anyDigit = true;
    }
    if (pos < s.size() && s.at(pos) == QLatin1Char('.')) {
        number += QLatin1Char('.');
        ++pos;
        while (pos < s.size() && isDigit(s.at(pos))) {
            number += s.at(pos++);
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return false;
    pos = readExponent(s, pos, number);

    readAffixes();
    if (pos != s.size())
        return false;
    if (parenthesised && !sign.isNull())
        return false;

    double v = 0.0; // QString::toDouble reads the C format, whatever the locale
    if (!readDouble(number, &v))
        return false;
    if (parenthesised || sign == QLatin1Char('-'))
        v = -v;
    if (value)
        *value = v;
    return true;
}

double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return floor + 1.0;
    if (fraction < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

} // namespace

QString formatNumber(double value, const QString &pattern)
{
    if (!std::isfinite(value))
        return plainNumber(value);

    const int point = pattern.indexOf(QLatin1Char('.'));
    const QString integerPattern = point < 0 ? pattern : pattern.left(point);
    const QString fractionPattern = point < 0 ? QString() : pattern.mid(point + 1);

    const bool grouping = integerPattern.contains(QLatin1Char(','));
    // Integer digits always shown: every placeholder from the first "0" on.
    int minInteger = 0;
    bool zeroSeen = false;
    for (const QChar c : integerPattern) {
        zeroSeen = zeroSeen || c == QLatin1Char('0');
        if (zeroSeen && (c == QLatin1Char('0') || c == QLatin1Char('#')))
            ++minInteger;
    }
    // Decimals: every placeholder counts for the rounding; those up to the last "0" are always
    // shown.
    int decimals = 0;
    int minDecimals = 0;
    for (const QChar c : fractionPattern) {
        if (c == QLatin1Char('0') || c == QLatin1Char('#'))
            ++decimals;
        if (c == QLatin1Char('0'))
            minDecimals = decimals;
    }

    const Decimal d = toDecimal(value);
    QString integer;
    QString fraction;
    if (d.pointPos >= -decimals) { // otherwise the value is far below the last decimal: zero
        integer = d.digits.left(std::max(d.pointPos, 0));
        if (d.pointPos > d.digits.size())
            integer += QString(d.pointPos - d.digits.size(), QLatin1Char('0'));
        if (d.pointPos < 0)
            fraction = QString(-d.pointPos, QLatin1Char('0'));
        fraction += d.digits.mid(std::max(d.pointPos, 0));

        if (fraction.size() > decimals) {
            const bool roundUp = fraction.at(decimals) >= QLatin1Char('5');
            fraction.truncate(decimals);
            if (roundUp) { // half away from zero: add one unit of the last kept decimal
                QString all = integer + fraction;
                int i = all.size() - 1;
                while (i >= 0 && all.at(i) == QLatin1Char('9'))
                    all[i--] = QLatin1Char('0');
                if (i >= 0)
                    all[i] = QChar(all.at(i).unicode() + 1);
                else
                    all.prepend(QLatin1Char('1'));
                integer = all.left(all.size() - fraction.size());
                fraction = all.right(fraction.size());
            }
        }
    }
    fraction = fraction.leftJustified(decimals, QLatin1Char('0'));
    while (fraction.size() > minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);

    int firstSignificant = 0;
    while (firstSignificant < integer.size() && integer.at(firstSignificant) == QLatin1Char('0'))
        ++firstSignificant;
    integer = integer.mid(firstSignificant);
    const bool isZero =
        integer.isEmpty() && std::all_of(fraction.cbegin(), fraction.cend(),
                                         [](QChar c) { return c == QLatin1Char('0'); });
    integer = integer.rightJustified(minInteger, QLatin1Char('0'));
    if (grouping)
        integer = groupThousands(integer);

    QString out;
    if (d.negative && !isZero)
        out += QLatin1Char('-');
    out += integer;
    if (!fraction.isEmpty())
        out += QLatin1Char('.') + fraction;
    return out;
}

bool isNumeric(const QString &text)
{
    return parseNumeric(text, nullptr);
}

double numericValue(const QString &text)
{
    double value = 0.0;
    return parseNumeric(text, &value) ? value : 0.0;
}

double leadingNumber(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r'))
            s += c;
    }

    int pos = 0;
    QString number;
    if (pos < s.size() && (s.at(pos) == QLatin1Char('+') || s.at(pos) == QLatin1Char('-')))
        number += s.at(pos++);
    bool anyDigit = false;
    bool pointSeen = false;
    for (; pos < s.size(); ++pos) {
        const QChar c = s.at(pos);
        if (isDigit(c)) {
            anyDigit = true;
        } else if (c == QLatin1Char('.') && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
        number += c;
    }
    if (!anyDigit)
        return 0.0;
    readExponent(s, pos, number);

    double value = 0.0;
    if (!readDouble(number, &value))
        overflow(QStringLiteral("leadingNumber"));
    return value;
}

QString plainNumber(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");

    // Whole numbers below 10^15 are exact in a double and have at most 15 digits.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    // The nearest double to a number of at most four decimals and 14 digits (a stored cost or
    // quantity) rounds to 15 digits as that number: written straight from it.
    const double scaled = std::round(value * 10000.0);
    if (std::fabs(scaled) < 1e14 && scaled / 10000.0 == value) {
        const qint64 units = qint64(std::fabs(scaled));
        QString fraction = QString::number(units % 10000).rightJustified(4, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        return (scaled < 0 ? QStringLiteral("-") : QString()) + QString::number(units / 10000) +
               QLatin1Char('.') + fraction; // not whole, so some fraction is left
    }

    const Decimal d = toDecimal(value);
    if (d.digits.isEmpty())
        return QStringLiteral("0");

    QString out = d.negative ? QStringLiteral("-") : QString();
    const int exponent = d.pointPos - 1;
    if (exponent >= -15 && exponent <= 15) {
        if (d.pointPos <= 0) {
            out += QStringLiteral("0.") + QString(-d.pointPos, QLatin1Char('0')) + d.digits;
        } else if (d.pointPos >= d.digits.size()) {
            out += d.digits + QString(d.pointPos - d.digits.size(), QLatin1Char('0'));
        } else {
            out += d.digits.left(d.pointPos) + QLatin1Char('.') + d.digits.mid(d.pointPos);
        }
        return out;
    }
    out += d.digits.left(1);
    if (d.digits.size() > 1)
        out += QLatin1Char('.') + d.digits.mid(1);
    out += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    out += QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
    return out;
}

qint32 toLong32(double value)
{
    const double rounded = std::isfinite(value) ? roundHalfEven(value) : 0.0;
    if (!std::isfinite(value) || rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        overflow(QStringLiteral("toLong32"));
    return static_cast<qint32>(rounded);
}

qint16 toInteger16(double value)
{
    const double rounded = std::isfinite(value) ? roundHalfEven(value) : 0.0;
    if (!std::isfinite(value) || rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        overflow(QStringLiteral("toInteger16"));
    return static_cast<qint16>(rounded);
}

} // namespace vb

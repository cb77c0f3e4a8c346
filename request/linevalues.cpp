#include "request/linevalues.h"

#include "app/vbformat.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace linevalues {

double toScale(double value)
{
    if (!std::isfinite(value))
        return value;
    // A value already at the scale (every stored one, nearly every typed one) is the nearest
    // double to a number of four decimals: kept as it is, without going through text. This runs
    // several times for each line of a request being opened.
    const double units = std::round(value * 10000.0);
    if (std::fabs(units) < 1e14 && units / 10000.0 == value)
        return value == 0 ? 0 : value;
    // The same rounding the window shows numbers with, so the value is the one shown.
    const double scaled = vb::numericValue(vb::formatNumber(value, QStringLiteral("0.0000")));
    return scaled == 0 ? 0 : scaled; // no negative zero
}

QString quantityProblem(double quantity)
{
    if (!std::isfinite(quantity) || std::fabs(toScale(quantity)) > MaxQuantity)
        return QStringLiteral("The quantity must be at most 9,999,999.");
    return QString();
}

QString costProblem(double cost)
{
    if (!std::isfinite(cost) || toScale(cost) > MaxUnitCost)
        return QStringLiteral("The unit cost must be at most 9,999,999.9999.");
    if (toScale(cost) < 0)
        return QStringLiteral("The unit cost cannot be negative.");
    return QString();
}

QString money(double value)
{
    // A value at the scale (every stored cost, zero of either sign too) is written from its
    // ten-thousandths, as a total is: the general format reads its pattern again for every one
    // of a request's lines.
    const double units = std::round(value * 10000.0);
    if (std::fabs(units) < 1e14 && units / 10000.0 == value)
        return money(Units(units));
    return vb::formatNumber(value, QStringLiteral("###,###,##0.0000"));
}

namespace {

// A value of at most four decimals in ten-thousandths: exact for every value within the limits
// (below 2^53 ten-thousandths).
Units unitsOf(double value)
{
    return Units(std::llround(toScale(value) * 10000.0));
}

} // namespace

Units lineTotalUnits(double quantity, double cost)
{
    if (!std::isfinite(quantity) || !std::isfinite(cost) || std::fabs(quantity) > 9.0e14 ||
        std::fabs(cost) > 9.0e14)
        return 0; // never a line's: refused before it becomes one
    const Units product = unitsOf(quantity) * unitsOf(cost); // in 10^-8
    const Units half = 5000;
    return product >= 0 ? (product + half) / 10000 : -((-product + half) / 10000);
}

QString money(Units units)
{
    // Written from the last digit back into a buffer and made a text once: a request being
    // opened writes two of these for each of its lines. The largest magnitude has 39 digits.
    char16_t text[64];
    char16_t *const end = std::end(text);
    char16_t *p = end;
    const bool negative = units < 0;
    // Below 2^64 (every value within the limits) in 64-bit arithmetic, which is much quicker.
    const auto digitsOf = [&p](auto magnitude) {
        for (int i = 0; i < 4; ++i, magnitude /= 10)
            *--p = char16_t(u'0' + int(magnitude % 10));
        *--p = u'.';
        int digits = 0;
        do {
            if (digits > 0 && digits % 3 == 0)
                *--p = u',';
            *--p = char16_t(u'0' + int(magnitude % 10));
            magnitude /= 10;
            ++digits;
        } while (magnitude > 0);
    };
    __extension__ typedef unsigned __int128 Magnitude;
    const Magnitude magnitude = negative ? -Magnitude(units) : Magnitude(units);
    if (magnitude <= std::numeric_limits<quint64>::max())
        digitsOf(quint64(magnitude));
    else
        digitsOf(magnitude);
    if (negative)
        *--p = u'-';
    return QString(reinterpret_cast<const QChar *>(p), end - p);
}

} // namespace linevalues

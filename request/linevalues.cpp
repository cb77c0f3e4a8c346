#include "request/linevalues.h"

#include "app/vbformat.h"

#include <cmath>

namespace linevalues {

double toScale(double value)
{
    if (!std::isfinite(value))
        return value;
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
    return vb::formatNumber(value, QStringLiteral("###,###,##0.0000"));
}

double lineTotal(double quantity, double cost)
{
    return toScale(toScale(quantity) * toScale(cost));
}

} // namespace linevalues

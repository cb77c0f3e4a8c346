#pragma once

#include <QString>

// The limits and the scale of a line's quantity and unit cost. They are the same on every engine
// and are applied where a value enters the request (typed, from a kit, read from the database,
// written by the save), so the total shown before a save is the total after reopening.
namespace linevalues {

// A hospital's largest line: ten million units less one, at up to ten million a unit.
inline constexpr double MaxQuantity = 9999999;
inline constexpr double MaxUnitCost = 9999999.9999;

// The value at the columns' scale: four decimals, half away from zero.
double toScale(double value);

// Why the value cannot be a line's quantity or unit cost; empty when it can. Zero and negative
// quantities are the entry's own refusals; a negative cost is refused here.
QString quantityProblem(double quantity);
QString costProblem(double cost);

// Money in ten-thousandths, exact: a line's total of the largest quantity at the largest cost has
// 18 digits, more than a double holds, and a request's total is the sum of 32,766 of them.
__extension__ typedef __int128 Units;

// A line's total, from the two values at their scale, rounded to four decimals half away from
// zero, exactly.
Units lineTotalUnits(double quantity, double cost);

// A cost or a total as the window shows money everywhere: grouped, four decimals ("1,234.5000").
QString money(double value);
QString money(Units units);

} // namespace linevalues

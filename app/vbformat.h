#pragma once

#include <QString>

// The value helpers every window shares: numbers shown through digit patterns, numbers read back
// from typed text, and the plain number text the statements and the information boxes use. They
// follow the rules the program's logic was written for (rounding half away from zero when
// formatting, the numeric test that accepts grouping separators, the leading-number reading that
// stops at the first character that cannot continue a number), always with "," for grouping and
// "." for decimals, whatever the machine's locale.
namespace vb {

// The value through a digit pattern such as "###,###,##0.0000" or "#########0": "0" is a digit
// always shown, "#" a digit shown only when needed, a "," anywhere in the integer part groups
// thousands, "." places the decimal point. The value is rounded to the pattern's decimals, half
// away from zero, after being taken to 15 significant digits (so 3 * 1.00005 shows 3.0002, not the
// 3.0001 its binary form would give). A value that rounds to zero has no sign; large values show
// every integer digit, never an exponent. Other characters in the pattern are ignored.
QString formatNumber(double value, const QString &pattern);

// True when the whole text reads as a number: blanks around it, one sign before or after it, a "$"
// before or after it, digits with "," separators in the integer part (the part starts with a
// digit), an optional decimal part, an optional exponent ("1E3", "2.5e-2", also "1D3"), or the
// number in parentheses as a negative ("(12)" is -12, with no sign of its own). At least one digit
// is needed; "", ".", "-" and "1,2,3x" are not numbers, nor is a value too large for a double (one
// too small for a double, "1E-400", is 0).
bool isNumeric(const QString &text);

// The value of a text isNumeric accepts (separators and "$" dropped, parentheses negative); 0 for
// any other text.
double numericValue(const QString &text);

// The number at the start of the text, 0 when there is none: blanks, tabs and line breaks are
// skipped wherever they are, then an optional sign, digits, one ".", an optional exponent; the
// first other character ends the number ("12abc" 12, "1,234" 1, "  -3.5kg" -3.5). Hexadecimal and
// octal prefixes are not read ("&H10" is 0). A number too large for a double throws AppError 6
// "Overflow"; one too small for a double is 0.
double leadingNumber(const QString &text);

// The standard number-to-text conversion: at most 15 significant digits, no grouping, only the
// digits needed ("12.5", "0", "-3", "0.3" for 0.1 + 0.2). Values from 1e-15 up to below 1e16 are
// written without an exponent; smaller and larger ones as "1.5E+16" / "1E-20".
QString plainNumber(double value);

// The value as a 16-bit or 32-bit integer, rounded half to even (2.5 gives 2, 3.5 gives 4). A
// value out of range (or not a number) throws AppError 6 "Overflow".
qint16 toInteger16(double value);
qint32 toLong32(double value);

} // namespace vb

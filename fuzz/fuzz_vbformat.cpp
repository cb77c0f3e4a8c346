// The number helpers on arbitrary input: the first eight bytes are a double (any bit pattern:
// NaN, infinities, subnormals), the rest is text, split at its first line break into a typed
// number and a digit pattern. Besides crashes, leaks and hangs, it checks what the helpers
// promise:
//   - isNumeric and numericValue agree: a number has a finite value, anything else reads 0;
//   - leadingNumber gives a finite value, or raises Overflow (6) for a number too large for a
//     double (as the C library reads the same text), nothing else;
//   - formatNumber writes only a number isNumeric reads back, within half a unit of the pattern's
//     last decimal (plus the 15-digit precision) of the value;
//   - plainNumber writes a number that reads back to the value at 15 significant digits;
//   - toInteger16 and toLong32 round half to even, and raise Overflow exactly when out of range.
#include "app/vbformat.h"
#include "platform/error.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

[[noreturn]] void fault(const char *what, double value, const QString &text, const QString &out)
{
    std::fprintf(stderr, "number fault: %s\n  value:  %.17g\n  text:   %s\n  result: %s\n", what,
                 value, qUtf8Printable(text), qUtf8Printable(out));
    std::abort();
}

int patternDecimals(const QString &pattern)
{
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    if (point < 0)
        return 0;
    int decimals = 0;
    for (qsizetype i = point + 1; i < pattern.size(); ++i)
        if (pattern.at(i) == QLatin1Char('0') || pattern.at(i) == QLatin1Char('#'))
            ++decimals;
    return decimals;
}

// Whether the C library finds the number at the start of the text too large for a double, read
// as leadingNumber reads it: blanks anywhere skipped, "D" an exponent like "E".
bool tooLarge(const QString &text)
{
    std::string compact;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            continue;
        if (c.unicode() > 127 || c.unicode() == 0)
            break;
        compact += (c == QLatin1Char('D') || c == QLatin1Char('d')) ? 'e' : char(c.unicode());
    }
    errno = 0;
    const double value = std::strtod(compact.c_str(), nullptr);
    return errno == ERANGE && std::fabs(value) == HUGE_VAL;
}

void checkText(const QString &text)
{
    const bool numeric = vb::isNumeric(text);
    const double value = vb::numericValue(text);
    if (numeric && !std::isfinite(value))
        fault("isNumeric accepts a text without a finite value", value, text, {});
    if (!numeric && value != 0.0)
        fault("numericValue of a text that is not a number", value, text, {});
    try {
        const double leading = vb::leadingNumber(text);
        if (!std::isfinite(leading))
            fault("leadingNumber is not finite", leading, text, {});
    } catch (const AppError &e) {
        if (e.number() != 6)
            fault("leadingNumber raised another error than Overflow", 0, text, e.description());
        if (!tooLarge(text))
            fault("leadingNumber overflows on a number a double holds", 0, text, {});
    }
}

template <typename Int, typename Convert>
void checkInteger(double value, Convert convert, const char *name)
{
    const double rounded = std::nearbyint(value); // the default mode rounds half to even
    const bool inRange = std::isfinite(value) && rounded >= std::numeric_limits<Int>::min() &&
                         rounded <= std::numeric_limits<Int>::max();
    try {
        const Int result = convert(value);
        if (!inRange || static_cast<double>(result) != rounded)
            fault(name, value, {}, QString::number(result));
    } catch (const AppError &e) {
        if (inRange || e.number() != 6)
            fault(name, value, {}, e.description());
    }
}

void checkValue(double value, const QString &pattern)
{
    const QString formatted = vb::formatNumber(value, pattern);
    const QString plain = vb::plainNumber(value);
    checkInteger<qint16>(value, vb::toInteger16, "toInteger16");
    checkInteger<qint32>(value, vb::toLong32, "toLong32");
    // At 15 digits the largest doubles round past the largest double: such text reads back as
    // no number, rightly.
    if (!std::isfinite(value) || std::fabs(value) >= 1e308)
        return;

    if (!formatted.isEmpty() && !vb::isNumeric(formatted))
        fault("formatNumber wrote what isNumeric refuses", value, pattern, formatted);
    for (const QChar c : formatted)
        if (!c.isDigit() && !QStringLiteral(",.-").contains(c))
            fault("formatNumber wrote another character", value, pattern, formatted);
    const double precision = std::fabs(value) * 1e-14 + std::numeric_limits<double>::denorm_min();
    const double half = 0.5 * std::pow(10.0, -patternDecimals(pattern)) * (1 + 1e-9);
    if (std::fabs(vb::numericValue(formatted) - value) > half + precision)
        fault("formatNumber is off by more than its rounding", value, pattern, formatted);

    if (!vb::isNumeric(plain))
        fault("plainNumber wrote what isNumeric refuses", value, {}, plain);
    const double back = vb::numericValue(plain);
    if (std::fabs(back - value) > precision)
        fault("plainNumber does not read back", value, {}, plain);
    if (vb::leadingNumber(plain) != back)
        fault("leadingNumber and numericValue read plainNumber differently", value, {}, plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    double raw = 0;
    if (size >= sizeof raw) {
        std::memcpy(&raw, data, sizeof raw);
        data += sizeof raw;
        size -= sizeof raw;
    }
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype lineBreak = input.indexOf(QLatin1Char('\n'));
    const QString text = lineBreak < 0 ? input : input.left(lineBreak);
    const QString pattern = lineBreak < 0 ? QString() : input.mid(lineBreak + 1);

    checkText(text);
    checkText(pattern);
    checkValue(raw, pattern);
    checkValue(vb::numericValue(text), pattern);
    return 0;
}

#include "app/modEncryption.h"

#include <QList>

namespace modEncryption {

namespace {

// The characters of Windows-1252 at the codes 0x80 to 0x9F. The five codes the code page leaves
// undefined keep their own value, as Windows converts them.
constexpr char32_t kCodes80To9F[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr int kUnmappable = '?';

// The single-byte code of one character, as the stored passwords were made with.
int ansiCode(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return int(c);
    for (int i = 0; i < 32; ++i) {
        if (kCodes80To9F[i] == c)
            return 0x80 + i;
    }
    return kUnmappable;
}

QString hexField(int value)
{
    return QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char(' '));
}

} // namespace

QString EncryptText(const QString &mode, const QString &key, const QString &text)
{
    if (mode != QLatin1String("E"))
        return text;

    QList<int> keyCodes;
    for (char32_t c : key.toUcs4())
        keyCodes << ansiCode(c);
    const int keyLength = int(keyCodes.size());

    int previous = 91;
    QString result = hexField(previous);
    int position = 0; // 1-based once used; 0 before the first character
    // toUcs4() gives one value per character, a pair of surrogates included, and U+FFFD for a
    // lone surrogate, so every character typed counts once.
    for (char32_t c : text.toUcs4()) {
        int value = (ansiCode(c) + previous) % 255;
        position = position < keyLength ? position + 1 : 1;
        if (keyLength > 0)
            value ^= keyCodes[position - 1];
        result += hexField(value);
        previous = value;
    }
    return result;
}

} // namespace modEncryption

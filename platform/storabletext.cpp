#include "platform/storabletext.h"

namespace {

// Ordinary text is below the surrogates and not NUL: one comparison decides.
bool needsALook(char16_t c)
{
    return c >= 0xD800 ? (c <= 0xDFFF || c == 0xFEFF || c == 0xFFFE) : c == 0;
}

} // namespace

bool isStorableText(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    for (; p != end; ++p) {
        if (!needsALook(*p))
            continue;
        if (QChar::isHighSurrogate(*p) && p + 1 != end && QChar::isLowSurrogate(p[1])) {
            ++p;
            continue;
        }
        return false;
    }
    return true;
}

QString storableText(const QString &text)
{
    if (isStorableText(text))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0 || c == 0xFEFF || c == 0xFFFE)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            out += text.at(i);
            out += text.at(++i);
        } else if (QChar::isSurrogate(c)) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += QChar(c);
        }
    }
    return out;
}

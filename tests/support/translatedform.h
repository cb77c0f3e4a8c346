#pragma once

// A translated statement read as a list of items in which a literal written in the text and a
// value bound to a "?" look the same ("text:x", "int:-5", "real:1.25"): the translation of a
// statement's shape, with the values lifted out of it, reads exactly as the translation of the
// statement as written, or the shaping lifted a literal the translator reads differently. Header
// only: the fuzz targets include it as well as the tests.
#include "platform/db/dialect.h"
#include "platform/db/tsqltokens.h"
#include "platform/error.h"

#include <QStringList>
#include <QVariant>

namespace testsupport {

inline QString valueItem(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("null");
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QStringLiteral("int:") + QString::number(v.toLongLong());
    case QMetaType::Double:
        return QStringLiteral("real:") + QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QString:
        return QStringLiteral("text:") + v.toString();
    default:
        return QString::fromLatin1(v.typeName()) + QLatin1Char(':') + v.toString();
    }
}

// A number literal as the value it writes: a whole number that fits 64 bits, or a decimal.
inline QString numberItem(const QString &text, bool negative)
{
    bool ok = false;
    if (!text.contains(QLatin1Char('.'))) {
        const qlonglong whole = text.toLongLong(&ok);
        if (ok)
            return valueItem(negative ? -whole : whole);
    } else {
        const double decimal = text.toDouble(&ok);
        if (ok)
            return valueItem(negative ? -decimal : decimal);
    }
    return QStringLiteral("number:") + (negative ? QStringLiteral("-") : QString()) + text;
}

inline QStringList translatedForm(const db::Statement &s)
{
    QStringList items;
    int bound = 0;
    bool afterValue = false; // a "-" after a value subtracts; anywhere else it is a sign
    const QVector<db::Token> tokens = db::tokenize(s.sql);
    for (int i = 0; i < tokens.size(); ++i) {
        const db::Token &t = tokens.at(i);
        if (!t.significant())
            continue;
        int next = i + 1;
        while (next < tokens.size() && !tokens.at(next).significant())
            ++next;
        if (t.isPunct(QLatin1String("?"))) {
            items << (bound < s.params.size() ? valueItem(s.params.at(bound++))
                                              : QStringLiteral("unbound ?"));
        } else if (t.kind == db::Token::String) {
            items << QStringLiteral("text:") + t.stringValue();
        } else if (t.kind == db::Token::Number) {
            items << numberItem(t.text, false);
        } else if (!afterValue && t.isPunct(QLatin1String("-")) && next < tokens.size() &&
                   tokens.at(next).kind == db::Token::Number) {
            items << numberItem(tokens.at(next).text, true);
            i = next;
        } else {
            items << t.text;
        }
        const db::Token &last = tokens.at(i);
        afterValue = last.kind == db::Token::Number || last.kind == db::Token::String ||
                     last.kind == db::Token::Word || last.kind == db::Token::QuotedName ||
                     last.isPunct(QLatin1String(")")) || last.isPunct(QLatin1String("?"));
    }
    for (; bound < s.params.size(); ++bound)
        items << QStringLiteral("extra value ") + valueItem(s.params.at(bound));
    for (const QString &lock : s.lockFirst)
        items << QStringLiteral("lock first: ") + lock;
    QStringList spellings;
    for (auto it = s.spellings.cbegin(); it != s.spellings.cend(); ++it)
        spellings << QStringLiteral("spelling: %1 %2").arg(it.key(), it.value());
    spellings.sort();
    return items + spellings;
}

// The dialect's translation of the statement in that form; a refusal is one item.
inline QStringList translatedForm(const db::Dialect &dialect, const QString &tsql,
                                  const QVariantList &params)
{
    try {
        return translatedForm(dialect.translate(tsql, params));
    } catch (const AppError &) {
        return {QStringLiteral("refused")};
    }
}

} // namespace testsupport

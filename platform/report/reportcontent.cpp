#include "platform/report/reportcontent.h"

#include "platform/error.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace report {

namespace {

// Reports are written the same way on every machine: "," groups thousands, "." marks decimals.
const QLocale &reportLocale()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

bool isIdentifier(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

// 15 significant digits: what the value was meant to be, before binary fractions crept in.
double decimalValue(double value)
{
    return QString::number(value, 'g', 15).toDouble();
}

} // namespace

// --- ValueFormat ---------------------------------------------------------------------------------

bool ValueFormat::parse(const QString &text, ValueFormat &format, QString &error)
{
    format = ValueFormat();
    const QString written = text.trimmed();
    if (written.isEmpty())
        return true;
    const QString word = written.section(QLatin1Char(' '), 0, 0).toLower();
    const QString rest = written.section(QLatin1Char(' '), 1).trimmed();
    if (word == QLatin1String("number")) {
        static const QRegularExpression digits(QStringLiteral("^(\\d)(?:-(\\d))?$"));
        const auto match = digits.match(rest);
        if (!match.hasMatch()) {
            error = QStringLiteral("\"%1\": a number format gives its decimals, as in \"number 2\" "
                                   "or \"number 0-4\"")
                        .arg(written);
            return false;
        }
        format.kind = Kind::Number;
        format.minDecimals = match.captured(1).toInt();
        format.maxDecimals =
            match.captured(2).isEmpty() ? format.minDecimals : match.captured(2).toInt();
        if (format.maxDecimals < format.minDecimals) {
            error =
                QStringLiteral("\"%1\": the most decimals are fewer than the least").arg(written);
            return false;
        }
        return true;
    }
    if (word == QLatin1String("date")) {
        if (rest.isEmpty()) {
            error = QStringLiteral("\"%1\": a date format gives its pattern, as in "
                                   "\"date MM/dd/yyyy\"")
                        .arg(written);
            return false;
        }
        format.kind = Kind::Date;
        format.pattern = rest;
        return true;
    }
    error = QStringLiteral("\"%1\" is not a format (number or date)").arg(written);
    return false;
}

QString ValueFormat::applyNumber(double value) const
{
    // Half away from zero on the decimal value, not on its binary neighbour.
    const double scale = std::pow(10.0, maxDecimals);
    double rounded = std::round(decimalValue(decimalValue(value) * scale)) / scale;
    if (rounded == 0.0)
        rounded = 0.0; // no "-0.00"
    QString text = reportLocale().toString(rounded, 'f', maxDecimals);
    const QChar point = reportLocale().decimalPoint().at(0);
    for (int dropped = 0; dropped < maxDecimals - minDecimals && text.endsWith(QLatin1Char('0'));
         ++dropped)
        text.chop(1);
    if (text.endsWith(point))
        text.chop(1);
    return text;
}

QString ValueFormat::apply(const db::Field &value) const
{
    if (value.IsNull())
        return QString();
    try {
        switch (kind) {
        case Kind::Plain:
            break;
        case Kind::Number:
            return applyNumber(value.toDouble());
        case Kind::Date: {
            const QDateTime date = value.toDate();
            if (date.isValid())
                return reportLocale().toString(date, pattern);
            break;
        }
        }
    } catch (const AppError &) {
        // Written as it is below.
    }
    return value.toText();
}

// --- Records
// ---------------------------------------------------------------------------------------

Records::Records(const db::Recordset &rows) : m_rows(rows)
{
    if (!m_rows.IsOpen())
        return;
    m_count = m_rows.RecordCount();
    m_columns = m_rows.FieldNames();
    for (int c = 0; c < m_columns.size(); ++c) {
        const QString key = m_columns.at(c).toLower();
        if (!m_index.contains(key))
            m_index.insert(key, c);
    }
}

bool Records::hasColumn(const QString &name) const
{
    return m_index.contains(name.toLower());
}

db::Field Records::field(int row, const QString &name) const
{
    const int column = m_index.value(name.toLower(), -1);
    if (column < 0 || row < 0 || row >= m_count)
        return db::Field(name, QVariant());
    return db::Field(name, m_rows.value(row, column));
}

double Records::sum(const QString &name) const
{
    const QString key = name.toLower();
    const auto cached = m_sums.constFind(key);
    if (cached != m_sums.constEnd())
        return *cached;
    double total = 0;
    for (int row = 0; row < m_count; ++row) {
        const db::Field value = field(row, name);
        try {
            if (!value.IsNull())
                total += value.toDouble();
        } catch (const AppError &) {
            // Not a number: counts nothing.
        }
    }
    m_sums.insert(key, total);
    return total;
}

// --- Content
// ---------------------------------------------------------------------------------------

namespace {

bool readPlaceholder(const QString &inner, Content::Piece &piece, QString &error)
{
    using Kind = Content::Piece::Kind;
    const int colon = inner.indexOf(QLatin1Char(':'));
    const QString name = (colon < 0 ? inner : inner.left(colon)).trimmed();
    if (colon >= 0 && !ValueFormat::parse(inner.mid(colon + 1), piece.format, error))
        return false;
    const auto bad = [&] {
        error = QStringLiteral("\"{%1}\" is not a placeholder").arg(inner);
        return false;
    };
    if (name.startsWith(QLatin1Char('?'))) {
        QString bare = name.mid(1);
        if (bare.startsWith(QLatin1Char('@')))
            bare = bare.mid(1);
        if (!isIdentifier(bare))
            return bad();
        piece.kind = Kind::Parameter;
        piece.name = QLatin1Char('{') + name + QLatin1Char('}');
        return true;
    }
    if (name.startsWith(QLatin1Char('@'))) {
        if (!isIdentifier(name.mid(1)))
            return bad();
        piece.kind = Kind::TextField;
        piece.name = name.mid(1);
        return true;
    }
    if (name.startsWith(QLatin1Char('#'))) {
        const QString special = name.mid(1).toLower();
        static const QRegularExpression sum(
            QStringLiteral("^sum\\(\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*\\)$"),
            QRegularExpression::CaseInsensitiveOption);
        const auto match = sum.match(special);
        if (match.hasMatch()) {
            piece.kind = Kind::Sum;
            piece.name =
                name.mid(1).section(QLatin1Char('('), 1).section(QLatin1Char(')'), 0, 0).trimmed();
            return true;
        }
        if (special == QLatin1String("page"))
            piece.kind = Kind::Page;
        else if (special == QLatin1String("pages"))
            piece.kind = Kind::Pages;
        else if (special == QLatin1String("count"))
            piece.kind = Kind::Count;
        else if (special == QLatin1String("printdate"))
            piece.kind = Kind::PrintDate;
        else
            return bad();
        return true;
    }
    if (!isIdentifier(name))
        return bad();
    piece.kind = Kind::Field;
    piece.name = name;
    return true;
}

} // namespace

bool Content::parse(const QString &text, Content &content, QString &error)
{
    content.m_pieces.clear();
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty())
            content.m_pieces.append({Piece::Kind::Literal, literal, {}});
        literal.clear();
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool doubled = i + 1 < text.size() && text.at(i + 1) == c;
        if (c == QLatin1Char('}')) {
            if (!doubled) {
                error =
                    QStringLiteral("a \"}\" closes no placeholder (write \"}}\" for the brace)");
                return false;
            }
            literal += c;
            ++i;
        } else if (c == QLatin1Char('{')) {
            if (doubled) {
                literal += c;
                ++i;
                continue;
            }
            const int close = text.indexOf(QLatin1Char('}'), i + 1);
            if (close < 0) {
                error = QStringLiteral("a \"{\" is never closed");
                return false;
            }
            Piece piece;
            if (!readPlaceholder(text.mid(i + 1, close - i - 1), piece, error))
                return false;
            flush();
            content.m_pieces.append(piece);
            i = close;
        } else {
            literal += c;
        }
    }
    flush();
    return true;
}

bool Content::dependsOnPage() const
{
    for (const Piece &piece : m_pieces) {
        if (piece.kind == Piece::Kind::Page || piece.kind == Piece::Kind::Pages)
            return true;
    }
    return false;
}

QStringList Content::fields() const
{
    QStringList names;
    for (const Piece &piece : m_pieces) {
        if (piece.kind == Piece::Kind::Field || piece.kind == Piece::Kind::Sum)
            names << piece.name;
    }
    return names;
}

QStringList Content::parameters() const
{
    QStringList names;
    for (const Piece &piece : m_pieces) {
        if (piece.kind == Piece::Kind::Parameter)
            names << piece.name;
    }
    return names;
}

QString Content::expand(const ValueContext &context) const
{
    QString out;
    for (const Piece &piece : m_pieces) {
        switch (piece.kind) {
        case Piece::Kind::Literal:
            out += piece.name;
            break;
        case Piece::Kind::Field:
            if (context.records)
                out += piece.format.apply(context.records->field(context.row, piece.name));
            break;
        case Piece::Kind::Parameter:
            if (context.parameters)
                out += piece.format.apply(
                    db::Field(piece.name, context.parameters->value(piece.name)));
            break;
        case Piece::Kind::TextField:
            if (context.textFields)
                out += context.textFields->value(piece.name);
            break;
        case Piece::Kind::Page:
            out += QString::number(context.page);
            break;
        case Piece::Kind::Pages:
            out += QString::number(context.pages);
            break;
        case Piece::Kind::Count:
            out += QString::number(context.records ? context.records->count() : 0);
            break;
        case Piece::Kind::PrintDate:
            out += piece.format.apply(db::Field(QStringLiteral("PrintDate"), context.printedAt));
            break;
        case Piece::Kind::Sum:
            if (context.records) {
                const double total = context.records->sum(piece.name);
                out += piece.format.kind == ValueFormat::Kind::Number
                           ? piece.format.applyNumber(total)
                           : db::Field(piece.name, total).toText();
            }
            break;
        }
    }
    return out;
}

} // namespace report

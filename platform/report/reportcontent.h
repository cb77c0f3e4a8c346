#pragma once

#include "platform/db/recordset.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace report {

// How a value is written: as the database gives it, as a number with thousands grouping, or as a
// date. Written in a template as "number 2" (two decimals), "number 0-4" (up to four decimals,
// trailing zeros dropped) or "date MM/dd/yyyy hh:mm AP".
struct ValueFormat
{
    enum class Kind { Plain, Number, Date };

    Kind kind = Kind::Plain;
    int minDecimals = 0;
    int maxDecimals = 0;
    QString pattern; // for dates

    // Reads a format; an empty text is Plain. Returns false (and says why) for anything else.
    static bool parse(const QString &text, ValueFormat &format, QString &error);

    // Null gives "". A value the format cannot read (a word where a number is due) is written as
    // it is rather than failing the whole report.
    QString apply(const db::Field &value) const;
    QString applyNumber(double value) const;
};

// The query's rows as the bands and columns read them. Copies share the rows.
class Records
{
public:
    Records() = default;
    explicit Records(const db::Recordset &rows);

    int count() const { return m_count; }
    const QStringList &columns() const { return m_columns; }
    bool hasColumn(const QString &name) const;
    // The named column of a row; a Null field for a row out of range (a report with no rows).
    db::Field field(int row, const QString &name) const;
    // The column's total over every row, Null and unreadable values counting 0.
    double sum(const QString &name) const;

private:
    db::Recordset m_rows;
    int m_count = 0;
    QStringList m_columns;
    QHash<QString, int> m_index; // lower-case name -> column
    mutable QHash<QString, double> m_sums;
};

// What a placeholder is filled from when a text is written out.
struct ValueContext
{
    const Records *records = nullptr;
    int row = 0;                                          // the record fields are read from
    const QHash<QString, QVariant> *parameters = nullptr; // by field name, "{?Name}"
    const QHash<QString, QString> *textFields = nullptr;  // by name, "CompanyName"
    int page = 1;
    int pages = 1;
    QDateTime printedAt;
};

// A text of a template with its placeholders, read once when the template is loaded:
//   {Field} {Field:format}     a column of the query (bands read the first row)
//   {?Name}                     a parameter field's value
//   {@Name}                     a text field the program sets ("{@CompanyName}")
//   {#Page} {#Pages} {#Count}   page number, page count, number of rows
//   {#PrintDate:format}         when the report was run
//   {#Sum(Field):format}        a column's total
//   {{ and }}                   literal braces
class Content
{
public:
    struct Piece
    {
        enum class Kind {
            Literal,
            Field,
            Parameter,
            TextField,
            Page,
            Pages,
            Count,
            PrintDate,
            Sum
        };
        Kind kind = Kind::Literal;
        QString name; // the literal text, the column, "{?Name}" or the text field's name
        ValueFormat format;
    };

    Content() = default;
    // Returns false (and says why) for a text that does not read.
    static bool parse(const QString &text, Content &content, QString &error);

    const QVector<Piece> &pieces() const { return m_pieces; }
    bool isEmpty() const { return m_pieces.isEmpty(); }
    bool dependsOnPage() const;
    // The query columns and parameter fields the text reads.
    QStringList fields() const;
    QStringList parameters() const;

    QString expand(const ValueContext &context) const;

private:
    QVector<Piece> m_pieces;
};

} // namespace report

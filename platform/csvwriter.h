#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// Tables written as CSV files that a spreadsheet opens as they were meant: UTF-8 with a byte-order
// mark (so accented names are not read in the workstation's code page), a comma between fields,
// CRLF at the end of every line, and a field quoted (its quote marks doubled) whenever it holds a
// comma, a quote mark or a line break. Values keep their kind: numbers are written as plain digits
// with '.' before the decimals and no grouping, dates as ISO dates, so the spreadsheet reads them
// as numbers and dates whatever its own locale shows them as.
namespace csv {

// A number known exactly as decimal text ("1234.5000", "-3"), written as it is: money read from
// a grid that must not go through a double on its way to the file.
struct Decimal
{
    QString digits;
};

// Decimal text from a number as people write it: grouping commas dropped ("1,234.50" gives
// "1234.50"); nothing when the text is no plain decimal number.
std::optional<Decimal> decimalFromText(const QString &text);

// One value as a CSV field, quoted where it needs to be:
//   null or invalid              empty
//   integers                     their digits
//   double, float                the shortest digits that read back as the same value, never in
//                                exponent form ("0.1", "1234.5", "100000000000000000000");
//                                infinities and NaN are written empty
//   csv::Decimal                 its digits when they are a plain decimal number, else as text
//   bool                         TRUE or FALSE
//   QDate / QDateTime / QTime    yyyy-MM-dd / yyyy-MM-dd HH:mm:ss / HH:mm:ss (invalid: empty)
//   anything else                its text
QString field(const QVariant &value);

// The whole file's bytes: the byte-order mark, the header line, then one line per row.
QByteArray document(const QStringList &headers, const QList<QVariantList> &rows);

// Writes the file whole or not at all (an existing file is replaced only once the new one is
// complete). False, with the reason in error, when it could not be written.
bool writeFile(const QString &path, const QStringList &headers, const QList<QVariantList> &rows,
               QString *error);

} // namespace csv

Q_DECLARE_METATYPE(csv::Decimal)

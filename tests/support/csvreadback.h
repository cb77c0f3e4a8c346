#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {

// A CSV file as a spreadsheet-minded reader sees it: read by Python's csv module (python3, with
// the byte-order mark taken off as "utf-8-sig" does), each field as a cell. Beside each cell, the
// kind Python reads it as: "number" when float() takes it, "date" when datetime.fromisoformat()
// does (and it is no number), "text" otherwise. A failure to run Python or to parse fails the
// test through QTest and gives nothing.
struct CsvCell
{
    QString text;
    QString kind;
};
QList<QList<CsvCell>> readCsvWithPython(const QString &path);

// The cells of the rows read, as text only.
QList<QStringList> cellTexts(const QList<QList<CsvCell>> &rows);

} // namespace testsupport

#include "support/csvreadback.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

namespace testsupport {

namespace {

const char *Reader = R"(
import csv, datetime, json, sys

def kind(text):
    try:
        float(text)
        return "number"
    except ValueError:
        pass
    try:
        datetime.datetime.fromisoformat(text)
        return "date"
    except ValueError:
        return "text"

with open(sys.argv[1], newline="", encoding="utf-8-sig") as f:
    rows = [[[cell, kind(cell)] for cell in row] for row in csv.reader(f, strict=True)]
sys.stdout.write(json.dumps(rows))
)";

} // namespace

QList<QList<CsvCell>> readCsvWithPython(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QString::fromLatin1(Reader), path});
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("python3 could not read %1: %2 %3")
                                    .arg(path, python.errorString(),
                                         QString::fromUtf8(python.readAllStandardError()))),
                     __FILE__, __LINE__);
        return {};
    }
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError || !json.isArray()) {
        QTest::qFail(qPrintable(error.errorString()), __FILE__, __LINE__);
        return {};
    }
    QList<QList<CsvCell>> rows;
    for (const QJsonValue &row : json.array()) {
        QList<CsvCell> cells;
        for (const QJsonValue &cell : row.toArray())
            cells << CsvCell{cell.toArray().at(0).toString(), cell.toArray().at(1).toString()};
        rows << cells;
    }
    return rows;
}

QList<QStringList> cellTexts(const QList<QList<CsvCell>> &rows)
{
    QList<QStringList> texts;
    for (const QList<CsvCell> &row : rows) {
        QStringList cells;
        for (const CsvCell &cell : row)
            cells << cell.text;
        texts << cells;
    }
    return texts;
}

} // namespace testsupport

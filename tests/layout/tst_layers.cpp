// The folders are layers and the includes point down only: the database layer (platform/db, on
// the error type and the storable-text rule beneath it) <- the rest of platform <- app <- objects
// <- dialogs <- request <- startup. The product includes nothing of the tests, and only
// platform/db speaks to QtSql and to the engines' own libraries. That the database layer knows no
// widgets the build keeps: its library links neither Qt's widgets nor its GUI.
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// The program's layers from the bottom up, each by its name and the starts of its files' paths.
struct Layer
{
    QString name;
    QStringList starts;
};
const QVector<Layer> Layers = {
    {QStringLiteral("platform/ (its base)"),
     {QStringLiteral("platform/error."), QStringLiteral("platform/storabletext.")}},
    {QStringLiteral("platform/db/"), {QStringLiteral("platform/db/")}},
    {QStringLiteral("platform/"), {QStringLiteral("platform/")}},
    {QStringLiteral("app/"), {QStringLiteral("app/")}},
    {QStringLiteral("objects/"), {QStringLiteral("objects/")}},
    {QStringLiteral("dialogs/"), {QStringLiteral("dialogs/")}},
    {QStringLiteral("request/"), {QStringLiteral("request/")}},
    {QStringLiteral("startup/"), {QStringLiteral("startup/")}},
};
const int DatabaseLayer = 1;

// The layer of a file by its path from the root: the longest start it has; -1 for none.
int layerOf(const QString &path)
{
    int found = -1;
    qsizetype longest = 0;
    for (int layer = 0; layer < Layers.size(); ++layer)
        for (const QString &start : Layers.at(layer).starts)
            if (path.startsWith(start) && start.size() > longest) {
                found = layer;
                longest = start.size();
            }
    return found;
}

// Headers of QtSql and of the engines' own client libraries.
bool speaksToEngines(const QString &header)
{
    static const QStringList native = {QStringLiteral("sqlite3.h"), QStringLiteral("libpq-fe.h"),
                                       QStringLiteral("sql.h"), QStringLiteral("sqlext.h")};
    return header.startsWith(QLatin1String("QSql")) || header.startsWith(QLatin1String("QtSql")) ||
           native.contains(header);
}

// Every include in the layers under root that breaks the rules, as "file:line: why".
QStringList layerViolations(const QString &root)
{
    static const QRegularExpression quoted(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""));
    static const QRegularExpression angled(QStringLiteral("^\\s*#\\s*include\\s*<([^>]+)>"));
    const QDir rootDir(root);
    QStringList out;
    for (const QString &folder :
         {QStringLiteral("platform"), QStringLiteral("app"), QStringLiteral("objects"),
          QStringLiteral("dialogs"), QStringLiteral("request"), QStringLiteral("startup")}) {
        QDirIterator files(rootDir.filePath(folder),
                           {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString relative = rootDir.relativeFilePath(path);
            const int layer = layerOf(relative);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                out << relative + QStringLiteral(": cannot be read");
                continue;
            }
            QTextStream in(&file);
            for (int number = 1; !in.atEnd(); ++number) {
                const QString line = in.readLine();
                const QString where = QStringLiteral("%1:%2: ").arg(relative).arg(number);
                if (const auto m = angled.match(line); m.hasMatch()) {
                    const QString header = m.captured(1);
                    if (layer != DatabaseLayer && speaksToEngines(header))
                        out << where + header + QStringLiteral(" outside platform/db/");
                    continue;
                }
                const auto m = quoted.match(line);
                if (!m.hasMatch())
                    continue;
                const QString header = m.captured(1);
                const int target = header.contains(QLatin1Char('/')) ? layerOf(header) : -1;
                if (target < 0)
                    out << where + header + QStringLiteral(" is not in the program's layers");
                else if (target > layer)
                    out << where + header +
                               QStringLiteral(" is in %1, a layer above %2")
                                   .arg(Layers.at(target).name, Layers.at(layer).name);
            }
        }
    }
    out.sort();
    return out;
}

void write(const QTemporaryDir &dir, const QString &file, const QString &text)
{
    QDir(dir.path()).mkpath(QFileInfo(dir.filePath(file)).path());
    QFile out(dir.filePath(file));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Text));
    out.write(text.toUtf8());
}

} // namespace

class TestLayers : public QObject
{
    Q_OBJECT

private slots:
    void theProgramKeepsItsLayers()
    {
        const QStringList violations = layerViolations(QStringLiteral(SOURCE_DIR));
        QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QLatin1Char('\n'))));
    }

    // The check itself, on a small tree with one file of each kind of fault beside sound ones.
    void theCheckFindsEachKindOfFault()
    {
        QTemporaryDir dir;
        write(dir, QStringLiteral("platform/db/a.cpp"),
              QStringLiteral("#include \"platform/db/a.h\"\n#include <QSqlQuery>\n"));
        write(dir, QStringLiteral("app/b.cpp"), QStringLiteral("#include \"platform/db/a.h\"\n"));
        write(dir, QStringLiteral("objects/c.cpp"),
              QStringLiteral("#include \"app/b.h\"\n  #  include \"dialogs/d.h\"\n"));
        write(dir, QStringLiteral("dialogs/d.h"),
              QStringLiteral("#pragma once\n#include <QSqlError>\n#include \"support/modal.h\"\n"));
        write(dir, QStringLiteral("request/e.cpp"), QStringLiteral("#include \"startup/f.h\"\n"));
        write(dir, QStringLiteral("startup/f.cpp"),
              QStringLiteral("#include \"request/e.h\"\n#include \"f.h\"\n"));
        write(dir, QStringLiteral("platform/db/g.cpp"),
              QStringLiteral("#include <libpq-fe.h>\n#include \"platform/error.h\"\n"
                             "#include \"platform/ui/h.h\"\n"));
        write(dir, QStringLiteral("platform/session/i.cpp"),
              QStringLiteral("#include \"platform/db/g.h\"\n#include <sqlite3.h>\n"
                             "#include <QSqlQuery>\n"));
        write(dir, QStringLiteral("platform/storabletext.cpp"),
              QStringLiteral("#include \"platform/db/g.h\"\n"));
        QCOMPARE(
            layerViolations(dir.path()),
            (QStringList{
                QStringLiteral("dialogs/d.h:2: QSqlError outside platform/db/"),
                QStringLiteral("dialogs/d.h:3: support/modal.h is not in the program's layers"),
                QStringLiteral("objects/c.cpp:2: dialogs/d.h is in dialogs/, a layer above "
                               "objects/"),
                QStringLiteral("platform/db/g.cpp:3: platform/ui/h.h is in platform/, a layer "
                               "above platform/db/"),
                QStringLiteral("platform/session/i.cpp:2: sqlite3.h outside platform/db/"),
                QStringLiteral("platform/session/i.cpp:3: QSqlQuery outside platform/db/"),
                QStringLiteral("platform/storabletext.cpp:1: platform/db/g.h is in platform/db/, "
                               "a layer above platform/ (its base)"),
                QStringLiteral("request/e.cpp:1: startup/f.h is in startup/, a layer above "
                               "request/"),
                QStringLiteral("startup/f.cpp:2: f.h is not in the program's layers"),
            }));
    }
};

INVENTORY_TEST_MAIN(TestLayers)
#include "tst_layers.moc"

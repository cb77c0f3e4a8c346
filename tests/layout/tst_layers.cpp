// The folders are layers and the includes point down only: platform <- app <- objects <- dialogs
// <- request <- startup. The product includes nothing of the tests, and only platform/ speaks to
// QtSql.
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// The program's folders from the bottom layer up.
const QStringList Layers = {QStringLiteral("platform"), QStringLiteral("app"),
                            QStringLiteral("objects"),  QStringLiteral("dialogs"),
                            QStringLiteral("request"),  QStringLiteral("startup")};

// Every include in the layers under root that breaks the rules, as "file:line: why".
QStringList layerViolations(const QString &root)
{
    static const QRegularExpression quoted(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""));
    static const QRegularExpression angled(QStringLiteral("^\\s*#\\s*include\\s*<([^>]+)>"));
    const QDir rootDir(root);
    QStringList out;
    for (int layer = 0; layer < Layers.size(); ++layer) {
        QDirIterator files(rootDir.filePath(Layers.at(layer)),
                           {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
                out << rootDir.relativeFilePath(path) + QStringLiteral(": cannot be read");
                continue;
            }
            QTextStream in(&file);
            for (int number = 1; !in.atEnd(); ++number) {
                const QString line = in.readLine();
                const QString where =
                    QStringLiteral("%1:%2: ").arg(rootDir.relativeFilePath(path)).arg(number);
                if (const auto m = angled.match(line); m.hasMatch()) {
                    const QString header = m.captured(1);
                    if (layer != 0 && (header.startsWith(QLatin1String("QSql")) ||
                                       header.startsWith(QLatin1String("QtSql"))))
                        out << where + header + QStringLiteral(" outside platform/");
                    continue;
                }
                const auto m = quoted.match(line);
                if (!m.hasMatch())
                    continue;
                const QString header = m.captured(1);
                const int target = Layers.indexOf(header.section(QLatin1Char('/'), 0, 0));
                if (target < 0 || !header.contains(QLatin1Char('/')))
                    out << where + header + QStringLiteral(" is not in the program's layers");
                else if (target > layer)
                    out << where + header +
                               QStringLiteral(" is in %1/, a layer above %2/")
                                   .arg(Layers.at(target), Layers.at(layer));
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
        QCOMPARE(
            layerViolations(dir.path()),
            (QStringList{
                QStringLiteral("dialogs/d.h:2: QSqlError outside platform/"),
                QStringLiteral("dialogs/d.h:3: support/modal.h is not in the program's layers"),
                QStringLiteral("objects/c.cpp:2: dialogs/d.h is in dialogs/, a layer above "
                               "objects/"),
                QStringLiteral("request/e.cpp:1: startup/f.h is in startup/, a layer above "
                               "request/"),
                QStringLiteral("startup/f.cpp:2: f.h is not in the program's layers"),
            }));
    }
};

INVENTORY_TEST_MAIN(TestLayers)
#include "tst_layers.moc"

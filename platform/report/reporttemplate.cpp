#include "platform/report/reporttemplate.h"

#include "platform/report/reporterror.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace report {

namespace {

struct Line
{
    int number;
    QString text;
};

const QStringList SectionNames = {
    QStringLiteral("report"),      QStringLiteral("styles"),        QStringLiteral("tables"),
    QStringLiteral("parameters"),  QStringLiteral("query"),         QStringLiteral("columns"),
    QStringLiteral("page header"), QStringLiteral("report footer"), QStringLiteral("page footer")};

bool isIdentifier(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

class Parser
{
public:
    explicit Parser(QString name) : m_name(std::move(name)) {}

    ReportTemplate run(const QString &text)
    {
        split(text);
        m_line = 0;
        if (!m_sections.contains(QStringLiteral("report")))
            fail(QStringLiteral("there is no [Report] section; this is not a report template"));
        readStyles();
        readReport();
        readTables();
        readParameters();
        readQuery();
        readColumns();
        m_template.pageHeader = readBand(QStringLiteral("page header"));
        m_template.reportFooter = readBand(QStringLiteral("report footer"));
        m_template.pageFooter = readBand(QStringLiteral("page footer"));
        return m_template;
    }

private:
    [[noreturn]] void fail(const QString &what) const
    {
        QString where = QStringLiteral("The report template \"%1\" cannot be used: ").arg(m_name);
        if (m_line > 0)
            where += QStringLiteral("line %1: ").arg(m_line);
        throw ReportError(ReportError::Kind::Template, where + what + QLatin1Char('.'));
    }

    void split(const QString &text)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        QString section;
        for (int i = 0; i < lines.size(); ++i) {
            m_line = i + 1;
            QString line = lines.at(i);
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            const QString trimmed = line.trimmed();
            const bool inQuery = section == QLatin1String("query");
            if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
                section = trimmed.mid(1, trimmed.size() - 2).simplified().toLower();
                if (!SectionNames.contains(section))
                    fail(QStringLiteral("there is no section %1").arg(trimmed));
                if (m_sections.contains(section))
                    fail(QStringLiteral("the section %1 comes twice").arg(trimmed));
                m_sections.insert(section, {});
                continue;
            }
            if (trimmed.isEmpty() || (!inQuery && (trimmed.startsWith(QLatin1Char('#')) ||
                                                   trimmed.startsWith(QLatin1Char(';')))))
                continue;
            if (section.isEmpty())
                fail(QStringLiteral("text before the first section"));
            m_sections[section].append({m_line, inQuery ? line : trimmed});
        }
    }

    // "key = value" lines of a section, the key in lower case.
    QVector<QPair<QString, QString>> pairs(const QString &section, bool needValue = true)
    {
        QVector<QPair<QString, QString>> out;
        for (const Line &line : m_sections.value(section)) {
            m_line = line.number;
            const int eq = line.text.indexOf(QLatin1Char('='));
            if (eq < 0 && needValue)
                fail(QStringLiteral("\"%1\" is not a \"name = value\" line").arg(line.text));
            const QString key = eq < 0 ? line.text : line.text.left(eq).trimmed();
            out.append({key, eq < 0 ? QString() : line.text.mid(eq + 1).trimmed()});
        }
        return out;
    }

    void readStyles()
    {
        StyleDef normal;
        normal.name = QStringLiteral("normal");
        StyleDef heading;
        heading.name = QStringLiteral("heading");
        heading.points = 8;
        heading.bold = true;
        heading.shaded = true;
        m_template.styles = {normal, heading};
        m_template.detailStyle = 0;
        m_template.headingStyle = 1;
        for (const auto &[name, value] : pairs(QStringLiteral("styles"))) {
            if (!isIdentifier(name))
                fail(QStringLiteral("\"%1\" is not a style name").arg(name));
            StyleDef style;
            style.name = name.toLower();
            const QStringList parts = value.split(QLatin1Char(','));
            bool ok = parts.size() >= 2;
            style.family = parts.value(0).trimmed();
            style.points = parts.value(1).trimmed().toDouble(&ok);
            if (!ok || style.family.isEmpty() || !(style.points >= 4 && style.points <= 72))
                fail(QStringLiteral("a style is \"family, size in points[, options]\", not \"%1\"")
                         .arg(value));
            for (int i = 2; i < parts.size(); ++i) {
                const QString option = parts.at(i).trimmed().toLower();
                if (option == QLatin1String("bold"))
                    style.bold = true;
                else if (option == QLatin1String("italic"))
                    style.italic = true;
                else if (option == QLatin1String("rule-above"))
                    style.ruleAbove = true;
                else if (option == QLatin1String("rule-below"))
                    style.ruleBelow = true;
                else if (option == QLatin1String("box"))
                    style.box = true;
                else if (option == QLatin1String("shaded"))
                    style.shaded = true;
                else
                    fail(QStringLiteral("\"%1\" is not a style option (bold, italic, rule-above, "
                                        "rule-below, box, shaded)")
                             .arg(parts.at(i).trimmed()));
            }
            const int existing = findStyle(style.name);
            if (existing >= 0)
                m_template.styles[existing] = style;
            else
                m_template.styles.append(style);
        }
    }

    int findStyle(const QString &name) const
    {
        for (int i = 0; i < m_template.styles.size(); ++i) {
            if (m_template.styles.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    int style(const QString &name) const
    {
        const int index = findStyle(name);
        if (index < 0)
            fail(QStringLiteral("there is no style \"%1\"").arg(name));
        return index;
    }

    Align align(const QString &word) const
    {
        const QString w = word.toLower();
        if (w == QLatin1String("left"))
            return Align::Left;
        if (w == QLatin1String("center") || w == QLatin1String("centre"))
            return Align::Center;
        if (w == QLatin1String("right"))
            return Align::Right;
        fail(QStringLiteral("\"%1\" is not an alignment (left, center, right)").arg(word));
    }

    double number(const QString &text, double low, double high) const
    {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        // Written so that "nan", which reads as a number, is out of every range too.
        if (!ok || !(value >= low && value <= high))
            fail(QStringLiteral("\"%1\" is not a number from %2 to %3")
                     .arg(text)
                     .arg(low)
                     .arg(high));
        return value;
    }

    Content content(const QString &text) const
    {
        Content parsed;
        QString error;
        if (!Content::parse(text, parsed, error))
            fail(error);
        for (const QString &parameter : parsed.parameters()) {
            if (!hasParameter(parameter))
                fail(QStringLiteral("the parameter %1 is not in [Parameters]").arg(parameter));
        }
        return parsed;
    }

    bool hasParameter(const QString &name) const
    {
        for (const ParameterDef &p : m_template.parameters) {
            if (p.name == name)
                return true;
        }
        return false;
    }

    void readReport()
    {
        bool formatSeen = false;
        QString noRecords;
        int noRecordsLine = 0;
        for (const auto &[key, value] : pairs(QStringLiteral("report"))) {
            const QString k = key.toLower();
            if (k == QLatin1String("format")) {
                if (value != QLatin1String("1"))
                    fail(QStringLiteral("format %1 is not known (this program reads format 1)")
                             .arg(value));
                formatSeen = true;
            } else if (k == QLatin1String("title")) {
                m_template.title = value;
            } else if (k == QLatin1String("paper")) {
                const QString v = value.toLower();
                if (v == QLatin1String("a4"))
                    m_template.pageSize = QPageSize(QPageSize::A4);
                else if (v == QLatin1String("a5"))
                    m_template.pageSize = QPageSize(QPageSize::A5);
                else if (v == QLatin1String("letter"))
                    m_template.pageSize = QPageSize(QPageSize::Letter);
                else if (v == QLatin1String("legal"))
                    m_template.pageSize = QPageSize(QPageSize::Legal);
                else
                    fail(QStringLiteral("\"%1\" is not a paper size (A4, A5, Letter, Legal)")
                             .arg(value));
            } else if (k == QLatin1String("orientation")) {
                const QString v = value.toLower();
                if (v != QLatin1String("portrait") && v != QLatin1String("landscape"))
                    fail(QStringLiteral("\"%1\" is not an orientation (Portrait, Landscape)")
                             .arg(value));
                m_template.orientation =
                    v == QLatin1String("portrait") ? QPageLayout::Portrait : QPageLayout::Landscape;
            } else if (k == QLatin1String("margins")) {
                const QStringList parts = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (parts.size() != 4)
                    fail(QStringLiteral("margins are four numbers: left top right bottom, in mm"));
                m_template.margins = QMarginsF(number(parts[0], 0, 60), number(parts[1], 0, 60),
                                               number(parts[2], 0, 60), number(parts[3], 0, 60));
            } else if (k == QLatin1String("norecords")) {
                noRecords = value;
                noRecordsLine = m_line;
            } else if (k == QLatin1String("detailstyle")) {
                m_template.detailStyle = style(value);
            } else if (k == QLatin1String("headingstyle")) {
                m_template.headingStyle = style(value);
            } else if (k == QLatin1String("stripes")) {
                m_template.stripes = value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
            } else {
                fail(QStringLiteral("\"%1\" is not a setting of [Report]").arg(key));
            }
        }
        m_line = 0;
        if (!formatSeen)
            fail(QStringLiteral(
                "[Report] does not say \"Format = 1\"; this is not a report template"));
        m_noRecordsText = noRecords;
        m_noRecordsLine = noRecordsLine;
    }

    void readTables()
    {
        for (const auto &[name, value] : pairs(QStringLiteral("tables"))) {
            if (!isIdentifier(name))
                fail(QStringLiteral("\"%1\" is not a table name").arg(name));
            TableDef table;
            table.name = name;
            const QStringList parts = value.split(QLatin1Char(','));
            table.location = parts.value(0).trimmed();
            if (table.location.isEmpty() || table.location.contains(QLatin1Char(' ')))
                fail(QStringLiteral("the table %1 needs a location, database.owner.table")
                         .arg(name));
            for (int i = 1; i < parts.size(); ++i) {
                if (parts.at(i).simplified().compare(QLatin1String("keep database"),
                                                     Qt::CaseInsensitive) != 0)
                    fail(QStringLiteral("\"%1\" is not a table option (keep database)")
                             .arg(parts.at(i).trimmed()));
                table.keepDatabase = true;
            }
            for (const TableDef &other : m_template.tables) {
                if (other.name.compare(name, Qt::CaseInsensitive) == 0)
                    fail(QStringLiteral("the table %1 comes twice").arg(name));
            }
            m_template.tables.append(table);
        }
    }

    void readParameters()
    {
        static const QRegularExpression pattern(
            QStringLiteral("^\\{\\?@?[A-Za-z_][A-Za-z0-9_]*\\}$"));
        for (const auto &[name, prompt] : pairs(QStringLiteral("parameters"), false)) {
            if (!pattern.match(name).hasMatch())
                fail(
                    QStringLiteral("\"%1\" is not a parameter field name such as {?DocumentNumber}")
                        .arg(name));
            if (hasParameter(name))
                fail(QStringLiteral("the parameter %1 comes twice").arg(name));
            m_template.parameters.append({name, prompt});
        }
        if (!m_noRecordsText.isEmpty()) {
            m_line = m_noRecordsLine;
            m_template.noRecords = content(m_noRecordsText);
            if (!m_template.noRecords.fields().isEmpty())
                fail(QStringLiteral("NoRecords can show parameters and text fields, not columns"));
        }
    }

    void readQuery()
    {
        static const QRegularExpression placeholder(QStringLiteral("\\{([^{}]*)\\}"));
        QStringList lines;
        for (const Line &line : m_sections.value(QStringLiteral("query"))) {
            m_line = line.number;
            for (auto it = placeholder.globalMatch(line.text); it.hasNext();) {
                const QString inner = it.next().captured(1).trimmed();
                if (inner.startsWith(QLatin1Char('?'))) {
                    if (!hasParameter(QLatin1Char('{') + inner + QLatin1Char('}')))
                        fail(
                            QStringLiteral("the parameter {%1} is not in [Parameters]").arg(inner));
                } else if (!hasTable(inner)) {
                    fail(QStringLiteral("the table {%1} is not in [Tables]").arg(inner));
                }
            }
            lines << line.text;
        }
        m_line = 0;
        m_template.query = lines.join(QLatin1Char('\n')).trimmed();
        if (m_template.query.isEmpty())
            fail(QStringLiteral("there is no [Query]"));
    }

    bool hasTable(const QString &name) const
    {
        for (const TableDef &table : m_template.tables) {
            if (table.name.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }

    void readColumns()
    {
        for (const Line &line : m_sections.value(QStringLiteral("columns"))) {
            m_line = line.number;
            const QStringList parts = line.text.split(QLatin1Char('|'));
            if (parts.size() < 3 || parts.size() > 5)
                fail(QStringLiteral(
                    "a column is \"field | heading | width [| align [| options]]\""));
            ColumnDef column;
            const QString field = parts.at(0).trimmed();
            if (field.compare(QLatin1String("(line)"), Qt::CaseInsensitive) == 0) {
                column.source = ColumnDef::Source::LineNumber;
            } else if (field.compare(QLatin1String("(blank)"), Qt::CaseInsensitive) == 0) {
                column.source = ColumnDef::Source::Blank;
            } else if (isIdentifier(field)) {
                column.field = field;
            } else {
                fail(QStringLiteral("\"%1\" is not a field name, (line) or (blank)").arg(field));
            }
            column.heading = parts.at(1).trimmed();
            column.width = number(parts.at(2), 0.1, 1000);
            column.align = parts.size() > 3 && !parts.at(3).trimmed().isEmpty()
                               ? align(parts.at(3).trimmed())
                               : Align::Left;
            const QStringList options =
                parts.size() > 4 ? parts.at(4).split(QLatin1Char(',')) : QStringList();
            for (const QString &option : options) {
                const QString o = option.trimmed();
                if (o.isEmpty())
                    continue;
                if (o.compare(QLatin1String("wrap"), Qt::CaseInsensitive) == 0) {
                    column.wrap = true;
                    continue;
                }
                QString error;
                if (!ValueFormat::parse(o, column.format, error))
                    fail(error);
            }
            m_template.columns.append(column);
        }
    }

    QVector<BandLine> readBand(const QString &section)
    {
        QVector<BandLine> band;
        QVector<CellDef> columns;
        for (const Line &line : m_sections.value(section)) {
            m_line = line.number;
            const QString command = line.text.section(QLatin1Char(' '), 0, 0).toLower();
            const QString rest = line.text.section(QLatin1Char(' '), 1).trimmed();
            BandLine out;
            if (command == QLatin1String("text")) {
                const QStringList words = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (words.size() < 2)
                    fail(QStringLiteral("a text line is \"text style alignment content\""));
                out.kind = BandLine::Kind::Text;
                CellDef cell;
                cell.style = style(words.at(0));
                cell.align = align(words.at(1));
                out.cells = {cell};
                out.contents = {
                    content(rest.section(QLatin1Char(' '), 2, -1, QString::SectionSkipEmpty))};
            } else if (command == QLatin1String("columns")) {
                columns.clear();
                for (const QString &entry : rest.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                    const QStringList parts = entry.split(QLatin1Char(':'));
                    if (parts.size() > 3)
                        fail(QStringLiteral("a column is \"width[:style[:alignment]]\", not \"%1\"")
                                 .arg(entry));
                    CellDef cell;
                    cell.width = number(parts.at(0), 0.1, 1000);
                    cell.style = parts.size() > 1 ? style(parts.at(1)) : 0;
                    cell.align = parts.size() > 2 ? align(parts.at(2)) : Align::Left;
                    columns.append(cell);
                }
                if (columns.isEmpty())
                    fail(QStringLiteral("\"columns\" needs at least one width"));
                continue;
            } else if (command == QLatin1String("cells")) {
                if (columns.isEmpty())
                    fail(QStringLiteral("\"cells\" comes before any \"columns\" line"));
                const QStringList texts = rest.split(QLatin1Char('|'));
                if (texts.size() != columns.size())
                    fail(QStringLiteral("%1 cells for %2 columns")
                             .arg(texts.size())
                             .arg(columns.size()));
                out.kind = BandLine::Kind::Cells;
                out.cells = columns;
                for (const QString &text : texts)
                    out.contents.append(content(text.trimmed()));
            } else if (command == QLatin1String("space")) {
                out.kind = BandLine::Kind::Space;
                out.amount = number(rest, 0, 200);
            } else if (command == QLatin1String("rule")) {
                out.kind = BandLine::Kind::Rule;
                out.amount = rest.isEmpty() ? 0.5 : number(rest, 0.1, 5);
            } else {
                fail(QStringLiteral("\"%1\" is not a band command (text, columns, cells, space, "
                                    "rule)")
                         .arg(command));
            }
            band.append(out);
        }
        return band;
    }

    QString m_name;
    int m_line = 0;
    QHash<QString, QVector<Line>> m_sections;
    ReportTemplate m_template;
    QString m_noRecordsText;
    int m_noRecordsLine = 0;
};

} // namespace

ReportTemplate ReportTemplate::load(const QString &path)
{
    QFile file(path);
    const QString shown = QDir::toNativeSeparators(path);
    if (!file.exists())
        throw ReportError(ReportError::Kind::Template,
                          QStringLiteral("The report template \"%1\" was not found.").arg(shown));
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(ReportError::Kind::Template,
                          QStringLiteral("The report template \"%1\" cannot be opened: %2.")
                              .arg(shown, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        throw ReportError(
            ReportError::Kind::Template,
            QStringLiteral("The report template \"%1\" cannot be used: it is not a text "
                           "file.")
                .arg(shown));
    ReportTemplate parsed = parse(QString::fromUtf8(bytes), shown);
    parsed.filePath = path;
    return parsed;
}

ReportTemplate ReportTemplate::parse(const QString &text, const QString &name)
{
    return Parser(name).run(text);
}

QStringList ReportTemplate::fieldsUsed() const
{
    QStringList names;
    for (const QVector<BandLine> *band : {&pageHeader, &reportFooter, &pageFooter}) {
        for (const BandLine &line : *band) {
            for (const Content &content : line.contents)
                names << content.fields();
        }
    }
    for (const ColumnDef &column : columns) {
        if (column.source == ColumnDef::Source::Field)
            names << column.field;
    }
    names.removeDuplicates();
    return names;
}

} // namespace report

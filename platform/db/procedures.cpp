#include "platform/db/procedures.h"

#include "platform/db/dberror.h"
#include "platform/db/tsqltokens.h"

#include <QFile>
#include <QRegularExpression>

namespace db {

namespace {

ProcedureCatalog::Procedure compile(const QString &header, const QString &body)
{
    static const QRegularExpression headerPattern(
        QStringLiteral("^--\\s*PROCEDURE\\s+(\\w+)\\s*(.*)$"));
    const auto match = headerPattern.match(header.trimmed());
    if (!match.hasMatch())
        throw DbError(QStringLiteral("Malformed procedure header: ") + header);

    ProcedureCatalog::Procedure proc;
    proc.name = match.captured(1);
    for (QString p : match.captured(2).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        if (!p.startsWith(QLatin1Char('@')) || p.size() < 2)
            throw DbError(
                QStringLiteral("Malformed parameter '%1' of procedure %2").arg(p, proc.name));
        proc.parameters << p.mid(1);
    }

    QString sql;
    for (const Token &t : tokenize(body)) {
        if (t.kind == Token::Word && t.text.startsWith(QLatin1Char('@'))) {
            const QString name = t.text.mid(1);
            int index = -1;
            for (int i = 0; i < proc.parameters.size(); ++i)
                if (proc.parameters.at(i).compare(name, Qt::CaseInsensitive) == 0)
                    index = i;
            if (index < 0)
                throw DbError(
                    QStringLiteral("Procedure %1 uses undeclared @%2").arg(proc.name, name));
            sql += QLatin1Char('?');
            proc.parameterSlots << index;
        } else if (t.kind != Token::Comment) {
            sql += t.text;
        }
    }
    sql = sql.trimmed();
    while (sql.endsWith(QLatin1Char(';')))
        sql = sql.chopped(1).trimmed();
    if (sql.isEmpty())
        throw DbError(QStringLiteral("Procedure %1 has no body").arg(proc.name));
    proc.sql = sql;
    return proc;
}

} // namespace

std::shared_ptr<ProcedureCatalog> ProcedureCatalog::fromScript(const QString &script)
{
    auto catalog = std::make_shared<ProcedureCatalog>();
    QString header;
    QString body;
    auto flush = [&] {
        if (header.isEmpty())
            return;
        Procedure proc = compile(header, body);
        catalog->m_procedures.insert(proc.name.toLower(), proc);
    };
    static const QRegularExpression start(QStringLiteral("^\\s*--\\s*PROCEDURE\\b"));
    for (const QString &line : script.split(QLatin1Char('\n'))) {
        if (start.match(line).hasMatch()) {
            flush();
            header = line;
            body.clear();
        } else if (!header.isEmpty()) {
            body += line + QLatin1Char('\n');
        }
    }
    flush();
    return catalog;
}

std::shared_ptr<const ProcedureCatalog> ProcedureCatalog::builtIn()
{
    static const std::shared_ptr<const ProcedureCatalog> catalog = [] {
        QFile file(QStringLiteral(":/sql/sqlite/procedures.sql"));
        if (!file.open(QIODevice::ReadOnly))
            throw DbError(QStringLiteral("The program's procedure script is missing."));
        return std::shared_ptr<const ProcedureCatalog>(
            fromScript(QString::fromUtf8(file.readAll())));
    }();
    return catalog;
}

const ProcedureCatalog::Procedure *ProcedureCatalog::find(const QString &name) const
{
    const auto it = m_procedures.constFind(name.toLower());
    return it == m_procedures.constEnd() ? nullptr : &it.value();
}

QStringList ProcedureCatalog::names() const
{
    QStringList list;
    for (const Procedure &p : m_procedures)
        list << p.name;
    list.sort(Qt::CaseInsensitive);
    return list;
}

} // namespace db

#include "platform/session/openproblem.h"

#include "platform/db/connection.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"

#include <QRegularExpression>

namespace {

using Kind = SessionSettings::Kind;

// The prefixes the database layer puts before a driver's own text.
const QString CannotConnect = QStringLiteral("Cannot connect to the database server: ");

QString serverOf(const SessionSettings &settings)
{
    if (settings.kind == Kind::Odbc)
        return QStringLiteral("of the ODBC connection string");
    return QStringLiteral("%1:%2").arg(settings.server).arg(settings.port);
}

bool says(const QString &text, const char *phrase)
{
    return text.contains(QLatin1String(phrase), Qt::CaseInsensitive);
}

// What a driver's message means, in a sentence; empty when it is none of the common causes.
QString plainReason(const QString &raw, const SessionSettings &settings)
{
    const QString server = serverOf(settings);
    if (says(raw, "could not translate host name") || says(raw, "Name or service not known") ||
        says(raw, "Unknown host"))
        return QStringLiteral("The server name %1 is not known on this network.")
            .arg(settings.server);
    if (says(raw, "password authentication failed") || says(raw, "Login failed") ||
        says(raw, "no password supplied") || says(raw, "role \""))
        return QStringLiteral("The server %1 refused the user name or password.").arg(server);
    if ((says(raw, "database \"") && says(raw, "does not exist")) ||
        says(raw, "Cannot open database"))
        return QStringLiteral("The server %1 has no database named %2.")
            .arg(server, settings.database);
    if (says(raw, "timeout expired") || says(raw, "timed out"))
        return QStringLiteral("The server %1 did not answer in time.").arg(server);
    if (says(raw, "Connection refused") || says(raw, "Unable to connect") ||
        says(raw, "No route to host") || says(raw, "Network is unreachable"))
        return QStringLiteral("The database server %1 does not answer: it may be stopped, or the "
                              "server name or port may be wrong.")
            .arg(server);
    return QString();
}

} // namespace

OpenProblem describeOpenFailure(const AppError &error, const SessionSettings &settings)
{
    const QString text = error.description().trimmed();
    if (text.startsWith(CannotConnect)) {
        const QString raw = text.mid(CannotConnect.size()).trimmed();
        QString reason = plainReason(raw, settings);
        if (reason.isEmpty())
            reason = QStringLiteral("The database server %1 refused the connection.")
                         .arg(serverOf(settings));
        return {reason, raw};
    }
    // "The database file F cannot be opened: <the driver's text>", and the like.
    static const QRegularExpression fileProblem(
        QStringLiteral("^(The database file .* cannot be (?:opened|used|prepared)): (.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch file = fileProblem.match(text);
    if (file.hasMatch())
        return {file.captured(1) + QLatin1Char('.'), file.captured(2).trimmed()};
    // Already a sentence of the program's own (a timeout, a cancelled wait); anything after its
    // first line is the server's.
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    if (lineEnd < 0)
        return {text, QString()};
    return {text.left(lineEnd).trimmed(), text.mid(lineEnd + 1).trimmed()};
}

std::optional<QString> missingTables(db::Connection &connection)
{
    // The tables the program reads first, wherever it starts: the hospital, the staff, the items
    // and the requests. Each engine's catalog is asked, so that nothing fails on the way.
    static const char *const Tables[] = {"tbHospitalInfo", "tbPasswordMain", "tbInvMaster",
                                         "tbInvWithdrawRequest"};
    const QString engine = connection.dialect().name();
    QStringList missing;
    for (const char *table : Tables) {
        const QString name = QLatin1String(table);
        QString sql;
        QVariantList params;
        if (engine == QLatin1String("SQL Server")) {
            const QString database = name == QLatin1String("tbPasswordMain")
                                         ? QStringLiteral("Password")
                                         : QStringLiteral("INVENTORY");
            sql = QStringLiteral("Select Count(*) As n Where OBJECT_ID(?) Is Not Null");
            params << database + QStringLiteral(".dbo.") + name;
        } else if (engine == QLatin1String("PostgreSQL")) {
            sql = QStringLiteral("Select Count(*) As n From pg_catalog.pg_tables "
                                 "Where schemaname = current_schema() And tablename = ?");
            params << name.toLower();
        } else {
            sql = QStringLiteral("Select Count(*) As n From sqlite_master "
                                 "Where type = 'table' And lower(name) = ?");
            params << name.toLower();
        }
        if (connection.query(sql, params).Fields(QStringLiteral("n")).toText().toInt() == 0)
            missing << name;
    }
    if (missing.isEmpty())
        return std::nullopt;

    QString what;
    QString scripts;
    if (engine == QLatin1String("SQL Server")) {
        what = QStringLiteral("this database");
        scripts = QStringLiteral("run sql/mssql/01 to 04");
    } else if (engine == QLatin1String("PostgreSQL")) {
        what = QStringLiteral("this database");
        scripts = QStringLiteral("run sql/postgresql/01 to 03");
    } else {
        what = QStringLiteral("this file");
        scripts = QStringLiteral("run sql/sqlite/schema.sql on it, or choose a file that does not "
                                 "exist yet (it is made with the demo hospital's data)");
    }
    if (missing.size() == int(std::size(Tables)))
        return QStringLiteral("Connected, but %1 has no Inventory Request tables: %2")
            .arg(what, scripts);
    return QStringLiteral("Connected, but %1 lacks the Inventory Request tables %2: %3")
        .arg(what, missing.join(QStringLiteral(", ")), scripts);
}

DatabaseUnavailable::DatabaseUnavailable(OpenProblem problem)
    : AppError(db::DbError::Number, QStringLiteral("clsCurrentUser"), problem.reason),
      m_problem(std::move(problem))
{
}

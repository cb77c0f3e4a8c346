#include "platform/session/clsCurrentUser.h"

#include "platform/db/connection.h"
#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"
#include "platform/session/databasedialog.h"
#include "platform/session/openproblem.h"
#include "platform/session/serverprobe.h"
#include "platform/session/signindialog.h"

#include <QApplication>
#include <QFileInfo>

clsCurrentUser::clsCurrentUser() : m_settings(SessionSettings::load()) {}

clsCurrentUser::clsCurrentUser(SessionSettings settings) : m_settings(std::move(settings)) {}

clsCurrentUser::~clsCurrentUser() = default;

bool clsCurrentUser::Connected() const
{
    return m_signedIn && m_connection != nullptr;
}

QString clsCurrentUser::ServerName() const
{
    return m_settings.kind == SessionSettings::Kind::Embedded ? m_settings.file : m_settings.server;
}

QString clsCurrentUser::Database() const
{
    return m_settings.database;
}

QString clsCurrentUser::ServerPassword() const
{
    return m_settings.password;
}

void clsCurrentUser::openDatabase()
{
    m_connection.reset();
    if (m_settings.kind == SessionSettings::Kind::PostgreSQL) {
        // A server far away or gone shows that it is being waited for, and can be given up on.
        if (qobject_cast<QApplication *>(QCoreApplication::instance()))
            probeServer(m_settings.postgresLogon(), QApplication::activeWindow());
        m_connection = db::Connection::openPostgres(m_settings.postgresLogon());
    } else if (m_settings.kind != SessionSettings::Kind::Embedded) {
        m_connection =
            db::Connection::openOdbc(m_settings.odbcConnectionString(), m_settings.timeoutSeconds);
    } else if (QFileInfo::exists(m_settings.file)) {
        m_connection = db::Connection::openSqlite(m_settings.file);
    } else {
        m_connection = db::createEmbeddedDatabase(m_settings.file, db::Contents::DemoData);
    }
    db::bringUpToDate(*m_connection);
}

std::optional<OpenProblem> clsCurrentUser::tryOpenDatabase()
{
    try {
        openDatabase();
    } catch (const AppError &e) {
        m_connection.reset();
        return describeOpenFailure(e, m_settings);
    }
    return std::nullopt;
}

bool clsCurrentUser::signIn(const QString &employeeId, const QString &password)
{
    // A database that could not be opened is tried again: the server may be back.
    if (!m_connection) {
        if (std::optional<OpenProblem> problem = tryOpenDatabase())
            throw DatabaseUnavailable(std::move(*problem));
    }
    if (!m_passwordForm)
        throw AppError(0, QStringLiteral("clsCurrentUser"),
                       QStringLiteral("No password form is set."));
    const QString hashed = m_passwordForm(password.trimmed());
    db::Recordset rs =
        m_connection->query(QStringLiteral("Select EmployeeID From Password..tbPasswordMain "
                                           "Where EmployeeID = ? And Password = ?"),
                            {employeeId.trimmed(), hashed});
    if (rs.Eof())
        return false;
    m_employeeCode = rs.Fields(QStringLiteral("EmployeeID")).toText();
    m_signedIn = true;
    return true;
}

void clsCurrentUser::attach(std::unique_ptr<db::Connection> connection, const QString &employeeCode)
{
    m_connection = std::move(connection);
    m_employeeCode = employeeCode;
    m_signedIn = m_connection != nullptr;
}

std::optional<SignInDialog::Database> clsCurrentUser::chooseDatabase(QWidget *parent)
{
    DatabaseDialog dialog(
        m_settings,
        [](const SessionSettings &tried) {
            clsCurrentUser probe(tried);
            probe.openDatabase();
            return missingTables(*probe.sqlconnection());
        },
        parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString lastEmployee = m_settings.lastEmployee;
    m_settings = dialog.settings();
    m_settings.lastEmployee = lastEmployee;
    return SignInDialog::Database{m_settings.description(), tryOpenDatabase()};
}

void clsCurrentUser::ShowMain()
{
    m_signedIn = false;
    // Why the database cannot be opened is said in the sign-in dialog, which opens anyway: Sign
    // In tries again, and another database can be chosen.
    const std::optional<OpenProblem> problem = tryOpenDatabase();

    SignInDialog dialog(
        m_settings.description(), m_settings.lastEmployee,
        [this](const QString &id, const QString &password) { return signIn(id, password); },
        [this](QWidget *parent) { return chooseDatabase(parent); });
    dialog.showProblem(problem);
    if (dialog.exec() != QDialog::Accepted || !m_signedIn) {
        m_signedIn = false;
        m_connection.reset();
        return;
    }
    m_settings.lastEmployee = m_employeeCode;
    m_settings.saveLastEmployee();
}

#pragma once

#include "platform/session/sessionsettings.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace db {
class Connection;
}

// The current-user component: signs the user in, owns the program's one database connection and
// knows the signed-in employee. Its settings (which database) are its own; see SessionSettings.
class clsCurrentUser
{
public:
    clsCurrentUser();
    // A component on the given settings instead of the saved ones (to try them, say).
    explicit clsCurrentUser(SessionSettings settings);
    ~clsCurrentUser();

    void setPasswordDeptCode(const QString &code) { m_passwordDeptCode = code; }
    const QString &PasswordDeptCode() const { return m_passwordDeptCode; }
    // How the staff table stores a typed password (the program's password transform, which
    // the start-up gives); sign-in compares the stored forms.
    using PasswordForm = std::function<QString(const QString &typed)>;
    void setPasswordForm(PasswordForm form) { m_passwordForm = std::move(form); }

    // Opens the database and shows the sign-in dialog; returns when the user has signed in or
    // given up. A database that cannot be opened is reported, and another can be chosen from the
    // dialog's Database button.
    void ShowMain();

    bool Connected() const;
    db::Connection *sqlconnection() const { return m_connection.get(); }
    const QString &EmployeeCode() const { return m_employeeCode; }
    QString ServerName() const;
    QString Database() const;
    QString ServerPassword() const;

    // The steps of ShowMain, for tools and tests:
    // opens the database the settings name (the embedded file is created with the demo data on
    // first use); throws AppError naming the cause.
    void openDatabase();
    // checks an employee ID and password against the staff table; true signs the user in.
    bool signIn(const QString &employeeId, const QString &password);
    // takes an open connection as it is, signed in as employeeCode.
    void attach(std::unique_ptr<db::Connection> connection, const QString &employeeCode);
    // the sign-in dialog's Database button: the database dialog on the settings in use; on OK the
    // new settings are saved and opened at once. The description of the database now in use, or
    // nothing when the dialog was cancelled.
    std::optional<QString> chooseDatabase(QWidget *parent);
    const SessionSettings &settings() const { return m_settings; }

private:
    SessionSettings m_settings;
    std::unique_ptr<db::Connection> m_connection;
    QString m_passwordDeptCode;
    PasswordForm m_passwordForm;
    QString m_employeeCode;
    bool m_signedIn = false;
};

#pragma once

#include "platform/session/sessionsettings.h"

#include <QString>

#include <functional>
#include <memory>

namespace db {
class Connection;
}

// The current-user component: signs the user in, owns the program's one database connection and
// knows the signed-in employee. Its settings (which database) are its own; see SessionSettings.
class clsCurrentUser
{
public:
    clsCurrentUser();
    ~clsCurrentUser();

    void setPasswordDeptCode(const QString &code) { m_passwordDeptCode = code; }
    const QString &PasswordDeptCode() const { return m_passwordDeptCode; }
    // How the staff table stores a typed password (the program's password transform, which
    // the start-up gives); sign-in compares the stored forms.
    using PasswordForm = std::function<QString(const QString &typed)>;
    void setPasswordForm(PasswordForm form) { m_passwordForm = std::move(form); }

    // Opens the database and shows the sign-in dialog; returns when the user has signed in or
    // given up. A database that cannot be opened is reported and counts as giving up.
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

private:
    SessionSettings m_settings;
    std::unique_ptr<db::Connection> m_connection;
    QString m_passwordDeptCode;
    PasswordForm m_passwordForm;
    QString m_employeeCode;
    bool m_signedIn = false;
};

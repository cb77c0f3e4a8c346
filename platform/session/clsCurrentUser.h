#pragma once

#include "platform/session/openproblem.h"
#include "platform/session/sessionsettings.h"
#include "platform/session/signindialog.h"

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
    // given up. Why a database cannot be opened is said in the dialog: Sign In tries it again,
    // and another can be chosen from the dialog's Database button.
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
    // openDatabase, with why it failed worded for the sign-in; nothing when it is open.
    std::optional<OpenProblem> tryOpenDatabase();
    // checks an employee ID and password against the staff table; true signs the user in. With
    // no database open, opens it first; throws DatabaseUnavailable when it still cannot.
    bool signIn(const QString &employeeId, const QString &password);
    // takes an open connection as it is, signed in as employeeCode.
    void attach(std::unique_ptr<db::Connection> connection, const QString &employeeCode);
    // the sign-in dialog's Database button: the database dialog on the settings in use; on OK the
    // new settings are saved and opened at once. The database now in use (and why it cannot be
    // opened, when it cannot), or nothing when the dialog was cancelled. The dialog's Test
    // Connection also checks that the database holds the program's tables.
    std::optional<SignInDialog::Database> chooseDatabase(QWidget *parent);
    const SessionSettings &settings() const { return m_settings; }

private:
    SessionSettings m_settings;
    std::unique_ptr<db::Connection> m_connection;
    QString m_passwordDeptCode;
    PasswordForm m_passwordForm;
    QString m_employeeCode;
    bool m_signedIn = false;
};

#pragma once

#include "platform/session/openproblem.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class StatusLine;

// Employee ID and password. OK runs the check it was given: a refusal keeps the dialog open for
// another try; Cancel (or Escape) gives the sign-in up. A database that cannot be opened is said
// in the dialog itself, under the database's name, while the fields keep the keyboard.
class SignInDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString Title;
    // True signs in, false refuses the ID or password. DatabaseUnavailable (or any AppError)
    // says why the check could not be made; the dialog shows it and stays open.
    using Check = std::function<bool(const QString &employeeId, const QString &password)>;
    // The database now in use, and why it cannot be opened when it cannot.
    struct Database
    {
        QString description;
        std::optional<OpenProblem> problem;
    };
    // The Database button: lets the user choose another database; nothing when nothing changed.
    using ChooseDatabase = std::function<std::optional<Database>(QWidget *parent)>;

    SignInDialog(const QString &database, const QString &lastEmployee, Check check,
                 ChooseDatabase chooseDatabase = {}, QWidget *parent = nullptr);

    // Says in the dialog why the database cannot be opened; nothing clears it.
    void showProblem(const std::optional<OpenProblem> &problem);

    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The field the clerk types into next: the ID while it is empty, else the password.
    void focusNextField();

    QLineEdit *m_employee;
    QLineEdit *m_password;
    QLabel *m_database;
    StatusLine *m_problem;
    Check m_check;
    ChooseDatabase m_chooseDatabase;
};

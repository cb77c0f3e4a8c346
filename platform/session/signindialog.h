#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;

class QLineEdit;

// Employee ID and password. OK runs the check it was given: a refusal keeps the dialog open for
// another try; Cancel (or Escape) gives the sign-in up.
class SignInDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString Title;
    using Check = std::function<bool(const QString &employeeId, const QString &password)>;
    // The Database button: lets the user choose another database; the description of the one
    // now in use, or nothing when nothing changed.
    using ChooseDatabase = std::function<std::optional<QString>(QWidget *parent)>;

    SignInDialog(const QString &database, const QString &lastEmployee, Check check,
                 ChooseDatabase chooseDatabase = {}, QWidget *parent = nullptr);

    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_employee;
    QLineEdit *m_password;
    QLabel *m_database;
    Check m_check;
    ChooseDatabase m_chooseDatabase;
};

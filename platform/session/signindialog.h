#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

// Employee ID and password. OK runs the check it was given: a refusal keeps the dialog open for
// another try; Cancel (or Escape) gives the sign-in up.
class SignInDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString Title;
    using Check = std::function<bool(const QString &employeeId, const QString &password)>;

    SignInDialog(const QString &database, const QString &lastEmployee, Check check,
                 QWidget *parent = nullptr);

    void accept() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_employee;
    QLineEdit *m_password;
    Check m_check;
};

#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks an authorised member of staff for an employee ID and password before an action goes on
// (the verification of a stock request). The caller runs exec(); afterwards OKCharge() says
// whether an ID was accepted and VerifyID() which one. Both are reset each time the dialog shows
// and stay readable after it has closed.
//
// The password is never compared in clear: it is transformed as the staff table stores it and
// looked up together with the ID among the staff allowed to authorise.
class frmDeletePassword : public QDialog
{
    Q_OBJECT

public:
    // The one shared dialog, created when first needed; unload() destroys it.
    static frmDeletePassword &instance();
    static void unload();

    // The request the verification is for: the title names it ("Verify request 13"). It stays
    // until set again, so the caller sets it before each showing; an empty number gives the plain
    // title "Password".
    void setRequest(const QString &number);
    QString request() const { return m_request; }

    bool OKCharge() const { return m_okCharge; }
    const QString &VerifyID() const { return m_verifyId; }

    // True when the staff table holds an authorised row with this ID and password. A failing
    // lookup throws AppError.
    bool GetPassword(const QString &strEmployeeID, const QString &strPassword);
    // The staff table's ID of the employee with this ID and password, whatever the employee's
    // rights; empty when there is none. A failing lookup throws AppError.
    QString employeeWithPassword(const QString &strEmployeeID, const QString &strPassword);

    // Checks what was typed: an accepted ID closes the dialog. Otherwise the dialog stays open
    // for another try, saying "E05 may not verify requests" when the password is right but the
    // employee has no right to verify, and "Password not valid!" for any other ID or password.
    void cmdEnter_Click();

    QLabel *lblUserID = nullptr;
    QLineEdit *txtUserID = nullptr;
    QLabel *lblPassword = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdEnter = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit frmDeletePassword(QWidget *parent = nullptr);
    ~frmDeletePassword() override;
    void buildWindow();

    bool m_okCharge = false;
    QString m_verifyId;
    QString m_request;
};

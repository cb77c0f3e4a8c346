#include "platform/session/signindialog.h"

#include "platform/error.h"
#include "platform/session/statusline.h"
#include "platform/ui/msgbox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString SignInDialog::Title = QStringLiteral("Inventory Request - Sign In");

SignInDialog::SignInDialog(const QString &database, const QString &lastEmployee, Check check,
                           ChooseDatabase chooseDatabase, QWidget *parent)
    : QDialog(parent), m_employee(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_database(new QLabel(this)), m_problem(new StatusLine(this)), m_check(std::move(check)),
      m_chooseDatabase(std::move(chooseDatabase))
{
    setWindowTitle(Title);
    setObjectName(QStringLiteral("SignInDialog"));
    m_employee->setObjectName(QStringLiteral("txtEmployeeID"));
    m_employee->setMaxLength(20);
    m_employee->setText(lastEmployee);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(50);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Employee ID"), m_employee);
    form->addRow(QStringLiteral("&Password"), m_password);

    m_database->setText(QStringLiteral("Database: ") + database);
    m_database->setObjectName(QStringLiteral("lblDatabase"));
    m_database->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Sign In"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdSignIn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SignInDialog::reject);
    if (m_chooseDatabase) {
        // Another database, without editing any file.
        auto *choose =
            buttons->addButton(QStringLiteral("&Database..."), QDialogButtonBox::ResetRole);
        choose->setObjectName(QStringLiteral("cmdDatabase"));
        choose->setAutoDefault(false);
        connect(choose, &QPushButton::clicked, this, [this] {
            if (const std::optional<Database> now = m_chooseDatabase(this)) {
                m_database->setText(QStringLiteral("Database: ") + now->description);
                showProblem(now->problem);
                focusNextField();
            }
        });
    }
    // Enter in the ID goes on to the password; Enter in the password signs in.
    m_employee->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_database);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    setMinimumWidth(360);

    focusNextField();
}

void SignInDialog::focusNextField()
{
    (m_employee->text().isEmpty() ? m_employee : m_password)->setFocus();
}

void SignInDialog::showProblem(const std::optional<OpenProblem> &problem)
{
    if (problem)
        m_problem->say(StatusLine::Tone::Problem,
                       QStringLiteral("The database cannot be opened. ") + problem->reason,
                       problem->details);
    else
        m_problem->clear();
}

bool SignInDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_employee && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_password->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SignInDialog::accept()
{
    bool accepted = false;
    try {
        accepted = m_check(m_employee->text(), m_password->text());
        showProblem(std::nullopt);
    } catch (const DatabaseUnavailable &e) {
        // Said where the clerk is looking; what was typed stays, for the next Sign In.
        showProblem(e.problem());
        focusNextField();
        return;
    } catch (const AppError &e) {
        m_problem->say(StatusLine::Tone::Problem, e.description());
        focusNextField();
        return;
    }
    if (accepted) {
        QDialog::accept();
        return;
    }
    ui::MsgBox(QStringLiteral("The employee ID or the password is not valid."), ui::Buttons::OK,
               ui::Icon::Information, Title);
    m_password->clear();
    m_password->setFocus();
}

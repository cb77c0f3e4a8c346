#include "dialogs/frmDeletePassword.h"

#include "app/modEncryption.h"
#include "app/modInventory.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windowplacement.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<frmDeletePassword> g_instance;

db::Connection &sessionConnection()
{
    db::Connection *connection =
        modInventory::objCurrentUser ? modInventory::objCurrentUser->sqlconnection() : nullptr;
    if (!connection) {
        throw AppError(91, QStringLiteral("frmDeletePassword"),
                       QStringLiteral("Object variable or With block variable not set"));
    }
    return *connection;
}

bool isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

frmDeletePassword::frmDeletePassword(QWidget *parent) : QDialog(parent)
{
    buildWindow();
}

frmDeletePassword::~frmDeletePassword() = default;

frmDeletePassword &frmDeletePassword::instance()
{
    if (g_instance.isNull())
        g_instance = new frmDeletePassword(modInventory::MainWindow());
    return *g_instance;
}

void frmDeletePassword::unload()
{
    delete g_instance.data();
}

void frmDeletePassword::buildWindow()
{
    setObjectName(QStringLiteral("frmDeletePassword"));
    setWindowTitle(QStringLiteral("Password"));
    setModal(true);

    txtUserID = new QLineEdit(this);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    txtUserID->setMaxLength(20);
    txtUserID->setMinimumWidth(180);
    lblUserID = new QLabel(QStringLiteral("ID"), this);
    lblUserID->setObjectName(QStringLiteral("lblUserID"));
    lblUserID->setBuddy(txtUserID);

    // Every typed character shows as a middle dot.
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setMaxLength(50);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 183; }"));
    lblPassword = new QLabel(QStringLiteral("Password"), this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    lblPassword->setBuddy(txtPassword);

    cmdEnter = new QPushButton(QStringLiteral("&Enter"), this);
    cmdEnter->setObjectName(QStringLiteral("cmdEnter"));
    cmdEnter->setAutoDefault(false);

    auto *fields = new QGridLayout;
    fields->addWidget(lblUserID, 0, 0);
    fields->addWidget(txtUserID, 0, 1);
    fields->addWidget(lblPassword, 1, 0);
    fields->addWidget(txtPassword, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdEnter);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);
    ui::fitToScreen(this, sizeHint());

    setTabOrder(txtUserID, txtPassword);
    setTabOrder(txtPassword, cmdEnter);

    txtUserID->installEventFilter(this);
    txtPassword->installEventFilter(this);
    connect(cmdEnter, &QPushButton::clicked, this, [this] { cmdEnter_Click(); });
}

void frmDeletePassword::showEvent(QShowEvent *event)
{
    // Each showing starts afresh: nothing accepted yet, and nothing typed by whoever used the
    // dialog before, so a password left in the box cannot authorise the next action.
    m_okCharge = false;
    m_verifyId.clear();
    txtUserID->clear();
    txtPassword->clear();
    txtUserID->setFocus();
    QDialog::showEvent(event);
}

bool frmDeletePassword::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == txtUserID || watched == txtPassword)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape) {
            reject();
            return true;
        }
        if (isEnter(key)) {
            if (watched == txtUserID)
                txtPassword->setFocus();
            else
                cmdEnter_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDeletePassword::cmdEnter_Click()
{
    const QString id = txtUserID->text().trimmed();
    bool accepted = false;
    try {
        accepted = GetPassword(id, txtPassword->text().trimmed());
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
        txtPassword->setFocus();
        return;
    }
    if (accepted) {
        m_okCharge = true;
        m_verifyId = id;
        accept();
        return;
    }
    QString known;
    try {
        known = employeeWithPassword(id, txtPassword->text().trimmed());
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
        txtPassword->setFocus();
        return;
    }
    if (known.isEmpty()) {
        ui::MsgBox(QStringLiteral("Password not valid!"), ui::Buttons::OK, ui::Icon::Information);
        txtPassword->setFocus();
        return;
    }
    // The password is right, so typing it again cannot help: someone with the right to verify
    // has to sign in here instead.
    ui::MsgBox(QStringLiteral("%1 may not verify requests").arg(known), ui::Buttons::OK,
               ui::Icon::Exclamation);
    txtPassword->clear();
    txtUserID->selectAll();
    txtUserID->setFocus();
}

bool frmDeletePassword::GetPassword(const QString &strEmployeeID, const QString &strPassword)
{
    const QString stored =
        modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey, strPassword);
    // The values are bound, never written into the text: the stored password form is not seen
    // by other sessions of the server or kept in its log.
    db::Recordset rs = sessionConnection().query(
        QStringLiteral("Select EmployeeId, Password from password..tbpasswordmain where "
                       "departmentid in ('4','00') and Right_Code1 = 'A' and Right_Code2 = 'S' "
                       "and Employeeid = ? and Password = ?"),
        {strEmployeeID, stored});
    const bool found = !rs.Eof();
    rs.Close();
    return found;
}

QString frmDeletePassword::employeeWithPassword(const QString &strEmployeeID,
                                                const QString &strPassword)
{
    const QString stored =
        modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey, strPassword);
    db::Recordset rs = sessionConnection().query(
        QStringLiteral("Select EmployeeId from password..tbpasswordmain where Employeeid = ? and "
                       "Password = ?"),
        {strEmployeeID, stored});
    const QString id = rs.Eof() ? QString() : rs.Fields(QStringLiteral("EmployeeId")).toText();
    rs.Close();
    return id;
}

void frmDeletePassword::setRequest(const QString &number)
{
    m_request = number.trimmed();
    setWindowTitle(m_request.isEmpty() ? QStringLiteral("Password")
                                       : QStringLiteral("Verify request %1").arg(m_request));
}

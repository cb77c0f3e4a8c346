#include "platform/session/databasedialog.h"

#include "platform/error.h"
#include "platform/session/openproblem.h"
#include "platform/session/statusline.h"
#include "platform/ui/accessiblenames.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/named.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

const QString DatabaseDialog::Title = QStringLiteral("Database Connection");

namespace {

using Kind = SessionSettings::Kind;

// The kinds in the order the list shows them, with the page each one fills in.
struct KindChoice
{
    Kind kind;
    const char *caption;
    int page;
};
constexpr KindChoice Kinds[] = {{Kind::Embedded, "Embedded file", 0},
                                {Kind::SqlServer, "SQL Server", 1},
                                {Kind::PostgreSQL, "PostgreSQL", 1},
                                {Kind::Odbc, "ODBC connection string", 2}};

int indexOf(Kind kind)
{
    for (int i = 0; i < int(std::size(Kinds)); ++i)
        if (Kinds[i].kind == kind)
            return i;
    return 0;
}

using ui::named;

} // namespace

DatabaseDialog::DatabaseDialog(const SessionSettings &current, Trial trial, QWidget *parent)
    : QDialog(parent), m_current(current), m_trial(std::move(trial))
{
    setObjectName(QStringLiteral("frmDatabase"));
    setWindowTitle(Title);

    cboKind = named(new QComboBox(this), "cboKind");
    for (const KindChoice &k : Kinds)
        cboKind->addItem(QLatin1String(k.caption));
    pages = named(new QStackedWidget(this), "pages");
    pages->addWidget(buildFilePage());
    pages->addWidget(buildServerPage());
    pages->addWidget(buildOdbcPage());

    auto *kindRow = new QFormLayout;
    kindRow->addRow(QStringLiteral("&Kind"), cboKind);

    cmdTest = named(new QPushButton(QStringLiteral("&Test Connection"), this), "cmdTest");
    cmdTest->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addButton(cmdTest, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &DatabaseDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DatabaseDialog::reject);
    connect(cmdTest, &QPushButton::clicked, this, [this] { testConnection(); });

    status = new StatusLine(this);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(kindRow);
    layout->addWidget(pages);
    layout->addStretch(1);
    layout->addWidget(status);
    layout->addWidget(buttons);
    setMinimumWidth(480);

    // The form starts from the settings in use.
    txtFile->setText(current.file);
    txtServer->setText(current.server);
    spnPort->setValue(current.port);
    txtName->setText(current.database);
    txtUser->setText(current.user);
    txtPassword->setText(current.password);
    txtConnectionString->setText(current.connectionString);
    connect(cboKind, &QComboBox::currentIndexChanged, this, &DatabaseDialog::showKind);
    cboKind->setCurrentIndex(indexOf(current.kind));
    showKind(cboKind->currentIndex());
    // What a test said holds for the form as it was tested.
    connect(cboKind, &QComboBox::currentIndexChanged, status, &StatusLine::clear);
    for (QLineEdit *field :
         {txtFile, txtServer, txtName, txtUser, txtPassword, txtConnectionString})
        connect(field, &QLineEdit::textEdited, status, &StatusLine::clear);
    connect(spnPort, &QSpinBox::valueChanged, status, &StatusLine::clear);
    keepPlaceholderReadable();
    cboKind->setFocus();
    ui::nameFromLabels(this); // the kind's list by its label, not by the kind it shows
}

QWidget *DatabaseDialog::buildFilePage()
{
    auto *page = new QWidget;
    txtFile = named(new QLineEdit(page), "txtFile");
    cmdBrowse = named(new QPushButton(QStringLiteral("&Browse..."), page), "cmdBrowse");
    cmdBrowse->setAutoDefault(false);
    connect(cmdBrowse, &QPushButton::clicked, this, &DatabaseDialog::browse);
    auto *row = new QHBoxLayout;
    row->addWidget(txtFile, 1);
    row->addWidget(cmdBrowse);
    auto *form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("&File"), page);
    label->setBuddy(txtFile);
    form->addRow(label, row);
    auto *note =
        new QLabel(QStringLiteral("A file that does not exist yet is created with the demo "
                                  "hospital's data at the next sign-in. Use one file per "
                                  "computer; several workstations share a server."),
                   page);
    note->setWordWrap(true);
    form->addRow(note);
    return page;
}

QWidget *DatabaseDialog::buildServerPage()
{
    auto *page = new QWidget;
    txtServer = named(new QLineEdit(page), "txtServer");
    spnPort = named(new QSpinBox(page), "spnPort");
    spnPort->setRange(1, 65535);
    txtName = named(new QLineEdit(page), "txtName");
    txtUser = named(new QLineEdit(page), "txtUser");
    txtPassword = named(new QLineEdit(page), "txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    auto *form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("&Server"), txtServer);
    form->addRow(QStringLiteral("P&ort"), spnPort);
    form->addRow(QStringLiteral("Data&base"), txtName);
    form->addRow(QStringLiteral("&User"), txtUser);
    form->addRow(QStringLiteral("&Password"), txtPassword);
    return page;
}

QWidget *DatabaseDialog::buildOdbcPage()
{
    auto *page = new QWidget;
    txtConnectionString = named(new QLineEdit(page), "txtConnectionString");
    txtConnectionString->setPlaceholderText(QStringLiteral(
        "DRIVER={FreeTDS};Server=...;Port=1433;Database=INVENTORY;UID=...;PWD={...}"));
    auto *form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("&Connection string"), txtConnectionString);
    return page;
}

void DatabaseDialog::showKind(int index)
{
    const KindChoice &choice = Kinds[index < 0 ? 0 : index];
    pages->setCurrentIndex(choice.page);
    if (choice.kind != Kind::PostgreSQL && choice.kind != Kind::SqlServer)
        return;
    // The port, database and user follow the server's kind unless someone typed others.
    const SessionSettings::ServerDefaults wanted = SessionSettings::defaultsFor(choice.kind);
    const SessionSettings::ServerDefaults other = SessionSettings::defaultsFor(
        choice.kind == Kind::PostgreSQL ? Kind::SqlServer : Kind::PostgreSQL);
    if (spnPort->value() == other.port)
        spnPort->setValue(wanted.port);
    if (txtName->text().trimmed().isEmpty() || txtName->text().trimmed() == other.database)
        txtName->setText(wanted.database);
    if (txtUser->text().trimmed().isEmpty() || txtUser->text().trimmed() == other.user)
        txtUser->setText(wanted.user);
}

void DatabaseDialog::keepPlaceholderReadable()
{
    // Qt draws the hint at half the text's strength, about 4:1 against the field; seven parts
    // text to three parts field reads as well as body text, on a light or a dark desktop.
    QPalette palette = txtConnectionString->palette();
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor hint = QColor::fromRgbF(text.redF() * 0.7f + base.redF() * 0.3f,
                                         text.greenF() * 0.7f + base.greenF() * 0.3f,
                                         text.blueF() * 0.7f + base.blueF() * 0.3f);
    if (palette.color(QPalette::PlaceholderText) == hint)
        return;
    palette.setColor(QPalette::PlaceholderText, hint);
    txtConnectionString->setPalette(palette);
}

void DatabaseDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        keepPlaceholderReadable();
}

void DatabaseDialog::browse()
{
    const QString chosen = QFileDialog::getSaveFileName(
        this, QStringLiteral("Embedded Database File"), txtFile->text(),
        QStringLiteral("Database files (*.db);;All files (*)"), nullptr,
        QFileDialog::DontConfirmOverwrite);
    if (!chosen.isEmpty())
        txtFile->setText(chosen);
}

SessionSettings DatabaseDialog::settings() const
{
    SessionSettings s = m_current;
    s.kind = Kinds[qMax(0, cboKind->currentIndex())].kind;
    s.file = txtFile->text().trimmed();
    s.server = txtServer->text().trimmed();
    s.port = spnPort->value();
    s.database = txtName->text().trimmed();
    s.user = txtUser->text().trimmed();
    s.password = txtPassword->text();
    s.connectionString = txtConnectionString->text().trimmed();
    return s;
}

QWidget *DatabaseDialog::missingField(QString &what) const
{
    switch (settings().kind) {
    case Kind::Embedded:
        if (txtFile->text().trimmed().isEmpty()) {
            what = QStringLiteral("Choose the database file.");
            return txtFile;
        }
        break;
    case Kind::SqlServer:
    case Kind::PostgreSQL:
        if (txtServer->text().trimmed().isEmpty()) {
            what = QStringLiteral("Type the name or address of the database server.");
            return txtServer;
        }
        if (txtName->text().trimmed().isEmpty()) {
            what = QStringLiteral("Type the name of the database on the server.");
            return txtName;
        }
        break;
    case Kind::Odbc:
        if (txtConnectionString->text().trimmed().isEmpty()) {
            what = QStringLiteral("Type the ODBC connection string.");
            return txtConnectionString;
        }
        break;
    }
    return nullptr;
}

bool DatabaseDialog::testConnection()
{
    QString what;
    if (QWidget *field = missingField(what)) {
        ui::MsgBox(what, ui::Buttons::OK, ui::Icon::Information, Title);
        field->setFocus();
        return false;
    }
    const SessionSettings s = settings();
    if (s.kind == Kind::Embedded && !QFileInfo::exists(s.file)) {
        status->say(StatusLine::Tone::Fine,
                    QStringLiteral("The file does not exist yet: it will be created with the demo "
                                   "hospital's data at the next sign-in."));
        return false;
    }
    std::optional<QString> lacking;
    try {
        ui::Hourglass hourglass;
        lacking = m_trial(s);
    } catch (const AppError &e) {
        const OpenProblem problem = describeOpenFailure(e, s);
        status->say(StatusLine::Tone::Problem, QStringLiteral("No connection. ") + problem.reason,
                    problem.details);
        return false;
    }
    if (lacking) {
        status->say(StatusLine::Tone::Problem, *lacking);
        return false;
    }
    status->say(StatusLine::Tone::Fine, QStringLiteral("Connected"));
    return true;
}

void DatabaseDialog::accept()
{
    QString what;
    if (QWidget *field = missingField(what)) {
        ui::MsgBox(what, ui::Buttons::OK, ui::Icon::Information, Title);
        field->setFocus();
        return;
    }
    try {
        settings().save();
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical, Title);
        return;
    }
    QDialog::accept();
}

// Start-up: the sign-in through the current-user component, the hospital row and its Null rules.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/session/databasedialog.h"
#include "platform/session/openproblem.h"
#include "platform/session/sessionsettings.h"
#include "platform/session/signindialog.h"
#include "platform/session/statusline.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "startup/startup.h"
#include "support/serverdatabase.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <cmath>

using namespace modInventory;

namespace {

// Types an ID and password into the sign-in dialog and presses Sign In.
void signIn(QWidget *dialog, const QString &id, const QString &password)
{
    dialog->findChild<QLineEdit *>(QStringLiteral("txtEmployeeID"))->setText(id);
    dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
    dialog->findChild<QPushButton *>(QStringLiteral("cmdSignIn"))->click();
}

// What the dialog's status line says; empty while it is hidden.
QString statusOf(QWidget *dialog)
{
    auto *status = dialog->findChild<StatusLine *>();
    return status && status->isVisibleTo(dialog) ? status->text() : QString();
}

// A database of its own on the test server, made from a template (template0: empty), dropped
// at the end of the test.
class ServerDatabase
{
public:
    explicit ServerDatabase(const QString &name) : m_name(name) {}
    ~ServerDatabase()
    {
        if (m_made)
            server()->runScript(
                QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    }
    ServerDatabase(const ServerDatabase &) = delete;
    ServerDatabase &operator=(const ServerDatabase &) = delete;

    void make(const QString &from)
    {
        server()->runScript(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(m_name, from));
        m_made = true;
    }
    db::PostgresLogon logon() const { return *testsupport::testServerLogon(m_name); }
    SessionSettings settings() const
    {
        const db::PostgresLogon l = logon();
        SessionSettings s = SessionSettings::load();
        s.kind = SessionSettings::Kind::PostgreSQL;
        s.server = l.host;
        s.port = l.port;
        s.database = l.database;
        s.user = l.user;
        s.password = l.password;
        return s;
    }

private:
    static std::unique_ptr<db::Connection> server()
    {
        return db::Connection::openPostgres(
            *testsupport::testServerLogon(QStringLiteral("postgres")));
    }
    QString m_name;
    bool m_made = false;
};

// Skips the running test (or fails it under test.sh) when there is no test server.
#define REQUIRE_TEST_SERVER()                                                                      \
    do {                                                                                           \
        if (!testsupport::testServerLogon(QString())) {                                            \
            const char *why = "No PostgreSQL test server: INVENTORY_TEST_POSTGRES is not set.";    \
            if (testsupport::serverRequired())                                                     \
                QFAIL(why);                                                                        \
            QSKIP(why);                                                                            \
        }                                                                                          \
    } while (false)

QString freshServerDatabaseName()
{
    static int made = 0;
    return QStringLiteral("startup%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
}

// WCAG's contrast ratio of text over a background: (L1 + 0.05) / (L2 + 0.05) of their relative
// luminances, the text blended over the background first when it is translucent.
double contrast(QColor text, const QColor &background)
{
    if (text.alphaF() < 1.0f) {
        const float a = text.alphaF();
        text = QColor::fromRgbF(text.redF() * a + background.redF() * (1 - a),
                                text.greenF() * a + background.greenF() * (1 - a),
                                text.blueF() * a + background.blueF() * (1 - a));
    }
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double a = luminance(text);
    const double b = luminance(background);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// Every text the dialog shows, as "object: ratio", where it reads at less than 4.5:1.
QStringList hardToRead(QWidget *dialog)
{
    QStringList found;
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(dialog))
            continue;
        const QPalette p = w->palette();
        const QPalette::ColorGroup group = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
        QList<std::pair<QString, double>> texts;
        auto check = [&](const QString &what, QPalette::ColorRole fg, QPalette::ColorRole bg) {
            texts.append({what, contrast(p.color(group, fg), p.color(group, bg))});
        };
        const QString name = QStringLiteral("%1 %2").arg(
            QLatin1String(w->metaObject()->className()), w->objectName());
        if (auto *label = qobject_cast<QLabel *>(w); label && !label->text().isEmpty()) {
            check(name, QPalette::WindowText, QPalette::Window);
        } else if (auto *line = qobject_cast<QLineEdit *>(w)) {
            check(name, QPalette::Text, QPalette::Base);
            if (line->text().isEmpty() && !line->placeholderText().isEmpty())
                check(name + QStringLiteral(" (hint)"), QPalette::PlaceholderText, QPalette::Base);
        } else if (qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QSpinBox *>(w)) {
            check(name, QPalette::Text, QPalette::Base);
        } else if (auto *tool = qobject_cast<QToolButton *>(w); tool && tool->autoRaise()) {
            check(name, QPalette::ButtonText, QPalette::Window);
        } else if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)) {
            check(name, QPalette::ButtonText, QPalette::Button);
        }
        for (const auto &[what, ratio] : texts)
            if (ratio < 4.5)
                found << QStringLiteral("%1: %2").arg(what).arg(ratio, 0, 'f', 2);
    }
    return found;
}

// A dark desktop's palette, the hints at half the text's strength as Qt draws them by default.
QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), base(0x23, 0x23, 0x23), text(0xee, 0xee, 0xee);
    for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::WindowText, text);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::Text, text);
        p.setColor(g, QPalette::Button, window);
        p.setColor(g, QPalette::ButtonText, text);
        QColor hint = text;
        hint.setAlpha(128);
        p.setColor(g, QPalette::PlaceholderText, hint);
    }
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x6e, 0x6e));
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    return p;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<clsCurrentUser> m_user;

    // A session on a fresh database holding just the hospital row given (none when empty).
    void attachHospital(const QString &insert)
    {
        auto connection = testsupport::newDatabase(*m_home);
        if (!insert.isEmpty())
            connection->runScript(insert);
        m_user = std::make_unique<clsCurrentUser>();
        m_user->attach(std::move(connection), QStringLiteral("E01"));
        objCurrentUser = m_user.get();
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_home->filePath(QStringLiteral("data")).toUtf8());
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
    }

    void cleanup()
    {
        ResetSession();
        m_user.reset();
        m_messages.reset();
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.cbegin(), windows.cend(),
                             [](QWidget *w) { return w->isVisible(); }));
    }

    void givingUpTheSignInIssuesNoStatement()
    {
        testsupport::SqlLog log;
        ui::test::whenModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        const bool started = Main();

        QVERIFY(!started);
        QVERIFY(!MainWindow());
        QVERIFY(!objCurrentUser->Connected());
        // The embedded database was made for the sign-in, but the program itself sent nothing.
        for (const QString &statement : log.statements())
            QVERIFY2(!statement.contains(QLatin1String("tbHospitalInfo")) &&
                         !statement.contains(QLatin1String("tbInvLocation")),
                     qPrintable(statement));
        QVERIFY(m_messages->messages().isEmpty());
    }

    void demoSignInOpensTheMainWindow()
    {
        bool answered = false;
        ui::test::whenModal([&](QWidget *dialog) {
            answered = true;
            signIn(dialog, QStringLiteral("e01"), QStringLiteral("DEMO"));
        });
        QVERIFY(Main());
        QVERIFY(answered);
        QVERIFY(QFile::exists(SessionSettings::defaultDatabaseFile()));
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E01"));
        QVERIFY(MainWindow());
        QCOMPARE(MainWindow()->windowTitle(), QStringLiteral("CALVOX - Inventory Request"));
        QVERIFY(!Company.isEmpty());
        QVERIFY(CurDate.isValid());
        QCOMPARE(DefaultLocationID, QStringLiteral("19"));
        QCOMPARE(InventoryTypeAccess, QStringLiteral("A"));
        // The next sign-in offers the same employee.
        QCOMPARE(SessionSettings::load().lastEmployee, QStringLiteral("E01"));
    }

    // From the first window on, every field shows what the user pastes or composes in the form
    // the database stores: the sign-in dialog's fields, the request window's editable location
    // combo.
    void fieldsTakeStorableTextFromTheStart()
    {
        const QString given =
            QChar(0xFEFF) + QStringLiteral("E0") + QChar(0xD83D) + QChar(0) + QStringLiteral("1");
        const QString shown =
            QStringLiteral("E0") + QChar(QChar::ReplacementCharacter) + QStringLiteral("1");
        QApplication::clipboard()->setText(given);
        QString signInShown;
        ui::test::whenModal([&](QWidget *dialog) {
            auto *id = dialog->findChild<QLineEdit *>(QStringLiteral("txtEmployeeID"));
            QTest::keyClick(id, Qt::Key_V, Qt::ControlModifier);
            signInShown = id->text();
            signIn(dialog, QStringLiteral("E01"), QStringLiteral("DEMO"));
        });
        QVERIFY(Main());
        QCOMPARE(signInShown, shown);
        auto *window = qobject_cast<frmMain *>(MainWindow());
        QVERIFY(window && window->cboLocation && window->cboLocation->lineEdit());
        QLineEdit *location = window->cboLocation->lineEdit();
        location->clear();
        QInputMethodEvent composed;
        composed.setCommitString(given);
        QApplication::sendEvent(window->cboLocation, &composed);
        QCOMPARE(location->text(), shown);
    }

    void wrongPasswordMayBeRetried()
    {
        int attempts = 0;
        ui::test::whenModal([&](QWidget *dialog) {
            signIn(dialog, QStringLiteral("E01"), QStringLiteral("WRONG"));
            ++attempts;
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text(),
                     QString());
            signIn(dialog, QStringLiteral("E02"), QStringLiteral("NURSE"));
            ++attempts;
        });
        QVERIFY(Main());
        QCOMPARE(attempts, 2);
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E02"));
        QCOMPARE(m_messages->messages().size(), 1);
        QCOMPARE(m_messages->messages().first().text,
                 QStringLiteral("The employee ID or the password is not valid."));
    }

    // From the sign-in dialog to another embedded file, and in, without touching a file.
    void anotherDatabaseFromTheSignIn()
    {
        const QString second = m_home->filePath(QStringLiteral("ward/second.db"));
        QDir().mkpath(QFileInfo(second).absolutePath());
        QString shown;
        ui::test::whenModal([&](QWidget *signInDialog) {
            const auto chosen = ui::test::whenModal([&](QWidget *dialog) {
                auto *d = qobject_cast<DatabaseDialog *>(dialog);
                QVERIFY(d);
                QCOMPARE(d->windowTitle(), QStringLiteral("Database Connection"));
                QCOMPARE(d->cboKind->currentText(), QStringLiteral("Embedded file"));
                d->txtFile->setText(second);
                d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            });
            auto *choose = signInDialog->findChild<QPushButton *>(QStringLiteral("cmdDatabase"));
            QVERIFY(choose);
            QCOMPARE(choose->text(), QStringLiteral("&Database..."));
            choose->click();
            QVERIFY(chosen->acted);
            shown = signInDialog->findChild<QLabel *>(QStringLiteral("lblDatabase"))->text();
            signIn(signInDialog, QStringLiteral("E01"), QStringLiteral("DEMO"));
        });
        QVERIFY(Main());
        QCOMPARE(shown, QStringLiteral("Database: ") + second);
        QCOMPARE(objCurrentUser->sqlconnection()->databaseName(), second);
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E01"));
        // Kept for the next start, in a file only its owner may read.
        const SessionSettings saved = SessionSettings::load();
        QCOMPARE(saved.kind, SessionSettings::Kind::Embedded);
        QCOMPARE(saved.file, second);
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;
        const QFileDevice::Permissions mode = QFile::permissions(SessionSettings::settingsFile());
        QVERIFY(mode & QFileDevice::ReadOwner);
        QCOMPARE(mode & others, QFileDevice::Permissions());
    }

    // From the sign-in dialog to the test server: Test Connection, OK, and in, as a DBA's
    // database of the demo hospital would be used.
    void signInToTheServer()
    {
        QString why;
        if (!testsupport::useEngine(testsupport::Engine::PostgreSQL, &why)) {
            if (testsupport::serverRequired())
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        const QString name =
            testsupport::newDatabase(*m_home, db::Contents::DemoData)->databaseName();
        testsupport::useEngine(testsupport::Engine::Sqlite, &why);
        const db::PostgresLogon logon = *testsupport::testServerLogon(name);
        QStringList said;
        ui::test::whenModal([&](QWidget *signInDialog) {
            ui::test::whenModal([&](QWidget *dialog) {
                auto *d = static_cast<DatabaseDialog *>(dialog);
                d->cboKind->setCurrentIndex(d->cboKind->findText(QStringLiteral("PostgreSQL")));
                QCOMPARE(d->spnPort->value(), 5432);
                d->txtServer->setText(logon.host);
                d->spnPort->setValue(logon.port);
                d->txtName->setText(logon.database);
                d->txtUser->setText(logon.user);
                d->txtPassword->setText(QStringLiteral("wrong"));
                QVERIFY(!d->testConnection());
                said << statusOf(d) << d->status->details();
                d->txtPassword->setText(logon.password);
                QVERIFY(d->testConnection());
                said << statusOf(d);
                d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            });
            signInDialog->findChild<QPushButton *>(QStringLiteral("cmdDatabase"))->click();
            signIn(signInDialog, QStringLiteral("E01"), QStringLiteral("DEMO"));
        });
        QVERIFY(Main());
        QCOMPARE(objCurrentUser->sqlconnection()->dialect().name(), QStringLiteral("PostgreSQL"));
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E01"));
        QVERIFY(!Company.isEmpty());
        // The refused password in a sentence, the server's text behind Details, neither naming
        // the password; then "Connected". No message box on the way.
        QCOMPARE(said.size(), 3);
        QCOMPARE(said.at(0), QStringLiteral("No connection. The server %1:%2 refused the user name "
                                            "or password.")
                                 .arg(logon.host)
                                 .arg(logon.port));
        QVERIFY2(said.at(1).contains(QLatin1String("password authentication failed")),
                 qPrintable(said.at(1)));
        QVERIFY(!said.at(0).contains(logon.password) && !said.at(1).contains(logon.password));
        QCOMPARE(said.at(2), QStringLiteral("Connected"));
        QVERIFY(m_messages->messages().isEmpty());
        QCOMPARE(SessionSettings::load().kind, SessionSettings::Kind::PostgreSQL);
    }

    // A server password comes back as saved, from the desktop's keyring where there is one or else
    // from the settings file, which then only its owner may read.
    void serverPasswordKept()
    {
        SessionSettings settings = SessionSettings::load();
        settings.kind = SessionSettings::Kind::PostgreSQL;
        settings.server = QStringLiteral("dbserver");
        settings.port = 5432;
        settings.user = QStringLiteral("inventory_app");
        settings.password = QStringLiteral("s3;cr}t=");
        settings.save();
        const SessionSettings loaded = SessionSettings::load();
        QCOMPARE(loaded.kind, SessionSettings::Kind::PostgreSQL);
        QCOMPARE(loaded.server, QStringLiteral("dbserver"));
        QCOMPARE(loaded.port, 5432);
        QCOMPARE(loaded.password, QStringLiteral("s3;cr}t="));
        QFile ini(SessionSettings::settingsFile());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        if (ini.readAll().contains("PasswordInKeyring=false"))
            QCOMPARE(QFile::permissions(SessionSettings::settingsFile()) &
                         (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                     QFileDevice::Permissions());
    }

    // A server that cannot be reached is said in the sign-in dialog, which opens at once with
    // the keyboard in its fields; another database may be chosen, and the reason goes.
    void unreachableServerLeavesTheChoice()
    {
        SessionSettings unreachable = SessionSettings::load();
        unreachable.kind = SessionSettings::Kind::SqlServer;
        unreachable.server = QStringLiteral("127.0.0.1");
        unreachable.port = 9; // nothing listens there
        unreachable.lastEmployee = QStringLiteral("E02");
        unreachable.save();
        unreachable.saveLastEmployee();
        QString first;
        QString afterChoice;
        QString typingInto;
        ui::test::whenModal([&](QWidget *signInDialog) {
            QVERIFY(qobject_cast<SignInDialog *>(signInDialog));
            first = statusOf(signInDialog);
            if (QWidget *focus = QApplication::focusWidget())
                typingInto = focus->objectName();
            ui::test::whenModal([&](QWidget *dialog) {
                auto *d = static_cast<DatabaseDialog *>(dialog);
                d->cboKind->setCurrentIndex(0); // Embedded file
                d->txtFile->setText(SessionSettings::defaultDatabaseFile());
                d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            });
            signInDialog->findChild<QPushButton *>(QStringLiteral("cmdDatabase"))->click();
            afterChoice = statusOf(signInDialog);
            signIn(signInDialog, QStringLiteral("E02"), QStringLiteral("NURSE"));
        });
        QVERIFY(Main());
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E02"));
        QVERIFY2(first.startsWith(QLatin1String("The database cannot be opened. The database "
                                                "server 127.0.0.1:9 does not answer")),
                 qPrintable(first));
        QCOMPARE(typingInto, QStringLiteral("txtPassword"));
        QCOMPARE(afterChoice, QString());
        QVERIFY(m_messages->messages().isEmpty());
    }

    // Sign In on a database that could not be opened opens it again before it checks the
    // employee: while it still cannot, the new reason is said in the dialog and what was typed
    // stays, the keyboard in the password; once it can, the sign-in goes through.
    void signInOpensTheDatabaseAgain_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("reason");
        QTest::newRow("embedded file") << false << "The database file %1 cannot be read.";
        QTest::newRow("server") << true << "The server %1 has no database named %2.";
    }

    void signInOpensTheDatabaseAgain()
    {
        QFETCH(bool, server);
        QFETCH(QString, reason);
        std::unique_ptr<ServerDatabase> database;
        QString expected;
        std::function<void()> bringBack;
        if (server) {
            REQUIRE_TEST_SERVER();
            database = std::make_unique<ServerDatabase>(freshServerDatabaseName());
            const SessionSettings settings = database->settings();
            settings.save();
            expected = reason.arg(QStringLiteral("%1:%2").arg(settings.server).arg(settings.port),
                                  settings.database);
            bringBack = [&] { database->make(QStringLiteral("inventory_demo")); };
        } else {
            // A folder where the file should be: it cannot be read until it is gone.
            const QString file = SessionSettings::defaultDatabaseFile();
            QVERIFY(QDir().mkpath(file));
            expected = reason.arg(file);
            bringBack = [file] { QVERIFY(QDir(file).removeRecursively()); };
        }
        QStringList said;
        QStringList typed;
        QString typingInto;
        ui::test::whenModal([&](QWidget *dialog) {
            said << statusOf(dialog);
            signIn(dialog, QStringLiteral("E01"), QStringLiteral("DEMO"));
            QVERIFY(dialog->isVisible());
            said << statusOf(dialog);
            // Where the keys go once the dialog is the active window again (a server's
            // "Connecting..." may have been shown over it meanwhile).
            if (QWidget *focus = dialog->focusWidget())
                typingInto = focus->objectName();
            typed << dialog->findChild<QLineEdit *>(QStringLiteral("txtEmployeeID"))->text()
                  << dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text();
            bringBack();
            dialog->findChild<QPushButton *>(QStringLiteral("cmdSignIn"))->click();
        });
        QVERIFY(Main());
        const QString shown = QStringLiteral("The database cannot be opened. ") + expected;
        QCOMPARE(said, QStringList({shown, shown}));
        QCOMPARE(typingInto, QStringLiteral("txtPassword"));
        QCOMPARE(typed, QStringList({QStringLiteral("E01"), QStringLiteral("DEMO")}));
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E01"));
        QVERIFY(MainWindow());
        QVERIFY(m_messages->messages().isEmpty());
    }

    // Why a database cannot be opened, from the real failure: one sentence, the server's or the
    // driver's own text behind Details.
    void openFailureInOneSentence_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // %1: server:port, %2: database, %3: file
        QTest::addColumn<QString>("details");
        QTest::newRow("PostgreSQL stopped")
            << "PostgreSQL"
            << "The database server %1 does not answer: it may be stopped, or the server name "
               "or port may be wrong."
            << "Connection refused";
        QTest::newRow("SQL Server stopped")
            << "SqlServer"
            << "The database server %1 does not answer: it may be stopped, or the server name "
               "or port may be wrong."
            << "Unable to connect";
        QTest::newRow("not a database file") << "Embedded"
                                             << "The database file %3 cannot be used."
                                             << "file is not a database";
        QTest::newRow("server password refused")
            << "server password"
            << "The server %1 refused the user name or password."
            << "password authentication failed";
        QTest::newRow("server without the database") << "server database"
                                                     << "The server %1 has no database named %2."
                                                     << "does not exist";
    }

    void openFailureInOneSentence()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QFETCH(QString, details);
        SessionSettings settings = SessionSettings::load();
        if (kind.startsWith(QLatin1String("server"))) {
            REQUIRE_TEST_SERVER();
            settings = ServerDatabase(freshServerDatabaseName()).settings();
            if (kind == QLatin1String("server password"))
                settings.database = QStringLiteral("postgres");
            settings.password = QStringLiteral("not-the-password");
            if (kind == QLatin1String("server database"))
                settings.password = testsupport::testServerLogon(QString())->password;
        } else if (kind == QLatin1String("Embedded")) {
            settings.file = m_home->filePath(QStringLiteral("notes.db"));
            QFile notes(settings.file);
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write(QByteArray(4096, 'x'));
        } else {
            settings.kind = kind == QLatin1String("PostgreSQL") ? SessionSettings::Kind::PostgreSQL
                                                                : SessionSettings::Kind::SqlServer;
            settings.server = QStringLiteral("127.0.0.1");
            settings.port = 9; // nothing listens there
        }
        clsCurrentUser user(settings);
        const std::optional<OpenProblem> problem = user.tryOpenDatabase();
        QVERIFY(problem);
        reason.replace(QLatin1String("%1"),
                       QStringLiteral("%1:%2").arg(settings.server).arg(settings.port));
        reason.replace(QLatin1String("%2"), settings.database);
        reason.replace(QLatin1String("%3"), settings.file);
        QCOMPARE(problem->reason, reason);
        QVERIFY2(problem->details.contains(details, Qt::CaseInsensitive),
                 qPrintable(problem->details));
        QVERIFY(!problem->details.contains(QLatin1String("not-the-password")));
        QVERIFY(!user.sqlconnection());
    }

    // Test Connection says "Connected" or why not in the dialog (a field left empty in a message
    // box), a database without the program's tables included, and never writes the settings.
    void testConnection_data()
    {
        QTest::addColumn<int>("kind");       // the list's row
        QTest::addColumn<QString>("target"); // a file, or host:port
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("details");
        QTest::newRow("embedded file") << 0 << "existing" << true << "Connected" << false;
        QTest::newRow("file not made yet")
            << 0 << "missing.db" << false
            << "The file does not exist yet: it will be created with the demo hospital's data at "
               "the next sign-in."
            << false;
        QTest::newRow("file of another program")
            << 0 << "other.db" << false
            << "Connected, but this file has no Inventory Request tables: run "
               "sql/sqlite/schema.sql on it, or choose a file that does not exist yet (it is "
               "made with the demo hospital's data)"
            << false;
        QTest::newRow("no server named")
            << 1 << "" << false << "Type the name or address of the database server." << false;
        QTest::newRow("server refuses")
            << 1 << "127.0.0.1:9" << false
            << "No connection. The database server 127.0.0.1:9 does not answer: it may be "
               "stopped, or the server name or port may be wrong."
            << true;
    }

    void testConnection()
    {
        QFETCH(int, kind);
        QFETCH(QString, target);
        QFETCH(bool, connected);
        QFETCH(QString, said);
        QFETCH(bool, details);
        const QString existing = m_home->filePath(QStringLiteral("existing.db"));
        testsupport::newDatabase(*m_home, db::Contents::SchemaOnly, QStringLiteral("existing.db"));
        {
            // A database of some other program: a table, none of ours.
            auto other = db::Connection::openSqlite(m_home->filePath(QStringLiteral("other.db")),
                                                    db::Connection::Create::IfMissing);
            other->runScript(QStringLiteral("CREATE TABLE notes (line TEXT);"));
        }
        clsCurrentUser user;
        DatabaseDialog dialog(user.settings(), [](const SessionSettings &tried) {
            clsCurrentUser probe(tried);
            probe.openDatabase();
            return missingTables(*probe.sqlconnection());
        });
        dialog.cboKind->setCurrentIndex(kind);
        if (kind == 0) {
            dialog.txtFile->setText(target == QLatin1String("existing") ? existing
                                                                        : m_home->filePath(target));
        } else {
            dialog.txtServer->setText(target.section(QLatin1Char(':'), 0, 0));
            dialog.spnPort->setValue(target.section(QLatin1Char(':'), 1, 1).toInt());
        }
        QCOMPARE(dialog.testConnection(), connected);
        const QStringList boxes = m_messages->texts();
        QCOMPARE(boxes.isEmpty() ? statusOf(&dialog) : boxes.join(QLatin1Char('|')), said);
        // The server's own text is there for whoever opens Details, and only then.
        auto *more = dialog.findChild<QToolButton *>(QStringLiteral("cmdDetails"));
        auto *text = dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtDetails"));
        QCOMPARE(more->isVisibleTo(&dialog), details);
        QVERIFY(!text->isVisibleTo(&dialog));
        if (details) {
            more->click();
            QVERIFY(text->isVisibleTo(&dialog));
            QVERIFY(!text->toPlainText().isEmpty());
            QVERIFY(!said.contains(text->toPlainText()));
        }
        // Changing the form takes back what the test said of it.
        QTest::keyClicks(dialog.txtFile, QStringLiteral("x"));
        QTest::keyClicks(dialog.txtServer, QStringLiteral("x"));
        QCOMPARE(statusOf(&dialog), QString());
        QVERIFY(!QFile::exists(SessionSettings::settingsFile()));
    }

    // On the test server: a database without the program's tables, or with some of them, is
    // named for what it lacks and the scripts that make it.
    void testConnectionOnTheServer_data()
    {
        QTest::addColumn<QString>("from"); // the database's template
        QTest::addColumn<QString>("drop");
        QTest::addColumn<QString>("said");
        QTest::newRow("ready") << "inventory_demo"
                               << ""
                               << "Connected";
        QTest::newRow("empty")
            << "template0"
            << ""
            << "Connected, but this database has no Inventory Request tables: run "
               "sql/postgresql/01 to 03";
        QTest::newRow("items missing")
            << "inventory_schema"
            << "DROP TABLE tbInvMaster CASCADE"
            << "Connected, but this database lacks the Inventory Request tables tbInvMaster: run "
               "sql/postgresql/01 to 03";
    }

    void testConnectionOnTheServer()
    {
        QFETCH(QString, from);
        QFETCH(QString, drop);
        QFETCH(QString, said);
        REQUIRE_TEST_SERVER();
        ServerDatabase database(freshServerDatabaseName());
        database.make(from);
        if (!drop.isEmpty())
            db::Connection::openPostgres(database.logon())->runScript(drop);
        clsCurrentUser user;
        DatabaseDialog dialog(database.settings(), [](const SessionSettings &tried) {
            clsCurrentUser probe(tried);
            probe.openDatabase();
            return missingTables(*probe.sqlconnection());
        });
        QCOMPARE(dialog.testConnection(),
                 drop.isEmpty() && from == QLatin1String("inventory_demo"));
        QCOMPARE(statusOf(&dialog), said);
        QVERIFY(m_messages->messages().isEmpty());
    }

    // Choosing a server's kind fills in the logon its scripts set up, unless something else was
    // typed; the other kind's defaults give way.
    void serverKindFillsItsLogon_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed"); // database/user typed first; "" for none
        QTest::addColumn<QString>("shown"); // port/database/user
        QTest::newRow("PostgreSQL") << "PostgreSQL"
                                    << ""
                                    << "5432/inventory/inventory_app";
        QTest::newRow("SQL Server") << "SQL Server"
                                    << ""
                                    << "1433/INVENTORY/sa";
        QTest::newRow("PostgreSQL, names typed") << "PostgreSQL"
                                                 << "STOCK/clerk"
                                                 << "5432/STOCK/clerk";
    }

    void serverKindFillsItsLogon()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        DatabaseDialog dialog(SessionSettings::load(),
                              [](const SessionSettings &) { return std::optional<QString>(); });
        // From the other server kind, so that its defaults are what the form holds.
        const QString other = kind == QLatin1String("PostgreSQL") ? QStringLiteral("SQL Server")
                                                                  : QStringLiteral("PostgreSQL");
        dialog.cboKind->setCurrentIndex(dialog.cboKind->findText(other));
        if (!typed.isEmpty()) {
            dialog.txtName->setText(typed.section(QLatin1Char('/'), 0, 0));
            dialog.txtUser->setText(typed.section(QLatin1Char('/'), 1, 1));
        }
        dialog.cboKind->setCurrentIndex(dialog.cboKind->findText(kind));
        QCOMPARE(QStringLiteral("%1/%2/%3")
                     .arg(dialog.spnPort->value())
                     .arg(dialog.txtName->text(), dialog.txtUser->text()),
                 shown);
    }

    // Every text of the sign-in and the database dialogs reads at 4.5:1 or more against its
    // background, on a light and on a dark desktop: the database line, the notes, the hints,
    // the reasons and their details.
    void dialogTextIsReadable_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<bool>("dark");
        for (const bool dark : {false, true}) {
            const char *desktop = dark ? "dark" : "light";
            for (const char *dialog : {"sign-in", "file", "server", "connection string"})
                QTest::newRow(qPrintable(
                    QStringLiteral("%1, %2").arg(QLatin1String(dialog), QLatin1String(desktop))))
                    << QString::fromLatin1(dialog) << dark;
        }
    }

    void dialogTextIsReadable()
    {
        QFETCH(QString, dialog);
        QFETCH(bool, dark);
        const QPalette before = QApplication::palette();
        if (dark)
            QApplication::setPalette(darkPalette());
        auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
        SessionSettings settings = SessionSettings::load();
        settings.server = QStringLiteral("127.0.0.1");
        settings.port = 9;
        std::unique_ptr<QDialog> shown;
        if (dialog == QLatin1String("sign-in")) {
            auto signIn = std::make_unique<SignInDialog>(
                settings.description(), QString(),
                [](const QString &, const QString &) { return false; },
                [](QWidget *) { return std::optional<SignInDialog::Database>(); });
            signIn->showProblem(OpenProblem{QStringLiteral("The database server does not answer."),
                                            QStringLiteral("Connection refused")});
            shown = std::move(signIn);
        } else {
            auto d = std::make_unique<DatabaseDialog>(settings, [](const SessionSettings &) {
                throw AppError(0, QString(),
                               QStringLiteral("Cannot connect to the database server: refused"));
                return std::optional<QString>();
            });
            d->cboKind->setCurrentIndex(dialog == QLatin1String("file")     ? 0
                                        : dialog == QLatin1String("server") ? 2
                                                                            : 3);
            d->txtFile->setText(m_home->filePath(QStringLiteral("existing.db")));
            QFile(d->txtFile->text()).open(QIODevice::WriteOnly);
            d->testConnection();
            shown = std::move(d);
        }
        if (auto *more = shown->findChild<QToolButton *>(QStringLiteral("cmdDetails")))
            more->click();
        const QStringList faint = hardToRead(shown.get());
        QVERIFY2(faint.isEmpty(), qPrintable(faint.join(QLatin1String("; "))));
    }

    void hospitalRow_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("allowZero");
        QTest::addColumn<bool>("autoNumber");
        QTest::newRow("general")
            << "INSERT INTO tbHospitalInfo (Company, ClientName, AllowWDZeroOnHand, "
               "isAutoWithdrawRequestNumber) VALUES ('ST. ANNE', '', 1, 1)"
            << "ST. ANNE"
            << "" << true << true;
        QTest::newRow("null auto numbering is false")
            << "INSERT INTO tbHospitalInfo (Company, ClientName, AllowWDZeroOnHand, "
               "isAutoWithdrawRequestNumber) VALUES ('X', 'KVB', 0, NULL)"
            << "X"
            << "KVB" << false << false;
        QTest::newRow("client code kept as typed")
            << "INSERT INTO tbHospitalInfo (Company, ClientName) VALUES (NULL, 'kvb')"
            << ""
            << "kvb" << false << false;
        QTest::newRow("null client code")
            << "INSERT INTO tbHospitalInfo (Company, ClientName) VALUES ('Y', NULL)"
            << "Y"
            << "" << false << false;
    }

    void hospitalRow()
    {
        QFETCH(QString, insert);
        QFETCH(QString, company);
        QFETCH(QString, client);
        QFETCH(bool, allowZero);
        QFETCH(bool, autoNumber);
        attachHospital(insert);
        LoadHospitalInfo();
        QCOMPARE(Company, company);
        QCOMPARE(ClientName, client);
        QCOMPARE(AllowWDZeroOnHand, allowZero);
        QCOMPARE(isAutoWithdrawRequestNumber, autoNumber);
        QVERIFY(qAbs(CurDate.secsTo(QDateTime::currentDateTime())) < 60);
        QVERIFY(m_messages->messages().isEmpty());
    }

    void noHospitalRow()
    {
        attachHospital(QString());
        LoadHospitalInfo();
        QCOMPARE(m_messages->messages().size(), 1);
        const ui::Message m = m_messages->messages().first();
        QCOMPARE(m.text, QStringLiteral("No Hospital information was found"));
        QCOMPARE(m.title, QStringLiteral("MESSAGE"));
        QCOMPARE(m.icon, ui::Icon::Information);
        QCOMPARE(m.buttons, ui::Buttons::OK);
        QCOMPARE(Company, QString());
        QCOMPARE(ClientName, QString());
        QVERIFY(!CurDate.isValid());
        QVERIFY(!AllowWDZeroOnHand);
        QVERIFY(!isAutoWithdrawRequestNumber);
    }

    void raisedErrorCarriesNumberSourceAndText()
    {
        try {
            RaiseError(9999, QStringLiteral("clsItem:OnHand Property Get"));
            QFAIL("nothing was raised");
        } catch (const AppError &e) {
            QCOMPARE(e.number(), static_cast<long>(static_cast<qint32>(0x80040000u + 9999u)));
            QCOMPARE(e.source(), QStringLiteral("clsItem:OnHand Property Get"));
            QCOMPARE(e.description(), QStringLiteral("An unknown error has occurred!"));
        }
        QCOMPARE(GetErrorText(12345), QStringLiteral("An unknown error has occurred!"));
    }
};

INVENTORY_TEST_MAIN(TestStartup)
#include "tst_startup.moc"

// Start-up: the sign-in through the current-user component, the hospital row and its Null rules.
#include "testsupport.h"

#include "app/modInventory.h"
#include "platform/db/dberror.h"
#include "platform/db/dialect.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/session/databasedialog.h"
#include "platform/session/sessionsettings.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "serverdatabase.h"
#include "startup/startup.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace modInventory;

namespace {

// Types an ID and password into the sign-in dialog and presses Sign In.
void signIn(QWidget *dialog, const QString &id, const QString &password)
{
    dialog->findChild<QLineEdit *>(QStringLiteral("txtEmployeeID"))->setText(id);
    dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
    dialog->findChild<QPushButton *>(QStringLiteral("cmdSignIn"))->click();
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
                d->txtPassword->setText(logon.password);
                QVERIFY(d->testConnection());
                d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            });
            signInDialog->findChild<QPushButton *>(QStringLiteral("cmdDatabase"))->click();
            signIn(signInDialog, QStringLiteral("E01"), QStringLiteral("DEMO"));
        });
        QVERIFY(Main());
        QCOMPARE(objCurrentUser->sqlconnection()->dialect().name(), QStringLiteral("PostgreSQL"));
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E01"));
        QVERIFY(!Company.isEmpty());
        // The refused password's message names no password; then "Connected".
        QCOMPARE(m_messages->messages().size(), 2);
        QVERIFY(m_messages->texts().at(0).startsWith(QLatin1String("No connection.")));
        QVERIFY(!m_messages->texts().at(0).contains(logon.password));
        QCOMPARE(m_messages->texts().at(1), QStringLiteral("Connected"));
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

    // A server that cannot be reached is reported, and the sign-in still lets another be chosen.
    void unreachableServerLeavesTheChoice()
    {
        SessionSettings unreachable = SessionSettings::load();
        unreachable.kind = SessionSettings::Kind::SqlServer;
        unreachable.server = QStringLiteral("127.0.0.1");
        unreachable.port = 9; // nothing listens there
        unreachable.save();
        ui::test::whenModal([&](QWidget *signInDialog) {
            ui::test::whenModal([&](QWidget *dialog) {
                auto *d = static_cast<DatabaseDialog *>(dialog);
                d->cboKind->setCurrentIndex(0); // Embedded file
                d->txtFile->setText(SessionSettings::defaultDatabaseFile());
                d->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
            });
            signInDialog->findChild<QPushButton *>(QStringLiteral("cmdDatabase"))->click();
            signIn(signInDialog, QStringLiteral("E02"), QStringLiteral("NURSE"));
        });
        QVERIFY(Main());
        QCOMPARE(objCurrentUser->EmployeeCode(), QStringLiteral("E02"));
        QCOMPARE(m_messages->messages().size(), 1);
        QVERIFY2(
            m_messages->texts().first().startsWith(QLatin1String("The database cannot be opened.")),
            qPrintable(m_messages->texts().first()));
    }

    // Test Connection says "Connected" or why not, and never writes the settings.
    void testConnection_data()
    {
        QTest::addColumn<int>("kind");       // the list's row
        QTest::addColumn<QString>("target"); // a file, or host:port
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("message");
        QTest::newRow("embedded file") << 0 << "existing" << true << "Connected";
        QTest::newRow("file not made yet")
            << 0 << "missing.db" << false
            << "The file does not exist yet: it will be created with the demo hospital's data at "
               "the next sign-in.";
        QTest::newRow("no server named")
            << 1 << "" << false << "Type the name or address of the database server.";
        QTest::newRow("server refuses") << 1 << "127.0.0.1:9" << false << "No connection.";
    }

    void testConnection()
    {
        QFETCH(int, kind);
        QFETCH(QString, target);
        QFETCH(bool, connected);
        QFETCH(QString, message);
        const QString existing = m_home->filePath(QStringLiteral("existing.db"));
        testsupport::newDatabase(*m_home, db::Contents::SchemaOnly, QStringLiteral("existing.db"));
        clsCurrentUser user;
        DatabaseDialog dialog(user.settings(), [](const SessionSettings &tried) {
            clsCurrentUser probe(tried);
            probe.openDatabase();
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
        QCOMPARE(m_messages->messages().size(), 1);
        QVERIFY2(m_messages->texts().first().startsWith(message),
                 qPrintable(m_messages->texts().first()));
        QCOMPARE(m_messages->messages().first().title, QStringLiteral("Database Connection"));
        QVERIFY(!QFile::exists(SessionSettings::settingsFile()));
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

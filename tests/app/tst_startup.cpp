// Start-up: the sign-in through the current-user component, the hospital row and its Null rules.
#include "testsupport.h"

#include "app/modInventory.h"
#include "platform/db/dberror.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/session/sessionsettings.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

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

    void wrongPasswordMayBeRetried()
    {
        int attempts = 0;
        ui::test::whenModal([&](QWidget *dialog) {
            signIn(dialog, QStringLiteral("E01"), QStringLiteral("WRONG"));
            ++attempts;
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text(), QString());
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

    void hospitalRow_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("allowZero");
        QTest::addColumn<bool>("autoNumber");
        QTest::newRow("general") << "INSERT INTO tbHospitalInfo (Company, ClientName, AllowWDZeroOnHand, "
                                    "isAutoWithdrawRequestNumber) VALUES ('ST. ANNE', '', 1, 1)"
                                 << "ST. ANNE" << "" << true << true;
        QTest::newRow("null auto numbering is false")
            << "INSERT INTO tbHospitalInfo (Company, ClientName, AllowWDZeroOnHand, "
               "isAutoWithdrawRequestNumber) VALUES ('X', 'KVB', 0, NULL)"
            << "X" << "KVB" << false << false;
        QTest::newRow("client code kept as typed")
            << "INSERT INTO tbHospitalInfo (Company, ClientName) VALUES (NULL, 'kvb')"
            << "" << "kvb" << false << false;
        QTest::newRow("null client code") << "INSERT INTO tbHospitalInfo (Company, ClientName) VALUES ('Y', NULL)"
                                          << "Y" << "" << false << false;
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

// The authorization dialog: who is accepted, the keys, the retry after a wrong password, a fresh
// start on every showing, typed SQL that stays a value, and a password that never travels in a
// statement's text. Every case runs on the embedded file and on the PostgreSQL test server.
#include "support/serverdatabase.h"
#include "support/testsupport.h"

#include "app/modEncryption.h"
#include "dialogs/frmDeletePassword.h"
#include "platform/db/sqlquote.h"
#include "platform/ui/msgbox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Staff as the password table holds them: the password in its stored (transformed) form.
QString staff(const QString &id, const QString &password, const QString &department,
              const QString &right1, const QString &right2)
{
    return QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, Password, "
                          "DepartmentID, Right_Code1, Right_Code2) VALUES (%1, 'X', 'Y', %2, %3, "
                          "%4, %5);\n")
        .arg(db::quoted(id),
             db::quoted(modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey,
                                                   password)),
             db::quoted(department), db::quoted(right1), db::quoted(right2));
}

QString fixture()
{
    return staff(QStringLiteral("E02"), QStringLiteral("NURSE"), QStringLiteral("4"),
                 QStringLiteral("A"), QStringLiteral("S")) +
           staff(QStringLiteral("E03"), QStringLiteral("PASSWORD LONGER THAN KEY"),
                 QStringLiteral("00"), QStringLiteral("A"), QStringLiteral("S")) +
           staff(QStringLiteral("E04"), QStringLiteral("NURSE"), QStringLiteral("7"),
                 QStringLiteral("A"), QStringLiteral("S")) +
           staff(QStringLiteral("E05"), QStringLiteral("NURSE"), QStringLiteral("4"),
                 QStringLiteral("A"), QStringLiteral("X")) +
           staff(QStringLiteral("O'NEIL"), QStringLiteral("WARD"), QStringLiteral("4"),
                 QStringLiteral("A"), QStringLiteral("S"));
}

} // namespace

class TestPassword : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    // Shows the shared dialog modally and lets the action work on it like a user.
    std::shared_ptr<const ui::test::ModalWatch>
    show(const std::function<void(frmDeletePassword &)> &action)
    {
        auto watch = ui::test::whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<frmDeletePassword *>(w);
            QVERIFY(dialog);
            action(*dialog);
        });
        frmDeletePassword::instance().exec();
        return watch;
    }

    static void type(QLineEdit *box, const QString &text) { QTest::keyClicks(box, text); }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init()
    {
        INVENTORY_USE_ENGINE_OF_ROW();
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        m_session = std::make_unique<testsupport::Session>(fixture());
    }

    void cleanup()
    {
        frmDeletePassword::unload();
        m_session.reset();
        m_messages.reset();
        testsupport::checkModalWatchesDone();
    }

    void getPassword_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("department 4") << "E02"
                                      << "NURSE" << true;
        QTest::newRow("department 00, password longer than the key")
            << "E03"
            << "PASSWORD LONGER THAN KEY" << true;
        QTest::newRow("password in another case") << "E02"
                                                  << "nurse" << false;
        QTest::newRow("another department") << "E04"
                                            << "NURSE" << false;
        QTest::newRow("second right not S") << "E05"
                                            << "NURSE" << false;
        QTest::newRow("empty ID and password") << ""
                                               << "" << false;
        QTest::newRow("quote mark in a real ID") << "O'NEIL"
                                                 << "WARD" << true;
        QTest::newRow("ID that ends the statement") << "E02'--"
                                                    << "" << false;
        QTest::newRow("ID with an always-true test") << "E02' or '1'='1"
                                                     << "x" << false;
        QTest::newRow("ID with an always-true test, no password") << "x' or 1=1 or Employeeid = '"
                                                                  << "" << false;
        QTest::newRow("password with an always-true test") << "E02"
                                                           << "' or '1'='1" << false;
    }

    void getPassword()
    {
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        QCOMPARE(frmDeletePassword::instance().GetPassword(id, password), accepted);
    }

    void lookupStatement()
    {
        testsupport::SqlLog log;
        const bool found = frmDeletePassword::instance().GetPassword(QStringLiteral("E02"),
                                                                     QStringLiteral("NURSE"));
        QVERIFY(found);
        const QString stored = modEncryption::EncryptText(
            QStringLiteral("E"), QStringLiteral("ZEPHYRQUANTOL"), QStringLiteral("NURSE"));
        QCOMPARE(log.statements(),
                 QStringList{QStringLiteral(
                     "Select EmployeeId, Password from password..tbpasswordmain where "
                     "departmentid in ('4','00') and Right_Code1 = 'A' and "
                     "Right_Code2 = 'S' and Employeeid = ? and Password = **** -- with 2 bound "
                     "value(s)")});
        // The values are bound: the stored password form is in no statement text or log.
        QVERIFY(!log.statements().join(QLatin1Char(' ')).contains(stored));
    }

    // Neither the password nor its stored form is in the text of any statement the lookup sends,
    // whether the verification succeeds or fails: not in the program's log, and on the server
    // not in what another session of the shared role sees of it (pg_stat_activity).
    void lookupSendsNoPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted") << "NURSE" << true;
        QTest::newRow("refused") << "NURSES" << false;
    }

    void lookupSendsNoPassword()
    {
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        const QString stored =
            modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey, password);
        const bool server = testsupport::currentEngine() == testsupport::Engine::PostgreSQL;
        QString backend;
        if (server) {
            backend = m_session->connection()
                          .query(QStringLiteral("Select pg_backend_pid() As pid"), {})
                          .Fields(QStringLiteral("pid"))
                          .toText();
        }

        QStringList logged;
        {
            testsupport::SqlLog log;
            QCOMPARE(frmDeletePassword::instance().GetPassword(QStringLiteral("E02"), password),
                     accepted);
            logged = log.statements();
        }
        QCOMPARE(logged.size(), 1);
        QVERIFY2(!logged.first().contains(password) && !logged.first().contains(stored),
                 qPrintable(logged.first()));

        if (server) {
            // The statement as the server holds it, read by another session.
            auto observer = testsupport::openTarget(testsupport::targetOf(m_session->connection()));
            const QString seen =
                observer
                    ->query(QStringLiteral("Select query From pg_stat_activity Where pid = ?"),
                            {backend.toInt()})
                    .Fields(QStringLiteral("query"))
                    .toText();
            QVERIFY2(seen.contains(QLatin1String("tbpasswordmain"), Qt::CaseInsensitive),
                     qPrintable(seen));
            QVERIFY2(!seen.contains(password) && !seen.contains(stored), qPrintable(seen));
        }
    }

    void looks()
    {
        const auto watch = show([](frmDeletePassword &d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("Password"));
            QCOMPARE(d.lblUserID->text(), QStringLiteral("ID"));
            QCOMPARE(d.cmdEnter->text(), QStringLiteral("&Enter"));
            QTRY_COMPARE(QApplication::focusWidget(), d.txtUserID);
            type(d.txtPassword, QStringLiteral("AB C"));
            QCOMPARE(d.txtPassword->displayText(), QString(4, QChar(0xB7))); // middle dots
            QCOMPARE(d.txtPassword->text(), QStringLiteral("AB C"));
            d.reject();
        });
        QVERIFY(watch->acted);
    }

    // Enter moves from the ID to the password and then presses Enter; a wrong password is
    // refused and the user tries again.
    void keyboardAndRetry()
    {
        const auto watch = show([this](frmDeletePassword &d) {
            type(d.txtUserID, QStringLiteral("  E02 "));
            QTest::keyClick(d.txtUserID, Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), d.txtPassword);
            type(d.txtPassword, QStringLiteral("NURSES"));
            QTest::keyClick(d.txtPassword, Qt::Key_Return);
            QVERIFY(d.isVisible());
            QVERIFY(!d.OKCharge());
            QTRY_COMPARE(QApplication::focusWidget(), d.txtPassword);
            QTest::keyClick(d.txtPassword, Qt::Key_Backspace);
            QTest::keyClick(d.txtPassword, Qt::Key_Return);
        });
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->count(), 1);
        const ui::Message refused = m_messages->messages().first();
        QCOMPARE(refused.text, QStringLiteral("Password not valid!"));
        QCOMPARE(refused.icon, ui::Icon::Information);
        QCOMPARE(refused.buttons, ui::Buttons::OK);
        QCOMPARE(refused.title, ui::ApplicationTitle);
        QVERIFY(frmDeletePassword::instance().OKCharge());
        QCOMPARE(frmDeletePassword::instance().VerifyID(), QStringLiteral("E02"));
    }

    // A refusal says why: the right password of an employee without the right to verify is no
    // typing error, and another try with it cannot help. Neither check sends the password.
    void refusalSaysWhy_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        const int info = int(ui::Icon::Information);
        const int warning = int(ui::Icon::Exclamation);
        QTest::newRow("another department") << "E04"
                                            << "NURSE"
                                            << "E04 may not verify requests" << warning;
        QTest::newRow("second right not S") << "E05"
                                            << "NURSE"
                                            << "E05 may not verify requests" << warning;
        QTest::newRow("ID typed in small letters") << " e05 "
                                                   << "NURSE"
                                                   << "E05 may not verify requests" << warning;
        QTest::newRow("wrong password, no right") << "E05"
                                                  << "NURSES"
                                                  << "Password not valid!" << info;
        QTest::newRow("wrong password, right to verify") << "E02"
                                                         << "NURSES"
                                                         << "Password not valid!" << info;
        QTest::newRow("unknown ID") << "E99"
                                    << "NURSE"
                                    << "Password not valid!" << info;
    }

    void refusalSaysWhy()
    {
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(int, icon);
        const bool noRight = icon == int(ui::Icon::Exclamation);
        QStringList logged;
        const auto watch = show([&](frmDeletePassword &d) {
            type(d.txtUserID, id);
            type(d.txtPassword, password);
            {
                testsupport::SqlLog log;
                d.cmdEnter->click();
                logged = log.statements();
            }
            QVERIFY(d.isVisible());
            QVERIFY(!d.OKCharge());
            // After a refusal for want of the right, the next person types an ID of their own.
            QTRY_COMPARE(QApplication::focusWidget(), noRight ? d.txtUserID : d.txtPassword);
            QCOMPARE(d.txtPassword->text().isEmpty(), noRight);
            d.reject();
        });
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(m_messages->messages().first().text, message);
        QCOMPARE(int(m_messages->messages().first().icon), icon);
        QVERIFY(!frmDeletePassword::instance().OKCharge());
        QCOMPARE(frmDeletePassword::instance().VerifyID(), QString());

        const QString stored =
            modEncryption::EncryptText(QStringLiteral("E"), modEncryption::PasswordKey, password);
        QVERIFY(!logged.isEmpty());
        for (const QString &statement : logged)
            QVERIFY2(!statement.contains(password) && !statement.contains(stored),
                     qPrintable(statement));
    }

    // The title names the request being verified; without one it is the plain "Password".
    void titleNamesTheRequest_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("title");
        QTest::newRow("request") << "13"
                                 << "Verify request 13";
        QTest::newRow("number with blanks") << " 7 "
                                            << "Verify request 7";
        QTest::newRow("no number") << ""
                                   << "Password";
    }

    void titleNamesTheRequest()
    {
        QFETCH(QString, number);
        QFETCH(QString, title);
        frmDeletePassword::instance().setRequest(QStringLiteral("99"));
        frmDeletePassword::instance().setRequest(number);
        QString shown;
        const auto watch = show([&](frmDeletePassword &d) {
            shown = d.windowTitle();
            d.reject();
        });
        QVERIFY(watch->acted);
        QCOMPARE(shown, title);
    }

    void typedSqlIsRefused()
    {
        const auto watch = show([](frmDeletePassword &d) {
            type(d.txtUserID, QStringLiteral("E02' OR '1'='1' --"));
            type(d.txtPassword, QStringLiteral("' OR '1'='1"));
            d.cmdEnter->click();
            QVERIFY(d.isVisible());
            d.reject();
        });
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("Password not valid!")});
        QVERIFY(!frmDeletePassword::instance().OKCharge());
        QCOMPARE(frmDeletePassword::instance().VerifyID(), QString());
    }

    void closingAcceptsNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Escape in the ID") << "id";
        QTest::newRow("Escape in the password") << "password";
        QTest::newRow("close box") << "close";
    }

    void closingAcceptsNothing()
    {
        QFETCH(QString, how);
        const auto watch = show([&](frmDeletePassword &d) {
            type(d.txtUserID, QStringLiteral("E02"));
            type(d.txtPassword, QStringLiteral("NURSE")); // right, but never entered
            if (how == QLatin1String("id"))
                QTest::keyClick(d.txtUserID, Qt::Key_Escape);
            else if (how == QLatin1String("password"))
                QTest::keyClick(d.txtPassword, Qt::Key_Escape);
            else
                d.close();
        });
        QVERIFY(watch->acted);
        QVERIFY(!frmDeletePassword::instance().OKCharge());
        QCOMPARE(frmDeletePassword::instance().VerifyID(), QString());
        QVERIFY(m_messages->messages().isEmpty());
    }

    // The next showing starts with nothing accepted and nothing typed: the password the last
    // user left cannot authorise again.
    void everyShowingStartsAfresh()
    {
        show([](frmDeletePassword &d) {
            type(d.txtUserID, QStringLiteral("E02"));
            type(d.txtPassword, QStringLiteral("NURSE"));
            d.cmdEnter->click();
        });
        QVERIFY(frmDeletePassword::instance().OKCharge());
        const auto watch = show([](frmDeletePassword &d) {
            QVERIFY(!d.OKCharge());
            QCOMPARE(d.VerifyID(), QString());
            QCOMPARE(d.txtUserID->text(), QString());
            QCOMPARE(d.txtPassword->text(), QString());
            QTRY_COMPARE(QApplication::focusWidget(), d.txtUserID);
            d.cmdEnter->click(); // the empty ID and password are looked up and refused
            QVERIFY(d.isVisible());
            d.reject();
        });
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("Password not valid!")});
        QVERIFY(!frmDeletePassword::instance().OKCharge());
    }

    void failingLookupIsShown()
    {
        m_session->connection().Execute(QStringLiteral("Drop Table tbPasswordMain"));
        const auto watch = show([](frmDeletePassword &d) {
            type(d.txtUserID, QStringLiteral("E02"));
            type(d.txtPassword, QStringLiteral("NURSE"));
            d.cmdEnter->click();
            QVERIFY(d.isVisible());
            QTRY_COMPARE(QApplication::focusWidget(), d.txtPassword);
            d.reject();
        });
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->count(), 1);
        // The engine's own words, naming the missing table.
        QVERIFY2(m_messages->messages().first().text.contains(QLatin1String("tbpasswordmain"),
                                                              Qt::CaseInsensitive),
                 qPrintable(m_messages->messages().first().text));
        QVERIFY(!frmDeletePassword::instance().OKCharge());
    }
};

INVENTORY_TEST_MAIN(TestPassword)
#include "tst_password.moc"

// What the user sees while the program waits for a server: the connecting dialog, which can be
// cancelled and gives up at the bound, and the note on the active window during a long answer.
#include "support/testsupport.h"

#include "support/serverdatabase.h"

#include "platform/db/dberror.h"
#include "platform/session/serverprobe.h"
#include "platform/ui/serverwaitindicator.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace db;

namespace {

// A port that takes connections and never says a word: a server that hangs.
class SilentServer
{
public:
    SilentServer()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(m_socket, 4);
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(m_socket); }
    SilentServer(const SilentServer &) = delete;
    SilentServer &operator=(const SilentServer &) = delete;

    int port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace

class TestServerWaitWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        Connection::setWaitObserver({});
        testsupport::checkModalWatchesDone();
        testsupport::useEngine(testsupport::Engine::Sqlite, nullptr);
    }

    // The dialog says where it connects at once; Cancel ends the attempt, and so does the bound.
    void connectingDialog_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("cancelled") << true;
        QTest::newRow("not answered") << false;
    }

    void connectingDialog()
    {
        QFETCH(bool, cancel);
        const SilentServer server;
        PostgresLogon logon{QStringLiteral("127.0.0.1"), server.port(),       QStringLiteral("x"),
                            QStringLiteral("u"),         QStringLiteral("p"), 1};
        QString shown;
        const auto watch = ui::test::whenModal([&](QWidget *dialog) {
            shown = dialog->findChild<QLabel *>(QStringLiteral("lblConnecting"))->text();
            if (cancel)
                dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
        });
        QElapsedTimer clock;
        clock.start();
        const auto error = testsupport::raised([&] { probeServer(logon); });
        QCOMPARE(shown, QStringLiteral("Connecting to 127.0.0.1:%1...").arg(server.port()));
        QVERIFY(error);
        if (cancel) {
            QVERIFY(error->description().contains(QLatin1String("cancelled")));
        } else {
            QCOMPARE(error->description(), QStringLiteral("The server did not answer within 1 s."));
            QVERIFY(clock.elapsed() >= 900 &&
                    clock.elapsed() < 10000); // at the bound, not for ever
        }
        // The watch sees the dialog gone at its next look, which needs the event loop once more.
        QTRY_VERIFY(watch->finished);
    }

    // A long answer: the busy pointer and the note on the active window while it lasts, the
    // window not closed meanwhile, and all of it gone after.
    void waitShownOnWindow()
    {
        QString why;
        if (!testsupport::useEngine(testsupport::Engine::PostgreSQL, &why)) {
            if (testsupport::serverRequired())
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        QTemporaryDir dir;
        const QString name = testsupport::newDatabase(dir)->databaseName();
        auto logon = *testsupport::testServerLogon(name);
        logon.timeoutSeconds = 1;
        auto c = Connection::openPostgres(logon);
        const int pid =
            int(c->OpenRecordset(QStringLiteral("Select pg_backend_pid()")).Fields(0).toInteger());

        QWidget window;
        window.resize(400, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        ui::ServerWaitIndicator::install();
        QStringList seen;
        bool closed = false;
        ui::ServerWaitIndicator &indicator = ui::ServerWaitIndicator::instance();
        Connection::setWaitObserver([&](const WaitState &state) {
            indicator.report(state);
            if (state.phase != WaitState::Phase::Continuing || !seen.isEmpty())
                return;
            QLabel *note = indicator.note();
            seen << (note && note->isVisible() && note->window() == &window ? note->text()
                                                                            : QString())
                 << QString::number(QApplication::overrideCursor()
                                        ? int(QApplication::overrideCursor()->shape())
                                        : -1);
            closed = window.close(); // refused while waiting
        });
        QVERIFY(::kill(pid, SIGSTOP) == 0);
        const auto error =
            testsupport::raised([&] { c->OpenRecordset(QStringLiteral("Select 1")); });
        ::kill(pid, SIGCONT);
        QVERIFY(error);
        QCOMPARE(seen, (QStringList{QStringLiteral("Waiting for the server... (up to 1 s)"),
                                    QString::number(int(Qt::WaitCursor))}));
        QVERIFY(!closed);
        QVERIFY(window.isVisible());
        QVERIFY(!indicator.note());
        QVERIFY(!QApplication::overrideCursor());
    }
};

INVENTORY_TEST_MAIN(TestServerWaitWindow)
#include "tst_serverwaitwindow.moc"

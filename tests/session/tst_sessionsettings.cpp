// The settings file holds a server password: nobody but its owner may ever read it, whatever the
// umask, from the first write on; the wait bound it keeps, and the logon a server kind starts from.
#include "support/testsupport.h"

#include "platform/session/sessionsettings.h"

#include <atomic>
#include <thread>

#include <dirent.h>
#include <sys/stat.h>

namespace {

// Every entry of folder readable or writable by others while it is watched, by name and mode.
class FolderWatch
{
public:
    FolderWatch(const QString &folder, bool settingsFileMayBeOpen) : m_folder(folder.toUtf8())
    {
        m_thread = std::thread([this, settingsFileMayBeOpen] {
            while (!m_stop) {
                DIR *dir = ::opendir(m_folder.constData());
                if (!dir)
                    continue;
                while (dirent *entry = ::readdir(dir)) {
                    const QByteArray name(entry->d_name);
                    if (name == "." || name == "..")
                        continue;
                    if (settingsFileMayBeOpen && name == "session.ini")
                        continue; // readable before the test began; its mode is checked after
                    struct stat info
                    {
                    };
                    if (::stat((m_folder + '/' + name).constData(), &info) == 0 &&
                        (info.st_mode & (S_IRWXG | S_IRWXO)))
                        m_exposed << QStringLiteral("%1 %2")
                                         .arg(QString::fromUtf8(name))
                                         .arg(info.st_mode & 0777, 0, 8);
                }
                ::closedir(dir);
            }
        });
    }
    ~FolderWatch() { stop(); }

    QStringList stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        m_exposed.removeDuplicates();
        return m_exposed;
    }

private:
    QByteArray m_folder;
    std::atomic<bool> m_stop{false};
    QStringList m_exposed;
    std::thread m_thread;
};

mode_t modeOf(const QString &path)
{
    struct stat info
    {
    };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

} // namespace

class TestSessionSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    mode_t m_umask = 022;

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toUtf8());
        m_umask = ::umask(0);
    }

    void cleanup()
    {
        ::umask(m_umask);
        m_home.reset();
    }

    void ownerOnlyFromCreation_data()
    {
        QTest::addColumn<bool>("readableBefore");
        QTest::newRow("first write") << false;
        QTest::newRow("over a file others could read") << true;
    }

    void ownerOnlyFromCreation()
    {
        QFETCH(bool, readableBefore);
        const QString file = SessionSettings::settingsFile();
        const QString folder = QFileInfo(file).absolutePath();
        if (readableBefore) {
            QVERIFY(QDir().mkpath(folder));
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("[Database]\nPassword=old\n");
            old.close();
            ::chmod(QFile::encodeName(folder).constData(), 0755);
            ::chmod(QFile::encodeName(file).constData(), 0644);
        } else {
            // The folder must exist to be watched: an empty one, made as loosely as the umask lets.
            QVERIFY(QDir().mkpath(folder));
        }

        FolderWatch watch(folder, readableBefore);
        SessionSettings settings;
        settings.kind = SessionSettings::Kind::PostgreSQL;
        settings.server = QStringLiteral("dbserver");
        for (int i = 0; i < 20; ++i) {
            settings.password = QStringLiteral("secret-%1").arg(i);
            settings.save();
            settings.lastEmployee = QStringLiteral("E%1").arg(i);
            settings.saveLastEmployee();
        }
        QCOMPARE(watch.stop(), QStringList());
        QCOMPARE(modeOf(file), mode_t(0600));
        QCOMPARE(modeOf(folder), mode_t(0700));
        QCOMPARE(SessionSettings::load().lastEmployee, QStringLiteral("E19"));
        // The umask of the program is its own again.
        const mode_t now = ::umask(0);
        QCOMPARE(now, mode_t(0));
    }

    void timeoutSetting_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("seconds");
        QTest::newRow("absent") << QString() << 30;
        QTest::newRow("given") << QStringLiteral("5") << 5;
        QTest::newRow("not a number") << QStringLiteral("soon") << 30;
        QTest::newRow("zero") << QStringLiteral("0") << 30;
    }

    void timeoutSetting()
    {
        QFETCH(QString, written);
        QFETCH(int, seconds);
        {
            QSettings ini(SessionSettings::settingsFile(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Database/Kind"), QStringLiteral("PostgreSQL"));
            if (!written.isEmpty())
                ini.setValue(QStringLiteral("Database/Timeout"), written);
        }
        SessionSettings loaded = SessionSettings::load();
        QCOMPARE(loaded.timeoutSeconds, seconds);
        QCOMPARE(loaded.postgresLogon().timeoutSeconds, seconds);
        // Kept when the database dialog saves the settings again.
        loaded.save();
        QCOMPARE(SessionSettings::load().timeoutSeconds, seconds);
    }

    // A server logon the file leaves out is the one its engine's scripts set up; what the file
    // gives is kept.
    void serverLogonDefaults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("written"); // port/name/user, "" when not written
        QTest::addColumn<QString>("loaded");
        QTest::newRow("PostgreSQL") << "PostgreSQL"
                                    << ""
                                    << "5432/inventory/inventory_app";
        QTest::newRow("SQL Server") << "SqlServer"
                                    << ""
                                    << "1433/INVENTORY/sa";
        QTest::newRow("PostgreSQL as written") << "PostgreSQL"
                                               << "6432/stock/clerk"
                                               << "6432/stock/clerk";
    }

    void serverLogonDefaults()
    {
        QFETCH(QString, kind);
        QFETCH(QString, written);
        QFETCH(QString, loaded);
        {
            QSettings ini(SessionSettings::settingsFile(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("Database/Kind"), kind);
            if (!written.isEmpty()) {
                const QStringList parts = written.split(QLatin1Char('/'));
                ini.setValue(QStringLiteral("Database/Port"), parts.at(0));
                ini.setValue(QStringLiteral("Database/Name"), parts.at(1));
                ini.setValue(QStringLiteral("Database/User"), parts.at(2));
            }
        }
        const SessionSettings s = SessionSettings::load();
        QCOMPARE(QStringLiteral("%1/%2/%3").arg(s.port).arg(s.database, s.user), loaded);
    }
};

INVENTORY_TEST_MAIN(TestSessionSettings)
#include "tst_sessionsettings.moc"

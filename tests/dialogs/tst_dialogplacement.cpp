// Where the dialogs open on a small screen: each one whole on the screen, centred on the window
// it belongs to (maximised when the screen is too small for it), resizable, and wide enough for
// its title. The test runs on a fake screen of 1000 x 440 pixels, lower than the product search.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "dialogs/frmDeletePassword.h"
#include "dialogs/frmItemLookup.h"
#include "dialogs/frmKitEntry.h"
#include "dialogs/frmLookup.h"
#include "dialogs/frmReportViewer.h"

#include <QScreen>

#include <functional>

namespace {

const QSize ScreenSize(1000, 440);

// The window the dialogs belong to, off the screen's centre so that centring on it shows.
const QRect ParentGeometry(270, 80, 400, 240);

// Opens one dialog as its caller does, without waiting for it; the dialog is the caller's to
// delete.
using Opener = std::function<QWidget *()>;

} // namespace

class TestDialogPlacement : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_main;

private slots:
    void init()
    {
        m_main = std::make_unique<QWidget>();
        m_main->setWindowTitle(QStringLiteral("Request window"));
        m_main->setGeometry(ParentGeometry);
        m_main->show();
        QApplication::setActiveWindow(m_main.get());
        modInventory::registerMainWindow(m_main.get());
    }

    void cleanup()
    {
        frmDeletePassword::unload();
        frmItemLookup::unload();
        frmKitEntry::unload();
        frmLookup::unload();
        modInventory::registerMainWindow(nullptr);
        m_main.reset();
    }

    void opensOnTheScreen_data()
    {
        QTest::addColumn<Opener>("open");
        QTest::addColumn<bool>("maximised");
        QTest::newRow("verification") << Opener([] {
            frmDeletePassword::instance().setRequest(QStringLiteral("13"));
            return &frmDeletePassword::instance();
        }) << false;
        QTest::newRow("verification of a long request number") << Opener([] {
            frmDeletePassword::instance().setRequest(QStringLiteral("2026-000000000000013"));
            return &frmDeletePassword::instance();
        }) << false;
        QTest::newRow("product search, higher than the screen")
            << Opener([] { return &frmItemLookup::instance(); }) << true;
        QTest::newRow("kit") << Opener([] { return &frmKitEntry::instance(); }) << false;
        // It has no parent: it centres on the window active when it opens.
        QTest::newRow("code lookup") << Opener([] { return &frmLookup::instance(); }) << false;
        QTest::newRow("report viewer") << Opener([] {
            auto *viewer = new frmReportViewer(nullptr, modInventory::MainWindow());
            viewer->setWindowTitle(QStringLiteral("Request 13"));
            return viewer;
        }) << false;
    }

    void opensOnTheScreen()
    {
        QFETCH(Opener, open);
        QFETCH(bool, maximised);
        QWidget *dialog = open();
        dialog->show();
        QCoreApplication::processEvents();

        const QRect available = dialog->screen()->availableGeometry();
        QCOMPARE(available.size(), ScreenSize);
        const QRect frame = dialog->frameGeometry();
        QVERIFY2(available.contains(frame), qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                                           .arg(frame.x())
                                                           .arg(frame.y())
                                                           .arg(frame.width())
                                                           .arg(frame.height())));
        QCOMPARE(dialog->isMaximized(), maximised);

        // The user can make it larger and smaller, as small as it goes still on the screen.
        QCOMPARE(dialog->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        QVERIFY(dialog->minimumSizeHint().width() <= available.width());
        QVERIFY(dialog->minimumSizeHint().height() <= available.height());

        // The whole title shows: the bar has room for it besides its icon and three buttons.
        QFont titleFont = dialog->font();
        titleFont.setBold(true);
        const int title = QFontMetrics(titleFont).horizontalAdvance(dialog->windowTitle());
        QVERIFY2(dialog->width() >= title + 100,
                 qPrintable(
                     QStringLiteral("%1 wide for a title of %2").arg(dialog->width()).arg(title)));

        if (!maximised) {
            // Centred on the request window, but for a height only the whole screen holds.
            const QPoint centre = m_main->frameGeometry().center();
            QVERIFY2(qAbs(frame.center().x() - centre.x()) <= 1,
                     qPrintable(QString::number(frame.center().x())));
            if (frame.height() < available.height())
                QVERIFY2(qAbs(frame.center().y() - centre.y()) <= 1,
                         qPrintable(QString::number(frame.center().y())));
        }
        if (auto *viewer = qobject_cast<frmReportViewer *>(dialog)) {
            // A page's width, and all the height the screen has.
            QCOMPARE(frame.height(), available.height());
            QCOMPARE(viewer->width(), 900);
            delete viewer;
        } else {
            dialog->hide();
        }
    }
};

// A fake screen for the offscreen platform, set before the application starts.
int main(int argc, char **argv)
{
    testsupport::prepareEnvironment();
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(
        QStringLiteral(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": %1, )"
                       R"("height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
            .arg(ScreenSize.width())
            .arg(ScreenSize.height())
            .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", QFile::encodeName(QStringLiteral("offscreen:configfile=") + config));
    QApplication app(argc, argv);
    TestDialogPlacement test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialogplacement.moc"

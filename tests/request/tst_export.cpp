// Export to a spreadsheet: the list as filtered and the lines of the request shown, written to the
// file chosen in the save dialog and read back by Python's csv module; names with quotes, commas,
// line breaks and accents kept, numbers and dates read as such; the names proposed; a file that
// cannot be written reported.
#include "support/testsupport.h"

#include "support/csvreadback.h"

#include "app/modInventory.h"
#include "dialogs/frmRequestHistory.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

using namespace modInventory;

namespace {

// Names as other programs store them: quotes, commas, a line break, letters beyond ASCII.
const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD "A", EAST', NULL, 0, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('28', 'NIÑOS
ANNEX', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E01', 'DE LA CRUZ', 'JOSÉ');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1001', 'MASK "N95"', 'ADULT, LARGE');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1002', 'GASA ESTÉRIL', 'LINE1
LINE2');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, Status, VerifiedBy) VALUES
    ('7', '1001', 100, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', '', NULL, NULL),
    ('7', '1002', 2.5, 1234.5678, 'N', 0, '19', '27', '2026-11-02 09:00:00', 'E01', '', NULL, NULL),
    ('13', '1001', 1, 12.5, 'Y', 0, '19', '28', '2026-11-03 14:05:09', 'E01', '', NULL, NULL);
)";

QStringList kindsOf(const QList<testsupport::CsvCell> &row)
{
    QStringList kinds;
    for (const testsupport::CsvCell &cell : row)
        kinds << cell.kind;
    return kinds;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<QTemporaryDir> m_files;

    frmMain &w() { return *m_window; }

    void start()
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromUtf8(Fixture));
        ClientName.clear();
        isAutoWithdrawRequestNumber = false;
        CurDate = QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    // Export pressed, the save dialog answered with path; the name it proposed.
    QString exportTo(const QString &path) { return answeredSaveDialog(path, w().cmdExport); }

    // The save dialog that pressing `button` opens, answered with path; the name it proposed.
    QString answeredSaveDialog(const QString &path, QPushButton *button)
    {
        QString proposed, chosen;
        const auto watch = ui::test::whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog)
                return;
            proposed = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            // Typed into the name box, as the user does (selectFile leaves a box that has the
            // focus alone).
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!name)
                return;
            name->setText(path);
            chosen = dialog->selectedFiles().value(0);
            static_cast<QDialog *>(dialog)->accept(); // as the Save button does
        });
        button->click();
        if (!watch->acted)
            return QStringLiteral("(no dialog)");
        if (chosen != path)
            return QStringLiteral("(the dialog chose %1)").arg(chosen);
        return proposed;
    }

    QString fileIn(const QString &name) { return m_files->filePath(name); }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init()
    {
        INVENTORY_USE_ENGINE_OF_ROW();
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        m_files = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_messages.reset();
        m_files.reset();
        testsupport::checkModalWatchesDone();
    }

    // The list as shown, in its order: its headers, the names as stored, the date with its
    // seconds (the grid shows it shorter).
    void listReadBack()
    {
        start();
        const QString path = fileIn(QStringLiteral("list.csv"));
        QCOMPARE(exportTo(path), QStringLiteral("Requests.csv"));
        QCOMPARE(m_messages->texts(), QStringList());

        const auto read = testsupport::readCsvWithPython(path);
        QCOMPARE(testsupport::cellTexts(read),
                 (QList<QStringList>{{"Doc #", "Request From", "To", "Date", "Requested By"},
                                     {"7", "WARD \"A\", EAST", "CENTRAL SUPPLY",
                                      "2026-11-02 09:00:00", "DE LA CRUZ, JOSÉ"},
                                     {"13", "NIÑOS\nANNEX", "CENTRAL SUPPLY", "2026-11-03 14:05:09",
                                      "DE LA CRUZ, JOSÉ"}}));
        QCOMPARE(kindsOf(read.value(1)), (QStringList{"number", "text", "text", "date", "text"}));
        QVERIFY(w().statusBar()->currentMessage().startsWith(
            QStringLiteral("2 requests exported to ")));
    }

    // The history window's Export writes its rows under their headers, through the same save
    // dialog, proposing the request's name.
    void historyReadBack()
    {
        start();
        testsupport::openListed(w(), QStringLiteral("7"));
        w().grdDetails->setTextMatrix(1, 2, QStringLiteral("120"));
        w().cmdSave->click(); // its first version
        QCOMPARE(m_messages->texts(), QStringList());
        testsupport::selectListed(w(), QStringLiteral("7"));
        const QString path = fileIn(QStringLiteral("history.csv"));
        QString proposed;
        QStringList headers;
        QList<QStringList> rows;
        const auto watch = ui::test::whenModal([&](QWidget *modal) {
            auto *history = qobject_cast<frmRequestHistory *>(modal);
            if (!history)
                return;
            headers = history->headers();
            rows = history->rows();
            QVERIFY(history->cmdExport->isVisible());
            proposed = answeredSaveDialog(path, history->cmdExport);
            history->reject();
        });
        w().cmdHistory->click();
        QVERIFY(watch->acted);
        QCOMPARE(proposed, QStringLiteral("Request 7 history.csv"));
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(rows.size(), 1);
        const auto read = testsupport::readCsvWithPython(path);
        QCOMPARE(read.size(), 2);
        QCOMPARE(testsupport::cellTexts(read).first(), headers);
        // The version a number, its time a date; the rest as shown.
        QCOMPARE(kindsOf(read.value(1)), (QStringList{"number", "text", "text", "date", "text"}));
        const QStringList written = testsupport::cellTexts(read).value(1);
        QCOMPARE(written.value(0), rows.first().value(0));
        QCOMPARE(written.mid(1, 2), rows.first().mid(1, 2));
        QCOMPARE(written.value(4), rows.first().value(4));
    }

    // The lines of the request shown: the shown columns only, money without its grouping.
    void linesReadBack()
    {
        start();
        testsupport::openListed(w(), QStringLiteral("7"));
        QCOMPARE(w().grdDetails->TextMatrix(1, 4), QStringLiteral("1,250.0000")); // as shown
        const QString path = fileIn(QStringLiteral("lines.csv"));
        QCOMPARE(exportTo(path), QStringLiteral("Request 7.csv"));
        QCOMPARE(m_messages->texts(), QStringList());

        const auto read = testsupport::readCsvWithPython(path);
        QCOMPARE(testsupport::cellTexts(read),
                 (QList<QStringList>{
                     {"Code", "Product Name & Description", "Quantity", "Unit Cost", "Total Cost",
                      "Retail?"},
                     {"1001", "MASK \"N95\" ADULT, LARGE", "100", "12.5000", "1250.0000", "Y"},
                     {"1002", "GASA ESTÉRIL LINE1\nLINE2", "2.5", "1234.5678", "3086.4195", "N"}}));
        QCOMPARE(kindsOf(read.value(2)),
                 (QStringList{"number", "text", "number", "number", "number", "text"}));
    }

    void proposedNames_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("name");
        QTest::newRow("the list") << "list"
                                  << "Requests.csv";
        QTest::newRow("request 13") << "13"
                                    << "Request 13.csv";
        QTest::newRow("a new request") << "new"
                                       << "Request.csv";
    }

    void proposedNames()
    {
        QFETCH(QString, shown);
        QFETCH(QString, name);
        start();
        if (shown == QLatin1String("new"))
            w().cmdNew->click();
        else if (shown != QLatin1String("list"))
            testsupport::openListed(w(), shown);
        QCOMPARE(w().exportFileName(), name);
    }

    // Nothing to export: said, and no dialog.
    void nothingToExport_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("an empty list") << "empty list"
                                       << "The list has no requests to export.";
        QTest::newRow("a request without lines") << "new"
                                                 << "The request has no lines to export.";
    }

    void nothingToExport()
    {
        QFETCH(QString, shown);
        QFETCH(QString, message);
        start();
        if (shown == QLatin1String("new"))
            w().cmdNew->click();
        else
            w().chkverified->click(); // no verified request is stored
        m_messages->clear();
        const ui::test::ModalsShown modals;
        w().cmdExport->click();
        QCOMPARE(modals.classNames(), QStringList());
        QCOMPARE(m_messages->texts(), QStringList{message});
    }

    // A file that cannot be written: the user is told which and why, and nothing claims success.
    // No file can be made in /proc, whatever the user's rights.
    void writeFailureReported()
    {
        start();
        const QString path = QStringLiteral("/proc/Requests.csv");
        w().statusBar()->clearMessage();
        QCOMPARE(exportTo(path), QStringLiteral("Requests.csv"));

        QCOMPARE(m_messages->count(), 1);
        const ui::Message &said = m_messages->messages().constFirst();
        QVERIFY2(said.text.startsWith(QStringLiteral("The file %1 could not be written: ")
                                          .arg(QDir::toNativeSeparators(path))),
                 qPrintable(said.text));
        QVERIFY(said.text.endsWith(QStringLiteral("Nothing was exported.")));
        QCOMPARE(said.icon, ui::Icon::Critical);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(w().statusBar()->currentMessage(), QString());
    }
};

INVENTORY_TEST_MAIN(TestExport)
#include "tst_export.moc"

// Printing a request from the request window: the template and the request chosen, the viewer
// windows, the printed text, PDF export, and what the user is told when printing cannot go on.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "app/modReports.h"
#include "dialogs/frmReportViewer.h"
#include "platform/report/report.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbHospitalInfo (HospitalID, Company, Address, TelNum)
    VALUES (1, 'KESTREL RIDGE GENERAL HOSPITAL', '1200 LARKSPUR AVENUE', '(555) 014-3300');
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', 'A', 1, 0, 1, 'S');
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, '');
INSERT INTO tbInvLocation VALUES ('28', 'WARD 4', NULL, 0, 0, 1, '');
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbinvUserLocation VALUES ('E01', '28');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E01', 'REYES', 'ANA');
INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName) VALUES ('E02', 'OKAFOR', 'GRACE');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1001', 'GAUZE 4X4', 'STERILE');
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc) VALUES ('1002', 'SYRINGE 5CC', 'DISPOSABLE');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks)
    VALUES ('12', '1002', 1, 3, 'Y', 0, '19', '28', '2026-11-20 10:00:00', 'E01', 'ER');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, VerifiedBy, VerifiedDate)
    VALUES ('15', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
            'E02', '2026-11-02 15:20:00');
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, VerifiedBy, VerifiedDate)
    VALUES ('15', '1002', 10, 3.25, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
            'E02', '2026-11-02 15:20:00');
)";

// A request of many lines, for page navigation.
QString longRequest(const QString &number, int lines)
{
    QString script;
    for (int i = 1; i <= lines; ++i)
        script +=
            QStringLiteral(
                "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
                "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Remarks) "
                "VALUES ('%1', '1002', %2, 3, 'N', 0, '19', '28', '2026-11-21 10:00:00', "
                "'E01', 'MONTHLY');\n")
                .arg(number)
                .arg(i);
    return script;
}

QList<frmReportViewer *> viewers()
{
    QList<frmReportViewer *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *viewer = qobject_cast<frmReportViewer *>(widget))
            found << viewer;
    }
    return found;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_templates; // the templates as the build ships them
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;

    void start(const QString &extra = QString(), const QString &client = QString(),
               bool autoNumber = false)
    {
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture) + extra);
        Company = QStringLiteral("KESTREL RIDGE GENERAL HOSPITAL");
        ClientName = client;
        isAutoWithdrawRequestNumber = autoNumber;
        CurDate = QDateTime(QDate(2026, 12, 10), QTime(8, 30, 15));
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
    }

    frmMain &w() { return *m_window; }

    void selectListed(const QString &number) { testsupport::selectListed(w(), number); }

    // The one viewer a print opened, checked for what every print has in common.
    frmReportViewer *printedViewer()
    {
        const QList<frmReportViewer *> open = viewers();
        if (open.size() != 1)
            return nullptr;
        frmReportViewer *viewer = open.first();
        if (!viewer->windowTitle().startsWith(QLatin1String("Request ")) || !viewer->isVisible() ||
            viewer->centralWidget() != viewer->CRViewer1 || !viewer->ReportSource() ||
            viewer->ReportSource()->pageCount() != viewer->pageCount())
            return nullptr;
        return viewer;
    }

    // A copy of the shipped templates in a folder of the test's own, with one text replaced.
    QString changedTemplates(const QString &from, const QString &to)
    {
        const QString folder = m_dir.filePath(QStringLiteral("changed"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (const char *name : {"DepartmentRequest.rpt", "DepartmentRequest_Short.rpt"}) {
            QFile in(QDir(m_templates).filePath(QLatin1String(name)));
            if (!in.open(QIODevice::ReadOnly))
                return QString();
            QString text = QString::fromUtf8(in.readAll());
            if (!from.isEmpty())
                text = from == QLatin1String("*") ? to : text.replace(from, to);
            QFile out(QDir(folder).filePath(QLatin1String(name)));
            if (!out.open(QIODevice::WriteOnly))
                return QString();
            out.write(text.toUtf8());
        }
        return folder;
    }

private slots:
    void initTestCase()
    {
        m_templates =
            QFileInfo(QFINDTESTDATA("../../reports/DepartmentRequest.rpt")).absolutePath();
        QVERIFY(!m_templates.isEmpty());
    }

    void init()
    {
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        setReportFolder(m_templates);
    }

    void cleanup()
    {
        m_window.reset(); // the viewers are the request window's and go with it
        qDeleteAll(viewers());
        m_session.reset();
        m_messages.reset();
        PubReport.reset();
        setReportFolder(QString());
    }

    void chosenTemplate_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("listed");  // the listing's current request
        QTest::addColumn<QString>("details"); // the request opened on the Details tab, if any
        QTest::addColumn<bool>("onDetails");  // the Details tab showing when View is pressed
        QTest::addColumn<bool>("printShort");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("number");
        const QString full = QStringLiteral("DepartmentRequest.rpt");
        const QString brief = QStringLiteral("DepartmentRequest_Short.rpt");
        QTest::newRow("list") << ""
                              << "7"
                              << "" << false << false << full << "7";
        QTest::newRow("list, another row") << ""
                                           << "12"
                                           << "" << false << false << full << "12";
        QTest::newRow("details") << ""
                                 << "12"
                                 << "12" << true << false << full << "12";
        QTest::newRow("list after details: the list's row")
            << ""
            << "7"
            << "12" << false << false << full << "7";
        QTest::newRow("KVB, Print Short ticked") << "KVB"
                                                 << "12"
                                                 << "" << false << true << brief << "12";
        QTest::newRow("KVB, details, ticked") << "KVB"
                                              << "7"
                                              << "7" << true << true << brief << "7";
        QTest::newRow("KVB, not ticked") << "KVB"
                                         << "7"
                                         << "" << false << false << full << "7";
    }

    void chosenTemplate()
    {
        QFETCH(QString, client);
        QFETCH(QString, listed);
        QFETCH(QString, details);
        QFETCH(bool, onDetails);
        QFETCH(bool, printShort);
        QFETCH(QString, file);
        QFETCH(QString, number);
        start(QString(), client);
        if (!details.isEmpty()) {
            selectListed(details);
            w().SSTab1->setCurrentIndex(1); // the tab rule opens it
            QCOMPARE(w().txtDocNum->text(), details);
        }
        if (!onDetails) {
            w().SSTab1->setCurrentIndex(0);
            selectListed(listed);
        }
        w().chkPrint->setChecked(printShort);
        w().cmdView->click();

        QCOMPARE(m_messages->texts(), QStringList());
        QVERIFY(!QApplication::overrideCursor());
        frmReportViewer *viewer = printedViewer();
        QVERIFY(viewer);
        const auto &printed = viewer->ReportSource();
        QCOMPARE(QFileInfo(printed->filePath()).fileName(), file);
        QCOMPARE(printed->ParameterFields().size(), 1);
        QCOMPARE(printed->ParameterFields().first().CurrentValue().toString(), number);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Request ") + number);
        QVERIFY(printed->document().pageLines(0).contains(QRegularExpression(
            QStringLiteral(".*(Request No\\. \\||PICK SHEET  No\\.) %1( \\|.*)?").arg(number))));
    }

    void twoPrintsTwoWindows()
    {
        start();
        selectListed(QStringLiteral("7"));
        w().cmdView->click();
        selectListed(QStringLiteral("12"));
        w().cmdView->click();
        QList<frmReportViewer *> open = viewers();
        QCOMPARE(open.size(), 2);
        QVERIFY(open.at(0)->ReportSource() != open.at(1)->ReportSource());
        frmReportViewer *first = open.at(0)->ReportSource() == PubReport ? open.at(1) : open.at(0);
        frmReportViewer *second = first == open.at(0) ? open.at(1) : open.at(0);
        QCOMPARE(second->ReportSource(), PubReport); // the report opened last

        // Closing one lets go of the shared report; the other keeps showing its own.
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(viewers(), QList<frmReportViewer *>{second});
        QVERIFY(!PubReport);
        second->CRViewer1->updatePreview();
        QCOMPARE(second->pageCount(), 1);
        QCOMPARE(second->ReportSource()->ParameterFields().first().CurrentValue().toString(),
                 QStringLiteral("12"));
        QCOMPARE(m_messages->count(), 0);
    }

    void printedText_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("printShort");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("footer");
        QTest::newRow("full")
            << "" << false
            << QStringList{"KESTREL RIDGE GENERAL HOSPITAL",
                           "1200 LARKSPUR AVENUE   (555) 014-3300",
                           "DEPARTMENT STOCK REQUEST",
                           "Request No. | 15 | Date | 11/02/2026 09:00 AM",
                           "Department From | WARD 3 | Request To | CENTRAL SUPPLY",
                           "Requested By | REYES, ANA | Status | PENDING",
                           "Verified By | OKAFOR, GRACE | Verified On | 11/02/2026 03:20 PM",
                           "Justification | WARD STOCK",
                           "No. | Code | Item Name and Description | Quantity | Unit Cost | "
                           "Total Cost | Retail | ADS",
                           "1 | 1001 | GAUZE 4X4 STERILE | 5 | 12.50 | 62.50 | Y | N",
                           "2 | 1002 | SYRINGE 5CC DISPOSABLE | 10 | 3.25 | 32.50 | N | Y",
                           "2 line(s) | Grand Total | 95.00",
                           "Requested by | Verified by | Received by"}
            << "^Printed \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d [AP]M \\| Request No\\. 15 \\| "
               "Page 1 of 1$";
        QTest::newRow("short")
            << "KVB" << true
            << QStringList{"KESTREL RIDGE GENERAL HOSPITAL | PICK SHEET  No. 15",
                           "From | WARD 3 | To | CENTRAL SUPPLY",
                           "Date | 11/02/2026 09:00 AM | Requested By | REYES, ANA",
                           "No. | Code | Item | Qty | Picked | Remarks",
                           "1 | 1001 | GAUZE 4X4 STERILE | 5",
                           "2 | 1002 | SYRINGE 5CC DISPOSABLE | 10",
                           "2 item(s).  Justification: WARD STOCK",
                           "Picked by | Checked by | Received by"}
            << "^Request No\\. 15, printed \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d [AP]M \\| "
               "Page 1 of 1$";
    }

    // A verified request, printed from the list of verified requests.
    void printedText()
    {
        QFETCH(QString, client);
        QFETCH(bool, printShort);
        QFETCH(QStringList, lines);
        QFETCH(QString, footer);
        start(QString(), client);
        w().chkverified->click();
        selectListed(QStringLiteral("15"));
        w().chkPrint->setChecked(printShort);
        w().cmdView->click();
        frmReportViewer *viewer = printedViewer();
        QVERIFY(viewer);
        QCOMPARE(viewer->pageCount(), 1);
        QStringList page = viewer->ReportSource()->document().pageLines(0);
        const QString foot = page.takeLast();
        QCOMPARE(page, lines);
        QVERIFY2(QRegularExpression(footer).match(foot).hasMatch(), qPrintable(foot));
    }

    void pdfExport()
    {
        start();
        selectListed(QStringLiteral("7"));
        w().cmdView->click();
        frmReportViewer *viewer = printedViewer();
        QVERIFY(viewer);
        QCOMPARE(QFileInfo(viewer->suggestedFileName()).fileName(),
                 QStringLiteral("Request 7.pdf"));
        const QString path = m_dir.filePath(QStringLiteral("request 7.pdf"));
        QVERIFY(viewer->exportPdf(path));
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY2(bytes.size() > 5000, qPrintable(QString::number(bytes.size())));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));

        // A file that cannot be written is reported, and nothing else happens.
        QVERIFY(!viewer->exportPdf(m_dir.filePath(QStringLiteral("no such folder/x.pdf"))));
        QCOMPARE(m_messages->count(), 1);
        QVERIFY(m_messages->texts().first().contains(QStringLiteral("cannot be written")));
        QCOMPARE(viewers().size(), 1);
    }

    void viewerNavigation()
    {
        start(longRequest(QStringLiteral("40"), 120));
        selectListed(QStringLiteral("40"));
        w().cmdView->click();
        frmReportViewer *viewer = printedViewer();
        QVERIFY(viewer);
        const int pages = viewer->pageCount();
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QCOMPARE(viewer->currentPage(), 1);
        QCOMPARE(viewer->lblPage->text(), QStringLiteral("Page 1 of %1").arg(pages));
        QVERIFY(!viewer->actPreviousPage->isEnabled());

        viewer->actLastPage->trigger();
        QCOMPARE(viewer->currentPage(), pages);
        QCOMPARE(viewer->lblPage->text(), QStringLiteral("Page %1 of %1").arg(pages));
        QVERIFY(!viewer->actNextPage->isEnabled());
        viewer->actPreviousPage->trigger();
        QCOMPARE(viewer->currentPage(), pages - 1);
        viewer->actFirstPage->trigger();
        QCOMPARE(viewer->currentPage(), 1);
        viewer->actNextPage->trigger();
        QCOMPARE(viewer->currentPage(), 2);

        const qreal zoom = viewer->CRViewer1->zoomFactor();
        viewer->actZoomIn->trigger();
        QVERIFY(viewer->CRViewer1->zoomFactor() > zoom);
        viewer->actFitPage->trigger();
        QCOMPARE(viewer->CRViewer1->zoomMode(), QPrintPreviewWidget::FitInView);

        viewer->resize(700, 500);
        QCoreApplication::processEvents();
        QCOMPARE(viewer->CRViewer1->width(), viewer->width());
        QCOMPARE(m_messages->count(), 0);
    }

    // Escape or Ctrl+W closes the viewer, wherever the focus is in it.
    void viewerClosesFromTheKeyboard_data()
    {
        QTest::addColumn<QKeyCombination>("key");
        QTest::newRow("Escape") << QKeyCombination(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeyCombination(Qt::CTRL | Qt::Key_W);
    }

    void viewerClosesFromTheKeyboard()
    {
        QFETCH(QKeyCombination, key);
        start();
        selectListed(QStringLiteral("7"));
        w().cmdView->click();
        QPointer<frmReportViewer> viewer = printedViewer();
        QVERIFY(viewer);
        QApplication::setActiveWindow(viewer);
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        QTest::keyClick(viewer->CRViewer1, key.key(), key.keyboardModifiers());
        QTRY_VERIFY(!viewer || !viewer->isVisible());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("from"); // the text of the templates replaced ("*": all of it)
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>(
            "typed"); // the number typed on a new request; "-": print request 7
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        const int critical = int(ui::Icon::Critical);
        const int information = int(ui::Icon::Information);
        QTest::newRow("template missing") << "missing"
                                          << ""
                                          << "-"
                                          << "DepartmentRequest.rpt\" was not found" << critical;
        QTest::newRow("template malformed")
            << "*"
            << "[Report]\nFormat = 1\n[Query]\nSelect {Stock}\n"
            << "-"
            << "line 4: the table {Stock} is not in [Tables]" << critical;
        QTest::newRow("table location without a dot")
            << "INVENTORY.dbo.tbInvWithdrawRequest"
            << "tbInvWithdrawRequest"
            << "-"
            << "\"tbInvWithdrawRequest\" names no database" << critical;
        QTest::newRow("query fails") << "A.Remarks"
                                     << "A.NoSuchColumn"
                                     << "-"
                                     << "cannot read its data" << critical;
        QTest::newRow("unknown number")
            << ""
            << ""
            << "999"
            << "There is no saved request numbered \"999\"." << information;
        QTest::newRow("no number")
            << ""
            << ""
            << ""
            << "There is no request to print. Choose a request in the list first." << information;
    }

    void failures()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, icon);
        if (from == QLatin1String("missing"))
            setReportFolder(m_dir.filePath(QStringLiteral("empty")));
        else if (!from.isEmpty())
            setReportFolder(changedTemplates(from, to));
        start(QString(), QString(), typed != QLatin1String("-"));
        if (typed == QLatin1String("-")) {
            selectListed(QStringLiteral("7"));
        } else {
            w().cmdNew->click();
            QTest::keyClicks(w().txtDocNum, typed);
        }
        w().cmdView->click();

        QCOMPARE(m_messages->count(), 1);
        const ui::Message shown = m_messages->messages().first();
        QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
        QCOMPARE(int(shown.icon), icon);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(viewers().size(), 0);

        // The window stays usable: a print that can go on still does.
        setReportFolder(m_templates);
        w().SSTab1->setCurrentIndex(0);
        selectListed(QStringLiteral("7"));
        w().cmdView->click();
        QCOMPARE(viewers().size(), 1);
    }

    // Where the program looks for its templates: beside itself in the build tree, in the data
    // folder of the prefix it was installed into (however that prefix was moved) after install.
    void templateFolder_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("build tree") << true << false << "bin";
        QTest::newRow("installed prefix") << false << true << "share/inventory-request/reports";
        QTest::newRow("beside wins") << true << true << "bin";
        QTest::newRow("none: the program's folder") << false << false << "bin";
    }

    void templateFolder()
    {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QDir prefix(m_dir.filePath(QStringLiteral("staged root/opt/inventory request")));
        QVERIFY(prefix.removeRecursively());
        QVERIFY(prefix.mkpath(QStringLiteral("bin")));
        for (const auto &[wanted, folder] :
             {std::pair{beside, QStringLiteral("bin")},
              std::pair{installed, QStringLiteral("share/inventory-request/reports")}}) {
            if (!wanted)
                continue;
            QVERIFY(prefix.mkpath(folder));
            QFile templ(
                QDir(prefix.filePath(folder)).filePath(QStringLiteral("DepartmentRequest.rpt")));
            QVERIFY(templ.open(QIODevice::WriteOnly));
        }

        QCOMPARE(QDir::cleanPath(FindReportFolder(prefix.filePath(QStringLiteral("bin")))),
                 QDir::cleanPath(prefix.filePath(expected)));
    }
};

INVENTORY_TEST_MAIN(TestPrinting)
#include "tst_printing.moc"

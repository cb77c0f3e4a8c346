#include "dialogs/frmReportViewer.h"

#include "app/modInventory.h"
#include "app/modReports.h"
#include "platform/report/report.h"
#include "platform/report/reporterror.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/windowplacement.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsView>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>

namespace {

const double ZoomStep = 1.25;

} // namespace

frmReportViewer::frmReportViewer(std::shared_ptr<report::Report> report, QWidget *parent)
    : QMainWindow(parent), m_report(std::move(report))
{
    setObjectName(QStringLiteral("frmReportViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (m_report) {
        m_printer->setFullPage(true);
        m_printer->setPageLayout(m_report->pageLayout());
        m_printer->setDocName(m_report->title());
    }
    buildWindow();
    Form_Load();
}

frmReportViewer::~frmReportViewer()
{
    // The preview draws on the printer: it goes first.
    delete CRViewer1;
    CRViewer1 = nullptr;
}

void frmReportViewer::buildWindow()
{
    CRViewer1 = new QPrintPreviewWidget(m_printer.get(), this);
    CRViewer1->setObjectName(QStringLiteral("CRViewer1"));
    setCentralWidget(CRViewer1); // fills the window whatever its size
    // The pages are shown by a view inside the preview, and that view takes the focus.
    CRViewer1->setAccessibleName(QStringLiteral("Report pages"));
    for (auto *pages : CRViewer1->findChildren<QGraphicsView *>()) {
        pages->setAccessibleName(CRViewer1->accessibleName());
        pages->viewport()->setAccessibleName(QStringLiteral("Report page area"));
    }

    tbrViewer = addToolBar(QStringLiteral("Report"));
    tbrViewer->setObjectName(QStringLiteral("tbrViewer"));
    tbrViewer->setMovable(false);
    tbrViewer->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto add = [this](QAction *&action, const QString &text, const char *name,
                            QStyle::StandardPixmap icon, const QKeySequence &key,
                            void (frmReportViewer::*handler)()) {
        action = tbrViewer->addAction(text);
        action->setObjectName(QLatin1String(name));
        if (icon != QStyle::SP_CustomBase)
            action->setIcon(style()->standardIcon(icon));
        if (!key.isEmpty())
            action->setShortcut(key);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    add(actFirstPage, QStringLiteral("First"), "actFirstPage", QStyle::SP_MediaSkipBackward,
        QKeySequence(Qt::CTRL | Qt::Key_Home), &frmReportViewer::FirstPage);
    add(actPreviousPage, QStringLiteral("Previous"), "actPreviousPage",
        QStyle::SP_MediaSeekBackward, QKeySequence(Qt::Key_PageUp), &frmReportViewer::PreviousPage);
    lblPage = new QLabel(this);
    lblPage->setObjectName(QStringLiteral("lblPage"));
    lblPage->setContentsMargins(8, 0, 8, 0);
    tbrViewer->addWidget(lblPage);
    add(actNextPage, QStringLiteral("Next"), "actNextPage", QStyle::SP_MediaSeekForward,
        QKeySequence(Qt::Key_PageDown), &frmReportViewer::NextPage);
    add(actLastPage, QStringLiteral("Last"), "actLastPage", QStyle::SP_MediaSkipForward,
        QKeySequence(Qt::CTRL | Qt::Key_End), &frmReportViewer::LastPage);
    tbrViewer->addSeparator();
    add(actZoomIn, QStringLiteral("Zoom In"), "actZoomIn", QStyle::SP_CustomBase,
        QKeySequence::ZoomIn, &frmReportViewer::ZoomIn);
    add(actZoomOut, QStringLiteral("Zoom Out"), "actZoomOut", QStyle::SP_CustomBase,
        QKeySequence::ZoomOut, &frmReportViewer::ZoomOut);
    add(actFitWidth, QStringLiteral("Fit Width"), "actFitWidth", QStyle::SP_CustomBase,
        QKeySequence(), &frmReportViewer::FitWidth);
    add(actFitPage, QStringLiteral("Whole Page"), "actFitPage", QStyle::SP_CustomBase,
        QKeySequence(), &frmReportViewer::FitPage);
    tbrViewer->addSeparator();
    add(actPrint, QStringLiteral("Print..."), "actPrint", QStyle::SP_CustomBase,
        QKeySequence::Print, &frmReportViewer::PrintReport);
    add(actExport, QStringLiteral("Export to PDF..."), "actExport", QStyle::SP_DialogSaveButton,
        QKeySequence(Qt::CTRL | Qt::Key_E), &frmReportViewer::ExportReport);

    // Closed from the keyboard like any document window.
    actClose = new QAction(QStringLiteral("Close"), this);
    actClose->setObjectName(QStringLiteral("actClose"));
    actClose->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    actClose->setShortcutContext(Qt::WindowShortcut);
    addAction(actClose);
    connect(actClose, &QAction::triggered, this, &QWidget::close);

    connect(CRViewer1, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter *printer) { paintPreview(printer); });
    connect(CRViewer1, &QPrintPreviewWidget::previewChanged, this, [this] { updatePageState(); });
    // A page's width and as much of its height as the screen has room for.
    ui::fitToScreen(this, QSize(900, 1000), ui::TooLarge::Shrink);
}

// The viewer takes its report and shows the first page across the window's width.
void frmReportViewer::Form_Load()
{
    CRViewer1->setViewMode(QPrintPreviewWidget::SinglePageView);
    CRViewer1->setZoomMode(QPrintPreviewWidget::FitToWidth);
    CRViewer1->updatePreview();
    updatePageState();
}

void frmReportViewer::paintPreview(QPrinter *printer)
{
    if (!m_report)
        return;
    try {
        m_report->render(*printer);
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    }
}

void frmReportViewer::updatePageState()
{
    const int page = currentPage();
    const int pages = pageCount();
    lblPage->setText(QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    actFirstPage->setEnabled(page > 1);
    actPreviousPage->setEnabled(page > 1);
    actNextPage->setEnabled(page < pages);
    actLastPage->setEnabled(page < pages);
}

int frmReportViewer::currentPage() const
{
    return CRViewer1->currentPage();
}

int frmReportViewer::pageCount() const
{
    return CRViewer1->pageCount();
}

void frmReportViewer::FirstPage()
{
    CRViewer1->setCurrentPage(1);
    updatePageState();
}

void frmReportViewer::PreviousPage()
{
    CRViewer1->setCurrentPage(qMax(1, currentPage() - 1));
    updatePageState();
}

void frmReportViewer::NextPage()
{
    CRViewer1->setCurrentPage(qMin(pageCount(), currentPage() + 1));
    updatePageState();
}

void frmReportViewer::LastPage()
{
    CRViewer1->setCurrentPage(pageCount());
    updatePageState();
}

void frmReportViewer::ZoomIn()
{
    CRViewer1->zoomIn(ZoomStep);
}

void frmReportViewer::ZoomOut()
{
    CRViewer1->zoomOut(ZoomStep);
}

void frmReportViewer::FitWidth()
{
    CRViewer1->fitToWidth();
}

void frmReportViewer::FitPage()
{
    CRViewer1->fitInView();
}

void frmReportViewer::PrintReport()
{
    if (!m_report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(m_report->pageLayout());
    printer.setDocName(m_report->title());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, m_report->pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        ui::Hourglass hourglass;
        m_report->render(printer, qMax(1, printer.fromPage()), printer.toPage());
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    }
}

QString frmReportViewer::requestNumber() const
{
    return m_report && !m_report->ParameterFields().isEmpty()
               ? m_report->ParameterFields().first().CurrentValue().toString().trimmed()
               : QString();
}

QString frmReportViewer::suggestedFileName() const
{
    // The request's number names the file; a report without one is named by its title.
    const QString number = requestNumber();
    QString name = !number.isEmpty()                          ? QStringLiteral("Request ") + number
                   : m_report && !m_report->title().isEmpty() ? m_report->title()
                                                              : QStringLiteral("Report");
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")), QStringLiteral("-"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(name.trimmed() + QStringLiteral(".pdf"));
}

void frmReportViewer::ExportReport()
{
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export to PDF"), suggestedFileName(),
                                     QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    exportPdf(path);
}

bool frmReportViewer::exportPdf(const QString &path)
{
    if (!m_report)
        return false;
    try {
        ui::Hourglass hourglass;
        m_report->exportPdf(path);
        return true;
    } catch (const AppError &e) {
        ui::MsgBox(e.description(), ui::Buttons::OK, ui::Icon::Critical);
    }
    return false;
}

namespace modInventory {

frmReportViewer *ShowReport(bool ShowGroupTree, const QString &strCaption)
{
    if (!PubReport)
        throw report::ReportError(report::ReportError::Kind::Template,
                                  QStringLiteral("There is no report to show."));
    // The pages are made before any window exists, so a failure leaves no empty viewer behind.
    PubReport->run(*objCurrentUser->sqlconnection());

    auto *viewer = new frmReportViewer(PubReport, MainWindow());
    QObject::connect(viewer, &QObject::destroyed, [] { PubReport.reset(); });
    viewer->setShowGroupTree(ShowGroupTree);
    // A request's pages are titled with the request, so that several open viewers tell apart.
    const QString number = viewer->requestNumber();
    viewer->setWindowTitle(number.isEmpty() ? strCaption : QStringLiteral("Request ") + number);
    viewer->show();
    return viewer;
}

} // namespace modInventory

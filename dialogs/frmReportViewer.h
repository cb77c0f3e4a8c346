#pragma once

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QToolBar;

namespace report {
class Report;
}

// A window showing one report's pages, with page navigation, zoom, printing and export to PDF.
// The preview fills the window. Each window keeps its own report for as long as it is open, so
// several can be open at once; the window deletes itself when closed.
class frmReportViewer : public QMainWindow
{
    Q_OBJECT

public:
    // The report must have run (Report::run) already.
    explicit frmReportViewer(std::shared_ptr<report::Report> report, QWidget *parent = nullptr);
    ~frmReportViewer() override;

    // Kept for callers that set it; the pages have no group tree to show.
    bool ShowGroupTree() const { return m_showGroupTree; }
    void setShowGroupTree(bool show) { m_showGroupTree = show; }

    const std::shared_ptr<report::Report> &ReportSource() const { return m_report; }

    int currentPage() const;
    int pageCount() const;

    // The toolbar's commands.
    void FirstPage();
    void PreviousPage();
    void NextPage();
    void LastPage();
    void ZoomIn();
    void ZoomOut();
    void FitWidth();
    void FitPage();
    // Asks for a printer (and a page range) and prints.
    void PrintReport();
    // Asks for a file name and writes the pages as a PDF.
    void ExportReport();
    // Writes the pages to the PDF file; a failure is shown in a message box. True when written.
    bool exportPdf(const QString &path);

    QPrintPreviewWidget *CRViewer1 = nullptr;
    QToolBar *tbrViewer = nullptr;
    QLabel *lblPage = nullptr;
    QAction *actFirstPage = nullptr;
    QAction *actPreviousPage = nullptr;
    QAction *actNextPage = nullptr;
    QAction *actLastPage = nullptr;
    QAction *actZoomIn = nullptr;
    QAction *actZoomOut = nullptr;
    QAction *actFitWidth = nullptr;
    QAction *actFitPage = nullptr;
    QAction *actPrint = nullptr;
    QAction *actExport = nullptr;
    QAction *actClose = nullptr; // Escape or Ctrl+W

    // The number of the request the report shows (its first parameter); empty when none.
    QString requestNumber() const;

    // Where Export proposes to write: "Request 7.pdf" in the user's documents folder.
    QString suggestedFileName() const;

private:
    void buildWindow();
    void Form_Load();
    void paintPreview(QPrinter *printer);
    void updatePageState();

    std::shared_ptr<report::Report> m_report;
    std::unique_ptr<QPrinter> m_printer; // the preview's; outlives CRViewer1
    bool m_showGroupTree = false;
};

namespace modInventory {

// Reads PubReport's rows on the session connection, lays it out, and shows it in a new viewer
// window titled with its request ("Request 13"), or with the caption when it shows no request.
// Nothing is shown when that fails (report::ReportError or AppError). The window belongs to the
// request window when there is one, so it closes with the program.
frmReportViewer *ShowReport(bool ShowGroupTree, const QString &strCaption);

} // namespace modInventory

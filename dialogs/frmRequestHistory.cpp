#include "dialogs/frmRequestHistory.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QVBoxLayout>

namespace {

QString titleOf(const QString &number, qsizetype versions)
{
    if (versions == 0)
        return QStringLiteral("Request %1 has no versions kept: it was last saved, verified or "
                              "cancelled before the program kept every version. Its next change "
                              "starts its history.")
            .arg(number);
    return QStringLiteral("Request %1: %2")
        .arg(number, versions == 1 ? QStringLiteral("1 version")
                                   : QStringLiteral("%1 versions").arg(versions));
}

} // namespace

frmRequestHistory::frmRequestHistory(const QString &number,
                                     const QList<requesthistory::Version> &versions,
                                     QWidget *parent)
    : QDialog(parent), m_number(number), m_rows(requesthistory::tableRows(versions))
{
    setObjectName(QStringLiteral("frmRequestHistory"));
    setWindowTitle(QStringLiteral("History of request %1").arg(number));
    auto *layout = new QVBoxLayout(this);

    lblTitle = new QLabel(titleOf(number, versions.size()));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setWordWrap(true);
    layout->addWidget(lblTitle);

    const QStringList headers = requesthistory::tableHeaders();
    tblVersions = new QTableWidget(int(m_rows.size()), int(headers.size()));
    tblVersions->setObjectName(QStringLiteral("tblVersions"));
    tblVersions->setAccessibleName(QStringLiteral("Versions of request %1").arg(number));
    tblVersions->setHorizontalHeaderLabels(headers);
    tblVersions->verticalHeader()->setVisible(false);
    tblVersions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblVersions->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblVersions->setSelectionMode(QAbstractItemView::SingleSelection);
    tblVersions->setTabKeyNavigation(false); // Tab goes on to the buttons
    tblVersions->setWordWrap(true);
    for (int r = 0; r < m_rows.size(); ++r) {
        for (int c = 0; c < headers.size(); ++c) {
            auto *item = new QTableWidgetItem(m_rows.at(r).value(c));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            tblVersions->setItem(r, c, item);
        }
    }
    tblVersions->horizontalHeader()->setStretchLastSection(true);
    tblVersions->resizeColumnsToContents();
    tblVersions->resizeRowsToContents();
    tblVersions->setVisible(!m_rows.isEmpty());
    layout->addWidget(tblVersions, 1);

    auto *buttons = new QDialogButtonBox;
    cmdPrint = buttons->addButton(QStringLiteral("&Print"), QDialogButtonBox::ActionRole);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setEnabled(!m_rows.isEmpty());
    cmdExport = buttons->addButton(QStringLiteral("&Export CSV"), QDialogButtonBox::ActionRole);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdExport->setEnabled(!m_rows.isEmpty());
    cmdExport->setVisible(false);
    connect(cmdExport, &QPushButton::clicked, this, [this] {
        if (m_exporter)
            m_exporter(this->headers(), m_rows);
    });
    cmdExport->setAutoDefault(false);
    cmdClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    layout->addWidget(buttons);
    connect(cmdPrint, &QPushButton::clicked, this, &frmRequestHistory::cmdPrint_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter in the list does not close the dialog: no button is the default.
    cmdPrint->setAutoDefault(false);
    cmdClose->setAutoDefault(false);

    resize(m_rows.isEmpty() ? QSize(560, 150) : QSize(820, 480));
    if (m_rows.isEmpty()) {
        cmdClose->setFocus();
    } else {
        tblVersions->setFocus();
        tblVersions->setCurrentCell(int(m_rows.size()) - 1, 0); // the latest version
    }
}

void frmRequestHistory::fillDocument(QTextDocument &document) const
{
    document.clear();
    QTextCursor cursor(&document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("History of request %1").arg(m_number), bold);
    cursor.insertBlock();
    cursor.insertText(titleOf(m_number, m_rows.size()));
    cursor.insertBlock();
    if (m_rows.isEmpty())
        return;
    const QStringList headers = requesthistory::tableHeaders();
    QTextTableFormat format;
    format.setCellPadding(3);
    format.setBorder(0.5);
    format.setHeaderRowCount(1);
    QTextTable *table = cursor.insertTable(int(m_rows.size()) + 1, int(headers.size()), format);
    for (int c = 0; c < headers.size(); ++c)
        table->cellAt(0, c).firstCursorPosition().insertText(headers.at(c), bold);
    for (int r = 0; r < m_rows.size(); ++r) {
        for (int c = 0; c < headers.size(); ++c)
            table->cellAt(r + 1, c).firstCursorPosition().insertText(m_rows.at(r).value(c));
    }
}

void frmRequestHistory::setExporter(
    std::function<void(const QStringList &, const QList<QStringList> &)> exporter)
{
    m_exporter = std::move(exporter);
    cmdExport->setVisible(bool(m_exporter));
}

void frmRequestHistory::cmdPrint_Click()
{
    QTextDocument document;
    fillDocument(document);
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(windowTitle());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&document](QPrinter *p) { document.print(p); });
    preview.exec();
}

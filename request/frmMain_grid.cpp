// The detail grid: one request line per row under the header row, the empty row for the next line
// last, the grand total and the line counter beside it.
#include "request/frmMain.h"

#include "app/vbformat.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"
#include "request/linevalues.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>

namespace {

// Scrolls so that a current row past the seventh sits at the bottom of a seven-row window.
void keepInView(ui::FlexGrid &grid)
{
    if (grid.Row() > 7)
        grid.setTopRow(grid.Rows() - 7);
}

} // namespace

void frmMain::connectGrid()
{
    connect(grdDetails, &ui::FlexGrid::RowColChange, this, [this] {
        guarded([this] {
            LoadDetailRow();
            ShowLineCounter();
        });
    });
    connect(grdDetails, &ui::FlexGrid::DblClick, this,
            [this] { guarded([this] { grdDetails_DblClick(); }); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { guarded([this] { cmdAdd_Click(); }); });
    connect(cmdDelete, &QPushButton::clicked, this,
            [this] { guarded([this] { cmdDelete_Click(); }); });
}

bool frmMain::handleGridEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        m_keyPreview = false;
        return false;
    case QEvent::FocusOut:
        m_keyPreview = true;
        return false;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            guarded([this] { grdDetails_DblClick(); });
            return true;
        }
        // "." or Delete removes the current line; Ctrl+Z puts the last one removed back.
        if (key->text() == QLatin1String(".") ||
            (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier)) {
            guarded([this] { cmdDelete_Click(); });
            return true;
        }
        if (key->matches(QKeySequence::Undo)) {
            guarded([this] { undoLineRemoval(); });
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void frmMain::LoadDetailRow()
{
    const int r = grdDetails->Row();
    txtProdCode->setText(grdDetails->TextMatrix(r, 0));
    txtProdName->setText(grdDetails->TextMatrix(r, 1));
    txtWithdraw->setText(grdDetails->TextMatrix(r, 2));
    txtUnitCost->setText(grdDetails->TextMatrix(r, 3));
    txtTotalCost->setText(grdDetails->TextMatrix(r, 4));
    if (grdDetails->TextMatrix(r, 5) != QLatin1String("N") && optConsumed[0]->isEnabled())
        optConsumed[0]->setChecked(true);
    else
        optConsumed[1]->setChecked(true);
    const QString ads = grdDetails->Cols() > 6 ? grdDetails->TextMatrix(r, 6) : QString();
    chkAdS->setChecked(ads == QLatin1String("Y"));
    ShowItemInfo();
}

bool frmMain::AddDetailRow()
{
    if (grdDetails->Rows() > MaxGridRow) {
        ui::MsgBox(QStringLiteral("A request cannot hold more than %1 lines.").arg(MaxGridRow),
                   ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("HEY!"));
        return false;
    }
    grdDetails->setRows(grdDetails->Rows() + 1);
    return true;
}

QList<QStringList> frmMain::codedLines() const
{
    QList<QStringList> lines;
    for (int r = 1; r < grdDetails->Rows(); ++r) {
        if (grdDetails->TextMatrix(r, 0).trimmed().isEmpty())
            continue;
        QStringList cells;
        for (int c = 0; c < grdDetails->Cols(); ++c)
            cells << grdDetails->TextMatrix(r, c);
        lines.append(cells);
    }
    return lines;
}

QString frmMain::counted(qsizetype n, const QString &one, const QString &many)
{
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

void frmMain::StoreLine()
{
    const int r = grdDetails->Row();
    grdDetails->setTextMatrix(r, 0, txtProdCode->text());
    grdDetails->setTextMatrix(r, 1, txtProdName->text());
    grdDetails->setTextMatrix(r, 2, txtWithdraw->text());
    grdDetails->setTextMatrix(r, 3, txtUnitCost->text());
    grdDetails->setTextMatrix(r, 4, txtTotalCost->text());
    fitNumberColumns(r);
    grdDetails->setTextMatrix(
        r, 5, optConsumed[0]->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));
    if (grdDetails->Cols() > 6)
        grdDetails->setTextMatrix(r, 6,
                                  chkAdS->isChecked() ? QStringLiteral("Y") : QStringLiteral("N"));

    if (grdDetails->Rows() != r + 1) { // an existing line was replaced
        markUnsaved();
        // Back to the empty row for the next line, the focus in Code where it can be seen.
        grdDetails->setRow(grdDetails->Rows() - 1);
        keepInView(*grdDetails);
        if (txtProdCode->isEnabled() && txtProdCode->isVisible())
            txtProdCode->setFocus();
        return;
    }
    const bool added = AddDetailRow();
    markUnsaved();
    if (!added)
        return;
    grdDetails->setRow(grdDetails->Rows() - 1); // the new row is current: its empty fields show
    keepInView(*grdDetails);
    if (txtProdCode->isEnabled() && txtProdCode->isVisible())
        txtProdCode->setFocus();
}

void frmMain::cmdAdd_Click()
{
    if (refusedAsReadOnly())
        return;
    grdDetails->setRow(grdDetails->Rows() - 1);
    keepInView(*grdDetails);
    grdDetails_DblClick();
    if (txtProdCode->isEnabled() && txtProdCode->isVisible())
        txtProdCode->setFocus();
}

void frmMain::cmdDelete_Click()
{
    if (refusedAsReadOnly())
        return;
    if (grdDetails->Row() < grdDetails->Rows() - 1) {
        const int row = grdDetails->Row();
        QStringList cells;
        for (int c = 0; c < grdDetails->Cols(); ++c)
            cells << grdDetails->TextMatrix(row, c);
        grdDetails->RemoveItem(row); // the empty last row is never removed
        m_removedLine = RemovedLine{row, cells};
        markUnsaved();
        statusBar()->showMessage(QStringLiteral("Line %1 (%2) removed. Ctrl+Z puts it back.")
                                     .arg(row)
                                     .arg(cells.value(0).trimmed()));
    }
    grdDetails->setFocus();
    LoadDetailRow();
    ComputeGrandTotal();
    ShowLineCounter();
}

void frmMain::undoLineRemoval()
{
    if (!m_removedLine || refusedAsReadOnly())
        return;
    const RemovedLine line = *m_removedLine;
    if (grdDetails->Rows() > MaxGridRow) {
        ui::MsgBox(QStringLiteral("A request cannot hold more than %1 lines.").arg(MaxGridRow),
                   ui::Buttons::OK, ui::Icon::Exclamation, QStringLiteral("HEY!"));
        return;
    }
    m_removedLine.reset();
    const int row = qMin(line.row, grdDetails->Rows() - 1); // never after the empty row
    grdDetails->AddItem(line.cells.join(QLatin1Char('\t')), row);
    grdDetails->setRow(row);
    markUnsaved();
    LoadDetailRow();
    ComputeGrandTotal();
    ShowLineCounter();
    statusBar()->showMessage(
        QStringLiteral("Line %1 (%2) put back.").arg(row).arg(line.cells.value(0).trimmed()));
}

void frmMain::grdDetails_DblClick()
{
    LoadDetailRow();
    txtProdCode->setFocus();
    ShowLineCounter();
}

void frmMain::fitNumberColumns(int fromRow)
{
    // The quantity, cost and total columns widen to their longest text, never narrower than
    // they were: a line's total is never shown cut. Digits are of one width, so the longest text
    // is the widest.
    const int padding =
        2 * (grdDetails->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grdDetails) +
             1) +
        8;
    for (int c : {2, 3, 4}) {
        int longest = 0; // the row of the column's longest text, the first of its length
        qsizetype length = 0;
        for (int r = qMax(fromRow, 1); r < grdDetails->Rows(); ++r) {
            if (const qsizetype here = grdDetails->textLength(r, c); here > length) {
                longest = r;
                length = here;
            }
        }
        const QString text = longest > 0 ? grdDetails->TextMatrix(longest, c) : QString();
        const int needed = grdDetails->fontMetrics().horizontalAdvance(text) + padding;
        if (needed > grdDetails->columnWidth(c))
            grdDetails->setColumnWidth(c, needed);
    }
}

void frmMain::ComputeGrandTotal()
{
    // From each line's quantity and cost, never from the text of its total.
    linevalues::Units sum = 0;
    for (int row = 1; row < grdDetails->Rows(); ++row) {
        const QString quantity = grdDetails->TextMatrix(row, 2);
        const QString cost = grdDetails->TextMatrix(row, 3);
        if (vb::isNumeric(quantity) && vb::isNumeric(cost))
            sum += linevalues::lineTotalUnits(vb::numericValue(quantity), vb::numericValue(cost));
    }
    txtTotalCounter->setText(linevalues::money(sum));
}

void frmMain::ShowLineCounter()
{
    txtLineCounter->setText(QString::number(grdDetails->Row()) + QLatin1Char('/') +
                            QString::number(grdDetails->Rows() - 1));
}

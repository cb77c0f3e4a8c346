// The UI seams: the message service and its recording responder, the helper that answers modal
// dialogs, the grid wrapper with its header row, twips and current cell, the hourglass guard, and
// the edge where typed text enters the program.
#include "support/testsupport.h"

#include "platform/error.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/hourglass.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/storableinput.h"
#include "platform/ui/windowplacement.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>

#include <stdexcept>

using ui::Answer;
using ui::Buttons;
using ui::FlexGrid;
using ui::Icon;

Q_DECLARE_METATYPE(FlexGrid::Alignment)

namespace {

// The number of the AppError a call throws; 0 when it throws none.
template <typename F> long errorNumber(F &&call)
{
    try {
        call();
    } catch (const AppError &e) {
        return e.number();
    }
    return 0;
}

QString headers(const FlexGrid &grid)
{
    QStringList out;
    for (int c = 0; c < grid.Cols(); ++c)
        out << grid.TextMatrix(0, c);
    return out.join(QLatin1Char('|'));
}

QString row(const FlexGrid &grid, int r)
{
    QStringList out;
    for (int c = 0; c < grid.Cols(); ++c)
        out << grid.TextMatrix(r, c);
    return out.join(QLatin1Char('|'));
}

} // namespace

class TestUi : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QCOMPARE(ui::test::pendingModalWatches(), 0);
        QCOMPARE(ui::test::takeModalFailures(), QStringList());
        QCOMPARE(ui::messageResponder(), nullptr);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // --- message service ----------------------------------------------------------------------

    void responderRecordsAndAnswersAsScripted()
    {
        {
            ui::ScopedRecordingResponder responder;
            responder.queueAnswer(Answer::No);

            QCOMPARE(ui::MsgBox(QStringLiteral("Item is a Kit."), Buttons::YesNo, Icon::Question,
                                QStringLiteral("Message")),
                     Answer::No);
            // Queue empty: the box's first button, the application title.
            QCOMPARE(ui::MsgBox(QStringLiteral("Invalid entry...")), Answer::OK);
            QCOMPARE(ui::MsgBox(QStringLiteral("Cancel?"), Buttons::YesNoCancel, Icon::Critical),
                     Answer::Yes);
            responder.setDefaultAnswer(Answer::No);
            QCOMPARE(ui::MsgBox(QStringLiteral("Save?"), Buttons::YesNo), Answer::No);
            QCOMPARE(ui::MsgBox(QStringLiteral("Saved."), Buttons::OK, Icon::Information),
                     Answer::OK);

            QCOMPARE(responder.count(), 5);
            const ui::Message &first = responder.messages().at(0);
            QCOMPARE(first.text, QStringLiteral("Item is a Kit."));
            QCOMPARE(first.buttons, Buttons::YesNo);
            QCOMPARE(first.icon, Icon::Question);
            QCOMPARE(first.title, QStringLiteral("Message"));
            const ui::Message &second = responder.messages().at(1);
            QCOMPARE(second.buttons, Buttons::OK);
            QCOMPARE(second.icon, Icon::None);
            QCOMPARE(second.title, QStringLiteral("Inventory Request"));
            QCOMPARE(responder.messages().at(2).icon, Icon::Critical);
            QVERIFY(responder.mismatches().isEmpty());

            // A scripted answer the box does not offer is returned and noted.
            responder.queueAnswer(Answer::Yes);
            QCOMPARE(ui::MsgBox(QStringLiteral("Zero Item Onhand")), Answer::Yes);
            QCOMPARE(responder.mismatches().size(), 1);

            // A nested scope answers for a while, then the outer responder is back.
            {
                ui::ScopedRecordingResponder inner;
                ui::MsgBox(QStringLiteral("inner"));
                QCOMPARE(inner.texts(), QStringList{QStringLiteral("inner")});
            }
            QCOMPARE(ui::messageResponder(), &responder);
            QCOMPARE(responder.count(), 6);
        }
        QCOMPARE(ui::messageResponder(), nullptr);
    }

    // --- modal dialogs ------------------------------------------------------------------------

    void whenModalAnswersDialogExec()
    {
        QDialog dialog;
        auto *edit = new QLineEdit(&dialog);
        edit->setObjectName(QStringLiteral("txtUserID"));

        const auto watch = ui::test::whenModal([](QWidget *w) {
            w->findChild<QLineEdit *>(QStringLiteral("txtUserID"))->setText(QStringLiteral("E01"));
            static_cast<QDialog *>(w)->accept();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(edit->text(), QStringLiteral("E01"));
        QVERIFY(watch->acted);
        QVERIFY(watch->finished);
        QCOMPARE(watch->failure, QString());
        QCOMPARE(watch->dialogClass, QStringLiteral("QDialog"));
    }

    // A short message never has its title cut: the box is at least as wide as its title needs.
    void messageBoxShowsItsWholeTitle()
    {
        int width = 0;
        int needed = 0;
        ui::test::whenModal([&](QWidget *w) {
            w->adjustSize();
            width = w->width();
            needed = ui::titleWidth(w);
            static_cast<QMessageBox *>(w)->button(QMessageBox::Ok)->click();
        });
        ui::MsgBox(QStringLiteral("No."), ui::Buttons::OK, ui::Icon::Critical,
                   QStringLiteral("Inventory Request - a title longer than the message"));
        QVERIFY2(needed > 0 && width >= needed,
                 qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
    }

    void whenModalAnswersRealMessageBox()
    {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        ui::test::whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = int(box->buttons().size());
            box->button(QMessageBox::No)->click();
        });
        const Answer answer =
            ui::MsgBox(QStringLiteral("Cancel this request?"), Buttons::YesNo, Icon::Question);
        QCOMPARE(answer, Answer::No);
        QCOMPARE(title, QStringLiteral("Inventory Request"));
        QCOMPARE(text, QStringLiteral("Cancel this request?"));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(buttons, 2);

        // Closing a box without a button (Escape) answers Cancel, No or OK.
        ui::test::whenModal([](QWidget *w) { ui::test::closeModal(w); });
        QCOMPARE(ui::MsgBox(QStringLiteral("Keep?"), Buttons::YesNoCancel), Answer::Cancel);
    }

    void whenModalActsOnTheNextDialogNotTheShowingOne()
    {
        QDialog outer;
        QDialog inner(&outer);
        QPointer<QWidget> innerSeen;
        const auto outerWatch = ui::test::whenModal([&](QWidget *w) {
            QCOMPARE(w, &outer);
            // Armed while outer shows: it must wait for inner.
            const auto innerWatch = ui::test::whenModal([&](QWidget *w2) {
                innerSeen = w2;
                static_cast<QDialog *>(w2)->accept();
            });
            QCOMPARE(inner.exec(), int(QDialog::Accepted));
            QVERIFY(innerWatch->finished);
            outer.reject();
        });
        QCOMPARE(outer.exec(), int(QDialog::Rejected));
        QCOMPARE(innerSeen.data(), &inner);
        QCOMPARE(outerWatch->failure, QString());

        // The same dialog shown again counts as the next one.
        const auto again = ui::test::whenModal([](QWidget *w) { ui::test::closeModal(w); });
        QCOMPARE(outer.exec(), int(QDialog::Rejected));
        QVERIFY(again->acted);
    }

    void whenModalFailsInsteadOfHanging()
    {
        // No dialog comes.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no modal dialog appeared"));
        const auto missing = ui::test::whenModal([](QWidget *) {}, 50);
        QTRY_VERIFY(missing->finished);
        QVERIFY(!missing->acted);
        QVERIFY(missing->failure.contains(QStringLiteral("no modal dialog appeared")));

        // The action leaves the dialog open: it is closed and the failure recorded.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("still open"));
        QDialog dialog;
        const auto open = ui::test::whenModal([](QWidget *) {}, 50);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(open->acted);
        QVERIFY(open->failure.contains(QStringLiteral("still open")));

        QCOMPARE(ui::test::takeModalFailures().size(), 2);
    }

    // --- grid ---------------------------------------------------------------------------------

    void formatString_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expectedHeaders");
        QTest::addColumn<QString>("alignments"); // G general, L left, R right, C centre

        QTest::newRow("detail grid 8 columns")
            << "Code |< Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?| "
               "Remarks|"
            << "Code | Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?| "
               "Remarks|"
            << "GLGGGGGG";
        QTest::newRow("loaded request 7 columns")
            << "Code |< Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?|"
            << "Code | Product Name & Description | Quantity | Unit Cost| Total Cost| Retail?|"
            << "GLGGGGG";
        QTest::newRow("listing 5 columns")
            << "Doc #     |Request From                |To |Date |Requested By"
            << "Doc #     |Request From                |To |Date |Requested By"
            << "GGGGG";
        QTest::newRow("kit grid marks")
            << "<Code |>Product Name |>Qty. |<UnitCost |^Packing |For Retail "
            << "Code |Product Name |Qty. |UnitCost |Packing |For Retail "
            << "LRRLCG";
        QTest::newRow("only the leading mark is removed") << "<<a|b>"
                                                          << "<a|b>"
                                                          << "LG";
    }

    void formatString()
    {
        QFETCH(QString, format);
        QFETCH(QString, expectedHeaders);
        QFETCH(QString, alignments);

        FlexGrid grid; // 2 columns: the format adds the others
        grid.setFormatString(format);
        QCOMPARE(grid.Cols(), int(alignments.size()));
        QCOMPARE(headers(grid), expectedHeaders);
        QString actual;
        for (int c = 0; c < grid.Cols(); ++c)
            actual += QStringLiteral("GLCR").at(int(grid.ColAlignment(c)));
        QCOMPARE(actual, alignments);
        QCOMPARE(grid.Rows(), 2);
        // The header row is drawn by the table's header, with the same texts.
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), grid.TextMatrix(0, 1));
    }

    void formatStringKeepsColumnsBeyondItsCells()
    {
        // The kit grid's layout: 7 columns, a header of 6 cells, then widths for all 7.
        FlexGrid grid;
        grid.Clear();
        grid.setRows(2);
        grid.setCols(7);
        grid.setFormatString(
            QStringLiteral("<Code |>Product Name |>Qty. |<UnitCost |<Packing |For Retail "));
        QCOMPARE(grid.Cols(), 7);
        QCOMPARE(grid.TextMatrix(0, 6), QString());
        grid.setColWidth(6, 1000);
        QCOMPARE(grid.ColWidth(6), 1005); // 67 whole pixels
    }

    void formatStringSizesColumnsToTheirHeader()
    {
        FlexGrid grid;
        grid.setFormatString(QStringLiteral("<Code |>Product Name and Description |"));
        QVERIFY(grid.ColWidth(1) > grid.ColWidth(0));
        // An empty header cell keeps the default width.
        QCOMPARE(grid.ColWidth(2), 960);
        // Columns a previous layout hid come back.
        grid.setColWidth(0, 0);
        grid.setFormatString(QStringLiteral("Code |Name"));
        QVERIFY(grid.ColWidth(0) > 0);
    }

    void generalAlignmentFollowsTheText()
    {
        FlexGrid grid;
        const auto horizontal = [&](const char *text) {
            return grid.displayAlignment(0, QString::fromLatin1(text)) & Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(horizontal("1,234.5000"), Qt::AlignRight);
        QCOMPARE(horizontal("PARACETAMOL"), Qt::AlignLeft);
        grid.setColAlignment(0, FlexGrid::Alignment::Left);
        QCOMPARE(horizontal("12"), Qt::AlignLeft);
    }

    void rowsAndCells()
    {
        FlexGrid grid;
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Cols(), 2);
        QCOMPARE(grid.FixedRows(), 1);
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 0);

        grid.setCols(3);
        grid.setRows(4);
        grid.setTextMatrix(0, 0, QStringLiteral("Code"));
        grid.setTextMatrix(1, 0, QStringLiteral("A100"));
        grid.setTextMatrix(3, 2, QStringLiteral("Y"));
        QCOMPARE(row(grid, 1), QStringLiteral("A100||"));
        QCOMPARE(row(grid, 3), QStringLiteral("||Y"));
        QCOMPARE(grid.model()->rowCount(), 3); // the header row is not a table row

        grid.setRowCol(3, 2);
        QCOMPARE(grid.Text(), QStringLiteral("Y"));
        grid.setRowCol(0, 0); // the header row, by the program
        QCOMPARE(grid.Text(), QStringLiteral("Code"));
        grid.setText(QStringLiteral("Item"));
        QCOMPARE(grid.TextMatrix(0, 0), QStringLiteral("Item"));

        // Tab-separated items at the end or at an index; extra parts are dropped.
        grid.AddItem(QStringLiteral("B200\tBANDAGE\tN\textra"));
        grid.AddItem(QStringLiteral("C300"), 1);
        QCOMPARE(grid.Rows(), 6);
        QCOMPARE(row(grid, 1), QStringLiteral("C300||"));
        QCOMPARE(row(grid, 2), QStringLiteral("A100||"));
        QCOMPARE(row(grid, 5), QStringLiteral("B200|BANDAGE|N"));

        grid.RemoveItem(1);
        QCOMPARE(row(grid, 1), QStringLiteral("A100||"));
        QCOMPARE(grid.Rows(), 5);

        // Shrinking keeps the remaining cells and clamps the current row.
        grid.setRowCol(4, 1);
        grid.setRows(3);
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(row(grid, 1), QStringLiteral("A100||"));
        grid.setRows(5);
        QCOMPARE(row(grid, 4), QStringLiteral("||")); // rows added back are empty

        // Clear empties every cell, the header too, and keeps the size.
        grid.Clear();
        QCOMPARE(grid.Rows(), 5);
        QCOMPARE(grid.Cols(), 3);
        QCOMPARE(headers(grid), QStringLiteral("||"));
        QCOMPARE(row(grid, 1), QStringLiteral("||"));

        // Out of range: 381; invalid sizes: 380; the last data row stays: 30015.
        QCOMPARE(errorNumber([&] { grid.TextMatrix(5, 0); }), 381L);
        QCOMPARE(errorNumber([&] { grid.setTextMatrix(0, 3, QString()); }), 381L);
        QCOMPARE(errorNumber([&] { grid.setRow(-1); }), 381L);
        QCOMPARE(errorNumber([&] { grid.setRows(0); }), 380L);
        QCOMPARE(errorNumber([&] { grid.setFixedRows(0); }), 380L);
        grid.setRows(2);
        QCOMPARE(errorNumber([&] { grid.RemoveItem(1); }), 30015L);
        QCOMPARE(errorNumber([&] { grid.RemoveItem(0); }), 381L);
    }

    // A row's texts at once give the cells setTextMatrix gives one by one, over a row that held
    // texts before; the view hears of a change at once, or once at the end while filling.
    void rowTextsAsCellByCell_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("empty row") << QStringList() << QStringList{"A100", "GAUZE", "2"};
        QTest::newRow("fewer texts keep the rest")
            << QStringList{"A100", "GAUZE", "2"} << QStringList{"B200"};
        QTest::newRow("more texts than columns")
            << QStringList{"A100"} << QStringList{"B200", "", "3", "dropped"};
        QTest::newRow("the same texts")
            << QStringList{"A100", "", "2"} << QStringList{"A100", "", "2"};
        QTest::newRow("empty texts")
            << QStringList{"A100", "GAUZE", "2"} << QStringList{"", QString()};
    }
    void rowTextsAsCellByCell()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, texts);
        FlexGrid byCell;
        FlexGrid byRow;
        for (FlexGrid *grid : {&byCell, &byRow}) {
            grid->setCols(3);
            grid->setRows(3);
            for (int c = 0; c < before.size(); ++c)
                grid->setTextMatrix(2, c, before.at(c));
        }
        for (int c = 0; c < texts.size() && c < byCell.Cols(); ++c)
            byCell.setTextMatrix(2, c, texts.at(c));
        const QString held = row(byRow, 2);
        QSignalSpy changes(byRow.model(), &QAbstractItemModel::dataChanged);
        byRow.setRowTexts(2, QVector<QString>(texts.cbegin(), texts.cend()));
        QCOMPARE(row(byRow, 2), row(byCell, 2));
        QCOMPARE(row(byRow, 1), QStringLiteral("||"));
        QCOMPARE(changes.size(), held == row(byCell, 2) ? 0 : 1);
        changes.clear();
        {
            const FlexGrid::Filling filling(byRow);
            byRow.setRowTexts(1, {QStringLiteral("C300")});
            QCOMPARE(changes.size(), 0);
        }
        QCOMPARE(changes.size(), 1);
        QCOMPARE(row(byRow, 1), QStringLiteral("C300||"));
        QCOMPARE(errorNumber([&] { byRow.setRowTexts(0, {}); }), 381L);
        QCOMPARE(errorNumber([&] { byRow.setRowTexts(3, {}); }), 381L);
    }

    void columnWidthsInTwips()
    {
        QCOMPARE(ui::logicalDpi(), 96.0);
        QCOMPARE(ui::twipsToPixels(1440), 96);
        QCOMPARE(ui::pixelsToTwips(96), 1440);
        QCOMPARE(ui::twipsToPixels(800), 53);

        FlexGrid grid;
        grid.setFormatString(QStringLiteral("Code |< Product Name & Description | Quantity | Unit "
                                            "Cost| Total Cost| Retail?| Remarks|"));
        const int widths[] = {800, 5000, 1000, 1000, 1000, 700, 0};
        for (int c = 0; c < 7; ++c)
            grid.setColWidth(c, widths[c]);
        QCOMPARE(grid.columnWidth(1), 333);
        QCOMPARE(grid.ColWidth(1), 4995); // whole pixels, as drawn
        grid.setColWidth(2, 1440);
        QCOMPARE(grid.columnWidth(2), 96);
        QCOMPARE(grid.ColWidth(2), 1440);

        // Width 0 hides the column; its cells are still there.
        QVERIFY(grid.isColumnHidden(6));
        QCOMPARE(grid.ColWidth(6), 0);
        grid.setTextMatrix(1, 6, QStringLiteral("Y"));
        QCOMPARE(grid.TextMatrix(1, 6), QStringLiteral("Y"));
        grid.setColWidth(6, 700);
        QVERIFY(!grid.isColumnHidden(6));
        QCOMPARE(grid.ColWidth(6), 705);
    }

    // A cell cut short by its column shows its whole text as a tooltip; a cell's own tooltip
    // wins, and goes with the rows when the grid is cleared.
    void cutCellsShowTheirTextAsTooltip()
    {
        FlexGrid grid;
        grid.setFormatString(QStringLiteral("Code|<Name"));
        grid.setColWidth(0, 800);
        grid.setColWidth(1, 1500);
        grid.resize(400, 200);
        grid.show();
        const QString longName = QStringLiteral("SURGICAL GLOVES STERILE 7 POWDERED");
        grid.setTextMatrix(1, 0, QStringLiteral("1139"));
        grid.setTextMatrix(1, 1, longName);
        const auto at = [&grid](int col) {
            return grid.toolTipAt(grid.visualRect(grid.model()->index(0, col)).center());
        };
        QCOMPARE(at(1), longName);
        QCOMPARE(at(0), QString()); // it fits: no tooltip
        grid.setCellToolTip(1, 0, QStringLiteral("item 1139"));
        QCOMPARE(at(0), QStringLiteral("item 1139"));
        grid.Clear();
        QCOMPARE(at(0), QString());
        QCOMPARE(grid.toolTipAt(QPoint(390, 190)), QString()); // below the rows
    }

    void rowColChangeOnEveryMove()
    {
        FlexGrid grid;
        grid.setFormatString(QStringLiteral("Code|Name|Qty"));
        grid.setRows(5);
        grid.resize(400, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        QSignalSpy changes(&grid, &FlexGrid::RowColChange);
        grid.setRow(2);
        QCOMPARE(changes.size(), 1);
        grid.setRow(2); // already current
        QCOMPARE(changes.size(), 1);
        grid.setCol(1);
        QCOMPARE(changes.size(), 2);
        QCOMPARE(grid.currentIndex().row(), 1); // the view follows: data row 2 is table row 1
        QCOMPARE(grid.currentIndex().column(), 1);

        // The user clicks a cell.
        const QRect cell = grid.visualRect(grid.model()->index(3, 2));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(changes.size(), 3);
        QCOMPARE(grid.Row(), 4);
        QCOMPARE(grid.Col(), 2);

        // Shrinking below the current row moves it.
        grid.setRows(3);
        QCOMPARE(changes.size(), 4);
        QCOMPARE(grid.Row(), 2);

        QSignalSpy doubleClicks(&grid, &FlexGrid::DblClick);
        const QRect first = grid.visualRect(grid.model()->index(0, 0));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(doubleClicks.size(), 1);
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 0);
    }

    void topRowScrolls()
    {
        FlexGrid grid;
        grid.setRows(60);
        grid.resize(300, 200);
        QCOMPARE(grid.TopRow(), 1);
        grid.setTopRow(20);
        QCOMPARE(grid.TopRow(), 20);
        grid.show(); // showing lays the view out afresh; the top row stays
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.rowAt(0), 19); // the first row drawn is data row 20
        // Past the last page it scrolls as far as the rows allow.
        const int lastTop = grid.verticalScrollBar()->maximum() + 1;
        QVERIFY(lastTop < 54);
        grid.setTopRow(54);
        QCOMPARE(grid.TopRow(), lastTop);
        QCOMPARE(errorNumber([&] { grid.setTopRow(0); }), 381L);
    }

    void bindingARecordset()
    {
        const db::Recordset rs(
            {QStringLiteral("Code"), QStringLiteral("Product Name"), QStringLiteral("Qty")},
            {{QStringLiteral("A100"), QStringLiteral("PARACETAMOL"), 2.5},
             {QStringLiteral("B200"), QVariant(), 10},
             {QStringLiteral("C300"), QStringLiteral("O'BRIEN GAUZE"), 0}});
        FlexGrid grid;
        grid.setRows(9);
        grid.setRowCol(5, 1);
        // Widths and hidden columns a layout set before binding stay.
        grid.setColWidth(0, 1500);
        grid.setColWidth(1, 0);
        QSignalSpy changes(&grid, &FlexGrid::RowColChange);
        grid.setRecordset(rs);
        QCOMPARE(grid.ColWidth(0), ui::pixelsToTwips(ui::twipsToPixels(1500)));
        QCOMPARE(grid.ColWidth(1), 0);
        grid.setColWidth(1, -1);

        QCOMPARE(grid.Rows(), 4);
        QCOMPARE(grid.Cols(), 3);
        QCOMPARE(headers(grid), QStringLiteral("Code|Product Name|Qty"));
        QCOMPARE(row(grid, 1), QStringLiteral("A100|PARACETAMOL|2.5"));
        QCOMPARE(row(grid, 2), QStringLiteral("B200||10"));
        QCOMPARE(row(grid, 3), QStringLiteral("C300|O'BRIEN GAUZE|0"));
        QCOMPARE(grid.Row(), 1);
        QCOMPARE(grid.Col(), 0);
        QCOMPARE(changes.size(), 1);
        QVERIFY(grid.isBound());
        QCOMPARE(grid.recordset().RecordCount(), 3);

        grid.unbind();
        QVERIFY(!grid.isBound());
        QCOMPARE(row(grid, 1), QStringLiteral("A100|PARACETAMOL|2.5"));

        // No record: the header and one empty row.
        grid.setRecordset(db::Recordset({QStringLiteral("Doc #"), QStringLiteral("Date")}, {}));
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(headers(grid), QStringLiteral("Doc #|Date"));
        QCOMPARE(row(grid, 1), QStringLiteral("|"));
    }

    // --- hourglass ----------------------------------------------------------------------------

    void hourglassRestoresOnEveryPath()
    {
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        try {
            ui::Hourglass outer;
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                ui::Hourglass nested;
            }
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            throw std::runtime_error("statement failed");
        } catch (const std::runtime_error &) {
        }
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // --- typed text -----------------------------------------------------------------------------

    // What the user pastes or composes (an input method's text; a key alone never brings these
    // characters) into any line edit, a dialog's or an editable combo's, is shown in the form the
    // database stores, the cursor where the text put it; whoever follows the field's edits hears
    // that form last.
    void typedTextShownAsStored_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("cursor");
        const QChar high(0xD83D);
        const QChar low(0xDE00);
        const QChar replacement(QChar::ReplacementCharacter);
        QTest::newRow("composed high surrogate, then a quote")
            << "edit" << false << QStringLiteral("A") + high + QStringLiteral("'B")
            << QStringLiteral("[A") + replacement + QStringLiteral("'B]") << 5;
        QTest::newRow("composed low surrogate")
            << "combo" << false << QStringLiteral("A") + low
            << QStringLiteral("[A") + replacement + QStringLiteral("]") << 3;
        QTest::newRow("pasted byte-order mark and NUL")
            << "edit" << true
            << QChar(0xFEFF) + QStringLiteral("A") + QChar(0) + QStringLiteral("B")
            << QStringLiteral("[AB]") << 3;
        QTest::newRow("pasted swapped byte-order mark and high surrogate")
            << "combo" << true << QChar(0xFFFE) + QStringLiteral("AB") + high
            << QStringLiteral("[AB") + replacement + QStringLiteral("]") << 4;
        QTest::newRow("pasted into a field with a validator of its own")
            << "checked" << true << QChar(0xFEFF) + QStringLiteral("A") + high
            << QStringLiteral("[A") + replacement + QStringLiteral("]") << 3;
        QTest::newRow("pasted pair kept")
            << "edit" << true << QString(high) + low
            << QStringLiteral("[") + high + low + QStringLiteral("]") << 3;
    }

    void typedTextShownAsStored()
    {
        QFETCH(QString, field);
        QFETCH(bool, pasted);
        QFETCH(QString, input);
        QFETCH(QString, shown);
        QFETCH(int, cursor);
        ui::StorableInput::install();
        QDialog dialog;
        auto *layout = new QVBoxLayout(&dialog);
        auto *edit = new QLineEdit(&dialog);
        auto *combo = new QComboBox(&dialog);
        combo->setEditable(true);
        auto *checked = new QLineEdit(&dialog);
        checked->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^#]*")), checked));
        layout->addWidget(edit);
        layout->addWidget(combo);
        layout->addWidget(checked);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLineEdit *box = field == QLatin1String("combo")  ? combo->lineEdit()
                         : field == QLatin1String("edit") ? edit
                                                          : checked;
        QWidget *target = field == QLatin1String("combo") ? static_cast<QWidget *>(combo) : box;
        box->setText(QStringLiteral("[]"));
        box->setCursorPosition(1);
        QSignalSpy edits(box, &QLineEdit::textEdited);
        if (pasted) {
            QApplication::clipboard()->setText(input);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        } else {
            QInputMethodEvent composed;
            composed.setCommitString(input);
            QApplication::sendEvent(target, &composed);
        }
        QCOMPARE(box->text(), shown);
        QCOMPARE(box->cursorPosition(), cursor);
        QVERIFY(!edits.isEmpty());
        QCOMPARE(edits.last().first().toString(), shown);
        if (box == checked) {
            // Its own validator still has its say.
            QApplication::clipboard()->setText(QStringLiteral("#"));
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->text(), shown);
        }
    }
};

INVENTORY_TEST_MAIN(TestUi)
#include "tst_ui.moc"

// The product search: which products each form of the search lists, the single-match shortcut,
// the choice handed back, and the keys of the search box and the grid.
#include "support/testsupport.h"

#include "gridfit.h"

#include "app/modInventory.h"
#include "dialogs/frmItemLookup.h"
#include "platform/db/dialect.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace modInventory;

namespace {

// Supplying location 19, requesting department 27. Names and codes are chosen so that a search
// by name can never pass for a search by code.
const char *Fixture = R"(
INSERT INTO tbInvSupplier (SupplierID, SupplierName) VALUES ('S1', 'MEDSUPPLY');
INSERT INTO tbInvClassification (ItemClassificationID, ItemClassificationName, IsFixedAsset)
    VALUES ('MED', 'MEDICINE', 0), ('EQP', 'EQUIPMENT', 1), ('SUP', 'SUPPLIES', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ItemStatus, ItemClassificationID,
                         MarkupIn, MarkupOut) VALUES
    ('123',  'PARACETAMOL',    '500MG TAB',   'S1', 0,    'MED', 5, 8),
    ('1234', 'PARACETAMOL',    '250MG SYRUP', 'S1', 0,    'MED', 5, 8),
    ('P77',  'PAROXETINE',     '20MG TAB',    'S1', NULL, 'MED', 5, 8),
    ('P88',  'PARAFFIN',       'LIQUID',      'S1', 1,    'MED', 5, 8),
    ('E10',  'PARALLEL BARS',  'WOODEN',      'S1', 0,    'EQP', 0, 0),
    ('N5',   '123 SOLUTION',   '1L',          'S1', 0,    'SUP', 0, 0),
    ('OB1',  'O''BRIEN SPLINT', 'SMALL',      NULL, 0,    NULL,  0, 0),
    ('G1',   'GAUZE',          '4X4',         'S1', 0,    'SUP', 0, 0),
    ('SAL',  'ZINC OXIDE',     'CREAM',       'S1', 0,    'MED', 0, 0),
    ('S9',   'SALBUTAMOL',     'NEBULE',      'S1', 0,    'MED', 0, 0);
INSERT INTO tbInvent (ItemID, LocationID, ItemStatus, Markup_In, Markup_Out) VALUES
    ('123',  '19', 0,    15, 25), ('123', '27', 0, 0, 0),
    ('1234', '19', 0,    0,  0),
    ('P77',  '19', 1,    0,  0),  ('P77', '27', 0, 0, 0),
    ('G1',   '19', NULL, 0,  0),  ('G1',  '27', 0, 0, 0),
    ('N5',   '27', 0,    0,  0),
    ('OB1',  '19', 0,    0,  0),  ('OB1', '27', 1, 0, 0),
    ('P88',  '19', 0,    0,  0),  ('P88', '27', 0, 0, 0),
    ('E10',  '19', 0,    0,  0),  ('E10', '27', 0, 0, 0);
)";

// The codes the grid lists; none while it is disabled (no products found).
QStringList listedCodes(const ui::FlexGrid &grid)
{
    QStringList codes;
    if (!grid.isEnabled())
        return codes;
    for (int r = 1; r < grid.Rows(); ++r)
        codes << grid.TextMatrix(r, 0);
    return codes;
}

QString rowText(const ui::FlexGrid &grid, int row, int firstCol, int lastCol)
{
    QStringList cells;
    for (int c = firstCol; c <= lastCol; ++c)
        cells << grid.TextMatrix(row, c);
    return cells.join(QLatin1Char('|'));
}

const QStringList AllActive = {"N5", "G1", "OB1", "1234", "123", "P77", "S9", "SAL"};

} // namespace

class TestItemLookup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    // The shared dialog, set up as a caller would; the two codes stand in for the request
    // window's location combos.
    frmItemLookup &dialog(const QString &locationCode = {}, const QString &supplying = "19",
                          const QString &requesting = "27")
    {
        frmItemLookup &dlg = frmItemLookup::instance();
        dlg.setLocationName(QStringLiteral("CENTRAL SUPPLY"));
        dlg.setLocationCode(locationCode);
        dlg.setRequestLocationCodes(supplying, requesting);
        return dlg;
    }

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }

    void init()
    {
        INVENTORY_USE_ENGINE_OF_ROW();
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture));
    }

    void cleanup()
    {
        frmItemLookup::unload();
        testsupport::checkModalWatchesDone();
        m_messages.reset();
        m_session.reset();
    }

    void search_data()
    {
        QTest::addColumn<QString>("locationCode");
        QTest::addColumn<QString>("supplying");
        QTest::addColumn<QString>("requesting");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");

        const auto row = [](const char *name, const char *locationCode, const char *supplying,
                            const char *requesting, const QString &text,
                            const QStringList &expected) {
            QTest::newRow(name) << QString::fromUtf8(locationCode) << QString::fromUtf8(supplying)
                                << QString::fromUtf8(requesting) << text << expected;
        };
        row("numeric text finds only that code", "", "19", "27", "123", {"123"});
        row("numeric text with blanks", "", "19", "27", " 1234 ", {"1234"});
        row("name start, any case, by name then description", "", "19", "27", "par",
            {"1234", "123", "P77"});
        row("inactive and fixed-asset items never listed", "", "19", "27", "PARA", {"1234", "123"});
        row("empty text lists every active product", "", "19", "27", "", AllActive);
        row("quote mark in the text", "", "19", "27", "O'B", {"OB1"});
        row("quote mark matching nothing", "", "19", "27", "'; DROP", {});
        row("nothing found", "", "19", "27", "XYZ", {});
        row("location: held at both, active at the department", "19", "19", "27", "",
            {"G1", "123"});
        row("location: name start", "19", "19", "27", "PA", {"123"});
        row("location: code not held at the department", "19", "19", "27", "1234", {});
        row("location: no department chosen", "19", "19", "", "", {});
        row("location: no supplying location chosen", "19", "", "27", "", {});
        row("location: quote mark in a code", "19", "1'9", "27", "", {});
        row("blank location code searches the master", "  ", "", "", "PARA", {"1234", "123"});
    }

    void search()
    {
        QFETCH(QString, locationCode);
        QFETCH(QString, supplying);
        QFETCH(QString, requesting);
        QFETCH(QString, text);
        QFETCH(QStringList, expected);

        frmItemLookup &dlg = dialog(locationCode, supplying, requesting);
        QCOMPARE(dlg.SearchProducts(text), !expected.isEmpty());
        QCOMPARE(listedCodes(*dlg.grdLookup), expected);
        QCOMPARE(dlg.grdLookup->isEnabled(), !expected.isEmpty());
        QCOMPARE(dlg.cmdOptions[1]->isEnabled(), !expected.isEmpty());
        QCOMPARE(m_messages->texts(), QStringList());
    }

    // Where the database keeps its stock rows under their items' names, the location form's
    // search by name walks them: its rows are the join's, column for column and in the join's
    // order, after every kind of change to items and stock that the database's triggers follow.
    // (Rows of equal name and description, which the join lists in no particular order, are
    // compared as a set.)
    void stockNamesGiveTheJoinsRows_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("as loaded") << QString();
        QTest::newRow("item renamed") << "UPDATE tbInvMaster SET ItemName = 'AARON''S PASTE', "
                                         "ItemDesc = NULL WHERE ItemID = 'G1'";
        QTest::newRow("item's name taken away")
            << "UPDATE tbInvMaster SET ItemName = NULL WHERE ItemID = '123'";
        QTest::newRow("stock inactive at the department")
            << "UPDATE tbInvent SET ItemStatus = 1 WHERE ItemID = 'G1' AND LocationID = '27'";
        QTest::newRow("stock active again")
            << "UPDATE tbInvent SET ItemStatus = 0 WHERE ItemID = 'OB1' AND LocationID = '27'";
        QTest::newRow("stock taken away")
            << "DELETE FROM tbInvent WHERE ItemID = '123' AND LocationID = '27'";
        QTest::newRow("stock moved away from the department")
            << "UPDATE tbInvent SET LocationID = '30' WHERE ItemID = 'G1' AND LocationID = '27'";
        QTest::newRow("stock before its item, codes in another case")
            << "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus) VALUES ('NEW1', '27', 0), "
               "('new1', '19', 0);\n"
               "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) VALUES "
               "('New1', 'pacifier', 'Small', 0), ('New2', 'PACIFIER', 'SMALL', 0);\n"
               "INSERT INTO tbInvent (ItemID, LocationID, ItemStatus) VALUES ('NEW2', '27', 0), "
               "('NEW2', '19', 0)";
        QTest::newRow("item taken away") << "DELETE FROM tbInvMaster WHERE ItemID = 'G1'";
        QTest::newRow("item's code changed")
            << "UPDATE tbInvMaster SET ItemID = 'G2' WHERE ItemID = 'G1';\n"
               "UPDATE tbInvent SET ItemID = 'G2' WHERE ItemID = 'G1'";
        QTest::newRow("item's code in another case")
            << "UPDATE tbInvMaster SET ItemID = 'p77' WHERE ItemID = 'P77'";
    }
    void stockNamesGiveTheJoinsRows()
    {
        QFETCH(QString, change);
        db::Connection &connection = m_session->connection();
        if (!connection.dialect().stockNamesKept())
            QSKIP("this database keeps no stock rows by name");
        if (!change.isEmpty())
            connection.runScript(change);
        const auto rowsOf = [&connection](const QString &sql) {
            QList<QStringList> rows;
            for (db::Recordset rs = connection.OpenRecordset(sql); !rs.Eof(); rs.MoveNext()) {
                QStringList cells;
                for (int c = 0; c < rs.FieldCount(); ++c)
                    cells << (rs.Fields(c).IsNull() ? QStringLiteral("<null>")
                                                    : rs.Fields(c).toText());
                rows << cells;
            }
            // Equal names and descriptions in code order: the join's order leaves them as found.
            const auto key = [](const QStringList &r) {
                return r.at(1).toLower() + u'\x1f' + r.at(2).toLower();
            };
            for (qsizetype first = 0; first < rows.size();) {
                qsizetype end = first + 1;
                while (end < rows.size() && key(rows.at(end)) == key(rows.at(first)))
                    ++end;
                std::sort(rows.begin() + first, rows.begin() + end);
                first = end;
            }
            return rows;
        };
        for (const QString &text :
             {QString(), QStringLiteral("PA"), QStringLiteral("par"), QStringLiteral("O'B"),
              QStringLiteral("'; X"), QStringLiteral("AAR"), QStringLiteral("z")}) {
            for (const int top : {0, 3}) {
                const QString joined =
                    frmItemLookup::productSearchStatement(text, true, "19", "27", top);
                const QString walked =
                    frmItemLookup::productSearchStatement(text, true, "19", "27", top, true);
                QVERIFY(walked != joined);
                QCOMPARE(rowsOf(walked), rowsOf(joined));
            }
        }
        // The walk follows the index of the department's names, in its order: no sort of
        // every stock row of the department.
        connection.runScript(QStringLiteral("SET enable_seqscan = off"));
        const QString plan =
            testsupport::rows(connection,
                              QStringLiteral("EXPLAIN ") +
                                  connection.dialect()
                                      .translate(frmItemLookup::productSearchStatement(
                                          QStringLiteral("PA"), true, "19", "27", 501, true))
                                      .sql)
                .join(QLatin1Char('\n'));
        QVERIFY2(plan.contains(QLatin1String("ixinvstockname_name")) &&
                     !plan.contains(QLatin1String("Sort")),
                 qPrintable(plan));
    }

    void columnsFollowTheForm_data()
    {
        QTest::addColumn<QString>("locationCode");
        QTest::addColumn<QString>("markupsAndStatus");

        QTest::newRow("item master") << ""
                                     << "5|8|Active";
        QTest::newRow("location: the supplying location's row") << "19"
                                                                << "15|25|Active";
    }

    void columnsFollowTheForm()
    {
        QFETCH(QString, locationCode);
        QFETCH(QString, markupsAndStatus);

        frmItemLookup &dlg = dialog(locationCode);
        QVERIFY(dlg.SearchProducts(QStringLiteral("123")));
        const ui::FlexGrid &grid = *dlg.grdLookup;
        QCOMPARE(rowText(grid, 0, 0, grid.Cols() - 1),
                 QStringLiteral("Code|Product Name|Description|Supplier|In-Patient Markup|"
                                "Out-Patient Markup|Status|Packing|ListCost|"
                                "ItemClassificationName"));
        QCOMPARE(rowText(grid, 1, 0, 3), QStringLiteral("123|PARACETAMOL|500MG TAB|MEDSUPPLY"));
        QCOMPARE(rowText(grid, 1, 4, 6), markupsAndStatus);
        QCOMPARE(grid.TextMatrix(1, 9), QStringLiteral("MEDICINE"));
    }

    void singleMatchReturnsWithoutShowing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");

        QTest::newRow("name start") << QStringLiteral("parox") << QStringLiteral("P77");
        QTest::newRow("code") << QStringLiteral("123") << QStringLiteral("123");
        QTest::newRow("quote mark") << QStringLiteral("O'B") << QStringLiteral("OB1");
        // The code found, read as a name, starts another single product: the caller must get
        // the product its own text found.
        QTest::newRow("code that starts another name")
            << QStringLiteral("ZINC") << QStringLiteral("SAL");
    }

    void singleMatchReturnsWithoutShowing()
    {
        QFETCH(QString, text);
        QFETCH(QString, code);

        PubLookupCode = QStringLiteral("OLD");
        frmItemLookup &dlg = dialog();
        dlg.setSearchString(text);
        dlg.Form_Load();
        QVERIFY(dlg.blnExactMatch);
        QCOMPARE(dlg.SearchString(), code);
        QCOMPARE(PubLookupCode, QString());
        QCOMPARE(dlg.txtSearch->text(), text);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(m_messages->count(), 0);
    }

    void exactMatchLastsUntilTheNextLoad()
    {
        frmItemLookup &dlg = dialog();
        dlg.setSearchString(QStringLiteral("PAROX"));
        dlg.Form_Load();
        QVERIFY(!dlg.SearchProducts(QStringLiteral("XYZ")));
        QVERIFY(dlg.blnExactMatch);

        dlg.setSearchString(QStringLiteral("PAR"));
        dlg.Form_Load();
        QVERIFY(!dlg.blnExactMatch);
        QCOMPARE(dlg.SearchString(), QStringLiteral("PAR"));
        QCOMPARE(dlg.txtLocation->text(), QStringLiteral("CENTRAL SUPPLY"));
    }

    void closeLeavesNoCode()
    {
        frmItemLookup &dlg = dialog();
        dlg.setSearchString(QStringLiteral("PAR"));
        dlg.Form_Load();
        QVERIFY(!dlg.blnExactMatch);

        const auto watch = ui::test::whenModal([](QWidget *w) {
            w->findChild<QPushButton *>(QStringLiteral("cmdOptions(0)"))->click();
        });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(watch->acted);
        QCOMPARE(PubLookupCode, QString());
    }

    void selectTakesCurrentRow_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("code");

        QTest::newRow("Select button") << false << 2 << "123";
        QTest::newRow("double-click") << true << 3 << "P77";
    }

    void selectTakesCurrentRow()
    {
        QFETCH(bool, doubleClick);
        QFETCH(int, row);
        QFETCH(QString, code);

        frmItemLookup &dlg = dialog();
        dlg.setSearchString(QStringLiteral("PAR"));
        dlg.Form_Load();

        const auto watch = ui::test::whenModal([&](QWidget *w) {
            auto *grid = w->findChild<ui::FlexGrid *>(QStringLiteral("grdLookup"));
            grid->setRow(row);
            if (doubleClick) {
                const QRect cell = grid->visualRect(grid->model()->index(row - 1, 0));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            } else {
                w->findChild<QPushButton *>(QStringLiteral("cmdOptions(1)"))->click();
            }
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(watch->acted);
        QCOMPARE(PubLookupCode, code);
    }

    void typedLettersBecomeCapitalsAndSearch()
    {
        frmItemLookup &dlg = dialog();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.txtSearch->setFocus();
        QVERIFY(dlg.cmdSearch->isDefault());

        QTest::keyClicks(dlg.txtSearch, QStringLiteral("para"));
        QCOMPARE(dlg.txtSearch->text(), QStringLiteral("PARA"));
        QCOMPARE(listedCodes(*dlg.grdLookup), (QStringList{"1234", "123"}));

        dlg.grdLookup->setFocus();
        QVERIFY(dlg.cmdOptions[1]->isDefault());
        QVERIFY(!dlg.cmdSearch->isDefault());
    }

    // A search lists the first rows in name order and says when more match.
    void longListsStopAtTheLimit_data()
    {
        QTest::addColumn<QString>("locationCode");
        QTest::addColumn<int>("maxRows");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("more");
        QTest::newRow("master, more than the limit")
            << "" << 3 << QStringList{"N5", "G1", "OB1"} << true;
        QTest::newRow("master, exactly the limit") << "" << 8 << AllActive << false;
        QTest::newRow("location, more than the limit") << "19" << 1 << QStringList{"G1"} << true;
        QTest::newRow("location, exactly the limit")
            << "19" << 2 << QStringList{"G1", "123"} << false;
    }

    void longListsStopAtTheLimit()
    {
        QFETCH(QString, locationCode);
        QFETCH(int, maxRows);
        QFETCH(QStringList, expected);
        QFETCH(bool, more);
        frmItemLookup &dlg = dialog(locationCode);
        QVERIFY(dlg.SearchProducts(QString(), maxRows));
        QCOMPARE(listedCodes(*dlg.grdLookup), expected);
        QCOMPARE(dlg.lblMore->isVisibleTo(&dlg), more);
        // Choosing a row still takes that row's code.
        dlg.grdLookup->setRow(int(expected.size()));
        dlg.cmdOptions_Click(1);
        QCOMPARE(PubLookupCode, expected.last());
    }

    // Typing lists the first KeystrokeRows products; Enter in the box lists them all (up to
    // SearchRows), and the note goes.
    void typingListsTheFirstRowsEnterListsMore()
    {
        const QString fourDigits = testsupport::onEmbeddedFile()
                                       ? QStringLiteral("printf('%04d', i)")
                                       : QStringLiteral("lpad(i::text, 4, '0')");
        m_session->connection().runScript(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 520) "
                "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ItemStatus) "
                "SELECT 'B' || i, 'BANDAGE ' || %1, '', 0 FROM n")
                .arg(fourDigits));
        frmItemLookup &dlg = dialog();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.txtSearch->setFocus();
        QTest::keyClicks(dlg.txtSearch, QStringLiteral("b"));
        QCOMPARE(dlg.grdLookup->Rows() - 1, frmItemLookup::KeystrokeRows);
        QCOMPARE(dlg.grdLookup->TextMatrix(1, 0), QStringLiteral("B1"));
        QCOMPARE(dlg.grdLookup->TextMatrix(frmItemLookup::KeystrokeRows, 0),
                 QStringLiteral("B%1").arg(frmItemLookup::KeystrokeRows));
        QVERIFY(dlg.lblMore->isVisible());
        QVERIFY2(dlg.lblMore->text().contains(QLatin1String("Enter")),
                 qPrintable(dlg.lblMore->text()));

        QTest::keyClick(dlg.txtSearch, Qt::Key_Return);
        QCOMPARE(dlg.grdLookup->Rows() - 1, 520);
        QVERIFY(!dlg.lblMore->isVisible());
        QVERIFY(dlg.grdLookup->hasFocus());
    }

    void gridKeys_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<bool>("searchBoxFocused");

        const int none = Qt::NoModifier;
        QTest::newRow("Backspace shortens the text")
            << "PARA" << int(Qt::Key_Backspace) << none << "PAR"
            << QStringList{"1234", "123", "P77"} << false;
        QTest::newRow("Backspace after trailing blanks")
            << "PARA  " << int(Qt::Key_Backspace) << none << "PAR"
            << QStringList{"1234", "123", "P77"} << false;
        QTest::newRow("a letter starts again")
            << "PAR" << int(Qt::Key_G) << none << "G" << QStringList{"G1"} << true;
        QTest::newRow("a shifted letter too") << "PAR" << int(Qt::Key_S) << int(Qt::ShiftModifier)
                                              << "S" << QStringList{"S9"} << true;
        QTest::newRow("a shortcut is no letter")
            << "PAR" << int(Qt::Key_G) << int(Qt::ControlModifier) << "PAR"
            << QStringList{"1234", "123", "P77"} << false;
        QTest::newRow("a function key is no letter") << "PAR" << int(Qt::Key_F1) << none << "PAR"
                                                     << QStringList{"1234", "123", "P77"} << false;
    }

    void gridKeys()
    {
        QFETCH(QString, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(QStringList, codes);
        QFETCH(bool, searchBoxFocused);

        frmItemLookup &dlg = dialog();
        dlg.setSearchString(start);
        dlg.Form_Load();
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.grdLookup->setFocus();

        QTest::keyClick(dlg.grdLookup, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(dlg.txtSearch->text(), text);
        QCOMPARE(listedCodes(*dlg.grdLookup), codes);
        QCOMPARE(dlg.txtSearch->hasFocus(), searchBoxFocused);
        QCOMPARE(dlg.grdLookup->hasFocus(), !searchBoxFocused);
        if (searchBoxFocused)
            QCOMPARE(dlg.txtSearch->cursorPosition(), 1);
    }

    // The product name takes the width the dialog is given beyond what the columns need, and no
    // listed text is cut, however long.
    void widerDialogWidensTheName()
    {
        m_session->connection().runScript(QStringLiteral(
            "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ItemStatus, "
            "ItemClassificationID, ListCost) VALUES ('L1', 'PARACETAMOL WITH CODEINE PHOSPHATE "
            "ORAL SUSPENSION FOR CHILDREN', '120MG/12MG PER 5ML, 100ML AMBER GLASS BOTTLE', 'S1', "
            "0, 'MED', 1234567.8912);"));
        frmItemLookup &dlg = dialog();
        dlg.setSearchString(QStringLiteral("G"));
        dlg.Form_Load();
        int before = 0;
        int after = 0;
        QStringList cut;
        const auto watch = ui::test::whenModal([&](QWidget *w) {
            ui::FlexGrid *grid = dlg.grdLookup;
            QCOMPARE(listedCodes(*grid), QStringList{"G1"});
            QCOMPARE(gridfit::unusedWidth(*grid), 0);
            before = grid->columnWidth(1);
            // Wide enough for every column, and 80 pixels more.
            int columns = 0;
            for (int c = 0; c < grid->Cols(); ++c)
                columns += grid->columnWidth(c);
            w->resize(w->width() + std::max(0, columns - grid->viewport()->width()) + 80,
                      w->height());
            QCoreApplication::processEvents();
            after = grid->columnWidth(1);
            QCOMPARE(gridfit::unusedWidth(*grid), 0);

            dlg.txtSearch->clear();
            QTest::keyClicks(dlg.txtSearch, QStringLiteral("PARA"), Qt::NoModifier);
            QCOMPARE(listedCodes(*grid), (QStringList{"1234", "123", "L1"}));
            cut = gridfit::cutTexts(*grid);
            w->findChild<QPushButton *>(QStringLiteral("cmdOptions(0)"))->click();
        });
        dlg.exec();
        QVERIFY(watch->acted);
        QVERIFY2(after >= before + 80,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
        QCOMPARE(cut, QStringList());
    }

    // The widths measured for a search's texts are the font's: after the grid's font grows, the
    // same search fits its columns to the texts as they are drawn now.
    void largerFontCutsNoText()
    {
        frmItemLookup &dlg = dialog();
        QVERIFY(dlg.SearchProducts(QStringLiteral("PARA")));
        QCOMPARE(gridfit::cutTexts(*dlg.grdLookup), QStringList());
        QFont larger = dlg.grdLookup->font();
        larger.setPointSizeF(larger.pointSizeF() * 2);
        dlg.grdLookup->setFont(larger);
        QVERIFY(dlg.SearchProducts(QStringLiteral("PARA")));
        QCOMPARE(gridfit::cutTexts(*dlg.grdLookup), QStringList());
    }

    void failingSearchReportsAndKeepsTheGrid()
    {
        frmItemLookup &dlg = dialog();
        QVERIFY(dlg.SearchProducts(QStringLiteral("PARA")));
        m_session->connection().runScript(QStringLiteral("DROP TABLE tbInvClassification;"));

        QVERIFY(!dlg.SearchProducts(QStringLiteral("G")));
        QCOMPARE(m_messages->count(), 1);
        const ui::Message &message = m_messages->messages().first();
        // The missing table is named (PostgreSQL writes unquoted names in lower case).
        QVERIFY2(message.text.contains(QLatin1String("tbInvClassification"), Qt::CaseInsensitive),
                 qPrintable(message.text));
        QCOMPARE(message.icon, ui::Icon::Critical);
        QCOMPARE(message.title, ui::ApplicationTitle);
        QCOMPARE(listedCodes(*dlg.grdLookup), (QStringList{"1234", "123"}));
    }

    void noResultsLeaveOnlyCloseAndSearch()
    {
        frmItemLookup &dlg = dialog();
        dlg.setSearchString(QStringLiteral("XYZ"));
        dlg.Form_Load();
        QVERIFY(!dlg.blnExactMatch);
        QCOMPARE(dlg.grdLookup->Rows(), 2);
        QCOMPARE(dlg.grdLookup->TextMatrix(1, 0), QString());
        QVERIFY(!dlg.grdLookup->isBound());

        const auto watch = ui::test::whenModal([](QWidget *w) {
            auto *select = w->findChild<QPushButton *>(QStringLiteral("cmdOptions(1)"));
            QVERIFY(!select->isEnabled());
            select->click(); // a disabled button does nothing
            QVERIFY(w->isVisible());
            w->findChild<QPushButton *>(QStringLiteral("cmdOptions(0)"))->click();
        });
        dlg.exec();
        QVERIFY(watch->acted);
        QCOMPARE(PubLookupCode, QString());
    }
};

INVENTORY_TEST_MAIN(TestItemLookup)
#include "tst_itemlookup.moc"

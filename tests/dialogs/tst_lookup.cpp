// The code lookup: the three kinds of record, numeric and name searches, inactive records, the
// single-match shortcut, the choice handed back, the keys, and the data classes' Search methods.
#include "support/testsupport.h"

#include "gridfit.h"

#include "app/modInventory.h"
#include "dialogs/frmLookup.h"
#include "objects/clsSupplier.h"
#include "objects/clsTerms.h"
#include "objects/clsUnitOfMeasure.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/msgbox.h"

#include <QLineEdit>
#include <QPushButton>

using namespace modInventory;

namespace {

// Codes and names are chosen so that a name search can never pass for a code search.
const char *Fixture = R"(
INSERT INTO tbInvSupplier (SupplierID, SupplierName, Status, FreeGoods, isVAT) VALUES
    ('1', 'ACME PHARMA', 'A', 0, 1), ('2', 'ACME MEDICAL', NULL, 0, 0),
    ('3', 'ACME OLD', 'I', 0, 0), ('12', 'BETA SUPPLY', '', 1, 0),
    ('20', '1 STOP SHOP', 'A', 0, 0), ('21', 'O''HARA DRUGS', 'A', 0, 0);
INSERT INTO tbInvTerms (TermsID, Terms, NoDays, Status) VALUES
    (1, 'COD', 0, 'A'), (2, '30 DAYS', 30, NULL), (4, 'CASH', 0, ''), (5, 'CHECK', 15, 'I'),
    (6, 'CHARGE', 30, 'A');
INSERT INTO tbInvUnitOfMeasure (UnitOfMeasureID, UnitOfMeasure, Status) VALUES
    (1, 'TABLET', 'A'), (2, 'BOX', NULL), (3, 'BOTTLE', 'I'), (10, 'BOTTLE 1L', '');
)";

// Column 0 of every listed row; none while the grid is disabled (nothing found).
QStringList listed(const ui::FlexGrid &grid)
{
    QStringList out;
    if (!grid.isEnabled())
        return out;
    for (int r = 1; r < grid.Rows(); ++r)
        out << grid.TextMatrix(r, 0) + QLatin1Char('=') + grid.TextMatrix(r, 1);
    return out;
}

ui::FlexGrid *gridOf(QWidget *dialog)
{
    return dialog->findChild<ui::FlexGrid *>(QStringLiteral("grdLookup"));
}

QPushButton *button(QWidget *dialog, const QString &name)
{
    return dialog->findChild<QPushButton *>(name);
}

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    frmLookup &loaded(qint16 type, const QString &text)
    {
        frmLookup &dlg = frmLookup::instance();
        dlg.setSearchString(text);
        dlg.setLookupType(type);
        dlg.Form_Load();
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
        frmLookup::unload();
        testsupport::checkModalWatchesDone();
        m_messages.reset();
        m_session.reset();
    }

    void searchAtLoad_data()
    {
        QTest::addColumn<qint16>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("searchString");

        QTest::newRow("supplier names in upper case, inactive left out, no status listed")
            << qint16(1) << " acme"
            << "Supplier" << QStringList{"ACME MEDICAL=2", "ACME PHARMA=1"} << " acme";
        QTest::newRow("supplier code compared exactly")
            << qint16(1) << "1"
            << "Supplier" << QStringList{"ACME PHARMA=1"} << "1";
        QTest::newRow("supplier name with a quote mark")
            << qint16(1) << "o'h"
            << "Supplier" << QStringList{"O'HARA DRUGS=21"} << "21";
        QTest::newRow("inactive supplier by code") << qint16(1) << "3"
                                                   << "Supplier" << QStringList() << "3";
        QTest::newRow("empty text lists every active supplier")
            << qint16(1) << ""
            << "Supplier"
            << QStringList{"1 STOP SHOP=20", "ACME MEDICAL=2", "ACME PHARMA=1", "BETA SUPPLY=12",
                           "O'HARA DRUGS=21"}
            << "";
        QTest::newRow("terms by name") << qint16(2) << "CH"
                                       << "Terms of Payment" << QStringList{"CHARGE=6"} << "6";
        QTest::newRow("terms by code, unquoted")
            << qint16(2) << " 2 "
            << "Terms of Payment" << QStringList{"30 DAYS=2"} << "2";
        QTest::newRow("terms, empty status listed")
            << qint16(2) << "CAS"
            << "Terms of Payment" << QStringList{"CASH=4"} << "4";
        QTest::newRow("units by name")
            << qint16(3) << "bo"
            << "Unit of Measure" << QStringList{"BOTTLE 1L=10", "BOX=2"} << "bo";
        QTest::newRow("inactive unit by code") << qint16(3) << "3"
                                               << "Unit of Measure" << QStringList() << "3";
    }

    void searchAtLoad()
    {
        QFETCH(qint16, type);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(QStringList, rows);
        QFETCH(QString, searchString);
        PubLookupCode = QStringLiteral("STALE");
        frmLookup &dlg = loaded(type, text);
        QCOMPARE(PubLookupCode, QString());
        QCOMPARE(dlg.windowTitle(), caption);
        QCOMPARE(dlg.findChild<QLineEdit *>(QStringLiteral("txtSearch"))->text(), text);
        QCOMPARE(listed(*gridOf(&dlg)), rows);
        QCOMPARE(dlg.blnExactMatch, rows.size() == 1);
        QCOMPARE(dlg.SearchString(), searchString);
        QCOMPARE(button(&dlg, QStringLiteral("cmdOptions(1)"))->isEnabled(), !rows.isEmpty());
        QCOMPARE(gridfit::cutTexts(*gridOf(&dlg)), QStringList());
        QCOMPARE(m_messages->count(), 0);
    }

    void laterSearchesDoNotClearTheExactMatch()
    {
        frmLookup &dlg = loaded(frmLookup::Terms, QStringLiteral("COD"));
        QVERIFY(dlg.blnExactMatch);
        QCOMPARE(dlg.SearchLookup(QStringLiteral("C")), true);
        QCOMPARE(listed(*gridOf(&dlg)), (QStringList{"CASH=4", "CHARGE=6", "COD=1"}));
        QVERIFY(dlg.blnExactMatch);
        QCOMPARE(dlg.SearchLookup(QStringLiteral("XYZ")), false);
        QVERIFY(!gridOf(&dlg)->isEnabled());
    }

    void unknownLookupTypeIsReported()
    {
        frmLookup &dlg = loaded(7, QStringLiteral("ACME"));
        QCOMPARE(m_messages->texts(), QStringList{"There is no lookup of type 7."});
        QCOMPARE(m_messages->messages().first().title, ui::ApplicationTitle);
        QCOMPARE(m_messages->messages().first().icon, ui::Icon::Critical);
        QVERIFY(!dlg.blnExactMatch);
        QVERIFY(!button(&dlg, QStringLiteral("cmdOptions(1)"))->isEnabled());
        QCOMPARE(dlg.SearchLookup(QStringLiteral("X")), false);
    }

    void selectHandsTheCodeBack()
    {
        frmLookup &dlg = loaded(frmLookup::Supplier, QStringLiteral("ACME"));
        gridOf(&dlg)->setRow(2);
        button(&dlg, QStringLiteral("cmdOptions(1)"))->click();
        QCOMPARE(PubLookupCode, QStringLiteral("1"));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void typingAndKeys()
    {
        frmLookup &dlg = loaded(frmLookup::UnitOfMeasure, QStringLiteral("B"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto *text = dlg.findChild<QLineEdit *>(QStringLiteral("txtSearch"));
        ui::FlexGrid *grid = gridOf(&dlg);

        // Letters typed into the search become capitals; Enter there searches.
        text->setFocus();
        text->clear();
        QTest::keyClicks(text, QStringLiteral("tab"));
        QCOMPARE(text->text(), QStringLiteral("TAB"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(listed(*grid), QStringList{"TABLET=1"});
        QCOMPARE(grid->hasFocus(), true);

        // Backspace in the grid shortens the search; a letter starts a new one.
        QTest::keyClick(grid, Qt::Key_Backspace);
        QCOMPARE(text->text(), QStringLiteral("TA"));
        QTest::keyClick(grid, Qt::Key_X);
        QCOMPARE(text->text(), QStringLiteral("X"));
        QCOMPARE(text->hasFocus(), true);
        QCOMPARE(text->cursorPosition(), 1);

        // A search that finds nothing keeps the focus in the text.
        QTest::keyClick(text, Qt::Key_Return);
        QVERIFY(!grid->isEnabled());
        QCOMPARE(text->hasFocus(), true);

        // Enter in the grid selects.
        text->setText(QStringLiteral("BO"));
        button(&dlg, QStringLiteral("cmdSearch"))->click();
        QVERIFY(grid->hasFocus());
        grid->setRow(2);
        QTest::keyClick(grid, Qt::Key_Return);
        QCOMPARE(PubLookupCode, QStringLiteral("2"));
        QVERIFY(!dlg.isVisible());
    }

    // --- the data classes' Search methods ---------------------------------------------------

    void singleMatchLoadsWithoutShowing()
    {
        const ui::test::ModalsShown modals;
        clsSupplier supplier;
        supplier.setActiveConnection(&m_session->connection());
        QCOMPARE(supplier.SearchSupplier(QStringLiteral("beta")), true);
        QCOMPARE(supplier.SupplierID(), QStringLiteral("12"));
        QCOMPARE(supplier.SupplierName(), QStringLiteral("BETA SUPPLY"));
        QCOMPARE(PubLookupCode, QStringLiteral("12"));
        QCOMPARE(modals.classNames(), QStringList());
    }

    void userChoosesInTheDialog()
    {
        const auto watch = ui::test::whenModal([](QWidget *w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Terms of Payment"));
            ui::FlexGrid *grid = gridOf(w);
            QCOMPARE(listed(*grid), (QStringList{"CASH=4", "CHARGE=6", "COD=1"}));
            // A double-click on a row selects it.
            const QRect cell = grid->visualRect(grid->model()->index(1, 0));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        });
        clsTerms terms;
        terms.setActiveConnection(&m_session->connection());
        QCOMPARE(terms.SearchTerms(QStringLiteral("c")), true);
        QVERIFY(watch->acted);
        QCOMPARE(PubLookupCode, QStringLiteral("6"));
        QCOMPARE(terms.Code(), qint16(6));
        QCOMPARE(terms.Description(), QStringLiteral("CHARGE"));
        QCOMPARE(terms.NumberOfDays(), qint16(30));
    }

    void cancelLeavesTheObjectAlone()
    {
        const auto watch = ui::test::whenModal(
            [](QWidget *w) { button(w, QStringLiteral("cmdOptions(0)"))->click(); });
        clsUnitOfMeasure unit;
        unit.setActiveConnection(&m_session->connection());
        unit.setCode(1);
        unit.setDescription(QStringLiteral("KEPT"));
        QCOMPARE(unit.SearchUOM(QStringLiteral("BO")), false);
        QVERIFY(watch->acted);
        QCOMPARE(PubLookupCode, QString());
        QCOMPARE(unit.Description(), QStringLiteral("KEPT"));
    }

    void nothingFoundShowsTheDialogWithSelectDisabled()
    {
        bool selectEnabled = true;
        const auto watch = ui::test::whenModal([&](QWidget *w) {
            selectEnabled = button(w, QStringLiteral("cmdOptions(1)"))->isEnabled();
            button(w, QStringLiteral("cmdOptions(0)"))->click();
        });
        clsSupplier supplier;
        supplier.setActiveConnection(&m_session->connection());
        QCOMPARE(supplier.SearchSupplier(QStringLiteral("NOBODY")), false);
        QVERIFY(watch->acted);
        QVERIFY(!selectEnabled);
        QCOMPARE(PubLookupCode, QString());
    }
};

INVENTORY_TEST_MAIN(TestLookup)
#include "tst_lookup.moc"

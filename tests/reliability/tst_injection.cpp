// Hostile text pasted into every box whose text reaches a statement: quote marks, comment marks,
// a statement of its own, very long text, non-Latin letters, backslashes, LIKE wildcards. Nothing
// the text says is ever run: the database ends as it began, apart from the request saved with the
// text stored exactly as the box held it.
#include "support/testsupport.h"

#include "app/modEncryption.h"
#include "app/modInventory.h"
#include "dialogs/frmDeletePassword.h"
#include "dialogs/frmItemLookup.h"
#include "platform/db/sqlquote.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', NULL, 1, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, NULL);
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbInvUnitOfMeasure VALUES (1, 'BOX', NULL);
INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, ListCost, Packing, AverageCost,
                        UnitOfMeasureID)
VALUES ('1001', 'GAUZE 4X4', 'STERILE', 12.5, 10, 11.25, 1),
       ('1002', 'SYRINGE 5CC', 'DISPOSABLE', 4, 100, 3.5, 1);
INSERT INTO tbInvent (ItemID, LocationID, OnHand, MinStockLevel, IsADSStock, ADSStock)
VALUES ('1001', '19', 40, 0, 0, 0), ('1002', '19', 100, 0, 0, 0),
       ('1001', '27', 1, 0, 0, 0), ('1002', '27', 1, 0, 0, 0);
INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS,
    LocationID, TargetLocationID, TransDate, UserID, Remarks, VerifiedBy, VerifiedDate) VALUES
    ('7', '1001', 5, 12.5, 'Y', 0, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL),
    ('7', '1002', 10, 3.5, 'N', 1, '19', '27', '2026-11-02 09:00:00', 'E01', 'WARD STOCK',
     NULL, NULL);
)";

QString fixture()
{
    QString script = QString::fromLatin1(Fixture);
    for (const char *id : {"E01", "E02"}) {
        script += QStringLiteral("INSERT INTO tbPasswordMain (EmployeeID, LastName, FirstName, "
                                 "Password, DepartmentID, Right_Code1, Right_Code2) VALUES "
                                 "('%1', 'STAFF', 'A', %2, '4', 'A', 'S');\n")
                      .arg(QLatin1String(id), db::quoted(modEncryption::EncryptText(
                                                  QStringLiteral("E"), modEncryption::PasswordKey,
                                                  QStringLiteral("NURSE"))));
    }
    return script;
}

// Every table's rows, in storage order; the withdrawal requests apart from the one numbered
// `except`.
QStringList snapshot(db::Connection &c, const QString &except = QString())
{
    QStringList out;
    for (const QString &table :
         testsupport::rows(c, QStringLiteral("Select name From sqlite_master Where type = 'table' "
                                             "Order By name"))) {
        QString sql = QStringLiteral("Select * From ") + table;
        if ((table.compare(QLatin1String("tbInvWithdrawRequest"), Qt::CaseInsensitive) == 0 ||
             table.compare(QLatin1String("tbInvRequestHistory"), Qt::CaseInsensitive) == 0) &&
            !except.isEmpty())
            sql += QStringLiteral(" Where DocumentNumber <> ") + db::quoted(except);
        const QStringList rows = testsupport::rows(c, sql + QStringLiteral(" Order By rowid"));
        out << table + QStringLiteral(": ") + QString::number(rows.size());
        out << rows;
    }
    return out;
}

// Messages that only a failing statement would show.
QStringList failures(const QStringList &messages)
{
    QStringList out;
    for (const QString &text : messages) {
        if (text.contains(QLatin1String("error"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("syntax"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("near"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("token"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("SQL"), Qt::CaseSensitive))
            out << text;
    }
    return out;
}

QString repeated(const QString &piece, int length)
{
    QString out;
    while (out.size() < length)
        out += piece;
    return out.left(length);
}

} // namespace

class TestInjection : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;
    std::unique_ptr<frmMain> m_window;
    QStringList m_before;

    frmMain &w() { return *m_window; }
    db::Connection &db() { return m_session->connection(); }

    // typedNumbers: New leaves the number for the user to type.
    void start(bool typedNumbers = false)
    {
        m_session = std::make_unique<testsupport::Session>(fixture());
        ClientName.clear();
        isAutoWithdrawRequestNumber = typedNumbers;
        AllowWDZeroOnHand = false;
        m_window = testsupport::openWindow();
        QVERIFY(testsupport::isActive(*m_window));
        m_before = snapshot(db());
        QVERIFY(m_before.contains(QStringLiteral("tbInvWithdrawRequest: 2")));
        QVERIFY(m_before.contains(QStringLiteral("tbInvMaster: 2")));
    }

    void newRequest()
    {
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
        QVERIFY(w().cboTargetLocation_Validate());
        w().txtRemarks->setText(QStringLiteral("PLAIN"));
        w().grdDetails->setRows(3);
        const QStringList cells{"1001", "", "2", "11.25", "", "N", "N"};
        for (int c = 0; c < 7; ++c)
            w().grdDetails->setTextMatrix(1, c, cells.at(c));
    }

    // The one column of the request's lines, read back as stored.
    QStringList storedColumn(const QString &number, const QString &column)
    {
        QStringList out;
        db::Recordset rs = db().Execute(QStringLiteral("Select ") + column +
                                        QStringLiteral(" As V From tbInvWithdrawRequest Where "
                                                       "DocumentNumber = ") +
                                        db::quoted(number) + QStringLiteral(" Order By LineID"));
        for (; !rs.Eof(); rs.MoveNext())
            out << rs.Fields(QStringLiteral("V")).toText();
        return out;
    }

    void corpus()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("quote") << QStringLiteral("O'BRIEN'S WARD");
        QTest::newRow("quote comment") << QStringLiteral("x'--");
        QTest::newRow("statement")
            << QStringLiteral("'; Delete INVENTORY..tbInvWithdrawRequest --");
        QTest::newRow("drop") << QStringLiteral("']; Drop Table tbInvMaster; --");
        QTest::newRow("block comment") << QStringLiteral("a'/* */'b /*");
        QTest::newRow("long") << repeated(QStringLiteral("ab'; --"), 10000);
        QTest::newRow("greek") << QStringLiteral("Αίτηση 'ΠΑΘΟΛΟΓΙΚΗΣ'");
        QTest::newRow("cjk") << QStringLiteral("病房申请 '护士' 검사");
        QTest::newRow("emoji") << QStringLiteral("💉🩹 'x' 👩‍⚕️");
        QTest::newRow("backslash") << QStringLiteral("C:\\ward\\'3'\\");
        QTest::newRow("wildcards") << QStringLiteral("100% _all_ '%' [a-z]");
        QTest::newRow("double quote") << QStringLiteral("say \"hi\" \" ; --");
    }

private slots:
    void init() { m_messages = std::make_unique<ui::ScopedRecordingResponder>(); }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        m_messages.reset();
        frmDeletePassword::unload();
        testsupport::checkModalWatchesDone();
    }

    // The justification, on a new request and on a stored one saved again.
    void justification_data() { corpus(); }
    void justification()
    {
        QFETCH(QString, text);
        start();
        newRequest();
        w().txtRemarks->setText(text);
        const QString held = w().txtRemarks->text();
        QCOMPARE(held, text.left(500));
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("8"));
        QCOMPARE(storedColumn(QStringLiteral("8"), QStringLiteral("Remarks")), QStringList{held});
        QCOMPARE(snapshot(db(), QStringLiteral("8")), m_before);
    }

    // A line's product code as it goes into the insert.
    void lineCode_data() { corpus(); }
    void lineCode()
    {
        QFETCH(QString, text);
        start();
        newRequest();
        w().grdDetails->setTextMatrix(1, 0, text);
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(), QStringList());
        QCOMPARE(storedColumn(QStringLiteral("8"), QStringLiteral("ItemID")), QStringList{text});
        QCOMPARE(snapshot(db(), QStringLiteral("8")), m_before);
    }

    // A typed document number: refused as no whole number, before anything is written; the
    // number lookup itself takes any text.
    void documentNumber_data() { corpus(); }
    void documentNumber()
    {
        QFETCH(QString, text);
        start(true);
        newRequest();
        QVERIFY(!w().txtDocNum->isReadOnly());
        w().txtDocNum->setText(text);
        w().cmdSave->click();
        QCOMPARE(m_messages->texts(),
                 QStringList{QStringLiteral(
                     "The document number must be a whole number from 1 to 999999999.")});
        QVERIFY(!w().Verify_DocumentNumber(text));
        QCOMPARE(m_messages->count(), 1);
        QCOMPARE(snapshot(db()), m_before);
    }

    // The product code box (the barcode lookup, the kit lookup, the product search) and the
    // product search's own box.
    void productCode_data() { corpus(); }
    void productCode()
    {
        QFETCH(QString, text);
        start();
        newRequest();
        w().txtProdCode->setText(text);
        // Nothing answers to it: said at once, the code kept to be typed again.
        QVERIFY(!w().txtProdCode_Validate());
        QVERIFY2(m_messages->texts().value(0).startsWith(QStringLiteral("No product ")),
                 qPrintable(m_messages->texts().value(0)));
        // The product search opened from its button: the text in its own box, searched.
        const auto watch = ui::test::whenModal([text](QWidget *dialog) {
            auto *lookup = qobject_cast<frmItemLookup *>(dialog);
            QVERIFY(lookup);
            lookup->txtSearch->setText(text);
            lookup->cmdSearch->click();
            ui::test::closeModal(dialog);
        });
        w().txtProdCode->setText(QStringLiteral("X"));
        w().cmdCode->click();
        QVERIFY(watch->acted);
        QCOMPARE(failures(m_messages->texts()), QStringList());
        QCOMPARE(snapshot(db()), m_before);
    }

    // The password dialog's ID and password, as the Verify/Save command asks for them: refused.
    void password_data() { corpus(); }
    void password()
    {
        QFETCH(QString, text);
        start();
        for (int r = 1; r < w().grdListing->Rows(); ++r) {
            if (w().grdListing->TextMatrix(r, 0) == QLatin1String("7"))
                w().grdListing->setRow(r);
        }
        emit w().grdListing->DblClick();
        QCOMPARE(w().txtDocNum->text(), QStringLiteral("7"));
        const auto watch = ui::test::whenModal([text](QWidget *dialog) {
            auto *d = qobject_cast<frmDeletePassword *>(dialog);
            QVERIFY(d);
            d->txtUserID->setText(text);
            d->txtPassword->setText(QStringLiteral("NURSE"));
            d->cmdEnter->click();
            d->txtUserID->setText(QStringLiteral("E02"));
            d->txtPassword->setText(text);
            d->cmdEnter->click();
            ui::test::closeModal(d);
        });
        w().cmdVerify->click();
        QVERIFY(watch->acted);
        QCOMPARE(m_messages->texts(), QStringList(2, QStringLiteral("Password not valid!")));
        QCOMPARE(snapshot(db()), m_before);
    }

    // Both location boxes' text, as their checks look it up.
    void locations_data() { corpus(); }
    void locations()
    {
        QFETCH(QString, text);
        start();
        w().cmdNew->click();
        w().cboTargetLocation->setEditText(text);
        QVERIFY(!w().cboTargetLocation_Validate());
        w().cboLocation->setEditText(text);
        w().cboLocation_Validate();
        QCOMPARE(failures(m_messages->texts()), QStringList());
        QCOMPARE(snapshot(db()), m_before);
    }
};

INVENTORY_TEST_MAIN(TestInjection)
#include "tst_injection.moc"

// clsSupplier and clsTerms: loading with the members a failed load keeps, the lazy terms, saving
// under new codes, the stored blanks, and a terms code of 0 on insert and update.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "objects/clsSupplier.h"
#include "objects/clsTerms.h"
#include "platform/error.h"
#include "platform/ui/msgbox.h"

using testsupport::checkRaised;
using testsupport::raised;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvTerms (TermsID, Terms, NoDays, Status) VALUES
    (2, '30 DAYS', 30, NULL), (4, 'CASH', NULL, 'A'), (6, NULL, 60, 'A');
INSERT INTO tbInvSupplier (SupplierID, SupplierName, Status, SupplierType, Address1, Address2,
                           Address3, TermsID, TelNum, FreeGoods, isVAT, ContactPerson) VALUES
    ('1', 'ACME PHARMA', 'A', 'V', '1 MAIN ST', 'CEBU CITY', 'PH', 2, '555-0101', 1, 1, 'ANA'),
    ('2', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0, 0, NULL),
    ('3', 'NO FREE GOODS', 'A', 'V', 'X', NULL, NULL, 4, '555', NULL, 0, 'BEN'),
    ('4', 'NO VAT FLAG', 'A', 'V', 'X', NULL, NULL, 4, '555', 1, NULL, 'BEN');
)";

QString state(const clsSupplier &s)
{
    return QStringList{s.SupplierID(),
                       s.SupplierName(),
                       s.Status(),
                       s.SupplierType(),
                       s.Address1(),
                       s.Address2(),
                       s.Address3(),
                       s.TelNum(),
                       s.FreeGoods() ? "free" : "-",
                       s.VATSupplier() ? "vat" : "-",
                       s.ContactPerson()}
        .join(QLatin1Char('|'));
}

QString state(const clsTerms &t)
{
    return QStringList{QString::number(t.Code()), t.Description(),
                       QString::number(t.NumberOfDays()), t.Status()}
        .join(QLatin1Char('|'));
}

void fill(clsSupplier &s)
{
    s.setSupplierID(QStringLiteral("OLD"));
    s.setSupplierName(QStringLiteral("N"));
    s.setStatus(QStringLiteral("S"));
    s.setSupplierType(QStringLiteral("T"));
    s.setAddress1(QStringLiteral("A1"));
    s.setAddress2(QStringLiteral("A2"));
    s.setAddress3(QStringLiteral("A3"));
    s.setTelNum(QStringLiteral("TEL"));
    s.setFreeGoods(true);
    s.setVATSupplier(true);
    s.setContactPerson(QStringLiteral("C"));
}

const QString Filled = QStringLiteral("OLD|N|S|T|A1|A2|A3|TEL|free|vat|C");
const QString StoredSuppliers = QStringLiteral(
    "Select SupplierID, '[' + SupplierName + ']', Status, SupplierType, Address1, Address2, "
    "Address3, TermsID, TelNum, FreeGoods, isVAT, ContactPerson From INVENTORY..tbInvSupplier");

QStringList storedSuppliers(db::Connection &connection)
{
    return testsupport::byCode(testsupport::rows(connection, StoredSuppliers));
}
const QString StoredTerms =
    QStringLiteral("Select TermsID, Terms, NoDays, Status From INVENTORY..tbInvTerms Order By "
                   "TermsID");

} // namespace

class TestSuppliers : public QObject
{
    Q_OBJECT

private:
    testsupport::Databases m_databases;

private slots:
    void initTestCase_data() { testsupport::addEngineRows(); }
    void init() { INVENTORY_USE_ENGINE_OF_ROW(); }

    // --- clsSupplier ------------------------------------------------------------------------

    void loadSupplier_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("found") << "1" << true << true
                               << "1|ACME PHARMA|A|V|1 MAIN ST|CEBU CITY|PH|555-0101|free|vat|ANA";
        QTest::newRow("Null texts load as empty text") << "2" << true << true << "2||||||||-|-|";
        QTest::newRow("not found: reset, Status, flags and contact kept")
            << "99" << true << false << "||S||||||free|vat|C";
        QTest::newRow("blanks only: reset without reading")
            << "   " << false << true << "||S||||||free|vat|C";
        QTest::newRow("the code already held: nothing read") << "OLD" << false << true << Filled;
    }

    void loadSupplier()
    {
        QFETCH(QString, code);
        QFETCH(bool, reads);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsSupplier s;
        fill(s);
        // Reading nothing is shown by having nothing to read with.
        if (reads)
            s.setActiveConnection(c.get());
        QCOMPARE(s.LoadSupplier(code), found);
        QCOMPARE(state(s), expected);
    }

    void loadSupplierFailures_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");

        // Members copied before the failing column keep their new values.
        QTest::newRow("Null FreeGoods") << "3"
                                        << "3|NO FREE GOODS|A|V|X|||TEL|free|vat|C";
        QTest::newRow("Null isVAT") << "4"
                                    << "4|NO VAT FLAG|A|V|X|||555|free|vat|C";
    }

    void loadSupplierFailures()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsSupplier s;
        s.setActiveConnection(c.get());
        fill(s);
        checkRaised(raised([&] { s.LoadSupplier(code); }),
                    QStringLiteral("clsSupplier:LoadSupplier Method"));
        QCOMPARE(state(s), expected);
    }

    void termsAreLoadedOnFirstUse()
    {
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsSupplier s;
        s.setActiveConnection(c.get());
        QVERIFY(s.LoadSupplier(QStringLiteral("1")));
        const auto terms = s.Terms();
        QCOMPARE(state(*terms), QStringLiteral("2|30 DAYS|30|"));
        QCOMPARE(s.Terms(), terms);

        // The same supplier again keeps the object; another one loads its own.
        QVERIFY(s.LoadSupplier(QStringLiteral("1")));
        QCOMPARE(s.Terms(), terms);
        QVERIFY(s.LoadSupplier(QStringLiteral("2")));
        QVERIFY(s.Terms() != terms);
        QCOMPARE(state(*s.Terms()), QStringLiteral("0||0|"));

        // Setting the terms keeps the code the supplier was loaded with.
        auto other = std::make_shared<clsTerms>();
        s.setTerms(other);
        QCOMPARE(s.Terms(), other);
    }

    void termsThatFailedToReadAreNotSaved()
    {
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsSupplier s;
        s.setActiveConnection(c.get());
        QVERIFY(s.LoadSupplier(QStringLiteral("1")));
        c->Execute(QStringLiteral("Drop Table tbInvTerms"));
        checkRaised(raised([&] { s.Terms(); }), QStringLiteral("clsTerms:LoadTerms Method"));

        // No blank terms were kept in their place, so the supplier's terms cannot be lost.
        const QStringList before = storedSuppliers(*c);
        checkRaised(raised([&] { s.Update(); }),
                    QStringLiteral("clsSupplier:Update Method :Object variable or With block "
                                   "variable not set"));
        QCOMPARE(storedSuppliers(*c), before);
    }

    void updateSupplier_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("code");
        QTest::addColumn<qint16>("terms");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("new in an empty table: code 1, name with a trailing blank, terms 0 as 0")
            << ""
            << "NEW" << qint16(0)
            << QStringList{"1|[ACME ]|A|V|UNIT 5|||0|555-0111|1|0|JO D'ANGELO"};
        QTest::newRow("new after 7 and 12: code 13")
            << "INSERT INTO tbInvSupplier (SupplierID, SupplierName) VALUES ('7', 'A'), "
               "('12', 'B');"
            << "" << qint16(5)
            << QStringList{"7|[A]|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|"
                           "<null>",
                           "12|[B]|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|<null>|"
                           "<null>",
                           "13|[ACME ]|A|V|UNIT 5|||5|555-0111|1|0|JO D'ANGELO"};
        QTest::newRow("existing: name without the blank, terms 0 as Null")
            << "INSERT INTO tbInvSupplier (SupplierID, SupplierName, TermsID) VALUES "
               "('7', 'OLD', 2);"
            << "7" << qint16(0)
            << QStringList{"7|[ACME]|A|V|UNIT 5|||<null>|555-0111|1|0|JO D'ANGELO"};
        QTest::newRow("existing with terms")
            << "INSERT INTO tbInvSupplier (SupplierID, SupplierName, TermsID) VALUES "
               "('7', 'OLD', 2);"
            << "7" << qint16(4) << QStringList{"7|[ACME]|A|V|UNIT 5|||4|555-0111|1|0|JO D'ANGELO"};
    }

    void updateSupplier()
    {
        QFETCH(QString, script);
        QFETCH(QString, code);
        QFETCH(qint16, terms);
        QFETCH(QStringList, expected);
        auto c = m_databases.create(script);
        ui::ScopedRecordingResponder messages;
        clsSupplier s;
        s.setActiveConnection(c.get());
        s.setSupplierID(code);
        s.setSupplierName(QStringLiteral("ACME"));
        s.setStatus(QStringLiteral("A"));
        s.setSupplierType(QStringLiteral("V"));
        s.setAddress1(QStringLiteral("UNIT 5"));
        s.setTelNum(QStringLiteral("555-0111"));
        s.setFreeGoods(true);
        s.setContactPerson(QStringLiteral("JO D'ANGELO"));
        auto t = std::make_shared<clsTerms>();
        t->setCode(terms);
        s.setTerms(t);
        QCOMPARE(s.Update(), true);
        QCOMPARE(storedSuppliers(*c), expected);
        QCOMPARE(s.SupplierID(), code);
        QCOMPARE(messages.count(), 0);
    }

    void updateSupplierFailures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("withTerms");
        QTest::addColumn<QString>("source");

        QTest::newRow("terms neither read nor set")
            << "" << false
            << "clsSupplier:Update Method :Object variable or With block variable not set";
        QTest::newRow("next code would have five digits")
            << "INSERT INTO tbInvSupplier (SupplierID, SupplierName) VALUES ('9999', 'LAST');"
            << true
            << "clsSupplier:Update Method :No new supplier code fits in 4 characters: the "
               "supplier codes have reached the largest one.";
        QTest::newRow("an existing code is not a number")
            << "INSERT INTO tbInvSupplier (SupplierID, SupplierName) VALUES ('S-1', 'ODD');" << true
            << "clsSupplier:Update Method :The supplier code 'S-1' is not a number, so no new "
               "supplier code can be formed.";
    }

    void updateSupplierFailures()
    {
        QFETCH(QString, script);
        QFETCH(bool, withTerms);
        QFETCH(QString, source);
        // A server refuses to read the code as a number itself; its own words are the reason.
        if (testsupport::currentEngine() == testsupport::Engine::PostgreSQL &&
            source.contains(QLatin1String("is not a number")))
            source = QStringLiteral("clsSupplier:Update Method :ERROR:  invalid input syntax for "
                                    "type integer: \"S-1\" (22P02)");
        auto c = m_databases.create(script);
        const QStringList before = storedSuppliers(*c);
        ui::ScopedRecordingResponder messages;
        clsSupplier s;
        s.setActiveConnection(c.get());
        s.setSupplierName(QStringLiteral("NEW ONE"));
        if (withTerms)
            s.setTerms(std::make_shared<clsTerms>());
        const auto error = raised([&] { s.Update(); });
        checkRaised(error, source);
        QCOMPARE(messages.count(), 0);
        QCOMPARE(storedSuppliers(*c), before);
        QVERIFY(!c->InTransaction());
    }

    // --- clsTerms ---------------------------------------------------------------------------

    void loadTerms_data()
    {
        QTest::addColumn<qint16>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("expected");

        QTest::newRow("by code, Null status") << qint16(2) << "" << true << true << "2|30 DAYS|30|";
        QTest::newRow("by name, trimmed; Null days")
            << qint16(9) << "  CASH  " << true << true << "4|CASH|0|A";
        QTest::newRow("not found: reset") << qint16(9) << "" << true << false << "0||0|";
        QTest::newRow("0: reset without reading") << qint16(0) << "" << false << true << "0||0|";
        QTest::newRow("the code already held: nothing read")
            << qint16(7) << "" << false << true << "7|OLD|3|I";
    }

    void loadTerms()
    {
        QFETCH(qint16, code);
        QFETCH(QString, name);
        QFETCH(bool, reads);
        QFETCH(bool, found);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsTerms t;
        t.setCode(7);
        t.setDescription(QStringLiteral("OLD"));
        t.setNumberOfDays(3);
        t.setStatus(QStringLiteral("I"));
        // Reading nothing is shown by having nothing to read with.
        if (reads)
            t.setActiveConnection(c.get());
        QCOMPARE(t.LoadTerms(code, name), found);
        QCOMPARE(state(t), expected);
    }

    void loadTermsFailures_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Null name: the code was copied") << true << "6|OLD|3|I";
        QTest::newRow("no connection") << false << "7|OLD|3|I";
    }

    void loadTermsFailures()
    {
        QFETCH(bool, connected);
        QFETCH(QString, expected);
        auto c = m_databases.create(QString::fromLatin1(Fixture));
        clsTerms t;
        if (connected)
            t.setActiveConnection(c.get());
        t.setCode(7);
        t.setDescription(QStringLiteral("OLD"));
        t.setNumberOfDays(3);
        t.setStatus(QStringLiteral("I"));
        checkRaised(raised([&] { t.LoadTerms(6, QString()); }),
                    QStringLiteral("clsTerms:LoadTerms Method"));
        QCOMPARE(state(t), expected);
    }

    void updateTerms_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<qint16>("code");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("new in an empty table: code 1")
            << "" << qint16(0) << "A" << QStringList{"1|90 DAYS|90|A"};
        QTest::newRow("new after 2 and 4: code 5")
            << "INSERT INTO tbInvTerms VALUES (2, 'A', 1, 'A'), (4, 'B', 2, 'A');" << qint16(3)
            << "A" << QStringList{"2|A|1|A", "4|B|2|A", "5|90 DAYS|90|A"};
        QTest::newRow("existing, empty status written as held")
            << "INSERT INTO tbInvTerms VALUES (4, 'CASH', 0, 'A');" << qint16(4) << ""
            << QStringList{"4|90 DAYS|90|"};
    }

    void updateTerms()
    {
        QFETCH(QString, script);
        QFETCH(qint16, code);
        QFETCH(QString, status);
        QFETCH(QStringList, expected);
        auto c = m_databases.create(script);
        clsTerms t;
        t.setActiveConnection(c.get());
        t.setCode(code);
        t.setDescription(QStringLiteral("90 DAYS"));
        t.setNumberOfDays(90);
        t.setStatus(status);
        QCOMPARE(t.Update(), true);
        QCOMPARE(testsupport::rows(*c, StoredTerms), expected);
        QCOMPARE(t.Code(), code);
    }

    void termsQuoteMarkStoredAsTyped()
    {
        auto c = m_databases.create(QString());
        clsTerms t;
        t.setActiveConnection(c.get());
        t.setDescription(QStringLiteral("30 DAYS' CREDIT"));
        QVERIFY(t.Update());
        QCOMPARE(testsupport::rows(*c, StoredTerms), QStringList{"1|30 DAYS' CREDIT|0|"});
    }

    void termsWithoutConnectionRaise()
    {
        ui::ScopedRecordingResponder messages;
        clsTerms t;
        t.setDescription(QStringLiteral("CASH"));
        checkRaised(raised([&] { t.Update(); }), QStringLiteral("clsTerms:Update Method"));
        checkRaised(raised([&] { t.LoadTerms(2, QString()); }),
                    QStringLiteral("clsTerms:LoadTerms Method"));
        QCOMPARE(messages.count(), 0);
    }
};

INVENTORY_TEST_MAIN(TestSuppliers)
#include "tst_suppliers.moc"

// Location lists and the typed-location check, on a fixture of every kind of location.
#include "support/testsupport.h"

#include "app/modInventory.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"

using namespace modInventory;

namespace {

const char *Fixture = R"(
INSERT INTO tbInvLocation VALUES ('19', 'CENTRAL SUPPLY', 'A', 1, 0, 1, 'S');
INSERT INTO tbInvLocation VALUES ('2', 'MAIN PHARMACY', NULL, 0, 1, 0, 'M');
INSERT INTO tbInvLocation VALUES ('3', 'BULK STORE', NULL, 1, 1, 0, NULL);
INSERT INTO tbInvLocation VALUES ('27', 'WARD 3', NULL, 0, 0, 1, '');
INSERT INTO tbInvLocation VALUES ('30', 'OLD WING', 'I', 0, 0, 1, NULL);
INSERT INTO tbInvLocation VALUES ('31', 'O''BRIEN WARD', NULL, 0, 0, 0, 'MS');
INSERT INTO tbinvUserLocation VALUES ('E01', '19');
INSERT INTO tbinvUserLocation VALUES ('E01', '27');
INSERT INTO tbinvUserLocation VALUES ('E01', '30');
INSERT INTO tbinvUserLocation VALUES ('E01', '31');
INSERT INTO tbinvUserLocation VALUES ('O''NEIL', '27');
)";

QStringList items(const ui::LocationCombo &combo)
{
    QStringList list;
    for (int i = 0; i < combo.count(); ++i)
        list << combo.itemText(i);
    return list;
}

} // namespace

class TestLocations : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<testsupport::Session> m_session;
    std::unique_ptr<ui::ScopedRecordingResponder> m_messages;

    void signIn(const QString &employee)
    {
        m_session.reset();
        m_session = std::make_unique<testsupport::Session>(QString::fromLatin1(Fixture), employee);
    }

private slots:
    void init()
    {
        m_messages = std::make_unique<ui::ScopedRecordingResponder>();
        signIn(QStringLiteral("E01"));
    }

    void cleanup()
    {
        m_messages.reset();
        m_session.reset();
    }

    void lists_data()
    {
        QTest::addColumn<bool>("notDispensing");
        QTest::addColumn<bool>("selectDefault");
        QTest::addColumn<bool>("notWarehouse");
        QTest::addColumn<bool>("allowOrder");
        QTest::addColumn<bool>("userLocations");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");

        const QString central = QStringLiteral("CENTRAL SUPPLY");
        const QString pharmacy = QStringLiteral("MAIN PHARMACY");
        const QString bulk = QStringLiteral("BULK STORE");
        const QString ward = QStringLiteral("WARD 3");
        const QString obrien = QStringLiteral("O'BRIEN WARD");
        QTest::newRow("user locations, active only")
            << false << false << false << false << true << QStringList{central, obrien, ward} << ""
            << "";
        QTest::newRow("user locations win over the other flags")
            << true << false << true << true << true << QStringList{central, obrien, ward} << ""
            << "";
        QTest::newRow("not both warehouse and dispensing, default selected")
            << true << true << true << false << false
            << QStringList{central, pharmacy, obrien, ward} << central << "19";
        QTest::newRow("not warehouse")
            << false << false << true << false << false << QStringList{pharmacy, obrien, ward} << ""
            << "";
        QTest::newRow("not dispensing")
            << true << false << false << false << false << QStringList{central, obrien, ward} << ""
            << "";
        QTest::newRow("allowed to order")
            << false << false << false << true << false << QStringList{central, ward} << ""
            << "";
        QTest::newRow("every active location")
            << false << false << false << false << false
            << QStringList{bulk, central, pharmacy, obrien, ward} << ""
            << "";
    }

    void lists()
    {
        QFETCH(bool, notDispensing);
        QFETCH(bool, selectDefault);
        QFETCH(bool, notWarehouse);
        QFETCH(bool, allowOrder);
        QFETCH(bool, userLocations);
        QFETCH(QStringList, expected);
        QFETCH(QString, text);
        QFETCH(QString, tag);
        ui::LocationCombo combo;
        combo.setTag(QStringLiteral("stale"));
        LoadLocation(combo, notDispensing, selectDefault, notWarehouse, allowOrder, userLocations);
        QCOMPARE(items(combo), expected);
        QCOMPARE(combo.currentText(), text);
        QCOMPARE(combo.Tag(), tag);
        QVERIFY(m_messages->messages().isEmpty());
    }

    void defaultLocationMissing()
    {
        objCurrentUser->sqlconnection()->Execute(
            QStringLiteral("Delete INVENTORY..tbInvLocation Where LocationID = '19'"));
        ui::LocationCombo combo;
        LoadLocation(combo, true, true, true, false, false);
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.currentText(), QString());
        QCOMPARE(combo.Tag(), QString());
    }

    void userWithoutLocationsAndQuotedCode()
    {
        signIn(QStringLiteral("E99"));
        ui::LocationCombo combo;
        LoadLocation(combo, false, false, false, false, true);
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.Tag(), QString());

        signIn(QStringLiteral("O'NEIL"));
        LoadLocation(combo, false, false, false, false, true);
        QCOMPARE(items(combo), QStringList{QStringLiteral("WARD 3")});
        QVERIFY(m_messages->messages().isEmpty());
    }

    void failuresAreShownNotThrown()
    {
        objCurrentUser->sqlconnection()->Execute(QStringLiteral("Drop Table tbInvLocation"));
        ui::LocationCombo combo;
        combo.setTag(QStringLiteral("19"));
        LoadLocation(combo, true, true, true, false, false);
        QCOMPARE(combo.Tag(), QString());
        QCOMPARE(m_messages->messages().size(), 1);
        const ui::Message m = m_messages->messages().first();
        QVERIFY2(m.text.startsWith(QLatin1String("Called from: Sub LoadLocation -no such table")),
                 qPrintable(m.text));
        QCOMPARE(m.title, ui::ApplicationTitle);
        QCOMPARE(m.icon, ui::Icon::None);

        QString id = QStringLiteral("x");
        bool retail = true;
        QVERIFY(!CheckLocation(QStringLiteral("WARD 3"), id, retail, true));
        QCOMPARE(m_messages->messages().size(), 2);
        QVERIFY2(m_messages->messages().at(1).text.startsWith(QLatin1String("no such table")),
                 qPrintable(m_messages->messages().at(1).text));
    }

    void check_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("checkAccess");
        QTest::addColumn<QString>("access");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("retail");
        QTest::addColumn<bool>("refused");

        QTest::newRow("unknown name") << "NOWHERE" << true << "A" << false << "" << false << false;
        QTest::newRow("found") << "WARD 3" << false << "A" << true << "27" << true << false;
        QTest::newRow("found without regard to case")
            << "ward 3" << false << "A" << true << "27" << true << false;
        QTest::newRow("warehouse and dispensing: no retail")
            << "BULK STORE" << false << "A" << true << "3" << false << false;
        QTest::newRow("access A passes every location")
            << "CENTRAL SUPPLY" << true << "A" << true << "19" << true << false;
        QTest::newRow("type without the access code")
            << "CENTRAL SUPPLY" << true << "M" << false << "" << true << true;
        QTest::newRow("type holding the access code")
            << "MAIN PHARMACY" << true << "M" << true << "2" << true << false;
        QTest::newRow("empty type passes")
            << "WARD 3" << true << "M" << true << "27" << true << false;
        QTest::newRow("null type passes")
            << "BULK STORE" << true << "M" << true << "3" << false << false;
        QTest::newRow("quote mark in the name")
            << "O'BRIEN WARD" << true << "S" << true << "31" << true << false;
        QTest::newRow("no access code")
            << "CENTRAL SUPPLY" << true << "" << false << "" << true << true;
        QTest::newRow("access code is case-sensitive")
            << "CENTRAL SUPPLY" << true << "s" << false << "" << true << true;
        QTest::newRow("refusal ignored without the check")
            << "CENTRAL SUPPLY" << false << "M" << true << "19" << true << false;
    }

    void check()
    {
        QFETCH(QString, name);
        QFETCH(bool, checkAccess);
        QFETCH(QString, access);
        QFETCH(bool, result);
        QFETCH(QString, id);
        QFETCH(bool, retail);
        QFETCH(bool, refused);
        InventoryTypeAccess = access;
        QString gotId = QStringLiteral("stale");
        bool gotRetail = !retail;
        QCOMPARE(CheckLocation(name, gotId, gotRetail, checkAccess), result);
        QCOMPARE(gotId, id);
        QCOMPARE(gotRetail, retail);
        if (refused) {
            QCOMPARE(m_messages->messages().size(), 1);
            QCOMPARE(m_messages->messages().first().text, QStringLiteral("Unauthorized Access..."));
            QCOMPARE(m_messages->messages().first().title, ui::ApplicationTitle);
        } else {
            QVERIFY(m_messages->messages().isEmpty());
        }
    }
};

INVENTORY_TEST_MAIN(TestLocations)
#include "tst_locations.moc"

#include "testsupport.h"

#include "app/modInventory.h"
#include "platform/session/clsCurrentUser.h"

namespace testsupport {

std::unique_ptr<db::Connection> newDatabase(const QTemporaryDir &dir, db::Contents contents,
                                            const QString &fileName)
{
    return db::createEmbeddedDatabase(dir.filePath(fileName), contents);
}

QStringList rows(db::Connection &connection, const QString &sql)
{
    QStringList out;
    db::Recordset rs = connection.OpenRecordset(sql);
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const db::Field f = rs.Fields(i);
            cells << (f.IsNull() ? QStringLiteral("<null>") : f.toText());
        }
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

Session::Session(const QString &fixture, const QString &employee, db::Contents contents)
{
    auto connection = newDatabase(m_dir, contents);
    if (!fixture.isEmpty())
        connection->runScript(fixture);
    m_user = std::make_unique<clsCurrentUser>();
    m_user->attach(std::move(connection), employee);
    modInventory::objCurrentUser = m_user.get();
    modInventory::DefaultLocationID = QStringLiteral("19");
    modInventory::InventoryTypeAccess = QStringLiteral("A");
}

Session::~Session()
{
    modInventory::ResetSession();
}

db::Connection &Session::connection()
{
    return *m_user->sqlconnection();
}

void prepareEnvironment()
{
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_SCALE_FACTOR", "1");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

} // namespace testsupport

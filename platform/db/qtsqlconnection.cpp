#include "platform/db/qtsqlconnection.h"

#include "platform/db/sqllog.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace db::backend {

QtSqlConnection::QtSqlConnection(const QString &driver)
{
    static QAtomicInt counter;
    m_name = QStringLiteral("inventory-%1").arg(counter.fetchAndAddRelaxed(1));
    m_db = QSqlDatabase::addDatabase(driver, m_name);
}

QtSqlConnection::~QtSqlConnection()
{
    if (m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void *QtSqlConnection::handle(std::initializer_list<const char *> typeNames) const
{
    const QVariant handle = m_db.driver()->handle();
    if (!handle.isValid())
        return nullptr;
    for (const char *name : typeNames)
        if (qstrcmp(handle.typeName(), name) == 0)
            return *static_cast<void *const *>(handle.data());
    return nullptr;
}

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (!error.driverText().isEmpty() && !text.contains(error.driverText()))
        text += QStringLiteral(" (") + error.driverText() + QLatin1Char(')');
    return withoutSecrets(text);
}

Recordset rowsOf(QSqlQuery &query, const QHash<QString, QString> *spellings)
{
    const QSqlRecord record = query.record();
    const int columns = record.count();
    QStringList names;
    names.reserve(columns);
    for (int i = 0; i < columns; ++i) {
        const QString name = record.fieldName(i);
        names << (spellings ? spellings->value(name, name) : name);
    }
    QVector<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant> row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        rows << std::move(row);
    }
    return Recordset(std::move(names), std::move(rows));
}

} // namespace db::backend

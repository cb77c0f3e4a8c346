#pragma once

#include <QLoggingCategory>
#include <QString>

// Every statement the program sends, as written before any translation, at debug level; failures
// with the server's message at warning level. Trace with
// QT_LOGGING_RULES="inventory.sql.debug=true". Secrets never reach it: write statements and
// messages through withoutSecrets.
Q_DECLARE_LOGGING_CATEGORY(lcSql)

namespace db {

// The text with every secret value masked and its shape kept: a compared password literal
// (Password = '...') becomes Password = '****', a connection string's PWD=... or Password=...
// (braced or not) becomes PWD=****.
QString withoutSecrets(QString text);

} // namespace db

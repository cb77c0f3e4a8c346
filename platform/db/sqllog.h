#pragma once

#include <QLoggingCategory>

// Every statement the program sends, as written before any translation, at debug level; failures
// with the server's message at warning level. Trace with QT_LOGGING_RULES="inventory.sql.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSql)

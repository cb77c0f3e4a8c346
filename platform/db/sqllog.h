#pragma once

#include <QLoggingCategory>
#include <QString>

// Every statement the program sends, as written before any translation, at debug level; failures
// with the server's message at warning level. Trace with
// QT_LOGGING_RULES="inventory.sql.debug=true". Secrets never reach it: write statements and
// messages through withoutSecrets.
Q_DECLARE_LOGGING_CATEGORY(lcSql)

namespace db {

// The text with every secret value masked and its shape kept. A password column is any name that
// ends in "password" or "pwd", however it is written (NewPassword, [Password], "password",
// tbPasswordMain.Password). Masked are: each literal it is compared with (=, <>, <, >, LIKE, IN
// (...), also when the literal comes first, also inside a function or a concatenation), N'...'
// and unterminated ones too, each becoming '****'; the literals an Insert gives its password
// columns; a connection string's PWD=... or Password=... (braced, quoted with backslash escapes,
// or up to the next ';') becoming PWD=****; the values of a refused key that holds a password, and
// the refused row of a password table, in the server's messages.
QString withoutSecrets(QString text);

} // namespace db

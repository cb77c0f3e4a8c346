#pragma once

#include "platform/error.h"

#include <QString>

#include <exception>

namespace db {
class Connection;
class Field;
} // namespace db

// Small pieces the data classes share: numbers and texts the way their statements want them,
// the connection check, and the forming of new numeric codes.
namespace objects {

// A whole number in plain decimal form with a blank before it when it is not negative: " 5",
// " 0", "-3".
QString signedNumber(double value);

// The text with the blanks (spaces only) at both ends removed.
QString trimBlanks(const QString &text);

// A text column, or the default when it is Null.
QString textOr(const db::Field &field, const QString &defaultValue = {});

// The connection an object was given; AppError when it was given none, so a statement fails with
// the program's error instead of touching nothing.
db::Connection &connectionOf(db::Connection *connection);

// A linked object that is needed but absent.
[[noreturn]] void objectNotSet(const QString &source);

// The description of whatever a trap caught.
QString describe(const std::exception &error);

// Forms the next code of a table whose codes are whole numbers held as text. newCodeSql is the
// select whose one column `column` gives the largest code plus one as text of at most four
// characters; no row or Null gives "1". codesSql lists every existing code. Refused with an
// AppError, before anything is written: an existing code that is not a number (which would make
// the maximum meaningless), and a next code that does not fit in four characters.
QString nextNumericCode(db::Connection &connection, const QString &newCodeSql,
                        const QString &column, const QString &codesSql, const QString &noun);

// One transaction around a read-then-write, so two workstations cannot both take the same new
// code; joins (does nothing) when the caller already has one open. Rolls back unless committed.
class WriteTransaction
{
public:
    explicit WriteTransaction(db::Connection &connection);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    void commit();

private:
    db::Connection &m_connection;
    bool m_owner = false;
    bool m_open = false;
};

} // namespace objects

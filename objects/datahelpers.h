#pragma once

#include "platform/error.h"

#include <QString>
#include <QVariant>

#include <exception>
#include <functional>
#include <memory>

namespace db {
class Connection;
class Field;
} // namespace db

// Small pieces the data classes share: numbers and texts the way their statements want them,
// the connection check, the linked records, and the forming of new codes.
namespace objects {

// A whole number in plain decimal form with a blank before it when it is not negative: " 5",
// " 0", "-3".
QString signedNumber(double value);

// A flag as a statement writes it: "1" or "0".
QString flag(bool value);

// Rounded to four decimals, as a currency value is held.
double fixedPoint(double value);

// The text with the blanks (spaces only) at both ends removed.
QString trimBlanks(const QString &text);

// A text column, or the default when it is Null.
QString textOr(const db::Field &field, const QString &defaultValue = {});

// The column's value, or the default when it is Null, still to be converted by the caller.
db::Field withDefault(const db::Field &field, const QVariant &defaultValue);

// The connection an object was given; AppError when it was given none, so a statement fails with
// the program's error instead of touching nothing.
db::Connection &connectionOf(db::Connection *connection);

// The signed-in user's connection; null when nobody is signed in.
db::Connection *sessionConnection();

// A linked record read on first use: created, given the connection and loaded with
// load(record, keys...). It is kept only once the load went through, so a failed load is tried
// again on the next read instead of leaving a blank record in place.
template <class Record, class Load, class... Keys>
std::shared_ptr<Record> linkedRecord(std::shared_ptr<Record> &slot, db::Connection *connection,
                                     Load load, const Keys &...keys)
{
    if (!slot) {
        auto record = std::make_shared<Record>();
        record->setActiveConnection(connection);
        std::invoke(load, *record, keys...);
        slot = std::move(record);
    }
    return slot;
}

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

// The next code of a table keyed by a 16-bit number: newCodeSql selects the largest code plus one
// in the column `column`; no row or Null gives 1.
qint16 nextSmallCode(db::Connection &connection, const QString &newCodeSql, const QString &column);

} // namespace objects

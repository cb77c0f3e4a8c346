#pragma once

#include <QString>

class QDateTime;

namespace db {

// Puts a text value between single quotes for a statement built by concatenation: every quote mark
// is doubled, so the value is stored exactly as given and can never end the literal early.
QString quoted(const QString &value);

// The value alone with its quote marks doubled, for statements whose quotes are already written
// around the place the value goes ("... Where ItemID = '" + sqlText(code) + "'").
QString sqlText(const QString &value);

// A date and time as the program's statements write it: '12/08/2026 01:13:29 AM' (month/day/year,
// the 12-hour clock, the English designator), the form every engine reads whatever the
// workstation's language.
QString dateLiteral(const QDateTime &when);

} // namespace db

#pragma once

#include <QString>

namespace db {

// Puts a text value between single quotes for a statement built by concatenation: every quote mark
// is doubled, so the value is stored exactly as given and can never end the literal early.
QString quoted(const QString &value);

// The value alone with its quote marks doubled, for statements whose quotes are already written
// around the place the value goes ("... Where ItemID = '" + sqlText(code) + "'").
QString sqlText(const QString &value);

} // namespace db

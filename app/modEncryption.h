#pragma once

#include <QString>

namespace modEncryption {

// The key the authorization dialog transforms typed passwords with; the staff table holds every
// password in the form this key gives.
inline const QString PasswordKey = QStringLiteral("ZEPHYRQUANTOL");

// The password transform. Mode "E" encodes: the result is "5B" followed by two characters for
// each character of text, the character's value mixed with the previous value and one letter of
// key (used cyclically), written in upper-case hexadecimal and right-aligned with a blank fill
// (10 gives " A"). An empty text gives "5B". Characters count by their Windows-1252 code;
// a character that code page cannot hold counts as "?". An empty key leaves the values unmixed.
// Any mode other than "E" (compared exactly) returns text unchanged: nothing decodes a password.
QString EncryptText(const QString &mode, const QString &key, const QString &text);

} // namespace modEncryption

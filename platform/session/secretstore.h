#pragma once

#include <QString>

#include <optional>

// The desktop's keyring, where the program keeps a server password when there is one. Every call
// answers at once when no keyring service runs (a server without a desktop, say), or when
// INVENTORY_NO_KEYRING is set (the tests set it: they never read or write the user's keyring).
namespace secretstore {

// True when the keyring took the secret.
bool store(const QString &key, const QString &secret);
// The secret kept under key; nothing when there is no keyring or no such secret.
std::optional<QString> load(const QString &key);
// Forgets the secret, where there is one.
void remove(const QString &key);

} // namespace secretstore

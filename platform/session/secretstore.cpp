#include "platform/session/secretstore.h"

#ifdef INVENTORY_HAVE_KEYCHAIN
#include <QEventLoop>
#include <qt6keychain/keychain.h>
#endif

namespace secretstore {

#ifdef INVENTORY_HAVE_KEYCHAIN

namespace {

const QString Service = QStringLiteral("inventory-request");

// INVENTORY_NO_KEYRING set (the test suite sets it) keeps the desktop's keyring out of reach:
// every call then answers as where no keyring runs.
bool keyringOff()
{
    return qEnvironmentVariableIsSet("INVENTORY_NO_KEYRING");
}

// Runs a keyring job to its end; the keyring answers over the desktop's message bus.
template <typename Job> bool run(Job &job, const QString &key)
{
    if (keyringOff())
        return false;
    job.setAutoDelete(false);
    job.setKey(key);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return job.error() == QKeychain::NoError;
}

} // namespace

bool store(const QString &key, const QString &secret)
{
    QKeychain::WritePasswordJob job(Service);
    job.setTextData(secret);
    return run(job, key);
}

std::optional<QString> load(const QString &key)
{
    QKeychain::ReadPasswordJob job(Service);
    if (!run(job, key))
        return std::nullopt;
    return job.textData();
}

void remove(const QString &key)
{
    QKeychain::DeletePasswordJob job(Service);
    run(job, key);
}

#else // built without a keyring library: the password stays in the settings file

bool store(const QString &, const QString &)
{
    return false;
}

std::optional<QString> load(const QString &)
{
    return std::nullopt;
}

void remove(const QString &) {}

#endif

} // namespace secretstore

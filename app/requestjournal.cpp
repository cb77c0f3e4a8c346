#include "app/requestjournal.h"

#include "platform/error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Version = 1;
const QString Source = QStringLiteral("RequestJournal:save");

[[noreturn]] void fail(const QString &what)
{
    throw AppError(
        0, Source,
        QStringLiteral("%1 (%2)").arg(what, QString::fromLocal8Bit(std::strerror(errno))));
}

// Writes all of data to fd; false on an error.
bool writeAll(int fd, const QByteArray &data)
{
    const char *p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QJsonObject toJson(const RequestDraft &d)
{
    QJsonArray lines;
    for (const QStringList &cells : d.lines)
        lines.append(QJsonArray::fromStringList(cells));
    return QJsonObject{
        {QStringLiteral("version"), Version},
        {QStringLiteral("number"), d.number},
        {QStringLiteral("numberTyped"), d.numberTyped},
        {QStringLiteral("stored"), d.stored},
        {QStringLiteral("baseVersion"), d.baseVersion},
        {QStringLiteral("transDate"), d.transDate.toString(Qt::ISODate)},
        {QStringLiteral("locationId"), d.locationId},
        {QStringLiteral("locationName"), d.locationName},
        {QStringLiteral("targetId"), d.targetId},
        {QStringLiteral("targetName"), d.targetName},
        {QStringLiteral("remarks"), d.remarks},
        {QStringLiteral("lines"), lines},
        {QStringLiteral("savedAt"), d.savedAt.toUTC().toString(Qt::ISODateWithMs)},
    };
}

} // namespace

RequestJournal::RequestJournal(const QString &employee, const QString &database)
{
    // Named by a hash of the pair: the file name says nothing of who or where.
    const QByteArray key = employee.trimmed().toUpper().toUtf8() + '\n' + database.toUtf8();
    const QString name = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
    m_path = QDir(folder()).filePath(name + QStringLiteral(".json"));
}

QString RequestJournal::folder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("inventory-request/journal"));
}

void RequestJournal::save(const RequestDraft &draft)
{
    RequestDraft written = draft;
    written.savedAt = QDateTime::currentDateTimeUtc();
    const QByteArray data = QJsonDocument(toJson(written)).toJson(QJsonDocument::Compact);

    // The folder and the file are the owner's alone from the moment they exist, whatever the
    // umask: both are created with their modes and set again in case they were made before.
    const QByteArray dir = QFile::encodeName(folder());
    QDir().mkpath(QFileInfo(folder()).path());
    if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
        fail(QStringLiteral("The journal's folder %1 cannot be made").arg(folder()));
    ::chmod(dir.constData(), 0700);

    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray temporary = target + ".new";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail(QStringLiteral("The journal %1 cannot be written").arg(m_path));
    const bool ok = ::fchmod(fd, 0600) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(temporary.constData());
        errno = savedErrno;
        fail(QStringLiteral("The journal %1 cannot be written").arg(m_path));
    }
    // The old snapshot or the new one: the rename replaces it in one step, and the folder's entry
    // is flushed with it.
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int renameErrno = errno;
        ::unlink(temporary.constData());
        errno = renameErrno;
        fail(QStringLiteral("The journal %1 cannot be written").arg(m_path));
    }
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

std::optional<RequestDraft> RequestJournal::load() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("version")).toInt() != Version)
        return std::nullopt;
    RequestDraft d;
    d.number = o.value(QStringLiteral("number")).toString();
    d.numberTyped = o.value(QStringLiteral("numberTyped")).toBool();
    d.stored = o.value(QStringLiteral("stored")).toBool();
    d.baseVersion = o.value(QStringLiteral("baseVersion")).toString();
    d.transDate =
        QDateTime::fromString(o.value(QStringLiteral("transDate")).toString(), Qt::ISODate);
    d.locationId = o.value(QStringLiteral("locationId")).toString();
    d.locationName = o.value(QStringLiteral("locationName")).toString();
    d.targetId = o.value(QStringLiteral("targetId")).toString();
    d.targetName = o.value(QStringLiteral("targetName")).toString();
    d.remarks = o.value(QStringLiteral("remarks")).toString();
    for (const QJsonValue &line : o.value(QStringLiteral("lines")).toArray()) {
        QStringList cells;
        for (const QJsonValue &cell : line.toArray())
            cells << cell.toString();
        d.lines.append(cells);
    }
    d.savedAt =
        QDateTime::fromString(o.value(QStringLiteral("savedAt")).toString(), Qt::ISODateWithMs);
    if (!d.transDate.isValid() || !d.savedAt.isValid())
        return std::nullopt;
    return d;
}

void RequestJournal::clear()
{
    QFile::remove(m_path);
}

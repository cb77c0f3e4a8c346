#pragma once
// TEMPORARY stub until the journal lands.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
struct RequestDraft
{
    QString number;
    bool numberTyped = false;
    bool stored = false;
    QString baseVersion;
    QDateTime transDate;
    QString locationId, locationName, targetId, targetName, remarks;
    QList<QStringList> lines;
    QDateTime savedAt;
};
class RequestJournal
{
public:
    RequestJournal(const QString &employee, const QString &database);
    void save(const RequestDraft &draft);
    std::optional<RequestDraft> load() const;
    void clear();
    QString path() const;

private:
    QString m_path;
};

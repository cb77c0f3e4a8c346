#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// An unsaved request as the request window shows it: enough to put it back on screen after a
// crash or a power cut. It holds what the clerk wrote, never a password.
struct RequestDraft
{
    QString number;           // "NEW", a typed number (perhaps empty) or a stored request's
    bool numberTyped = false; // the clerk types the number: the number box is editable
    bool stored = false;      // a stored request opened for correction
    QString baseVersion;      // the stored request's version when it was opened
    QDateTime transDate;
    QString locationId; // the supplying location
    QString locationName;
    QString targetId; // the requesting department
    QString targetName;
    QString remarks;
    QList<QStringList> lines; // each line's cells, as the grid holds them
    QDateTime savedAt;        // when the journal wrote it
};

// The workstation's journal of the request being typed: one file per employee and database under
// $XDG_DATA_HOME/inventory-request/journal/, readable by its owner only. Each save replaces the
// file whole (a power cut leaves the old one or the new one); a file that cannot be read, or was
// written by another version, is no journal.
class RequestJournal
{
public:
    // `database` names the database as the workstation reaches it (engine, server, name or file).
    RequestJournal(const QString &employee, const QString &database);

    // Throws AppError when the file cannot be written.
    void save(const RequestDraft &draft);
    std::optional<RequestDraft> load() const;
    void clear();
    QString path() const { return m_path; }

    static QString folder();

private:
    QString m_path;
};

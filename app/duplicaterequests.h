#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Recordset;
}

// Open requests that look like the one about to be saved: from the same requesting department to
// the same supplying location, dated within the last days, sharing at least one item code.
namespace duplicaterequests {

// How far back an open request counts as a possible duplicate.
inline constexpr int Days = 7;

struct Request
{
    QString number;
    QDateTime transDate;
    QString requester; // "LAST, FIRST", or the employee code when no name is stored
    QStringList sharedItems;
};

// The open lines (not processed, not cancelled) of `items` from the department to the location
// dated at or after `since`. Under a save's lock the read takes the lock hints, so that on a
// server another save of such a request waits for this one's commit.
QString statement(const QString &target, const QString &location, const QDateTime &since,
                  bool underLock, const QStringList &items);

// The requests among the statement's rows that share an item with `items`, in the rows' order;
// `except` (the request being saved, when it has a number) left out.
QList<Request> sharing(db::Recordset &rs, const QStringList &items, const QString &except = {});

// The warning shown before the save: the requests compactly, one a line, then what Enter and
// Escape do. `again`: asked once more because one appeared since the last question.
QString message(const QList<Request> &found, const QString &department, const QString &location,
                bool again);

} // namespace duplicaterequests

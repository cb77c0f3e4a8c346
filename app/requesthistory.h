#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace db {
class Connection;
}

// A request's versions: every save, verification and cancellation writes what the request became
// into INVENTORY..tbInvRequestHistory, in the transaction of the change itself. Rows are only ever
// added; version n of a number is the n-th change of that request.
namespace requesthistory {

// What an action did to a request.
inline const QString Saved = QStringLiteral("saved");
inline const QString Verified = QStringLiteral("verified");
inline const QString Cancelled = QStringLiteral("cancelled");

// One line as stored: quantity and unit cost as plain numbers ("5", "12.5").
struct Line
{
    QString code;
    QString quantity;
    QString unitCost;
    QString retail; // "Y" or "N"
    bool ads = false;

    bool operator==(const Line &) const = default;
};

// What the request became with one action.
struct Version
{
    QString number;
    int version = 0;  // 1, 2, 3... (0 before it is written)
    QString action;   // Saved, Verified or Cancelled
    QString employee; // who saved, verified or cancelled (the signed-in employee)
    QDateTime at;     // the server's time of the action
    QString location; // the supplying location's code
    QString target;   // the requesting department's code
    QDateTime transDate;
    QString requester;
    QString remarks;
    QString verifiedBy; // the employee who authorised the verification; empty: not verified
    QList<Line> lines;
};

// The lines as the history stores them: a compact JSON array, and read back.
QString linesJson(const QList<Line> &lines);
QList<Line> linesFromJson(const QString &json);

// The insert of a version, to run (or queue) in the transaction of the change, after the lock
// that change takes: its version number is the request's last one plus one, read by the insert
// itself, and the server's time is the action's. Text values have their quote marks doubled.
QString insertStatement(const Version &v);

// Every version of a request, oldest first; none for a request last saved before versions were
// kept.
QList<Version> read(db::Connection &connection, const QString &number);

// What changed from `before` (none: the first version kept) to `after`, one change per entry, in
// words: lines added and removed, quantity, unit cost and flags before -> after, the date, the
// departments, the justification, the verification and the cancellation.
QStringList changes(const std::optional<Version> &before, const Version &after);

// The history as a table of text: the columns' headers, then one row per version, oldest first.
QStringList tableHeaders();
QList<QStringList> tableRows(const QList<Version> &versions);

// A date and time as the history shows them: "12/08/2026 01:13 AM".
QString shownTime(const QDateTime &when);

} // namespace requesthistory

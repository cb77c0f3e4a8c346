#include "app/duplicaterequests.h"

#include "platform/db/recordset.h"
#include "platform/db/sqlquote.h"

#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>

namespace duplicaterequests {

namespace {

const QLocale &english()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

QString text(const db::Recordset &rs, const char *field)
{
    const db::Field f = rs.Fields(QLatin1String(field));
    return f.IsNull() ? QString() : f.toText().trimmed();
}

// At most this many requests are listed, and this many shared items of each.
constexpr int ListedRequests = 8;
constexpr int ListedItems = 6;
// The item codes in one list of the statement's condition.
constexpr int CodesInAList = 500;

} // namespace

QString statement(const QString &target, const QString &location, const QDateTime &since,
                  bool underLock, const QStringList &items)
{
    // Only the lines of the request's own items come back: the warning is about those, and a
    // busy store's open lines of the week are many. The codes go as literals, in lists of a few
    // hundred (no engine's limit on a statement's values applies to them), in capitals and
    // compared with the line's code in capitals: a server estimates a list against the column's
    // statistics element by element, which for a thousand codes took longer than the read.
    QStringList codes;
    QSet<QString> seen;
    for (const QString &item : items) {
        const QString code = item.trimmed();
        if (!code.isEmpty() && !seen.contains(code.toUpper())) {
            seen.insert(code.toUpper());
            codes << QLatin1Char('\'') + db::sqlText(code.toUpper()) + QLatin1Char('\'');
        }
    }
    QStringList lists;
    for (qsizetype i = 0; i < codes.size(); i += CodesInAList)
        lists << QStringLiteral("Upper(A.ItemID) In (") +
                     codes.mid(i, CodesInAList).join(QLatin1Char(',')) + QLatin1Char(')');
    const QString ofTheItems =
        lists.isEmpty() ? QStringLiteral("1 = 0")
                        : QLatin1Char('(') + lists.join(QLatin1String(" Or ")) + QLatin1Char(')');
    return QStringLiteral("Select A.DocumentNumber, A.TransDate, A.ItemID, A.UserID, (Select Top 1 "
                          "LastName + ', ' + FirstName From Password..tbPasswordMain Where "
                          "EmployeeID = A.UserID) As Requester From "
                          "INVENTORY..tbInvWithdrawRequest A") +
           (underLock ? QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") : QString()) +
           QStringLiteral(" Where A.LocationID = '") + db::sqlText(location) +
           QStringLiteral("' And A.TargetLocationID = '") + db::sqlText(target) +
           // No status yet, said twice: the first as the open-lines index of a server is made
           // for, the second so that an index on the location, status and date is searched for
           // each of the two ways a line has no status.
           QStringLiteral("' And IsNull(A.Status,'') = '' And (A.Status Is Null Or A.Status = '') "
                          "And A.TransDate >= ") +
           db::dateLiteral(since) + QStringLiteral(" And ") + ofTheItems +
           QStringLiteral(" Order By A.TransDate, A.DocumentNumber");
}

QList<Request> sharing(db::Recordset &rs, const QStringList &items, const QString &except)
{
    QSet<QString> wanted;
    for (const QString &item : items)
        wanted.insert(item.trimmed().toUpper());
    QList<Request> found;
    // Each request's place in the list, and the items already named for it: a request of
    // thousands of lines is read in one pass.
    QHash<QString, qsizetype> at;
    QList<QSet<QString>> named;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString number = text(rs, "DocumentNumber");
        if (number.isEmpty() || number.compare(except.trimmed(), Qt::CaseInsensitive) == 0)
            continue;
        const QString item = text(rs, "ItemID");
        if (!wanted.contains(item.toUpper()))
            continue;
        auto it = at.constFind(number);
        if (it == at.constEnd()) {
            const QString name = text(rs, "Requester");
            const db::Field date = rs.Fields(QStringLiteral("TransDate"));
            found.append(Request{.number = number,
                                 .transDate = date.IsNull() ? QDateTime() : date.toDate(),
                                 .requester = name.isEmpty() ? text(rs, "UserID") : name,
                                 .sharedItems = {}});
            named.append(QSet<QString>());
            it = at.insert(number, found.size() - 1);
        }
        if (!named[*it].contains(item.toUpper())) {
            named[*it].insert(item.toUpper());
            found[*it].sharedItems << item;
        }
    }
    return found;
}

QString message(const QList<Request> &found, const QString &department, const QString &location,
                bool again)
{
    QString out;
    if (again)
        out += QStringLiteral("Another request like this one was saved meanwhile.\n\n");
    out += QStringLiteral("%1 already has %2 to %3 from the last %4 days with some of the same "
                          "items:\n\n")
               .arg(department,
                    found.size() == 1 ? QStringLiteral("an open request")
                                      : QStringLiteral("%1 open requests").arg(found.size()),
                    location)
               .arg(Days);
    for (qsizetype i = 0; i < found.size() && i < ListedRequests; ++i) {
        const Request &r = found.at(i);
        QStringList items = r.sharedItems.mid(0, ListedItems);
        if (r.sharedItems.size() > ListedItems)
            items << QStringLiteral("%1 more").arg(r.sharedItems.size() - ListedItems);
        out += QStringLiteral("Request %1 of %2 by %3: %4\n")
                   .arg(r.number,
                        r.transDate.isValid()
                            ? english().toString(r.transDate, QStringLiteral("MM/dd/yyyy"))
                            : QStringLiteral("no date"),
                        r.requester, items.join(QStringLiteral(", ")));
    }
    if (found.size() > ListedRequests)
        out += QStringLiteral("and %1 more\n").arg(found.size() - ListedRequests);
    out += QStringLiteral("\nSave this request anyway? Enter saves it; Escape goes back to it "
                          "unsaved.");
    return out;
}

} // namespace duplicaterequests

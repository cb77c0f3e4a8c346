#include "app/duplicaterequests.h"

#include "platform/db/recordset.h"
#include "platform/db/sqlquote.h"

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

} // namespace

QString statement(const QString &target, const QString &location, const QDateTime &since,
                  bool underLock)
{
    return QStringLiteral("Select A.DocumentNumber, A.TransDate, A.ItemID, A.UserID, (Select Top 1 "
                          "LastName + ', ' + FirstName From Password..tbPasswordMain Where "
                          "EmployeeID = A.UserID) As Requester From "
                          "INVENTORY..tbInvWithdrawRequest A") +
           (underLock ? QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") : QString()) +
           QStringLiteral(" Where A.LocationID = '") + db::sqlText(location) +
           QStringLiteral("' And A.TargetLocationID = '") + db::sqlText(target) +
           QStringLiteral("' And IsNull(A.Status,'') = '' And A.TransDate >= '") +
           english().toString(since, QStringLiteral("MM/dd/yyyy hh:mm:ss AP")) +
           QStringLiteral("' Order By A.TransDate, A.DocumentNumber");
}

QList<Request> sharing(db::Recordset &rs, const QStringList &items, const QString &except)
{
    QSet<QString> wanted;
    for (const QString &item : items)
        wanted.insert(item.trimmed().toUpper());
    QList<Request> found;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString number = text(rs, "DocumentNumber");
        if (number.isEmpty() || number.compare(except.trimmed(), Qt::CaseInsensitive) == 0)
            continue;
        const QString item = text(rs, "ItemID");
        if (!wanted.contains(item.toUpper()))
            continue;
        auto it = std::find_if(found.begin(), found.end(),
                               [&number](const Request &r) { return r.number == number; });
        if (it == found.end()) {
            const QString name = text(rs, "Requester");
            const db::Field date = rs.Fields(QStringLiteral("TransDate"));
            found.append(Request{.number = number,
                                 .transDate = date.IsNull() ? QDateTime() : date.toDate(),
                                 .requester = name.isEmpty() ? text(rs, "UserID") : name,
                                 .sharedItems = {}});
            it = found.end() - 1;
        }
        if (!it->sharedItems.contains(item, Qt::CaseInsensitive))
            it->sharedItems << item;
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

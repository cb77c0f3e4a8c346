#include "app/requesthistory.h"

#include "app/vbformat.h"
#include "platform/db/connection.h"
#include "platform/db/sqlquote.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace requesthistory {

namespace {

const QLocale &english()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

// A date as the statements write it, or NULL.
QString dateOrNull(const QDateTime &when)
{
    return when.isValid() ? db::dateLiteral(when) : QStringLiteral("NULL");
}

QString textOrNull(const QString &value)
{
    return value.isEmpty() ? QStringLiteral("NULL")
                           : QLatin1Char('\'') + db::sqlText(value) + QLatin1Char('\'');
}

QString quotedText(const QString &value)
{
    return QLatin1Char('"') + value + QLatin1Char('"');
}

// Two numbers as stored compare by value: "5" and "5.0000" are the same quantity.
bool sameNumber(const QString &a, const QString &b)
{
    return a == b ||
           (vb::isNumeric(a) && vb::isNumeric(b) && vb::numericValue(a) == vb::numericValue(b));
}

QString shownNumber(const QString &stored)
{
    return vb::isNumeric(stored) ? vb::plainNumber(vb::numericValue(stored)) : stored;
}

QString lineText(const Line &line)
{
    return QStringLiteral("%1, quantity %2 at %3")
        .arg(line.code, shownNumber(line.quantity), shownNumber(line.unitCost));
}

QString actionName(const QString &action)
{
    if (action == Verified)
        return QStringLiteral("Verified");
    if (action == Cancelled)
        return QStringLiteral("Cancelled");
    return QStringLiteral("Saved");
}

// Each line keyed by its code and its occurrence of that code (a request may hold an item twice):
// the n-th line of a code is compared with the n-th line of that code before.
using LineKey = QPair<QString, int>;
QList<LineKey> keysOf(const QList<Line> &lines)
{
    QHash<QString, int> seen;
    QList<LineKey> keys;
    for (const Line &line : lines)
        keys.append({line.code.trimmed().toUpper(), seen[line.code.trimmed().toUpper()]++});
    return keys;
}

// Where each key stands: a request of thousands of lines is compared in one pass.
QHash<LineKey, qsizetype> positionsOf(const QList<LineKey> &keys)
{
    QHash<LineKey, qsizetype> at;
    at.reserve(keys.size());
    for (qsizetype i = 0; i < keys.size(); ++i)
        at.insert(keys.at(i), i);
    return at;
}

void lineChanges(const QList<Line> &before, const QList<Line> &after, QStringList &out)
{
    const auto beforeKeys = keysOf(before);
    const auto afterKeys = keysOf(after);
    const auto beforeAt = positionsOf(beforeKeys);
    const auto afterAt = positionsOf(afterKeys);
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (!afterAt.contains(beforeKeys.at(i)))
            out << QStringLiteral("Line removed: ") + lineText(before.at(i));
    }
    for (qsizetype i = 0; i < after.size(); ++i) {
        const Line &now = after.at(i);
        const qsizetype j = beforeAt.value(afterKeys.at(i), -1);
        if (j < 0) {
            out << QStringLiteral("Line added: ") + lineText(now);
            continue;
        }
        const Line &was = before.at(j);
        const QString arrow = QStringLiteral(" \u2192 ");
        if (!sameNumber(was.quantity, now.quantity))
            out << QStringLiteral("%1: quantity ").arg(now.code) + shownNumber(was.quantity) +
                       arrow + shownNumber(now.quantity);
        if (!sameNumber(was.unitCost, now.unitCost))
            out << QStringLiteral("%1: unit cost ").arg(now.code) + shownNumber(was.unitCost) +
                       arrow + shownNumber(now.unitCost);
        if (was.retail.trimmed().toUpper() != now.retail.trimmed().toUpper())
            out << QStringLiteral("%1: for retail ").arg(now.code) + was.retail + arrow +
                       now.retail;
        if (was.ads != now.ads)
            out << QStringLiteral("%1: from ADS stock ").arg(now.code) +
                       QLatin1String(was.ads ? "Y" : "N") + arrow +
                       QLatin1String(now.ads ? "Y" : "N");
    }
}

} // namespace

QString shownTime(const QDateTime &when)
{
    return when.isValid() ? english().toString(when, QStringLiteral("MM/dd/yyyy hh:mm AP"))
                          : QString();
}

QString linesJson(const QList<Line> &lines)
{
    QJsonArray array;
    for (const Line &line : lines) {
        array.append(QJsonObject{{QStringLiteral("code"), line.code},
                                 {QStringLiteral("quantity"), line.quantity},
                                 {QStringLiteral("unitCost"), line.unitCost},
                                 {QStringLiteral("retail"), line.retail},
                                 {QStringLiteral("ads"), line.ads}});
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QList<Line> linesFromJson(const QString &json)
{
    QList<Line> lines;
    for (const QJsonValue &value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        const QJsonObject o = value.toObject();
        lines.append(Line{.code = o.value(QStringLiteral("code")).toString(),
                          .quantity = o.value(QStringLiteral("quantity")).toString(),
                          .unitCost = o.value(QStringLiteral("unitCost")).toString(),
                          .retail = o.value(QStringLiteral("retail")).toString(),
                          .ads = o.value(QStringLiteral("ads")).toBool()});
    }
    return lines;
}

QString insertStatement(const Version &v)
{
    const QString number = db::sqlText(v.number.trimmed());
    return QStringLiteral("Insert INVENTORY..tbInvRequestHistory (DocumentNumber, Version, Action, "
                          "EmployeeID, ActionDate, LocationID, TargetLocationID, TransDate, "
                          "UserID, Remarks, VerifiedBy, Lines) Values ('") +
           number +
           QStringLiteral("', (Select IsNull(Max(Version), 0) + 1 From "
                          "INVENTORY..tbInvRequestHistory Where DocumentNumber = '") +
           number + QStringLiteral("'), '") + db::sqlText(v.action) + QStringLiteral("', '") +
           db::sqlText(v.employee) + QStringLiteral("', GetDate(), ") + textOrNull(v.location) +
           QStringLiteral(", ") + textOrNull(v.target) + QStringLiteral(", ") +
           dateOrNull(v.transDate) + QStringLiteral(", ") + textOrNull(v.requester) +
           QStringLiteral(", ") + textOrNull(v.remarks) + QStringLiteral(", ") +
           textOrNull(v.verifiedBy.trimmed()) + QStringLiteral(", '") +
           db::sqlText(linesJson(v.lines)) + QStringLiteral("')");
}

QList<Version> read(db::Connection &connection, const QString &number)
{
    db::Recordset rs = connection.query(
        QStringLiteral("Select DocumentNumber, Version, Action, EmployeeID, ActionDate, "
                       "LocationID, TargetLocationID, TransDate, UserID, Remarks, VerifiedBy, "
                       "Lines From INVENTORY..tbInvRequestHistory Where DocumentNumber = ? "
                       "Order By Version"),
        {number.trimmed()});
    QList<Version> versions;
    const auto text = [&rs](const char *field) {
        const db::Field f = rs.Fields(QLatin1String(field));
        return f.IsNull() ? QString() : f.toText();
    };
    const auto date = [&rs](const char *field) {
        const db::Field f = rs.Fields(QLatin1String(field));
        return f.IsNull() ? QDateTime() : f.toDate();
    };
    for (; !rs.Eof(); rs.MoveNext()) {
        versions.append(Version{.number = text("DocumentNumber"),
                                .version = text("Version").toInt(),
                                .action = text("Action").toLower(),
                                .employee = text("EmployeeID"),
                                .at = date("ActionDate"),
                                .location = text("LocationID"),
                                .target = text("TargetLocationID"),
                                .transDate = date("TransDate"),
                                .requester = text("UserID"),
                                .remarks = text("Remarks"),
                                .verifiedBy = text("VerifiedBy"),
                                .lines = linesFromJson(text("Lines"))});
    }
    return versions;
}

QStringList changes(const std::optional<Version> &before, const Version &after)
{
    QStringList out;
    const QString arrow = QStringLiteral(" \u2192 ");
    if (!before) {
        out << QStringLiteral("%1 with %2 %3")
                   .arg(after.action == Cancelled ? QStringLiteral("Cancelled by ") + after.employee
                                                  : QStringLiteral("Saved"),
                        QString::number(after.lines.size()),
                        after.lines.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
        if (!after.remarks.isEmpty())
            out << QStringLiteral("Justification: ") + quotedText(after.remarks);
    } else {
        if (before->target != after.target)
            out << QStringLiteral("Department from ") + before->target + arrow + after.target;
        if (before->location != after.location)
            out << QStringLiteral("Request to location ") + before->location + arrow +
                       after.location;
        if (before->transDate != after.transDate)
            out << QStringLiteral("Date ") + shownTime(before->transDate) + arrow +
                       shownTime(after.transDate);
        if (before->remarks != after.remarks)
            out << QStringLiteral("Justification: ") + quotedText(before->remarks) + arrow +
                       quotedText(after.remarks);
        lineChanges(before->lines, after.lines, out);
        if (!before->verifiedBy.trimmed().isEmpty() && after.verifiedBy.trimmed().isEmpty())
            out << QStringLiteral("Verification by %1 cleared by the save")
                       .arg(before->verifiedBy.trimmed());
    }
    if (after.action == Verified)
        out << QStringLiteral("Verified by ") + after.verifiedBy.trimmed();
    if (after.action == Cancelled && before)
        out << QStringLiteral("Cancelled by ") + after.employee;
    if (out.isEmpty())
        out << QStringLiteral("Saved again without changes");
    return out;
}

QStringList tableHeaders()
{
    return {QStringLiteral("Version"), QStringLiteral("Action"), QStringLiteral("By"),
            QStringLiteral("When"), QStringLiteral("What changed")};
}

QList<QStringList> tableRows(const QList<Version> &versions)
{
    QList<QStringList> rows;
    std::optional<Version> before;
    for (const Version &v : versions) {
        rows.append({QString::number(v.version), actionName(v.action), v.employee, shownTime(v.at),
                     changes(before, v).join(QLatin1Char('\n'))});
        before = v;
    }
    return rows;
}

} // namespace requesthistory

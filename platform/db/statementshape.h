#pragma once

#include <QString>
#include <QStringView>
#include <QVariantList>

#include <functional>
#include <optional>

namespace db {

// The program's T-SQL with its plain literal values lifted out into bound values, so statements
// that differ only in their values share one text: the shape. A literal is lifted only where it
// is a plain value, which no rewrite of the translator looks at:
//
//   Where A = 'x' And B <> -5      -> Where A = ? And B <> ?      ('x', -5)
//   Insert T (A, B) Values ('x', 1.5) -> Insert T (A, B) Values (?, ?)
//
// that is, right after a comparison operator and followed by the end, a closing parenthesis, a
// comma or a clause's keyword, or a whole element of an Insert's Values list; never in a select
// list (a column without an alias is named by its expression as written). Never next to "+"
// (it may join strings), never after LIKE or TOP, never a text that reads like a date (its
// rewrite depends on the column), never in anything but a Select, Insert, Update or Delete (a
// procedure call reads its literal arguments). Values already bound to "?" keep their place
// among the lifted ones.
struct StatementShape
{
    QString text;
    QVariantList values;
    bool lifted = false; // false: the text is the statement as written, values its own params
    // Where each of values was written in the statement, from its minus sign to its last
    // character; start -1 for a value already bound to a "?". Filled when the statement was
    // scanned (scanned: a Select, Insert, Update or Delete with a value for each of its marks),
    // whether or not anything was lifted.
    struct Source
    {
        qsizetype start = -1;
        qsizetype size = 0;
    };
    QList<Source> sources;
    bool scanned = false;
};
// realOf: SQLite's reading of a decimal literal; without it, only decimals a double holds exactly
// are lifted.
using RealOf = std::function<std::optional<double>(QStringView)>;
StatementShape statementShape(const QString &tsql, const QVariantList &params,
                              const RealOf &realOf = {});

} // namespace db

#pragma once

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

namespace db {

// A date and time in a form the engines store it in ("2026-12-10", "2026-12-10 08:30",
// "2026-12-10 08:30:15" and with one to three decimals), as the local date and time; none for
// any other text, and for a time the local clock skips.
std::optional<QDateTime> storedDateTime(QStringView text);

// One column of the current row. Conversions follow the old rules the program's logic was written
// for: a Null converted to a value fails ("Invalid use of Null"); a text that is not a number fails
// when read as one ("Type mismatch"); a 16-bit integer out of range fails ("Overflow").
class Field
{
public:
    Field(QString name, QVariant value);

    const QString &Name() const { return m_name; }
    const QVariant &Value() const { return m_value; }
    bool IsNull() const;

    QString toText() const;
    // What toText() gives for a value that is not Null.
    static QString textOf(const QVariant &value);
    double toDouble() const;
    double toCurrency() const; // fixed point, four decimals
    qint16 toInteger() const;  // 16-bit, rounded half to even
    qint32 toLong() const;     // 32-bit, rounded half to even
    bool toBool() const;
    QDateTime toDate() const;

private:
    [[noreturn]] void fail(const QString &what) const;

    QString m_name;
    QVariant m_value;
};

// A client-side snapshot of a result: every row is read when the statement runs, so the connection
// is free again at once. Copies share the rows and keep their own position.
class Recordset
{
public:
    // A result's column names and their look-up by name: made once, shared by every result of
    // one statement.
    class Columns
    {
    public:
        explicit Columns(QStringList names);
        const QStringList &names() const { return m_names; }
        // As FieldIndex() finds it: without regard to case, the first column of the name; -1
        // when there is none.
        int indexOf(const QString &name) const;

    private:
        friend class Recordset;
        QStringList m_names;
        QHash<QString, int> m_index; // lower-case name -> first column of that name
        QHash<QString, int> m_exact; // each name as the result spells it -> the same column
    };

    Recordset(); // a closed recordset, as an action statement returns
    Recordset(QStringList fieldNames, const QVector<QVector<QVariant>> &rows);
    // The cells row after row, each row as wide as the columns.
    Recordset(std::shared_ptr<const Columns> columns, QVector<QVariant> cells, int rows);

    bool IsOpen() const { return m_data != nullptr; }
    void Close();

    int RecordCount() const;
    bool Eof() const;
    bool Bof() const;
    int AbsolutePosition() const { return m_position; } // 0-based row index
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(int row);

    int FieldCount() const;
    QString FieldName(int index) const;
    const QStringList &FieldNames() const;
    const Columns &columns() const;
    bool HasField(const QString &name) const;
    // Looked up without regard to case; the first column of that name wins.
    Field Fields(const QString &name) const;
    // The position of the column Fields(name) reads, for reading it row after row without
    // looking it up again; -1 when there is none.
    int FieldIndex(const QString &name) const;
    Field Fields(int index) const;

    // Direct access for grids bound to the result.
    const QVariant &value(int row, int column) const;
    // The FieldCount() cells of a row, for reading a whole result without a look-up per cell;
    // they stay while any copy of the recordset holds the rows.
    const QVariant *rowValues(int row) const;

private:
    struct Data
    {
        std::shared_ptr<const Columns> columns;
        QVector<QVariant> cells; // row after row
        int rows = 0;
        int width = 0;
    };
    const Data &data() const;
    int columnOf(const QString &name) const;

    std::shared_ptr<const Data> m_data;
    int m_position = 0; // -1 = BOF, RecordCount() = EOF
};

// What a statement's rows are, told one by one as they come (RowWatch): the result's columns, the
// row's number (from 0) and its values, as many as the columns, which last only for the call.
using RowWatcher =
    std::function<void(const Recordset::Columns &columns, int row, const QVariant *cells)>;

} // namespace db

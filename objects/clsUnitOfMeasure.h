#pragma once

#include <QString>

namespace db {
class Connection;
}

// One unit of measure: a row of INVENTORY..tbInvUnitOfMeasure, keyed by the 16-bit
// UnitOfMeasureID.
class clsUnitOfMeasure
{
public:
    clsUnitOfMeasure();
    ~clsUnitOfMeasure();
    clsUnitOfMeasure(const clsUnitOfMeasure &) = delete;
    clsUnitOfMeasure &operator=(const clsUnitOfMeasure &) = delete;

    QString Status() const { return m_status; }
    void setStatus(const QString &value) { m_status = value; }

    // The session connection; kept, never opened or closed here.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    // Inserts the unit under a new code when Code names no row (Code itself keeps its value),
    // otherwise updates the row.
    bool Update();
    // Reads the row of the code; code 0 blanks the object without reading.
    bool LoadUOM(qint16 code);

    QString Description() const { return m_description; }
    void setDescription(const QString &value) { m_description = value; }
    qint16 Code() const { return m_code; }
    void setCode(qint16 value) { m_code = value; }

    // Lets the user pick a unit in the code lookup dialog, then loads it.
    bool SearchUOM(const QString &text);

private:
    void Class_Initialize();

    db::Connection *m_connection = nullptr;
    QString m_status;
    QString m_description;
    qint16 m_code = 0;
};

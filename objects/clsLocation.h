#pragma once

#include <QString>

namespace db {
class Connection;
}

// One inventory location: a row of INVENTORY..tbInvLocation, keyed by the text LocationID.
class clsLocation
{
public:
    clsLocation();
    ~clsLocation();
    clsLocation(const clsLocation &) = delete;
    clsLocation &operator=(const clsLocation &) = delete;

    // Whether the location may place orders (AllowOrder); a failed load leaves it as it was.
    bool AllowedForPO() const { return m_allowedForPO; }
    void setAllowedForPO(bool value) { m_allowedForPO = value; }
    qint16 isDispensingArea() const { return m_isDispensingArea; }
    void setIsDispensingArea(qint16 value) { m_isDispensingArea = value; }
    qint16 IsWareHouse() const { return m_isWareHouse; }
    void setIsWareHouse(qint16 value) { m_isWareHouse = value; }
    // "A" for a new object and for a Null column; the lists leave out "I".
    QString Status() const { return m_status; }
    void setStatus(const QString &value) { m_status = value; }

    // The session connection; kept, never opened or closed here.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    QString Code() const { return m_code; }
    void setCode(const QString &value) { m_code = value; }
    QString Description() const { return m_description; }
    void setDescription(const QString &value) { m_description = value; }

    // Reads the row of the code; false (and the object blanked) when there is none.
    bool LoadLocation(const QString &code);
    // Inserts the location under a new code when Code names no row (Code itself keeps its value),
    // otherwise updates the row.
    bool Update();

private:
    void Class_Initialize();

    db::Connection *m_connection = nullptr;
    bool m_allowedForPO = false;
    qint16 m_isDispensingArea = 1;
    qint16 m_isWareHouse = 1;
    QString m_status;
    QString m_code;
    QString m_description;
};

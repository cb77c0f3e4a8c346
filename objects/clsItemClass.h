#pragma once

#include <QString>

namespace db {
class Connection;
}

// One item classification: a row of INVENTORY..tbInvClassification, keyed by the text
// ItemClassificationID (one letter when this class forms the code).
class clsItemClass
{
public:
    clsItemClass();
    ~clsItemClass();
    clsItemClass(const clsItemClass &) = delete;
    clsItemClass &operator=(const clsItemClass &) = delete;

    QString Status() const { return m_status; }
    void setStatus(const QString &value) { m_status = value; }

    // The session connection; kept, never opened or closed here.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    // Inserts the class when Code names no row (an empty Code or "New" takes the letter after the
    // largest code, left in Code), otherwise updates the row.
    bool Update();

    QString Code() const { return m_code; }
    void setCode(const QString &value) { m_code = value; }

    // Reads the row of the code; blanks give an empty object, an unknown code false.
    bool LoadItemClass(const QString &code);

    QString Description() const { return m_description; }
    void setDescription(const QString &value) { m_description = value; }

private:
    void Class_Initialize();

    db::Connection *m_connection = nullptr;
    QString m_status;
    QString m_code;
    QString m_description;
};

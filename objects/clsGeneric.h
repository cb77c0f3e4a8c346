#pragma once

#include <QString>

namespace db {
class Connection;
}

// A read-only view of one generic name (tbforGeneric of the connection's own database) with the
// name of its classification.
class clsGeneric
{
public:
    clsGeneric();
    ~clsGeneric();
    clsGeneric(const clsGeneric &) = delete;
    clsGeneric &operator=(const clsGeneric &) = delete;

    // Always reads, also for the code already loaded or a blank one; false (and the texts empty)
    // when the code has no row.
    bool LoadGeneric(const QString &code);
    // The statement LoadGeneric sends for a code.
    static QString loadStatement(const QString &code);

    QString Classification() const { return m_classification; }
    QString GenericName() const { return m_genericName; }
    QString GenericID() const { return m_genericID; }

    // The session connection; kept, never opened or closed here.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

private:
    void Class_Initialize();

    db::Connection *m_connection = nullptr;
    QString m_classification;
    QString m_genericName;
    QString m_genericID;
};

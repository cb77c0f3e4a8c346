#pragma once

#include <QString>

namespace db {
class Connection;
}

// One payment term: a row of INVENTORY..tbInvTerms, keyed by the 16-bit TermsID.
class clsTerms
{
public:
    clsTerms();
    ~clsTerms();
    clsTerms(const clsTerms &) = delete;
    clsTerms &operator=(const clsTerms &) = delete;

    QString Status() const { return m_status; }
    void setStatus(const QString &value) { m_status = value; }

    // The session connection; kept, never opened or closed here. Without one, every statement
    // fails with the program's error.
    void setActiveConnection(db::Connection *connection) { m_connection = connection; }

    qint16 Code() const { return m_code; }
    void setCode(qint16 value) { m_code = value; }

    // Inserts the term under a new code when Code names no row (Code itself keeps its value),
    // otherwise updates the row.
    bool Update();
    // Reads the first row whose code is `code` or whose name is `name` (trimmed); code 0 blanks
    // the object without reading.
    bool LoadTerms(qint16 code, const QString &name);

    qint16 NumberOfDays() const { return m_numberOfDays; }
    void setNumberOfDays(qint16 value) { m_numberOfDays = value; }
    QString Description() const { return m_description; }
    void setDescription(const QString &value) { m_description = value; }

    // Lets the user pick a term in the code lookup dialog, then loads it.
    bool SearchTerms(const QString &text);

private:
    void Class_Initialize();

    db::Connection *m_connection = nullptr;
    QString m_status;
    qint16 m_code = 0;
    qint16 m_numberOfDays = 0;
    QString m_description;
};

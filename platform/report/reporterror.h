#pragma once

#include "platform/error.h"

namespace report {

// A failure of the report engine. The description is written for the user: it names the template
// (and the line, for a fault in its text), the table, the parameter or the database's message.
class ReportError : public AppError
{
public:
    enum class Kind {
        Template = 1,  // the template file is missing, unreadable or malformed
        Location = 2,  // a table location that names no database
        Parameter = 3, // the query needs a parameter that has no value
        Data = 4,      // the query failed, or names columns the bands do not find
        NoRecords = 5, // the query found nothing and the template says what to tell the user
        Output = 6,    // the printer or the PDF file cannot be written
    };

    ReportError(Kind kind, const QString &description);

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

} // namespace report

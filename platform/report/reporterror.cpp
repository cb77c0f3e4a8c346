#include "platform/report/reporterror.h"

namespace report {

ReportError::ReportError(Kind kind, const QString &description)
    : AppError(static_cast<long>(kind), QStringLiteral("Report"), description), m_kind(kind)
{
}

} // namespace report

#include "platform/error.h"

AppError::AppError(long number, QString source, QString description)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_what(m_description.toUtf8())
{
}

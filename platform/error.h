#pragma once

#include <QString>

#include <exception>

// The one error type the program raises and catches: a number, the place it came from and a
// description for the user. Database failures and the program's own raised errors both use it, so a
// window handler needs a single catch to show any failure in a message box.
class AppError : public std::exception
{
public:
    AppError(long number, QString source, QString description);

    long number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    long m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};

#pragma once

#include <QString>

#include <stdexcept>

// An unexpected run-time error: carries the error number and description that
// the fatal error box shows. Procedures throw it; the guard around each named
// procedure catches it (see Guard).
class KelvaraError : public std::runtime_error
{
public:
    // source names the raiser where it matters ("kelvara.cRegistry").
    KelvaraError(int number, const QString &description, const QString &source = QString());

    int number() const { return m_number; }
    QString description() const { return m_description; }
    QString source() const { return m_source; }

private:
    int m_number;
    QString m_description;
    QString m_source;
};

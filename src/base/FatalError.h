#pragma once

#include <QString>

// The texts of the box that ends the program after an unexpected error.
class FatalError
{
public:
    // "Kelvara Error".
    static QString title();

    // "Please report this error to <address>", LF then CR, then
    // "<procedure>: <number>  <description>". procedure is "Sub name" or
    // "Function name".
    static QString text(const QString &procedure, int number, const QString &description);
};

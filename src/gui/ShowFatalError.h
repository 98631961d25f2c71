#pragma once

#include <QString>

// The fatal error box: OK only, titled "Kelvara Error", naming the procedure
// ("Sub scandir"), the error number and its description.
void ShowFatalError(const QString &procedureText, int number, const QString &description);

// Makes the guard answer every unexpected error with the box and then end the
// process at once, without saving settings. The window program calls it first.
void installFatalErrorBox();

#include "base/FatalError.h"

#include "base/ProgramInfo.h"

QString FatalError::title()
{
    return ProgramInfo::productName() + QLatin1String(" Error");
}

QString FatalError::text(const QString &procedure, int number, const QString &description)
{
    // LF before CR: the order users have always seen in these reports.
    return QLatin1String("Please report this error to ") + ProgramInfo::supportAddress()
        + QLatin1String("\n\r") + procedure + QLatin1String(": ") + QString::number(number)
        + QLatin1String("  ") + description;
}

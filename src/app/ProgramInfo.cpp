#include "app/ProgramInfo.h"

#ifndef KELVARA_VERSION
#error "KELVARA_VERSION must come from the build (kelvara_config)"
#endif

QString ProgramInfo::productName()
{
    return QStringLiteral("Kelvara");
}

QString ProgramInfo::version()
{
    return QStringLiteral(KELVARA_VERSION);
}

QString ProgramInfo::versionCaption()
{
    return QStringLiteral("Version: ") + version();
}

QString ProgramInfo::supportAddress()
{
    return QStringLiteral("support@kelvara.example");
}

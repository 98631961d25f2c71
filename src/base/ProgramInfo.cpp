#include "base/ProgramInfo.h"

#include "base/StringTable.h"
#include "base/TextIds.h"

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

QString ProgramInfo::versionWord()
{
    const QString word = localText(TextId::Version);
    return word.isEmpty() ? QStringLiteral("Version") : word;
}

QString ProgramInfo::versionCaption()
{
    return versionWord() + QLatin1String(": ") + version();
}

QString ProgramInfo::supportAddress()
{
    return QStringLiteral("support@kelvara.example");
}

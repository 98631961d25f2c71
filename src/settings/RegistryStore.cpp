#include "settings/RegistryStore.h"

QString RegistryStore::hiveName(std::uint32_t hive)
{
    switch (hive) {
    case ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case Users:
        return QStringLiteral("HKEY_USERS");
    case CurrentConfig:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    default:
        return {};
    }
}

QStringList RegistryStore::keyParts(const QString &key)
{
    return key.split(u'\\', Qt::SkipEmptyParts);
}

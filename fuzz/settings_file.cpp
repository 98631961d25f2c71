// The settings file: any bytes either read as a hive or are refused as
// damaged, and a hive that was read writes out as text that reads back the
// same, so saving settings never turns a good file into a damaged one.

#include <cstdlib>

#include "FuzzSupport.h"
#include "settings/RegistryHive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString hiveName = QStringLiteral("HKEY_LOCAL_MACHINE");
    const auto hive = RegistryHive::parse(FuzzSupport::bytes(data, size), hiveName);
    if (!hive)
        return 0;
    const QStringList key
        = { QStringLiteral("Software"), QStringLiteral("Brennic"), QStringLiteral("Kelvara") };
    (void)hive->value(key, QStringLiteral("Jobs"));
    (void)hive->value(key, QString());

    const QByteArray written = hive->toText();
    const auto reread = RegistryHive::parse(written, hiveName);
    if (!reread || reread->toText() != written)
        std::abort();
    return 0;
}

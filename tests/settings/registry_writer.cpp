// Helper for the registry tests: writes a run of values into the file store
// from a process of its own, so that two of them can save at the same time.
//   registry_writer <folder> <prefix> <count> [batch]
#include <QCoreApplication>
#include <QStringList>

#include <optional>

#include "settings/FileRegistryStore.h"
#include "settings/Registry.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 && args.size() != 5)
        return 2;
    FileRegistryStore store(args[1]);
    const QString prefix = args[2];
    const int count = args[3].toInt();
    std::optional<RegistryStore::Update> batch;
    if (args.size() == 5)
        batch.emplace(store);

    Registry reg(store);
    reg.setClassKey(Registry::HKEY_LOCAL_MACHINE);
    reg.setSectionKey(QStringLiteral("Software\\Brennic\\Kelvara"));
    for (int i = 0; i < count; ++i) {
        reg.setValueType(Registry::REG_SZ);
        reg.setValueKey(prefix + QStringLiteral("text") + QString::number(i));
        reg.setValue(QString(prefix + QString::number(i)));
        reg.setValueType(Registry::REG_DWORD);
        reg.setValueKey(prefix + QStringLiteral("number") + QString::number(i));
        reg.setValue(i);
    }
    return 0;
}

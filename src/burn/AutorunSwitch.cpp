#include "burn/AutorunSwitch.h"

#include <QCoreApplication>
#include <QVariant>

#include <memory>

#include "settings/Registry.h"

namespace {

std::unique_ptr<Registry> prepare(RegistryStore *store, const AutorunSwitch::LogWriter &log)
{
    auto registry = store ? std::make_unique<Registry>(*store) : std::make_unique<Registry>();
    log(QStringLiteral("--Classkey"));
    registry->setClassKey(Registry::HKEY_LOCAL_MACHINE);
    log(QStringLiteral("--Sectionkey"));
    registry->setSectionKey(AutorunSwitch::sectionKey());
    log(QStringLiteral("--Valuetype"));
    registry->setValueType(Registry::REG_DWORD);
    log(QStringLiteral("--Valuekey"));
    registry->setValueKey(AutorunSwitch::valueKey());
    registry->setDefault(QString());
    return registry;
}

// The value as read, empty when it is missing.
QString readText(Registry &registry)
{
    const QVariant value = registry.Value();
    return value.isNull() ? QString() : value.toString();
}

} // namespace

int AutorunSwitch::DisableAutorun(const LogWriter &log)
{
    log(QStringLiteral("--Disable autorun"));
    auto registry = prepare(m_store, log);

    const QString asRead = readText(*registry);
    log(QStringLiteral("--Remember: ") + asRead);
    bool isNumber = false;
    const int number = asRead.toInt(&isNumber);
    const int remembered = asRead.isEmpty() || !isNumber ? Missing : number;

    log(QStringLiteral("--Set to 255"));
    registry->setValue(Disabled);

    log(QStringLiteral("--Do events"));
    QCoreApplication::processEvents();
    log(QStringLiteral("--Sendtimeout"));
    log(QStringLiteral("--Done"));
    return remembered;
}

void AutorunSwitch::ResetAutorun(int remembered, const LogWriter &log)
{
    log(QStringLiteral("--Reset autorun"));
    auto registry = prepare(m_store, log);

    log(QStringLiteral("--Set value to ") + QString::number(remembered));
    if (remembered == Missing) {
        // Deleting a value that is not there (the store refused the 255)
        // would raise; there is nothing to undo then.
        if (!readText(*registry).isEmpty())
            registry->DeleteValue();
    } else {
        registry->setValue(remembered);
    }

    log(QStringLiteral("--Do events"));
    QCoreApplication::processEvents();
    log(QStringLiteral("--Send timeout"));
    log(QStringLiteral("--Done"));
}

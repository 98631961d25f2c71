#include <gtest/gtest.h>

#include <QStringList>

#include "TestHome.h"
#include "burn/AutorunSwitch.h"
#include "settings/Registry.h"

namespace {

Registry &autorunValue(Registry &registry)
{
    registry.setClassKey(Registry::HKEY_LOCAL_MACHINE);
    registry.setSectionKey(AutorunSwitch::sectionKey());
    registry.setValueKey(AutorunSwitch::valueKey());
    registry.setValueType(Registry::REG_DWORD);
    registry.setDefault(QStringLiteral("missing"));
    return registry;
}

QVariant readAutorun()
{
    Registry registry;
    return autorunValue(registry).Value();
}

void writeAutorun(int value)
{
    Registry registry;
    autorunValue(registry).setValue(value);
}

} // namespace

TEST(AutorunSwitch, RemembersAndRestoresAValue)
{
    TestHome home;
    writeAutorun(145);
    AutorunSwitch autorun;
    QStringList log;
    const auto toLog = [&](const QString &line) { log.append(line); };

    const int remembered = autorun.DisableAutorun(toLog);
    EXPECT_EQ(remembered, 145);
    EXPECT_EQ(readAutorun(), QVariant(255));
    EXPECT_EQ(log,
        (QStringList { QStringLiteral("--Disable autorun"), QStringLiteral("--Classkey"),
            QStringLiteral("--Sectionkey"), QStringLiteral("--Valuetype"), QStringLiteral("--Valuekey"),
            QStringLiteral("--Remember: 145"), QStringLiteral("--Set to 255"), QStringLiteral("--Do events"),
            QStringLiteral("--Sendtimeout"), QStringLiteral("--Done") }));

    log.clear();
    autorun.ResetAutorun(remembered, toLog);
    EXPECT_EQ(readAutorun(), QVariant(145));
    EXPECT_EQ(log,
        (QStringList { QStringLiteral("--Reset autorun"), QStringLiteral("--Classkey"),
            QStringLiteral("--Sectionkey"), QStringLiteral("--Valuetype"), QStringLiteral("--Valuekey"),
            QStringLiteral("--Set value to 145"), QStringLiteral("--Do events"),
            QStringLiteral("--Send timeout"), QStringLiteral("--Done") }));
}

TEST(AutorunSwitch, AValueThatWasMissingIsRemovedAgain)
{
    TestHome home;
    AutorunSwitch autorun;
    QStringList log;
    const auto toLog = [&](const QString &line) { log.append(line); };

    const int remembered = autorun.DisableAutorun(toLog);
    EXPECT_EQ(remembered, AutorunSwitch::Missing);
    EXPECT_TRUE(log.contains(QStringLiteral("--Remember: ")));
    EXPECT_EQ(readAutorun(), QVariant(255));

    autorun.ResetAutorun(remembered, toLog);
    EXPECT_EQ(readAutorun(), QVariant(QStringLiteral("missing")));
    EXPECT_TRUE(log.contains(QStringLiteral("--Set value to -1")));
    // Resetting once more finds nothing to remove and must not fail.
    EXPECT_NO_THROW(autorun.ResetAutorun(remembered, toLog));
}

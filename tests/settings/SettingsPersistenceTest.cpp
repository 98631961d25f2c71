#include "settings/SettingsController.h"

#include <QFile>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "settings/FileRegistryStore.h"
#include "base/StringTable.h"
#include "settings/Registry.h"

namespace {

constexpr std::uint32_t kHklm = RegistryStore::LocalMachine;

// A record in which nothing has its default, so that a read must set every field.
Settings scrambled()
{
    Settings s;
    s.sourcedir = s.destinationdir = s.main_title = s.timeout = QStringLiteral("junk");
    s.ntsc = s.vcd = true;
    s.lowRes = false;
    s.XCenter = s.YCenter = s.CorrectPercentage = QStringLiteral("junk");
    s.FontTitle = s.FontMenu = s.FontPicture = QStringLiteral("junk");
    s.Resize = 3;
    s.FastPreview = true;
    s.dispsettings = false;
    s.Language = 4;
    s.textXpos = s.textYpos = 99;
    s.TitleFontSize = s.MenuFontSize = s.PictureFontSize = QStringLiteral("junk");
    s.TitleColor = s.MenuColor = s.PictureColor = 0x123456;
    s.AddImages = s.AddMovies = s.DisplayFileName = true;
    s.DisplayInfo = s.UseFileName = s.DisplayDate = s.ImageCentered = s.Shortcuts = false;
    s.FullRebuild = true;
    s.AntiFlicker = s.CorrectEdges = s.CorrectAspect = false;
    s.Jobs = 7;
    return s;
}

class SettingsPersistenceTest : public ::testing::Test
{
protected:
    SettingsPersistenceTest()
        : store(home.registryDir())
    {
        StringTable::instance().setLanguageOffset(0);
    }
    ~SettingsPersistenceTest() override
    {
        StringTable::instance().setLanguageOffset(0);
        QFile::setPermissions(home.registryDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Reads into a scrambled record, recording the hooks the read calls.
    Settings readBack()
    {
        Settings s = scrambled();
        SettingsController::Hooks hooks;
        hooks.showSettings = [this](bool visible) { shownSettings = visible; };
        hooks.languageChanged = [this](int language) { languageHook = language; };
        SettingsController controller(s, prompter, hooks);
        controller.setRegistryStore(&store);
        controller.readSettings();
        return s;
    }

    void save(Settings s)
    {
        SettingsController controller(s, prompter);
        controller.setRegistryStore(&store);
        controller.saveSettings();
    }

    void storeText(const char *name, const QString &text)
    {
        Registry reg(store);
        reg.setSectionKey(SettingsController::registryKey());
        reg.setValueKey(QLatin1String(name));
        reg.setValueType(Registry::REG_SZ);
        reg.setValue(text);
    }

    void storeNumber(const char *name, int value)
    {
        Registry reg(store);
        reg.setSectionKey(SettingsController::registryKey());
        reg.setValueKey(QLatin1String(name));
        reg.setValueType(Registry::REG_DWORD);
        reg.setValue(value);
    }

    std::optional<int> storedNumber(const char *name)
    {
        const auto v = store.readValue(kHklm, SettingsController::registryKey(), QLatin1String(name));
        if (!v || v->type != 4)
            return std::nullopt;
        Registry reg(store);
        reg.setSectionKey(SettingsController::registryKey());
        reg.setValueKey(QLatin1String(name));
        return reg.Value().toInt();
    }

    TestHome home;
    FileRegistryStore store;
    FakePrompter prompter;
    std::optional<bool> shownSettings;
    std::optional<int> languageHook;
};

TEST_F(SettingsPersistenceTest, FirstStartTakesEveryDefault)
{
    const Settings s = readBack();
    EXPECT_EQ(s.sourcedir, QString());
    EXPECT_EQ(s.destinationdir, QString());
    EXPECT_EQ(s.main_title, QStringLiteral("Your title"));
    EXPECT_EQ(s.timeout, QStringLiteral("6"));
    EXPECT_FALSE(s.ntsc);
    EXPECT_FALSE(s.vcd);
    EXPECT_FALSE(s.lowRes);
    EXPECT_EQ(s.XCenter, QStringLiteral("352"));
    EXPECT_EQ(s.YCenter, QStringLiteral("288"));
    EXPECT_EQ(s.CorrectPercentage, QStringLiteral("6"));
    EXPECT_DOUBLE_EQ(s.EdgeFraction, 0.06);
    EXPECT_EQ(s.FontTitle, QStringLiteral("Arial"));
    EXPECT_EQ(s.FontMenu, QStringLiteral("Arial"));
    EXPECT_EQ(s.FontPicture, QStringLiteral("Arial"));
    EXPECT_EQ(s.TitleFontSize, QStringLiteral("60"));
    EXPECT_EQ(s.MenuFontSize, QStringLiteral("36"));
    EXPECT_EQ(s.PictureFontSize, QStringLiteral("36"));
    EXPECT_EQ(s.TitleColor, 0xFFFFFFu);
    EXPECT_EQ(s.MenuColor, 0u);
    EXPECT_EQ(s.PictureColor, 0xFFFFFFu);
    EXPECT_EQ(s.Resize, 12); // "Mitchell"
    EXPECT_FALSE(s.FastPreview);
    EXPECT_TRUE(s.dispsettings);
    EXPECT_EQ(shownSettings, true);
    EXPECT_EQ(s.Language, 0);
    EXPECT_EQ(languageHook, 0);
    EXPECT_EQ(s.textXpos, 0);
    EXPECT_EQ(s.textYpos, 0);
    EXPECT_FALSE(s.AddImages);
    EXPECT_FALSE(s.AddMovies);
    EXPECT_TRUE(s.DisplayInfo);
    EXPECT_TRUE(s.UseFileName);
    EXPECT_FALSE(s.DisplayFileName);
    EXPECT_TRUE(s.DisplayDate);
    EXPECT_TRUE(s.ImageCentered);
    EXPECT_TRUE(s.Shortcuts);
    EXPECT_FALSE(s.FullRebuild);
    EXPECT_TRUE(s.AntiFlicker);
    EXPECT_TRUE(s.CorrectEdges);
    EXPECT_TRUE(s.CorrectAspect);
    EXPECT_EQ(s.FrameWidth, 704);
    EXPECT_EQ(s.FrameHeight, 576);
    EXPECT_EQ(s.TvLines, 576);
    EXPECT_EQ(s.AspectWidth, 768);
    EXPECT_EQ(prompter.count(), 0) << "restoring options shows no Full Rebuild message";
}

TEST_F(SettingsPersistenceTest, EverySettingSurvivesASaveAndRead)
{
    Settings out;
    out.sourcedir = QStringLiteral("/home/ann/Foto's \"2003\"");
    out.destinationdir = QStringLiteral("/tmp/vcd");
    out.main_title = QStringLiteral("Été in Zürich");
    out.timeout = QStringLiteral("0");
    out.ntsc = true;
    out.vcd = false;
    out.lowRes = true;
    out.ImageCentered = false;
    out.XCenter = QStringLiteral("100");
    out.YCenter = QStringLiteral("120");
    out.CorrectPercentage = QStringLiteral("12.5");
    out.FontTitle = QStringLiteral("DejaVu Sans");
    out.FontMenu = QStringLiteral("Liberation Serif");
    out.FontPicture = QStringLiteral("Liberation Mono");
    out.Resize = 16;
    out.FastPreview = true;
    out.dispsettings = false;
    out.Language = 2;
    out.textXpos = 123456;
    out.textYpos = -5;
    out.TitleFontSize = QStringLiteral("48");
    out.MenuFontSize = QStringLiteral("30");
    out.PictureFontSize = QStringLiteral("20");
    out.TitleColor = 0x0000FF;
    out.MenuColor = 0x00FF00;
    out.PictureColor = 0xFF0000;
    out.AddImages = out.AddMovies = true;
    out.DisplayInfo = false;
    out.UseFileName = false;
    out.DisplayFileName = true;
    out.DisplayDate = false;
    out.Shortcuts = false;
    out.FullRebuild = true;
    out.AntiFlicker = false;
    out.CorrectEdges = false;
    out.CorrectAspect = false;
    SettingsController(out, prompter).setSizes(); // the derived values a read ends with
    save(out);

    const Settings in = readBack();
    EXPECT_TRUE(in == out);
    EXPECT_EQ(in.FrameWidth, 480);
    EXPECT_EQ(in.FrameHeight, 480);
    EXPECT_EQ(shownSettings, false) << "a window saved hidden starts hidden";
    EXPECT_EQ(languageHook, 2);
    EXPECT_EQ(StringTable::instance().languageOffset(), 20000);
}

TEST_F(SettingsPersistenceTest, SaveWritesTheFortyValues)
{
    save(Settings());
    QFile file(store.fileFor(kHklm));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_EQ(text.count("\n\""), 40) << "one line per value";
    EXPECT_TRUE(text.contains("\n\"screenXpos\"="));
    EXPECT_TRUE(text.contains("\n\"Jobs\"="));
    EXPECT_EQ(store.readValue(kHklm, SettingsController::registryKey(), QStringLiteral("TVFormat"))->data,
        QByteArray("PAL", 4));
    EXPECT_EQ(storedNumber("TitleColor"), 0xFFFFFF);
}

TEST_F(SettingsPersistenceTest, OptionTextsMatchExactly)
{
    storeText("TVFormat", QStringLiteral("NTSC"));
    storeText("OutputType", QStringLiteral("VCD"));
    Settings s = readBack();
    EXPECT_TRUE(s.ntsc);
    EXPECT_TRUE(s.vcd);
    EXPECT_FALSE(s.lowRes);
    EXPECT_EQ(s.FrameHeight, 480);
    EXPECT_EQ(s.AspectWidth, 640);

    storeText("TVFormat", QStringLiteral("ntsc"));
    storeText("OutputType", QStringLiteral("vcd"));
    storeText("Resolution", QStringLiteral("LOW"));
    s = readBack();
    EXPECT_FALSE(s.ntsc) << "lower-case ntsc restores PAL";
    EXPECT_FALSE(s.vcd);
    EXPECT_TRUE(s.lowRes);
    EXPECT_EQ(s.FrameWidth, 480);
    EXPECT_EQ(s.FrameHeight, 576);

    storeText("Resolution", QStringLiteral("Low"));
    s = readBack();
    EXPECT_FALSE(s.lowRes);
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_FALSE(s.FullRebuild);
}

TEST_F(SettingsPersistenceTest, StoredVcdWithLowResolutionIsRefusedOnce)
{
    storeText("OutputType", QStringLiteral("VCD"));
    storeText("Resolution", QStringLiteral("LOW"));
    storeNumber("FullRebuild", 0);
    const Settings s = readBack();
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].text, QStringLiteral("Sorry, low resolution VCD is not possible."));
    EXPECT_EQ(prompter.boxes()[0].title, QStringLiteral("Low res VCD"));
    EXPECT_FALSE(s.vcd && s.lowRes);
    EXPECT_EQ(s.FrameWidth, 704);
    EXPECT_EQ(s.FrameHeight, 576);
    EXPECT_FALSE(s.FullRebuild);
}

TEST_F(SettingsPersistenceTest, FontSizeZeroShowsTwentyFour)
{
    storeNumber("TitleFontSize", 0);
    storeNumber("PictureFontSize", 18);
    const Settings s = readBack();
    EXPECT_EQ(s.TitleFontSize, QStringLiteral("24"));
    EXPECT_EQ(s.MenuFontSize, QStringLiteral("36"));
    EXPECT_EQ(s.PictureFontSize, QStringLiteral("18"));
}

TEST_F(SettingsPersistenceTest, FileNameFallbackIsEnabledOnlyForDateWithoutFileName)
{
    struct Case
    {
        int date;
        int fileName;
        bool enabled;
    };
    for (const Case c :
        { Case { 1, 0, true }, Case { 0, 0, false }, Case { 1, 1, false }, Case { 0, 1, false } }) {
        storeNumber("DisplayDate", c.date);
        storeNumber("DisplayFileName", c.fileName);
        EXPECT_EQ(readBack().useFilenameEnabled(), c.enabled) << c.date << c.fileName;
    }
}

TEST_F(SettingsPersistenceTest, CentredImageFollowsTheRestoredFrame)
{
    storeText("TVFormat", QStringLiteral("NTSC"));
    storeText("Resolution", QStringLiteral("LOW"));
    storeText("XCenter", QStringLiteral("352"));
    storeText("YCenter", QStringLiteral("288"));
    Settings s = readBack();
    EXPECT_FALSE(s.centreFieldsEnabled());
    EXPECT_EQ(s.XCenter, QStringLiteral("240"));
    EXPECT_EQ(s.YCenter, QStringLiteral("240"));

    storeNumber("ImageCentered", 0);
    storeText("XCenter", QStringLiteral("300"));
    s = readBack();
    EXPECT_TRUE(s.centreFieldsEnabled());
    EXPECT_EQ(s.XCenter, QStringLiteral("300"));
}

TEST_F(SettingsPersistenceTest, UnusableStoredValuesFallBackToDefaults)
{
    storeNumber("Resize", 17);
    storeNumber("Language", -1);
    storeText("TitleColor", QStringLiteral("white"));
    storeText("DisplayDate", QStringLiteral("yes"));
    const Settings s = readBack();
    EXPECT_EQ(s.Resize, 12);
    EXPECT_EQ(s.Language, 0);
    EXPECT_EQ(s.TitleColor, 0xFFFFFFu);
    EXPECT_TRUE(s.DisplayDate);
}

TEST_F(SettingsPersistenceTest, OutOfRangeSizesAndPositionsAreClampedAndTheRestSaved)
{
    Settings out;
    out.screenXpos = 40000;
    out.screenYpos = -70000;
    out.TitleFontSize = QStringLiteral("99999");
    out.MenuFontSize = QStringLiteral("-40000");
    out.PictureFontSize = QStringLiteral("20.5");
    out.CorrectAspect = false;
    EXPECT_NO_THROW(save(out));
    EXPECT_EQ(storedNumber("screenXpos"), 32767);
    EXPECT_EQ(storedNumber("screenYpos"), -32768);
    EXPECT_EQ(storedNumber("TitleFontSize"), 32767);
    EXPECT_EQ(storedNumber("MenuFontSize"), -32768);
    EXPECT_EQ(storedNumber("PictureFontSize"), 20) << "halves round to even";
    EXPECT_EQ(storedNumber("CorrectAspect"), 0) << "the values after the clamped ones are saved";
}

TEST_F(SettingsPersistenceTest, RefusedSaveChangesNothing)
{
    save(Settings());
    const QString file = store.fileFor(kHklm);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    QFile::setPermissions(home.registryDir(), QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(file, QFile::ReadOwner);

    Settings changed;
    changed.main_title = QStringLiteral("Other");
    EXPECT_NO_THROW(save(changed));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

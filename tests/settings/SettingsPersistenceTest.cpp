#include "settings/SettingsController.h"

#include <QFile>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "base/StringTable.h"
#include "settings/FileRegistryStore.h"
#include "settings/Registry.h"

namespace {

constexpr std::uint32_t kHklm = RegistryStore::LocalMachine;

// A record in which nothing has its default, so that a read must set every field.
Settings scrambled()
{
    Settings s;
    s.sourceDir = s.destinationDir = s.mainTitle = s.timeout = QStringLiteral("junk");
    s.ntsc = s.vcd = true;
    s.lowRes = false;
    s.xCenter = s.yCenter = s.correctPercentage = QStringLiteral("junk");
    s.titleFont = s.menuFont = s.pictureFont = QStringLiteral("junk");
    s.resizeFilter = 3;
    s.fastPreview = true;
    s.showSettings = false;
    s.language = 4;
    s.stampX = s.stampY = 99;
    s.titleFontSize = s.menuFontSize = s.pictureFontSize = QStringLiteral("junk");
    s.titleColor = s.menuColor = s.pictureColor = 0x123456;
    s.addImages = s.addMovies = s.displayFileName = true;
    s.displayInfo = s.useFileName = s.displayDate = s.imageCentered = s.shortcuts = false;
    s.fullRebuild = true;
    s.antiFlicker = s.correctEdges = s.correctAspect = false;
    s.jobs = 7;
    s.toolTimeout = 7;
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
        return reg.value().toInt();
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
    EXPECT_EQ(s.sourceDir, QString());
    EXPECT_EQ(s.destinationDir, QString());
    EXPECT_EQ(s.mainTitle, QStringLiteral("Your title"));
    EXPECT_EQ(s.timeout, QStringLiteral("6"));
    EXPECT_FALSE(s.ntsc);
    EXPECT_FALSE(s.vcd);
    EXPECT_FALSE(s.lowRes);
    EXPECT_EQ(s.xCenter, QStringLiteral("352"));
    EXPECT_EQ(s.yCenter, QStringLiteral("288"));
    EXPECT_EQ(s.correctPercentage, QStringLiteral("6"));
    EXPECT_DOUBLE_EQ(s.edgeFraction, 0.06);
    EXPECT_EQ(s.titleFont, QStringLiteral("Arial"));
    EXPECT_EQ(s.menuFont, QStringLiteral("Arial"));
    EXPECT_EQ(s.pictureFont, QStringLiteral("Arial"));
    EXPECT_EQ(s.titleFontSize, QStringLiteral("60"));
    EXPECT_EQ(s.menuFontSize, QStringLiteral("36"));
    EXPECT_EQ(s.pictureFontSize, QStringLiteral("36"));
    EXPECT_EQ(s.titleColor, 0xFFFFFFu);
    EXPECT_EQ(s.menuColor, 0u);
    EXPECT_EQ(s.pictureColor, 0xFFFFFFu);
    EXPECT_EQ(s.resizeFilter, 12); // "Mitchell"
    EXPECT_FALSE(s.fastPreview);
    EXPECT_TRUE(s.showSettings);
    EXPECT_EQ(shownSettings, true);
    EXPECT_EQ(s.language, 0);
    EXPECT_EQ(languageHook, 0);
    EXPECT_EQ(s.stampX, 0);
    EXPECT_EQ(s.stampY, 0);
    EXPECT_FALSE(s.addImages);
    EXPECT_FALSE(s.addMovies);
    EXPECT_TRUE(s.displayInfo);
    EXPECT_TRUE(s.useFileName);
    EXPECT_FALSE(s.displayFileName);
    EXPECT_TRUE(s.displayDate);
    EXPECT_TRUE(s.imageCentered);
    EXPECT_TRUE(s.shortcuts);
    EXPECT_FALSE(s.fullRebuild);
    EXPECT_TRUE(s.antiFlicker);
    EXPECT_TRUE(s.correctEdges);
    EXPECT_TRUE(s.correctAspect);
    EXPECT_EQ(s.frameWidth, 704);
    EXPECT_EQ(s.frameHeight, 576);
    EXPECT_EQ(s.tvLines, 576);
    EXPECT_EQ(s.aspectWidth, 768);
    EXPECT_EQ(prompter.count(), 0) << "restoring options shows no Full Rebuild message";
}

TEST_F(SettingsPersistenceTest, EverySettingSurvivesASaveAndRead)
{
    Settings out;
    out.sourceDir = QStringLiteral("/home/ann/Foto's \"2003\"");
    out.destinationDir = QStringLiteral("/tmp/vcd");
    out.mainTitle = QStringLiteral("Été in Zürich");
    out.timeout = QStringLiteral("0");
    out.ntsc = true;
    out.vcd = false;
    out.lowRes = true;
    out.imageCentered = false;
    out.xCenter = QStringLiteral("100");
    out.yCenter = QStringLiteral("120");
    out.correctPercentage = QStringLiteral("12.5");
    out.titleFont = QStringLiteral("DejaVu Sans");
    out.menuFont = QStringLiteral("Liberation Serif");
    out.pictureFont = QStringLiteral("Liberation Mono");
    out.resizeFilter = 16;
    out.fastPreview = true;
    out.showSettings = false;
    out.language = 2;
    out.stampX = 650;
    out.stampY = 5;
    out.titleFontSize = QStringLiteral("48");
    out.menuFontSize = QStringLiteral("30");
    out.pictureFontSize = QStringLiteral("20");
    out.titleColor = 0x0000FF;
    out.menuColor = 0x00FF00;
    out.pictureColor = 0xFF0000;
    out.addImages = out.addMovies = true;
    out.displayInfo = false;
    out.useFileName = false;
    out.displayFileName = true;
    out.displayDate = false;
    out.shortcuts = false;
    out.fullRebuild = true;
    out.antiFlicker = false;
    out.correctEdges = false;
    out.correctAspect = false;
    out.jobs = 3;
    out.toolTimeout = 45;
    out.slideshowMusic = false;
    out.slideshowFade = 3;
    SettingsController(out, prompter).setSizes(); // the derived values a read ends with
    save(out);

    const Settings in = readBack();
    EXPECT_TRUE(in == out);
    EXPECT_EQ(in.frameWidth, 480);
    EXPECT_EQ(in.frameHeight, 480);
    EXPECT_EQ(shownSettings, false) << "a window saved hidden starts hidden";
    EXPECT_EQ(languageHook, 2);
    EXPECT_EQ(StringTable::instance().languageOffset(), 20000);
}

TEST_F(SettingsPersistenceTest, SaveWritesEveryValueOnALine)
{
    save(Settings());
    QFile file(store.fileFor(kHklm));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_EQ(text.count("\n\""), 46) << "one line per value";
    EXPECT_TRUE(text.contains("\n\"screenXpos\"="));
    EXPECT_TRUE(text.contains("\n\"WindowState\"="));
    EXPECT_TRUE(text.contains("\n\"Jobs\"="));
    EXPECT_TRUE(text.contains("\n\"SlideshowMusic\"=dword:00000001"));
    EXPECT_TRUE(text.contains("\n\"SlideshowFade\"=dword:00000001"));
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
    EXPECT_EQ(s.frameHeight, 480);
    EXPECT_EQ(s.aspectWidth, 640);

    storeText("TVFormat", QStringLiteral("ntsc"));
    storeText("OutputType", QStringLiteral("vcd"));
    storeText("Resolution", QStringLiteral("LOW"));
    s = readBack();
    EXPECT_FALSE(s.ntsc) << "lower-case ntsc restores PAL";
    EXPECT_FALSE(s.vcd);
    EXPECT_TRUE(s.lowRes);
    EXPECT_EQ(s.frameWidth, 480);
    EXPECT_EQ(s.frameHeight, 576);

    storeText("Resolution", QStringLiteral("Low"));
    s = readBack();
    EXPECT_FALSE(s.lowRes);
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_FALSE(s.fullRebuild);
}

TEST_F(SettingsPersistenceTest, StoredVcdWithLowResolutionReadsAsHighWithoutAWord)
{
    storeText("OutputType", QStringLiteral("VCD"));
    storeText("Resolution", QStringLiteral("LOW"));
    storeNumber("FullRebuild", 0);
    const Settings s = readBack();
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_TRUE(s.vcd);
    EXPECT_FALSE(s.lowRes);
    EXPECT_EQ(s.frameWidth, 704);
    EXPECT_EQ(s.frameHeight, 576);
    EXPECT_FALSE(s.fullRebuild);
}

TEST_F(SettingsPersistenceTest, StoredNumbersAreKeptToWhatTheFieldsTake)
{
    storeNumber("TitleFontSize", 0);
    storeNumber("MenuFontSize", 500);
    storeNumber("PictureFontSize", 18);
    storeText("timeout", QStringLiteral("abc"));
    Settings s = readBack();
    EXPECT_EQ(s.titleFontSize, QStringLiteral("24"));
    EXPECT_EQ(s.menuFontSize, QStringLiteral("200"));
    EXPECT_EQ(s.pictureFontSize, QStringLiteral("18"));
    // A timeout that is no number would make the disc wait for ever.
    EXPECT_EQ(s.timeout, QStringLiteral("6"));

    storeText("timeout", QStringLiteral("3601"));
    EXPECT_EQ(readBack().timeout, QStringLiteral("6"));
    storeText("timeout", QStringLiteral("0"));
    EXPECT_EQ(readBack().timeout, QStringLiteral("0"));
    // A slideshow's fade longer than the field offers reads as the default.
    storeNumber("SlideshowFade", 9);
    EXPECT_EQ(readBack().slideshowFade, 1); // out of range: the default
}

// A hand-edited or hostile file must not set a count, size or position the
// build cannot survive (a million encoders at once, a margin of 400 percent): each
// reads as absent, while the edges themselves are kept.
TEST_F(SettingsPersistenceTest, StoredCountsAndPositionsOutOfRangeReadAsAbsent)
{
    const int maxJobs = SettingsController::maxJobs();
    storeNumber("Jobs", 1000000);
    storeNumber("ToolTimeout", 86401);
    storeNumber("ImageCentered", 0);
    storeText("XCenter", QStringLiteral("99999"));
    storeText("YCenter", QStringLiteral("-3"));
    storeText("CorrectPercentage", QStringLiteral("400"));
    storeNumber("textXpos", 2147483647);
    storeNumber("textYpos", -2147483647);
    Settings s = readBack();
    EXPECT_EQ(s.jobs, 0) << "one per core";
    EXPECT_EQ(s.toolTimeout, 300);
    EXPECT_EQ(s.xCenter, QStringLiteral("352"));
    EXPECT_EQ(s.yCenter, QStringLiteral("288"));
    EXPECT_EQ(s.correctPercentage, QStringLiteral("6"));
    EXPECT_DOUBLE_EQ(s.edgeFraction, 0.06);
    EXPECT_EQ(s.stampX, 0);
    EXPECT_EQ(s.stampY, 0);

    storeNumber("Jobs", maxJobs);
    storeNumber("ToolTimeout", 0);
    storeText("XCenter", QStringLiteral("704"));
    storeText("CorrectPercentage", QStringLiteral("25"));
    storeNumber("textYpos", 576);
    s = readBack();
    EXPECT_EQ(s.jobs, maxJobs);
    EXPECT_EQ(s.toolTimeout, 0);
    EXPECT_EQ(s.xCenter, QStringLiteral("704"));
    EXPECT_EQ(s.correctPercentage, QStringLiteral("25"));
    EXPECT_EQ(s.stampY, 576);
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
    EXPECT_EQ(s.xCenter, QStringLiteral("240"));
    EXPECT_EQ(s.yCenter, QStringLiteral("240"));

    storeNumber("ImageCentered", 0);
    storeText("XCenter", QStringLiteral("300"));
    s = readBack();
    EXPECT_TRUE(s.centreFieldsEnabled());
    EXPECT_EQ(s.xCenter, QStringLiteral("300"));
}

TEST_F(SettingsPersistenceTest, UnusableStoredValuesFallBackToDefaults)
{
    storeNumber("Resize", 17);
    storeNumber("Language", -1);
    storeText("TitleColor", QStringLiteral("white"));
    storeText("DisplayDate", QStringLiteral("yes"));
    const Settings s = readBack();
    EXPECT_EQ(s.resizeFilter, 12);
    EXPECT_EQ(s.language, 0);
    EXPECT_EQ(s.titleColor, 0xFFFFFFu);
    EXPECT_TRUE(s.displayDate);
}

TEST_F(SettingsPersistenceTest, OutOfRangeSizesAndPositionsAreClampedAndTheRestSaved)
{
    Settings out;
    out.screenX = 40000;
    out.screenY = -70000;
    out.titleFontSize = QStringLiteral("99999");
    out.menuFontSize = QStringLiteral("-40000");
    out.pictureFontSize = QStringLiteral("20.5");
    out.correctAspect = false;
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
    changed.mainTitle = QStringLiteral("Other");
    EXPECT_NO_THROW(save(changed));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

#include "settings/SettingsController.h"

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "base/StringTable.h"

namespace {

class SettingsRulesTest : public ::testing::Test
{
protected:
    SettingsRulesTest()
        : controller(s, prompter)
    {
        StringTable::instance().setLanguageOffset(0);
        SettingsController::Hooks hooks;
        hooks.redrawSelected = [this] { ++redraws; };
        hooks.refreshCapacity = [this] { ++capacityRefreshes; };
        hooks.setPreviewHeight = [this](int lines) { previewLines = lines; };
        hooks.treeHasNodes = [this] { return treeHasNodes; };
        hooks.setRootTag = [this](const QString &tag) { rootTag = tag; };
        controller.setHooks(hooks);
        s.fullRebuild = true; // no messages unless a test clears it
    }

    void setOptions(bool ntsc, bool vcd, bool lowRes)
    {
        s.ntsc = ntsc;
        s.vcd = vcd;
        s.lowRes = lowRes;
        controller.setSizes();
    }

    Settings s;
    FakePrompter prompter;
    SettingsController controller;
    int redraws = 0;
    int capacityRefreshes = 0;
    int previewLines = 0;
    bool treeHasNodes = false;
    QString rootTag;
};

TEST_F(SettingsRulesTest, FrameSizeFollowsEveryRowOfTheTable)
{
    struct Row
    {
        bool ntsc, vcd, lowRes;
        int width, height, lines;
    };
    const Row rows[] = {
        { true, true, false, 704, 480, 480 },
        { true, false, false, 704, 480, 480 },
        { true, false, true, 480, 480, 480 },
        { true, true, true, 352, 240, 480 },
        { false, true, false, 704, 576, 576 },
        { false, false, false, 704, 576, 576 },
        { false, false, true, 480, 576, 576 },
        { false, true, true, 352, 288, 576 },
    };
    for (const Row &r : rows) {
        setOptions(r.ntsc, r.vcd, r.lowRes);
        EXPECT_EQ(s.frameWidth, r.width) << r.ntsc << r.vcd << r.lowRes;
        EXPECT_EQ(s.frameHeight, r.height) << r.ntsc << r.vcd << r.lowRes;
        EXPECT_EQ(s.tvLines, r.lines);
        EXPECT_EQ(previewLines, r.lines) << "the pane follows this change, not the one before";
        EXPECT_EQ(s.xCenter, QString::number(r.width / 2));
        EXPECT_EQ(s.yCenter, QString::number(r.height / 2));
    }
}

TEST_F(SettingsRulesTest, AspectWidthIsTheSquarePixelWidthOfTheLineCount)
{
    setOptions(false, false, false);
    EXPECT_EQ(s.aspectWidth, 768);
    setOptions(true, false, false);
    EXPECT_EQ(s.aspectWidth, 640);
    controller.setCorrectAspect(false);
    EXPECT_EQ(s.aspectWidth, 704);
    controller.choosePal();
    EXPECT_EQ(s.aspectWidth, 704);
}

TEST_F(SettingsRulesTest, SetSizesRedrawsAndRefreshesTheCapacity)
{
    s.correctPercentage = QStringLiteral("10");
    s.imageCentered = false;
    s.xCenter = QStringLiteral("17");
    controller.setSizes();
    EXPECT_DOUBLE_EQ(s.edgeFraction, 0.10);
    EXPECT_EQ(s.xCenter, QStringLiteral("17")) << "a free centre is left alone";
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(capacityRefreshes, 1);

    controller.setCorrectEdges(false);
    EXPECT_FALSE(s.percentageEnabled());
    controller.setAntiFlicker(false);
    EXPECT_FALSE(s.antiFlicker);
    EXPECT_EQ(capacityRefreshes, 3);
}

TEST_F(SettingsRulesTest, FormatChangesAskForAFullRebuildOnce)
{
    struct Change
    {
        void (SettingsController::*handler)();
        const char *text;
        const char *title;
    };
    const Change changes[] = {
        { &SettingsController::chooseNtsc,
            "Changing the TV Format requires a Full Rebuild. Full Rebuild is set.", "TV Format changed" },
        { &SettingsController::choosePal,
            "Changing the TV Format requires a Full Rebuild. Full Rebuild is set.", "TV Format changed" },
        { &SettingsController::chooseVcd,
            "Changing the output type requires a Full Rebuild. Full Rebuild is set.", "Output type changed" },
        { &SettingsController::chooseSvcd,
            "Changing the output type requires a Full Rebuild. Full Rebuild is set.", "Output type changed" },
        { &SettingsController::chooseLowResolution,
            "Changing the resolution requires a Full Rebuild. Full Rebuild is set.", "Resolution changed" },
        { &SettingsController::chooseHighResolution,
            "Changing the resolution requires a Full Rebuild. Full Rebuild is set.", "Resolution changed" },
    };
    for (const Change &c : changes) {
        s.vcd = s.lowRes = false;
        prompter.clear();
        s.fullRebuild = false;
        (controller.*c.handler)();
        ASSERT_EQ(prompter.count(), 1) << c.title;
        EXPECT_EQ(prompter.boxes()[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(prompter.boxes()[0].title, QString::fromUtf8(c.title));
        EXPECT_EQ(prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
        EXPECT_EQ(prompter.boxes()[0].icon, Prompter::Icon::None);
        EXPECT_TRUE(s.fullRebuild);

        prompter.clear();
        s.vcd = s.lowRes = false;
        (controller.*c.handler)();
        EXPECT_EQ(prompter.count(), 0) << "Full Rebuild already on: " << c.title;
    }
}

TEST_F(SettingsRulesTest, VcdTakesOnlyTheHighResolution)
{
    controller.chooseLowResolution();
    controller.chooseVcd();
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_TRUE(s.vcd);
    EXPECT_FALSE(s.lowRes) << "VCD moves Low to High";
    EXPECT_EQ(s.frameWidth, 704);

    // Low asked for with VCD chosen stays High, without a box.
    controller.chooseLowResolution();
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_FALSE(s.lowRes);

    // With Full Rebuild off the change to VCD says so once.
    controller.chooseSvcd();
    controller.chooseLowResolution();
    s.fullRebuild = false;
    controller.chooseVcd();
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].title, QStringLiteral("Output type changed"));
    EXPECT_FALSE(s.lowRes);
}

TEST_F(SettingsRulesTest, MarginIsClampedAndWrittenBack)
{
    EXPECT_EQ(controller.setCorrectPercentage(QStringLiteral("30")), QStringLiteral("25"));
    EXPECT_DOUBLE_EQ(s.edgeFraction, 0.25);
    EXPECT_EQ(controller.setCorrectPercentage(QStringLiteral("-3")), QStringLiteral("0"));
    EXPECT_EQ(controller.setCorrectPercentage(QStringLiteral("abc")), QStringLiteral("0"));
    EXPECT_EQ(controller.setCorrectPercentage(QStringLiteral("-0")), QStringLiteral("0"));
    EXPECT_EQ(controller.setCorrectPercentage(QStringLiteral("12.5")), QStringLiteral("12.5"));
    EXPECT_EQ(s.correctPercentage, QStringLiteral("12.5"));
    EXPECT_DOUBLE_EQ(s.edgeFraction, 0.125);
    EXPECT_EQ(capacityRefreshes, 5);
}

TEST_F(SettingsRulesTest, CentreMustLieInsideTheFrame)
{
    controller.setSizes(); // PAL: 704 x 576
    s.imageCentered = false;
    redraws = 0;
    EXPECT_FALSE(controller.setXCenter(QStringLiteral("800")));
    EXPECT_FALSE(controller.setXCenter(QStringLiteral("-1")));
    EXPECT_EQ(s.xCenter, QStringLiteral("352"));
    EXPECT_EQ(redraws, 0);
    EXPECT_TRUE(controller.setXCenter(QStringLiteral("704")));
    EXPECT_EQ(s.xCenter, QStringLiteral("704"));
    EXPECT_TRUE(controller.setXCenter(QStringLiteral("0")));
    EXPECT_EQ(redraws, 2);

    EXPECT_FALSE(controller.setYCenter(QStringLiteral("577")));
    EXPECT_TRUE(controller.setYCenter(QStringLiteral("576")));
    controller.chooseNtsc();
    EXPECT_FALSE(controller.setYCenter(QStringLiteral("576")));
}

TEST_F(SettingsRulesTest, CentringLocksTheCentreToTheFrame)
{
    controller.chooseNtsc();
    controller.chooseLowResolution();
    EXPECT_EQ(s.frameWidth, 480);
    EXPECT_EQ(s.frameHeight, 480);
    EXPECT_EQ(s.xCenter, QStringLiteral("240"));
    EXPECT_EQ(s.yCenter, QStringLiteral("240"));

    const int before = capacityRefreshes;
    controller.setImageCentered(false);
    EXPECT_TRUE(s.centreFieldsEnabled());
    EXPECT_EQ(capacityRefreshes, before) << "clearing only frees the fields";
    ASSERT_TRUE(controller.setXCenter(QStringLiteral("100")));
    controller.setImageCentered(true);
    EXPECT_FALSE(s.centreFieldsEnabled());
    EXPECT_EQ(s.xCenter, QStringLiteral("240"));
}

TEST_F(SettingsRulesTest, FileNameFallbackFollowsDateAndFileNameOptions)
{
    controller.setDisplayDate(true);
    controller.setDisplayFileName(false);
    EXPECT_TRUE(s.useFilenameEnabled());
    controller.setDisplayFileName(true);
    EXPECT_FALSE(s.useFilenameEnabled());
    controller.setDisplayFileName(false);
    controller.setDisplayDate(false);
    EXPECT_FALSE(s.useFilenameEnabled());
    EXPECT_EQ(redraws, 5);
}

TEST_F(SettingsRulesTest, MainTitleGoesToTheTopMenuWhenThereIsATree)
{
    controller.setMainTitle(QStringLiteral("Summer"));
    EXPECT_EQ(s.mainTitle, QStringLiteral("Summer"));
    EXPECT_TRUE(rootTag.isEmpty());
    EXPECT_EQ(redraws, 0);

    treeHasNodes = true;
    controller.setMainTitle(QStringLiteral("Winter"));
    EXPECT_EQ(rootTag, QStringLiteral("Winter"));
    EXPECT_EQ(redraws, 1);
}

} // namespace

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
        s.FullRebuild = true; // no messages unless a test clears it
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
        EXPECT_EQ(s.FrameWidth, r.width) << r.ntsc << r.vcd << r.lowRes;
        EXPECT_EQ(s.FrameHeight, r.height) << r.ntsc << r.vcd << r.lowRes;
        EXPECT_EQ(s.TvLines, r.lines);
        EXPECT_EQ(previewLines, r.lines) << "the pane follows this change, not the one before";
        EXPECT_EQ(s.XCenter, QString::number(r.width / 2));
        EXPECT_EQ(s.YCenter, QString::number(r.height / 2));
    }
}

TEST_F(SettingsRulesTest, AspectWidthIsTheSquarePixelWidthOfTheLineCount)
{
    setOptions(false, false, false);
    EXPECT_EQ(s.AspectWidth, 768);
    setOptions(true, false, false);
    EXPECT_EQ(s.AspectWidth, 640);
    controller.chkCorrectAspect_Click(false);
    EXPECT_EQ(s.AspectWidth, 704);
    controller.OptPal_Click();
    EXPECT_EQ(s.AspectWidth, 704);
}

TEST_F(SettingsRulesTest, SetSizesRedrawsAndRefreshesTheCapacity)
{
    s.CorrectPercentage = QStringLiteral("10");
    s.ImageCentered = false;
    s.XCenter = QStringLiteral("17");
    controller.setSizes();
    EXPECT_DOUBLE_EQ(s.EdgeFraction, 0.10);
    EXPECT_EQ(s.XCenter, QStringLiteral("17")) << "a free centre is left alone";
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(capacityRefreshes, 1);

    controller.chkCorrectEdges_Click(false);
    EXPECT_FALSE(s.percentageEnabled());
    controller.chkAntiFlicker_Click(false);
    EXPECT_FALSE(s.AntiFlicker);
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
        { &SettingsController::OptNTSC_Click,
            "Changing the TV Format requires a Full Rebuild. Full Rebuild is set.", "TV Format changed" },
        { &SettingsController::OptPal_Click,
            "Changing the TV Format requires a Full Rebuild. Full Rebuild is set.", "TV Format changed" },
        { &SettingsController::OptVCD_Click,
            "Changing the output type requires a Full Rebuild. Full Rebuild is set.", "Output type changed" },
        { &SettingsController::OptSVCD_Click,
            "Changing the output type requires a Full Rebuild. Full Rebuild is set.", "Output type changed" },
        { &SettingsController::optLowres_Click,
            "Changing the resolution requires a Full Rebuild. Full Rebuild is set.", "Resolution changed" },
        { &SettingsController::opthighres_Click,
            "Changing the resolution requires a Full Rebuild. Full Rebuild is set.", "Resolution changed" },
    };
    for (const Change &c : changes) {
        s.vcd = s.lowRes = false;
        prompter.clear();
        s.FullRebuild = false;
        (controller.*c.handler)();
        ASSERT_EQ(prompter.count(), 1) << c.title;
        EXPECT_EQ(prompter.boxes()[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(prompter.boxes()[0].title, QString::fromUtf8(c.title));
        EXPECT_EQ(prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
        EXPECT_EQ(prompter.boxes()[0].icon, Prompter::Icon::None);
        EXPECT_TRUE(s.FullRebuild);

        prompter.clear();
        s.vcd = s.lowRes = false;
        (controller.*c.handler)();
        EXPECT_EQ(prompter.count(), 0) << "Full Rebuild already on: " << c.title;
    }
}

TEST_F(SettingsRulesTest, LowResolutionVcdIsRefused)
{
    controller.optLowres_Click();
    controller.OptVCD_Click();
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].text, QStringLiteral("Sorry, low resolution VCD is not possible."));
    EXPECT_EQ(prompter.boxes()[0].title, QStringLiteral("Low res VCD"));
    EXPECT_FALSE(s.vcd) << "SVCD stays selected";
    EXPECT_TRUE(s.lowRes);

    prompter.clear();
    controller.opthighres_Click();
    controller.OptVCD_Click();
    controller.optLowres_Click();
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].text, QStringLiteral("Sorry, low resolution VCD is not possible."));
    EXPECT_TRUE(s.vcd);
    EXPECT_FALSE(s.lowRes) << "High stays selected";
    EXPECT_EQ(s.FrameWidth, 704);

    // With Full Rebuild off the partner's own message follows the refusal.
    prompter.clear();
    s.FullRebuild = false;
    controller.optLowres_Click();
    EXPECT_EQ(prompter.count(), 2);
    EXPECT_FALSE(s.lowRes);
}

TEST_F(SettingsRulesTest, MarginIsClampedAndWrittenBack)
{
    EXPECT_EQ(controller.txtpercentage_LostFocus(QStringLiteral("30")), QStringLiteral("25"));
    EXPECT_DOUBLE_EQ(s.EdgeFraction, 0.25);
    EXPECT_EQ(controller.txtpercentage_LostFocus(QStringLiteral("-3")), QStringLiteral("0"));
    EXPECT_EQ(controller.txtpercentage_LostFocus(QStringLiteral("abc")), QStringLiteral("0"));
    EXPECT_EQ(controller.txtpercentage_LostFocus(QStringLiteral("-0")), QStringLiteral("0"));
    EXPECT_EQ(controller.txtpercentage_LostFocus(QStringLiteral("12.5")), QStringLiteral("12.5"));
    EXPECT_EQ(s.CorrectPercentage, QStringLiteral("12.5"));
    EXPECT_DOUBLE_EQ(s.EdgeFraction, 0.125);
    EXPECT_EQ(capacityRefreshes, 5);
}

TEST_F(SettingsRulesTest, CentreMustLieInsideTheFrame)
{
    controller.setSizes(); // PAL: 704 x 576
    s.ImageCentered = false;
    redraws = 0;
    EXPECT_FALSE(controller.txtXCenter_Validate(QStringLiteral("800")));
    EXPECT_FALSE(controller.txtXCenter_Validate(QStringLiteral("-1")));
    EXPECT_EQ(s.XCenter, QStringLiteral("352"));
    EXPECT_EQ(redraws, 0);
    EXPECT_TRUE(controller.txtXCenter_Validate(QStringLiteral("704")));
    EXPECT_EQ(s.XCenter, QStringLiteral("704"));
    EXPECT_TRUE(controller.txtXCenter_Validate(QStringLiteral("0")));
    EXPECT_EQ(redraws, 2);

    EXPECT_FALSE(controller.txtYCenter_Validate(QStringLiteral("577")));
    EXPECT_TRUE(controller.txtYCenter_Validate(QStringLiteral("576")));
    controller.OptNTSC_Click();
    EXPECT_FALSE(controller.txtYCenter_Validate(QStringLiteral("576")));
}

TEST_F(SettingsRulesTest, CentringLocksTheCentreToTheFrame)
{
    controller.OptNTSC_Click();
    controller.optLowres_Click();
    EXPECT_EQ(s.FrameWidth, 480);
    EXPECT_EQ(s.FrameHeight, 480);
    EXPECT_EQ(s.XCenter, QStringLiteral("240"));
    EXPECT_EQ(s.YCenter, QStringLiteral("240"));

    const int before = capacityRefreshes;
    controller.chkImageCentered_Click(false);
    EXPECT_TRUE(s.centreFieldsEnabled());
    EXPECT_EQ(capacityRefreshes, before) << "clearing only frees the fields";
    ASSERT_TRUE(controller.txtXCenter_Validate(QStringLiteral("100")));
    controller.chkImageCentered_Click(true);
    EXPECT_FALSE(s.centreFieldsEnabled());
    EXPECT_EQ(s.XCenter, QStringLiteral("240"));
}

TEST_F(SettingsRulesTest, FileNameFallbackFollowsDateAndFileNameOptions)
{
    controller.chkDisplayDate_Click(true);
    controller.chkDisplayFileName_Click(false);
    EXPECT_TRUE(s.useFilenameEnabled());
    controller.chkDisplayFileName_Click(true);
    EXPECT_FALSE(s.useFilenameEnabled());
    controller.chkDisplayFileName_Click(false);
    controller.chkDisplayDate_Click(false);
    EXPECT_FALSE(s.useFilenameEnabled());
    EXPECT_EQ(redraws, 5);
}

TEST_F(SettingsRulesTest, MainTitleGoesToTheTopMenuWhenThereIsATree)
{
    controller.txtmaintitle_Validate(QStringLiteral("Summer"));
    EXPECT_EQ(s.main_title, QStringLiteral("Summer"));
    EXPECT_TRUE(rootTag.isEmpty());
    EXPECT_EQ(redraws, 0);

    treeHasNodes = true;
    controller.txtmaintitle_Validate(QStringLiteral("Winter"));
    EXPECT_EQ(rootTag, QStringLiteral("Winter"));
    EXPECT_EQ(redraws, 1);
}

} // namespace

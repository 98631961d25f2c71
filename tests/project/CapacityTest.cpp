#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "project/Capacity.h"
#include "settings/Settings.h"

namespace {
QString s(const char *text)
{
    return QString::fromUtf8(text);
}

TreeCounters counters(double menus, double items, double pictureBytes = 0, double movieBytes = 0)
{
    TreeCounters c;
    c.MenuCount = menus;
    c.ItemCount = items;
    c.PictureBytesTotal = pictureBytes;
    c.MovieBytesTotal = movieBytes;
    return c;
}

Settings vcd(bool on)
{
    Settings settings;
    settings.vcd = on;
    return settings;
}
} // namespace

TEST(Capacity, EntryCountIsTheTighterLimitForManySmallVcdEntries)
{
    const Settings settings = vcd(true);
    const TreeCounters c = counters(100, 600, 5e9, 5e9); // originals off: sizes do not count
    EXPECT_NEAR(Capacity::estimate(c, settings).estimateMb, 133.51, 0.01);
    const CapacityDisplay d = Capacity::capacityDisplay(c, settings);
    EXPECT_EQ(d.label, s("134 MB · 700 items"));
    EXPECT_EQ(d.barPosition, 258);
}

TEST(Capacity, OriginalImagesCountWhenTheyAreAddedToTheDisc)
{
    Settings settings = vcd(false);
    const TreeCounters c = counters(10, 200, 200 * 3000000.0, 1e9);
    EXPECT_EQ(Capacity::capacityDisplay(c, settings).label, s("20 MB · 210 items"));
    EXPECT_EQ(Capacity::capacityDisplay(c, settings).barPosition, 77);

    settings.addImages = true;
    // SVCD: 100000 an entry; the index page lists the 200 items in 17 sectors.
    EXPECT_DOUBLE_EQ(Capacity::estimate(c, settings).estimateBytes, 621e6 + 17 * 2048);
    const CapacityDisplay d = Capacity::capacityDisplay(c, settings);
    EXPECT_EQ(d.label, s("592 MB · 210 items"));
    EXPECT_EQ(d.barPosition, 592);

    // An original takes whole sectors of 2048 bytes.
    EXPECT_EQ(Capacity::onDiscBytes(0), 0);
    EXPECT_EQ(Capacity::onDiscBytes(1), 2048);
    EXPECT_EQ(Capacity::onDiscBytes(2048), 2048);
    EXPECT_EQ(Capacity::onDiscBytes(2049), 4096);

    settings.addMovies = true;
    EXPECT_EQ(Capacity::capacityDisplay(c, settings).label, s("1546 MB · 210 items"));
    EXPECT_EQ(Capacity::capacityDisplay(c, settings).barPosition, 1546);
    EXPECT_EQ(Capacity::capacityDisplay(c, settings).clampedPosition(), 700);
}

TEST(Capacity, MoviesCountTheirTimeOnTheDisc)
{
    // Ten minutes on a VCD: 75 sectors of 2324 bytes a second, whatever the
    // source's size; at an SVCD's highest rate on an SVCD.
    TreeCounters c = counters(0, 1, 0, 5e9);
    c.movieSeconds = 600;
    EXPECT_DOUBLE_EQ(Capacity::estimate(c, vcd(true)).estimateBytes, 200000 + 600 * 75 * 2324.0);
    EXPECT_DOUBLE_EQ(Capacity::estimate(c, vcd(false)).estimateBytes, 100000 + 600 * 2724000 / 8.0);
    // A movie whose length could not be told counts its source bytes.
    c.unmeasuredMovieBytes = 3e8;
    EXPECT_DOUBLE_EQ(Capacity::estimate(c, vcd(true)).estimateBytes, 200000 + 600 * 75 * 2324.0 + 3e8);
}

TEST(Capacity, CaptionStillsCountAsEntries)
{
    TreeCounters c = counters(3, 10);
    c.CaptionCount = 3;
    EXPECT_EQ(Capacity::estimate(c, vcd(false)).entries, 16);
    EXPECT_DOUBLE_EQ(Capacity::estimate(c, vcd(false)).estimateBytes, 16 * 100000.0);
    EXPECT_EQ(Capacity::capacityDisplay(c, vcd(false)).label, s("2 MB · 16 items"));
}

TEST(Capacity, HalvesRoundToTheEvenNeighbour)
{
    Settings settings = vcd(false);
    settings.addImages = true;
    // One SVCD entry, its index page and pictures, exactly 2.5 MB and then 3.5 MB.
    const double frame = 100000 + 2048;
    EXPECT_EQ(Capacity::capacityDisplay(counters(0, 1, 2.5 * 1048576 - frame), settings).label,
        s("2 MB · 1 items"));
    EXPECT_EQ(Capacity::capacityDisplay(counters(0, 1, 3.5 * 1048576 - frame), settings).label,
        s("4 MB · 1 items"));
    // Nothing scanned yet.
    EXPECT_EQ(Capacity::capacityDisplay(counters(0, 0), vcd(true)).label, s("0 MB · 0 items"));
}

TEST(Capacity, EntryLimitIsStrictlyAbove1900AndComesBeforeTheSizeTest)
{
    Settings settings = vcd(true);
    settings.addImages = true;
    FakePrompter prompter;
    EXPECT_TRUE(Capacity::checkLimits(true, counters(100, 1800), settings, prompter));
    EXPECT_EQ(prompter.count(), 0);

    // 1901 entries with a size far above a CD: only the entry warning.
    const TreeCounters over = counters(101, 1800, 5e9);
    EXPECT_TRUE(Capacity::checkLimits(false, over, settings, prompter));
    ASSERT_EQ(prompter.count(), 1);
    const FakePrompter::Box tell = prompter.boxes()[0];
    EXPECT_EQ(tell.kind, FakePrompter::Kind::Inform);
    EXPECT_EQ(tell.icon, Prompter::Icon::Warning);
    EXPECT_EQ(tell.title, s("Too many files."));
    EXPECT_EQ(tell.text,
        s("You are supplying more than 1900 images/menu's, this is more than supported by (S)VCD."));

    prompter.clear();
    prompter.scriptAnswer(false);
    EXPECT_FALSE(Capacity::checkLimits(true, over, settings, prompter));
    prompter.scriptAnswer(true);
    EXPECT_TRUE(Capacity::checkLimits(true, over, settings, prompter));
    ASSERT_EQ(prompter.count(), 2);
    const FakePrompter::Box ask = prompter.boxes()[0];
    EXPECT_EQ(ask.kind, FakePrompter::Kind::YesNo);
    EXPECT_EQ(ask.icon, Prompter::Icon::Warning);
    EXPECT_FALSE(ask.defaultYes);
    EXPECT_EQ(ask.text,
        s("You are supplying more than 1900 images/menu's, this is more than supported by "
          "(S)VCD, continue anyway ?."));
}

TEST(Capacity, SizeLimitIsStrictlyAbove700Mb)
{
    Settings settings = vcd(true);
    settings.addMovies = true;
    FakePrompter prompter;
    // One VCD entry, its index page and movies: exactly 700 MB, then one byte more.
    const double exact = 700.0 * 1048576 - 200000 - 2048;
    EXPECT_TRUE(Capacity::checkLimits(true, counters(0, 1, 0, exact), settings, prompter));
    EXPECT_EQ(prompter.count(), 0);

    EXPECT_TRUE(Capacity::checkLimits(false, counters(0, 1, 0, exact + 1), settings, prompter));
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].text, s("This compilation will probably not fit on a CD."));
    EXPECT_EQ(prompter.boxes()[0].title, s("Too many files."));

    prompter.clear();
    EXPECT_FALSE(Capacity::checkLimits(true, counters(0, 1, 0, exact + 1), settings, prompter)); // default No
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes()[0].kind, FakePrompter::Kind::YesNo);
    EXPECT_FALSE(prompter.boxes()[0].defaultYes);
    EXPECT_EQ(
        prompter.boxes()[0].text, s("This compilation will probably not fit on a CD, continue anyway ?"));
}

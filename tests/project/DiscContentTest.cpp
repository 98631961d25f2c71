#include <gtest/gtest.h>

#include <QFile>

#include "FakePrompter.h"
#include "TestAlbum.h"
#include "project/Capacity.h"
#include "project/DiscContent.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// Beach: 2 pictures, City: 3 pictures and a movie, Trips: two folders of
// one picture each, Zoo: 1 picture. Pictures are 1000 bytes, the movie 5000.
struct Album
{
    TestAlbum album;
    Settings settings;
    FakePrompter prompter;
    ProjectTree tree;
    ProjectNode *root = nullptr;

    Album()
    {
        album.file(s("Beach/b1.jpg"));
        album.file(s("Beach/b2.jpg"));
        album.file(s("Beach/b2.txt"), 10); // a caption: one more still
        album.file(s("City/c1.txt"), 10);
        album.file(s("City/c1.jpg"));
        album.file(s("City/c2.jpg"));
        album.file(s("City/c3.jpg"));
        album.file(s("City/clip.mpg"), 5000);
        album.file(s("Trips/North/n.jpg"));
        album.file(s("Trips/South/s.jpg"));
        album.file(s("Zoo/z.jpg"));
        settings.sourceDir = album.path();
        Scanner scanner(tree, settings, prompter);
        scanner.fillTree();
        root = tree.root();
    }
    ProjectNode *node(const char *relative) const { return tree.nodeByKey(album.at(s(relative))); }
};

} // namespace

TEST(DiscContent, CountersAndCapacityCountOnlyWhatIsOnTheDisc)
{
    Album a;
    const TreeCounters all = DiscContent::count(a.tree);
    EXPECT_EQ(all.MenuCount, 6); // Beach, City, Trips, North, South, Zoo
    EXPECT_EQ(all.ItemCount, 9);
    // Each original in whole sectors, as it would take the disc.
    EXPECT_EQ(all.PictureBytesTotal, 8 * 2048);
    EXPECT_EQ(all.MovieBytesTotal, 3 * 2048);
    EXPECT_EQ(all.CaptionCount, 2);
    // A full scan counts the same as the scanner's running totals.
    EXPECT_EQ(all.MenuCount, a.tree.counters().MenuCount);
    EXPECT_EQ(all.ItemCount, a.tree.counters().ItemCount);
    EXPECT_EQ(all.CaptionCount, a.tree.counters().CaptionCount);

    // An unchecked folder takes its pictures, its movie and their bytes
    // along, even where their own boxes stay checked; so does a nested one.
    a.tree.setChecked(a.node("City"), false);
    a.tree.setChecked(a.node("Trips/North"), false);
    a.tree.setChecked(a.node("Zoo/z.jpg"), false);
    const TreeCounters left = DiscContent::count(a.tree);
    EXPECT_EQ(left.MenuCount, 4); // Beach, Trips, South, Zoo (now empty)
    EXPECT_EQ(left.ItemCount, 3);
    EXPECT_EQ(left.PictureBytesTotal, 3 * 2048);
    EXPECT_EQ(left.MovieBytesTotal, 0);
    EXPECT_EQ(left.CaptionCount, 1); // City's caption left with its folder

    a.settings.vcd = true;
    a.settings.addImages = true;
    a.settings.addMovies = true;
    const CapacityEstimate estimate = Capacity::estimate(left, a.settings);
    EXPECT_EQ(estimate.entries, 8);
    EXPECT_EQ(estimate.estimateBytes, 8 * Capacity::BytesPerEntryVcd + 3 * 2048 + Capacity::indexBytes(3));
}

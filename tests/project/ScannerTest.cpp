#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "FakePrompter.h"
#include "TestAlbum.h"
#include "base/KelvaraError.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
QString s(const char *text)
{
    return QString::fromUtf8(text);
}

struct ScanFixture
{
    TestAlbum album;
    Settings settings;
    FakePrompter prompter;
    ProjectTree tree;
    Scanner scanner { tree, settings, prompter };

    ScanFixture()
    {
        settings.sourceDir = album.path();
        settings.mainTitle = s("Holidays");
    }
    ProjectNode *scan()
    {
        scanner.fillTree();
        return tree.root();
    }
};

bool allCollapsed(const ProjectNode *node)
{
    if (node->isExpanded())
        return false;
    for (int row = 0; row < node->childCount(); ++row) {
        if (!allCollapsed(node->child(row)))
            return false;
    }
    return true;
}
} // namespace

TEST(Scanner, FolderWithSubFoldersListsThemSortedAndLeavesOutItsOwnFiles)
{
    ScanFixture f;
    f.album.folder(s("b"));
    f.album.file(s("a/x.jpg"));
    f.album.file(s("Cee/y.jpg"));
    f.album.file(s("top.jpg"));
    f.album.file(s("clip.mpg"));
    ProjectNode *root = f.scan();
    EXPECT_EQ(childTexts(root), s("a,b,Cee"));
    EXPECT_EQ(f.tree.counters().MenuCount, 3);
    EXPECT_EQ(f.tree.counters().ItemCount, 2);
}

TEST(Scanner, LeafFolderHoldsRecognisedFilesSortedWithoutRegardToCase)
{
    ScanFixture f;
    for (const char *name :
        { "2.JPG", "10.jpg", "1.mpg", "notes.txt", "photo.jpeg", "clip.mpeg", "PHOTO.JPG", "jpg" })
        f.album.file(s("Leaf/") + s(name));
    ProjectNode *leaf = childNamed(f.scan(), s("Leaf"));
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(childTexts(leaf), s("1.mpg,10.jpg,2.JPG,clip.mpeg,photo.jpeg,PHOTO.JPG"));
    EXPECT_EQ(leaf->child(0)->kind(), NodeKind::Movie);
    EXPECT_EQ(leaf->child(5)->kind(), NodeKind::Picture);
    EXPECT_EQ(f.tree.counters().ItemCount, 6);
    ASSERT_EQ(f.tree.skippedFiles().size(), 2U);
    EXPECT_EQ(f.tree.skippedFiles()[0].path, f.album.at(s("Leaf/jpg")));
    EXPECT_EQ(f.tree.skippedFiles()[1].reason, SkippedFile::Reason::NotMedia);
}

// The bytes decide what a file is; whatever is left off is listed with why,
// and a picture's caption is not among them.
TEST(Scanner, ContentDecidesAndEverySkippedFileHasItsReason)
{
    ScanFixture f;
    f.album.write(s("Leaf/lying.jpg"), QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(100, 'p'));
    f.album.write(s("Leaf/lying.txt"), "caption");
    f.album.write(s("Leaf/random.heic"), QByteArray(100, 'r'));
    f.album.write(s("Leaf/empty.png"), QByteArray());
    f.album.write(s("Leaf/still.mp4"), QByteArray("\xFF\xD8\xFF", 3) + QByteArray(100, 'j'));
    f.album.file(s("Leaf/clip.MOV"));
    f.album.file(s("Menu/Sub/a.jpg"));
    f.album.file(s("Menu/beside.jpg"));
    f.album.file(s("Menu/readme.txt"));
    ProjectNode *root = f.scan();
    EXPECT_EQ(childTexts(childNamed(root, s("Leaf"))), s("clip.MOV,lying.jpg"));

    QStringList listed;
    for (const SkippedFile &file : f.tree.skippedFiles())
        listed << file.path.mid(f.album.path().size() + 1) + u'=' + file.reasonText();
    EXPECT_EQ(listed.join(u'|'),
        s("Leaf/empty.png=cannot be decoded|Leaf/random.heic=cannot be decoded|"
          "Leaf/still.mp4=holds a picture under a movie's name, or a movie under a picture's|"
          "Menu/beside.jpg=beside sub-folders: only a folder without sub-folders shows its pictures and "
          "movies"));
}

TEST(Scanner, SourceWithoutSubFoldersIsOneChainOfPictures)
{
    ScanFixture f;
    f.album.file(s("b.jpg"));
    f.album.file(s("a.JPG"));
    ProjectNode *root = f.scan();
    EXPECT_EQ(childTexts(root), s("a.JPG,b.jpg"));
    EXPECT_EQ(f.tree.counters().MenuCount, 0);
}

TEST(Scanner, EmptyAndUselessFoldersAreMenusWithoutEntries)
{
    ScanFixture f;
    f.album.folder(s("empty"));
    f.album.file(s("texts/readme.txt"));
    f.album.file(s("trip.jpg/inside.jpg")); // a folder named like a picture is a menu
    ProjectNode *root = f.scan();
    EXPECT_EQ(childTexts(root), s("empty,texts,trip.jpg"));
    EXPECT_EQ(root->child(0)->childCount(), 0);
    EXPECT_EQ(root->child(1)->childCount(), 0);
    EXPECT_EQ(root->child(2)->kind(), NodeKind::Menu);
    EXPECT_EQ(childTexts(root->child(2)), s("inside.jpg"));
    EXPECT_EQ(f.tree.counters().MenuCount, 3);
    EXPECT_EQ(f.tree.counters().ItemCount, 1);
}

TEST(Scanner, HiddenEntriesAreNeitherScannedNorCounted)
{
    ScanFixture f;
    f.album.file(s(".secret/a.jpg"));
    f.album.file(s("shown/.thumb.jpg"));
    f.album.file(s("shown/b.jpg"));
    ProjectNode *root = f.scan();
    EXPECT_EQ(childTexts(root), s("shown"));
    EXPECT_EQ(childTexts(root->child(0)), s("b.jpg"));
    // A folder holding nothing but hidden entries is a menu without sub-folders.
    f.album.file(s("only-hidden/.x/y.jpg"));
    root = f.scan();
    EXPECT_EQ(childTexts(root), s("only-hidden,shown"));
    EXPECT_EQ(root->child(0)->childCount(), 0);
}

TEST(Scanner, NodesRecordsAndCountersFollowTheDisk)
{
    ScanFixture f;
    f.album.file(s("a/p1.jpg"), 300);
    f.album.file(s("a/p2.jpg"), 500);
    f.album.file(s("a/m.mpg"), 7000);
    f.album.file(s("b/q.jpg"), 20);
    ProjectNode *root = f.scan();
    const QString base = f.album.path();

    EXPECT_EQ(root->key(), base + u'/');
    EXPECT_EQ(root->text(), base);
    EXPECT_EQ(root->tag(), s("Holidays"));
    EXPECT_EQ(f.tree.info(root).sourcePath, base);
    EXPECT_TRUE(f.tree.info(root).included);

    // Every folder node of a menu is made before the first descent.
    ProjectNode *a = f.tree.nodeByIndex(2);
    ProjectNode *b = f.tree.nodeByIndex(3);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->text(), s("a"));
    EXPECT_EQ(b->text(), s("b"));
    EXPECT_EQ(a->key(), base + s("/a"));
    EXPECT_EQ(a->tag(), s("a"));
    EXPECT_EQ(f.tree.info(a).caption, s("a"));
    EXPECT_EQ(f.tree.info(a).sourcePath, base + s("/a"));
    EXPECT_EQ(f.tree.info(a).pictureBytes, 800);
    EXPECT_EQ(f.tree.info(a).movieBytes, 7000);
    EXPECT_EQ(childTexts(a), s("m.mpg,p1.jpg,p2.jpg"));

    ProjectNode *movie = a->child(0);
    EXPECT_EQ(movie->key(), base + s("/a/m.mpg"));
    EXPECT_EQ(movie->tag(), s("m.mpg"));
    EXPECT_TRUE(movie->isChecked());
    EXPECT_EQ(f.tree.info(movie).sourcePath, movie->key());
    EXPECT_EQ(f.tree.info(movie).movieBytes, 7000);
    EXPECT_EQ(f.tree.info(movie).pictureBytes, 0);
    EXPECT_TRUE(f.tree.info(movie).caption.isEmpty());
    EXPECT_EQ(f.tree.info(a->child(1)).pictureBytes, 300);

    const TreeCounters &c = f.tree.counters();
    EXPECT_EQ(c.MenuCount, 2);
    EXPECT_EQ(c.ItemCount, 4);
    EXPECT_EQ(c.PictureBytesTotal, 820);
    EXPECT_EQ(c.MovieBytesTotal, 7000);
    EXPECT_TRUE(allCollapsed(root));
    EXPECT_EQ(f.prompter.count(), 0);
}

TEST(Scanner, SourceEnteredWithTrailingSeparatorKeepsItInTheRootText)
{
    ScanFixture f;
    f.album.file(s("a/p.jpg"));
    f.settings.sourceDir = f.album.path() + u'/';
    ProjectNode *root = f.scan();
    EXPECT_EQ(root->text(), f.album.path() + u'/');
    EXPECT_EQ(root->key(), f.album.path() + u'/');
    EXPECT_EQ(root->child(0)->key(), f.album.path() + s("/a"));
    EXPECT_EQ(root->child(0)->child(0)->fullPath(), f.album.path() + s("//a/p.jpg"));
    EXPECT_EQ(root->child(0)->child(0)->kind(), NodeKind::Picture);
}

TEST(Scanner, RescanStartsAfresh)
{
    ScanFixture f;
    f.album.file(s("a/p.jpg"));
    ProjectNode *root = f.scan();
    f.tree.info(root->child(0)->child(0)).caption = s("edited");
    f.tree.setChecked(root->child(0), false);
    f.album.file(s("b/q.jpg"));
    root = f.scan();
    EXPECT_EQ(childTexts(root), s("a,b"));
    EXPECT_EQ(f.tree.highestIndex(), 5);
    EXPECT_TRUE(root->child(0)->isChecked());
    EXPECT_TRUE(f.tree.info(root->child(0)->child(0)).caption.isEmpty());
    EXPECT_EQ(f.tree.counters().MenuCount, 2);
    EXPECT_EQ(f.tree.counters().ItemCount, 2);
}

TEST(Scanner, ReportsEveryNodeAndTheCapacityAsItGoes)
{
    ScanFixture f;
    f.settings.vcd = true;
    f.album.file(s("a/1.jpg"));
    f.album.file(s("a/2.mpg"));
    f.album.file(s("b/3.jpg"));
    QStringList seen;
    QList<double> itemCounts;
    QList<CapacityDisplay> displays;
    f.scanner.setCallbacks({ [&](const ProjectNode *node, const TreeCounters &c) {
                                seen << node->text();
                                itemCounts << c.ItemCount;
                            },
        [&](const CapacityDisplay &d) { displays << d; } });
    f.scan();
    EXPECT_EQ(seen, QStringList({ f.album.path(), s("a"), s("b"), s("1.jpg"), s("2.mpg"), s("3.jpg") }));
    EXPECT_EQ(itemCounts, QList<double>({ 0, 0, 0, 1, 2, 3 }));
    // One display per item and one at the end; 5 entries of 200000 bytes.
    ASSERT_EQ(displays.size(), 4);
    EXPECT_EQ(displays.last().label, s("1 MB · 5 items"));
}

TEST(Scanner, ASecondScanFromInsideARunningOneDoesNothing)
{
    ScanFixture f;
    f.album.file(s("a/1.jpg"));
    f.album.file(s("b/2.jpg"));
    int reentered = 0;
    f.scanner.setCallbacks({ [&](const ProjectNode *node, const TreeCounters &) {
                                if (node->text() == s("1.jpg")) {
                                    EXPECT_TRUE(f.scanner.isRunning());
                                    EXPECT_FALSE(f.scanner.scan());
                                    f.scanner.fillTree();
                                    ++reentered;
                                }
                            },
        {} });
    ProjectNode *root = f.scan();
    EXPECT_EQ(reentered, 1);
    EXPECT_FALSE(f.scanner.isRunning());
    EXPECT_EQ(childTexts(root), s("a,b"));
    EXPECT_EQ(f.tree.counters().ItemCount, 2);
}

TEST(Scanner, InvalidSourceIsReportedAndTheTreeStays)
{
    ScanFixture f;
    f.album.file(s("a/1.jpg"));
    ASSERT_TRUE(f.scanner.scan());
    const int nodes = f.tree.highestIndex();
    for (const QString &bad : { f.album.at(s("missing")), f.album.at(s("a/1.jpg")), QString() }) {
        f.prompter.clear();
        f.settings.sourceDir = bad;
        EXPECT_FALSE(f.scanner.scan()) << qPrintable(bad);
        ASSERT_EQ(f.prompter.count(), 1);
        EXPECT_EQ(f.prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
        EXPECT_EQ(f.prompter.boxes()[0].text, s("You should select a valid source path"));
        EXPECT_EQ(f.prompter.boxes()[0].title, s("No valid directory"));
        EXPECT_EQ(f.tree.highestIndex(), nodes);
    }
}

TEST(Scanner, TooManyEntriesWarnsWithoutAskingAndKeepsTheTree)
{
    ScanFixture f;
    // One menu and 1899 pictures: exactly 1900 entries, no warning.
    for (int i = 0; i < 1899; ++i)
        f.album.file(s("big/%1.jpg").arg(i), 3);
    f.scan();
    EXPECT_EQ(f.prompter.count(), 0);
    f.album.file(s("big/last.jpg"), 3);
    ProjectNode *root = f.scan();
    ASSERT_EQ(f.prompter.count(), 1);
    EXPECT_EQ(f.prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
    EXPECT_EQ(f.prompter.boxes()[0].title, s("Too many files."));
    EXPECT_EQ(root->child(0)->childCount(), 1900);
}

TEST(Scanner, LinkBackToAnAncestorIsNotFollowed)
{
    ScanFixture f;
    f.album.file(s("a/p.jpg"));
    f.album.file(s("b/inner/q.jpg"));
    ASSERT_TRUE(QFile::link(f.album.path(), f.album.at(s("b/up"))));
    ASSERT_TRUE(QFile::link(f.album.at(s("a")), f.album.at(s("b/alias"))));
    ASSERT_TRUE(QFile::link(f.album.at(s("nowhere")), f.album.at(s("b/dangling"))));
    ProjectNode *root = f.scan();
    ProjectNode *b = childNamed(root, s("b"));
    ASSERT_NE(b, nullptr);
    // A link to another folder is scanned like the folder itself.
    EXPECT_EQ(childTexts(b), s("alias,inner"));
    EXPECT_EQ(childTexts(childNamed(b, s("alias"))), s("p.jpg"));
}

TEST(Scanner, LinkUpwardIsNoSubFolderSoTheFolderKeepsItsPictures)
{
    ScanFixture f;
    f.album.file(s("A/p1.jpg"), 1200);
    f.album.file(s("A/p2.jpg"), 1300);
    f.album.file(s("Elsewhere/far.jpg"), 700);
    f.album.file(s("B/q.jpg"));
    ASSERT_TRUE(QFile::link(s(".."), f.album.at(s("A/up"))));
    ASSERT_TRUE(QFile::link(s("."), f.album.at(s("A/self"))));
    // A folder whose only entry is a link to itself holds its pictures too.
    ASSERT_TRUE(QFile::link(f.album.at(s("B")), f.album.at(s("B/again"))));
    // A link to a picture elsewhere is a picture of the folder it lies in.
    ASSERT_TRUE(QFile::link(f.album.at(s("Elsewhere/far.jpg")), f.album.at(s("A/linked.jpg"))));

    ProjectNode *root = f.scan();
    ProjectNode *a = childNamed(root, s("A"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(childTexts(a), s("linked.jpg,p1.jpg,p2.jpg"));
    EXPECT_EQ(f.tree.info(childNamed(a, s("linked.jpg"))).pictureBytes, 700);
    EXPECT_EQ(childTexts(childNamed(root, s("B"))), s("q.jpg"));
    EXPECT_EQ(f.tree.counters().MenuCount, 3);
    EXPECT_EQ(f.tree.counters().ItemCount, 5);
}

TEST(Scanner, FolderThatVanishesDuringTheScanIsListedAndTheScanGoesOn)
{
    ScanFixture f;
    f.album.file(s("a/p.jpg"));
    f.album.file(s("b/q.jpg"));
    f.album.file(s("c/r.jpg"));
    f.scanner.setCallbacks({ [&](const ProjectNode *node, const TreeCounters &) {
                                if (node->text() == s("b"))
                                    QDir(f.album.at(s("b"))).removeRecursively();
                            },
        {} });
    ProjectNode *root = f.scan();
    EXPECT_EQ(childTexts(childNamed(root, s("c"))), s("r.jpg"));
    ASSERT_EQ(f.tree.skippedFiles().size(), 1U);
    EXPECT_EQ(f.tree.skippedFiles()[0].path, f.album.at(s("b")));
    EXPECT_EQ(f.tree.skippedFiles()[0].reason, SkippedFile::Reason::FolderUnreadable);
    EXPECT_FALSE(f.scanner.isRunning());
}

// Nothing in an album ends a scan: what cannot or must not be entered is
// listed with its reason, and links that stay inside the album still count.
TEST(Scanner, HostileEntriesAreListedWithTheirReason)
{
    ScanFixture f;
    f.album.file(s("Leaf/good.jpg"));
    ASSERT_EQ(mkfifo(QFile::encodeName(f.album.at(s("Leaf/pipe.jpg"))).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(s("/"), f.album.at(s("Leaf/root"))));
    f.album.file(s("Menu/Inner/p.jpg"));
    ASSERT_TRUE(QFile::link(s("/"), f.album.at(s("Menu/root"))));
    ASSERT_TRUE(QFile::link(f.album.at(s("Leaf/good.jpg")), f.album.at(s("Leaf/inside.jpg"))));
    ASSERT_TRUE(QFile::link(s("loop.jpg"), f.album.at(s("Leaf/loop.jpg"))));
    ASSERT_TRUE(QFile::link(s("nowhere.jpg"), f.album.at(s("Leaf/dangling.jpg"))));
    // Not UTF-8: a folder is named with its bytes escaped.
    ASSERT_EQ(mkdir(QByteArray(QFile::encodeName(f.album.path()) + "/Caf\xE9").constData(), 0700), 0);
    ASSERT_TRUE(QDir().mkpath(f.album.at(s("Locked"))));
    f.album.file(s("Locked/Deep/p.jpg"));
    const bool root = geteuid() == 0; // permission bits do not stop root
    if (!root)
        QFile::setPermissions(f.album.at(s("Locked/Deep")), QFileDevice::Permissions());

    ProjectNode *rootNode = f.scan();
    QFile::setPermissions(f.album.at(s("Locked/Deep")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(childTexts(childNamed(rootNode, s("Leaf"))), s("good.jpg,inside.jpg"));
    EXPECT_EQ(childTexts(childNamed(rootNode, s("Menu"))), s("Inner"));

    QStringList listed;
    for (const SkippedFile &file : f.tree.skippedFiles())
        listed << file.path.mid(f.album.path().size() + 1) + u'=' + file.reasonText();
    listed.sort();
    QStringList expected = {
        s("Caf\\xE9=its name is not valid UTF-8 and it cannot be reached under another name"),
        s("Leaf/dangling.jpg=cannot be read"),
        s("Leaf/loop.jpg=a link that leads out of the album, to a folder above it or in a loop"),
        s("Leaf/pipe.jpg=a special file (pipe, socket or device)"),
        s("Leaf/root=a link that leads out of the album, to a folder above it or in a loop"),
        s("Menu/root=a link that leads out of the album, to a folder above it or in a loop"),
    };
    if (!root)
        expected << s("Locked/Deep=folder cannot be read");
    expected.sort();
    EXPECT_EQ(listed, expected);
}

TEST(Scanner, UnreadableSourceIsListedAndEndsNothing)
{
    ScanFixture f;
    f.album.file(s("Closed/p.jpg"));
    f.settings.sourceDir = f.album.at(s("Closed"));
    ASSERT_TRUE(QFile::setPermissions(f.album.at(s("Closed")), QFileDevice::Permissions()));
    ProjectNode *root = f.scan();
    QFile::setPermissions(
        f.album.at(s("Closed")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (geteuid() == 0)
        return; // permission bits do not stop root: the vanished folder above covers it
    EXPECT_EQ(root->childCount(), 0);
    ASSERT_EQ(f.tree.skippedFiles().size(), 1U);
    EXPECT_EQ(f.tree.skippedFiles()[0].path, f.album.at(s("Closed")));
    EXPECT_EQ(f.tree.skippedFiles()[0].reason, SkippedFile::Reason::FolderUnreadable);
}

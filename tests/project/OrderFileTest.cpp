#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdio>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "FakePrompter.h"
#include "TestAlbum.h"
#include "project/OrderFile.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "project/TreeEditor.h"
#include "settings/Settings.h"

namespace {
QString s(const char *text)
{
    return QString::fromUtf8(text);
}

struct OrderFixture
{
    TestAlbum album;
    Settings settings;
    FakePrompter prompter;
    ProjectTree tree;
    Scanner scanner { tree, settings, prompter };
    TreeEditor editor { tree, prompter };
    ProjectNode *highlighted = nullptr;

    OrderFixture()
    {
        settings.sourceDir = album.path();
        for (const char *name : { "a", "b", "c" })
            album.file(s(name) + s("/p.jpg"));
    }
    QString scanOrder()
    {
        scanner.fillTree();
        return childTexts(tree.root());
    }
    void highlight(ProjectNode *node) { highlighted = node; }
    // The highlight stays on the entry that moves.
    bool up() { return editor.moveUp(highlighted, highlighted->row() + 1); }
    bool saveOrder() { return editor.saveOrder(highlighted); }
};

// Stops every change inside a folder, also for root, for as long as it lives:
// read-only permissions for ordinary users, the immutable flag for root.
class WriteBlock
{
public:
    explicit WriteBlock(const QString &folder)
        : m_folder(folder)
    {
        if (geteuid() != 0) {
            m_chmod = QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            return;
        }
        m_fd = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_immutable = ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~WriteBlock()
    {
        if (m_chmod)
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (m_immutable) {
            int flags = 0;
            if (ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
            }
        }
        if (m_fd >= 0)
            close(m_fd);
    }
    bool active() const { return m_chmod || m_immutable; }

private:
    QString m_folder;
    bool m_chmod = false;
    bool m_immutable = false;
    int m_fd = -1;
};
} // namespace

TEST(OrderFile, NamedFoldersComeFirstThenTheRestUnsorted)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "c\r\na\r\n");
    EXPECT_EQ(f.scanOrder(), s("c,a,b"));
    // The order file is never a node, and the folders are still scanned.
    EXPECT_EQ(f.tree.highestIndex(), 7);
    EXPECT_EQ(childTexts(f.tree.root()->child(0)), s("p.jpg"));
}

TEST(OrderFile, LinesNamingNoSubFolderAreSkipped)
{
    OrderFixture f;
    f.album.file(s("loose.jpg"));
    f.album.folder(s(".hidden"));
    f.album.write(
        s("kelvara.ord"), "\r\nloose.jpg\r\nold name\r\nb\r\n\r\n.hidden\r\n../a\r\nb/\r\nkelvara.ord\r\n");
    EXPECT_EQ(f.scanOrder(), s("b,a,c"));
}

TEST(OrderFile, RenamedFolderMovesToTheEnd)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "b\r\nold\r\na\r\nc\r\n");
    QDir(f.album.path()).rename(s("a"), s("new"));
    EXPECT_EQ(f.scanOrder(), s("b,c,new"));
}

TEST(OrderFile, FolderNamedTwiceYieldsOneNode)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "c\r\na\r\nc\r\n");
    EXPECT_EQ(f.scanOrder(), s("c,a,b"));
    EXPECT_EQ(f.tree.counters().MenuCount, 3);
    EXPECT_EQ(f.tree.counters().ItemCount, 3);
}

TEST(OrderFile, LineDifferingOnlyInCaseMatchesTheFolderOnce)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "C\r\nA\r\n");
    EXPECT_EQ(f.scanOrder(), s("c,a,b"));
    EXPECT_EQ(f.tree.counters().MenuCount, 3);
    // Where folders differ only in case, the exact spelling is matched first.
    f.album.file(s("A/q.jpg"));
    EXPECT_EQ(f.scanOrder(), s("c,A,a,b"));
}

TEST(OrderFile, HandEditedFilesAreReadToo)
{
    OrderFixture f;
    // A byte order mark, bare LF and bare CR line ends, no final line end.
    f.album.write(s("kelvara.ord"),
        "\xEF\xBB\xBF"
        "b\nc\ra");
    EXPECT_EQ(f.scanOrder(), s("b,c,a"));
    // Any letter case of the file name is the order file.
    QFile::rename(f.album.at(s("kelvara.ord")), f.album.at(s("KELVARA.ORD")));
    EXPECT_EQ(f.scanOrder(), s("b,c,a"));
}

TEST(OrderFile, EmptyFileKeepsAllFoldersAndPicturesFollowTheirFolderFile)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "");
    EXPECT_EQ(f.scanOrder(), s("a,b,c"));
    f.album.file(s("c/a.jpg"));
    f.album.file(s("c/m.mpg"));
    f.album.file(s("c/b.jpg"));
    f.album.write(s("c/kelvara.ord"), "p.jpg\r\nM.MPG\r\n");
    f.scanOrder();
    // Named ones first; pictures the file does not know yet follow in name order.
    EXPECT_EQ(childTexts(f.tree.root()->child(2)), s("p.jpg,m.mpg,a.jpg,b.jpg"));
}

TEST(OrderFile, SavedOrderComesBackOnTheNextScan)
{
    OrderFixture f;
    ASSERT_EQ(f.scanOrder(), s("a,b,c"));
    f.highlight(f.tree.root()->child(2));
    EXPECT_TRUE(f.up());
    EXPECT_TRUE(f.up());
    EXPECT_TRUE(f.saveOrder());
    EXPECT_EQ(f.prompter.count(), 0);
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("c\r\na\r\nb\r\n"));
    EXPECT_EQ(f.scanOrder(), s("c,a,b"));

    // A sub-menu's order goes into its own folder.
    f.album.file(s("c/x/1.jpg"));
    f.album.file(s("c/y/1.jpg"));
    f.scanOrder();
    ProjectNode *c = f.tree.root()->child(0);
    f.highlight(c->child(1));
    EXPECT_TRUE(f.up());
    EXPECT_TRUE(f.saveOrder());
    EXPECT_EQ(f.album.read(s("c/kelvara.ord")), QByteArray("y\r\nx\r\n"));
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("c\r\na\r\nb\r\n"));
    f.scanOrder();
    EXPECT_EQ(childTexts(f.tree.root()->child(0)), s("y,x"));
}

TEST(OrderFile, SourceWithTrailingSeparatorGetsNoDoubledOne)
{
    OrderFixture f;
    f.settings.sourceDir = f.album.path() + u'/';
    f.scanOrder();
    EXPECT_EQ(OrderFile::pathIn(f.tree.info(f.tree.root()).sourcePath), f.album.path() + s("/kelvara.ord"));
    EXPECT_EQ(OrderFile::pathIn(f.album.path()), f.album.path() + s("/kelvara.ord"));
    f.highlight(f.tree.root()->child(1));
    EXPECT_TRUE(f.saveOrder());
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("a\r\nb\r\nc\r\n"));
}

TEST(OrderFile, UnwritableFolderShowsTheMessageAndKeepsTheOldFile)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "b\r\n");
    ASSERT_EQ(f.scanOrder(), s("b,a,c"));
    f.highlight(f.tree.root()->child(2));
    const QString expected
        = s("Cannot save settings to: ") + f.album.path() + s("/kelvara.ord. No write access ?");
    {
        WriteBlock block(f.album.path());
        if (!block.active())
            std::fprintf(stderr,
                "note: cannot make %s read-only here; only the next case checks the "
                "failure message\n",
                qPrintable(f.album.path()));
        EXPECT_TRUE(f.up());
        if (block.active()) {
            EXPECT_FALSE(f.saveOrder());
            ASSERT_EQ(f.prompter.count(), 1);
            EXPECT_EQ(f.prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
            EXPECT_EQ(f.prompter.boxes()[0].title, s("Save menu order"));
            EXPECT_EQ(f.prompter.boxes()[0].text, expected);
            EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("b\r\n"));
        }
    }
    EXPECT_EQ(childTexts(f.tree.root()), s("b,c,a"));

    // A folder standing where the file should be stops any writer.
    f.prompter.clear();
    QFile::remove(f.album.at(s("kelvara.ord")));
    f.album.folder(s("kelvara.ord"));
    EXPECT_FALSE(f.saveOrder());
    ASSERT_EQ(f.prompter.count(), 1);
    EXPECT_EQ(f.prompter.boxes()[0].text, expected);
    EXPECT_TRUE(QFileInfo(f.album.at(s("kelvara.ord"))).isDir());
}

TEST(OrderFile, NothingToSaveWithoutAHighlightedEntry)
{
    OrderFixture f;
    f.scanOrder();
    f.highlight(nullptr);
    EXPECT_FALSE(f.saveOrder());
    EXPECT_FALSE(QFile::exists(f.album.at(s("kelvara.ord"))));
    EXPECT_EQ(f.prompter.count(), 0);
}

namespace {
QString uncheckedTexts(ProjectNode *menu)
{
    QStringList names;
    for (int row = 0; row < menu->childCount(); ++row) {
        if (!menu->child(row)->isChecked())
            names.append(menu->child(row)->text());
    }
    return names.join(u',');
}
} // namespace

TEST(OrderFile, OrderAndClearedBoxesLastThroughANewScan)
{
    OrderFixture f;
    f.album.file(s("b/q.jpg"));
    f.album.file(s("b/r.jpg"));
    f.album.file(s("c/x/1.jpg"));
    f.album.file(s("c/y/1.jpg"));
    f.scanOrder();
    ProjectNode *b = f.tree.root()->child(1);
    // r.jpg dropped on the line between p.jpg and q.jpg.
    ASSERT_EQ(f.editor.drop(b->child(2)->key(), b->child(0), TreeEditor::DropSide::Below),
        TreeEditor::DropResult::Moved);
    f.editor.check(b->child(2), false);
    f.editor.check(f.tree.root()->child(2), false);
    f.highlight(f.tree.root()->child(2));
    EXPECT_TRUE(f.up());
    const TreeCounters counters = f.tree.counters();

    EXPECT_EQ(
        f.album.read(s("b/kelvara.ord")), QByteArray("p.jpg\r\nr.jpg\r\nq.jpg\r\n#unchecked q.jpg\r\n"));
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("a\r\nc\r\nb\r\n#unchecked c\r\n"));
    // Boxes below a cleared menu follow from its line; its own folder has no file to change.
    EXPECT_FALSE(QFile::exists(f.album.at(s("c/kelvara.ord"))));

    EXPECT_EQ(f.scanOrder(), s("a,c,b"));
    ProjectNode *c = f.tree.root()->child(1);
    b = f.tree.root()->child(2);
    EXPECT_EQ(childTexts(b), s("p.jpg,r.jpg,q.jpg"));
    EXPECT_EQ(uncheckedTexts(b), s("q.jpg"));
    EXPECT_EQ(uncheckedTexts(f.tree.root()), s("c"));
    EXPECT_EQ(uncheckedTexts(c), s("x,y"));
    EXPECT_FALSE(c->child(0)->child(0)->isChecked());
    EXPECT_EQ(f.tree.counters().ItemCount, counters.ItemCount);
    EXPECT_EQ(f.tree.counters().MenuCount, counters.MenuCount);
    EXPECT_EQ(f.tree.counters().PictureBytesTotal, counters.PictureBytesTotal);

    // Ticking the menu again clears the line, and a menu below that kept its
    // own file loses its stale lines too.
    f.album.write(s("c/kelvara.ord"), "y\r\nx\r\n#unchecked x\r\n#unchecked y\r\n");
    f.editor.check(c, true);
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("a\r\nc\r\nb\r\n"));
    EXPECT_EQ(f.album.read(s("c/kelvara.ord")), QByteArray("x\r\ny\r\n"));
    EXPECT_EQ(f.prompter.count(), 0);
}

TEST(OrderFile, OldAndNewFilesReadBothWays)
{
    OrderFixture f;
    f.album.write(s("kelvara.ord"), "c\r\n#unchecked a\r\nb\r\n#unchecked B\r\n#unchecked gone\r\n");
    // A reader that knows only names skips the unchecked lines.
    EXPECT_EQ(
        OrderFile::readNames(f.album.at(s("kelvara.ord")), { s("a"), s("b"), s("c") }).join(u','), s("c,b"));
    const OrderFile::Contents contents
        = OrderFile::read(f.album.at(s("kelvara.ord")), { s("a"), s("b"), s("c") });
    EXPECT_EQ(contents.order.join(u','), s("c,b"));
    EXPECT_EQ(contents.unchecked.join(u','), s("a,b"));
    EXPECT_EQ(f.scanOrder(), s("c,b,a"));
    EXPECT_EQ(uncheckedTexts(f.tree.root()), s("b,a"));

    // A file of names only clears no box.
    f.album.write(s("kelvara.ord"), "b\r\n");
    EXPECT_EQ(f.scanOrder(), s("b,a,c"));
    EXPECT_EQ(uncheckedTexts(f.tree.root()), s(""));
    // An entry whose name starts like an unchecked line is still an entry.
    f.album.file(s("#unchecked a/p.jpg"));
    f.album.write(s("kelvara.ord"), "#unchecked a\r\nc\r\n");
    EXPECT_EQ(f.scanOrder(), s("#unchecked a,c,a,b"));
    EXPECT_EQ(uncheckedTexts(f.tree.root()), s(""));
}

TEST(OrderFile, UndoPutsBackTheTreeAndTheFileAndRedoMakesTheChangeAgain)
{
    OrderFixture f;
    f.scanOrder();
    ProjectNode *root = f.tree.root();
    const TreeCounters start = f.tree.counters();
    EXPECT_FALSE(f.editor.canUndo());
    f.editor.check(root->child(0), false);
    ASSERT_EQ(f.editor.drop(root->child(2)->key(), root->child(0)), TreeEditor::DropResult::Moved);
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("c\r\na\r\nb\r\n#unchecked a\r\n"));

    EXPECT_TRUE(f.editor.undo());
    EXPECT_EQ(childTexts(root), s("a,b,c"));
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("a\r\nb\r\nc\r\n#unchecked a\r\n"));
    EXPECT_TRUE(f.editor.undo());
    EXPECT_EQ(uncheckedTexts(root), s(""));
    EXPECT_TRUE(root->child(0)->child(0)->isChecked());
    EXPECT_EQ(f.tree.counters().ItemCount, start.ItemCount);
    EXPECT_EQ(f.tree.counters().MenuCount, start.MenuCount);
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("a\r\nb\r\nc\r\n"));
    EXPECT_FALSE(f.editor.canUndo());
    EXPECT_EQ(f.editor.undo(), nullptr);

    EXPECT_TRUE(f.editor.redo());
    EXPECT_TRUE(f.editor.redo());
    EXPECT_FALSE(f.editor.canRedo());
    EXPECT_EQ(childTexts(root), s("c,a,b"));
    EXPECT_EQ(uncheckedTexts(root), s("a"));
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("c\r\na\r\nb\r\n#unchecked a\r\n"));

    // The history outlives a new scan of the same folder; a new change ends redo.
    f.scanOrder();
    root = f.tree.root();
    EXPECT_TRUE(f.editor.undo());
    EXPECT_EQ(childTexts(root), s("a,b,c"));
    EXPECT_TRUE(f.editor.canRedo());
    f.editor.check(root->child(1), false);
    EXPECT_FALSE(f.editor.canRedo());
}

TEST(OrderFile, ReadOnlyFolderIsReportedOnceAndTheOrderLastsForTheSession)
{
    OrderFixture f;
    f.scanOrder();
    QStringList reported;
    f.editor.setWriteFailed([&](const QString &folder) { reported << folder; });
    {
        WriteBlock block(f.album.path());
        if (!block.active())
            GTEST_SKIP() << "cannot make the album read-only here";
        f.highlight(f.tree.root()->child(2));
        EXPECT_TRUE(f.up());
        f.editor.check(f.tree.root()->child(0), false);
        EXPECT_TRUE(f.up());
        EXPECT_EQ(reported, QStringList { f.album.path() });
        EXPECT_EQ(f.prompter.count(), 0);
        EXPECT_EQ(childTexts(f.tree.root()), s("c,a,b"));
        EXPECT_FALSE(QFile::exists(f.album.at(s("kelvara.ord"))));
        EXPECT_TRUE(f.editor.hasUnsavedChanges());

        // Reading the folder again would lose them: asked first, No keeps them.
        f.prompter.scriptAnswer(false);
        EXPECT_FALSE(f.editor.confirmDiscard());
        ASSERT_EQ(f.prompter.count(), 1);
        EXPECT_EQ(f.prompter.boxes()[0].kind, FakePrompter::Kind::YesNo);
    }
    // Writable again: the next change saves everything and nothing is pending.
    f.highlight(f.tree.root()->child(1));
    EXPECT_TRUE(f.up());
    EXPECT_FALSE(f.editor.hasUnsavedChanges());
    EXPECT_TRUE(f.editor.confirmDiscard());
    EXPECT_EQ(f.album.read(s("kelvara.ord")), QByteArray("a\r\nc\r\nb\r\n#unchecked a\r\n"));
    EXPECT_EQ(reported.size(), 1);
}

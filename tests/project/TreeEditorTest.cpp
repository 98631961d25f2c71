#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestAlbum.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "project/TreeEditor.h"
#include "settings/Settings.h"

namespace {
QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// Group/{x,y} with two pictures each, Leaf with ten pictures of 100000 bytes,
// and an empty menu.
struct EditFixture
{
    TestAlbum album;
    Settings settings;
    FakePrompter prompter;
    ProjectTree tree;
    TreeEditor editor { tree, prompter };
    ProjectNode *group = nullptr, *x = nullptr, *y = nullptr, *leaf = nullptr, *empty = nullptr;

    EditFixture()
    {
        for (int i = 0; i < 10; ++i)
            album.file(s("Leaf/%1.jpg").arg(i), 100000);
        album.file(s("Group/x/1.jpg"), 10);
        album.file(s("Group/x/2.jpg"), 10);
        album.file(s("Group/y/1.jpg"), 10);
        album.file(s("Group/y/2.mpg"), 10);
        album.folder(s("Empty"));
        settings.sourceDir = album.path();
        Scanner scanner(tree, settings, prompter);
        scanner.fillTree();
        group = childNamed(tree.root(), s("Group"));
        x = childNamed(group, s("x"));
        y = childNamed(group, s("y"));
        leaf = childNamed(tree.root(), s("Leaf"));
        empty = childNamed(tree.root(), s("Empty"));
    }
    bool userChecks(ProjectNode *node, bool on)
    {
        tree.setChecked(node, on);
        return editor.setChecked(node);
    }
};
} // namespace

TEST(TreeEditor, ClearingALeafMenuClearsItsPicturesAndTheirBytes)
{
    EditFixture f;
    const TreeCounters before = f.tree.counters();
    EXPECT_TRUE(f.userChecks(f.leaf, false));
    for (int i = 0; i < f.leaf->childCount(); ++i)
        EXPECT_FALSE(f.leaf->child(i)->isChecked());
    EXPECT_EQ(f.tree.counters().ItemCount, before.ItemCount - 10);
    EXPECT_EQ(f.tree.counters().MenuCount, before.MenuCount - 1);
    EXPECT_EQ(f.tree.counters().PictureBytesTotal, before.PictureBytesTotal - 1000000);

    EXPECT_TRUE(f.userChecks(f.leaf, true));
    EXPECT_TRUE(f.leaf->child(9)->isChecked());
    EXPECT_EQ(f.tree.counters().ItemCount, before.ItemCount);
    EXPECT_EQ(f.tree.counters().MenuCount, before.MenuCount);
    EXPECT_EQ(f.tree.counters().PictureBytesTotal, before.PictureBytesTotal);
}

TEST(TreeEditor, ClearingAMenuOfMenusCountsDescendantsButKeepsTheBytes)
{
    EditFixture f;
    const TreeCounters before = f.tree.counters();
    EXPECT_TRUE(f.userChecks(f.group, false));
    EXPECT_FALSE(f.x->isChecked());
    EXPECT_FALSE(f.y->child(1)->isChecked());
    EXPECT_EQ(f.tree.counters().MenuCount, before.MenuCount - 3);
    EXPECT_EQ(f.tree.counters().ItemCount, before.ItemCount - 4);
    EXPECT_EQ(f.tree.counters().PictureBytesTotal, before.PictureBytesTotal);
    // Propagation leaves the descendants' own record alone.
    EXPECT_TRUE(f.tree.info(f.x).included);
}

TEST(TreeEditor, ItemsAndEmptyMenusCountAsItemsAndUnchangedBoxesCountNothing)
{
    EditFixture f;
    const TreeCounters before = f.tree.counters();
    ProjectNode *picture = f.leaf->child(0);
    EXPECT_FALSE(f.editor.setChecked(picture)); // no change of state
    EXPECT_TRUE(f.userChecks(picture, false));
    EXPECT_EQ(f.tree.counters().ItemCount, before.ItemCount - 1);
    EXPECT_EQ(f.tree.counters().PictureBytesTotal, before.PictureBytesTotal - 100000);
    EXPECT_TRUE(f.userChecks(f.empty, false));
    EXPECT_EQ(f.tree.counters().ItemCount, before.ItemCount - 2);
    EXPECT_EQ(f.tree.counters().MenuCount, before.MenuCount);
    EXPECT_FALSE(f.editor.setChecked(nullptr));
}

TEST(TreeEditor, TickingAnEntryThatItsMenuClearedCountsNothing)
{
    EditFixture f;
    f.userChecks(f.leaf, false);
    const TreeCounters cleared = f.tree.counters();
    EXPECT_FALSE(f.userChecks(f.leaf->child(3), true));
    EXPECT_EQ(f.tree.counters().ItemCount, cleared.ItemCount);
    EXPECT_EQ(f.tree.counters().PictureBytesTotal, cleared.PictureBytesTotal);
}

TEST(TreeEditor, UpAndDownMoveTheHighlightedEntryAndStopAtTheEnds)
{
    EditFixture f;
    ProjectNode *root = f.tree.root();
    ASSERT_EQ(childTexts(root), s("Empty,Group,Leaf"));

    EXPECT_FALSE(f.editor.moveUp(f.empty, 1));
    EXPECT_FALSE(f.editor.moveDown(f.leaf, 3));
    EXPECT_EQ(childTexts(root), s("Empty,Group,Leaf"));

    EXPECT_TRUE(f.editor.moveDown(f.group, 2));
    EXPECT_EQ(childTexts(root), s("Empty,Leaf,Group"));
    EXPECT_EQ(childTexts(f.group), s("x,y")); // the subtree travels along
    EXPECT_TRUE(f.editor.moveUp(f.group, 3));
    EXPECT_TRUE(f.editor.moveUp(f.group, 2));
    EXPECT_EQ(childTexts(root), s("Group,Empty,Leaf"));
    EXPECT_FALSE(f.editor.moveUp(f.group, 1));

    EXPECT_FALSE(f.editor.moveUp(nullptr, 2));
    EXPECT_FALSE(f.editor.moveDown(nullptr, 2));
}

TEST(TreeEditor, DropLandsAboveOrBelowTheTarget)
{
    EditFixture f;
    EXPECT_EQ(f.editor.drop(f.y->key(), f.x), TreeEditor::DropResult::Moved);
    EXPECT_EQ(childTexts(f.group), s("y,x"));
    f.tree.setSelectedNode(f.leaf);
    EXPECT_EQ(f.editor.startDrag(), f.leaf->key());
    EXPECT_EQ(f.editor.drop(f.editor.startDrag(), f.group), TreeEditor::DropResult::Moved);
    EXPECT_EQ(childTexts(f.tree.root()), s("Empty,Leaf,Group"));

    // Between two pictures, whichever way the node travels.
    EXPECT_EQ(f.editor.drop(f.leaf->child(0)->key(), f.leaf->child(4), TreeEditor::DropSide::Below),
        TreeEditor::DropResult::Moved);
    EXPECT_EQ(childTexts(f.leaf), s("1.jpg,2.jpg,3.jpg,4.jpg,0.jpg,5.jpg,6.jpg,7.jpg,8.jpg,9.jpg"));
    EXPECT_EQ(f.editor.drop(f.leaf->child(8)->key(), f.leaf->child(2), TreeEditor::DropSide::Above),
        TreeEditor::DropResult::Moved);
    EXPECT_EQ(childTexts(f.leaf), s("1.jpg,2.jpg,8.jpg,3.jpg,4.jpg,0.jpg,5.jpg,6.jpg,7.jpg,9.jpg"));
    EXPECT_EQ(f.editor.drop(f.leaf->child(0)->key(), f.leaf->lastChild(), TreeEditor::DropSide::Below),
        TreeEditor::DropResult::Moved);
    EXPECT_EQ(f.leaf->lastChild()->text(), s("1.jpg"));
    // Onto itself, or where it already is: nothing moves.
    EXPECT_EQ(f.editor.drop(f.leaf->child(3)->key(), f.leaf->child(3)), TreeEditor::DropResult::Ignored);
    EXPECT_EQ(f.editor.drop(f.leaf->child(3)->key(), f.leaf->child(4)), TreeEditor::DropResult::Ignored);
    EXPECT_EQ(f.prompter.count(), 0);
}

TEST(TreeEditor, DropOntoOwnDescendantIsRefusedAsCircular)
{
    EditFixture f;
    const int yIndex = f.y->child(0)->index();
    EXPECT_EQ(f.editor.drop(f.group->key(), f.x), TreeEditor::DropResult::Circular);
    EXPECT_EQ(f.editor.drop(f.group->key(), f.y->child(0)), TreeEditor::DropResult::Circular);
    ASSERT_EQ(f.prompter.count(), 2);
    EXPECT_EQ(f.prompter.boxes()[0].kind, FakePrompter::Kind::Inform);
    EXPECT_EQ(f.prompter.boxes()[0].text, s("Can't create circular relations"));
    EXPECT_EQ(childTexts(f.tree.root()), s("Empty,Group,Leaf"));
    EXPECT_EQ(childTexts(f.group), s("x,y"));
    EXPECT_EQ(f.y->child(0)->index(), yIndex);
}

TEST(TreeEditor, DropIntoAnotherMenuIsRefusedWithAMessage)
{
    EditFixture f;
    ProjectNode *picture = f.leaf->child(0);
    EXPECT_EQ(f.editor.drop(picture->key(), f.x), TreeEditor::DropResult::OtherMenu);
    EXPECT_EQ(f.editor.drop(f.x->key(), f.leaf), TreeEditor::DropResult::OtherMenu);
    EXPECT_EQ(f.prompter.count(), 2);
    EXPECT_TRUE(f.prompter.boxes()[0].text.contains(s("within its own menu")));
    EXPECT_EQ(picture->parent(), f.leaf);
    EXPECT_EQ(f.x->parent(), f.group);

    // Nothing to move, or nowhere to put it: ignored without a box.
    EXPECT_EQ(f.editor.drop(s("/no/such/key"), f.x), TreeEditor::DropResult::Ignored);
    EXPECT_EQ(f.editor.drop(f.x->key(), f.tree.root()), TreeEditor::DropResult::Ignored);
    EXPECT_EQ(f.editor.drop(f.tree.root()->key(), f.x), TreeEditor::DropResult::Ignored);
    EXPECT_EQ(f.editor.drop(f.x->key(), nullptr), TreeEditor::DropResult::Ignored);
    EXPECT_EQ(f.prompter.count(), 2);
}

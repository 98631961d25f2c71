#include <gtest/gtest.h>

#include "base/KelvaraError.h"
#include "project/ProjectTree.h"

namespace {
QString s(const char *text)
{
    return QString::fromUtf8(text);
}

struct SmallTree
{
    ProjectTree tree;
    ProjectNode *root;
    ProjectNode *a, *b, *c;
    SmallTree()
    {
        root = tree.addRoot(s("/src/"), s("/src/"));
        a = tree.addChild(root, s("/src/a"), s("a"));
        b = tree.addChild(root, s("/src/b"), s("b"));
        c = tree.addChild(root, s("/src/c"), s("c"));
    }
    QString order(ProjectNode *parent)
    {
        QString text;
        for (int i = 0; i < parent->childCount(); ++i)
            text += parent->child(i)->text();
        return text;
    }
};
} // namespace

TEST(ProjectTree, IndexesFollowCreationAndNodeInfoGrows)
{
    SmallTree t;
    EXPECT_EQ(t.root->index(), 1);
    EXPECT_EQ(t.c->index(), 4);
    EXPECT_EQ(t.tree.highestIndex(), 4);
    EXPECT_EQ(t.tree.nodeByIndex(3), t.b);
    EXPECT_EQ(t.tree.nodeByIndex(5), nullptr);
    t.tree.info(3).caption = s("b");
    EXPECT_EQ(t.tree.info(3).caption, s("b"));
    EXPECT_TRUE(t.tree.info(99).caption.isEmpty());
}

TEST(ProjectTree, SiblingRelationsAndFullPath)
{
    SmallTree t;
    EXPECT_EQ(t.a->previous(), nullptr);
    EXPECT_EQ(t.a->next(), t.b);
    EXPECT_EQ(t.c->next(), nullptr);
    EXPECT_EQ(t.b->firstSibling(), t.a);
    EXPECT_EQ(t.b->lastSibling(), t.c);
    EXPECT_EQ(t.root->firstSibling(), t.root);
    // A root entered with a trailing separator yields a doubled one, which the
    // file system accepts.
    EXPECT_EQ(t.b->fullPath(), s("/src//b"));
}

TEST(ProjectTree, DuplicateKeyIsRejectedWithClearError)
{
    SmallTree t;
    try {
        t.tree.addChild(t.root, s("/src/b"), s("b"));
        FAIL() << "duplicate key accepted";
    } catch (const KelvaraError &e) {
        EXPECT_EQ(e.number(), 35602);
        EXPECT_TRUE(e.description().contains(s("/src/b")));
    }
    EXPECT_EQ(t.root->childCount(), 3);
}

TEST(ProjectTree, MovesCarrySubtreesAndStopAtTheEnds)
{
    SmallTree t;
    ProjectNode *leaf = t.tree.addChild(t.c, s("/src/c/x.jpg"), s("x.jpg"));
    EXPECT_FALSE(t.tree.moveUp(t.a));
    EXPECT_FALSE(t.tree.moveDown(t.c));
    EXPECT_TRUE(t.tree.moveUp(t.c));
    EXPECT_EQ(t.order(t.root), s("acb"));
    EXPECT_EQ(leaf->parent(), t.c);
    EXPECT_EQ(t.c->row(), 1);
    EXPECT_TRUE(t.tree.moveDown(t.a));
    EXPECT_EQ(t.order(t.root), s("cab"));
}

TEST(ProjectTree, MoveToFirstChildRefusesCircularAndForeignParents)
{
    SmallTree t;
    ProjectNode *inner = t.tree.addChild(t.a, s("/src/a/in"), s("in"));
    EXPECT_EQ(t.tree.moveToFirstChild(t.a, inner), ProjectTree::MoveResult::Circular);
    EXPECT_EQ(t.tree.moveToFirstChild(t.a, t.a), ProjectTree::MoveResult::Circular);
    EXPECT_EQ(t.tree.moveToFirstChild(t.b, t.a), ProjectTree::MoveResult::Refused);
    EXPECT_EQ(t.tree.moveToFirstChild(t.c, t.root), ProjectTree::MoveResult::Moved);
    EXPECT_EQ(t.order(t.root), s("cab"));
}

TEST(ProjectTree, SortIgnoresCaseAndCollapseAllReachesEveryNode)
{
    ProjectTree tree;
    ProjectNode *root = tree.addRoot(s("/r/"), s("/r"));
    for (const char *name : { "b.JPG", "A.jpg", "10.jpg", "1.mpg" })
        tree.addChild(root, s("/r/") + s(name), s(name));
    tree.sortChildren(root);
    QStringList names;
    for (int i = 0; i < root->childCount(); ++i)
        names << root->child(i)->text();
    EXPECT_EQ(names.join(u','), s("1.mpg,10.jpg,A.jpg,b.JPG"));

    tree.setExpanded(root, true);
    tree.setExpanded(root->child(2), true);
    tree.collapseAll(root);
    EXPECT_FALSE(root->isExpanded());
    EXPECT_FALSE(root->child(2)->isExpanded());
    tree.makeVisible(root->child(3));
    EXPECT_TRUE(root->isExpanded());
}

TEST(ProjectTree, ClearForgetsNodesKeysAndInfo)
{
    SmallTree t;
    t.tree.info(2).pictureBytes = 5;
    t.tree.clear();
    EXPECT_TRUE(t.tree.isEmpty());
    EXPECT_EQ(t.tree.highestIndex(), 0);
    EXPECT_EQ(t.tree.info(2).pictureBytes, 0);
    ProjectNode *root = t.tree.addRoot(s("/src/"), s("/src/"));
    EXPECT_EQ(root->index(), 1);
    EXPECT_NO_THROW(t.tree.addChild(root, s("/src/a"), s("a")));
}

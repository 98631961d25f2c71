#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

#include "project/NodeInfo.h"
#include "project/ProjectNode.h"
#include "project/SkippedFile.h"
#include "project/TreeCounters.h"

// The picture of the disc to be made: a tree of menus, pictures and movies with
// a NodeInfo record per node and the running counters. Plain data: views see it
// through an adapter that listens to the hooks below.
class ProjectTree
{
public:
    // Notified around every change, so that a Qt item model can follow.
    class Listener
    {
    public:
        virtual ~Listener() = default;
        virtual void treeAboutToReset() { }
        virtual void treeReset() { }
        virtual void nodeAboutToBeAdded(ProjectNode * /*parent*/, int /*row*/) { }
        virtual void nodeAdded(ProjectNode * /*node*/) { }
        virtual void childrenAboutToBeReordered(ProjectNode * /*parent*/) { }
        virtual void childrenReordered(ProjectNode * /*parent*/) { }
        virtual void nodeChanged(ProjectNode * /*node*/) { } // check, tag, expansion, highlight
        virtual void selectionChanged(ProjectNode * /*node*/) { }
    };

    enum class MoveResult { Moved, Circular, Refused };

    ProjectTree();
    ~ProjectTree();
    ProjectTree(const ProjectTree &) = delete;
    ProjectTree &operator=(const ProjectTree &) = delete;

    void setListener(Listener *listener) { m_listener = listener; }

    // Drops every node and the NodeInfo table.
    void clear();
    bool isEmpty() const { return !m_root; }

    // Adds the root (Index 1). Throws KelvaraError on a duplicate key.
    ProjectNode *addRoot(const QString &key, const QString &text);
    // Appends a child; Index is the next in creation order. Throws KelvaraError
    // (35602, "Key is not unique in collection") when the key is taken.
    ProjectNode *addChild(ProjectNode *parent, const QString &key, const QString &text);

    // Where a file whose name does not open it is read instead (see
    // ProjectNode::diskPath).
    void setDiskPath(ProjectNode *node, const QString &path) { node->m_diskPath = path; }

    ProjectNode *root() const { return m_root.get(); }
    ProjectNode *nodeByIndex(int index) const;
    ProjectNode *nodeByKey(const QString &key) const { return m_byKey.value(key, nullptr); }
    // The highest Index given out (the upper bound of the NodeInfo table).
    int highestIndex() const { return static_cast<int>(m_byIndex.size()) - 1; }

    // NodeInfo by Index; slots without a node hold empty values. The table
    // grows to the largest Index as nodes are added.
    NodeInfo &info(int index);
    const NodeInfo &info(int index) const;
    NodeInfo &info(const ProjectNode *node) { return info(node->index()); }

    // The files the last scan left off the tree, in the order it met them.
    std::vector<SkippedFile> &skippedFiles() { return m_skipped; }
    const std::vector<SkippedFile> &skippedFiles() const { return m_skipped; }

    TreeCounters &counters() { return m_counters; }
    const TreeCounters &counters() const { return m_counters; }

    // Sorts the children once by Text, letters compared without regard to case.
    void sortChildren(ProjectNode *node);
    // The order sortChildren uses: case-insensitive, and names that differ only
    // in case (possible on POSIX file systems) in a fixed, case-sensitive order.
    static bool textLess(const QString &a, const QString &b);
    // Exchange a node (with its subtree) with its previous / next sibling.
    bool moveUp(ProjectNode *node);
    bool moveDown(ProjectNode *node);
    // Makes node the first child of newParent; Circular when newParent is the
    // node itself or lies below it (the tree is then unchanged).
    MoveResult moveToFirstChild(ProjectNode *node, ProjectNode *newParent);
    // Puts the children of parent in the given order; children not named keep
    // their relative order after the named ones, and names of other nodes are
    // skipped. False when the order did not change.
    bool setChildOrder(ProjectNode *parent, const std::vector<ProjectNode *> &order);

    // Expanded = false on the node and, recursively, on all its children.
    void collapseAll(ProjectNode *node);
    // Expands every ancestor so the node can be seen.
    void makeVisible(ProjectNode *node);

    void setChecked(ProjectNode *node, bool checked);
    void setExpanded(ProjectNode *node, bool expanded);
    void setTag(ProjectNode *node, const QString &tag);
    void setHighlighted(ProjectNode *node, bool on);
    // A build found the picture or movie unusable: it stays in the tree, off
    // the disc, with the reason. clearProblems forgets every one, so the
    // next build tries them again.
    void setProblem(ProjectNode *node, const QString &problem);
    void clearProblems();
    ProjectNode *highlightedNode() const { return m_highlighted; }

    ProjectNode *selectedNode() const { return m_selected; }
    void setSelectedNode(ProjectNode *node);

private:
    ProjectNode *createNode(ProjectNode *parent, const QString &key, const QString &text);
    static void renumberRows(ProjectNode *parent);

    std::unique_ptr<ProjectNode> m_root;
    std::vector<ProjectNode *> m_byIndex; // slot 0 unused
    std::vector<NodeInfo> m_info; // slot 0 unused
    QHash<QString, ProjectNode *> m_byKey;
    TreeCounters m_counters;
    std::vector<SkippedFile> m_skipped;
    ProjectNode *m_selected = nullptr;
    ProjectNode *m_highlighted = nullptr;
    Listener *m_listener = nullptr;
};

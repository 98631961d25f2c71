#pragma once

#include <QAbstractItemModel>

#include <functional>

#include "project/ProjectTree.h"
#include "project/TreeEditor.h"

// The tree view's window onto the ProjectTree: one column with the node's
// Text and check box, a blue background for the entry the menu page
// highlights, grey text for what a cleared box leaves off the disc, and drag
// and drop that moves a node by its Key to where the drop line shows. The view keeps
// nothing of its own: checks, moves, selection and expansion go to the tree,
// and the tree's changes come back through its Listener.
class ProjectTreeModel : public QAbstractItemModel, private ProjectTree::Listener
{
    Q_OBJECT

public:
    ProjectTreeModel(ProjectTree &tree, TreeEditor &editor, QObject *parent = nullptr);
    ~ProjectTreeModel() override;

    QModelIndex indexOf(const ProjectNode *node) const;
    static ProjectNode *nodeOf(const QModelIndex &index);

    // The counters moved after a check box change (refresh the display).
    void setCountersChanged(std::function<void()> handler) { m_countersChanged = std::move(handler); }

    // Drag and drop is switched off while a scan or build runs.
    void setEditable(bool editable) { m_editable = editable; }
    bool editable() const { return m_editable; }

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

    // The node under a drop and the side of it the node goes to: the item
    // dropped on (above it), the item below a gap (above it), or the last
    // item for a gap at the very end (below it).
    ProjectNode *dropTarget(int row, const QModelIndex &parent, TreeEditor::DropSide *side = nullptr) const;

signals:
    // The tree selected a node (a key, a menu page): the view follows.
    void selectionRequested(const QModelIndex &index);
    // The tree expanded or collapsed a node.
    void expansionRequested(const QModelIndex &index, bool expanded);

private:
    void treeAboutToReset() override;
    void treeReset() override;
    void nodeAboutToBeAdded(ProjectNode *parent, int row) override;
    void nodeAdded(ProjectNode *node) override;
    void childrenAboutToBeReordered(ProjectNode *parent) override;
    void childrenReordered(ProjectNode *parent) override;
    void nodeChanged(ProjectNode *node) override;
    void selectionChanged(ProjectNode *node) override;

    ProjectTree &m_tree;
    TreeEditor &m_editor;
    std::function<void()> m_countersChanged;
    QModelIndexList m_movingIndexes;
    QList<ProjectNode *> m_movingNodes;
    bool m_editable = true;
};

#include "gui/ProjectTreeModel.h"

#include <QBrush>
#include <QColor>
#include <QApplication>
#include <QMimeData>
#include <QPalette>
#include <QStyle>

#include "base/StringTable.h"
#include "base/TextIds.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/ProjectNode.h"
#include "project/TreeEditor.h"

namespace {
// A type of our own: a file manager's drag (which also carries text) is then
// not taken for a node, and reaches the window, which opens a dropped folder.
const QString NodeKeyType = QStringLiteral("application/x-kelvara-node");
} // namespace

ProjectTreeModel::ProjectTreeModel(ProjectTree &tree, TreeEditor &editor, QObject *parent)
    : QAbstractItemModel(parent)
    , m_tree(tree)
    , m_editor(editor)
{
    m_tree.setListener(this);
}

ProjectTreeModel::~ProjectTreeModel()
{
    m_tree.setListener(nullptr);
}

ProjectNode *ProjectTreeModel::nodeOf(const QModelIndex &index)
{
    return index.isValid() ? static_cast<ProjectNode *>(index.internalPointer()) : nullptr;
}

QModelIndex ProjectTreeModel::indexOf(const ProjectNode *node) const
{
    if (!node)
        return {};
    return createIndex(node->row(), 0, const_cast<ProjectNode *>(node));
}

QModelIndex ProjectTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        if (row == 0 && m_tree.root())
            return indexOf(m_tree.root());
        return {};
    }
    ProjectNode *child = nodeOf(parent)->child(row);
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex ProjectTreeModel::parent(const QModelIndex &child) const
{
    ProjectNode *node = nodeOf(child);
    if (!node || !node->parent())
        return {};
    return indexOf(node->parent());
}

int ProjectTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return m_tree.root() ? 1 : 0;
    return nodeOf(parent)->childCount();
}

int ProjectTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant ProjectTreeModel::data(const QModelIndex &index, int role) const
{
    ProjectNode *node = nodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        // A slideshow has no file name of its own to show.
        return kindOfName(node->text()) == NodeKind::Slideshow ? node->tag() : node->text();
    case Qt::ToolTipRole:
        // A picture or movie the last build left off says why.
        return node->problem().isEmpty() ? node->fullPath()
                                         : node->fullPath() + u'\n' + localText(TextId::LeftOffDisc)
                + QLatin1String(": ") + node->problem();
    case Qt::DecorationRole: {
        // Told by name, not by asking the disk: the view paints often.
        const QString &text = node->text();
        QStyle::StandardPixmap icon = QStyle::SP_DirIcon;
        if (!node->isRoot() && !node->hasChildren()) {
            const NodeKind kind = kindOfName(text);
            if (kind == NodeKind::Picture)
                icon = QStyle::SP_FileIcon;
            else if (kind == NodeKind::Movie || kind == NodeKind::Slideshow)
                icon = QStyle::SP_MediaPlay;
        }
        return QApplication::style()->standardIcon(icon);
    }
    case Qt::CheckStateRole:
        return node->isChecked() ? Qt::Checked : Qt::Unchecked;
    case Qt::BackgroundRole:
        if (node == m_tree.highlightedNode())
            return QBrush(QColor(0x1f, 0x5f, 0xbf));
        return {};
    case Qt::ForegroundRole:
        if (node == m_tree.highlightedNode())
            return QBrush(Qt::white);
        for (const ProjectNode *n = node; n; n = n->parent()) {
            // Everything below a cleared menu stays off the disc, whatever its own box says.
            if (!DiscContent::isTaken(n))
                return QBrush(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
        }
        return {};
    default:
        return {};
    }
}

bool ProjectTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    ProjectNode *node = nodeOf(index);
    if (!node || role != Qt::CheckStateRole)
        return false;
    if (m_editor.check(node, value.toInt() == Qt::Checked) && m_countersChanged)
        m_countersChanged();
    return true;
}

Qt::ItemFlags ProjectTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    if (m_editable)
        f |= Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    return f;
}

QStringList ProjectTreeModel::mimeTypes() const
{
    return { NodeKeyType };
}

QMimeData *ProjectTreeModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty() || !nodeOf(indexes.first()))
        return nullptr;
    auto *data = new QMimeData;
    data->setData(NodeKeyType, nodeOf(indexes.first())->key().toUtf8());
    return data;
}

ProjectNode *ProjectTreeModel::dropTarget(
    int row, const QModelIndex &parent, TreeEditor::DropSide *side) const
{
    if (side)
        *side = TreeEditor::DropSide::Above;
    ProjectNode *parentNode = nodeOf(parent);
    if (row < 0)
        return parentNode;
    if (!parentNode)
        return m_tree.root();
    ProjectNode *below = parentNode->child(row);
    if (below)
        return below;
    if (side)
        *side = TreeEditor::DropSide::Below;
    return parentNode->lastChild();
}

bool ProjectTreeModel::canDropMimeData(
    const QMimeData *data, Qt::DropAction, int, int, const QModelIndex &) const
{
    return m_editable && data && data->hasFormat(NodeKeyType);
}

bool ProjectTreeModel::dropMimeData(
    const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &parent)
{
    if (!m_editable || !data || !data->hasFormat(NodeKeyType))
        return false;
    TreeEditor::DropSide side = TreeEditor::DropSide::Above;
    ProjectNode *target = dropTarget(row, parent, &side);
    if (!target)
        return false;
    m_editor.drop(QString::fromUtf8(data->data(NodeKeyType)), target, side);
    // The tree moved the node itself; the view must not remove the source row.
    return false;
}

Qt::DropActions ProjectTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions ProjectTreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

void ProjectTreeModel::treeAboutToReset()
{
    beginResetModel();
}

void ProjectTreeModel::treeReset()
{
    endResetModel();
}

void ProjectTreeModel::nodeAboutToBeAdded(ProjectNode *parent, int row)
{
    beginInsertRows(indexOf(parent), row, row);
}

void ProjectTreeModel::nodeAdded(ProjectNode *)
{
    endInsertRows();
}

void ProjectTreeModel::childrenAboutToBeReordered(ProjectNode *)
{
    emit layoutAboutToBeChanged();
    m_movingIndexes = persistentIndexList();
    m_movingNodes.clear();
    for (const QModelIndex &index : std::as_const(m_movingIndexes))
        m_movingNodes.append(nodeOf(index));
}

void ProjectTreeModel::childrenReordered(ProjectNode *)
{
    // A node keeps its identity across a move: its index follows its new row.
    QModelIndexList to;
    for (ProjectNode *node : std::as_const(m_movingNodes))
        to.append(indexOf(node));
    changePersistentIndexList(m_movingIndexes, to);
    m_movingIndexes.clear();
    m_movingNodes.clear();
    emit layoutChanged();
}

void ProjectTreeModel::nodeChanged(ProjectNode *node)
{
    const QModelIndex index = indexOf(node);
    emit dataChanged(index, index);
    emit expansionRequested(index, node->isExpanded());
}

void ProjectTreeModel::selectionChanged(ProjectNode *node)
{
    emit selectionRequested(indexOf(node));
}

#include "project/ProjectTree.h"

#include <algorithm>

#include "base/KelvaraError.h"

ProjectTree::ProjectTree()
{
    m_byIndex.push_back(nullptr);
    m_info.emplace_back();
}

ProjectTree::~ProjectTree() = default;

void ProjectTree::clear()
{
    if (m_listener)
        m_listener->treeAboutToReset();
    m_selected = nullptr;
    m_highlighted = nullptr;
    m_byKey.clear();
    m_skipped.clear();
    m_byIndex.assign(1, nullptr);
    m_info.assign(1, NodeInfo {});
    m_root.reset();
    if (m_listener)
        m_listener->treeReset();
}

ProjectNode *ProjectTree::createNode(ProjectNode *parent, const QString &key, const QString &text)
{
    if (m_byKey.contains(key))
        throw KelvaraError(35602, QLatin1String("Key is not unique in collection: ") + key);
    auto node = std::make_unique<ProjectNode>();
    node->m_index = static_cast<int>(m_byIndex.size());
    node->m_key = key;
    node->m_text = text;
    node->m_parent = parent;
    ProjectNode *raw = node.get();
    if (parent) {
        const int row = parent->childCount();
        if (m_listener)
            m_listener->nodeAboutToBeAdded(parent, row);
        raw->m_row = row;
        parent->m_children.push_back(std::move(node));
    } else {
        if (m_listener)
            m_listener->treeAboutToReset();
        m_root = std::move(node);
    }
    m_byIndex.push_back(raw);
    m_info.resize(m_byIndex.size());
    m_byKey.insert(key, raw);
    if (m_listener) {
        if (parent)
            m_listener->nodeAdded(raw);
        else
            m_listener->treeReset();
    }
    return raw;
}

ProjectNode *ProjectTree::addRoot(const QString &key, const QString &text)
{
    if (m_root)
        clear();
    return createNode(nullptr, key, text);
}

ProjectNode *ProjectTree::addChild(ProjectNode *parent, const QString &key, const QString &text)
{
    Q_ASSERT(parent);
    return createNode(parent, key, text);
}

ProjectNode *ProjectTree::nodeByIndex(int index) const
{
    if (index < 1 || index >= static_cast<int>(m_byIndex.size()))
        return nullptr;
    return m_byIndex[static_cast<size_t>(index)];
}

NodeInfo &ProjectTree::info(int index)
{
    if (index < 0)
        index = 0;
    if (static_cast<size_t>(index) >= m_info.size())
        m_info.resize(static_cast<size_t>(index) + 1);
    return m_info[static_cast<size_t>(index)];
}

const NodeInfo &ProjectTree::info(int index) const
{
    static const NodeInfo empty;
    if (index < 0 || static_cast<size_t>(index) >= m_info.size())
        return empty;
    return m_info[static_cast<size_t>(index)];
}

void ProjectTree::renumberRows(ProjectNode *parent)
{
    int row = 0;
    for (auto &child : parent->m_children)
        child->m_row = row++;
}

bool ProjectTree::textLess(const QString &a, const QString &b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void ProjectTree::sortChildren(ProjectNode *node)
{
    if (!node || node->childCount() < 2)
        return;
    if (m_listener)
        m_listener->childrenAboutToBeReordered(node);
    std::stable_sort(node->m_children.begin(), node->m_children.end(),
        [](const std::unique_ptr<ProjectNode> &a, const std::unique_ptr<ProjectNode> &b) {
            return textLess(a->m_text, b->m_text);
        });
    renumberRows(node);
    if (m_listener)
        m_listener->childrenReordered(node);
}

bool ProjectTree::moveUp(ProjectNode *node)
{
    if (!node || !node->m_parent || node->m_row == 0)
        return false;
    ProjectNode *parent = node->m_parent;
    if (m_listener)
        m_listener->childrenAboutToBeReordered(parent);
    std::swap(parent->m_children[static_cast<size_t>(node->m_row)],
        parent->m_children[static_cast<size_t>(node->m_row - 1)]);
    renumberRows(parent);
    if (m_listener)
        m_listener->childrenReordered(parent);
    return true;
}

bool ProjectTree::moveDown(ProjectNode *node)
{
    if (!node || !node->m_parent || node->m_row + 1 >= node->m_parent->childCount())
        return false;
    return moveUp(node->next());
}

ProjectTree::MoveResult ProjectTree::moveToFirstChild(ProjectNode *node, ProjectNode *newParent)
{
    if (!node || !newParent || !node->m_parent)
        return MoveResult::Refused;
    if (newParent->isSelfOrDescendantOf(node))
        return MoveResult::Circular;
    if (newParent != node->m_parent)
        return MoveResult::Refused; // moves between folders would break the node's path
    if (m_listener)
        m_listener->childrenAboutToBeReordered(newParent);
    auto &children = newParent->m_children;
    auto it = children.begin() + node->m_row;
    std::rotate(children.begin(), it, it + 1);
    renumberRows(newParent);
    if (m_listener)
        m_listener->childrenReordered(newParent);
    return MoveResult::Moved;
}

bool ProjectTree::setChildOrder(ProjectNode *parent, const std::vector<ProjectNode *> &order)
{
    if (!parent)
        return false;
    std::vector<ProjectNode *> wanted;
    for (ProjectNode *node : order) {
        if (node && node->m_parent == parent && std::find(wanted.begin(), wanted.end(), node) == wanted.end())
            wanted.push_back(node);
    }
    for (auto &child : parent->m_children) {
        if (std::find(wanted.begin(), wanted.end(), child.get()) == wanted.end())
            wanted.push_back(child.get());
    }
    bool same = true;
    for (size_t i = 0; i < wanted.size(); ++i)
        same = same && parent->m_children[i].get() == wanted[i];
    if (same)
        return false;

    if (m_listener)
        m_listener->childrenAboutToBeReordered(parent);
    std::vector<std::unique_ptr<ProjectNode>> children;
    children.reserve(wanted.size());
    for (ProjectNode *node : wanted)
        children.push_back(std::move(parent->m_children[static_cast<size_t>(node->m_row)]));
    parent->m_children = std::move(children);
    renumberRows(parent);
    if (m_listener)
        m_listener->childrenReordered(parent);
    return true;
}

void ProjectTree::collapseAll(ProjectNode *node)
{
    if (!node)
        return;
    if (node->m_expanded) {
        node->m_expanded = false;
        if (m_listener)
            m_listener->nodeChanged(node);
    }
    for (auto &child : node->m_children)
        collapseAll(child.get());
}

void ProjectTree::makeVisible(ProjectNode *node)
{
    for (ProjectNode *p = node ? node->m_parent : nullptr; p; p = p->m_parent) {
        if (!p->m_expanded) {
            p->m_expanded = true;
            if (m_listener)
                m_listener->nodeChanged(p);
        }
    }
}

void ProjectTree::setChecked(ProjectNode *node, bool checked)
{
    if (!node || node->m_checked == checked)
        return;
    node->m_checked = checked;
    if (m_listener)
        m_listener->nodeChanged(node);
}

void ProjectTree::setExpanded(ProjectNode *node, bool expanded)
{
    if (!node || node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    if (m_listener)
        m_listener->nodeChanged(node);
}

void ProjectTree::setTag(ProjectNode *node, const QString &tag)
{
    if (!node)
        return;
    node->m_tag = tag;
    if (m_listener)
        m_listener->nodeChanged(node);
}

void ProjectTree::setProblem(ProjectNode *node, const QString &problem)
{
    if (!node || node->m_problem == problem)
        return;
    node->m_problem = problem;
    if (m_listener)
        m_listener->nodeChanged(node);
}

void ProjectTree::clearProblems()
{
    for (ProjectNode *node : m_byIndex) {
        if (node)
            setProblem(node, QString());
    }
}

void ProjectTree::setHighlighted(ProjectNode *node, bool on)
{
    ProjectNode *before = m_highlighted;
    if (on)
        m_highlighted = node;
    else if (m_highlighted == node)
        m_highlighted = nullptr;
    if (m_listener && before != m_highlighted) {
        if (before)
            m_listener->nodeChanged(before);
        if (m_highlighted)
            m_listener->nodeChanged(m_highlighted);
    }
}

void ProjectTree::setSelectedNode(ProjectNode *node)
{
    if (m_selected == node)
        return;
    m_selected = node;
    if (m_listener)
        m_listener->selectionChanged(node);
}

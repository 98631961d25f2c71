#include "project/ProjectNode.h"

QString ProjectNode::fullPath() const
{
    if (!m_diskPath.isEmpty())
        return m_diskPath;
    if (!m_parent)
        return m_text;
    return m_parent->fullPath() + u'/' + m_text;
}

ProjectNode *ProjectNode::child(int row) const
{
    if (row < 0 || row >= childCount())
        return nullptr;
    return m_children[static_cast<size_t>(row)].get();
}

ProjectNode *ProjectNode::next() const
{
    return m_parent ? m_parent->child(m_row + 1) : nullptr;
}

ProjectNode *ProjectNode::previous() const
{
    return m_parent ? m_parent->child(m_row - 1) : nullptr;
}

ProjectNode *ProjectNode::firstSibling() const
{
    return m_parent ? m_parent->firstChild() : const_cast<ProjectNode *>(this);
}

ProjectNode *ProjectNode::lastSibling() const
{
    return m_parent ? m_parent->lastChild() : const_cast<ProjectNode *>(this);
}

bool ProjectNode::isSelfOrDescendantOf(const ProjectNode *other) const
{
    for (const ProjectNode *n = this; n; n = n->m_parent) {
        if (n == other)
            return true;
    }
    return false;
}

#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "project/NodeKind.h"

class ProjectTree;

// One node of the ProjectTree: a menu (folder), picture or movie. Owned by its
// parent; the order of the children is the order on the menu pages and disc.
class ProjectNode
{
public:
    int index() const { return m_index; }
    const QString &key() const { return m_key; }
    const QString &text() const { return m_text; }

    // Changed through ProjectTree, which tells the view. Setting Checked in
    // code raises no check event; the editing model handles those.
    const QString &tag() const { return m_tag; }
    bool isChecked() const { return m_checked; }
    bool isExpanded() const { return m_expanded; }
    // Why the last build left this picture or movie off the disc (it could
    // not be decoded or converted); empty when it did not.
    const QString &problem() const { return m_problem; }

    // The root's Text and every Text on the way down, joined with "/": the
    // node's absolute path on disk (a doubled separator after a root entered
    // with a trailing one is harmless). A file whose name is not valid UTF-8
    // answers its diskPath instead, the one path that opens it.
    QString fullPath() const;
    // A plain-named link to the file (NameAlias); empty for every other node.
    const QString &diskPath() const { return m_diskPath; }
    NodeKind kind() const { return nodeKindOf(fullPath()); }

    ProjectNode *parent() const { return m_parent; }
    bool isRoot() const { return m_parent == nullptr; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    bool hasChildren() const { return !m_children.empty(); }
    ProjectNode *child(int row) const;
    ProjectNode *firstChild() const { return child(0); }
    ProjectNode *lastChild() const { return child(childCount() - 1); }

    // 0-based place among the siblings (0 for the root).
    int row() const { return m_row; }
    ProjectNode *next() const;
    ProjectNode *previous() const;
    ProjectNode *firstSibling() const;
    ProjectNode *lastSibling() const;

    // True when this node is `other` or lies below it.
    bool isSelfOrDescendantOf(const ProjectNode *other) const;

private:
    friend class ProjectTree;

    int m_index = 0;
    int m_row = 0;
    QString m_key;
    QString m_text;
    QString m_tag;
    QString m_problem;
    QString m_diskPath;
    bool m_checked = false;
    bool m_expanded = false;
    ProjectNode *m_parent = nullptr;
    std::vector<std::unique_ptr<ProjectNode>> m_children;
};

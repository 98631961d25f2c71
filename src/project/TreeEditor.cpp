#include "project/TreeEditor.h"

#include <QStringList>

#include "base/Prompter.h"
#include "project/OrderFile.h"
#include "project/ProjectTree.h"
#include "base/StringTable.h"

namespace {
QString boxTitle()
{
    return QStringLiteral("Kelvara");
}
} // namespace

TreeEditor::TreeEditor(ProjectTree &tree, Prompter &prompter)
    : m_tree(tree)
    , m_prompter(prompter)
{ }

bool TreeEditor::setChecked(ProjectNode *node)
{
    if (!node)
        return false;
    NodeInfo &info = m_tree.info(node);
    const bool checked = node->isChecked();
    if (info.included == checked)
        return false;
    info.included = checked;

    TreeCounters &counters = m_tree.counters();
    const double step = checked ? 1.0 : -1.0;
    counters.PictureBytesTotal += step * static_cast<double>(info.pictureBytes);
    if (!node->hasChildren()) {
        counters.ItemCount += step;
    } else {
        propagateCheck(node, checked);
        counters.MenuCount += step;
    }
    return true;
}

void TreeEditor::propagateCheck(ProjectNode *node, bool value)
{
    TreeCounters &counters = m_tree.counters();
    const double step = value ? 1.0 : -1.0;
    for (int row = 0; row < node->childCount(); ++row) {
        ProjectNode *child = node->child(row);
        m_tree.setChecked(child, value);
        if (child->hasChildren()) {
            counters.MenuCount += step;
            propagateCheck(child, value);
        } else {
            counters.ItemCount += step;
        }
    }
}

bool TreeEditor::moveUp(ProjectNode *entry, int entryNumber)
{
    if (!entry || entryNumber <= 1)
        return false;
    return m_tree.moveUp(entry);
}

bool TreeEditor::moveDown(ProjectNode *entry, int entryNumber)
{
    if (!entry || !entry->parent() || entryNumber >= entry->parent()->childCount())
        return false;
    return m_tree.moveDown(entry);
}

QString TreeEditor::startDrag() const
{
    const ProjectNode *node = m_tree.selectedNode();
    return node ? node->key() : QString();
}

TreeEditor::DropResult TreeEditor::drop(const QString &key, ProjectNode *target)
{
    ProjectNode *node = key.isEmpty() ? nullptr : m_tree.nodeByKey(key);
    if (!node || !target || node->isRoot() || !target->parent())
        return DropResult::Ignored;

    switch (m_tree.moveToFirstChild(node, target->parent())) {
    case ProjectTree::MoveResult::Moved:
        return DropResult::Moved;
    case ProjectTree::MoveResult::Circular:
        m_prompter.inform(boxTitle(), QStringLiteral("Can't create circular relations"));
        return DropResult::Circular;
    case ProjectTree::MoveResult::Refused:
        break;
    }
    // A node taken to another menu would no longer name its file or folder on
    // disk, and could put pictures among menus; only reordering is allowed.
    m_prompter.inform(boxTitle(),
        QStringLiteral("An entry can only be moved within its own menu. Drop it on "
                       "an entry of the same menu to move it to the top."));
    return DropResult::OtherMenu;
}

bool TreeEditor::saveOrder(ProjectNode *entry)
{
    if (!entry || !entry->parent())
        return false;
    ProjectNode *first = entry->firstSibling();
    ProjectNode *menu = first->parent();

    const QString path = OrderFile::pathIn(m_tree.info(menu).sourcePath);
    QStringList names;
    for (ProjectNode *node = first; node; node = node->next())
        names.append(node->tag());

    if (!OrderFile::write(path, names)) {
        m_prompter.inform(localText(1112), localText(1110) + path + localText(1111));
        return false;
    }
    return true;
}

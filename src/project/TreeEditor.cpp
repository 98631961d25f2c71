#include "project/TreeEditor.h"

#include <algorithm>

#include <QFile>

#include "base/Prompter.h"
#include "base/StringTable.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/OrderFile.h"
#include "project/ProjectTree.h"

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

bool TreeEditor::check(ProjectNode *node, bool checked)
{
    if (!node)
        return false;
    Snapshot before = checksOf(node);
    m_tree.setChecked(node, checked);
    const bool counted = setChecked(node);
    Snapshot after = checksOf(node);
    if (before.checks != after.checks) {
        record(std::move(before), std::move(after));
        saveChecks(node);
    }
    return counted;
}

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
    // Which pictures a slideshow shows depends on every box of its folder.
    counters.slideshowPictures = DiscContent::count(m_tree).slideshowPictures;
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
    if (!entry || entryNumber <= 1 || !entry->previous())
        return false;
    std::vector<ProjectNode *> order;
    for (ProjectNode *node = entry->firstSibling(); node; node = node->next())
        order.push_back(node);
    std::swap(order[static_cast<size_t>(entry->row())], order[static_cast<size_t>(entry->row() - 1)]);
    return reorder(entry->parent(), order);
}

bool TreeEditor::moveDown(ProjectNode *entry, int entryNumber)
{
    if (!entry || !entry->parent() || entryNumber >= entry->parent()->childCount() || !entry->next())
        return false;
    return moveUp(entry->next(), entry->row() + 2);
}

QString TreeEditor::startDrag() const
{
    const ProjectNode *node = m_tree.selectedNode();
    return node ? node->key() : QString();
}

TreeEditor::DropResult TreeEditor::drop(const QString &key, ProjectNode *target, DropSide side)
{
    ProjectNode *node = key.isEmpty() ? nullptr : m_tree.nodeByKey(key);
    if (!node || !target || node->isRoot() || !target->parent())
        return DropResult::Ignored;

    ProjectNode *menu = target->parent();
    if (menu->isSelfOrDescendantOf(node)) {
        m_prompter.inform(boxTitle(), QStringLiteral("Can't create circular relations"));
        return DropResult::Circular;
    }
    if (menu != node->parent()) {
        // A node taken to another menu would no longer name its file or folder
        // on disk, and could put pictures among menus; only reordering is allowed.
        m_prompter.inform(boxTitle(),
            QStringLiteral("An entry can only be moved within its own menu. Drop it between "
                           "entries of the same menu to move it there."));
        return DropResult::OtherMenu;
    }
    if (target == node)
        return DropResult::Ignored;

    std::vector<ProjectNode *> order;
    for (ProjectNode *sibling = menu->firstChild(); sibling; sibling = sibling->next()) {
        if (sibling == target && side == DropSide::Above)
            order.push_back(node);
        if (sibling != node)
            order.push_back(sibling);
        if (sibling == target && side == DropSide::Below)
            order.push_back(node);
    }
    return reorder(menu, order) ? DropResult::Moved : DropResult::Ignored;
}

bool TreeEditor::saveOrder(ProjectNode *entry)
{
    if (!entry || !entry->parent())
        return false;
    ProjectNode *menu = entry->parent();
    if (!saveMenu(menu, false)) {
        const QString path = OrderFile::pathIn(m_tree.info(menu).sourcePath);
        m_prompter.inform(localText(1112), localText(1110) + path + localText(1111));
        return false;
    }
    return true;
}

ProjectNode *TreeEditor::undo()
{
    if (m_undo.empty())
        return nullptr;
    Edit edit = std::move(m_undo.back());
    m_undo.pop_back();
    ProjectNode *node = restore(edit.before);
    m_redo.push_back(std::move(edit));
    if (m_historyChanged)
        m_historyChanged();
    return node;
}

ProjectNode *TreeEditor::redo()
{
    if (m_redo.empty())
        return nullptr;
    Edit edit = std::move(m_redo.back());
    m_redo.pop_back();
    ProjectNode *node = restore(edit.after);
    m_undo.push_back(std::move(edit));
    if (m_historyChanged)
        m_historyChanged();
    return node;
}

bool TreeEditor::confirmDiscard()
{
    if (!hasUnsavedChanges())
        return true;
    return m_prompter.askYesNo(boxTitle(),
        QStringLiteral("Some changes to the order or the check boxes could not be saved to the "
                       "source folder. Read the structure again and lose them?"),
        Prompter::Icon::Question, false);
}

TreeEditor::Snapshot TreeEditor::orderOf(ProjectNode *menu) const
{
    Snapshot state;
    state.menuKey = menu->key();
    for (ProjectNode *node = menu->firstChild(); node; node = node->next())
        state.order.append(node->key());
    return state;
}

TreeEditor::Snapshot TreeEditor::checksOf(ProjectNode *node) const
{
    Snapshot state;
    state.nodeKey = node->key();
    std::vector<ProjectNode *> pending { node };
    while (!pending.empty()) {
        ProjectNode *n = pending.back();
        pending.pop_back();
        state.checks.insert(n->key(), n->isChecked());
        for (int row = 0; row < n->childCount(); ++row)
            pending.push_back(n->child(row));
    }
    return state;
}

void TreeEditor::record(Snapshot before, Snapshot after)
{
    m_undo.push_back({ std::move(before), std::move(after) });
    m_redo.clear();
    if (m_historyChanged)
        m_historyChanged();
}

bool TreeEditor::reorder(ProjectNode *menu, const std::vector<ProjectNode *> &order)
{
    if (!menu)
        return false;
    Snapshot before = orderOf(menu);
    // A folder's slideshow stays its first state, wherever it was dropped.
    std::vector<ProjectNode *> wanted = order;
    std::stable_partition(wanted.begin(), wanted.end(),
        [](const ProjectNode *node) { return node && kindOfName(node->text()) == NodeKind::Slideshow; });
    if (!m_tree.setChildOrder(menu, wanted))
        return false;
    record(std::move(before), orderOf(menu));
    saveMenu(menu, false);
    return true;
}

ProjectNode *TreeEditor::restore(const Snapshot &state)
{
    // Keys outlive a new scan of the same folder, so the history does too;
    // entries gone from the disc since are skipped.
    if (!state.menuKey.isEmpty()) {
        ProjectNode *menu = m_tree.nodeByKey(state.menuKey);
        if (!menu)
            return nullptr;
        std::vector<ProjectNode *> order;
        for (const QString &key : state.order)
            order.push_back(m_tree.nodeByKey(key));
        m_tree.setChildOrder(menu, order);
        saveMenu(menu, false);
        return menu->firstChild();
    }
    ProjectNode *node = m_tree.nodeByKey(state.nodeKey);
    if (!node)
        return nullptr;
    restoreChecks(node, state.checks);
    saveChecks(node);
    return node;
}

void TreeEditor::restoreChecks(ProjectNode *node, const QHash<QString, bool> &checks)
{
    // Top down, each box set as the user would set it, so the counters take
    // the same steps back that they took forward.
    const auto wanted = checks.constFind(node->key());
    if (wanted != checks.constEnd() && *wanted != node->isChecked()) {
        m_tree.setChecked(node, *wanted);
        setChecked(node);
    }
    for (int row = 0; row < node->childCount(); ++row)
        restoreChecks(node->child(row), checks);
}

void TreeEditor::saveChecks(ProjectNode *node)
{
    if (node->parent())
        saveMenu(node->parent(), false);
    std::vector<ProjectNode *> pending { node };
    while (!pending.empty()) {
        ProjectNode *menu = pending.back();
        pending.pop_back();
        if (!menu->hasChildren())
            continue;
        // A menu without a file takes its boxes from the menu above when read.
        saveMenu(menu, true);
        for (int row = 0; row < menu->childCount(); ++row)
            pending.push_back(menu->child(row));
    }
}

bool TreeEditor::saveMenu(ProjectNode *menu, bool onlyIfPresent)
{
    const QString folder = m_tree.info(menu).sourcePath;
    const QString path = OrderFile::pathIn(folder);
    if (onlyIfPresent && !QFile::exists(path))
        return true;
    QStringList names;
    QStringList unchecked;
    for (ProjectNode *node = menu->firstChild(); node; node = node->next()) {
        names.append(node->text());
        if (!node->isChecked())
            unchecked.append(node->text());
    }
    if (OrderFile::write(path, names, unchecked)) {
        m_unsaved.remove(menu->key());
        return true;
    }
    m_unsaved.insert(menu->key());
    if (!m_reported.contains(folder)) {
        m_reported.insert(folder);
        if (m_writeFailed)
            m_writeFailed(folder);
    }
    return false;
}

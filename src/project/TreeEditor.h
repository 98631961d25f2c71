#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class ProjectTree;
class ProjectNode;
class Prompter;

// What the user does to the tree after a scan: check boxes, moving the
// highlighted menu entry up or down, dropping a node. Every such change is
// written to the folder's order file at once and can be undone and redone for
// the rest of the session. Re-rendering the menu page and refreshing the
// capacity display are left to the window, which learns from the results
// whether anything changed.
class TreeEditor
{
public:
    enum class DropResult {
        Moved, // the node now stands beside the target
        Circular, // refused: the node would end up below itself
        OtherMenu, // refused: entries move only within their own menu
        Ignored // unknown key, no target, the root involved, or dropped on itself
    };
    // Where the drop line stood: above or below the target.
    enum class DropSide { Above, Below };

    TreeEditor(ProjectTree &tree, Prompter &prompter);

    // The user sets a node's box: the tree, the counters and the order file
    // follow, and the change can be undone. True when the counters changed.
    bool check(ProjectNode *node, bool checked);

    // Called after the node's check box changed. Updates the counters; true
    // when they changed (the capacity display should follow). Neither saves
    // nor records the change: check() does both around it.
    bool setChecked(ProjectNode *node);

    // Sets every descendant's box to value and counts them as menus or items.
    // Neither `included` nor PictureBytesTotal changes for the descendants:
    // only the node the user changed contributes its pictureBytes.
    void propagateCheck(ProjectNode *node, bool value);

    // Move the highlighted menu entry, entry number entryNumber (from 1) of
    // its menu, one place with its subtree. True when it moved (then the
    // window renders the menu again, the entry still highlighted).
    bool moveUp(ProjectNode *entry, int entryNumber);
    bool moveDown(ProjectNode *entry, int entryNumber);

    // The drag data for the selected node: its Key; empty when none.
    QString startDrag() const;

    // Moves the node with that Key next to the target, above or below it, in
    // the same menu. Refusals are shown to the user through the Prompter.
    DropResult drop(const QString &key, ProjectNode *target, DropSide side = DropSide::Above);

    // Writes the menu the entry is in to its folder's order file now. False
    // (after a message when the file could not be written) when nothing was
    // saved.
    bool saveOrder(ProjectNode *entry);

    // Undo and redo of checks and moves, back to the start of the session;
    // the order files follow. Each returns the node whose menu changed, or
    // null when there was nothing to do.
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    ProjectNode *undo();
    ProjectNode *redo();
    // Told whenever canUndo or canRedo may have changed.
    void setHistoryChanged(std::function<void()> handler) { m_historyChanged = std::move(handler); }

    // Told once per folder, the first time its order file cannot be written;
    // its order and checks then last for the session only.
    void setWriteFailed(std::function<void(const QString &folder)> handler)
    {
        m_writeFailed = std::move(handler);
    }
    // True while some change is only in the tree, not in its order file.
    bool hasUnsavedChanges() const { return !m_unsaved.isEmpty(); }
    // Before the tree is read again: true when nothing unsaved would be lost
    // or the user agrees to lose it.
    bool confirmDiscard();
    // The tree was read again from the disc: what was unsaved is gone.
    void forgetUnsaved() { m_unsaved.clear(); }

private:
    // The part of the tree one change touches: a menu's order by Key, or the
    // boxes of a node and its descendants.
    struct Snapshot
    {
        QString menuKey;
        QStringList order;
        QString nodeKey;
        QHash<QString, bool> checks;
    };
    struct Edit
    {
        Snapshot before;
        Snapshot after;
    };

    Snapshot orderOf(ProjectNode *menu) const;
    Snapshot checksOf(ProjectNode *node) const;
    void record(Snapshot before, Snapshot after);
    ProjectNode *restore(const Snapshot &state);
    void restoreChecks(ProjectNode *node, const QHash<QString, bool> &checks);
    bool reorder(ProjectNode *menu, const std::vector<ProjectNode *> &order);
    // After a box changed: the menu holding the node, and each menu below it
    // that already has an order file (the boxes there changed too).
    void saveChecks(ProjectNode *node);
    bool saveMenu(ProjectNode *menu, bool onlyIfPresent);

    ProjectTree &m_tree;
    Prompter &m_prompter;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;
    std::function<void()> m_historyChanged;
    std::function<void(const QString &)> m_writeFailed;
    QSet<QString> m_unsaved; // menu Keys
    QSet<QString> m_reported; // folders already reported
};

#pragma once

#include <QString>

class ProjectTree;
class ProjectNode;
class Prompter;

// What the user does to the tree after a scan: check boxes, moving the
// highlighted menu entry up or down, dropping a node, saving a menu's order.
// Re-rendering the menu page and refreshing the capacity display are left to
// the window, which learns from the results whether anything changed.
class TreeEditor
{
public:
    enum class DropResult {
        Moved, // the node is now the first child of the target's parent
        Circular, // refused: the node would end up below itself
        OtherMenu, // refused: entries move only within their own menu
        Ignored // unknown key, no target, or the root involved
    };

    TreeEditor(ProjectTree &tree, Prompter &prompter);

    // Called after the view changed the node's check box. Updates the
    // counters; true when they changed (the capacity display should follow).
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

    // Moves the node with that Key to the top of the target's sibling list.
    // Refusals are shown to the user through the Prompter.
    DropResult drop(const QString &key, ProjectNode *target);

    // Writes the order of the menu the entry is in to its folder's order
    // file. False (after a message when the file could not be written) when
    // nothing was saved.
    bool saveOrder(ProjectNode *entry);

private:
    ProjectTree &m_tree;
    Prompter &m_prompter;
};

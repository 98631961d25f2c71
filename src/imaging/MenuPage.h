#pragma once

class ProjectNode;

// The layout of one rendered menu page: which entry is highlighted and where.
// Entries are the checked folders below the menu, numbered from 1 in tree
// order; the page shows a window of at most entriesPerPage of them that ends
// at the highlighted one (or starts at the first while that fits).
struct MenuPage
{
    int selectedEntry = 1; // the highlighted entry's number
    int entryCount = 0; // checked folders below the menu; 0 for a menu of pictures only
    int entriesPerPage = 0; // buttons that fit, decided by the first page
    int entrySlot = 0; // the highlighted entry's button, from 1 at the top
    ProjectNode *entryNode = nullptr; // the highlighted entry, when drawn
};

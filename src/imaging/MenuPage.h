#pragma once

class ProjectNode;

// The layout of one rendered menu page: which entry is highlighted and where.
// Entries are the lines of the menu (DiscContent::menuLines: the checked
// folders below it in tree order, each folder with a slideshow followed by
// the slideshow's line), numbered from 1; the page shows a window of at most
// entriesPerPage of them that ends at the highlighted one (or starts at the
// first while that fits).
struct MenuPage
{
    int selectedEntry = 1; // the highlighted entry's number
    int entryCount = 0; // lines of the menu; 0 for a menu of pictures only
    int entriesPerPage = 0; // buttons that fit, decided by the first page
    int entrySlot = 0; // the highlighted entry's button, from 1 at the top
    ProjectNode *entryNode = nullptr; // the highlighted line's node, when drawn
};

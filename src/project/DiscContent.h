#pragma once

#include <QList>

#include "project/TreeCounters.h"

class ProjectNode;
class ProjectTree;

// What of the tree goes on the disc: the checked nodes below checked folders,
// less the pictures and movies a build found it could not use.
// The walk, the navigation model, the menu pages, the preview and the
// counters all ask here, so an unchecked node leaves every one of them alike.
// The root is the disc itself and is always on it.
class DiscContent
{
public:
    // Checked, and not found unusable by a build.
    static bool isTaken(const ProjectNode *node);
    // True when the node and every folder above it (the root aside) are taken.
    static bool isOnDisc(const ProjectNode *node);

    // The checked children, in disc order.
    static QList<ProjectNode *> children(const ProjectNode *node);
    static ProjectNode *firstChild(const ProjectNode *node);
    static bool hasChildren(const ProjectNode *node) { return firstChild(node) != nullptr; }
    // The checked sub-folders: a menu's entries, numbered from 1 in this order.
    static QList<ProjectNode *> entries(const ProjectNode *folder);
    // A folder with a checked sub-folder shows a menu; any other folder shows
    // its pictures and movies, as if its unchecked sub-folders were not there.
    static bool isMenu(const ProjectNode *folder) { return !entries(folder).isEmpty(); }

    // The lines of a menu's page, numbered from 1 in this order: each entry,
    // followed by the line of its slideshow when it opens with one.
    static QList<ProjectNode *> menuLines(const ProjectNode *menu);
    // The slideshow a folder of pictures opens with, when it is on the disc.
    static ProjectNode *slideshowOf(const ProjectNode *folder);
    // The menu whose page shows the line: the folder above an entry, the
    // one above the slideshow's folder for a slideshow's line.
    static ProjectNode *menuOfLine(const ProjectNode *line);
    // The entry a line belongs to: the slideshow's folder for its line.
    static ProjectNode *entryOfLine(ProjectNode *line);

    // The nearest checked sibling before / after the node; null when none.
    static ProjectNode *previous(const ProjectNode *node);
    static ProjectNode *next(const ProjectNode *node);

    // The pictures a folder's slideshow shows: the folder's pictures on the
    // disc, in disc order.
    static QList<ProjectNode *> slideshowPictures(const ProjectNode *slideshow);

    // Folders (the root aside), pictures and movies on the disc, and the
    // bytes of those pictures and movies in whole sectors, as their
    // originals would take them on the disc.
    static TreeCounters count(const ProjectTree &tree);
};

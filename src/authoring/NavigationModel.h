#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

#include "authoring/StateLinks.h"

class ProjectNode;
struct Settings;

// The links of every state of the disc (previous, next, return, enter, the
// timeout and its wait, the number keys of a menu page), computed in one place
// so that vcd.xml and the preview agree on where each key goes.
//
// forTree() visits the tree as the build walks it: every folder with folders
// below it is a menu with one state per line of its page (an entry, and after
// a folder with a slideshow the slideshow's own line), every other folder
// holds the pictures (each with its caption state when a caption file lies
// beside it) and movies the disc shows one after the other, after its
// slideshow when it has one. The folder's number key opens its first picture;
// the slideshow's line plays the slideshow, which leads on to that picture.
// The add functions describe one state each from facts the caller already
// knows.
class NavigationModel
{
public:
    // How many entries a page of this menu shows (the renderer knows).
    using EntriesPerPage = std::function<int(const ProjectNode *menu)>;

    // The wait of pictures and movies comes from the settings' timeout.
    explicit NavigationModel(const Settings &settings);

    static NavigationModel forTree(
        ProjectNode *root, const Settings &settings, const EntriesPerPage &entriesPerPage);

    // The menu page that highlights line number lineNumber (an entry, or a
    // slideshow for its line) of its menu, whose pages show entriesPerPage
    // lines.
    void addMenuState(ProjectNode *line, int lineNumber, int entriesPerPage);
    // A picture's state, and its caption state when it has a caption.
    void addPicture(ProjectNode *picture, bool captioned);
    void addMovie(ProjectNode *movie);
    // A folder's slideshow: its first state, leading on to the pictures.
    void addSlideshow(ProjectNode *slideshow);

    // Every state in the order the disc describes them.
    const QList<DiscState> &states() const { return m_order; }
    // The state's links; invalid ones for a state not on the disc.
    StateLinks links(const DiscState &state) const { return m_links.value(state); }

    // The menu state that highlights the line: the entry's own state, or
    // the slideshow's menu line.
    static DiscState menuStateOf(ProjectNode *line);
    // Where a line's number key and Enter lead: the slideshow for its line,
    // the first picture, movie or sub-menu for an entry (past its
    // slideshow); no state for an empty folder.
    static DiscState lineTarget(ProjectNode *line);

    // The caption file of a picture: its path with ".txt" for the extension,
    // or empty when no such file exists.
    static QString captionFileOf(const ProjectNode *picture);
    // Seconds a picture or movie stays before its timeout; -1 for ever.
    static int pictureWait(const Settings &settings);

private:
    void visitMenu(ProjectNode *menu, const EntriesPerPage &entriesPerPage);
    void visitFiles(ProjectNode *folder);
    void addMenuLine(const QList<ProjectNode *> &lines, int index, int entriesPerPage);
    StateLinks linksOf(ProjectNode *node, StateLinks::Page page) const;
    // Return and the last state's timeout lead to the folder's own state.
    static void leaveFolder(StateLinks &links, ProjectNode *folder);
    void insert(const StateLinks &links);

    int m_pictureWait = -1;
    QList<DiscState> m_order;
    QHash<DiscState, StateLinks> m_links;
};

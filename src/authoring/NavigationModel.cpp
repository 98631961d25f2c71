#include "authoring/NavigationModel.h"

#include <algorithm>

#include <QFileInfo>

#include "base/Numeric.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/ProjectNode.h"
#include "settings/Settings.h"

namespace {

// Menu pages and caption stills wait longer than any viewer does.
const int kLongWait = 2000;

DiscState stateOf(ProjectNode *node)
{
    return DiscState { node, false };
}

} // namespace

NavigationModel::NavigationModel(const Settings &settings)
    : m_pictureWait(pictureWait(settings))
{ }

int NavigationModel::pictureWait(const Settings &settings)
{
    const int seconds = Numeric::roundHalfEven(Numeric::val(settings.timeout));
    // Below one second means "wait for ever".
    return seconds < 1 ? -1 : seconds;
}

QString NavigationModel::captionFileOf(const ProjectNode *picture)
{
    const QString caption = captionPathOf(picture->fullPath());
    return QFileInfo(caption).isFile() ? caption : QString();
}

NavigationModel NavigationModel::forTree(
    ProjectNode *root, const Settings &settings, const EntriesPerPage &entriesPerPage)
{
    NavigationModel model(settings);
    if (root)
        model.visitMenu(root, entriesPerPage);
    return model;
}

void NavigationModel::visitMenu(ProjectNode *menu, const EntriesPerPage &entriesPerPage)
{
    const QList<ProjectNode *> entries = DiscContent::entries(menu);
    if (entries.isEmpty()) {
        visitFiles(menu);
        return;
    }
    const int perPage = entriesPerPage(menu);
    for (int i = 0; i < entries.size(); ++i) {
        addMenuState(entries[i], i + 1, perPage);
        visitMenu(entries[i], entriesPerPage);
    }
}

void NavigationModel::visitFiles(ProjectNode *folder)
{
    for (ProjectNode *child : DiscContent::children(folder)) {
        switch (nodeKindOf(child->fullPath())) {
        case NodeKind::Picture:
            addPicture(child, !captionFileOf(child).isEmpty());
            break;
        case NodeKind::Movie:
            addMovie(child);
            break;
        case NodeKind::Slideshow:
            addSlideshow(child);
            break;
        case NodeKind::Menu:
        case NodeKind::None:
            break;
        }
    }
}

StateLinks NavigationModel::linksOf(ProjectNode *node, StateLinks::Page page) const
{
    StateLinks links;
    links.state = stateOf(node);
    links.page = page;
    if (ProjectNode *previous = DiscContent::previous(node))
        links.previous = stateOf(previous);
    if (ProjectNode *next = DiscContent::next(node))
        links.next = stateOf(next);
    ProjectNode *parent = node->parent();
    // The main menu is the top: nothing returns above it.
    if (!parent->isRoot())
        links.returnTo = stateOf(parent);
    // The last state of a folder goes back to the folder's own state; in the
    // main menu, where there is none, it stays.
    if (links.next.isValid())
        links.timeout = links.next;
    else
        links.timeout = parent->isRoot() ? links.state : stateOf(parent);
    links.wait = m_pictureWait;
    return links;
}

void NavigationModel::addMenuState(ProjectNode *entry, int entryNumber, int entriesPerPage)
{
    if (!entry || !entry->parent())
        return;
    StateLinks links = linksOf(entry, StateLinks::Page::Menu);
    links.entryNumber = entryNumber;
    if (ProjectNode *first = DiscContent::firstChild(entry))
        links.enter = stateOf(first);
    links.wait = kLongWait;

    // Key k opens the entry in button k of the page (its first picture or
    // movie, or its own menu state when it is empty). The page's buttons end
    // at the highlighted entry once it lies beyond the first page.
    const int slot = std::min(entryNumber, entriesPerPage);
    ProjectNode *key = entry;
    for (int i = 1; i < slot && DiscContent::previous(key); ++i)
        key = DiscContent::previous(key);
    for (int k = 1; k <= entriesPerPage && key; ++k) {
        ProjectNode *first = DiscContent::firstChild(key);
        links.numberKeys.append(stateOf(first ? first : key));
        key = DiscContent::next(key);
    }
    insert(links);
}

void NavigationModel::addPicture(ProjectNode *picture, bool captioned)
{
    if (!picture || !picture->parent())
        return;
    StateLinks links = linksOf(picture, StateLinks::Page::Picture);
    const DiscState captionState { picture, true };
    if (captioned)
        links.enter = captionState;
    insert(links);
    if (!captioned)
        return;

    // Return and Enter both go back to the plain picture; the caption stays
    // on screen until the viewer moves on.
    StateLinks caption = links;
    caption.state = captionState;
    caption.page = StateLinks::Page::Caption;
    caption.returnTo = links.state;
    caption.enter = links.state;
    caption.timeout = captionState;
    caption.wait = kLongWait;
    insert(caption);
}

void NavigationModel::addMovie(ProjectNode *movie)
{
    if (!movie || !movie->parent())
        return;
    insert(linksOf(movie, StateLinks::Page::Movie));
}

void NavigationModel::insert(const StateLinks &links)
{
    if (!m_links.contains(links.state))
        m_order.append(links.state);
    m_links.insert(links.state, links);
}

void NavigationModel::addSlideshow(ProjectNode *slideshow)
{
    if (!slideshow || !slideshow->parent())
        return;
    StateLinks links = linksOf(slideshow, StateLinks::Page::Slideshow);
    // Once played, the folder's pictures follow at once.
    if (links.next.isValid())
        links.wait = 0;
    insert(links);
}

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

DiscState NavigationModel::menuStateOf(ProjectNode *line)
{
    if (line && line->kind() == NodeKind::Slideshow)
        return DiscState { line, false, true };
    return stateOf(line);
}

DiscState NavigationModel::lineTarget(ProjectNode *line)
{
    if (!line)
        return {};
    if (line->kind() == NodeKind::Slideshow)
        return stateOf(line);
    ProjectNode *first = DiscContent::firstChild(line);
    // The slideshow has a line of its own; the folder's goes to its pictures.
    if (first && first->kind() == NodeKind::Slideshow && DiscContent::next(first))
        first = DiscContent::next(first);
    return first ? stateOf(first) : DiscState {};
}

void NavigationModel::visitMenu(ProjectNode *menu, const EntriesPerPage &entriesPerPage)
{
    if (!DiscContent::isMenu(menu)) {
        visitFiles(menu);
        return;
    }
    const QList<ProjectNode *> lines = DiscContent::menuLines(menu);
    const int perPage = entriesPerPage(menu);
    for (int i = 0; i < lines.size(); ++i) {
        addMenuLine(lines, i, perPage);
        if (lines[i]->kind() != NodeKind::Slideshow)
            visitMenu(lines[i], entriesPerPage);
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
    leaveFolder(links, node->parent());
    links.wait = m_pictureWait;
    return links;
}

void NavigationModel::leaveFolder(StateLinks &links, ProjectNode *folder)
{
    // The main menu is the top: nothing returns above it.
    if (!folder->isRoot())
        links.returnTo = stateOf(folder);
    // The last state of a folder goes back to the folder's own state; in the
    // main menu, where there is none, it stays.
    if (links.next.isValid())
        links.timeout = links.next;
    else
        links.timeout = folder->isRoot() ? links.state : stateOf(folder);
}

void NavigationModel::addMenuState(ProjectNode *line, int lineNumber, int entriesPerPage)
{
    const ProjectNode *menu = DiscContent::menuOfLine(line);
    QList<ProjectNode *> lines = DiscContent::menuLines(menu);
    // Nodes that name no folder on disk (a tree made up by its caller) are
    // lines in the order they stand.
    if (!lines.contains(line))
        lines = DiscContent::children(menu);
    const qsizetype index = lineNumber >= 1 && lineNumber <= lines.size() && lines[lineNumber - 1] == line
        ? lineNumber - 1
        : lines.indexOf(line);
    if (index >= 0)
        addMenuLine(lines, static_cast<int>(index), entriesPerPage);
}

void NavigationModel::addMenuLine(const QList<ProjectNode *> &lines, int index, int entriesPerPage)
{
    ProjectNode *line = lines[index];
    ProjectNode *menu = DiscContent::menuOfLine(line);
    if (!menu)
        return;
    StateLinks links;
    links.state = menuStateOf(line);
    links.page = StateLinks::Page::Menu;
    links.entryNumber = index + 1;
    if (index > 0)
        links.previous = menuStateOf(lines[index - 1]);
    if (index + 1 < lines.size())
        links.next = menuStateOf(lines[index + 1]);
    leaveFolder(links, menu);
    links.wait = kLongWait;
    links.enter = lineTarget(line);

    // Key k opens the line in button k of the page (an empty folder's key
    // stays on its own line). The page's buttons end at the highlighted line
    // once it lies beyond the first page.
    const int first = std::max(0, index + 1 - std::max(entriesPerPage, 1));
    for (int k = first; k < lines.size() && k < first + entriesPerPage; ++k) {
        const DiscState target = lineTarget(lines[k]);
        links.numberKeys.append(target.isValid() ? target : menuStateOf(lines[k]));
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
    // Return goes back to the line it was started from.
    if (!slideshow->parent()->isRoot())
        links.returnTo = menuStateOf(slideshow);
    insert(links);
}

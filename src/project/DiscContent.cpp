#include "project/DiscContent.h"

#include <QFileInfo>

#include "project/Capacity.h"
#include "project/NodeKind.h"
#include "project/ProjectTree.h"

namespace {

void countBelow(const ProjectTree &tree, const ProjectNode *folder, TreeCounters &counters)
{
    for (ProjectNode *child : DiscContent::children(folder)) {
        switch (child->kind()) {
        case NodeKind::Menu:
            counters.MenuCount += 1;
            countBelow(tree, child, counters);
            break;
        case NodeKind::Picture:
            counters.ItemCount += 1;
            counters.PictureBytesTotal
                += Capacity::onDiscBytes(static_cast<double>(tree.info(child->index()).pictureBytes));
            if (QFileInfo(captionPathOf(child->fullPath())).isFile())
                counters.CaptionCount += 1;
            break;
        case NodeKind::Movie:
            counters.ItemCount += 1;
            counters.MovieBytesTotal
                += Capacity::onDiscBytes(static_cast<double>(tree.info(child->index()).movieBytes));
            if (tree.info(child->index()).movieSeconds > 0)
                counters.movieSeconds += tree.info(child->index()).movieSeconds;
            else
                counters.unmeasuredMovieBytes += static_cast<double>(tree.info(child->index()).movieBytes);
            break;
        case NodeKind::Slideshow:
            counters.ItemCount += 1;
            counters.slideshowPictures += static_cast<double>(DiscContent::slideshowPictures(child).size());
            break;
        case NodeKind::None:
            break; // gone from the disk since the scan: the walk skips it too
        }
    }
}

} // namespace

bool DiscContent::isTaken(const ProjectNode *node)
{
    return node->isChecked() && node->problem().isEmpty();
}

bool DiscContent::isOnDisc(const ProjectNode *node)
{
    if (!node)
        return false;
    for (const ProjectNode *n = node; !n->isRoot(); n = n->parent()) {
        if (!isTaken(n))
            return false;
    }
    return true;
}

QList<ProjectNode *> DiscContent::children(const ProjectNode *node)
{
    QList<ProjectNode *> checked;
    if (!node)
        return checked;
    for (int row = 0; row < node->childCount(); ++row) {
        if (isTaken(node->child(row)))
            checked.append(node->child(row));
    }
    return checked;
}

ProjectNode *DiscContent::firstChild(const ProjectNode *node)
{
    if (!node)
        return nullptr;
    for (int row = 0; row < node->childCount(); ++row) {
        if (isTaken(node->child(row)))
            return node->child(row);
    }
    return nullptr;
}

QList<ProjectNode *> DiscContent::entries(const ProjectNode *folder)
{
    QList<ProjectNode *> folders;
    for (ProjectNode *child : children(folder)) {
        if (child->kind() == NodeKind::Menu)
            folders.append(child);
    }
    return folders;
}

QList<ProjectNode *> DiscContent::menuLines(const ProjectNode *menu)
{
    QList<ProjectNode *> lines;
    for (ProjectNode *entry : entries(menu)) {
        lines.append(entry);
        if (ProjectNode *slideshow = slideshowOf(entry))
            lines.append(slideshow);
    }
    return lines;
}

ProjectNode *DiscContent::slideshowOf(const ProjectNode *folder)
{
    ProjectNode *first = firstChild(folder);
    return first && first->kind() == NodeKind::Slideshow ? first : nullptr;
}

ProjectNode *DiscContent::entryOfLine(ProjectNode *line)
{
    return line && line->kind() == NodeKind::Slideshow ? line->parent() : line;
}

ProjectNode *DiscContent::menuOfLine(const ProjectNode *line)
{
    if (!line || !line->parent())
        return nullptr;
    return line->kind() == NodeKind::Slideshow ? line->parent()->parent() : line->parent();
}

ProjectNode *DiscContent::previous(const ProjectNode *node)
{
    ProjectNode *sibling = node ? node->previous() : nullptr;
    while (sibling && !isTaken(sibling))
        sibling = sibling->previous();
    return sibling;
}

ProjectNode *DiscContent::next(const ProjectNode *node)
{
    ProjectNode *sibling = node ? node->next() : nullptr;
    while (sibling && !isTaken(sibling))
        sibling = sibling->next();
    return sibling;
}

QList<ProjectNode *> DiscContent::slideshowPictures(const ProjectNode *slideshow)
{
    QList<ProjectNode *> pictures;
    for (ProjectNode *sibling : children(slideshow ? slideshow->parent() : nullptr)) {
        if (sibling->kind() == NodeKind::Picture)
            pictures.append(sibling);
    }
    return pictures;
}

TreeCounters DiscContent::count(const ProjectTree &tree)
{
    TreeCounters counters;
    if (tree.root())
        countBelow(tree, tree.root(), counters);
    return counters;
}

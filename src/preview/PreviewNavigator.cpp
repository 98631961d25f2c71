#include "preview/PreviewNavigator.h"

#include <QFileInfo>

#include "base/Numeric.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "imaging/Renderer.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/ProjectNode.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

using Numeric::roundHalfEven;

PreviewNavigator::PreviewNavigator(
    Settings &settings, ProjectTree &tree, ImgSource &canvas, Renderer &renderer)
    : m_settings(settings)
    , m_tree(tree)
    , m_canvas(canvas)
    , m_renderer(renderer)
{ }

int PreviewNavigator::paneHeightFor(int paneWidth, int tvLines)
{
    return roundHalfEven(static_cast<double>(paneWidth) * tvLines / 704.0);
}

void PreviewNavigator::reset()
{
    m_previewNode = nullptr;
    m_shown = {};
    m_page = {};
    m_placementArmed = false;
}

NavigationModel PreviewNavigator::navigation() const
{
    // Taken afresh for every key: entries move, captions are written and the
    // settings change between two presses.
    return NavigationModel::forTree(m_tree.root(), m_settings,
        [this](const ProjectNode *menu) { return m_renderer.entriesPerPage(menu); });
}

void PreviewNavigator::showNode(ProjectNode *node)
{
    if (!node)
        return;
    m_previewNode = node;
    const QString path = node->fullPath();
    if (kindOfName(path) == NodeKind::Slideshow) {
        // The slideshow is made by the build; the preview names it only.
        m_page = {};
        m_renderer.makeNoticePage(localText(TextId::Slideshow) + u'\r' + localText(TextId::SlideshowOnDisc));
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(false);
        m_shown = { node, false };
        displayPreview();
        return;
    }
    const QFileInfo file(path);
    if (!file.exists())
        return;

    if (file.isDir()) {
        const MenuPage page = m_renderer.makeMenu(node, 1);
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(false);
        if (page.entryCount != 0) {
            m_page = page;
            m_shown = NavigationModel::menuStateOf(page.entryNode);
            displayPreview();
        } else if (ProjectNode *first = DiscContent::firstChild(node)) {
            // A folder without sub-folders is reached on the disc through its
            // first picture or movie.
            m_tree.setSelectedNode(first);
            showNode(m_tree.selectedNode());
        } else {
            // An empty folder is only its entry on the menu above.
            m_page = {};
            m_shown = { node, false };
        }
        return;
    }

    m_page = {};
    bool caption = m_shown.node == node && m_shown.caption;
    if (kindOfName(path) == NodeKind::Picture) {
        const QString captionFile = caption ? NavigationModel::captionFileOf(node) : QString();
        caption = !captionFile.isEmpty();
        const bool decoded = m_renderer.createStill(node, path, captionFile);
        if (!decoded) {
            // The build leaves such a picture off; the preview says why
            // instead of showing a black frame as if it were the picture.
            m_renderer.makeNoticePage(node->text() + u'\r' + localText(TextId::LeftOffDisc) + u'\r'
                + m_renderer.lastPictureProblem());
        }
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(decoded);
    } else {
        caption = false;
        m_renderer.makeMoviePage();
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(false);
    }
    m_shown = { node, caption };
    displayPreview();
}

ProjectNode *PreviewNavigator::highlightedEntry() const
{
    return DiscContent::entryOfLine(m_page.entryNode);
}

int PreviewNavigator::highlightedEntryNumber() const
{
    ProjectNode *entry = highlightedEntry();
    if (!entry)
        return 0;
    return static_cast<int>(DiscContent::entries(entry->parent()).indexOf(entry)) + 1;
}

void PreviewNavigator::displayPreview()
{
    m_displayCopy = m_canvas.copy();
    if (!m_displayCopy.hasPixels())
        return;
    m_displayCopy.resize(m_paneSize.width(), m_paneSize.height(), m_settings.filterCode());
    m_paneImage = m_displayCopy.toImage();
    if (m_callbacks.showPane)
        m_callbacks.showPane(m_paneImage);
}

void PreviewNavigator::showFromTree(ProjectNode *node)
{
    m_shown = {};
    showNode(node);
}

StateLinks PreviewNavigator::shownLinks(const NavigationModel &model) const
{
    StateLinks links = model.links(m_shown);
    if (links.isValid() || !m_shown.isValid() || !m_shown.node->parent())
        return links;
    NavigationModel single(m_settings);
    switch (nodeKindOf(m_shown.node->fullPath())) {
    case NodeKind::Picture:
        single.addPicture(m_shown.node, !NavigationModel::captionFileOf(m_shown.node).isEmpty());
        break;
    case NodeKind::Movie:
        single.addMovie(m_shown.node);
        break;
    case NodeKind::Slideshow:
        single.addSlideshow(m_shown.node);
        break;
    case NodeKind::Menu:
    case NodeKind::None:
        break;
    }
    return single.links(m_shown);
}

void PreviewNavigator::follow(DiscState StateLinks::*key)
{
    if (!m_shown.isValid())
        return;
    const NavigationModel model = navigation();
    const DiscState target = shownLinks(model).*key;
    if (target.isValid())
        show(target, model);
}

void PreviewNavigator::show(const DiscState &state, const NavigationModel &model)
{
    const StateLinks links = model.links(state);
    if (links.page == StateLinks::Page::Menu) {
        ProjectNode *menu = DiscContent::menuOfLine(state.node);
        m_tree.setSelectedNode(menu);
        m_page = m_renderer.makeMenu(menu, links.entryNumber);
        m_previewNode = menu;
        // The state is the line the page really highlights.
        m_shown = NavigationModel::menuStateOf(m_page.entryNode);
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(false);
        displayPreview();
        return;
    }
    // A picture, its caption or a movie; a node the disc does not show is
    // shown as a click in the tree shows it.
    m_tree.setSelectedNode(state.node);
    m_shown = state;
    showNode(state.node);
}

void PreviewNavigator::showState(const DiscState &state)
{
    if (state.isValid())
        show(state, navigation());
}

void PreviewNavigator::pressNext()
{
    follow(&StateLinks::next);
}

void PreviewNavigator::pressPrevious()
{
    follow(&StateLinks::previous);
}

void PreviewNavigator::pressEnter()
{
    follow(&StateLinks::enter);
}

void PreviewNavigator::pressReturn()
{
    follow(&StateLinks::returnTo);
}

void PreviewNavigator::followTimeout()
{
    follow(&StateLinks::timeout);
}

void PreviewNavigator::pressNumber(int number)
{
    if (!m_shown.isValid())
        return;
    const NavigationModel model = navigation();
    const StateLinks links = shownLinks(model);
    if (number >= 1 && number <= links.numberKeys.size())
        show(links.numberKeys.at(number - 1), model);
}

bool PreviewNavigator::placeStampAt(Qt::MouseButton button, QPoint position)
{
    if (button != Qt::LeftButton || !m_placementArmed)
        return false;
    if (m_paneSize.width() < 1 || m_paneSize.height() < 1)
        return false;
    m_settings.stampX
        = roundHalfEven(static_cast<double>(m_settings.frameWidth) / m_paneSize.width() * position.x());
    m_settings.stampY
        = roundHalfEven(static_cast<double>(m_settings.frameHeight) / m_paneSize.height() * position.y());
    m_placementArmed = false;
    if (m_callbacks.restorePointer)
        m_callbacks.restorePointer();
    showNode(m_previewNode);
    return true;
}

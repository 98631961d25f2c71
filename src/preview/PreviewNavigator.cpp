#include "preview/PreviewNavigator.h"

#include <QFileInfo>

#include "base/Numeric.h"
#include "authoring/BuildState.h"
#include "imaging/Renderer.h"
#include "project/ProjectNode.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

using Numeric::roundHalfEven;

PreviewNavigator::PreviewNavigator(
    Settings &settings, ProjectTree &tree, BuildState &state, ImgSource &canvas, Renderer &renderer)
    : m_settings(settings)
    , m_tree(tree)
    , m_state(state)
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
    m_placementArmed = false;
}

void PreviewNavigator::HandleNodeClick(ProjectNode *node)
{
    if (!node)
        return;
    m_previewNode = node;
    const QString path = node->FullPath();
    const QFileInfo file(path);
    if (!file.exists())
        return;

    if (file.isDir()) {
        m_state.SelectedEntry = 1;
        m_renderer.MakeMenu(node);
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(false);
        if (m_state.EntryCount != 0) {
            DisplayPreview();
        } else if (node->hasChildren()) {
            // A folder without sub-folders is reached on the disc through its
            // first picture or movie.
            m_tree.setSelectedNode(node->firstChild());
            HandleNodeClick(m_tree.selectedNode());
        }
        return;
    }

    // A picture or movie shown from the tree is no menu: the keys step
    // through its siblings straight away instead of re-rendering it as a page.
    m_state.EntryCount = 0;
    if (path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)) {
        const QString caption = path.chopped(4) + QLatin1String(".txt");
        m_state.CaptionFile = QFileInfo::exists(caption) ? caption : QString();
        m_renderer.CreateStill(node, path);
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(true);
    } else {
        m_renderer.MakeMoviePage();
        if (m_callbacks.editTextAvailable)
            m_callbacks.editTextAvailable(false);
    }
    DisplayPreview();
}

void PreviewNavigator::DisplayPreview()
{
    m_displayCopy = m_canvas.Copy();
    if (!m_displayCopy.hasPixels())
        return;
    m_displayCopy.Resize(m_paneSize.width(), m_paneSize.height(), m_settings.filterCode());
    m_paneImage = m_displayCopy.toImage();
    if (m_callbacks.showPane)
        m_callbacks.showPane(m_paneImage);
}

void PreviewNavigator::tvwStruct_NodeClick(ProjectNode *node)
{
    m_state.TextMode = false;
    HandleNodeClick(node);
}

void PreviewNavigator::selectAndShow(ProjectNode *node)
{
    m_tree.setSelectedNode(node);
    HandleNodeClick(node);
}

void PreviewNavigator::pbNext_Click()
{
    m_state.TextMode = false;
    if (!m_previewNode)
        return;
    if (m_state.EntryCount < 1) {
        // Siblings are compared as nodes: two files may share a name in
        // different letter case, and a text comparison would stop early.
        if (m_previewNode != m_previewNode->lastSibling())
            selectAndShow(m_previewNode->next());
        return;
    }
    m_state.SelectedEntry = m_state.SelectedEntry == m_state.EntryCount ? 1 : m_state.SelectedEntry + 1;
    m_renderer.MakeMenu(m_previewNode);
    DisplayPreview();
}

void PreviewNavigator::pbPrev_Click()
{
    m_state.TextMode = false;
    if (!m_previewNode)
        return;
    if (m_state.EntryCount < 1) {
        if (m_previewNode != m_previewNode->firstSibling())
            selectAndShow(m_previewNode->previous());
        return;
    }
    m_state.SelectedEntry = m_state.SelectedEntry == 1 ? m_state.EntryCount : m_state.SelectedEntry - 1;
    m_renderer.MakeMenu(m_previewNode);
    DisplayPreview();
}

ProjectNode *PreviewNavigator::shownPicture() const
{
    if (!m_previewNode || m_state.EntryCount != 0)
        return nullptr;
    const QString path = m_previewNode->FullPath();
    if (!path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive) || QFileInfo(path).isDir())
        return nullptr;
    return m_previewNode;
}

void PreviewNavigator::pbEnter_Click()
{
    if (ProjectNode *picture = shownPicture()) {
        // The caption state and the picture toggle; a picture without a
        // caption has nothing to enter.
        if (m_state.TextMode) {
            m_state.TextMode = false;
            HandleNodeClick(picture);
        } else if (QFileInfo(picture->FullPath().chopped(4) + QLatin1String(".txt")).isFile()) {
            m_state.TextMode = true;
            HandleNodeClick(picture);
        }
        return;
    }
    m_state.TextMode = false;
    ProjectNode *selected = m_tree.selectedNode();
    if (!selected)
        return;
    if (m_state.EntryCount != 0 || !selected->hasChildren()) {
        ProjectNode *menu = m_previewNode;
        if (!menu || !menu->hasChildren())
            return; // a picture or movie has nothing to enter
        m_tree.setSelectedNode(menu);
        int count = 0;
        for (int i = 0; i < menu->childCount(); ++i) {
            ProjectNode *child = menu->child(i);
            if (!QFileInfo(child->FullPath()).isDir())
                continue;
            if (++count == m_state.SelectedEntry) {
                selectAndShow(child);
                return;
            }
        }
        return;
    }
    selectAndShow(selected->firstChild());
}

void PreviewNavigator::pbReturn_Click()
{
    if (m_state.TextMode) {
        m_state.TextMode = false;
        if (ProjectNode *picture = shownPicture()) {
            HandleNodeClick(picture); // from the caption back to its picture
            return;
        }
    }
    // The root is the node without a parent. A sub-folder may carry the main
    // title as its name, so the title says nothing about where we are.
    if (!m_previewNode || !m_previewNode->parent())
        return;
    ProjectNode *parent = m_previewNode->parent();
    m_tree.setSelectedNode(parent);
    m_state.SelectedEntry = 1;
    m_renderer.MakeMenu(parent);
    if (m_state.EntryCount != 0) {
        DisplayPreview();
    } else {
        // A folder without sub-folders has no menu page of its own: the disc
        // returns to the menu above it.
        if (parent->parent())
            m_tree.setSelectedNode(parent->parent());
        HandleNodeClick(m_tree.selectedNode());
    }
    m_previewNode = m_tree.selectedNode();
}

bool PreviewNavigator::PicPreview_MouseDown(Qt::MouseButton button, QPoint position)
{
    if (button != Qt::LeftButton || !m_placementArmed)
        return false;
    if (m_paneSize.width() < 1 || m_paneSize.height() < 1)
        return false;
    m_settings.textXpos
        = roundHalfEven(static_cast<double>(m_settings.FrameWidth) / m_paneSize.width() * position.x());
    m_settings.textYpos
        = roundHalfEven(static_cast<double>(m_settings.FrameHeight) / m_paneSize.height() * position.y());
    m_placementArmed = false;
    if (m_callbacks.restorePointer)
        m_callbacks.restorePointer();
    HandleNodeClick(m_previewNode);
    return true;
}

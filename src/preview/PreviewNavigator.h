#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include <functional>

#include "imaging/ImgSource.h"

class ProjectNode;
class ProjectTree;
class Renderer;
struct BuildState;
struct Settings;

// Shows any node of the tree as the disc will show it and follows the four
// remote-control keys (Previous, Next, Enter, Return) from the node shown.
// Pages are composed by the Renderer on the canvas; the preview pane receives
// a copy scaled to its size. No widget is touched: the window passes its pane
// size in and takes the scaled image out.
class PreviewNavigator
{
public:
    struct Callbacks
    {
        std::function<void(const QImage &)> showPane; // the scaled page for PicPreview
        std::function<void()> restorePointer; // stamp placed: the pane's normal pointer again
        std::function<void(bool)> editTextAvailable; // a picture is shown (pbEditText offered)
    };

    PreviewNavigator(
        Settings &settings, ProjectTree &tree, BuildState &state, ImgSource &canvas, Renderer &renderer);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The pane keeps its width; its height follows the TV lines (width * lines / 704).
    void setPaneSize(QSize size) { m_paneSize = size; }
    QSize paneSize() const { return m_paneSize; }
    static int paneHeightFor(int paneWidth, int tvLines);

    // Shows a node's page: a folder's menu (or its first picture when it has
    // no sub-folders), a picture's still, a movie's placeholder. Nothing for
    // no node or a node whose file or folder is gone.
    void HandleNodeClick(ProjectNode *node);
    // The canvas scaled into the pane with the chosen filter.
    void DisplayPreview();

    void tvwStruct_NodeClick(ProjectNode *node);
    void pbNext_Click();
    void pbPrev_Click();
    // Enter on a picture that has a caption shows its caption state, as the
    // disc does; Enter or Return there goes back to the plain picture.
    void pbEnter_Click();
    void pbReturn_Click();

    // Stamp placement: armed by the settings window's position button; the
    // next left click in the pane moves the stamp there (in frame pixels)
    // and shows the node again. True when the click placed the stamp.
    void armPlacement() { m_placementArmed = true; }
    void disarmPlacement() { m_placementArmed = false; }
    bool placementArmed() const { return m_placementArmed; }
    bool PicPreview_MouseDown(Qt::MouseButton button, QPoint position);

    ProjectNode *PreviewNode() const { return m_previewNode; }
    // Forgets the node shown (the tree it lived in was cleared).
    void reset();
    const ImgSource &DisplayCopy() const { return m_displayCopy; }
    // The last image handed to the pane.
    const QImage &paneImage() const { return m_paneImage; }

private:
    // Selects the node in the tree and shows it, as the keys do.
    void selectAndShow(ProjectNode *node);
    // The picture shown (no menu page), or nullptr.
    ProjectNode *shownPicture() const;

    Settings &m_settings;
    ProjectTree &m_tree;
    BuildState &m_state;
    ImgSource &m_canvas;
    Renderer &m_renderer;
    Callbacks m_callbacks;
    ProjectNode *m_previewNode = nullptr;
    ImgSource m_displayCopy;
    QImage m_paneImage;
    QSize m_paneSize { 352, 288 };
    bool m_placementArmed = false;
};

#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include <functional>

#include "authoring/NavigationModel.h"
#include "imaging/ImgSource.h"
#include "imaging/MenuPage.h"

class ProjectNode;
class ProjectTree;
class Renderer;
struct Settings;

// Shows any node of the tree as the disc will show it and follows the keys of
// the remote (Previous, Next, Enter, Return, the number keys) from the disc
// state shown, along the links of the navigation model that vcd.xml is
// written from. Pages are composed by the Renderer on the canvas; the preview
// pane receives a copy scaled to its size. No widget is touched: the window
// passes its pane size in and takes the scaled image out.
class PreviewNavigator
{
public:
    struct Callbacks
    {
        std::function<void(const QImage &)> showPane; // the scaled page for PicPreview
        std::function<void()> restorePointer; // stamp placed: the pane's normal pointer again
        std::function<void(bool)> editTextAvailable; // a picture is shown (pbEditText offered)
    };

    PreviewNavigator(Settings &settings, ProjectTree &tree, ImgSource &canvas, Renderer &renderer);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The pane keeps its width; its height follows the TV lines (width * lines / 704).
    void setPaneSize(QSize size) { m_paneSize = size; }
    QSize paneSize() const { return m_paneSize; }
    static int paneHeightFor(int paneWidth, int tvLines);

    // Shows a node's page: a folder's menu (or its first picture when it has
    // no sub-folders), a picture's still, a movie's placeholder. Nothing for
    // no node or a node whose file or folder is gone. A picture shown in its
    // caption state is drawn again in it.
    void showNode(ProjectNode *node);
    // The canvas scaled into the pane with the chosen filter.
    void displayPreview();

    // A click in the tree: the node's page, never a caption state.
    void showFromTree(ProjectNode *node);
    // The keys go where the disc goes from the state shown; a key the disc
    // has no link for does nothing.
    void pressNext();
    void pressPrevious();
    void pressEnter();
    void pressReturn();
    // Number key 1, 2, ... on a menu page.
    void pressNumber(int number);
    // What the disc shows once the state's wait is over.
    void followTimeout();

    // The disc state shown (a menu page is the state of its highlighted
    // entry), and its id as vcd.xml names it; empty when nothing is shown.
    DiscState shownState() const { return m_shown; }
    QString shownStateId() const { return m_shown.selectionId(); }
    // On a menu page, the folder of the highlighted line and its number
    // among the menu's entries (what the order buttons move); else null and 0.
    ProjectNode *highlightedEntry() const;
    int highlightedEntryNumber() const;
    // Shows a disc state as the disc shows it: a menu page with its entry
    // highlighted, a picture, its caption still or a movie.
    void showState(const DiscState &state);
    // Shows the menu page that highlights the entry (after it moved).
    void showEntry(ProjectNode *entry) { showState({ entry, false }); }

    // The links of the disc for the tree and settings as they are now.
    NavigationModel navigation() const;

    // Stamp placement: armed by the settings window's position button; the
    // next left click in the pane moves the stamp there (in frame pixels)
    // and shows the node again. True when the click placed the stamp.
    void armPlacement() { m_placementArmed = true; }
    void disarmPlacement() { m_placementArmed = false; }
    bool placementArmed() const { return m_placementArmed; }
    bool placeStampAt(Qt::MouseButton button, QPoint position);

    // The node whose page is shown: the menu's folder for a menu page.
    ProjectNode *previewNode() const { return m_previewNode; }
    // Forgets the node shown (the tree it lived in was cleared).
    void reset();
    const ImgSource &displayCopy() const { return m_displayCopy; }
    // The last image handed to the pane.
    const QImage &paneImage() const { return m_paneImage; }

private:
    // The links of the state shown; a picture or movie the walk does not
    // reach (clicked in the tree) still has its siblings.
    StateLinks shownLinks(const NavigationModel &model) const;
    void follow(DiscState StateLinks::*key);
    void show(const DiscState &state, const NavigationModel &model);

    Settings &m_settings;
    ProjectTree &m_tree;
    ImgSource &m_canvas;
    Renderer &m_renderer;
    Callbacks m_callbacks;
    ProjectNode *m_previewNode = nullptr;
    DiscState m_shown;
    MenuPage m_page;
    ImgSource m_displayCopy;
    QImage m_paneImage;
    QSize m_paneSize { 352, 288 };
    bool m_placementArmed = false;
};

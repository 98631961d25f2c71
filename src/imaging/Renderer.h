#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <functional>

class ImgSource;
class ProjectNode;
class ProjectTree;
class Prompter;
struct BuildState;
struct Settings;

// Composes the pages of the disc on the composition canvas: a menu page with
// one highlighted entry (MakeMenu), the still of a photograph (CreateStill) and
// the placeholder page of a movie (MakeMoviePage). The preview and the build
// use the same calls, so what the preview shows is what the disc shows.
class Renderer
{
public:
    // What the main window shows while and after a page is rendered. Every
    // member is optional; an empty one is simply not called.
    struct Callbacks
    {
        std::function<void(bool)> progressVisible; // RenderProgressBar shown / hidden
        std::function<void(int)> progress; // its value, 0..100
        std::function<void(bool)> busy; // hourglass pointer on / off
        std::function<void()> canvasChanged; // the canvas holds a new page: show it in picsave
        std::function<void()> hideOrderFrame; // frameOrder hidden (a still is shown)
        std::function<void(bool upEnabled, bool downEnabled)> showOrderFrame;
        std::function<void()> hideEditText; // pbEditText hidden (a menu is shown)
        std::function<void()> processEvents; // let pending window events run
    };

    Renderer(Settings &settings, ProjectTree &tree, BuildState &state, ImgSource &canvas, ImgSource &picture,
        Prompter &prompter);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The button artwork (normal and highlighted, 480 x 45 for the 720 x 576
    // reference frame). Until set, the built-in artwork is used.
    void setButtonImages(const QImage &normal, const QImage &highlighted);

    // Renders the menu page of a folder node for BuildState::SelectedEntry and
    // updates EntriesPerPage, EntryCount, EntrySlot, CurrentEntryNode; clears
    // CaptionFile and TextMode; marks the node selected in the tree.
    void MakeMenu(ProjectNode *node);

    // Renders the still of the picture file for its node: the photograph fitted
    // around the centre on black, with the date/time stamp and file name. Sets
    // the node's caption and StillWidth / StillHeight; may move the stamp
    // position in the settings back inside the frame (telling the user). In the
    // caption state (TextMode with a CaptionFile) the caption file's text is
    // drawn over the picture as well.
    void CreateStill(ProjectNode *node, const QString &picturePath);

    // The page shown for a movie: "Movie, no preview." at the top, centred.
    void MakeMoviePage();

    // Size in frame pixels the photograph received on the last still (the
    // caption editor sizes its box from these).
    double StillWidth() const { return m_stillWidth; }
    double StillHeight() const { return m_stillHeight; }

    // The entry nodes drawn as buttons on the last menu page, top to bottom.
    const QList<ProjectNode *> &pageEntries() const { return m_pageEntries; }

private:
    void setProgress(int value);
    void addProgress(int step) { setProgress(m_progress + step); }
    void beginRender();
    void endRender();
    bool fastPreview() const;
    // Draws one button with its texts below y; returns its top and its height.
    int drawButton(ProjectNode *entry, int buttonNumber, int y, int &buttonHeight);
    QString dateCaption(const QString &exifDate) const;
    void drawCaptionText(int left, int top, int width, int height);

    Settings &m_settings;
    ProjectTree &m_tree;
    BuildState &m_state;
    ImgSource &m_canvas;
    ImgSource &m_picture;
    Prompter &m_prompter;
    Callbacks m_callbacks;
    QImage m_normalButton;
    QImage m_selectedButton;
    int m_progress = 0;
    double m_stillWidth = 0.0;
    double m_stillHeight = 0.0;
    QList<ProjectNode *> m_pageEntries;
};

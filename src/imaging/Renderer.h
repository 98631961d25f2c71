#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

#include <functional>

#include "imaging/MenuPage.h"
#include "imaging/PicturePrefetch.h"

class ImgSource;
class ProjectNode;
class ProjectTree;
class Prompter;
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

    Renderer(
        Settings &settings, ProjectTree &tree, ImgSource &canvas, ImgSource &picture, Prompter &prompter);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // The button artwork (normal and highlighted, 480 x 45 for the 720 x 576
    // reference frame). Until set, the built-in artwork is used.
    void setButtonImages(const QImage &normal, const QImage &highlighted);

    // Renders the menu page of a folder node with entry selectedEntry (from 1)
    // highlighted and returns its layout; marks the node selected in the tree.
    // A later page shows as many entries as the first page has room for.
    MenuPage makeMenu(ProjectNode *node, int selectedEntry = 1);

    // How many entries a page of the node's menu shows, as MakeMenu lays the
    // first page out, without drawing anything.
    int entriesPerPage(const ProjectNode *node);

    // Renders the still of the picture file for its node: the photograph fitted
    // around the centre on black, with the date/time stamp and file name. Sets
    // the node's caption and StillWidth / StillHeight. The stamp is drawn
    // inside the edge margin; a stored position that runs off the frame is
    // moved back in the settings (telling the user). With a caption file (the
    // picture's caption state) its text is drawn over the picture as well; an
    // empty one gives the plain still, with the info icon when the picture has
    // a caption and the option asks for it. False when the
    // picture could not be decoded: the canvas then holds the black frame with
    // its text, and lastPictureProblem() tells why.
    bool createStill(ProjectNode *node, const QString &picturePath, const QString &captionFile = QString());

    // Whether createStill draws the info icon on this still: the option is on,
    // the still is the picture's plain one, and the picture has a caption file.
    static bool showsInfoIcon(
        const Settings &settings, const ProjectNode *picture, const QString &captionFile);

    // Starts decoding a picture a later createStill will show, on a thread of
    // its own, at the size createStill would decode it at.
    void prefetchPicture(const QString &picturePath);
    // Forgets the prefetched pictures nobody took, or one that is not needed.
    void dropPrefetch() { m_prefetch.drop(); }
    void dropPrefetch(const QString &picturePath) { m_prefetch.forget(picturePath); }

    // Why the last still's picture could not be decoded ("cannot be read",
    // "cannot be decoded: ..."); empty after a still that showed its picture.
    QString lastPictureProblem() const { return m_pictureProblem; }

    // The page shown for a movie: "Movie, no preview." at the top, centred.
    void makeMoviePage();
    // A black page with the text at the top, centred: what the preview shows
    // where the disc will have nothing (a picture that cannot be decoded).
    void makeNoticePage(const QString &text);
    // A menu button's text for a line: the folder's name, or for the line of
    // the folder's slideshow "Slideshow: <name>".
    static QString entryLabel(const ProjectNode *line, const QString &folderName);

    // Size in frame pixels the photograph received on the last still (the
    // caption editor sizes its box from these).
    double stillWidth() const { return m_stillWidth; }
    double stillHeight() const { return m_stillHeight; }

    // The lines drawn as buttons on the last menu page, top to bottom: the
    // entry folders, and a slideshow node for a slideshow's line.
    const QList<ProjectNode *> &pageEntries() const { return m_pageEntries; }

private:
    // Where a photo goes on a still: the fitting frame (reference pixels),
    // its mapping onto the frame and the edge margin.
    struct Fitting
    {
        int width = 0;
        int height = 0;
        double toFrame = 1.0;
        double keep = 1.0;
        bool correctEdges = false;
        bool hasFrame() const { return width > 0 && height > 0; }
        // A photo of that size fitted into the frame, in frame pixels.
        QSize fittedSize(double pictureWidth, double pictureHeight) const;
    };
    Fitting fittingFrame() const;
    // The margin text keeps from the frame's left and right (x) and top and
    // bottom (y) edges, in frame pixels.
    QPoint safeMargin() const;
    // The smallest decode that still covers the fitted photo.
    static QSize decodeMinimum(const Fitting &fitting, const QSize &header);

    void setProgress(int value);
    void addProgress(int step) { setProgress(m_progress + step); }
    void beginRender();
    void endRender();
    bool fastPreview() const;
    // Places the buttons of a menu page from y down, drawing them when asked,
    // and fills in the page's entry count, slot, entry and entries per page.
    void layOutButtons(const ProjectNode *node, MenuPage &page, int y, bool draw);
    // Height of a button once scaled to the frame.
    int buttonHeight(bool highlighted) const;
    // Draws one button with its texts at top.
    void drawButton(ProjectNode *entry, int buttonNumber, int entryNumber, bool highlighted, int top);
    QString dateCaption(const QString &exifDate) const;
    void drawCaptionText(const QString &captionFile, int left, int top, int width, int height);
    // The "i" in a circle at the bottom-right of the picture's rectangle.
    void drawInfoIcon(int left, int top, int width, int height);

    Settings &m_settings;
    ProjectTree &m_tree;
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
    QString m_pictureProblem;
    PicturePrefetch m_prefetch;
};

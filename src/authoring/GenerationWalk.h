#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <vector>

#include "authoring/BuildManifest.h"
#include "authoring/DiscState.h"
#include "authoring/MovieProbe.h"
#include "authoring/NavigationModel.h"
#include "authoring/OutputNames.h"
#include "authoring/SlideshowMaker.h"

class DescriptionWriter;
class ImgSource;
class ParallelEncoder;
class ProjectNode;
class ProjectTree;
class Prompter;
class Renderer;
class StillEncoder;
class BuildCancel;
struct Settings;

// The generation walk of a build: visits the project tree in disc order and,
// for every state the disc can show (a menu page per entry, a still per
// picture, a caption still per picture with a caption file, a movie), renders
// the page, saves it as a temporary JPEG below the build folder, has it
// encoded into an MPEG still and appends its description lines, with the
// links of the navigation model it takes from the tree when it starts.
//
// Output mirrors the source tree below the build path: "Menu_0001.mpg" ... in
// each menu's folder, "<picture>.mpg" and "<picture>_text.mpg" beside them.
// Only the part below the build path is filtered to plain characters, and
// two sources never share a name (see OutputNames).
//
// Between beginOutputs and endOutputs the walk keeps the build folder's
// manifest: an output whose fingerprint (everything that decides its bytes,
// computed without rendering for stills) matches the one recorded, and whose
// file is whole, is reused instead of made again; Full Rebuild makes all.
//
// A movie in the disc's format goes onto the disc as it is; any other is
// converted into "<movie>.mpg" below the build folder (reused like a still),
// and one that cannot be read or converted is listed in unusableMovies
// without stopping the build.
//
// A folder's slideshow is planned first among its states; its frames are
// the stills of the folder's pictures as the walk composes them, and it is
// made (in the encoder's pool) once the folder is walked.
//
// Folders below an entry are walked as menus of their own, so every state the
// description links to exists.
class GenerationWalk
{
public:
    struct Callbacks
    {
        std::function<void()> displayPreview; // the canvas holds a new page
        std::function<void(int done, int total)> progress; // the build bar moved
        // A disc state is about to be made ("picture Beach/sea.jpg").
        std::function<void(const QString &state)> stateStarted;
        std::function<void(ProjectNode *node)> scrollIntoView;
    };

    // cancel is the build's cancel flag, shared with the encoders.
    GenerationWalk(const Settings &settings, ProjectTree &tree, Renderer &renderer, ImgSource &canvas,
        Prompter &prompter, BuildCancel &cancel, StillEncoder &encoder, DescriptionWriter &writer);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    // With one set, SaveFile hands each still to it and goes on rendering
    // instead of waiting for the still's encoding; null encodes in place.
    void setParallelEncoder(ParallelEncoder *parallel) { m_parallel = parallel; }

    // Walks a menu: one menu state per entry, each followed by the entry's
    // contents, or (a menu without sub-folders) its pictures and movies. True
    // when it ran to the end; false after a cancel or a failed still.
    bool walkMenu(ProjectNode *menu);
    // Walks one entry; the flag is unused.
    bool walkFiles(ProjectNode *entry, bool flag = true);

    // Before a walk: reads the build folder's manifest and clears the counts
    // and the planned states.
    void beginOutputs();
    // After the walk and its encoders: hands every planned state still on the
    // disc to the description writer, in disc order, with links that pass
    // over what was left off.
    void writeDescriptionItems();
    // The picture or movie cannot go on the disc: it is marked in the tree
    // with the reason and named in Create.Log and the program's log.
    void leaveOff(ProjectNode *node, const QString &problem);
    // After the walk and its encoders: records what was made. A complete
    // build also removes the outputs the album no longer has.
    void endOutputs(bool complete);
    // Outputs (menu, picture and caption stills) made and reused since
    // beginOutputs.
    int outputsMade() const { return m_manifest.made(); }
    int outputsReused() const { return m_manifest.reused(); }
    // "12 stills made, 30 reused": the counts as the build reports them.
    static QString outputCountText(int made, int reused);

    // One step of the build bar.
    void stepProgress();
    // Before a build: no step done yet of total.
    void resetProgress(int total);
    int progressDone() const { return m_progressDone; }
    int progressTotal() const { return m_progressTotal; }
    // Before a build: menu stills are numbered from 1 again.
    void resetMenuCounter() { m_menuCounter = 0; }

    // The user asked to stop: the walk ends at its next check, and the still
    // in work leaves nothing behind that a later build could take for done.
    void cancel();
    bool userCancelled() const { return m_userCancelled; }
    // Clears the user's cancel before a new build.
    void resetCancel() { m_userCancelled = false; }

    // The movies of the last walk that could not be read or converted, in
    // walk order, each with a short reason. Complete once the parallel
    // encoder, if any, has finished.
    const QList<QPair<ProjectNode *, QString>> &unusableMovies() const { return m_unusableMovies; }

    // The folders whose slideshow failed after its menu line was drawn
    // ("Beach: no pictures to show"), found by writeDescriptionItems: the
    // menus are made and promise it, so the disc cannot be made without it.
    const QStringList &lostSlideshowLines() const { return m_lostSlideshowLines; }

    // The sound files of the last walk's slideshows that could not be
    // played ("Beach/song.mp3: no sound in it"), below the source folder.
    const QStringList &unplayableSounds() const { return m_unplayableSounds; }

    // The node's path below the source folder ("/Beach/sea.jpg"; empty for
    // the root), built from the tree so a trailing separator cannot shift it.
    static QString relativePart(const ProjectNode *node);

private:
    // A disc state the walk made, waiting for its description lines.
    struct PlannedState
    {
        enum class Kind { Segment, Sequence };
        DiscState state;
        QString file;
        Kind kind = Kind::Segment;
    };
    void plan(const DiscState &state, const QString &file, PlannedState::Kind kind);

    struct Saved;
    Saved remember() const;
    void restore(const Saved &saved);
    // The outermost walk takes the navigation model from the whole tree.
    void enterWalk();
    void leaveWalk() { --m_depth; }
    bool menuLoop(ProjectNode *menu, int entries);
    bool filesLoop(ProjectNode *folder);
    void pictureStates(ProjectNode *picture);
    void prefetchAfter(const ProjectNode *picture);
    // The movie's state: as it is, converted (or reused), or unusable.
    void movieState(ProjectNode *movie);
    // True when the manifest holds the output (below the build folder,
    // without extension) whole with this fingerprint and no full rebuild
    // was asked for.
    bool reusable(const QString &below, const QString &fingerprint);
    // Saves the canvas as the output's temporary JPEG and has it encoded;
    // returns the still's path without extension.
    QString saveStill(const QString &below, const QString &fingerprint);
    QString nextMenuBelow(ProjectNode *menu);
    QString outputPath(const QString &below) const;
    // Fingerprints: the encoder and program, a picture still's inputs (with
    // the caption file's content for its caption state), a menu page's
    // pixels as the renderer left them on the canvas.
    QString encoderPrint() const;
    QString picturePrint(const ProjectNode *picture, const QString &captionFile);
    QString menuPrint() const;
    // A converted movie's inputs: the source's content, the disc's format
    // and the converter's arguments.
    QString moviePrint(const ProjectNode *movie, const MovieProbe::Info &info);
    void removeUnfinished(const QString &stem);
    // Before the walk: every slideshow on the disc keeps the sound files it
    // can play, or is left off (no pictures, no playable sound).
    void settleSlideshows(const ProjectNode *folder);
    void settleSlideshow(ProjectNode *slideshow);
    // A folder's slideshow: reused, or planned here and made once the
    // folder's pictures have given their frames (finishSlideshow).
    void slideshowState(ProjectNode *slideshow);
    void keepSlideshowFrame(const ProjectNode *picture);
    void finishSlideshow();
    struct PendingSlideshow;
    void keepFrame(PendingSlideshow &pending, const ProjectNode *picture);
    QString slideshowPrint(const SlideshowMaker::Plan &plan, const QList<ProjectNode *> &pictures);
    void yield();
    void announce(const QString &state);
    QString buildPath() const;

    const Settings &m_settings;
    ProjectTree &m_tree;
    Renderer &m_renderer;
    ImgSource &m_canvas;
    Prompter &m_prompter;
    BuildCancel &m_cancel;
    StillEncoder &m_encoder;
    DescriptionWriter &m_writer;
    Callbacks m_callbacks;
    bool m_userCancelled = false;
    ParallelEncoder *m_parallel = nullptr;
    NavigationModel m_model;
    std::vector<PlannedState> m_planned;
    OutputNames m_names;
    BuildManifest m_manifest;
    QString m_encoderPrint;
    QHash<const ProjectNode *, QString> m_sourceHashes;
    QList<QPair<ProjectNode *, QString>> m_unusableMovies;
    QStringList m_unplayableSounds;
    QStringList m_lostSlideshowLines;
    // The slideshow of the folder being walked, while its frames are
    // gathered: the pictures, and the frame kept of each so far.
    struct PendingSlideshow
    {
        ProjectNode *node = nullptr;
        QString output;
        SlideshowMaker::Plan plan;
        QList<ProjectNode *> pictures;
        QHash<const ProjectNode *, QString> frames;
    };
    PendingSlideshow m_slideshow;
    // The playable sound files of each settled slideshow, with their lengths.
    QHash<const ProjectNode *, SlideshowMaker::Plan> m_slideshowSounds;
    int m_depth = 0;
    int m_menuCounter = 0;
    int m_progressDone = 0;
    int m_progressTotal = 0;
};

#pragma once

#include <QString>

#include <functional>

class DescriptionWriter;
class ParallelEncoder;
class ProjectNode;
class StillEncoder;
class Workspace;

// The generation walk of a build: visits the project tree in disc order and,
// for every state the disc can show (a menu page per entry, a still per
// picture, a caption still per picture with a caption file, a movie), renders
// the page, saves it as a temporary JPEG below the build folder, has it
// encoded into an MPEG still and appends its description lines.
//
// Output mirrors the source tree below the build path: "Menu_0001.mpg" ... in
// each menu's folder, "<picture>.mpg" and "<picture>_text.mpg" beside them.
// Only the part below the build path is filtered to plain characters.
//
// Folders below an entry are walked as menus of their own, so every state the
// description links to exists.
class GenerationWalk
{
public:
    struct Callbacks
    {
        std::function<void()> DisplayPreview; // the canvas holds a new page
        std::function<void(int done, int total)> progress; // the build bar moved
        // A disc state is about to be made ("picture Beach/sea.jpg").
        std::function<void(const QString &state)> stateStarted;
        std::function<void(ProjectNode *node)> scrollIntoView;
    };

    GenerationWalk(Workspace &workspace, StillEncoder &encoder, DescriptionWriter &writer);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    // With one set, SaveFile hands each still to it and goes on rendering
    // instead of waiting for the still's encoding; null encodes in place.
    void setParallelEncoder(ParallelEncoder *parallel) { m_parallel = parallel; }

    // Walks a menu: one menu state per entry, each followed by the entry's
    // contents, or (a menu without sub-folders) its pictures and movies. True
    // when it ran to the end; false after a cancel or a failed still.
    bool walk_menu(ProjectNode *menu);
    // Walks one entry; the flag is unused.
    bool walk_files(ProjectNode *entry, bool flag = true);

    // Saves the canvas as the temporary JPEG of the node's state and encodes it.
    void SaveFile(ProjectNode *node);
    // One step of the build bar.
    void UpdateProgressBar();

    // The user asked to stop: the walk ends at its next check, and the still
    // in work leaves nothing behind that a later build could take for done.
    void cancel();
    bool userCancelled() const { return m_userCancelled; }
    // Clears the user's cancel before a new build.
    void resetCancel() { m_userCancelled = false; }

    // The node's path below the source folder ("/Beach/sea.jpg"; empty for
    // the root), built from the tree so a trailing separator cannot shift it.
    static QString relativePart(const ProjectNode *node);

private:
    struct Saved;
    Saved remember() const;
    void restore(const Saved &saved);
    bool menuLoop(ProjectNode *menu);
    bool filesLoop(ProjectNode *folder);
    void pictureStates(ProjectNode *picture);
    void removeUnfinished(const QString &stem);
    void yield();
    void announce(const QString &state);
    QString buildPath() const;

    Workspace &m_ws;
    StillEncoder &m_encoder;
    DescriptionWriter &m_writer;
    Callbacks m_callbacks;
    bool m_userCancelled = false;
    ParallelEncoder *m_parallel = nullptr;
};

#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "authoring/BuildCancel.h"
#include "authoring/DescriptionWriter.h"
#include "authoring/GenerationWalk.h"
#include "authoring/ImageBuilder.h"
#include "authoring/StillEncoder.h"

class BuildOutput;
class ImgSource;
class ProjectNode;
class ProjectTree;
class Prompter;
class Renderer;
struct Settings;

// "Create (S)VCD": checks the build folder and the project, then runs the
// three stages of a build (the generation walk, vcd.xml, the disc image) and
// offers to burn the image. "Cancel Build" asks and raises the cancel flag the
// walk checks. While a build runs, events are processed inside it; a second
// build cannot start until it ends.
class BuildDriver
{
public:
    enum class Outcome {
        Succeeded, // vcd.bin and vcd.cue were made
        Cancelled, // the user stopped the walk; no vcd.xml was written
        Failed, // a still, vcd.xml or the image could not be made (already told)
        Refused, // a check before the build said no (already told)
        SetupIncomplete, // a tool the build calls is missing (already told); nothing was done
        AlreadyRunning, // a build was running: nothing was done
    };

    struct Callbacks
    {
        // Building (true) or idle (false): the window swaps Create / Cancel,
        // shows or removes the build bar and disables Read Structure.
        std::function<void(bool building)> buildingChanged;
        // A build asked for in order to burn succeeded; the argument is the
        // cue sheet.
        std::function<void(const QString &cuePath)> openBurnWindow;
    };

    // The renderer composes every page on canvas, which the walk saves.
    BuildDriver(Settings &settings, ProjectTree &tree, Renderer &renderer, ImgSource &canvas,
        Prompter &prompter, BuildOutput &output);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    void setWalkCallbacks(GenerationWalk::Callbacks callbacks) { m_walk.setCallbacks(std::move(callbacks)); }

    // The click on "Create (S)VCD". Whatever the outcome, the build folder
    // holds no image of an earlier build once the checks passed: vcd.bin and
    // vcd.cue are this build's, stamped (ImageStamp), or absent.
    Outcome build();
    // A build the person asked for in order to burn: on success the burn
    // window opens without asking again.
    Outcome buildThenBurn();
    // One build over the current tree and settings, without the checks.
    Outcome buildWithoutChecks();
    // The click on "Cancel Build": asks, and on Yes stops the walk at its
    // next check. Does nothing while no build runs.
    void cancel();
    // Stops a running build without asking, as a confirmed cancel does,
    // and ends the tools running now instead of letting the current still
    // finish: the program itself is asked to end (a signal).
    void stop();

    bool isBuilding() const { return m_building; }
    // One line naming why the last build did not succeed; empty after success.
    QString lastProblem() const { return m_problem; }
    // The pictures and movies the last build left off the disc because they
    // could not be decoded or converted, as "Beach/sea.heic: reason" below
    // the source folder. The build goes on without them and says so.
    const QStringList &leftOff() const { return m_leftOff; }
    // Strict: anything left off fails the build instead (before the image).
    void setStrict(bool strict) { m_strict = strict; }

    // Removes vcd.bin, vcd.cue, their stamp, vcd.xml and the image's
    // temporary files from the build folder.
    void removeImage() const;

    QString imagePath() const; // build path + "/vcd.bin"
    QString cuePath() const; // build path + "/vcd.cue"

    StillEncoder &encoder() { return m_encoder; }
    const GenerationWalk &walk() const { return m_walk; }

    // The reason the build path cannot take a build of the source folder, or
    // empty: the same folder (after links, whatever the letter case the file
    // system ignores), or a folder inside it, which the next scan would read
    // as part of the album.
    static QString buildPathConflict(const QString &source, const QString &build);

private:
    Outcome checks();
    Outcome run();
    QString buildFolder() const;
    bool hasDiscItem(const ProjectNode *node) const;
    QStringList leftOffItems(const ProjectNode *node) const;
    // Writes INDEX.HTM when the settings add the originals; the <filesystem>
    // element that puts them on the disc, or empty.
    QString prepareOriginals() const;

    Settings &m_settings;
    ProjectTree &m_tree;
    Prompter &m_prompter;
    BuildCancel m_cancel;
    StillEncoder m_encoder;
    DescriptionWriter m_writer;
    GenerationWalk m_walk;
    ImageBuilder m_image;
    Callbacks m_callbacks;
    bool m_building = false;
    bool m_burnWithoutAsking = false;
    bool m_strict = false;
    QString m_problem;
    QStringList m_leftOff;
};

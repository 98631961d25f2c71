#pragma once

#include <QString>

class ProjectTree;
struct Settings;

// What a disc image in the build folder was made from, kept beside it in
// "vcd.stamp": one fingerprint over the source folder, the tree in disc
// order (paths, check marks, entry texts, the content of every picture,
// movie and caption file), every setting that shows on the disc and the
// program version. An image whose stamp differs from the fingerprint of
// the album as it is now must not be offered for burning.
class ImageStamp
{
public:
    enum class State {
        Current, // vcd.bin and vcd.cue are there and their stamp matches
        Stale, // the image is there, but made from another album or settings, or unstamped
        Missing, // no complete image
    };

    static QString fileName() { return QStringLiteral("vcd.stamp"); }

    // Hashes the files of the album; renders nothing.
    static QString fingerprint(const Settings &settings, const ProjectTree &tree);
    // The album's part of it (the tree and its files) and the whole made
    // from that part: a build takes the album's part before its walk, so an
    // album edited meanwhile reads as newer than the image, and the settings
    // after it, since the walk itself may correct them (a date stamp moved
    // back inside the frame) and the disc shows the corrected ones.
    static QString albumPart(const ProjectTree &tree);
    static QString fingerprint(const Settings &settings, const QString &albumPart);

    // Writes the stamp atomically into buildFolder; false when it could not.
    static bool write(const QString &buildFolder, const QString &fingerprint);
    // The stamp in buildFolder, or empty.
    static QString read(const QString &buildFolder);

    // The state of the image in settings.destinationDir against settings
    // and tree as they are now.
    static State stateOf(const Settings &settings, const ProjectTree &tree);
};

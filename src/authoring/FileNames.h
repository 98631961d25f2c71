#pragma once

#include <QString>

// File-name and path helpers of the generation walk and the still encoder.
// They hold no state.

// Replaces every character other than A-Z, a-z, 0-9, "-", "(", ")", space,
// ":", "." and the path separator by "_". The result has as many characters
// as the input (a character outside the basic plane becomes one "_").
QString filterFileName(const QString &path);

// Creates the missing folders of path, one level at a time. Callers pass a
// path that ends with the separator. A level that cannot be made (a file of
// that name exists, no permission) throws KelvaraError.
void makeFolderPath(const QString &path);

// The text before the last separator ("x/y" -> "x"). A path without a
// separator is a caller's error and throws KelvaraError.
QString parentFolderOf(const QString &path);

// Where the walk writes the output for a source item: the build path as the
// user chose it, a separator, then the item's part below the source folder
// with FilterFileName applied. Only the part below is filtered, so a build
// path holding an accent or an apostrophe cannot move output elsewhere.
QString outputPathBelow(const QString &buildPath, const QString &relativePart);

// One entry of a source folder that gets an output of its own: a folder
// (an output folder of that name) or a picture (its still and caption still,
// named after the picture without its extension).
struct OutputEntry
{
    QString name; // the source name; a picture's without extension
    bool picture = false;
    bool movie = false; // a converted movie: its ".mpg" and part file
};

// The names the entries of one source folder get in their output folder, in
// the same order: filtered as filterFileName does, and distinct from one
// another even where the file system or a player folds letter case. Where
// two entries filter to one name, the later one gets "~2" (then "~3"...).
// A picture claims its caption still's name ("<name>_text") and the
// temporary files of both, a movie its converted stream and that stream's
// part file, so no other entry can take them; names of the
// walk's menu stills are never given. topLevel also keeps the build
// folder's own files ("vcd.*", the manifest) free.
QStringList distinctOutputNames(const QList<OutputEntry> &entries, bool topLevel);

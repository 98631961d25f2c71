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

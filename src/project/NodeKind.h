#pragma once

#include <QString>

// What a node stands for on disk. Never stored: derived from the path each time.
enum class NodeKind { None, Menu, Picture, Movie, Slideshow };

// Menu when the path is a directory; Slideshow for a folder's slideshow
// (which has no file of its own); else Picture or Movie by the name's
// extension (kindOfName); None for anything else or nothing.
NodeKind nodeKindOf(const QString &path);

// Picture for the still formats the album takes (.jpg .jpeg .jpe .png .webp
// .tif .tiff .bmp .gif .heic .heif .avif), Movie for the clips (.mp4 .m4v
// .mov .mkv .webm .avi .3gp .mts .m2ts .mpg .mpeg .vob .wmv), in any letter
// case; Slideshow for slideshowName(); None for every other name. The name
// alone decides: the disk is not asked.
NodeKind kindOfName(const QString &name);

// The name a folder's slideshow goes by in the tree, the order file and the
// build folder. A dot file, so no picture or movie of the album takes it.
QString slideshowName();

// True for the sound files a slideshow plays (.mp3 .ogg .oga .opus .flac
// .wav .m4a .aac), in any letter case.
bool isAudioName(const QString &name);

// The name without its last extension ("sea.jpeg" -> "sea"; a name without
// one, or a dot file, stays whole).
QString nameWithoutExtension(const QString &name);

// Where a picture's caption is kept: beside it, under its name with ".txt"
// in place of the picture's extension ("sea.jpeg" -> "sea.txt").
QString captionPathOf(const QString &picturePath);

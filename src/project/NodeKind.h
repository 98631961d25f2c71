#pragma once

#include <QString>

// What a node stands for on disk. Never stored: derived from the path each time.
enum class NodeKind { None, Menu, Picture, Movie };

// Menu when the path is a directory; else Picture or Movie by the last four
// characters (".JPG" / ".MPG", any case); None for anything else or nothing.
NodeKind nodeKindOf(const QString &path);

#pragma once

#include <QString>

#include <cstddef>

class ProjectNode;

// One state of the disc as the remote reaches it, named by the node it shows
// and whether it is that picture's caption still. A folder's state is the menu
// page of the folder above it with the folder's entry highlighted, so every
// menu page with one entry highlighted has a state of its own. A slideshow
// has two: the movie, and (menuLine) the menu page above its folder with the
// slideshow's own line highlighted.
struct DiscState
{
    ProjectNode *node = nullptr;
    bool caption = false;
    bool menuLine = false;

    bool isValid() const { return node != nullptr; }
    // "0012", "text0012" for a caption state or "line0012" for a menu line:
    // what follows "Selection-" and "Segment-" in vcd.xml.
    QString number() const;
    // The state's id in vcd.xml ("Selection-0012"); empty for no state.
    QString selectionId() const;
    // The id of the still or movie it plays ("Segment-0012").
    QString segmentId() const;

    // "0012" for 12; an index above 9999 is written in full.
    static QString indexNumber(int index);

    friend bool operator==(const DiscState &, const DiscState &) = default;
};

size_t qHash(const DiscState &state, size_t seed = 0);

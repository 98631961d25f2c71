#pragma once

#include <QList>

#include "authoring/DiscState.h"

// Where each key of the remote leads from one disc state. A link that is not
// valid means the key does nothing there.
struct StateLinks
{
    enum class Page {
        None, // not a state of the disc
        Menu, // a menu page; the state's node is the highlighted entry
        Picture, // a picture's still
        Caption, // a picture's still with its caption drawn over it
        Movie,
        Slideshow, // a folder's slideshow, played before its first picture
    };

    DiscState state;
    Page page = Page::None;
    int entryNumber = 0; // on a menu page, the highlighted entry's number (from 1)

    DiscState previous;
    DiscState next;
    DiscState returnTo;
    DiscState enter; // Enter, and the player's default selection
    DiscState timeout; // where the disc goes when the wait is over
    int wait = 0; // seconds before the timeout; -1 waits for ever
    QList<DiscState> numberKeys; // key 1 first; only menu pages have them

    bool isValid() const { return page != Page::None; }
};

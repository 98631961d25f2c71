#pragma once

// Running totals kept beside the tree; zeroed at every scan start. Doubles, as
// the capacity estimate computes with them in floating point.
struct TreeCounters
{
    double MenuCount = 0;
    double ItemCount = 0;
    double CaptionCount = 0; // pictures with a caption file: each adds a caption still
    double PictureBytesTotal = 0;
    double MovieBytesTotal = 0;
    double slideshowPictures = 0; // pictures shown in slideshows, each for the picture timeout
    double movieSeconds = 0; // the length of the movies whose length is known
    double unmeasuredMovieBytes = 0; // the source bytes of the movies whose length is not
};

#pragma once

#include <QImage>

// The menu button artwork compiled into the program: two 480 x 45 pictures
// drawn for a 720 x 576 reference frame, which menu pages scale to their frame.
class ButtonArt
{
public:
    static constexpr int Width = 480;
    static constexpr int Height = 45;

    // An entry's button.
    static QImage normal();
    // The button of the highlighted entry.
    static QImage highlighted();
};

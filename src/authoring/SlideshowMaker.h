#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "authoring/MovieConverter.h"
#include "authoring/ToolJob.h"

// Makes a folder's slideshow: one disc movie (encoded as MovieConverter
// encodes clips) that shows the folder's stills one after the other, each for
// the same time, with a cross-fade between them, over the folder's sound
// files played one after the other in the order given. Sound shorter than
// the pictures starts again from the first file; at the end it fades out and
// stops with the last picture.
class SlideshowMaker
{
public:
    struct Plan
    {
        QStringList frames; // the composed stills (JPEG), in disc order
        QStringList audio; // the sound files, in the order they play
        QList<double> audioSeconds; // the length of each sound file
        double pictureSeconds = 6;
        double fadeSeconds = 1; // 0 cuts from picture to picture

        // The pictures' time: the slideshow's length.
        double length() const { return pictureSeconds * frames.size(); }
        // The cross-fade as made: at most half a picture's time.
        double fade() const;
    };

    // Raised whenever the arguments change what a slideshow looks or sounds
    // like, so that earlier ones are not reused.
    static constexpr int Version = 1;

    // A sound file's length in seconds, or the reason it cannot be played.
    struct Sound
    {
        double seconds = 0;
        QString failure;
        bool usable() const { return failure.isEmpty(); }
    };
    // Asks ffprobe; cancel (optional) ends it.
    static Sound probeSound(const QString &path, const ToolJob::CancelCheck &cancel = {});

    // The ffmpeg arguments that make output from the plan.
    static QStringList arguments(
        const Plan &plan, const MovieConverter::Target &target, const QString &output, int threads);

    // Makes output through a part file, as MovieConverter::convert does.
    static MovieConverter::Outcome make(const Plan &plan, const MovieConverter::Target &target,
        const QString &output, const std::function<void(const QString &)> &log,
        const ToolJob::CancelCheck &interrupt);
};

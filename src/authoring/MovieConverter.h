#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "authoring/MovieProbe.h"
#include "authoring/ToolJob.h"

// Turns a movie of any kind into the MPEG program stream the disc plays, with
// ffmpeg run as a tool job: for VCD MPEG-1 at 352x288 (PAL) or 352x240
// (NTSC), for SVCD MPEG-2 at 480x576 or 480x480, with MP2 sound at 44.1 kHz,
// the picture upright, its shape kept inside a 4:3 frame with black bars,
// at the disc's constant frame rate. A movie already in the disc's format is
// used as it is (isDiscReady).
class MovieConverter
{
public:
    // The disc's format.
    struct Target
    {
        bool vcd = false;
        bool ntsc = false;
        int width() const { return vcd ? 352 : 480; }
        int height() const { return ntsc ? (vcd ? 240 : 480) : (vcd ? 288 : 576); }
        // ffprobe's r_frame_rate of the disc's video.
        QString frameRate() const { return ntsc ? QStringLiteral("30000/1001") : QStringLiteral("25/1"); }
    };

    // Raised whenever the arguments change what a conversion makes, so that
    // earlier conversions are not reused.
    static constexpr int Version = 1;

    // True when vcdxbuild takes the movie for this disc as it is: the disc's
    // codec, frame size and rate in a program stream of 2324-byte packs,
    // with MP2 sound at 44.1 kHz (224 kbit/s on a VCD, which vcdxbuild
    // insists on). A movie without sound is converted, to gain silence.
    static bool isDiscReady(const MovieProbe::Info &info, const Target &target);

    // The ffmpeg arguments that convert source into output (an MPEG program
    // stream, whatever output's name) with threads threads each for
    // decoding and encoding.
    static QStringList arguments(const MovieProbe::Info &info, const Target &target, const QString &source,
        const QString &output, int threads);

    // The pieces of arguments that set the disc's format, for any ffmpeg run
    // that makes a disc movie: the target (codecs, rates, muxer), the
    // frame's shape, the sound.
    static QStringList targetArguments(const Target &target);
    static QStringList videoFormatArguments(const Target &target);
    static QStringList audioFormatArguments();

    // The picture's size inside the disc frame once its shape is kept:
    // full width with bars above and below, or full height with bars at the
    // sides. Both even.
    static void activeSize(double displayAspect, const Target &target, int *width, int *height);

    enum class End {
        Made, // output is there, whole
        Stopped, // cancelled; nothing left
        Failed, // nothing left; reason says why
    };
    struct Outcome
    {
        End end = End::Failed;
        QString reason;
    };

    // Converts source into output through output + ".part", renamed only
    // when ffmpeg ends well and leaves a non-empty file. log gets the
    // command line and ffmpeg's output; interrupt (optional) ends ffmpeg and
    // removes the part file. Touches nothing else, so it runs on any thread.
    static Outcome convert(const MovieProbe::Info &info, const Target &target, const QString &source,
        const QString &output, const std::function<void(const QString &)> &log,
        const ToolJob::CancelCheck &interrupt);

    // Runs ffmpeg with arguments that write partOf(output), as convert
    // does, and renames the part file to output when it ends well.
    static Outcome run(const QStringList &arguments, const QString &output,
        const std::function<void(const QString &)> &log, const ToolJob::CancelCheck &interrupt);

    // Threads for one conversion: every core, since a clip is usually the
    // build's longest job and the still encoders beside it are
    // single-threaded and brief.
    static int threads();
    static QString partOf(const QString &output) { return output + QLatin1String(".part"); }
    // ffmpeg as the other tools are found: 3rdparty, then PATH.
    static QString program();
};

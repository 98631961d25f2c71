#include "authoring/SlideshowMaker.h"

#include <algorithm>
#include <cmath>

#include "authoring/MovieProbe.h"

namespace {

constexpr double kFadeOutSeconds = 2.0;

QString seconds(double value)
{
    return QString::number(value, 'f', 3);
}

} // namespace

double SlideshowMaker::Plan::fade() const
{
    if (frames.size() < 2)
        return 0;
    return std::clamp(fadeSeconds, 0.0, pictureSeconds / 2);
}

SlideshowMaker::Sound SlideshowMaker::probeSound(const QString &path, const ToolJob::CancelCheck &cancel)
{
    // A sound file is no movie to the probe: what matters is that ffmpeg
    // reads it and finds sound of some length in it.
    const MovieProbe::Info info = MovieProbe::probe(path, cancel);
    Sound sound;
    if (!info.hasAudio) {
        sound.failure = info.failure.startsWith(QLatin1String("no video")) ? QStringLiteral("no sound in it")
                                                                           : info.failure;
        return sound;
    }
    if (!(info.duration > 0)) {
        sound.failure = QStringLiteral("sound of no length");
        return sound;
    }
    sound.seconds = info.duration;
    return sound;
}

QStringList SlideshowMaker::arguments(
    const Plan &plan, const MovieConverter::Target &target, const QString &output, int threads)
{
    const int pictures = static_cast<int>(plan.frames.size());
    const double length = plan.length();
    const double fade = plan.fade();
    QStringList args { QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-nostats"),
        QStringLiteral("-y") };

    // Every picture but the last lasts a fade longer: each cross-fade
    // takes that much off the whole, which then is the pictures' time.
    for (int i = 0; i < pictures; ++i) {
        const double shown = plan.pictureSeconds + (i + 1 < pictures ? fade : 0.0);
        args << QStringLiteral("-loop") << QStringLiteral("1") << QStringLiteral("-framerate")
             << target.frameRate() << QStringLiteral("-t") << seconds(shown) << QStringLiteral("-i")
             << plan.frames.at(i);
    }

    // Sound shorter than the pictures is played again as often as needed.
    double soundLength = 0;
    for (const double s : plan.audioSeconds)
        soundLength += s;
    const int rounds = soundLength > 0 ? std::max(1, static_cast<int>(std::ceil(length / soundLength))) : 1;
    int sounds = 0;
    if (plan.audio.size() == 1) {
        if (rounds > 1)
            args << QStringLiteral("-stream_loop") << QString::number(rounds - 1);
        args << QStringLiteral("-i") << plan.audio.first();
        sounds = 1;
    } else {
        for (int round = 0; round < rounds; ++round) {
            for (const QString &file : plan.audio) {
                args << QStringLiteral("-i") << file;
                ++sounds;
            }
        }
    }

    QStringList graph;
    for (int i = 0; i < pictures; ++i) {
        // The stills are 4:3 frames in the stills' pixel grid: scaled to
        // the movie's frame they keep their shape.
        graph << QStringLiteral("[%1:v]scale=%2:%3:flags=bicubic,setsar=1,format=yuv420p,fps=%4[p%1]")
                     .arg(i)
                     .arg(target.width())
                     .arg(target.height())
                     .arg(target.frameRate());
    }
    if (pictures == 1) {
        graph << QStringLiteral("[p0]null[v]");
    } else if (fade <= 0) {
        QString inputs;
        for (int i = 0; i < pictures; ++i)
            inputs += QStringLiteral("[p%1]").arg(i);
        graph << inputs + QStringLiteral("concat=n=%1:v=1:a=0[v]").arg(pictures);
    } else {
        QString previous = QStringLiteral("[p0]");
        for (int i = 1; i < pictures; ++i) {
            const QString out = i + 1 < pictures ? QStringLiteral("[x%1]").arg(i) : QStringLiteral("[v]");
            graph << previous
                    + QStringLiteral("[p%1]xfade=transition=fade:duration=%2:offset=%3")
                          .arg(i)
                          .arg(seconds(fade), seconds(i * plan.pictureSeconds))
                    + out;
            previous = out;
        }
    }

    QString soundInputs;
    for (int j = 0; j < sounds; ++j) {
        graph << QStringLiteral("[%1:a]aresample=44100,aformat=sample_fmts=fltp:channel_layouts=stereo[s%2]")
                     .arg(pictures + j)
                     .arg(j);
        soundInputs += QStringLiteral("[s%1]").arg(j);
    }
    const double fadeOut = std::min(kFadeOutSeconds, length);
    graph << soundInputs
            + QStringLiteral("concat=n=%1:v=0:a=1,atrim=0:%2,asetpts=N/SR/TB,afade=t=out:st=%3:d=%4[a]")
                  .arg(sounds)
                  .arg(seconds(length), seconds(length - fadeOut), seconds(fadeOut));

    args << QStringLiteral("-filter_complex") << graph.join(u';') << QStringLiteral("-map")
         << QStringLiteral("[v]") << QStringLiteral("-map") << QStringLiteral("[a]");
    args << MovieConverter::targetArguments(target) << MovieConverter::videoFormatArguments(target)
         << MovieConverter::audioFormatArguments();
    args << QStringLiteral("-t") << seconds(length) << QStringLiteral("-threads")
         << QString::number(std::max(1, threads)) << QStringLiteral("-f")
         << (target.vcd ? QStringLiteral("vcd") : QStringLiteral("svcd")) << output;
    return args;
}

MovieConverter::Outcome SlideshowMaker::make(const Plan &plan, const MovieConverter::Target &target,
    const QString &output, const std::function<void(const QString &)> &log,
    const ToolJob::CancelCheck &interrupt)
{
    if (plan.frames.isEmpty() || plan.audio.isEmpty())
        return { MovieConverter::End::Failed, QStringLiteral("no pictures or no sound") };
    return MovieConverter::run(
        arguments(plan, target, MovieConverter::partOf(output), MovieConverter::threads()), output, log,
        interrupt);
}

#include "authoring/MovieConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "base/ProgramFolder.h"

namespace {

int even(double value)
{
    return std::max(2, 2 * static_cast<int>(std::lround(value / 2)));
}

QString lastLineOf(const QString &output)
{
    const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (!line.isEmpty())
            return line;
    }
    return QStringLiteral("no output");
}

} // namespace

QString MovieConverter::program()
{
    const QString found = ProgramFolder::findTool(QStringLiteral("ffmpeg"));
    return found.isEmpty() ? QStringLiteral("ffmpeg") : found;
}

int MovieConverter::threads()
{
    return std::clamp(QThread::idealThreadCount(), 1, 8);
}

bool MovieConverter::isDiscReady(const MovieProbe::Info &info, const Target &target)
{
    if (!info.usable() || !info.hasAudio)
        return false;
    const bool programStream = info.container.split(u',').contains(QLatin1String("mpeg"));
    const QString codec = target.vcd ? QStringLiteral("mpeg1video") : QStringLiteral("mpeg2video");
    return programStream && info.packSize == 2324 && info.videoCodec == codec && info.width == target.width()
        && info.height == target.height() && info.frameRate == target.frameRate() && info.rotation == 0
        && info.audioCodec == QLatin1String("mp2") && info.sampleRate == 44100
        && (info.channels == 1 || info.channels == 2) && (!target.vcd || info.audioBitRate == 224000);
}

void MovieConverter::activeSize(double displayAspect, const Target &target, int *width, int *height)
{
    constexpr double discAspect = 4.0 / 3.0;
    if (!(displayAspect > 0))
        displayAspect = discAspect;
    if (displayAspect >= discAspect) {
        *width = target.width();
        *height = std::min(target.height(), even(target.height() * discAspect / displayAspect));
    } else {
        *width = std::min(target.width(), even(target.width() * displayAspect / discAspect));
        *height = target.height();
    }
}

QStringList MovieConverter::arguments(const MovieProbe::Info &info, const Target &target,
    const QString &source, const QString &output, int threads)
{
    const QString threadCount = QString::number(std::max(1, threads));
    // Frame-threaded decoders stall less with a few frames more in flight
    // than there are cores: a 1080p H.264 clip converts a quarter faster.
    const QString decodeThreads = QString::number(std::max(1, threads) * 2);
    const QString kind = target.vcd ? QStringLiteral("vcd") : QStringLiteral("svcd");

    // No -noautorotate: ffmpeg turns the picture by the track's rotation
    // before the filters below see it, so a portrait phone clip stands up.
    QStringList args { QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-nostats"),
        QStringLiteral("-y"), QStringLiteral("-threads"), decodeThreads, QStringLiteral("-i"), source };
    if (!info.hasAudio)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("anullsrc=channel_layout=stereo:sample_rate=44100");
    args << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-map")
         << (info.hasAudio ? QStringLiteral("0:a:0") : QStringLiteral("1:a:0"));

    args << targetArguments(target);

    int width = 0;
    int height = 0;
    activeSize(info.displayAspect(), target, &width, &height);
    const int left = (target.width() - width) / 2 / 2 * 2;
    const int top = (target.height() - height) / 2 / 2 * 2;
    // The fps filter comes first: it drops or repeats frames by their
    // timestamps, so a clip of varying frame rate keeps in step with its
    // sound, and fewer frames reach the scaler. Bilinear: scaling down,
    // swscale widens the filter to the ratio, so it averages as well as
    // bicubic does for a fraction of the work (a 1080p clip converts about
    // a sixth faster).
    const QString filters = QStringLiteral("fps=%1,scale=%2:%3:flags=bilinear,setsar=1,pad=%4:%5:%6:%7:black")
                                .arg(target.frameRate())
                                .arg(width)
                                .arg(height)
                                .arg(target.width())
                                .arg(target.height())
                                .arg(left)
                                .arg(top);
    args << QStringLiteral("-vf") << filters << videoFormatArguments(target);

    if (info.hasAudio)
        // async stretches or pads the sound by a few samples where its
        // timestamps jump, rather than letting it drift from the picture.
        args << QStringLiteral("-af") << QStringLiteral("aresample=44100:async=1:first_pts=0");
    args << audioFormatArguments();
    if (!info.hasAudio) {
        // The silence never ends by itself.
        args << QStringLiteral("-shortest");
        if (info.duration > 0)
            args << QStringLiteral("-t") << QString::number(info.duration, 'f', 3);
    }
    args << QStringLiteral("-threads") << threadCount << QStringLiteral("-f") << kind << output;
    return args;
}

QStringList MovieConverter::targetArguments(const Target &target)
{
    // The target sets the codecs, rates, buffer and the muxer's pack size;
    // what follows it refines it.
    return { QStringLiteral("-target"),
        (target.ntsc ? QStringLiteral("ntsc-") : QStringLiteral("pal-"))
            + (target.vcd ? QStringLiteral("vcd") : QStringLiteral("svcd")) };
}

QStringList MovieConverter::videoFormatArguments(const Target &target)
{
    QStringList args { QStringLiteral("-aspect"), QStringLiteral("4:3") };
    if (!target.vcd)
        // vcdxbuild fills in the scan offsets only where room was left.
        args << QStringLiteral("-scan_offset") << QStringLiteral("1");
    return args;
}

QStringList MovieConverter::audioFormatArguments()
{
    return { QStringLiteral("-c:a"), QStringLiteral("mp2"), QStringLiteral("-ar"), QStringLiteral("44100"),
        QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-b:a"), QStringLiteral("224k") };
}

MovieConverter::Outcome MovieConverter::convert(const MovieProbe::Info &info, const Target &target,
    const QString &source, const QString &output, const std::function<void(const QString &)> &log,
    const ToolJob::CancelCheck &interrupt)
{
    return run(arguments(info, target, source, partOf(output), threads()), output, log, interrupt);
}

MovieConverter::Outcome MovieConverter::run(const QStringList &arguments, const QString &output,
    const std::function<void(const QString &)> &log, const ToolJob::CancelCheck &interrupt)
{
    const QString part = partOf(output);
    ToolJob job(program(), arguments);
    QString tail;
    job.setOutputHandler([&](const QString &piece) {
        if (log)
            log(piece);
        // Enough to find ffmpeg's last complaint in.
        tail = QString(tail + piece).right(4096);
    });
    if (interrupt)
        job.setCancelCheck(interrupt);
    if (log)
        log(QLatin1String("Command = ") + job.commandLine());

    QFile::remove(part);
    QFile::remove(output);
    const ToolJob::Result result = job.run();
    if (result.cancelled) {
        QFile::remove(part);
        return { End::Stopped, QString() };
    }
    if (result.end == ToolJob::End::NotStarted) {
        QFile::remove(part);
        return { End::Failed, QLatin1String("ffmpeg could not start: ") + result.error };
    }
    if (result.stalled) {
        QFile::remove(part);
        return { End::Failed, result.stallText };
    }
    if (!result.succeeded()) {
        QFile::remove(part);
        return { End::Failed, QLatin1String("cannot be converted by ffmpeg: ") + lastLineOf(tail) };
    }
    if (QFileInfo(part).size() <= 0
        || ::rename(QFile::encodeName(part).constData(), QFile::encodeName(output).constData()) != 0) {
        QFile::remove(part);
        return { End::Failed, QStringLiteral("ffmpeg made no movie") };
    }
    return { End::Made, QString() };
}

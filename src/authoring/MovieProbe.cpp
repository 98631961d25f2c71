#include "authoring/MovieProbe.h"

#include <cmath>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "base/ProgramFolder.h"

namespace {

// "49:33" into its two numbers; false for "0:1", "N/A" and the like.
bool ratioOf(const QString &text, int *num, int *den)
{
    const QStringList parts = text.split(u':');
    if (parts.size() != 2)
        return false;
    bool okNum = false;
    bool okDen = false;
    const int n = parts.at(0).toInt(&okNum);
    const int d = parts.at(1).toInt(&okDen);
    if (!okNum || !okDen || n <= 0 || d <= 0)
        return false;
    *num = n;
    *den = d;
    return true;
}

// A display matrix's angle is counter-clockwise and may be negative; the
// old "rotate" tag is clockwise. Both come out as the clockwise turn the
// player applies, in 0..359.
int clockwise(double degrees)
{
    int turn = static_cast<int>(std::lround(degrees)) % 360;
    return turn < 0 ? turn + 360 : turn;
}

int rotationOf(const QJsonObject &stream)
{
    for (const QJsonValue &value : stream.value(QLatin1String("side_data_list")).toArray()) {
        const QJsonObject data = value.toObject();
        if (data.contains(QLatin1String("rotation")))
            return clockwise(-data.value(QLatin1String("rotation")).toDouble());
    }
    const QJsonObject tags = stream.value(QLatin1String("tags")).toObject();
    const QString rotate = tags.value(QLatin1String("rotate")).toString();
    return rotate.isEmpty() ? 0 : clockwise(rotate.toDouble());
}

// ffprobe writes most numbers as strings.
qint64 numberOf(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isString() ? value.toString().toLongLong() : value.toInteger();
}

// The first line of ffprobe's complaint, without the file name it starts with.
QString firstErrorLine(const QString &output, const QString &path)
{
    for (QString line : output.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line == u'{' || line == u'}')
            continue;
        if (line.startsWith(path + QLatin1String(": ")))
            line = line.mid(path.size() + 2);
        return line;
    }
    return QStringLiteral("no answer");
}

} // namespace

double MovieProbe::Info::displayAspect() const
{
    if (width <= 0 || height <= 0)
        return 4.0 / 3.0;
    const double aspect = double(width) * sarNum / (double(height) * sarDen);
    return turnedSideways() ? 1.0 / aspect : aspect;
}

QString MovieProbe::program()
{
    const QString found = ProgramFolder::findTool(QStringLiteral("ffprobe"));
    return found.isEmpty() ? QStringLiteral("ffprobe") : found;
}

MovieProbe::Info MovieProbe::fromJson(const QByteArray &json)
{
    Info info;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    info.container = format.value(QLatin1String("format_name")).toString();
    info.duration = format.value(QLatin1String("duration")).toString().toDouble();

    bool video = false;
    for (const QJsonValue &value : root.value(QLatin1String("streams")).toArray()) {
        const QJsonObject stream = value.toObject();
        const QString type = stream.value(QLatin1String("codec_type")).toString();
        // A cover picture in an MP4 is a video stream of one frame.
        const bool coverArt = stream.value(QLatin1String("disposition"))
                                  .toObject()
                                  .value(QLatin1String("attached_pic"))
                                  .toInt()
            == 1;
        if (type == QLatin1String("video") && !video && !coverArt) {
            video = true;
            info.videoCodec = stream.value(QLatin1String("codec_name")).toString();
            info.width = int(numberOf(stream, "width"));
            info.height = int(numberOf(stream, "height"));
            ratioOf(
                stream.value(QLatin1String("sample_aspect_ratio")).toString(), &info.sarNum, &info.sarDen);
            info.frameRate = stream.value(QLatin1String("r_frame_rate")).toString();
            info.averageFrameRate = stream.value(QLatin1String("avg_frame_rate")).toString();
            info.rotation = rotationOf(stream);
        } else if (type == QLatin1String("audio") && !info.hasAudio) {
            info.hasAudio = true;
            info.audioCodec = stream.value(QLatin1String("codec_name")).toString();
            info.sampleRate = int(numberOf(stream, "sample_rate"));
            info.channels = int(numberOf(stream, "channels"));
            info.audioBitRate = numberOf(stream, "bit_rate");
        }
    }
    if (!video || info.width <= 0 || info.height <= 0)
        info.failure = QStringLiteral("no video stream");
    return info;
}

int MovieProbe::packSizeOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(64 * 1024);
    static const QByteArray packStart("\x00\x00\x01\xBA", 4);
    const qsizetype first = head.indexOf(packStart);
    if (first < 0)
        return 0;
    const qsizetype second = head.indexOf(packStart, first + 4);
    return second < 0 ? 0 : int(second - first);
}

MovieProbe::Info MovieProbe::probe(const QString &path, const ToolJob::CancelCheck &cancel)
{
    ToolJob job(program(),
        { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
            QStringLiteral("json"), QStringLiteral("-show_format"), QStringLiteral("-show_streams"), path });
    QString output;
    job.setOutputHandler([&output](const QString &piece) { output += piece; });
    if (cancel)
        job.setCancelCheck(cancel);
    const ToolJob::Result result = job.run();

    Info info;
    if (result.end == ToolJob::End::NotStarted) {
        info.failure = QLatin1String("ffprobe could not start: ") + result.error;
        return info;
    }
    if (result.stalled) {
        info.failure = result.stallText;
        return info;
    }
    if (!result.succeeded()) {
        info.failure = QLatin1String("cannot be read by ffmpeg: ") + firstErrorLine(output, path);
        return info;
    }
    // Standard error shares the channel: the document is what lies between
    // the first opening and the last closing brace.
    const qsizetype open = output.indexOf(u'{');
    const qsizetype close = output.lastIndexOf(u'}');
    if (open < 0 || close < open) {
        info.failure = QLatin1String("cannot be read by ffmpeg: ") + firstErrorLine(output, path);
        return info;
    }
    info = fromJson(output.mid(open, close - open + 1).toUtf8());
    if (info.usable() && info.container.split(u',').contains(QLatin1String("mpeg")))
        info.packSize = packSizeOf(path);
    return info;
}

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "BuildFixture.h"
#include "authoring/GenerationWalk.h"
#include "authoring/MovieConverter.h"
#include "authoring/MovieProbe.h"
#include "project/ProjectTree.h"

using namespace Qt::StringLiterals;

// Movies probed with the real ffprobe and converted with the real ffmpeg;
// the clips are made by ffmpeg at test time.
namespace {

const MovieConverter::Target kPalVcd { true, false };
const MovieConverter::Target kPalSvcd { false, false };

void ffmpeg(const QStringList &arguments)
{
    int code = 0;
    const QString out = runTool(
        u"ffmpeg"_s, QStringList { u"-v"_s, u"error"_s, u"-y"_s } + arguments, QDir::tempPath(), &code);
    ASSERT_EQ(code, 0) << out.toStdString();
}

// One stream's entries as ffprobe prints them: "352,288,25/1". An MPEG-2
// stream's side data only adds empty fields after them.
QString probed(const QString &file, const QString &stream, const QString &entries)
{
    int code = 0;
    QString line = runTool(u"ffprobe"_s,
        { u"-v"_s, u"error"_s, u"-select_streams"_s, stream, u"-show_entries"_s, u"stream="_s + entries,
            u"-of"_s, u"csv=p=0"_s, file },
        QDir::tempPath(), &code)
                       .section(u'\n', 0, 0)
                       .trimmed();
    while (line.endsWith(u','))
        line.chop(1);
    return line;
}

double durationOf(const QString &file, const QString &stream)
{
    return probed(file, stream, u"duration"_s).toDouble();
}

// A clip of testsrc pictures, with a sine tone unless sound is false.
void makeClip(const QString &path, const QString &size, double seconds, bool sound = true,
    const QStringList &extra = {})
{
    const QString length = QString::number(seconds);
    QStringList args { u"-f"_s, u"lavfi"_s, u"-i"_s, u"testsrc=s="_s + size + u":r=30:d="_s + length };
    if (sound)
        args << u"-f"_s << u"lavfi"_s << u"-i"_s << u"sine=f=440:r=48000:d="_s + length << u"-c:a"_s
             << u"aac"_s;
    args << u"-c:v"_s << u"libx264"_s << u"-preset"_s << u"ultrafast"_s << u"-pix_fmt"_s << u"yuv420p"_s
         << extra << path;
    ffmpeg(args);
}

// A clip whose track header turns it a quarter (rotate survives only a
// stream copy on this ffmpeg) and, when upright is given, the same pictures
// turned in their pixels, as the player shows the first.
void makePortrait(const QString &path, const QString &folder, const QString &upright = {})
{
    const QString plain = folder + u"/plain-landscape.mp4"_s;
    makeClip(plain, u"320x180"_s, 2);
    ffmpeg({ u"-i"_s, plain, u"-c"_s, u"copy"_s, u"-metadata:s:v:0"_s, u"rotate=90"_s, path });
    if (!upright.isEmpty())
        ffmpeg({ u"-i"_s, plain, u"-vf"_s, u"transpose=cclock"_s, u"-c:v"_s, u"libx264"_s, u"-pix_fmt"_s,
            u"yuv420p"_s, upright });
    QFile::remove(plain);
}

MovieConverter::Outcome convert(
    const QString &source, const QString &output, const MovieConverter::Target &target)
{
    const MovieProbe::Info info = MovieProbe::probe(source);
    EXPECT_TRUE(info.usable()) << info.failure.toStdString();
    QStringList log;
    const MovieConverter::Outcome outcome = MovieConverter::convert(
        info, target, source, output, [&log](const QString &piece) { log.append(piece); }, {});
    EXPECT_EQ(outcome.end, MovieConverter::End::Made)
        << QString(outcome.reason + u"\n"_s + log.join(QString())).toStdString();
    EXPECT_FALSE(QFileInfo::exists(MovieConverter::partOf(output)));
    return outcome;
}

// One frame from the middle of a movie as RGB bytes.
QByteArray frameOf(const QString &movie)
{
    QProcess process;
    process.start(u"ffmpeg"_s,
        { u"-v"_s, u"error"_s, u"-ss"_s, u"1"_s, u"-i"_s, movie, u"-frames:v"_s, u"1"_s, u"-f"_s,
            u"rawvideo"_s, u"-pix_fmt"_s, u"rgb24"_s, u"-"_s });
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

// The mean brightness of a column of an RGB frame.
double columnLevel(const QByteArray &rgb, int width, int height, int x)
{
    double sum = 0;
    for (int y = 0; y < height; ++y) {
        const qsizetype at = (qsizetype(y) * width + x) * 3;
        sum += quint8(rgb[at]) + quint8(rgb[at + 1]) + quint8(rgb[at + 2]);
    }
    return sum / (3.0 * height);
}

class MovieTest : public ::testing::Test
{
protected:
    QString file(const QString &name) const { return m_dir.path() + u'/' + name; }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(MovieTest, WideClipBecomesVcdAndSvcdOfTheSameLength)
{
    const QString source = file(u"wide.mp4"_s);
    makeClip(source, u"1280x720"_s, 3);
    const MovieProbe::Info info = MovieProbe::probe(source);
    ASSERT_TRUE(info.usable()) << info.failure.toStdString();
    EXPECT_EQ(info.videoCodec, u"h264"_s);
    EXPECT_EQ(info.width, 1280);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_NEAR(info.displayAspect(), 16.0 / 9.0, 1e-6);
    EXPECT_FALSE(MovieConverter::isDiscReady(info, kPalVcd));

    const struct
    {
        MovieConverter::Target target;
        QString name;
        QString picture;
        QString otherCodec;
    } cases[] = { { kPalVcd, u"wide-vcd.mpg"_s, u"mpeg1video,352,288,25/1"_s, u"mpeg2video"_s },
        { kPalSvcd, u"wide-svcd.mpg"_s, u"mpeg2video,480,576,25/1"_s, u"mpeg1video"_s } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString output = file(c.name);
        convert(source, output, c.target);
        EXPECT_EQ(probed(output, u"v:0"_s, u"codec_name,width,height,r_frame_rate"_s), c.picture);
        EXPECT_EQ(probed(output, u"a:0"_s, u"codec_name,sample_rate,channels"_s), u"mp2,44100,2"_s);
        EXPECT_NEAR(durationOf(output, u"v:0"_s), 3.0, 0.3);
        EXPECT_NEAR(durationOf(output, u"a:0"_s), 3.0, 0.3);
        // What was made is what the rule takes as it is, for this disc only.
        const MovieProbe::Info made = MovieProbe::probe(output);
        EXPECT_TRUE(MovieConverter::isDiscReady(made, c.target));
        EXPECT_FALSE(MovieConverter::isDiscReady(made, { !c.target.vcd, false }));
        EXPECT_FALSE(MovieConverter::isDiscReady(made, { c.target.vcd, true }));
    }

    // Cancelled once ffmpeg has begun to write: neither the part file nor
    // the movie is left, and the one made before is gone too.
    const QString output = file(u"wide-vcd.mpg"_s);
    const QString part = MovieConverter::partOf(output);
    const MovieConverter::Outcome stopped = MovieConverter::convert(
        info, kPalVcd, source, output, {}, [&part] { return QFileInfo(part).size() > 0; });
    EXPECT_EQ(stopped.end, MovieConverter::End::Stopped);
    EXPECT_FALSE(QFileInfo::exists(part));
    EXPECT_FALSE(QFileInfo::exists(output));
}

TEST_F(MovieTest, TurnedSilentAndVariableRateClipsComeOutUprightWithSoundInStep)
{
    // A portrait phone clip: upright, with black bars at both sides.
    const QString portrait = file(u"portrait.mp4"_s);
    const QString standing = file(u"standing.mp4"_s);
    makePortrait(portrait, m_dir.path(), standing);
    const MovieProbe::Info turned = MovieProbe::probe(portrait);
    EXPECT_TRUE(turned.turnedSideways()) << turned.rotation;
    EXPECT_NEAR(turned.displayAspect(), 9.0 / 16.0, 1e-6);
    const QString upright = file(u"portrait-svcd.mpg"_s);
    convert(portrait, upright, kPalSvcd);
    const QByteArray rgb = frameOf(upright);
    ASSERT_EQ(rgb.size(), 480 * 576 * 3);
    EXPECT_LT(columnLevel(rgb, 480, 576, 4), 20.0);
    EXPECT_LT(columnLevel(rgb, 480, 576, 475), 20.0);
    EXPECT_GT(columnLevel(rgb, 480, 576, 240), 40.0);
    // The picture stands: the bars take about (4/3 - 9/16) / (4/3) of the width.
    int width = 0;
    int height = 0;
    MovieConverter::activeSize(turned.displayAspect(), kPalSvcd, &width, &height);
    EXPECT_EQ(height, 576);
    EXPECT_NEAR(width, 480 * (9.0 / 16.0) / (4.0 / 3.0), 2);
    EXPECT_LT(columnLevel(rgb, 480, 576, (480 - width) / 2 - 4), 20.0);
    EXPECT_GT(columnLevel(rgb, 480, 576, (480 - width) / 2 + 8), 40.0);
    // Turned the way a player turns it: the same frame as from pictures
    // stored upright.
    const QString reference = file(u"standing-svcd.mpg"_s);
    convert(standing, reference, kPalSvcd);
    const QByteArray expected = frameOf(reference);
    ASSERT_EQ(expected.size(), rgb.size());
    double difference = 0;
    for (qsizetype i = 0; i < rgb.size(); ++i)
        difference += std::abs(int(quint8(rgb[i])) - int(quint8(expected[i])));
    EXPECT_LT(difference / double(rgb.size()), 8.0);

    // No sound at all: a silent MP2 track as long as the picture.
    const QString mute = file(u"mute.mkv"_s);
    makeClip(mute, u"640x480"_s, 2, false);
    EXPECT_FALSE(MovieProbe::probe(mute).hasAudio);
    const QString voiced = file(u"mute-vcd.mpg"_s);
    convert(mute, voiced, kPalVcd);
    EXPECT_EQ(probed(voiced, u"a:0"_s, u"codec_name,sample_rate"_s), u"mp2,44100"_s);
    EXPECT_NEAR(durationOf(voiced, u"a:0"_s), durationOf(voiced, u"v:0"_s), 0.3);

    // Three frames of every ten dropped, timestamps kept: sound stays with
    // the picture.
    const QString variable = file(u"variable.mp4"_s);
    makeClip(variable, u"320x240"_s, 4, true,
        { u"-vf"_s, u"select='lt(mod(n\\,10)\\,7)'"_s, u"-fps_mode"_s, u"vfr"_s });
    const MovieProbe::Info vfr = MovieProbe::probe(variable);
    EXPECT_NE(vfr.averageFrameRate, vfr.frameRate);
    const QString steady = file(u"variable-vcd.mpg"_s);
    convert(variable, steady, kPalVcd);
    EXPECT_EQ(probed(steady, u"v:0"_s, u"r_frame_rate"_s), u"25/1"_s);
    EXPECT_NEAR(durationOf(steady, u"v:0"_s), 4.0, 0.3);
    EXPECT_NEAR(durationOf(steady, u"a:0"_s), durationOf(steady, u"v:0"_s), 0.3);
}

TEST_F(MovieTest, UnreadableAndPictureLessFilesAreRefusedWithAReason)
{
    const QString noise = file(u"noise.mp4"_s);
    QByteArray bytes(8000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7919 + 13) % 251);
    BuildFixture::writeText(noise, bytes);
    const MovieProbe::Info unread = MovieProbe::probe(noise);
    EXPECT_TRUE(unread.failure.startsWith(u"cannot be read by ffmpeg: "_s)) << unread.failure.toStdString();
    EXPECT_FALSE(unread.failure.contains(noise)) << unread.failure.toStdString();

    const QString song = file(u"song.mp4"_s);
    ffmpeg({ u"-f"_s, u"lavfi"_s, u"-i"_s, u"sine=d=1"_s, u"-c:a"_s, u"aac"_s, song });
    EXPECT_EQ(MovieProbe::probe(song).failure, u"no video stream"_s);

    // An MPEG-1 file of the right size whose packs vcdxbuild would pad is
    // converted, as is one with the wrong audio bit rate.
    const QString packed = file(u"packed.mpg"_s);
    const QString thin = file(u"thin.mpg"_s);
    const QString ready = file(u"ready.mpg"_s);
    const QString source = file(u"small.mp4"_s);
    makeClip(source, u"320x240"_s, 1);
    ffmpeg({ u"-i"_s, source, u"-target"_s, u"pal-vcd"_s, u"-packetsize"_s, u"2048"_s, packed });
    ffmpeg({ u"-i"_s, source, u"-target"_s, u"pal-vcd"_s, u"-b:a"_s, u"128k"_s, thin });
    ffmpeg({ u"-i"_s, source, u"-target"_s, u"pal-vcd"_s, ready });
    EXPECT_FALSE(MovieConverter::isDiscReady(MovieProbe::probe(packed), kPalVcd));
    EXPECT_FALSE(MovieConverter::isDiscReady(MovieProbe::probe(thin), kPalVcd));
    EXPECT_TRUE(MovieConverter::isDiscReady(MovieProbe::probe(ready), kPalVcd));
    // Renamed to .mpg, an MP4 is still an MP4.
    QFile::copy(source, file(u"renamed.mpg"_s));
    EXPECT_FALSE(MovieConverter::isDiscReady(MovieProbe::probe(file(u"renamed.mpg"_s)), kPalVcd));
}

// Whole builds: the fixture's clip is already a PAL VCD movie.
TEST(MovieBuildTest, BuildsConvertReuseAndListWhatTheyCannotUse)
{
    BuildFixture f { BuildFixture::Format::PalVcd };
    f.ws.settings.jobs = 1;
    QTemporaryDir scratch;
    makePortrait(f.sourceFile(u"City/phone.mp4"_s), scratch.path());
    f.scan();
    // The scan reads each movie's length for the estimate.
    const NodeInfo &clip = f.ws.tree.info(f.ws.tree.nodeByKey(f.sourceFile(u"City/clip.mpg"_s)));
    EXPECT_NEAR(clip.movieSeconds, 4.0, 0.3);
    EXPECT_EQ(f.ws.tree.counters().unmeasuredMovieBytes, 0);
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(f.driver->walk().unusableMovies().isEmpty());

    // The disc-ready clip goes on as it is; the phone clip is converted.
    const QString xml = BuildFixture::readText(f.destFile(u"vcd.xml"_s));
    EXPECT_TRUE(xml.contains(f.sourceFile(u"City/clip.mpg"_s))) << xml.toStdString();
    EXPECT_FALSE(QFileInfo::exists(f.destFile(u"City/clip.mpg"_s)));
    const QString converted = f.destFile(u"City/phone.mpg"_s);
    EXPECT_TRUE(xml.contains(converted)) << xml.toStdString();
    EXPECT_EQ(probed(converted, u"v:0"_s, u"width,height"_s), u"352,288"_s);
    const QByteArray rgb = frameOf(converted);
    ASSERT_EQ(rgb.size(), 352 * 288 * 3);
    EXPECT_LT(columnLevel(rgb, 352, 288, 2), 20.0);
    EXPECT_GT(columnLevel(rgb, 352, 288, 176), 40.0);
    const QString log = BuildFixture::readText(f.home.path() + u"/Create.Log"_s);
    EXPECT_TRUE(log.contains(u"Movie = "_s + f.sourceFile(u"City/phone.mp4"_s))) << log.toStdString();
    const int made = f.driver->walk().outputsMade();

    // Nothing changed: the conversion is kept, byte for byte.
    const QDateTime before = QFileInfo(converted).lastModified();
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_EQ(f.driver->walk().outputsMade(), 0);
    EXPECT_EQ(f.driver->walk().outputsReused(), made);
    EXPECT_EQ(QFileInfo(converted).lastModified(), before);

    // Noise named .mp4 and a conversion that fails in the worker pool (its
    // part file's name is taken by a folder) are listed; every still is
    // still made.
    BuildFixture::writeText(f.sourceFile(u"City/noise.mp4"_s), QByteArray(6000, '\x5a'));
    QFile::remove(converted);
    ASSERT_TRUE(QDir().mkpath(MovieConverter::partOf(converted)));
    f.ws.settings.jobs = 2;
    f.ws.settings.fullRebuild = true;
    f.scan();
    f.build();
    const auto &unusable = f.driver->walk().unusableMovies();
    ASSERT_EQ(unusable.size(), 2);
    EXPECT_EQ(unusable.at(0).first->text(), u"noise.mp4"_s);
    EXPECT_TRUE(unusable.at(0).second.startsWith(u"cannot be read by ffmpeg"_s))
        << unusable.at(0).second.toStdString();
    EXPECT_EQ(unusable.at(1).first->text(), u"phone.mp4"_s);
    EXPECT_TRUE(unusable.at(1).second.startsWith(u"cannot be converted by ffmpeg"_s))
        << unusable.at(1).second.toStdString();
    EXPECT_TRUE(QFileInfo::exists(f.destFile(u"City/c.mpg"_s)));
    EXPECT_TRUE(QFileInfo::exists(f.destFile(u"_t_ d_Or/a_text.mpg"_s)));
    EXPECT_TRUE(f.fatalErrors.isEmpty()) << f.fatalErrors.join(u'\n').toStdString();
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "BuildFixture.h"
#include "authoring/GenerationWalk.h"
#include "authoring/NavigationModel.h"
#include "authoring/SlideshowMaker.h"
#include "preview/PreviewNavigator.h"
#include "project/Capacity.h"
#include "project/DiscContent.h"
#include "project/NodeKind.h"
#include "project/ProjectTree.h"
#include "project/TreeEditor.h"

using namespace Qt::StringLiterals;

// Slideshows made with the real ffmpeg from pictures ImageMagick paints and
// tones ffmpeg writes, alone and in whole builds.
namespace {

QString tool(const QString &program, const QStringList &arguments)
{
    int code = 0;
    const QString out = runTool(program, arguments, QDir::tempPath(), &code);
    EXPECT_EQ(code, 0) << program.toStdString() << ": " << out.toStdString();
    return out;
}

void paintSolid(const QString &path, const QString &colour)
{
    tool(u"convert"_s, { u"-size"_s, u"704x576"_s, u"xc:"_s + colour, path });
}

void writeTone(const QString &path, double seconds)
{
    tool(u"ffmpeg"_s,
        { u"-v"_s, u"error"_s, u"-y"_s, u"-f"_s, u"lavfi"_s, u"-i"_s,
            u"sine=frequency=440:duration="_s + QString::number(seconds), path });
}

QString probed(const QString &file, const QString &entries)
{
    return tool(
        u"ffprobe"_s, { u"-v"_s, u"error"_s, u"-show_entries"_s, entries, u"-of"_s, u"csv=p=0"_s, file })
        .trimmed();
}

// The colour in the middle of the frame shown at the time.
QColor colourAt(const QString &movie, double seconds)
{
    const QString png = movie + u".png"_s;
    tool(u"ffmpeg"_s,
        { u"-v"_s, u"error"_s, u"-y"_s, u"-ss"_s, QString::number(seconds), u"-i"_s, movie, u"-frames:v"_s,
            u"1"_s, png });
    const QImage frame(png);
    QFile::remove(png);
    return frame.isNull() ? QColor() : frame.pixelColor(frame.width() / 2, frame.height() / 2);
}

// The loudest sample (dB) of the sound between the two times.
double loudestBetween(const QString &movie, double from, double to)
{
    const QString out = tool(u"ffmpeg"_s,
        { u"-hide_banner"_s, u"-nostats"_s, u"-ss"_s, QString::number(from), u"-t"_s,
            QString::number(to - from), u"-i"_s, movie, u"-vn"_s, u"-af"_s, u"volumedetect"_s, u"-f"_s,
            u"null"_s, u"-"_s });
    const QRegularExpressionMatch match = QRegularExpression(u"max_volume: (-?[0-9.]+|-inf) dB"_s).match(out);
    if (!match.hasMatch())
        return 0;
    return match.captured(1) == u"-inf"_s ? -200 : match.captured(1).toDouble();
}

bool near(const QColor &seen, const QColor &wanted)
{
    return std::abs(seen.red() - wanted.red()) < 40 && std::abs(seen.green() - wanted.green()) < 40
        && std::abs(seen.blue() - wanted.blue()) < 40;
}

} // namespace

TEST(SlideshowMakerTest, ShowsEachPictureInTurnOverMusicLoopedOrFadedOut)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QList<QColor> colours { Qt::red, Qt::green, Qt::blue };
    SlideshowMaker::Plan plan;
    plan.pictureSeconds = 2;
    plan.fadeSeconds = 1;
    for (const QColor &colour : colours) {
        plan.frames << folder + u'/' + colour.name().mid(1) + u".jpg"_s;
        paintSolid(plan.frames.last(), colour.name());
    }
    // A short tune: played again and again under the six seconds.
    writeTone(folder + u"/short.mp3"_s, 1.5);
    const SlideshowMaker::Sound tune = SlideshowMaker::probeSound(folder + u"/short.mp3"_s);
    ASSERT_TRUE(tune.usable()) << tune.failure.toStdString();
    plan.audio << folder + u"/short.mp3"_s;
    plan.audioSeconds << tune.seconds;

    const MovieConverter::Target palVcd { true, false };
    const QString movie = folder + u"/show.mpg"_s;
    const MovieConverter::Outcome outcome = SlideshowMaker::make(plan, palVcd, movie, {}, {});
    ASSERT_EQ(outcome.end, MovieConverter::End::Made) << outcome.reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(MovieConverter::partOf(movie)));

    EXPECT_NEAR(probed(movie, u"format=duration"_s).toDouble(), 6.0, 0.3);
    EXPECT_EQ(
        probed(movie, u"stream=codec_name,sample_rate"_s).split(u'\n').filter(u"mp2"_s).value(0).trimmed(),
        u"mp2,44100"_s);
    EXPECT_EQ(probed(movie, u"stream=codec_name,width,height"_s).split(u'\n').value(0).trimmed(),
        u"mpeg1video,352,288"_s);
    // Each picture alone once its fade-in is over.
    for (int i = 0; i < colours.size(); ++i) {
        const QColor seen = colourAt(movie, i * 2 + 1.5);
        EXPECT_TRUE(near(seen, colours.at(i))) << i << ": " << seen.name().toStdString();
    }
    // Still playing after the tune's third start, silent at the very end.
    EXPECT_GT(loudestBetween(movie, 3.2, 3.9), -30.0);
    EXPECT_LT(loudestBetween(movie, 5.85, 6.05), -30.0);

    // A long tune, cut to the pictures and faded out; a fade of 0 cuts
    // from one picture to the next.
    writeTone(folder + u"/long.wav"_s, 20);
    SlideshowMaker::Plan cut;
    cut.pictureSeconds = 1.5;
    cut.fadeSeconds = 0;
    cut.frames << plan.frames.at(0) << plan.frames.at(1);
    cut.audio << folder + u"/long.wav"_s;
    cut.audioSeconds << SlideshowMaker::probeSound(cut.audio.first()).seconds;
    ASSERT_EQ(SlideshowMaker::make(cut, palVcd, movie, {}, {}).end, MovieConverter::End::Made);
    EXPECT_NEAR(probed(movie, u"format=duration"_s).toDouble(), 3.0, 0.3);
    // A fade would still mix the two pictures at 1.95 s.
    EXPECT_TRUE(near(colourAt(movie, 1.0), colours.at(0)));
    EXPECT_TRUE(near(colourAt(movie, 1.95), colours.at(1)));
    EXPECT_GT(loudestBetween(movie, 0.5, 0.9), -30.0);
    EXPECT_LT(loudestBetween(movie, 2.8, 3.05), -30.0);

    // Noise under a sound's name is no sound.
    BuildFixture::writeText(folder + u"/noise.ogg"_s, QByteArray(4000, '\x33'));
    EXPECT_FALSE(SlideshowMaker::probeSound(folder + u"/noise.ogg"_s).usable());
}

TEST(SlideshowBuildTest, FolderWithMusicOpensWithItsSlideshowOnTheDisc)
{
    BuildFixture f { BuildFixture::Format::PalVcd };
    f.ws.settings.timeout = u"1"_s;
    f.ws.settings.jobs = 2;
    const QString beach = u"Été d'Or"_s;
    writeTone(f.sourceFile(beach + u"/song.MP3"_s), 1);
    BuildFixture::writeText(f.sourceFile(beach + u"/broken.ogg"_s), QByteArray(3000, '\x21'));
    f.scan();

    ProjectNode *folder = f.ws.tree.nodeByKey(f.sourceFile(beach));
    ASSERT_TRUE(folder);
    ProjectNode *slideshow = folder->firstChild();
    ASSERT_EQ(slideshow->kind(), NodeKind::Slideshow);
    EXPECT_EQ(f.ws.tree.info(slideshow).audioFiles,
        QStringList({ f.sourceFile(beach + u"/broken.ogg"_s), f.sourceFile(beach + u"/song.MP3"_s) }));
    for (const SkippedFile &skipped : f.ws.tree.skippedFiles())
        EXPECT_FALSE(isAudioName(skipped.path)) << skipped.path.toStdString();
    // Its two pictures, a second each, count towards the disc's size.
    EXPECT_EQ(f.ws.tree.counters().slideshowPictures, 2);
    TreeCounters without = f.ws.tree.counters();
    without.slideshowPictures = 0;
    EXPECT_GT(Capacity::estimate(f.ws.tree.counters(), f.ws.settings).estimateBytes,
        Capacity::estimate(without, f.ws.settings).estimateBytes + 2 * 150000);

    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    const QString movie = f.destFile(u"_t_ d_Or/slideshow.mpg"_s);
    const QString xml = BuildFixture::readText(f.destFile(u"vcd.xml"_s));
    EXPECT_TRUE(xml.contains(movie)) << xml.toStdString();
    EXPECT_NEAR(probed(movie, u"format=duration"_s).toDouble(), 2.0, 0.3);
    // The noise is named among the build's warnings and left out.
    EXPECT_EQ(f.driver->leftOff().filter(u"broken.ogg"_s).size(), 1)
        << f.driver->leftOff().join(u'\n').toStdString();
    EXPECT_TRUE(QDir(f.destFile(u"_t_ d_Or"_s)).entryList({ u"*.jpg"_s }).isEmpty());

    // The menu shows the slideshow's line after its folder's. Its key plays
    // the slideshow, which leads on to the pictures and returns to its line;
    // the folder's key opens the first picture.
    Workspace &ws = f.ws;
    PreviewNavigator preview(ws.settings, ws.tree, ws.canvas, ws.renderer);
    preview.showNode(ws.tree.root());
    const int folderKey = static_cast<int>(DiscContent::menuLines(ws.tree.root()).indexOf(folder)) + 1;
    ASSERT_GT(folderKey, 0);
    EXPECT_EQ(ws.renderer.pageEntries().value(folderKey), slideshow);
    EXPECT_EQ(Renderer::entryLabel(slideshow, u"Beach"_s), u"Slideshow: Beach"_s);
    preview.pressNumber(folderKey + 1);
    EXPECT_EQ(preview.shownState(), (DiscState { slideshow, false }));
    const NavigationModel model = preview.navigation();
    const StateLinks links = model.links({ slideshow, false });
    EXPECT_EQ(links.page, StateLinks::Page::Slideshow);
    EXPECT_EQ(links.timeout.node, DiscContent::slideshowPictures(slideshow).first());
    EXPECT_EQ(links.wait, 0);
    preview.pressReturn();
    const DiscState line { slideshow, false, true };
    EXPECT_EQ(preview.shownState(), line);
    EXPECT_EQ(preview.highlightedEntry(), folder);
    preview.pressNumber(folderKey);
    EXPECT_EQ(preview.shownState().node, DiscContent::slideshowPictures(slideshow).first());
    // vcd.xml says the same: the line's page, with its key to the slideshow.
    EXPECT_TRUE(xml.contains(u"<play-item ref=\""_s + DiscState { slideshow, false }.segmentId()));
    const qsizetype lineAt = xml.indexOf(u"<selection id=\""_s + line.selectionId() + u'"');
    ASSERT_GE(lineAt, 0) << xml.toStdString();
    const QString lineSelection = xml.mid(lineAt, xml.indexOf(u"</selection>"_s, lineAt) - lineAt);
    EXPECT_TRUE(lineSelection.contains(u"<bsn>1</bsn>"_s));
    EXPECT_TRUE(lineSelection.contains(u"<play-item ref=\""_s + line.segmentId()));
    EXPECT_TRUE(
        lineSelection.contains(u"<select ref = \""_s + DiscState { slideshow, false }.selectionId() + u'"'))
        << lineSelection.toStdString();

    // Nothing changed: kept as it was. A picture less: made again.
    const QDateTime before = QFileInfo(movie).lastModified();
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_EQ(f.driver->walk().outputsMade(), 0);
    EXPECT_EQ(QFileInfo(movie).lastModified(), before);
    // A picture less (made by a serial build this time): a second shorter.
    TreeEditor editor(f.ws.tree, f.prompter);
    editor.check(f.ws.tree.nodeByKey(f.sourceFile(beach + u"/b.jpg"_s)), false);
    EXPECT_EQ(f.ws.tree.counters().slideshowPictures, 1);
    f.ws.settings.jobs = 1;
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_NEAR(probed(movie, u"format=duration"_s).toDouble(), 1.0, 0.3);

    // The order file keeps a cleared slideshow box; no move puts a picture
    // before the slideshow.
    editor.check(slideshow, false);
    editor.moveUp(f.ws.tree.nodeByKey(f.sourceFile(beach + u"/a.jpg"_s)), 2);
    f.scan();
    slideshow = f.ws.tree.nodeByKey(f.sourceFile(beach))->firstChild();
    ASSERT_EQ(slideshow->kind(), NodeKind::Slideshow);
    EXPECT_FALSE(slideshow->isChecked());
    EXPECT_FALSE(f.ws.tree.nodeByKey(f.sourceFile(beach + u"/b.jpg"_s))->isChecked());
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_FALSE(BuildFixture::readText(f.destFile(u"vcd.xml"_s)).contains(movie));

    // Turned off: the disc is the one made without music, the sound a
    // skipped file again.
    f.ws.settings.slideshowMusic = false;
    f.scan();
    EXPECT_NE(f.ws.tree.nodeByKey(f.sourceFile(beach))->firstChild()->kind(), NodeKind::Slideshow);
    EXPECT_EQ(f.ws.tree.skippedFiles().size(), 2u);
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    const QString plain = BuildFixture::readText(f.destFile(u"vcd.xml"_s));
    EXPECT_FALSE(plain.contains(u"/slideshow.mpg"_s)) << plain.toStdString();
    EXPECT_FALSE(QFileInfo::exists(movie));
    EXPECT_TRUE(f.fatalErrors.isEmpty()) << f.fatalErrors.join(u'\n').toStdString();
}

TEST(SlideshowBuildTest, SlideshowThatCannotBeMadeHasNoLineOrStopsTheBuild)
{
    BuildFixture f { BuildFixture::Format::PalVcd };
    // City's only sound is noise: found before any menu is drawn, so City
    // has no slideshow line and the disc is made without it.
    BuildFixture::writeText(f.sourceFile(u"City/noise.ogg"_s), QByteArray(3000, '\x21'));
    f.scan();
    ProjectNode *city = f.ws.tree.nodeByKey(f.sourceFile(u"City"_s));
    ASSERT_EQ(city->firstChild()->kind(), NodeKind::Slideshow);
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    EXPECT_FALSE(BuildFixture::readText(f.destFile(u"vcd.xml"_s)).contains(u"Selection-line"_s));
    EXPECT_EQ(f.driver->leftOff().filter(u"noise.ogg"_s).size(), 1);

    // The beach's pictures turn to noise after the scan: its slideshow's line
    // is drawn on the menu already, so the build stops and says why.
    writeTone(f.sourceFile(u"Été d'Or/song.mp3"_s), 1);
    f.scan();
    for (const QString &name : { u"a.jpg"_s, u"b.jpg"_s })
        BuildFixture::writeText(f.sourceFile(u"Été d'Or/"_s + name), QByteArray(3000, '\x21'));
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Failed);
    EXPECT_TRUE(f.driver->lastProblem().contains(u"Été d'Or: no pictures to show"_s))
        << f.driver->lastProblem().toStdString();
    EXPECT_TRUE(f.prompter.texts().join(u'\n').contains(u"could not be made"_s));
    EXPECT_FALSE(QFileInfo::exists(f.destFile(u"vcd.bin"_s)));
    EXPECT_TRUE(f.fatalErrors.isEmpty()) << f.fatalErrors.join(u'\n').toStdString();
}

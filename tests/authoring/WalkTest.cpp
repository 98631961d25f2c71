#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "BuildFixture.h"
#include "authoring/GenerationWalk.h"
#include "authoring/SvcdScanData.h"

using namespace Qt::StringLiterals;

namespace {

const QString kAccented = u"_t_ d_Or"_s; // "Été d'Or" below the build path

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void ageFile(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
}

bool isAged(const QString &path)
{
    return QFileInfo(path).lastModified().date().year() == 2001;
}

ProjectNode *nodeAt(BuildFixture &f, const QString &relative)
{
    return f.ws.tree.nodeByKey(f.source() + u'/' + relative);
}

class WalkTest : public ::testing::Test
{
protected:
    BuildFixture f { BuildFixture::Format::PalVcd };
};

TEST_F(WalkTest, MirrorsTheAlbumBelowTheBuildPathOnly)
{
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(f.fatalErrors.isEmpty()) << f.fatalErrors.join(u'\n').toStdString();

    const QStringList expected { u"Menu_0001.mpg"_s, u"Menu_0002.mpg"_s, u"City/c.mpg"_s,
        kAccented + u"/a.mpg"_s, kAccented + u"/a_text.mpg"_s, kAccented + u"/b.mpg"_s, u"vcd.xml"_s,
        u"vcd.bin"_s, u"vcd.cue"_s };
    for (const QString &file : expected)
        EXPECT_TRUE(exists(f.destFile(file))) << file.toStdString();
    // Movies stay where they are; no temporaries are left.
    EXPECT_FALSE(exists(f.destFile(u"City/clip.mpg"_s)));
    QDir dest(f.dest());
    const QStringList leftovers
        = QDir(f.destFile(kAccented)).entryList({ u"*.jpx"_s, u"*.m1v"_s }, QDir::Files)
        + dest.entryList({ u"*.jpx"_s, u"*.m1v"_s }, QDir::Files);
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(u',').toStdString();
    // The build path's parent holds only the album and the build folder.
    QStringList beside = QDir(QFileInfo(f.dest()).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    beside.sort();
    EXPECT_EQ(beside, (QStringList { u"build dir"_s, u"src"_s }));

    // The caption inside an entry has its state, linked from its picture.
    const QString a = DescriptionWriter::stateNumber(nodeAt(f, u"Été d'Or/a.jpg"_s)->index());
    const QString xml = readText(f.destFile(u"vcd.xml"_s));
    EXPECT_TRUE(xml.contains(u"<selection id=\"Selection-text"_s + a + u"\">"_s));
    EXPECT_TRUE(xml.contains(u"<default ref = \"Selection-text"_s + a + u"\"/>"_s));
    EXPECT_TRUE(xml.contains(u"a_text.mpg\" id=\"Segment-text"_s + a + u"\"/>"_s));
    // The tree's selection comes back as it was.
    EXPECT_EQ(f.driver->walk().progressDone(), 6); // two menu states, three pictures, the movie
    EXPECT_EQ(f.ws.tree.highlightedNode(), nullptr);
}

TEST_F(WalkTest, SecondBuildReusesWhatDidNotChangeAndFullRebuildMakesAll)
{
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_EQ(f.driver->walk().outputsMade(), 6);
    EXPECT_EQ(f.driver->walk().outputsReused(), 0);
    const QStringList pictures { u"City/c.mpg"_s, kAccented + u"/a.mpg"_s, kAccented + u"/b.mpg"_s };
    const QStringList others { u"Menu_0001.mpg"_s, u"Menu_0002.mpg"_s, kAccented + u"/a_text.mpg"_s };
    for (const QString &file : pictures + others)
        ageFile(f.destFile(file));

    // An edited photo (same name) makes its own still again, nothing else.
    BuildFixture::paintJpeg(f.sourceFile(u"Été d'Or/b.jpg"_s), 96, 72, 7);
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_EQ(f.driver->walk().outputsMade(), 1);
    EXPECT_EQ(f.driver->walk().outputsReused(), 5);
    EXPECT_FALSE(isAged(f.destFile(kAccented + u"/b.mpg"_s)));
    for (const QString &file : others + pictures.mid(0, 2))
        EXPECT_TRUE(isAged(f.destFile(file))) << file.toStdString();

    f.ws.settings.fullRebuild = true;
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_EQ(f.driver->walk().outputsMade(), 6);
    for (const QString &file : pictures + others)
        EXPECT_FALSE(isAged(f.destFile(file))) << file.toStdString();
}

TEST_F(WalkTest, CancelDuringAnEntryStopsAfterThePictureAndLeavesNoPartialStill)
{
    QStringList states;
    QList<bool> buildingStates;
    GenerationWalk::Callbacks callbacks;
    callbacks.stateStarted = [&](const QString &state) {
        states.append(state);
        if (state == u"picture Été d'Or/a.jpg"_s) {
            f.prompter.scriptAnswer(true);
            f.driver->cancel();
        }
    };
    f.driver->setWalkCallbacks(callbacks);
    f.driver->setCallbacks({ [&](bool building) { buildingStates.append(building); }, {} });

    EXPECT_EQ(f.build(), BuildDriver::Outcome::Cancelled);
    EXPECT_EQ(buildingStates, (QList<bool> { true, false }));
    ASSERT_FALSE(states.isEmpty());
    EXPECT_EQ(states.last(), u"picture Été d'Or/a.jpg"_s); // no caption, no b.jpg
    EXPECT_FALSE(exists(f.destFile(u"vcd.xml"_s)));
    EXPECT_TRUE(f.fatalErrors.isEmpty());
    for (const QString &file :
        QStringList { u"a.mpg"_s, u"a.jpx"_s, u"a.m1v"_s, u"a_text.mpg"_s, u"b.mpg"_s })
        EXPECT_FALSE(exists(f.destFile(kAccented + u'/' + file))) << file.toStdString();
    ASSERT_EQ(f.prompter.count(), 1);
    EXPECT_EQ(f.prompter.boxes().first().title, u"User abort"_s);
    EXPECT_EQ(f.prompter.boxes().first().text, u"Do you want to cancel the current build ?"_s);

    // Answering No lets the build run to its end.
    f.prompter.clear();
    callbacks.stateStarted = [&](const QString &) {
        f.prompter.scriptAnswer(false);
        f.driver->cancel();
    };
    f.driver->setWalkCallbacks(callbacks);
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_TRUE(exists(f.destFile(kAccented + u"/a.mpg"_s)));
}

TEST_F(WalkTest, StillTheEncoderCannotReadStopsTheBuildOnce)
{
    // jpeg2yuv gets a damaged file for City/c.jpg only.
    const QString wrapper = f.home.file(u"3rdparty/jpeg2yuv"_s);
    const QString real = QFileInfo(wrapper).symLinkTarget();
    ASSERT_FALSE(real.isEmpty());
    QFile::remove(wrapper);
    QFile script(wrapper);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in */c.jpx) printf 'not a jpeg' > \"$a\";; "
                 "esac; done\nexec '"
        + QFile::encodeName(real) + "' \"$@\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);

    EXPECT_EQ(f.build(), BuildDriver::Outcome::Failed);
    // Told once, naming the still that could not be made.
    EXPECT_EQ(
        f.prompter.texts().filter(u"Error creating temporary files in your build directory."_s).size(), 1)
        << f.prompter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(f.prompter.texts().join(u'\n').contains(f.destFile(u"City/c.mpg"_s)));
    EXPECT_TRUE(exists(f.destFile(u"City/c.jpx"_s)));
    EXPECT_FALSE(exists(f.destFile(u"City/c.mpg"_s)));
    EXPECT_FALSE(exists(f.destFile(u"vcd.xml"_s)));
    EXPECT_FALSE(exists(f.destFile(kAccented + u"/a.mpg"_s)));
}

TEST_F(WalkTest, ASecondCreateWhileBuildingDoesNothing)
{
    int boxesBefore = -1;
    BuildDriver::Outcome nested = BuildDriver::Outcome::Succeeded;
    GenerationWalk::Callbacks callbacks;
    callbacks.stateStarted = [&](const QString &) {
        if (boxesBefore >= 0)
            return;
        boxesBefore = f.prompter.count();
        nested = f.driver->build();
        EXPECT_EQ(f.prompter.count(), boxesBefore);
        EXPECT_TRUE(f.driver->isBuilding());
    };
    f.driver->setWalkCallbacks(callbacks);
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Succeeded);
    EXPECT_EQ(nested, BuildDriver::Outcome::AlreadyRunning);
    EXPECT_FALSE(f.driver->isBuilding());
}

TEST_F(WalkTest, RefusesBuildPathsThatCannotTakeTheBuild)
{
    // Inside the source folder the next scan would read the stills as photos.
    f.ws.settings.destinationDir = f.sourceFile(u"City"_s);
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Refused);
    ASSERT_EQ(f.prompter.count(), 1);
    EXPECT_EQ(f.prompter.boxes().last().title, u"Conflict"_s);
    EXPECT_TRUE(f.prompter.boxes().last().text.contains(u"inside the source folder"_s));

    // The same folder through a link.
    const QString link = f.dest() + u"/link to source"_s;
    ASSERT_TRUE(QFile::link(f.source(), link));
    f.ws.settings.destinationDir = link;
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Refused);
    EXPECT_EQ(f.prompter.boxes().last().text, u"Source and destination should not be the same !"_s);

    for (const QString &bad :
        QStringList { f.sourceFile(u"City/c.jpg"_s), f.sourceFile(u"City/c.jpg/below"_s) }) {
        f.ws.settings.destinationDir = bad;
        EXPECT_EQ(f.build(), BuildDriver::Outcome::Refused);
        EXPECT_EQ(f.prompter.boxes().last().text, u"You should select a valid build path"_s);
        EXPECT_EQ(f.prompter.boxes().last().title, u"No valid directory"_s);
    }
    EXPECT_FALSE(exists(f.sourceFile(u"City/c.mpg"_s)));
    EXPECT_FALSE(exists(f.sourceFile(u"Menu_0001.mpg"_s)));

    // A build folder that does not exist yet is made (the build then stops
    // here only because nothing was read).
    f.ws.settings.destinationDir = f.dest() + u"/new/build"_s;
    f.ws.tree.clear();
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Refused);
    EXPECT_EQ(f.prompter.boxes().last().text, u"Nothing to build, read structure first."_s);
    EXPECT_TRUE(QFileInfo(f.dest() + u"/new/build"_s).isDir());
}

TEST(SvcdScanData, AddsOneBlockPerPictureBeforeItsFirstSlice)
{
    const QByteArray header = QByteArray::fromHex("000001b3aabbcc000001b5112233");
    const QByteArray picture = QByteArray::fromHex("00000100445566000001b5778899");
    const QByteArray slices = QByteArray::fromHex("0000010101020300000102040506");
    const QByteArray stream = header + picture + slices + QByteArray::fromHex("000001b7");
    const QByteArray patched = SvcdScanData::withScanData(stream);

    const QByteArray block = QByteArray::fromHex("000001b2100e008081008081ffffffffffff");
    EXPECT_EQ(patched, header + picture + block + slices + QByteArray::fromHex("000001b7"));
    // A stream that has it already is left alone.
    EXPECT_EQ(SvcdScanData::withScanData(patched), patched);
    EXPECT_EQ(SvcdScanData::withScanData(header), header);
}

} // namespace

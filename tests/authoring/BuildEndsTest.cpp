// How a build ends decides what the build folder holds: this build's image
// with its stamp, or no image at all; never an older one, a part of one, or
// a success without a disc.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "BuildFixture.h"
#include "authoring/ImageStamp.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "project/ProjectTree.h"

using namespace Qt::StringLiterals;

namespace {

class BuildEndsTest : public ::testing::Test
{
protected:
    // What an earlier build of another album left behind.
    void leaveOldImage()
    {
        for (const char *name : { "vcd.bin", "vcd.cue", "vcd.xml" })
            BuildFixture::writeText(f.destFile(QLatin1String(name)), "from an earlier build");
        ASSERT_TRUE(ImageStamp::write(f.dest(), u"0123456789abcdef0123456789abcdef"_s));
    }

    // The image files in the build folder (temporary ones too), without vcd.xml.
    QStringList imageFiles() const
    {
        QStringList files = QDir(f.dest()).entryList({ u"vcd.*"_s }, QDir::Files);
        files.removeAll(u"vcd.xml"_s);
        return files;
    }

    QStringList stills() const
    {
        QStringList found;
        for (const QString &folder : { f.dest(), f.destFile(u"City"_s), f.destFile(u"Été d'Or"_s) })
            found += QDir(folder).entryList({ u"*.mpg"_s }, QDir::Files);
        return found;
    }

    // A vcdxbuild that writes a part of an image under the names it is
    // given, says so in a file, and then takes its time.
    void installSlowVcdxbuild(const QString &startedMarker)
    {
        const QString tool = f.home.file(u"3rdparty/vcdxbuild"_s);
        QFile::remove(tool);
        BuildFixture::writeText(tool,
            "#!/bin/sh\n"
            "for a in \"$@\"; do\n"
            "  case \"$a\" in\n"
            "    bin=*) head -c 1048576 /dev/zero > \"${a#bin=}\" ;;\n"
            "    cue=*) printf 'FILE \"x\" BINARY\\r\\n' > \"${a#cue=}\" ;;\n"
            "  esac\n"
            "done\n"
            ": > '"
                + QFile::encodeName(startedMarker) + "'\nexec sleep 60\n");
        QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner);
    }

    BuildFixture f;
};

TEST_F(BuildEndsTest, ACancelledWalkLeavesNoImage)
{
    leaveOldImage();
    GenerationWalk::Callbacks walk;
    walk.stateStarted = [&](const QString &) {
        if (f.driver->walk().userCancelled())
            return;
        f.prompter.scriptAnswer(true);
        f.driver->cancel();
    };
    f.driver->setWalkCallbacks(walk);
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Cancelled);
    EXPECT_EQ(QDir(f.dest()).entryList({ u"vcd.*"_s }, QDir::Files), QStringList());
}

TEST_F(BuildEndsTest, AnImageAppearsOnlyWhenVcdxbuildSucceeded)
{
    leaveOldImage();
    const QString started = f.home.file(u"vcdxbuild-started"_s);
    installSlowVcdxbuild(started);

    // Cancelled while vcdxbuild runs: it is ended, and what it wrote goes.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFileInfo::exists(started)) {
            poll.stop();
            f.prompter.scriptAnswer(true);
            f.driver->cancel();
        }
    });
    poll.start();
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Cancelled) << f.driver->lastProblem().toStdString();
    EXPECT_TRUE(QFileInfo::exists(started));
    EXPECT_EQ(imageFiles(), QStringList());
    EXPECT_TRUE(f.prompter.texts().filter(localText(TextId::MsgImageFailed)).isEmpty())
        << "a cancel is no failure";

    // A vcdxbuild that fails after writing part of an image: no image either.
    const QString tool = f.home.file(u"3rdparty/vcdxbuild"_s);
    QFile::remove(tool);
    BuildFixture::writeText(tool,
        "#!/bin/sh\n"
        "for a in \"$@\"; do case \"$a\" in bin=*) head -c 4096 /dev/zero > \"${a#bin=}\" ;; esac; done\n"
        "echo 'cannot make the image' >&2\nexit 1\n");
    QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner);
    f.prompter.clear();
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Failed);
    EXPECT_EQ(f.prompter.texts(), QStringList { localText(TextId::MsgImageFailed) });
    EXPECT_EQ(imageFiles(), QStringList());

    // A good build stamps its image: current until the album changes, even
    // when the walk had to move the date stamp back inside the frame.
    QFile::remove(tool);
    f.home.installTools();
    f.ws.settings.stampY = 5000;
    f.prompter.clear();
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    EXPECT_EQ(imageFiles(), (QStringList { u"vcd.bin"_s, u"vcd.cue"_s, u"vcd.stamp"_s }));
    EXPECT_LT(f.ws.settings.stampY, 5000) << "the walk moved the stamp";
    EXPECT_EQ(ImageStamp::stateOf(f.ws.settings, f.ws.tree), ImageStamp::State::Current);
    BuildFixture::paintJpeg(f.sourceFile(u"City/c.jpg"_s), 72, 96, 8);
    EXPECT_EQ(ImageStamp::stateOf(f.ws.settings, f.ws.tree), ImageStamp::State::Stale);
}

TEST_F(BuildEndsTest, AnAlbumWithNothingCheckedIsRefusedBeforeAnyWork)
{
    for (const char *item : { "City/c.jpg", "City/clip.mpg", "Été d'Or/a.jpg", "Été d'Or/b.jpg" })
        f.ws.tree.setChecked(f.ws.tree.nodeByKey(f.sourceFile(QString::fromUtf8(item))), false);
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Refused);
    EXPECT_EQ(f.prompter.texts(), QStringList { localText(TextId::MsgNothingOnDisc) });
    EXPECT_TRUE(f.driver->lastProblem().startsWith(u"nothing to put on a disc"_s));
    EXPECT_TRUE(QDir(f.dest()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(f.home.file(u"Create.Log"_s)));

    // One checked picture is a disc.
    f.ws.tree.setChecked(f.ws.tree.nodeByKey(f.sourceFile(u"City/c.jpg"_s)), true);
    f.prompter.clear();
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
}

// A picture or movie that cannot be decoded is left off with a warning and
// the disc is made of the rest; strict, the same album fails without an image.
TEST_F(BuildEndsTest, WhatCannotBeDecodedIsLeftOffAndTheRestIsBuilt)
{
    BuildFixture::writeText(f.sourceFile(u"City/clip.mpg"_s), QByteArray(100000, 'x'));
    QFile picture(f.sourceFile(u"Été d'Or/b.jpg"_s));
    ASSERT_TRUE(picture.resize(picture.size() / 2));
    ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.driver->lastProblem().toStdString();

    const QStringList leftOff = f.driver->leftOff();
    ASSERT_EQ(leftOff.size(), 2) << leftOff.join(u'\n').toStdString();
    EXPECT_TRUE(leftOff[0].startsWith(u"City/clip.mpg: "_s)) << leftOff[0].toStdString();
    EXPECT_TRUE(leftOff[1].startsWith(u"Été d'Or/b.jpg: "_s)) << leftOff[1].toStdString();
    const QStringList warnings = f.prompter.texts().filter(u"clip.mpg"_s);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(u"b.jpg"_s));
    const QString xml = BuildFixture::readText(f.destFile(u"vcd.xml"_s));
    EXPECT_FALSE(xml.contains(u"clip"_s));
    EXPECT_FALSE(xml.contains(u"/b.mpg"_s));
    EXPECT_TRUE(xml.contains(u"/a.mpg"_s));
    EXPECT_EQ(imageFiles(), (QStringList { u"vcd.bin"_s, u"vcd.cue"_s, u"vcd.stamp"_s }));
    EXPECT_TRUE(BuildFixture::readText(f.home.file(u"Create.Log"_s)).contains(u"left off the disc: "_s));

    f.driver->setStrict(true);
    f.prompter.clear();
    EXPECT_EQ(f.build(), BuildDriver::Outcome::Failed);
    EXPECT_TRUE(f.driver->lastProblem().startsWith(u"left off the disc: "_s));
    EXPECT_EQ(imageFiles(), QStringList());
}

TEST_F(BuildEndsTest, AMissingImageToolIsFoundBeforeAnyStill)
{
    leaveOldImage();
    QFile::remove(f.home.file(u"3rdparty/vcdxbuild"_s));
    AppTestSupport::EmptyPath noTools;
    EXPECT_EQ(f.build(), BuildDriver::Outcome::SetupIncomplete);
    ASSERT_EQ(f.prompter.count(), 1);
    EXPECT_EQ(f.prompter.boxes().first().title, u"Setup incomplete"_s);
    EXPECT_TRUE(f.prompter.boxes().first().text.contains(u"(vcdxbuild is neither in "_s))
        << f.prompter.boxes().first().text.toStdString();
    EXPECT_EQ(stills(), QStringList());
    EXPECT_TRUE(BuildFixture::readText(f.home.file(u"build.log"_s)).contains(u"vcdxbuild is neither in"_s));
    EXPECT_TRUE(BuildFixture::readText(f.home.file(u"kelvara.log"_s)).contains(u"vcdxbuild is neither in"_s));
}

} // namespace

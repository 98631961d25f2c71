#include <QDir>
#include <QFile>

#include <functional>

#include <gtest/gtest.h>

#include "BuildFixture.h"
#include "authoring/ImageStamp.h"
#include "project/ProjectTree.h"

using namespace Qt::StringLiterals;

namespace {

class ImageStampTest : public ::testing::Test
{
protected:
    QString now() const { return ImageStamp::fingerprint(f.ws.settings, f.ws.tree); }
    ProjectNode *node(const QString &relative) const { return f.ws.tree.nodeByKey(f.sourceFile(relative)); }

    BuildFixture f;
};

TEST_F(ImageStampTest, EverythingThatShowsOnTheDiscChangesTheFingerprint)
{
    const QString first = now();
    ASSERT_EQ(first.size(), 32);
    f.scan();
    EXPECT_EQ(now(), first) << "the same album read again";

    const std::pair<const char *, std::function<void()>> edits[] = {
        { "photo content", [&] { BuildFixture::paintJpeg(f.sourceFile(u"City/c.jpg"_s), 72, 96, 9); } },
        { "caption text", [&] { BuildFixture::writeText(f.sourceFile(u"Été d'Or/a.txt"_s), "Goodbye"); } },
        { "new caption", [&] { BuildFixture::writeText(f.sourceFile(u"Été d'Or/b.txt"_s), "Another"); } },
        { "movie content",
            [&] { BuildFixture::writeText(f.sourceFile(u"City/clip.mpg"_s), "not the same movie"); } },
        { "disc order", [&] { f.ws.tree.moveDown(node(u"Été d'Or/a.jpg"_s)); } },
        { "check mark", [&] { f.ws.tree.setChecked(node(u"City/c.jpg"_s), false); } },
        { "entry text", [&] { f.ws.tree.setTag(node(u"City"_s), u"Town"_s); } },
        { "title", [&] { f.ws.settings.mainTitle = u"Other"_s; } },
        { "tv format", [&] { f.ws.settings.ntsc = true; } },
        { "disc type", [&] { f.ws.settings.vcd = true; } },
        { "picture font", [&] { f.ws.settings.pictureFont = u"Serif"_s; } },
        { "menu colour", [&] { f.ws.settings.menuColor = 0x102030; } },
        { "anti-flicker", [&] { f.ws.settings.antiFlicker = !f.ws.settings.antiFlicker; } },
        { "edge correction", [&] { f.ws.settings.correctPercentage = u"9"_s; } },
        { "original photos added", [&] { f.ws.settings.addImages = true; } },
        { "original movies added", [&] { f.ws.settings.addMovies = true; } },
    };
    const Settings original = f.ws.settings;
    for (const auto &[what, edit] : edits) {
        const QString before = now();
        edit();
        EXPECT_NE(now(), before) << what;
    }

    // Another album in another folder, even with the same pictures.
    f.ws.settings = original;
    f.scan();
    const QString edited = now();
    QTemporaryDir other;
    ASSERT_TRUE(QFile::copy(f.sourceFile(u"City/c.jpg"_s), other.filePath(u"c.jpg"_s)));
    f.ws.settings.sourceDir = other.path();
    f.scan();
    EXPECT_NE(now(), edited);
}

TEST_F(ImageStampTest, WhatLeavesTheDiscAsItIsLeavesTheFingerprint)
{
    const QString first = now();
    Settings &s = f.ws.settings;
    s.screenX = 1200;
    s.screenY = 600;
    s.language = 3;
    s.showSettings = !s.showSettings;
    s.fastPreview = !s.fastPreview;
    s.jobs = 7;
    // A full rebuild makes the same disc again.
    s.fullRebuild = !s.fullRebuild;
    f.ws.tree.setSelectedNode(f.ws.tree.root()->lastChild());
    f.ws.tree.setExpanded(f.ws.tree.root()->firstChild(), false);
    EXPECT_EQ(now(), first);
}

TEST_F(ImageStampTest, RenderingTheStillsAsABuildDoesLeavesTheFingerprint)
{
    // Rendering a still writes the picture's stamp text (its EXIF date) into
    // the tree; the image made by that build must still read as current.
    const QString dated
        = qEnvironmentVariable("KELVARA_SOURCE_DIR") + u"/resources/sample-album/Beach/Dunes.jpg"_s;
    ASSERT_TRUE(QFile::copy(dated, f.sourceFile(u"City/dated.jpg"_s)));
    f.scan();
    const QString first = now();
    const std::function<void(ProjectNode *)> render = [&](ProjectNode *node) {
        if (node->fullPath().endsWith(u".jpg"_s, Qt::CaseInsensitive))
            f.ws.renderer.createStill(node, node->fullPath());
        for (int row = 0; row < node->childCount(); ++row)
            render(node->child(row));
    };
    render(f.ws.tree.root());
    EXPECT_EQ(now(), first);
}

TEST_F(ImageStampTest, StateOfTheImageInTheBuildFolder)
{
    const auto state = [&] { return ImageStamp::stateOf(f.ws.settings, f.ws.tree); };
    EXPECT_EQ(state(), ImageStamp::State::Missing);
    BuildFixture::writeText(f.destFile(u"vcd.bin"_s), "image");
    EXPECT_EQ(state(), ImageStamp::State::Missing) << "a bin without its cue sheet";
    BuildFixture::writeText(f.destFile(u"vcd.cue"_s), "cue");
    EXPECT_EQ(state(), ImageStamp::State::Stale) << "an image nobody stamped";

    ASSERT_TRUE(ImageStamp::write(f.dest(), now()));
    EXPECT_EQ(ImageStamp::read(f.dest() + u'/'), now());
    EXPECT_EQ(state(), ImageStamp::State::Current);
    EXPECT_EQ(
        QDir(f.dest()).entryList(QDir::Files), (QStringList { u"vcd.bin"_s, u"vcd.cue"_s, u"vcd.stamp"_s }))
        << "no temporary file of the stamp is left";
}

} // namespace

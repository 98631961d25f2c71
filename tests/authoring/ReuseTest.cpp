#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include "BuildFixture.h"
#include "authoring/BuildManifest.h"
#include "authoring/DiscState.h"
#include "authoring/GenerationWalk.h"

using namespace Qt::StringLiterals;

// Builds with the real tools into a build folder that already holds an
// earlier build: what is reused, what is made again, what is removed.
namespace {

const QString kAccented = u"_t_ d_Or"_s; // "Été d'Or" below the build path

// Every still below the build folder.
QStringList stillsBelow(const QString &folder)
{
    QStringList stills;
    QDirIterator it(folder, { u"*.mpg"_s }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        stills.append(it.next());
    return stills;
}

// The frame height of a still, as ffprobe reads it.
int heightOf(const QString &still)
{
    QProcess probe;
    probe.start(u"ffprobe"_s,
        { u"-v"_s, u"error"_s, u"-select_streams"_s, u"v:0"_s, u"-show_entries"_s, u"stream=height"_s,
            u"-of"_s, u"csv=p=0"_s, still });
    probe.waitForFinished(30000);
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed().toInt();
}

class ReuseTest : public ::testing::Test
{
protected:
    void buildOk()
    {
        ASSERT_EQ(f.build(), BuildDriver::Outcome::Succeeded) << f.prompter.texts().join(u'\n').toStdString();
    }
    int made() const { return f.driver->walk().outputsMade(); }
    int reused() const { return f.driver->walk().outputsReused(); }

    BuildFixture f { BuildFixture::Format::PalVcd };
};

} // namespace

TEST_F(ReuseTest, AnotherTvSystemMakesEveryStillAgain)
{
    // The movie is of one TV system only; the stills are what is looked at.
    QFile::remove(f.sourceFile(u"City/clip.mpg"_s));
    f.scan();
    buildOk();
    EXPECT_EQ(heightOf(f.destFile(kAccented + u"/a.mpg"_s)), 576);

    f.ws.settings.ntsc = true;
    f.ws.controller.setSizes();
    buildOk();
    EXPECT_EQ(made(), 6);
    EXPECT_EQ(reused(), 0);
    const QStringList stills = stillsBelow(f.dest());
    EXPECT_EQ(stills.size(), 6);
    for (const QString &still : stills)
        EXPECT_EQ(heightOf(still), 480) << still.toStdString();
}

TEST_F(ReuseTest, SettingsRemakeExactlyTheStillsThatShowThem)
{
    buildOk();
    EXPECT_EQ(made(), 6);

    // Nothing the disc shows changed.
    f.ws.settings.language = 2;
    f.ws.settings.screenX = 1234;
    f.ws.settings.jobs = 1;
    buildOk();
    EXPECT_EQ(made(), 0);
    EXPECT_EQ(reused(), 6);

    // The menus' fonts are drawn on the two menu pages only.
    f.ws.settings.titleFont = u"DejaVu Serif"_s;
    f.ws.settings.menuFontSize = u"30"_s;
    buildOk();
    EXPECT_EQ(made(), 2);
    EXPECT_EQ(reused(), 4);

    // The stamp's font is on the three pictures and the caption still.
    f.ws.settings.pictureFont = u"DejaVu Serif"_s;
    buildOk();
    EXPECT_EQ(made(), 4);
    EXPECT_EQ(reused(), 2);

    // A new caption text makes only the caption still again.
    BuildFixture::writeText(f.sourceFile(u"Été d'Or/a.txt"_s), "Goodbye from the shore");
    buildOk();
    EXPECT_EQ(made(), 1);
    EXPECT_EQ(reused(), 5);

    // The info icon is drawn on the captioned picture's plain still alone.
    f.ws.settings.displayInfo = !f.ws.settings.displayInfo;
    buildOk();
    EXPECT_EQ(made(), 1);
    EXPECT_EQ(reused(), 5);
}

TEST_F(ReuseTest, DamagedStillsAndManifestsAreNotTrusted)
{
    buildOk();
    const QString a = f.destFile(kAccented + u"/a.mpg"_s);
    ASSERT_TRUE(QFile::resize(a, 4096));
    buildOk();
    EXPECT_EQ(made(), 1);
    EXPECT_EQ(reused(), 5);
    EXPECT_GT(QFileInfo(a).size(), 4096);

    // Same size, other bytes: the hash tells.
    QFile still(a);
    ASSERT_TRUE(still.open(QIODevice::ReadWrite));
    still.seek(100);
    still.write("XXXX");
    still.close();
    buildOk();
    EXPECT_EQ(made(), 1);

    BuildFixture::writeText(f.destFile(BuildManifest::fileName()), "{\"format\": 1, \"outputs\": [garbage");
    buildOk();
    EXPECT_EQ(made(), 6);
    EXPECT_EQ(reused(), 0);
    BuildFixture::writeText(f.destFile(BuildManifest::fileName()), "{\"format\": 99, \"outputs\": {}}");
    buildOk();
    EXPECT_EQ(made(), 6);
}

TEST_F(ReuseTest, OutputsOfRemovedSourcesGoAndNothingElse)
{
    buildOk();
    // Files this program did not make, one of them named by a forged record
    // that leads out of the build folder.
    const QString outside = f.sourceFile(u"keep.mpg"_s);
    BuildFixture::writeText(outside, "mine");
    BuildFixture::writeText(f.destFile(u"notes.mpg"_s), "mine");
    QString manifest = BuildFixture::readText(f.destFile(BuildManifest::fileName()));
    manifest.replace(u"\"outputs\": {"_s,
        u"\"outputs\": {\"../src/keep.mpg\": {\"fingerprint\": \"x\", \"size\": 4, \"hash\": \"y\"},"_s);
    BuildFixture::writeText(f.destFile(BuildManifest::fileName()), manifest.toUtf8());

    ASSERT_TRUE(QFile::remove(f.sourceFile(u"Été d'Or/a.jpg"_s)));
    ASSERT_TRUE(QFile::remove(f.sourceFile(u"Été d'Or/a.txt"_s)));
    f.scan();
    buildOk();
    EXPECT_EQ(made(), 0);
    EXPECT_FALSE(QFileInfo::exists(f.destFile(kAccented + u"/a.mpg"_s)));
    EXPECT_FALSE(QFileInfo::exists(f.destFile(kAccented + u"/a_text.mpg"_s)));
    EXPECT_TRUE(QFileInfo::exists(f.destFile(kAccented + u"/b.mpg"_s)));
    EXPECT_TRUE(QFileInfo::exists(f.destFile(u"notes.mpg"_s)));
    EXPECT_TRUE(QFileInfo::exists(outside));
}

TEST_F(ReuseTest, SourcesWhoseNamesFilterAlikeGetStillsOfTheirOwn)
{
    const QStringList pairs[] = {
        { u"quotes/a'b.jpg"_s, u"quotes/a\"b.jpg"_s },
        { u"cjk/日本.jpg"_s, u"cjk/中国.jpg"_s },
        { u"case/Pic.jpg"_s, u"case/Pic.JPG"_s },
        { u"Café/x.jpg"_s, u"Cafè/x.jpg"_s },
        { u"caption/p.jpg"_s, u"caption/p_text.jpg"_s },
    };
    int seed = 10;
    for (const QStringList &pair : pairs) {
        for (const QString &picture : pair) {
            QDir().mkpath(QFileInfo(f.sourceFile(picture)).path());
            BuildFixture::paintJpeg(f.sourceFile(picture), 96, 72, seed++);
        }
    }
    BuildFixture::writeText(f.sourceFile(u"caption/p.txt"_s), "Caption of p");
    f.scan();
    buildOk();

    const QString xml = BuildFixture::readText(f.destFile(u"vcd.xml"_s));
    auto stillOf = [&](const QString &picture, bool caption) {
        ProjectNode *node = f.ws.tree.nodeByKey(f.sourceFile(picture));
        EXPECT_NE(node, nullptr) << picture.toStdString();
        if (!node)
            return QString();
        const QString id = DiscState { node, caption }.segmentId();
        const QRegularExpression item(u"src=\"([^\"]+)\" id=\""_s + QRegularExpression::escape(id) + u'"');
        return item.match(xml).captured(1);
    };
    QSet<QString> folded;
    QStringList stills;
    for (const QStringList &pair : pairs) {
        for (const QString &picture : pair)
            stills.append(stillOf(picture, false));
    }
    stills.append(stillOf(u"caption/p.jpg"_s, true));
    for (const QString &still : stills) {
        EXPECT_TRUE(QFileInfo(still).isFile()) << still.toStdString();
        folded.insert(still.toCaseFolded());
    }
    EXPECT_EQ(folded.size(), stills.size()) << stills.join(u'\n').toStdString();

    // The same album gets the same names again, so all is reused.
    buildOk();
    EXPECT_EQ(made(), 0);
    EXPECT_EQ(BuildFixture::readText(f.destFile(u"vcd.xml"_s)), xml);
}

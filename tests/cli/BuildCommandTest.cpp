// Every option of "kelvara build" must reach the disc: each is checked by a
// difference between two real builds (real encoders and vcdxbuild) of one
// tiny album, against stored settings that differ from every option given.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include "TestHome.h"

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void paintPhoto(const QString &path, QColor colour, const QString &label)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawEllipse(QRect(120, 60, 400, 360));
    painter.drawText(image.rect(), Qt::AlignCenter, label);
    painter.end();
    ASSERT_TRUE(image.save(path, "JPEG", 90)) << qPrintable(path);
}

// The picture size in the first MPEG video sequence header of a still.
QSize frameSize(const QByteArray &mpeg)
{
    const qsizetype at = mpeg.indexOf(QByteArray("\x00\x00\x01\xb3", 4));
    if (at < 0 || at + 7 > mpeg.size())
        return {};
    const auto byte = [&](qsizetype i) { return int(static_cast<unsigned char>(mpeg[at + 4 + i])); };
    return QSize((byte(0) << 4) | (byte(1) >> 4), ((byte(1) & 0x0f) << 8) | byte(2));
}

// What one build left behind, taken before the next build changes it.
struct Build
{
    int exitCode = -1;
    QString out;
    QString err;
    QString dest;
    QString xml;
    QString createLog;
    QByteArray menu;
    QSize stillSize;

    // The file names of the segment items, relative to the build folder
    // when they lie below it.
    QStringList segmentFiles() const
    {
        QStringList files;
        static const QRegularExpression item(s(R"re(<segment-item src="([^"]+)")re"));
        for (auto match = item.globalMatch(xml); match.hasNext();)
            files << QDir(dest).relativeFilePath(match.next().captured(1));
        return files;
    }

    // The <wait> of the selection that shows the still made of this file.
    QString waitOf(const QString &still) const
    {
        const QRegularExpression item(s(R"re(<segment-item src="[^"]*/)re")
            + QRegularExpression::escape(still) + s(R"re(" id="Segment-(\w+)")re"));
        const QString id = item.match(xml).captured(1);
        if (id.isEmpty())
            return s("(no such still)");
        const QRegularExpression selection(
            s(R"re(<selection id="Selection-)re") + id + s(R"re(">.*?<wait>(-?\d+)</wait>)re"),
            QRegularExpression::DotMatchesEverythingOption);
        return selection.match(xml).captured(1);
    }
};

class BuildCommandTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        home = std::make_unique<TestHome>();
        dir = std::make_unique<QTemporaryDir>();
        home->installTools();
        const QString album = at("album");
        QDir().mkpath(album + s("/Trip"));
        paintPhoto(album + s("/Trip/a.jpg"), QColor(30, 90, 160), s("a"));
        paintPhoto(album + s("/Trip/b.jpg"), QColor(160, 60, 30), s("b"));
        QFile caption(album + s("/Trip/a.txt"));
        ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
        caption.write("At the lake\r\n");
        caption.close();
        // What the stored settings name instead: every option given differs.
        QDir().mkpath(at("stored-album/Elsewhere"));
        paintPhoto(at("stored-album/Elsewhere/stored.jpg"), Qt::darkGreen, s("stored"));
        QDir().mkpath(at("stored-build"));
        storeSettings();

        const QStringList common = { s("build"), s("--source"), album };
        const QStringList ntscVcd = { s("--tv"), s("ntsc"), s("--type"), s("vcd"), s("--resolution"),
            s("high"), s("--timeout"), s("9") };
        // --jobs 1 makes this build encode serially and the others one still
        // per core; both ways leave the same files and logs, so the value
        // itself shows nowhere on the disc.
        first = run(common + QStringList { s("--dest"), at("first"), s("--title"), s("Alpha") } + ntscVcd
            + QStringList { s("--jobs"), s("1") });
        palLow = run(common
            + QStringList { s("--dest"), at("second"), s("--title"), s("Alpha"), s("--tv"), s("pal"),
                s("--type"), s("svcd"), s("--resolution"), s("low"), s("--timeout"), s("0") });
        // Into the first build's folder again: the stills are there already.
        retitled = run(common + QStringList { s("--dest"), at("first"), s("--title"), s("Omega") } + ntscVcd);
        rebuilt = run(common + QStringList { s("--dest"), at("first"), s("--title"), s("Omega") } + ntscVcd
            + QStringList { s("--full-rebuild") });
    }

    static void TearDownTestSuite()
    {
        dir.reset();
        home.reset();
    }

    static QString at(const char *relative) { return dir->path() + u'/' + s(relative); }

    static void storeSettings()
    {
        QFile file(home->registryDir() + s("/HKEY_LOCAL_MACHINE.reg"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QString text = s("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n")
            + s("\"sourcedir\"=\"") + at("stored-album") + s("\"\n") + s("\"destinationdir\"=\"")
            + at("stored-build") + s("\"\n")
            + s("\"main_title\"=\"Stored title\"\n"
                "\"timeout\"=\"6\"\n"
                "\"TVFormat\"=\"PAL\"\n"
                "\"OutputType\"=\"SVCD\"\n"
                "\"Resolution\"=\"HIGH\"\n"
                "\"FullRebuild\"=dword:00000000\n"
                // A million encoders at once: every build without --jobs
                // must fall back to one per core and still make its disc.
                "\"Jobs\"=dword:000f4240\n");
        file.write(text.toUtf8());
    }

    static Build run(const QStringList &arguments)
    {
        Build build;
        build.dest = arguments.at(arguments.indexOf(s("--dest")) + 1);
        QProcess process;
        process.start(qEnvironmentVariable("KELVARA_BIN_DIR") + s("/kelvara"), arguments);
        if (!process.waitForFinished(300000))
            return build;
        build.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        build.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        build.err = QString::fromLocal8Bit(process.readAllStandardError());
        build.xml = QString::fromUtf8(readAll(build.dest + s("/vcd.xml")));
        build.createLog = QString::fromUtf8(readAll(home->file(s("Create.Log"))));
        build.menu = readAll(build.dest + s("/Menu_0001.mpg"));
        build.stillSize = frameSize(readAll(build.dest + s("/Trip/a.mpg")));
        return build;
    }

    static void expectSucceeded(const Build &build)
    {
        ASSERT_EQ(build.exitCode, 0) << qPrintable(build.err);
        ASSERT_FALSE(build.xml.isEmpty()) << "no vcd.xml in " << qPrintable(build.dest);
    }

    static inline std::unique_ptr<TestHome> home;
    static inline std::unique_ptr<QTemporaryDir> dir;
    static inline Build first;
    static inline Build palLow;
    static inline Build retitled;
    static inline Build rebuilt;
};

TEST_F(BuildCommandTest, SourceNamesThePicturesAndDestHoldsTheImage)
{
    for (const Build *build : { &first, &palLow }) {
        expectSucceeded(*build);
        EXPECT_EQ(build->segmentFiles(),
            (QStringList { s("Menu_0001.mpg"), s("Trip/a.mpg"), s("Trip/a_text.mpg"), s("Trip/b.mpg") }));
        for (const char *name : { "vcd.xml", "vcd.bin", "vcd.cue" })
            EXPECT_TRUE(QFile::exists(build->dest + u'/' + s(name)))
                << name << " in " << qPrintable(build->dest);
        EXPECT_EQ(build->out, build->dest + s("/vcd.cue\n") + build->dest + s("/vcd.bin\n"));
    }
    EXPECT_TRUE(QDir(at("stored-build")).isEmpty()) << "the stored build folder is left alone";
}

TEST_F(BuildCommandTest, TvFormatSetsTheFrameAndTheSequence)
{
    expectSucceeded(first);
    expectSucceeded(palLow);
    EXPECT_EQ(first.stillSize.height(), 480);
    EXPECT_EQ(palLow.stillSize.height(), 576);
    EXPECT_TRUE(first.xml.contains(s("/NTSC_VCD.mpg\""))) << qPrintable(first.xml);
    EXPECT_TRUE(palLow.xml.contains(s("/PAL_SVCD.mpg\""))) << qPrintable(palLow.xml);
}

TEST_F(BuildCommandTest, TypeSetsTheDiscClassAndTheStream)
{
    expectSucceeded(first);
    expectSucceeded(palLow);
    EXPECT_TRUE(first.xml.contains(s("class=\"vcd\" version=\"2.0\"")));
    EXPECT_TRUE(palLow.xml.contains(s("class=\"svcd\" version=\"1.0\"")));
    EXPECT_TRUE(first.createLog.contains(s("/Trip/a.m1v"))) << qPrintable(first.createLog);
    EXPECT_FALSE(first.createLog.contains(s(".m2v")));
    EXPECT_TRUE(palLow.createLog.contains(s("/Trip/a.m2v"))) << qPrintable(palLow.createLog);
}

TEST_F(BuildCommandTest, ResolutionSetsTheStillWidth)
{
    expectSucceeded(first);
    expectSucceeded(palLow);
    EXPECT_EQ(first.stillSize.width(), 704);
    EXPECT_EQ(palLow.stillSize.width(), 480);
}

TEST_F(BuildCommandTest, TimeoutIsTheWaitOfEveryPicture)
{
    expectSucceeded(first);
    expectSucceeded(palLow);
    for (const char *still : { "Trip/a.mpg", "Trip/b.mpg" }) {
        EXPECT_EQ(first.waitOf(s(still)), s("9")) << still;
        EXPECT_EQ(palLow.waitOf(s(still)), s("-1")) << still << ": 0 waits for ever";
    }
}

TEST_F(BuildCommandTest, TitleIsDrawnOnTheMainMenu)
{
    expectSucceeded(first);
    expectSucceeded(retitled);
    expectSucceeded(rebuilt);
    ASSERT_FALSE(first.menu.isEmpty());
    EXPECT_NE(retitled.menu, first.menu) << "only the title differs";
    EXPECT_EQ(rebuilt.menu, retitled.menu) << "the same title draws the same menu";
}

TEST_F(BuildCommandTest, FullRebuildEncodesStillsThatAreThere)
{
    expectSucceeded(retitled);
    expectSucceeded(rebuilt);
    for (const char *picture : { "picture Trip/a.jpg", "picture Trip/b.jpg" }) {
        EXPECT_TRUE(retitled.err.contains(s(picture) + s(" (still reused)\n"))) << qPrintable(retitled.err);
        EXPECT_TRUE(rebuilt.err.contains(s(picture) + u'\n')) << qPrintable(rebuilt.err);
    }
    EXPECT_FALSE(rebuilt.err.contains(s("(still reused)"))) << qPrintable(rebuilt.err);
    EXPECT_TRUE(rebuilt.createLog.contains(s("/Trip/a.jpx"))) << "the still went through the encoder again";
    EXPECT_FALSE(retitled.createLog.contains(s("/Trip/a.jpx")));
}

// A name holding a newline or an escape character splits no progress line
// and steers no terminal, a backslash in the build path is escaped on
// stdout, and --print0 gives scripts both paths as they are.
TEST_F(BuildCommandTest, ControlCharactersInNamesAreEscapedAndPrint0IsRaw)
{
    QDir().mkpath(at("odd/Trip"));
    paintPhoto(at("odd/Trip") + s("/two\nlines\x1b.jpg"), Qt::darkYellow, s("odd"));
    const QString dest = at("odd\\out");
    const QStringList arguments { s("build"), s("--source"), at("odd"), s("--dest"), dest, s("--tv"),
        s("pal"), s("--type"), s("vcd") };
    const Build plain = run(arguments);
    expectSucceeded(plain);
    EXPECT_TRUE(plain.err.contains(s("] picture Trip/two\\nlines\\x1b.jpg\n"))) << qPrintable(plain.err);
    const QString escaped = at("odd\\\\out");
    EXPECT_EQ(plain.out, escaped + s("/vcd.cue\n") + escaped + s("/vcd.bin\n"));

    const Build raw = run(arguments + QStringList { s("--print0") });
    expectSucceeded(raw);
    EXPECT_EQ(raw.out, dest + s("/vcd.cue") + QChar(0) + dest + s("/vcd.bin") + QChar(0));
}

} // namespace

// Nothing is dropped in silence: a file the scan cannot take and a picture
// that fails to decode are named on stderr and left off; the rest is a disc.
// Strict, the same album fails.
TEST_F(BuildCommandTest, UnusableFilesAreNamedAndLeftOffOrFailTheBuildWhenStrict)
{
    QDir().mkpath(at("damaged/Trip"));
    paintPhoto(at("damaged/Trip/good.jpg"), Qt::darkCyan, s("good"));
    paintPhoto(at("damaged/Trip/cut.jpg"), Qt::darkRed, s("cut"));
    QFile cut(at("damaged/Trip/cut.jpg"));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    QFile noise(at("damaged/Trip/noise.jpg"));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    noise.write(QByteArray(5000, 'n'));
    noise.close();

    const QStringList arguments { s("build"), s("--source"), at("damaged"), s("--dest"), at("damaged-out"),
        s("--tv"), s("pal"), s("--type"), s("vcd") };
    const Build lenient = run(arguments);
    expectSucceeded(lenient);
    EXPECT_TRUE(lenient.err.contains(s("kelvara build: skipped Trip/noise.jpg: cannot be decoded")))
        << qPrintable(lenient.err);
    EXPECT_TRUE(lenient.err.contains(s("Trip/cut.jpg: cannot be decoded"))) << qPrintable(lenient.err);
    EXPECT_EQ(lenient.segmentFiles(), (QStringList { s("Menu_0001.mpg"), s("Trip/good.mpg") }));

    const Build strict = run(arguments + QStringList { s("--strict") });
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_TRUE(strict.err.contains(s("kelvara build: left off the disc: Trip/noise.jpg")))
        << qPrintable(strict.err);
}

// A picture whose name is not UTF-8 cannot be opened by the name Qt decodes;
// it still reaches the disc, through a plain-named link, and vcdxbuild takes
// the description.
TEST_F(BuildCommandTest, PictureNamedInLatin1ReachesTheDisc)
{
    QDir().mkpath(at("latin1/Trip"));
    paintPhoto(at("latin1/Trip/good.jpg"), Qt::darkCyan, s("good"));
    paintPhoto(at("latin1/Trip/plain.jpg"), Qt::darkYellow, s("odd"));
    const QByteArray folder = QFile::encodeName(at("latin1/Trip/"));
    ASSERT_EQ(::rename(QByteArray(folder + "plain.jpg").constData(),
                  QByteArray(folder + "Caf\xE9.jpg").constData()),
        0);

    const Build build = run({ s("build"), s("--source"), at("latin1"), s("--dest"), at("latin1-out"),
        s("--tv"), s("pal"), s("--type"), s("vcd") });
    expectSucceeded(build);
    EXPECT_FALSE(build.err.contains(s("skipped"))) << qPrintable(build.err);
    EXPECT_FALSE(build.err.contains(s("left off"))) << qPrintable(build.err);
    EXPECT_TRUE(build.err.contains(s("picture Trip/Caf\uFFFD.jpg"))) << qPrintable(build.err);
    const QStringList segments = build.segmentFiles();
    ASSERT_EQ(segments.size(), 3) << qPrintable(segments.join(u' '));
    EXPECT_TRUE(QFile::exists(build.dest + s("/vcd.bin")));
    const QByteArray odd = readAll(build.dest + u'/' + segments[1]);
    const QByteArray good = readAll(build.dest + s("/Trip/good.mpg"));
    EXPECT_FALSE(frameSize(odd).isEmpty()) << qPrintable(segments[1]);
    EXPECT_EQ(frameSize(odd), frameSize(good));
    EXPECT_NE(odd, good) << "the odd still shows its own picture";
}

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "authoring/BuildCancel.h"
#include "authoring/StillEncoder.h"
#include "settings/Settings.h"

using namespace Qt::StringLiterals;

namespace {

const QString kTempFilesError = u"Error creating temporary files in your build directory."_s;
const QString kMpgFilesError = u"Error creating mpg files in your build directory."_s;

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

class StillEncoderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_home.installTools();
        m_startFolder = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(m_startFolder); }

    // A painted picture saved as the walk saves it: stem + ".jpx".
    QString paintStill(const QString &stem, QSize size)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        QPainter painter(&image);
        painter.setBrush(Qt::yellow);
        painter.drawEllipse(QRect(QPoint(40, 40), size / 2));
        painter.end();
        EXPECT_TRUE(image.save(stem + u".jpx"_s, "JPEG", 90));
        return stem;
    }

    // Replaces one tool in 3rdparty by a shell script.
    void fakeTool(const QString &name, const QByteArray &script)
    {
        const QString path = m_home.file(u"3rdparty/"_s + name);
        QFile::remove(path);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script);
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    QByteArray createLog() const
    {
        QFile file(m_home.file(u"Create.Log"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The block's own lines, without the tools' output between them.
    static QStringList stepLines(const QStringList &block)
    {
        QStringList steps;
        for (const QString &line : block) {
            for (const char *prefix : { "-----", "Curdir", "Command", "tempfile", "enddir", "ERROR: " }) {
                if (line.startsWith(QLatin1String(prefix))) {
                    steps.append(line);
                    break;
                }
            }
        }
        return steps;
    }

    TestHome m_home;
    QTemporaryDir m_build;
    QString m_startFolder;
    Settings m_settings;
    FakePrompter m_prompter;
    BuildCancel m_cancel;
};

} // namespace

TEST_F(StillEncoderTest, EncodesAVcdStillAndLogsEachStep)
{
    m_settings.vcd = true;
    const QString stem = paintStill(m_build.path() + u"/Menu_0001"_s, QSize(704, 576));
    QDir::setCurrent(m_build.path());

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(stem, stem);

    EXPECT_EQ(m_prompter.count(), 0);
    EXPECT_FALSE(m_cancel.isRaised());
    EXPECT_GT(QFileInfo(stem + u".mpg"_s).size(), 20000);
    EXPECT_FALSE(exists(stem + u".jpx"_s));
    EXPECT_FALSE(exists(stem + u".m1v"_s));
    EXPECT_EQ(QDir::currentPath(), m_home.path());

    const QString tools = m_home.path() + u"/3rdparty/"_s;
    const QStringList expected {
        u"-----"_s,
        u"Curdir = "_s + m_build.path(),
        u"Curdir 3rdparty = "_s + m_home.path() + u"/3rdparty"_s,
        u"Command = sh -c '"_s + tools + u"jpeg2yuv -n 1 -f 25 -I p -j "_s + stem + u".jpx | "_s + tools
            + u"mpeg2enc -T 220 -a 2 -f 6 -o "_s + stem + u".m1v'"_s,
        u"Command2 = "_s + tools + u"mplex -f 6 -o "_s + stem + u".mpg.part "_s + stem + u".m1v"_s,
        u"tempfile1 deleted"_s,
        u"tempfile2 deleted"_s,
        u"enddir = "_s + m_home.path(),
        u"------"_s,
    };
    EXPECT_EQ(stepLines(encoder.logBlock()), expected);
    // The encoder's own output is in the block, and the block is the log.
    EXPECT_TRUE(encoder.logBlock().join(u'\n').contains(u"[mpeg2enc]"_s));
    EXPECT_EQ(createLog(), (encoder.logBlock().join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
}

TEST_F(StillEncoderTest, EncodesAnSvcdStill)
{
    m_settings.vcd = false;
    const QString stem = paintStill(m_build.path() + u"/picture"_s, QSize(480, 576));

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(stem, stem);

    EXPECT_EQ(m_prompter.count(), 0);
    EXPECT_TRUE(exists(stem + u".mpg"_s));
    EXPECT_FALSE(exists(stem + u".jpx"_s));
    EXPECT_FALSE(exists(stem + u".m2v"_s));
    const QString steps = stepLines(encoder.logBlock()).join(u'\n');
    EXPECT_TRUE(steps.contains(u"mpeg2enc -T 200 -q 1 -a 2 -f 7 -o "_s + stem + u".m2v'"_s));
    EXPECT_TRUE(steps.contains(u"mplex -f 7 -o "_s + stem + u".mpg.part "_s + stem + u".m2v"_s));
}

TEST_F(StillEncoderTest, PathsWithQuotesSpacesAndDollarsAreSafe)
{
    m_settings.vcd = true;
    const QString folder = m_build.path() + u"/Bob's \"best\" $HOME `id` Été"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString stem = paintStill(folder + u"/a b"_s, QSize(704, 576));

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(stem, stem);

    EXPECT_EQ(m_prompter.count(), 0) << m_prompter.texts().join(u'\n').toStdString();
    EXPECT_TRUE(exists(stem + u".mpg"_s));
    EXPECT_FALSE(exists(stem + u".jpx"_s));
    EXPECT_FALSE(exists(stem + u".m1v"_s));
}

TEST_F(StillEncoderTest, AnUnreadableJpegStopsTheBuildAndKeepsTheInput)
{
    m_settings.vcd = true;
    const QString stem = m_build.path() + u"/broken"_s;
    QFile jpx(stem + u".jpx"_s);
    ASSERT_TRUE(jpx.open(QIODevice::WriteOnly));
    jpx.write("this is no JPEG");
    jpx.close();
    // A stream left by an earlier build must not pass for a new one.
    QFile old(stem + u".m1v"_s);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old stream");
    old.close();

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(stem, stem);

    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes().first().title, u"Create (S)VCD"_s);
    EXPECT_EQ(m_prompter.boxes().first().text, kTempFilesError + u'\n' + stem + u".mpg"_s);
    EXPECT_TRUE(m_cancel.isRaised());
    EXPECT_TRUE(exists(stem + u".jpx"_s));
    EXPECT_FALSE(exists(stem + u".m1v"_s));
    EXPECT_FALSE(exists(stem + u".mpg"_s));
    const QStringList steps = stepLines(encoder.logBlock());
    EXPECT_TRUE(steps.contains(u"ERROR: "_s + stem + u".m1v file not created"_s));
    EXPECT_FALSE(steps.join(u'\n').contains(u"Command2"_s));
    EXPECT_EQ(steps.last(), u"------"_s);
}

TEST_F(StillEncoderTest, AMultiplexerThatFailsOrStopsShortLeavesNoStill)
{
    m_settings.vcd = true;
    const struct
    {
        const char *what;
        QByteArray script;
    } multiplexers[] = {
        // Writes a damaged file where the still belongs, then fails.
        { "fails", "while [ \"$1\" != -o ]; do shift; done\nprintf junk > \"$2\"\nexit 1\n" },
        // Reports success after writing only the first 4 KiB of a stream.
        { "stops short",
            "while [ \"$1\" != -o ]; do shift; done\nhead -c 4096 /dev/zero > \"$2\"\nexit 0\n" },
    };
    for (const auto &mplex : multiplexers) {
        SCOPED_TRACE(mplex.what);
        m_prompter.clear();
        m_cancel.clear();
        fakeTool(u"mplex"_s, mplex.script);
        const QString stem = paintStill(m_build.path() + u"/pic"_s, QSize(704, 576));
        // An earlier still under the same name must not survive as this one.
        QFile old(stem + u".mpg"_s);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an earlier still");
        old.close();

        StillEncoder encoder(m_settings, m_prompter, m_cancel);
        encoder.encode(stem, stem);

        ASSERT_EQ(m_prompter.count(), 1);
        EXPECT_EQ(m_prompter.boxes().first().text, kMpgFilesError + u'\n' + stem + u".mpg"_s);
        EXPECT_TRUE(m_cancel.isRaised());
        EXPECT_FALSE(exists(stem + u".mpg"_s));
        EXPECT_FALSE(exists(stem + u".mpg.part"_s));
        EXPECT_FALSE(exists(stem + u".jpx"_s));
        EXPECT_FALSE(exists(stem + u".m1v"_s));
        EXPECT_TRUE(stepLines(encoder.logBlock()).contains(u"ERROR: "_s + stem + u".mpg file not created"_s));
    }
}

TEST_F(StillEncoderTest, AFullDiskFailsTheStillAndLeavesNothingUnderItsName)
{
    // Learn how much room one still takes, then encode it again where there
    // is room for its input and part of its output only.
    const QString probe = paintStill(m_build.path() + u"/probe"_s, QSize(704, 576));
    const qint64 input = QFileInfo(probe + u".jpx"_s).size();
    StillEncoder(m_settings, m_prompter, m_cancel).encode(probe, probe);
    const qint64 still = QFileInfo(probe + u".mpg"_s).size();
    ASSERT_GT(still, 0);

    const QString small = m_build.path() + u"/small"_s;
    ASSERT_TRUE(QDir().mkdir(small));
    const qint64 room = input + still + still / 2;
    if (QProcess::execute(u"mount"_s,
            { u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size="_s + QString::number(room / 1024 + 1) + u'k', u"tmpfs"_s,
                small })
        != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here";
    struct Unmount
    {
        QString folder;
        ~Unmount() { QProcess::execute(u"umount"_s, { folder }); }
    } unmount { small };

    const QString stem = paintStill(small + u"/pic"_s, QSize(704, 576));
    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(stem, stem);

    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_TRUE(m_prompter.boxes().first().text.endsWith(u'\n' + stem + u".mpg"_s))
        << m_prompter.boxes().first().text.toStdString();
    EXPECT_TRUE(m_cancel.isRaised());
    EXPECT_FALSE(exists(stem + u".mpg"_s));
    EXPECT_FALSE(exists(stem + u".mpg.part"_s));
}

TEST_F(StillEncoderTest, ACancelDuringTheEncoderSkipsTheMultiplexer)
{
    m_settings.vcd = true;
    const QString stem = paintStill(m_build.path() + u"/pic"_s, QSize(704, 576));
    // Pressed while the encoder runs; by default the encoder is not stopped.
    QTimer::singleShot(0, [this] { m_cancel.raise(); });

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(stem, stem);

    EXPECT_EQ(m_prompter.count(), 0);
    EXPECT_TRUE(exists(stem + u".jpx"_s));
    EXPECT_TRUE(exists(stem + u".m1v"_s));
    EXPECT_FALSE(exists(stem + u".mpg"_s));
    EXPECT_FALSE(stepLines(encoder.logBlock()).join(u'\n').contains(u"Command2"_s));
}

TEST_F(StillEncoderTest, AnInterruptedEncoderLeavesNoHalfWrittenStream)
{
    m_settings.vcd = true;
    // Writes part of its stream, then would run for ten minutes.
    fakeTool(u"mpeg2enc"_s,
        "while [ \"$1\" != -o ]; do shift; done\ncat > /dev/null\n"
        "printf partial > \"$2\"\nexec sleep 600\n");
    const QString stem = paintStill(m_build.path() + u"/pic"_s, QSize(704, 576));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this, stem] {
        if (QFileInfo::exists(stem + u".m1v"_s))
            m_cancel.raise();
    });
    poll.start(10);

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.setInterruptOnCancel(true);
    encoder.encode(stem, stem);

    EXPECT_TRUE(m_cancel.isRaised());
    EXPECT_EQ(m_prompter.count(), 0);
    EXPECT_FALSE(exists(stem + u".m1v"_s));
    EXPECT_FALSE(exists(stem + u".mpg"_s));
    EXPECT_TRUE(exists(stem + u".jpx"_s));
}

TEST_F(StillEncoderTest, TwoStillsMakeTwoLogBlocks)
{
    m_settings.vcd = true;
    const QString first = paintStill(m_build.path() + u"/one"_s, QSize(704, 576));
    const QString second = paintStill(m_build.path() + u"/two"_s, QSize(704, 576));

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.encode(first, first);
    encoder.encode(second, second);

    const QList<QByteArray> lines = createLog().split('\n');
    EXPECT_EQ(lines.count("-----\r"), 2);
    EXPECT_EQ(lines.count("------\r"), 2);
    EXPECT_TRUE(exists(first + u".mpg"_s));
    EXPECT_TRUE(exists(second + u".mpg"_s));
}

TEST_F(StillEncoderTest, ACollectedBlockIsWrittenWhole)
{
    m_settings.vcd = true;
    const QString stem = paintStill(m_build.path() + u"/pic"_s, QSize(704, 576));

    StillEncoder encoder(m_settings, m_prompter, m_cancel);
    encoder.setWriteLogImmediately(false);
    encoder.encode(stem, stem);
    EXPECT_TRUE(createLog().isEmpty());

    StillEncoder::writeLogBlock(encoder.logBlock());
    EXPECT_EQ(createLog(), (encoder.logBlock().join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
}

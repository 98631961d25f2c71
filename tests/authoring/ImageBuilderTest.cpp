#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "authoring/BuildCancel.h"
#include "authoring/BuildOutput.h"
#include "authoring/ImageBuilder.h"
#include "authoring/StillEncoder.h"
#include "authoring/VcdxbuildAdapter.h"
#include "base/ProgramFolder.h"
#include "settings/Settings.h"

using namespace Qt::StringLiterals;

namespace {

QString recorded(const char *name)
{
    QFile file(QStringLiteral(KELVARA_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(file.readAll());
}

QStringList adaptAll(const QString &output)
{
    QStringList lines;
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts))
        lines += VcdxbuildAdapter::adaptLine(line);
    return lines;
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// A vcd.xml with at most one still and one sequence, as the description
// writer frames them.
QByteArray descriptionXml(bool vcd, const QString &still, const QString &sequence)
{
    QString xml = u"<?xml version=\"1.0\"?>\r\n"
                  "<!DOCTYPE videocd PUBLIC \"-//GNU//DTD VideoCD//EN\" "
                  "\"http://www.gnu.org/software/vcdimager/videocd.dtd\">\r\n"_s;
    xml += vcd
        ? u"<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"vcd\" version=\"2.0\">\r\n"_s
        : u"<videocd xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"svcd\" version=\"1.0\">\r\n"_s;
    xml += u"  <option name=\"relaxed aps\" value=\"false\"/>\r\n"_s;
    if (!vcd)
        xml += u"  <option name=\"update scan offsets\" value=\"true\"/>\r\n"_s;
    xml += u"  <info>\r\n    <album-id></album-id>\r\n    <volume-count>1</volume-count>\r\n"
           "    <volume-number>1</volume-number>\r\n    <restriction>0</restriction>\r\n  </info>\r\n"
           "  <pvd>\r\n    <volume-id>VIDEOCD</volume-id>\r\n    <system-id>CD-RTOS CD-BRIDGE</system-id>\r\n"
           "  </pvd>\r\n"_s;
    if (!still.isEmpty())
        xml += u"  <segment-items>\r\n\t\t<segment-item src=\""_s + still
            + u"\" id=\"Segment-0002\"/>\r\n  </segment-items>\r\n"_s;
    xml += u"  <sequence-items>\r\n    <sequence-item src=\""_s + sequence
        + u"\" id=\"Sequence-0003\">\r\n      <default-entry id=\"Chapter-0003-01\"/>\r\n"
          "    </sequence-item>\r\n  </sequence-items>\r\n"_s;
    if (!still.isEmpty())
        xml += u"  <pbc>\r\n\t\t<selection id=\"Selection-0002\">\r\n\t\t\t<timeout ref = "
               u"\"Selection-0002\"/>\r\n"
               "\t\t\t<wait>5</wait>\r\n\t\t\t<loop jump-timing=\"delayed\">1</loop>\r\n"
               "\t\t\t<play-item ref=\"Segment-0002\"/>\r\n\t\t</selection>\r\n  </pbc>\r\n"_s;
    xml += u"  </videocd>\r\n\r\n"_s;
    return xml.toUtf8();
}

} // namespace

TEST(VcdxbuildAdapter, AGoodBuildSaysFinishedOkOnAnInformationLine)
{
    const QStringList lines = adaptAll(recorded("vcdxbuild-good.txt"));
    EXPECT_TRUE(lines.contains(u"   INFO: finished ok, image created with 947 sectors [00:12:47]"_s));
    EXPECT_TRUE(lines.contains(u"   INFO: writing track 1 (ISO9660)..."_s));
    EXPECT_TRUE(lines.contains(u"++ WARN: PSD item 'Selection-end' is unreachable"_s));
    EXPECT_TRUE(lines.contains(u"--DEBUG: initializing libvcd 2.0.1 [linux-gnu/x86_64]"_s));
    for (const QString &line : lines)
        EXPECT_FALSE(line.contains(u"<log"_s)) << line.toStdString();
}

TEST(VcdxbuildAdapter, AFailedBuildShowsItsErrorAndNoSuccess)
{
    const QStringList lines = adaptAll(recorded("vcdxbuild-missing.txt"));
    EXPECT_EQ(lines.last(),
        u"**ERROR: could not stat() file `/tmp/album-build/Menu_0002.mpg': "
        "No such file or directory"_s);
    EXPECT_FALSE(lines.join(u'\n').contains(u"finished ok"_s));

    const QStringList broken = adaptAll(recorded("vcdxbuild-broken.txt"));
    EXPECT_TRUE(broken.contains(u"++ WARN: parsing file `/tmp/album-build/bad.xml' failed"_s));
    // The XML parser's own lines are no log elements and pass unchanged.
    EXPECT_TRUE(broken.contains(u"<videocd><broken"_s));
}

TEST(VcdxbuildAdapter, TextWrittenIntoAMessageLineBecomesALineOfItsOwn)
{
    EXPECT_EQ(VcdxbuildAdapter::adaptLine(u"<log level=\"warning\">no video</log>!ASSERT: file ds.c"_s),
        (QStringList { u"++ WARN: no video"_s, u"!ASSERT: file ds.c"_s }));
    EXPECT_EQ(VcdxbuildAdapter::adaptLine(u"<log level=\"information\">open"_s),
        QStringList { u"<log level=\"information\">open"_s });
    EXPECT_EQ(VcdxbuildAdapter::adaptLine(QString()), QStringList { QString() });
}

class BuildOutputTest : public ::testing::Test
{
protected:
    QString buildLog() const { return readFile(m_home.file(u"build.log"_s)); }

    TestHome m_home;
    BuildOutput m_output;
};

TEST_F(BuildOutputTest, ShowsInformationLinesAndLogsEveryLine)
{
    m_output.open();
    m_output.appendOutput(u"   INFO: one\nsomething else\n**ERROR: bad\n   INFO: two\n"_s);
    m_output.close();
    EXPECT_EQ(m_output.displayText(), u"   INFO: one\r\n   INFO: two\r\n"_s);
    EXPECT_EQ(buildLog(), u"   INFO: one\r\nsomething else\r\n**ERROR: bad\r\n   INFO: two\r\n"_s);
}

TEST_F(BuildOutputTest, DebugLoggingShowsEveryLine)
{
    m_output.setDebug(true);
    m_output.open();
    m_output.appendOutput(u"   INFO: one\nsomething else\n"_s);
    EXPECT_EQ(m_output.displayText(), u"   INFO: one\r\nsomething else\r\n"_s);
}

TEST_F(BuildOutputTest, ALineSplitBetweenChunksIsOneLine)
{
    m_output.open();
    m_output.appendOutput(u"   IN"_s);
    m_output.appendOutput(u"FO: finished "_s);
    m_output.appendOutput(u"ok\n   INFO: tail"_s);
    m_output.finish();
    m_output.close();
    EXPECT_EQ(m_output.displayText(), u"   INFO: finished ok\r\n   INFO: tail\r\n"_s);
    EXPECT_EQ(buildLog(), u"   INFO: finished ok\r\n   INFO: tail\r\n"_s);
    EXPECT_TRUE(m_output.finishedOk());
}

TEST_F(BuildOutputTest, KeepsRoughlyTheLast2000Characters)
{
    m_output.open();
    QString all;
    qsizetype lineSize = 0;
    for (int i = 0; i < 60; ++i) {
        const QString line
            = u"   INFO: line "_s + QString::number(i).rightJustified(3, u'0') + QString(50, u'.');
        m_output.appendOutput(line + u'\n');
        all += line + u"\r\n"_s;
        lineSize = line.size() + 2;
    }
    const QString shown = m_output.displayText();
    // Cut to 2000 before the newest line was added: the tail of everything.
    EXPECT_LE(shown.size(), BuildOutput::DisplayLimit + lineSize);
    EXPECT_GT(shown.size(), BuildOutput::DisplayLimit);
    EXPECT_TRUE(all.endsWith(shown));
    EXPECT_TRUE(shown.endsWith(u"line 059"_s + QString(50, u'.') + u"\r\n"_s));
}

TEST_F(BuildOutputTest, RecordedOutputInReadSizedPieces)
{
    m_output.setLineFilter(&VcdxbuildAdapter::adaptLine);
    m_output.open();
    const QString output = recorded("vcdxbuild-good.txt");
    for (qsizetype at = 0; at < output.size(); at += 1023)
        m_output.appendOutput(output.mid(at, 1023));
    m_output.close();
    EXPECT_TRUE(m_output.finishedOk());
    for (const QString &line : m_output.displayText().split(u"\r\n"_s, Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(u"   INFO: "_s)) << line.toStdString();
    EXPECT_EQ(buildLog().count(u"\r\n"_s), output.count(u'\n'));
}

class ImageBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_home.installTools();
        m_startFolder = QDir::currentPath();
        // An accent and a space in the build path: vcdxbuild must still find the files.
        m_settings.destinationDir = m_dir.path() + u"/Été build"_s;
        QDir().mkpath(m_settings.destinationDir);
    }
    void TearDown() override { QDir::setCurrent(m_startFolder); }

    QString file(const QString &name) const { return m_settings.destinationDir + u'/' + name; }

    // One real VCD menu still, encoded as a build encodes it.
    QString encodeStill()
    {
        QImage image(704, 576, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString stem = file(u"Menu_0001"_s);
        EXPECT_TRUE(image.save(stem + u".jpx"_s, "JPEG"));
        m_settings.vcd = true;
        BuildCancel cancel;
        StillEncoder(m_settings, m_prompter, cancel).encode(stem, stem);
        EXPECT_FALSE(cancel.isRaised());
        return stem + u".mpg"_s;
    }

    TestHome m_home;
    QTemporaryDir m_dir;
    QString m_startFolder;
    Settings m_settings;
    FakePrompter m_prompter;
    BuildOutput m_output;
};

TEST_F(ImageBuilderTest, AGoodDescriptionGivesAnImage)
{
    const QString still = encodeStill();
    writeFile(file(u"vcd.xml"_s), descriptionXml(true, still, ProgramFolder::dataFile(u"PAL_VCD.mpg"_s)));
    writeFile(file(u"vcd.bin"_s), "left from an earlier build");

    ImageBuilder builder(m_settings, m_prompter, m_output);
    EXPECT_TRUE(builder.build());

    EXPECT_EQ(m_prompter.count(), 0) << readFile(m_home.file(u"build.log"_s)).toStdString();
    EXPECT_EQ(builder.lastExitCode(), 0);
    EXPECT_GT(QFileInfo(file(u"vcd.bin"_s)).size(), 100000);
    // vcdxbuild wrote under other names; the cue sheet names the final image.
    EXPECT_TRUE(
        readFile(file(u"vcd.cue"_s)).startsWith(u"FILE \""_s + file(u"vcd.bin"_s) + u"\" BINARY\r\n"_s))
        << readFile(file(u"vcd.cue"_s)).toStdString();
    EXPECT_EQ(QDir(m_settings.destinationDir).entryList({ u"vcd.*"_s }, QDir::Files),
        (QStringList { u"vcd.bin"_s, u"vcd.cue"_s, u"vcd.xml"_s }));
    EXPECT_TRUE(m_output.displayText().contains(u"   INFO: finished ok"_s));
    EXPECT_TRUE(readFile(m_home.file(u"build.log"_s)).contains(u"--DEBUG: "_s));
    // The log opens with the command, as a line the user can paste.
    EXPECT_TRUE(readFile(m_home.file(u"build.log"_s))
                    .startsWith(u"Command = "_s + ProgramFolder::findTool(u"vcdxbuild"_s)
                        + u" --gui -v -i bincue -o "_s))
        << readFile(m_home.file(u"build.log"_s)).left(300).toStdString();
    EXPECT_EQ(QDir::currentPath(), m_home.path());
}

TEST_F(ImageBuilderTest, AFailedBuildIsReportedAndLeavesNoImage)
{
    writeFile(file(u"vcd.xml"_s),
        descriptionXml(true, file(u"Menu_9999.mpg"_s), ProgramFolder::dataFile(u"PAL_VCD.mpg"_s)));
    writeFile(file(u"vcd.bin"_s), "left from an earlier build");
    writeFile(file(u"vcd.cue"_s), "left from an earlier build");

    ImageBuilder builder(m_settings, m_prompter, m_output);
    EXPECT_FALSE(builder.build());

    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes().first().title, u"VCD Creation"_s);
    EXPECT_EQ(m_prompter.boxes().first().text, u"Creation of VCD image failed"_s);
    EXPECT_NE(builder.lastExitCode(), 0);
    EXPECT_EQ(
        QDir(m_settings.destinationDir).entryList({ u"vcd.*"_s }, QDir::Files), QStringList { u"vcd.xml"_s });
    EXPECT_TRUE(readFile(m_home.file(u"build.log"_s)).contains(u"**ERROR: could not stat() file"_s));
}

TEST_F(ImageBuilderTest, TheSequenceFilesAreAcceptedWithoutAWarning)
{
    const struct
    {
        const char *name;
        bool vcd;
    } files[] = { { "PAL_VCD.mpg", true }, { "NTSC_VCD.mpg", true }, { "PAL_SVCD.mpg", false },
        { "NTSC_SVCD.mpg", false } };
    for (const auto &sequence : files) {
        SCOPED_TRACE(sequence.name);
        const QString path = ProgramFolder::dataFile(QLatin1String(sequence.name));
        ASSERT_TRUE(QFileInfo::exists(path));
        // 75 sectors of 2324 bytes at the least.
        EXPECT_GE(QFileInfo(path).size(), 75 * 2324);
        writeFile(file(u"vcd.xml"_s), descriptionXml(sequence.vcd, QString(), path));

        ImageBuilder builder(m_settings, m_prompter, m_output);
        EXPECT_TRUE(builder.build());
        const QString log = readFile(m_home.file(u"build.log"_s));
        EXPECT_FALSE(log.contains(u"++ WARN"_s)) << log.toStdString();
        EXPECT_FALSE(log.contains(u"**ERROR"_s)) << log.toStdString();
    }
    EXPECT_EQ(m_prompter.count(), 0);
}

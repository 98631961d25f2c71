#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include "FakePrompter.h"
#include "StandInTools.h"
#include "TestHome.h"
#include "base/StartupCheck.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "burn/BurnJob.h"

namespace {

const QString kWriter = QStringLiteral(" 1,0,0 100) 'HL-DT-ST' 'DVDRAM GH22NS50 ' 'TN02' Removable CD-ROM");
const QString kBus10Writer
    = QStringLiteral(" 10,0,0 1000) 'PLEXTOR ' 'DVDR   PX-716A  ' '1.11' Removable CD-ROM");

// Hides the real burner tools on the PATH for one test.
class EmptyPath
{
public:
    EmptyPath()
        : m_old(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(m_dir.path()));
    }
    ~EmptyPath() { qputenv("PATH", m_old); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

class BurnJobTest : public ::testing::Test
{
protected:
    BurnJobTest()
        : tools(home.path())
        , job(prompter)
    {
        QObject::connect(
            &job, &BurnJob::statusChanged, [this](const QString &text) { statuses.append(text); });
        QObject::connect(&job, &BurnJob::progressChanged, [this](int value) { progress.append(value); });
        QDir().mkpath(home.file(QStringLiteral("build")));
    }

    QString cue() const { return home.file(QStringLiteral("build/vcd.cue")); }

    BurnRequest request(BurnMode mode, const QString &writer = kWriter) const
    {
        BurnRequest r;
        r.mode = mode;
        r.writer = writer;
        r.cuePath = cue();
        return r;
    }

    QStringList burnLog() const
    {
        QFile file(home.file(QStringLiteral("burn.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QStringLiteral("\r\n"));
        EXPECT_EQ(lines.takeLast(), QString()) << "every line ends in CR LF";
        return lines;
    }

    QStringList runCommands() const
    {
        QStringList commands;
        for (const QString &line : burnLog())
            if (line.startsWith(QLatin1String("Run command: ")))
                commands.append(line.mid(13));
        return commands;
    }

    QString tool(const char *name) const { return tools.toolPath(QString::fromLatin1(name)); }

    TestHome home;
    StandInTools tools;
    FakePrompter prompter;
    BurnJob job;
    QStringList statuses;
    QList<int> progress;
};

} // namespace

TEST_F(BurnJobTest, DiscoveryListsWritersAndLogsTheScan)
{
    tools.setOutput(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("scanbus.txt"));
    const BurnJob::Discovery found = job.discover();
    EXPECT_FALSE(found.toolMissing);
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_EQ(found.writers, (QStringList { kWriter, kBus10Writer }));
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_EQ(tools.calls(), QStringList { QStringLiteral("cdrecord [-scanbus]") });

    QFile log(home.file(StartupCheck::programLogName()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("\t1,0,0\t100) 'HL-DT-ST'"));
    EXPECT_TRUE(
        text.contains((QStringLiteral("Run command: ") + tool("cdrecord") + QStringLiteral(" -scanbus\r\n"))
                          .toLocal8Bit()));
}

TEST_F(BurnJobTest, DiscoveryThatFailsTellsAndKeepsWhatArrived)
{
    tools.setOutput(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), QStringLiteral("scanbus.txt"));
    tools.setExitCode(QStringLiteral("cdrecord"), QStringLiteral("scanbus"), 1);
    const BurnJob::Discovery found = job.discover();
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_EQ(found.writers.size(), 2);
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes().at(0).title, QStringLiteral("Unable to burn"));
    EXPECT_TRUE(
        prompter.boxes().at(0).text.startsWith(QStringLiteral("Unable to read CD burner information\n")));
}

TEST_F(BurnJobTest, DiscoveryWithoutCdrdaoStops)
{
    EmptyPath noTools;
    tools.remove(QStringLiteral("cdrdao"));
    const BurnJob::Discovery found = job.discover();
    EXPECT_TRUE(found.toolMissing);
    EXPECT_TRUE(tools.calls().isEmpty());
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes().at(0).title, localText(TextId::TitleUnableToBurn));
    EXPECT_TRUE(prompter.boxes().at(0).text.startsWith(
        QStringLiteral("Missing ") + home.file(QStringLiteral("3rdparty/cdrdao."))));
    EXPECT_TRUE(prompter.boxes().at(0).text.contains(QStringLiteral("Download this from ")));
}

TEST(BurnJobRealTools, DiscoveryOnAMachineWithoutWritersEnds)
{
    // No 3rdparty folder: the Debian cdrdao and wodim on the PATH are used.
    TestHome home;
    FakePrompter prompter;
    BurnJob job(prompter);
    const BurnJob::Discovery found = job.discover();
    EXPECT_FALSE(found.toolMissing);
    EXPECT_NE(found.exitCode, 0);
    EXPECT_TRUE(found.writers.isEmpty());
    // The tool's own reason, and what to check.
    ASSERT_EQ(prompter.count(), 1);
    const QStringList lines = prompter.texts().at(0).split(u'\n');
    ASSERT_EQ(lines.size(), 3) << prompter.texts().at(0).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Unable to read CD burner information"));
    // Here wodim says "Cannot open SCSI driver!"; the exact line is the parser's test.
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("cdrecord said: ")));
    EXPECT_GT(lines[1].size(), 15);
    EXPECT_TRUE(lines[2].contains(QStringLiteral("/dev/sr0")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("cdrecord and cdrdao are installed")));

    // In another language the reason stays the tool's.
    StringTable::instance().setLanguageOffset(2 * StringTable::LanguageStride);
    prompter.clear();
    job.discover();
    StringTable::instance().setLanguageOffset(0);
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_TRUE(prompter.texts().at(0).contains(QStringLiteral("cdrecord meldet: ") + lines[1].mid(15)));
    EXPECT_TRUE(prompter.texts().at(0).contains(QStringLiteral("/dev/sr0")));
}

TEST_F(BurnJobTest, CdrecordModeCommandsAndBusTen)
{
    BurnRequest r = request(BurnMode::CdRecord, kBus10Writer);
    r.blank = true;
    EXPECT_EQ(job.burn(r), BurnJob::Outcome::Written);
    EXPECT_EQ(tools.calls(),
        (QStringList { QStringLiteral("cdrecord [-blank=fast] [-v] [-dev=10,0,0]"),
            QStringLiteral(
                "cdrecord [gracetime=1] [speed=4] [-dao] [-v] [-eject] [-overburn] [dev=10,0,0] [cuefile=")
                + cue() + u']' }));
    EXPECT_EQ(runCommands(),
        (QStringList { tool("cdrecord") + QStringLiteral(" -blank=fast -v -dev=10,0,0"),
            tool("cdrecord")
                + QStringLiteral(" gracetime=1 speed=4 -dao -v -eject -overburn dev=10,0,0 cuefile=")
                + cue() }));
    EXPECT_TRUE(burnLog().contains(QStringLiteral("Device: 10,0,0")));
}

TEST_F(BurnJobTest, CdrdaoModesCommands)
{
    const struct
    {
        BurnMode mode;
        QString driver;
    } cases[]
        = { { BurnMode::Normal, QString() }, { BurnMode::Generic, QStringLiteral(" --driver generic-mmc") },
              { BurnMode::GenericRaw, QStringLiteral(" --driver generic-mmc-raw") } };
    for (const auto &c : cases) {
        QFile::remove(home.file(QStringLiteral("3rdparty/calls.log")));
        BurnRequest r = request(c.mode);
        r.blank = true;
        EXPECT_EQ(job.burn(r), BurnJob::Outcome::Written);
        const QString cdrdao = tool("cdrdao");
        EXPECT_EQ(runCommands(),
            (QStringList { cdrdao + QStringLiteral(" unlock --device 1,0,0") + c.driver,
                cdrdao + QStringLiteral(" blank --blank-mode minimal -v 1 --device 1,0,0") + c.driver,
                cdrdao
                    + QStringLiteral(" write --eject -n --reload --speed 4 --force --buffers 100 --overburn "
                                     "--device 1,0,0")
                    + c.driver + u' ' + cue() }))
            << c.driver.toStdString();
        const QString driverArgs
            = c.driver.isEmpty() ? QString() : QStringLiteral(" [--driver] [") + c.driver.mid(10) + u']';
        EXPECT_EQ(tools.calls(),
            (QStringList { QStringLiteral("cdrdao [scanbus]"),
                QStringLiteral("cdrdao [unlock] [--device] [1,0,0]") + driverArgs,
                QStringLiteral("cdrdao [blank] [--blank-mode] [minimal] [-v] [1] [--device] [1,0,0]")
                    + driverArgs,
                QStringLiteral(
                    "cdrdao [write] [--eject] [-n] [--reload] [--speed] [4] [--force] [--buffers] [100] "
                    "[--overburn] [--device] [1,0,0]")
                    + driverArgs + QStringLiteral(" [") + cue() + u']' }));
    }
}

TEST_F(BurnJobTest, SimulateSkipsBlankingAndWritesWithTheLaserOff)
{
    BurnRequest r = request(BurnMode::CdRecord);
    r.blank = true;
    r.simulate = true;
    job.burn(r);
    ASSERT_EQ(tools.calls().size(), 1);
    EXPECT_TRUE(tools.calls().at(0).contains(QStringLiteral("[dev=1,0,0] [-dummy] [cuefile=")));
    EXPECT_FALSE(burnLog().contains(QStringLiteral("Blanc CD before burning")));

    QFile::remove(home.file(QStringLiteral("3rdparty/calls.log")));
    r.mode = BurnMode::Normal;
    job.burn(r);
    const QStringList calls = tools.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_FALSE(calls.join(u'\n').contains(QStringLiteral("[blank]")));
    EXPECT_TRUE(runCommands().last().contains(QStringLiteral(" --reload --simulate --speed 4 ")));
}

TEST_F(BurnJobTest, CdrecordSuccessLogStatusAndProgress)
{
    {
        QFile old(home.file(QStringLiteral("burn.log")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("left from the last burn\r\n");
    }
    tools.setOutput(
        QStringLiteral("cdrecord"), QStringLiteral("write"), QStringLiteral("cdrecord-write.txt"));
    EXPECT_EQ(job.burn(request(BurnMode::CdRecord)), BurnJob::Outcome::Written);

    EXPECT_EQ(prompter.boxes().size(), 1);
    EXPECT_EQ(prompter.boxes().at(0).title, QStringLiteral("Burning (S)VCD."));
    EXPECT_EQ(prompter.boxes().at(0).text, QStringLiteral("Burning was successful."));
    EXPECT_EQ(statuses,
        (QStringList { QStringLiteral("Start Burning."), QStringLiteral("Burning image..."),
            localText(TextId::WritingDisk), QStringLiteral("Done.") }));
    EXPECT_EQ(progress, (QList<int> { 0, 0, 2, 50 }));
    EXPECT_EQ(job.lastStatus(), QStringLiteral("Done."));
    EXPECT_FALSE(job.busy());

    const QStringList log = burnLog();
    const QStringList head { QStringLiteral("Start burning"), QStringLiteral("Device: 1,0,0"),
        QStringLiteral("Run command: ") + tool("cdrecord")
            + QStringLiteral(" gracetime=1 speed=4 -dao -v -eject -overburn dev=1,0,0 cuefile=") + cue(),
        QStringLiteral("wodim: Operation not permitted. Warning: Cannot raise RLIMIT_MEMLOCK limits.") };
    EXPECT_EQ(log.mid(0, head.size()), head);
    const QStringList tail { QStringLiteral(
                                 "wodim: fifo was 0 times empty and 8531 times full, min fill was 95%."),
        QStringLiteral("Almost done"), QStringLiteral("Done") };
    EXPECT_EQ(log.mid(log.size() - tail.size()), tail);
    EXPECT_FALSE(log.contains(QStringLiteral("left from the last burn")));
    // The progress lines end in CR only, each one its own log line.
    EXPECT_TRUE(
        log.contains(QStringLiteral("Track 01:   12 of  650 MB written (fifo 100%) [buf  99%]   4.0x.")));
}

TEST_F(BurnJobTest, CdrecordWriteFailureIsReported)
{
    tools.setOutput(
        QStringLiteral("cdrecord"), QStringLiteral("write"), QStringLiteral("cdrecord-sorry.txt"));
    tools.setExitCode(QStringLiteral("cdrecord"), QStringLiteral("write"), 255);
    EXPECT_EQ(job.burn(request(BurnMode::CdRecord)), BurnJob::Outcome::WriteFailed);
    EXPECT_EQ(prompter.texts(), QStringList { QStringLiteral("Burning was NOT successful, check burn.log") });
    EXPECT_EQ(prompter.boxes().at(0).title, QStringLiteral("Unable to burn"));
    EXPECT_EQ(job.lastStatus(), QStringLiteral("Burning failed"));
    EXPECT_EQ(statuses.last(), QStringLiteral("Burning failed"));
    EXPECT_EQ(progress.last(), 100);
    EXPECT_TRUE(burnLog().contains(QStringLiteral("Unable to burn")));
}

TEST_F(BurnJobTest, CdrecordBlankFailureWritesNothing)
{
    tools.setExitCode(QStringLiteral("cdrecord"), QStringLiteral("blank"), 1);
    BurnRequest r = request(BurnMode::CdRecord);
    r.blank = true;
    EXPECT_EQ(job.burn(r), BurnJob::Outcome::BlankFailed);
    EXPECT_EQ(tools.calls().size(), 1);
    EXPECT_EQ(prompter.texts(), QStringList { QStringLiteral("Unable to blank CD") });
    EXPECT_EQ(prompter.boxes().at(0).title, QStringLiteral("Blank CD"));
    EXPECT_EQ(statuses.last(), QStringLiteral("Blank CD failed"));
    EXPECT_FALSE(burnLog().contains(QStringLiteral("Almost done")));
    EXPECT_TRUE(burnLog().contains(QStringLiteral("Unable to blanc")));
}

TEST_F(BurnJobTest, ToolThatCannotStartIsAFailedBurn)
{
    for (const char *name : { "cdrecord", "cdrdao" }) {
        QFile script(tool(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/nonexistent/interpreter\n");
    }
    EXPECT_EQ(job.burn(request(BurnMode::CdRecord)), BurnJob::Outcome::WriteFailed);
    EXPECT_EQ(job.burn(request(BurnMode::Normal)), BurnJob::Outcome::WriteFailed);
    EXPECT_EQ(job.lastStatus(), QStringLiteral("Burning failed"));
    EXPECT_EQ(burnLog().last(), QStringLiteral("Done"));
    // Why it did not start is in the log.
    EXPECT_FALSE(burnLog().filter(QStringLiteral("Could not start: ")).isEmpty());
}

TEST_F(BurnJobTest, CdrecordMissingStopsBeforeAnything)
{
    EmptyPath noTools;
    tools.remove(QStringLiteral("cdrecord"));
    EXPECT_EQ(job.burn(request(BurnMode::CdRecord)), BurnJob::Outcome::ToolMissing);
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes().at(0).title, QStringLiteral("Missing File"));
    EXPECT_TRUE(prompter.boxes().at(0).text.startsWith(
        QStringLiteral("cdrecord is neither in your 3rdparty directory nor on the PATH. Check https://")));
    EXPECT_TRUE(tools.calls().isEmpty());
    EXPECT_EQ(burnLog(), (QStringList { QStringLiteral("Start burning") }));
}

TEST_F(BurnJobTest, MissingAspiLayerStopsTheCdrdaoModes)
{
    tools.setOutput(
        QStringLiteral("cdrdao"), QStringLiteral("scanbus"), QStringLiteral("cdrdao-scanbus-noaspi.txt"));
    EXPECT_EQ(job.burn(request(BurnMode::Generic)), BurnJob::Outcome::AspiMissing);
    EXPECT_EQ(tools.calls(), QStringList { QStringLiteral("cdrdao [scanbus]") });
    ASSERT_EQ(prompter.count(), 1);
    EXPECT_EQ(prompter.boxes().at(0).title, localText(TextId::TitleUnableToBurn));
    EXPECT_EQ(prompter.boxes().at(0).text,
        localText(TextId::MsgNoAspiDriver) + QStringLiteral(" nero ( ") + BurnJob::aspiLocation()
            + QStringLiteral(" ) ") + localText(TextId::MsgCopyTo) + u' '
            + home.file(QStringLiteral("3rdparty")));
    EXPECT_FALSE(job.busy());
}

TEST_F(BurnJobTest, CdrdaoProgressAndStatusLine)
{
    tools.setOutput(QStringLiteral("cdrdao"), QStringLiteral("blank"), QStringLiteral("cdrdao-blank.txt"));
    tools.setOutput(QStringLiteral("cdrdao"), QStringLiteral("write"), QStringLiteral("cdrdao-write.txt"));
    tools.setExitCode(QStringLiteral("cdrdao"), QStringLiteral("write"), 1);
    BurnRequest r = request(BurnMode::Normal);
    r.blank = true;
    // cdrdao's exit code is not judged; its last line is the outcome.
    EXPECT_EQ(job.burn(r), BurnJob::Outcome::Written);
    EXPECT_EQ(prompter.count(), 0);
    EXPECT_TRUE(statuses.contains(QStringLiteral("Blanking disk...")));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Writing track 01 ")));
    EXPECT_EQ(statuses.last(), QStringLiteral("Writing finished successfully."));
    EXPECT_EQ(progress, (QList<int> { 0, 0, 50, 100, 100 }));
}

TEST_F(BurnJobTest, NoWriterNoBurn)
{
    EXPECT_EQ(job.burn(request(BurnMode::CdRecord, QString())), BurnJob::Outcome::NotStarted);
    EXPECT_EQ(burnLog(), QStringList { QStringLiteral("Start burning") });
    EXPECT_TRUE(tools.calls().isEmpty());
}

TEST_F(BurnJobTest, SecondBurnDuringABurnIsRefused)
{
    std::optional<BurnJob::Outcome> inner;
    QObject::connect(&job, &BurnJob::busyChanged, [&](bool busy) {
        if (busy && !inner)
            inner = job.burn(request(BurnMode::CdRecord));
    });
    EXPECT_EQ(job.burn(request(BurnMode::CdRecord)), BurnJob::Outcome::Written);
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(*inner, BurnJob::Outcome::NotStarted);
    EXPECT_EQ(tools.calls().size(), 1);
}

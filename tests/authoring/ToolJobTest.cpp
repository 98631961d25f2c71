#include <csignal>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "authoring/ToolJob.h"

using namespace Qt::StringLiterals;

namespace {

const QString kHelper = QStringLiteral(KELVARA_RUNNER_HELPER);

// Runs a job and keeps every piece it delivered.
struct Recorder
{
    QStringList pieces;
    ToolJob::Result result;

    ToolJob::Result run(ToolJob job)
    {
        job.setOutputHandler([this](const QString &piece) { pieces.append(piece); });
        result = job.run();
        return result;
    }
    ToolJob::Result helper(const QStringList &arguments) { return run(ToolJob(kHelper, arguments)); }
    QString all() const { return pieces.join(QString()); }
};

// Every piece within the size limit and made of whole letters.
void expectWholeBoundedPieces(const QStringList &pieces)
{
    for (const QString &piece : pieces) {
        EXPECT_LE(piece.toUtf8().size(), ToolJob::PieceSize);
        EXPECT_FALSE(piece.contains(QChar::ReplacementCharacter));
        EXPECT_FALSE(piece.isEmpty());
    }
}

// A process that still runs: not gone and not a zombie waiting for a parent.
bool running(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype state = text.lastIndexOf(')') + 2;
    return state < text.size() && text.at(state) != 'Z';
}

// Awkward arguments: quotes, blanks, shell syntax, a newline, letters
// outside ASCII, and an empty one.
const QStringList kAwkward { u"a b"_s, u"it's"_s, u"\"quoted\""_s, u"$HOME"_s, u"`id`"_s, u"back\\slash"_s,
    u"two\nlines"_s, u"Été ☃"_s, QString(), u"*.jpg"_s, u"a|b;c&d"_s, u"~"_s, u"-o"_s, u"bin=/x/vcd.bin"_s };

QString bracketed(const QStringList &arguments)
{
    QString text;
    for (const QString &argument : arguments)
        text += u'[' + argument + u"]\n"_s;
    return text;
}

} // namespace

TEST(ToolJobOutput, PiecesAreAtMostThePieceSize)
{
    Recorder recorder;
    EXPECT_TRUE(recorder.helper({ u"bytes"_s, u"3000"_s }).succeeded());
    QList<qsizetype> sizes;
    for (const QString &piece : recorder.pieces)
        sizes.append(piece.size());
    EXPECT_EQ(sizes, (QList<qsizetype> { 1023, 1023, 954 }));
}

TEST(ToolJobOutput, ALetterAtThePieceBoundaryStaysWhole)
{
    {
        Recorder recorder;
        EXPECT_TRUE(recorder.helper({ u"split-letter"_s }).succeeded());
        EXPECT_EQ(recorder.pieces, (QStringList { QString(1022, u'a'), u"éb"_s }));
    }
    // A four-byte letter at every place across the boundary.
    for (int pad = 1018; pad <= 1024; ++pad) {
        SCOPED_TRACE(pad);
        Recorder recorder;
        EXPECT_TRUE(recorder.helper({ u"pad"_s, QString::number(pad) }).succeeded());
        EXPECT_EQ(recorder.all(), QString(pad, u'a') + u"😀b"_s);
        expectWholeBoundedPieces(recorder.pieces);
        // Cut no earlier than the letter requires.
        ASSERT_FALSE(recorder.pieces.isEmpty());
        EXPECT_GE(recorder.pieces.first().toUtf8().size(), ToolJob::PieceSize - 3);
    }
}

TEST(ToolJobOutput, ALetterSplitBetweenWritesWaitsForItsEnd)
{
    Recorder recorder;
    EXPECT_TRUE(recorder.helper({ u"slow-letter"_s }).succeeded());
    EXPECT_EQ(recorder.pieces, (QStringList { u"a"_s, u"éb"_s }));
}

TEST(ToolJobOutput, LargeOutputArrivesWholeAndInOrder)
{
    const int repeats = 100000; // a megabyte of one- to four-byte letters
    Recorder recorder;
    EXPECT_TRUE(recorder.helper({ u"letters"_s, QString::number(repeats) }).succeeded());
    EXPECT_EQ(recorder.all(), u"aé€😀"_s.repeated(repeats));
    expectWholeBoundedPieces(recorder.pieces);
}

TEST(ToolJobOutput, StandardErrorSharesTheChannelInOrder)
{
    Recorder recorder;
    EXPECT_TRUE(recorder.helper({ u"interleave"_s }).succeeded());
    EXPECT_EQ(recorder.all(), u"out1\nerr1\nout2\nerr2\nout3\nerr3\n"_s);
}

TEST(ToolJobOutput, WithoutAHandlerTheOutputIsDropped)
{
    QTemporaryDir dir;
    const QString marker = dir.path() + u"/it ran"_s;
    const ToolJob job(u"sh"_s, { u"-c"_s, u"echo done; echo done > \"$1\""_s, u"sh"_s, marker });
    EXPECT_TRUE(job.run().succeeded());
    EXPECT_TRUE(QFile::exists(marker));
}

TEST(ToolJobArguments, AwkwardArgumentsArriveUnchanged)
{
    Recorder recorder;
    EXPECT_TRUE(recorder.helper(QStringList { u"args"_s } + kAwkward).succeeded());
    EXPECT_EQ(recorder.all(), bracketed(kAwkward));
}

TEST(ToolJobArguments, TheLoggedLinePastedIntoAShellRunsTheSameCommand)
{
    const ToolJob direct(kHelper, QStringList { u"args"_s } + kAwkward);
    Recorder recorder;
    EXPECT_TRUE(recorder.run(ToolJob(u"sh"_s, { u"-c"_s, direct.commandLine() })).succeeded());
    EXPECT_EQ(recorder.all(), bracketed(kAwkward));

    // A pipe run by one sh, logged as one line, pasted back once more.
    const QString script = ToolJob::shellLine(u"printf"_s, { u"%s\\n"_s, u"Bob's \"best\" $HOME"_s })
        + u" | "_s + ToolJob::shellLine(u"tr"_s, { u"a-z"_s, u"A-Z"_s });
    const ToolJob piped(u"sh"_s, { u"-c"_s, script });
    Recorder twice;
    EXPECT_TRUE(twice.run(ToolJob(u"sh"_s, { u"-c"_s, piped.commandLine() })).succeeded());
    EXPECT_EQ(twice.all(), u"BOB'S \"BEST\" $HOME\n"_s);
}

TEST(ToolJobArguments, TheLoggedLineQuotesOnlyWhereNeeded)
{
    EXPECT_EQ(ToolJob(u"/usr/bin/vcdxbuild"_s,
                  { u"--gui"_s, u"-o"_s, u"bin=/tmp/out/vcd.bin"_s, u"--filename-encoding=ISO-8859-1"_s,
                      u"dev=1,0,0"_s })
                  .commandLine(),
        u"/usr/bin/vcdxbuild --gui -o bin=/tmp/out/vcd.bin --filename-encoding=ISO-8859-1 dev=1,0,0"_s);
    EXPECT_EQ(ToolJob(u"/my tools/mplex"_s, { u"it's"_s, QString(), u"Été"_s }).commandLine(),
        u"'/my tools/mplex' 'it'\\''s' '' 'Été'"_s);
}

TEST(ToolJobRun, RunsInTheWorkingFolderAndLeavesOursAlone)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u"/with blank and é"_s;
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString ours = QDir::currentPath();
    ToolJob job(kHelper, { u"pwd"_s });
    job.setWorkingFolder(folder);
    Recorder recorder;
    EXPECT_TRUE(recorder.run(job).succeeded());
    EXPECT_EQ(recorder.all(), QDir(folder).canonicalPath());
    EXPECT_EQ(QDir::currentPath(), ours);
}

TEST(ToolJobRun, EndsAreClassified)
{
    Recorder recorder;
    ToolJob::Result result = recorder.helper({ u"exit"_s, u"7"_s });
    EXPECT_EQ(result.end, ToolJob::End::Finished);
    EXPECT_EQ(result.exitCode, 7);
    EXPECT_FALSE(result.succeeded());
    EXPECT_FALSE(result.cancelled);
    EXPECT_TRUE(recorder.pieces.isEmpty());

    result = recorder.helper({ u"signal"_s, QString::number(SIGKILL) });
    EXPECT_EQ(result.end, ToolJob::End::Signalled);
    EXPECT_EQ(result.signal, SIGKILL);
    EXPECT_EQ(result.shellStatus(), 128 + SIGKILL);
    EXPECT_FALSE(result.succeeded());
    EXPECT_FALSE(result.cancelled);
}

TEST(ToolJobRun, AProgramThatCannotStartSaysWhy)
{
    QTemporaryDir dir;
    QFile notExecutable(dir.path() + u"/tool"_s);
    ASSERT_TRUE(notExecutable.open(QIODevice::WriteOnly));
    notExecutable.write("#!/bin/sh\necho hi\n");
    notExecutable.close();
    QFile badInterpreter(dir.path() + u"/script"_s);
    ASSERT_TRUE(badInterpreter.open(QIODevice::WriteOnly));
    badInterpreter.write("#!/nonexistent/interpreter\n");
    badInterpreter.close();
    badInterpreter.setPermissions(badInterpreter.permissions() | QFileDevice::ExeOwner);

    for (const QString &program : QStringList { u"kelvara-no-such-tool"_s, dir.path() + u"/missing"_s,
             notExecutable.fileName(), badInterpreter.fileName(), QString() }) {
        SCOPED_TRACE(program.toStdString());
        Recorder recorder;
        const ToolJob::Result result = recorder.run(ToolJob(program, { u"--help"_s }));
        EXPECT_EQ(result.end, ToolJob::End::NotStarted);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_EQ(result.shellStatus(), -2);
        EXPECT_TRUE(recorder.pieces.isEmpty());
    }
}

TEST(ToolJobCancel, EndsTheToolsChildrenToo)
{
    // The shell starts the hanging helper as its child and names it; once
    // named, the cancel is raised from the event loop, as a button would.
    bool cancel = false;
    qint64 grandchild = 0;
    ToolJob job(u"sh"_s, { u"-c"_s, u"\"$1\" hang & echo $!; wait"_s, u"sh"_s, kHelper });
    job.setOutputHandler([&grandchild, &cancel](const QString &piece) {
        grandchild = piece.trimmed().toLongLong();
        QTimer::singleShot(0, [&cancel] { cancel = true; });
    });
    job.setCancelCheck([&cancel] { return cancel; });
    const ToolJob::Result result = job.run();
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.end, ToolJob::End::Signalled);
    EXPECT_EQ(result.signal, SIGTERM);
    ASSERT_GT(grandchild, 0);
    EXPECT_FALSE(running(grandchild));
}

TEST(ToolJobCancel, AToolThatIgnoresTheRequestIsKilled)
{
    bool ready = false;
    ToolJob job(kHelper, { u"stubborn"_s });
    job.setOutputHandler([&ready](const QString &) { ready = true; });
    job.setCancelCheck([&ready] { return ready; });
    const ToolJob::Result result = job.run();
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.end, ToolJob::End::Signalled);
    EXPECT_EQ(result.signal, SIGKILL);
}

TEST(ToolJobCancel, AFailingHandlerLeavesNoToolRunning)
{
    qint64 grandchild = 0;
    ToolJob job(u"sh"_s, { u"-c"_s, u"\"$1\" hang & echo $!; wait"_s, u"sh"_s, kHelper });
    job.setOutputHandler([&grandchild](const QString &piece) {
        grandchild = piece.trimmed().toLongLong();
        throw std::runtime_error("receiver failed");
    });
    EXPECT_THROW(job.run(), std::runtime_error);
    ASSERT_GT(grandchild, 0);
    EXPECT_FALSE(running(grandchild));
}

TEST(ToolJobThreads, RunsAndCancelsOnAWorkerThread)
{
    QStringList pieces;
    ToolJob::Result hung;
    QThread *worker = QThread::create([&] {
        ToolJob bytes(kHelper, { u"bytes"_s, u"3000"_s });
        bytes.setOutputHandler([&pieces](const QString &piece) { pieces.append(piece); });
        bytes.run();
        // Nothing on this thread handles events: the check is polled alone.
        int asked = 0;
        ToolJob hang(kHelper, { u"hang"_s });
        hang.setCancelCheck([&asked] { return ++asked > 3; });
        hung = hang.run();
    });
    worker->start();
    ASSERT_TRUE(worker->wait(60000));
    delete worker;
    EXPECT_EQ(pieces.join(QString()), QString(3000, u'x'));
    EXPECT_EQ(pieces.size(), 3);
    EXPECT_TRUE(hung.cancelled);
    EXPECT_EQ(hung.signal, SIGTERM);
}

// A tool whose whole group sleeps is ended, children and all, with a
// message naming it and the limit; one that keeps printing, or keeps
// computing without a word, runs past the limit to its own end.
TEST(ToolJobWatchdog, EndsOnlyAToolThatShowsNoSignOfLife)
{
    const ToolJob::StallLimitScope limit(1);
    qint64 grandchild = 0;
    ToolJob sleeper(u"sh"_s, { u"-c"_s, u"\"$1\" hang & echo $!; wait"_s, u"sh"_s, kHelper });
    sleeper.setToolName(u"stand-in"_s);
    sleeper.setOutputHandler(
        [&grandchild](const QString &piece) { grandchild = piece.trimmed().toLongLong(); });
    const ToolJob::Result stalled = sleeper.run();
    EXPECT_TRUE(stalled.stalled);
    EXPECT_FALSE(stalled.cancelled);
    EXPECT_FALSE(stalled.succeeded());
    EXPECT_EQ(stalled.stallText,
        u"stand-in printed nothing and used no processor time for 1 seconds; it was ended"_s);
    EXPECT_EQ(ToolJob::lastStall(), stalled.stallText);
    ASSERT_GT(grandchild, 0);
    EXPECT_FALSE(running(grandchild));

    ToolJob::clearLastStall();
    Recorder talker;
    const ToolJob::Result talked
        = talker.run(ToolJob(u"sh"_s, { u"-c"_s, u"for i in 1 2 3 4 5 6; do echo $i; sleep 0.4; done"_s }));
    EXPECT_TRUE(talked.succeeded()) << talked.stallText.toStdString();
    EXPECT_EQ(talker.all(), u"1\n2\n3\n4\n5\n6\n"_s);

    // Silent, but its processor time keeps growing; the shell's own
    // arithmetic keeps it busy for a few seconds on any machine.
    ToolJob worker(u"sh"_s, { u"-c"_s, u"i=0; while [ $i -lt 1000000 ]; do i=$((i+1)); done"_s });
    const ToolJob::Result worked = worker.run();
    EXPECT_TRUE(worked.succeeded()) << worked.stallText.toStdString();
    EXPECT_TRUE(ToolJob::lastStall().isEmpty());
}

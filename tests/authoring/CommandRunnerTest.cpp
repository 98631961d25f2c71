#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include "base/KelvaraError.h"
#include "authoring/CommandRunner.h"
#include "authoring/OutputSink.h"

using namespace Qt::StringLiterals;

namespace {

const QString kHelper = QStringLiteral(KELVARA_RUNNER_HELPER);

// Collects every chunk delivered to "chkOutput".
struct Recorder
{
    OutputSink sink;
    QStringList chunks;
    Recorder()
    {
        sink.addReceiver(QStringLiteral("chkOutput"), [this](const QString &text) { chunks.append(text); });
    }
    int run(const QString &commandLine)
    {
        return RunAndCapture(commandLine, QStringLiteral("chkOutput"), sink);
    }
    QString all() const { return chunks.join(QString()); }
};

QStringList split(const char *line)
{
    const auto words = CommandRunner::SplitCommandLine(QString::fromUtf8(line));
    EXPECT_TRUE(words.has_value()) << line;
    return words.value_or(QStringList());
}

} // namespace

TEST(SplitCommandLine, FollowsTheShellsQuotingRules)
{
    EXPECT_EQ(split("a  b\tc"), (QStringList { u"a"_s, u"b"_s, u"c"_s }));
    EXPECT_EQ(split("x \"a b\" 'c d'"), (QStringList { u"x"_s, u"a b"_s, u"c d"_s }));
    EXPECT_EQ(split("-o bin=\"/my dir/vcd.bin\""), (QStringList { u"-o"_s, u"bin=/my dir/vcd.bin"_s }));
    EXPECT_EQ(split("\"\" ''"), (QStringList { QString(), QString() }));
    // Backslash in double quotes escapes only \ " $ `.
    EXPECT_EQ(split(R"("a\"b\\c\$d\`e\nf")"), (QStringList { u"a\"b\\c$d`e\\nf"_s }));
    // Nothing is special inside single quotes; outside, a backslash escapes.
    EXPECT_EQ(split(R"('a\b"c' d\ e \')"), (QStringList { u"a\\b\"c"_s, u"d e"_s, u"'"_s }));
    // No expansion and no shell operators.
    EXPECT_EQ(split("$HOME *.jpg a|b"), (QStringList { u"$HOME"_s, u"*.jpg"_s, u"a|b"_s }));
    EXPECT_EQ(split("sh -c './a -j \"x y.jpx\"| ./b'"),
        (QStringList { u"sh"_s, u"-c"_s, u"./a -j \"x y.jpx\"| ./b"_s }));
}

TEST(SplitCommandLine, AnOpenQuoteIsRefused)
{
    EXPECT_FALSE(CommandRunner::SplitCommandLine(QStringLiteral("a \"b")).has_value());
    EXPECT_FALSE(CommandRunner::SplitCommandLine(QStringLiteral("a 'b")).has_value());
}

TEST(Quoting, AnyTextSurvivesTheSplitAndARealShell)
{
    const QString nasty = QStringLiteral("Bob's \"best\" $HOME `id` \\ back|pipe; Été");
    for (const QString &quoted : { CommandRunner::DoubleQuoted(nasty), CommandRunner::SingleQuoted(nasty) }) {
        EXPECT_EQ(CommandRunner::SplitCommandLine(u"x "_s + quoted), (QStringList { u"x"_s, nasty }));
        // The same word handed to sh inside a script comes out unchanged.
        Recorder recorder;
        const QString script = QStringLiteral("printf %s ") + quoted;
        EXPECT_EQ(recorder.run(u"sh -c "_s + CommandRunner::SingleQuoted(script)), 0);
        EXPECT_EQ(recorder.all(), nasty);
    }
}

TEST(RunAndCapture, DeliversOutputInPiecesOfAtMost1023Bytes)
{
    Recorder recorder;
    EXPECT_EQ(recorder.run(kHelper + u" bytes 3000"_s), 0);
    QList<qsizetype> sizes;
    for (const QString &chunk : recorder.chunks)
        sizes.append(chunk.size());
    EXPECT_EQ(sizes, (QList<qsizetype> { 1023, 1023, 954 }));
}

TEST(RunAndCapture, StandardErrorSharesThePipeInOrder)
{
    Recorder recorder;
    EXPECT_EQ(recorder.run(kHelper + u" interleave"_s), 0);
    EXPECT_EQ(recorder.all(), u"out1\nerr1\nout2\nerr2\nout3\nerr3\n"_s);
}

TEST(RunAndCapture, ASilentToolGivesItsExitCodeWithoutDelivery)
{
    Recorder recorder;
    EXPECT_EQ(recorder.run(kHelper + u" exit 7"_s), 7);
    EXPECT_TRUE(recorder.chunks.isEmpty());
}

TEST(RunAndCapture, AToolThatCannotStartGivesMinusTwo)
{
    QTemporaryDir dir;
    QFile notExecutable(dir.path() + u"/tool"_s);
    ASSERT_TRUE(notExecutable.open(QIODevice::WriteOnly));
    notExecutable.write("#!/bin/sh\necho hi\n");
    notExecutable.close();

    Recorder recorder;
    EXPECT_EQ(recorder.run(u"kelvara-no-such-tool --help"_s), CommandRunner::NotStarted);
    EXPECT_EQ(recorder.run(dir.path() + u"/missing"_s), CommandRunner::NotStarted);
    EXPECT_EQ(recorder.run(notExecutable.fileName()), CommandRunner::NotStarted);
    EXPECT_EQ(recorder.run(u"sh -c 'unbalanced"_s), CommandRunner::NotStarted);
    EXPECT_EQ(recorder.run(QString()), CommandRunner::NotStarted);
    EXPECT_TRUE(recorder.chunks.isEmpty());
}

TEST(RunAndCapture, ArgumentsArriveAsSplit)
{
    Recorder recorder;
    EXPECT_EQ(recorder.run(kHelper + u" args \"a b\" 'c\"d' e\\ f \"\""_s), 0);
    EXPECT_EQ(recorder.all(), u"[a b]\n[c\"d]\n[e f]\n[]\n"_s);
}

TEST(RunAndCapture, ALetterSplitBetweenReadsStaysWhole)
{
    Recorder recorder;
    EXPECT_EQ(recorder.run(kHelper + u" split-letter"_s), 0);
    EXPECT_EQ(recorder.all(), QString(1022, u'a') + u"éb"_s);
    for (const QString &chunk : recorder.chunks)
        EXPECT_FALSE(chunk.contains(QChar::ReplacementCharacter));
}

TEST(RunAndCapture, ReceiversAreFoundWhateverTheLetterCase)
{
    OutputSink sink;
    QString got;
    sink.addReceiver(u"chkBurnCdRecord"_s, [&got](const QString &text) { got += text; });
    EXPECT_EQ(RunAndCapture(kHelper + u" args one"_s, u"chkBurnCDRecord"_s, sink), 0);
    EXPECT_EQ(RunAndCapture(kHelper + u" args two"_s, u"chkBurnCdrecord"_s, sink), 0);
    EXPECT_EQ(got, u"[one]\n[two]\n"_s);
    EXPECT_THROW(RunAndCapture(kHelper + u" args x"_s, u"chkNothing"_s, sink), KelvaraError);
}

TEST(RunAndCapture, ACancelStopsTheWholeProcessGroup)
{
    OutputSink sink;
    sink.addReceiver(u"chkOutput"_s, [](const QString &) {});
    bool cancel = false;
    // Raised from the event loop, as the Cancel button would raise it.
    QTimer::singleShot(0, [&cancel] { cancel = true; });
    // The shell's child holds the pipe too: the run ends only when both are gone.
    const int code
        = CommandRunner::RunAndCapture(u"sh -c "_s + CommandRunner::SingleQuoted(kHelper + u" hang"_s),
            u"chkOutput"_s, sink, [&cancel] { return cancel; });
    EXPECT_EQ(code, 128 + SIGTERM);
}

TEST(RunHidden, WaitsForTheEndAndGivesTheExitCode)
{
    QTemporaryDir dir;
    const QString marker = dir.path() + u"/it ran"_s;
    EXPECT_EQ(RunHidden(u"sh -c "_s
                  + CommandRunner::SingleQuoted(u"echo done > "_s + CommandRunner::DoubleQuoted(marker))),
        0);
    EXPECT_TRUE(QFile::exists(marker));
    EXPECT_EQ(RunHidden(kHelper + u" exit 3"_s), 3);
    EXPECT_EQ(RunHidden(u"kelvara-no-such-tool"_s), CommandRunner::NotStarted);
}

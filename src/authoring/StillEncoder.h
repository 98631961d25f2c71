#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "authoring/ToolJob.h"

class Prompter;
class BuildCancel;
struct Settings;

// Turns one temporary JPEG of the walk (stem + ".jpx") into the MPEG still of
// the disc (stem + ".mpg"): jpeg2yuv piped into mpeg2enc, then mplex. Every
// step and all encoder output go to "Create.Log" in the log folder, one
// block from "-----" to "------" per still. A failure is told through the
// Prompter and raises the build's cancel flag, which stops the walk.
class StillEncoder
{
public:
    // Paths of the three tools; a tool found nowhere keeps its bare name so
    // the shell reports it in the log.
    struct Tools
    {
        QString jpeg2yuv;
        QString mpeg2enc;
        QString mplex;
        // Looked up in ProgramFolder::toolFolder(), then on PATH.
        static Tools find();
    };

    StillEncoder(const Settings &settings, Prompter &prompter, BuildCancel &cancel);

    // Encodes P + ".jpx" into P + ".mpg", with the elementary stream at Q
    // (the walk passes the same stem twice). Leaves the current folder at
    // the program folder.
    void encode(const QString &P, const QString &Q);

    // Receiver of the encoder's output: appends the text as one log line.
    void appendLogLine(const QString &text);

    // When set, raising the build's cancel flag stops a running encoder and removes its
    // half-written stream. Off by default: a running tool is left to finish.
    void setInterruptOnCancel(bool interrupt) { m_interruptOnCancel = interrupt; }

    // When cleared, the log lines of a still are only collected (see
    // logBlock) so that a caller running several encodings can write each
    // block whole. Set by default: every line goes to Create.Log at once.
    void setWriteLogImmediately(bool immediately) { m_writeImmediately = immediately; }

    // The log lines of the last creatempeg call, "-----" to "------".
    const QStringList &logBlock() const { return m_block; }
    // Appends a collected block to Create.Log.
    static void writeLogBlock(const QStringList &block);

    // How the steps of one still ended.
    enum class Steps {
        Made, // the ".mpg" is there
        Stopped, // interrupted (its output removed) or skipped (the stream stays)
        EncoderFailed, // no stream; the JPEG is kept for inspection
        MultiplexerFailed, // no ".mpg"
    };

    // What the steps of one still tell their caller and ask it.
    struct StepHooks
    {
        // Every log line of the steps, the tools' output included.
        std::function<void(const QString &line)> log;
        // Polled while a tool runs: true ends it, with its children.
        ToolJob::CancelCheck interrupt;
        // Asked between the steps: true skips the rest.
        std::function<bool()> skip;
    };

    // The steps of one still, from the "Command = " line on: jpeg2yuv piped
    // into mpeg2enc, scan information for SVCD, mplex. The one copy of the
    // pipeline, used by creatempeg and by every worker of the parallel
    // encoder: the tools run in workFolder, and nothing here touches the
    // process's current folder, the prompter or the build state, so it runs
    // on any thread. P and Q are absolute. An interrupted tool's output is
    // removed; a stream whose later steps were skipped is left to the caller.
    static Steps encodeSteps(const QString &P, const QString &Q, bool vcd, const Tools &tools,
        const QString &workFolder, const StepHooks &hooks);

    // The encoder pipeline for one still: one sh running jpeg2yuv into
    // mpeg2enc, with every word of the script quoted for the shell, so its
    // output arrives on one channel in the order it was written.
    static ToolJob encoderJob(const QString &P, const QString &Q, bool vcd, const Tools &tools);
    // The multiplexer, run without a shell; it writes to partOf the still.
    static ToolJob multiplexJob(const QString &P, const QString &Q, bool vcd, const Tools &tools);
    // Where the tools run: ProgramFolder::toolFolder() when it is a folder, else
    // the program folder.
    static QString toolFolder();
    // Where the multiplexer writes a still until it is whole.
    static QString partOf(const QString &still);
    // What a failed still tells the user: the message, then the still.
    static QString failureText(int textId, const QString &stem);
    // ".m1v" for VCD, ".m2v" for SVCD.
    static QString streamSuffix(bool vcd);

private:
    void log(const QString &line);
    void fail(int textId, const QString &stem);

    const Settings &m_settings;
    Prompter &m_prompter;
    BuildCancel &m_cancel;
    bool m_interruptOnCancel = false;
    bool m_writeImmediately = true;
    QStringList m_block;
};

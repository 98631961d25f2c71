#pragma once

#include <QString>
#include <QStringList>

class Prompter;
struct BuildState;
struct Settings;

// Turns one temporary JPEG of the walk (stem + ".jpx") into the MPEG still of
// the disc (stem + ".mpg"): jpeg2yuv piped into mpeg2enc, then mplex. Every
// step and all encoder output go to "Create.Log" in the program folder, one
// block from "-----" to "------" per still. A failure is told through the
// Prompter and raises CancelBuild, which stops the walk.
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
        // Looked up in ProgramFolder/3rdparty, then on PATH.
        static Tools find();
    };

    StillEncoder(const Settings &settings, Prompter &prompter, BuildState &state);

    // Encodes P + ".jpx" into P + ".mpg", with the elementary stream at Q
    // (the walk passes the same stem twice). Leaves the current folder at
    // the program folder.
    void creatempeg(const QString &P, const QString &Q);

    // Receiver of the encoder's output: appends the text as one log line.
    void chkCreateMpeg(const QString &text);

    // When set, raising CancelBuild stops a running encoder and removes its
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

    // The encoder pipeline for one still. Platform 1 gives the "sh -c" form
    // with each path quoted for the shell, any other the COMSPEC form.
    static QString EncoderCommand(
        const QString &P, const QString &Q, bool vcd, const Tools &tools, int platform);
    // The multiplexer line, paths in single quotes.
    static QString MultiplexCommand(const QString &P, const QString &Q, bool vcd, const Tools &tools);
    // ".m1v" for VCD, ".m2v" for SVCD.
    static QString StreamSuffix(bool vcd);

private:
    void log(const QString &line);
    void fail(int textId, const QString &logLine);

    const Settings &m_settings;
    Prompter &m_prompter;
    BuildState &m_state;
    bool m_interruptOnCancel = false;
    bool m_writeImmediately = true;
    QStringList m_block;
};

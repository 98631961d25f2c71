#pragma once

#include <QString>

#include "authoring/ToolJob.h"

class BuildCancel;
class BuildOutput;
class Prompter;
struct Settings;

// Runs vcdxbuild on build path + "/vcd.xml" to make "vcd.bin" and "vcd.cue"
// in the build folder, its output shown and logged through BuildOutput.
// vcdxbuild writes to temporary names that become vcd.bin and vcd.cue only
// after it succeeded, so an image under the final names is always whole.
class ImageBuilder
{
public:
    ImageBuilder(const Settings &settings, Prompter &prompter, BuildOutput &output);

    // The build's cancel flag; while vcdxbuild runs, a raised flag ends it.
    void setCancel(const BuildCancel *cancel) { m_cancel = cancel; }

    // True only when vcdxbuild ran to its end with exit code 0, said
    // "finished ok", and vcd.bin and vcd.cue exist. Otherwise removes
    // whatever part of the image was written, so nothing later takes it for
    // a good one, and tells "Creation of VCD image failed" unless the build
    // was cancelled.
    bool build();
    // The last build() ended because the cancel flag was raised.
    bool wasCancelled() const { return m_cancelled; }

    // The names vcdxbuild writes to before its image is known to be good.
    static QString temporaryBin() { return QStringLiteral("vcd.bin.part"); }
    static QString temporaryCue() { return QStringLiteral("vcd.cue.part"); }

    // The vcdxbuild exit code of the last Build_Image (128 + signal for a
    // tool ended by a signal, -2: not started).
    int lastExitCode() const { return m_lastExitCode; }

    // The vcdxbuild run for the build folder D, writing the temporary names. vcdxbuild 2.0.1 opens the file
    // names of vcd.xml (written as UTF-8) byte for byte only when told the
    // names are ISO-8859-1; with its default a folder named "Été" is not
    // found.
    static ToolJob buildJob(const QString &buildPath, const QString &vcdxbuild);

private:
    const Settings &m_settings;
    Prompter &m_prompter;
    BuildOutput &m_output;
    const BuildCancel *m_cancel = nullptr;
    int m_lastExitCode = 0;
    bool m_cancelled = false;
};

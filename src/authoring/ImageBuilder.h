#pragma once

#include <QString>

#include "authoring/ToolJob.h"

class BuildOutput;
class Prompter;
struct Settings;

// Runs vcdxbuild on build path + "/vcd.xml" to make "vcd.bin" and "vcd.cue"
// in the build folder, its output shown and logged through BuildOutput.
class ImageBuilder
{
public:
    ImageBuilder(const Settings &settings, Prompter &prompter, BuildOutput &output);

    // True only when vcdxbuild ran to its end with exit code 0, said
    // "finished ok", and vcd.bin and vcd.cue exist. Otherwise tells "Creation
    // of VCD image failed" and removes whatever part of the image was
    // written, so nothing later takes it for a good one.
    bool build();

    // The vcdxbuild exit code of the last Build_Image (128 + signal for a
    // tool ended by a signal, -2: not started).
    int lastExitCode() const { return m_lastExitCode; }

    // The vcdxbuild run for the build folder D. vcdxbuild 2.0.1 opens the file
    // names of vcd.xml (written as UTF-8) byte for byte only when told the
    // names are ISO-8859-1; with its default a folder named "Été" is not
    // found.
    static ToolJob buildJob(const QString &buildPath, const QString &vcdxbuild);

private:
    const Settings &m_settings;
    Prompter &m_prompter;
    BuildOutput &m_output;
    int m_lastExitCode = 0;
};

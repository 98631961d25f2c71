#pragma once

struct CommandOptions;
struct Settings;
class Prompter;

// `kelvara burn`: finds the writers as the burn window does and burns the
// current image of the build folder (or the one named) with BurnJob, the
// window's own core, so the commands and burn.log are the window's. Also what
// `kelvara build --burn` ends with. Returns the process exit code.
int runBurnCommand(const CommandOptions &options, Settings &settings, Prompter &prompter);

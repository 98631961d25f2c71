#pragma once

struct CommandOptions;
struct Settings;
class Prompter;

// `kelvara build`: runs headless over the stored settings with the command-line
// options already applied. Returns the process exit code.
int runBuildCommand(const CommandOptions &options, Settings &settings, Prompter &prompter);

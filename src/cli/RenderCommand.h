#pragma once

struct CommandOptions;
struct Settings;
class Prompter;

// `kelvara render`: runs headless over the stored settings with the command-line
// options already applied. Returns the process exit code.
int runRenderCommand(const CommandOptions &options, Settings &settings, Prompter &prompter);

#include "app/BuildCommand.h"

#include <cstdio>

// Temporary: replaced by the task that builds `kelvara build`.
int runBuildCommand(const CommandOptions &, Settings &, Prompter &)
{
    std::fputs("kelvara build: not built yet\n", stderr);
    return 2;
}

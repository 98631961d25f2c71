#include "app/RenderCommand.h"

#include <cstdio>

// Temporary: replaced by the task that builds `kelvara render`.
int runRenderCommand(const CommandOptions &, Settings &, Prompter &)
{
    std::fputs("kelvara render: not built yet\n", stderr);
    return 2;
}

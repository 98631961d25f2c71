#include "app/ScanCommand.h"

#include <cstdio>

// Temporary: replaced by the task that builds `kelvara scan`.
int runScanCommand(const CommandOptions &, Settings &, Prompter &)
{
    std::fputs("kelvara scan: not built yet\n", stderr);
    return 2;
}

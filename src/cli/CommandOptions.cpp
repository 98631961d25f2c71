#include "cli/CommandOptions.h"

#include "settings/Settings.h"

void CommandOptions::applyTo(Settings &settings) const
{
    if (source)
        settings.sourcedir = *source;
    if (dest)
        settings.destinationdir = *dest;
    if (title)
        settings.main_title = *title;
    if (ntsc)
        settings.ntsc = *ntsc;
    if (vcd)
        settings.vcd = *vcd;
    if (lowRes)
        settings.lowRes = *lowRes;
    if (timeout)
        settings.timeout = *timeout;
    if (fullRebuild)
        settings.FullRebuild = true;
    if (jobs)
        settings.Jobs = *jobs;
}

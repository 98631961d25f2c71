#include "cli/CommandOptions.h"

#include "settings/Settings.h"

void CommandOptions::applyTo(Settings &settings) const
{
    if (source)
        settings.sourceDir = *source;
    if (dest)
        settings.destinationDir = *dest;
    if (title)
        settings.mainTitle = *title;
    if (ntsc)
        settings.ntsc = *ntsc;
    if (vcd)
        settings.vcd = *vcd;
    if (lowRes)
        settings.lowRes = *lowRes;
    if (timeout)
        settings.timeout = *timeout;
    if (fullRebuild)
        settings.fullRebuild = true;
    if (jobs)
        settings.jobs = *jobs;
    if (toolTimeout)
        settings.toolTimeout = *toolTimeout;
}

#pragma once

// The build's cancel flag: raised by the user's cancel or a failed still, read
// by the walk and the encoders, which stop at their next check.
struct BuildState
{
    bool CancelBuild = false;
};

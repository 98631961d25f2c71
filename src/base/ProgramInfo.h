#pragma once

#include <QString>

// Who we are: product name, version and the address users report problems to.
class ProgramInfo
{
public:
    // "Kelvara": the window caption and the name on the splash and about windows.
    static QString productName();
    // major.minor.revision, from the build (KELVARA_VERSION).
    static QString version();
    // "Version" in the current interface language.
    static QString versionWord();
    // The main window's version label: "Version: 1.0.0".
    static QString versionCaption();
    // Where the fatal error box and the "Setup incomplete" box send people.
    static QString supportAddress();
};

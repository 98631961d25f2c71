#pragma once

#include <QString>

// The folder of the executable, where logs, the 3rdparty tools folder and the
// four short sequence files live. KELVARA_HOME overrides it (tests use this).
class ProgramFolder
{
public:
    // Without a trailing separator.
    static QString path();

    // Forgets the captured folder so that the next path() reads it again.
    static void reset();

    // Absolute path of an external tool: ProgramFolder/3rdparty/name first,
    // then the PATH. Empty when found in neither place.
    static QString findTool(const QString &name);

    // The folder in which the share data (sequence files, button art) are
    // looked up: the program folder, else the build tree's bin folder.
    static QString dataFile(const QString &fileName);
};

// Appends text as one CR LF line to ProgramFolder/fileName, opening and closing
// the file for this one line. An empty fileName writes nothing; a file that
// cannot be opened throws KelvaraError.
void appendLog(const QString &text, const QString &fileName);

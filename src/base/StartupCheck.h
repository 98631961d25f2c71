#pragma once

#include <QString>
#include <QStringList>

class Prompter;

// What the program does before any window: a fresh program log in the log
// folder, the program folder as current directory, and the check that the still encoder's tools
// can be found.
class StartupCheck
{
public:
    // The program log, deleted at every start.
    static QString programLogName() { return QStringLiteral("kelvara.log"); }

    // The encoder tools, in the order they are checked.
    static QStringList requiredTools();
    // Every tool a build calls: the encoder tools and vcdxbuild.
    static QStringList buildTools();

    // Deletes the program log in the log folder (a missing one is fine),
    // logs "apppath: ", "curdir0: ", makes ProgramFolder the current
    // directory, sets the start-up language and logs "curdir1: ". A log that
    // cannot be written is said once and the start goes on; throws
    // KelvaraError when the program folder cannot be entered.
    static void prepareProgramFolder();

    // The first required tool found neither in ProgramFolder::toolFolder() nor on
    // the PATH; empty when all are there.
    static QString firstMissingTool();
    // The first of tools found in neither place; empty when all are there.
    static QString firstMissingTool(const QStringList &tools);
    // The "Setup incomplete" text naming the missing tool and where it was
    // looked for.
    static QString missingToolText(const QString &tool);

    // The "Setup incomplete" box: title and text in the current language.
    static QString incompleteTitle();
    static QString incompleteText();

    // Shows the "Setup incomplete" box once, for the first missing tool only,
    // and returns false; true when every tool is there. Logs nothing.
    static bool checkTools(Prompter &prompter);

    // The language block in force until the settings are read.
    static constexpr int StartupLanguageOffset = 0;
};

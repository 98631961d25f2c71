#pragma once

#include <QString>
#include <QStringList>

// vcdxbuild 2.0.1 run with --gui prints each message as
// <log level="information">...</log> (levels debug, information, warning,
// error, assert) and never the "   INFO" lines the output window looks for.
// This turns its lines into the prefixed form the vcdimager tools print
// without --gui: "   INFO: ", "++ WARN: ", "**ERROR: ", "--DEBUG: ",
// "!ASSERT: ". Only information lines are shown without debug logging, so
// the "finished ok" line is one of them.
class VcdxbuildAdapter
{
public:
    // One output line of the tool; more than one line comes back when the
    // tool's standard error was written into the middle of a message line.
    // Text that is no log element passes unchanged.
    static QStringList adaptLine(const QString &line);

    // The prefix a log level gets ("information" -> "   INFO: ").
    static QString prefixFor(const QString &level);
};

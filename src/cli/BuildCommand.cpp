#include "cli/BuildCommand.h"

#include <csignal>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "authoring/BuildDriver.h"
#include "authoring/BuildOutput.h"
#include "authoring/ImageStamp.h"
#include "authoring/Workspace.h"
#include "base/Prompter.h"
#include "cli/BurnCommand.h"
#include "cli/CommandLine.h"
#include "cli/CommandOptions.h"
#include "cli/ConsoleLine.h"
#include "cli/StopSignals.h"
#include "project/SkippedFile.h"
#include "settings/Settings.h"

namespace {

int fail(const QString &reason)
{
    return ConsoleLine::fail("build", reason);
}

// Prints one line per skipped file on stderr; returns those that are
// pictures or movies by name but cannot be used.
QStringList reportSkipped(const std::vector<SkippedFile> &skipped, const QString &source)
{
    QStringList unusable;
    for (const SkippedFile &file : skipped) {
        const QString line = file.lineBelow(source);
        ConsoleLine::print(stderr, QLatin1String("kelvara build: skipped ") + ConsoleLine::escaped(line));
        if (file.reason == SkippedFile::Reason::Unreadable || file.reason == SkippedFile::Reason::Undecodable
            || file.reason == SkippedFile::Reason::WrongKind || file.reason == SkippedFile::Reason::BadName)
            unusable << line;
    }
    return unusable;
}

// A build ended by a signal: it was wound down as a cancel, and it leaves
// no image, not even one finished just before the signal came.
int stopped(int signalNumber, const BuildDriver *driver)
{
    if (driver)
        driver->removeImage();
    const char *name = signalNumber == SIGINT ? "SIGINT" : signalNumber == SIGTERM ? "SIGTERM" : "SIGHUP";
    ConsoleLine::print(stderr, QLatin1String("kelvara build: stopped by ") + QLatin1String(name));
    return StopSignals::exitCodeFor(signalNumber);
}

} // namespace

int runBuildCommand(const CommandOptions &options, Settings &settings, Prompter &prompter)
{
    options.applyTo(settings);

    // Caught from here on; the driver stops once it exists and runs.
    BuildDriver *running = nullptr;
    const StopSignals stopSignals([&running](int) {
        if (running)
            running->stop();
    });

    // A build folder named on the command line is made when missing, as
    // other tools do with their output folder.
    if (options.dest && !QFileInfo(*options.dest).exists()) {
        const QString conflict = BuildDriver::buildPathConflict(settings.sourceDir, *options.dest);
        if (!conflict.isEmpty())
            return fail(conflict);
        if (!QDir().mkpath(*options.dest))
            return fail(QLatin1String("cannot create the build folder ") + *options.dest);
    }

    Workspace ws(prompter);
    ws.settings = settings;
    if (!ws.scanner.scan())
        return fail(QLatin1String("the source folder could not be read: ") + ws.settings.sourceDir);
    // What the scan passed over is said, not dropped in silence; strict, a
    // picture or movie that cannot be read or decoded ends the build here.
    const QStringList unusable = reportSkipped(ws.tree.skippedFiles(), ws.settings.sourceDir);
    if (options.strict && !unusable.isEmpty())
        return fail(QLatin1String("left off the disc: ") + unusable.join(QLatin1String("; ")));
    if (StopSignals::caught())
        return stopped(StopSignals::caught(), nullptr);

    BuildOutput output;
    BuildDriver driver(ws.settings, ws.tree, ws.renderer, ws.canvas, ws.prompter(), output);
    GenerationWalk::Callbacks walk;
    walk.stateStarted = [&driver](const QString &state) {
        ConsoleLine::print(stderr,
            u'[' + QString::number(driver.walk().progressDone()) + u'/'
                + QString::number(driver.walk().progressTotal()) + QLatin1String("] ")
                + ConsoleLine::escaped(state));
    };
    driver.setWalkCallbacks(std::move(walk));
    driver.setStrict(options.strict);

    running = &driver;
    const BuildDriver::Outcome outcome = driver.build();
    running = nullptr;
    if (StopSignals::caught())
        return stopped(StopSignals::caught(), &driver);
    // The console prompter has printed the "Setup incomplete" line already,
    // as it does when the start-up check finds a tool missing.
    if (outcome == BuildDriver::Outcome::SetupIncomplete)
        return CommandLine::SetupIncompleteExitCode;
    const GenerationWalk &walked = driver.walk();
    if (walked.outputsMade() + walked.outputsReused() > 0)
        ConsoleLine::print(
            stderr, GenerationWalk::outputCountText(walked.outputsMade(), walked.outputsReused()));
    if (outcome != BuildDriver::Outcome::Succeeded)
        return fail(driver.lastProblem().isEmpty() ? QStringLiteral("the build did not finish")
                                                   : driver.lastProblem());
    // Only an image made from this album and these settings is named.
    if (ImageStamp::stateOf(ws.settings, ws.tree) != ImageStamp::State::Current)
        return fail(QLatin1String("no current image in ") + ws.settings.destinationDir
            + QLatin1String(" after the build (the album changed while it ran?)"));

    ConsoleLine::printPath(QDir::toNativeSeparators(driver.cuePath()), options.print0);
    ConsoleLine::printPath(QDir::toNativeSeparators(driver.imagePath()), options.print0);
    if (!options.burn)
        return 0;
    // The image is this build's and current: burn exactly it.
    CommandOptions burn = options;
    burn.command = QStringLiteral("burn");
    burn.image = driver.cuePath();
    return runBurnCommand(burn, ws.settings, prompter);
}

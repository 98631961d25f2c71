#include "cli/BurnCommand.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>

#include "authoring/ImageStamp.h"
#include "authoring/Workspace.h"
#include "burn/BurnJob.h"
#include "burn/BurnLog.h"
#include "burn/ScanbusParser.h"
#include "cli/CommandLine.h"
#include "cli/CommandOptions.h"
#include "cli/ConsoleLine.h"
#include "settings/Settings.h"

namespace {

int fail(const QString &reason, int code = 1)
{
    ConsoleLine::fail("burn", reason);
    return code;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The cue sheet to burn, or why there is none: the image of the build
// folder is taken only when it was made from the album and settings as they
// are now, as the burn window offers it.
QString currentImage(const Settings &settings, Prompter &prompter, QString &refusal)
{
    Workspace ws(prompter);
    ws.settings = settings;
    if (!ws.scanner.scan()) {
        refusal = QLatin1String("the source folder could not be read: ") + native(settings.sourceDir);
        return {};
    }
    const QString folder = native(ws.settings.destinationDir);
    switch (ImageStamp::stateOf(ws.settings, ws.tree)) {
    case ImageStamp::State::Current:
        return QDir(ws.settings.destinationDir).filePath(QStringLiteral("vcd.cue"));
    case ImageStamp::State::Stale:
        refusal = QLatin1String("the image in ") + folder
            + QLatin1String(" is older than the album or its settings; make it again with kelvara build "
                            "(kelvara build --burn builds and burns)");
        return {};
    case ImageStamp::State::Missing:
        break;
    }
    refusal = QLatin1String("no image in ") + folder
        + QLatin1String("; make one with kelvara build (kelvara build --burn builds and burns)");
    return {};
}

// The writer-list entry for --device, else the first writer found, as the
// window preselects it; empty when there is none.
QString chooseWriter(const QStringList &writers, const CommandOptions &options)
{
    if (!options.device)
        return writers.value(0);
    for (const QString &writer : writers) {
        if (ScanbusParser::deviceId(writer) == *options.device)
            return writer;
    }
    return {};
}

} // namespace

int runBurnCommand(const CommandOptions &options, Settings &settings, Prompter &prompter)
{
    options.applyTo(settings);

    QString cue = options.image;
    if (!options.list) {
        if (cue.isEmpty()) {
            QString refusal;
            cue = currentImage(settings, prompter, refusal);
            if (cue.isEmpty())
                return fail(refusal);
        } else if (!QFileInfo(cue).isFile()) {
            return fail(QLatin1String("no such image: ") + native(cue));
        }
    }

    BurnJob job(prompter);
    const BurnJob::Discovery found = job.discover();
    // The prompter has said which tool is missing and where to get it.
    if (found.toolMissing)
        return CommandLine::SetupIncompleteExitCode;
    if (options.list) {
        for (const QString &writer : found.writers)
            ConsoleLine::print(stdout, writer);
        if (found.writers.isEmpty())
            return fail(QStringLiteral("no CD writer found"), CommandLine::NoWriterExitCode);
        return 0;
    }

    BurnRequest request;
    request.mode = options.cdrdao.value_or(false) ? BurnMode::Normal : BurnMode::CdRecord;
    request.blank = options.blankAll.has_value();
    request.blankAll = options.blankAll.value_or(false);
    request.speed = options.speed.value_or(request.speed);
    request.writer = chooseWriter(found.writers, options);
    request.cuePath = cue;
    if (request.writer.isEmpty()) {
        if (options.device)
            return fail(QLatin1String("no CD writer at ") + *options.device
                    + QLatin1String(" (kelvara burn --list shows those found)"),
                CommandLine::NoWriterExitCode);
        return fail(QStringLiteral("no CD writer found"), CommandLine::NoWriterExitCode);
    }

    if (options.dryRun) {
        for (const ToolJob &command : BurnJob::burnCommands(request))
            ConsoleLine::print(stdout, command.commandLine());
        return 0;
    }

    // What the window's status line and progress bar show, line by line.
    QString lastStatus;
    QObject::connect(&job, &BurnJob::statusChanged, [&lastStatus](const QString &text) {
        if (text.isEmpty() || text == lastStatus)
            return;
        lastStatus = text;
        ConsoleLine::print(stderr, text);
    });
    int lastPercent = -1;
    QObject::connect(&job, &BurnJob::progressChanged, [&lastPercent](int percent) {
        if (percent == lastPercent)
            return;
        lastPercent = percent;
        ConsoleLine::print(stderr, QString::number(percent) + u'%');
    });

    const BurnJob::Outcome outcome = job.burn(request);
    if (outcome == BurnJob::Outcome::ToolMissing)
        return CommandLine::SetupIncompleteExitCode;
    if (outcome == BurnJob::Outcome::Written && job.lastBurnSucceeded()) {
        ConsoleLine::print(stdout, native(cue));
        return 0;
    }
    const QString said
        = job.lastStatus().isEmpty() ? QStringLiteral("the burn did not succeed") : job.lastStatus();
    return fail(said + QLatin1String(" (see ") + native(BurnLog::path()) + u')');
}

#include "cli/CommandLine.h"

#include <QDir>
#include <QFileInfo>

#include <climits>
#include <optional>

#include "base/Guard.h"
#include "base/KelvaraError.h"
#include "base/Prompter.h"
#include "base/StartupCheck.h"
#include "cli/BuildCommand.h"
#include "cli/BurnCommand.h"
#include "cli/RenderCommand.h"
#include "cli/ScanCommand.h"
#include "settings/FileRegistryStore.h"
#include "settings/Settings.h"
#include "settings/SettingsController.h"

namespace {

enum class OptionKind { Flag, Value };

struct OptionSpec
{
    const char *name;
    OptionKind kind;
    bool renderOnly;
    bool buildOnly = false;
};

// Every command takes the options that override a stored setting; --node,
// --entry and --out only mean something to render, --tool-timeout and
// --print0 only to build.
constexpr OptionSpec kOptions[] = {
    { "--source", OptionKind::Value, false },
    { "--dest", OptionKind::Value, false },
    { "--title", OptionKind::Value, false },
    { "--tv", OptionKind::Value, false },
    { "--type", OptionKind::Value, false },
    { "--resolution", OptionKind::Value, false },
    { "--timeout", OptionKind::Value, false },
    { "--full-rebuild", OptionKind::Flag, false },
    { "--yes", OptionKind::Flag, false },
    { "--strict", OptionKind::Flag, false },
    { "--jobs", OptionKind::Value, false },
    { "--node", OptionKind::Value, true },
    { "--entry", OptionKind::Value, true },
    { "--out", OptionKind::Value, true },
    { "--burn", OptionKind::Flag, false },
    { "--list", OptionKind::Flag, false },
    { "--dry-run", OptionKind::Flag, false },
    { "--device", OptionKind::Value, false },
    { "--speed", OptionKind::Value, false },
    { "--blank", OptionKind::Value, false },
    { "--writer", OptionKind::Value, false },
    { "--tool-timeout", OptionKind::Value, false, true },
    { "--print0", OptionKind::Flag, false, true },
};

// The options that choose how to burn: burn takes them, and so does build
// to pass them on with --burn. --list only lists; --burn only chains.
bool isBurnOption(const QString &name)
{
    return name == u"--list" || name == u"--dry-run" || name == u"--device" || name == u"--speed"
        || name == u"--blank" || name == u"--writer";
}

// Why name cannot go with command; empty when it can.
QString burnOptionMisuse(const QString &name, const QString &command)
{
    if (name == u"--burn" && command != u"build")
        return QLatin1String("--burn is an option of build, not of ") + command;
    if (!isBurnOption(name) || command == u"burn")
        return {};
    if (command == u"build" && name != u"--list")
        return {};
    return name + QLatin1String(" is an option of burn, not of ") + command;
}

const OptionSpec *findOption(const QString &name)
{
    for (const OptionSpec &spec : kOptions) {
        if (name == QLatin1String(spec.name))
            return &spec;
    }
    return nullptr;
}

CommandLine::Parsed failure(const QString &message)
{
    CommandLine::Parsed parsed;
    parsed.action = CommandLine::Action::Error;
    parsed.error = QLatin1String("kelvara: ") + message + QLatin1String(" (see kelvara --help)");
    return parsed;
}

// A whole number from min to max, written in plain decimal digits; a number
// too long for an int is out of range as well.
std::optional<int> wholeNumber(const QString &text, int min, int max = INT_MAX)
{
    if (text.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

QString notInRange(const QString &name, const QString &range, const QString &value)
{
    return name + QLatin1String(" must be ") + range + QLatin1String(", not '") + value + u'\'';
}

QString absolutePath(const QString &workingDir, const QString &path)
{
    return QDir::cleanPath(QDir(workingDir).absoluteFilePath(path));
}

// The options that take one of two words, in any letter case, and the
// setting each word gives.
struct WordChoice
{
    const char *name;
    const char *first;
    const char *second;
    std::optional<bool> CommandOptions::*setting;
    bool firstSets; // the value the first word gives the setting
};

constexpr WordChoice kWordChoices[] = {
    { "--tv", "pal", "ntsc", &CommandOptions::ntsc, false },
    { "--type", "vcd", "svcd", &CommandOptions::vcd, true },
    { "--resolution", "high", "low", &CommandOptions::lowRes, false },
    { "--blank", "fast", "all", &CommandOptions::blankAll, false },
    { "--writer", "cdrdao", "cdrecord", &CommandOptions::cdrdao, true },
};

// Applies a word choice when name is one; nullopt when it is not, else an
// error message or empty.
std::optional<QString> applyWordChoice(CommandOptions &o, const QString &name, const QString &value)
{
    for (const WordChoice &choice : kWordChoices) {
        if (name != QLatin1String(choice.name))
            continue;
        const QString word = value.toLower();
        if (word == QLatin1String(choice.first))
            o.*choice.setting = choice.firstSets;
        else if (word == QLatin1String(choice.second))
            o.*choice.setting = !choice.firstSets;
        else
            return name + QLatin1String(" must be ") + QLatin1String(choice.first) + QLatin1String(" or ")
                + QLatin1String(choice.second) + QLatin1String(", not '") + value + u'\'';
        return QString();
    }
    return std::nullopt;
}

// Applies one option with its value; returns an error message or empty.
QString applyOption(CommandOptions &o, const QString &name, const QString &value, const QString &workingDir)
{
    if (const std::optional<QString> chosen = applyWordChoice(o, name, value))
        return *chosen;
    if (name == u"--source" || name == u"--dest" || name == u"--out") {
        if (value.isEmpty())
            return name + QLatin1String(" needs a path");
        const QString path = absolutePath(workingDir, value);
        if (name == u"--source")
            o.source = path;
        else if (name == u"--dest")
            o.dest = path;
        else {
            const QString lower = value.toLower();
            if (!lower.endsWith(u".jpg") && !lower.endsWith(u".jpeg"))
                return QLatin1String("--out must name a .jpg file, not '") + value + u'\'';
            o.out = path;
        }
    } else if (name == u"--title") {
        o.title = value;
    } else if (name == u"--timeout") {
        const int max = SettingsController::MaxTimeoutSeconds;
        const auto seconds = wholeNumber(value, 0, max);
        if (!seconds)
            return notInRange(name,
                QLatin1String("a whole number of seconds from 0 (waits for ever) to ") + QString::number(max),
                value);
        o.timeout = QString::number(*seconds);
    } else if (name == u"--jobs") {
        const int max = SettingsController::maxJobs();
        const auto jobs = wholeNumber(value, 0, max);
        if (!jobs)
            return notInRange(name,
                QLatin1String("a whole number from 0 (one per core) to ") + QString::number(max)
                    + QLatin1String(" (") + QString::number(SettingsController::MaxJobsPerCore)
                    + QLatin1String(" per core)"),
                value);
        o.jobs = *jobs;
    } else if (name == u"--tool-timeout") {
        const int max = SettingsController::MaxToolTimeoutSeconds;
        const auto seconds = wholeNumber(value, 0, max);
        if (!seconds)
            return notInRange(name,
                QLatin1String("a whole number of seconds from 0 (no limit) to ") + QString::number(max),
                value);
        o.toolTimeout = *seconds;
    } else if (name == u"--node") {
        const auto node = wholeNumber(value, 1);
        if (!node)
            return QLatin1String("--node must be a node index from 1 up, not '") + value + u'\'';
        o.node = *node;
    } else if (name == u"--device") {
        if (value.isEmpty())
            return QStringLiteral("--device needs a device ID (kelvara burn --list shows them)");
        o.device = value;
    } else if (name == u"--speed") {
        const auto speed = wholeNumber(value, 1);
        if (!speed)
            return QLatin1String("--speed must be a whole number from 1 up, not '") + value + u'\'';
        o.speed = *speed;
    } else if (name == u"--entry") {
        const auto entry = wholeNumber(value, 1);
        if (!entry)
            return QLatin1String("--entry must be a whole number from 1 up, not '") + value + u'\'';
        o.entry = *entry;
    }
    return {};
}

} // namespace

CommandLine::Parsed CommandLine::parse(const QStringList &arguments, const QString &workingDir)
{
    Parsed parsed;
    if (arguments.isEmpty())
        return parsed;

    const auto isHelp = [](const QString &argument) { return argument == u"--help" || argument == u"-h"; };
    if (isHelp(arguments.first()) || arguments.first() == u"help") {
        parsed.action = Action::Help;
        return parsed;
    }
    if (arguments.first() == u"--version") {
        parsed.action = arguments.size() == 1 ? Action::Version : Action::Error;
        if (parsed.action == Action::Error)
            return failure(QStringLiteral("--version takes no further arguments"));
        return parsed;
    }

    const QString command = arguments.first();
    if (command != u"build" && command != u"scan" && command != u"render" && command != u"burn") {
        // One folder and nothing else: "Open with" hands the album over.
        const QString folder = absolutePath(workingDir, command);
        if (arguments.size() == 1 && !command.startsWith(u'-') && QFileInfo(folder).isDir()) {
            parsed.options.source = folder;
            return parsed;
        }
        if (command.startsWith(u'-'))
            return failure(
                QLatin1String("a command (build, scan, render or burn) must come before ") + command);
        return failure(QLatin1String("unknown command '") + command + QLatin1String("'"));
    }
    parsed.options.command = command;

    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (isHelp(argument)) {
            parsed.action = Action::Help;
            return parsed;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            // burn names its image as its one plain argument.
            if (command != u"burn" || !parsed.options.image.isEmpty())
                return failure(QLatin1String("unexpected argument '") + argument + u'\'');
            if (!argument.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive))
                return failure(
                    QLatin1String("burn takes the image's cue sheet (IMAGE.cue), not '") + argument + u'\'');
            parsed.options.image = absolutePath(workingDir, argument);
            continue;
        }

        QString name = argument;
        std::optional<QString> value;
        const int equals = argument.indexOf(u'=');
        if (equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }

        const OptionSpec *spec = findOption(name);
        if (!spec)
            return failure(QLatin1String("unknown option ") + name);
        if (spec->renderOnly && command != u"render")
            return failure(name + QLatin1String(" is an option of render, not of ") + command);
        const QString misuse = burnOptionMisuse(name, command);
        if (!misuse.isEmpty())
            return failure(misuse);
        if (spec->buildOnly && command != u"build")
            return failure(name + QLatin1String(" is an option of build, not of ") + command);

        if (spec->kind == OptionKind::Flag) {
            if (value)
                return failure(name + QLatin1String(" takes no value"));
            if (name == u"--yes")
                parsed.options.yes = true;
            else if (name == u"--strict")
                parsed.options.strict = true;
            else if (name == u"--burn")
                parsed.options.burn = true;
            else if (name == u"--list")
                parsed.options.list = true;
            else if (name == u"--dry-run")
                parsed.options.dryRun = true;
            else if (name == u"--print0")
                parsed.options.print0 = true;
            else
                parsed.options.fullRebuild = true;
            continue;
        }

        if (!value) {
            // A following option is not taken as a value: "--title --yes"
            // means the title was forgotten (write --title=--yes to mean it).
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--")))
                return failure(name + QLatin1String(" needs a value"));
            value = arguments.at(++i);
        }
        const QString error = applyOption(parsed.options, name, *value, workingDir);
        if (!error.isEmpty())
            return failure(error);
    }

    const CommandOptions &o = parsed.options;
    if (o.vcd.value_or(false) && o.lowRes.value_or(false))
        return failure(QStringLiteral("--resolution low is not possible with --type vcd"));
    const bool burnChoices = o.dryRun || o.device || o.speed || o.blankAll || o.cdrdao;
    if (command == u"build" && burnChoices && !o.burn)
        return failure(QStringLiteral("the burn options of build need --burn"));
    if (command == u"render") {
        if (!o.node)
            return failure(QStringLiteral("render needs --node INDEX"));
        if (o.out.isEmpty())
            return failure(QStringLiteral("render needs --out FILE.jpg"));
    }
    parsed.action = Action::Run;
    return parsed;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage:\n"
        "  kelvara [ALBUM]         open the main window (with the folder ALBUM as the album)\n"
        "  kelvara build  [--source DIR] [--dest DIR] [--title TEXT] [--tv pal|ntsc]\n"
        "                 [--type vcd|svcd] [--resolution high|low] [--timeout SECONDS]\n"
        "                 [--full-rebuild] [--yes] [--jobs N] [--strict]\n"
        "                 [--tool-timeout SECONDS] [--print0] [--burn [BURN OPTIONS]]\n"
        "                 build vcd.bin and vcd.cue from the source folder into the build folder;\n"
        "                 a picture or movie that cannot be decoded is left off with a warning,\n"
        "                 or fails the build with --strict; a tool that shows no sign of life\n"
        "                 for SECONDS (default 300, 0 = no limit) is ended and fails the build;\n"
        "                 --print0 ends each path printed with NUL instead of a newline;\n"
        "                 --burn burns the image when made\n"
        "  kelvara scan   [--source DIR]\n"
        "                 print the tree, the counters, the estimated disc size and the\n"
        "                 files left out with the reason\n"
        "  kelvara render [--source DIR] --node INDEX [--entry N] --out FILE.jpg\n"
        "                 render one menu page (entry N highlighted) or still as a JPEG\n"
        "  kelvara burn   [--list] [--device ID] [--speed N] [--blank fast|all]\n"
        "                 [--writer cdrdao|cdrecord] [--dry-run] [IMAGE.cue]\n"
        "                 burn the current image of the build folder (or IMAGE.cue) to a CD-R;\n"
        "                 --list prints the writers found, --dry-run the commands a burn runs\n"
        "  kelvara --help | --version\n"
        "\n"
        "Every command reads the stored settings and takes the options of build to\n"
        "override them for this run only; nothing is saved. Questions get their\n"
        "default answer (No for limit warnings) unless --yes is given. Names on the\n"
        "output have control characters and backslashes escaped (\\n, \\t, \\x1b, \\\\).\n"
        "SIGINT, SIGTERM and SIGHUP stop a build as a cancel does and exit with\n"
        "130, 143 and 129.\n"
        "Exit codes: 0 done, 1 failed or refused, 2 command-line error, 3 setup\n"
        "incomplete (a tool is missing), 4 no CD writer found, 70 unexpected error.\n"
        "See kelvara(1).\n");
}

int CommandLine::execute(const CommandOptions &options, Prompter &prompter)
{
    int code = 1;
    const bool finished = Guard::run(QStringLiteral("Sub Main"), [&] {
        StartupCheck::prepareProgramFolder();

        // A burn needs the writer tools, which it looks for itself; the
        // encoders are not its business.
        const QString missing = options.command == u"burn" ? QString() : StartupCheck::firstMissingTool();
        if (!missing.isEmpty()) {
            prompter.error(StartupCheck::incompleteTitle(), StartupCheck::missingToolText(missing));
            code = SetupIncompleteExitCode;
            return;
        }

        Settings settings;
        SettingsController controller(settings, prompter);
        controller.readSettings();
        for (const FileRegistryStore::Notice &notice : FileRegistryStore::takeNotices())
            prompter.warn(FileRegistryStore::Notice::title(), notice.text());
        options.applyTo(settings);
        if (settings.vcd && settings.lowRes) {
            prompter.error(QStringLiteral("kelvara"),
                QStringLiteral("low resolution VCD is not possible: pass --resolution high or "
                               "--type svcd"));
            code = UsageExitCode;
            return;
        }
        // The options may change the disc format: derive the frame again.
        controller.setSizes();

        if (options.command == u"scan")
            code = runScanCommand(options, settings, prompter);
        else if (options.command == u"render")
            code = runRenderCommand(options, settings, prompter);
        else if (options.command == u"build")
            code = runBuildCommand(options, settings, prompter);
        else if (options.command == u"burn")
            code = runBurnCommand(options, settings, prompter);
        else
            throw KelvaraError(
                5, QLatin1String("Invalid procedure call: unknown command ") + options.command);
    });
    return finished ? code : Guard::FatalExitCode;
}

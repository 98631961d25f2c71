#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <QDir>

#include "settings/Settings.h"
#include "settings/SettingsController.h"

namespace {
const QString kWorkDir = QStringLiteral("/home/someone/photos");

CommandLine::Parsed parse(const QStringList &arguments)
{
    return CommandLine::parse(arguments, kWorkDir);
}

QStringList args(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *a : list)
        out << QString::fromUtf8(a);
    return out;
}

void expectError(const QStringList &arguments, const char *fragment)
{
    const CommandLine::Parsed parsed = parse(arguments);
    EXPECT_EQ(parsed.action, CommandLine::Action::Error) << arguments.join(u' ').toStdString();
    EXPECT_TRUE(parsed.error.contains(QLatin1String(fragment)))
        << parsed.error.toStdString() << " lacks " << fragment;
    EXPECT_FALSE(parsed.error.contains(u'\n')) << "one line: " << parsed.error.toStdString();
}
} // namespace

TEST(CommandLineParse, NoArgumentsOpensTheWindow)
{
    EXPECT_EQ(parse({}).action, CommandLine::Action::Window);
}

TEST(CommandLineParse, OneFolderOpensTheWindowOnThatAlbum)
{
    const QString folder = QDir::tempPath();
    const CommandLine::Parsed parsed = parse({ folder });
    EXPECT_EQ(parsed.action, CommandLine::Action::Window);
    EXPECT_EQ(parsed.options.source.value_or(QString()), QDir::cleanPath(folder));
    // Not a folder, or more than one argument: no album, an error.
    expectError({ folder + QLatin1String("/no-such-album") }, "unknown command");
    expectError({ folder, folder }, "unknown command");
}

TEST(CommandLineParse, HelpAndVersion)
{
    EXPECT_EQ(parse(args({ "--help" })).action, CommandLine::Action::Help);
    EXPECT_EQ(parse(args({ "build", "--tv", "pal", "--help" })).action, CommandLine::Action::Help);
    EXPECT_EQ(parse(args({ "--version" })).action, CommandLine::Action::Version);
    EXPECT_TRUE(CommandLine::usage().contains(QLatin1String("kelvara render [--source DIR] --node INDEX")));
}

TEST(CommandLineParse, EveryBuildOption)
{
    const CommandLine::Parsed parsed = parse(args({ "build", "--source", "album", "--dest", "/tmp/out",
        "--title", "Summer 2003", "--tv", "NTSC", "--type", "vcd", "--resolution", "high", "--timeout", "15",
        "--full-rebuild", "--yes", "--jobs", "2" }));
    ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.toStdString();
    const CommandOptions &o = parsed.options;
    EXPECT_EQ(o.command, QLatin1String("build"));
    EXPECT_EQ(o.source.value_or(QString()), QLatin1String("/home/someone/photos/album"));
    EXPECT_EQ(o.dest.value_or(QString()), QLatin1String("/tmp/out"));
    EXPECT_EQ(o.title.value_or(QString()), QLatin1String("Summer 2003"));
    EXPECT_EQ(o.ntsc, std::optional<bool>(true));
    EXPECT_EQ(o.vcd, std::optional<bool>(true));
    EXPECT_EQ(o.lowRes, std::optional<bool>(false));
    EXPECT_EQ(o.timeout.value_or(QString()), QLatin1String("15"));
    EXPECT_TRUE(o.fullRebuild);
    EXPECT_TRUE(o.yes);
    EXPECT_EQ(o.jobs, std::optional<int>(2));
}

TEST(CommandLineParse, OptionsLeftOutKeepTheStoredSettings)
{
    const CommandLine::Parsed parsed = parse(args({ "scan", "--type=svcd", "--resolution=low" }));
    ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.toStdString();

    Settings settings;
    settings.sourceDir = QStringLiteral("/stored/source");
    settings.mainTitle = QStringLiteral("Stored title");
    settings.ntsc = true;
    settings.vcd = true;
    parsed.options.applyTo(settings);
    EXPECT_EQ(settings.sourceDir, QLatin1String("/stored/source"));
    EXPECT_EQ(settings.mainTitle, QLatin1String("Stored title"));
    EXPECT_TRUE(settings.ntsc);
    EXPECT_FALSE(settings.vcd);
    EXPECT_TRUE(settings.lowRes);
    EXPECT_FALSE(settings.fullRebuild);
}

TEST(CommandLineParse, RenderOptions)
{
    const CommandLine::Parsed parsed
        = parse(args({ "render", "--node", "3", "--entry", "2", "--out", "../page.JPG" }));
    ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.toStdString();
    EXPECT_EQ(parsed.options.node, std::optional<int>(3));
    EXPECT_EQ(parsed.options.entry, 2);
    EXPECT_EQ(parsed.options.out, QLatin1String("/home/someone/page.JPG"));
    EXPECT_EQ(parse(args({ "render", "--node", "1", "--out", "a.jpeg" })).options.entry, 1);
}

TEST(CommandLineParse, RenderNeedsNodeAndOut)
{
    expectError(args({ "render", "--out", "a.jpg" }), "--node");
    expectError(args({ "render", "--node", "2" }), "--out");
    expectError(args({ "render", "--node", "2", "--out", "page.png" }), ".jpg");
    expectError(args({ "scan", "--node", "2" }), "option of render");
}

TEST(CommandLineParse, BadValues)
{
    expectError(args({ "build", "--tv", "secam" }), "--tv must be pal or ntsc");
    expectError(args({ "build", "--type", "dvd" }), "--type must be vcd or svcd");
    expectError(args({ "build", "--resolution", "medium" }), "--resolution must be high or low");
    expectError(args({ "build", "--timeout", "-1" }), "--timeout");
    expectError(args({ "build", "--timeout", "6s" }), "--timeout");
    expectError(args({ "build", "--timeout", "99999999999" }), "--timeout");
    expectError(args({ "build", "--timeout", "3601" }), "from 0 (waits for ever) to 3600");
    expectError(args({ "build", "--jobs", "two" }), "--jobs");
    expectError(args({ "build", "--tool-timeout", "86401" }), "--tool-timeout must be");
    expectError(args({ "scan", "--print0" }), "option of build");
    expectError(args({ "render", "--node", "0", "--out", "a.jpg" }), "--node");
    expectError(args({ "render", "--node", "1", "--entry", "0", "--out", "a.jpg" }), "--entry");
    expectError(args({ "build", "--source", "" }), "--source needs a path");
    expectError(args({ "build", "--type", "vcd", "--resolution", "low" }), "not possible");
}

// Counts beyond what the machine can use are refused with the range, at the
// edge between refused and taken; 0 jobs means one per core.
TEST(CommandLineParse, JobsAndToolTimeoutAreBounded)
{
    const int max = SettingsController::maxJobs();
    const QString range = QLatin1String("from 0 (one per core) to ") + QString::number(max);
    for (const QString &jobs : { QString::number(max + 1), QStringLiteral("1000000") }) {
        const CommandLine::Parsed parsed = parse({ QStringLiteral("build"), QStringLiteral("--jobs"), jobs });
        EXPECT_EQ(parsed.action, CommandLine::Action::Error);
        EXPECT_TRUE(parsed.error.contains(range)) << parsed.error.toStdString();
    }
    for (const int jobs : { 0, max }) {
        const CommandLine::Parsed parsed
            = parse({ QStringLiteral("build"), QStringLiteral("--jobs"), QString::number(jobs) });
        ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.toStdString();
        EXPECT_EQ(parsed.options.jobs, std::optional<int>(jobs));
    }
    const CommandLine::Parsed parsed = parse(args({ "build", "--tool-timeout", "0", "--print0" }));
    ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.toStdString();
    EXPECT_TRUE(parsed.options.print0);
    Settings settings;
    parsed.options.applyTo(settings);
    EXPECT_EQ(settings.toolTimeout, 0);
}

TEST(CommandLineParse, MissingValues)
{
    expectError(args({ "build", "--source" }), "--source needs a value");
    expectError(args({ "build", "--title", "--yes" }), "--title needs a value");
    expectError(args({ "build", "--yes=1" }), "--yes takes no value");
    // The = form lets a value start with dashes.
    const CommandLine::Parsed parsed = parse(args({ "build", "--title=--yes" }));
    ASSERT_EQ(parsed.action, CommandLine::Action::Run);
    EXPECT_EQ(parsed.options.title.value_or(QString()), QLatin1String("--yes"));
    EXPECT_FALSE(parsed.options.yes);
}

TEST(CommandLineParse, UnknownCommandsOptionsAndArguments)
{
    expectError(args({ "erase" }), "unknown command 'erase'");
    expectError(args({ "--source", "x" }), "must come before --source");
    expectError(args({ "build", "--colour", "red" }), "unknown option --colour");
    expectError(args({ "build", "-y" }), "unexpected argument '-y'");
    expectError(args({ "scan", "album" }), "unexpected argument 'album'");
}

TEST(CommandLineParse, BurnOptionsAndImage)
{
    const CommandLine::Parsed parsed = parse(args({ "burn", "--device", "1,0,0", "--speed", "8", "--blank",
        "all", "--writer", "cdrdao", "--dry-run", "out/vcd.cue" }));
    ASSERT_EQ(parsed.action, CommandLine::Action::Run) << parsed.error.toStdString();
    const CommandOptions &o = parsed.options;
    EXPECT_EQ(o.device.value_or(QString()), QLatin1String("1,0,0"));
    EXPECT_EQ(o.speed, std::optional<int>(8));
    EXPECT_EQ(o.blankAll, std::optional<bool>(true));
    EXPECT_EQ(o.cdrdao, std::optional<bool>(true));
    EXPECT_TRUE(o.dryRun);
    EXPECT_EQ(o.image, QLatin1String("/home/someone/photos/out/vcd.cue"));

    const CommandLine::Parsed chained = parse(args({ "build", "--burn", "--blank", "fast" }));
    ASSERT_EQ(chained.action, CommandLine::Action::Run) << chained.error.toStdString();
    EXPECT_TRUE(chained.options.burn);
    EXPECT_EQ(chained.options.blankAll, std::optional<bool>(false));

    expectError(args({ "burn", "vcd.bin" }), "cue sheet");
    expectError(args({ "burn", "a.cue", "b.cue" }), "unexpected argument 'b.cue'");
    expectError(args({ "burn", "--blank", "half" }), "--blank must be fast or all");
    expectError(args({ "burn", "--writer", "growisofs" }), "--writer must be cdrdao or cdrecord");
    expectError(args({ "burn", "--speed", "0" }), "--speed must be a whole number");
    expectError(args({ "build", "--dry-run" }), "need --burn");
    expectError(args({ "build", "--burn", "--list" }), "--list is an option of burn");
    expectError(args({ "scan", "--burn" }), "--burn is an option of build");
    expectError(args({ "render", "--device", "1,0,0" }), "--device is an option of burn");
}

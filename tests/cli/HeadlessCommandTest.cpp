#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "base/Guard.h"
#include "base/StartupCheck.h"
#include "cli/CommandLine.h"

using namespace AppTestSupport;

namespace {
struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the built executable with a program folder, registry folder and PATH
// of the test's choosing.
Outcome runKelvara(const QStringList &arguments, const QString &home, const QString &path)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KELVARA_HOME"), home);
    env.insert(QStringLiteral("KELVARA_REGISTRY_DIR"), home + QLatin1String("/registry"));
    env.insert(QStringLiteral("PATH"), path);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(qEnvironmentVariable("KELVARA_BIN_DIR") + QLatin1String("/kelvara"), arguments);
    Outcome outcome;
    if (!process.waitForStarted() || !process.waitForFinished(120000))
        return outcome;
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}
} // namespace

TEST(HeadlessCommand, MissingToolEndsWithSetupIncomplete)
{
    QTemporaryDir home;
    QTemporaryDir emptyPath;
    installFakeTools(home.path(), { QStringLiteral("jpeg2yuv"), QStringLiteral("mplex") });
    QDir(home.path()).mkdir(QStringLiteral("album"));

    const Outcome run = runKelvara(
        { QStringLiteral("scan"), QStringLiteral("--source"), home.path() + QLatin1String("/album") },
        home.path(), emptyPath.path());
    EXPECT_EQ(run.exitCode, CommandLine::SetupIncompleteExitCode) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QLatin1String("Setup incomplete")), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("mpeg2enc"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    // The start-up lines are written before the check; the check adds none.
    EXPECT_EQ(crlfLines(home.path() + QLatin1String("/kelvara.log")).size(), 3);
}

TEST(HeadlessCommand, CompleteSetupGetsPastTheCheck)
{
    QTemporaryDir home;
    QTemporaryDir emptyPath;
    installFakeTools(home.path(), StartupCheck::requiredTools());
    QDir(home.path()).mkdir(QStringLiteral("album"));

    const Outcome run = runKelvara(
        { QStringLiteral("scan"), QStringLiteral("--source"), home.path() + QLatin1String("/album") },
        home.path(), emptyPath.path());
    EXPECT_NE(run.exitCode, -1);
    EXPECT_NE(run.exitCode, CommandLine::SetupIncompleteExitCode);
    EXPECT_FALSE(run.err.contains(QLatin1String("Setup incomplete"))) << run.err.toStdString();
}

TEST(HeadlessCommand, BuildEndsHonestlyWhenThereIsNoDiscToMake)
{
    QTemporaryDir home;
    QTemporaryDir emptyPath;
    const QString album = home.path() + QLatin1String("/album");
    const QString dest = home.path() + QLatin1String("/build");
    QDir().mkpath(album + QLatin1String("/Empty"));
    QDir().mkpath(dest);
    installFakeTools(home.path(), StartupCheck::buildTools());
    const QStringList build
        = { QStringLiteral("build"), QStringLiteral("--source"), album, QStringLiteral("--dest"), dest };

    // Nothing to show on a disc: refused, and nothing written.
    const Outcome empty = runKelvara(build, home.path(), emptyPath.path());
    EXPECT_EQ(empty.exitCode, 1) << empty.err.toStdString();
    EXPECT_TRUE(empty.err.contains(QLatin1String("kelvara build: nothing to put on a disc")))
        << empty.err.toStdString();
    EXPECT_TRUE(empty.out.isEmpty());
    EXPECT_TRUE(QDir(dest).isEmpty());

    // With a picture but no vcdxbuild: found before the first still.
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(album + QLatin1String("/Empty/p.jpg"), "JPEG"));
    QFile::remove(home.path() + QLatin1String("/3rdparty/vcdxbuild"));
    const Outcome noTool = runKelvara(build, home.path(), emptyPath.path());
    EXPECT_EQ(noTool.exitCode, CommandLine::SetupIncompleteExitCode) << noTool.err.toStdString();
    EXPECT_TRUE(noTool.err.contains(QLatin1String("Setup incomplete"))) << noTool.err.toStdString();
    EXPECT_TRUE(noTool.err.contains(QLatin1String("(vcdxbuild is neither in "))) << noTool.err.toStdString();
    EXPECT_EQ(noTool.err.count(QLatin1String("vcdxbuild is neither in ")), 1) << "said once";
    EXPECT_TRUE(noTool.out.isEmpty());
    EXPECT_TRUE(QDir(dest).isEmpty());
    QFile log(home.path() + QLatin1String("/build.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("vcdxbuild is neither in"));
}

TEST(HeadlessCommand, UsageErrorsAndHelp)
{
    QTemporaryDir home;
    const Outcome bad
        = runKelvara({ QStringLiteral("build"), QStringLiteral("--tv"), QStringLiteral("secam") },
            home.path(), qEnvironmentVariable("PATH"));
    EXPECT_EQ(bad.exitCode, CommandLine::UsageExitCode);
    EXPECT_EQ(bad.err.count(u'\n'), 1) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains(QLatin1String("--tv must be pal or ntsc")));
    // A usage error is found before the start-up: no program log.
    EXPECT_FALSE(QFile::exists(home.path() + QLatin1String("/kelvara.log")));

    // A million encoders at once would run out of file descriptors.
    const Outcome tooMany
        = runKelvara({ QStringLiteral("build"), QStringLiteral("--jobs"), QStringLiteral("1000000") },
            home.path(), qEnvironmentVariable("PATH"));
    EXPECT_EQ(tooMany.exitCode, CommandLine::UsageExitCode);
    EXPECT_TRUE(
        tooMany.err.contains(QLatin1String("--jobs must be a whole number from 0 (one per core) to ")))
        << tooMany.err.toStdString();

    const Outcome help = runKelvara({ QStringLiteral("--help") }, home.path(), qEnvironmentVariable("PATH"));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QLatin1String("Usage:")));
}

TEST(HeadlessCommand, UnexpectedErrorShowsTheFatalTextAndExitsAt70)
{
    QTemporaryDir parent;
    QTemporaryDir emptyPath;
    // A program folder that does not exist cannot be entered.
    const Outcome run
        = runKelvara({ QStringLiteral("scan") }, parent.path() + QLatin1String("/missing"), emptyPath.path());
    EXPECT_EQ(run.exitCode, Guard::FatalExitCode) << run.err.toStdString();
    // Qt may warn about the environment first; the box text is what matters.
    EXPECT_TRUE(
        run.err.contains(QLatin1String("Kelvara Error: Please report this error to support@kelvara.example\n"
                                       "Sub Main: 76  ")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(u'\r'));
}

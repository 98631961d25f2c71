// Builds that do not end by themselves: a tool that hangs is ended by the
// watchdog, and a build asked to stop by a signal winds down as a cancel
// does. Both run the real executable, with the real tools but for the
// stand-in encoder, and look for anything left running or left behind.
#include <gtest/gtest.h>

#include <csignal>

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "TestHome.h"

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

void paintAlbum(const QString &folder, int pictures)
{
    QDir().mkpath(folder);
    for (int i = 0; i < pictures; ++i) {
        QImage image(800, 600, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 40 % 360, 200, 180));
        QPainter painter(&image);
        painter.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
        painter.end();
        ASSERT_TRUE(image.save(folder + s("/p%1.jpg").arg(i), "JPEG", 90));
    }
}

// Processes whose command line names a path below folder: the tools of a
// build in it, the stand-in and its sleep.
QStringList processesUsing(const QString &folder)
{
    QStringList found;
    const QByteArray needle = QFile::encodeName(folder);
    const QStringList pids = QDir(s("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        QFile cmdline(s("/proc/") + pid + s("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        QByteArray text = cmdline.readAll();
        if (text.contains(needle))
            found << pid + u' ' + QString::fromLocal8Bit(text.replace('\0', ' '));
    }
    return found;
}

// Files below dest whose names end in one of the suffixes.
QStringList filesEndingIn(const QString &dest, std::initializer_list<const char *> suffixes)
{
    QStringList found;
    for (QDirIterator it(dest, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString name = it.next();
        for (const char *suffix : suffixes)
            if (name.endsWith(s(suffix)))
                found << name;
    }
    return found;
}

// What a stopped build must not leave: half-made streams, part files,
// temporary JPEGs, or an image and its stamp.
QStringList leftovers(const QString &dest)
{
    return filesEndingIn(dest, { ".jpx", ".m1v", ".m2v", ".part", "/vcd.bin", "/vcd.cue", "/vcd.stamp" });
}

QStringList buildArguments(const QString &album, const QString &dest)
{
    return { s("build"), s("--source"), album, s("--dest"), dest, s("--tv"), s("pal"), s("--type"),
        s("vcd") };
}

} // namespace

TEST(BuildStop, AHangingEncoderIsEndedByTheWatchdogAndNamed)
{
    TestHome home;
    home.installTools();
    const QString standIn = home.file(s("3rdparty/mpeg2enc"));
    QFile::remove(standIn);
    QFile script(standIn);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nsleep 600\n");
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    QTemporaryDir dir;
    paintAlbum(dir.path() + s("/album"), 1);
    const QString dest = dir.path() + s("/out");

    QProcess kelvara;
    kelvara.start(qEnvironmentVariable("KELVARA_BIN_DIR") + s("/kelvara"),
        buildArguments(dir.path() + s("/album"), dest) + QStringList { s("--tool-timeout"), s("2") });
    ASSERT_TRUE(kelvara.waitForFinished(120000)) << "the build hangs with its tool";
    const QString err = QString::fromLocal8Bit(kelvara.readAllStandardError());
    EXPECT_EQ(kelvara.exitCode(), 1) << qPrintable(err);
    EXPECT_TRUE(err.contains(
        s("kelvara build: jpeg2yuv | mpeg2enc printed nothing and used no processor time for 2 seconds")))
        << qPrintable(err);
    EXPECT_EQ(processesUsing(home.path()), QStringList());
    // A failed still keeps its JPEG for inspection; nothing else stays.
    EXPECT_EQ(filesEndingIn(dest, { ".m1v", ".part", "/vcd.bin", "/vcd.cue", "/vcd.stamp" }), QStringList());
}

// SIGTERM while encoders run on workers, SIGINT while the one serial
// encoder runs: either way the build ends as a cancel, with 128 + the signal.
TEST(BuildStop, SignalsWindTheBuildDownAndExitAt128PlusTheSignal)
{
    TestHome home;
    home.installTools();
    QTemporaryDir dir;
    paintAlbum(dir.path() + s("/album"), 8);

    struct Case
    {
        int signalNumber;
        const char *jobs;
        const char *name;
    };
    for (const Case c : { Case { SIGTERM, "2", "SIGTERM" }, Case { SIGINT, "1", "SIGINT" } }) {
        const QString dest = dir.path() + s("/out-") + s(c.name);
        QProcess kelvara;
        // A shell without job control starts background jobs with SIGINT
        // ignored; the build is meant to hear it here.
        kelvara.setChildProcessModifier([] {
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGHUP, SIG_DFL);
        });
        kelvara.start(qEnvironmentVariable("KELVARA_BIN_DIR") + s("/kelvara"),
            buildArguments(dir.path() + s("/album"), dest) + QStringList { s("--jobs"), s(c.jobs) });
        ASSERT_TRUE(kelvara.waitForStarted());
        // The first picture's line: the walk runs, and encoders with it.
        QByteArray err;
        const QDeadlineTimer deadline(120000);
        while (
            !err.contains("] picture ") && !deadline.hasExpired() && kelvara.state() == QProcess::Running) {
            kelvara.waitForReadyRead(100);
            err += kelvara.readAllStandardError();
        }
        ASSERT_TRUE(err.contains("] picture ")) << err.constData();
        ASSERT_EQ(::kill(static_cast<pid_t>(kelvara.processId()), c.signalNumber), 0);
        ASSERT_TRUE(kelvara.waitForFinished(60000));
        err += kelvara.readAllStandardError();

        EXPECT_EQ(kelvara.exitStatus(), QProcess::NormalExit) << c.name << ": ended by itself";
        EXPECT_EQ(kelvara.exitCode(), 128 + c.signalNumber) << err.constData();
        EXPECT_TRUE(err.contains(QByteArray("kelvara build: stopped by ").append(c.name))) << err.constData();
        EXPECT_TRUE(kelvara.readAllStandardOutput().isEmpty()) << "no image is named";
        EXPECT_EQ(processesUsing(dir.path()), QStringList()) << c.name;
        EXPECT_EQ(leftovers(dest), QStringList()) << c.name;
    }
}

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include "TestAlbum.h"
#include "TestHome.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString s(const char *text)
{
    return QString::fromUtf8(text);
}

struct CommandRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CommandRun runKelvara(const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.start(qEnvironmentVariable("KELVARA_BIN_DIR") + QLatin1String("/kelvara"), arguments);
    CommandRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}
} // namespace

TEST(ScanCommand, PrintsTheTreeInDiscOrderWithCounts)
{
    TestHome home;
    TestAlbum album;
    album.file(s("c/x/1.jpg"));
    album.file(s("c/y/2.mpg"));
    album.file(s("b/only.jpg"));
    for (const char *name : { "2.JPG", "10.jpg", "1.mpg", "notes.txt", "photo.jpeg" })
        album.file(s("a/") + s(name));
    album.file(s(".hidden/h.jpg"));
    album.file(s("top.jpg")); // beside sub-folders: not on the disc
    album.write(s("kelvara.ord"), "c\r\nb\r\n");

    const CommandRun run = runKelvara({ s("scan"), s("--source"), album.path(), s("--type"), s("vcd") });
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QString expected = album.path() + s("\n")
        + s("  2 menu c\n"
            "    5 menu x\n"
            "      7 picture 1.jpg\n"
            "    6 menu y\n"
            "      8 movie 2.mpg\n"
            "  3 menu b\n"
            "    9 picture only.jpg\n"
            "  4 menu a\n"
            "    10 movie 1.mpg\n"
            "    11 picture 10.jpg\n"
            "    12 picture 2.JPG\n"
            "    13 picture photo.jpeg\n"
            "Menus: 5\n"
            "Items: 7\n"
            "Capacity (estimated): 2 MB · 12 items\n"
            "Skipped files: 2\n"
            "  top.jpg: beside sub-folders: only a folder without sub-folders shows its pictures and movies\n"
            "  a/notes.txt: not a picture or movie\n");
    EXPECT_EQ(run.out.toStdString(), QString(s("1 menu ") + expected).toStdString());
    EXPECT_FALSE(run.err.contains(s("Too many files."))) << qPrintable(run.err);
}

TEST(ScanCommand, InvalidSourceFailsWithTheReason)
{
    TestHome home;
    TestAlbum album;
    const CommandRun run = runKelvara({ s("scan"), s("--source"), album.at(s("missing")) });
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(s("You should select a valid source path"))) << qPrintable(run.err);
    EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
}

// A settings file that is a pipe is told on one line and set aside; a name
// that is not UTF-8 shows with U+FFFD, is a picture like any other and keeps
// its place from the order file; a pipe in the album is listed.
TEST(ScanCommand, HostileSettingsAndNamesEndNothing)
{
    TestHome home;
    ASSERT_TRUE(QDir().mkpath(home.registryDir()));
    const QByteArray settingsFile = QFile::encodeName(home.registryDir() + s("/HKEY_LOCAL_MACHINE.reg"));
    ASSERT_EQ(mkfifo(settingsFile.constData(), 0600), 0);

    TestAlbum album;
    album.file(s("Leaf/good.jpg"));
    const QByteArray oddName = QFile::encodeName(album.at(s("Leaf/"))) + "Caf\xE9.jpg";
    const int fd = ::open(oddName.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "\xFF\xD8\xFF\xE0", 4), 4);
    ::close(fd);
    album.write(s("Leaf/kelvara.ord"), s("Caf\uFFFD.jpg\r\ngood.jpg\r\n").toUtf8());
    ASSERT_EQ(mkfifo(QFile::encodeName(album.at(s("Leaf/pipe.jpg"))).constData(), 0600), 0);

    const CommandRun run = runKelvara({ s("scan"), s("--source"), album.path() });
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_EQ(run.err.count(s("Settings file: ")), 1) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(s("is not a regular file"))) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains(s("  2 menu Leaf\n    3 picture Caf\uFFFD.jpg\n    4 picture good.jpg\n")))
        << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains(s("  Leaf/pipe.jpg: a special file (pipe, socket or device)\n")))
        << qPrintable(run.out);

    // Set aside, the pipe is not met again.
    const CommandRun again = runKelvara({ s("scan"), s("--source"), album.path() });
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_FALSE(again.err.contains(s("Settings file: "))) << qPrintable(again.err);
}

// The kernel's own file systems are not entered, and a link back to "/" is
// no way around that: a scan of the whole system comes to an end.
TEST(ScanCommand, WholeFileSystemScanEnds)
{
    TestHome home;
    const CommandRun run = runKelvara({ s("scan"), s("--source"), s("/") }, 600000);
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err.left(2000));
    EXPECT_TRUE(run.out.contains(s("\n  proc: a system folder (/proc, /sys ...), not part of an album\n")));
    EXPECT_TRUE(run.out.contains(s("\n  sys: a system folder (/proc, /sys ...), not part of an album\n")));
}

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include "TestAlbum.h"
#include "TestHome.h"

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

CommandRun runKelvara(const QStringList &arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("KELVARA_BIN_DIR") + QLatin1String("/kelvara"), arguments);
    CommandRun run;
    if (!process.waitForFinished(120000))
        return run;
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

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "authoring/FileNames.h"
#include "base/KelvaraError.h"

TEST(FilterFileName, ReplacesAccentsAndApostropheKeepingSeparators)
{
    EXPECT_EQ(filterFileName(QStringLiteral("/home/ann/Foto's/Été 2003.jpg")),
        QStringLiteral("/home/ann/Foto_s/_t_ 2003.jpg"));
}

TEST(FilterFileName, KeepsOnlyTheAllowedCharacters)
{
    const QString allowed = QStringLiteral("AZaz09-() :./");
    EXPECT_EQ(filterFileName(allowed), allowed);
    EXPECT_EQ(filterFileName(QStringLiteral("a&b!c,d_e\\f\"g$h`i")), QStringLiteral("a_b_c_d_e_f_g_h_i"));
}

TEST(FilterFileName, OneUnderscorePerCharacter)
{
    // A letter outside the basic plane is one character, so one "_".
    const QString input = QStringLiteral("x") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("y");
    EXPECT_EQ(filterFileName(input), QStringLiteral("x_y"));
    const QString long_ = QStringLiteral("ÄÖÜ/ñ/ø'&");
    EXPECT_EQ(filterFileName(long_).size(), long_.size());
}

TEST(OutputPathBelow, OnlyThePartBelowTheBuildPathIsFiltered)
{
    // Filtering the whole path would write into "/data/_t__s build", a
    // folder the user never chose.
    EXPECT_EQ(outputPathBelow(QStringLiteral("/data/Été's build"), QStringLiteral("/Foto's/a b.jpg")),
        QStringLiteral("/data/Été's build/Foto_s/a b.jpg"));
}

TEST(OutputPathBelow, JoinsWithExactlyOneSeparator)
{
    EXPECT_EQ(outputPathBelow(QStringLiteral("/out/"), QStringLiteral("/a/b")), QStringLiteral("/out/a/b"));
    EXPECT_EQ(outputPathBelow(QStringLiteral("/out"), QStringLiteral("a/b")), QStringLiteral("/out/a/b"));
    EXPECT_EQ(outputPathBelow(QStringLiteral("/out//"), QString()), QStringLiteral("/out"));
    EXPECT_EQ(outputPathBelow(QStringLiteral("/"), QStringLiteral("/x")), QStringLiteral("/x"));
}

TEST(MakeFolderPath, CreatesEveryMissingLevel)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/out");
    QDir().mkpath(base);
    makeFolderPath(base + QStringLiteral("/a//b/c/"));
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/a/b/c")).isDir());
    // Existing levels are fine.
    makeFolderPath(base + QStringLiteral("/a/b/d/"));
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/a/b/d")).isDir());
}

TEST(MakeFolderPath, AFileInTheWayIsAnError)
{
    QTemporaryDir dir;
    QFile file(dir.path() + QStringLiteral("/taken"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_THROW(makeFolderPath(dir.path() + QStringLiteral("/taken/sub/")), KelvaraError);
}

TEST(ParentFolderOf, TextBeforeTheLastSeparator)
{
    EXPECT_EQ(parentFolderOf(QStringLiteral("x/y")), QStringLiteral("x"));
    EXPECT_EQ(parentFolderOf(QStringLiteral("/a/b/c.jpg")), QStringLiteral("/a/b"));
    EXPECT_THROW(parentFolderOf(QStringLiteral("plain")), KelvaraError);
}

TEST(DistinctOutputNames, SourcesThatFilterAlikeOrDifferInCaseGetTheirOwnName)
{
    const QList<OutputEntry> entries { { QStringLiteral("a'b"), true }, { QStringLiteral("a\"b"), true },
        { QStringLiteral("日本"), true }, { QStringLiteral("中国"), true }, { QStringLiteral("Pic"), true },
        { QStringLiteral("pic"), true }, { QStringLiteral("Café"), false }, { QStringLiteral("Cafè"), false },
        { QStringLiteral("a_b_2"), true } };
    const QStringList names = distinctOutputNames(entries, false);
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("a_b"), QStringLiteral("a_b~2"), QStringLiteral("__"),
            QStringLiteral("__~2"), QStringLiteral("Pic"), QStringLiteral("pic~2"), QStringLiteral("Caf_"),
            QStringLiteral("Caf_~2"), QStringLiteral("a_b_2") }));
    // The same entries, the same names: a later build finds its stills.
    EXPECT_EQ(distinctOutputNames(entries, false), names);
}

TEST(DistinctOutputNames, BuildOwnNamesAreNeverGiven)
{
    // A picture's caption still, a menu still and the build folder's files
    // keep their names; the source that would take one gives way.
    EXPECT_EQ(
        distinctOutputNames({ { QStringLiteral("p"), true }, { QStringLiteral("p_text"), true } }, false),
        (QStringList { QStringLiteral("p"), QStringLiteral("p_text~2") }));
    EXPECT_EQ(
        distinctOutputNames({ { QStringLiteral("p_text"), true }, { QStringLiteral("p"), true } }, false),
        (QStringList { QStringLiteral("p_text"), QStringLiteral("p~2") }));
    EXPECT_EQ(distinctOutputNames({ { QStringLiteral("Menu_0001"), true } }, false),
        QStringList { QStringLiteral("Menu_0001~2") });
    EXPECT_EQ(distinctOutputNames({ { QStringLiteral("vcd"), true }, { QStringLiteral("vcd.bin"), false },
                                      { QStringLiteral("kelvara-manifest.json"), false } },
                  true),
        (QStringList {
            QStringLiteral("vcd"), QStringLiteral("vcd.bin~2"), QStringLiteral("kelvara-manifest.json~2") }));
    // Below the top level a folder may be called so.
    EXPECT_EQ(distinctOutputNames({ { QStringLiteral("vcd.bin"), false } }, false),
        QStringList { QStringLiteral("vcd.bin") });
    // A converted movie and a picture of one name meet on "clip.mpg"; a
    // movie named like a caption still takes nothing from it, nor a folder
    // called "clip.mpg" from the movie.
    EXPECT_EQ(distinctOutputNames(
                  { { QStringLiteral("clip"), true }, { QStringLiteral("clip"), false, true },
                      { QStringLiteral("clip_text"), false, true }, { QStringLiteral("clip.mpg"), false } },
                  false),
        (QStringList { QStringLiteral("clip"), QStringLiteral("clip~2"), QStringLiteral("clip_text~2"),
            QStringLiteral("clip.mpg~2") }));
}

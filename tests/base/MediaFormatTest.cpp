#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "base/MediaFormat.h"

namespace {

bool runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

} // namespace

// Every format the album takes, written by the real tools under names that
// lie about them: the first bytes decide.
TEST(MediaFormatTest, TellsEveryFormatByItsBytesNotItsName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.path() + QLatin1String("/as-");
    const std::vector<std::pair<QString, MediaFormat>> pictures {
        { QStringLiteral("jpg"), MediaFormat::Jpeg }, { QStringLiteral("png"), MediaFormat::Png },
        { QStringLiteral("gif"), MediaFormat::Gif }, { QStringLiteral("bmp"), MediaFormat::Bmp },
        { QStringLiteral("tiff"), MediaFormat::Tiff }, { QStringLiteral("webp"), MediaFormat::WebP },
        { QStringLiteral("heic"), MediaFormat::Heif }, { QStringLiteral("avif"), MediaFormat::Avif }
    };
    for (const auto &[format, expected] : pictures) {
        const QString path = base + format + QLatin1String(".jpg");
        ASSERT_TRUE(runTool(QStringLiteral("convert"),
            { QStringLiteral("-size"), QStringLiteral("32x24"), QStringLiteral("xc:red"),
                format + u':' + path }));
        EXPECT_EQ(MediaSignature::formatOfFile(path), expected) << format.toStdString();
        EXPECT_TRUE(MediaSignature::isPicture(expected));
    }

    for (const QString &container : { QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("mkv"),
             QStringLiteral("avi"), QStringLiteral("mpeg"), QStringLiteral("ts"), QStringLiteral("asf") }) {
        const QString path = base + container + QLatin1String(".") + container;
        const QString codec
            = container == QLatin1String("asf") ? QStringLiteral("wmv2") : QStringLiteral("mpeg2video");
        ASSERT_TRUE(runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                QStringLiteral("-i"), QStringLiteral("testsrc=size=64x48:duration=0.2"),
                QStringLiteral("-c:v"), codec, path }));
        const QString renamed = path + QLatin1String(".mpg");
        ASSERT_TRUE(QFile::rename(path, renamed));
        EXPECT_EQ(MediaSignature::formatOfFile(renamed), MediaFormat::Movie) << container.toStdString();
    }

    QFile empty(base + QLatin1String("empty.jpg"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    bool readable = false;
    EXPECT_EQ(MediaSignature::formatOfFile(empty.fileName(), &readable), MediaFormat::Unknown);
    EXPECT_TRUE(readable);
    EXPECT_EQ(MediaSignature::formatOf(QByteArray("random words, not a picture")), MediaFormat::Unknown);
    EXPECT_EQ(
        MediaSignature::formatOfFile(base + QLatin1String("missing.jpg"), &readable), MediaFormat::Unknown);
    EXPECT_FALSE(readable);
}

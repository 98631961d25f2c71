#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdint>
#include <unistd.h>

#include <gtest/gtest.h>

#include "imaging/ImgSource.h"
#include "imaging/PictureReader.h"

namespace {

constexpr int kOrientation = 274;
constexpr int kDateTimeOriginal = 36867;
const char *const kDate = "2021:07:04 14:05:33";

// Pictures made at test time by ImageMagick (and exiftool for EXIF it cannot
// write), read back through the reader as the build reads them.
class PictureFiles : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    static void run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << program.toStdString();
        ASSERT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << process.readAll().toStdString();
    }

    // convert ARGS... name, in the temporary folder; returns the path.
    QString magick(QStringList arguments, const QString &name) const
    {
        arguments << path(name);
        run(QStringLiteral("convert"), arguments);
        return path(name);
    }

    void exif(const QString &file, const QStringList &tags) const
    {
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
            GTEST_SKIP() << "exiftool is not installed (scripts/setup installs it)";
        run(QStringLiteral("exiftool"),
            QStringList { QStringLiteral("-q"), QStringLiteral("-overwrite_original") } + tags << file);
    }

    static QColor colourAt(const std::vector<std::uint8_t> &rgb, int width, int x, int y)
    {
        const std::uint8_t *p = rgb.data() + (std::size_t(y) * width + x) * 3;
        return QColor(p[0], p[1], p[2]);
    }

    static ::testing::AssertionResult near(QColor a, QColor b, int tolerance = 24)
    {
        if (std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
            && std::abs(a.blue() - b.blue()) <= tolerance)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
            << "got " << a.name().toStdString() << ", wanted " << b.name().toStdString();
    }

    // The test pictures stand 40 x 60 upright: red at the top, blue below.
    static void expectRedAboveBlue(const QString &file)
    {
        PictureReader reader;
        ASSERT_TRUE(reader.read(file)) << reader.problem().toStdString();
        ASSERT_EQ(reader.width(), 40);
        ASSERT_EQ(reader.height(), 60);
        const int width = reader.width();
        const std::vector<std::uint8_t> rgb = reader.takePixels();
        EXPECT_TRUE(near(colourAt(rgb, width, 20, 5), Qt::red));
        EXPECT_TRUE(near(colourAt(rgb, width, 20, 55), Qt::blue));
    }

    QTemporaryDir m_dir;
};

TEST_F(PictureFiles, EveryFormatDecodesToItsColourAtItsSize)
{
    const QColor colour(200, 60, 30);
    for (const char *extension : { "jpg", "png", "webp", "tif", "bmp", "gif", "heic", "avif" }) {
        SCOPED_TRACE(extension);
        const QString file = magick(
            { QStringLiteral("-size"), QStringLiteral("64x48"), QStringLiteral("xc:rgb(200,60,30)") },
            QStringLiteral("solid.") + QLatin1String(extension));
        EXPECT_EQ(ImgSource::pictureSize(file), QSize(64, 48));
        PictureReader reader;
        ASSERT_TRUE(reader.read(file)) << reader.problem().toStdString();
        EXPECT_TRUE(reader.problem().isEmpty());
        ASSERT_EQ(reader.width(), 64);
        ASSERT_EQ(reader.height(), 48);
        const int width = reader.width();
        const std::vector<std::uint8_t> rgb = reader.takePixels();
        ASSERT_EQ(rgb.size(), 64u * 48 * 3);
        EXPECT_TRUE(near(colourAt(rgb, width, 0, 0), colour));
        EXPECT_TRUE(near(colourAt(rgb, width, 63, 47), colour));

        // A still of at least 16 x 12 needs no more than a quarter of it.
        ImgSource image;
        ASSERT_TRUE(image.loadFile(file, 16, 12));
        EXPECT_EQ(QSize(image.width(), image.height()), QSize(16, 12));
        EXPECT_TRUE(near(QColor(image.rgbData()[0], image.rgbData()[1], image.rgbData()[2]), colour));
    }

    // The bytes decide, not the name.
    const QString png
        = magick({ QStringLiteral("-size"), QStringLiteral("30x20"), QStringLiteral("xc:blue") },
            QStringLiteral("really-png.png"));
    ASSERT_TRUE(QFile::copy(png, path(QStringLiteral("named.jpg"))));
    EXPECT_EQ(ImgSource::pictureSize(path(QStringLiteral("named.jpg"))), QSize(30, 20));
    ImgSource named;
    ASSERT_TRUE(named.loadFile(path(QStringLiteral("named.jpg"))));
    EXPECT_EQ(named.width(), 30);
    EXPECT_EQ(named.rgbData()[2], 255);
}

TEST_F(PictureFiles, TransparencyComesOutOverBlackAndAnAnimationGivesItsFirstFrame)
{
    // ImageMagick writes HEIF without its alpha plane, so only these two.
    for (const char *extension : { "png", "webp" }) {
        SCOPED_TRACE(extension);
        const QString file = magick(
            { QStringLiteral("-size"), QStringLiteral("16x16"), QStringLiteral("xc:rgba(255,255,255,0.5)") },
            QStringLiteral("half.") + QLatin1String(extension));
        PictureReader reader;
        ASSERT_TRUE(reader.read(file)) << reader.problem().toStdString();
        const int width = reader.width();
        const std::vector<std::uint8_t> rgb = reader.takePixels();
        EXPECT_TRUE(near(colourAt(rgb, width, 8, 8), QColor(128, 128, 128), 16));
    }

    const QString gif = magick({ QStringLiteral("-size"), QStringLiteral("20x10"), QStringLiteral("xc:red"),
                                   QStringLiteral("xc:lime"), QStringLiteral("xc:blue") },
        QStringLiteral("frames.gif"));
    PictureReader reader;
    ASSERT_TRUE(reader.read(gif));
    const int width = reader.width();
    const std::vector<std::uint8_t> rgb = reader.takePixels();
    EXPECT_EQ(colourAt(rgb, width, 10, 5), QColor(255, 0, 0));
}

// Stitched panoramas pass the 64 megapixels Qt reads by default: a plain
// PNG is reduced row by row as it decodes, a palette one is read whole, and
// a half-transparent one still comes out over black. ffmpeg writes them:
// ImageMagick's own limits refuse pictures this large.
TEST_F(PictureFiles, PanoramasBeyondSixtyFourMegapixelsDecode)
{
    struct Case
    {
        const char *name;
        const char *source;
        const char *pixelFormat;
        QColor wanted;
    };
    const Case cases[] = {
        { "plain.png", "color=blue:s=10000x7000", "rgb24", QColor(0, 0, 255) },
        { "palette.png", "color=green:s=10000x7000", "pal8", QColor(0, 128, 0) },
        { "half.png", "color=red:s=10000x7000,format=rgba,colorchannelmixer=aa=0.5", "rgba",
            QColor(128, 0, 0) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(QLatin1String(c.name));
        run(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                QStringLiteral("-i"), QLatin1String(c.source), QStringLiteral("-frames:v"),
                QStringLiteral("1"), QStringLiteral("-pix_fmt"), QLatin1String(c.pixelFormat), file });
        PictureReader reader;
        ASSERT_TRUE(reader.read(file, 720, 576)) << reader.problem().toStdString();
        EXPECT_EQ(QSize(reader.width(), reader.height()), QSize(1250, 875));
        const int width = reader.width();
        EXPECT_TRUE(near(colourAt(reader.takePixels(), width, 600, 400), c.wanted, 4));
    }
}

// A camera held turned clockwise stores a landscape picture whose EXIF says
// orientation 6: its stored left half is the top of the upright portrait.
// ImageMagick carries the JPEG's EXIF over to PNG (eXIf) and WebP (EXIF).
TEST_F(PictureFiles, OrientationAndDateTravelWithEveryFormatThatCarriesThem)
{
    const QString jpeg = magick(
        { QStringLiteral("-size"), QStringLiteral("30x40"), QStringLiteral("xc:red"), QStringLiteral("-size"),
            QStringLiteral("30x40"), QStringLiteral("xc:blue"), QStringLiteral("+append") },
        QStringLiteral("turned.jpg"));
    exif(jpeg,
        { QStringLiteral("-Orientation#=6"), QStringLiteral("-DateTimeOriginal=") + QLatin1String(kDate) });
    if (IsSkipped())
        return;

    for (const char *extension : { "jpg", "png", "webp", "tif" }) {
        SCOPED_TRACE(extension);
        const QString file = QLatin1String(extension) == QLatin1String("jpg")
            ? jpeg
            : magick({ jpeg }, QStringLiteral("turned.") + QLatin1String(extension));
        // ImageMagick keeps a TIFF's orientation tag but not the EXIF directory.
        if (QLatin1String(extension) == QLatin1String("tif"))
            exif(file, { QStringLiteral("-DateTimeOriginal=") + QLatin1String(kDate) });
        EXPECT_EQ(ImgSource::exifTag(file, kDateTimeOriginal), QLatin1String(kDate));
        EXPECT_EQ(ImgSource::exifTag(file, kOrientation), QStringLiteral("6"));
        EXPECT_EQ(ImgSource::pictureSize(file), QSize(40, 60));
        expectRedAboveBlue(file);
    }
}

// In HEIF the file's own transformations make the picture upright; an EXIF
// orientation left over from the camera must not turn it a second time.
TEST_F(PictureFiles, HeifStaysAsItsOwnTransformationsLeaveIt)
{
    const QString heic = magick(
        { QStringLiteral("-size"), QStringLiteral("40x30"), QStringLiteral("xc:red"), QStringLiteral("-size"),
            QStringLiteral("40x30"), QStringLiteral("xc:blue"), QStringLiteral("-append") },
        QStringLiteral("upright.heic"));
    EXPECT_EQ(ImgSource::exifTag(heic, kDateTimeOriginal), QString());
    exif(heic,
        { QStringLiteral("-Orientation#=6"), QStringLiteral("-DateTimeOriginal=") + QLatin1String(kDate) });
    if (IsSkipped())
        return;

    EXPECT_EQ(ImgSource::exifTag(heic, kOrientation), QStringLiteral("6"));
    EXPECT_EQ(ImgSource::exifTag(heic, kDateTimeOriginal), QLatin1String(kDate));
    EXPECT_EQ(ImgSource::pictureSize(heic), QSize(40, 60));
    expectRedAboveBlue(heic);

    // Reduced to a quarter, the two halves keep their places.
    ImgSource quarter;
    ASSERT_TRUE(quarter.loadFile(heic, 10, 15));
    ASSERT_EQ(QSize(quarter.width(), quarter.height()), QSize(10, 15));
    const auto at = [&quarter](int y) {
        const std::uint8_t *p = quarter.rgbData() + (y * 10 + 5) * 3;
        return QColor(p[0], p[1], p[2]);
    };
    EXPECT_TRUE(near(at(2), Qt::red));
    EXPECT_TRUE(near(at(12), Qt::blue));
}

TEST_F(PictureFiles, BrokenPicturesFailWithAReason)
{
    const auto write = [this](const QString &name, const QByteArray &bytes) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    };
    const auto expectFailure = [](const QString &file, const QString &reason) {
        SCOPED_TRACE(file.toStdString());
        PictureReader reader;
        EXPECT_FALSE(reader.read(file));
        EXPECT_TRUE(reader.problem().startsWith(reason)) << reader.problem().toStdString();
        EXPECT_EQ(reader.width(), 0);
    };
    const QString decode = QStringLiteral("cannot be decoded: ");

    expectFailure(write(QStringLiteral("empty.jpg"), {}), decode);
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + 13) % 251);
    expectFailure(write(QStringLiteral("noise.png"), noise), decode);
    expectFailure(write(QStringLiteral("jpeg-noise.jpg"), QByteArray("\xFF\xD8\xFF", 3) + noise), decode);

    // Cut files of the decoders that tell a short file from a whole one.
    const QString big
        = magick({ QStringLiteral("-size"), QStringLiteral("256x256"), QStringLiteral("plasma:") },
            QStringLiteral("big.jpg"));
    QFile jpeg(big);
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QByteArray whole = jpeg.readAll();
    jpeg.close();
    expectFailure(write(QStringLiteral("cut.jpg"), whole.left(whole.size() / 2)), decode);
    const QString heic = magick({ big }, QStringLiteral("big.heic"));
    QFile heif(heic);
    ASSERT_TRUE(heif.open(QIODevice::ReadOnly));
    expectFailure(write(QStringLiteral("cut.heic"), heif.readAll().left(heif.size() / 2)), decode);
    const QString png = magick({ big }, QStringLiteral("big.png"));
    QFile pngFile(png);
    ASSERT_TRUE(pngFile.open(QIODevice::ReadOnly));
    expectFailure(write(QStringLiteral("cut.png"), pngFile.readAll().left(pngFile.size() / 2)), decode);

    // A 12-bit JPEG: the frame header's precision byte says 12.
    QByteArray twelve = whole;
    const qsizetype sof = twelve.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    twelve[sof + 4] = 12;
    twelve[sof + 1] = char(0xC1); // extended sequential, the only frame type 12 bits may use
    expectFailure(write(QStringLiteral("twelve.jpg"), twelve), decode);

    // A few bytes claiming 16000 x 16000 pixels are refused before any
    // memory is taken for them.
    QByteArray bomb("BM", 2);
    const auto add = [&bomb](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            bomb.append(char((value >> (8 * i)) & 0xFF));
    };
    add(154, 4), add(0, 4), add(54, 4); // file size, reserved, pixel offset
    add(40, 4), add(16000, 4), add(16000, 4), add(1, 2), add(24, 2); // info header: 24-bit
    bomb.append(QByteArray(24 + 100, '\0'));
    expectFailure(write(QStringLiteral("bomb.bmp"), bomb), decode + QStringLiteral("picture too large"));

    // Root reads every file whatever its mode.
    if (::geteuid() != 0) {
        const QString locked = magick({ big }, QStringLiteral("locked.jpg"));
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
        expectFailure(locked, QStringLiteral("cannot be read"));
    }
    expectFailure(path(QStringLiteral("missing.jpg")), QStringLiteral("cannot be read"));
}

} // namespace

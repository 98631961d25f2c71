#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>
#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include "imaging/ImgSource.h"
#include "imaging/JpegCodec.h"

namespace {

constexpr int kDateTimeOriginal = 36867;
constexpr int kOrientation = 274;

// A photo-like picture: a diagonal gradient with a few shapes.
QImage photo(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, QColor(30, 60, 120));
    gradient.setColorAt(1, QColor(240, 200, 90));
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor(20, 160, 40));
    painter.drawEllipse(QRect(w / 4, h / 4, w / 2, h / 2));
    return image;
}

// A TIFF block as an APP1 payload ("Exif\0\0" + TIFF), built by libexif.
QByteArray exifPayload(const QByteArray &date19, int orientation, ExifByteOrder order)
{
    ExifData *data = exif_data_new();
    exif_data_set_byte_order(data, order);
    if (!date19.isEmpty()) {
        ExifEntry *entry = exif_entry_new();
        exif_content_add_entry(data->ifd[EXIF_IFD_EXIF], entry);
        exif_entry_initialize(entry, EXIF_TAG_DATE_TIME_ORIGINAL);
        EXPECT_EQ(entry->size, 20u);
        std::memcpy(entry->data, date19.constData(), 19);
        entry->data[19] = 0;
        exif_entry_unref(entry);
    }
    if (orientation > 0) {
        ExifEntry *entry = exif_entry_new();
        exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
        exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
        exif_set_short(entry->data, order, static_cast<ExifShort>(orientation));
        exif_entry_unref(entry);
    }
    unsigned char *bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    QByteArray payload(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    std::free(bytes);
    exif_data_unref(data);
    return payload;
}

// Puts the payload into an APP1 segment right after the start-of-image marker.
void spliceExif(const QString &path, const QByteArray &payload)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray jpeg = file.readAll();
    file.close();
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8"));
    QByteArray segment("\xFF\xE1", 2);
    const int length = static_cast<int>(payload.size()) + 2;
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF)).append(payload);
    jpeg.insert(2, segment);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(jpeg);
}

class JpegFiles : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString writeJpeg(const QString &name, const QImage &image, int quality = 95)
    {
        ImgSource source;
        EXPECT_TRUE(source.loadPicture(image));
        const QString file = path(name);
        EXPECT_TRUE(source.saveJpg(file, quality));
        return file;
    }

    QTemporaryDir m_dir;
};

double meanDifference(const ImgSource &a, const QImage &b)
{
    const QImage rgb = b.convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 3; ++x)
            sum += std::abs(a.rgbData()[y * a.width() * 3 + x] - rgb.constScanLine(y)[x]);
    return sum / (a.width() * a.height() * 3);
}

} // namespace

TEST_F(JpegFiles, SaveAndLoadRoundTrip)
{
    const QImage original = photo(96, 72);
    const QString file = writeJpeg(QStringLiteral("round.jpg"), original, 95);
    ImgSource loaded;
    ASSERT_TRUE(loaded.loadFile(file));
    ASSERT_EQ(loaded.width(), 96);
    ASSERT_EQ(loaded.height(), 72);
    EXPECT_LT(meanDifference(loaded, original), 3.0);

    // A lower quality gives a smaller file; quality outside 1..100 is clamped.
    const QString low = writeJpeg(QStringLiteral("low.jpg"), original, 20);
    EXPECT_LT(QFile(low).size(), QFile(file).size());
    EXPECT_EQ(QFile(writeJpeg(QStringLiteral("over.jpg"), original, 250)).size(),
        QFile(writeJpeg(QStringLiteral("max.jpg"), original, 100)).size());
}

TEST_F(JpegFiles, UnreadableFilesLeaveNoPixelsButTheOldSize)
{
    QFile junk(path(QStringLiteral("junk.jpg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("\xFF\xD8\xFF\xE0 this is no picture");
    junk.close();

    ImgSource image;
    image.create(7, 5);
    image.fill(0);
    EXPECT_FALSE(image.loadFile(path(QStringLiteral("missing.jpg"))));
    EXPECT_FALSE(image.hasPixels());
    EXPECT_EQ(image.width(), 7);
    EXPECT_EQ(image.height(), 5);
    EXPECT_FALSE(image.loadFile(junk.fileName()));
    EXPECT_FALSE(image.hasPixels());
    // Nothing reads the stale size.
    EXPECT_FALSE(image.resize(3, 3, 13));
    EXPECT_FALSE(image.saveJpg(path(QStringLiteral("out.jpg")), 90));
    std::uint8_t line[21];
    image.line(0, line);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.jpg"))));
}

// A truncated file would show a grey band where its data ends; stray bytes
// before a marker are merely skipped and keep the picture.
TEST_F(JpegFiles, TruncatedFileFailsButStrayBytesDoNot)
{
    const QString file = writeJpeg(QStringLiteral("cut.jpg"), photo(256, 256), 90);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray whole = f.readAll();
    ASSERT_TRUE(f.resize(f.size() * 2 / 3));
    f.close();
    ImgSource image;
    QString problem;
    EXPECT_FALSE(image.loadFile(file, 0, 0, &problem));
    EXPECT_TRUE(problem.contains(u"Premature end of JPEG file")) << problem.toStdString();

    ASSERT_TRUE(whole.endsWith("\xFF\xD9"));
    whole.insert(whole.size() - 2, "junk");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(whole);
    f.close();
    EXPECT_TRUE(image.loadFile(file, 0, 0, &problem));
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_EQ(image.width(), 256);
}

TEST_F(JpegFiles, SaveIntoAMissingFolderFailsWithoutLeavingAFile)
{
    ImgSource image;
    image.loadPicture(photo(16, 16));
    EXPECT_FALSE(image.saveJpg(path(QStringLiteral("no/such/folder/x.jpg")), 90));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("no/such/folder/x.jpg"))));
}

TEST_F(JpegFiles, ExifTagIsEmptyWhenMissingOrUnreadable)
{
    const QString plain = writeJpeg(QStringLiteral("plain.jpg"), photo(32, 32));
    EXPECT_EQ(ImgSource::exifTag(plain, kDateTimeOriginal), QString());
    EXPECT_EQ(ImgSource::exifTag(path(QStringLiteral("missing.jpg")), kDateTimeOriginal), QString());

    QFile text(path(QStringLiteral("text.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a jpeg at all");
    text.close();
    EXPECT_EQ(ImgSource::exifTag(text.fileName(), kDateTimeOriginal), QString());

    // An EXIF block without the asked tag, and one damaged beyond reading.
    const QString other = writeJpeg(QStringLiteral("other.jpg"), photo(32, 32));
    spliceExif(other, exifPayload(QByteArray(), 1, EXIF_BYTE_ORDER_INTEL));
    EXPECT_EQ(ImgSource::exifTag(other, kDateTimeOriginal), QString());
    const QString broken = writeJpeg(QStringLiteral("broken.jpg"), photo(32, 32));
    static const char damaged[] = "Exif\0\0MM\0\x2A\xFF\xFF\xFF\xFF garbage"; // first IFD far beyond the end
    spliceExif(broken, QByteArray(damaged, sizeof damaged - 1));
    EXPECT_EQ(ImgSource::exifTag(broken, kDateTimeOriginal), QString());
    ImgSource image;
    EXPECT_TRUE(image.loadFile(broken)); // the picture itself is fine
}

TEST_F(JpegFiles, ExifDateAndOrientationReadBackInBothByteOrders)
{
    for (const ExifByteOrder order : { EXIF_BYTE_ORDER_INTEL, EXIF_BYTE_ORDER_MOTOROLA }) {
        const QString file = writeJpeg(QStringLiteral("dated.jpg"), photo(40, 30));
        spliceExif(file, exifPayload("2021:07:04 14:05:33", 6, order));
        EXPECT_EQ(ImgSource::exifTag(file, kDateTimeOriginal), QStringLiteral("2021:07:04 14:05:33"));
        EXPECT_EQ(ImgSource::exifTag(file, kOrientation), QStringLiteral("6"));
        EXPECT_EQ(ImgSource().exifTagOf(file, kDateTimeOriginal).size(), 19);
    }
}

// Each EXIF orientation: the stored picture is the upright one turned or
// mirrored; a red block marks the upright top-left corner, a green block the
// upright top-right corner. The table says where the two blocks lie in the
// stored picture (corners: TL, TR, BL, BR).
struct OrientationCase
{
    int orientation;
    const char *red;
    const char *green;
};

class Orientations : public JpegFiles, public ::testing::WithParamInterface<OrientationCase>
{
};

TEST_P(Orientations, PictureComesOutUprightAtItsUprightSize)
{
    const OrientationCase c = GetParam();
    const bool sideways = c.orientation >= 5;
    const int w = sideways ? 32 : 64; // upright it is 64 x 32
    const int h = sideways ? 64 : 32;
    QImage stored(w, h, QImage::Format_RGB32);
    stored.fill(Qt::black);
    const auto corner = [w, h](const char *where) {
        const int x = where[1] == 'L' ? 0 : w - 16;
        const int y = where[0] == 'T' ? 0 : h - 16;
        return QRect(x, y, 16, 16);
    };
    QPainter painter(&stored);
    painter.fillRect(corner(c.red), Qt::red);
    painter.fillRect(corner(c.green), Qt::green);
    painter.end();

    const QString file = writeJpeg(QStringLiteral("o.jpg"), stored, 98);
    spliceExif(file, exifPayload("2020:01:01 00:00:00", c.orientation, EXIF_BYTE_ORDER_INTEL));

    EXPECT_EQ(ImgSource::pictureSize(file), QSize(64, 32));
    ImgSource image;
    ASSERT_TRUE(image.loadFile(file));
    ASSERT_EQ(image.width(), 64);
    ASSERT_EQ(image.height(), 32);
    const auto pixel = [&image](int x, int y) {
        const std::uint8_t *p = image.rgbData() + (y * 64 + x) * 3;
        return QColor(p[0], p[1], p[2]);
    };
    EXPECT_GT(pixel(7, 7).red(), 200);
    EXPECT_LT(pixel(7, 7).green(), 60);
    EXPECT_GT(pixel(56, 7).green(), 200);
    EXPECT_LT(pixel(56, 7).red(), 60);
    EXPECT_LT(pixel(7, 24).red() + pixel(7, 24).green(), 60);
    EXPECT_LT(pixel(56, 24).red() + pixel(56, 24).green(), 60);
}

INSTANTIATE_TEST_SUITE_P(AllEight, Orientations,
    ::testing::Values(OrientationCase { 1, "TL", "TR" }, // as stored
        OrientationCase { 2, "TR", "TL" }, // mirrored left-right
        OrientationCase { 3, "BR", "BL" }, // upside down
        OrientationCase { 4, "BL", "BR" }, // mirrored top-bottom
        OrientationCase { 5, "TL", "BL" }, // transposed
        OrientationCase { 6, "BL", "TL" }, // camera turned clockwise
        OrientationCase { 7, "BR", "TR" }, // transversed
        OrientationCase { 8, "TR", "BR" }), // camera turned anticlockwise
    [](const ::testing::TestParamInfo<OrientationCase> &info) {
        return "Orientation" + std::to_string(info.param.orientation);
    });

TEST(JpegReduction, PicksTheLargestReductionThatKeepsTheMinimum)
{
    EXPECT_EQ(JpegCodec::chooseReduction(800, 600, 200, 150), 4);
    EXPECT_EQ(JpegCodec::chooseReduction(800, 600, 201, 150), 2);
    EXPECT_EQ(JpegCodec::chooseReduction(800, 600, 100, 75), 8);
    EXPECT_EQ(JpegCodec::chooseReduction(800, 600, 401, 10), 1);
    EXPECT_EQ(JpegCodec::chooseReduction(800, 600, 1000, 1000), 1);
    EXPECT_EQ(JpegCodec::chooseReduction(800, 600, 0, 0), 1);
    EXPECT_EQ(JpegCodec::chooseReduction(801, 601, 101, 76), 8); // odd sizes round up: 101 x 76
    EXPECT_EQ(JpegCodec::chooseReduction(801, 601, 0, 301), 2);
}

TEST_F(JpegFiles, ScaledDecodeNeverGoesBelowTheMinimum)
{
    const QString file = writeJpeg(QStringLiteral("big.jpg"), photo(800, 600), 90);
    struct Case
    {
        int minW, minH, w, h;
    };
    for (const Case c : { Case { 200, 150, 200, 150 }, Case { 201, 150, 400, 300 }, Case { 100, 75, 100, 75 },
             Case { 0, 0, 800, 600 }, Case { 1000, 1000, 800, 600 }, Case { 704, 528, 800, 600 } }) {
        ImgSource image;
        ASSERT_TRUE(image.loadFile(file, c.minW, c.minH));
        EXPECT_EQ(image.width(), c.w) << c.minW << "x" << c.minH;
        EXPECT_EQ(image.height(), c.h) << c.minW << "x" << c.minH;
    }
    // The scaled decode still shows the picture, not noise.
    ImgSource small;
    ASSERT_TRUE(small.loadFile(file, 100, 75));
    EXPECT_LT(meanDifference(
                  small, photo(800, 600).scaled(100, 75, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
        8.0);
}

TEST_F(JpegFiles, ScaledDecodeMeasuresTheMinimumOnTheUprightPicture)
{
    // Stored 800 x 400, upright 400 x 800.
    const QString file = writeJpeg(QStringLiteral("portrait.jpg"), photo(800, 400), 90);
    spliceExif(file, exifPayload(QByteArray(), 6, EXIF_BYTE_ORDER_MOTOROLA));
    EXPECT_EQ(ImgSource::pictureSize(file), QSize(400, 800));
    ImgSource image;
    ASSERT_TRUE(image.loadFile(file, 100, 200));
    EXPECT_EQ(image.width(), 100);
    EXPECT_EQ(image.height(), 200);
    ASSERT_TRUE(image.loadFile(file, 101, 200));
    EXPECT_EQ(image.width(), 200);
    EXPECT_EQ(image.height(), 400);
    EXPECT_FALSE(ImgSource::pictureSize(path(QStringLiteral("missing.jpg"))).isValid());
}

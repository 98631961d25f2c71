#include "imaging/PictureReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageIOHandler>
#include <QImageReader>

#include <libheif/heif.h>

#include "imaging/ExifBlock.h"
#include "imaging/JpegCodec.h"
#include "imaging/JpegHead.h"
#include "imaging/VectorClones.h"

namespace {

const QByteArray kExifHeader("Exif\0\0", 6);
// An EXIF block larger than this is damage, not data.
constexpr quint32 kLargestExif = 16 * 1024 * 1024;

struct HeifContextFree
{
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HeifHandleRelease
{
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct HeifImageRelease
{
    void operator()(heif_image *image) const { heif_image_release(image); }
};
struct HeifOptionsFree
{
    void operator()(heif_decoding_options *options) const { heif_decoding_options_free(options); }
};
using HeifContext = std::unique_ptr<heif_context, HeifContextFree>;
using HeifHandle = std::unique_ptr<heif_image_handle, HeifHandleRelease>;
using HeifImage = std::unique_ptr<heif_image, HeifImageRelease>;
using HeifOptions = std::unique_ptr<heif_decoding_options, HeifOptionsFree>;

// The primary image of a HEIF file with the context that owns it; message
// holds libheif's reason when there is none.
struct HeifPrimary
{
    HeifContext context;
    HeifHandle handle;
    QString message;
};

HeifPrimary openHeif(const QString &fileName)
{
    HeifPrimary primary;
    primary.context.reset(heif_context_alloc());
    if (!primary.context) {
        primary.message = QStringLiteral("out of memory");
        return primary;
    }
    heif_error error = heif_context_read_from_file(
        primary.context.get(), QFile::encodeName(fileName).constData(), nullptr);
    heif_image_handle *handle = nullptr;
    if (error.code == heif_error_Ok)
        error = heif_context_get_primary_image_handle(primary.context.get(), &handle);
    primary.handle.reset(handle);
    if (error.code != heif_error_Ok)
        primary.message = QString::fromUtf8(error.message);
    return primary;
}

// A TIFF structure as the APP1 payload ExifBlock reads.
QByteArray asPayload(const QByteArray &tiff)
{
    if (tiff.startsWith(kExifHeader))
        return tiff;
    if (!tiff.startsWith("II*") && !tiff.startsWith(QByteArray("MM\0*", 4)))
        return {};
    return kExifHeader + tiff;
}

QByteArray jpegExif(QIODevice &device)
{
    JpegHead head;
    return head.read(device) ? head.exif() : QByteArray();
}

quint32 bigEndian32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | u[3];
}

quint32 littleEndian32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint32(u[3]) << 24 | quint32(u[2]) << 16 | quint32(u[1]) << 8 | u[0];
}

// The eXIf chunk may follow the image data, so the walk seeks over every
// chunk instead of reading it.
QByteArray pngExif(QIODevice &device)
{
    qint64 at = 8;
    for (;;) {
        if (!device.seek(at))
            return {};
        const QByteArray head = device.read(8);
        if (head.size() != 8)
            return {};
        const quint32 length = bigEndian32(head.constData());
        const QByteArray type = head.mid(4);
        if (type == "eXIf")
            return length <= kLargestExif ? asPayload(device.read(length)) : QByteArray();
        if (type == "IEND")
            return {};
        at += 12 + qint64(length);
    }
}

QByteArray webpExif(QIODevice &device)
{
    qint64 at = 12; // after "RIFF", the size and "WEBP"
    for (;;) {
        if (!device.seek(at))
            return {};
        const QByteArray head = device.read(8);
        if (head.size() != 8)
            return {};
        const quint32 length = littleEndian32(head.constData() + 4);
        if (head.startsWith("EXIF"))
            return length <= kLargestExif ? asPayload(device.read(length)) : QByteArray();
        at += 8 + qint64(length) + (length & 1);
    }
}

// libheif's Exif item starts with the offset of the TIFF header from the
// end of those four bytes (usually 6, skipping "Exif\0\0").
QByteArray heifExif(heif_image_handle *handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return {};
    const size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size <= 4 || size > size_t(std::numeric_limits<int>::max()))
        return {};
    QByteArray block(qsizetype(size), '\0');
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    const quint32 offset = bigEndian32(block.constData());
    if (offset > size - 4)
        return {};
    return asPayload(block.mid(4 + offset));
}

int orientationOfPayload(const QByteArray &payload)
{
    return payload.isEmpty() ? 1 : ExifBlock(payload).orientation();
}

// The EXIF orientation (1..8) that a Qt image reader's transformation stands for.
int orientationOfTransformation(QImageIOHandler::Transformations transformation)
{
    switch (int(transformation)) {
    case QImageIOHandler::TransformationMirror:
        return 2;
    case QImageIOHandler::TransformationRotate180:
        return 3;
    case QImageIOHandler::TransformationFlip:
        return 4;
    case QImageIOHandler::TransformationFlipAndRotate90:
        return 5;
    case QImageIOHandler::TransformationRotate90:
        return 6;
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return 7;
    case QImageIOHandler::TransformationRotate270:
        return 8;
    default:
        return 1;
    }
}

QByteArray qtFormatName(MediaFormat format)
{
    switch (format) {
    case MediaFormat::Png:
        return "png";
    case MediaFormat::Gif:
        return "gif";
    case MediaFormat::Bmp:
        return "bmp";
    case MediaFormat::Tiff:
        return "tiff";
    case MediaFormat::WebP:
        return "webp";
    default:
        return {};
    }
}

// The stored orientation of a picture Qt reads: Qt's own reading of the file
// where it has one (TIFF), else the EXIF that PNG and WebP carry in chunks Qt
// leaves alone.
int qtOrientation(QImageReader &reader, QIODevice &device, MediaFormat format)
{
    const int fromQt = orientationOfTransformation(reader.transformation());
    if (fromQt != 1)
        return fromQt;
    const qint64 at = device.pos();
    QByteArray payload;
    if (format == MediaFormat::Png)
        payload = pngExif(device);
    else if (format == MediaFormat::WebP)
        payload = webpExif(device);
    device.seek(at);
    return orientationOfPayload(payload);
}

// The stored picture turned upright for EXIF orientations 1..8 (stored size
// w x h; 5..8 swap the axes). Upright pixel (x, y) is read at
// origin + x * along + y * down bytes of the stored buffer.
std::vector<std::uint8_t> turnUpright(const std::vector<std::uint8_t> &stored, int w, int h, int orientation,
    int &uprightWidth, int &uprightHeight)
{
    const std::ptrdiff_t pixel = 3;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(w) * 3;
    const std::ptrdiff_t right = (w - 1) * pixel;
    const std::ptrdiff_t bottom = (h - 1) * row;
    struct Walk
    {
        std::ptrdiff_t origin, along, down;
    };
    const Walk walks[8] = {
        { 0, pixel, row }, // 1 as stored
        { right, -pixel, row }, // 2 mirrored left to right
        { bottom + right, -pixel, -row }, // 3 upside down
        { bottom, pixel, -row }, // 4 mirrored top to bottom
        { 0, row, pixel }, // 5 transposed
        { bottom, -row, pixel }, // 6 camera turned clockwise
        { bottom + right, -row, -pixel }, // 7 transversed
        { right, row, -pixel }, // 8 camera turned anticlockwise
    };
    const Walk walk = walks[orientation >= 1 && orientation <= 8 ? orientation - 1 : 0];
    const bool swapped = orientation >= 5;
    uprightWidth = swapped ? h : w;
    uprightHeight = swapped ? w : h;
    std::vector<std::uint8_t> upright(stored.size());
    std::uint8_t *out = upright.data();
    for (int y = 0; y < uprightHeight; ++y) {
        const std::uint8_t *in = stored.data() + walk.origin + y * walk.down;
        for (int x = 0; x < uprightWidth; ++x, out += 3, in += walk.along) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    return upright;
}

// An interleaved RGB or RGBA plane (RGBA composed over black) reduced to
// 1/reduction of its size by averaging each reduction x reduction block (the
// blocks of the last row and column may be smaller), into packed RGB.
// HEIF and most of Qt's readers have no reduced decode as JPEG's DCT has;
// this takes its place at a small part of the cost of resampling the whole
// picture.
KELVARA_VECTOR_CLONES void reduceInto(const std::uint8_t *plane, std::ptrdiff_t stride, int width, int height,
    int channels, int reduction, std::uint8_t *out)
{
    if (reduction == 1 && channels == 3) {
        for (int y = 0; y < height; ++y, out += std::ptrdiff_t(width) * 3)
            std::memcpy(out, plane + y * stride, std::size_t(width) * 3);
        return;
    }
    const int outWidth = JpegCodec::scaledSize(width, reduction);
    const int outHeight = JpegCodec::scaledSize(height, reduction);
    std::vector<std::uint32_t> sums(std::size_t(outWidth) * 3);
    for (int oy = 0; oy < outHeight; ++oy) {
        std::fill(sums.begin(), sums.end(), 0);
        const int top = oy * reduction;
        const int rows = std::min(reduction, height - top);
        for (int y = top; y < top + rows; ++y) {
            const std::uint8_t *in = plane + y * stride;
            for (int x = 0; x < width; ++x, in += channels) {
                std::uint32_t *sum = sums.data() + std::size_t(x / reduction) * 3;
                if (channels == 4) {
                    sum[0] += (in[0] * in[3] + 127) / 255;
                    sum[1] += (in[1] * in[3] + 127) / 255;
                    sum[2] += (in[2] * in[3] + 127) / 255;
                } else {
                    sum[0] += in[0];
                    sum[1] += in[1];
                    sum[2] += in[2];
                }
            }
        }
        for (int ox = 0; ox < outWidth; ++ox, out += 3) {
            const std::uint32_t count = std::uint32_t(rows) * std::min(reduction, width - ox * reduction);
            const std::uint32_t *sum = sums.data() + std::size_t(ox) * 3;
            out[0] = std::uint8_t((sum[0] + count / 2) / count);
            out[1] = std::uint8_t((sum[1] + count / 2) / count);
            out[2] = std::uint8_t((sum[2] + count / 2) / count);
        }
    }
}

bool fitsBuffer(long long width, long long height)
{
    return width > 0 && height > 0 && 3 * width * height <= std::numeric_limits<std::int32_t>::max();
}

// Qt refuses to allocate a picture over its limit (256 MB by default: 64
// megapixels at four bytes each), which stitched panoramas pass. The limit
// is raised once to what a whole picture of 256 megapixels takes, and
// wholeReadAllowed decides before any pixel is read which pictures may use it.
constexpr qint64 kQtDefaultLimitBytes = 256LL * 1024 * 1024;
constexpr int kQtReadLimitMb = 1024;
// Deflate, the densest packing these formats use, packs at most about 1,032
// pixels of one byte into a byte of file.
constexpr qint64 kDensestPacking = 1100;

void raiseQtReadLimit()
{
    static const bool raised = [] {
        QImageReader::setAllocationLimit(kQtReadLimitMb);
        return true;
    }();
    Q_UNUSED(raised);
}

// Past Qt's default limit only PNG and TIFF, the formats panoramas come in,
// are read whole, and only from a file large enough to hold that many
// pixels: a few bytes claiming a huge picture take no memory.
bool wholeReadAllowed(const QSize &size, MediaFormat format, qint64 fileBytes)
{
    const qint64 bytes = 4LL * size.width() * size.height();
    if (bytes <= kQtDefaultLimitBytes)
        return true;
    if (format != MediaFormat::Png && format != MediaFormat::Tiff)
        return false;
    return bytes <= kQtReadLimitMb * 1024LL * 1024LL && fileBytes * kDensestPacking >= bytes / 4;
}

// Qt's PNG reader reduces row by row as it decodes, so a large picture never
// stays in memory whole; a scaled 1-bit palette picture comes out black, so
// palette pictures are read whole. libwebp decodes straight at the reduced
// size.
bool decodesScaled(QImageReader &reader, MediaFormat format)
{
    if (format == MediaFormat::WebP)
        return true;
    if (format != MediaFormat::Png)
        return false;
    switch (reader.imageFormat()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Invalid:
        return false;
    default:
        return true;
    }
}

} // namespace

std::vector<std::uint8_t> PictureReader::takePixels()
{
    m_width = m_height = 0;
    return std::exchange(m_rgb, {});
}

bool PictureReader::fail(const QString &problem)
{
    std::vector<std::uint8_t>().swap(m_rgb);
    m_width = m_height = 0;
    m_problem = problem;
    return false;
}

void PictureReader::setUpright(std::vector<std::uint8_t> stored, int width, int height, int orientation)
{
    if (orientation != 1)
        stored = turnUpright(stored, width, height, orientation, width, height);
    m_rgb = std::move(stored);
    m_width = width;
    m_height = height;
}

bool PictureReader::read(const QString &fileName, int minWidth, int minHeight)
{
    m_problem.clear();
    std::vector<std::uint8_t>().swap(m_rgb);
    m_width = m_height = 0;

    bool readable = true;
    const MediaFormat format = MediaSignature::formatOfFile(fileName, &readable);
    if (!readable)
        return fail(QStringLiteral("cannot be read"));
    try {
        switch (format) {
        case MediaFormat::Jpeg:
            return readJpeg(fileName, minWidth, minHeight);
        case MediaFormat::Png:
        case MediaFormat::Gif:
        case MediaFormat::Bmp:
        case MediaFormat::Tiff:
        case MediaFormat::WebP:
            return readWithQt(fileName, format, minWidth, minHeight);
        case MediaFormat::Heif:
        case MediaFormat::Avif:
            return readHeif(fileName, minWidth, minHeight);
        default:
            return fail(QStringLiteral("cannot be decoded: not a picture format known here"));
        }
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("cannot be decoded: too large for memory"));
    }
}

bool PictureReader::readJpeg(const QString &fileName, int minWidth, int minHeight)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot be read"));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot be read"));
    file.close();

    JpegHead head;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    const bool headRead = head.read(buffer);
    const int orientation = headRead ? orientationOfPayload(head.exif()) : 1;

    // The minimum applies to the upright picture; the decoder sees the stored frame.
    if (orientation >= 5)
        std::swap(minWidth, minHeight);
    int reduction = 1;
    if (headRead && head.width() > 0 && head.height() > 0)
        reduction = JpegCodec::chooseReduction(head.width(), head.height(), minWidth, minHeight);

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    QString problem;
    if (!JpegCodec::decode(data, reduction, pixels, width, height, &problem))
        return fail(QStringLiteral("cannot be decoded: %1").arg(problem));
    setUpright(std::move(pixels), width, height, orientation);
    return true;
}

bool PictureReader::readWithQt(const QString &fileName, MediaFormat format, int minWidth, int minHeight)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot be read"));
    QImageReader reader(&file, qtFormatName(format));
    // Orientation is applied below, the same way for every format.
    reader.setAutoTransform(false);
    const int orientation = qtOrientation(reader, file, format);

    // A large picture is reduced as JPEG's scaled decode would reduce it:
    // by the reader itself where it can (decodesScaled), else once read.
    const QSize stored = reader.size();
    if (orientation >= 5)
        std::swap(minWidth, minHeight);
    int reduction = 1;
    if (stored.isValid() && !stored.isEmpty()) {
        reduction = JpegCodec::chooseReduction(stored.width(), stored.height(), minWidth, minHeight);
        if (reduction > 1 && decodesScaled(reader, format)) {
            reader.setScaledSize(QSize(JpegCodec::scaledSize(stored.width(), reduction),
                JpegCodec::scaledSize(stored.height(), reduction)));
            reduction = 1;
        }
        if (!reader.scaledSize().isValid() && !wholeReadAllowed(stored, format, file.size()))
            return fail(QStringLiteral("cannot be decoded: picture too large (%1 x %2)")
                            .arg(stored.width())
                            .arg(stored.height()));
    }

    raiseQtReadLimit();
    QImage image = reader.read();
    if (image.isNull()) {
        const QString message = reader.errorString();
        return fail(QStringLiteral("cannot be decoded: %1")
                        .arg(message.isEmpty() ? QStringLiteral("no picture in the file") : message));
    }
    if (!fitsBuffer(image.width(), image.height()))
        return fail(QStringLiteral("cannot be decoded: picture too large"));

    // Converted in place where the depth allows: a picture read whole is
    // not copied once more. Transparency is composed over black as it is
    // reduced.
    const bool alpha = image.hasAlphaChannel();
    image.convertTo(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    if (image.isNull())
        return fail(QStringLiteral("cannot be decoded: too large for memory"));

    const int width = JpegCodec::scaledSize(image.width(), reduction);
    const int height = JpegCodec::scaledSize(image.height(), reduction);
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    reduceInto(
        image.constBits(), image.bytesPerLine(), image.width(), image.height(), 4, reduction, pixels.data());
    setUpright(std::move(pixels), width, height, orientation);
    return true;
}

bool PictureReader::readHeif(const QString &fileName, int minWidth, int minHeight)
{
    const HeifPrimary primary = openHeif(fileName);
    if (!primary.handle)
        return fail(QStringLiteral("cannot be decoded: %1").arg(primary.message));

    // libheif applies the file's own rotation, mirroring and crop; these are
    // what make a HEIF picture upright, so the EXIF orientation (which
    // cameras often leave describing the sensor) is not applied again.
    const bool alpha = heif_image_handle_has_alpha_channel(primary.handle.get());
    HeifOptions options(heif_decoding_options_alloc());
    if (options && options->version >= 2)
        options->convert_hdr_to_8bit = 1;
    heif_image *decoded = nullptr;
    const heif_error error = heif_decode_image(primary.handle.get(), &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    const HeifImage image(decoded);
    if (error.code != heif_error_Ok || !image)
        return fail(QStringLiteral("cannot be decoded: %1").arg(QString::fromUtf8(error.message)));

    int stride = 0;
    const std::uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || !fitsBuffer(width, height))
        return fail(QStringLiteral("cannot be decoded: no picture in the file"));

    const int reduction = JpegCodec::chooseReduction(width, height, minWidth, minHeight);
    const int outWidth = JpegCodec::scaledSize(width, reduction);
    const int outHeight = JpegCodec::scaledSize(height, reduction);
    std::vector<std::uint8_t> pixels(std::size_t(outWidth) * outHeight * 3);
    reduceInto(plane, stride, width, height, alpha ? 4 : 3, reduction, pixels.data());
    setUpright(std::move(pixels), outWidth, outHeight, 1);
    return true;
}

QSize PictureReader::uprightSize(const QString &fileName)
{
    const MediaFormat format = MediaSignature::formatOfFile(fileName);
    if (format == MediaFormat::Heif || format == MediaFormat::Avif) {
        // The handle's size is the one after libheif's transformations.
        const HeifPrimary primary = openHeif(fileName);
        if (!primary.handle)
            return {};
        const QSize size(heif_image_handle_get_width(primary.handle.get()),
            heif_image_handle_get_height(primary.handle.get()));
        return size.isEmpty() ? QSize() : size;
    }

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QSize size;
    int orientation = 1;
    if (format == MediaFormat::Jpeg) {
        JpegHead head;
        if (!head.read(file))
            return {};
        size = QSize(head.width(), head.height());
        orientation = orientationOfPayload(head.exif());
    } else if (!qtFormatName(format).isEmpty()) {
        QImageReader reader(&file, qtFormatName(format));
        reader.setAutoTransform(false);
        orientation = qtOrientation(reader, file, format);
        size = reader.size();
    }
    if (!size.isValid() || size.isEmpty())
        return {};
    return orientation >= 5 ? size.transposed() : size;
}

QByteArray PictureReader::exifOf(const QString &fileName)
{
    const MediaFormat format = MediaSignature::formatOfFile(fileName);
    if (format == MediaFormat::Heif || format == MediaFormat::Avif) {
        const HeifPrimary primary = openHeif(fileName);
        return primary.handle ? heifExif(primary.handle.get()) : QByteArray();
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    switch (format) {
    case MediaFormat::Jpeg:
        return jpegExif(file);
    case MediaFormat::Png:
        return pngExif(file);
    case MediaFormat::WebP:
        return webpExif(file);
    case MediaFormat::Tiff:
        // The file is itself the TIFF structure EXIF uses; its tags point
        // anywhere in it.
        return asPayload(file.readAll());
    default:
        return {};
    }
}

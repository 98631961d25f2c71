#include "imaging/JpegCodec.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

#include <turbojpeg.h>

namespace {

struct HandleCloser
{
    void operator()(void *handle) const
    {
        if (handle)
            tjDestroy(handle);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

bool offersReduction(int reduction)
{
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i)
        if (factors[i].num == 1 && factors[i].denom == reduction)
            return true;
    return false;
}

// Warnings after which the picture lacks pixels: the file ended early, or scan
// data was damaged and filled in. Extraneous bytes before a marker are
// skipped without loss, so that warning alone keeps the picture.
bool losesPixels(const QString &warning)
{
    if (warning.contains(QLatin1String("premature end"), Qt::CaseInsensitive))
        return true;
    return warning.startsWith(QLatin1String("Corrupt JPEG data"))
        && !warning.contains(QLatin1String("extraneous bytes"));
}

void report(QString *problem, const QString &message)
{
    if (problem)
        *problem = message;
}

} // namespace

int JpegCodec::scaledSize(int size, int reduction)
{
    return static_cast<int>((static_cast<long long>(size) + reduction - 1) / reduction);
}

int JpegCodec::chooseReduction(int width, int height, int minWidth, int minHeight)
{
    if (minWidth <= 0 && minHeight <= 0)
        return 1;
    for (int reduction : { 8, 4, 2 }) {
        if (scaledSize(width, reduction) >= minWidth && scaledSize(height, reduction) >= minHeight
            && offersReduction(reduction))
            return reduction;
    }
    return 1;
}

bool JpegCodec::decode(const QByteArray &jpeg, int reduction, std::vector<std::uint8_t> &rgb, int &width,
    int &height, QString *problem)
{
    Handle handle(tjInitDecompress());
    if (!handle || jpeg.isEmpty()) {
        report(problem, QStringLiteral("empty stream"));
        return false;
    }
    const auto message = [&handle] { return QString::fromLocal8Bit(tjGetErrorStr2(handle.get())); };
    const auto *data = reinterpret_cast<const unsigned char *>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());

    int fullWidth = 0;
    int fullHeight = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &fullWidth, &fullHeight, &subsampling, &colourspace)
        != 0) {
        report(problem, message());
        return false;
    }
    if (reduction != 1 && !offersReduction(reduction))
        reduction = 1;
    const int w = scaledSize(fullWidth, reduction);
    const int h = scaledSize(fullHeight, reduction);
    const long long bytes = 3LL * w * h;
    if (w < 1 || h < 1 || bytes > std::numeric_limits<std::int32_t>::max()) {
        report(problem, QStringLiteral("picture too large"));
        return false;
    }

    // Adobe-style CMYK/YCCK files cannot be turned into RGB by the library;
    // take the inks and convert them here (they are stored inverted).
    const bool inks = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    std::vector<std::uint8_t> cmyk;
    rgb.assign(static_cast<size_t>(bytes), 0);
    if (inks)
        cmyk.assign(static_cast<size_t>(4LL * w * h), 0);
    unsigned char *target = inks ? cmyk.data() : rgb.data();
    const int pixelFormat = inks ? TJPF_CMYK : TJPF_RGB;
    if (tjDecompress2(handle.get(), data, size, target, w, 0, h, pixelFormat, TJFLAG_ACCURATEDCT) != 0) {
        const QString text = message();
        if (tjGetErrorCode(handle.get()) != TJERR_WARNING || losesPixels(text)) {
            report(problem, text);
            rgb.clear();
            return false;
        }
    }
    if (inks) {
        const std::uint8_t *in = cmyk.data();
        std::uint8_t *out = rgb.data();
        for (long long i = 0; i < 1LL * w * h; ++i, in += 4, out += 3) {
            out[0] = static_cast<std::uint8_t>(in[0] * in[3] / 255);
            out[1] = static_cast<std::uint8_t>(in[1] * in[3] / 255);
            out[2] = static_cast<std::uint8_t>(in[2] * in[3] / 255);
        }
    }
    width = w;
    height = h;
    return true;
}

bool JpegCodec::encode(const std::uint8_t *rgb, int width, int height, int quality, QByteArray &jpeg)
{
    if (!rgb || width < 1 || height < 1)
        return false;
    Handle handle(tjInitCompress());
    if (!handle)
        return false;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    // 4:2:0 chroma: the still encoder turns every JPEG into 4:2:0 MPEG video,
    // so finer chroma would only make the intermediate files larger; jpeg2yuv
    // also takes 4:2:0 planes as they are instead of subsampling them itself.
    const int result = tjCompress2(handle.get(), rgb, width, width * 3, height, TJPF_RGB, &buffer, &size,
        TJSAMP_420, std::clamp(quality, 1, 100), TJFLAG_ACCURATEDCT);
    if (result == 0 && buffer)
        jpeg = QByteArray(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    tjFree(buffer);
    return result == 0;
}

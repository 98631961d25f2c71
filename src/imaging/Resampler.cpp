#include "imaging/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "imaging/VectorClones.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Weights are fixed point with 16 fraction bits. An int32 accumulator holds
// 255 * 65536 * 128, and no kernel here comes near a sum of |weights| of 128.
constexpr int kPrecisionBits = 16;
constexpr std::int32_t kOne = 1 << kPrecisionBits;
constexpr std::int32_t kHalf = 1 << (kPrecisionBits - 1);

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    x *= kPi;
    return std::sin(x) / x;
}

// Mitchell-Netravali two-parameter cubic; B = 0 gives the Keys family with a = -C.
double cubicBC(double x, double b, double c)
{
    x = std::fabs(x);
    if (x < 1.0)
        return ((12.0 - 9.0 * b - 6.0 * c) * x * x * x + (-18.0 + 12.0 * b + 6.0 * c) * x * x
                   + (6.0 - 2.0 * b))
            / 6.0;
    if (x < 2.0)
        return ((-b - 6.0 * c) * x * x * x + (6.0 * b + 30.0 * c) * x * x + (-12.0 * b - 48.0 * c) * x
                   + (8.0 * b + 24.0 * c))
            / 6.0;
    return 0.0;
}

double boxKernel(double x)
{
    // Half-open so a sample exactly between two pixels is not counted twice.
    return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0;
}

double triangleKernel(double x)
{
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

double hammingKernel(double x)
{
    x = std::fabs(x);
    return x < 3.0 ? sinc(x) * (0.54 + 0.46 * std::cos(kPi * x / 3.0)) : 0.0;
}

double hanningKernel(double x)
{
    x = std::fabs(x);
    return x < 3.0 ? sinc(x) * (0.5 + 0.5 * std::cos(kPi * x / 3.0)) : 0.0;
}

double gaussianKernel(double x)
{
    // sigma = 1/2; the support of 1.5 covers three sigmas.
    return std::exp(-2.0 * x * x);
}

double bellKernel(double x)
{
    // Quadratic B-spline.
    x = std::fabs(x);
    if (x < 0.5)
        return 0.75 - x * x;
    if (x < 1.5) {
        const double t = x - 1.5;
        return 0.5 * t * t;
    }
    return 0.0;
}

double bsplineKernel(double x)
{
    return cubicBC(x, 1.0, 0.0);
}
double cubic1Kernel(double x)
{
    return cubicBC(x, 0.0, 1.0);
} // Keys a = -1, the sharp classic
double cubic2Kernel(double x)
{
    return cubicBC(x, 0.0, 0.75);
} // Keys a = -0.75
double catromKernel(double x)
{
    return cubicBC(x, 0.0, 0.5);
} // Keys a = -0.5
double mitchellKernel(double x)
{
    return cubicBC(x, 1.0 / 3.0, 1.0 / 3.0);
}
double hermiteKernel(double x)
{
    return cubicBC(x, 0.0, 0.0);
} // 2|x|^3 - 3|x|^2 + 1 inside 1

double lanczos3Kernel(double x)
{
    x = std::fabs(x);
    return x < 3.0 ? sinc(x) * sinc(x / 3.0) : 0.0;
}

double sincKernel(double x)
{
    // Plain sinc, cut off after four lobes.
    return std::fabs(x) < 4.0 ? sinc(x) : 0.0;
}

struct Filter
{
    const char *name;
    double (*kernel)(double);
    double support;
};

// Index = filter code - 1. Bilinear and bicubic interpolation are the triangle
// and the Keys (a = -0.5) cubic; widened on reduction like every other kernel.
constexpr Filter kFilters[] = {
    { "Nearest pixel", nullptr, 0.0 },
    { "Bi linear", triangleKernel, 1.0 },
    { "Bicubic", catromKernel, 2.0 },
    { "Box", boxKernel, 0.5 },
    { "Triangle", triangleKernel, 1.0 },
    { "Hamming", hammingKernel, 3.0 },
    { "Gaussian", gaussianKernel, 1.5 },
    { "Bell", bellKernel, 1.5 },
    { "B spline", bsplineKernel, 2.0 },
    { "Cubic1", cubic1Kernel, 2.0 },
    { "Cubic2", cubic2Kernel, 2.0 },
    { "Lanczos3", lanczos3Kernel, 3.0 },
    { "Mitchell", mitchellKernel, 2.0 },
    { "Sinc", sincKernel, 4.0 },
    { "Hermite", hermiteKernel, 1.0 },
    { "Hanning", hanningKernel, 3.0 },
    { "Catrom", catromKernel, 2.0 },
};
static_assert(std::size(kFilters) == Resampler::LastFilter);

// For each output position along one axis: the first source index and `taps`
// fixed-point weights (zero padded), all inside 0..srcSize-1.
struct Contributions
{
    int taps = 0;
    std::vector<int> start;
    std::vector<std::int32_t> weights;
};

Contributions computeContributions(int srcSize, int dstSize, const Filter &filter)
{
    const double scale = static_cast<double>(dstSize) / srcSize;
    const double stretch = scale < 1.0 ? 1.0 / scale : 1.0; // kernel widening when shrinking
    const double support = filter.support * stretch;

    std::vector<int> low(dstSize);
    std::vector<int> high(dstSize);
    std::vector<std::vector<double>> dense(dstSize);
    int maxTaps = 1;

    for (int i = 0; i < dstSize; ++i) {
        // Pixel j covers [j, j + 1); output i samples the source at its centre.
        const double centre = (i + 0.5) / scale;
        const int first = static_cast<int>(std::floor(centre - support));
        const int last = static_cast<int>(std::ceil(centre + support));
        int lo = srcSize;
        int hi = -1;
        std::vector<std::pair<int, double>> raw;
        raw.reserve(static_cast<size_t>(last - first + 1));
        double sum = 0.0;
        for (int j = first; j <= last; ++j) {
            const double weight = filter.kernel((j + 0.5 - centre) / stretch);
            if (weight == 0.0)
                continue;
            // Beyond the border the edge pixel repeats, so its weight moves there.
            const int k = std::clamp(j, 0, srcSize - 1);
            raw.emplace_back(k, weight);
            sum += weight;
            lo = std::min(lo, k);
            hi = std::max(hi, k);
        }
        if (raw.empty() || sum == 0.0) {
            const int k = std::clamp(static_cast<int>(centre), 0, srcSize - 1);
            raw.assign(1, { k, 1.0 });
            sum = 1.0;
            lo = hi = k;
        }
        std::vector<double> &d = dense[i];
        d.assign(static_cast<size_t>(hi - lo + 1), 0.0);
        for (const auto &[k, weight] : raw)
            d[static_cast<size_t>(k - lo)] += weight / sum;
        low[i] = lo;
        high[i] = hi;
        maxTaps = std::max(maxTaps, hi - lo + 1);
    }

    Contributions c;
    c.taps = std::min(maxTaps, srcSize);
    c.start.resize(dstSize);
    c.weights.assign(static_cast<size_t>(dstSize) * c.taps, 0);
    for (int i = 0; i < dstSize; ++i) {
        const int start = std::min(low[i], srcSize - c.taps);
        c.start[i] = start;
        std::int32_t *w = &c.weights[static_cast<size_t>(i) * c.taps];
        std::int32_t total = 0;
        int largest = 0;
        for (int j = low[i]; j <= high[i]; ++j) {
            const int t = j - start;
            w[t] = static_cast<std::int32_t>(std::lround(dense[i][static_cast<size_t>(j - low[i])] * kOne));
            total += w[t];
            if (std::abs(w[t]) > std::abs(w[largest]))
                largest = t;
        }
        // Rounding must not change the sum: a flat area has to stay exactly flat.
        w[largest] += kOne - total;
    }
    return c;
}

inline std::uint8_t clampToByte(std::int32_t accumulated)
{
    const std::int32_t v = accumulated >> kPrecisionBits;
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Whole rows at a time: the inner loops run over contiguous bytes and vectorise.
KELVARA_VECTOR_CLONES void verticalPass(
    const std::uint8_t *src, int width, std::uint8_t *dst, int dstHeight, const Contributions &c)
{
    const size_t stride = static_cast<size_t>(width) * 3;
    std::vector<std::int32_t> accumulator(stride);
    const int taps = c.taps;
    for (int y = 0; y < dstHeight; ++y) {
        std::int32_t *__restrict acc = accumulator.data();
        for (size_t i = 0; i < stride; ++i)
            acc[i] = kHalf;
        const std::int32_t *w = &c.weights[static_cast<size_t>(y) * taps];
        for (int t = 0; t < taps; ++t) {
            const std::int32_t weight = w[t];
            if (weight == 0)
                continue;
            const std::uint8_t *__restrict row = src + static_cast<size_t>(c.start[y] + t) * stride;
            for (size_t i = 0; i < stride; ++i)
                acc[i] += weight * row[i];
        }
        std::uint8_t *__restrict out = dst + static_cast<size_t>(y) * stride;
        for (size_t i = 0; i < stride; ++i)
            out[i] = clampToByte(acc[i]);
    }
}

// A width x height raster turned into height x width (rows become columns),
// in tiles that stay in the cache on both sides.
void transpose(const std::uint8_t *src, int width, int height, std::uint8_t *dst)
{
    constexpr int kTile = 32;
    const size_t srcStride = static_cast<size_t>(width) * 3;
    const size_t dstStride = static_cast<size_t>(height) * 3;
    for (int y0 = 0; y0 < height; y0 += kTile) {
        const int y1 = std::min(y0 + kTile, height);
        for (int x0 = 0; x0 < width; x0 += kTile) {
            const int x1 = std::min(x0 + kTile, width);
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t *in = src + y * srcStride + static_cast<size_t>(x0) * 3;
                std::uint8_t *out = dst + static_cast<size_t>(x0) * dstStride + static_cast<size_t>(y) * 3;
                for (int x = x0; x < x1; ++x, in += 3, out += dstStride) {
                    out[0] = in[0];
                    out[1] = in[1];
                    out[2] = in[2];
                }
            }
        }
    }
}

// The horizontal pass as the vertical one on the transposed raster: the same
// sums, so the same bytes, but in whole-row loops that vectorise, which pays
// for the two transpositions several times over on a photo.
void horizontalPassTransposed(
    const std::uint8_t *src, int srcWidth, int rows, std::uint8_t *dst, int dstWidth, const Contributions &c)
{
    std::vector<std::uint8_t> columns(static_cast<size_t>(srcWidth) * rows * 3);
    transpose(src, srcWidth, rows, columns.data());
    std::vector<std::uint8_t> filtered(static_cast<size_t>(dstWidth) * rows * 3);
    verticalPass(columns.data(), rows, filtered.data(), dstWidth, c);
    transpose(filtered.data(), rows, dstWidth, dst);
}

void nearest(
    const std::uint8_t *src, int srcWidth, int srcHeight, std::uint8_t *dst, int dstWidth, int dstHeight)
{
    // The source pixel whose area holds the centre of the output pixel.
    std::vector<size_t> column(static_cast<size_t>(dstWidth));
    for (int x = 0; x < dstWidth; ++x) {
        const long long sx = ((2LL * x + 1) * srcWidth) / (2LL * dstWidth);
        column[x] = static_cast<size_t>(std::min<long long>(sx, srcWidth - 1)) * 3;
    }
    const size_t srcStride = static_cast<size_t>(srcWidth) * 3;
    const size_t dstStride = static_cast<size_t>(dstWidth) * 3;
    for (int y = 0; y < dstHeight; ++y) {
        const long long sy
            = std::min<long long>(((2LL * y + 1) * srcHeight) / (2LL * dstHeight), srcHeight - 1);
        const std::uint8_t *in = src + static_cast<size_t>(sy) * srcStride;
        std::uint8_t *out = dst + static_cast<size_t>(y) * dstStride;
        for (int x = 0; x < dstWidth; ++x, out += 3) {
            const std::uint8_t *p = in + column[x];
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
}

} // namespace

const char *Resampler::filterName(int code)
{
    return isValidFilter(code) ? kFilters[code - 1].name : nullptr;
}

bool Resampler::resample(const std::uint8_t *src, int srcWidth, int srcHeight, std::uint8_t *dst,
    int dstWidth, int dstHeight, int filterCode)
{
    if (!isValidFilter(filterCode) || !src || !dst || srcWidth < 1 || srcHeight < 1 || dstWidth < 1
        || dstHeight < 1)
        return false;

    if (filterCode == 1) {
        nearest(src, srcWidth, srcHeight, dst, dstWidth, dstHeight);
        return true;
    }

    const Filter &filter = kFilters[filterCode - 1];
    const size_t dstBytes = static_cast<size_t>(dstWidth) * dstHeight * 3;

    // An axis that keeps its size is copied, not filtered: resizing to the same
    // size must not blur with the smoothing kernels.
    const bool sameWidth = dstWidth == srcWidth;
    const bool sameHeight = dstHeight == srcHeight;
    if (sameWidth && sameHeight) {
        std::memcpy(dst, src, dstBytes);
        return true;
    }
    if (sameHeight) {
        horizontalPassTransposed(
            src, srcWidth, srcHeight, dst, dstWidth, computeContributions(srcWidth, dstWidth, filter));
        return true;
    }
    const Contributions vertical = computeContributions(srcHeight, dstHeight, filter);
    if (sameWidth) {
        verticalPass(src, srcWidth, dst, dstHeight, vertical);
        return true;
    }
    const Contributions horizontal = computeContributions(srcWidth, dstWidth, filter);

    // Both passes cost about the same per tap; the horizontal one also turns
    // its input and output around, about one tap's work per pixel each. The
    // cheaper order is taken: shrinking a photo goes vertical first,
    // enlarging horizontal first.
    const double transposeH = 1.0 * srcHeight * (srcWidth + dstWidth);
    const double transposeV = 1.0 * dstHeight * (srcWidth + dstWidth);
    const double horizontalFirst = 1.0 * srcHeight * dstWidth * horizontal.taps + transposeH
        + 1.0 * dstHeight * dstWidth * vertical.taps;
    const double verticalFirst = 1.0 * dstHeight * srcWidth * vertical.taps
        + 1.0 * dstHeight * dstWidth * horizontal.taps + transposeV;
    if (verticalFirst < horizontalFirst) {
        std::vector<std::uint8_t> shortened(static_cast<size_t>(srcWidth) * dstHeight * 3);
        verticalPass(src, srcWidth, shortened.data(), dstHeight, vertical);
        horizontalPassTransposed(shortened.data(), srcWidth, dstHeight, dst, dstWidth, horizontal);
        return true;
    }

    // Only the source rows the vertical pass reads go through the horizontal pass.
    const int firstRow = vertical.start.front();
    const int lastRow = vertical.start.back() + vertical.taps - 1;
    const int rows = lastRow - firstRow + 1;
    std::vector<std::uint8_t> narrow(static_cast<size_t>(dstWidth) * rows * 3);
    horizontalPassTransposed(src + static_cast<size_t>(firstRow) * srcWidth * 3, srcWidth, rows,
        narrow.data(), dstWidth, horizontal);
    Contributions shifted = vertical;
    for (int &s : shifted.start)
        s -= firstRow;
    verticalPass(narrow.data(), dstWidth, dst, dstHeight, shifted);
    return true;
}

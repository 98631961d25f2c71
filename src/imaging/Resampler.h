#pragma once

#include <cstdint>

// Resamples packed 24-bit RGB rasters (stride exactly width * 3) with the
// numbered filters of the resize list:
//   1 nearest pixel, 2 bilinear, 3 bicubic,
//   4 Box, 5 Triangle, 6 Hamming, 7 Gaussian, 8 Bell, 9 B spline, 10 Cubic1,
//   11 Cubic2, 12 Lanczos3, 13 Mitchell, 14 Sinc, 15 Hermite, 16 Hanning, 17 Catrom.
// Separable: a horizontal pass row by row into a narrow intermediate, then a
// vertical pass that accumulates whole rows, so both passes walk memory in order.
// When shrinking, each kernel is widened by the reduction factor so every
// source pixel contributes (no aliasing); when enlarging it interpolates.
class Resampler
{
public:
    static constexpr int FirstFilter = 1;
    static constexpr int LastFilter = 17;

    static bool isValidFilter(int code) { return code >= FirstFilter && code <= LastFilter; }

    // The filter's name as the resize list shows it ("Mitchell"); nullptr for an unknown code.
    static const char *filterName(int code);

    // src holds srcWidth x srcHeight pixels, dst room for dstWidth x dstHeight.
    // False (dst untouched) for an unknown filter code or a size below 1.
    static bool resample(const std::uint8_t *src, int srcWidth, int srcHeight, std::uint8_t *dst,
        int dstWidth, int dstHeight, int filterCode);
};

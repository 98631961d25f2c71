#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// JPEG decoding and encoding of packed RGB rasters (stride width * 3) over
// the TurboJPEG API.
class JpegCodec
{
public:
    // The DCT reduction (1, 2, 4 or 8; only those the library offers) for a
    // stored frame of width x height: the largest that keeps the decoded frame
    // at least minWidth x minHeight. 1 when both minimums are 0 or less.
    static int chooseReduction(int width, int height, int minWidth, int minHeight);

    // Size of the frame decoded at 1/reduction scale.
    static int scaledSize(int size, int reduction);

    // Decodes the stream at 1/reduction scale into rgb. False when the stream
    // cannot be decoded, when image data is missing or damaged (a truncated
    // file would show as a grey band), or when the result would not fit a
    // 32-bit buffer; problem (optional) then receives the library's message.
    // Warnings about bytes the decoder merely skipped are no failure.
    static bool decode(const QByteArray &jpeg, int reduction, std::vector<std::uint8_t> &rgb, int &width,
        int &height, QString *problem = nullptr);

    // Baseline JPEG of quality 1..100 (clamped) with 4:2:0 chroma.
    static bool encode(const std::uint8_t *rgb, int width, int height, int quality, QByteArray &jpeg);
};

#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "imaging/ImgSource.h"
#include "imaging/Resampler.h"

namespace {

ImgSource flat(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    ImgSource image;
    image.create(w, h);
    image.fill(static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8
        | static_cast<std::uint32_t>(b) << 16);
    return image;
}

ImgSource noise(int w, int h, quint32 seed)
{
    ImgSource image;
    image.create(w, h);
    QRandomGenerator random(seed);
    for (int i = 0; i < w * h * 3; ++i)
        image.rgbData()[i] = static_cast<std::uint8_t>(random.bounded(256));
    return image;
}

std::uint8_t at(const ImgSource &image, int x, int y, int channel = 0)
{
    return image.rgbData()[(y * image.width() + x) * 3 + channel];
}

// Rows become columns.
ImgSource turned(const ImgSource &image)
{
    ImgSource result;
    result.create(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            std::memcpy(result.rgbData() + (x * image.height() + y) * 3,
                image.rgbData() + (y * image.width() + x) * 3, 3);
    return result;
}

struct Sizes
{
    int fromW, fromH, toW, toH;
};

// Shrinking, enlarging, and one axis each way; odd sizes on purpose.
const Sizes kSizes[]
    = { { 97, 61, 40, 23 }, { 13, 9, 50, 37 }, { 60, 7, 17, 29 }, { 1, 1, 5, 4 }, { 300, 2, 3, 1 } };

class EveryFilter : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(EveryFilter, GivesTheRequestedSizeAndKeepsFlatAreasExactlyFlat)
{
    for (const Sizes &s : kSizes) {
        for (const auto &[r, g, b] :
            { std::array<std::uint8_t, 3> { 173, 0, 255 }, { 255, 255, 255 }, { 0, 0, 0 } }) {
            ImgSource image = flat(s.fromW, s.fromH, r, g, b);
            ASSERT_TRUE(image.resize(s.toW, s.toH, GetParam())) << s.fromW << "x" << s.fromH;
            ASSERT_EQ(image.width(), s.toW);
            ASSERT_EQ(image.height(), s.toH);
            for (int y = 0; y < s.toH; ++y)
                for (int x = 0; x < s.toW; ++x) {
                    ASSERT_EQ(at(image, x, y, 0), r) << x << "," << y;
                    ASSERT_EQ(at(image, x, y, 1), g);
                    ASSERT_EQ(at(image, x, y, 2), b);
                }
        }
    }
}

TEST_P(EveryFilter, BlackWhiteEdgeNeitherWrapsNorLeaksAcrossTheImage)
{
    // Columns 0..49 black, 50..99 white; the edge lands on a pixel boundary
    // after shrinking to 40 (at 20) and after enlarging to 300 (at 150).
    for (const int toW : { 40, 300 }) {
        ImgSource image;
        image.create(100, 6);
        image.fill(0);
        for (int y = 0; y < 6; ++y)
            for (int x = 50; x < 100; ++x)
                image.setPixel(x, y, std::array<std::uint8_t, 3> { 255, 255, 255 }.data());
        ASSERT_TRUE(image.resize(toW, 9, GetParam()));
        const int edge = toW / 2;
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < toW; ++x) {
                const int v = at(image, x, y);
                if (x < edge)
                    EXPECT_LE(v, 128) << "wrap on the black side at " << x << " (to " << toW << ")";
                else
                    EXPECT_GE(v, 127) << "wrap on the white side at " << x << " (to " << toW << ")";
            }
            // Far from the edge nothing of the other side arrives.
            EXPECT_EQ(at(image, 0, y), 0);
            EXPECT_EQ(at(image, toW - 1, y), 255);
        }
    }
}

TEST_P(EveryFilter, LobesAroundASinglePixelAreClampedNotWrapped)
{
    // A white dot on black and a black dot on white, enlarged: negative lobes
    // below 0 and overshoot above 255 must clamp, never wrap to the far end.
    for (const bool whiteDot : { true, false }) {
        ImgSource image = whiteDot ? flat(9, 9, 0, 0, 0) : flat(9, 9, 255, 255, 255);
        const std::uint8_t dot[3] = { static_cast<std::uint8_t>(whiteDot ? 255 : 0),
            static_cast<std::uint8_t>(whiteDot ? 255 : 0), static_cast<std::uint8_t>(whiteDot ? 255 : 0) };
        image.setPixel(4, 4, dot);
        ASSERT_TRUE(image.resize(45, 45, GetParam()));
        // Output pixel centres one source pixel or more away from the dot's centre.
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 45; ++x) {
                const double sx = (x + 0.5) / 5.0 - 4.5;
                const double sy = (y + 0.5) / 5.0 - 4.5;
                if (std::max(std::abs(sx), std::abs(sy)) < 1.0)
                    continue;
                const int v = at(image, x, y);
                if (whiteDot)
                    EXPECT_LT(v, 128) << x << "," << y;
                else
                    EXPECT_GT(v, 127) << x << "," << y;
            }
    }
}

TEST_P(EveryFilter, WidthIsFilteredExactlyAsHeightIs)
{
    // Changing only the width of a picture must give the same bytes as
    // changing only the height of the picture turned on its side: the two
    // passes share their weights but walk the raster in different ways.
    const ImgSource source = noise(37, 23, 11);
    for (const int newWidth : { 20, 61 }) {
        ImgSource wide = source.copy();
        ASSERT_TRUE(wide.resize(newWidth, 23, GetParam()));
        ImgSource tall = turned(source);
        ASSERT_TRUE(tall.resize(23, newWidth, GetParam()));
        const ImgSource back = turned(tall);
        EXPECT_EQ(0, std::memcmp(wide.rgbData(), back.rgbData(), static_cast<size_t>(newWidth) * 23 * 3))
            << "to width " << newWidth;
    }
}

TEST_P(EveryFilter, SameSizeChangesNothing)
{
    ImgSource image = noise(31, 17, 7);
    const ImgSource before = image.copy();
    ASSERT_TRUE(image.resize(31, 17, GetParam()));
    EXPECT_EQ(0, std::memcmp(image.rgbData(), before.rgbData(), 31 * 17 * 3));
}

INSTANTIATE_TEST_SUITE_P(Codes, EveryFilter,
    ::testing::Range(Resampler::FirstFilter, Resampler::LastFilter + 1),
    [](const ::testing::TestParamInfo<int> &info) {
        std::string name = Resampler::filterName(info.param);
        std::erase(name, ' ');
        return std::to_string(info.param) + "_" + name;
    });

TEST(Resampler, InterpolatingKernelsReproduceSourcePixelsAtTheirCentres)
{
    // Enlarged three times, output pixel 3k + 1 sits exactly on source pixel k.
    const ImgSource source = noise(11, 8, 42);
    for (int code : { 2, 3, 4, 5, 6, 10, 11, 12, 14, 15, 16, 17 }) {
        ImgSource image = source.copy();
        ASSERT_TRUE(image.resize(33, 24, code));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 11; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(at(image, 3 * x + 1, 3 * y + 1, c), at(source, x, y, c))
                        << Resampler::filterName(code) << " at " << x << "," << y;
    }
}

TEST(Resampler, BoxHalvingAveragesEachTwoByTwoBlock)
{
    ImgSource image;
    image.create(4, 2);
    const std::uint8_t values[2][4] = { { 0, 40, 100, 101 }, { 20, 100, 200, 102 } };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint8_t p[3] = { values[y][x], values[y][x], values[y][x] };
            image.setPixel(x, y, p);
        }
    ASSERT_TRUE(image.resize(2, 1, 4));
    EXPECT_EQ(at(image, 0, 0), 40); // (0 + 40 + 20 + 100) / 4
    EXPECT_EQ(at(image, 1, 0), 126); // (100 + 101 + 200 + 102) / 4 = 125.75
}

TEST(Resampler, NearestPixelRepeatsPixelsWhenEnlargingAndPicksThemWhenShrinking)
{
    const ImgSource source = noise(5, 3, 3);
    ImgSource big = source.copy();
    ASSERT_TRUE(big.resize(10, 6, 1));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(at(big, x, y, c), at(source, x / 2, y / 2, c));

    ImgSource small = big.copy();
    ASSERT_TRUE(small.resize(5, 3, 1));
    EXPECT_EQ(0, std::memcmp(small.rgbData(), source.rgbData(), 5 * 3 * 3));
}

TEST(Resampler, BadCodesAndSizesLeaveTheImageAlone)
{
    ImgSource image = noise(8, 6, 1);
    const ImgSource before = image.copy();
    for (int code : { 0, -1, 18 }) {
        EXPECT_FALSE(image.resize(4, 3, code)) << code;
        EXPECT_EQ(image.width(), 8);
        EXPECT_EQ(image.height(), 6);
    }
    EXPECT_FALSE(image.resize(0, 3, 13));
    EXPECT_FALSE(image.resize(4, -1, 13));
    EXPECT_EQ(0, std::memcmp(image.rgbData(), before.rgbData(), 8 * 6 * 3));

    ImgSource empty;
    EXPECT_FALSE(empty.resize(4, 3, 13));
    EXPECT_FALSE(empty.hasPixels());
}

TEST(Resampler, NamesFollowTheResizeList)
{
    EXPECT_STREQ(Resampler::filterName(1), "Nearest pixel");
    EXPECT_STREQ(Resampler::filterName(13), "Mitchell");
    EXPECT_STREQ(Resampler::filterName(17), "Catrom");
    EXPECT_EQ(Resampler::filterName(0), nullptr);
    EXPECT_EQ(Resampler::filterName(18), nullptr);
}

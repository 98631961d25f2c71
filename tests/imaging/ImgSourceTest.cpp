#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QRect>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/KelvaraError.h"
#include "imaging/ButtonArt.h"
#include "imaging/ImgSource.h"

namespace {

std::uint8_t at(const ImgSource &image, int x, int y, int channel = 0)
{
    return image.rgbData()[(y * image.width() + x) * 3 + channel];
}

ImgSource rowsOf(int width, const std::vector<std::vector<std::uint8_t>> &rows)
{
    ImgSource image;
    image.create(width, static_cast<int>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y)
        image.setLine(static_cast<int>(y), rows[y].data());
    return image;
}

// Bounding box of the pixels that differ from the fill colour.
QRect changedArea(const ImgSource &image, std::uint8_t background = 0)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int c = 0; c < 3; ++c)
                if (at(image, x, y, c) != background)
                    box |= QRect(x, y, 1, 1);
    return box;
}

ImgSource canvas(int w, int h)
{
    ImgSource image;
    image.create(w, h);
    image.fill(0);
    image.Font = QStringLiteral("Arial");
    image.FontSize = 24;
    image.FontColor = 0xFFFFFF;
    return image;
}

} // namespace

// ---- anti-flicker ---------------------------------------------------------------

TEST(AntiFlicker, TwoRowsWeighThemselvesThreeQuartersWithHalvesToEven)
{
    // Per byte: row 0 gets (3a + b) / 4, row 1 (a + 3b) / 4.
    //   a=0,   b=2:   2 -> 0 (half to even),  6 -> 2 (half to even)
    //   a=2,   b=4:  10 -> 2,                14 -> 4
    //   a=255, b=0: 765 -> 191 (191.25),    255 -> 64 (63.75)
    ImgSource image = rowsOf(3, { { 0, 2, 255, 7, 7, 7, 1, 1, 1 }, { 2, 4, 0, 7, 7, 7, 3, 3, 3 } });
    image.antiFlicker();
    const std::vector<std::uint8_t> top = { 0, 2, 191, 7, 7, 7, 2, 2, 2 }; // 6/4 = 1.5 -> 2
    const std::vector<std::uint8_t> bottom = { 2, 4, 64, 7, 7, 7, 2, 2, 2 }; // 10/4 = 2.5 -> 2
    std::vector<std::uint8_t> line(9);
    image.line(0, line.data());
    EXPECT_EQ(line, top);
    image.line(1, line.data());
    EXPECT_EQ(line, bottom);
}

TEST(AntiFlicker, NeighbourSumsOfTwoAndSixGoToTheEvenValue)
{
    ImgSource image = rowsOf(1, { { 0, 1, 255 }, { 1, 2, 255 }, { 0, 1, 255 } });
    image.antiFlicker();
    EXPECT_EQ(at(image, 0, 1, 0), 0); // 0 + 2 + 0 = 2 -> 0
    EXPECT_EQ(at(image, 0, 1, 1), 2); // 1 + 4 + 1 = 6 -> 2
    EXPECT_EQ(at(image, 0, 1, 2), 255);
}

TEST(AntiFlicker, UniformImageStaysAsItIs)
{
    for (const std::uint32_t colour : { 0x000000u, 0xFFFFFFu, 0x7F0180u }) {
        ImgSource image;
        image.create(17, 9);
        image.fill(colour);
        const ImgSource before = image.copy();
        image.antiFlicker();
        EXPECT_EQ(0, std::memcmp(image.rgbData(), before.rgbData(), 17 * 9 * 3));
    }
}

TEST(AntiFlicker, EveryRowIsFilteredFromTheUnfilteredRows)
{
    // The narrow image runs mostly through the per-byte tail of the blend;
    // the wide one through its vector body, with runs of 0 and 255 so that
    // the largest sums are met too.
    for (const auto &[width, height] : { std::pair { 13, 11 }, std::pair { 333, 7 } }) {
        ImgSource image;
        image.create(width, height);
        QRandomGenerator random(5);
        const int bytes = width * height * 3;
        for (int i = 0; i < bytes; ++i) {
            const int pick = random.bounded(4);
            image.rgbData()[i] = pick == 0 ? 0
                : pick == 1                ? 255
                                           : static_cast<std::uint8_t>(random.bounded(256));
        }
        const ImgSource original = image.copy();
        image.antiFlicker();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int s = at(original, x, std::max(y - 1, 0), c) + 2 * at(original, x, y, c)
                        + at(original, x, std::min(y + 1, height - 1), c);
                    ASSERT_EQ(at(image, x, y, c), static_cast<int>(std::nearbyint(s / 4.0)))
                        << width << " wide, at " << x << "," << y;
                }
    }
}

TEST(AntiFlicker, ReportsProgressUpToAHundredAlsoForASingleRow)
{
    std::vector<int> seen;
    ImgSource image;
    image.create(4, 5);
    image.fill(0);
    image.antiFlicker([&seen](int p) { seen.push_back(p); });
    EXPECT_EQ(seen, (std::vector<int> { 0, 25, 50, 75, 100 }));

    seen.clear();
    ImgSource line;
    line.create(4, 1);
    line.fill(0x102030);
    line.antiFlicker([&seen](int p) { seen.push_back(p); });
    EXPECT_EQ(seen, std::vector<int> { 100 });
    EXPECT_EQ(at(line, 0, 0, 0), 0x30);
}

// ---- buffer, fill, copy, overlay -------------------------------------------------

TEST(ImgSourceBuffer, FillTakesWindowsColourOrderAndCopyIsIndependent)
{
    ImgSource image;
    image.create(3, 2);
    EXPECT_TRUE(image.fill(0x00336699)); // blue 0x33, green 0x66, red 0x99
    EXPECT_EQ(at(image, 2, 1, 0), 0x99);
    EXPECT_EQ(at(image, 2, 1, 1), 0x66);
    EXPECT_EQ(at(image, 2, 1, 2), 0x33);

    image.Font = QStringLiteral("Arial");
    ImgSource copy = image.copy();
    copy.fill(0);
    EXPECT_EQ(at(image, 0, 0, 0), 0x99);
    EXPECT_EQ(copy.width(), 3);
    EXPECT_EQ(copy.Font, image.Font);

    const QImage view = image.toImage();
    EXPECT_EQ(view.size(), QSize(3, 2));
    EXPECT_EQ(view.pixelColor(1, 1), QColor(0x99, 0x66, 0x33));
}

TEST(ImgSourceBuffer, OversizedOrNegativeSizesRaiseAnError)
{
    ImgSource image;
    EXPECT_THROW(image.create(40000, 40000), KelvaraError); // 4.8 GB
    EXPECT_THROW(image.create(-1, 5), KelvaraError);
    image.create(8, 8);
    image.fill(0);
    EXPECT_THROW(image.resize(30000, 30000, 13), KelvaraError);
    EXPECT_EQ(image.width(), 8);
    EXPECT_TRUE(image.hasPixels());
}

TEST(ImgSourceBuffer, EmptyObjectRefusesWork)
{
    ImgSource empty;
    EXPECT_FALSE(empty.hasPixels());
    EXPECT_FALSE(empty.fill(0));
    EXPECT_FALSE(empty.paintText(QStringLiteral("x"), 0, 0, true));
    EXPECT_FALSE(empty.saveJpg(QStringLiteral("/tmp/never-written.jpg"), 90));
    EXPECT_TRUE(empty.toImage().isNull());
    EXPECT_FALSE(empty.copy().hasPixels());
    ImgSource target = canvas(4, 4);
    EXPECT_FALSE(target.overlay(empty, 0, 0));
    EXPECT_FALSE(empty.overlay(target, 0, 0));
}

class OverlayClipping : public ::testing::TestWithParam<QPoint>
{
};

TEST_P(OverlayClipping, CopiesExactlyThePartInsideTheCanvas)
{
    ImgSource target = canvas(10, 8);
    ImgSource piece;
    piece.create(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint8_t p[3]
                = { static_cast<std::uint8_t>(10 + x), static_cast<std::uint8_t>(20 + y), 99 };
            piece.setPixel(x, y, p);
        }
    const QPoint pos = GetParam();
    EXPECT_TRUE(target.overlay(piece, pos.x(), pos.y(), 1.0, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const int px = x - pos.x();
            const int py = y - pos.y();
            const bool inside = px >= 0 && px < 4 && py >= 0 && py < 3;
            ASSERT_EQ(at(target, x, y, 0), inside ? 10 + px : 0) << x << "," << y;
            ASSERT_EQ(at(target, x, y, 1), inside ? 20 + py : 0) << x << "," << y;
            ASSERT_EQ(at(target, x, y, 2), inside ? 99 : 0) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Edges, OverlayClipping,
    ::testing::Values(QPoint(3, 2), // inside
        QPoint(-2, 2), QPoint(3, -1), // over the left, top edge
        QPoint(8, 2), QPoint(3, 6), // over the right, bottom edge
        QPoint(-3, -2), QPoint(9, 7), // corners
        QPoint(-4, 0), QPoint(0, -3), // just outside left, top
        QPoint(10, 0), QPoint(0, 8), // just outside right, bottom
        QPoint(-100000, 5), QPoint(2147483000, 2147483000)));

TEST(ImgSourceBuffer, OverlayBlendsBelowFullOpacityAndSkipsAtZero)
{
    ImgSource target = canvas(2, 1);
    ImgSource white;
    white.create(2, 1);
    white.fill(0xFFFFFF);
    EXPECT_TRUE(target.overlay(white, 0, 0, 0.0));
    EXPECT_EQ(at(target, 0, 0), 0);
    EXPECT_TRUE(target.overlay(white, 0, 0, 0.5));
    EXPECT_EQ(at(target, 0, 0), 128);
    EXPECT_FALSE(target.overlay(white, 0, 0, 1.0, 3));
}

TEST(ImgSourceBuffer, LoadPictureTakesAnyQImageOverBlack)
{
    QImage picture(5, 4, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    picture.setPixelColor(1, 2, QColor(200, 100, 50));
    ImgSource image;
    ASSERT_TRUE(image.loadPicture(picture));
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.height(), 4);
    EXPECT_EQ(at(image, 0, 0, 0), 0);
    EXPECT_EQ(at(image, 1, 2, 0), 200);
    EXPECT_EQ(at(image, 1, 2, 1), 100);
    EXPECT_EQ(at(image, 1, 2, 2), 50);
    EXPECT_FALSE(image.loadPicture(QImage()));
    EXPECT_FALSE(image.hasPixels());
}

TEST(ImgSourceBuffer, BrightnessAndContrast)
{
    ImgSource image;
    image.create(4, 1);
    const std::uint8_t line[12] = { 0, 64, 128, 192, 255, 10, 20, 30, 40, 50, 60, 70 };
    image.setLine(0, line);
    ASSERT_TRUE(image.setBrightnessContrast(0.0, 0.0));
    EXPECT_EQ(0, std::memcmp(image.rgbData(), line, 12));
    ASSERT_TRUE(image.setBrightnessContrast(0.0, -1.0));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(image.rgbData()[i], 128);
    ASSERT_TRUE(image.setBrightnessContrast(1.0, 0.0));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(image.rgbData()[i], 255);
    EXPECT_FALSE(image.setBrightnessContrast(1.5, 0.0));
    EXPECT_FALSE(image.setBrightnessContrast(0.0, std::nan("")));
}

// ---- text ----------------------------------------------------------------------

TEST(ImgSourceText, MeasuresInPixelSizeAndZeroSizeMeasuresNothing)
{
    ImgSource image = canvas(10, 10);
    const int narrow = image.textWidth(QStringLiteral("i"));
    const int wide = image.textWidth(QStringLiteral("WWWWWWWWWW"));
    EXPECT_GT(narrow, 0);
    EXPECT_GT(wide, 10 * narrow);
    const int height = image.textHeight(QStringLiteral("X"));
    EXPECT_GE(height, 24);
    EXPECT_LE(height, 32);

    image.FontSize = 48;
    EXPECT_GT(image.textWidth(QStringLiteral("WWWWWWWWWW")), wide * 3 / 2);
    EXPECT_EQ(image.textWidth(QString()), 0);

    image.FontSize = 0;
    EXPECT_EQ(image.textWidth(QStringLiteral("Holiday")), 0);
    EXPECT_EQ(image.textHeight(QStringLiteral("Holiday")), 0);
    EXPECT_FALSE(image.paintText(QStringLiteral("Holiday"), 0, 0, true));

    image.FontSize = 24;
    image.Font = QStringLiteral("No Such Typeface 123");
    EXPECT_GT(image.textWidth(QStringLiteral("Holiday")), 0); // falls back to another face
}

TEST(ImgSourceText, DrawsBelowAndRightOfItsTopLeftCornerWithinTheMeasuredBox)
{
    ImgSource image = canvas(300, 80);
    const QString text = QStringLiteral("Holiday 2021");
    ASSERT_TRUE(image.paintText(text, 40, 20, true));
    const QRect box = changedArea(image);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(box.left(), 40);
    EXPECT_LE(box.left(), 46);
    EXPECT_GE(box.top(), 20);
    EXPECT_LE(box.bottom(), 20 + image.textHeight(text));
    EXPECT_LE(box.right(), 40 + image.textWidth(text) + 2);
    EXPECT_GE(box.right(), 40 + image.textWidth(text) * 3 / 4);
}

TEST(ImgSourceText, ColourComesFromWindowsValueAndSmoothingSelectsGreyEdges)
{
    ImgSource sharp = canvas(200, 60);
    sharp.FontColor = 0x000000FF; // red
    ASSERT_TRUE(sharp.paintText(QStringLiteral("Sharp edges"), 5, 5, false));
    int drawn = 0;
    for (int i = 0; i < 200 * 60; ++i) {
        const std::uint8_t *p = sharp.rgbData() + i * 3;
        if (p[0] || p[1] || p[2]) {
            ++drawn;
            ASSERT_EQ(p[0], 255); // without smoothing every pixel is the pure colour
            ASSERT_EQ(p[1], 0);
            ASSERT_EQ(p[2], 0);
        }
    }
    EXPECT_GT(drawn, 50);

    ImgSource smooth = canvas(200, 60);
    ASSERT_TRUE(smooth.paintText(QStringLiteral("Smooth edges"), 5, 5, true));
    int grey = 0;
    for (int i = 0; i < 200 * 60 * 3; ++i)
        if (smooth.rgbData()[i] > 0 && smooth.rgbData()[i] < 255)
            ++grey;
    EXPECT_GT(grey, 20);
}

TEST(ImgSourceText, CarriageReturnOrLineFeedStartsASecondLine)
{
    for (const QString &text : { QStringLiteral("04.07.2021 14:05\rIMG_0042\r"),
             QStringLiteral("04.07.2021 14:05\nIMG_0042"), QStringLiteral("04.07.2021 14:05\r\nIMG_0042") }) {
        ImgSource image = canvas(300, 120);
        const int line = image.textHeight(QStringLiteral("X"));
        ASSERT_TRUE(image.paintText(text, 10, 10, true));
        const QRect box = changedArea(image);
        EXPECT_GT(box.bottom(), 10 + line) << "no second line";
        EXPECT_LE(box.bottom(), 10 + 2 * line + 2);
        EXPECT_LT(box.right(), 10 + image.textWidth(QStringLiteral("04.07.2021 14:05")) + 3);
        EXPECT_EQ(image.textWidth(text), image.textWidth(QStringLiteral("04.07.2021 14:05")));
    }
}

TEST(ImgSourceText, ClipsAtTheRasterAndLeavesTheRestAlone)
{
    ImgSource image = canvas(60, 30);
    const QString title = QStringLiteral("A title far wider than this small frame");
    EXPECT_TRUE(image.paintText(title, -40, 3, true)); // a centred title wider than the frame
    EXPECT_FALSE(changedArea(image).isEmpty());
    ImgSource untouched = canvas(60, 30);
    EXPECT_TRUE(untouched.paintText(title, 60, 0, true));
    EXPECT_TRUE(untouched.paintText(title, 0, 30, true));
    EXPECT_TRUE(changedArea(untouched).isEmpty());
    ImgSource below = canvas(60, 30);
    EXPECT_TRUE(below.paintText(QStringLiteral("Xg"), 0, 15, true)); // cut off at the bottom
    ASSERT_FALSE(changedArea(below).isEmpty());
    EXPECT_GE(changedArea(below).top(), 15);
}

// ---- button artwork --------------------------------------------------------------

TEST(ButtonArt, TwoOpaqueBarsTheHighlightedOneBrighterAndColoured)
{
    const QImage normal = ButtonArt::normal();
    const QImage highlighted = ButtonArt::highlighted();
    ASSERT_EQ(normal.size(), QSize(480, 45));
    ASSERT_EQ(highlighted.size(), QSize(480, 45));
    const auto meanOf = [](const QImage &image, auto channel) {
        double sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += channel(image.pixelColor(x, y));
        return sum / (image.width() * image.height());
    };
    const auto luma = [](const QColor &c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    const auto saturation = [](const QColor &c) { return double(c.hsvSaturation()); };
    EXPECT_GT(meanOf(highlighted, luma), meanOf(normal, luma) * 0.95);
    EXPECT_GT(meanOf(highlighted, saturation), meanOf(normal, saturation) + 60);
    // Rounded ends on the black page; the middle is drawn.
    EXPECT_EQ(normal.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(highlighted.pixelColor(479, 44), QColor(Qt::black));
    EXPECT_GT(luma(normal.pixelColor(240, 22)), 100);

    ImgSource captured;
    ASSERT_TRUE(captured.loadPicture(highlighted));
    EXPECT_EQ(captured.width(), 480);
    EXPECT_EQ(captured.height(), 45);
}

#include <cstring>

#include <QDate>
#include <QLocale>

#include "RenderFixture.h"
#include "base/Numeric.h"

namespace {

const QColor kPhoto(200, 60, 30);

class StillTest : public RenderFixture
{
protected:
    void SetUp() override
    {
        RenderFixture::SetUp();
        m_pics = addFolder(m_root, QStringLiteral("Pics"));
    }

    ProjectNode *photo(const QString &name, int w, int h, QColor colour = kPhoto)
    {
        ProjectNode *node = addFile(m_pics, name);
        writeJpeg(node->fullPath(), w, h, colour);
        return node;
    }

    bool render(ProjectNode *node, const QString &captionFile = QString())
    {
        return m_renderer.createStill(node, node->fullPath(), captionFile);
    }

    // The photo covers exactly [x, x + w) x [y, y + h) of the black frame.
    void expectPictureAt(int x, int y, int w, int h)
    {
        EXPECT_EQ(m_renderer.stillWidth(), w);
        EXPECT_EQ(m_renderer.stillHeight(), h);
        const int W = m_canvas.width();
        const int H = m_canvas.height();
        const int midX = x + w / 2;
        const int midY = y + h / 2;
        EXPECT_TRUE(isColour(x, midY, kPhoto)) << "left edge";
        EXPECT_TRUE(isColour(x + w - 1, midY, kPhoto)) << "right edge";
        EXPECT_TRUE(isColour(midX, y, kPhoto)) << "top edge";
        EXPECT_TRUE(isColour(midX, y + h - 1, kPhoto)) << "bottom edge";
        EXPECT_TRUE(isColour(x, y, kPhoto) && isColour(x + w - 1, y + h - 1, kPhoto)) << "corners";
        if (x > 0) {
            EXPECT_TRUE(isBlack(x - 1, midY)) << "left of the photo";
        }
        if (x + w < W) {
            EXPECT_TRUE(isBlack(x + w, midY)) << "right of the photo";
        }
        if (y > 0) {
            EXPECT_TRUE(isBlack(midX, y - 1)) << "above the photo";
        }
        if (y + h < H) {
            EXPECT_TRUE(isBlack(midX, y + h)) << "below the photo";
        }
    }

    // A canvas of the frame's size, black, with text drawn as the stamp is drawn.
    ImgSource reference(const QString &text, int x, int y) const
    {
        ImgSource ref;
        ref.create(m_canvas.width(), m_canvas.height());
        ref.fill(0);
        ref.Font = m_settings.pictureFont;
        ref.FontSize = m_settings.pictureFontSize.toInt();
        ref.FontColor = m_settings.pictureColor;
        ref.paintText(text, x, y, true);
        return ref;
    }

    // Same pixels in columns [from, to) of every row.
    bool sameColumns(const ImgSource &ref, int from, int to) const
    {
        for (int y = 0; y < m_canvas.height(); ++y) {
            const std::uint8_t *a = ref.rgbData() + (std::size_t(y) * ref.width() + from) * 3;
            const std::uint8_t *b = m_canvas.rgbData() + (std::size_t(y) * m_canvas.width() + from) * 3;
            if (std::memcmp(a, b, std::size_t(to - from) * 3) != 0)
                return false;
        }
        return true;
    }
    bool sameLeftBand(const ImgSource &ref, int width) const { return sameColumns(ref, 0, width); }

    QString dateCaption(int y, int m, int d, const char *time) const
    {
        return QLocale::system().toString(QDate(y, m, d), QLocale::ShortFormat) + u' ' + QLatin1String(time);
    }

    ProjectNode *m_pics = nullptr;
};

TEST_F(StillTest, LandscapeWithAspectCorrectionFillsThePalFrame)
{
    aspect(true);
    edges(false, 6);
    render(photo(QStringLiteral("a.jpg"), 1600, 1200));
    // 768 x 576 in square pixels, squeezed to 704 x 576.
    expectPictureAt(0, 0, 704, 576);
    EXPECT_EQ(m_canvas.width(), 704);
    EXPECT_EQ(m_canvas.height(), 576);
}

TEST_F(StillTest, LandscapeWithoutAspectCorrectionIsLetterboxed)
{
    aspect(false);
    edges(false, 6);
    render(photo(QStringLiteral("a.jpg"), 1600, 1200));
    expectPictureAt(0, 24, 704, 528);
}

TEST_F(StillTest, PortraitIsLimitedByItsHeight)
{
    aspect(false);
    edges(false, 6);
    render(photo(QStringLiteral("p.jpg"), 1200, 1600));
    expectPictureAt(136, 0, 432, 576);
}

TEST_F(StillTest, EdgeCorrectionShrinksAndKeepsTheCentre)
{
    aspect(false);
    edges(true, 10);
    render(photo(QStringLiteral("a.jpg"), 1600, 1200));
    // 704 x 528 times 0.8: 563 x 422, (704 - 563) / 2 = 70.5 goes to 70.
    expectPictureAt(70, 77, 563, 422);
}

TEST_F(StillTest, OffCentrePictureFitsTwiceTheDistanceToTheNearerEdge)
{
    edges(false, 6);
    m_settings.xCenter = QStringLiteral("200");
    ProjectNode *node = photo(QStringLiteral("a.jpg"), 1600, 1200);

    aspect(false);
    render(node);
    expectPictureAt(0, 138, 400, 300);

    // With aspect correction: 436 x 327 square pixels, squeezed by 704 / 768 to 400.
    aspect(true);
    render(node);
    expectPictureAt(0, 124, 400, 327);

    // A centre on the frame's edge leaves no room: a black frame, no failure.
    m_settings.xCenter = QStringLiteral("0");
    render(node);
    EXPECT_EQ(m_renderer.stillWidth(), 0);
    EXPECT_FALSE(anyLit(0, 0, 704, 576));
}

TEST_F(StillTest, LowResolutionVcdFrameKeepsTheReferenceWidth)
{
    frame(352, 288, 576);
    aspect(true);
    edges(false, 6);
    render(photo(QStringLiteral("a.jpg"), 1600, 1200));
    expectPictureAt(88, 0, 176, 288);
}

TEST_F(StillTest, LargePhotoDecodedAtReducedScaleGetsTheSameGeometry)
{
    aspect(false);
    edges(true, 6);
    render(photo(QStringLiteral("big.jpg"), 4000, 3000));
    // 704 x 528 times 0.88: 620 x 465 (619.52 and 464.64).
    expectPictureAt(42, 56, 620, 465);
    EXPECT_EQ(m_picture.width(), 620);
    EXPECT_EQ(m_picture.height(), 465);
}

// A picture decoded ahead on another thread gives the very still a decode
// on the spot gives; one replaced after its prefetch was dropped is read anew.
TEST_F(StillTest, PrefetchedPictureGivesTheSameStill)
{
    ProjectNode *big = photo(QStringLiteral("big.jpg"), 4000, 3000);
    render(big);
    const QImage direct = m_canvas.toImage();

    m_renderer.prefetchPicture(big->fullPath());
    render(big);
    EXPECT_EQ(m_canvas.toImage(), direct);

    m_renderer.prefetchPicture(big->fullPath());
    m_renderer.dropPrefetch();
    writeJpeg(big->fullPath(), 4000, 3000, Qt::red);
    render(big);
    EXPECT_NE(m_canvas.toImage(), direct);
}

TEST_F(StillTest, ExifDateBecomesTheCaption)
{
    m_settings.displayDate = true;
    m_settings.useFileName = true;
    ProjectNode *node = photo(QStringLiteral("dated.jpg"), 320, 240);
    addExifDate(node->fullPath(), "2021:07:14 14:05:33");
    render(node);
    EXPECT_EQ(m_tree.info(node).caption, dateCaption(2021, 7, 14, "14:05"));

    m_settings.displayDate = false;
    render(node);
    EXPECT_TRUE(m_tree.info(node).caption.isEmpty());

    // A camera whose clock was never set gives no date.
    m_settings.displayDate = true;
    ProjectNode *unset = photo(QStringLiteral("unset.jpg"), 320, 240);
    addExifDate(unset->fullPath(), "0000:00:00 00:00:00");
    render(unset);
    EXPECT_TRUE(m_tree.info(unset).caption.isEmpty());
}

TEST_F(StillTest, StampTextIsTheNameWithoutJpgOrTheDateAndName)
{
    aspect(false);
    edges(false, 6);
    m_settings.pictureFontSize = QStringLiteral("14");
    m_settings.stampX = 0;
    m_settings.stampY = 100;
    // Portrait: the columns left of x = 136 stay black apart from the stamp,
    // which keeps 5% (35 pixels) from the left edge.

    m_settings.displayDate = true;
    m_settings.useFileName = true;
    render(photo(QStringLiteral("Beach.JPG"), 1200, 1600));
    EXPECT_TRUE(sameLeftBand(reference(QStringLiteral("Beach"), 35, 100), 136));

    // Whatever the extension, only the last one is cut.
    render(photo(QStringLiteral("Dunes.jpeg"), 1200, 1600));
    EXPECT_TRUE(sameLeftBand(reference(QStringLiteral("Dunes"), 35, 100), 136));
    EXPECT_EQ(m_renderer.stillWidth(), 432);

    // Date and name on two lines.
    m_settings.displayFileName = true;
    ProjectNode *dated = photo(QStringLiteral("x.jpg.jpg"), 1200, 1600);
    addExifDate(dated->fullPath(), "2020:01:02 03:04:05");
    render(dated);
    const QString twoLines = dateCaption(2020, 1, 2, "03:04") + u'\r' + QStringLiteral("x.jpg") + u'\r';
    EXPECT_TRUE(sameLeftBand(reference(twoLines, 35, 100), 136));

    // No options: nothing is drawn.
    m_settings.displayDate = false;
    m_settings.displayFileName = false;
    render(dated);
    EXPECT_FALSE(anyLit(0, 0, 136, 576));
}

TEST_F(StillTest, StampOutsideTheFrameIsMovedBackWithAMessage)
{
    m_settings.displayDate = true;
    ProjectNode *node = photo(QStringLiteral("dated.jpg"), 320, 240);
    addExifDate(node->fullPath(), "2021:07:14 14:05:33");
    m_settings.stampX = 10;
    m_settings.stampY = 1000;
    render(node);
    ImgSource measure;
    measure.create(704, 576);
    measure.Font = m_settings.pictureFont;
    measure.FontSize = 36;
    const QString caption = m_tree.info(node).caption;
    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].title, QStringLiteral("Position mismatch"));
    EXPECT_EQ(m_prompter.boxes()[0].text,
        QStringLiteral("Vertical Position of text is out of screen, correction made."));
    // Moved to where it is drawn: inside the 6% edge margin (42 x 35).
    EXPECT_EQ(m_settings.stampY, 576 - 35 - measure.textHeight(caption));
    EXPECT_EQ(m_settings.stampX, 10);

    m_prompter.clear();
    m_settings.stampX = 700;
    render(node);
    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].text,
        QStringLiteral("Horizontal Position of text is out of screen, correction made."));
    EXPECT_EQ(m_settings.stampX, 704 - 42 - measure.textWidth(caption));

    // Corrected positions hold: the next still asks nothing.
    m_prompter.clear();
    render(node);
    EXPECT_EQ(m_prompter.count(), 0);
}

TEST_F(StillTest, StampKeepsTheEdgeMarginWithAndWithoutCorrectEdges)
{
    aspect(false);
    m_settings.useFileName = true;
    m_settings.displayDate = true;
    m_settings.pictureFontSize = QStringLiteral("14");
    ProjectNode *node = photo(QStringLiteral("Harbour.jpg"), 1200, 1600);
    ImgSource measure = reference(QString(), 0, 0);
    const int w = measure.textWidth(QStringLiteral("Harbour"));
    const int h = measure.textHeight(QStringLiteral("Harbour"));

    // Corrected edges at 10%: the picture shrinks to x 179..524, the stamp
    // placed at the frame's corner is drawn 70 x 58 pixels in.
    edges(true, 10);
    m_settings.stampX = 0;
    m_settings.stampY = 0;
    render(node);
    EXPECT_TRUE(sameLeftBand(reference(QStringLiteral("Harbour"), 70, 58), 150));
    EXPECT_EQ(m_settings.stampX, 0);

    // Without Correct edges the stamp still keeps 5% (35 x 29) from every
    // edge: the bottom-right corner of the frame is only inside the margin,
    // so nothing is said and the stored position stays.
    edges(false, 10);
    m_settings.stampX = 704 - w;
    m_settings.stampY = 576 - h;
    render(node);
    EXPECT_TRUE(sameColumns(reference(QStringLiteral("Harbour"), 704 - 35 - w, 576 - 29 - h), 568, 704));
    EXPECT_FALSE(anyLit(704 - 35, 0, 704, 576));
    EXPECT_FALSE(anyLit(568, 576 - 29, 704, 576));
    EXPECT_EQ(m_prompter.count(), 0);
    EXPECT_EQ(m_settings.stampX, 704 - w);
    EXPECT_EQ(m_settings.stampY, 576 - h);
}

TEST_F(StillTest, InfoIconMarksOnlyThePlainStillOfACaptionedPicture)
{
    aspect(false);
    edges(false, 6);
    m_settings.pictureFontSize = QStringLiteral("24");
    const QColor light(235, 235, 225);
    ProjectNode *captioned = photo(QStringLiteral("p.jpg"), 1200, 1600, light);
    ProjectNode *bare = photo(QStringLiteral("q.jpg"), 1200, 1600, light);
    const QString captionPath = m_pics->fullPath() + QStringLiteral("/p.txt");
    QFile caption(captionPath);
    ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
    caption.write("At the harbour\r\n");
    caption.close();

    m_settings.displayInfo = false;
    render(captioned);
    const ImgSource without = m_canvas.copy();
    render(captioned, captionPath);
    const ImgSource captionWithout = m_canvas.copy();

    // On: only pixels of a small square at the picture's bottom-right, inside
    // the 5% margin, change (the picture ends at x 568, the margin at y 547).
    m_settings.displayInfo = true;
    render(captioned);
    int changed = 0;
    int lit = 0;
    for (int y = 0; y < 576; ++y) {
        for (int x = 0; x < 704; ++x) {
            const std::uint8_t *a = without.rgbData() + (y * 704 + x) * 3;
            const std::uint8_t *b = m_canvas.rgbData() + (y * 704 + x) * 3;
            if (std::memcmp(a, b, 3) == 0)
                continue;
            ++changed;
            ASSERT_TRUE(x >= 568 - 40 && x < 568 && y >= 547 - 40 && y < 547) << x << "," << y;
            if (b[0] < 120)
                ++lit; // the dark disc behind the ring and the letter
        }
    }
    EXPECT_GT(changed, 300);
    EXPECT_GT(lit, 50);

    // Neither the caption state itself nor a picture without caption has one.
    render(captioned, captionPath);
    EXPECT_EQ(std::memcmp(captionWithout.rgbData(), m_canvas.rgbData(), 704 * 576 * 3), 0);
    render(bare);
    EXPECT_EQ(std::memcmp(without.rgbData(), m_canvas.rgbData(), 704 * 576 * 3), 0);
}

TEST_F(StillTest, FontSizeZeroDrawsNothingButStillCorrects)
{
    aspect(false);
    edges(false, 6);
    m_settings.displayDate = true;
    m_settings.useFileName = true;
    m_settings.stampX = 0;
    m_settings.stampY = 100;
    ProjectNode *node = photo(QStringLiteral("p.jpg"), 1200, 1600);

    m_settings.pictureFontSize = QStringLiteral("36");
    render(node);
    EXPECT_TRUE(anyLit(0, 0, 136, 576));

    m_settings.pictureFontSize = QStringLiteral("0");
    render(node);
    EXPECT_FALSE(anyLit(0, 0, 136, 576));

    m_settings.stampY = 600;
    render(node);
    EXPECT_EQ(m_prompter.count(), 1);
    EXPECT_LE(m_settings.stampY, 576);
}

TEST_F(StillTest, UndecodablePictureGivesTheBlackFrameWithItsText)
{
    m_settings.displayDate = true;
    m_settings.useFileName = true;
    m_settings.pictureFontSize = QStringLiteral("20");
    m_settings.stampX = 30;
    m_settings.stampY = 40;
    ProjectNode *node = addFile(m_pics, QStringLiteral("broken.jpg"));
    QFile file(node->fullPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xFF\xD8\xFF\xE0 this is not really a JPEG");
    file.close();

    EXPECT_FALSE(render(node));
    EXPECT_TRUE(m_renderer.lastPictureProblem().startsWith(u"cannot be decoded: "))
        << m_renderer.lastPictureProblem().toStdString();
    EXPECT_EQ(m_renderer.stillWidth(), 0);
    EXPECT_EQ(m_canvas.width(), 704);
    // Drawn inside the 6% edge margin (42 pixels) although placed at x 30.
    EXPECT_TRUE(sameLeftBand(reference(QStringLiteral("broken"), 42, 40), 704));
    EXPECT_TRUE(anyLit(0, 0, 704, 576));

    // A missing file behaves the same.
    ProjectNode *gone = addFile(m_pics, QStringLiteral("gone.jpg"));
    EXPECT_FALSE(render(gone));
    EXPECT_EQ(m_renderer.lastPictureProblem(), QStringLiteral("cannot be read"));
    EXPECT_TRUE(sameLeftBand(reference(QStringLiteral("gone"), 42, 40), 704));

    // The next good picture clears the problem.
    EXPECT_TRUE(render(photo(QStringLiteral("good.jpg"), 320, 240)));
    EXPECT_TRUE(m_renderer.lastPictureProblem().isEmpty());
}

TEST_F(StillTest, CaptionStateDrawsTheCaptionInsideThePicture)
{
    aspect(false);
    edges(false, 6);
    m_settings.pictureFontSize = QStringLiteral("24");
    m_settings.pictureColor = 0xFFFFFF;
    m_settings.displayInfo = false; // the plain still is compared pixel for pixel
    const QColor light(235, 235, 225);
    ProjectNode *node = photo(QStringLiteral("p.jpg"), 1200, 1600, light);
    const QString captionPath = m_pics->fullPath() + QStringLiteral("/p.txt");
    QFile caption(captionPath);
    ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
    caption.write("A long caption that cannot fit on one line of a portrait picture, so it "
                  "wraps at the picture's width\r\nand has a second paragraph with "
                  "averyveryverylongwordthatisbroken too.\r\n");
    caption.close();

    render(node);
    const ImgSource plain = m_canvas.copy();

    render(node, captionPath);

    // The photo lies at x 136..567; everything outside stays black.
    int changed = 0;
    for (int y = 0; y < 576; ++y) {
        for (int x = 0; x < 704; ++x) {
            const std::uint8_t *a = plain.rgbData() + (y * 704 + x) * 3;
            const std::uint8_t *b = m_canvas.rgbData() + (y * 704 + x) * 3;
            if (x < 136 || x >= 568) {
                ASSERT_TRUE(isBlack(x, y, 0)) << x << "," << y;
            } else if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) {
                ++changed;
            }
        }
    }
    EXPECT_GT(changed, 2000);
    // The band behind the text darkens the light photo at its top-left.
    EXPECT_LT(pixel(137, 1).r, 150);
    EXPECT_TRUE(isColour(350, 560, light));

    // The plain state ignores the caption file, and no caption file means no text.
    render(node);
    EXPECT_EQ(std::memcmp(plain.rgbData(), m_canvas.rgbData(), 704 * 576 * 3), 0);
    render(node, m_pics->fullPath() + QStringLiteral("/none.txt"));
    EXPECT_EQ(std::memcmp(plain.rgbData(), m_canvas.rgbData(), 704 * 576 * 3), 0);
}

TEST_F(StillTest, MoviePageShowsItsTextCentredAtTheTop)
{
    frame(352, 288, 576);
    edges(true, 10);
    m_settings.titleFontSize = QStringLiteral("20");
    m_renderer.makeMoviePage();
    ImgSource ref;
    ref.create(352, 288);
    ref.fill(0);
    ref.Font = m_settings.titleFont;
    ref.FontSize = 20;
    ref.FontColor = m_settings.titleColor;
    const QString text = QStringLiteral("Movie, no preview.");
    ref.paintText(text, Numeric::roundHalfEven((352 - ref.textWidth(text)) / 2.0), 29, true);
    EXPECT_EQ(std::memcmp(ref.rgbData(), m_canvas.rgbData(), 352 * 288 * 3), 0);
}

} // namespace

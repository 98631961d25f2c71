#include <algorithm>
#include <vector>

#include "RenderFixture.h"
#include "base/Numeric.h"

namespace {

struct ButtonRun
{
    int top; // first row
    int bottom; // one past the last row
    bool highlighted;
};

class MenuPageTest : public RenderFixture
{
protected:
    void SetUp() override
    {
        RenderFixture::SetUp();
        m_settings.menuFontSize = QStringLiteral("0"); // no labels over the probes
        Renderer::Callbacks callbacks;
        callbacks.showOrderFrame = [this](bool up, bool down) {
            ++m_orderShown;
            m_up = up;
            m_down = down;
        };
        callbacks.hideEditText = [this] { ++m_editHidden; };
        callbacks.canvasChanged = [this] { ++m_shown; };
        callbacks.progressVisible = [this](bool on) { m_progressOn = on; };
        m_renderer.setCallbacks(callbacks);
    }

    std::vector<ProjectNode *> addFolders(ProjectNode *parent, int count)
    {
        std::vector<ProjectNode *> nodes;
        for (int i = 1; i <= count; ++i)
            nodes.push_back(addFolder(parent, QStringLiteral("E%1").arg(i, 2, 10, QLatin1Char('0'))));
        return nodes;
    }

    // The buttons as runs of button colour down one column.
    std::vector<ButtonRun> buttonRuns(int column) const
    {
        std::vector<ButtonRun> runs;
        int current = 0; // 0 none, 1 normal, 2 highlighted
        for (int y = 0; y <= m_canvas.height(); ++y) {
            int kind = 0;
            if (y < m_canvas.height()) {
                if (isColour(column, y, Qt::blue, 40))
                    kind = 1;
                else if (isColour(column, y, Qt::green, 40))
                    kind = 2;
            }
            if (kind != current) {
                if (current != 0)
                    runs.back().bottom = y;
                if (kind != 0)
                    runs.push_back({ y, -1, kind == 2 });
                current = kind;
            }
        }
        return runs;
    }

    int firstLitRow() const
    {
        for (int y = 0; y < m_canvas.height(); ++y)
            if (anyLit(0, y, m_canvas.width(), y + 1))
                return y;
        return -1;
    }

    int textHeight(const QString &font, const QString &size, const QString &text) const
    {
        ImgSource measure;
        measure.create(m_settings.frameWidth, m_settings.frameHeight);
        measure.Font = font;
        measure.FontSize = Numeric::roundHalfEven(Numeric::val(size));
        return measure.textHeight(text);
    }

    int m_orderShown = 0;
    bool m_up = false;
    bool m_down = false;
    int m_editHidden = 0;
    int m_shown = 0;
    bool m_progressOn = false;
};

TEST_F(MenuPageTest, WindowOfEntriesEndsAtTheHighlightedEntry)
{
    const auto entries = addFolders(m_root, 12);
    const int perPage = m_renderer.entriesPerPage(m_root);
    ASSERT_GE(perPage, 3);
    ASSERT_LE(perPage + 2, 12);
    const int selected = perPage + 2;
    const MenuPage page = m_renderer.makeMenu(m_root, selected);

    EXPECT_EQ(page.selectedEntry, selected);
    EXPECT_EQ(page.entryCount, 12);
    EXPECT_EQ(page.entriesPerPage, perPage);
    EXPECT_EQ(page.entrySlot, perPage);
    EXPECT_EQ(page.entryNode, entries[size_t(selected - 1)]);
    QList<ProjectNode *> expected;
    for (int i = selected - perPage; i < selected; ++i)
        expected.append(entries[size_t(i)]);
    EXPECT_EQ(m_renderer.pageEntries(), expected);

    const auto runs = buttonRuns(m_canvas.width() / 2);
    ASSERT_EQ(int(runs.size()), perPage);
    EXPECT_FALSE(runs[0].highlighted);
    EXPECT_FALSE(runs[runs.size() - 2].highlighted);
    EXPECT_TRUE(runs.back().highlighted);
    EXPECT_EQ(m_orderShown, 1);
    EXPECT_TRUE(m_up);
    EXPECT_TRUE(m_down);
}

TEST_F(MenuPageTest, FirstPageSetsAndShrinksEntriesPerPageLaterPagesKeepIt)
{
    const auto entries = addFolders(m_root, 12);
    const MenuPage first = m_renderer.makeMenu(m_root, 1);

    const int perPage = first.entriesPerPage;
    // The layout without drawing finds the same room as the drawn page.
    EXPECT_EQ(m_renderer.entriesPerPage(m_root), perPage);
    ASSERT_GE(perPage, 2);
    ASSERT_LT(perPage, 12);
    const auto runs = buttonRuns(m_canvas.width() / 2);
    ASSERT_EQ(int(runs.size()), perPage);
    EXPECT_TRUE(runs[0].highlighted);
    // Shrunk exactly when one more button and its gap would leave the frame.
    const int bh = runs.back().bottom - runs.back().top;
    EXPECT_GT(runs.back().bottom + 2 * bh + 10, m_canvas.height());
    EXPECT_LE(runs[runs.size() - 2].bottom + 2 * bh + 10, m_canvas.height());
    EXPECT_EQ(first.entrySlot, 1);
    EXPECT_FALSE(m_up);
    EXPECT_TRUE(m_down);

    for (int selected = 2; selected <= 12; ++selected) {
        const MenuPage page = m_renderer.makeMenu(m_root, selected);
        EXPECT_EQ(page.entriesPerPage, perPage);
        EXPECT_EQ(page.entrySlot, std::min(selected, perPage));
        EXPECT_EQ(page.entryNode, entries[size_t(selected - 1)]);
        ASSERT_EQ(m_renderer.pageEntries().size(), perPage);
        EXPECT_EQ(m_renderer.pageEntries().constLast(), entries[size_t(std::max(selected, perPage) - 1)]);
        EXPECT_EQ(int(buttonRuns(m_canvas.width() / 2).size()), perPage);
    }
    EXPECT_TRUE(m_up);
    EXPECT_FALSE(m_down);
}

TEST_F(MenuPageTest, ButtonsAreScaledFromTheReferenceFrameAndStartOneXBelowTheTitle)
{
    addFolders(m_root, 2);
    edges(true, 6);

    // PAL high resolution: 480 x 45 becomes 469 x 45 at x = 117.
    m_renderer.makeMenu(m_root);
    const int titleTop = Numeric::roundHalfEven(576 * 0.06);
    const int xHeight = textHeight(m_settings.titleFont, m_settings.titleFontSize, QStringLiteral("X"));
    auto runs = buttonRuns(352);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].top, titleTop + xHeight + 13);
    EXPECT_EQ(runs[0].bottom - runs[0].top, 45);
    EXPECT_EQ(runs[1].top, runs[0].bottom + 13);
    const int mid = runs[0].top + 20;
    EXPECT_TRUE(isBlack(116, mid));
    EXPECT_TRUE(isColour(117, mid, Qt::green));
    EXPECT_TRUE(isColour(585, mid, Qt::green));
    EXPECT_TRUE(isBlack(586, mid));

    // 480 x 480: sx = 1.5, sy = 1.2: 320 x 38 (37.5 to even) at x = 80, gaps of 10.83.
    frame(480, 480, 480);
    m_settings.titleFontSize = QStringLiteral("40");
    m_renderer.makeMenu(m_root);
    const int titleTop2 = Numeric::roundHalfEven(480 * 0.06);
    const int xHeight2 = textHeight(m_settings.titleFont, m_settings.titleFontSize, QStringLiteral("X"));
    runs = buttonRuns(240);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].top, Numeric::roundHalfEven(titleTop2 + xHeight2 + 13 / 1.2));
    EXPECT_EQ(runs[0].bottom - runs[0].top, 38);
    EXPECT_EQ(runs[1].top, Numeric::roundHalfEven(runs[0].bottom + 13 / 1.2));
    const int mid2 = runs[1].top + 10;
    EXPECT_TRUE(isBlack(79, mid2));
    EXPECT_TRUE(isColour(80, mid2, Qt::blue));
    EXPECT_TRUE(isColour(399, mid2, Qt::blue));
    EXPECT_TRUE(isBlack(400, mid2));
}

TEST_F(MenuPageTest, TitleRowFollowsTheEdgeCorrection)
{
    frame(352, 288, 576);
    edges(false, 10);
    m_renderer.makeMenu(m_root);
    const int rowWithout = firstLitRow();
    ASSERT_GE(rowWithout, 0);

    edges(true, 10);
    const MenuPage page = m_renderer.makeMenu(m_root);
    // 288 x 0.1 = 28.8: the title's top moves to row 29.
    EXPECT_EQ(firstLitRow() - rowWithout, 29);

    // A menu without children shows the title only and leaves the order frame.
    EXPECT_EQ(page.entryCount, 0);
    EXPECT_EQ(m_orderShown, 0);
    EXPECT_EQ(m_tree.selectedNode(), nullptr);
    EXPECT_EQ(m_shown, 2);
    EXPECT_EQ(m_editHidden, 2);
    EXPECT_FALSE(m_progressOn);
}

TEST_F(MenuPageTest, MenuOfPicturesOnlyHasNoEntries)
{
    ProjectNode *pics = addFolder(m_root, QStringLiteral("Pics"));
    for (const char *name : { "a.jpg", "b.jpg", "c.mpg" }) {
        ProjectNode *file = addFile(pics, QLatin1String(name));
        writeJpeg(file->fullPath(), 16, 16, Qt::red);
    }
    const MenuPage page = m_renderer.makeMenu(pics);

    EXPECT_EQ(page.entryCount, 0);
    EXPECT_EQ(page.entriesPerPage, 0); // no buttons to fit
    EXPECT_EQ(page.entryNode, nullptr);
    EXPECT_TRUE(buttonRuns(m_canvas.width() / 2).empty());
    EXPECT_TRUE(m_renderer.pageEntries().isEmpty());
    EXPECT_EQ(m_tree.selectedNode(), pics);
    EXPECT_EQ(m_orderShown, 0);
    // Only the title ("Pics") is on the page.
    EXPECT_FALSE(anyLit(0, m_canvas.height() / 2, m_canvas.width(), m_canvas.height()));
}

TEST_F(MenuPageTest, ShortcutNumbersSitAtTheButtonsLeftEdgeAndLeaveTheLabelInPlace)
{
    auto entries = addFolders(m_root, 2);
    m_settings.menuFontSize = QStringLiteral("30");
    m_settings.menuColor = 0xFFFFFF;

    m_settings.shortcuts = true;
    m_renderer.makeMenu(m_root);
    const ImgSource with = m_canvas.copy();
    m_settings.shortcuts = false;
    m_renderer.makeMenu(m_root);

    ImgSource measure;
    measure.create(704, 576);
    measure.Font = m_settings.menuFont;
    measure.FontSize = 30;
    const int numberRight = 117 + measure.textWidth(QStringLiteral("  2.")) + 2;
    int differing = 0;
    for (int y = 0; y < 576; ++y) {
        for (int x = 0; x < 704; ++x) {
            const std::uint8_t *a = with.rgbData() + (y * 704 + x) * 3;
            const std::uint8_t *b = m_canvas.rgbData() + (y * 704 + x) * 3;
            if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) {
                ++differing;
                EXPECT_GE(x, 117) << x << "," << y;
                EXPECT_LT(x, numberRight) << x << "," << y;
            }
        }
    }
    EXPECT_GT(differing, 0);

    // The label is the entry's caption: an empty caption leaves the button bare.
    const auto runs = buttonRuns(130);
    ASSERT_EQ(runs.size(), 2u);
    auto whiteIn = [this](const ButtonRun &run) {
        for (int y = run.top; y < run.bottom; ++y)
            for (int x = 117; x < 586; ++x)
                if (pixel(x, y).r > 100)
                    return true;
        return false;
    };
    EXPECT_TRUE(whiteIn(runs[0]));
    EXPECT_TRUE(whiteIn(runs[1]));
    m_tree.info(entries[0]).caption.clear();
    m_tree.info(entries[1]).caption.clear();
    m_renderer.makeMenu(m_root);
    EXPECT_FALSE(whiteIn(runs[0]));
    EXPECT_FALSE(whiteIn(runs[1]));
}

TEST_F(MenuPageTest, AntiFlickerRunsAtTheEndUnlessFastPreview)
{
    addFolders(m_root, 1);
    m_settings.antiFlicker = true;
    m_settings.fastPreview = true;
    m_renderer.makeMenu(m_root);
    auto runs = buttonRuns(352);
    ASSERT_EQ(runs.size(), 1u);
    const int top = runs[0].top;
    EXPECT_TRUE(isBlack(352, top - 1, 0));

    m_settings.fastPreview = false;
    m_renderer.makeMenu(m_root);
    // The row above the button now holds a quarter of the button's green.
    const Rgb above = pixel(352, top - 1);
    EXPECT_NEAR(above.g, 64, 2);
    EXPECT_EQ(above.r, 0);
}

} // namespace

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "authoring/Workspace.h"
#include "preview/PreviewNavigator.h"
#include "project/ProjectNode.h"
#include "project/TreeEditor.h"

namespace {

// A painted album read by the real scanner, and the navigator over it.
class Navigation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Settings &s = m_ws.settings;
        s.antiFlicker = false;
        s.displayDate = false;
        s.useFileName = false;
        s.fastPreview = true;
        s.sourceDir = m_dir.path();
        m_nav.setPaneSize(QSize(176, 144));
        m_nav.setCallbacks({ [this](const QImage &image) {
                                ++m_shown;
                                m_lastShown = image;
                            },
            [this] { ++m_pointerRestored; }, {} });
    }

    void photo(const QString &relative, QColor colour = Qt::darkCyan)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(colour);
        QPainter(&image).fillRect(8, 8, 20, 20, Qt::yellow);
        ASSERT_TRUE(image.save(path, "JPEG", 90));
    }

    void movie(const QString &relative)
    {
        QFile file(m_dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2048, '\0'));
    }

    // Alpha (three pictures), Beta (a picture and a movie), Gamma (one picture).
    void threeFolders()
    {
        photo(QStringLiteral("Alpha/a1.jpg"));
        photo(QStringLiteral("Alpha/a2.jpg"));
        photo(QStringLiteral("Alpha/a3.jpg"));
        photo(QStringLiteral("Beta/b1.jpg"));
        movie(QStringLiteral("Beta/b2.mpg"));
        photo(QStringLiteral("Gamma/g1.jpg"));
        scan();
    }

    void scan()
    {
        m_ws.scanner.fillTree();
        ASSERT_FALSE(m_ws.tree.isEmpty());
    }

    ProjectNode *root() const { return m_ws.tree.root(); }
    ProjectNode *named(ProjectNode *parent, const char *text) const
    {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i)->text() == QLatin1String(text))
                return parent->child(i);
        }
        return nullptr;
    }
    QString childTexts(ProjectNode *parent) const
    {
        QStringList texts;
        for (int i = 0; i < parent->childCount(); ++i)
            texts << parent->child(i)->text();
        return texts.join(u',');
    }

    QTemporaryDir m_dir;
    FakePrompter m_prompter;
    Workspace m_ws { m_prompter };
    PreviewNavigator m_nav { m_ws.settings, m_ws.tree, m_ws.canvas, m_ws.renderer };
    int m_shown = 0;
    int m_pointerRestored = 0;
    QImage m_lastShown;
};

TEST_F(Navigation, RootClickShowsTheMainMenuScaledIntoThePane)
{
    threeFolders();
    m_nav.showFromTree(root());
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 1);
    EXPECT_EQ(m_nav.highlightedEntry(), named(root(), "Alpha"));
    // The menu page highlighting an entry is that entry's state on the disc.
    EXPECT_EQ(m_nav.shownStateId(),
        QStringLiteral("Selection-%1").arg(named(root(), "Alpha")->index(), 4, 10, QLatin1Char('0')));
    ASSERT_EQ(m_shown, 1);
    EXPECT_EQ(m_lastShown.size(), QSize(176, 144));
    // The canvas itself stays at frame size for the full-size window.
    EXPECT_EQ(m_ws.canvas.width(), m_ws.settings.frameWidth);
}

TEST_F(Navigation, LeafFolderClickShowsItsFirstPicture)
{
    threeFolders();
    ProjectNode *alpha = named(root(), "Alpha");
    m_nav.showFromTree(alpha);
    EXPECT_EQ(m_nav.previewNode(), alpha->firstChild());
    EXPECT_EQ(m_ws.tree.selectedNode(), alpha->firstChild());
    EXPECT_EQ(m_nav.highlightedEntry(), nullptr);
    EXPECT_EQ(m_nav.shownState(), (DiscState { alpha->firstChild(), false }));
    EXPECT_EQ(m_shown, 1);
}

TEST_F(Navigation, NextAndPreviousStopAtTheEndsOfTheMenuAsOnTheDisc)
{
    threeFolders();
    m_nav.showFromTree(root());
    m_nav.pressPrevious(); // the first entry has no previous one
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 1);
    m_nav.pressNext();
    m_nav.pressNext();
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
    EXPECT_EQ(m_nav.highlightedEntry(), named(root(), "Gamma"));
    m_nav.pressNext(); // nor the last a next one
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
    m_nav.pressPrevious();
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 2);
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_shown, 4);

    // Number keys open what the page's buttons lead to; a key past the page does nothing.
    m_nav.pressNumber(3);
    EXPECT_EQ(m_nav.previewNode(), named(root(), "Gamma")->firstChild());
    const int shown = m_shown;
    m_nav.pressNumber(1);
    m_nav.pressNumber(4);
    EXPECT_EQ(m_shown, shown);
    // The last picture of an entry times out back to the entry's menu state.
    m_nav.followTimeout();
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
}

TEST_F(Navigation, PicturesStepThroughSiblingsAndStopAtTheEnds)
{
    threeFolders();
    ProjectNode *alpha = named(root(), "Alpha");
    // Straight from the main menu (EntryCount 3) to a picture: the very first
    // Next already moves to the next picture.
    m_nav.showFromTree(root());
    m_nav.showFromTree(alpha->child(1));
    m_nav.pressNext();
    EXPECT_EQ(m_nav.previewNode(), alpha->child(2));
    EXPECT_EQ(m_ws.tree.selectedNode(), alpha->child(2));

    const int shown = m_shown;
    m_nav.pressNext();
    EXPECT_EQ(m_nav.previewNode(), alpha->child(2));
    EXPECT_EQ(m_shown, shown);

    m_nav.pressPrevious();
    m_nav.pressPrevious();
    EXPECT_EQ(m_nav.previewNode(), alpha->child(0));
    m_nav.pressPrevious();
    EXPECT_EQ(m_nav.previewNode(), alpha->child(0));
    EXPECT_EQ(m_shown, shown + 2);
}

TEST_F(Navigation, EnterOpensTheHighlightedEntryButNotAPicture)
{
    threeFolders();
    ProjectNode *beta = named(root(), "Beta");
    m_nav.showFromTree(root());
    m_nav.pressNext();
    m_nav.pressEnter();
    EXPECT_EQ(m_nav.previewNode(), beta->firstChild());
    EXPECT_EQ(m_ws.tree.selectedNode(), beta->firstChild());

    const int shown = m_shown;
    m_nav.pressEnter();
    EXPECT_EQ(m_nav.previewNode(), beta->firstChild());
    EXPECT_EQ(m_shown, shown);
}

TEST_F(Navigation, MovieShowsThePlaceholderAndCaptionFileIsFound)
{
    threeFolders();
    ProjectNode *beta = named(root(), "Beta");
    QFile caption(m_dir.filePath(QStringLiteral("Beta/b1.txt")));
    ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
    caption.write("At the lake");
    caption.close();

    m_nav.showFromTree(beta->child(0));
    EXPECT_FALSE(m_nav.shownState().caption);
    m_nav.pressEnter();
    EXPECT_EQ(m_nav.shownState(), (DiscState { beta->child(0), true }));
    m_nav.pressNext();
    EXPECT_EQ(m_nav.previewNode(), beta->child(1));
    // The placeholder page is black apart from its text at the top.
    EXPECT_EQ(m_lastShown.pixel(88, 140) & 0xFFFFFF, 0u);
}

TEST_F(Navigation, EnterTogglesACaptionedPictureAndItsCaptionState)
{
    threeFolders();
    m_ws.settings.pictureFontSize = QStringLiteral("14");
    ProjectNode *alpha = named(root(), "Alpha");
    QFile caption(m_dir.filePath(QStringLiteral("Alpha/a2.txt")));
    ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
    caption.write("Sunset over the harbour with boats\r\n");
    caption.close();

    // Without a caption Enter does nothing on a picture.
    m_nav.showFromTree(alpha->child(0));
    int shown = m_shown;
    m_nav.pressEnter();
    EXPECT_FALSE(m_nav.shownState().caption);
    EXPECT_EQ(m_shown, shown);

    m_nav.pressNext();
    ASSERT_EQ(m_nav.previewNode(), alpha->child(1));
    const QImage plain = m_lastShown;
    shown = m_shown;
    m_nav.pressEnter();
    EXPECT_TRUE(m_nav.shownState().caption);
    EXPECT_EQ(m_nav.previewNode(), alpha->child(1));
    EXPECT_EQ(m_shown, shown + 1);
    EXPECT_NE(m_lastShown, plain); // the caption is drawn over the picture

    m_nav.pressEnter();
    EXPECT_FALSE(m_nav.shownState().caption);
    EXPECT_EQ(m_lastShown, plain);

    // Return from the caption state goes back to the picture, not the menu.
    m_nav.pressEnter();
    m_nav.pressReturn();
    EXPECT_FALSE(m_nav.shownState().caption);
    EXPECT_EQ(m_nav.previewNode(), alpha->child(1));
    EXPECT_EQ(m_lastShown, plain);
    // And from the plain picture to the menu above, its entry highlighted.
    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_nav.highlightedEntry(), alpha);

    // Next from a caption state shows the next picture plainly.
    m_nav.showFromTree(alpha->child(1));
    m_nav.pressEnter();
    m_nav.pressNext();
    EXPECT_FALSE(m_nav.shownState().caption);
    EXPECT_EQ(m_nav.previewNode(), alpha->child(2));
}

TEST_F(Navigation, ReturnFromAPictureHighlightsItsEntryOnTheMenuAbove)
{
    threeFolders();
    ProjectNode *gamma = named(root(), "Gamma");
    m_nav.showFromTree(root());
    m_nav.pressNext();
    m_nav.pressNext();
    m_nav.pressEnter();
    ASSERT_EQ(m_nav.previewNode(), gamma->firstChild());

    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_ws.tree.selectedNode(), root());
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 3);
    EXPECT_EQ(m_nav.highlightedEntry(), gamma);

    const int shown = m_shown;
    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_shown, shown);
}

TEST_F(Navigation, ReturnWorksBelowAFolderNamedLikeTheMainTitle)
{
    m_ws.settings.mainTitle = QStringLiteral("Summer");
    photo(QStringLiteral("Summer/Beach/s1.jpg"));
    photo(QStringLiteral("Summer/Hills/h1.jpg"));
    photo(QStringLiteral("Winter/w1.jpg"));
    scan();
    ProjectNode *summer = named(root(), "Summer");
    ASSERT_EQ(root()->tag(), summer->tag());

    m_nav.showFromTree(root());
    m_nav.pressEnter();
    ASSERT_EQ(m_nav.previewNode(), summer);
    EXPECT_EQ(m_nav.highlightedEntry(), named(summer, "Beach"));

    m_nav.pressReturn();
    EXPECT_EQ(m_nav.previewNode(), root());
    EXPECT_EQ(m_nav.highlightedEntry(), summer);
}

TEST_F(Navigation, SiblingsWithTheSameTextAreStillDistinctNodes)
{
    // Two names that differ only in letter case are two files here.
    photo(QStringLiteral("Only/IMG.jpg"));
    photo(QStringLiteral("Only/img.jpg"));
    photo(QStringLiteral("Only/zz.jpg"));
    scan();
    ProjectNode *only = named(root(), "Only");
    ASSERT_EQ(only->childCount(), 3);
    m_nav.showFromTree(only->child(0));
    m_nav.pressNext();
    m_nav.pressNext();
    EXPECT_EQ(m_nav.previewNode(), only->child(2));
}

TEST_F(Navigation, GoneFilesShowNothingNew)
{
    threeFolders();
    ProjectNode *gamma = named(root(), "Gamma");
    ASSERT_TRUE(QFile::remove(gamma->firstChild()->fullPath()));
    m_nav.showFromTree(gamma->firstChild());
    EXPECT_EQ(m_shown, 0);
}

TEST_F(Navigation, StampPlacementOnlyWhileArmedAndInFramePixels)
{
    threeFolders();
    m_nav.showFromTree(named(root(), "Alpha")->firstChild());
    const int shown = m_shown;
    EXPECT_FALSE(m_nav.placeStampAt(Qt::LeftButton, QPoint(50, 50)));
    EXPECT_EQ(m_ws.settings.stampX, 0);

    m_nav.armPlacement();
    EXPECT_FALSE(m_nav.placeStampAt(Qt::RightButton, QPoint(50, 50)));
    EXPECT_TRUE(m_nav.placeStampAt(Qt::LeftButton, QPoint(44, 36)));
    EXPECT_EQ(m_ws.settings.stampX, 176); // 704 / 176 * 44
    EXPECT_EQ(m_ws.settings.stampY, 144); // 576 / 144 * 36
    EXPECT_EQ(m_pointerRestored, 1);
    EXPECT_FALSE(m_nav.placementArmed());
    EXPECT_EQ(m_shown, shown + 1);
}

TEST_F(Navigation, UpDownAndSaveOrderChangeTheNextScan)
{
    threeFolders();
    TreeEditor editor(m_ws.tree, m_prompter);
    // As the window does it: the entry moves and stays highlighted.
    const auto up = [&] {
        ProjectNode *entry = m_nav.highlightedEntry();
        if (!editor.moveUp(entry, m_nav.highlightedEntryNumber()))
            return false;
        m_nav.showEntry(entry);
        return true;
    };
    const auto down = [&] {
        ProjectNode *entry = m_nav.highlightedEntry();
        if (!editor.moveDown(entry, m_nav.highlightedEntryNumber()))
            return false;
        m_nav.showEntry(entry);
        return true;
    };
    m_nav.showFromTree(root());
    m_nav.pressNext();
    m_nav.pressNext(); // Gamma highlighted
    ASSERT_TRUE(up());
    ASSERT_TRUE(up());
    EXPECT_FALSE(up());
    EXPECT_EQ(childTexts(root()), QLatin1String("Gamma,Alpha,Beta"));
    EXPECT_EQ(m_nav.highlightedEntryNumber(), 1);
    ASSERT_TRUE(down());
    EXPECT_EQ(childTexts(root()), QLatin1String("Alpha,Gamma,Beta"));
    EXPECT_EQ(m_nav.highlightedEntry(), named(root(), "Gamma"));
    // Next follows the new order.
    m_nav.pressNext();
    EXPECT_EQ(m_nav.highlightedEntry(), named(root(), "Beta"));
    m_nav.pressPrevious();
    ASSERT_TRUE(editor.saveOrder(m_nav.highlightedEntry()));

    m_nav.reset();
    scan();
    EXPECT_EQ(childTexts(root()), QLatin1String("Alpha,Gamma,Beta"));
}

} // namespace

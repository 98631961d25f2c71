#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "cli/CommandOptions.h"
#include "cli/RenderCommand.h"
#include "project/ProjectTree.h"
#include "project/Scanner.h"
#include "settings/Settings.h"

namespace {

// An album of three folders (a picture in each, a movie in the last) rendered
// through `kelvara render` as the command line runs it.
class RenderCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_source = m_dir.filePath(QStringLiteral("album"));
        for (const char *folder : { "Alps", "Beach", "City" }) {
            const QString path = m_source + u'/' + QLatin1String(folder);
            ASSERT_TRUE(QDir().mkpath(path));
            QImage photo(320, 240, QImage::Format_RGB32);
            photo.fill(QColor(90, 160, 220));
            ASSERT_TRUE(photo.save(path + QStringLiteral("/photo.jpg"), "JPEG", 90));
        }
        QFile movie(m_source + QStringLiteral("/City/clip.mpg"));
        ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
        movie.write(QByteArray(2048, '\0'));
        movie.close();
        m_out = m_dir.filePath(QStringLiteral("page.jpg"));
        m_options.command = QStringLiteral("render");
        m_options.source = m_source;
        m_options.out = m_out;
    }

    // The Index the scan gives the node at that path below the source.
    int indexOf(const QString &relative)
    {
        Settings settings;
        settings.sourceDir = m_source;
        ProjectTree tree;
        FakePrompter quiet;
        Scanner scanner(tree, settings, quiet);
        scanner.fillTree();
        const QString path = relative.isEmpty() ? m_source : m_source + u'/' + relative;
        for (int i = 1; i <= tree.highestIndex(); ++i) {
            const ProjectNode *node = tree.nodeByIndex(i);
            if (node && QDir::cleanPath(node->fullPath()) == QDir::cleanPath(path))
                return i;
        }
        ADD_FAILURE() << "no node for " << relative.toStdString();
        return -1;
    }

    int run()
    {
        Settings settings;
        return runRenderCommand(m_options, settings, m_prompter);
    }

    QTemporaryDir m_dir;
    QString m_source;
    QString m_out;
    CommandOptions m_options;
    FakePrompter m_prompter;
};

TEST_F(RenderCommandTest, RendersMenuPicturesAndMoviesAsFrameSizedJpegs)
{
    m_options.node = indexOf(QString());
    m_options.entry = 3;
    ASSERT_EQ(run(), 0);
    QImage page(m_out);
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.size(), QSize(704, 576));

    // Entry 3 highlighted differs from entry 1 highlighted.
    m_options.entry = 1;
    const QString first = m_dir.filePath(QStringLiteral("first.jpg"));
    m_options.out = first;
    ASSERT_EQ(run(), 0);
    EXPECT_NE(QImage(first), page);

    m_options.node = indexOf(QStringLiteral("Beach/photo.jpg"));
    m_options.out = m_out;
    ASSERT_EQ(run(), 0);
    QImage still(m_out);
    EXPECT_EQ(still.size(), QSize(704, 576));
    // The photo's blue lies at the centre of the still.
    const QColor centre = still.pixelColor(352, 288);
    EXPECT_GT(centre.blue(), 180);
    EXPECT_LT(centre.red(), 130);

    m_options.node = indexOf(QStringLiteral("City/clip.mpg"));
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(QImage(m_out).size(), QSize(704, 576));
}

TEST_F(RenderCommandTest, FormatOptionsChooseTheFrame)
{
    m_options.node = indexOf(QStringLiteral("Alps/photo.jpg"));
    m_options.ntsc = true;
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(QImage(m_out).size(), QSize(704, 480));

    m_options.lowRes = true;
    ASSERT_EQ(run(), 0);
    EXPECT_EQ(QImage(m_out).size(), QSize(480, 480));
}

TEST_F(RenderCommandTest, BadRequestsFailWithoutWritingTheFile)
{
    m_options.node = 99;
    EXPECT_NE(run(), 0);
    EXPECT_FALSE(QFile::exists(m_out));

    m_options.node = indexOf(QString());
    m_options.entry = 4; // the top menu has three entries
    EXPECT_NE(run(), 0);
    EXPECT_FALSE(QFile::exists(m_out));

    m_options.node = indexOf(QStringLiteral("Alps"));
    m_options.entry = 2; // a folder of pictures has no entries
    EXPECT_NE(run(), 0);
    EXPECT_FALSE(QFile::exists(m_out));

    m_options.entry = 1;
    m_options.out = m_dir.filePath(QStringLiteral("no/such/folder/page.jpg"));
    EXPECT_NE(run(), 0);

    m_options.out = m_out;
    m_options.source = m_dir.filePath(QStringLiteral("missing"));
    EXPECT_NE(run(), 0);
    EXPECT_FALSE(QFile::exists(m_out));
}

} // namespace

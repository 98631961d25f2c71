#include "gui/CaptionEditor.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "gui/ColorChooser.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class CaptionEditorTest : public RenderFixture
{
protected:
    void SetUp() override
    {
        RenderFixture::SetUp();
        m_album = addFolder(m_root, QStringLiteral("album"));
        m_photo = addFile(m_album, QStringLiteral("img_0042.jpg"));
        writeJpeg(m_photo->fullPath(), 640, 480, QColor(40, 90, 160));
        m_captionPath = m_album->fullPath() + QLatin1String("/img_0042.txt");
    }

    void TearDown() override
    {
        // Editors close themselves; anything left from a failed case goes here.
        for (QWidget *window : QApplication::topLevelWidgets())
            if (qobject_cast<CaptionEditor *>(window))
                delete window;
    }

    CaptionEditor *open(ProjectNode *node, double w = 400, double h = 300)
    {
        return CaptionEditor::openFor(node, m_settings, w, h, m_prompter);
    }

    ProjectNode *m_album = nullptr;
    ProjectNode *m_photo = nullptr;
    QString m_captionPath;
};

} // namespace

TEST_F(CaptionEditorTest, CaptionFileSitsBesideThePicture)
{
    EXPECT_EQ(CaptionEditor::captionPathFor(QStringLiteral("/a/b/img_0042.jpg")),
        QLatin1String("/a/b/img_0042.txt"));
    EXPECT_EQ(CaptionEditor::captionPathFor(QStringLiteral("/a/b/IMG.JPG")), QLatin1String("/a/b/IMG.txt"));
}

TEST_F(CaptionEditorTest, AFolderOpensNothing)
{
    EXPECT_EQ(open(m_album), nullptr);
    EXPECT_EQ(open(nullptr), nullptr);
    for (QWidget *window : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<CaptionEditor *>(window), nullptr);
}

TEST_F(CaptionEditorTest, PictureWithoutCaptionOpensEmptyBoxOfThePicturesSize)
{
    CaptionEditor *editor = open(m_photo, 412, 309);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->isModal());
    EXPECT_EQ(editor->windowTitle(), QLatin1String("Text editor"));
    EXPECT_EQ(editor->path(), m_captionPath);
    EXPECT_TRUE(editor->textBox()->toPlainText().isEmpty());
    EXPECT_EQ(editor->textBox()->size(), QSize(412, 309));
    // Buttons level below the box, inside the window.
    auto *save = editor->findChild<QPushButton *>(QStringLiteral("pbSave"));
    auto *cancel = editor->findChild<QPushButton *>(QStringLiteral("pbCancel"));
    ASSERT_NE(save, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(save->y(), cancel->y());
    EXPECT_GT(save->y(), editor->textBox()->geometry().bottom());
    EXPECT_LE(cancel->geometry().right(), editor->width());
    EXPECT_LE(save->geometry().bottom(), editor->height());
}

TEST_F(CaptionEditorTest, BoxFontIsScaledToTheLibrarysTextWidth)
{
    EXPECT_DOUBLE_EQ(CaptionEditor::matchedFontSize(36, 100, 200), 72.0);
    EXPECT_DOUBLE_EQ(CaptionEditor::matchedFontSize(36, 0, 200), 36.0);

    m_settings.pictureFont = QStringLiteral("DejaVu Sans");
    m_settings.pictureFontSize = QStringLiteral("36");
    CaptionEditor *editor = open(m_photo);
    ASSERT_NE(editor, nullptr);
    ImgSource library;
    library.Font = m_settings.pictureFont;
    library.FontSize = 36;
    const QString tenX = QStringLiteral("XXXXXXXXXX");
    const int expected = library.textWidth(tenX);
    const int shown = QFontMetrics(editor->textBox()->font()).horizontalAdvance(tenX);
    EXPECT_NEAR(shown, expected, expected * 0.03);
    EXPECT_EQ(editor->textBox()->font().family(), QLatin1String("DejaVu Sans"));
}

TEST_F(CaptionEditorTest, LoadAndSaveAddsOneLineEnd)
{
    writeAll(m_captionPath, "Beach at noon\r\nsecond line\r\n");
    CaptionEditor *editor = open(m_photo);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->textBox()->toPlainText(), QLatin1String("Beach at noon\nsecond line\n"));
    QSignalSpy saved(editor, &CaptionEditor::saved);
    editor->onSaveClicked();
    EXPECT_EQ(readAll(m_captionPath), QByteArray("Beach at noon\r\nsecond line\r\n\r\n"));
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(m_prompter.count(), 0);

    // Lines ended the POSIX way (or not at all) load as lines too.
    writeAll(m_captionPath, "one\ntwo");
    editor = open(m_photo);
    EXPECT_EQ(editor->textBox()->toPlainText(), QLatin1String("one\ntwo\n"));
    editor->onSaveClicked();
    EXPECT_EQ(readAll(m_captionPath), QByteArray("one\r\ntwo\r\n\r\n"));
}

TEST_F(CaptionEditorTest, TextIsKeptAsUtf8)
{
    CaptionEditor *editor = open(m_photo);
    editor->textBox()->setPlainText(QStringLiteral("Été à Nice"));
    editor->onSaveClicked();
    EXPECT_EQ(readAll(m_captionPath), QStringLiteral("Été à Nice\r\n").toUtf8());
    editor = open(m_photo);
    EXPECT_EQ(editor->textBox()->toPlainText(), QStringLiteral("Été à Nice\n"));
}

TEST_F(CaptionEditorTest, SavingAnEmptyBoxDeletesTheCaption)
{
    writeAll(m_captionPath, "old\r\n");
    CaptionEditor *editor = open(m_photo);
    editor->textBox()->clear();
    editor->onSaveClicked();
    EXPECT_FALSE(QFileInfo::exists(m_captionPath));

    // No caption to delete is no error.
    editor = open(m_photo);
    QSignalSpy saved(editor, &CaptionEditor::saved);
    editor->onSaveClicked();
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(m_prompter.count(), 0);
}

TEST_F(CaptionEditorTest, CancelWritesNothing)
{
    writeAll(m_captionPath, "keep\r\n");
    CaptionEditor *editor = open(m_photo);
    QPointer<CaptionEditor> guard(editor);
    QSignalSpy saved(editor, &CaptionEditor::saved);
    editor->textBox()->setPlainText(QStringLiteral("changed"));
    editor->findChild<QPushButton *>(QStringLiteral("pbCancel"))->click();
    EXPECT_EQ(readAll(m_captionPath), QByteArray("keep\r\n"));
    EXPECT_EQ(saved.count(), 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

TEST_F(CaptionEditorTest, ReadAndWriteFailuresAreReported)
{
    // A folder where the caption file should be can be neither read nor replaced.
    ASSERT_TRUE(QDir().mkpath(m_captionPath));
    CaptionEditor *editor = open(m_photo);
    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].title, QLatin1String("Read text"));
    EXPECT_EQ(m_prompter.boxes()[0].text, QLatin1String("Unable to read file: ") + m_captionPath + u'.');

    editor->textBox()->setPlainText(QStringLiteral("new caption"));
    QSignalSpy saved(editor, &CaptionEditor::saved);
    editor->onSaveClicked();
    ASSERT_EQ(m_prompter.count(), 2);
    EXPECT_EQ(m_prompter.boxes()[1].title, QLatin1String("Write text"));
    EXPECT_EQ(m_prompter.boxes()[1].text, QLatin1String("Unable to write file: ") + m_captionPath + u'.');
    // The typed text is not thrown away with a failed save.
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(QFileInfo(m_captionPath).isDir());
}

TEST_F(CaptionEditorTest, CaptionStateDrawsTheTextWrappedInsideThePicture)
{
    m_settings.pictureFont = QStringLiteral("DejaVu Sans");
    m_settings.pictureFontSize = QStringLiteral("24");
    m_settings.pictureColor = 0xFFFFFF;
    frame(704, 576, 576);
    aspect(false);
    edges(false, 0);
    writeAll(m_captionPath,
        "A long caption about the beach, the sea and the sky that cannot fit on one line of the picture\r\n");

    m_renderer.createStill(m_photo, m_photo->fullPath());
    const ImgSource plain = m_canvas.copy();
    const QRect picture((704 - int(m_renderer.stillWidth())) / 2, (576 - int(m_renderer.stillHeight())) / 2,
        int(m_renderer.stillWidth()), int(m_renderer.stillHeight()));
    ASSERT_GT(picture.width(), 100);

    m_renderer.createStill(m_photo, m_photo->fullPath(), m_captionPath);
    EXPECT_EQ(m_renderer.stillWidth(), picture.width());

    // Every changed pixel lies inside the picture; the text spans several lines.
    int top = 576, bottom = -1, outside = 0, lit = 0;
    for (int y = 0; y < 576; ++y) {
        for (int x = 0; x < 704; ++x) {
            const std::uint8_t *a = plain.rgbData() + (std::size_t(y) * 704 + x) * 3;
            const std::uint8_t *b = m_canvas.rgbData() + (std::size_t(y) * 704 + x) * 3;
            if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2])
                continue;
            if (!picture.contains(x, y))
                ++outside;
            if (b[0] > 200 && b[1] > 200 && b[2] > 200) {
                ++lit;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(lit, 200);
    ImgSource measure;
    measure.Font = m_settings.pictureFont;
    measure.FontSize = 24;
    EXPECT_GT(bottom - top, measure.textHeight(QStringLiteral("Xg"))) << "the caption should wrap";
}

TEST(ColorChooser, CancelReturnsTheGivenColour)
{
    EXPECT_EQ(
        ColorChooser::ask(0x123456, nullptr, [](const QColor &, QWidget *) { return QColor(); }), 0x123456u);
    QColor offered;
    EXPECT_EQ(ColorChooser::ask(0x0000FF, nullptr,
                  [&](const QColor &initial, QWidget *) {
                      offered = initial;
                      return QColor(0, 128, 255);
                  }),
        0xFF8000u);
    EXPECT_EQ(offered, QColor(255, 0, 0));

    // The standard dialog, closed with Cancel.
    QTimer::singleShot(0, [] {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QColorDialog *>(window))
                dialog->reject();
    });
    EXPECT_EQ(ColorChooser::ask(0x00FF00), 0x00FF00u);
}

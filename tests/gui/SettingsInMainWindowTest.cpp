#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/CaptionEditor.h"
#include "gui/FormLocalizer.h"
#include "gui/MainWindow.h"
#include "gui/SettingsWindow.h"
#include "project/ProjectNode.h"

namespace {

// The main window with its own settings window and caption editor, on a
// painted album with one captioned picture.
class SettingsInMainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_album.isValid());
        m_home.installTools();
        m_window.setSplashEnabled(false);
        m_window.setEndProgram([] {});
        ASSERT_TRUE(m_window.start());
        Settings &s = m_window.settings();
        s.antiFlicker = false;
        s.displayDate = false;
        s.fastPreview = true;
        m_window.show();
        for (const char *name : { "Lake/l1.jpg", "Lake/l2.jpg", "Town/t1.jpg" }) {
            const QString path = m_album.filePath(QLatin1String(name));
            QDir().mkpath(QFileInfo(path).path());
            QImage image(96, 64, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            QPainter(&image).fillRect(10, 10, 30, 20, Qt::white);
            ASSERT_TRUE(image.save(path, "JPEG", 90));
        }
        QFile caption(m_album.filePath(QStringLiteral("Lake/l2.txt")));
        ASSERT_TRUE(caption.open(QIODevice::WriteOnly));
        caption.write("By the water\r\n");
        caption.close();
        s.sourceDir = m_album.path();
        m_window.settingsWindow()->showRecord();
        m_window.onReadStructureClicked();
        ASSERT_NE(m_window.workspace().tree.root(), nullptr);
    }

    void TearDown() override { FormLocalizer::setLanguage(0); }

    template <class T> T *control(QWidget *window, const char *name)
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    ProjectNode *node(const char *folder, int row)
    {
        ProjectNode *root = m_window.workspace().tree.root();
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->text() == QLatin1String(folder))
                return root->child(i)->child(row);
        return nullptr;
    }

    TestHome m_home;
    QTemporaryDir m_album;
    FakePrompter m_prompter;
    MainWindow m_window { &m_prompter };
};

} // namespace

TEST_F(SettingsInMainWindow, ButtonShowsTheWindowBelowAndTheCloseBoxHidesIt)
{
    SettingsWindow *settings = m_window.settingsWindow();
    ASSERT_NE(settings, nullptr);
    auto *button = control<QPushButton>(&m_window, "pbSettings");
    // Shown at start (the default), it follows once the main window is up.
    QApplication::processEvents();
    ASSERT_TRUE(m_window.settingsVisible());
    EXPECT_TRUE(settings->isVisible());
    m_window.onSettingsClicked();
    ASSERT_FALSE(settings->isVisible());
    EXPECT_EQ(QString(button->text()).remove(u'&'), QLatin1String("Show Settings"));

    m_window.onSettingsClicked();
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(QString(button->text()).remove(u'&'), QLatin1String("Hide Settings"));
    EXPECT_EQ(settings->frameGeometry().left(), m_window.frameGeometry().left());
    EXPECT_TRUE(m_window.settings().showSettings);

    settings->close();
    EXPECT_FALSE(settings->isVisible());
    EXPECT_EQ(QString(button->text()).remove(u'&'), QLatin1String("Show Settings"));
    EXPECT_FALSE(m_window.settings().showSettings);
    EXPECT_FALSE(m_window.settingsVisible());
}

TEST_F(SettingsInMainWindow, LanguageChoiceRelabelsTheMainWindow)
{
    auto *languages = control<QComboBox>(m_window.settingsWindow(), "cmbLanguage");
    languages->setCurrentIndex(1); // Dutch
    const auto dutch = [](int id) { return StringTable::instance().entry(StringTable::LanguageStride + id); };
    EXPECT_EQ(QString(control<QPushButton>(&m_window, "cmdReadStructure")->text()).remove(u'&'),
        dutch(TextId::ReadStructure));
    EXPECT_EQ(QString(control<QCheckBox>(&m_window, "chkFullRebuild")->text()).remove(u'&'),
        dutch(TextId::FullRebuild));
    EXPECT_EQ(m_window.settingsWindow()->windowTitle(), dutch(TextId::SettingsWindow));
    EXPECT_EQ(m_window.settings().language, 1);
}

TEST_F(SettingsInMainWindow, SourceChangeEmptiesTheTreeAndFullRebuildShows)
{
    SettingsWindow *settings = m_window.settingsWindow();
    m_window.settings().fullRebuild = false;
    control<QRadioButton>(settings, "OptNTSC")->click();
    EXPECT_TRUE(control<QCheckBox>(&m_window, "chkFullRebuild")->isChecked());
    EXPECT_EQ(m_prompter.count(), 1);

    QTest::keyClick(control<QLineEdit>(settings, "txtSource"), Qt::Key_X);
    EXPECT_TRUE(m_window.workspace().tree.isEmpty());
    EXPECT_EQ(m_window.navigator().previewNode(), nullptr);
}

TEST_F(SettingsInMainWindow, EditTextOpensForThePictureShownAndSavingRedraws)
{
    auto *editButton = control<QPushButton>(&m_window, "pbEditText");
    ProjectNode *withCaption = node("Lake", 1);
    ASSERT_NE(withCaption, nullptr);
    m_window.workspace().tree.setSelectedNode(withCaption);
    m_window.onTreeNodeClicked(withCaption);
    EXPECT_TRUE(editButton->isVisible());

    // Enter shows the caption state; Enter again the plain picture.
    m_window.onEnterClicked();
    EXPECT_TRUE(m_window.navigator().shownState().caption);
    m_window.onEnterClicked();
    EXPECT_FALSE(m_window.navigator().shownState().caption);

    m_window.onEditTextClicked();
    CaptionEditor *editor = m_window.editTextWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->textBox()->toPlainText(), QLatin1String("By the water\n"));
    EXPECT_EQ(editor->textBox()->width(), qRound(m_window.workspace().renderer.stillWidth()));
    editor->textBox()->clear();
    editor->onSaveClicked();
    EXPECT_FALSE(QFileInfo::exists(m_album.filePath(QStringLiteral("Lake/l2.txt"))));

    // A menu page offers no caption editing.
    m_window.onTreeNodeClicked(m_window.workspace().tree.root());
    EXPECT_FALSE(editButton->isVisible());
}

TEST_F(SettingsInMainWindow, PositionButtonArmsTheCrossHairInThePane)
{
    m_prompter.scriptAnswer(true);
    control<QPushButton>(m_window.settingsWindow(), "cmdPosition")->click();
    EXPECT_TRUE(m_window.navigator().placementArmed());
    auto *pane = m_window.findChild<QWidget *>(QStringLiteral("PicPreview"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->cursor().shape(), Qt::CrossCursor);

    control<QPushButton>(m_window.settingsWindow(), "cmdPosition")->click();
    EXPECT_FALSE(m_window.navigator().placementArmed());
    EXPECT_NE(pane->cursor().shape(), Qt::CrossCursor);
}

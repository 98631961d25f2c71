#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include "FakePrompter.h"
#include "TestHome.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"
#include "gui/MainWindow.h"
#include "gui/OutputWindow.h"
#include "gui/PreviewWindow.h"
#include "gui/ProjectTreeModel.h"
#include "preview/PreviewNavigator.h"
#include "project/ProjectNode.h"

namespace {

// The main window started on a painted album, as a user would have it after
// starting the program with a source and a build folder chosen.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_album.isValid());
        ASSERT_TRUE(m_build.isValid());
        m_home.installTools();
        m_window.setSplashEnabled(false);
        m_window.setEndProgram([] {});
        ASSERT_TRUE(m_window.start());
        Settings &s = m_window.settings();
        s.sourceDir = m_album.path();
        s.destinationDir = m_build.path();
        s.antiFlicker = false;
        s.displayDate = false;
        s.fastPreview = true;
        m_window.show();
    }

    void photo(const QString &relative, QColor colour = Qt::darkGreen)
    {
        const QString path = m_album.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(96, 64, QImage::Format_RGB32);
        image.fill(colour);
        QPainter(&image).fillRect(10, 10, 30, 20, Qt::white);
        ASSERT_TRUE(image.save(path, "JPEG", 90));
    }

    void twoFolders()
    {
        photo(QStringLiteral("Lake/l1.jpg"));
        photo(QStringLiteral("Lake/l2.jpg"), Qt::darkBlue);
        photo(QStringLiteral("Town/t1.jpg"), Qt::darkRed);
        m_window.onReadStructureClicked();
        ASSERT_NE(root(), nullptr);
    }

    template <typename T> T *control(const char *name) const
    {
        return m_window.findChild<T *>(QLatin1String(name));
    }
    QString labelText(const char *name) const { return control<QLabel>(name)->text(); }
    ProjectNode *root() { return m_window.workspace().tree.root(); }

    // The program folder becomes the current folder at start; it goes with the test.
    struct KeepCurrentDir
    {
        QString folder = QDir::currentPath();
        ~KeepCurrentDir() { QDir::setCurrent(folder); }
    } m_keepDir;
    TestHome m_home;
    QTemporaryDir m_album;
    QTemporaryDir m_build;
    FakePrompter m_prompter;
    ::MainWindow m_window { &m_prompter };
};

TEST_F(MainWindowTest, EveryControlCarriesItsCaptionId)
{
    const std::pair<const char *, int> ids[] = { { "cmdReadStructure", 101 }, { "pbcreatevcd", 103 },
        { "pbCancelBuild", 102 }, { "pbBurn", 104 }, { "chkFullRebuild", 107 }, { "Framepreview", 108 },
        { "pbReturn", 109 }, { "pbEnter", 110 }, { "chkFullPreview", 111 }, { "pbEditText", 112 },
        { "frameOrder", 113 }, { "label1", 114 }, { "Label2", 115 }, { "chkFastPreview", 116 },
        { "mnuEdit", 2014 }, { "mnuUndo", 2015 }, { "mnuRedo", 2016 } };
    for (const auto &[name, id] : ids) {
        QObject *object = m_window.findChild<QObject *>(QLatin1String(name));
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->property(FormLocalizer::TextIdProperty).toInt(), id) << name;
    }
    for (const char *name : { "tvwStruct", "PicPreview", "pbPrev", "pbNext", "pbUp", "pbDown", "pbSaveOrder",
             "labDirs", "labFiles", "labCapacity", "labCapdisplay", "Label5", "labVersion", "CapacityBar",
             "RenderProgressBar", "BuildProgressBar" })
        EXPECT_NE(m_window.findChild<QWidget *>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(control<QPushButton>("pbEditText")->isVisible(), false);
    EXPECT_EQ(control<QPushButton>("pbCancelBuild")->isVisible(), false);
    EXPECT_EQ(control<QProgressBar>("CapacityBar")->maximum(), 700);
    EXPECT_EQ(labelText("labDirs"), QLatin1String("0"));
}

TEST_F(MainWindowTest, SettingsButtonSwitchesItsCaptionAndCallsTheWindow)
{
    QList<bool> shown;
    m_window.setSettingsWindow([&](bool visible) { shown.append(visible); });
    auto *button = control<QPushButton>("pbSettings");
    const bool before = m_window.settingsVisible();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(m_window.settingsVisible(), !before);
    EXPECT_EQ(button->property(FormLocalizer::TextIdProperty).toInt(), before ? 105 : 106);
    EXPECT_EQ(QString(button->text()).remove(u'&'),
        before ? QLatin1String("Show Settings") : QLatin1String("Hide Settings"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->property(FormLocalizer::TextIdProperty).toInt(), before ? 106 : 105);
    EXPECT_EQ(shown, (QList<bool> { !before, before }));
    // The relabelling of a language switch keeps the current caption.
    FormLocalizer::localizeWindow(&m_window);
    EXPECT_EQ(QString(button->text()).remove(u'&'),
        before ? QLatin1String("Hide Settings") : QLatin1String("Show Settings"));
}

TEST_F(MainWindowTest, ReadStructureFillsTreeCountersAndCapacity)
{
    twoFolders();
    EXPECT_EQ(m_window.treeModel()->rowCount(), 1);
    EXPECT_EQ(m_window.treeModel()->rowCount(m_window.treeModel()->indexOf(root())), 2);
    EXPECT_EQ(labelText("labDirs"), QLatin1String("2"));
    EXPECT_EQ(labelText("labFiles"), QLatin1String("3"));
    // Five SVCD entries are the tighter limit: 700 / 1900 * 5 on the bar.
    EXPECT_EQ(labelText("labCapdisplay"), QString::fromUtf8("0 MB · 5 items"));
    EXPECT_EQ(control<QProgressBar>("CapacityBar")->value(), 2);
    EXPECT_TRUE(m_window.treeView()->isExpanded(m_window.treeModel()->indexOf(root())));
}

TEST_F(MainWindowTest, CheckBoxChangeMovesCountersAtOnce)
{
    twoFolders();
    ProjectTreeModel *model = m_window.treeModel();
    ProjectNode *lake = root()->child(0);
    ASSERT_TRUE(model->setData(model->indexOf(lake), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(lake->child(0)->isChecked());
    EXPECT_EQ(labelText("labDirs"), QLatin1String("1"));
    EXPECT_EQ(labelText("labFiles"), QLatin1String("1"));
    EXPECT_EQ(model->data(model->indexOf(lake->child(1)), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    ASSERT_TRUE(model->setData(model->indexOf(lake), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(labelText("labFiles"), QLatin1String("3"));
}

TEST_F(MainWindowTest, TreeClicksShowPagesAndTheOrderFrameOnlyForMenus)
{
    twoFolders();
    auto *pane = control<QLabel>("PicPreview");
    auto *order = control<QGroupBox>("frameOrder");
    m_window.onTreeNodeClicked(root());
    ASSERT_FALSE(pane->pixmap().isNull());
    EXPECT_EQ(pane->pixmap().size(), pane->size());
    EXPECT_TRUE(order->isVisible());
    EXPECT_FALSE(control<QPushButton>("pbUp")->isEnabled());
    EXPECT_TRUE(control<QPushButton>("pbDown")->isEnabled());
    // The full-size window holds the page at frame size.
    EXPECT_EQ(m_window.previewWindow()->picsaveSize(),
        QSize(m_window.settings().frameWidth, m_window.settings().frameHeight));

    QTest::mouseClick(control<QPushButton>("pbDown"), Qt::LeftButton);
    EXPECT_EQ(root()->child(1)->text(), QLatin1String("Lake"));
    EXPECT_EQ(m_window.navigator().highlightedEntryNumber(), 2);
    EXPECT_TRUE(control<QPushButton>("pbUp")->isEnabled());

    QTest::mouseClick(control<QPushButton>("pbEnter"), Qt::LeftButton);
    EXPECT_EQ(m_window.navigator().previewNode(), root()->child(1)->firstChild());
    EXPECT_FALSE(order->isVisible());
    EXPECT_TRUE(control<QPushButton>("pbEditText")->isVisible());
    // The view follows the tree's selection.
    EXPECT_EQ(ProjectTreeModel::nodeOf(m_window.treeView()->currentIndex()), root()->child(1)->firstChild());
}

TEST_F(MainWindowTest, FullSizeWindowKeysDriveTheMainWindowAndCloseOnlyHides)
{
    twoFolders();
    PreviewWindow *preview = m_window.previewWindow();
    QTest::mouseClick(control<QCheckBox>("chkFullPreview"), Qt::LeftButton);
    ASSERT_TRUE(preview->isVisible());
    m_window.onTreeNodeClicked(root()->child(0));
    QTest::mouseClick(preview->findChild<QPushButton *>(QStringLiteral("pbNext")), Qt::LeftButton);
    EXPECT_EQ(m_window.navigator().previewNode(), root()->child(0)->child(1));
    preview->close();
    EXPECT_FALSE(preview->isVisible());
    EXPECT_FALSE(control<QCheckBox>("chkFullPreview")->isChecked());
    EXPECT_NE(m_window.previewWindow(), nullptr);
}

// The keyboard reaches what the mouse does: arrow keys in the tree move the
// preview, Escape closes the full-size window, the menus carry the shortcuts.
TEST_F(MainWindowTest, KeyboardMovesThePreviewClosesThePreviewAndReachesTheMenus)
{
    twoFolders();
    QTreeView *tree = m_window.treeView();
    m_window.onTreeNodeClicked(root());
    tree->setFocus();
    ProjectNode *lake = root()->child(0);
    // A folder of pictures shows its first picture, which becomes current.
    tree->setCurrentIndex(m_window.findChild<ProjectTreeModel *>()->indexOf(lake));
    EXPECT_EQ(m_window.navigator().previewNode(), lake->child(0));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(m_window.navigator().previewNode(), lake->child(1));

    PreviewWindow *preview = m_window.previewWindow();
    QTest::mouseClick(control<QCheckBox>("chkFullPreview"), Qt::LeftButton);
    ASSERT_TRUE(preview->isVisible());
    QApplication::setActiveWindow(preview);
    ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
    QTest::keyClick(preview, Qt::Key_Escape);
    EXPECT_FALSE(preview->isVisible());
    EXPECT_FALSE(control<QCheckBox>("chkFullPreview")->isChecked());

    const std::pair<const char *, QKeySequence> shortcuts[] { { "mnuOpenAlbum", QKeySequence::Open },
        { "mnuReadAgain", QKeySequence(Qt::Key_F5) },
        { "mnuCreateDisc", QKeySequence(QStringLiteral("Ctrl+B")) },
        { "mnuSettings", QKeySequence(QStringLiteral("Ctrl+,")) },
        { "mnuExit", QKeySequence(QStringLiteral("Ctrl+Q")) },
        { "mnuHelpContents", QKeySequence(Qt::Key_F1) } };
    for (const auto &[name, keys] : shortcuts) {
        auto *action = control<QAction>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut(), keys) << name;
    }
}

TEST_F(MainWindowTest, PreviewGrowsWithTheWindowInTheFramesShapeAndForgetsTheOldAlbum)
{
    // Before an album is read the pane says what to do first.
    EXPECT_TRUE(control<QWidget>("welcome")->isVisible());
    EXPECT_NE(control<QPushButton>("welcomeOpenAlbum"), nullptr);
    twoFolders();
    EXPECT_FALSE(control<QWidget>("welcome")->isVisible());
    m_window.onTreeNodeClicked(root());
    auto *pane = control<QLabel>("PicPreview");
    const QSize before = pane->size();
    m_window.resize(m_window.width() + 400, m_window.height() + 300);
    QCoreApplication::processEvents();
    EXPECT_GT(pane->width(), before.width());
    EXPECT_EQ(pane->height(), PreviewNavigator::paneHeightFor(pane->width(), m_window.settings().tvLines));
    EXPECT_EQ(pane->pixmap().size(), pane->size());

    m_window.onReadStructureClicked();
    EXPECT_TRUE(pane->pixmap().isNull());
}

// What the window looked like comes back at the next start: its size, the
// album read again, the folders that were open and the selected picture.
TEST_F(MainWindowTest, NextStartRestoresSizeAlbumExpansionAndSelection)
{
    twoFolders();
    m_window.resize(1000, 700);
    ProjectNode *town = root()->child(1);
    m_window.workspace().tree.setExpanded(town, true);
    m_window.workspace().tree.setSelectedNode(town->child(0));
    m_window.unload();

    FakePrompter prompter;
    ::MainWindow next { &prompter };
    next.setSplashEnabled(false);
    next.setEndProgram([] {});
    ASSERT_TRUE(next.start());
    EXPECT_EQ(next.size(), QSize(1000, 700));
    ProjectNode *nextRoot = next.workspace().tree.root();
    ASSERT_NE(nextRoot, nullptr) << "the album is read again";
    EXPECT_TRUE(nextRoot->child(1)->isExpanded());
    EXPECT_FALSE(nextRoot->child(0)->isExpanded());
    EXPECT_EQ(next.workspace().tree.selectedNode(), nextRoot->child(1)->child(0));
    EXPECT_EQ(next.navigator().previewNode(), nextRoot->child(1)->child(0));
}

// A damaged settings file is told in one box once the window can own it;
// what could be read stands, and the next start is quiet.
TEST_F(MainWindowTest, DamagedSettingsAreToldOnceAtStart)
{
    const QString file = m_home.registryDir() + QStringLiteral("/HKEY_LOCAL_MACHINE.reg");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Brennic\\Kelvara]\n\"main_title\"=\"Kept\"\n\x7f "
              "garbage\n");
    out.close();

    for (int start = 0; start < 2; ++start) {
        FakePrompter prompter;
        ::MainWindow next { &prompter };
        next.setSplashEnabled(false);
        next.setEndProgram([] {});
        ASSERT_TRUE(next.start());
        EXPECT_EQ(next.settings().mainTitle, QStringLiteral("Kept"));
        if (start == 0) {
            ASSERT_EQ(prompter.count(), 1) << qPrintable(prompter.texts().join(u'\n'));
            EXPECT_EQ(prompter.boxes()[0].title, localText(TextId::TitleSettingsFile));
            EXPECT_EQ(prompter.boxes()[0].icon, Prompter::Icon::Warning);
            EXPECT_TRUE(prompter.boxes()[0].text.contains(file)) << qPrintable(prompter.boxes()[0].text);
        } else {
            EXPECT_EQ(prompter.count(), 0) << qPrintable(prompter.texts().join(u'\n'));
        }
    }
}

TEST_F(MainWindowTest, DroppingANodeOntoItsOwnChildIsRefused)
{
    twoFolders();
    ProjectTreeModel *model = m_window.treeModel();
    ProjectNode *lake = root()->child(0);
    std::unique_ptr<QMimeData> lakeDragged(model->mimeData({ model->indexOf(lake) }));
    model->dropMimeData(lakeDragged.get(), Qt::MoveAction, -1, 0, model->indexOf(lake->child(0)));
    ASSERT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].text, QLatin1String("Can't create circular relations"));
    EXPECT_EQ(root()->child(0), lake);

    ProjectNode *town = root()->child(1);
    std::unique_ptr<QMimeData> dragged(model->mimeData({ model->indexOf(town) }));
    model->dropMimeData(dragged.get(), Qt::MoveAction, -1, 0, model->indexOf(lake));
    EXPECT_EQ(root()->child(0), town);
}

TEST_F(MainWindowTest, AFolderDroppedFromAFileManagerOpensAsTheAlbumAndIsRemembered)
{
    twoFolders();
    QTemporaryDir other;
    QDir(other.path()).mkpath(QStringLiteral("Harbour"));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(other.filePath(QStringLiteral("Harbour/boat.jpg"))));

    // A file manager's drag carries the folder's URL and its text: the tree
    // does not take it for one of its nodes.
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(other.path()) });
    data.setText(QUrl::fromLocalFile(other.path()).toString());
    EXPECT_FALSE(m_window.treeModel()->canDropMimeData(&data, Qt::MoveAction, -1, 0, {}));

    QDragEnterEvent enter(
        QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_window, &drop);

    EXPECT_EQ(m_window.settings().sourceDir, other.path());
    ASSERT_NE(root(), nullptr);
    EXPECT_EQ(root()->childCount(), 1);
    EXPECT_EQ(m_window.recentAlbums().value(0), other.path());
    auto *recent = m_window.findChild<QMenu *>(QStringLiteral("mnuOpenRecent"));
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->actions().value(0)->text(), other.path());

    // The first album comes back from the recent list; a file is no album.
    const QString first = m_album.path();
    m_window.openAlbum(first);
    EXPECT_EQ(m_window.recentAlbums(), (QStringList { first, other.path() }));
    QMimeData file;
    file.setUrls({ QUrl::fromLocalFile(other.filePath(QStringLiteral("Harbour/boat.jpg"))) });
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_window, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainWindowTest, BurnOffersOnlyAnImageOfTheAlbumAsItIsNow)
{
    QStringList opened;
    m_window.setBurnWindow([&](const QString &cue) { opened << cue; });
    photo(QStringLiteral("Lake/l1.jpg"));
    photo(QStringLiteral("Town/t1.jpg"), Qt::darkRed);
    m_window.onReadStructureClicked();
    const QString cue = m_build.filePath(QStringLiteral("vcd.cue"));

    // No image: Yes builds it and then opens the burn window without asking again.
    m_prompter.scriptAnswer(true);
    m_window.onBurnClicked();
    ASSERT_EQ(m_prompter.count(), 1) << m_prompter.texts().join(u'|').toStdString();
    EXPECT_EQ(m_prompter.boxes()[0].title, QLatin1String("Burn image"));
    EXPECT_EQ(m_prompter.boxes()[0].text, localText(TextId::MsgNoImageBuildFirst));
    EXPECT_EQ(opened, QStringList { cue }) << m_window.buildDriver().lastProblem().toStdString();

    // The image just made is offered at once.
    m_prompter.clear();
    m_window.onBurnClicked();
    EXPECT_EQ(m_prompter.count(), 0);
    EXPECT_EQ(opened.size(), 2);

    // An edited photo, a changed setting or another album make it older
    // than what the window shows; No leaves it unburnt.
    const auto expectOlder = [&](const char *what) {
        const qsizetype before = opened.size();
        m_prompter.clear();
        m_prompter.scriptAnswer(false);
        m_window.onBurnClicked();
        ASSERT_EQ(m_prompter.count(), 1) << what;
        EXPECT_EQ(m_prompter.boxes()[0].text, localText(TextId::MsgImageOutdated)) << what;
        EXPECT_EQ(opened.size(), before) << what;
    };
    photo(QStringLiteral("Lake/l1.jpg"), Qt::yellow);
    expectOlder("edited photo");
    photo(QStringLiteral("Lake/l1.jpg"));
    m_prompter.clear();
    m_window.onBurnClicked();
    EXPECT_EQ(opened.size(), 3) << "the photo is as it was again";

    m_window.settings().mainTitle = QStringLiteral("Another title");
    expectOlder("changed title");

    QTemporaryDir other;
    m_window.settings().sourceDir = other.path();
    QDir().mkpath(other.filePath(QStringLiteral("Lake")));
    QFile::copy(
        m_album.filePath(QStringLiteral("Lake/l1.jpg")), other.filePath(QStringLiteral("Lake/l1.jpg")));
    m_window.onReadStructureClicked();
    expectOlder("another album");
}

TEST_F(MainWindowTest, OutputWindowShowsInformationLinesAndScrollsToTheNewest)
{
    BuildOutput &output = m_window.buildOutput();
    OutputWindow *window = m_window.outputWindow();
    output.open();
    EXPECT_TRUE(window->isVisible());
    output.appendOutput(QStringLiteral("   INFO scanning\r\nnoise\r\n"));
    EXPECT_TRUE(window->displayText().contains(QLatin1String("scanning")));
    EXPECT_FALSE(window->displayText().contains(QLatin1String("noise")));

    window->findChild<QCheckBox *>(QStringLiteral("chkDebug"))->click();
    for (int i = 0; i < 80; ++i)
        output.appendOutput(QStringLiteral("line %1\r\n").arg(i));
    EXPECT_TRUE(window->displayText().contains(QLatin1String("line 79")));
    auto *display = window->findChild<QPlainTextEdit *>(QStringLiteral("txtDisplay"));
    EXPECT_EQ(display->verticalScrollBar()->value(), display->verticalScrollBar()->maximum());
    output.close();
    window->findChild<QPushButton *>(QStringLiteral("cmdClose"))->click();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, BuildFromTheWindowReachesTheEndAndRestoresTheButtons)
{
    photo(QStringLiteral("Lake/l1.jpg"));
    photo(QStringLiteral("Town/t1.jpg"), Qt::darkRed);
    m_window.onReadStructureClicked();
    ASSERT_NE(root(), nullptr);
    m_window.settings().fastPreview = true;

    auto *bar = control<QProgressBar>("BuildProgressBar");
    auto *create = control<QPushButton>("pbcreatevcd");
    auto *cancel = control<QPushButton>("pbCancelBuild");
    auto *read = control<QPushButton>("cmdReadStructure");
    int peak = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) { peak = std::max(peak, value); });
    int builds = 0;
    QObject::connect(&m_window.buildOutput(), &BuildOutput::initialised, &m_window, [&] { ++builds; });

    // While the build runs: the commands that would re-enter are off, and a
    // second click starts nothing.
    bool checked = false;
    const ProjectNode *rootBefore = root();
    QObject::connect(m_window.statusBar(), &QStatusBar::messageChanged, &m_window, [&](const QString &text) {
        if (checked || text.isEmpty())
            return;
        checked = true;
        EXPECT_FALSE(create->isVisible());
        EXPECT_TRUE(cancel->isVisible());
        EXPECT_FALSE(read->isEnabled());
        EXPECT_TRUE(bar->isVisible());
        EXPECT_FALSE(m_window.findChild<QCheckBox *>(QStringLiteral("chkFastPreview"))->isChecked());
        m_window.onCreateClicked();
        m_window.onReadStructureClicked();
        QTest::mouseClick(read, Qt::LeftButton);
        EXPECT_EQ(root(), rootBefore);
    });

    m_window.onCreateClicked();

    EXPECT_TRUE(checked);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(peak, 100);
    EXPECT_TRUE(QFileInfo::exists(m_build.filePath(QStringLiteral("vcd.bin"))))
        << m_window.buildDriver().lastProblem().toStdString() << m_prompter.texts().join(u'|').toStdString();
    EXPECT_TRUE(QFileInfo::exists(m_build.filePath(QStringLiteral("vcd.cue"))));
    // No question at the end: a result bar says what was made and offers
    // the next steps; the log stays where it can be read.
    EXPECT_TRUE(m_prompter.boxes().isEmpty()) << m_prompter.texts().join(u'|').toStdString();
    ASSERT_TRUE(control<QFrame>("resultBar")->isVisible());
    EXPECT_TRUE(control<QLabel>("resultText")->text().contains(m_build.filePath(QStringLiteral("vcd.bin"))));
    EXPECT_TRUE(control<QPushButton>("resultBurn")->isVisible());
    EXPECT_TRUE(m_window.outputWindow()->windowTitle().contains(QLatin1String("SVCD")));
    EXPECT_TRUE(create->isVisible());
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(read->isEnabled());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(m_window.settings().fastPreview);
    EXPECT_TRUE(m_window.findChild<QCheckBox *>(QStringLiteral("chkFastPreview"))->isChecked());
}

TEST_F(MainWindowTest, CancelledBuildWritesNoDescriptionAndRestoresTheButtons)
{
    photo(QStringLiteral("Lake/l1.jpg"));
    photo(QStringLiteral("Lake/l2.jpg"));
    photo(QStringLiteral("Town/t1.jpg"), Qt::darkRed);
    m_window.onReadStructureClicked();
    ASSERT_NE(root(), nullptr);
    // An image of an earlier build must not outlive a build that did not finish.
    for (const char *name : { "vcd.bin", "vcd.cue" }) {
        QFile old(m_build.filePath(QLatin1String(name)));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    }

    bool asked = false;
    QObject::connect(m_window.statusBar(), &QStatusBar::messageChanged, &m_window, [&](const QString &text) {
        if (asked || text.isEmpty())
            return;
        asked = true;
        m_prompter.scriptAnswer(true);
        QTest::mouseClick(m_window.findChild<QPushButton *>(QStringLiteral("pbCancelBuild")), Qt::LeftButton);
    });
    m_window.onCreateClicked();

    EXPECT_TRUE(asked);
    ASSERT_GE(m_prompter.count(), 1);
    EXPECT_EQ(m_prompter.boxes()[0].title, QLatin1String("User abort"));
    EXPECT_FALSE(QFileInfo::exists(m_build.filePath(QStringLiteral("vcd.xml"))));
    EXPECT_FALSE(QFileInfo::exists(m_build.filePath(QStringLiteral("vcd.bin"))));
    EXPECT_FALSE(QFileInfo::exists(m_build.filePath(QStringLiteral("vcd.cue"))));
    EXPECT_TRUE(m_window.findChild<QPushButton *>(QStringLiteral("pbcreatevcd"))->isVisible());
    EXPECT_FALSE(m_window.findChild<QPushButton *>(QStringLiteral("pbCancelBuild"))->isVisible());
    EXPECT_TRUE(m_window.findChild<QPushButton *>(QStringLiteral("cmdReadStructure"))->isEnabled());
}

} // namespace

TEST_F(MainWindowTest, DropLandsOnTheLineClearedEntriesGreyAndEditUndoesBoth)
{
    photo(QStringLiteral("Lake/l1.jpg"));
    photo(QStringLiteral("Lake/l2.jpg"));
    photo(QStringLiteral("Lake/l3.jpg"));
    photo(QStringLiteral("Town/t1.jpg"));
    m_window.onReadStructureClicked();
    ProjectTreeModel *model = m_window.treeModel();
    ProjectNode *lake = root()->child(0);
    auto names = [&] {
        QStringList list;
        for (int row = 0; row < lake->childCount(); ++row)
            list << lake->child(row)->text();
        return list.join(u',');
    };

    // The line between l1 and l2 is row 1 of Lake.
    std::unique_ptr<QMimeData> dragged(model->mimeData({ model->indexOf(lake->child(2)) }));
    EXPECT_FALSE(model->dropMimeData(dragged.get(), Qt::MoveAction, 1, 0, model->indexOf(lake)));
    EXPECT_EQ(names(), QStringLiteral("l1.jpg,l3.jpg,l2.jpg"));
    // The line after the last entry.
    dragged.reset(model->mimeData({ model->indexOf(lake->child(0)) }));
    model->dropMimeData(dragged.get(), Qt::MoveAction, 3, 0, model->indexOf(lake));
    EXPECT_EQ(names(), QStringLiteral("l3.jpg,l2.jpg,l1.jpg"));
    // Into another menu: refused.
    dragged.reset(model->mimeData({ model->indexOf(root()->child(1)->child(0)) }));
    model->dropMimeData(dragged.get(), Qt::MoveAction, 1, 0, model->indexOf(lake));
    EXPECT_EQ(m_prompter.count(), 1);
    EXPECT_EQ(root()->child(1)->childCount(), 1);

    const QModelIndex l2 = model->indexOf(lake->child(1));
    EXPECT_FALSE(model->data(l2, Qt::ForegroundRole).isValid());
    ASSERT_TRUE(model->setData(model->indexOf(lake), Qt::Unchecked, Qt::CheckStateRole));
    model->setData(l2, Qt::Checked, Qt::CheckStateRole);
    // Below a cleared menu everything is grey, even an entry ticked again.
    EXPECT_TRUE(model->data(l2, Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model->data(model->indexOf(root()->child(1)), Qt::ForegroundRole).isValid());
    QFile file(m_album.filePath(QStringLiteral("kelvara.ord")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Lake\r\nTown\r\n#unchecked Lake\r\n"));

    QAction *undo = m_window.undoAction();
    QAction *redo = m_window.redoAction();
    EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(redo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    EXPECT_FALSE(redo->isEnabled());
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(undo->isEnabled());
        undo->trigger();
    }
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(names(), QStringLiteral("l1.jpg,l2.jpg,l3.jpg"));
    EXPECT_TRUE(lake->isChecked());
    EXPECT_FALSE(model->data(l2, Qt::ForegroundRole).isValid());
    redo->trigger();
    EXPECT_EQ(names(), QStringLiteral("l1.jpg,l3.jpg,l2.jpg"));
    QFile lakeFile(m_album.filePath(QStringLiteral("Lake/kelvara.ord")));
    ASSERT_TRUE(lakeFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(lakeFile.readAll(), QByteArray("l1.jpg\r\nl3.jpg\r\nl2.jpg\r\n"));
}

#include "gui/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLocale>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include "authoring/ImageStamp.h"
#include "base/Guard.h"
#include "base/ProgramFolder.h"
#include "base/ProgramInfo.h"
#include "base/StartupCheck.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/AboutDialog.h"
#include "gui/Accelerators.h"
#include "gui/BurnWindow.h"
#include "gui/CaptionEditor.h"
#include "gui/FolderDialog.h"
#include "gui/FormLocalizer.h"
#include "gui/MessageBoxPrompter.h"
#include "gui/OutputWindow.h"
#include "gui/PreviewWindow.h"
#include "gui/ProjectTreeModel.h"
#include "gui/SettingsWindow.h"
#include "gui/SplashScreen.h"
#include "project/Capacity.h"
#include "project/DiscContent.h"
#include "project/ProjectNode.h"
#include "settings/FileRegistryStore.h"
#include "settings/SettingsController.h"

using namespace Qt::StringLiterals;

namespace {
// The pane keeps this width; its height follows the TV lines.
constexpr int PaneWidth = 440;
constexpr int MaxRecentAlbums = 8;
// Window positions are stored in twips, as the settings always were.
constexpr int TwipsPerPixel = 15;

void setTextId(QObject *control, int id)
{
    control->setProperty(FormLocalizer::TextIdProperty, id);
}

void setTipId(QWidget *control, int id, const QString &englishTip)
{
    control->setProperty(FormLocalizer::TipIdProperty, id);
    control->setToolTip(englishTip);
}

QString countText(double value)
{
    return QString::number(value, 'f', 0);
}

QProgressBar *thinBar(const QString &name, QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setTextVisible(false);
    bar->setFixedHeight(10);
    bar->setRange(0, 100);
    bar->setValue(0);
    return bar;
}
} // namespace

MainWindow::MainWindow(Prompter *prompter, QWidget *parent)
    : QMainWindow(parent)
    // No parent yet: the start-up boxes come before the window is shown.
    , m_ownPrompter(
          prompter ? std::unique_ptr<MessageBoxPrompter>() : std::make_unique<MessageBoxPrompter>(nullptr))
    , m_prompter(prompter ? prompter : m_ownPrompter.get())
    , m_ws(std::make_unique<Workspace>(*m_prompter))
    , m_editor(m_ws->tree, *m_prompter)
    , m_navigator(m_ws->settings, m_ws->tree, m_ws->canvas, m_ws->renderer)
    , m_driver(m_ws->settings, m_ws->tree, m_ws->renderer, m_ws->canvas, *m_prompter, m_output)
    , m_openBurn([this](const QString &cuePath) { BurnWindow::openFor(this, cuePath, m_prompter); })
    , m_endProgram([] { QCoreApplication::exit(0); })
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(ProgramInfo::productName());
    createMenu();
    createToolBar();
    createControls();
    setAcceptDrops(true);
    connectCore();
    createSettingsWindows();
    connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged, this, &MainWindow::showVersion);
    connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged, this, &MainWindow::refreshCounters);
}

MainWindow::~MainWindow()
{
    // The windows over the core go first; the core outlives them.
    delete m_preview;
    delete m_outputWindow;
    delete m_captionEditor;
    delete m_settingsWindow;
    // The tree model unhooks itself from the workspace's tree, which the
    // members' destruction frees before QObject would delete the model.
    delete m_model;
}

QAction *MainWindow::addMenuAction(
    QMenu *menu, const char *objectName, int textId, const QKeySequence &shortcut, void (MainWindow::*slot)())
{
    QAction *action = menu->addAction(localText(textId));
    action->setObjectName(QLatin1String(objectName));
    setTextId(action, textId);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::createMenu()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    setTextId(mnuFile, TextId::MenuFile);
    m_mnuOpenAlbum = addMenuAction(mnuFile, "mnuOpenAlbum", TextId::MenuOpenAlbum, QKeySequence::Open,
        &MainWindow::onOpenAlbumTriggered);
    m_mnuRecent = mnuFile->addMenu(localText(TextId::MenuOpenRecent));
    m_mnuRecent->setObjectName(QStringLiteral("mnuOpenRecent"));
    setTextId(m_mnuRecent, TextId::MenuOpenRecent);
    m_mnuReadAgain = addMenuAction(mnuFile, "mnuReadAgain", TextId::MenuReadAgain, QKeySequence(Qt::Key_F5),
        &MainWindow::onReadStructureClicked);
    mnuFile->addSeparator();
    m_mnuCreateDisc = addMenuAction(mnuFile, "mnuCreateDisc", TextId::MenuCreateDisc,
        QKeySequence(QStringLiteral("Ctrl+B")), &MainWindow::onCreateClicked);
    m_mnuBurnImage = addMenuAction(
        mnuFile, "mnuBurnImage", TextId::MenuBurnImage, QKeySequence(), &MainWindow::onBurnClicked);
    addMenuAction(mnuFile, "mnuOpenBuildFolder", TextId::MenuOpenBuildFolder, QKeySequence(),
        &MainWindow::onOpenBuildFolderTriggered);
    mnuFile->addSeparator();
    m_mnuSettings = addMenuAction(mnuFile, "mnuSettings", TextId::MenuSettings,
        QKeySequence(QStringLiteral("Ctrl+,")), &MainWindow::onSettingsClicked);
    mnuFile->addSeparator();
    m_mnuExit = addMenuAction(mnuFile, "mnuExit", TextId::MenuExit, QKeySequence(QStringLiteral("Ctrl+Q")),
        &MainWindow::onExitTriggered);

    QMenu *mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    setTextId(mnuEdit, TextId::MenuEdit);
    m_mnuUndo = mnuEdit->addAction(QStringLiteral("&Undo"));
    m_mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    setTextId(m_mnuUndo, TextId::MenuUndo);
    m_mnuUndo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    m_mnuUndo->setEnabled(false);
    connect(m_mnuUndo, &QAction::triggered, this, &MainWindow::onUndoTriggered);
    m_mnuRedo = mnuEdit->addAction(QStringLiteral("&Redo"));
    m_mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    setTextId(m_mnuRedo, TextId::MenuRedo);
    m_mnuRedo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    m_mnuRedo->setEnabled(false);
    connect(m_mnuRedo, &QAction::triggered, this, &MainWindow::onRedoTriggered);

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    setTextId(mnuHelp, TextId::MenuHelp);
    addMenuAction(mnuHelp, "mnuHelpContents", TextId::MenuHelpContents, QKeySequence(Qt::Key_F1),
        &MainWindow::onHelpTriggered);
    m_mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    setTextId(m_mnuAbout, TextId::MenuAbout);
    connect(m_mnuAbout, &QAction::triggered, this, &MainWindow::onAboutTriggered);
}

void MainWindow::createToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Main"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // The desktop's own icons where its theme has them.
    const auto icon = [this](const char *themeName, QStyle::StandardPixmap fallback) {
        return QIcon::fromTheme(QLatin1String(themeName), style()->standardIcon(fallback));
    };
    m_mnuOpenAlbum->setIcon(icon("document-open", QStyle::SP_DirOpenIcon));
    m_mnuReadAgain->setIcon(icon("view-refresh", QStyle::SP_BrowserReload));
    m_mnuCreateDisc->setIcon(icon("media-optical", QStyle::SP_DriveCDIcon));
    m_mnuBurnImage->setIcon(icon("media-optical-burn", QStyle::SP_DialogSaveButton));
    m_mnuSettings->setIcon(icon("preferences-system", QStyle::SP_FileDialogDetailedView));
    for (QAction *action : { m_mnuOpenAlbum, m_mnuReadAgain, m_mnuCreateDisc, m_mnuBurnImage, m_mnuSettings })
        bar->addAction(action);
}

QStringList MainWindow::recentAlbums() const
{
    const QString lines = QString::fromUtf8(QByteArray::fromBase64(m_ws->settings.recentAlbums.toLatin1()));
    return lines.split(u'\n', Qt::SkipEmptyParts);
}

void MainWindow::rebuildRecentMenu()
{
    m_mnuRecent->clear();
    const QStringList albums = recentAlbums();
    for (const QString &album : albums) {
        QAction *action = m_mnuRecent->addAction(QDir::toNativeSeparators(album));
        connect(action, &QAction::triggered, this, [this, album] { openAlbum(album); });
    }
    m_mnuRecent->setEnabled(!albums.isEmpty());
}

void MainWindow::openAlbum(const QString &folder)
{
    Guard::run(QStringLiteral("Sub openAlbum"), [&] {
        if (isBusy())
            return;
        if (!QFileInfo(folder).isDir()) {
            statusBar()->showMessage(localText(TextId::MsgAlbumGone).arg(QDir::toNativeSeparators(folder)));
            return;
        }
        const QString album = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        QStringList albums = recentAlbums();
        albums.removeAll(album);
        albums.prepend(album);
        while (albums.size() > MaxRecentAlbums)
            albums.removeLast();
        m_ws->settings.recentAlbums = QString::fromLatin1(albums.join(u'\n').toUtf8().toBase64());
        m_ws->settings.sourceDir = album;
        m_ws->controller.saveSettings();
        rebuildRecentMenu();
        syncSettingsControls();
        onReadStructureClicked();
    });
}

namespace {

// The one local folder a drag carries, or empty.
QString droppedFolder(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir() ? url.toLocalFile() : QString();
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFolder(event->mimeData()).isEmpty() && !isBusy()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QString folder = droppedFolder(event->mimeData());
    if (folder.isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    openAlbum(folder);
}

void MainWindow::createControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 10, 10, 6);
    layout->setSpacing(8);

    // What the last scan left out: a count that opens the list.
    m_skippedButton = new QToolButton(this);
    m_skippedButton->setObjectName(QStringLiteral("skippedFiles"));
    m_skippedButton->setAutoRaise(true);
    m_skippedButton->hide();
    // The album and what its disc holds, always in view.
    m_statusAlbum = new QLabel(this);
    m_statusAlbum->setObjectName(QStringLiteral("statusAlbum"));
    statusBar()->addPermanentWidget(m_statusAlbum);
    statusBar()->addPermanentWidget(m_skippedButton);
    connect(m_skippedButton, &QToolButton::clicked, this, &MainWindow::showSkippedFiles);

    auto *splitter = m_splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(createTreeSide());
    splitter->addWidget(createPreviewSide());
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);
    layout->addWidget(createResultBar());

    auto *lineBottom = new QFrame(central);
    lineBottom->setObjectName(QStringLiteral("lineBottom"));
    lineBottom->setFrameShape(QFrame::HLine);
    lineBottom->setFrameShadow(QFrame::Sunken);
    layout->addWidget(lineBottom);
    layout->addWidget(createCommandRow());
    setCentralWidget(central);

    m_preview = new PreviewWindow(nullptr);
    m_preview->setKeys({ [this] { m_navigator.pressPrevious(); }, [this] { m_navigator.pressNext(); },
        [this] { m_navigator.pressEnter(); }, [this] { m_navigator.pressReturn(); } });
    connect(m_preview, &PreviewWindow::visibilityChanged, m_chkFullPreview, [this](bool visible) {
        const QSignalBlocker block(m_chkFullPreview);
        m_chkFullPreview->setChecked(visible);
    });
    m_outputWindow = new OutputWindow(m_output, nullptr);
}

QWidget *MainWindow::createTreeSide()
{
    auto *side = new QWidget(this);
    auto *layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 6, 0);

    m_model = new ProjectTreeModel(m_ws->tree, m_editor, this);
    m_tvwStruct = new QTreeView(side);
    m_tvwStruct->setObjectName(QStringLiteral("tvwStruct"));
    m_tvwStruct->setModel(m_model);
    m_tvwStruct->setHeaderHidden(true);
    m_tvwStruct->setUniformRowHeights(true);
    m_tvwStruct->setDragDropMode(QAbstractItemView::DragDrop);
    m_tvwStruct->setDefaultDropAction(Qt::MoveAction);
    m_tvwStruct->setDropIndicatorShown(true);
    m_tvwStruct->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tvwStruct->setMinimumWidth(260);
    layout->addWidget(m_tvwStruct, 1);

    auto *counters = new QGridLayout;
    counters->setHorizontalSpacing(8);
    auto *label1 = new QLabel(QStringLiteral("Directories:"), side);
    label1->setObjectName(QStringLiteral("label1"));
    setTextId(label1, TextId::Directories);
    m_labDirs = new QLabel(QStringLiteral("0"), side);
    m_labDirs->setObjectName(QStringLiteral("labDirs"));
    auto *label2 = new QLabel(QStringLiteral("Images:"), side);
    label2->setObjectName(QStringLiteral("Label2"));
    setTextId(label2, TextId::Images);
    m_labFiles = new QLabel(QStringLiteral("0"), side);
    m_labFiles->setObjectName(QStringLiteral("labFiles"));
    counters->addWidget(label1, 0, 0);
    counters->addWidget(m_labDirs, 0, 1);
    counters->addWidget(label2, 0, 2);
    counters->addWidget(m_labFiles, 0, 3);
    counters->setColumnStretch(4, 1);

    auto *labCapacity = new QLabel(QStringLiteral("Capacity (estimated)"), side);
    labCapacity->setObjectName(QStringLiteral("labCapacity"));
    setTextId(labCapacity, TextId::CapacityEstimated);
    m_labCapdisplay = new QLabel(QStringLiteral("0 Mb"), side);
    m_labCapdisplay->setObjectName(QStringLiteral("labCapdisplay"));
    m_labCapdisplay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    counters->addWidget(labCapacity, 1, 0, 1, 3);
    counters->addWidget(m_labCapdisplay, 1, 3, 1, 2);
    layout->addLayout(counters);

    m_capacityBar = thinBar(QStringLiteral("CapacityBar"), side);
    m_capacityBar->setRange(0, Capacity::CdLimitMb);
    layout->addWidget(m_capacityBar);
    return side;
}

QWidget *MainWindow::createPreviewSide()
{
    auto *side = new QWidget(this);
    auto *layout = new QVBoxLayout(side);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->setSpacing(6);

    m_framePreview = new QGroupBox(QStringLiteral("Preview Control"), side);
    m_framePreview->setObjectName(QStringLiteral("Framepreview"));
    setTextId(m_framePreview, TextId::PreviewControl);
    auto *frame = new QVBoxLayout(m_framePreview);

    // The pane sits in an area that takes whatever room the window gives;
    // the pane itself is the largest of the frame's shape that fits there.
    m_previewArea = new QWidget(m_framePreview);
    m_previewArea->setObjectName(QStringLiteral("previewArea"));
    m_previewArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_previewArea->installEventFilter(this);
    m_picPreview = new QLabel(m_previewArea);
    m_picPreview->setObjectName(QStringLiteral("PicPreview"));
    m_picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picPreview->setStyleSheet(QStringLiteral("background: black;"));
    m_picPreview->installEventFilter(this);
    const QSize pane(PaneWidth, PreviewNavigator::paneHeightFor(PaneWidth, m_ws->settings.tvLines));
    m_previewArea->setMinimumSize(pane);
    createWelcome();
    m_picPreview->setFixedSize(pane);
    m_navigator.setPaneSize(pane);
    frame->addWidget(m_previewArea, 1);

    auto *label5 = new QLabel(QStringLiteral("Preview Controls"), m_framePreview);
    label5->setObjectName(QStringLiteral("Label5"));
    setTextId(label5, TextId::PreviewControls);
    label5->setStyleSheet(QStringLiteral("font-weight: bold;"));
    frame->addWidget(label5);

    auto key = [this](const QString &name, const QString &caption, int textId) {
        auto *button = new QPushButton(caption, m_framePreview);
        button->setObjectName(name);
        button->setMinimumWidth(80);
        if (textId)
            setTextId(button, textId);
        return button;
    };
    m_pbPrev = key(QStringLiteral("pbPrev"), QStringLiteral("◀"), 0);
    setTipId(m_pbPrev, TextId::TipPrevious, QStringLiteral("Previous"));
    m_pbNext = key(QStringLiteral("pbNext"), QStringLiteral("▶"), 0);
    setTipId(m_pbNext, TextId::TipNext, QStringLiteral("Next"));
    m_pbEnter = key(QStringLiteral("pbEnter"), QStringLiteral("Enter"), TextId::EnterKey);
    m_pbReturn = key(QStringLiteral("pbReturn"), QStringLiteral("Return"), TextId::ReturnKey);
    auto *keys = new QHBoxLayout;
    keys->addWidget(m_pbPrev);
    keys->addWidget(m_pbNext);
    keys->addSpacing(12);
    keys->addWidget(m_pbEnter);
    keys->addWidget(m_pbReturn);
    keys->addStretch();
    frame->addLayout(keys);

    m_chkFullPreview = new QCheckBox(QStringLiteral("Full size preview"), m_framePreview);
    m_chkFullPreview->setObjectName(QStringLiteral("chkFullPreview"));
    setTextId(m_chkFullPreview, TextId::FullSizePreview);
    m_chkFastPreview = new QCheckBox(QStringLiteral("Fast preview (less quality)"), m_framePreview);
    m_chkFastPreview->setObjectName(QStringLiteral("chkFastPreview"));
    setTextId(m_chkFastPreview, TextId::FastPreview);
    m_pbEditText = new QPushButton(QStringLiteral("Edit Text"), m_framePreview);
    m_pbEditText->setObjectName(QStringLiteral("pbEditText"));
    setTextId(m_pbEditText, TextId::EditText);
    setTipId(m_pbEditText, TextId::TipEditText, QStringLiteral("Edit text for this image"));
    m_pbEditText->hide();
    auto *options = new QHBoxLayout;
    options->addWidget(m_chkFullPreview);
    options->addWidget(m_chkFastPreview);
    options->addStretch();
    options->addWidget(m_pbEditText);
    frame->addLayout(options);
    // The preview takes the room a larger window gives.
    layout->addWidget(m_framePreview, 1);

    // Directly below the preview frame: page rendering, then the build.
    m_renderProgressBar = thinBar(QStringLiteral("RenderProgressBar"), side);
    m_renderProgressBar->hide();
    layout->addWidget(m_renderProgressBar);
    m_buildProgressBar = thinBar(QStringLiteral("BuildProgressBar"), side);
    m_buildProgressBar->hide();
    layout->addWidget(m_buildProgressBar);

    m_frameOrder = new QGroupBox(QStringLiteral("Order"), side);
    m_frameOrder->setObjectName(QStringLiteral("frameOrder"));
    setTextId(m_frameOrder, TextId::Order);
    auto *order = new QHBoxLayout(m_frameOrder);
    m_pbUp = new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), QString(), m_frameOrder);
    m_pbUp->setObjectName(QStringLiteral("pbUp"));
    setTipId(m_pbUp, TextId::TipMoveUp, QStringLiteral("Move the selected menu item up"));
    m_pbDown = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), QString(), m_frameOrder);
    m_pbDown->setObjectName(QStringLiteral("pbDown"));
    setTipId(m_pbDown, TextId::TipMoveDown, QStringLiteral("Move the selected menu item down"));
    m_pbSaveOrder
        = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QString(), m_frameOrder);
    m_pbSaveOrder->setObjectName(QStringLiteral("pbSaveOrder"));
    setTipId(m_pbSaveOrder, TextId::TipSaveOrder, QStringLiteral("Save the current order to disk"));
    order->addWidget(m_pbUp);
    order->addWidget(m_pbDown);
    order->addWidget(m_pbSaveOrder);
    order->addStretch();
    m_frameOrder->hide();
    layout->addWidget(m_frameOrder);
    return side;
}

QWidget *MainWindow::createResultBar()
{
    m_resultBar = new QFrame(this);
    m_resultBar->setObjectName(QStringLiteral("resultBar"));
    m_resultBar->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(m_resultBar);
    row->setContentsMargins(8, 4, 8, 4);
    m_resultText = new QLabel(m_resultBar);
    m_resultText->setObjectName(QStringLiteral("resultText"));
    m_resultText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_resultText, 1);
    auto button = [this, row](const char *name, int textId, void (MainWindow::*slot)()) {
        auto *pushButton = new QPushButton(localText(textId), m_resultBar);
        pushButton->setObjectName(QLatin1String(name));
        setTextId(pushButton, textId);
        connect(pushButton, &QPushButton::clicked, this, slot);
        row->addWidget(pushButton);
    };
    button("resultBurn", TextId::MenuBurnImage, &MainWindow::onBurnClicked);
    button("resultOpenFolder", TextId::MenuOpenBuildFolder, &MainWindow::onOpenBuildFolderTriggered);
    button("resultShowLog", TextId::ShowLog, &MainWindow::onShowLogTriggered);
    m_resultBar->hide();
    return m_resultBar;
}

void MainWindow::showBuildResult()
{
    // Only an image made from the album as it is now is offered.
    if (ImageStamp::stateOf(m_ws->settings, m_ws->tree) != ImageStamp::State::Current) {
        m_resultBar->hide();
        return;
    }
    const qint64 bytes = QFileInfo(m_driver.imagePath()).size();
    // A CD plays 75 sectors of 2352 bytes a second.
    const double minutes = bytes / 2352.0 / 75.0 / 60.0;
    QString text = localText(TextId::ImageMade)
                       .arg(QDir::toNativeSeparators(m_driver.imagePath()))
                       .arg(QLocale().toString(bytes / 1048576.0, 'f', 1))
                       .arg(QLocale().toString(minutes, 'f', 1));
    const GenerationWalk &walk = m_driver.walk();
    text += u" · "_s + localText(TextId::OutputsMade).arg(walk.outputsMade()).arg(walk.outputsReused());
    if (!m_driver.leftOff().isEmpty())
        text += u" · "_s + localText(TextId::LeftOffDisc) + QLatin1String(": ")
            + QString::number(m_driver.leftOff().size());
    m_resultText->setText(text);
    m_resultText->setToolTip(m_driver.leftOff().join(u'\n'));
    m_resultBar->show();
}

void MainWindow::onShowLogTriggered()
{
    m_outputWindow->show();
    m_outputWindow->raise();
}

QWidget *MainWindow::createCommandRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto command = [row, layout](const QString &name, const QString &caption, int textId) {
        auto *button = new QPushButton(caption, row);
        button->setObjectName(name);
        setTextId(button, textId);
        layout->addWidget(button);
        return button;
    };
    m_cmdReadStructure = command(
        QStringLiteral("cmdReadStructure"), QStringLiteral("Read Structure"), TextId::ReadStructure);
    m_pbcreatevcd
        = command(QStringLiteral("pbcreatevcd"), QStringLiteral("Create (S)VCD"), TextId::CreateVcd);
    m_pbCancelBuild
        = command(QStringLiteral("pbCancelBuild"), QStringLiteral("Cancel Build"), TextId::CancelBuild);
    m_pbCancelBuild->hide();
    m_pbBurn = command(QStringLiteral("pbBurn"), QStringLiteral("Burn image"), TextId::BurnImage);
    m_pbSettings
        = command(QStringLiteral("pbSettings"), QStringLiteral("Show settings"), TextId::ShowSettings);
    m_chkFullRebuild = new QCheckBox(QStringLiteral("Full Rebuild"), row);
    m_chkFullRebuild->setObjectName(QStringLiteral("chkFullRebuild"));
    setTextId(m_chkFullRebuild, TextId::FullRebuild);
    setTipId(m_chkFullRebuild, TextId::TipFullRebuild,
        QStringLiteral("If checked existing foto's in the build path will not be re-used."));
    layout->addSpacing(8);
    layout->addWidget(m_chkFullRebuild);
    layout->addStretch();
    m_labVersion = new QLabel(QStringLiteral("Version:"), row);
    m_labVersion->setObjectName(QStringLiteral("labVersion"));
    m_labVersion->setEnabled(false);
    layout->addWidget(m_labVersion);
    return row;
}

void MainWindow::connectCore()
{
    // Settings that change the preview, the counters or the pane.
    SettingsController::Hooks hooks;
    hooks.languageChanged = [](int language) { FormLocalizer::setLanguage(language); };
    hooks.redrawSelected = [this] {
        if (!isBusy())
            m_navigator.showNode(m_ws->tree.selectedNode());
    };
    hooks.refreshCapacity = [this] { refreshCounters(); };
    hooks.treeHasNodes = [this] { return !m_ws->tree.isEmpty(); };
    hooks.setRootTag = [this](const QString &tag) {
        if (m_ws->tree.root())
            m_ws->tree.setTag(m_ws->tree.root(), tag);
    };
    hooks.setPreviewHeight = [this](int tvLines) { setPreviewHeight(tvLines); };
    hooks.showSettings = [this](bool visible) { setSettingsVisible(visible); };
    hooks.recordChanged = [this] { syncSettingsControls(); };
    m_ws->controller.setHooks(hooks);

    // Rendering shows itself in the window; keys wait for a page in work.
    Renderer::Callbacks render;
    render.progressVisible = [this](bool visible) { m_renderProgressBar->setVisible(visible); };
    render.progress = [this](int value) { m_renderProgressBar->setValue(qBound(0, value, 100)); };
    render.busy = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    render.canvasChanged = [this] { m_preview->showPage(m_ws->canvas.toImage()); };
    render.hideOrderFrame = [this] { m_frameOrder->hide(); };
    render.showOrderFrame = [this](bool up, bool down) {
        m_pbUp->setEnabled(up);
        m_pbDown->setEnabled(down);
        m_frameOrder->setVisible(!m_driver.isBuilding());
    };
    render.hideEditText = [this] { m_pbEditText->hide(); };
    render.processEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    m_ws->renderer.setCallbacks(render);

    m_navigator.setCallbacks(
        { [this](const QImage &image) { showPane(image); }, [this] { m_picPreview->unsetCursor(); },
            [this](bool picture) { m_pbEditText->setVisible(picture && !m_driver.isBuilding()); } });

    BuildDriver::Callbacks build;
    build.buildingChanged = [this](bool building) { onBuildingChanged(building); };
    build.openBurnWindow = [this](const QString &cuePath) {
        if (m_openBurn)
            m_openBurn(cuePath);
    };
    m_driver.setCallbacks(build);
    GenerationWalk::Callbacks walk;
    walk.displayPreview = [this] { m_navigator.displayPreview(); };
    walk.progress = [this](int done, int total) {
        m_buildProgressBar->setValue(total > 0 ? qBound(0, done * 100 / total, 100) : 0);
    };
    walk.stateStarted = [this](const QString &state) { statusBar()->showMessage(state); };
    walk.scrollIntoView = [this](ProjectNode *node) {
        m_ws->tree.makeVisible(node);
        m_tvwStruct->scrollTo(m_model->indexOf(node));
    };
    m_driver.setWalkCallbacks(walk);
    // The image build starts only after a complete walk: every still is made,
    // even when the walk's count of steps stayed below its estimate.
    connect(&m_output, &BuildOutput::initialised, this, [this] {
        if (m_driver.isBuilding())
            m_buildProgressBar->setValue(100);
    });

    // The tree view follows the tree, and tells it what the user did.
    m_model->setCountersChanged([this] { refreshCounters(); });
    m_editor.setHistoryChanged([this] { updateCommands(); });
    // Said once per folder: every later change there would only repeat it.
    m_editor.setWriteFailed([this](const QString &folder) {
        statusBar()->showMessage(QStringLiteral("Cannot write the order file in %1: the order and "
                                                "check boxes there last until the program ends.")
                                     .arg(folder));
    });
    connect(m_model, &ProjectTreeModel::selectionRequested, m_tvwStruct, [this](const QModelIndex &index) {
        if (index.isValid())
            m_tvwStruct->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        else
            m_tvwStruct->selectionModel()->clearSelection();
    });
    connect(m_model, &ProjectTreeModel::expansionRequested, m_tvwStruct,
        [this](const QModelIndex &index, bool expanded) {
            if (m_tvwStruct->isExpanded(index) != expanded)
                m_tvwStruct->setExpanded(index, expanded);
        });
    connect(m_tvwStruct, &QTreeView::expanded, this,
        [this](const QModelIndex &index) { m_ws->tree.setExpanded(ProjectTreeModel::nodeOf(index), true); });
    connect(m_tvwStruct, &QTreeView::collapsed, this,
        [this](const QModelIndex &index) { m_ws->tree.setExpanded(ProjectTreeModel::nodeOf(index), false); });
    connect(m_tvwStruct, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        ProjectNode *node = ProjectTreeModel::nodeOf(index);
        // A click that made the node current has shown it already.
        if (std::exchange(m_shownByCurrentChange, nullptr) == node)
            return;
        m_ws->tree.setSelectedNode(node);
        onTreeNodeClicked(node);
    });
    // The arrow keys move the tree's current item: the preview follows. A
    // change the navigator asked for (its node is selected already) does not
    // show the node again.
    connect(m_tvwStruct->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex &current) {
            ProjectNode *node = ProjectTreeModel::nodeOf(current);
            if (!node || node == m_ws->tree.selectedNode() || isBusy())
                return;
            m_shownByCurrentChange = node;
            m_ws->tree.setSelectedNode(node);
            onTreeNodeClicked(node);
        });

    // Scans show their progress as they go, with a repaint now and then.
    Scanner::Callbacks scan;
    m_repaintClock.start();
    scan.nodeAdded = [this](const ProjectNode *, const TreeCounters &counters) {
        showCounters(counters);
        if (m_repaintClock.elapsed() > 50) {
            m_repaintClock.restart();
            QCoreApplication::processEvents();
        }
    };
    scan.capacityChanged = [this](const CapacityDisplay &display) { showCapacity(display); };
    m_ws->scanner.setCallbacks(scan);

    connect(m_cmdReadStructure, &QPushButton::clicked, this, &MainWindow::onReadStructureClicked);
    connect(m_pbcreatevcd, &QPushButton::clicked, this, &MainWindow::onCreateClicked);
    connect(m_pbCancelBuild, &QPushButton::clicked, this, &MainWindow::onCancelBuildClicked);
    connect(m_pbBurn, &QPushButton::clicked, this, &MainWindow::onBurnClicked);
    connect(m_pbSettings, &QPushButton::clicked, this, &MainWindow::onSettingsClicked);
    connect(m_pbPrev, &QPushButton::clicked, this, &MainWindow::onPreviousClicked);
    connect(m_pbNext, &QPushButton::clicked, this, &MainWindow::onNextClicked);
    connect(m_pbEnter, &QPushButton::clicked, this, &MainWindow::onEnterClicked);
    connect(m_pbReturn, &QPushButton::clicked, this, &MainWindow::onReturnClicked);
    connect(m_pbUp, &QPushButton::clicked, this, &MainWindow::onUpClicked);
    connect(m_pbDown, &QPushButton::clicked, this, &MainWindow::onDownClicked);
    connect(m_pbSaveOrder, &QPushButton::clicked, this, &MainWindow::onSaveOrderClicked);
    connect(m_pbEditText, &QPushButton::clicked, this, &MainWindow::onEditTextClicked);
    connect(m_chkFullPreview, &QCheckBox::clicked, this, &MainWindow::onFullPreviewToggled);
    connect(
        m_chkFastPreview, &QCheckBox::toggled, this, [this](bool on) { m_ws->settings.fastPreview = on; });
    connect(
        m_chkFullRebuild, &QCheckBox::toggled, this, [this](bool on) { m_ws->settings.fullRebuild = on; });
}

bool MainWindow::start()
{
    bool complete = false;
    if (!Guard::run(QStringLiteral("Sub Form_Initialize"), [&] { complete = initialize(); }))
        return false;
    if (!complete)
        return false;
    if (!Guard::run(QStringLiteral("Sub Form_Load"), [&] { load(); }))
        return false;
    // Said once on stderr already; the window says it too.
    const QString logProblem = ProgramFolder::logProblem();
    if (!logProblem.isEmpty())
        statusBar()->showMessage(logProblem);
    return true;
}

bool MainWindow::initialize()
{
    if (m_splashEnabled) {
        SplashScreen splash;
        splash.exec();
    }

    StartupCheck::prepareProgramFolder();
    showVersion();
    showCounters(m_ws->tree.counters());

    // A missing encoder tool ends the program before any window shows.
    if (!StartupCheck::checkTools(*m_prompter))
        return false;

    // Also applies the stored interface language.
    return Guard::run(QStringLiteral("Sub readSettings"), [&] { m_ws->controller.readSettings(); });
}

void MainWindow::load()
{
    if (m_ownPrompter)
        m_ownPrompter->setParentWidget(this);
    // Read before the window could own a box; told now, in the stored language.
    for (const FileRegistryStore::Notice &notice : FileRegistryStore::takeNotices())
        m_prompter->warn(FileRegistryStore::Notice::title(), notice.text());
    // The stored tree state belongs to the stored album, not to another.
    bool sameAlbum = true;
    if (!m_startAlbum.isEmpty() && m_startAlbum != m_ws->settings.sourceDir) {
        m_ws->settings.sourceDir = m_startAlbum;
        sameAlbum = false;
    }
    Guard::run(QStringLiteral("Sub setSizes"), [&] { m_ws->controller.setSizes(); });
    m_preview->setFrameSize(QSize(m_ws->settings.frameWidth, m_ws->settings.frameHeight));
    m_preview->load();
    syncSettingsControls();
    rebuildRecentMenu();
    if (m_ws->settings.screenX > 0 || m_ws->settings.screenY > 0)
        move(m_ws->settings.screenX / TwipsPerPixel, m_ws->settings.screenY / TwipsPerPixel);
    const QStringList window = m_ws->settings.windowState.split(u',');
    if (window.size() == 2) {
        restoreGeometry(QByteArray::fromBase64(window.at(0).toLatin1()));
        m_splitter->restoreState(QByteArray::fromBase64(window.at(1).toLatin1()));
    }
    FormLocalizer::localizeWindow(this);
    setSettingsVisible(m_ws->settings.showSettings);
    // The album of the last session comes back as it was left.
    if (Scanner::isValidSource(m_ws->settings.sourceDir)) {
        onReadStructureClicked();
        if (sameAlbum)
            restoreTreeState(m_ws->settings.treeState);
    }
}

QString MainWindow::treeState() const
{
    // One line a node, by its path below the source folder: "S" the selected
    // node, "E" each expanded folder. Base64, as the store keeps one line.
    QStringList lines;
    const ProjectNode *root = m_ws->tree.root();
    if (!root)
        return {};
    if (const ProjectNode *selected = m_ws->tree.selectedNode())
        lines << QLatin1String("S") + GenerationWalk::relativePart(selected);
    std::function<void(const ProjectNode *)> visit = [&](const ProjectNode *node) {
        if (node->isExpanded())
            lines << QLatin1String("E") + GenerationWalk::relativePart(node);
        for (int row = 0; row < node->childCount(); ++row)
            visit(node->child(row));
    };
    visit(root);
    return QString::fromLatin1(lines.join(u'\n').toUtf8().toBase64());
}

void MainWindow::restoreTreeState(const QString &state)
{
    ProjectNode *root = m_ws->tree.root();
    if (!root || state.isEmpty())
        return;
    const QString source = root->fullPath();
    ProjectNode *selected = nullptr;
    for (const QString &line : QString::fromUtf8(QByteArray::fromBase64(state.toLatin1())).split(u'\n')) {
        if (line.isEmpty())
            continue;
        const QString relative = line.mid(1);
        ProjectNode *node = relative.isEmpty() ? root : m_ws->tree.nodeByKey(source + relative);
        if (!node)
            continue; // gone since
        if (line.startsWith(u'E'))
            m_ws->tree.setExpanded(node, true);
        else if (line.startsWith(u'S'))
            selected = node;
    }
    if (selected) {
        m_ws->tree.setSelectedNode(selected);
        onTreeNodeClicked(selected);
    }
}

void MainWindow::showVersion()
{
    m_labVersion->setText(ProgramInfo::versionCaption());
}

void MainWindow::onActivated()
{
    ++m_activations;
    {
        const QSignalBlocker block(m_chkFullPreview);
        m_chkFullPreview->setChecked(m_preview->isVisible());
    }
    m_renderProgressBar->hide();
    m_renderProgressBar->setValue(0);
    // The order buttons belong to a menu page; keep them while one is shown.
    if (!m_navigator.highlightedEntry())
        m_frameOrder->hide();
}

void MainWindow::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_ws->settings.screenX = x() * TwipsPerPixel;
    m_ws->settings.screenY = y() * TwipsPerPixel;
    m_ws->settings.windowState = QString::fromLatin1(saveGeometry().toBase64()) + u','
        + QString::fromLatin1(m_splitter->saveState().toBase64());
    m_ws->settings.treeState = treeState();
    m_ws->settings.showSettings = m_settingsVisible;
    Guard::run(QStringLiteral("Sub saveSettings"), [&] { m_ws->controller.saveSettings(); });
    if (m_about)
        m_about->close();
    m_preview->hide();
    m_outputWindow->hide();
    if (m_endProgram)
        m_endProgram();
}

void MainWindow::onExitTriggered()
{
    close();
}

void MainWindow::onAboutTriggered()
{
    Guard::run(QStringLiteral("Sub mnuAbout_Click"), [&] {
        if (!m_about) {
            m_about = new AboutDialog(this);
            m_about->setAttribute(Qt::WA_DeleteOnClose);
        }
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    });
}

void MainWindow::onReadStructureClicked()
{
    Guard::run(QStringLiteral("Sub cmdReadStructure_Click"), [&] {
        if (isBusy() || !m_editor.confirmDiscard())
            return;
        m_scanning = true;
        updateCommands();
        // Nothing of the old tree may be referred to once it is cleared, and
        // the old album's page is not shown over the new one.
        m_navigator.reset();
        m_picPreview->clear();
        m_frameOrder->hide();
        m_pbEditText->hide();
        const bool scanned = m_ws->scanner.scan();
        if (scanned)
            m_editor.forgetUnsaved();
        m_scanning = false;
        updateCommands();
        if (!scanned)
            return;
        if (m_ws->tree.root())
            m_ws->tree.setExpanded(m_ws->tree.root(), true);
        refreshCounters();
        m_ws->controller.setSizes();
    });
}

void MainWindow::onCreateClicked()
{
    Guard::run(QStringLiteral("Sub pbcreatevcd_Click"), [&] {
        if (m_scanning || m_driver.isBuilding())
            return;
        m_driver.build();
    });
}

void MainWindow::onCancelBuildClicked()
{
    Guard::run(QStringLiteral("Sub pbCancelBuild_Click"), [&] { m_driver.cancel(); });
}

void MainWindow::onBuildingChanged(bool building)
{
    m_pbcreatevcd->setVisible(!building);
    m_pbCancelBuild->setVisible(building);
    m_buildProgressBar->setValue(0);
    m_buildProgressBar->setVisible(building);
    if (building) {
        m_resultBar->hide();
        m_outputWindow->setDiscType(m_ws->settings.vcd);
        m_frameOrder->hide();
        m_pbEditText->hide();
    } else {
        const GenerationWalk &walk = m_driver.walk();
        QString summary;
        if (walk.outputsMade() + walk.outputsReused() > 0)
            summary = localText(TextId::OutputsMade).arg(walk.outputsMade()).arg(walk.outputsReused());
        if (!m_driver.leftOff().isEmpty()) {
            summary += (summary.isEmpty() ? QString() : QStringLiteral("; ")) + localText(TextId::LeftOffDisc)
                + QLatin1String(": ") + QString::number(m_driver.leftOff().size());
        }
        statusBar()->showMessage(summary);
        // Left-off items turned grey in the tree; the counters follow.
        refreshCounters();
        showBuildResult();
    }
    syncSettingsControls();
    updateCommands();
}

void MainWindow::updateCommands()
{
    const bool building = m_driver.isBuilding();
    const bool busy = m_scanning || building;
    m_cmdReadStructure->setEnabled(!busy);
    m_pbcreatevcd->setEnabled(!busy);
    m_pbBurn->setEnabled(!busy);
    m_pbSettings->setEnabled(!busy);
    for (QAction *action : { m_mnuReadAgain, m_mnuCreateDisc, m_mnuBurnImage })
        action->setEnabled(!busy);
    m_chkFastPreview->setEnabled(!busy);
    m_chkFullRebuild->setEnabled(!busy);
    // A scan or build reads the settings and the tree throughout.
    if (m_settingsWindow)
        m_settingsWindow->setEnabled(!busy);
    // The walk composes its pages on the canvas the preview also uses.
    m_tvwStruct->setEnabled(!busy);
    m_model->setEditable(!busy);
    // Up and Down keep the state the menu page gave them; their frame is
    // hidden while a build runs.
    for (QPushButton *key : { m_pbPrev, m_pbNext, m_pbEnter, m_pbReturn, m_pbSaveOrder })
        key->setEnabled(!busy);
    m_mnuUndo->setEnabled(!busy && m_editor.canUndo());
    m_mnuRedo->setEnabled(!busy && m_editor.canRedo());
    for (const char *name : { "pbPrev", "pbNext", "pbEnter", "pbReturn" }) {
        if (auto *key = m_preview->findChild<QPushButton *>(QLatin1String(name)))
            key->setEnabled(!busy);
    }
}

void MainWindow::onOpenAlbumTriggered()
{
    Guard::run(QStringLiteral("Sub mnuOpenAlbum_Click"), [&] {
        if (isBusy())
            return;
        QString start = m_ws->settings.sourceDir;
        if (start.isEmpty() || !QFileInfo(start).isDir()) {
            const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
            start = QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
        }
        const QString chosen = FolderDialog::browse(this, localText(TextId::ChooseAlbumFolder), start);
        if (!chosen.isEmpty())
            openAlbum(chosen);
    });
}

void MainWindow::onOpenBuildFolderTriggered()
{
    const QString folder = m_ws->settings.destinationDir.isEmpty() ? SettingsController::defaultBuildFolder()
                                                                   : m_ws->settings.destinationDir;
    if (!QFileInfo(folder).isDir()) {
        statusBar()->showMessage(localText(TextId::MsgInvalidBuildPath));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void MainWindow::onHelpTriggered()
{
    QMessageBox box(QMessageBox::Information, localText(TextId::MenuHelpContents).remove(u'&'),
        localText(TextId::HelpText), QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::onBurnClicked()
{
    Guard::run(QStringLiteral("Sub pbBurn_Click"), [&] {
        if (isBusy())
            return;
        switch (BurnWindow::checkImage(m_ws->settings, m_ws->tree, *m_prompter)) {
        case BurnWindow::ImageOffer::Current:
            if (m_openBurn)
                m_openBurn(m_driver.cuePath());
            break;
        case BurnWindow::ImageOffer::BuildFirst:
            // The build opens the burn window when it succeeds.
            m_driver.buildThenBurn();
            break;
        case BurnWindow::ImageOffer::Declined:
            break;
        }
    });
}

void MainWindow::onSettingsClicked()
{
    Guard::run(QStringLiteral("Sub pbSettings_Click"), [&] { setSettingsVisible(!m_settingsVisible); });
}

void MainWindow::setSettingsVisible(bool visible)
{
    m_settingsVisible = visible;
    m_ws->settings.showSettings = visible;
    const int id = visible ? TextId::HideSettings : TextId::ShowSettings;
    setTextId(m_pbSettings, id);
    m_pbSettings->setText(localText(id));
    Accelerators::assign(this);
    if (m_showSettings)
        m_showSettings(visible);
}

void MainWindow::onTreeNodeClicked(ProjectNode *node)
{
    // Errors here are reported under the procedure that does the work.
    Guard::run(QStringLiteral("Sub HandleNodeClick"), [&] {
        if (!isBusy())
            m_navigator.showFromTree(node);
    });
}

void MainWindow::onPreviousClicked()
{
    Guard::run(QStringLiteral("Sub pbPrev_Click"), [&] {
        if (!isBusy())
            m_navigator.pressPrevious();
    });
}

void MainWindow::onNextClicked()
{
    Guard::run(QStringLiteral("Sub pbNext_Click"), [&] {
        if (!isBusy())
            m_navigator.pressNext();
    });
}

void MainWindow::onEnterClicked()
{
    Guard::run(QStringLiteral("Sub pbEnter_Click"), [&] {
        if (!isBusy())
            m_navigator.pressEnter();
    });
}

void MainWindow::onReturnClicked()
{
    Guard::run(QStringLiteral("Sub pbReturn_Click"), [&] {
        if (!isBusy())
            m_navigator.pressReturn();
    });
}

void MainWindow::onUpClicked()
{
    Guard::run(QStringLiteral("Sub pbUp_Click"), [&] {
        ProjectNode *entry = m_navigator.highlightedEntry();
        if (isBusy() || !m_editor.moveUp(entry, m_navigator.highlightedEntryNumber()))
            return;
        m_navigator.showEntry(entry);
    });
}

void MainWindow::onDownClicked()
{
    Guard::run(QStringLiteral("Sub pbDown_Click"), [&] {
        ProjectNode *entry = m_navigator.highlightedEntry();
        if (isBusy() || !m_editor.moveDown(entry, m_navigator.highlightedEntryNumber()))
            return;
        m_navigator.showEntry(entry);
    });
}

void MainWindow::onSaveOrderClicked()
{
    Guard::run(QStringLiteral("Sub pbSaveOrder_Click"), [&] {
        if (!isBusy())
            m_editor.saveOrder(m_navigator.highlightedEntry());
    });
}

void MainWindow::onUndoTriggered()
{
    Guard::run(QStringLiteral("Sub mnuUndo_Click"), [&] {
        if (!isBusy() && m_editor.undo())
            showTreeEdited();
    });
}

void MainWindow::onRedoTriggered()
{
    Guard::run(QStringLiteral("Sub mnuRedo_Click"), [&] {
        if (!isBusy() && m_editor.redo())
            showTreeEdited();
    });
}

void MainWindow::showTreeEdited()
{
    refreshCounters();
    if (ProjectNode *entry = m_navigator.highlightedEntry())
        m_navigator.showEntry(entry);
}

void MainWindow::onEditTextClicked()
{
    Guard::run(QStringLiteral("Sub pbEditText_Click"), [&] {
        if (!isBusy() && m_editText)
            m_editText();
    });
}

void MainWindow::onFullPreviewToggled(bool checked)
{
    Guard::run(QStringLiteral("Sub chkFullPreview_Click"), [&] {
        if (checked) {
            m_preview->show();
            m_preview->raise();
        } else {
            m_preview->hide();
        }
    });
}

void MainWindow::armStampPlacement()
{
    m_navigator.armPlacement();
    m_picPreview->setCursor(Qt::CrossCursor);
}

void MainWindow::showPane(const QImage &image)
{
    m_picPreview->setPixmap(QPixmap::fromImage(image));
    m_picPreview->repaint();
}

void MainWindow::setPreviewHeight(int tvLines)
{
    const QSize smallest(PaneWidth, PreviewNavigator::paneHeightFor(PaneWidth, tvLines));
    m_previewArea->setMinimumSize(smallest);
    fitPreviewPane();
    m_preview->setFrameSize(QSize(m_ws->settings.frameWidth, m_ws->settings.frameHeight));
}

void MainWindow::createWelcome()
{
    // Before any album is read the pane says what to do first.
    m_welcome = new QWidget(m_previewArea);
    m_welcome->setObjectName(QStringLiteral("welcome"));
    m_welcome->setStyleSheet(QStringLiteral("QLabel { color: white; font-size: 14px; }"));
    auto *layout = new QVBoxLayout(m_welcome);
    layout->addStretch();
    auto *text = new QLabel(localText(TextId::WelcomeText), m_welcome);
    text->setObjectName(QStringLiteral("welcomeText"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    setTextId(text, TextId::WelcomeText);
    layout->addWidget(text);
    auto *open = new QPushButton(localText(TextId::MenuOpenAlbum), m_welcome);
    open->setObjectName(QStringLiteral("welcomeOpenAlbum"));
    setTextId(open, TextId::MenuOpenAlbum);
    connect(open, &QPushButton::clicked, this, &MainWindow::onOpenAlbumTriggered);
    layout->addWidget(open, 0, Qt::AlignHCenter);
    layout->addStretch();
}

void MainWindow::fitPreviewPane()
{
    // The frame's shape (704 pixels wide per TV line count) scaled to the
    // area, centred in it.
    const QSize area = m_previewArea->size();
    const int tvLines = m_ws->settings.tvLines;
    int width = std::max(PaneWidth, area.width());
    int height = PreviewNavigator::paneHeightFor(width, tvLines);
    if (height > area.height() && area.height() > 0) {
        width = std::max(PaneWidth, static_cast<int>(area.height() * 704.0 / std::max(tvLines, 1)));
        height = PreviewNavigator::paneHeightFor(width, tvLines);
    }
    const QSize pane(width, height);
    m_picPreview->setFixedSize(pane);
    m_picPreview->move(std::max(0, (area.width() - width) / 2), std::max(0, (area.height() - height) / 2));
    m_welcome->setGeometry(m_picPreview->geometry());
    if (m_navigator.paneSize() == pane)
        return;
    m_navigator.setPaneSize(pane);
    // Shown again at the new size from the page the canvas holds, unless a
    // scan or build is drawing on it.
    if (!isBusy() && !m_picPreview->pixmap().isNull())
        m_navigator.displayPreview();
}

void MainWindow::refreshCounters()
{
    // Counted again from the check marks: what the disc will hold.
    m_ws->tree.counters() = DiscContent::count(m_ws->tree);
    showCounters(m_ws->tree.counters());
    showCapacity(Capacity::capacityDisplay(m_ws->tree.counters(), m_ws->settings));
    showSkippedCount();
    m_welcome->setVisible(m_ws->tree.isEmpty());
    m_welcome->raise();
}

void MainWindow::showSkippedCount()
{
    const size_t skipped = m_ws->tree.skippedFiles().size();
    m_skippedButton->setVisible(skipped > 0);
    m_skippedButton->setText(localText(TextId::FilesSkipped).arg(skipped));
}

void MainWindow::showSkippedFiles()
{
    QStringList lines;
    for (const SkippedFile &file : m_ws->tree.skippedFiles())
        lines << file.lineBelow(m_ws->settings.sourceDir);
    QMessageBox box(QMessageBox::Information, localText(TextId::SkippedFilesTitle),
        localText(TextId::FilesSkipped).arg(lines.size()), QMessageBox::Ok, this);
    box.setDetailedText(lines.join(u'\n'));
    box.exec();
}

void MainWindow::showCounters(const TreeCounters &counters)
{
    m_labDirs->setText(countText(counters.MenuCount));
    m_labFiles->setText(countText(counters.ItemCount));
}

void MainWindow::showCapacity(const CapacityDisplay &display)
{
    m_capacityBar->setValue(display.clampedPosition());
    m_labCapdisplay->setText(display.label);
    const QString album = m_ws->settings.sourceDir;
    m_statusAlbum->setVisible(!m_ws->tree.isEmpty());
    m_statusAlbum->setText(
        localText(TextId::StatusAlbum)
            .arg(QFileInfo(album).fileName().isEmpty() ? album : QFileInfo(album).fileName())
            .arg(countText(m_ws->tree.counters().MenuCount))
            .arg(display.label));
    m_statusAlbum->setToolTip(QDir::toNativeSeparators(album));
}

void MainWindow::syncSettingsControls()
{
    const QSignalBlocker fast(m_chkFastPreview);
    const QSignalBlocker rebuild(m_chkFullRebuild);
    m_chkFastPreview->setChecked(m_ws->settings.fastPreview);
    m_chkFullRebuild->setChecked(m_ws->settings.fullRebuild);
    if (m_settingsWindow)
        m_settingsWindow->showRecord();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_previewArea && event->type() == QEvent::Resize)
        fitPreviewPane();
    if (watched == m_picPreview && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        Guard::run(QStringLiteral("Sub PicPreview_MouseDown"), [&] {
            if (!isBusy())
                m_navigator.placeStampAt(mouse->button(), mouse->position().toPoint());
        });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    Guard::run(QStringLiteral("Sub Form_Unload"), [&] { unload(); });
    event->accept();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Guard::run(QStringLiteral("Sub Form_Activate"), [&] { onActivated(); });
}

CaptionEditor *MainWindow::editTextWindow() const
{
    return m_captionEditor.data();
}

void MainWindow::createSettingsWindows()
{
    // The settings' own boxes sit over the settings window, not over this one;
    // a prompter handed in (tests) answers for both.
    m_settingsWindow = m_ownPrompter ? new SettingsWindow(m_ws->controller, this)
                                     : new SettingsWindow(m_ws->controller, *m_prompter, this);
    SettingsWindow::Callbacks callbacks;
    callbacks.sourceChanged = [this] {
        // The tree shows the old folder: it must be read again.
        m_navigator.reset();
        m_picPreview->clear();
        m_frameOrder->hide();
        m_pbEditText->hide();
        m_ws->tree.clear();
        refreshCounters();
    };
    callbacks.showRequested = [this](bool visible) { setSettingsVisible(visible); };
    callbacks.placementArmed = [this] { return m_navigator.placementArmed(); };
    callbacks.setPlacementArmed = [this](bool armed) {
        if (armed) {
            armStampPlacement();
        } else {
            m_navigator.disarmPlacement();
            m_picPreview->unsetCursor();
        }
    };
    m_settingsWindow->setCallbacks(callbacks);

    m_showSettings = [this](bool visible) {
        if (visible && !isVisible()) {
            // Before the main window is placed there is nothing to sit below;
            // the settings window follows once it shows.
            QTimer::singleShot(0, this, [this] {
                if (m_settingsVisible && isVisible())
                    m_settingsWindow->showBeside(true, frameGeometry());
            });
            return;
        }
        m_settingsWindow->showBeside(visible, frameGeometry());
    };

    m_editText = [this] {
        // One caption at a time: a new opening replaces an editor still open.
        if (m_captionEditor)
            m_captionEditor->close();
        m_captionEditor = CaptionEditor::openFor(m_ws->tree.selectedNode(), m_ws->settings,
            m_ws->renderer.stillWidth(), m_ws->renderer.stillHeight(), *m_prompter, this);
        if (m_captionEditor)
            connect(m_captionEditor, &CaptionEditor::saved, this, [this] {
                Guard::run(QStringLiteral("Sub HandleNodeClick"), [&] {
                    if (!isBusy())
                        m_navigator.showNode(m_ws->tree.selectedNode());
                });
            });
    };
}

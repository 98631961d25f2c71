#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

#include "authoring/BuildDriver.h"
#include "authoring/BuildOutput.h"
#include "authoring/Workspace.h"
#include "gui/AboutDialog.h"
#include "preview/PreviewNavigator.h"
#include "project/TreeEditor.h"

class QAction;
class QKeySequence;
class QMenu;
class QCheckBox;
class QDragEnterEvent;
class QDropEvent;
class QSplitter;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeView;
class MessageBoxPrompter;
class ProjectTreeModel;
class Prompter;
class SettingsController;
class OutputWindow;
class PreviewWindow;
class CaptionEditor;
class SettingsWindow;

// The main window. Its life follows the design's sequence: Form_Initialize
// (splash, program log, tool check, settings), Form_Load (geometry), then
// Form_Activate each time it becomes active and Form_Unload when it closes
// (settings saved, program ended). Between those it is the one working
// window: the project tree, the preview with its remote keys, the order
// buttons, the counters and capacity, and the scan, build, burn and settings
// commands. The work itself is done by the Workspace's core classes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // prompter answers the window's questions; without one, message boxes.
    explicit MainWindow(Prompter *prompter = nullptr, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Form_Initialize then Form_Load, each in its guard. False when the
    // program must end without showing the window (setup incomplete).
    bool start();

    // Returns false when the program folder is incomplete (box shown).
    bool initialize();
    void load();
    void onActivated();
    void unload();

    void onExitTriggered();
    void onOpenAlbumTriggered();
    // Makes folder the album (saved at once, first of the recent albums) and
    // reads it; a folder that is gone is said in the status bar.
    void openAlbum(const QString &folder);
    // The albums opened last, newest first.
    QStringList recentAlbums() const;
    void onOpenBuildFolderTriggered();
    void onHelpTriggered();
    void onAboutTriggered();

    // Commands. Each runs in its guard; scan and build refuse to start while
    // either is running.
    void onReadStructureClicked();
    void onCreateClicked();
    void onCancelBuildClicked();
    void onBurnClicked();
    void onSettingsClicked();
    // Shows or hides the settings window; the button says what a click does next.
    void setSettingsVisible(bool visible);

    // Preview keys and the tree (the same handlers serve the full-size window).
    void onTreeNodeClicked(ProjectNode *node);
    void onPreviousClicked();
    void onNextClicked();
    void onEnterClicked();
    void onReturnClicked();
    void onUpClicked();
    void onDownClicked();
    void onSaveOrderClicked();
    // Edit menu: take back the last check or move, or make it again.
    void onUndoTriggered();
    void onRedoTriggered();
    void onEditTextClicked();
    void onFullPreviewToggled(bool checked);
    // The settings window's position button: the next click in the pane
    // places the date/time stamp (cross-hair pointer until then).
    void armStampPlacement();

    // Windows of other parts attach here. The burn window receives the cue
    // sheet path (by default BurnWindow opens modally); the settings window is
    // shown or hidden; the caption editor opens for the selected picture.
    void setBurnWindow(std::function<void(const QString &cuePath)> open) { m_openBurn = std::move(open); }
    void setSettingsWindow(std::function<void(bool visible)> showHide)
    {
        m_showSettings = std::move(showHide);
    }
    void setEditTextHandler(std::function<void()> handler) { m_editText = std::move(handler); }

    // A folder handed over on the command line ("Open with"): load() reads
    // it as the album in place of the last session's.
    void setStartAlbum(const QString &folder) { m_startAlbum = folder; }

    // The splash is skipped in tests and scripted runs.
    void setSplashEnabled(bool enabled) { m_splashEnabled = enabled; }
    // What Form_Unload does last; by default it leaves the event loop.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    Workspace &workspace() { return *m_ws; }
    Settings &settings() { return m_ws->settings; }
    SettingsController &settingsController() { return m_ws->controller; }
    Prompter &prompter() { return *m_prompter; }
    PreviewNavigator &navigator() { return m_navigator; }
    BuildDriver &buildDriver() { return m_driver; }
    BuildOutput &buildOutput() { return m_output; }
    ProjectTreeModel *treeModel() const { return m_model; }
    TreeEditor &treeEditor() { return m_editor; }
    QAction *undoAction() const { return m_mnuUndo; }
    QAction *redoAction() const { return m_mnuRedo; }
    QTreeView *treeView() const { return m_tvwStruct; }
    PreviewWindow *previewWindow() const { return m_preview; }
    OutputWindow *outputWindow() const { return m_outputWindow; }
    AboutDialog *aboutWindow() const { return m_about; }
    SettingsWindow *settingsWindow() const { return m_settingsWindow; }
    CaptionEditor *editTextWindow() const;
    int activationCount() const { return m_activations; }
    bool isBusy() const { return m_scanning || m_driver.isBuilding(); }
    bool settingsVisible() const { return m_settingsVisible; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // A folder dragged from a file manager opens as the album.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createMenu();
    void createToolBar();
    void rebuildRecentMenu();
    void createControls();
    QWidget *createTreeSide();
    QWidget *createPreviewSide();
    QWidget *createCommandRow();
    void connectCore();
    void showVersion();

    // Counters and the capacity estimate as the tree now stands.
    void refreshCounters();
    void showSkippedCount();
    void fitPreviewPane();
    void createWelcome();
    // The tree's expansion and selection, kept in the settings between sessions.
    QString treeState() const;
    void restoreTreeState(const QString &state);
    QWidget *createResultBar();
    // After a build: what was made, with Burn, Open build folder and Show log.
    void showBuildResult();
    void onShowLogTriggered();
    void showSkippedFiles();
    void showCounters(const TreeCounters &counters);
    void showCapacity(const CapacityDisplay &display);
    void setPreviewHeight(int tvLines);
    // Scan or build running: the commands that would re-enter are disabled.
    void updateCommands();
    // The tree changed under the menu page and counters (undo or redo).
    void showTreeEdited();
    void onBuildingChanged(bool building);
    void showPane(const QImage &image);
    void syncSettingsControls();
    // The settings window and the caption editor, attached to this window.
    void createSettingsWindows();

    std::unique_ptr<MessageBoxPrompter> m_ownPrompter;
    Prompter *m_prompter;
    std::unique_ptr<Workspace> m_ws;
    TreeEditor m_editor;
    PreviewNavigator m_navigator;
    BuildOutput m_output;
    BuildDriver m_driver;

    ProjectTreeModel *m_model = nullptr;
    QAction *addMenuAction(QMenu *menu, const char *objectName, int textId, const QKeySequence &shortcut,
        void (MainWindow::*slot)());
    QAction *m_mnuExit = nullptr;
    QAction *m_mnuOpenAlbum = nullptr;
    QAction *m_mnuSettings = nullptr;
    QMenu *m_mnuRecent = nullptr;
    QLabel *m_statusAlbum = nullptr;
    QAction *m_mnuReadAgain = nullptr;
    QAction *m_mnuCreateDisc = nullptr;
    QAction *m_mnuBurnImage = nullptr;
    ProjectNode *m_shownByCurrentChange = nullptr;
    QAction *m_mnuAbout = nullptr;
    QAction *m_mnuUndo = nullptr;
    QAction *m_mnuRedo = nullptr;
    QTreeView *m_tvwStruct = nullptr;
    QPushButton *m_cmdReadStructure = nullptr;
    QPushButton *m_pbcreatevcd = nullptr;
    QPushButton *m_pbCancelBuild = nullptr;
    QPushButton *m_pbBurn = nullptr;
    QPushButton *m_pbSettings = nullptr;
    QCheckBox *m_chkFullRebuild = nullptr;
    QGroupBox *m_framePreview = nullptr;
    QLabel *m_picPreview = nullptr;
    QWidget *m_previewArea = nullptr;
    QWidget *m_welcome = nullptr;
    QSplitter *m_splitter = nullptr;
    QFrame *m_resultBar = nullptr;
    QLabel *m_resultText = nullptr;
    QPushButton *m_pbPrev = nullptr;
    QPushButton *m_pbNext = nullptr;
    QPushButton *m_pbEnter = nullptr;
    QPushButton *m_pbReturn = nullptr;
    QCheckBox *m_chkFullPreview = nullptr;
    QCheckBox *m_chkFastPreview = nullptr;
    QPushButton *m_pbEditText = nullptr;
    QGroupBox *m_frameOrder = nullptr;
    QPushButton *m_pbUp = nullptr;
    QPushButton *m_pbDown = nullptr;
    QPushButton *m_pbSaveOrder = nullptr;
    QLabel *m_labDirs = nullptr;
    QToolButton *m_skippedButton = nullptr;
    QLabel *m_labFiles = nullptr;
    QLabel *m_labCapdisplay = nullptr;
    QProgressBar *m_capacityBar = nullptr;
    QProgressBar *m_renderProgressBar = nullptr;
    QProgressBar *m_buildProgressBar = nullptr;
    QLabel *m_labVersion = nullptr;
    QPointer<AboutDialog> m_about;
    PreviewWindow *m_preview = nullptr;
    OutputWindow *m_outputWindow = nullptr;
    SettingsWindow *m_settingsWindow = nullptr;
    QPointer<CaptionEditor> m_captionEditor;

    std::function<void(const QString &)> m_openBurn;
    std::function<void(bool)> m_showSettings;
    std::function<void()> m_editText;

    QElapsedTimer m_repaintClock; // scans repaint the window now and then

    bool m_splashEnabled = true;
    QString m_startAlbum;
    bool m_unloaded = false;
    bool m_scanning = false;
    bool m_settingsVisible = false;
    int m_activations = 0;
    std::function<void()> m_endProgram;
};

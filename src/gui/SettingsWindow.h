#pragma once

#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

#include "gui/ColorChooser.h"
#include "gui/FolderDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class MessageBoxPrompter;
class Prompter;
class SettingsController;
struct Settings;

// The settings window: every control edits the settings record at once
// through the SettingsController, and shows the record again after each edit
// (a handler may change more than the field edited). There is no OK or
// Cancel; the window is only shown and hidden, always directly below the main
// window, and lives until the program ends. Hiding it saves the settings, so
// that nothing typed here waits for the main window to close.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    // What the window needs from the main window. Each may be left empty.
    struct Callbacks
    {
        std::function<void()> sourceChanged; // the tree must be read again: empty it
        std::function<void(bool visible)> showRequested; // the main window's setSettingsVisible(visible)
        std::function<bool()> placementArmed; // the preview shows the cross-hair
        std::function<void(bool armed)> setPlacementArmed;
    };

    // Asks and tells through the given prompter (tests pass a scripted one).
    SettingsWindow(SettingsController &controller, Prompter &prompter, QWidget *parent = nullptr);
    // Asks and tells through message boxes over this window, the controller's
    // messages included, so that no box of the main window hides it.
    explicit SettingsWindow(SettingsController &controller, QWidget *parent = nullptr);
    ~SettingsWindow() override;

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    // Tests answer the folder and colour questions without real dialogs.
    void setFolderBrowser(FolderDialog::Browser browser) { m_browseFolder = std::move(browser); }
    void setColorChooser(ColorChooser::Chooser chooser) { m_askColor = std::move(chooser); }

    // Shows or hides the window and places it below the main window's frame:
    // its top at the main window's bottom, moved up when it would leave the
    // screen, its left edge on the main window's left edge. Keeps dispsettings.
    void showBeside(bool visible, const QRect &mainWindowFrame);
    // Where the window goes for a main window frame on a screen.
    static QPoint placement(const QRect &mainWindowFrame, const QSize &ownFrameSize, const QRect &screen);

    // Puts the record into the controls (nothing is handled while it does).
    void showRecord();

    // Lets the program's own code close the window for good.
    void unload();

    // The handlers, as the controls run them.
    bool onXCenterEdited();
    bool onYCenterEdited();
    void onPercentageEdited();
    void onMainTitleEdited();
    void onSelectSourceClicked();
    void onSelectDestinationClicked();
    void onSourceEdited();
    void onTitleColorClicked();
    void onMenuColorClicked();
    void onPictureColorClicked();
    void onPositionClicked();
    void onLanguageChosen();
    void onCloseClicked();

    // The colours the three fonts are painted in, as the swatches show them.
    static QString swatchStyle(std::uint32_t colour);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUp();
    void createControls();
    // The tab captions are no captions the relabeller knows.
    void relabelPages();
    // A whole number typed into field lives in the record only while it lies
    // in bottom..top; anything else is refused with the reason beside it.
    void checkNumber(
        QLineEdit *field, QString Settings::*value, QLabel *reason, int bottom, int top, int reasonId);
    void saveSettings();
    void connectControls();
    // Runs a handler in the fatal-error guard under its design name, then
    // shows the record again.
    void handle(const char *procedure, const std::function<void()> &body);
    void redraw();
    void pickColour(const char *procedure, QToolButton *swatch, std::uint32_t Settings::*colour);
    void onOptionToggled(QRadioButton *option, bool checked);

    SettingsController &m_controller;
    Settings &m_settings;
    std::unique_ptr<MessageBoxPrompter> m_ownPrompter;
    Prompter *m_prompter;
    Prompter *m_controllerPrompter = nullptr; // given back when an own prompter goes
    Callbacks m_callbacks;
    FolderDialog::Browser m_browseFolder;
    ColorChooser::Chooser m_askColor;
    bool m_showing = false;
    bool m_unloading = false;

    QTabWidget *m_pages = nullptr;
    // Why a number was refused, in red beside its field; hidden otherwise.
    QLabel *m_lblTimeoutReason = nullptr;
    QLabel *m_lblFontSizeReason = nullptr;
    QLabel *m_lblCentreReason = nullptr;

    // The controls; each carries its design name as its object name.
    QCheckBox *m_chkAddMovies = nullptr;
    QCheckBox *m_chkAddImages = nullptr;
    QComboBox *m_cmbResize = nullptr;
    QSpinBox *m_spnJobs = nullptr; // still encodings at once, 0 = one per core
    QCheckBox *m_chkSlideshowMusic = nullptr;
    QSpinBox *m_spnSlideshowFade = nullptr; // seconds, 0 = cut
    QComboBox *m_cmbLanguage = nullptr;
    QCheckBox *m_chkDisplayInfo = nullptr;
    QCheckBox *m_chkDisplayDate = nullptr;
    QCheckBox *m_chkDisplayFileName = nullptr;
    QCheckBox *m_chkUseFilename = nullptr;
    QPushButton *m_pbClose = nullptr;
    QLineEdit *m_txtWidth = nullptr;
    QLineEdit *m_txtHeight = nullptr;
    QCheckBox *m_chkAntiFlicker = nullptr;
    QLineEdit *m_txtXCenter = nullptr;
    QLineEdit *m_txtYCenter = nullptr;
    QCheckBox *m_chkImageCentered = nullptr;
    QPushButton *m_cmdSelectDestination = nullptr;
    QPushButton *m_cmdSelectSource = nullptr;
    QCheckBox *m_chkShortcuts = nullptr;
    QComboBox *m_cmbFontTitle = nullptr;
    QLineEdit *m_txtFontTitleSize = nullptr;
    QToolButton *m_picColorTitle = nullptr;
    QComboBox *m_cmbFontMenu = nullptr;
    QLineEdit *m_txtFontMenuSize = nullptr;
    QToolButton *m_picColorMenu = nullptr;
    QComboBox *m_cmbFontPicture = nullptr;
    QLineEdit *m_txtFontPictureSize = nullptr;
    QToolButton *m_picColorPicture = nullptr;
    QPushButton *m_cmdPosition = nullptr;
    QRadioButton *m_opthighres = nullptr;
    QRadioButton *m_optLowres = nullptr;
    QLineEdit *m_txtpercentage = nullptr;
    QLineEdit *m_txtTimeout = nullptr;
    QCheckBox *m_chkCorrectAspect = nullptr;
    QCheckBox *m_chkCorrectEdges = nullptr;
    QRadioButton *m_OptNTSC = nullptr;
    QRadioButton *m_OptPal = nullptr;
    QRadioButton *m_OptSVCD = nullptr;
    QRadioButton *m_OptVCD = nullptr;
    QLineEdit *m_txtmaintitle = nullptr;
    QLineEdit *m_txtDestination = nullptr;
    QLineEdit *m_txtSource = nullptr;
};

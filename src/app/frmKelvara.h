#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

#include "settings/Settings.h"
#include "winhelpers/frmAbout.h"

class QAction;
class QLabel;
class MessageBoxPrompter;
class Prompter;
class SettingsController;

// The main window. Its life follows the design's sequence: Form_Initialize
// (splash, program log, tool check, settings), Form_Load (geometry), then
// Form_Activate each time it becomes active and Form_Unload when it closes
// (settings saved, program ended). The working controls attach to this shell.
class frmKelvara : public QMainWindow
{
    Q_OBJECT

public:
    // prompter answers the window's questions; without one, message boxes.
    explicit frmKelvara(Prompter *prompter = nullptr, QWidget *parent = nullptr);
    ~frmKelvara() override;

    // Form_Initialize then Form_Load, each in its guard. False when the
    // program must end without showing the window (setup incomplete).
    bool start();

    // Returns false when the program folder is incomplete (box shown).
    bool Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void Form_Unload();

    void mnuExit_Click();
    void mnuAbout_Click();

    // The splash is skipped in tests and scripted runs.
    void setSplashEnabled(bool enabled) { m_splashEnabled = enabled; }
    // What Form_Unload does last; by default it leaves the event loop.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    Settings &settings() { return m_settings; }
    SettingsController &settingsController() { return *m_settingsController; }
    Prompter &prompter() { return *m_prompter; }
    frmAbout *aboutWindow() const { return m_about; }
    int activationCount() const { return m_activations; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createMenu();
    void createControls();
    void showVersion();

    std::unique_ptr<MessageBoxPrompter> m_ownPrompter;
    Prompter *m_prompter;
    Settings m_settings;
    std::unique_ptr<SettingsController> m_settingsController;

    QAction *m_mnuExit = nullptr;
    QAction *m_mnuAbout = nullptr;
    QLabel *m_labVersion = nullptr;
    QPointer<frmAbout> m_about;

    bool m_splashEnabled = true;
    bool m_unloaded = false;
    int m_activations = 0;
    std::function<void()> m_endProgram;
};

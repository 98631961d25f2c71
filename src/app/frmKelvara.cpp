#include "app/frmKelvara.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/Guard.h"
#include "app/MessageBoxPrompter.h"
#include "app/ProgramInfo.h"
#include "app/StartupCheck.h"
#include "settings/FormLocalizer.h"
#include "settings/SettingsController.h"
#include "settings/TextIds.h"
#include "winhelpers/frmAbout.h"
#include "winhelpers/frmSplash.h"

frmKelvara::frmKelvara(Prompter *prompter, QWidget *parent)
    : QMainWindow(parent)
    , m_endProgram([] { QCoreApplication::exit(0); })
{
    if (!prompter) {
        // No parent yet: the start-up boxes come before the window is shown.
        m_ownPrompter = std::make_unique<MessageBoxPrompter>(nullptr);
        prompter = m_ownPrompter.get();
    }
    m_prompter = prompter;

    SettingsController::Hooks hooks;
    // Reading the language setting relabels every window.
    hooks.languageChanged = [](int language) { FormLocalizer::SetLanguage(language); };
    m_settingsController = std::make_unique<SettingsController>(m_settings, *m_prompter, hooks);

    setObjectName(QStringLiteral("frmKelvara"));
    setWindowTitle(ProgramInfo::productName());
    createMenu();
    createControls();
    connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged, this, &frmKelvara::showVersion);
}

frmKelvara::~frmKelvara() = default;

void frmKelvara::createMenu()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setProperty(FormLocalizer::TextIdProperty, TextId::MenuFile);
    m_mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));
    m_mnuExit->setProperty(FormLocalizer::TextIdProperty, TextId::MenuExit);
    connect(m_mnuExit, &QAction::triggered, this, &frmKelvara::mnuExit_Click);

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->setProperty(FormLocalizer::TextIdProperty, TextId::MenuHelp);
    m_mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
    m_mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    m_mnuAbout->setProperty(FormLocalizer::TextIdProperty, TextId::MenuAbout);
    connect(m_mnuAbout, &QAction::triggered, this, &frmKelvara::mnuAbout_Click);
}

void frmKelvara::createControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *layout = new QVBoxLayout(central);
    layout->addStretch();

    m_labVersion = new QLabel(QStringLiteral("Version:"), central);
    m_labVersion->setObjectName(QStringLiteral("labVersion"));
    layout->addWidget(m_labVersion, 0, Qt::AlignRight | Qt::AlignBottom);
    setCentralWidget(central);
}

bool frmKelvara::start()
{
    bool complete = false;
    if (!Guard::run(QStringLiteral("Sub Form_Initialize"), [&] { complete = Form_Initialize(); }))
        return false;
    if (!complete)
        return false;
    return Guard::run(QStringLiteral("Sub Form_Load"), [&] { Form_Load(); });
}

bool frmKelvara::Form_Initialize()
{
    if (m_splashEnabled) {
        frmSplash splash;
        splash.exec();
    }

    StartupCheck::prepareProgramFolder();
    showVersion();

    // A missing encoder tool ends the program before any window shows.
    if (!StartupCheck::checkTools(*m_prompter))
        return false;

    // Also applies the stored interface language.
    return Guard::run(QStringLiteral("Sub readSettings"), [&] { m_settingsController->readSettings(); });
}

void frmKelvara::Form_Load()
{
    if (m_ownPrompter)
        m_ownPrompter->setParentWidget(this);
    Guard::run(QStringLiteral("Sub setSizes"), [&] { m_settingsController->setSizes(); });
    FormLocalizer::LocalizeForm(this);
}

void frmKelvara::showVersion()
{
    m_labVersion->setText(ProgramInfo::versionCaption());
}

void frmKelvara::Form_Activate()
{
    // The preview controls (full-size preview check box, render progress
    // bar, order frame) are brought up to date here once they exist.
    ++m_activations;
}

void frmKelvara::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Guard::run(QStringLiteral("Sub saveSettings"), [&] { m_settingsController->saveSettings(); });
    if (m_about)
        m_about->close();
    if (m_endProgram)
        m_endProgram();
}

void frmKelvara::mnuExit_Click()
{
    close();
}

void frmKelvara::mnuAbout_Click()
{
    Guard::run(QStringLiteral("Sub mnuAbout_Click"), [&] {
        if (!m_about) {
            m_about = new frmAbout(this);
            m_about->setAttribute(Qt::WA_DeleteOnClose);
        }
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    });
}

void frmKelvara::closeEvent(QCloseEvent *event)
{
    Guard::run(QStringLiteral("Sub Form_Unload"), [&] { Form_Unload(); });
    event->accept();
}

void frmKelvara::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Guard::run(QStringLiteral("Sub Form_Activate"), [&] { Form_Activate(); });
}

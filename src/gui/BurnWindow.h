#pragma once

#include <QDialog>

#include <memory>

#include "burn/BurnJob.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class MessageBoxPrompter;
class ProjectTree;
class Prompter;
struct Settings;

// The burn window: lists the CD writers, lets the person pick a writing
// mode, blanking and simulation, and writes the image with a status line and
// a progress bar. Modal over the main window; refuses to close while a burn
// runs.
class BurnWindow : public QDialog
{
    Q_OBJECT

public:
    // prompter answers the window's messages; without one, message boxes.
    explicit BurnWindow(QWidget *parent = nullptr, Prompter *prompter = nullptr);
    ~BurnWindow() override;

    enum class ImageOffer {
        Current, // the image matches the album and settings as they are now
        BuildFirst, // it did not, and the person chose to build (then burn)
        Declined, // it did not, and the person chose not to build
    };

    // Whether the image in settings.destinationDir may be burnt: Current,
    // without a word, when its stamp matches settings and tree. Otherwise
    // says that the image is older than the album (or that there is none)
    // and asks through prompter whether to build it first.
    static ImageOffer checkImage(const Settings &settings, const ProjectTree &tree, Prompter &prompter);

    // Shows the window modally over parent for the cue sheet cuePath (the
    // build's "burn it now?" answer). Returns when the window has closed.
    static void openFor(QWidget *parent, const QString &cuePath, Prompter *prompter = nullptr);

    // txtImage: the cue sheet to write.
    void setImage(const QString &cuePath);
    QString image() const;

    // The writer search; runs by itself the first time the window is shown.
    // Closes the window when cdrdao is missing.
    void onActivated();
    void onBurnClicked();
    void onCancelClicked();

    bool busy() const { return m_job->busy(); }
    BurnJob &job() { return *m_job; }
    BurnMode mode() const;
    void setMode(BurnMode mode);

    QComboBox *cmbBurner() const { return m_cmbBurner; }
    QLineEdit *txtStatus() const { return m_txtStatus; }
    QProgressBar *progressBar() const { return m_progress; }
    QPushButton *pbBurn() const { return m_pbBurn; }
    QPushButton *pbCancel() const { return m_pbCancel; }
    QCheckBox *chkBlanc() const { return m_chkBlanc; }
    QCheckBox *chkSimulate() const { return m_chkSimulate; }

    // The text of cmbBurner: the chosen writer, or what the list says
    // while it has none.
    QString burnerText() const;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void placeProgressBar();
    void onJobBusyChanged(bool busy);
    void setBurnerPlaceholder(const QString &text);

    std::unique_ptr<MessageBoxPrompter> m_ownPrompter;
    Prompter *m_prompter;
    std::unique_ptr<BurnJob> m_job;

    QComboBox *m_cmbBurner = nullptr;
    QGroupBox *m_fraMode = nullptr;
    QRadioButton *m_optCdRecord = nullptr;
    QRadioButton *m_optNormal = nullptr;
    QRadioButton *m_optgeneric = nullptr;
    QRadioButton *m_optgenericraw = nullptr;
    QCheckBox *m_chkBlanc = nullptr;
    QCheckBox *m_chkSimulate = nullptr;
    QLineEdit *m_txtImage = nullptr;
    QLineEdit *m_txtStatus = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_pbBurn = nullptr;
    QPushButton *m_pbCancel = nullptr;
    bool m_activated = false;
};

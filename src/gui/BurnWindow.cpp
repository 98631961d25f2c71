#include "gui/BurnWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

#include "authoring/ImageStamp.h"
#include "base/Guard.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"
#include "gui/MessageBoxPrompter.h"
#include "settings/Settings.h"

namespace {

template <typename W> W *tagged(W *widget, int textId, int tipId = 0)
{
    widget->setProperty(FormLocalizer::TextIdProperty, textId);
    if (tipId)
        widget->setProperty(FormLocalizer::TipIdProperty, tipId);
    return widget;
}

// Hourglass over the window for the lifetime of the object. Set on the window
// rather than application-wide, so the message boxes of a burn keep their
// ordinary pointer.
class WaitCursor
{
public:
    explicit WaitCursor(QWidget *window)
        : m_window(window)
    {
        m_window->setCursor(Qt::WaitCursor);
    }
    ~WaitCursor() { m_window->unsetCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    QWidget *m_window;
};

constexpr int ProgressHeight = 10;
// 10 twips below txtStatus, at 15 twips a pixel.
constexpr int ProgressGap = 1;

} // namespace

BurnWindow::BurnWindow(QWidget *parent, Prompter *prompter)
    : QDialog(parent)
{
    if (!prompter) {
        m_ownPrompter = std::make_unique<MessageBoxPrompter>(this);
        prompter = m_ownPrompter.get();
    }
    m_prompter = prompter;
    m_job = std::make_unique<BurnJob>(*m_prompter);

    setObjectName(QStringLiteral("BurnWindow"));
    setModal(true);
    setWindowTitle(QStringLiteral("Burn (S)VCD"));
    setProperty(FormLocalizer::TextIdProperty, TextId::BurnWindow);
    createControls();

    connect(m_job.get(), &BurnJob::statusChanged, m_txtStatus, &QLineEdit::setText);
    connect(m_job.get(), &BurnJob::progressChanged, m_progress, &QProgressBar::setValue);
    connect(m_job.get(), &BurnJob::busyChanged, this, &BurnWindow::onJobBusyChanged);
    connect(m_pbBurn, &QPushButton::clicked, this, &BurnWindow::onBurnClicked);
    connect(m_pbCancel, &QPushButton::clicked, this, &BurnWindow::onCancelClicked);

    // Form_Load
    FormLocalizer::localizeWindow(this);
}

BurnWindow::~BurnWindow() = default;

void BurnWindow::createControls()
{
    auto *layout = new QGridLayout(this);

    layout->addWidget(tagged(new QLabel(QStringLiteral("CD writer"), this), TextId::CdWriter), 0, 0);
    m_cmbBurner = new QComboBox(this);
    m_cmbBurner->setObjectName(QStringLiteral("cmbBurner"));
    m_cmbBurner->setMinimumWidth(360);
    layout->addWidget(m_cmbBurner, 0, 1);

    layout->addWidget(tagged(new QLabel(QStringLiteral("Image"), this), TextId::ImageFile), 1, 0);
    m_txtImage = new QLineEdit(this);
    m_txtImage->setObjectName(QStringLiteral("txtImage"));
    m_txtImage->setReadOnly(true);
    layout->addWidget(m_txtImage, 1, 1);

    m_fraMode = tagged(new QGroupBox(QStringLiteral("Writing mode"), this), TextId::WritingMode);
    auto *modes = new QVBoxLayout(m_fraMode);
    m_optCdRecord = tagged(new QRadioButton(QStringLiteral("Normal mode"), m_fraMode), TextId::NormalMode);
    m_optNormal = tagged(new QRadioButton(QStringLiteral("DAO mode"), m_fraMode), TextId::DaoMode);
    m_optgeneric = tagged(new QRadioButton(QStringLiteral("DAO Generic"), m_fraMode), TextId::DaoGeneric,
        TextId::TipDaoGeneric);
    m_optgenericraw = tagged(new QRadioButton(QStringLiteral("DAO Generic raw"), m_fraMode),
        TextId::DaoGenericRaw, TextId::TipDaoGenericRaw);
    m_optgeneric->setToolTip(QStringLiteral("Use when normal mode fails"));
    m_optgenericraw->setToolTip(QStringLiteral("use when normal and generic mode fails"));
    m_optCdRecord->setObjectName(QStringLiteral("optCdRecord"));
    m_optNormal->setObjectName(QStringLiteral("optNormal"));
    m_optgeneric->setObjectName(QStringLiteral("optgeneric"));
    m_optgenericraw->setObjectName(QStringLiteral("optgenericraw"));
    for (QRadioButton *option : { m_optCdRecord, m_optNormal, m_optgeneric, m_optgenericraw })
        modes->addWidget(option);
    // cdrecord (wodim) is the writer this platform supports best.
    m_optCdRecord->setChecked(true);
    layout->addWidget(m_fraMode, 2, 0, 1, 2);

    m_chkBlanc = tagged(
        new QCheckBox(QStringLiteral("Blank CD-RW before burning"), this), TextId::BlankBeforeBurning);
    m_chkBlanc->setObjectName(QStringLiteral("chkBlanc"));
    m_chkSimulate = tagged(new QCheckBox(QStringLiteral("Simulate"), this), TextId::Simulate);
    m_chkSimulate->setObjectName(QStringLiteral("chkSimulate"));
    layout->addWidget(m_chkBlanc, 3, 0, 1, 2);
    layout->addWidget(m_chkSimulate, 4, 0, 1, 2);

    layout->addWidget(tagged(new QLabel(QStringLiteral("Status"), this), TextId::Status), 5, 0);
    m_txtStatus = new QLineEdit(this);
    m_txtStatus->setObjectName(QStringLiteral("txtStatus"));
    m_txtStatus->setReadOnly(true);
    layout->addWidget(m_txtStatus, 5, 1);
    // The progress bar is placed by hand right under txtStatus (see
    // placeProgressBar); this row keeps room for it.
    layout->setRowMinimumHeight(6, ProgressHeight + 2 * ProgressGap);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    m_pbBurn = tagged(new QPushButton(QStringLiteral("Start"), this), TextId::StartBurn);
    m_pbBurn->setObjectName(QStringLiteral("pbBurn"));
    m_pbCancel = tagged(new QPushButton(QStringLiteral("Cancel"), this), TextId::CancelBurn);
    m_pbCancel->setObjectName(QStringLiteral("pbCancel"));
    m_pbBurn->setAutoDefault(false);
    m_pbCancel->setAutoDefault(false);
    buttons->addWidget(m_pbBurn);
    buttons->addWidget(m_pbCancel);
    layout->addLayout(buttons, 7, 0, 1, 2);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
}

void BurnWindow::placeProgressBar()
{
    const QRect status = m_txtStatus->geometry();
    m_progress->setGeometry(status.left(), status.bottom() + 1 + ProgressGap, status.width(), ProgressHeight);
}

BurnWindow::ImageOffer BurnWindow::checkImage(
    const Settings &settings, const ProjectTree &tree, Prompter &prompter)
{
    const ImageStamp::State state = ImageStamp::stateOf(settings, tree);
    if (state == ImageStamp::State::Current)
        return ImageOffer::Current;
    const int text
        = state == ImageStamp::State::Stale ? TextId::MsgImageOutdated : TextId::MsgNoImageBuildFirst;
    const bool build = prompter.askYesNo(
        localText(TextId::TitleBurnImage), localText(text), Prompter::Icon::Question, true);
    return build ? ImageOffer::BuildFirst : ImageOffer::Declined;
}

void BurnWindow::openFor(QWidget *parent, const QString &cuePath, Prompter *prompter)
{
    BurnWindow window(parent, prompter);
    window.setImage(cuePath);
    window.exec();
}

void BurnWindow::setImage(const QString &cuePath)
{
    m_txtImage->setText(cuePath);
}

QString BurnWindow::image() const
{
    return m_txtImage->text();
}

BurnMode BurnWindow::mode() const
{
    if (m_optNormal->isChecked())
        return BurnMode::Normal;
    if (m_optgeneric->isChecked())
        return BurnMode::Generic;
    if (m_optgenericraw->isChecked())
        return BurnMode::GenericRaw;
    return BurnMode::CdRecord;
}

void BurnWindow::setMode(BurnMode mode)
{
    switch (mode) {
    case BurnMode::CdRecord:
        m_optCdRecord->setChecked(true);
        break;
    case BurnMode::Normal:
        m_optNormal->setChecked(true);
        break;
    case BurnMode::Generic:
        m_optgeneric->setChecked(true);
        break;
    case BurnMode::GenericRaw:
        m_optgenericraw->setChecked(true);
        break;
    }
}

QString BurnWindow::burnerText() const
{
    return m_cmbBurner->currentIndex() < 0 ? m_cmbBurner->placeholderText() : m_cmbBurner->currentText();
}

void BurnWindow::setBurnerPlaceholder(const QString &text)
{
    m_cmbBurner->setPlaceholderText(text);
    m_cmbBurner->setCurrentIndex(-1);
}

void BurnWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    placeProgressBar();
    // The search runs once, after the window is on screen. (Running it on
    // every activation would start it again after each of its own message
    // boxes.)
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, [this] { onActivated(); });
    }
}

void BurnWindow::onActivated()
{
    Guard::run(QStringLiteral("Sub Form_Activate"), [this] {
        m_activated = true;
        m_progress->setValue(0);
        placeProgressBar();

        std::optional<WaitCursor> wait(std::in_place, this);
        m_pbBurn->setEnabled(false);
        m_cmbBurner->setEnabled(false);
        m_cmbBurner->clear();
        setBurnerPlaceholder(localText(TextId::SearchingDevices));
        QCoreApplication::processEvents();

        const BurnJob::Discovery found = m_job->discover();
        wait.reset();
        if (found.toolMissing) {
            // Closed once the search has returned, as the window cannot
            // burn anything without cdrdao.
            QTimer::singleShot(0, this, &QDialog::reject);
            return;
        }
        m_cmbBurner->addItems(found.writers);
        if (m_cmbBurner->count() == 0) {
            setBurnerPlaceholder(localText(TextId::NoDevicesFound));
            return;
        }
        m_cmbBurner->setCurrentIndex(0);
        m_pbBurn->setEnabled(true);
        m_cmbBurner->setEnabled(true);
    });
}

void BurnWindow::onBurnClicked()
{
    if (m_job->busy())
        return;
    Guard::run(QStringLiteral("Sub pbBurn_Click"), [this] {
        BurnRequest request;
        request.mode = mode();
        request.blank = m_chkBlanc->isChecked();
        request.simulate = m_chkSimulate->isChecked();
        request.writer = m_cmbBurner->currentIndex() < 0 ? QString() : m_cmbBurner->currentText();
        request.cuePath = m_txtImage->text();

        BurnJob::Outcome outcome;
        {
            WaitCursor wait(this);
            outcome = m_job->burn(request);
        }
        if (outcome == BurnJob::Outcome::AspiMissing)
            QTimer::singleShot(0, this, &QDialog::reject);
    });
}

void BurnWindow::onCancelClicked()
{
    reject();
}

void BurnWindow::reject()
{
    if (m_job->busy())
        return;
    QDialog::reject();
}

void BurnWindow::closeEvent(QCloseEvent *event)
{
    // Form_QueryUnload: a running burn cannot be walked away from.
    if (m_job->busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void BurnWindow::onJobBusyChanged(bool busy)
{
    m_pbBurn->setEnabled(!busy);
    m_pbCancel->setEnabled(!busy);
}

#include "gui/AboutDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ProgramInfo.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"
#include "gui/SplashScreen.h"

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , m_title(new QLabel(ProgramInfo::productName(), this))
    , m_version(new QLabel(this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About ") + ProgramInfo::productName());
    setProperty(FormLocalizer::TextIdProperty, TextId::AboutWindow);
    setModal(false);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picAbout"));
    picture->setPixmap(SplashScreen::paintPicture(QSize(364, 210), devicePixelRatioF()));

    m_title->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    showVersion();
    connect(&FormLocalizer::instance(), &FormLocalizer::languageChanged, this, &AboutDialog::showVersion);
    auto *description = new QLabel(
        QStringLiteral("Turns a folder of photos and short movies into a Video CD or Super Video CD "
                       "slideshow driven by the player's remote control."),
        this);
    description->setWordWrap(true);
    auto *support = new QLabel(QStringLiteral("Support: ") + ProgramInfo::supportAddress(), this);
    support->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_ok->setProperty(FormLocalizer::TextIdProperty, TextId::Ok);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(m_title);
    layout->addWidget(m_version);
    layout->addWidget(description);
    layout->addWidget(support);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FormLocalizer::localizeWindow(this);
}

void AboutDialog::showVersion()
{
    m_version->setText(ProgramInfo::versionWord() + u' ' + ProgramInfo::version());
}

QString AboutDialog::versionText() const
{
    return m_version->text();
}

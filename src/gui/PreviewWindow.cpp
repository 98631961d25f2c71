#include "gui/PreviewWindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Guard.h"
#include "base/ProgramFolder.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"

PreviewWindow::PreviewWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("Full size preview"));
    setProperty(FormLocalizer::TextIdProperty, TextId::PreviewWindow);
    // A window shown over the work closes with Escape, as dialogs do.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_picsave = new QLabel(this);
    m_picsave->setObjectName(QStringLiteral("picsave"));
    m_picsave->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picsave->setStyleSheet(QStringLiteral("background: black;"));
    layout->addWidget(m_picsave);

    // Kept for the build's caption states and the optional marker picture;
    // neither is shown here.
    m_mypic = new QLabel(this);
    m_mypic->setObjectName(QStringLiteral("mypic"));
    m_mypic->hide();
    m_picTextPresent = new QLabel(this);
    m_picTextPresent->setObjectName(QStringLiteral("picTextPresent"));
    m_picTextPresent->hide();

    auto *keys = new QHBoxLayout;
    keys->setSpacing(6);
    layout->addLayout(keys);
    keys->addWidget(addKey(QStringLiteral("pbPrev"), QStringLiteral("<<"), 0));
    keys->addWidget(addKey(QStringLiteral("pbNext"), QStringLiteral(">>"), 0));
    keys->addWidget(addKey(QStringLiteral("pbEnter"), QStringLiteral("Enter"), TextId::EnterKey));
    keys->addWidget(addKey(QStringLiteral("pbReturn"), QStringLiteral("Return"), TextId::ReturnKey));
    keys->addStretch();
    QPushButton *close = addKey(QStringLiteral("pbClose"), QStringLiteral("Close"), TextId::Close);
    keys->addWidget(close);

    auto call = [](const QString &procedure, const std::function<void()> &handler) {
        if (handler)
            Guard::run(procedure, handler);
    };
    connect(findChild<QPushButton *>(QStringLiteral("pbPrev")), &QPushButton::clicked, this,
        [this, call] { call(QStringLiteral("Sub pbPrev_Click"), m_keys.pbPrev_Click); });
    connect(findChild<QPushButton *>(QStringLiteral("pbNext")), &QPushButton::clicked, this,
        [this, call] { call(QStringLiteral("Sub pbNext_Click"), m_keys.pbNext_Click); });
    connect(findChild<QPushButton *>(QStringLiteral("pbEnter")), &QPushButton::clicked, this,
        [this, call] { call(QStringLiteral("Sub pbEnter_Click"), m_keys.pbEnter_Click); });
    connect(findChild<QPushButton *>(QStringLiteral("pbReturn")), &QPushButton::clicked, this,
        [this, call] { call(QStringLiteral("Sub pbReturn_Click"), m_keys.pbReturn_Click); });
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    setFrameSize(QSize(704, 576));
    load();
}

QPushButton *PreviewWindow::addKey(const QString &name, const QString &caption, int textId)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumWidth(72);
    if (textId)
        button->setProperty(FormLocalizer::TextIdProperty, textId);
    return button;
}

void PreviewWindow::load()
{
    FormLocalizer::localizeWindow(this);
    const QString marker = ProgramFolder::dataFolder() + QStringLiteral("/textpresent.bmp");
    QPixmap picture;
    m_textPresentLoaded = QFileInfo::exists(marker) && picture.load(marker);
    if (m_textPresentLoaded)
        m_picTextPresent->setPixmap(picture);
}

void PreviewWindow::setFrameSize(QSize size)
{
    if (m_picsave->pixmap().isNull() || m_picsave->pixmap().size() != size)
        m_picsave->setFixedSize(size);
}

QSize PreviewWindow::picsaveSize() const
{
    return m_picsave->size();
}

void PreviewWindow::showPage(const QImage &page)
{
    if (page.isNull())
        return;
    m_picsave->setFixedSize(page.size());
    m_picsave->setPixmap(QPixmap::fromImage(page));
}

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    // The window lives as long as the program; the user's close only hides it.
    event->ignore();
    hide();
}

void PreviewWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    emit visibilityChanged(true);
}

void PreviewWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    emit visibilityChanged(false);
}

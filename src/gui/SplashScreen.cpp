#include "gui/SplashScreen.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QConicalGradient>
#include <QVBoxLayout>

#include "base/ProgramInfo.h"

namespace {
constexpr QSize kPictureSize(520, 300);

void drawDisc(QPainter &p, const QPointF &centre, qreal radius)
{
    // Silver body with a faint rainbow sheen, as a pressed disc catches light.
    QRadialGradient body(centre, radius);
    body.setColorAt(0.0, QColor(236, 240, 246));
    body.setColorAt(1.0, QColor(170, 180, 196));
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.5));
    p.setBrush(body);
    p.drawEllipse(centre, radius, radius);

    QConicalGradient sheen(centre, 35);
    const QColor hues[] = { QColor(255, 120, 120, 70), QColor(255, 230, 120, 70), QColor(120, 255, 170, 70),
        QColor(120, 190, 255, 70), QColor(210, 130, 255, 70), QColor(255, 120, 120, 70) };
    for (int i = 0; i < 6; ++i)
        sheen.setColorAt(i / 5.0, hues[i]);
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawEllipse(centre, radius * 0.97, radius * 0.97);

    // Data area rim, clamping ring and the hole.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    p.drawEllipse(centre, radius * 0.93, radius * 0.93);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 212, 224));
    p.drawEllipse(centre, radius * 0.30, radius * 0.30);
    p.setBrush(QColor(28, 36, 72));
    p.drawEllipse(centre, radius * 0.12, radius * 0.12);
}

void drawPhoto(QPainter &p, const QRectF &frame, qreal angle, const QColor &sky, const QColor &land)
{
    p.save();
    p.translate(frame.center());
    p.rotate(angle);
    const QRectF r(-frame.width() / 2, -frame.height() / 2, frame.width(), frame.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(r.translated(3, 4), 3, 3);
    p.setBrush(QColor(250, 250, 247));
    p.drawRoundedRect(r, 3, 3);

    const QRectF image = r.adjusted(6, 6, -6, -18);
    QLinearGradient skyFill(image.topLeft(), image.bottomLeft());
    skyFill.setColorAt(0, sky.lighter(125));
    skyFill.setColorAt(1, sky);
    p.setBrush(skyFill);
    p.drawRect(image);
    QPainterPath hills;
    hills.moveTo(image.left(), image.bottom());
    hills.lineTo(image.left(), image.top() + image.height() * 0.65);
    hills.quadTo(image.left() + image.width() * 0.3, image.top() + image.height() * 0.35,
        image.left() + image.width() * 0.55, image.top() + image.height() * 0.6);
    hills.quadTo(image.left() + image.width() * 0.8, image.top() + image.height() * 0.8, image.right(),
        image.top() + image.height() * 0.5);
    hills.lineTo(image.right(), image.bottom());
    hills.closeSubpath();
    p.setBrush(land);
    p.drawPath(hills);
    p.setBrush(QColor(255, 236, 170));
    p.drawEllipse(QPointF(image.right() - image.width() * 0.22, image.top() + image.height() * 0.28),
        image.height() * 0.11, image.height() * 0.11);
    p.restore();
}
} // namespace

SplashScreen::SplashScreen(QWidget *parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_picture(new QLabel(this))
{
    setObjectName(QStringLiteral("SplashScreen"));
    setModal(true);
    m_picture->setObjectName(QStringLiteral("picSplash"));
    m_picture->setPixmap(paintPicture(kPictureSize, devicePixelRatioF()));
    m_picture->installEventFilter(this);
    m_picture->setCursor(Qt::PointingHandCursor);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture);
    setFixedSize(kPictureSize);

    m_timer.setInterval(TickIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SplashScreen::onTimerTimeout);
}

void SplashScreen::onTimerTimeout()
{
    if (++m_ticks >= TickLimit)
        finish();
}

void SplashScreen::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_timer.start();
}

void SplashScreen::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    finish();
}

bool SplashScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_picture && event->type() == QEvent::MouseButtonPress) {
        finish();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SplashScreen::finish()
{
    m_timer.stop();
    accept();
}

QPixmap SplashScreen::paintPicture(const QSize &size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    const qreal w = size.width();
    const qreal h = size.height();

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Evening sky: deep blue into violet, a soft glow behind the disc.
    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0.0, QColor(18, 28, 64));
    sky.setColorAt(0.6, QColor(44, 38, 98));
    sky.setColorAt(1.0, QColor(92, 46, 110));
    p.fillRect(QRectF(0, 0, w, h), sky);
    QRadialGradient glow(QPointF(w * 0.76, h * 0.45), h * 0.6);
    glow.setColorAt(0, QColor(255, 200, 140, 70));
    glow.setColorAt(1, QColor(255, 200, 140, 0));
    p.fillRect(QRectF(0, 0, w, h), glow);

    drawDisc(p, QPointF(w * 0.76, h * 0.45), h * 0.33);
    drawPhoto(
        p, QRectF(w * 0.53, h * 0.55, h * 0.34, h * 0.30), -9, QColor(96, 160, 220), QColor(70, 130, 80));
    drawPhoto(
        p, QRectF(w * 0.78, h * 0.62, h * 0.34, h * 0.30), 7, QColor(240, 150, 90), QColor(60, 70, 120));

    QFont nameFont(QStringLiteral("DejaVu Sans"));
    nameFont.setPixelSize(qRound(h * 0.17));
    nameFont.setBold(true);
    nameFont.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(nameFont);
    p.setPen(QColor(0, 0, 0, 90));
    const QRectF nameBox(w * 0.07, h * 0.18, w * 0.55, h * 0.26);
    p.drawText(nameBox.translated(2, 3), Qt::AlignLeft | Qt::AlignVCenter, ProgramInfo::productName());
    p.setPen(QColor(250, 248, 240));
    p.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, ProgramInfo::productName());

    QFont tagFont(QStringLiteral("DejaVu Sans"));
    tagFont.setPixelSize(qRound(h * 0.052));
    p.setFont(tagFont);
    p.setPen(QColor(214, 218, 240));
    p.drawText(QRectF(w * 0.075, h * 0.44, w * 0.5, h * 0.2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
        QStringLiteral("Your photos as a slideshow on Video CD and Super Video CD"));

    // A thin accent rule between the name and the version.
    p.setPen(QPen(QColor(255, 200, 140, 180), 2));
    p.drawLine(QPointF(w * 0.075, h * 0.72), QPointF(w * 0.26, h * 0.72));

    QFont versionFont(QStringLiteral("DejaVu Sans"));
    versionFont.setPixelSize(qRound(h * 0.045));
    p.setFont(versionFont);
    p.setPen(QColor(190, 196, 226));
    p.drawText(QRectF(w * 0.075, h * 0.76, w * 0.45, h * 0.1), Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("Version ") + ProgramInfo::version());
    p.end();
    return pixmap;
}

#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>

class QLabel;

// The start-up window. Shown modally; it closes itself after TickLimit ticks
// of its timer, on any key press, or when its picture is clicked.
class SplashScreen : public QDialog
{
    Q_OBJECT

public:
    static constexpr int TickLimit = 100;
    static constexpr int TickIntervalMs = 30;

    explicit SplashScreen(QWidget *parent = nullptr);

    int ticks() const { return m_ticks; }

    // One tick of the timer; the TickLimit-th closes the window.
    void onTimerTimeout();

    // The picture: product name, version and a disc, at the given size.
    static QPixmap paintPicture(const QSize &size, qreal devicePixelRatio = 1.0);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    QLabel *m_picture;
    QTimer m_timer;
    int m_ticks = 0;
};

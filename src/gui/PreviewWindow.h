#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

// "Full size preview": the page at frame size (picsave) with the remote keys
// under it. The keys only call the main window's handlers. Closing hides it.
class PreviewWindow : public QWidget
{
    Q_OBJECT

public:
    struct Keys
    {
        std::function<void()> pbPrev_Click;
        std::function<void()> pbNext_Click;
        std::function<void()> pbEnter_Click;
        std::function<void()> pbReturn_Click;
    };

    explicit PreviewWindow(QWidget *parent = nullptr);

    void setKeys(Keys keys) { m_keys = std::move(keys); }

    // Shows the page at its own size; the window follows picsave's size.
    void showPage(const QImage &page);
    // picsave's size before any page arrived (the frame size).
    void setFrameSize(QSize size);
    QSize picsaveSize() const;
    const QLabel *picsave() const { return m_picsave; }
    // True when "textpresent.bmp" was found beside the program.
    bool textPresentLoaded() const { return m_textPresentLoaded; }

    void load();

signals:
    void visibilityChanged(bool visible);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPushButton *addKey(const QString &name, const QString &caption, int textId);

    QLabel *m_picsave = nullptr;
    QLabel *m_mypic = nullptr;
    QLabel *m_picTextPresent = nullptr;
    Keys m_keys;
    bool m_textPresentLoaded = false;
};

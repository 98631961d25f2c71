#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about window: the product name, "Version " with major.minor.revision,
// and OK. Shown modeless from the main window's Help menu.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

    QString versionText() const;

private:
    void showVersion();

    QLabel *m_title;
    QLabel *m_version;
    QPushButton *m_ok;
};

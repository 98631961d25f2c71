#pragma once

#include <QWidget>

class BuildOutput;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "VCD Build Output": what the image build prints, as BuildOutput keeps it.
// Shown (not modal) when a build starts; "Close window" only hides it.
class OutputWindow : public QWidget
{
    Q_OBJECT

public:
    explicit OutputWindow(BuildOutput &output, QWidget *parent = nullptr);

    QString displayText() const;
    void load();
    // The title names the disc being built.
    void setDiscType(bool vcd);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onOutputInitialised();
    void onDisplayChanged(const QString &text);
    void onDebugToggled(bool checked);

    BuildOutput &m_output;
    QPlainTextEdit *m_txtDisplay = nullptr;
    QLineEdit *m_txtOutput = nullptr;
    QCheckBox *m_chkDebug = nullptr;
    QPushButton *m_cmdClose = nullptr;
};

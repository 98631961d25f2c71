#include "gui/OutputWindow.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

#include "authoring/BuildOutput.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "gui/FormLocalizer.h"

OutputWindow::OutputWindow(BuildOutput &output, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_output(output)
{
    setObjectName(QStringLiteral("OutputWindow"));
    setWindowTitle(QStringLiteral("VCD Build Output"));
    setProperty(FormLocalizer::TextIdProperty, TextId::OutputWindow);
    resize(640, 380);

    auto *layout = new QVBoxLayout(this);
    auto *frame = new QGroupBox(QStringLiteral("Output of VCD Build"), this);
    frame->setObjectName(QStringLiteral("frameOutput"));
    frame->setProperty(FormLocalizer::TextIdProperty, TextId::OutputOfVcdBuild);
    layout->addWidget(frame, 1);

    auto *frameLayout = new QVBoxLayout(frame);
    m_txtDisplay = new QPlainTextEdit(frame);
    m_txtDisplay->setObjectName(QStringLiteral("txtDisplay"));
    m_txtDisplay->setReadOnly(true);
    m_txtDisplay->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtDisplay->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    frameLayout->addWidget(m_txtDisplay);

    // Cleared with the window; the build writes nothing into it.
    m_txtOutput = new QLineEdit(frame);
    m_txtOutput->setObjectName(QStringLiteral("txtOutput"));
    m_txtOutput->setReadOnly(true);
    m_txtOutput->hide();

    auto *row = new QHBoxLayout;
    layout->addLayout(row);
    m_chkDebug = new QCheckBox(QStringLiteral("Debug logging"), this);
    m_chkDebug->setObjectName(QStringLiteral("chkDebug"));
    m_chkDebug->setProperty(FormLocalizer::TextIdProperty, TextId::DebugLogging);
    m_chkDebug->setChecked(m_output.debug());
    row->addWidget(m_chkDebug);
    row->addStretch();
    m_cmdClose = new QPushButton(QStringLiteral("Close window"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdClose->setProperty(FormLocalizer::TextIdProperty, TextId::CloseWindow);
    row->addWidget(m_cmdClose);

    connect(m_chkDebug, &QCheckBox::toggled, this, &OutputWindow::onDebugToggled);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(&m_output, &BuildOutput::initialised, this, &OutputWindow::onOutputInitialised);
    connect(&m_output, &BuildOutput::displayChanged, this, &OutputWindow::onDisplayChanged);

    load();
}

void OutputWindow::setDiscType(bool vcd)
{
    // Every language names the disc "VCD" in this title.
    QString title = localText(TextId::OutputWindow);
    if (!vcd)
        title.replace(QRegularExpression(QStringLiteral("\\bVCD\\b")), QStringLiteral("SVCD"));
    setWindowTitle(title);
}

void OutputWindow::load()
{
    FormLocalizer::localizeWindow(this);
}

QString OutputWindow::displayText() const
{
    return m_txtDisplay->toPlainText();
}

void OutputWindow::onDebugToggled(bool checked)
{
    m_output.setDebug(checked);
}

void OutputWindow::onOutputInitialised()
{
    m_txtDisplay->clear();
    m_txtOutput->clear();
    show();
    raise();
    activateWindow();
    m_cmdClose->setFocus();
}

void OutputWindow::onDisplayChanged(const QString &text)
{
    m_txtDisplay->setPlainText(text);
    // The newest line is the one worth seeing.
    m_txtDisplay->moveCursor(QTextCursor::End);
    m_txtDisplay->verticalScrollBar()->setValue(m_txtDisplay->verticalScrollBar()->maximum());
}

void OutputWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window shown again after a finished build starts empty only when a new
    // build begins (Init); the last output stays readable until then.
    m_txtDisplay->setPlainText(m_output.displayText());
    m_txtDisplay->moveCursor(QTextCursor::End);
}

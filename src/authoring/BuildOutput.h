#pragma once

#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// What the tool output window of the image build shows and logs. Output
// arrives in chunks (chkOutput); a line split between chunks is joined.
// Information lines ("   INFO" first) are shown, every line when debug
// logging is on, and every line goes to "build.log" in the log folder.
// The shown text keeps roughly its last 2000 characters.
class BuildOutput : public QObject
{
    Q_OBJECT
public:
    // The shown text is cut to this many characters before a line is added.
    static constexpr qsizetype DisplayLimit = 2000;

    // Turns one raw output line into the lines shown and logged.
    using LineFilter = std::function<QStringList(const QString &line)>;

    explicit BuildOutput(QObject *parent = nullptr);

    // Opens "build.log" for writing (created or emptied) and starts with an
    // empty text and line collector. A log that cannot be opened throws
    // KelvaraError.
    void open();
    // Closes "build.log".
    void close();

    // Receiver of the tool's output.
    void appendOutput(const QString &text);
    // Writes a line of the program's own (the command that runs, a tool that
    // could not start) to build.log, never to the shown text.
    void logOnly(const QString &line);
    // The tool has ended: text after its last line break is a line too.
    void finish();

    // Debug logging: show every line, not only information lines.
    void setDebug(bool debug) { m_debug = debug; }
    bool debug() const { return m_debug; }

    // Applied to every complete line before it is shown and logged; none by
    // default (the line is taken as it is).
    void setLineFilter(LineFilter filter) { m_filter = std::move(filter); }

    QString displayText() const { return m_display; }
    // Empties the shown text (the window does so when it is activated).
    void clearDisplay();

    // True when an information line since Init said "finished ok".
    bool finishedOk() const { return m_finishedOk; }

signals:
    // Init was called: the window shows itself.
    void initialised();
    // The shown text changed.
    void displayChanged(const QString &text);

private:
    // Shows (when due) and logs one line; true when it was shown.
    bool handleLine(const QString &line);
    void writeToLog(const QString &line);

    QFile m_log;
    QString m_display;
    QString m_collector;
    LineFilter m_filter;
    bool m_debug = false;
    bool m_finishedOk = false;
};

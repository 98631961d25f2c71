#pragma once

#include <QString>

#include "burn/BurnEvent.h"

// Turns the output of cdrdao (chkBurn) or cdrecord (chkBurnCdRecord) into
// status, progress and log events. Output arrives in chunks that may end in
// the middle of a line; the unfinished line is kept until its CR or LF comes.
// Both CR and LF end a line, so a CR LF pair yields an empty line after each
// line, and every line, empty or not, goes to the burn log.
class BurnOutputParser
{
public:
    enum class Tool { Cdrdao, CdRecord };

    explicit BurnOutputParser(Tool tool)
        : m_tool(tool)
    { }

    Tool tool() const { return m_tool; }

    // The events of every line the chunk completes, in order.
    BurnEvents feed(const QString &chunk);

    // Forgets an unfinished line (lineBuffer cleared).
    void clear() { m_lineBuffer.clear(); }
    QString pendingLine() const { return m_lineBuffer; }

    // The events of one complete line (without its line end).
    static BurnEvents parseLine(Tool tool, const QString &line);

    // written of total as a whole percent, rounded half to even; 100 when
    // the total reads 0 (nothing left to write), clamped to 0..100 because
    // an overburn can write more than announced.
    static int percent(double written, double total);

    static QString cdrecordFailedStatus();
    static QString cdrecordDoneStatus();

private:
    static BurnEvents parseCdrdaoLine(const QString &line);
    static BurnEvents parseCdrecordLine(const QString &line);

    Tool m_tool;
    QString m_lineBuffer;
};

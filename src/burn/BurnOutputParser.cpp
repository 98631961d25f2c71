#include "burn/BurnOutputParser.h"

#include "base/Numeric.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

BurnEvents BurnOutputParser::feed(const QString &chunk)
{
    BurnEvents events;
    for (const QChar c : chunk) {
        if (c != u'\r' && c != u'\n') {
            m_lineBuffer.append(c);
            continue;
        }
        events.append(parseLine(m_tool, m_lineBuffer));
        m_lineBuffer.clear();
    }
    return events;
}

QString BurnOutputParser::cdrecordFailedStatus()
{
    return localText(TextId::StatusCannotBurn);
}

QString BurnOutputParser::cdrecordDoneStatus()
{
    return localText(TextId::StatusBurnDone);
}

BurnEvents BurnOutputParser::parseLine(Tool tool, const QString &line)
{
    return tool == Tool::Cdrdao ? parseCdrdaoLine(line) : parseCdrecordLine(line);
}

int BurnOutputParser::percent(double written, double total)
{
    if (total == 0)
        return 100;
    const int value = Numeric::roundHalfEven(written / total * 100.0);
    return qBound(0, value, 100);
}

BurnEvents BurnOutputParser::parseCdrdaoLine(const QString &line)
{
    BurnEvents events;
    if (line.startsWith(QLatin1String("Blanking disk"))) {
        events.append(BurnEvent::status(line));
    } else if (line.startsWith(QLatin1String("Starting write"))) {
        events.append(BurnEvent::status(localText(TextId::WritingDisk)));
    } else if (line.startsWith(QLatin1String("Writing track"))) {
        const qsizetype bracket = line.indexOf(u'(');
        events.append(BurnEvent::status(bracket < 0 ? line : line.left(bracket)));
    } else if (line.startsWith(QLatin1String("Wrote")) && line.contains(QLatin1String("of"))) {
        // "Wrote 325 of 650 MB (Buffers 100%  97%)."
        const double written = Numeric::val(line.mid(6));
        const double total = Numeric::val(line.mid(line.indexOf(QLatin1String("of")) + 2));
        events.append(BurnEvent::progress(percent(written, total)));
    }
    events.append(BurnEvent::logLine(line));
    if (!line.isEmpty())
        events.append(BurnEvent::lastStatus(line));
    return events;
}

BurnEvents BurnOutputParser::parseCdrecordLine(const QString &line)
{
    BurnEvents events;
    if (line.startsWith(QLatin1String("Blanking"))) {
        events.append(BurnEvent::status(line));
    } else if (line.startsWith(QLatin1String("Sending CUE"))) {
        events.append(BurnEvent::status(localText(TextId::WritingDisk)));
    } else if (line.startsWith(QLatin1String("Track")) && line.contains(QLatin1String("of"))) {
        // "Track 01:   12 of  650 MB written (fifo 100%) [buf  99%]   4.0x."
        // The counts stand right-aligned in fields of about five characters
        // after "Track nn:" and after "of"; each is read as a whole number so
        // a field one character wider than expected still reads right.
        const double done = Numeric::val(line.mid(9));
        const double total = Numeric::val(line.mid(line.indexOf(QLatin1String("of")) + 2));
        events.append(BurnEvent::progress(percent(done, total)));
    } else if (line.contains(QLatin1String("fifo was"))) {
        events.append(BurnEvent::lastStatus(cdrecordDoneStatus()));
    } else if (line.contains(QLatin1String("Sorry"))) {
        events.append(BurnEvent::lastStatus(cdrecordFailedStatus()));
    }
    events.append(BurnEvent::logLine(line));
    return events;
}

#include "burn/ScanbusParser.h"

#include <QRegularExpression>

QStringList ScanbusParser::writers(const QString &output)
{
    QStringList writers;
    const QStringList lines = output.split(u'\n');
    // The first line is the tool's banner, never a device.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString line = lines.at(i);
        line.remove(u'\r');
        if (!isDeviceLine(line))
            continue;
        if (line.endsWith(QLatin1String("Disk")) || line.endsWith(QLatin1String("Tape")))
            continue;
        line.replace(u'\t', u' ');
        writers.append(line);
    }
    return writers;
}

bool ScanbusParser::isDeviceLine(const QString &line)
{
    // Written as "\t0,1,0\t  1) 'VENDOR' ...": the third character is the
    // first comma only while the bus number has one digit, so the address
    // itself is what is looked for.
    static const QRegularExpression address(QStringLiteral("^[ \\t]*\\d+,\\d+,\\d+(?:[ \\t]|$)"));
    return line.contains(u'\'') && address.match(line).hasMatch();
}

QString ScanbusParser::deviceId(const QString &entry)
{
    qsizetype start = 0;
    while (start < entry.size() && (entry.at(start) == u' ' || entry.at(start) == u'\t'))
        ++start;
    qsizetype end = start;
    while (end < entry.size() && entry.at(end) != u' ' && entry.at(end) != u'\t')
        ++end;
    return entry.mid(start, end - start);
}

QString ScanbusParser::failureReason(const QString &output)
{
    static const QRegularExpression failure(
        QStringLiteral("cannot|can not|could not|error|failed|sorry|no such|permission|denied"),
        QRegularExpression::CaseInsensitiveOption);
    QString lastLine;
    QString lastFailure;
    for (const QString &raw : output.split(QRegularExpression(QStringLiteral("[\r\n]")))) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        lastLine = line;
        if (!line.contains(QLatin1String("Warning:")) && failure.match(line).hasMatch())
            lastFailure = line;
    }
    return lastFailure.isEmpty() ? lastLine : lastFailure;
}

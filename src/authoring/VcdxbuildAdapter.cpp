#include "authoring/VcdxbuildAdapter.h"

namespace {
const QString kOpen = QStringLiteral("<log level=\"");
const QString kClose = QStringLiteral("</log>");
} // namespace

QString VcdxbuildAdapter::prefixFor(const QString &level)
{
    if (level == QLatin1String("information"))
        return QStringLiteral("   INFO: ");
    if (level == QLatin1String("warning"))
        return QStringLiteral("++ WARN: ");
    if (level == QLatin1String("error"))
        return QStringLiteral("**ERROR: ");
    if (level == QLatin1String("debug"))
        return QStringLiteral("--DEBUG: ");
    if (level == QLatin1String("assert"))
        return QStringLiteral("!ASSERT: ");
    return QLatin1String("**") + level.toUpper() + QLatin1String(": ");
}

QStringList VcdxbuildAdapter::adaptLine(const QString &line)
{
    QStringList out;
    qsizetype pos = 0;
    while (pos < line.size()) {
        const qsizetype open = line.indexOf(kOpen, pos);
        if (open < 0) {
            out.append(line.mid(pos));
            break;
        }
        if (open > pos)
            out.append(line.mid(pos, open - pos));
        const qsizetype levelStart = open + kOpen.size();
        const qsizetype levelEnd = line.indexOf(QLatin1String("\">"), levelStart);
        const qsizetype close = levelEnd < 0 ? -1 : line.indexOf(kClose, levelEnd + 2);
        if (close < 0) {
            // Not a complete element: keep the text as the tool wrote it.
            out.append(line.mid(open));
            break;
        }
        // The tool writes messages unescaped, so the text is taken as is.
        const QString level = line.mid(levelStart, levelEnd - levelStart);
        out.append(prefixFor(level) + line.mid(levelEnd + 2, close - levelEnd - 2));
        pos = close + kClose.size();
    }
    if (out.isEmpty())
        out.append(QString());
    return out;
}

#include "authoring/DiscState.h"

#include <QHashFunctions>

#include "project/ProjectNode.h"

QString DiscState::indexNumber(int index)
{
    return QStringLiteral("%1").arg(index, 4, 10, QLatin1Char('0'));
}

QString DiscState::number() const
{
    if (!node)
        return {};
    const QString digits = indexNumber(node->index());
    if (caption)
        return QLatin1String("text") + digits;
    return menuLine ? QLatin1String("line") + digits : digits;
}

QString DiscState::selectionId() const
{
    return node ? QLatin1String("Selection-") + number() : QString();
}

QString DiscState::segmentId() const
{
    return node ? QLatin1String("Segment-") + number() : QString();
}

size_t qHash(const DiscState &state, size_t seed)
{
    return qHashMulti(seed, state.node, state.caption, state.menuLine);
}

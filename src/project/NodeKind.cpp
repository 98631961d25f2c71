#include "project/NodeKind.h"

#include <QFileInfo>

NodeKind nodeKindOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return NodeKind::Menu;
    if (!info.exists())
        return NodeKind::None;
    const QString tail = path.right(4).toUpper();
    if (tail == QLatin1String(".JPG"))
        return NodeKind::Picture;
    if (tail == QLatin1String(".MPG"))
        return NodeKind::Movie;
    return NodeKind::None;
}

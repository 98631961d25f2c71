#include "authoring/OutputNames.h"

#include <QList>

#include "authoring/FileNames.h"
#include "project/NodeKind.h"
#include "project/ProjectNode.h"

void OutputNames::assign(const ProjectNode *root)
{
    m_below.clear();
    if (root)
        assignBelow(root, QString());
}

void OutputNames::assignBelow(const ProjectNode *folder, const QString &prefix)
{
    QList<OutputEntry> entries;
    QList<const ProjectNode *> nodes;
    for (int row = 0; row < folder->childCount(); ++row) {
        const ProjectNode *child = folder->child(row);
        switch (nodeKindOf(child->fullPath())) {
        case NodeKind::Picture:
            entries.append({ nameWithoutExtension(child->text()), true });
            nodes.append(child);
            break;
        case NodeKind::Movie:
            entries.append({ nameWithoutExtension(child->text()), false, true });
            nodes.append(child);
            break;
        case NodeKind::Slideshow:
            entries.append({ QStringLiteral("slideshow"), false, true });
            nodes.append(child);
            break;
        case NodeKind::Menu:
            entries.append({ child->text(), false });
            nodes.append(child);
            break;
        case NodeKind::None:
            break;
        }
    }
    const QStringList names = distinctOutputNames(entries, prefix.isEmpty());
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        const QString path = prefix.isEmpty() ? names.at(i) : prefix + u'/' + names.at(i);
        m_below.insert(nodes.at(i), path);
        if (!entries.at(i).picture && !entries.at(i).movie)
            assignBelow(nodes.at(i), path);
    }
}

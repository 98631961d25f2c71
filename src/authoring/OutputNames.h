#pragma once

#include <QHash>
#include <QString>

class ProjectNode;

// Where a build puts the output of every folder, picture and movie of the album,
// below the build folder: the source path with each part filtered to plain
// characters, made distinct where two sources would meet on one name (see
// distinctOutputNames). Names are given in the tree's order, so the same
// album gets the same names in every build, which is what lets a later
// build find and reuse them.
class OutputNames
{
public:
    // Names every folder, picture and movie below root.
    void assign(const ProjectNode *root);
    // A folder's output folder ("Beach"), a picture's still or a movie's
    // conversion without its extension ("Beach/sea", "Beach/clip"); empty
    // for the root and for a node not named.
    QString below(const ProjectNode *node) const { return m_below.value(node); }

private:
    void assignBelow(const ProjectNode *folder, const QString &prefix);

    QHash<const ProjectNode *, QString> m_below;
};

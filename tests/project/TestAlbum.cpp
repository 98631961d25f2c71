#include "TestAlbum.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "project/NodeKind.h"
#include "project/ProjectNode.h"

TestAlbum::TestAlbum() = default;

QString TestAlbum::folder(const QString &relative) const
{
    const QString path = at(relative);
    QDir().mkpath(path);
    return path;
}

QString TestAlbum::file(const QString &relative, qint64 size) const
{
    QByteArray content(static_cast<qsizetype>(size), 'x');
    // The scan reads a picture's first bytes: a JPEG's opening marker makes
    // the stand-in pass for one.
    if (kindOfName(relative) == NodeKind::Picture && size >= 3)
        content.replace(0, 3, "\xFF\xD8\xFF");
    return write(relative, content);
}

QString TestAlbum::write(const QString &relative, const QByteArray &content) const
{
    const QString path = at(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(content);
    return path;
}

QByteArray TestAlbum::read(const QString &relative) const
{
    QFile in(at(relative));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QString childTexts(const ProjectNode *node)
{
    QStringList texts;
    for (int row = 0; node && row < node->childCount(); ++row)
        texts << node->child(row)->text();
    return texts.join(u',');
}

ProjectNode *childNamed(const ProjectNode *node, const QString &text)
{
    for (int row = 0; node && row < node->childCount(); ++row) {
        if (node->child(row)->text() == text)
            return node->child(row);
    }
    return nullptr;
}

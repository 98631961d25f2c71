#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class ProjectNode;

// A throw-away source folder. The scan recognises files by name, checks
// only a picture's opening bytes and takes sizes from the directory, so
// plain files of a chosen size stand in for photos and movies here.
class TestAlbum
{
public:
    TestAlbum();

    QString path() const { return m_dir.path(); }
    QString at(const QString &relative) const { return m_dir.path() + u'/' + relative; }

    // Creates the folder (and its parents); returns its absolute path.
    QString folder(const QString &relative) const;
    // Creates a file of size bytes (and its folder); returns its absolute path.
    QString file(const QString &relative, qint64 size = 1000) const;
    QString write(const QString &relative, const QByteArray &content) const;
    QByteArray read(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};

// The Texts of a node's children in tree order, joined by ",".
QString childTexts(const ProjectNode *node);
// The child with this Text, or nullptr.
ProjectNode *childNamed(const ProjectNode *node, const QString &text);

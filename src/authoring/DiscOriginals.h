#pragma once

#include <QString>

#include <vector>

class ProjectNode;
class ProjectTree;
struct Settings;

// The album's own photos and movies, copied byte for byte into the disc's
// ISO 9660 file system when the settings ask for them, so that a computer
// can open them from the disc: a folder tree that follows the album's, under
// the level-1 names IsoNameMap gives, and INDEX.HTM at the top listing each
// under its real name with a link to it. Only what DiscContent puts on the
// disc goes along, and for a movie the file the user has, never the
// converted stream.
class DiscOriginals
{
public:
    struct File
    {
        QString name; // the real name, "café.jpg"
        QString sourcePath;
        QString isoName; // "CAFE.JPG"
    };
    struct Folder
    {
        QString name; // the real name; empty for the top
        QString isoName; // empty for the top
        std::vector<Folder> folders; // first on the disc, as vcd.xml wants them
        std::vector<File> files;
        bool isEmpty() const { return folders.empty() && files.empty(); }
    };

    static QString indexFileName() { return QStringLiteral("INDEX.HTM"); }

    // What the settings add of the tree's on-disc pictures and movies. Read
    // after the build's walk, which leaves off what it could not use.
    static DiscOriginals collect(const ProjectTree &tree, const Settings &settings);

    bool isEmpty() const { return m_top.isEmpty(); }
    const Folder &top() const { return m_top; }

    // INDEX.HTM: UTF-8 HTML, one list of links per folder, in disc order.
    QString indexPage(const QString &title) const;
    // Writes indexPage into buildFolder; returns its path. Throws
    // KelvaraError when it cannot be written.
    QString writeIndex(const QString &buildFolder, const QString &title) const;
    // vcd.xml's <filesystem> element for the originals and the index page
    // at indexPath; empty when there is nothing to add.
    QString fileSystemXml(const QString &indexPath) const;

    // How a file's path goes into a src attribute of vcd.xml. vcdxbuild runs
    // with --filename-encoding=ISO-8859-1, so each byte of the name as the
    // file system holds it is written as the Latin-1 letter of that value:
    // the conversion gives back exactly those bytes, whatever the name's
    // script.
    static QString sourceForXml(const QString &path);

private:
    Folder m_top;
};

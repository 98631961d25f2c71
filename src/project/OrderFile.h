#pragma once

#include <QString>
#include <QStringList>

// "kelvara.ord": the saved order of a folder's entries (sub-folder menus, or
// the pictures and movies of a folder that holds them), one name a line,
// CR LF line ends, first entry first. Entries whose box is cleared follow as
// "#unchecked NAME" lines; a reader that knows only names takes such a line
// for a name that matches nothing and skips it, so old and new files read
// both ways.
class OrderFile
{
public:
    // What a file says about a folder, each name spelled as the entry is.
    struct Contents
    {
        QStringList order;
        QStringList unchecked;
    };

    static QString fileName() { return QStringLiteral("kelvara.ord"); }
    static QString uncheckedPrefix() { return QStringLiteral("#unchecked "); }

    // The order file of a folder, without doubling a trailing separator.
    static QString pathIn(const QString &folder);

    // True when a directory entry name is an order file name (any letter case).
    static bool isOrderFileName(const QString &entryName);

    // The names of the file that match one of subFolders, in file order, each
    // spelled as the folder is. Empty lines, lines naming no sub-folder and
    // repeats are skipped; a line matches a folder that differs only in letter
    // case when no folder has exactly its spelling. Throws KelvaraError when
    // the file cannot be read.
    static QStringList readNames(const QString &filePath, const QStringList &subFolders);

    // The order and the cleared boxes among entries, matched as readNames
    // matches. A line naming an entry exactly is an order line even when it
    // starts like an unchecked line. Throws KelvaraError when unreadable.
    static Contents read(const QString &filePath, const QStringList &entries);

    // Replaces the file with the names, then an unchecked line for each of
    // unchecked. The earlier file stays untouched unless the new one was
    // written completely. False when it could not be written.
    static bool write(const QString &filePath, const QStringList &names, const QStringList &unchecked = {});
};

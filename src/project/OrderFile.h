#pragma once

#include <QString>
#include <QStringList>

// "kelvara.ord": the saved order of a folder's sub-folder menus, one name a
// line, CR LF line ends, first entry first; nothing else in the file.
class OrderFile
{
public:
    static QString fileName() { return QStringLiteral("kelvara.ord"); }

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

    // Replaces the file with the names. The earlier file stays untouched unless
    // the new one was written completely. False when it could not be written.
    static bool write(const QString &filePath, const QStringList &names);
};

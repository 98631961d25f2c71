#pragma once

#include <QSet>
#include <QString>

// The names of one folder of the disc's ISO 9660 file system, where the
// originals of the album's pictures and movies go for a computer to read.
// vcdxbuild takes only level-1 names there: a file is NAME.EXT with at most
// eight and three of A-Z, 0-9 and "_", a folder a NAME alone. Every real
// name is mapped into that form, and a name this folder already gave out
// (or reserved) is never given twice: the later one gets "_2", "_3"... at
// the end of its stem, the extension kept.
class IsoNameMap
{
public:
    static constexpr int StemLength = 8;
    static constexpr int ExtensionLength = 3;

    // Names the disc's own files and folders use at the top of a Video CD
    // or Super Video CD (and the album's index page), kept free there.
    static QSet<QString> discRootNames();

    // Marks a name (a level-1 name, any case) as taken in this folder.
    void reserve(const QString &isoName);
    // A free level-1 name for a file called realName ("Été photo.jpeg" ->
    // "ETE_PHOT.JPG"); it is taken from then on.
    QString fileName(const QString &realName);
    // The same for a folder: one NAME, no extension.
    QString folderName(const QString &realName);

    // realName in upper-case A-Z, 0-9 and "_": accents dropped, every run of
    // other characters one "_", none at either end, at most maxLength long.
    // Empty when nothing of it is left.
    static QString plainPart(const QString &realName, int maxLength);
    // The disc's extension for a file's suffix: the usual three-letter form
    // of a long one ("jpeg" -> "JPG", "tiff" -> "TIF"), else plainPart.
    static QString extensionFor(const QString &suffix);

private:
    QString unique(const QString &stem, const QString &dotExtension);

    QSet<QString> m_taken;
};

#include "project/OrderFile.h"

#include <QFile>
#include <QSaveFile>

#include "base/KelvaraError.h"

QString OrderFile::pathIn(const QString &folder)
{
    if (folder.endsWith(u'/'))
        return folder + fileName();
    return folder + u'/' + fileName();
}

bool OrderFile::isOrderFileName(const QString &entryName)
{
    return entryName.compare(fileName(), Qt::CaseInsensitive) == 0;
}

QStringList OrderFile::readNames(const QString &filePath, const QStringList &subFolders)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw KelvaraError(75,
            QLatin1String("Path/File access error: ") + filePath + QLatin1String(" (") + file.errorString()
                + u')');
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) // editors on other systems may put a byte order mark first
        text.remove(0, 1);

    // A line ends at CR LF, or at a lone CR or LF from a hand-edited file.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');

    QStringList names;
    const QStringList lines = text.split(u'\n');
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        QString match;
        if (subFolders.contains(line, Qt::CaseSensitive)) {
            match = line;
        } else {
            for (const QString &folder : subFolders) {
                if (folder.compare(line, Qt::CaseInsensitive) == 0) {
                    match = folder;
                    break;
                }
            }
        }
        // A name given twice would make a second node for the same folder.
        if (!match.isEmpty() && !names.contains(match, Qt::CaseSensitive))
            names.append(match);
    }
    return names;
}

bool OrderFile::write(const QString &filePath, const QStringList &names)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray data;
    for (const QString &name : names) {
        data += name.toUtf8();
        data += "\r\n";
    }
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

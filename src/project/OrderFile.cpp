#include "project/OrderFile.h"

#include <QFile>
#include <QSaveFile>

#include "base/KelvaraError.h"

namespace {

QStringList readLines(const QString &filePath)
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
    return text.split(u'\n', Qt::SkipEmptyParts);
}

// The entry a line names, spelled as the entry is; empty when none.
QString matchEntry(const QString &line, const QStringList &entries)
{
    if (entries.contains(line, Qt::CaseSensitive))
        return line;
    for (const QString &entry : entries) {
        if (entry.compare(line, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

// A name given twice would make a second node for the same entry.
void appendOnce(QStringList &names, const QString &name)
{
    if (!name.isEmpty() && !names.contains(name, Qt::CaseSensitive))
        names.append(name);
}

} // namespace

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
    QStringList names;
    for (const QString &line : readLines(filePath))
        appendOnce(names, matchEntry(line, subFolders));
    return names;
}

OrderFile::Contents OrderFile::read(const QString &filePath, const QStringList &entries)
{
    Contents contents;
    const QString prefix = uncheckedPrefix();
    for (const QString &line : readLines(filePath)) {
        const QString exact = entries.contains(line, Qt::CaseSensitive) ? line : QString();
        if (exact.isEmpty() && line.startsWith(prefix))
            appendOnce(contents.unchecked, matchEntry(line.mid(prefix.size()), entries));
        else
            appendOnce(contents.order, matchEntry(line, entries));
    }
    return contents;
}

bool OrderFile::write(const QString &filePath, const QStringList &names, const QStringList &unchecked)
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray data;
    for (const QString &name : names) {
        data += name.toUtf8();
        data += "\r\n";
    }
    for (const QString &name : unchecked) {
        data += (uncheckedPrefix() + name).toUtf8();
        data += "\r\n";
    }
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

#include "authoring/DiscOriginals.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "authoring/DescriptionWriter.h"
#include "authoring/IsoNameMap.h"
#include "base/KelvaraError.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "project/DiscContent.h"
#include "project/ProjectNode.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

namespace {

const QLatin1String kEol("\r\n");

DiscOriginals::Folder collectBelow(const ProjectNode *node, const Settings &settings, IsoNameMap names)
{
    DiscOriginals::Folder folder;
    for (const ProjectNode *child : DiscContent::children(node)) {
        const NodeKind kind = child->kind();
        if ((kind == NodeKind::Picture && settings.addImages)
            || (kind == NodeKind::Movie && settings.addMovies)) {
            folder.files.push_back({ child->text(), child->fullPath(), names.fileName(child->text()) });
        } else if (kind == NodeKind::Menu) {
            DiscOriginals::Folder sub = collectBelow(child, settings, IsoNameMap());
            if (sub.isEmpty())
                continue; // a folder on the disc holds something
            sub.name = child->text();
            sub.isoName = names.folderName(child->text());
            folder.folders.push_back(std::move(sub));
        }
    }
    return folder;
}

QString escapeHtml(const QString &text)
{
    QString out = text.toHtmlEscaped();
    out.replace(u'\'', QLatin1String("&#39;"));
    return out;
}

void appendIndexLists(
    QString &page, const DiscOriginals::Folder &folder, const QString &albumPath, const QString &isoPath)
{
    if (!folder.files.empty()) {
        if (!albumPath.isEmpty())
            page += QLatin1String("<h2>") + escapeHtml(albumPath) + QLatin1String("</h2>") + kEol;
        page += QLatin1String("<ul>") + kEol;
        for (const DiscOriginals::File &file : folder.files)
            page += QLatin1String("<li><a href=\"") + isoPath + file.isoName + QLatin1String("\">")
                + escapeHtml(file.name) + QLatin1String("</a></li>") + kEol;
        page += QLatin1String("</ul>") + kEol;
    }
    for (const DiscOriginals::Folder &sub : folder.folders)
        appendIndexLists(page, sub,
            albumPath.isEmpty() ? sub.name : albumPath + QLatin1String(" / ") + sub.name,
            isoPath + sub.isoName + u'/');
}

QString fileElement(const QString &indent, const QString &source, const QString &isoName)
{
    return indent + QLatin1String("<file src=\"")
        + DescriptionWriter::escapeAttribute(DiscOriginals::sourceForXml(source)) + QLatin1String("\"><name>")
        + isoName + QLatin1String("</name></file>") + kEol;
}

void appendFolderXml(QString &xml, const DiscOriginals::Folder &folder, const QString &indent)
{
    for (const DiscOriginals::Folder &sub : folder.folders) {
        xml += indent + QLatin1String("<folder><name>") + sub.isoName + QLatin1String("</name>") + kEol;
        appendFolderXml(xml, sub, indent + u'\t');
        xml += indent + QLatin1String("</folder>") + kEol;
    }
    for (const DiscOriginals::File &file : folder.files)
        xml += fileElement(indent, file.sourcePath, file.isoName);
}

} // namespace

DiscOriginals DiscOriginals::collect(const ProjectTree &tree, const Settings &settings)
{
    DiscOriginals originals;
    if (tree.isEmpty() || !(settings.addImages || settings.addMovies))
        return originals;
    IsoNameMap top;
    for (const QString &name : IsoNameMap::discRootNames())
        top.reserve(name);
    originals.m_top = collectBelow(tree.root(), settings, top);
    return originals;
}

QString DiscOriginals::sourceForXml(const QString &path)
{
    return QString::fromLatin1(QFile::encodeName(QDir::toNativeSeparators(path)));
}

QString DiscOriginals::indexPage(const QString &title) const
{
    const QString heading = escapeHtml(title.trimmed().isEmpty() ? localText(TextId::OriginalsTitle) : title);
    QString page;
    page += QLatin1String("<!DOCTYPE html>") + kEol;
    page += QLatin1String("<html>") + kEol + QLatin1String("<head>") + kEol;
    page += QLatin1String("<meta charset=\"utf-8\">") + kEol;
    page += QLatin1String("<title>") + heading + QLatin1String("</title>") + kEol;
    page += QLatin1String("</head>") + kEol + QLatin1String("<body>") + kEol;
    page += QLatin1String("<h1>") + heading + QLatin1String("</h1>") + kEol;
    page += QLatin1String("<p>") + escapeHtml(localText(TextId::OriginalsIntro)) + QLatin1String("</p>")
        + kEol;
    appendIndexLists(page, m_top, QString(), QString());
    page += QLatin1String("</body>") + kEol + QLatin1String("</html>") + kEol;
    return page;
}

QString DiscOriginals::writeIndex(const QString &buildFolder, const QString &title) const
{
    QString folder = buildFolder;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    const QString path = folder + u'/' + indexFileName();
    const QByteArray bytes = indexPage(title).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw KelvaraError(75,
            QLatin1String("Cannot write ") + QDir::toNativeSeparators(path) + QLatin1String(": ")
                + file.errorString());
    return path;
}

QString DiscOriginals::fileSystemXml(const QString &indexPath) const
{
    if (isEmpty())
        return {};
    QString xml = QLatin1String("<filesystem>") + kEol;
    appendFolderXml(xml, m_top, QStringLiteral("\t"));
    xml += fileElement(QStringLiteral("\t"), indexPath, indexFileName());
    xml += QLatin1String("</filesystem>") + kEol;
    return xml;
}

#include "authoring/ImageStamp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "base/ContentHash.h"
#include "base/ProgramInfo.h"
#include "project/NodeKind.h"
#include "project/ProjectNode.h"
#include "project/ProjectTree.h"
#include "settings/Settings.h"

namespace {

// Bumped whenever what the fingerprint covers, or what an image holds for
// the same album and settings, changes, so that older stamps never match by
// accident. (At 3 the originals and INDEX.HTM came onto the disc with the
// settings that add them: an older image with those settings lacks them. At 4
// a slideshow got a menu line of its own and the folder's key its pictures.)
constexpr qint64 kStampLayout = 4;

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

void addFile(ContentHash &hash, const QString &path)
{
    const std::optional<QString> content = ContentHash::ofFile(path);
    // A file that cannot be read now must not match the one the image was made of.
    hash.add(content ? *content : QStringLiteral("unreadable"));
}

void addSettings(ContentHash &hash, const Settings &s)
{
    // Window position, interface language, the settings pane, fast preview
    // (a build always renders at full quality), the number of encodings at
    // once, Full Rebuild (the same disc, made from scratch) and where the
    // build folder lies leave the disc as it is.
    for (const QString *text :
        { &s.sourceDir, &s.mainTitle, &s.timeout, &s.xCenter, &s.yCenter, &s.correctPercentage, &s.titleFont,
            &s.menuFont, &s.pictureFont, &s.titleFontSize, &s.menuFontSize, &s.pictureFontSize })
        hash.add(*text);
    for (const bool flag :
        { s.ntsc, s.vcd, s.lowRes, s.addImages, s.addMovies, s.displayInfo, s.useFileName, s.displayFileName,
            s.displayDate, s.imageCentered, s.shortcuts, s.antiFlicker, s.correctEdges, s.correctAspect })
        hash.add(qint64(flag));
    for (const qint64 number :
        { qint64(s.resizeFilter), qint64(s.stampX), qint64(s.stampY), qint64(s.titleColor),
            qint64(s.menuColor), qint64(s.pictureColor), qint64(s.frameWidth), qint64(s.frameHeight),
            qint64(s.tvLines), qint64(s.aspectWidth), qint64(s.slideshowMusic), qint64(s.slideshowFade) })
        hash.add(number);
    hash.add(QString::number(s.edgeFraction, 'g', 17));
}

void addNode(ContentHash &hash, const ProjectTree &tree, const ProjectNode *node)
{
    const QString path = node->fullPath();
    const NodeKind kind = nodeKindOf(path);
    const NodeInfo &info = tree.info(node->index());
    hash.add(path);
    hash.add(qint64(kind));
    hash.add(qint64(node->isChecked()));
    hash.add(node->tag());
    // A folder's caption is its entry label; a picture's is the stamp text
    // the renderer derives from the photo and the settings (both counted)
    // and rewrites while it renders, so it must not count twice.
    if (kind != NodeKind::Picture)
        hash.add(info.caption);
    if (kind == NodeKind::Picture || kind == NodeKind::Movie)
        addFile(hash, path);
    for (const QString &sound : info.audioFiles)
        addFile(hash, sound);
    if (kind == NodeKind::Picture) {
        const QString caption = captionPathOf(path);
        const bool hasCaption = QFileInfo(caption).isFile();
        hash.add(qint64(hasCaption));
        if (hasCaption)
            addFile(hash, caption);
    }
    hash.add(qint64(node->childCount()));
    for (int row = 0; row < node->childCount(); ++row)
        addNode(hash, tree, node->child(row));
}

} // namespace

QString ImageStamp::albumPart(const ProjectTree &tree)
{
    ContentHash hash;
    hash.add(qint64(tree.isEmpty() ? 0 : 1));
    if (!tree.isEmpty())
        addNode(hash, tree, tree.root());
    return hash.hex();
}

QString ImageStamp::fingerprint(const Settings &settings, const QString &albumPart)
{
    ContentHash hash;
    hash.add(kStampLayout);
    hash.add(ProgramInfo::version());
    addSettings(hash, settings);
    hash.add(albumPart);
    return hash.hex();
}

QString ImageStamp::fingerprint(const Settings &settings, const ProjectTree &tree)
{
    return fingerprint(settings, albumPart(tree));
}

bool ImageStamp::write(const QString &buildFolder, const QString &fingerprint)
{
    QSaveFile file(withoutTrailingSeparator(buildFolder) + u'/' + fileName());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(fingerprint.toLatin1() + '\n');
    return file.commit();
}

QString ImageStamp::read(const QString &buildFolder)
{
    QFile file(withoutTrailingSeparator(buildFolder) + u'/' + fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.read(256)).trimmed();
}

ImageStamp::State ImageStamp::stateOf(const Settings &settings, const ProjectTree &tree)
{
    const QString folder = withoutTrailingSeparator(settings.destinationDir);
    if (folder.isEmpty() || !QFileInfo(folder + QLatin1String("/vcd.bin")).isFile()
        || !QFileInfo(folder + QLatin1String("/vcd.cue")).isFile())
        return State::Missing;
    const QString stamp = read(folder);
    if (stamp.isEmpty() || stamp != fingerprint(settings, tree))
        return State::Stale;
    return State::Current;
}

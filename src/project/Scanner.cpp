#include "project/Scanner.h"

#include <climits>
#include <cstdlib>

#include <QFile>
#include <algorithm>

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include "base/KelvaraError.h"
#include "base/MediaFormat.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "project/DirectoryListing.h"
#include "project/DiscContent.h"
#include "project/NameAlias.h"
#include "project/NodeKind.h"
#include "project/OrderFile.h"
#include "project/ProjectTree.h"
#include "project/TreeEditor.h"
#include "settings/Settings.h"

namespace {

// A caption the editor keeps beside a picture is part of the album, not a
// file the scan passed over.
bool isCaptionOfPicture(const QString &name, const QSet<QString> &pictureStems)
{
    return name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive)
        && pictureStems.contains(nameWithoutExtension(name));
}

class RunningFlag
{
public:
    explicit RunningFlag(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~RunningFlag() { m_flag = false; }
    RunningFlag(const RunningFlag &) = delete;
    RunningFlag &operator=(const RunningFlag &) = delete;

private:
    bool &m_flag;
};

} // namespace

Scanner::Scanner(ProjectTree &tree, const Settings &settings, Prompter &prompter)
    : m_tree(tree)
    , m_settings(settings)
    , m_prompter(prompter)
{ }

bool Scanner::isValidSource(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool Scanner::scan()
{
    if (m_running)
        return false;
    if (!isValidSource(m_settings.sourceDir)) {
        m_prompter.inform(localText(1129), localText(1128));
        return false;
    }
    fillTree();
    return true;
}

void Scanner::fillTree()
{
    if (m_running)
        return;
    RunningFlag running(m_running);

    const QString source = m_settings.sourceDir;
    m_tree.clear();
    m_tree.counters() = TreeCounters {};

    QString path = source;
    if (!path.endsWith(u'/'))
        path += u'/';

    ProjectNode *root = m_tree.addRoot(path, source);
    m_tree.setTag(root, m_settings.mainTitle);
    m_tree.setChecked(root, true);
    NodeInfo &info = m_tree.info(root);
    info = NodeInfo {};
    info.sourcePath = source;
    info.included = true;
    if (m_callbacks.nodeAdded)
        m_callbacks.nodeAdded(root, m_tree.counters());

    m_ancestors.clear();
    FolderId rootId;
    if (DirectoryListing::identify(path, rootId.device, rootId.inode))
        m_ancestors.push_back(rootId);

    char resolved[PATH_MAX];
    m_rootReal
        = realpath(QFile::encodeName(path).constData(), resolved) ? QByteArray(resolved) : QByteArray();

    m_uncheckedKeys.clear();
    if (DirectoryListing::isSystemFileSystem(path))
        skip(source, SkippedFile::Reason::SystemFolder);
    else
        scanFolder(path, root);
    applyUnchecked(root);
    m_uncheckedKeys.clear();

    showCapacity();
    // Counted as the build counts, the originals in whole sectors.
    Capacity::checkLimits(false, DiscContent::count(m_tree), m_settings, m_prompter);
    m_tree.collapseAll(root);
}

bool Scanner::isAncestor(std::uint64_t device, std::uint64_t inode) const
{
    for (const FolderId &id : m_ancestors) {
        if (id.device == device && id.inode == inode)
            return true;
    }
    return false;
}

bool Scanner::isLinkUpward(const DirectoryEntry &entry) const
{
    // A link back to this folder or one above it would never end, and is no
    // sub-folder: it must not turn a folder of pictures into a menu.
    return entry.isDir && entry.isSymLink && isAncestor(entry.device, entry.inode);
}

bool Scanner::leadsOutside(const QString &folderPath, const DirectoryEntry &entry) const
{
    if (!entry.isSymLink)
        return false;
    if (isLinkUpward(entry))
        return true;
    // The album is what lies below the source folder: a link elsewhere (to
    // "/", say) would pull in what the user never chose, or never end.
    char resolved[PATH_MAX];
    const QByteArray path = QFile::encodeName(folderPath) + entry.rawName;
    if (!realpath(path.constData(), resolved))
        return true;
    const QByteArray target(resolved);
    if (m_rootReal == "/")
        return false;
    return target != m_rootReal && !target.startsWith(QByteArray(m_rootReal + '/'));
}

std::vector<DirectoryEntry> Scanner::usableEntries(const QString &folderPath)
{
    auto listed = DirectoryListing::list(folderPath);
    if (!listed) {
        skip(folderPath.size() > 1 && folderPath.endsWith(u'/') ? folderPath.chopped(1) : folderPath,
            SkippedFile::Reason::FolderUnreadable);
        return {};
    }

    // Names the folder's usable entries answer to, to see a name that is not
    // UTF-8 decode to the same text as another entry.
    QSet<QString> validNames;
    for (const DirectoryEntry &entry : *listed) {
        if (entry.validName)
            validNames.insert(entry.name);
    }

    std::vector<DirectoryEntry> usable;
    usable.reserve(listed->size());
    QSet<QString> shownNames;
    for (DirectoryEntry &entry : *listed) {
        const QString shown
            = folderPath + (entry.validName ? entry.name : DirectoryListing::escapedName(entry.rawName));
        switch (entry.kind) {
        case DirectoryEntry::Kind::Special:
            skip(shown, SkippedFile::Reason::SpecialFile);
            continue;
        case DirectoryEntry::Kind::Looping:
            skip(shown, SkippedFile::Reason::LinkOutside);
            continue;
        case DirectoryEntry::Kind::Dangling:
        case DirectoryEntry::Kind::Unreadable:
            skip(shown, SkippedFile::Reason::Unreadable);
            continue;
        case DirectoryEntry::Kind::Folder:
        case DirectoryEntry::Kind::File:
            break;
        }
        if (leadsOutside(folderPath, entry)) {
            skip(shown, SkippedFile::Reason::LinkOutside);
            continue;
        }
        if (!entry.validName) {
            // A picture or movie is reached through a plain-named link; a
            // folder would need every path below it rewritten, so it is named
            // instead, as is a file whose shown name another entry has.
            const bool media = !entry.isDir && kindOfName(entry.name) != NodeKind::None;
            if (!media) {
                skip(shown, entry.isDir ? SkippedFile::Reason::BadName : SkippedFile::Reason::NotMedia);
                continue;
            }
            if (validNames.contains(entry.name) || shownNames.contains(entry.name)) {
                skip(shown, SkippedFile::Reason::BadName);
                continue;
            }
            shownNames.insert(entry.name);
        }
        usable.push_back(std::move(entry));
    }
    return usable;
}

void Scanner::scanFolder(QString folderPath, ProjectNode *parent)
{
    if (!folderPath.endsWith(u'/'))
        folderPath += u'/';

    // One listing serves the order-file test, the classification and the
    // file or folder pass, all before the first descent.
    const std::vector<DirectoryEntry> entries = usableEntries(folderPath);
    // Where each file is opened: its own path, or the link standing in for a
    // name that is not UTF-8.
    QHash<QString, QString> diskPaths;
    const auto openPath = [&](const DirectoryEntry &entry) -> QString {
        if (entry.validName)
            return folderPath + entry.name;
        auto it = diskPaths.constFind(entry.name);
        if (it == diskPaths.cend())
            it = diskPaths.insert(
                entry.name, NameAlias::linkTo(QFile::encodeName(folderPath) + entry.rawName, entry.name));
        return it.value();
    };

    QString orderFile;
    bool hasSubFolders = false;
    bool hasFiles = false;
    for (const DirectoryEntry &entry : entries) {
        if (OrderFile::isOrderFileName(entry.name)) {
            // The exact spelling wins over other letter cases, as it is what
            // Save Order writes.
            if (!entry.isDir && (orderFile.isEmpty() || entry.name == OrderFile::fileName()))
                orderFile = entry.name;
            continue;
        }
        if (entry.isDir)
            hasSubFolders = true;
        else
            hasFiles = true;
    }

    if (hasFiles && !hasSubFolders) {
        QStringList items;
        QSet<QString> pictureStems;
        for (const DirectoryEntry &entry : entries) {
            if (!entry.isDir && kindOfName(entry.name) == NodeKind::Picture)
                pictureStems.insert(nameWithoutExtension(entry.name));
        }
        QStringList audio;
        for (const DirectoryEntry &entry : entries) {
            if (entry.isDir || OrderFile::isOrderFileName(entry.name))
                continue;
            const NodeKind kind = kindOfName(entry.name);
            if (kind == NodeKind::None || kind == NodeKind::Slideshow) {
                if (m_settings.slideshowMusic && isAudioName(entry.name))
                    audio.append(entry.name);
                else if (!isCaptionOfPicture(entry.name, pictureStems))
                    skip(folderPath + entry.name, SkippedFile::Reason::NotMedia);
                continue;
            }
            const QString diskPath = openPath(entry);
            if (diskPath.isEmpty()) {
                skip(folderPath + DirectoryListing::escapedName(entry.rawName), SkippedFile::Reason::BadName);
                continue;
            }
            if (!takesContent(diskPath, kind))
                continue;
            ProjectNode *node = addItem(parent, folderPath, entry.name, entry.size, kind == NodeKind::Movie);
            if (!entry.validName)
                m_tree.setDiskPath(node, diskPath);
            if (kind == NodeKind::Movie)
                measureMovie(node, diskPath);
            items.append(entry.name);
        }
        ProjectNode *slideshow = addSlideshow(parent, folderPath, audio);
        if (slideshow)
            items.append(slideshowName());
        if (items.isEmpty())
            return;
        m_tree.sortChildren(parent);
        if (!orderFile.isEmpty()) {
            // Named pictures and movies first, new ones after them in name order.
            const OrderFile::Contents contents = readOrder(folderPath + orderFile, items);
            std::vector<ProjectNode *> order;
            for (const QString &name : contents.order)
                order.push_back(m_tree.nodeByKey(folderPath + name));
            m_tree.setChildOrder(parent, order);
            for (const QString &name : contents.unchecked)
                m_uncheckedKeys.insert(folderPath + name);
        }
        // The slideshow opens the folder, whatever an order file says.
        if (slideshow)
            m_tree.moveToFirstChild(slideshow, parent);
        return;
    }

    QStringList listed;
    for (const DirectoryEntry &entry : entries) {
        if (!entry.isDir && !OrderFile::isOrderFileName(entry.name)
            && kindOfName(entry.name) != NodeKind::None)
            skip(folderPath + (entry.validName ? entry.name : DirectoryListing::escapedName(entry.rawName)),
                SkippedFile::Reason::BesideFolders);
        if (!entry.isDir || OrderFile::isOrderFileName(entry.name))
            continue;
        if (DirectoryListing::isSystemFileSystem(folderPath + entry.name)) {
            skip(folderPath + entry.name, SkippedFile::Reason::SystemFolder);
            continue;
        }
        listed.append(entry.name);
    }

    QStringList names;
    if (!orderFile.isEmpty()) {
        const OrderFile::Contents contents = readOrder(folderPath + orderFile, listed);
        names = contents.order;
        for (const QString &name : contents.unchecked)
            m_uncheckedKeys.insert(folderPath + name);
    }
    for (const QString &name : std::as_const(listed)) {
        if (!names.contains(name, Qt::CaseSensitive))
            names.append(name);
    }

    std::vector<ProjectNode *> folders;
    folders.reserve(static_cast<size_t>(names.size()));
    for (const QString &name : std::as_const(names))
        folders.push_back(addFolder(parent, folderPath, name));
    if (!folders.empty() && orderFile.isEmpty())
        m_tree.sortChildren(parent);

    for (size_t i = 0; i < folders.size(); ++i) {
        const QString subFolder = folderPath + names[static_cast<qsizetype>(i)];
        FolderId id;
        const bool known = DirectoryListing::identify(subFolder, id.device, id.inode);
        if (known)
            m_ancestors.push_back(id);
        scanFolder(subFolder, folders[i]);
        if (known)
            m_ancestors.pop_back();
    }
}

bool Scanner::takesContent(const QString &path, NodeKind kindByName)
{
    // One short read per file: the bytes, not the name, tell a picture's
    // format, and a file nobody can decode is named here instead of turning
    // into a black still later.
    bool readable = false;
    const MediaFormat format = MediaSignature::formatOfFile(path, &readable);
    if (!readable) {
        skip(path, SkippedFile::Reason::Unreadable);
        return false;
    }
    if (kindByName == NodeKind::Picture) {
        if (MediaSignature::isPicture(format))
            return true;
        skip(path,
            format == MediaFormat::Movie ? SkippedFile::Reason::WrongKind : SkippedFile::Reason::Undecodable);
        return false;
    }
    // Movie containers are many; what ffmpeg cannot read is found when the
    // build asks it. Only a still picture under a movie's name is refused here.
    if (MediaSignature::isPicture(format)) {
        skip(path, SkippedFile::Reason::WrongKind);
        return false;
    }
    return true;
}

OrderFile::Contents Scanner::readOrder(const QString &path, const QStringList &entries)
{
    try {
        return OrderFile::read(path, entries);
    } catch (const KelvaraError &) {
        // An order file nobody may read leaves the folder in name order.
        skip(path, SkippedFile::Reason::Unreadable);
        return {};
    }
}

void Scanner::skip(const QString &path, SkippedFile::Reason reason)
{
    m_tree.skippedFiles().push_back({ path, reason });
}

void Scanner::applyUnchecked(ProjectNode *node)
{
    if (m_uncheckedKeys.isEmpty())
        return;
    // Top down, as the user would clear them: a menu's box clears everything
    // below it, and boxes already clear are left alone.
    if (node->isChecked() && m_uncheckedKeys.contains(node->key())) {
        m_tree.setChecked(node, false);
        TreeEditor(m_tree, m_prompter).setChecked(node);
    }
    for (int row = 0; row < node->childCount(); ++row)
        applyUnchecked(node->child(row));
}

void Scanner::measureMovie(ProjectNode *movie, const QString &diskPath)
{
    NodeInfo &info = m_tree.info(movie);
    info.movieSeconds = m_movieLength ? std::max(0.0, m_movieLength(diskPath)) : 0.0;
    TreeCounters &counters = m_tree.counters();
    if (info.movieSeconds > 0)
        counters.movieSeconds += info.movieSeconds;
    else
        counters.unmeasuredMovieBytes += static_cast<double>(info.movieBytes);
}

ProjectNode *Scanner::addItem(
    ProjectNode *parent, const QString &folderPath, const QString &name, std::int64_t size, bool movie)
{
    ProjectNode *node = m_tree.addChild(parent, folderPath + name, name);
    TreeCounters &counters = m_tree.counters();
    counters.ItemCount += 1;
    NodeInfo &info = m_tree.info(node);
    info = NodeInfo {};
    info.sourcePath = node->key();
    info.included = true;
    NodeInfo &parentInfo = m_tree.info(parent);
    if (movie) {
        counters.MovieBytesTotal += static_cast<double>(size);
        info.movieBytes = size;
        parentInfo.movieBytes += size;
    } else {
        counters.PictureBytesTotal += static_cast<double>(size);
        info.pictureBytes = size;
        parentInfo.pictureBytes += size;
        if (QFileInfo(captionPathOf(node->key())).isFile())
            counters.CaptionCount += 1;
    }
    m_tree.setTag(node, name);
    m_tree.setChecked(node, true);

    if (m_callbacks.nodeAdded)
        m_callbacks.nodeAdded(node, counters);
    showCapacity();
    return node;
}

ProjectNode *Scanner::addSlideshow(ProjectNode *parent, const QString &folderPath, QStringList audio)
{
    int pictures = 0;
    for (int row = 0; row < parent->childCount(); ++row)
        pictures += kindOfName(parent->child(row)->text()) == NodeKind::Picture ? 1 : 0;
    if (audio.isEmpty() || pictures == 0) {
        // Sound with nothing to show, or with the slideshow turned off, is
        // passed over like any other file.
        for (const QString &name : std::as_const(audio))
            skip(folderPath + name, SkippedFile::Reason::NotMedia);
        return nullptr;
    }
    std::sort(audio.begin(), audio.end(), &ProjectTree::textLess);
    ProjectNode *node = m_tree.addChild(parent, folderPath + slideshowName(), slideshowName());
    TreeCounters &counters = m_tree.counters();
    counters.ItemCount += 1;
    counters.slideshowPictures += pictures;
    NodeInfo &info = m_tree.info(node);
    info = NodeInfo {};
    info.sourcePath = node->key();
    info.included = true;
    for (const QString &name : std::as_const(audio))
        info.audioFiles.append(folderPath + name);
    m_tree.setTag(node, localText(TextId::Slideshow));
    m_tree.setChecked(node, true);
    if (m_callbacks.nodeAdded)
        m_callbacks.nodeAdded(node, counters);
    return node;
}

ProjectNode *Scanner::addFolder(ProjectNode *parent, const QString &folderPath, const QString &name)
{
    ProjectNode *node = m_tree.addChild(parent, folderPath + name, name);
    m_tree.counters().MenuCount += 1;
    m_tree.makeVisible(node);
    NodeInfo &info = m_tree.info(node);
    info = NodeInfo {};
    info.caption = name;
    info.sourcePath = folderPath + name;
    info.included = true;
    m_tree.setTag(node, name);
    m_tree.setChecked(node, true);

    if (m_callbacks.nodeAdded)
        m_callbacks.nodeAdded(node, m_tree.counters());
    return node;
}

void Scanner::showCapacity()
{
    if (m_callbacks.capacityChanged)
        m_callbacks.capacityChanged(Capacity::capacityDisplay(m_tree.counters(), m_settings));
}

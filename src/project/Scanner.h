#pragma once

#include <QSet>
#include <QStringList>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "project/Capacity.h"
#include "project/NodeKind.h"
#include "project/OrderFile.h"
#include "project/SkippedFile.h"

class ProjectTree;
class ProjectNode;
class Prompter;
struct DirectoryEntry;
struct Settings;

// Reads the source folder into the ProjectTree: the folder is the main menu,
// each sub-folder a menu, each picture (JPEG, PNG, WebP, TIFF, BMP, GIF,
// HEIF, AVIF) and each movie (see kindOfName) an item. A folder of pictures
// that also holds sound files (with the slideshow setting on) opens with its
// slideshow, a node that plays them behind its pictures. Files it leaves off
// are listed in the tree's skipped files with their reason, and so is what it
// cannot or will not enter: an unreadable folder, a pipe or device, a link
// that leads out of the album or loops, a kernel file system such as /proc.
// None of these ends a scan. A picture or movie whose name is not valid UTF-8
// shows with U+FFFD in its name and is read through a NameAlias link.
class Scanner
{
public:
    // Hooks for the window, so it can show the counters and the capacity while
    // a long scan runs and process its events. Both may be left empty; the
    // window decides how often it actually repaints.
    struct Callbacks
    {
        // After each node is complete (the root first): the counters hold
        // MenuCount / ItemCount for labDirs / labFiles.
        std::function<void(const ProjectNode *node, const TreeCounters &counters)> nodeAdded;
        // After each picture or movie, and once more at the end of the scan.
        std::function<void(const CapacityDisplay &display)> capacityChanged;
    };

    Scanner(ProjectTree &tree, const Settings &settings, Prompter &prompter);

    void setCallbacks(Callbacks callbacks) { m_callbacks = std::move(callbacks); }

    // Tells a movie's length in seconds (0 when it cannot), so that the
    // estimate counts its time on the disc; without one, its source bytes.
    using MovieLength = std::function<double(const QString &path)>;
    void setMovieLength(MovieLength movieLength) { m_movieLength = std::move(movieLength); }

    // "Read Structure": scans when the source path is a directory; otherwise
    // shows "You should select a valid source path" and leaves the tree as it
    // was. False when nothing was scanned (also while a scan already runs).
    bool scan();

    // Rebuilds the whole tree from the source folder of the settings, warns
    // (without asking) when a limit is exceeded, and leaves the tree collapsed.
    // Does nothing when called again from a callback during a scan.
    void fillTree();

    bool isRunning() const { return m_running; }

    static bool isValidSource(const QString &path);

private:
    struct FolderId
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
    };

    void scanFolder(QString folderPath, ProjectNode *parent);
    ProjectNode *addItem(
        ProjectNode *parent, const QString &folderPath, const QString &name, std::int64_t size, bool movie);
    ProjectNode *addFolder(ProjectNode *parent, const QString &folderPath, const QString &name);
    void measureMovie(ProjectNode *movie, const QString &diskPath);
    // The folder's slideshow, its first child, when it holds pictures and
    // sound (audio: names in the folder); null (the sound listed as
    // skipped) when it does not.
    ProjectNode *addSlideshow(ProjectNode *parent, const QString &folderPath, QStringList audio);
    bool isAncestor(std::uint64_t device, std::uint64_t inode) const;
    bool isLinkUpward(const DirectoryEntry &entry) const;
    bool leadsOutside(const QString &folderPath, const DirectoryEntry &entry) const;
    // The folder's entries a scan may use; the others are listed as skipped.
    std::vector<DirectoryEntry> usableEntries(const QString &folderPath);
    OrderFile::Contents readOrder(const QString &path, const QStringList &entries);
    void showCapacity();
    // False (and the file listed as skipped) when its bytes do not hold what
    // its name promises.
    bool takesContent(const QString &path, NodeKind kindByName);
    void skip(const QString &path, SkippedFile::Reason reason);

    ProjectTree &m_tree;
    const Settings &m_settings;
    Prompter &m_prompter;
    Callbacks m_callbacks;
    MovieLength m_movieLength;
    bool m_running = false;
    std::vector<FolderId> m_ancestors; // the folders from the source down to the one being scanned
    QByteArray m_rootReal; // the source folder with every link resolved
    QSet<QString> m_uncheckedKeys; // boxes the order files clear, applied once the tree stands
    void applyUnchecked(ProjectNode *node);
};

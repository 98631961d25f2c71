#include "project/DirectoryListing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "base/KelvaraError.h"
#include "project/ProjectTree.h"

namespace {

// The run-time error numbers the fatal box shows for file access failures.
constexpr int kPathNotFound = 76;
constexpr int kPathFileAccessError = 75;

[[noreturn]] void fail(int error, const QString &path)
{
    if (error == ENOENT || error == ENOTDIR)
        throw KelvaraError(kPathNotFound, QLatin1String("Path not found: ") + path);
    throw KelvaraError(kPathFileAccessError,
        QLatin1String("Path/File access error: ") + path + QLatin1String(" (")
            + QString::fromLocal8Bit(std::strerror(error)) + u')');
}

class DirHandle
{
public:
    explicit DirHandle(DIR *dir)
        : m_dir(dir)
    { }
    ~DirHandle()
    {
        if (m_dir)
            closedir(m_dir);
    }
    DirHandle(const DirHandle &) = delete;
    DirHandle &operator=(const DirHandle &) = delete;
    DIR *get() const { return m_dir; }

private:
    DIR *m_dir;
};

} // namespace

std::vector<DirectoryEntry> DirectoryListing::list(const QString &folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    DirHandle dir(opendir(encoded.constData()));
    if (!dir.get())
        fail(errno, folder);
    const int fd = dirfd(dir.get());

    std::vector<DirectoryEntry> entries;
    for (;;) {
        errno = 0;
        const dirent *de = readdir(dir.get());
        if (!de) {
            if (errno != 0)
                fail(errno, folder);
            break;
        }
        if (de->d_name[0] == '.')
            continue;

        DirectoryEntry entry;
        struct stat st;
        switch (de->d_type) {
        case DT_DIR:
            entry.isDir = true;
            break;
        case DT_REG:
            if (fstatat(fd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue; // removed since the directory was read
                fail(errno, folder + QFile::decodeName(de->d_name));
            }
            entry.size = st.st_size;
            break;
        case DT_LNK:
        case DT_UNKNOWN:
            if (fstatat(fd, de->d_name, &st, 0) != 0) {
                if (errno == ENOENT || errno == ELOOP)
                    continue; // dangling or looping link: not a normal entry
                fail(errno, folder + QFile::decodeName(de->d_name));
            }
            if (S_ISDIR(st.st_mode)) {
                entry.isDir = true;
            } else if (S_ISREG(st.st_mode)) {
                entry.size = st.st_size;
            } else {
                continue;
            }
            if (de->d_type == DT_LNK) {
                entry.isSymLink = true;
            } else {
                // DT_UNKNOWN: file systems that do not fill d_type; ask once more
                // without following to learn whether this was a link.
                struct stat own;
                if (fstatat(fd, de->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode))
                    entry.isSymLink = true;
            }
            if (entry.isSymLink) {
                entry.device = static_cast<std::uint64_t>(st.st_dev);
                entry.inode = static_cast<std::uint64_t>(st.st_ino);
            }
            break;
        default:
            continue; // fifos, sockets, devices
        }
        entry.name = QFile::decodeName(de->d_name);
        entries.push_back(std::move(entry));
    }

    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry &a, const DirectoryEntry &b) {
        return ProjectTree::textLess(a.name, b.name);
    });
    return entries;
}

bool DirectoryListing::identify(const QString &folder, std::uint64_t &device, std::uint64_t &inode)
{
    struct stat st;
    if (stat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

#include "project/DirectoryListing.h"

#include <algorithm>
#include <cerrno>

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include "project/ProjectTree.h"

namespace {

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

void takeStat(DirectoryEntry &entry, const struct stat &st)
{
    if (S_ISDIR(st.st_mode)) {
        entry.kind = DirectoryEntry::Kind::Folder;
    } else if (S_ISREG(st.st_mode)) {
        entry.kind = DirectoryEntry::Kind::File;
        entry.size = st.st_size;
    } else {
        entry.kind = DirectoryEntry::Kind::Special;
    }
}

} // namespace

std::optional<std::vector<DirectoryEntry>> DirectoryListing::list(const QString &folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    DirHandle dir(opendir(encoded.constData()));
    if (!dir.get())
        return std::nullopt;
    const int fd = dirfd(dir.get());

    std::vector<DirectoryEntry> entries;
    for (;;) {
        errno = 0;
        const dirent *de = readdir(dir.get());
        if (!de)
            break; // the end, or a read error: keep what was read
        if (de->d_name[0] == '.')
            continue;

        DirectoryEntry entry;
        struct stat st;
        switch (de->d_type) {
        case DT_DIR:
            entry.kind = DirectoryEntry::Kind::Folder;
            break;
        case DT_REG:
            if (fstatat(fd, de->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue; // removed since the directory was read
                entry.kind = DirectoryEntry::Kind::Unreadable;
                break;
            }
            takeStat(entry, st);
            break;
        case DT_LNK:
        case DT_UNKNOWN:
            if (fstatat(fd, de->d_name, &st, 0) != 0) {
                const int error = errno;
                struct stat own;
                const bool link
                    = fstatat(fd, de->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
                if (!link && error == ENOENT)
                    continue; // removed since the directory was read
                entry.isSymLink = link;
                entry.kind = error == ELOOP ? DirectoryEntry::Kind::Looping
                    : error == ENOENT       ? DirectoryEntry::Kind::Dangling
                                            : DirectoryEntry::Kind::Unreadable;
                break;
            }
            takeStat(entry, st);
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
            entry.kind = DirectoryEntry::Kind::Special; // fifos, sockets, devices
            break;
        }
        entry.isDir = entry.kind == DirectoryEntry::Kind::Folder;
        entry.rawName = QByteArray(de->d_name);
        entry.name = QFile::decodeName(entry.rawName);
        entry.validName = QFile::encodeName(entry.name) == entry.rawName;
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

bool DirectoryListing::isSystemFileSystem(const QString &folder)
{
    struct statfs fs;
    if (statfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return false;
    // The magic numbers of <linux/magic.h>. devtmpfs shares tmpfs's number and
    // cannot be told from a real tmpfs; /dev holds only devices and folders,
    // which a scan passes over anyway.
    static constexpr unsigned long kSystemTypes[] = {
        0x9fa0, // proc
        0x62656572, // sysfs
        0x1cd1, // devpts
        0x27e0eb, // cgroup
        0x63677270, // cgroup2
        0x64626720, // debugfs
        0x74726163, // tracefs
        0x73636673, // securityfs
        0xcafe4a11, // bpf
        0x6165676c, // pstore
        0x62656570, // configfs
        0x65735543, // fusectl
        0x19800202, // mqueue
        0x42494e4d, // binfmt_misc
        0xf97cff8c, // selinuxfs
        0xde5e81e4, // efivarfs
        0x0187, // autofs: reading it mounts what it stands for
    };
    const auto type = static_cast<unsigned long>(fs.f_type);
    return std::find(std::begin(kSystemTypes), std::end(kSystemTypes), type) != std::end(kSystemTypes);
}

QString DirectoryListing::escapedName(const QByteArray &rawName)
{
    QString out;
    qsizetype i = 0;
    while (i < rawName.size()) {
        // The longest valid UTF-8 run from i, then one escaped byte.
        qsizetype end = std::min(rawName.size(), i + 4);
        qsizetype taken = 0;
        for (qsizetype n = 1; i + n <= end; ++n) {
            if (QByteArrayView(rawName.constData() + i, n).isValidUtf8()) {
                taken = n;
                break;
            }
        }
        if (taken > 0) {
            out += QString::fromUtf8(rawName.constData() + i, taken);
            i += taken;
        } else {
            const auto byte = static_cast<unsigned char>(rawName[i]);
            out += QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
            ++i;
        }
    }
    return out;
}

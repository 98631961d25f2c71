#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// One visible entry of a folder: a directory or a regular file (symbolic links
// are followed and listed as what they point to).
struct DirectoryEntry
{
    QString name;
    bool isDir = false;
    bool isSymLink = false;
    std::int64_t size = 0; // files only, straight from the directory's stat data
    // Identity of a linked directory, so a scan can see a link back to an
    // ancestor; zero for entries that are not links.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// A single pass over one folder. Hidden entries (names starting with ".", which
// covers "." and "..") and everything that is neither a regular file nor a
// directory (sockets, devices, dangling links) are left out. No file is opened.
class DirectoryListing
{
public:
    // Entries sorted by name without regard to case (ProjectTree::textLess), so
    // a scan is the same on every file system. Throws KelvaraError when the
    // folder cannot be read.
    static std::vector<DirectoryEntry> list(const QString &folder);

    // Device and inode of a folder, for the same link test; false when it
    // cannot be read.
    static bool identify(const QString &folder, std::uint64_t &device, std::uint64_t &inode);
};

#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One visible entry of a folder. Symbolic links are followed and listed as
// what they point to (isSymLink set); what cannot be used as a folder or a
// file is listed too, with its kind, so that a scan can say why it left it.
struct DirectoryEntry
{
    enum class Kind {
        Folder,
        File,
        Special, // a pipe, socket or device
        Dangling, // a link to nothing
        Looping, // a link that ends in a loop of links
        Unreadable, // its kind could not be learnt (no permission)
    };

    QString name; // decoded; bytes that are not UTF-8 show as U+FFFD
    QByteArray rawName; // as the file system has it
    bool validName = true; // name encodes back to rawName: the name opens the entry
    Kind kind = Kind::File;
    bool isDir = false; // kind == Folder
    bool isSymLink = false;
    std::int64_t size = 0; // files only, straight from the directory's stat data
    // Identity of a linked directory, so a scan can see a link back to an
    // ancestor; zero for entries that are not links.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// A single pass over one folder. Hidden entries (names starting with ".",
// which covers "." and "..") are left out. No file is opened.
class DirectoryListing
{
public:
    // Entries sorted by name without regard to case (ProjectTree::textLess), so
    // a scan is the same on every file system. Empty optional when the folder
    // cannot be opened; a read that fails half-way gives what it read.
    static std::optional<std::vector<DirectoryEntry>> list(const QString &folder);

    // Device and inode of a folder, for the same link test; false when it
    // cannot be read.
    static bool identify(const QString &folder, std::uint64_t &device, std::uint64_t &inode);

    // True for the kernel's own file systems (/proc, /sys, cgroups, debugfs
    // ...): they hold no pictures, some entries never end when read, and /proc
    // links back into every folder of the system.
    static bool isSystemFileSystem(const QString &folder);

    // The name with every byte that is not UTF-8 written as \xNN, for lists a
    // person reads.
    static QString escapedName(const QByteArray &rawName);
};

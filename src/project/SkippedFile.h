#pragma once

#include <QString>

// A file of the source folder that the scan left off the tree, and why.
struct SkippedFile
{
    enum class Reason {
        NotMedia, // neither a picture nor a movie by its name
        Unreadable, // cannot be opened or read
        Undecodable, // a picture's name, but its bytes are no picture format known here
        WrongKind, // a picture's bytes under a movie's name, or the other way round
        BesideFolders, // a picture or movie in a folder that has sub-folders: only folders show there
        SpecialFile, // a pipe, socket or device
        LinkOutside, // a link out of the album, back to a folder above, or in a loop
        BadName, // a name that is not valid UTF-8, where no other name can stand in
        FolderUnreadable, // a folder (the source folder too) that cannot be listed
        SystemFolder, // a kernel file system such as /proc or /sys
    };
    QString path; // bytes that are not UTF-8 written as \xNN
    Reason reason = Reason::NotMedia;

    // The reason as the user reads it, in the interface language.
    QString reasonText() const;
    // "Beach/notes.txt: not a picture or movie": the path below the source
    // folder (whole when it lies elsewhere) and the reason.
    QString lineBelow(const QString &sourceFolder) const;
};

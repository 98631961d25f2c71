#include "project/SkippedFile.h"

#include "base/StringTable.h"
#include "base/TextIds.h"

QString SkippedFile::lineBelow(const QString &sourceFolder) const
{
    const QString prefix = sourceFolder.endsWith(u'/') ? sourceFolder : sourceFolder + u'/';
    const QString shown = path.startsWith(prefix) ? path.mid(prefix.size()) : path;
    return shown + QLatin1String(": ") + reasonText();
}

QString SkippedFile::reasonText() const
{
    switch (reason) {
    case Reason::NotMedia:
        return localText(TextId::SkipNotMedia);
    case Reason::Unreadable:
        return localText(TextId::SkipUnreadable);
    case Reason::Undecodable:
        return localText(TextId::SkipUndecodable);
    case Reason::WrongKind:
        return localText(TextId::SkipWrongKind);
    case Reason::BesideFolders:
        return localText(TextId::SkipBesideFolders);
    case Reason::SpecialFile:
        return localText(TextId::SkipSpecialFile);
    case Reason::LinkOutside:
        return localText(TextId::SkipLinkOutside);
    case Reason::BadName:
        return localText(TextId::SkipBadName);
    case Reason::FolderUnreadable:
        return localText(TextId::SkipFolderUnreadable);
    case Reason::SystemFolder:
        return localText(TextId::SkipSystemFolder);
    }
    return {};
}

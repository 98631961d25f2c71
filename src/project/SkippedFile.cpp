#include "project/SkippedFile.h"

#include "base/StringTable.h"
#include "base/TextIds.h"

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
    }
    return {};
}

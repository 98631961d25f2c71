// The order file ("kelvara.ord") of a folder, read against the folder's
// entries, some of which differ from the file's lines only in letter case.

#include <cstdlib>

#include "FuzzSupport.h"
#include "base/KelvaraError.h"
#include "project/OrderFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = FuzzSupport::scratchFile(FuzzSupport::bytes(data, size), OrderFile::fileName());
    const QStringList entries = { QStringLiteral("Harbour"), QStringLiteral("harbour"), QStringLiteral("Été"),
        QStringLiteral("photo_01.jpg"), QStringLiteral("#unchecked x"), QStringLiteral("clip.mp4") };
    try {
        const OrderFile::Contents contents = OrderFile::read(path, entries);
        for (const QString &name : contents.order + contents.unchecked) {
            if (!entries.contains(name))
                std::abort(); // every name read must be one of the entries
        }
        for (const QString &name : OrderFile::readNames(path, entries)) {
            if (!entries.contains(name))
                std::abort();
        }
    } catch (const KelvaraError &) {
        // an unreadable file is reported, which is fine
    }
    return 0;
}

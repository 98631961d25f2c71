#include "FuzzSupport.h"

#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

namespace FuzzSupport {

QString scratchFile(const QByteArray &bytes, const QString &name)
{
    // One folder for the whole run: a fresh one per input would cost more
    // than most of the parsers it feeds.
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    return path;
}

} // namespace FuzzSupport

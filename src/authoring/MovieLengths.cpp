#include "authoring/MovieLengths.h"

#include <QFileInfo>

#include "authoring/MovieProbe.h"

double MovieLengths::secondsOf(const QString &path)
{
    const QFileInfo file(path);
    const qint64 size = file.size();
    const QDateTime modified = file.lastModified();
    const auto known = m_known.constFind(path);
    if (known != m_known.cend() && known->size == size && known->modified == modified)
        return known->seconds;
    const MovieProbe::Info info = MovieProbe::probe(path);
    const double seconds = info.usable() && info.duration > 0 ? info.duration : 0.0;
    m_known.insert(path, Known { size, modified, seconds });
    return seconds;
}

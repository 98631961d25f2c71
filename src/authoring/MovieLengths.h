#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// The length of each movie as ffprobe reads it, kept while the file stays
// the same size and age, so that reading the album again probes only the
// movies that are new or changed. The scan counts a movie's time on the disc
// from it.
class MovieLengths
{
public:
    // Seconds; 0 when ffprobe cannot tell.
    double secondsOf(const QString &path);

private:
    struct Known
    {
        qint64 size = -1;
        QDateTime modified;
        double seconds = 0;
    };
    QHash<QString, Known> m_known;
};

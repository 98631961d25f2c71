#pragma once

#include <QByteArray>

class QIODevice;

// What the markers before the first scan of a JPEG file tell: the frame size
// and the EXIF block. Reads only those markers, never the compressed image.
class JpegHead
{
public:
    // Reads from the device's current position; false when it does not hold a
    // JPEG stream (no start-of-image marker, or a damaged marker before the scan).
    bool read(QIODevice &device);

    // Stored frame size (before any EXIF orientation); 0 when no frame header was seen.
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The first APP1 segment's payload that starts with "Exif\0\0"; empty when none.
    const QByteArray &exif() const { return m_exif; }

private:
    int m_width = 0;
    int m_height = 0;
    QByteArray m_exif;
};

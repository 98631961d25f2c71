#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

#include "base/MediaFormat.h"

// Decodes a picture file into an upright 24-bit RGB raster (stride width * 3).
// The decoder is chosen by the file's bytes, never by its name: JPEG through
// TurboJPEG, PNG, WebP, TIFF, BMP and GIF through Qt's image readers, HEIC,
// HEIF and AVIF through libheif. Transparent parts come out over black; a GIF
// gives its first frame. A picture that cannot be decoded gives no pixels and
// a short reason, never a grey or black raster.
class PictureReader
{
public:
    // Decodes the file. With a minimum size (of the upright picture) a large
    // picture may be decoded at 1/2, 1/4 or 1/8 scale as long as the result
    // still covers it; 0 x 0 decodes at full size. False on failure, with
    // problem() telling why.
    bool read(const QString &fileName, int minWidth = 0, int minHeight = 0);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // The decoded pixels; taking them leaves the reader empty.
    std::vector<std::uint8_t> takePixels();
    // Why the last read failed: "cannot be read" or "cannot be decoded: ...".
    // Empty after a success.
    const QString &problem() const { return m_problem; }

    // The size of the picture once upright, from its header alone; an invalid
    // QSize when the file holds no picture known here.
    static QSize uprightSize(const QString &fileName);

    // The picture's EXIF data as an APP1 payload ("Exif\0\0" and the TIFF
    // structure) for JPEG, PNG (eXIf), WebP (EXIF), TIFF (the file itself)
    // and HEIF/AVIF (the Exif item); empty when there is none.
    static QByteArray exifOf(const QString &fileName);

private:
    bool fail(const QString &problem);
    bool readJpeg(const QString &fileName, int minWidth, int minHeight);
    bool readWithQt(const QString &fileName, MediaFormat format, int minWidth, int minHeight);
    bool readHeif(const QString &fileName, int minWidth, int minHeight);
    void setUpright(std::vector<std::uint8_t> stored, int width, int height, int orientation);

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_rgb;
    QString m_problem;
};

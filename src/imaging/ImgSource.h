#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// A 24-bit RGB raster (rows top to bottom, stride exactly Width * 3, bytes in
// R, G, B order) with the font that text operations use. Every menu page and
// still is composed in one of these.
class PictureReader;

class ImgSource
{
public:
    ImgSource() = default;
    ImgSource(const ImgSource &) = delete;
    ImgSource &operator=(const ImgSource &) = delete;
    ImgSource(ImgSource &&) noexcept = default;
    ImgSource &operator=(ImgSource &&) noexcept = default;

    // Row and pixel access; coordinates are not checked (callers keep them in
    // range). Without pixels they do nothing.
    void line(int row, std::uint8_t *line) const;
    void setLine(int row, const std::uint8_t *line);
    void pixel(int x, int y, std::uint8_t *pixel) const;
    void setPixel(int x, int y, const std::uint8_t *pixel);

    // Vertical [1 2 1]/4 blend of every row with its neighbours, halves to even;
    // always from the unfiltered rows, edge rows count themselves three times.
    // progress (optional) receives 0..100 as rows are done (each value once).
    void antiFlicker(const std::function<void(int)> &progress = {});

    // brightness -1..1 adds that fraction of full scale; contrast -1..1 scales
    // the distance from mid-grey by tan((contrast + 1) * pi / 4): 0 keeps it,
    // -1 gives flat grey, towards 1 a hard threshold. False for values outside
    // those ranges or an object without pixels.
    bool setBrightnessContrast(double brightness, double contrast);

    // Text measured in Font at FontSize pixels (a missing typeface falls back
    // to a similar one). Height is that of one line; width that of the widest
    // line. Both 0 when FontSize is 0 or less. Needs a QGuiApplication.
    int textHeight(const QString &text) const;
    int textWidth(const QString &text) const;

    // Takes the pixels of a picture (the button artwork) as a 24-bit raster;
    // transparent parts come out over black. False for a null image.
    bool loadPicture(const QImage &picture);

    // The text of an EXIF tag of a picture file (JPEG, PNG, WebP, TIFF, HEIF,
    // AVIF); empty when missing or unreadable. Reads the metadata, never the
    // image data. Dates come in the 19-character form "YYYY:MM:DD HH:MM:SS",
    // whole numbers in decimal.
    static QString exifTag(const QString &fileName, int tag);
    QString exifTagOf(const QString &fileName, int tag) const { return exifTag(fileName, tag); }

    // The upright size of a picture file (after EXIF orientation, or HEIF's
    // own transformations), read from its header without decoding; an invalid
    // QSize when it cannot be read.
    static QSize pictureSize(const QString &fileName);

    // Copies image onto this one with its top-left at (x, y), clipped at every
    // edge (x and y may be negative). opacity 1.0 copies; below 1 blends, 0 or
    // less draws nothing. Only mode 0 exists. False when either object has no
    // pixels or the mode is unknown; a picture wholly outside draws nothing (true).
    bool overlay(const ImgSource &image, int x, int y, double opacity = 1.0, int mode = 0);
    // Fills the whole raster with a Windows colour value 0x00BBGGRR.
    bool fill(std::uint32_t colour);
    // New raster of that size; contents undefined until filled. Throws
    // KelvaraError for a negative size or one whose buffer (width * height * 3)
    // exceeds the 32-bit signed range.
    void create(int width, int height);
    // A new object with its own copy of the pixels and the same font settings.
    ImgSource copy() const;

    // Draws text with its top-left at (x, y) in Font, FontSize (pixels) and
    // FontColor (0x00BBGGRR), clipped to the rectangle from (x, y) to the
    // raster's bottom-right corner. A carriage return or line feed starts a new
    // line. smooth selects anti-aliased glyphs. False without pixels or with a
    // FontSize of 0 or less (nothing drawn).
    bool paintText(const QString &text, int x, int y, bool smooth);

    // A QImage (RGB888) view copy of the raster, for showing it in a window.
    QImage toImage() const;

    // Writes a baseline JPEG of the given quality (1..100); false on failure.
    bool saveJpg(const QString &fileName, int quality) const;

    // Decodes a picture file of any format PictureReader knows; false (and no
    // pixels) when it cannot be read or decoded. The photo is turned upright.
    // On failure width() and height() keep their earlier values while
    // hasPixels() is false; every operation checks for pixels, so nothing
    // reads the stale size.
    bool loadFile(const QString &fileName);
    // The same, but may decode at 1/2, 1/4 or 1/8 scale when the result stays at
    // least minWidth x minHeight after turning upright: a photo far larger than
    // its fitted size is never decoded whole. problem (optional) receives the
    // reason of a failure, and is cleared on success.
    bool loadFile(const QString &fileName, int minWidth, int minHeight, QString *problem = nullptr);
    // Takes the pixels a reader decoded (see PictureReader), or its failure.
    bool takePicture(PictureReader &reader, QString *problem = nullptr);

    // Resamples to the new size with a filter code: 1 nearest, 2 bilinear,
    // 3 bicubic, 4..17 the kernels Box .. Catrom (see Resampler). Code 0 or
    // below, an unknown code, a size below 1, no pixels, or memory that cannot
    // be had: false and the image stays as it was. A new size whose buffer
    // exceeds the 32-bit signed range throws KelvaraError.
    bool resize(int newWidth, int newHeight, int filterCode);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool hasPixels() const { return !m_rgb.empty(); }
    std::uint8_t *rgbData() { return m_rgb.empty() ? nullptr : m_rgb.data(); }
    const std::uint8_t *rgbData() const { return m_rgb.empty() ? nullptr : m_rgb.data(); }

    QString Font;
    int FontSize = 0;
    std::uint32_t FontColor = 0;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_rgb;
};

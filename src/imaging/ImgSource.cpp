#include "imaging/ImgSource.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numbers>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>

#include "base/KelvaraError.h"
#include "imaging/ExifBlock.h"
#include "imaging/JpegCodec.h"
#include "imaging/PictureReader.h"
#include "imaging/Resampler.h"
#include "imaging/VectorClones.h"

namespace {

// Error numbers as the fatal error box reports them.
constexpr int kInvalidArgument = 5;
constexpr int kOverflow = 6;

size_t bufferBytes(int width, int height)
{
    if (width < 0 || height < 0)
        throw KelvaraError(
            kInvalidArgument, QStringLiteral("Invalid image size %1 x %2").arg(width).arg(height));
    const long long bytes = 3LL * width * height;
    if (bytes > std::numeric_limits<std::int32_t>::max())
        throw KelvaraError(kOverflow, QStringLiteral("Overflow"));
    return static_cast<size_t>(bytes);
}

QColor colourOf(std::uint32_t colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QFont fontOf(const QString &family, int pixelSize, bool smooth)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);
    return font;
}

QStringList linesOf(const QString &text)
{
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(u'\r', u'\n');
    return unified.split(u'\n');
}

// One output row of the anti-flicker blend: (up + 2 * mid + down) / 4 to the
// nearest integer, an exact half to the even one. The sum stays below 1024,
// so the loop runs in 16-bit lanes.
KELVARA_VECTOR_CLONES void blendRows(const std::uint8_t *__restrict up, const std::uint8_t *__restrict mid,
    const std::uint8_t *__restrict down, std::uint8_t *__restrict out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const std::uint16_t sum = static_cast<std::uint16_t>(up[i] + 2 * mid[i] + down[i]);
        out[i] = static_cast<std::uint8_t>((sum + 1 + ((sum >> 2) & 1)) >> 2);
    }
}

} // namespace

void ImgSource::line(int row, std::uint8_t *line) const
{
    if (hasPixels())
        std::memcpy(
            line, m_rgb.data() + static_cast<size_t>(row) * m_width * 3, static_cast<size_t>(m_width) * 3);
}

void ImgSource::setLine(int row, const std::uint8_t *line)
{
    if (hasPixels())
        std::memcpy(
            m_rgb.data() + static_cast<size_t>(row) * m_width * 3, line, static_cast<size_t>(m_width) * 3);
}

void ImgSource::pixel(int x, int y, std::uint8_t *pixel) const
{
    if (hasPixels())
        std::memcpy(pixel, m_rgb.data() + (static_cast<size_t>(y) * m_width + x) * 3, 3);
}

void ImgSource::setPixel(int x, int y, const std::uint8_t *pixel)
{
    if (hasPixels())
        std::memcpy(m_rgb.data() + (static_cast<size_t>(y) * m_width + x) * 3, pixel, 3);
}

void ImgSource::antiFlicker(const std::function<void(int)> &progress)
{
    if (!hasPixels())
        return;
    const size_t stride = static_cast<size_t>(m_width) * 3;
    // Rows are filtered in place; the unfiltered copies of the row above and
    // of the current row are kept aside, so every output reads original rows only.
    std::vector<std::uint8_t> above(stride);
    std::vector<std::uint8_t> current(stride);
    std::memcpy(above.data(), m_rgb.data(), stride); // row -1 reads as row 0
    int reported = -1;
    for (int y = 0; y < m_height; ++y) {
        if (progress) {
            // A single row is complete at once; the general formula would divide by zero.
            const int percent
                = m_height > 1 ? static_cast<int>(std::nearbyint(y * 100.0 / (m_height - 1))) : 100;
            if (percent != reported) {
                reported = percent;
                progress(percent);
            }
        }
        std::uint8_t *row = m_rgb.data() + y * stride;
        std::memcpy(current.data(), row, stride);
        const std::uint8_t *below
            = y + 1 < m_height ? row + stride : current.data(); // the last row reads itself
        blendRows(above.data(), current.data(), below, row, stride);
        std::swap(above, current);
    }
}

bool ImgSource::setBrightnessContrast(double brightness, double contrast)
{
    if (!hasPixels() || !(brightness >= -1.0 && brightness <= 1.0) || !(contrast >= -1.0 && contrast <= 1.0))
        return false;
    const double gain = std::tan((contrast + 1.0) * std::numbers::pi / 4.0);
    std::array<std::uint8_t, 256> table {};
    for (int v = 0; v < 256; ++v) {
        const double out = (v - 127.5) * gain + 127.5 + brightness * 255.0;
        table[v] = static_cast<std::uint8_t>(std::clamp(std::nearbyint(out), 0.0, 255.0));
    }
    for (std::uint8_t &byte : m_rgb)
        byte = table[byte];
    return true;
}

int ImgSource::textHeight(const QString &text) const
{
    Q_UNUSED(text) // one line's height does not depend on its letters
    if (FontSize <= 0)
        return 0;
    return QFontMetrics(fontOf(Font, FontSize, true)).height();
}

int ImgSource::textWidth(const QString &text) const
{
    if (FontSize <= 0)
        return 0;
    const QFontMetrics metrics(fontOf(Font, FontSize, true));
    int widest = 0;
    for (const QString &line : linesOf(text))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

bool ImgSource::loadPicture(const QImage &picture)
{
    std::vector<std::uint8_t>().swap(m_rgb);
    if (picture.isNull()) {
        m_width = m_height = 0;
        return false;
    }
    const size_t bytes = bufferBytes(picture.width(), picture.height());
    QImage rgb(picture.size(), QImage::Format_RGB888);
    rgb.fill(Qt::black);
    {
        QPainter painter(&rgb);
        painter.drawImage(0, 0, picture);
    }
    m_width = picture.width();
    m_height = picture.height();
    m_rgb.resize(bytes);
    const size_t stride = static_cast<size_t>(m_width) * 3;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_rgb.data() + y * stride, rgb.constScanLine(y), stride);
    return true;
}

QString ImgSource::exifTag(const QString &fileName, int tag)
{
    const QByteArray exif = PictureReader::exifOf(fileName);
    return exif.isEmpty() ? QString() : ExifBlock(exif).tagText(tag);
}

QSize ImgSource::pictureSize(const QString &fileName)
{
    return PictureReader::uprightSize(fileName);
}

bool ImgSource::overlay(const ImgSource &image, int x, int y, double opacity, int mode)
{
    if (!hasPixels() || !image.hasPixels() || mode != 0)
        return false;
    if (&image == this) {
        const ImgSource same = copy();
        return overlay(same, x, y, opacity, mode);
    }
    if (!(opacity > 0.0))
        return true;

    const long long left = std::max(0LL, static_cast<long long>(x));
    const long long top = std::max(0LL, static_cast<long long>(y));
    const long long right
        = std::min(static_cast<long long>(m_width), static_cast<long long>(x) + image.m_width);
    const long long bottom
        = std::min(static_cast<long long>(m_height), static_cast<long long>(y) + image.m_height);
    if (left >= right || top >= bottom)
        return true;

    const size_t bytes = static_cast<size_t>(right - left) * 3;
    const int alpha = opacity >= 1.0 ? 256 : static_cast<int>(std::lround(opacity * 256.0));
    for (long long row = top; row < bottom; ++row) {
        std::uint8_t *to
            = m_rgb.data() + (static_cast<size_t>(row) * m_width + static_cast<size_t>(left)) * 3;
        const std::uint8_t *from = image.m_rgb.data()
            + (static_cast<size_t>(row - y) * image.m_width + static_cast<size_t>(left - x)) * 3;
        if (alpha >= 256) {
            std::memcpy(to, from, bytes);
        } else {
            for (size_t i = 0; i < bytes; ++i)
                to[i] = static_cast<std::uint8_t>(to[i] + (((from[i] - to[i]) * alpha + 128) >> 8));
        }
    }
    return true;
}

bool ImgSource::fill(std::uint32_t colour)
{
    if (!hasPixels())
        return false;
    const std::uint8_t pixel[3] = { static_cast<std::uint8_t>(colour & 0xFF),
        static_cast<std::uint8_t>((colour >> 8) & 0xFF), static_cast<std::uint8_t>((colour >> 16) & 0xFF) };
    const size_t stride = static_cast<size_t>(m_width) * 3;
    for (size_t i = 0; i < stride; i += 3)
        std::memcpy(m_rgb.data() + i, pixel, 3);
    for (int y = 1; y < m_height; ++y)
        std::memcpy(m_rgb.data() + y * stride, m_rgb.data(), stride);
    return true;
}

void ImgSource::create(int width, int height)
{
    const size_t bytes = bufferBytes(width, height);
    std::vector<std::uint8_t>().swap(m_rgb); // the old buffer goes first
    m_width = width;
    m_height = height;
    m_rgb.resize(bytes);
}

ImgSource ImgSource::copy() const
{
    ImgSource copy;
    copy.Font = Font;
    copy.FontSize = FontSize;
    copy.FontColor = FontColor;
    if (hasPixels()) {
        copy.m_width = m_width;
        copy.m_height = m_height;
        copy.m_rgb = m_rgb;
    }
    return copy;
}

bool ImgSource::paintText(const QString &text, int x, int y, bool smooth)
{
    if (!hasPixels() || FontSize <= 0)
        return false;
    if (x >= m_width || y >= m_height)
        return true; // the rectangle lies outside the raster

    // A QImage over our own buffer: the stride is exactly Width * 3, which
    // Format_RGB888 accepts, so QPainter draws straight into the pixels.
    QImage canvas(m_rgb.data(), m_width, m_height, m_width * 3, QImage::Format_RGB888);
    QPainter painter(&canvas);
    if (!painter.isActive())
        return false;
    const QFont font = fontOf(Font, FontSize, smooth);
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing, smooth);
    painter.setPen(colourOf(FontColor));
    painter.setClipRect(QRect(QPoint(std::max(x, 0), std::max(y, 0)), QPoint(m_width - 1, m_height - 1)));

    const QFontMetrics metrics(font);
    const int step = std::max(metrics.height(), metrics.lineSpacing());
    int baseline = y + metrics.ascent();
    for (const QString &line : linesOf(text)) {
        if (baseline - metrics.ascent() >= m_height)
            break;
        if (!line.isEmpty())
            painter.drawText(QPoint(x, baseline), line);
        baseline += step;
    }
    return true;
}

QImage ImgSource::toImage() const
{
    if (!hasPixels())
        return {};
    return QImage(m_rgb.data(), m_width, m_height, m_width * 3, QImage::Format_RGB888).copy();
}

bool ImgSource::saveJpg(const QString &fileName, int quality) const
{
    if (!hasPixels())
        return false;
    QByteArray jpeg;
    if (!JpegCodec::encode(m_rgb.data(), m_width, m_height, quality, jpeg))
        return false;
    // Written whole or not at all: a half-written still must never reach the encoder.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(jpeg) != jpeg.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool ImgSource::loadFile(const QString &fileName)
{
    return loadFile(fileName, 0, 0);
}

bool ImgSource::loadFile(const QString &fileName, int minWidth, int minHeight, QString *problem)
{
    std::vector<std::uint8_t>().swap(m_rgb);
    PictureReader reader;
    reader.read(fileName, minWidth, minHeight);
    return takePicture(reader, problem);
}

bool ImgSource::takePicture(PictureReader &reader, QString *problem)
{
    if (problem)
        *problem = reader.problem();
    const int width = reader.width();
    const int height = reader.height();
    std::vector<std::uint8_t> pixels = reader.takePixels();
    if (pixels.empty())
        return false;
    m_width = width;
    m_height = height;
    m_rgb = std::move(pixels);
    return true;
}

bool ImgSource::resize(int newWidth, int newHeight, int filterCode)
{
    if (!Resampler::isValidFilter(filterCode) || newWidth < 1 || newHeight < 1)
        return false;
    const size_t bytes = bufferBytes(newWidth, newHeight);
    if (!hasPixels())
        return false;
    std::vector<std::uint8_t> resized;
    try {
        resized.resize(bytes);
        if (!Resampler::resample(
                m_rgb.data(), m_width, m_height, resized.data(), newWidth, newHeight, filterCode))
            return false;
    } catch (const std::bad_alloc &) {
        return false;
    }
    m_rgb = std::move(resized);
    m_width = newWidth;
    m_height = newHeight;
    return true;
}

#include "base/MediaFormat.h"

#include <QFile>

#include <string_view>

namespace {

bool startsWith(const QByteArray &head, std::string_view magic, qsizetype at = 0)
{
    if (head.size() < at + static_cast<qsizetype>(magic.size()))
        return false;
    return std::string_view(head.constData() + at, magic.size()) == magic;
}

// ISO base media files (HEIF, AVIF, MP4, MOV, 3GP) open with a "ftyp" box
// naming a major brand and compatible brands; the brands tell a still
// picture from a movie.
MediaFormat isoBrandFormat(const QByteArray &head)
{
    if (!startsWith(head, "ftyp", 4))
        return MediaFormat::Unknown;
    const auto boxSize = static_cast<qsizetype>((static_cast<unsigned char>(head[0]) << 24)
        | (static_cast<unsigned char>(head[1]) << 16) | (static_cast<unsigned char>(head[2]) << 8)
        | static_cast<unsigned char>(head[3]));
    const qsizetype end = std::min<qsizetype>(std::max<qsizetype>(boxSize, 16), head.size());

    auto hasCompatibleBrand = [&](std::string_view brand) {
        for (qsizetype at = 16; at + 4 <= end; at += 4) {
            if (startsWith(head, brand, at))
                return true;
        }
        return false;
    };
    auto isMajorBrand = [&](std::string_view brand) { return startsWith(head, brand, 8); };

    // The major brand decides; an image sequence (avis, msf1) is still one
    // picture for a disc, its first frame.
    if (isMajorBrand("avif") || isMajorBrand("avis"))
        return MediaFormat::Avif;
    for (std::string_view brand : { "heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1" }) {
        if (isMajorBrand(brand))
            return hasCompatibleBrand("avif") && !hasCompatibleBrand("heic") ? MediaFormat::Avif
                                                                             : MediaFormat::Heif;
    }
    // Other major brands are movies (isom, mp42, "qt  ", 3gp4, ...).
    return MediaFormat::Movie;
}

bool isTransportStream(const QByteArray &head, int packet, int offset)
{
    // Sync bytes at the start of two packets in a row.
    return head.size() > offset + packet && head[offset] == 0x47 && head[offset + packet] == 0x47;
}

} // namespace

namespace MediaSignature {

MediaFormat formatOf(const QByteArray &head)
{
    if (startsWith(head, "\xFF\xD8\xFF"))
        return MediaFormat::Jpeg;
    if (startsWith(head, "\x89PNG\r\n\x1A\n"))
        return MediaFormat::Png;
    if (startsWith(head, "GIF87a") || startsWith(head, "GIF89a"))
        return MediaFormat::Gif;
    if (startsWith(head, "BM") && head.size() >= 14)
        return MediaFormat::Bmp;
    if (startsWith(head, std::string_view("II*\0", 4)) || startsWith(head, std::string_view("MM\0*", 4)))
        return MediaFormat::Tiff;
    if (startsWith(head, "RIFF") && startsWith(head, "WEBP", 8))
        return MediaFormat::WebP;
    if (startsWith(head, "RIFF") && startsWith(head, "AVI ", 8))
        return MediaFormat::Movie;
    const MediaFormat iso = isoBrandFormat(head);
    if (iso != MediaFormat::Unknown)
        return iso;
    // QuickTime files without a "ftyp" box open with another top-level box.
    for (std::string_view box : { "moov", "mdat", "wide", "free", "skip" }) {
        if (startsWith(head, box, 4))
            return MediaFormat::Movie;
    }
    if (startsWith(head, "\x1A\x45\xDF\xA3")) // Matroska and WebM
        return MediaFormat::Movie;
    if (startsWith(head, std::string_view("\x00\x00\x01\xBA", 4))
        || startsWith(head, std::string_view("\x00\x00\x01\xB3", 4))) // MPEG program or video stream
        return MediaFormat::Movie;
    if (startsWith(head, "\x30\x26\xB2\x75\x8E\x66\xCF\x11")) // ASF (WMV)
        return MediaFormat::Movie;
    if (isTransportStream(head, 188, 0) || isTransportStream(head, 192, 4)) // MPEG-TS, M2TS
        return MediaFormat::Movie;
    return MediaFormat::Unknown;
}

MediaFormat formatOfFile(const QString &path, bool *readable)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    QByteArray head;
    if (opened)
        head = file.read(kHeadBytes);
    if (readable)
        *readable = opened && (head.size() > 0 || file.error() == QFileDevice::NoError);
    return formatOf(head);
}

bool isPicture(MediaFormat format)
{
    return format != MediaFormat::Unknown && format != MediaFormat::Movie;
}

QString nameOf(MediaFormat format)
{
    switch (format) {
    case MediaFormat::Jpeg:
        return QStringLiteral("JPEG");
    case MediaFormat::Png:
        return QStringLiteral("PNG");
    case MediaFormat::Gif:
        return QStringLiteral("GIF");
    case MediaFormat::Bmp:
        return QStringLiteral("BMP");
    case MediaFormat::Tiff:
        return QStringLiteral("TIFF");
    case MediaFormat::WebP:
        return QStringLiteral("WebP");
    case MediaFormat::Heif:
        return QStringLiteral("HEIF");
    case MediaFormat::Avif:
        return QStringLiteral("AVIF");
    case MediaFormat::Movie:
        return QStringLiteral("movie");
    case MediaFormat::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

} // namespace MediaSignature

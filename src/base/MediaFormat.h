#pragma once

#include <QByteArray>
#include <QString>

// What a file holds, told by its first bytes and never by its name: a
// photo renamed ".jpg" is still read as the PNG it is.
enum class MediaFormat {
    Unknown, // nothing recognised (also an empty file)
    Jpeg,
    Png,
    Gif,
    Bmp,
    Tiff,
    WebP,
    Heif, // HEIC and other HEIF stills
    Avif,
    Movie, // a container or stream ffmpeg reads (MP4/MOV, Matroska, AVI, MPEG, ASF)
};

namespace MediaSignature {

// How many leading bytes formatOf needs to decide.
constexpr int kHeadBytes = 512;

// The format of a file that starts with head (fewer bytes are fine; the
// file's first kHeadBytes bytes are enough for every format known here).
MediaFormat formatOf(const QByteArray &head);

// Reads the file's head. Unknown for an empty file; readable is cleared when
// the file cannot be opened or read.
MediaFormat formatOfFile(const QString &path, bool *readable = nullptr);

// True for the still picture formats.
bool isPicture(MediaFormat format);

// A short name for messages and logs: "JPEG", "PNG", "HEIF", ...
QString nameOf(MediaFormat format);

} // namespace MediaSignature

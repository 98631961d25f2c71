#include "project/NodeKind.h"

#include <QFileInfo>

#include <array>

namespace {

constexpr std::array<const char *, 12> kPictureExtensions { "jpg", "jpeg", "jpe", "png", "webp", "tif",
    "tiff", "bmp", "gif", "heic", "heif", "avif" };
constexpr std::array<const char *, 13> kMovieExtensions { "mp4", "m4v", "mov", "mkv", "webm", "avi", "3gp",
    "mts", "m2ts", "mpg", "mpeg", "vob", "wmv" };
constexpr std::array<const char *, 8> kAudioExtensions { "mp3", "ogg", "oga", "opus", "flac", "wav", "m4a",
    "aac" };

// The position of the dot before the last extension, or -1. A leading dot
// belongs to a hidden file's name, not to an extension; a trailing one opens
// none.
qsizetype extensionDot(QStringView name)
{
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= slash + 1 || dot == name.size() - 1)
        return -1;
    return dot;
}

template <size_t N> bool isOneOf(QStringView extension, const std::array<const char *, N> &list)
{
    for (const char *candidate : list) {
        if (extension.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QString slideshowName()
{
    return QStringLiteral(".slideshow");
}

bool isAudioName(const QString &name)
{
    const qsizetype dot = extensionDot(name);
    return dot >= 0 && isOneOf(QStringView(name).mid(dot + 1), kAudioExtensions);
}

NodeKind kindOfName(const QString &name)
{
    if (name == slideshowName() || name.endsWith(u'/' + slideshowName()))
        return NodeKind::Slideshow;
    const qsizetype dot = extensionDot(name);
    if (dot < 0)
        return NodeKind::None;
    const QStringView extension = QStringView(name).mid(dot + 1);
    if (isOneOf(extension, kPictureExtensions))
        return NodeKind::Picture;
    if (isOneOf(extension, kMovieExtensions))
        return NodeKind::Movie;
    return NodeKind::None;
}

NodeKind nodeKindOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return NodeKind::Menu;
    if (kindOfName(path) == NodeKind::Slideshow)
        return NodeKind::Slideshow;
    if (!info.exists())
        return NodeKind::None;
    return kindOfName(path);
}

QString nameWithoutExtension(const QString &name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? name : name.left(dot);
}

QString captionPathOf(const QString &picturePath)
{
    return nameWithoutExtension(picturePath) + QLatin1String(".txt");
}

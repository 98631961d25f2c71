#include "authoring/FileNames.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include "base/KelvaraError.h"

namespace {
bool keptAsIs(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c == U'-'
        || c == U'(' || c == U')' || c == U' ' || c == U':' || c == U'.' || c == U'/';
}
// The files an output name stands for in its folder: a folder is itself; a
// picture is its still and caption still with their temporary files; a
// movie is its converted stream and that stream's part file.
QStringList claimedFiles(const QString &name, bool picture, bool movie)
{
    if (movie)
        return { name + QLatin1String(".mpg"), name + QLatin1String(".mpg.part") };
    if (!picture)
        return { name };
    QStringList files;
    for (const QString &stem : QStringList { name, name + QLatin1String("_text") }) {
        for (const char *suffix : { ".mpg", ".mpg.part", ".jpx", ".m1v", ".m2v" })
            files.append(stem + QLatin1String(suffix));
    }
    return files;
}

// Names the build itself writes: the menu stills in every output folder,
// and the description, image and manifest beside the top-level outputs.
bool reserved(const QString &folded, bool topLevel)
{
    static const QRegularExpression menuStill(QStringLiteral("^menu_[0-9]+\\."));
    if (menuStill.match(folded).hasMatch())
        return true;
    // A distinguishing suffix takes a name out of the build's own.
    return topLevel && !folded.contains(u'~')
        && (folded.startsWith(QLatin1String("vcd.bin")) || folded.startsWith(QLatin1String("vcd.cue"))
            || folded.startsWith(QLatin1String("vcd.xml")) || folded.startsWith(QLatin1String("kelvara-")));
}

} // namespace

QString filterFileName(const QString &path)
{
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path.at(i);
        // A surrogate pair is one character: it becomes one "_".
        if (c.isHighSurrogate() && i + 1 < path.size() && path.at(i + 1).isLowSurrogate()) {
            out += u'_';
            ++i;
            continue;
        }
        out += keptAsIs(c.unicode()) ? c : QChar(u'_');
    }
    return out;
}

void makeFolderPath(const QString &path)
{
    const QStringList pieces = path.split(u'/');
    QString accumulated = path.startsWith(u'/') ? QStringLiteral("/") : QString();
    for (const QString &piece : pieces) {
        if (piece.isEmpty())
            continue;
        accumulated += piece + u'/';
        const QFileInfo info(accumulated);
        if (info.isDir())
            continue;
        if (!QDir().mkdir(accumulated))
            throw KelvaraError(75,
                QLatin1String("Path/File access error: cannot create folder ")
                    + QDir::toNativeSeparators(accumulated));
    }
}

QString parentFolderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        throw KelvaraError(5,
            QLatin1String("Invalid procedure call or argument: no folder in \"") + path
                + QLatin1String("\""));
    return path.left(slash);
}

QString outputPathBelow(const QString &buildPath, const QString &relativePart)
{
    QString base = buildPath;
    while (base.size() > 1 && base.endsWith(u'/'))
        base.chop(1);
    qsizetype start = 0;
    while (start < relativePart.size() && relativePart.at(start) == u'/')
        ++start;
    const QString below = relativePart.mid(start);
    if (below.isEmpty())
        return base;
    return (base == QLatin1String("/") ? base : base + u'/') + filterFileName(below);
}

QStringList distinctOutputNames(const QList<OutputEntry> &entries, bool topLevel)
{
    QSet<QString> taken;
    QStringList names;
    names.reserve(entries.size());
    for (const OutputEntry &entry : entries) {
        const QString base = filterFileName(entry.name);
        for (int number = 1;; ++number) {
            const QString candidate = number == 1 ? base : base + u'~' + QString::number(number);
            QStringList files = claimedFiles(candidate, entry.picture, entry.movie);
            for (QString &file : files)
                file = file.toCaseFolded();
            const bool free = std::none_of(files.cbegin(), files.cend(),
                [&](const QString &file) { return taken.contains(file) || reserved(file, topLevel); });
            if (!free)
                continue;
            for (const QString &file : files)
                taken.insert(file);
            names.append(candidate);
            break;
        }
    }
    return names;
}

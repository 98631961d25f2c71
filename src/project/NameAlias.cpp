#include "project/NameAlias.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The extension of the shown name, when it is plain ASCII letters and digits.
QString plainExtension(const QString &shownName)
{
    const qsizetype dot = shownName.lastIndexOf(u'.');
    if (dot < 0 || dot + 1 >= shownName.size())
        return {};
    const QString extension = shownName.mid(dot + 1);
    for (const QChar c : extension) {
        if (c.unicode() > 0x7f || !c.isLetterOrNumber())
            return {};
    }
    return extension;
}

// Ours alone: a real folder (not a link someone placed), owned by us, closed
// to others, so no one else can swap a link before it is read.
bool isPrivateFolder(const QByteArray &path)
{
    struct stat st;
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && chmod(path.constData(), 0700) != 0)
        return false;
    return true;
}

} // namespace

QString NameAlias::folder()
{
    const QString home = qEnvironmentVariable("KELVARA_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home + QStringLiteral("/cache/names"));
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(cache + QStringLiteral("/kelvara/names"));
}

QString NameAlias::linkTo(const QByteArray &rawPath, const QString &shownName)
{
    const QString dir = folder();
    if (!QDir().mkpath(dir) || !isPrivateFolder(QFile::encodeName(dir)))
        return {};

    QString name
        = QString::fromLatin1(QCryptographicHash::hash(rawPath, QCryptographicHash::Sha256).toHex().left(24));
    const QString extension = plainExtension(shownName);
    if (!extension.isEmpty())
        name += u'.' + extension;
    const QString link = dir + u'/' + name;
    const QByteArray linkBytes = QFile::encodeName(link);

    char target[4096];
    const ssize_t n = readlink(linkBytes.constData(), target, sizeof target);
    if (n >= 0 && QByteArray(target, static_cast<qsizetype>(n)) == rawPath)
        return link;

    // Made under a temporary name and renamed, so a reader never sees a link
    // half made or pointing elsewhere.
    const QByteArray temporary = linkBytes + ".new-" + QByteArray::number(static_cast<qint64>(getpid()));
    unlink(temporary.constData());
    if (symlink(rawPath.constData(), temporary.constData()) != 0)
        return {};
    if (rename(temporary.constData(), linkBytes.constData()) != 0) {
        unlink(temporary.constData());
        return {};
    }
    return link;
}

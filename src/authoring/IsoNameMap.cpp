#include "authoring/IsoNameMap.h"

#include <QHash>

namespace {

bool isPlainChar(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

} // namespace

QSet<QString> IsoNameMap::discRootNames()
{
    // The folders vcdxbuild writes for either disc type, those the standards
    // keep for players, and the index page the album gets.
    return { QStringLiteral("VCD"), QStringLiteral("SVCD"), QStringLiteral("MPEGAV"), QStringLiteral("MPEG2"),
        QStringLiteral("SEGMENT"), QStringLiteral("EXT"), QStringLiteral("CDI"), QStringLiteral("CDDA"),
        QStringLiteral("KARAOKE"), QStringLiteral("INDEX.HTM") };
}

QString IsoNameMap::plainPart(const QString &realName, int maxLength)
{
    // Decomposed, an accented letter is its base letter plus marks that can
    // simply go: "Été" reads "ETE" rather than "_T_".
    const QString decomposed = realName.normalized(QString::NormalizationForm_KD);
    QString out;
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_SpacingCombining
            || c.category() == QChar::Mark_Enclosing)
            continue;
        const QChar upper = c.unicode() < 0x80 ? c.toUpper() : c;
        if (isPlainChar(upper))
            out += upper;
        else if (!out.isEmpty() && !out.endsWith(u'_'))
            out += u'_';
    }
    while (out.endsWith(u'_'))
        out.chop(1);
    out.truncate(maxLength);
    while (out.endsWith(u'_'))
        out.chop(1);
    return out;
}

QString IsoNameMap::extensionFor(const QString &suffix)
{
    // Four-letter suffixes with a three-letter form a computer knows; the
    // rest are cut, so "webp" and "heic" keep most of what they say.
    static const QHash<QString, QString> shortForms { { QStringLiteral("JPEG"), QStringLiteral("JPG") },
        { QStringLiteral("TIFF"), QStringLiteral("TIF") }, { QStringLiteral("MPEG"), QStringLiteral("MPG") },
        { QStringLiteral("M2TS"), QStringLiteral("MTS") }, { QStringLiteral("AVIF"), QStringLiteral("AVF") },
        { QStringLiteral("WEBM"), QStringLiteral("WBM") } };
    const QString plain = plainPart(suffix, 16);
    return shortForms.value(plain, plain.left(ExtensionLength));
}

void IsoNameMap::reserve(const QString &isoName)
{
    m_taken.insert(isoName.toUpper());
}

QString IsoNameMap::fileName(const QString &realName)
{
    const int dot = realName.lastIndexOf(u'.');
    const QString stem = dot > 0 ? realName.left(dot) : realName;
    const QString extension = dot > 0 ? extensionFor(realName.mid(dot + 1)) : QString();
    QString plainStem = plainPart(stem, StemLength);
    if (plainStem.isEmpty())
        plainStem = QStringLiteral("FILE");
    // vcdxbuild refuses a file name without a dot.
    return unique(plainStem, u'.' + (extension.isEmpty() ? QStringLiteral("_") : extension));
}

QString IsoNameMap::folderName(const QString &realName)
{
    QString plain = plainPart(realName, StemLength);
    if (plain.isEmpty())
        plain = QStringLiteral("FOLDER");
    return unique(plain, QString());
}

QString IsoNameMap::unique(const QString &stem, const QString &dotExtension)
{
    QString name = stem + dotExtension;
    for (int n = 2; m_taken.contains(name); ++n) {
        const QString suffix = u'_' + QString::number(n);
        QString shortened = stem.left(StemLength - suffix.size());
        while (shortened.endsWith(u'_'))
            shortened.chop(1);
        name = shortened + suffix + dotExtension;
    }
    m_taken.insert(name);
    return name;
}

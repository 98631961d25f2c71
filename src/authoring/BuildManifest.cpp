#include "authoring/BuildManifest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "base/ContentHash.h"

namespace {

// Raised when the meaning of a record changes; an older manifest then reuses
// nothing.
constexpr int kFormat = 1;

} // namespace

QString BuildManifest::fileName()
{
    return QStringLiteral("kelvara-manifest.json");
}

QString BuildManifest::pathOf(const QString &output) const
{
    return m_folder + u'/' + output;
}

bool BuildManifest::isOwnOutput(const QString &output)
{
    // Whatever a damaged or foreign manifest says, only stills below the
    // build folder are ever deleted.
    if (output.isEmpty() || output.startsWith(u'/') || !output.endsWith(QLatin1String(".mpg")))
        return false;
    const QStringList parts = output.split(u'/');
    return !parts.contains(QStringLiteral("..")) && !parts.contains(QStringLiteral("."))
        && !parts.contains(QString());
}

void BuildManifest::load(const QString &buildFolder)
{
    m_folder = buildFolder;
    while (m_folder.size() > 1 && m_folder.endsWith(u'/'))
        m_folder.chop(1);
    m_previous.clear();
    m_current.clear();
    m_made = 0;
    m_reused = 0;

    QFile file(pathOf(fileName()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toInt() != kFormat)
        return;
    const QJsonObject outputs = root.value(QLatin1String("outputs")).toObject();
    for (auto it = outputs.begin(); it != outputs.end(); ++it) {
        const QJsonObject record = it.value().toObject();
        Entry entry;
        entry.fingerprint = record.value(QLatin1String("fingerprint")).toString();
        entry.size = record.value(QLatin1String("size")).toInteger(-1);
        entry.hash = record.value(QLatin1String("hash")).toString();
        if (isOwnOutput(it.key()) && !entry.fingerprint.isEmpty() && entry.size >= 0 && !entry.hash.isEmpty())
            m_previous.insert(it.key(), entry);
    }
}

bool BuildManifest::reuse(const QString &output, const QString &fingerprint)
{
    const auto found = m_previous.constFind(output);
    if (fingerprint.isEmpty() || found == m_previous.cend() || found->fingerprint != fingerprint)
        return false;
    // A still cut short (a full disk, a killed build) has another size, or
    // failing that another hash.
    const QString path = pathOf(output);
    if (QFileInfo(path).size() != found->size || ContentHash::ofFile(path) != found->hash)
        return false;
    m_current.insert(output, *found);
    ++m_reused;
    return true;
}

void BuildManifest::expect(const QString &output, const QString &fingerprint)
{
    m_current.insert(output, { fingerprint, -1, QString() });
    ++m_made;
}

bool BuildManifest::save(bool complete)
{
    if (m_folder.isEmpty())
        return false;
    QJsonObject outputs;
    for (auto it = m_current.begin(); it != m_current.end(); ++it) {
        Entry &entry = it.value();
        if (entry.size < 0) {
            const QString path = pathOf(it.key());
            const std::optional<QString> hash = ContentHash::ofFile(path);
            if (!hash || entry.fingerprint.isEmpty())
                continue; // not made after all: nothing to reuse
            entry.size = QFileInfo(path).size();
            entry.hash = *hash;
        }
        outputs.insert(it.key(),
            QJsonObject { { QLatin1String("fingerprint"), entry.fingerprint },
                { QLatin1String("size"), entry.size }, { QLatin1String("hash"), entry.hash } });
    }
    for (auto it = m_previous.cbegin(); it != m_previous.cend(); ++it) {
        if (m_current.contains(it.key()))
            continue;
        if (complete) {
            QFile::remove(pathOf(it.key()));
            // Folders the removed stills leave empty go too; rmdir refuses
            // any that still hold something.
            QString folder = QFileInfo(it.key()).path();
            while (folder != QLatin1String(".") && QDir(m_folder).rmdir(folder))
                folder = QFileInfo(folder).path();
        } else {
            outputs.insert(it.key(),
                QJsonObject { { QLatin1String("fingerprint"), it->fingerprint },
                    { QLatin1String("size"), it->size }, { QLatin1String("hash"), it->hash } });
        }
    }

    QSaveFile file(pathOf(fileName()));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QJsonObject root { { QLatin1String("format"), kFormat }, { QLatin1String("outputs"), outputs } };
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    return file.commit();
}

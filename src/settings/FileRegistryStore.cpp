#include "settings/FileRegistryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

namespace {

// Permission bits first: root passes every access() test, yet a store that
// someone made read-only must stay unchanged for root too.
bool writableEntry(const QString &path)
{
    const QFileInfo info(path);
    const QFile::Permissions perms = info.permissions();
    if (!(perms & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        return false;
    return info.isWritable();
}

QString damagedName(const QString &fileName)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = fileName + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = fileName + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    return name;
}

enum class FileState { Missing, Good, Damaged, Unreadable };

FileState parseFile(const QString &fileName, const QString &hiveName, RegistryHive &out)
{
    QFile file(fileName);
    if (!file.exists())
        return FileState::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return FileState::Unreadable;
    auto parsed = RegistryHive::parse(file.readAll(), hiveName);
    if (!parsed)
        return FileState::Damaged;
    out = std::move(*parsed);
    return FileState::Good;
}

} // namespace

FileRegistryStore::FileRegistryStore()
    : FileRegistryStore(defaultFolder())
{ }

FileRegistryStore::FileRegistryStore(const QString &folder)
    : m_folder(QDir::cleanPath(folder))
{ }

QString FileRegistryStore::defaultFolder()
{
    const QString own = qEnvironmentVariable("KELVARA_REGISTRY_DIR");
    if (!own.isEmpty())
        return QDir::cleanPath(own);
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/kelvara"));
}

QString FileRegistryStore::fileFor(std::uint32_t hive) const
{
    const QString name = hiveName(hive);
    if (name.isEmpty())
        return {};
    return m_folder + u'/' + name + QStringLiteral(".reg");
}

bool FileRegistryStore::canWrite(std::uint32_t hive)
{
    const QString file = fileFor(hive);
    if (file.isEmpty())
        return false;
    if (QFileInfo::exists(file))
        return writableEntry(file) && writableEntry(m_folder);
    // The folder is made on the first write: its nearest existing ancestor decides.
    QString dir = m_folder;
    while (!QFileInfo::exists(dir)) {
        const QString parent = QFileInfo(dir).path();
        if (parent == dir)
            return false;
        dir = parent;
    }
    return QFileInfo(dir).isDir() && writableEntry(dir);
}

std::optional<RegistryHive> FileRegistryStore::readFile(
    const QString &fileName, const QString &hiveName, bool moveDamaged)
{
    RegistryHive content(hiveName);
    switch (parseFile(fileName, hiveName, content)) {
    case FileState::Unreadable:
        return std::nullopt;
    case FileState::Damaged:
        if (moveDamaged && writableEntry(m_folder))
            QFile::rename(fileName, damagedName(fileName));
        return RegistryHive(hiveName);
    case FileState::Missing:
    case FileState::Good:
        break;
    }
    return content;
}

std::optional<RegistryHive> FileRegistryStore::load(std::uint32_t hive)
{
    const QString name = hiveName(hive);
    if (name.isEmpty())
        return std::nullopt;
    if (m_updateDepth > 0) {
        const auto it = m_pending.find(hive);
        if (it != m_pending.end() && it->second.content)
            return it->second.content;
    }
    const QString fileName = fileFor(hive);
    // Writers replace the file in one rename, so a plain read sees either the
    // old or the new content; only a damaged file needs the lock, to move it.
    std::optional<RegistryHive> content = RegistryHive(name);
    if (parseFile(fileName, name, *content) == FileState::Damaged) {
        content = RegistryHive(name);
        if (writableEntry(m_folder)) {
            QLockFile lock(fileName + QStringLiteral(".lock"));
            if (lock.tryLock(LockTimeoutMs)) {
                if (auto again = readFile(fileName, name, true))
                    content = std::move(again);
            }
        }
    }
    if (m_updateDepth > 0)
        m_pending[hive].content = content;
    return content;
}

bool FileRegistryStore::openForChange(
    std::uint32_t hive, std::unique_ptr<QLockFile> &lock, std::optional<RegistryHive> &content)
{
    if (!canWrite(hive) || !QDir().mkpath(m_folder))
        return false;
    const QString fileName = fileFor(hive);
    auto held = std::make_unique<QLockFile>(fileName + QStringLiteral(".lock"));
    if (!held->tryLock(LockTimeoutMs))
        return false;
    content = readFile(fileName, hiveName(hive), true);
    if (!content)
        return false; // present but unreadable: writing would destroy it
    lock = std::move(held);
    return true;
}

bool FileRegistryStore::writeFile(const QString &fileName, const RegistryHive &content)
{
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = content.toText();
    if (out.write(text) != text.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool FileRegistryStore::modify(std::uint32_t hive, const std::function<bool(RegistryHive &, bool &)> &change)
{
    if (hiveName(hive).isEmpty())
        return false;
    bool changed = false;
    if (m_updateDepth > 0) {
        Pending &pending = m_pending[hive];
        if (!pending.lock) {
            std::optional<RegistryHive> fresh;
            if (!openForChange(hive, pending.lock, fresh))
                return false;
            pending.content = std::move(fresh);
        }
        if (!change(*pending.content, changed))
            return false;
        pending.dirty = pending.dirty || changed;
        return true;
    }

    std::unique_ptr<QLockFile> lock;
    std::optional<RegistryHive> content;
    if (!openForChange(hive, lock, content))
        return false;
    if (!change(*content, changed))
        return false;
    return !changed || writeFile(fileFor(hive), *content);
}

void FileRegistryStore::beginUpdate()
{
    ++m_updateDepth;
}

void FileRegistryStore::endUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    for (auto &[hive, pending] : m_pending) {
        if (pending.dirty && pending.lock && pending.content)
            writeFile(fileFor(hive), *pending.content);
    }
    m_pending.clear(); // releases the locks
}

FileRegistryStore::~FileRegistryStore()
{
    if (m_updateDepth > 0) {
        m_updateDepth = 1;
        endUpdate();
    }
}

bool FileRegistryStore::createKey(std::uint32_t hive, const QString &key)
{
    const QStringList parts = keyParts(key);
    return modify(hive, [&](RegistryHive &content, bool &changed) {
        changed = content.createKey(parts);
        return true;
    });
}

std::optional<RegistryValue> FileRegistryStore::readValue(
    std::uint32_t hive, const QString &key, const QString &name)
{
    const auto content = load(hive);
    if (!content)
        return std::nullopt;
    return content->value(keyParts(key), name);
}

bool FileRegistryStore::writeValue(
    std::uint32_t hive, const QString &key, const QString &name, const RegistryValue &value)
{
    const QStringList parts = keyParts(key);
    return modify(hive, [&](RegistryHive &content, bool &changed) {
        changed = content.setValue(parts, name, value);
        return true;
    });
}

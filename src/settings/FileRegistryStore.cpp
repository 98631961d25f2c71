#include "settings/FileRegistryStore.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/StringTable.h"
#include "base/TextIds.h"

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

// "<file>.damaged-<stamp>" or "<file>.refused-<stamp>", numbered when taken.
QString asideName(const QString &fileName, const QString &why)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = fileName + u'.' + why + u'-' + stamp;
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + u'-' + QString::number(n);
    return name;
}

enum class FileState { Missing, Good, Damaged, NotRegular, TooLarge, Unreadable };

bool isRefused(FileState state)
{
    return state == FileState::NotRegular || state == FileState::TooLarge;
}

class FdHandle
{
public:
    explicit FdHandle(int fd)
        : m_fd(fd)
    { }
    ~FdHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdHandle(const FdHandle &) = delete;
    FdHandle &operator=(const FdHandle &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

FileState parseFile(const QString &fileName, const QString &hiveName, RegistryHive &out)
{
    const QByteArray path = QFile::encodeName(fileName);
    // Looked at before it is opened: reading a pipe or a device (a link to
    // /dev/zero, say) would block or never end, and every command reads this.
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Unreadable;
    if (!S_ISREG(st.st_mode))
        return FileState::NotRegular;
    if (st.st_size > FileRegistryStore::MaxFileBytes)
        return FileState::TooLarge;

    // Non-blocking, and checked once more on the open descriptor, in case the
    // name was swapped for a pipe in between.
    const FdHandle fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return FileState::Unreadable;
    if (::fstat(fd.get(), &st) != 0)
        return FileState::Unreadable;
    if (!S_ISREG(st.st_mode))
        return FileState::NotRegular;

    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(std::min<off_t>(st.st_size, FileRegistryStore::MaxFileBytes)) + 1);
    qsizetype total = 0;
    for (;;) {
        const ssize_t n = ::read(fd.get(), bytes.data() + total, static_cast<size_t>(bytes.size() - total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return FileState::Unreadable;
        }
        if (n == 0)
            break;
        total += n;
        if (total == bytes.size()) {
            if (total > FileRegistryStore::MaxFileBytes)
                return FileState::TooLarge; // grew while being read
            bytes.resize(bytes.size() * 2);
        }
    }
    bytes.truncate(total);

    RegistryHive::Reading reading = RegistryHive::read(bytes, hiveName);
    out = std::move(reading.hive);
    return reading.damaged ? FileState::Damaged : FileState::Good;
}

// What has been said about stored files in this process: each file once,
// however many stores read it.
struct NoticeBook
{
    QMutex mutex;
    QSet<QString> told;
    QList<FileRegistryStore::Notice> pending;
};

NoticeBook &noticeBook()
{
    static NoticeBook book;
    return book;
}

FileRegistryStore::Notice noticeFor(const QString &fileName, FileState state)
{
    FileRegistryStore::Notice notice;
    notice.file = fileName;
    notice.problem = state == FileState::Damaged ? FileRegistryStore::Notice::Damaged
        : state == FileState::TooLarge           ? FileRegistryStore::Notice::TooLarge
                                                 : FileRegistryStore::Notice::NotRegular;
    return notice;
}

void record(const FileRegistryStore::Notice &notice)
{
    NoticeBook &book = noticeBook();
    const QMutexLocker locker(&book.mutex);
    if (book.told.contains(notice.file))
        return;
    book.told.insert(notice.file);
    book.pending.append(notice);
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
    const QString &fileName, const QString &hiveName, bool moveAside)
{
    RegistryHive content(hiveName);
    const FileState state = parseFile(fileName, hiveName, content);
    switch (state) {
    case FileState::Unreadable:
        return std::nullopt;
    case FileState::Damaged:
    case FileState::NotRegular:
    case FileState::TooLarge: {
        if (isRefused(state))
            content = RegistryHive(hiveName);
        Notice notice = noticeFor(fileName, state);
        bool setAside = false;
        if (moveAside && writableEntry(m_folder)) {
            // The link or pipe itself is renamed, never what it leads to.
            const QString aside = asideName(fileName,
                state == FileState::Damaged ? QStringLiteral("damaged") : QStringLiteral("refused"));
            setAside = ::rename(QFile::encodeName(fileName).constData(), QFile::encodeName(aside).constData())
                == 0;
            if (setAside) {
                notice.keptAs = aside;
                // What could be read becomes the file, so that the next read
                // (every read opens the file afresh) still finds it.
                if (state == FileState::Damaged && content.hasValues())
                    writeFile(fileName, content);
            }
        }
        if (moveAside)
            record(notice);
        // Writing over a file that could not be set aside would lose what it holds.
        if (moveAside && !setAside)
            return std::nullopt;
        return content;
    }
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
    // old or the new content; only a file to be set aside needs the lock.
    std::optional<RegistryHive> content = RegistryHive(name);
    const FileState state = parseFile(fileName, name, *content);
    if (state == FileState::Damaged || isRefused(state)) {
        if (isRefused(state))
            content = RegistryHive(name);
        bool handled = false; // set aside (or tried) and told by readFile
        if (writableEntry(m_folder)) {
            QLockFile lock(fileName + QStringLiteral(".lock"));
            if (lock.tryLock(LockTimeoutMs)) {
                // What could be read is used even when the file stays where it is.
                if (auto again = readFile(fileName, name, true))
                    content = std::move(again);
                handled = true;
            }
        }
        if (!handled)
            record(noticeFor(fileName, state));
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

QList<FileRegistryStore::Notice> FileRegistryStore::takeNotices()
{
    NoticeBook &book = noticeBook();
    const QMutexLocker locker(&book.mutex);
    return std::exchange(book.pending, {});
}

QString FileRegistryStore::Notice::text() const
{
    const int id = problem == Damaged ? TextId::MsgSettingsDamaged
        : problem == TooLarge         ? TextId::MsgSettingsTooLarge
                                      : TextId::MsgSettingsNotRegular;
    QString out = localText(id).arg(file);
    out += u' ';
    out += keptAs.isEmpty() ? localText(TextId::MsgSettingsLeftInPlace)
                            : localText(TextId::MsgSettingsKeptAs).arg(keptAs);
    return out;
}

QString FileRegistryStore::Notice::title()
{
    return localText(TextId::TitleSettingsFile);
}

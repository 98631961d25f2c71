#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <map>
#include <memory>

#include "settings/RegistryHive.h"
#include "settings/RegistryStore.h"

class QLockFile;

// The registry kept as one text file per hive ("HKEY_LOCAL_MACHINE.reg" and
// so on, see RegistryHive for the layout) in $KELVARA_REGISTRY_DIR, by default
// ${XDG_CONFIG_HOME:-~/.config}/kelvara.
//
// Every change re-reads the file, applies itself and replaces the file
// atomically, all under a lock file, so two programs saving at once never
// leave a half-written file and never lose each other's values. A damaged
// file reads as what could be read of it and is moved aside as
// "<name>.damaged-<yyyyMMdd-HHmmss>"; a file that is no regular file (a pipe,
// a device, a link to one) or is larger than MaxFileBytes is not read at all
// and moved aside as "<name>.refused-<yyyyMMdd-HHmmss>". Either is told once
// per process through takeNotices(). A folder or file without write
// permission (by its permission bits, so that even root respects a store made
// read-only) refuses every change. Inside beginUpdate/endUpdate a hive is read
// once, locked at its first change, and written once at the end.
class FileRegistryStore : public RegistryStore
{
public:
    // A settings file is a few kilobytes; anything near this is not ours.
    static constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

    // A stored file that was damaged or refused, for the person to hear about.
    struct Notice
    {
        enum Problem { Damaged, NotRegular, TooLarge };
        QString file;
        Problem problem = Damaged;
        QString keptAs; // where the file was moved; empty when it stayed in place

        static QString title();
        // In the interface language at the time of the call.
        QString text() const;
    };

    // The notices not yet taken, each file once per process. The front ends
    // take them after reading the settings, so that the text is in the stored
    // language and the window can own its message box.
    static QList<Notice> takeNotices();

    // The folder named by the environment.
    FileRegistryStore();
    explicit FileRegistryStore(const QString &folder);

    static QString defaultFolder();
    // Empty for a handle that names no hive.
    QString fileFor(std::uint32_t hive) const;

    ~FileRegistryStore() override;

    bool createKey(std::uint32_t hive, const QString &key) override;
    std::optional<RegistryValue> readValue(
        std::uint32_t hive, const QString &key, const QString &name) override;
    bool writeValue(
        std::uint32_t hive, const QString &key, const QString &name, const RegistryValue &value) override;
    void beginUpdate() override;
    void endUpdate() override;

private:
    // A hive held during an update.
    struct Pending
    {
        std::optional<RegistryHive> content;
        std::unique_ptr<QLockFile> lock; // set once a change has been made
        bool dirty = false;
    };

    // True when the hive's file may be changed at all.
    bool canWrite(std::uint32_t hive);
    // Checks, creates the folder and takes the lock; then the current content.
    bool openForChange(
        std::uint32_t hive, std::unique_ptr<QLockFile> &lock, std::optional<RegistryHive> &content);
    bool writeFile(const QString &fileName, const RegistryHive &content);

    // The hive as stored now; empty when the handle names no hive.
    std::optional<RegistryHive> load(std::uint32_t hive);
    // Reads the file; a damaged one gives what could be read and a refused one
    // counts as empty; with moveAside either is moved aside (when the folder
    // allows it) and noted. Empty optional when the file exists but cannot be
    // read, or must be moved aside and could not be. Call with the lock held
    // when moving is wanted.
    std::optional<RegistryHive> readFile(const QString &fileName, const QString &hiveName, bool moveAside);
    // Runs change on the current content under the lock; writes the file when
    // change reports a modification. False when refused or when change fails.
    bool modify(std::uint32_t hive, const std::function<bool(RegistryHive &, bool &changed)> &change);

    // How long a change waits for another program's lock before it gives up.
    static constexpr int LockTimeoutMs = 20000;

    QString m_folder;
    int m_updateDepth = 0;
    std::map<std::uint32_t, Pending> m_pending;
};

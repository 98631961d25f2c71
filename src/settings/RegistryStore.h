#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// One stored registry value: its registry type number (1 REG_SZ, 2
// REG_EXPAND_SZ, 3 REG_BINARY, 4 REG_DWORD ...) and its raw data, exactly as
// the registry keeps it (text as UTF-8 bytes with the terminating NUL counted
// in the size).
struct RegistryValue
{
    std::uint32_t type = 0;
    QByteArray data;

    bool operator==(const RegistryValue &) const = default;
};

// Where registry keys and values live. Registry talks only to this, so the
// same typed semantics run over a file on POSIX and could run over the real
// registry elsewhere. Keys are addressed by a predefined hive handle and a
// path of names separated by backslashes; names compare without regard to
// case, as the registry does. Failures are answered, never thrown: a store
// that cannot write refuses (returns false) and changes nothing.
class RegistryStore
{
public:
    static constexpr std::uint32_t ClassesRoot = 0x80000000u;
    static constexpr std::uint32_t CurrentUser = 0x80000001u;
    static constexpr std::uint32_t LocalMachine = 0x80000002u;
    static constexpr std::uint32_t Users = 0x80000003u;
    static constexpr std::uint32_t CurrentConfig = 0x80000005u;

    virtual ~RegistryStore() = default;

    // "HKEY_LOCAL_MACHINE" and so on; empty for a handle that names no hive.
    static QString hiveName(std::uint32_t hive);
    // The path split into its key names; empty names (doubled, leading or
    // trailing backslashes) are dropped.
    static QStringList keyParts(const QString &key);

    // Creates the key and any missing parent; true when it exists afterwards.
    virtual bool createKey(std::uint32_t hive, const QString &key) = 0;

    // Empty when the key or the value is missing.
    virtual std::optional<RegistryValue> readValue(
        std::uint32_t hive, const QString &key, const QString &name)
        = 0;
    // Creates the key when it is missing. An empty name is the key's default value.
    virtual bool writeValue(
        std::uint32_t hive, const QString &key, const QString &name, const RegistryValue &value)
        = 0;

    // Groups a run of reads and changes (saving every setting at exit): the
    // store may then read once and write once, holding its lock throughout.
    // Calls nest; the outermost endUpdate writes.
    virtual void beginUpdate() { }
    virtual void endUpdate() { }

    // beginUpdate for the lifetime of the object.
    class Update
    {
    public:
        explicit Update(RegistryStore &store)
            : m_store(store)
        {
            m_store.beginUpdate();
        }
        ~Update() { m_store.endUpdate(); }
        Update(const Update &) = delete;
        Update &operator=(const Update &) = delete;

    private:
        RegistryStore &m_store;
    };
};

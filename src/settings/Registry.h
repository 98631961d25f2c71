#pragma once

#include <QString>
#include <QVariant>

#include <memory>

#include "settings/RegistryStore.h"

// Reads and writes single registry values: set the hive (ClassKey), the key
// path (SectionKey) and the value name (ValueKey), optionally ValueType and
// Default, then read or assign Value. Every access opens the key afresh.
//
// Reading never raises for missing data: a missing key or value gives Default
// and leaves ValueType as it was; a value found sets ValueType to its own type,
// which the next assignment then writes. Assigning to a key that cannot be
// created or written changes nothing and raises nothing.
class Registry
{
public:
    static constexpr qint32 HKEY_CLASSES_ROOT = qint32(RegistryStore::ClassesRoot);
    static constexpr qint32 HKEY_CURRENT_USER = qint32(RegistryStore::CurrentUser);
    static constexpr qint32 HKEY_LOCAL_MACHINE = qint32(RegistryStore::LocalMachine);
    static constexpr qint32 HKEY_USERS = qint32(RegistryStore::Users);

    static constexpr qint32 REG_SZ = 1;
    static constexpr qint32 REG_EXPAND_SZ = 2;
    static constexpr qint32 REG_BINARY = 3;
    static constexpr qint32 REG_DWORD = 4;
    static constexpr qint32 REG_DWORD_BIG_ENDIAN = 5;
    static constexpr qint32 REG_MULTI_SZ = 7;

    static constexpr int ErrorNumber = 26001;

    // Over the file store in the folder the environment names.
    Registry();
    // Over the given store, which must outlive this object.
    explicit Registry(RegistryStore &store);
    ~Registry();
    Registry(const Registry &) = delete;
    Registry &operator=(const Registry &) = delete;

    void setClassKey(qint32 hive) { m_classKey = hive; }
    void setSectionKey(const QString &key) { m_sectionKey = key; }
    void setValueKey(const QString &name) { m_valueKey = name; }
    void setValueType(qint32 type) { m_valueType = type; }
    void setDefault(const QVariant &value) { m_default = value; }

    // Text types give QString, the DWORD types int, any other type QByteArray.
    QVariant value();
    // Types 1 and 2 write text (REG_EXPAND_SZ when it holds two "%" at least
    // two characters apart), 3 a QByteArray (anything else raises), 4 and 5 a
    // 16- or 32-bit integer (short or int; other values are skipped).
    void setValue(const QVariant &value);

    // "<executable name>.cRegistry".
    static QString errorSource();
    // Expands %NAME% references to environment variables; unknown names and
    // lone percent signs stay as written.
    static QString expandEnvironmentStrings(const QString &text);

private:
    [[noreturn]] void raise(const QString &description) const;

    std::unique_ptr<RegistryStore> m_ownStore;
    RegistryStore *m_store;
    qint32 m_classKey = HKEY_CLASSES_ROOT;
    QString m_sectionKey;
    QString m_valueKey;
    qint32 m_valueType = REG_SZ;
    QVariant m_default;
};

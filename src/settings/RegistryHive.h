#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

#include "settings/RegistryStore.h"

// The keys and values of one hive in memory, and their text form: the layout
// of a registry export ("REGEDIT4", [HIVE\key\path] sections, "name"="text",
// "name"=dword:0000003c, "name"=hex(2):25,00 ...), UTF-8, one section per key.
// A line that is not valid UTF-8 is read as Latin-1, as older editors wrote it.
// Keys are addressed by their name parts (RegistryStore::keyParts); the hive
// itself is the empty path and always exists.
class RegistryHive
{
public:
    explicit RegistryHive(const QString &hiveName);

    // What could be read from a text, and whether any of it was damaged.
    struct Reading;

    // Everything readable in text: a damaged line (garbage, a section of
    // another hive, an unterminated string, a hex list cut short) is passed
    // over, together with the values of a section that could not be read.
    // Empty text is an empty hive. Linear in the size of the text.
    static Reading read(const QByteArray &text, const QString &hiveName);
    // The hive held in text; empty optional when the text is damaged in any way.
    static std::optional<RegistryHive> parse(const QByteArray &text, const QString &hiveName);
    QByteArray toText() const;

    // True when any key holds a value.
    bool hasValues() const;

    // Creates the key and its missing parents; false when nothing was missing.
    bool createKey(const QStringList &parts);

    std::optional<RegistryValue> value(const QStringList &parts, const QString &name) const;
    // Creates the key when needed; false when the value was already stored as given.
    bool setValue(const QStringList &parts, const QString &name, const RegistryValue &value);

private:
    struct Key
    {
        QStringList parts; // names as first written
        QList<QPair<QString, RegistryValue>> values; // in the order first written
        QHash<QString, qsizetype> byName; // case-folded name to its place in values
    };

    static QString folded(const QStringList &parts);
    Key *findKey(const QStringList &parts);
    const Key *findKey(const QStringList &parts) const;

    QString m_hiveName;
    QMap<QString, Key> m_keys; // by case-folded path; "" is the hive itself
};

struct RegistryHive::Reading
{
    RegistryHive hive;
    bool damaged = false;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Fast fingerprints of content (XXH3, 128 bits, written as 32 hex digits):
// what decides whether a build output can be reused. Equal text means equal
// bytes for every practical purpose; the hash is not meant to resist anyone
// crafting a collision.
class ContentHash
{
public:
    // Adds bytes; the hash of the whole is the same however they are split.
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash &) = delete;
    ContentHash &operator=(const ContentHash &) = delete;

    void add(const QByteArray &bytes);
    void add(const QString &text); // as UTF-8, preceded by its length
    void add(qint64 number);
    QString hex() const;

    static QString ofBytes(const QByteArray &bytes);
    // The hash of a file's content, read in large blocks; no value when the
    // file cannot be opened or read to its end.
    static std::optional<QString> ofFile(const QString &path);

private:
    void *m_state;
};

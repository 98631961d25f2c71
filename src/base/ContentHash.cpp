#include "base/ContentHash.h"

#include <QFile>

#include <xxhash.h>

namespace {

XXH3_state_t *stateOf(void *state)
{
    return static_cast<XXH3_state_t *>(state);
}

QString hexOf(const XXH128_hash_t &hash)
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, hash);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(canonical.digest), sizeof canonical.digest).toHex());
}

} // namespace

ContentHash::ContentHash()
    : m_state(XXH3_createState())
{
    XXH3_128bits_reset(stateOf(m_state));
}

ContentHash::~ContentHash()
{
    XXH3_freeState(stateOf(m_state));
}

void ContentHash::add(const QByteArray &bytes)
{
    XXH3_128bits_update(stateOf(m_state), bytes.constData(), static_cast<size_t>(bytes.size()));
}

void ContentHash::add(const QString &text)
{
    // The length keeps "ab" + "c" apart from "a" + "bc".
    const QByteArray utf8 = text.toUtf8();
    add(static_cast<qint64>(utf8.size()));
    add(utf8);
}

void ContentHash::add(qint64 number)
{
    XXH3_128bits_update(stateOf(m_state), &number, sizeof number);
}

QString ContentHash::hex() const
{
    return hexOf(XXH3_128bits_digest(stateOf(m_state)));
}

QString ContentHash::ofBytes(const QByteArray &bytes)
{
    return hexOf(XXH3_128bits(bytes.constData(), static_cast<size_t>(bytes.size())));
}

std::optional<QString> ContentHash::ofFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    ContentHash hash;
    constexpr qint64 BlockSize = 1 << 20;
    while (!file.atEnd()) {
        const QByteArray block = file.read(BlockSize);
        if (block.isEmpty() && file.error() != QFileDevice::NoError)
            return std::nullopt;
        if (block.isEmpty())
            break;
        hash.add(block);
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return hash.hex();
}

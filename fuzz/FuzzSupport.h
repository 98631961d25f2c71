#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

// What the harnesses share: the input as Qt types, and a scratch file for the
// parsers that read only from a path.
namespace FuzzSupport {

inline QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// The input as a tool's output reaches a parser: UTF-8, damaged sequences
// replaced, as the tool job decodes it.
inline QString text(const std::uint8_t *data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// Writes the bytes to a file named name in a folder of this process's own,
// removed at exit, and returns its path.
QString scratchFile(const QByteArray &bytes, const QString &name);

} // namespace FuzzSupport

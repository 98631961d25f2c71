#include "base/ContentHash.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray sampleBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return bytes;
}

} // namespace

TEST(ContentHash, FileAndBytesAgreeHoweverTheBytesAreSplit)
{
    // Larger than one read block, so the file is hashed in several pieces.
    const QByteArray bytes = sampleBytes((1 << 20) * 2 + 12345);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("photo.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();

    ContentHash pieces;
    pieces.add(bytes.left(10));
    pieces.add(bytes.mid(10, 70000));
    pieces.add(bytes.mid(70010));

    const QString whole = ContentHash::ofBytes(bytes);
    EXPECT_EQ(whole.size(), 32);
    EXPECT_EQ(pieces.hex(), whole);
    EXPECT_EQ(ContentHash::ofFile(file.fileName()), whole);
}

TEST(ContentHash, OneChangedByteOrAMovedBoundaryGivesAnotherHash)
{
    QByteArray bytes = sampleBytes(4096);
    const QString before = ContentHash::ofBytes(bytes);
    bytes[4000] = static_cast<char>(bytes[4000] ^ 1);
    EXPECT_NE(ContentHash::ofBytes(bytes), before);

    // Texts carry their length, so where one ends and the next begins counts.
    ContentHash ab;
    ab.add(QStringLiteral("ab"));
    ab.add(QStringLiteral("c"));
    ContentHash a;
    a.add(QStringLiteral("a"));
    a.add(QStringLiteral("bc"));
    EXPECT_NE(ab.hex(), a.hex());
}

TEST(ContentHash, AMissingFileHasNoHash)
{
    QTemporaryDir dir;
    EXPECT_FALSE(ContentHash::ofFile(dir.filePath(QStringLiteral("gone.jpg"))).has_value());
    // A folder cannot be read as content either.
    EXPECT_FALSE(ContentHash::ofFile(dir.path()).has_value());
}

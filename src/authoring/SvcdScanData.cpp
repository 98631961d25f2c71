#include "authoring/SvcdScanData.h"

#include <QFile>
#include <QSaveFile>

namespace {

// User-data start code, then the block mpeg2enc writes into SVCD video.
constexpr char kScanBlock[] = { 0x00, 0x00, 0x01, char(0xB2), 0x10, 14, 0x00, char(0x80), char(0x81), 0x00,
    char(0x80), char(0x81), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF) };

// Position of the next start code prefix 00 00 01 at or after from, or -1.
qsizetype nextStartCode(const QByteArray &data, qsizetype from)
{
    for (qsizetype i = from; i + 3 < data.size(); ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i;
    }
    return -1;
}

unsigned code(const QByteArray &data, qsizetype at)
{
    return static_cast<unsigned char>(data[at + 3]);
}

} // namespace

QByteArray SvcdScanData::withScanData(const QByteArray &stream)
{
    QByteArray out;
    out.reserve(stream.size() + 64);
    qsizetype copied = 0;
    bool inPicture = false;
    bool hasScanData = false;
    for (qsizetype at = nextStartCode(stream, 0); at >= 0; at = nextStartCode(stream, at + 3)) {
        const unsigned c = code(stream, at);
        if (c == 0x00) { // picture start
            inPicture = true;
            hasScanData = false;
        } else if (c == 0xB2 && inPicture && at + 4 < stream.size() && stream[at + 4] == 0x10) {
            hasScanData = true;
        } else if (c >= 0x01 && c <= 0xAF && inPicture) { // first slice of the picture
            if (!hasScanData) {
                out.append(stream.constData() + copied, at - copied);
                out.append(kScanBlock, sizeof kScanBlock);
                copied = at;
            }
            inPicture = false;
        }
    }
    out.append(stream.constData() + copied, stream.size() - copied);
    return out;
}

bool SvcdScanData::addTo(const QString &streamPath)
{
    QFile in(streamPath);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray original = in.readAll();
    in.close();
    const QByteArray patched = withScanData(original);
    if (patched.size() == original.size())
        return true;
    QSaveFile out(streamPath);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(patched);
    return out.commit();
}

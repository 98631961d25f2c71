// The markers in front of a JPEG file's first scan: frame size and EXIF block.

#include <cstdlib>

#include <QBuffer>

#include "FuzzSupport.h"
#include "imaging/JpegHead.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes = FuzzSupport::bytes(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    JpegHead head;
    const bool ok = head.read(buffer);
    if (head.width() < 0 || head.height() < 0 || head.width() > 65535 || head.height() > 65535)
        std::abort();
    if (ok && !head.exif().isEmpty() && !head.exif().startsWith(QByteArray("Exif\0\0", 6)))
        std::abort();
    return 0;
}

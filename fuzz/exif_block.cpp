// A picture's EXIF block (the APP1 payload) as libexif reads it, and the
// tags the program asks for.

#include "FuzzSupport.h"
#include "imaging/ExifBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses: an odd one puts the header the readers always
    // find in front, so that the fuzzer spends its time inside the TIFF
    // structure; an even one leaves the payload as it is.
    QByteArray payload = FuzzSupport::bytes(data + 1, size - 1);
    if (data[0] & 1)
        payload.prepend(QByteArray("Exif\0\0", 6));
    const ExifBlock block(payload);
    if (!block.isValid())
        return 0;
    for (const int tag : { 0x9003, 0x9004, 0x0132, 0x0112, 0x010F, 0x0110, 0x8827, 0x0002 })
        (void)block.tagText(tag);
    (void)block.orientation();
    return 0;
}

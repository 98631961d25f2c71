// What the picture reader learns from a file's header alone (the upright
// size, the EXIF block of every format) and a decode at a small size,
// whatever the format the first bytes claim.

#include "FuzzSupport.h"
#include "imaging/PictureReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = FuzzSupport::scratchFile(FuzzSupport::bytes(data, size), QStringLiteral("picture"));
    (void)PictureReader::uprightSize(path);
    (void)PictureReader::exifOf(path);
    PictureReader reader;
    if (reader.read(path, 64, 48))
        (void)reader.takePixels();
    return 0;
}

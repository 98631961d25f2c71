// What the picture reader learns from a file's header alone (the upright
// size, the EXIF block of every format) and a decode at a small size,
// whatever the format the first bytes claim.

#include <QtGlobal>

#include "FuzzSupport.h"
#include "imaging/PictureReader.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Qt's image readers warn about every damaged file; thousands of lines a
    // second would bury the fuzzer's own report and slow it down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

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

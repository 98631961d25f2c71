// A file's format told by its first bytes, as many as a file read gives.

#include <algorithm>

#include "FuzzSupport.h"
#include "base/MediaFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::size_t head = std::min<std::size_t>(size, MediaSignature::kHeadBytes);
    (void)MediaSignature::nameOf(MediaSignature::formatOf(FuzzSupport::bytes(data, head)));
    return 0;
}

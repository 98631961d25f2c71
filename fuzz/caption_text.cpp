// A caption file's bytes: UTF-8, or else a single-byte code page.

#include "FuzzSupport.h"
#include "imaging/CaptionText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    (void)CaptionText::decode(FuzzSupport::bytes(data, size));
    return 0;
}

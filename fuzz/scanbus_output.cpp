// "cdrecord -scanbus" output into the writer list.

#include <cstdlib>

#include "FuzzSupport.h"
#include "burn/ScanbusParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString output = FuzzSupport::text(data, size);
    for (const QString &writer : ScanbusParser::writers(output)) {
        if (writer.contains(u'\r') || writer.contains(u'\t'))
            std::abort();
        (void)ScanbusParser::deviceId(writer);
    }
    (void)ScanbusParser::failureReason(output);
    return 0;
}

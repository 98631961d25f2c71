// vcdxbuild's --gui output, line by line, into the lines the output window shows.

#include <cstdlib>

#include "FuzzSupport.h"
#include "authoring/VcdxbuildAdapter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QStringList lines = FuzzSupport::text(data, size).split(u'\n');
    for (const QString &line : lines) {
        const QStringList adapted = VcdxbuildAdapter::adaptLine(line);
        if (adapted.isEmpty())
            std::abort(); // a line never disappears
    }
    return 0;
}

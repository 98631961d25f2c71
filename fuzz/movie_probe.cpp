// ffprobe's JSON about a movie, and the pack size read from a movie's head.

#include <cmath>
#include <cstdlib>

#include "FuzzSupport.h"
#include "authoring/MovieProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = FuzzSupport::bytes(data, size);
    const MovieProbe::Info info = MovieProbe::fromJson(bytes);
    if (info.rotation < 0 || info.rotation >= 360)
        std::abort();
    if (info.usable()) {
        // What the converter computes from a usable movie must be a number.
        const double aspect = info.displayAspect();
        if (std::isnan(aspect))
            std::abort();
    }
    const int pack = MovieProbe::packSizeOf(FuzzSupport::scratchFile(bytes, QStringLiteral("movie.mpg")));
    if (pack < 0)
        std::abort();
    return 0;
}
